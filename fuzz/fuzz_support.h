// What the fuzz targets share: quiet message boxes and a scratch file.
#ifndef FLATDOM_FUZZ_FUZZ_SUPPORT_H
#define FLATDOM_FUZZ_FUZZ_SUPPORT_H

#include <flatdom/flatdom.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace fuzz {

// Message boxes answered at once, shown to nobody.
inline void SilenceMessageBoxes() {
    SetMessageBoxHandler([](void*, LPCWSTR, LPCWSTR, UINT) { return IDOK; }, nullptr);
}

// Writes bytes to this process's scratch file; its wide path.
inline std::wstring ScratchFile(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/flatdom-fuzz-" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    return std::wstring(path.begin(), path.end());
}

// Reads every kind of value from node.
inline void ReadAll(IXMLDOMNode* node) {
    GetXmlText(node);
    GetBaseNodeName(node);
    GetXmlNumber(node);
    GetXmlHexNumber(node);
    GetXmlNumber_Hex_or_Dec(node);
    GetXmlFloat(node);
}

}  // namespace fuzz

#endif
