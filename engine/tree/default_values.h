// The value an attribute default gives an element. The DTD is read with its
// entity references kept (so that the DOCTYPE's text is the document's own):
// a default comes as libxml2 kept it, "&#38;" for each '&' and "&name;" for
// each reference to a general entity. Its value, as libxml2 gives a value it
// replaces the references of, has each reference replaced by the entity's
// text, whose own character and entity references are replaced in turn and
// whose white space becomes spaces; for a type other than CDATA, runs of
// spaces become one and none is left at either end.
#ifndef FLATDOM_ENGINE_TREE_DEFAULT_VALUES_H
#define FLATDOM_ENGINE_TREE_DEFAULT_VALUES_H

#include <libxml/tree.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace engine::tree {

class DefaultValues {
  public:
    // Entities are those doc declares, and the predefined ones.
    explicit DefaultValues(xmlDocPtr doc) : m_doc(doc) {}

    // What the value costs before it is made: its bytes, and one for each
    // reference replaced; each entity's is counted once. False for
    // references nested deeper than libxml2 follows them (a loop).
    bool Cost(std::string_view kept, std::uint64_t& cost);
    // The value; false as Cost. Throws std::bad_alloc when memory runs out.
    bool Value(std::string_view kept, bool normalize, std::string& value);

  private:
    // How deep libxml2 follows references in entities.
    static constexpr int kMaxEntityNesting = 40;

    // The entity of a reference text starts with ("&name;"); null for none,
    // and the reference's length.
    xmlEntityPtr Entity(std::string_view text, std::size_t& length);
    bool ContentCost(const xmlEntity* entity, int depth, std::uint64_t& cost);
    bool AppendContent(std::string_view content, int depth, std::string& value);

    xmlDocPtr m_doc;
    std::unordered_map<const xmlEntity*, std::uint64_t> m_costs;
    std::string m_name;
};

}  // namespace engine::tree

#endif
