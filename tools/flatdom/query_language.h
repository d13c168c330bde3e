// The document's query language, as a host of the engine sets it: XPath 1.0
// through the document's "SelectionLanguage" property, prefixes bound through
// "SelectionNamespaces". Without it the engine reads its default language,
// the Windows XML engine's patterns.
#ifndef FLATDOM_TOOLS_QUERY_LANGUAGE_H
#define FLATDOM_TOOLS_QUERY_LANGUAGE_H

#include <flatdom/flatdom.h>

#include <string>
#include <vector>

namespace query_language {

// The "SelectionNamespaces" value for bindings written PREFIX=URI, as -N
// takes them: "xmlns:p='urn:p' xmlns:q='urn:q'". False, with the reason in
// error, for a binding without a prefix or an "=", or a URI that holds both
// kinds of quote (the value has no escape for them).
bool Declarations(const std::vector<std::wstring>& bindings, std::wstring& declarations,
                  std::wstring& error);

// Switches document (the document node) to XPath 1.0 and binds the prefixes
// that declarations name. False, with the reason in why, where the engine
// refuses either.
bool UseXPath(IXMLDOMNode* document, const std::wstring& declarations, std::wstring& why);

// The value of an XPath 1.0 expression from document (the document node),
// as text: a number, a string or a boolean as XPath writes it, a node-set as
// its first node's string value. Prefixes are those declarations binds. On
// Linux the engine gives it (IFlatdomValueOf); on Windows the system's
// engine runs an XSLT stylesheet of one xsl:value-of. False, with why, for
// an expression that is not valid or cannot run there.
bool ValueOf(IXMLDOMNode* document, const std::wstring& expression,
             const std::wstring& declarations, std::wstring& value, std::wstring& why);

}  // namespace query_language

#endif
