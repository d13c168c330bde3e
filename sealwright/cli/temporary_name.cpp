#include "temporary_name.h"

#include <cstdint>

#include "crypto.h"
#include "io_error.h"

namespace cli {
namespace {

constexpr std::size_t kDigits = 12;

// NAME as the temporary name holds it, within limit.
std::string Cut(const std::string& name, std::size_t limit) {
    const std::size_t used = 2 + kDigits;  // the two dots and the digits
    std::size_t cut = limit > used ? limit - used : 0;
    if (name.size() <= cut) return name;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

}  // namespace

std::string TemporaryName(const std::string& name, std::size_t limit, const std::string& shown) {
    std::uint8_t random[kDigits / 2];
    if (!sealwright::crypto::RandomBytes(random, sizeof random)) {
        throw IoError(shown + ": no random bytes from the system");
    }
    std::string temporary = "." + Cut(name, limit) + ".";
    for (std::uint8_t byte : random)
        temporary += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
    return temporary;
}

bool IsTemporaryNameOf(const std::string& candidate, const std::string& name, std::size_t limit) {
    const std::string stem = "." + Cut(name, limit) + ".";
    if (candidate.size() != stem.size() + kDigits || candidate.compare(0, stem.size(), stem) != 0) {
        return false;
    }
    for (std::size_t i = stem.size(); i < candidate.size(); ++i) {
        const char c = candidate[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

}  // namespace cli
