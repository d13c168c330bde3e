#include "paths.h"

#if defined(_WIN32)
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <common/utf8.h>

#include <vector>
#else
#include <unistd.h>
#endif

#include "io_error.h"

namespace cli {

#if defined(_WIN32)
namespace {

// The user running the program (TOKEN_USER and its SID), or empty.
std::vector<unsigned char> CurrentUser() {
    std::vector<unsigned char> user;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return user;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user.resize(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) user.clear();
    CloseHandle(token);
    return user;
}

// A folder's security attributes: every right for the user running the
// program and nobody else, passed on to what is made inside, nothing
// inherited from above (what mode 700 is elsewhere).
class PrivateFolder {
  public:
    explicit PrivateFolder(PSID user) {
        wchar_t* sid = nullptr;
        if (user && ConvertSidToStringSidW(user, &sid)) {
            const std::wstring sddl = std::wstring(L"D:P(A;OICI;FA;;;") + sid + L")";
            LocalFree(sid);
            ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                 &m_descriptor, nullptr);
        }
        m_attributes = {sizeof m_attributes, m_descriptor, FALSE};
    }
    ~PrivateFolder() { LocalFree(m_descriptor); }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Null (GetLastError says why) when they could not be made.
    SECURITY_ATTRIBUTES* Attributes() { return m_descriptor ? &m_attributes : nullptr; }

  private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

// Whether sid is the user's, or one of the system's own accounts that can
// do anything anyway (SYSTEM, the administrators, the installer, the owner
// of what is made inside).
bool IsTrusted(PSID sid, PSID user) {
    if (EqualSid(sid, user)) return true;
    for (WELL_KNOWN_SID_TYPE type :
         {WinLocalSystemSid, WinBuiltinAdministratorsSid, WinCreatorOwnerSid}) {
        if (IsWellKnownSid(sid, type)) return true;
    }
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return false;
    // NT SERVICE\TrustedInstaller, which owns the system's folders.
    const bool installer =
        std::wstring(text) == L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    LocalFree(text);
    return installer;
}

// "" when a key may be put under the existing folder, else why not.
std::string CheckFolder(const std::wstring& wide, PSID user) {
    const std::string folder = utf8::FromWide(wide.data(), wide.size());
    PSID owner = nullptr;
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetNamedSecurityInfoW(
        wide.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
        &owner, nullptr, &acl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) FailWithSystemError(folder, error);
    std::string why;
    // What lets someone take a key's place: deleting or renaming what the
    // folder holds, or taking the folder over.
    const DWORD taking = FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL | DELETE;
    if (owner && !IsTrusted(owner, user)) {
        why = "the folder " + folder + " belongs to another user";
    } else if (!acl) {
        why = "the folder " + folder + " has no access list: anyone may change it";
    } else {
        for (DWORD i = 0; i < acl->AceCount && why.empty(); ++i) {
            ACE_HEADER* header = nullptr;
            if (!GetAce(acl, i, reinterpret_cast<void**>(&header)) ||
                header->AceType != ACCESS_ALLOWED_ACE_TYPE ||
                (header->AceFlags & INHERIT_ONLY_ACE)) {
                continue;
            }
            auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
            if ((ace->Mask & taking) && !IsTrusted(&ace->SidStart, user)) {
                why = "others than you may delete or rename what the folder " + folder + " holds";
            }
        }
    }
    LocalFree(descriptor);
    return why.empty() ? why : why + "; a key is not put there";
}

// path made whole, as the system takes it: from a drive's or a share's root,
// with "." and ".." gone (GetFullPathNameW).
std::wstring FullPath(const std::string& path) {
    const std::wstring wide = WidePath(path);
    std::wstring full;
    // Asked again where the current folder grew between the two calls.
    for (DWORD room = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr); room > 0;) {
        full.resize(room);
        const DWORD got = GetFullPathNameW(wide.c_str(), room, full.data(), nullptr);
        if (got > 0 && got < room) {
            full.resize(got);
            return full;
        }
        room = got;
    }
    FailWithSystemError(path, GetLastError());
}

// The length of the root that full starts with, its separator included:
// C:\, \\server\share\, \\?\C:\ or \\?\UNC\server\share\; 0 for none.
std::size_t RootLength(const std::wstring& full) {
    // The end of count names from at, each with the separator after it.
    const auto after = [&](std::size_t at, int count) {
        for (; count > 0 && at < full.size(); --count) {
            const std::size_t end = full.find(L'\\', at);
            at = end == std::wstring::npos ? full.size() : end + 1;
        }
        return at;
    };
    if (full.compare(0, 8, L"\\\\?\\UNC\\") == 0) return after(8, 2);
    if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0)
        return after(4, 1);
    if (full.compare(0, 2, L"\\\\") == 0) return after(2, 2);
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return 3;
    return 0;
}

}  // namespace

std::wstring WidePath(const std::string& path) {
    std::wstring wide;
    if (!utf8::ToWide(path.data(), path.size(), wide, utf8::Invalid::kRefuse)) {
        throw IoError(path + ": not a name that Windows can give a file");
    }
    return wide;
}

std::string FolderOf(const std::string& path) {
    const std::size_t end = path.find_last_of("/\\:");
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

void MakeFolders(const std::string& path) {
    const std::vector<unsigned char> token = CurrentUser();
    if (token.empty()) FailWithSystemError(path, GetLastError());
    PSID user = reinterpret_cast<const TOKEN_USER*>(token.data())->User.Sid;
    // Every folder above the key, the deepest first, up to the root.
    const std::wstring full = FullPath(path);
    const std::size_t root = RootLength(full);
    std::vector<std::wstring> folders;
    for (std::size_t end = full.size(); end > root;) {
        end = full.find_last_of(L'\\', end - 1);
        if (end == std::wstring::npos) break;
        folders.push_back(full.substr(0, end < root ? root : end));
    }
    // The missing ones, up to the first that is there; then every existing
    // one is checked, the root too (a drive that is not there fails there).
    std::size_t missing = 0;
    while (missing + 1 < folders.size() &&
           GetFileAttributesW(folders[missing].c_str()) == INVALID_FILE_ATTRIBUTES &&
           (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)) {
        ++missing;
    }
    for (std::size_t i = missing; i < folders.size(); ++i) {
        const std::string why = CheckFolder(folders[i], user);
        if (!why.empty()) throw IoError(path + ": " + why);
    }
    if (missing == 0) return;
    PrivateFolder privateFolder(user);
    SECURITY_ATTRIBUTES* security = privateFolder.Attributes();
    const auto shown = [](const std::wstring& folder) {
        return utf8::FromWide(folder.data(), folder.size());
    };
    if (!security) FailWithSystemError(shown(folders[missing - 1]), GetLastError());
    while (missing-- > 0) {
        if (!CreateDirectoryW(folders[missing].c_str(), security) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            FailWithSystemError(shown(folders[missing]), GetLastError());
        }
    }
}
#else
std::string CheckKeyFolder(const struct stat& status, const std::string& name) {
    const uid_t user = geteuid();
    const bool trusted = status.st_uid == user || status.st_uid == 0;
    std::string why;
    if (!trusted) {
        why = "the folder " + name + " belongs to another user";
    } else if ((status.st_mode & (S_IWGRP | S_IWOTH)) && !(status.st_mode & S_ISVTX)) {
        why = std::string("the folder ") + name + " can be changed by " +
              (status.st_mode & S_IWOTH ? "others" : "its group");
    }
    return why.empty() ? why
                       : why + "; they could put a key of theirs in the place of yours, so " +
                             "none is written there";
}
#endif

}  // namespace cli
