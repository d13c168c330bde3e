#include "document_reader.h"

#include <cstring>

#include "byte_classes.h"
#include "byte_runs.h"
#include "engine/tree/prolog_text.h"

namespace engine::tree::reader {

DocumentReader::DocumentReader(ByteSource& source, TreeBuilder& builder,
                               const std::string* declared, std::size_t window)
    : m_in(source, window), m_builder(builder), m_names(builder), m_declared(declared) {}

bool DocumentReader::Read() {
    char* p = nullptr;
    bool started = false;
    for (;;) {
        Step step;
        if (!started) {
            step = p ? Start(p) : Step::kMore;
            started = step == Step::kDone;
        } else if (m_place == Place::kContent) {
            step = Content(p);
        } else if (m_place == Place::kCdata) {
            step = Cdata(p);
        } else {
            step = Misc(p);
        }
        if (step == Step::kDone) continue;
        if (step == Step::kOut) return false;
        const InputWindow::Fill fill = m_in.Refill(p);
        if (fill == InputWindow::Fill::kMore) {
            m_builder.Read(m_in.LastRead());
            continue;
        }
        // Only the white space after the root element may run to the end.
        if (fill != InputWindow::Fill::kEnded || m_place != Place::kEpilog || p != End())
            return false;
        return Finish();
    }
}

bool DocumentReader::Finish() {
    const std::string& encoding = m_declared ? *m_declared : m_encoding;
    if (!m_builder.Finish()) return false;
    if (m_declaration &&
        !m_builder.DeclarationText(DeclarationText("1.0", encoding, m_standalone))) {
        return false;
    }
    m_builder.EncodingNamed(!encoding.empty());
    return true;
}

// Outside the root element: white space, comments and processing
// instructions; before it, the root's start tag ends the prolog.
DocumentReader::Step DocumentReader::Misc(char*& p) {
    char* q = p;
    while (Is(*q, kSpaceByte))
        ++q;
    m_blanks += static_cast<std::size_t>(q - p);
    p = q;
    if (m_blanks > kLongestPiece) return Step::kOut;
    if (q >= End()) return Step::kMore;
    if (*q != '<') return Step::kOut;
    m_blanks = 0;
    if (q[1] == '?') return Instruction(p);
    if (q[1] == '!') {
        if (q[2] == '-') return Comment(p);
        return q + 2 >= End() ? Step::kMore : Step::kOut;  // a DOCTYPE, or no markup
    }
    if (q + 1 >= End()) return Step::kMore;
    if (m_place == Place::kEpilog) return Step::kOut;
    const Step step = StartTag(p);  // the root element's
    if (step == Step::kDone && m_depth > 0) m_place = Place::kContent;
    return step;
}

// Pieces of the root element's content, one after the other, until one
// needs more of the document, or the root element ends.
DocumentReader::Step DocumentReader::Content(char*& p) {
    for (;;) {
        Step step;
        if (*p != '<') {
            if (p >= End()) return Step::kMore;
            step = Text(p);
        } else {
            m_inText = false;  // the builder settles it at the markup
            switch (p[1]) {
                case '/':
                    step = EndTag(p);
                    if (step == Step::kDone && m_depth == 0) return step;
                    break;
                case '?':
                    step = Instruction(p);
                    break;
                case '!':
                    if (p[2] == '-') {
                        step = Comment(p);
                    } else if (p[2] != '[') {
                        step = p + 2 >= End() ? Step::kMore : Step::kOut;
                    } else {
                        return CdataStart(p);
                    }
                    break;
                case '\0':
                    return p + 1 >= End() ? Step::kMore : Step::kOut;
                default:
                    step = StartTag(p);
            }
        }
        if (step != Step::kDone) return step;
    }
}

DocumentReader::Step DocumentReader::CdataStart(char*& p) {
    for (int k = 3; k < 9; ++k) {
        if (p[k] != "<![CDATA["[k]) return p + k >= End() ? Step::kMore : Step::kOut;
    }
    p += 9;
    m_place = Place::kCdata;
    return m_builder.Cdata({}) ? Step::kDone : Step::kOut;
}

// Character data up to the next markup. In the buffer's own bytes, so that
// most of it goes to the builder as it stands; references and line ends are
// made what they stand for in place, the text behind them moved up.
DocumentReader::Step DocumentReader::Text(char*& p) {
    char* const start = p;
    // White space alone, the most common text between markup, is told as
    // such.
    char* q = SkipBlanks(p);
    if (*q == '<' && !m_inText) {
        p = q;
        return m_builder.Blank({start, static_cast<std::size_t>(q - start)}) ? Step::kDone
                                                                             : Step::kOut;
    }
    char* w = nullptr;  // where the text goes once some was made shorter
    const char* const end = End();
    Step step = Step::kDone;
    for (;;) {
        char* const run = q;
        q = SkipText(q);
        if (w) {
            std::memmove(w, run, static_cast<std::size_t>(q - run));
            w += q - run;
        }
        const char c = *q;
        if (c == '<') break;
        if (c == '&') {
            char32_t character = 0;
            const char* after = nullptr;
            step = Reference(q, character, after);
            if (step != Step::kDone) break;
            if (!w) w = q;
            w += Encode(character, w);
            q = const_cast<char*>(after);
        } else if (c == '\r') {
            if (q + 1 >= end) {
                step = Step::kMore;
                break;
            }
            if (!w) w = q;
            *w++ = '\n';
            q += q[1] == '\n' ? 2 : 1;
        } else if (c == ']') {
            // "]]>" ends no CDATA section here: XML forbids it in text.
            if (q[1] == ']' && q[2] == '>') return Step::kOut;
            if (q + 2 >= end) {
                step = Step::kMore;
                break;
            }
            if (w) *w++ = c;
            ++q;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            char32_t character = 0;
            const int length = DecodeAt(q, end, character);
            if (length <= 0) {
                step = length < 0 ? Step::kMore : Step::kOut;
                break;
            }
            if (w) {
                std::memmove(w, q, static_cast<std::size_t>(length));
                w += length;
            }
            q += length;
        } else {
            step = q >= end ? Step::kMore : Step::kOut;  // the end, or a control character
            break;
        }
    }
    if (step == Step::kOut) return step;
    const std::string_view text(start, static_cast<std::size_t>((w ? w : q) - start));
    p = q;
    if (step == Step::kMore || m_inText) {
        // In pieces: the builder holds them until the markup.
        m_inText = step == Step::kMore;
        return m_builder.Characters(text) ? step : Step::kOut;
    }
    return m_builder.Text(text) ? Step::kDone : Step::kOut;
}

DocumentReader::Step DocumentReader::EndTag(char*& p) {
    const QualifiedName& name = *m_open[m_depth - 1].name;
    const std::size_t length = name.key.length;
    const char* q = p + 2;
    const auto available = static_cast<std::size_t>(End() - q);
    if (available <= length) {
        return std::memcmp(q, name.text.data(), available) == 0 ? Step::kMore : Step::kOut;
    }
    if (!(KeyOf(q, length) == name.key) ||
        (length > kKeyedLength && std::memcmp(q, name.text.data(), length) != 0)) {
        return Step::kOut;
    }
    q += length;
    while (Is(*q, kSpaceByte))
        ++q;
    if (*q != '>') return q >= End() ? Step::kMore : Step::kOut;
    p = const_cast<char*>(q + 1);
    m_names.Undo(m_open[--m_depth].declarations);
    if (m_depth == 0) m_place = Place::kEpilog;
    return m_builder.EndElement() ? Step::kDone : Step::kOut;
}

}  // namespace engine::tree::reader
