// The parent project's program: flatdom's version, then for each file the
// first device's port, or why the file did not load.
#include <flatdom/flatdom.h>
#include <sealwright/sealwright.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    std::printf("flatdom %s\n", FLATDOM_VERSION_STRING);
    for (int i = 1; i < argc; ++i) {
        const std::string narrow = argv[i];
        const std::wstring path(narrow.begin(), narrow.end());
        if (LoadXmlDocument(path.c_str())) {
            std::printf("%ld\n", GetXmlNumber(SelectXmlRootNode(L"configuration/device/port")));
        } else {
            std::printf("%s\n", SealwrightLastFailure());
        }
        ReleaseNodeInterfaces();
    }
    return 0;
}
