// XPath's axis names, which both languages accept before "::".
#ifndef FLATDOM_ENGINE_QUERY_AXIS_NAMES_H
#define FLATDOM_ENGINE_QUERY_AXIS_NAMES_H

#include <string_view>

#include "compiled_query.h"

namespace engine::query {

// The axis of that name; false for none.
bool FindAxis(std::string_view name, Axis& axis);

}  // namespace engine::query

#endif
