// Arbitrary query text against a fixed document, through every selection.
#include <string>

#include "fuzz_support.h"

namespace {

const char kDocument[] =
    "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY e 'entity'>]>"
    "<r xmlns:p='urn:p' a='1'><p:x b='2'>t&e;<![CDATA[c]]><!--k--><?pi d?></p:x>"
    "<y><z>0x1F</z><z>3.5</z></y><p:x/></r>";

// The bytes as wide text, one character each, so that every code unit shows up.
std::wstring Query(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i < size; ++i)
        text += static_cast<wchar_t>(data[i]);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::wstring path =
        fuzz::ScratchFile(reinterpret_cast<const std::uint8_t*>(kDocument), sizeof kDocument - 1);
    const std::wstring query = Query(data, size);
    if (!LoadXmlDocument(path.c_str())) __builtin_trap();
    fuzz::ReadAll(SelectXmlRootNode(query.c_str()));
    IXMLDOMNode* root = SelectXmlRootNode(L"r");
    fuzz::ReadAll(SelectXmlNode(root, query.c_str()));
    IXMLDOMNodeList* list = SelectXmlNodes(root, query.c_str());
    for (long i = 0; i < 16; ++i) {
        IXMLDOMNode* node = SelectXmlNodeFromList(list, i);
        if (!node) break;
        fuzz::ReadAll(node);
        fuzz::ReadAll(SelectXmlNode(node, query.c_str()));
    }
    ReleaseNodeInterfaces();
    return 0;
}
