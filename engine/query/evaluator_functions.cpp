// XPath 1.0's core functions, and the pattern language's index(), end() and
// nodeType(). Text functions count characters (code points), not bytes.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include <common/utf8.h>

#include "engine/tree/xml_chars.h"
#include "evaluator.h"
#include "number_text.h"
#include "xml_names.h"

namespace engine::query {
namespace {

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// The byte offset of the character after the first count characters.
std::size_t OffsetOf(std::string_view text, std::size_t count) {
    std::size_t at = 0;
    while (at < text.size() && count > 0) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            ++at;
        --count;
    }
    return at;
}

std::u32string Characters(std::string_view text) {
    std::u32string characters;
    for (std::size_t at = 0; at < text.size();)
        characters += DecodeAt(text, at);
    return characters;
}

// XPath's round(): the nearest integer, halves up.
double Round(double x) {
    if (std::isnan(x) || std::isinf(x)) return x;
    double r = std::floor(x);
    if (x - r >= 0.5) r += 1;
    return r == 0 && x < 0 ? -0.0 : r;
}

}  // namespace

NodeId Evaluator::SubjectOf(const Expr& call, const Context& context) {
    return call.count == 0 ? context.node : First(OperandsOf(call)[0].expr, context);
}

bool Evaluator::BooleanFunction(const Expr& call, const Context& context) {
    const Operand* arguments = OperandsOf(call);
    switch (call.function) {
        case Function::kBoolean:
            return Boolean(arguments[0].expr, context);
        case Function::kNot:
            return !Boolean(arguments[0].expr, context);
        case Function::kTrue:
            return true;
        case Function::kFalse:
            return false;
        case Function::kEnd:
            return context.position == context.size;
        default:
            return TextTest(call, context);
    }
}

// starts-with(), contains(), lang().
bool Evaluator::TextTest(const Expr& call, const Context& context) {
    const Operand* arguments = OperandsOf(call);
    std::string first, second;
    const std::string_view text = String(arguments[0].expr, context, first);
    if (call.function == Function::kLang) return Lang(text, context.node);
    const std::string_view part = String(arguments[1].expr, context, second);
    if (call.function == Function::kStartsWith) return text.substr(0, part.size()) == part;
    return text.find(part) != std::string_view::npos;
}

// Whether xml:lang, where it is set nearest the node, is language or one of
// its sublanguages ("en" holds for "EN-us"), letters compared in any case.
bool Evaluator::Lang(std::string_view language, NodeId node) {
    const tree::DocumentTree& tree = m_view.Tree();
    bool known = false;
    const tree::NameId name = tree.Names().Find("xml:lang", known);
    if (!known) return false;
    const NodeId record = NearestLang(node, name);
    if (record == kNoNode) return false;
    const std::string_view value = tree.Content(record);
    if (value.size() < language.size()) return false;
    for (std::size_t i = 0; i < language.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(value[i]) != lower(language[i])) return false;
    }
    return value.size() == language.size() || value[language.size()] == '-';
}

// Each element's attributes are read once in a run: what an element's
// climb finds is kept for the elements it passed, so the next climb that
// reaches one of them stops there.
NodeId Evaluator::NearestLang(NodeId node, tree::NameId name) {
    const tree::DocumentTree& tree = m_view.Tree();
    NodeId record = kNoNode;
    m_climbed.clear();
    for (NodeId element = node; element != kNoNode; element = m_view.Parent(element)) {
        if (m_view.Kind(element) != NodeKind::kElement) continue;
        const auto known = m_langs.find(element);
        if (known != m_langs.end()) {
            record = known->second;
            break;
        }
        m_climbed.push_back(element);
        for (NodeId at = tree.FirstAttributeRecord(element);
             at <= tree.LastAttributeRecord(element) && record == kNoNode; ++at) {
            ++m_work.visited;
            if (tree.Kind(at) == NodeKind::kAttribute && tree.NameOf(at) == name) record = at;
        }
        if (record != kNoNode) break;
    }
    for (NodeId element : m_climbed)
        m_langs.emplace(element, record);
    return record;
}

std::size_t Evaluator::Count(ExprIndex index, const Context& context) {
    const Expr& expr = At(index);
    std::size_t count = 0;
    if (expr.kind == ExprKind::kPath && expr.ordered) {
        Walk(
            expr, context,
            [&](NodeId) {
                ++count;
                return true;
            },
            false, true);
        return count;
    }
    std::vector<NodeId> nodes;
    Nodes(index, context, nodes);
    return nodes.size();
}

double Evaluator::NumberFunction(const Expr& call, const Context& context) {
    const Operand* arguments = OperandsOf(call);
    switch (call.function) {
        case Function::kLast:
            return context.size;
        case Function::kPosition:
            return context.position;
        case Function::kIndex:
            return static_cast<double>(context.position) - 1;
        case Function::kCount:
            return static_cast<double>(Count(arguments[0].expr, context));
        case Function::kNumber: {
            std::string scratch;
            if (call.count == 0) return TextToNumber(m_view.StringValue(context.node, scratch));
            return Number(arguments[0].expr, context);
        }
        case Function::kStringLength: {
            std::string scratch;
            return static_cast<double>(
                CharacterCount(call.count == 0 ? m_view.StringValue(context.node, scratch)
                                               : String(arguments[0].expr, context, scratch)));
        }
        case Function::kSum: {
            std::vector<NodeId> nodes;
            Nodes(arguments[0].expr, context, nodes);
            std::string scratch;
            double sum = 0;
            for (NodeId node : nodes)
                sum += TextToNumber(m_view.StringValue(node, scratch));
            return sum;
        }
        case Function::kFloor:
            return std::floor(Number(arguments[0].expr, context));
        case Function::kCeiling:
            return std::ceil(Number(arguments[0].expr, context));
        case Function::kRound:
            return Round(Number(arguments[0].expr, context));
        default: {  // nodeType(): the node's DOM type, 0 for none
            const NodeId node = SubjectOf(call, context);
            if (node == kNoNode || m_view.IsNamespaceNode(node)) return 0;
            return static_cast<double>(m_view.Kind(node));
        }
    }
}

std::string_view Evaluator::StringFunction(const Expr& call, const Context& context,
                                           std::string& scratch) {
    switch (call.function) {
        case Function::kLocalName:
        case Function::kNamespaceUri:
        case Function::kName: {
            const NodeId node = SubjectOf(call, context);
            if (node == kNoNode) return {};
            if (call.function == Function::kName) return m_view.Name(node);
            if (call.function == Function::kLocalName) return m_view.LocalName(node);
            return m_view.NamespaceUri(node);
        }
        case Function::kString:
            if (call.count == 0) return m_view.StringValue(context.node, scratch);
            return String(OperandsOf(call)[0].expr, context, scratch);
        case Function::kConcat:
            return Concat(call, context, scratch);
        case Function::kSubstringBefore:
        case Function::kSubstringAfter:
            return SubstringAround(call, context, scratch);
        case Function::kSubstring:
            return Substring(call, context, scratch);
        case Function::kNormalizeSpace:
            return NormalizeSpace(call, context, scratch);
        default:
            return Translate(call, context, scratch);
    }
}

std::string_view Evaluator::Concat(const Expr& call, const Context& context, std::string& scratch) {
    std::string joined, part;
    for (std::uint32_t i = 0; i < call.count; ++i)
        joined.append(String(OperandsOf(call)[i].expr, context, part));
    scratch = std::move(joined);
    return scratch;
}

std::string_view Evaluator::SubstringAround(const Expr& call, const Context& context,
                                            std::string& scratch) {
    std::string second;
    const std::string_view text = String(OperandsOf(call)[0].expr, context, scratch);
    const std::string_view part = String(OperandsOf(call)[1].expr, context, second);
    const std::size_t at = text.find(part);
    if (at == std::string_view::npos) return {};
    return call.function == Function::kSubstringBefore ? text.substr(0, at)
                                                       : text.substr(at + part.size());
}

// The characters at positions p, round(start) <= p < round(start) + round(length).
std::string_view Evaluator::Substring(const Expr& call, const Context& context,
                                      std::string& scratch) {
    const Operand* arguments = OperandsOf(call);
    const std::string_view text = String(arguments[0].expr, context, scratch);
    const double start = Round(Number(arguments[1].expr, context));
    const double end = call.count == 3 ? start + Round(Number(arguments[2].expr, context))
                                       : std::numeric_limits<double>::infinity();
    const double from = std::max(start, 1.0);
    const double to = std::min(end, static_cast<double>(CharacterCount(text)) + 1);
    if (!(from < to)) return {};  // NaN too
    const std::size_t begin = OffsetOf(text, static_cast<std::size_t>(from) - 1);
    const std::size_t stop =
        begin + OffsetOf(text.substr(begin), static_cast<std::size_t>(to - from));
    return text.substr(begin, stop - begin);
}

std::string_view Evaluator::NormalizeSpace(const Expr& call, const Context& context,
                                           std::string& scratch) {
    const std::string_view text = call.count == 0
                                      ? m_view.StringValue(context.node, scratch)
                                      : String(OperandsOf(call)[0].expr, context, scratch);
    std::string normal;
    for (std::size_t i = 0; i < text.size();) {
        if (!IsXmlSpace(text[i])) {
            normal += text[i++];
            continue;
        }
        while (i < text.size() && IsXmlSpace(text[i]))
            ++i;
        if (!normal.empty() && i < text.size()) normal += ' ';
    }
    scratch = std::move(normal);
    return scratch;
}

std::string_view Evaluator::Translate(const Expr& call, const Context& context,
                                      std::string& scratch) {
    const Operand* arguments = OperandsOf(call);
    std::string fromScratch, toScratch;
    const std::string_view text = String(arguments[0].expr, context, scratch);
    const std::u32string from = Characters(String(arguments[1].expr, context, fromScratch));
    const std::u32string to = Characters(String(arguments[2].expr, context, toScratch));
    std::string translated;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t begin = at;
        const char32_t c = DecodeAt(text, at);
        // The first place of c in from; past the end of to, c goes.
        const std::size_t place = from.find(c);
        if (place == std::u32string::npos) {
            translated.append(text.substr(begin, at - begin));
        } else if (place < to.size()) {
            utf8::Append(translated, to[place]);
        }
    }
    scratch = std::move(translated);
    return scratch;
}

void Evaluator::IdFunction(const Expr& call, const Context& context, std::vector<NodeId>& nodes) {
    // The elements each token names: of the string, or of each node's
    // string value.
    auto find = [&](std::string_view value) {
        for (std::size_t i = 0; i < value.size();) {
            while (i < value.size() && IsXmlSpace(value[i]))
                ++i;
            const std::size_t start = i;
            while (i < value.size() && !IsXmlSpace(value[i]))
                ++i;
            if (i == start) break;
            if (!m_ids.Built()) m_work.visited += m_ids.Build(m_view.Tree());
            const NodeId element = m_ids.Find(value.substr(start, i - start));
            if (element != kNoNode) {
                nodes.push_back(element);
                ++m_work.held;
            }
        }
    };
    const ExprIndex argument = OperandsOf(call)[0].expr;
    std::string scratch;
    if (At(argument).type == ValueType::kNodeSet) {
        Each(argument, context, [&](NodeId node) {
            find(m_view.StringValue(node, scratch));
            return true;
        });
    } else {
        find(String(argument, context, scratch));
    }
    m_view.SortUnique(nodes);
}

}  // namespace engine::query
