// A small host of flatdom: load a configuration, walk its devices, read text
// and numbers, give everything back.
//
//   host examples/config.xml
#include <flatdom/flatdom.h>
#include <sealwright/sealwright.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: host CONFIG.xml\n");
        return 2;
    }
    const std::string narrow = argv[1];
    const std::wstring path(narrow.begin(), narrow.end());  // ASCII paths, to keep it short

    if (!LoadXmlDocument(path.c_str())) {  // a file that does not parse has been reported
        // A sealed file that did not open: Sealwright knows why.
        if (IsEncrypted(path.c_str())) std::fprintf(stderr, "host: %s\n", SealwrightLastFailure());
        ReleaseNodeInterfaces();
        return 1;
    }
    IXMLDOMNode* configuration = SelectXmlRootNode(L"configuration");
    IXMLDOMNodeList* devices = SelectXmlNodes(configuration, L"device");
    for (long i = 0; IXMLDOMNode* device = SelectXmlNodeFromList(devices, i); ++i) {
        const wchar_t* name = GetXmlText(SelectXmlNode(device, L"@name"));  // owned by flatdom
        const long id = GetXmlNumber(SelectXmlNode(device, L"@id"));        // "0x1F40" or "8000"
        const long port = GetXmlNumber(SelectXmlNode(device, L"port"));
        const double timeout = GetXmlFloat(SelectXmlNode(device, L"timeout"));
        const CString seconds = DoubleToString(timeout, 2);  // the host's own
        std::printf("%ls (id %ld): port %ld, timeout %ls s\n", name ? name : L"?", id, port,
                    seconds.GetString());
    }
    ReleaseNodeInterfaces();  // every node, list and string above is gone now
    return 0;
}
