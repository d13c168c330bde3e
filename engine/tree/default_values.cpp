#include "default_values.h"

#include <libxml/entities.h>

#include <common/utf8.h>

#include "libxml2_strings.h"
#include "xml_chars.h"

namespace engine::tree {
namespace {

// The character reference text starts with ("&#10;", "&#xA;"): its value, 0
// for none, and its length.
std::uint32_t CharacterReference(std::string_view text, std::size_t& length) {
    if (text.size() < 4 || text[0] != '&' || text[1] != '#') return 0;
    const bool hex = text[2] == 'x';
    std::size_t i = hex ? 3 : 2;
    const std::size_t first = i;
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] != ';'; ++i) {
        const char c = text[i];
        std::uint32_t digit;
        if (IsAsciiDigit(c)) {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        } else {
            return 0;
        }
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0x10FFFF) return 0;
    }
    if (i == first || i == text.size()) return 0;
    length = i + 1;
    return value;
}

std::string_view Content(const xmlEntity* entity) {
    return View(entity->content);
}

// Runs of spaces made one, none left at either end.
void Normalize(std::string& value) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == ' ' && (kept == 0 || value[kept - 1] == ' ')) continue;
        value[kept++] = value[i];
    }
    if (kept > 0 && value[kept - 1] == ' ') --kept;
    value.resize(kept);
}

}  // namespace

xmlEntityPtr DefaultValues::Entity(std::string_view text, std::size_t& length) {
    const std::size_t end = text.find(';');
    if (end == std::string_view::npos || end < 2) {
        length = 1;
        return nullptr;
    }
    length = end + 1;
    m_name.assign(text.substr(1, end - 1));
    return xmlGetDocEntity(m_doc, reinterpret_cast<const xmlChar*>(m_name.c_str()));
}

bool DefaultValues::ContentCost(const xmlEntity* entity, int depth, std::uint64_t& cost) {
    const auto known = m_costs.find(entity);
    if (known != m_costs.end()) {
        cost = known->second;
        return true;
    }
    if (depth > kMaxEntityNesting) return false;
    const std::string_view content = Content(entity);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < content.size();) {
        std::size_t length = 1;
        if (content[i] != '&') {
            ++total;
        } else if (const std::uint32_t c = CharacterReference(content.substr(i), length)) {
            total += utf8::EncodedSize(c);
        } else if (const xmlEntity* inner = Entity(content.substr(i), length)) {
            std::uint64_t innerCost = length;
            if (inner->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
                innerCost = 1;
            } else if (inner->content && !ContentCost(inner, depth + 1, innerCost)) {
                return false;
            }
            total += 1 + innerCost;
        }
        i += length;
    }
    m_costs.emplace(entity, total);
    cost = total;
    return true;
}

bool DefaultValues::AppendContent(std::string_view content, int depth, std::string& value) {
    if (depth > kMaxEntityNesting) return false;
    for (std::size_t i = 0; i < content.size();) {
        std::size_t length = 1;
        if (content[i] != '&') {
            value += content[i];
        } else if (const std::uint32_t c = CharacterReference(content.substr(i), length)) {
            utf8::Append(value, c);
        } else if (const xmlEntity* inner = Entity(content.substr(i), length)) {
            if (inner->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
                value += Content(inner).substr(0, 1);
            } else if (inner->content) {
                if (!AppendContent(Content(inner), depth + 1, value)) return false;
            } else {
                value += content.substr(i, length);
            }
        }
        i += length;
    }
    return true;
}

bool DefaultValues::Cost(std::string_view kept, std::uint64_t& cost) {
    cost = 0;
    for (std::size_t i = 0; i < kept.size();) {
        std::size_t length = 1;
        if (kept[i] != '&') {
            ++cost;
        } else if (const std::uint32_t c = CharacterReference(kept.substr(i), length)) {
            cost += utf8::EncodedSize(c);
        } else if (const xmlEntity* entity = Entity(kept.substr(i), length)) {
            std::uint64_t entityCost = 0;
            if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
                entityCost = 1;
            } else if (entity->content && !ContentCost(entity, 1, entityCost)) {
                return false;
            }
            cost += 1 + entityCost;
        }
        i += length;
    }
    return true;
}

bool DefaultValues::Value(std::string_view kept, bool normalize, std::string& value) {
    value.clear();
    for (std::size_t i = 0; i < kept.size();) {
        std::size_t length = 1;
        if (kept[i] != '&') {
            value += kept[i];
        } else if (const std::uint32_t c = CharacterReference(kept.substr(i), length)) {
            utf8::Append(value, c);
        } else if (const xmlEntity* entity = Entity(kept.substr(i), length)) {
            // libxml2 gives nothing for an entity without text (an external
            // one, which an attribute value may not name).
            const std::size_t start = value.size();
            if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
                value += Content(entity).substr(0, 1);
            } else if (entity->content && !AppendContent(Content(entity), 1, value)) {
                return false;
            }
            for (std::size_t j = start; j < value.size(); ++j) {
                if (IsXmlSpace(value[j])) value[j] = ' ';
            }
        }
        i += length;
    }
    if (normalize) Normalize(value);
    return true;
}

}  // namespace engine::tree
