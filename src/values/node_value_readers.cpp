// A node's text as a string, a name, or a number.
#include <cstdlib>
#include <cwchar>

#include "nodes/registries.h"
#include "values/string_bridging.h"

namespace flatdom {
namespace {

// The text copy of the node's get_text, which the caller frees; null for a
// null node or when the engine gives no text.
wchar_t* CopyXmlText(IXMLDOMNode* node) {
    BSTR bstrTmp = nullptr;
    if (node) node->get_text(&bstrTmp);
    wchar_t* copy = CopyBSTR(bstrTmp);
    SysFreeString(bstrTmp);
    return copy;
}

// Hands a copy to the string registry, which frees it at the final release;
// a copy that cannot be recorded is freed now and null returned.
wchar_t* Recorded(wchar_t* copy) {
    if (copy && !g_StringRegistry.Add(copy)) {
        std::free(copy);
        return nullptr;
    }
    return copy;
}

bool HasHexPrefix(const wchar_t* text) {
    return text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
}

// Reads the node's text with read; 0 when there is no text.
template <class Read>
long ReadNumber(IXMLDOMNode* node, Read read) {
    if (!node) return 0;
    wchar_t* text = CopyXmlText(node);
    if (!text) return 0;
    const long result = read(text);
    std::free(text);
    return result;
}

}  // namespace
}  // namespace flatdom

wchar_t* GetXmlText(IXMLDOMNode* node) {
    return flatdom::NoThrow<wchar_t*>(
        nullptr, [&] { return flatdom::Recorded(flatdom::CopyXmlText(node)); });
}

wchar_t* GetBaseNodeName(IXMLDOMNode* node) {
    if (!node) return nullptr;
    return flatdom::NoThrow<wchar_t*>(nullptr, [&] {
        BSTR buffer = nullptr;
        node->get_baseName(&buffer);
        wchar_t* copy = flatdom::CopyBSTR(buffer);
        SysFreeString(buffer);
        return flatdom::Recorded(copy);
    });
}

long GetXmlNumber_Hex_or_Dec(IXMLDOMNode* node) {
    return flatdom::NoThrow(0L, [&] {
        return flatdom::ReadNumber(node, [](const wchar_t* text) -> long {
            return flatdom::HasHexPrefix(text) ? HexStringToInt(text + 2) : _wtoi(text);
        });
    });
}

long GetXmlHexNumber(IXMLDOMNode* node) {
    return flatdom::NoThrow(0L, [&] {
        return flatdom::ReadNumber(node, [](const wchar_t* text) -> long {
            return HexStringToInt(flatdom::HasHexPrefix(text) ? text + 2 : text);
        });
    });
}

long GetXmlNumber(IXMLDOMNode* node) {
    return GetXmlNumber_Hex_or_Dec(node);
}

double GetXmlFloat(IXMLDOMNode* node) {
    if (!node) return 0.0;
    return flatdom::NoThrow(0.0, [&] {
        wchar_t* text = flatdom::CopyXmlText(node);
        if (!text) return 0.0;
        wchar_t* stopstring = nullptr;
        const double result = std::wcstod(text, &stopstring);
        std::free(text);
        return result;
    });
}
