// Arbitrary bytes as a document file: load, select, read everything, release.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool quiet = (fuzz::SilenceMessageBoxes(), true);
    (void)quiet;
    const std::wstring path = fuzz::ScratchFile(data, size);
    if (LoadXmlDocument(path.c_str())) {
        for (const wchar_t* query : {L"/", L"/*", L"//*", L"//@*", L"//text()", L"//comment()",
                                     L"/*/*", L"//*[1]/..", L"//processing-instruction()"}) {
            fuzz::ReadAll(SelectXmlRootNode(query));
            IXMLDOMNodeList* list = SelectXmlNodes(SelectXmlRootNode(L"/"), query);
            for (long i = 0; i < 64; ++i) {
                IXMLDOMNode* node = SelectXmlNodeFromList(list, i);
                if (!node) break;
                fuzz::ReadAll(node);
                fuzz::ReadAll(SelectXmlNode(node, L".."));
            }
        }
    }
    ReleaseNodeInterfaces();
    return 0;
}
