// The XML declaration, comments, processing instructions, CDATA sections
// and references, for document_reader.h.
#include <strings.h>

#include <cstring>

#include "byte_classes.h"
#include "document_reader.h"

namespace engine::tree::reader {
namespace {

// The end of the name at q (q itself when there is none), and whether the
// window's end cut it.
const char* NameEnd(const char* q, const char* end, bool& cut) {
    cut = false;
    for (;;) {
        while (Is(*q, kNameByte))
            ++q;
        if (static_cast<unsigned char>(*q) < 0x80) {
            cut = q >= end;
            return q;
        }
        char32_t c = 0;
        const int length = DecodeAt(q, end, c);
        if (length < 0) cut = true;
        if (length <= 0 || !IsNameCode(c)) return q;
        q += length;
    }
}

int DigitOf(char c, int base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

DocumentReader::Step DocumentReader::Start(char*& p) {
    char* q = p;
    const char* const end = End();
    if (static_cast<unsigned char>(*q) == 0xEF) {
        // Text given as UTF-8 starts with no byte order mark: libxml2
        // refuses one there.
        if (m_declared) return Step::kOut;
        for (int k = 1; k < 3; ++k) {
            if (static_cast<unsigned char>(q[k]) != (k == 1 ? 0xBB : 0xBF))
                return q + k >= end ? Step::kMore : Step::kOut;
        }
        q += 3;
    }
    for (int k = 0; k < 6; ++k) {
        const bool match = k < 5 ? q[k] == "<?xml"[k] : Is(q[k], kSpaceByte);
        if (!match && q + k >= end) return Step::kMore;
        if (!match) {
            p = q;  // no XML declaration
            return Step::kDone;
        }
    }
    p = q;
    return XmlDeclaration(p);
}

DocumentReader::Step DocumentReader::XmlDeclaration(char*& p) {
    const char* q = p + 5;
    const char* const end = End();
    Step step = Step::kDone;
    // Each part answers false where the declaration is no longer one,
    // with step kMore when the window's end came first.
    const auto fail = [&] {
        step = q >= end ? Step::kMore : Step::kOut;
        return false;
    };
    const auto spaces = [&] {
        const char* const from = q;
        while (Is(*q, kSpaceByte))
            ++q;
        return q != from;
    };
    const auto literal = [&](const char* word) {
        for (; *word; ++word, ++q) {
            if (*q != *word) return fail();
        }
        return true;
    };
    // Eq and the opening quote: the quote.
    const auto open = [&](char& quote) {
        spaces();
        if (*q != '=') return fail();
        ++q;
        spaces();
        quote = *q;
        if (quote != '"' && quote != '\'') return fail();
        ++q;
        return true;
    };
    const auto close = [&](char quote) {
        if (*q != quote) return fail();
        ++q;
        return true;
    };
    char quote = 0;
    spaces();
    if (!literal("version") || !open(quote) || !literal("1.0") || !close(quote)) return step;
    bool spaced = spaces();
    if (spaced && *q == 'e') {
        if (!literal("encoding") || !open(quote)) return step;
        const char* const name = q;
        const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
        if (!letter(*q)) {
            fail();
            return step;
        }
        while (letter(*q) || (*q >= '0' && *q <= '9') || *q == '.' || *q == '_' || *q == '-')
            ++q;
        m_encoding.assign(name, static_cast<std::size_t>(q - name));
        if (!close(quote)) return step;
        // Bytes are the reader's only in UTF-8, which libxml2 reads as it
        // stands under these two names.
        if (!m_declared && strcasecmp(m_encoding.c_str(), "UTF-8") != 0 &&
            strcasecmp(m_encoding.c_str(), "UTF8") != 0) {
            return Step::kOut;
        }
        spaced = spaces();
    }
    if (spaced && *q == 's') {
        if (!literal("standalone") || !open(quote)) return step;
        m_standalone = *q == 'y' ? 1 : 0;
        if (!literal(m_standalone ? "yes" : "no") || !close(quote)) return step;
        spaces();
    }
    if (!literal("?>")) return step;
    p = const_cast<char*>(q);
    m_declaration = true;
    return m_builder.Declaration() ? Step::kDone : Step::kOut;
}

DocumentReader::Step DocumentReader::Comment(char*& p) {
    const char* const end = End();
    if (p[3] != '-') return p + 3 >= end ? Step::kMore : Step::kOut;
    char* const text = p + 4;
    char* q = text;
    bool lines = false;
    for (;;) {
        while (Is(*q, kCommentByte))
            ++q;
        const char c = *q;
        if (c == '-') {
            // "--" only before the end.
            if (q[1] == '-') {
                if (q[2] == '>') break;
                return q + 2 >= end ? Step::kMore : Step::kOut;
            }
            if (q + 1 >= end) return Step::kMore;
            ++q;
        } else if (c == '\r') {
            lines = true;
            ++q;
        } else if (const Step step = PassCharacter(q, end); step != Step::kDone) {
            return step;
        }
    }
    char* const textEnd = lines ? JoinLines(text, q) : q;
    p = q + 3;
    return m_builder.Comment({text, static_cast<std::size_t>(textEnd - text)}) ? Step::kDone
                                                                               : Step::kOut;
}

DocumentReader::Step DocumentReader::Instruction(char*& p) {
    const char* const end = End();
    const char* const target = p + 2;
    bool cut = false;
    const char* q = NameEnd(target, end, cut);
    if (cut) return Step::kMore;
    const std::string_view name(target, static_cast<std::size_t>(q - target));
    // A name without a colon (Namespaces), and no "xml" in any case.
    if (name.empty() || name.find(':') != std::string_view::npos ||
        !(Is(name[0], kNameStartByte) || static_cast<unsigned char>(name[0]) >= 0x80) ||
        (name.size() == 3 && strncasecmp(target, "xml", 3) == 0)) {
        return Step::kOut;
    }
    if (static_cast<unsigned char>(name[0]) >= 0x80) {
        char32_t c = 0;
        DecodeAt(target, end, c);
        if (!IsNameStartCode(c)) return Step::kOut;
    }
    if (q[0] == '?' && q[1] == '>') {
        p = const_cast<char*>(q + 2);
        return m_builder.ProcessingInstruction(name, {}, false) ? Step::kDone : Step::kOut;
    }
    if (!Is(*q, kSpaceByte)) return q + 1 >= end ? Step::kMore : Step::kOut;
    while (Is(*q, kSpaceByte))
        ++q;
    char* const data = const_cast<char*>(q);
    bool lines = false;
    for (;;) {
        while (Is(*q, kInstructionByte))
            ++q;
        const char c = *q;
        if (c == '?' && q[1] == '>') break;
        if (c == '?' || c == ']') {
            ++q;
        } else if (c == '\r') {
            lines = true;
            ++q;
        } else if (const Step step = PassCharacter(q, end); step != Step::kDone) {
            return step;
        }
    }
    char* const dataEnd = lines ? JoinLines(data, const_cast<char*>(q)) : const_cast<char*>(q);
    p = const_cast<char*>(q + 2);
    return m_builder.ProcessingInstruction(name, {data, static_cast<std::size_t>(dataEnd - data)})
               ? Step::kDone
               : Step::kOut;
}

// The section's text up to "]]>", given to the builder a piece at a time.
DocumentReader::Step DocumentReader::Cdata(char*& p) {
    const char* const end = End();
    char* const start = p;
    char* q = p;
    bool lines = false;
    Step step = Step::kMore;
    for (;;) {
        while (Is(*q, kInstructionByte))
            ++q;
        const char c = *q;
        if (c == ']' && q[1] == ']' && q[2] == '>') {
            step = Step::kDone;
            break;
        }
        if (c == ']' || c == '?') {
            if (c == ']' && q + 2 >= end) break;
            ++q;
        } else if (c == '\r') {
            if (q + 1 >= end) break;
            lines = true;
            ++q;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            char32_t character = 0;
            const int length = DecodeAt(q, end, character);
            if (length < 0) break;
            if (length == 0) return Step::kOut;
            q += length;
        } else if (q >= end) {
            break;
        } else {
            return Step::kOut;
        }
    }
    char* const textEnd = lines ? JoinLines(start, q) : q;
    p = step == Step::kDone ? q + 3 : q;
    if (step == Step::kDone) m_place = Place::kContent;
    if (textEnd == start) return step;
    return m_builder.Cdata({start, static_cast<std::size_t>(textEnd - start)}) ? step : Step::kOut;
}

DocumentReader::Step DocumentReader::Reference(const char* p, char32_t& c,
                                               const char*& after) const {
    const char* const end = End();
    const char* q = p + 1;
    if (*q == '#') {
        ++q;
        int base = 10;
        if (*q == 'x') {
            base = 16;
            ++q;
        }
        const char* const digits = q;
        std::uint64_t value = 0;
        for (int digit; (digit = DigitOf(*q, base)) >= 0; ++q) {
            if (q - digits == 8) return Step::kOut;  // leading zeros, or no character
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        }
        if (q == digits || *q != ';') return q >= end ? Step::kMore : Step::kOut;
        const auto code = static_cast<char32_t>(value);
        if (!IsXmlCharCode(code)) return Step::kOut;
        c = code;
        after = q + 1;
        return Step::kDone;
    }
    const char* const name = q;
    while (Is(*q, kNameByte) && q - name < 4)
        ++q;
    if (*q != ';') return q >= end ? Step::kMore : Step::kOut;
    const std::string_view written(name, static_cast<std::size_t>(q - name));
    constexpr struct {
        std::string_view name;
        char c;
    } kPredefined[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
    for (const auto& entity : kPredefined) {
        if (written == entity.name) {
            c = static_cast<unsigned char>(entity.c);
            after = q + 1;
            return Step::kDone;
        }
    }
    return Step::kOut;  // an entity that a DTD would declare
}

bool DocumentReader::DecodeValue(char* begin, char*& end) const {
    char* w = begin;
    const char* q = begin;
    while (q < end) {
        const char c = *q;
        if (c == '&') {
            char32_t character = 0;
            const char* after = nullptr;
            if (Reference(q, character, after) != Step::kDone) return false;
            w += Encode(character, w);
            q = after;
        } else if (c == '\t' || c == '\n' || c == '\r') {
            *w++ = ' ';
            q += c == '\r' && q + 1 < end && q[1] == '\n' ? 2 : 1;
        } else {
            *w++ = *q++;
        }
    }
    end = w;
    return true;
}

char* DocumentReader::JoinLines(char* begin, char* end) {
    char* w = static_cast<char*>(std::memchr(begin, '\r', static_cast<std::size_t>(end - begin)));
    if (!w) return end;
    for (const char* q = w; q < end; ++q) {
        if (*q != '\r') {
            *w++ = *q;
        } else {
            *w++ = '\n';
            if (q + 1 < end && q[1] == '\n') ++q;
        }
    }
    return w;
}

}  // namespace engine::tree::reader
