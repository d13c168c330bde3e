// The engine's classes, as the platform's COM runtime makes them: the
// document.
#include <flatdom/platform/class_table.h>

#include <iterator>

#include "document.h"

namespace {

constexpr platform::ClassEntry kClasses[] = {
    {&CLSID_DOMDocument, engine::com::CreateDocument},
};

}  // namespace

extern const platform::ClassTable platform::kBuiltinClasses = {kClasses, std::size(kClasses)};
