// Empty entities that stand in for entities a parse will not read: an
// external one, or one whose text would take the document past a limit.
// They live in a document of their own for as long as the stand-ins do.
#ifndef FLATDOM_ENGINE_TREE_ENTITY_STAND_INS_H
#define FLATDOM_ENGINE_TREE_ENTITY_STAND_INS_H

#include <libxml/entities.h>

namespace engine::tree {

class EntityStandIns {
  public:
    EntityStandIns() = default;
    ~EntityStandIns();
    EntityStandIns(const EntityStandIns&) = delete;
    EntityStandIns& operator=(const EntityStandIns&) = delete;

    // An empty internal entity of that name, general or parameter as type
    // says; null when memory runs out.
    xmlEntityPtr Get(const xmlChar* name, xmlEntityType type);

  private:
    xmlDocPtr m_doc = nullptr;  // holds the stand-ins in its internal subset
};

}  // namespace engine::tree

#endif
