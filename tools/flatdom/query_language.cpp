#include "query_language.h"

#if defined(_WIN32)
#include <msxml2.h>  // IXMLDOMDocument2; the platform layer has it beside the others
#endif

namespace query_language {
namespace {

// {2933BF95-7B36-11D2-B20E-00C04F983E60}, the document's selection properties.
const IID kIXMLDOMDocument2 = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

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

}  // namespace query_language
