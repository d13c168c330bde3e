// Through flatdom's exports, as a host does.
#include <flatdom/flatdom.h>

#include <cwchar>

#include "job.h"

Checksum RunWithFlatdom(const std::string& path) {
    Checksum sum;
    const std::wstring wide(path.begin(), path.end());
    if (LoadXmlDocument(wide.c_str())) {
        IXMLDOMNodeList* items = SelectXmlNodes(SelectXmlRootNode(L"catalogue"), L"item");
        for (long i = 0;; ++i) {
            IXMLDOMNode* item = SelectXmlNodeFromList(items, i);
            if (!item) break;
            ++sum.items;
            sum.textLength +=
                static_cast<long>(std::wcslen(GetXmlText(SelectXmlNode(item, L"name"))));
            sum.integers += GetXmlNumber(SelectXmlNode(item, L"count"));
            sum.doubles += GetXmlFloat(SelectXmlNode(item, L"price"));
        }
    }
    ReleaseNodeInterfaces();
    return sum;
}
