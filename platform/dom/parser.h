// Parsing with safe defaults: no network, no external entity or DTD is ever
// read, internal entities are expanded under libxml2's expansion limits, and
// default attribute values come from the internal subset. Errors are
// captured, never printed: the first error of a failed parse is what the
// parse error object reports.
#ifndef FLATDOM_PLATFORM_DOM_PARSER_H
#define FLATDOM_PLATFORM_DOM_PARSER_H

#include <flatdom/platform/objidl.h>
#include <libxml/tree.h>

#include <string>

namespace platform::dom {

struct ParseError {
    long code = 0;       // 0 for no error, E_FAIL for a failed load
    long line = 0;       // 1-based; 0 when there is no position
    long column = 0;     // 1-based; 0 when there is no position
    std::string reason;  // UTF-8
    std::string source;  // UTF-8, the source line around the error
};

struct ParseOutcome {
    xmlDocPtr doc = nullptr;  // null when the input did not parse
    ParseError error;
};

// Reads the stream with Read until it answers S_FALSE or 0 bytes, chunk by
// chunk, never holding the whole input.
ParseOutcome ParseStream(ISequentialStream* stream);
// A local file.
ParseOutcome ParseFile(const wchar_t* path);
// UTF-8 text in memory; a declared encoding is ignored.
ParseOutcome ParseText(const std::string& text);

// What a document reports before it received any input.
ParseError NoInputError();

}  // namespace platform::dom

#endif
