#include "query_language.h"

#if defined(_WIN32)
#include <msxml2.h>  // IXMLDOMDocument2; the platform layer has it beside the others
#endif

namespace query_language {
namespace {

// {2933BF95-7B36-11D2-B20E-00C04F983E60}, the document's selection properties.
const IID kIXMLDOMDocument2 = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

#if defined(_WIN32)
// {2933BF90-7B36-11D2-B20E-00C04F983E60}, the document class the library uses.
const CLSID kDOMDocument = {
    0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// text as XML attribute text between double quotes; line ends and tabs as
// references, so that a string in the expression keeps them.
std::wstring Escaped(const std::wstring& text) {
    std::wstring escaped;
    for (const wchar_t c : text) {
        const wchar_t* reference = c == L'&'    ? L"&amp;"
                                   : c == L'<'  ? L"&lt;"
                                   : c == L'"'  ? L"&quot;"
                                   : c == L'\n' ? L"&#10;"
                                   : c == L'\r' ? L"&#13;"
                                   : c == L'\t' ? L"&#9;"
                                                : nullptr;
        if (reference) {
            escaped += reference;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// The value through XSLT: a stylesheet whose one template writes [VALUE]
// as text. The brackets tell a value of "" from a run that stopped at an
// error (Wine's engine then gives what it wrote so far). XSLT's namespace
// has a prefix of its own, which no -N is likely to bind.
bool TransformedValue(IXMLDOMNode* document, const std::wstring& expression,
                      const std::wstring& declarations, std::wstring& value) {
    // declarations are attributes already ("xmlns:p='urn:p'"); only & and <
    // need escaping in them.
    std::wstring namespaces;
    for (const wchar_t c : declarations)
        namespaces += c == L'&' ? L"&amp;" : c == L'<' ? L"&lt;" : std::wstring(1, c);
    const std::wstring stylesheet =
        L"<flatdom-xslt:stylesheet version='1.0' "
        L"xmlns:flatdom-xslt='http://www.w3.org/1999/XSL/Transform' " +
        namespaces +
        L"><flatdom-xslt:output method='text'/><flatdom-xslt:template match='/'>"
        L"<flatdom-xslt:text>[</flatdom-xslt:text><flatdom-xslt:value-of select=\"" +
        Escaped(expression) +
        L"\"/><flatdom-xslt:text>]</flatdom-xslt:text></flatdom-xslt:template>"
        L"</flatdom-xslt:stylesheet>";
    IXMLDOMDocument* sheet = nullptr;
    if (FAILED(CoCreateInstance(kDOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(&sheet))) ||
        !sheet) {
        return false;
    }
    BSTR text = SysAllocStringLen(stylesheet.data(), static_cast<UINT>(stylesheet.size()));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    BSTR result = nullptr;
    const bool ran = text && SUCCEEDED(sheet->loadXML(text, &loaded)) && loaded == VARIANT_TRUE &&
                     SUCCEEDED(document->transformNode(sheet, &result)) && result;
    const std::wstring written = ran ? std::wstring(result, SysStringLen(result)) : L"";
    SysFreeString(result);
    SysFreeString(text);
    sheet->Release();
    if (written.size() < 2 || written.front() != L'[' || written.back() != L']') return false;
    value = written.substr(1, written.size() - 2);
    return true;
}
#else
// The value from Linux's engine, whose document answers IFlatdomValueOf.
bool EngineValue(IXMLDOMNode* document, const std::wstring& expression, std::wstring& value) {
    IFlatdomValueOf* values = nullptr;
    if (FAILED(document->QueryInterface(IID_IFlatdomValueOf, reinterpret_cast<void**>(&values))) ||
        !values) {
        return false;
    }
    BSTR text = SysAllocStringLen(expression.data(), static_cast<UINT>(expression.size()));
    BSTR result = nullptr;
    const bool valued = text && SUCCEEDED(values->valueOf(text, &result)) && result;
    if (valued) value.assign(result, SysStringLen(result));
    SysFreeString(result);
    SysFreeString(text);
    values->Release();
    return valued;
}
#endif

bool SetProperty(IXMLDOMDocument2* document, const wchar_t* name, const std::wstring& value) {
    BSTR property = SysAllocString(name);
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    const bool set = property && text.bstrVal && SUCCEEDED(document->setProperty(property, text));
    SysFreeString(text.bstrVal);
    SysFreeString(property);
    return set;
}

}  // namespace

bool Declarations(const std::vector<std::wstring>& bindings, std::wstring& declarations,
                  std::wstring& error) {
    declarations.clear();
    for (const std::wstring& binding : bindings) {
        const std::size_t equals = binding.find(L'=');
        if (equals == 0 || equals == std::wstring::npos) {
            error = L"-N takes PREFIX=URI, not " + binding;
            return false;
        }
        const std::wstring uri = binding.substr(equals + 1);
        const bool apostrophe = uri.find(L'\'') != std::wstring::npos;
        if (apostrophe && uri.find(L'"') != std::wstring::npos) {
            error = L"-N " + binding + L": a namespace URI may hold ' or \", not both";
            return false;
        }
        const wchar_t quote = apostrophe ? L'"' : L'\'';
        if (!declarations.empty()) declarations += L' ';
        declarations += L"xmlns:" + binding.substr(0, equals) + L'=' + quote + uri + quote;
    }
    return true;
}

bool UseXPath(IXMLDOMNode* document, const std::wstring& declarations, std::wstring& why) {
    IXMLDOMDocument2* properties = nullptr;
    if (!document ||
        FAILED(
            document->QueryInterface(kIXMLDOMDocument2, reinterpret_cast<void**>(&properties))) ||
        !properties) {
        why = L"the XML engine offers no choice of query language";
        return false;
    }
    bool set = SetProperty(properties, L"SelectionLanguage", L"XPath");
    if (!set) {
        why = L"the XML engine does not take XPath";
    } else if (!declarations.empty() &&
               !SetProperty(properties, L"SelectionNamespaces", declarations)) {
        why = L"the XML engine refuses the prefixes of -N: " + declarations;
        set = false;
    }
    properties->Release();
    return set;
}

bool ValueOf(IXMLDOMNode* document, const std::wstring& expression,
             const std::wstring& declarations, std::wstring& value, std::wstring& why) {
    value.clear();
#if defined(_WIN32)
    const bool valued = document && TransformedValue(document, expression, declarations, value);
#else
    (void)declarations;  // the document holds them, as SelectionNamespaces
    const bool valued = document && EngineValue(document, expression, value);
#endif
    if (!valued) why = L"not a valid query: " + expression;
    return valued;
}

}  // namespace query_language
