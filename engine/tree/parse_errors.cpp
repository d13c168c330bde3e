#include "parse_errors.h"

#include <libxml/parser.h>

#include <cstring>

#include "libxml2_strings.h"

namespace engine::tree {
namespace {

constexpr std::size_t kSourceContext = 200;  // bytes of source kept on each side

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
    {"Comment too big",
     "A comment in the document is longer than the 10,000,000 bytes this engine reads.\n"},
    {"CData section too big",
     "A CDATA section in the document is longer than the 10,000,000 bytes this engine "
     "reads.\n"},
    {" too big found",
     "A processing instruction in the document is longer than the 10,000,000 bytes this "
     "engine reads.\n"},
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
    return std::string(Chars(start), static_cast<std::size_t>(stop - start));
}

}  // namespace

ParseError ErrorOf(XmlError error) {
    ParseError result;
    result.failed = true;
    result.line = error->line;
    result.column = error->int2;
    result.reason = Reason(error->message);
    result.source = SourceLine(static_cast<xmlParserCtxtPtr>(error->ctxt));
    return result;
}

}  // namespace engine::tree
