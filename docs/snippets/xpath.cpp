// The API reference's XPath snippet as a program: loads a catalogue, switches
// its document to XPath 1.0 with a prefix bound, and prints the names of the
// items in stock. make check runs it under valgrind: what it allocates, it
// frees.
//
//   xpath examples/catalogue.xml
#include <flatdom/flatdom.h>
#if defined(_WIN32)
#include <msxml2.h>  // IXMLDOMDocument2 (on Linux, flatdom.h declares it)
#endif

#include <clocale>
#include <cstdio>
#include <string>

/// [xpath]
// Sets one of the document's selection properties to text.
bool SetProperty(IXMLDOMDocument2* document, const wchar_t* name, const wchar_t* text) {
    BSTR property = SysAllocString(name);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    const bool set = property && value.bstrVal && SUCCEEDED(document->setProperty(property, value));
    VariantClear(&value);  // frees value.bstrVal
    SysFreeString(property);
    return set;
}

// Switches the loaded document to XPath 1.0, with the prefixes that
// namespaces binds ("xmlns:c='urn:example:catalogue'").
bool UseXPath(const wchar_t* namespaces) {
    IXMLDOMNode* root = SelectXmlRootNode(L"/");  // the document node, the library's
    IXMLDOMDocument2* document = nullptr;
    if (!root ||
        FAILED(root->QueryInterface(IID_IXMLDOMDocument2, reinterpret_cast<void**>(&document)))) {
        return false;
    }
    const bool set = SetProperty(document, L"SelectionLanguage", L"XPath") &&
                     SetProperty(document, L"SelectionNamespaces", namespaces);
    document->Release();  // the reference QueryInterface added is the host's
    return set;
}
/// [xpath]

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xpath CATALOGUE.xml\n");
        return 2;
    }
    std::setlocale(LC_ALL, "");  // names are printed in the user's character set
    const std::string narrow = argv[1];
    const std::wstring path(narrow.begin(), narrow.end());  // ASCII paths
    int status = 1;
    if (LoadXmlDocument(path.c_str()) && UseXPath(L"xmlns:c='urn:example:catalogue'")) {
        /// [select]
        IXMLDOMNodeList* names =
            SelectXmlNodes(SelectXmlRootNode(L"/"), L"//c:item[c:stock > 0]/c:name");
        for (long i = 0; IXMLDOMNode* name = SelectXmlNodeFromList(names, i); ++i)
            std::printf("%ls\n", GetXmlText(name));  // Desk lamp, Café table
        /// [select]
        status = 0;
    }
    ReleaseNodeInterfaces();
    return status;
}
