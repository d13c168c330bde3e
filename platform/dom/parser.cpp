#include "parser.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include <flatdom/platform/crt.h>

#include "libxml2_errors.h"
#include "no_external.h"
#include "tree_shape.h"

namespace platform::dom {
namespace {

// Entities are replaced by their text (within libxml2's limits on expansion)
// and default attribute values come from the internal subset. Messages go to
// the context's structured handler alone (which newer libxml2 skips under
// XML_PARSE_NOERROR, so that option is not set).
constexpr int kOptions =
    XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET | XML_PARSE_COMPACT | XML_PARSE_BIG_LINES;
constexpr std::size_t kSourceContext = 200;  // bytes of source kept on each side

// The first error of the parse running on this thread, if any.
thread_local ParseError* t_firstError = nullptr;

// libxml2's reasons for the limits it keeps name the option that lifts them,
// which a host cannot set: say which limit the document reached instead.
struct LimitReason {
    const char* found;  // in libxml2's message
    const char* reason;
};
constexpr LimitReason kLimitReasons[] = {
    {"Excessive depth",
     "The document nests elements more than 256 levels deep, the most this engine reads.\n"},
    {"huge text node",
     "A text in the document is longer than the 10,000,000 bytes this engine "
     "reads in one piece.\n"},
    {"Huge input lookup",
     "A piece of markup in the document is longer than the 10,000,000 "
     "bytes this engine reads in one piece.\n"},
    {"Name too long",
     "A name in the document is longer than the 50,000 characters this engine "
     "reads.\n"},
    {"AttValue length too long",
     "An attribute value in the document is longer than the "
     "10,000,000 bytes this engine reads.\n"},
    {"entity value too long",
     "An entity value in the document is longer than the 10,000,000 "
     "bytes this engine reads.\n"},
    {"too deep, use XML_PARSE_HUGE",
     "An element declaration of the document nests more than "
     "128 levels deep, the most this engine reads.\n"},
};

std::string Reason(const char* message) {
    if (!message) return "The document could not be parsed.\n";
    for (const LimitReason& limit : kLimitReasons) {
        if (std::strstr(message, limit.found)) return limit.reason;
    }
    return message;
}

std::string SourceLine(xmlParserCtxtPtr context) {
    if (!context || !context->input || !context->input->base || !context->input->cur) return {};
    const xmlChar* base = context->input->base;
    const xmlChar* end = context->input->end ? context->input->end : context->input->cur;
    const xmlChar* cur = context->input->cur < end ? context->input->cur : end;
    const xmlChar* start = cur;
    while (start > base && start[-1] != '\n' && start[-1] != '\r' &&
           static_cast<std::size_t>(cur - start) < kSourceContext) {
        --start;
    }
    const xmlChar* stop = cur;
    while (stop < end && *stop != '\n' && *stop != '\r' &&
           static_cast<std::size_t>(stop - cur) < kSourceContext) {
        ++stop;
    }
    return std::string(reinterpret_cast<const char*>(start),
                       static_cast<std::size_t>(stop - start));
}

void CaptureError(void*, XmlError error) {
    ParseError* first = t_firstError;
    if (!first || !error || error->level < XML_ERR_ERROR || first->code != 0) return;
    first->code = E_FAIL;
    first->line = error->line;
    first->column = error->int2;
    first->reason = Reason(error->message);
    first->source = SourceLine(static_cast<xmlParserCtxtPtr>(error->ctxt));
}

// One parse: a fresh parser context that reports to CaptureError, reads
// nothing outside the document and keeps every message inside.
class Parse {
  public:
    Parse() {
        m_context = xmlNewParserCtxt();
        t_firstError = &m_outcome.error;
        if (m_context) {
            m_context->sax->serror = CaptureError;
            m_external.Install(m_context);
            m_blankText.Install(m_context);
        }
    }
    ~Parse() {
        t_firstError = nullptr;
        if (m_context) xmlFreeParserCtxt(m_context);
    }
    Parse(const Parse&) = delete;
    Parse& operator=(const Parse&) = delete;

    xmlParserCtxtPtr Context() const { return m_context; }

    // Judges what libxml2 returned: a document only when it is well formed,
    // namespaces included.
    ParseOutcome Finish(xmlDocPtr doc) {
        const bool ok = doc && m_context && m_context->wellFormed && m_context->nsWellFormed;
        if (ok) {
            try {
                ShapeParsedTree(doc);
            } catch (...) {
                xmlFreeDoc(doc);
                throw;
            }
            m_outcome.doc = doc;
            m_outcome.error = ParseError();
        } else {
            xmlFreeDoc(doc);
            if (m_outcome.error.code == 0) Fail("The document could not be parsed.\n");
        }
        return m_outcome;
    }
    ParseOutcome Fail(const char* reason) {
        if (m_outcome.error.code == 0) {
            m_outcome.error.code = E_FAIL;
            m_outcome.error.reason = reason;
        }
        return m_outcome;
    }

  private:
    QuietLibxml2 m_quiet;
    xmlParserCtxtPtr m_context = nullptr;
    ExternalRefusal m_external;
    BlankTextFilter m_blankText;
    ParseOutcome m_outcome;
};

struct StreamSource {
    ISequentialStream* stream;
    bool ended = false;
};

// Fills libxml2's buffer as far as the stream allows: the parser looks at
// what one read gave it, so a stream that hands out a few bytes at a time
// must not starve it (the XML declaration alone needs a handful).
int ReadStream(void* context, char* buffer, int length) {
    auto* source = static_cast<StreamSource*>(context);
    int total = 0;
    while (!source->ended && total < length) {
        const auto wanted = static_cast<ULONG>(length - total);
        ULONG got = 0;
        const HRESULT hr = source->stream->Read(buffer + total, wanted, &got);
        if (FAILED(hr) || got > wanted) return -1;
        if (hr == S_FALSE || got == 0) source->ended = true;
        total += static_cast<int>(got);
    }
    return total;
}

struct MemorySource {
    const char* at;
    std::size_t left;
};

int ReadMemory(void* context, char* buffer, int length) {
    auto* source = static_cast<MemorySource*>(context);
    const std::size_t size =
        std::min(source->left, static_cast<std::size_t>(length < 0 ? 0 : length));
    std::memcpy(buffer, source->at, size);
    source->at += size;
    source->left -= size;
    return static_cast<int>(size);
}

int ReadFile(void* context, char* buffer, int length) {
    if (length <= 0) return 0;
    auto* file = static_cast<std::FILE*>(context);
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(length), file);
    return got == 0 && std::ferror(file) ? -1 : static_cast<int>(got);
}

// The encoding named in the XML declaration at the start of text, if any.
std::string DeclaredEncoding(const std::string& text) {
    if (text.compare(0, 5, "<?xml") != 0) return {};
    const std::size_t end = text.find("?>");
    const std::size_t name = text.find("encoding", 5);
    if (end == std::string::npos || name == std::string::npos || name > end) return {};
    std::size_t i = name + 8;
    while (i < end && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n' ||
                       text[i] == '='))
        ++i;
    if (i >= end || (text[i] != '"' && text[i] != '\'')) return {};
    const std::size_t close = text.find(text[i], i + 1);
    if (close == std::string::npos || close > end) return {};
    return text.substr(i + 1, close - i - 1);
}

}  // namespace

ParseOutcome ParseStream(ISequentialStream* stream) {
    Parse parse;
    if (!parse.Context() || !stream) return parse.Fail("The document could not be read.\n");
    StreamSource source{stream};
    return parse.Finish(
        xmlCtxtReadIO(parse.Context(), ReadStream, nullptr, &source, nullptr, nullptr, kOptions));
}

ParseOutcome ParseFile(const wchar_t* path) {
    Parse parse;
    if (!parse.Context()) return parse.Fail("The document could not be read.\n");
    std::FILE* file = _wfopen(path, L"rbN");
    if (!file) return parse.Fail("The file could not be opened.\n");
    ParseOutcome outcome = parse.Finish(
        xmlCtxtReadIO(parse.Context(), ReadFile, nullptr, file, nullptr, nullptr, kOptions));
    std::fclose(file);
    return outcome;
}

ParseOutcome ParseText(const std::string& text) {
    Parse parse;
    if (!parse.Context()) return parse.Fail("The document could not be read.\n");
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return parse.Fail("The document is too large.\n");
    }
    // Read in pieces: libxml2 would copy text from memory whole, and free the
    // copy without wiping it.
    MemorySource source{text.data(), text.size()};
    xmlDocPtr doc = xmlCtxtReadIO(parse.Context(), ReadMemory, nullptr, &source, nullptr, "UTF-8",
                                  kOptions | XML_PARSE_IGNORE_ENC);
    if (doc) {
        // The document keeps the encoding it declared, not the one it was read in.
        xmlFree(const_cast<xmlChar*>(doc->encoding));
        const std::string declared = DeclaredEncoding(text);
        doc->encoding = declared.empty()
                            ? nullptr
                            : xmlStrdup(reinterpret_cast<const xmlChar*>(declared.c_str()));
    }
    return parse.Finish(doc);
}

ParseError NoInputError() {
    ParseError error;
    error.code = E_FAIL;
    error.reason = "The document received no input.\n";
    return error;
}

}  // namespace platform::dom
