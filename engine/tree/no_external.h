// Nothing outside a document is ever read while it is parsed, by that
// parse's own handlers (libxml2's process-wide entity loader stays as the
// host left it): a reference to an external entity reads as nothing, as when
// it cannot be fetched, and the external DTD is skipped. libxml2 2.14 and
// later take a loader for one parse, which refuses every resource; before,
// an external entity's references are given an empty stand-in.
#ifndef FLATDOM_ENGINE_TREE_NO_EXTERNAL_H
#define FLATDOM_ENGINE_TREE_NO_EXTERNAL_H

#include <libxml/parser.h>

#include "entity_stand_ins.h"

namespace engine::tree {

class ExternalRefusal {
  public:
    ExternalRefusal() = default;
    ~ExternalRefusal();
    ExternalRefusal(const ExternalRefusal&) = delete;
    ExternalRefusal& operator=(const ExternalRefusal&) = delete;

    // Takes over the context's entity lookup, entity resolution and external
    // subset handlers on this thread, until the refusal goes.
    void Install(xmlParserCtxtPtr context);

  private:
    // Up to libxml2 2.13: the lookups that give the stand-ins.
    static xmlEntityPtr GetEntity(void* context, const xmlChar* name);
    static xmlEntityPtr GetParameterEntity(void* context, const xmlChar* name);

    EntityStandIns m_standIns;
};

}  // namespace engine::tree

#endif
