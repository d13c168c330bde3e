#include "axis_names.h"

namespace engine::query {
namespace {

struct NamedAxis {
    const char* name;
    Axis axis;
};
constexpr NamedAxis kAxes[] = {
    {"ancestor", Axis::kAncestor},
    {"ancestor-or-self", Axis::kAncestorOrSelf},
    {"attribute", Axis::kAttribute},
    {"child", Axis::kChild},
    {"descendant", Axis::kDescendant},
    {"descendant-or-self", Axis::kDescendantOrSelf},
    {"following", Axis::kFollowing},
    {"following-sibling", Axis::kFollowingSibling},
    {"namespace", Axis::kNamespace},
    {"parent", Axis::kParent},
    {"preceding", Axis::kPreceding},
    {"preceding-sibling", Axis::kPrecedingSibling},
    {"self", Axis::kSelf},
};

}  // namespace

bool FindAxis(std::string_view name, Axis& axis) {
    for (const NamedAxis& named : kAxes) {
        if (name == named.name) {
            axis = named.axis;
            return true;
        }
    }
    return false;
}

}  // namespace engine::query
