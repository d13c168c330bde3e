#include "exposure.h"

#include <aclapi.h>

#include <vector>

namespace sealwright {
namespace {

// A well-known SID, or none (empty) when the system does not make it.
std::vector<unsigned char> WellKnown(WELL_KNOWN_SID_TYPE type) {
    std::vector<unsigned char> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) return {};
    sid.resize(size);
    return sid;
}

// The SID of the user this process runs as, or none.
std::vector<unsigned char> ProcessUser() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size);  // a TOKEN_USER, its SID after it
    const bool ok = size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size);
    CloseHandle(token);
    if (!ok) return {};
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
    const unsigned char* const start = static_cast<const unsigned char*>(sid);
    return std::vector<unsigned char>(start, start + GetLengthSid(sid));
}

// Frees what GetSecurityInfo allocated.
struct LocalFreer {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ~LocalFreer() {
        if (descriptor) LocalFree(descriptor);
    }
};

constexpr ACCESS_MASK kRead = FILE_READ_DATA | GENERIC_READ | GENERIC_ALL;
// Who may delete the file may put another in its place.
constexpr ACCESS_MASK kWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER |
                               DELETE | GENERIC_WRITE | GENERIC_ALL;

}  // namespace

Exposure ExposureOf(HANDLE file) {
    Exposure exposure;
    PSID owner = nullptr;
    PACL acl = nullptr;
    LocalFreer freer;
    if (GetSecurityInfo(file, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &acl, nullptr, &freer.descriptor) != ERROR_SUCCESS ||
        !owner) {
        return exposure;
    }
    // Those who may reach the file besides its owner.
    std::vector<unsigned char> trusted[] = {ProcessUser(), WellKnown(WinBuiltinAdministratorsSid),
                                            WellKnown(WinLocalSystemSid),
                                            WellKnown(WinCreatorOwnerRightsSid)};
    const auto isTrusted = [&](PSID sid, bool ownerToo) {
        if (ownerToo && EqualSid(sid, owner)) return true;
        for (auto& known : trusted) {
            if (!known.empty() && EqualSid(sid, known.data())) return true;
        }
        return false;
    };
    exposure.foreignOwner = !isTrusted(owner, false);
    if (!acl) {  // no access list: everyone may do everything
        exposure.othersRead = exposure.othersWrite = true;
        return exposure;
    }
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(acl, i, &entry)) continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        // Entries for what the folder's children inherit do not apply here.
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
            (allowed->Header.AceFlags & INHERIT_ONLY_ACE)) {
            continue;
        }
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (isTrusted(sid, true)) continue;
        exposure.othersRead |= (allowed->Mask & kRead) != 0;
        exposure.othersWrite |= (allowed->Mask & kWrite) != 0;
    }
    return exposure;
}

}  // namespace sealwright
