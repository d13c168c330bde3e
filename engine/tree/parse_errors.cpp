#include "parse_errors.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <cstring>

#include "libxml2_strings.h"
#include "limits.h"

namespace engine::tree {
namespace {

constexpr std::size_t kSourceContext = 200;  // bytes of source kept on each side

// libxml2's reasons for the limits it keeps name the option that lifts them,
// which a host cannot set: say which limit the document reached instead.
static_assert(kMaxTextLength == XML_MAX_TEXT_LENGTH && kMaxLookahead == XML_MAX_LOOKUP_LIMIT &&
                  kMaxNameLength == XML_MAX_NAME_LENGTH,
              "the limits are libxml2's own");
struct LimitReason {
    const char* found;  // in libxml2's message
    const char* reason;
};
constexpr LimitReason kLimitReasons[] = {
    {"Excessive depth", kTooDeep},
    {"huge text node", kTextTooLong},
    {"Huge input lookup", kMarkupTooLong},
    {"Name too long", kNameTooLong},
    {"AttValue length too long", kAttributeValueTooLong},
    {"entity value too long", kEntityValueTooLong},
    {"Comment too big", kCommentTooLong},
    {"CData section too big", kCdataTooLong},
    {" too big found", kProcessingInstructionTooLong},
    {"too deep, use XML_PARSE_HUGE", kDeclarationTooDeep},
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
