// Arbitrary bytes as a sealed file: never a crash, and never true unless
// the bytes are what sealing made.
#include <sealwright/sealwright.h>

#include <cstdlib>
#include <cstring>

#include "format.h"
#include "keys.h"
#include "fuzz_support.h"

namespace {

const char kKey[] = "5ea1ed0f5ea1ed0f5ea1ed0f5ea1ed0f5ea1ed0f5ea1ed0f5ea1ed0f5ea1ed0f";

// The one file sealing made here: the seed corpus holds the same bytes.
const sealwright::Bytes& Genuine() {
    static const sealwright::Bytes sealed = [] {
        sealwright::Key key;
        sealwright::ParseKey(kKey, key);
        const sealwright::Nonce nonce{};
        const char xml[] = "<sealed><v>0x2A</v></sealed>";
        return sealwright::Seal(key, sealwright::Bytes(xml, xml + sizeof xml - 1), &nonce);
    }();
    return sealed;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SEALWRIGHT_KEY", kKey, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring path = fuzz::ScratchFile(data, size);
    IsEncrypted(path.c_str());
    wchar_t* text = nullptr;
    if (DecryptXmlFile(path.c_str(), &text)) {
        const bool genuine =
            size == Genuine().size() && std::memcmp(data, Genuine().data(), size) == 0;
        if (!genuine || !text) __builtin_trap();
    } else if (text) {
        __builtin_trap();
    }
    return 0;
}
