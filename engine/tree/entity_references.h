// References to entities in content, followed across libxml2's parser
// contexts. libxml2 parses an entity's replacement with a parser context of
// its own each time it is referenced (the tree keeps none of it), so the
// events of a reference come from another context than the reference
// itself: a reference ends at the next event of the context that made it.
// An entity the document may not have, or any once it is refused, has an
// empty stand-in, so that libxml2 reads nothing more of it.
#ifndef FLATDOM_ENGINE_TREE_ENTITY_REFERENCES_H
#define FLATDOM_ENGINE_TREE_ENTITY_REFERENCES_H

#include <libxml/parser.h>

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "entity_stand_ins.h"
#include "tree_builder.h"

namespace engine::tree {

class EntityReferences {
  public:
    explicit EntityReferences(TreeBuilder& builder) : m_builder(builder) {}
    EntityReferences(const EntityReferences&) = delete;
    EntityReferences& operator=(const EntityReferences&) = delete;

    // Whether parser reads content, where a reference is a node of the tree.
    static bool InContent(const xmlParserCtxt* parser);
    // Whether parser reads an attribute value of a start tag, where libxml2
    // copies the text of the entities referred to (up to 2.11; later ones
    // keep no such state, and bound that text themselves).
    static bool InStartTagValue(const xmlParserCtxt* parser);

    // A reference to entity, named name, in the content parser reads: an
    // entity-reference node, unless a start tag of the entity's text has
    // more attributes than an element may. libxml2 copies the namespaces in
    // scope to read the entity's text, which count against the budget. False
    // when the document is refused.
    bool Start(xmlParserCtxtPtr parser, const xmlEntity* entity, const xmlChar* name);
    // Closes the references that ended before an event of parser: those it
    // made, and those inside them. False when the document is refused.
    bool Ended(xmlParserCtxtPtr parser) {
        for (std::size_t i = m_references.size(); i > 0; --i) {
            if (m_references[i - 1] == parser) return EndFrom(i - 1);
        }
        return true;
    }
    // Closes the references still open, at the end of the document.
    bool EndAll() { return EndFrom(0); }

    // An empty entity of that name for libxml2 to read instead; null when
    // memory runs out.
    xmlEntityPtr StandIn(const xmlChar* name);

  private:
    // Closes the references from the count'th on.
    bool EndFrom(std::size_t count);
    // Whether a start tag of the entity's text has more attributes than an
    // element may; each entity is looked at once.
    bool TagsPastLimit(const xmlEntity* entity);

    TreeBuilder& m_builder;
    EntityStandIns m_standIns;
    std::unordered_map<const xmlEntity*, bool> m_tagsPastLimit;  // for each entity looked at
    // The context each open reference was made from, the innermost last.
    std::vector<xmlParserCtxtPtr> m_references;
};

}  // namespace engine::tree

#endif
