// Comparisons as XPath 1.0 makes them, and the pattern language's
// case-insensitive ones, which compare text with ASCII letters folded. A
// node-set compares as its nodes' values one by one: the nodes of one side
// are met one at a time and the comparison stops at the first pair that
// decides it; the other side, if a node-set too, is read once.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <unordered_set>

#include "evaluator.h"
#include "number_text.h"

namespace engine::query {
namespace {

bool IsCaseless(Operator op) {
    return op >= Operator::kIEq && op <= Operator::kIGe;
}

// The comparison whose truth is the other's falsehood, for text and
// booleans: a != b is not (a = b). Not for orderings of numbers, where NaN
// compares neither way.
Operator Opposite(Operator op) {
    switch (op) {
        case Operator::kEq:
            return Operator::kNe;
        case Operator::kNe:
            return Operator::kEq;
        case Operator::kLt:
            return Operator::kGe;
        case Operator::kLe:
            return Operator::kGt;
        case Operator::kGt:
            return Operator::kLe;
        case Operator::kGe:
            return Operator::kLt;
        case Operator::kIEq:
            return Operator::kINe;
        case Operator::kINe:
            return Operator::kIEq;
        case Operator::kILt:
            return Operator::kIGe;
        case Operator::kILe:
            return Operator::kIGt;
        case Operator::kIGt:
            return Operator::kILe;
        default:
            return Operator::kILt;
    }
}

// The same comparison with its sides swapped: a < b is b > a.
Operator Swapped(Operator op) {
    switch (op) {
        case Operator::kLt:
            return Operator::kGt;
        case Operator::kLe:
            return Operator::kGe;
        case Operator::kGt:
            return Operator::kLt;
        case Operator::kGe:
            return Operator::kLe;
        case Operator::kILt:
            return Operator::kIGt;
        case Operator::kILe:
            return Operator::kIGe;
        case Operator::kIGt:
            return Operator::kILt;
        case Operator::kIGe:
            return Operator::kILe;
        default:
            return op;
    }
}

// The comparison of ordered values; a and b of one type.
template <class T>
bool Compares(Operator op, const T& a, const T& b) {
    switch (op) {
        case Operator::kEq:
        case Operator::kIEq:
            return a == b;
        case Operator::kNe:
        case Operator::kINe:
            return a != b;
        case Operator::kLt:
        case Operator::kILt:
            return a < b;
        case Operator::kLe:
        case Operator::kILe:
            return a <= b;
        case Operator::kGt:
        case Operator::kIGt:
            return a > b;
        default:
            return a >= b;
    }
}

bool IsEquality(Operator op) {
    return op == Operator::kEq || op == Operator::kNe || op == Operator::kIEq ||
           op == Operator::kINe;
}

void Fold(std::string_view text, std::string& folded) {
    folded.assign(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

// What one side of a comparison must be matched against, read once: the
// other side's values, or for an ordering only the one that matters.
class Targets {
  public:
    Targets(Operator op, std::vector<std::string> values) : m_op(op), m_values(std::move(values)) {
        if (m_values.empty()) return;
        if (op == Operator::kEq || op == Operator::kIEq) {
            if (m_values.size() > 8) {
                m_set = std::make_unique<std::unordered_set<std::string_view>>(m_values.begin(),
                                                                               m_values.end());
            }
        } else if (op == Operator::kNe || op == Operator::kINe) {
            m_distinct = std::any_of(m_values.begin(), m_values.end(),
                                     [&](const std::string& v) { return v != m_values[0]; });
        } else {
            // a < b for some b when a < the greatest b; a > b when a > the least.
            const bool greatest = op == Operator::kILt || op == Operator::kILe;
            const auto extreme = greatest ? std::max_element(m_values.begin(), m_values.end())
                                          : std::min_element(m_values.begin(), m_values.end());
            std::swap(m_values[0], *extreme);
        }
    }
    bool Empty() const { return m_values.empty(); }
    // Whether some target compares so with value.
    bool Match(std::string_view value) const {
        switch (m_op) {
            case Operator::kEq:
            case Operator::kIEq:
                if (m_set) return m_set->count(value) > 0;
                return std::find(m_values.begin(), m_values.end(), value) != m_values.end();
            case Operator::kNe:
            case Operator::kINe:
                return m_distinct || value != m_values[0];
            default:  // against the extreme, which stands first
                return Compares(m_op, value, std::string_view(m_values[0]));
        }
    }

  private:
    Operator m_op;
    std::vector<std::string> m_values;
    std::unique_ptr<std::unordered_set<std::string_view>> m_set;
    bool m_distinct = false;
};

}  // namespace

bool Evaluator::Compare(const Expr& chain, const Context& context) {
    const Operand* operands = OperandsOf(chain);
    if (chain.every)
        return CompareEvery(operands[1].op, operands[0].expr, operands[1].expr, context);
    bool value = ComparePair(operands[1].op, operands[0].expr, operands[1].expr, context);
    // a = b = c compares (a = b), a boolean, with c.
    for (std::uint32_t i = 2; i < chain.count; ++i)
        value = CompareBoolean(value, operands[i].op, operands[i].expr, context);
    return value;
}

bool Evaluator::CompareBoolean(bool value, Operator op, ExprIndex right, const Context& context) {
    Scalar left;
    left.boolean = value;
    if (IsCaseless(op)) return CompareCaseless(op, kNoExpr, &left, right, context);
    if (At(right).type == ValueType::kNodeSet) {
        return CompareNodesWith(Swapped(op), right, left, context);
    }
    Scalar scalar;
    ToScalar(right, context, scalar);
    return CompareScalars(op, left, scalar);
}

bool Evaluator::ComparePair(Operator op, ExprIndex left, ExprIndex right, const Context& context) {
    // Both sides run, even where one decides alone.
    CheckPrefixes(left);
    CheckPrefixes(right);
    const bool leftNodes = At(left).type == ValueType::kNodeSet;
    const bool rightNodes = At(right).type == ValueType::kNodeSet;
    // The node-set is the side met one node at a time.
    if (!leftNodes && rightNodes) return ComparePair(Swapped(op), right, left, context);
    if (IsCaseless(op)) return CompareCaseless(op, left, nullptr, right, context);
    if (leftNodes && rightNodes) return CompareNodeSets(op, left, right, context);
    Scalar b;
    ToScalar(right, context, b);
    if (leftNodes) return CompareNodesWith(op, left, b, context);
    Scalar a;
    ToScalar(left, context, a);
    return CompareScalars(op, a, b);
}

// $all$: every pair of values compares so. Text and booleans compare one way
// or the opposite, so that is no pair comparing the opposite way; an
// ordering of numbers is false both ways where one is NaN, and is checked
// as itself.
bool Evaluator::CompareEvery(Operator op, ExprIndex left, ExprIndex right, const Context& context) {
    if (IsCaseless(op) || IsEquality(op)) return !ComparePair(Opposite(op), left, right, context);
    CheckPrefixes(left);
    CheckPrefixes(right);
    const bool leftNodes = At(left).type == ValueType::kNodeSet;
    const bool rightNodes = At(right).type == ValueType::kNodeSet;
    if (!leftNodes && rightNodes) return CompareEvery(Swapped(op), right, left, context);
    std::string scratch;
    if (!rightNodes) {
        Scalar b;
        ToScalar(right, context, b);
        if (!leftNodes) {
            Scalar a;
            ToScalar(left, context, a);
            return CompareScalars(op, a, b);
        }
        // A boolean compares with the node-set's truth, one pair.
        if (b.type == ValueType::kBoolean) return CompareNodesWith(op, left, b, context);
        const double number = b.type == ValueType::kNumber ? b.number : TextToNumber(b.string);
        return Each(left, context, [&](NodeId node) {
            return Compares(op, TextToNumber(m_view.StringValue(node, scratch)), number);
        });
    }
    // Against the least of the right side (the greatest for > and >=), none
    // of them NaN; nothing to compare with holds.
    const bool least = op == Operator::kLt || op == Operator::kLe;
    bool any = false;
    bool nan = false;
    double extreme = 0;
    Each(right, context, [&](NodeId node) {
        const double number = TextToNumber(m_view.StringValue(node, scratch));
        nan = std::isnan(number);
        if (!any || (least ? number < extreme : number > extreme)) extreme = number;
        any = true;
        return !nan;
    });
    if (!any) {
        RunUnused(left, context);
        return true;
    }
    return Each(left, context, [&](NodeId node) {
        return !nan && Compares(op, TextToNumber(m_view.StringValue(node, scratch)), extreme);
    });
}

void Evaluator::RunUnused(ExprIndex index, const Context& context) {
    if (m_prefixes.empty()) return;
    if (At(index).type == ValueType::kNodeSet) {
        Each(index, context, [](NodeId) { return true; });
    } else {
        std::string scratch;
        String(index, context, scratch);
    }
}

void Evaluator::ToScalar(ExprIndex index, const Context& context, Scalar& scalar) {
    scalar.type = At(index).type;
    switch (scalar.type) {
        case ValueType::kBoolean:
            scalar.boolean = Boolean(index, context);
            break;
        case ValueType::kNumber:
            scalar.number = Number(index, context);
            break;
        default:
            scalar.string = String(index, context, scalar.storage);
    }
}

bool Evaluator::CompareScalars(Operator op, const Scalar& a, const Scalar& b) {
    auto number = [](const Scalar& s) {
        switch (s.type) {
            case ValueType::kBoolean:
                return s.boolean ? 1.0 : 0.0;
            case ValueType::kNumber:
                return s.number;
            default:
                return TextToNumber(s.string);
        }
    };
    if (IsEquality(op)) {
        if (a.type == ValueType::kBoolean || b.type == ValueType::kBoolean) {
            auto truth = [&](const Scalar& s) {
                switch (s.type) {
                    case ValueType::kBoolean:
                        return s.boolean;
                    case ValueType::kNumber:
                        return s.number != 0 && !std::isnan(s.number);
                    default:
                        return !s.string.empty();
                }
            };
            return Compares(op, truth(a), truth(b));
        }
        if (a.type == ValueType::kString && b.type == ValueType::kString) {
            return Compares(op, a.string, b.string);
        }
    }
    return Compares(op, number(a), number(b));
}

bool Evaluator::CompareNodesWith(Operator op, ExprIndex nodes, const Scalar& value,
                                 const Context& context) {
    if (value.type == ValueType::kBoolean) {
        const bool any = !Each(nodes, context, [](NodeId) { return false; });
        return IsEquality(op) ? Compares(op, any, value.boolean)
                              : Compares(op, any ? 1.0 : 0.0, value.boolean ? 1.0 : 0.0);
    }
    std::string scratch;
    if (value.type == ValueType::kString && IsEquality(op)) {
        return !Each(nodes, context, [&](NodeId node) {
            return !Compares(op, m_view.StringValue(node, scratch), value.string);
        });
    }
    const double number =
        value.type == ValueType::kNumber ? value.number : TextToNumber(value.string);
    return !Each(nodes, context, [&](NodeId node) {
        return !Compares(op, TextToNumber(m_view.StringValue(node, scratch)), number);
    });
}

bool Evaluator::CompareNodeSets(Operator op, ExprIndex left, ExprIndex right,
                                const Context& context) {
    std::string scratch;
    if (IsEquality(op)) {
        std::vector<std::string> values;
        Values(right, context, false, values);
        const Targets targets(op, std::move(values));
        if (targets.Empty()) {
            RunUnused(left, context);
            return false;
        }
        return !Each(left, context, [&](NodeId node) {
            return !targets.Match(m_view.StringValue(node, scratch));
        });
    }
    // As numbers: against the greatest or least of the right side.
    const bool greatest = op == Operator::kLt || op == Operator::kLe;
    double extreme = std::numeric_limits<double>::quiet_NaN();
    Each(right, context, [&](NodeId node) {
        const double number = TextToNumber(m_view.StringValue(node, scratch));
        if (std::isnan(extreme) || (greatest ? number > extreme : number < extreme)) {
            extreme = number;
        }
        return true;
    });
    if (std::isnan(extreme)) {
        RunUnused(left, context);
        return false;
    }
    return !Each(left, context, [&](NodeId node) {
        return !Compares(op, TextToNumber(m_view.StringValue(node, scratch)), extreme);
    });
}

void Evaluator::Values(ExprIndex index, const Context& context, bool fold,
                       std::vector<std::string>& values) {
    std::string scratch;
    if (At(index).type == ValueType::kNodeSet) {
        Each(index, context, [&](NodeId node) {
            const std::string_view value = m_view.StringValue(node, scratch);
            values.emplace_back();
            if (fold) {
                Fold(value, values.back());
            } else {
                values.back().assign(value);
            }
            return true;
        });
        return;
    }
    values.emplace_back();
    const std::string_view value = String(index, context, scratch);
    if (fold) {
        Fold(value, values.back());
    } else {
        values.back().assign(value);
    }
}

// Text with ASCII letters folded, compared byte by byte (code point order):
// each value of the left side against the values of the right.
bool Evaluator::CompareCaseless(Operator op, ExprIndex left, const Scalar* leftValue,
                                ExprIndex right, const Context& context) {
    std::vector<std::string> values;
    Values(right, context, true, values);
    const Targets targets(op, std::move(values));
    if (targets.Empty()) {
        if (!leftValue) RunUnused(left, context);
        return false;
    }
    std::string folded;
    if (leftValue) {
        Fold(leftValue->boolean ? "true" : "false", folded);
        return targets.Match(folded);
    }
    std::string scratch;
    if (At(left).type != ValueType::kNodeSet) {
        Fold(String(left, context, scratch), folded);
        return targets.Match(folded);
    }
    return !Each(left, context, [&](NodeId node) {
        Fold(m_view.StringValue(node, scratch), folded);
        return !targets.Match(folded);
    });
}

}  // namespace engine::query
