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

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// The folder that holds path, without a separator at its end ("" for none or
// for the root).
std::string ParentOf(const std::string& path) {
    std::string folder = FolderOf(path);
    while (!folder.empty() && IsSeparator(folder.back()))
        folder.pop_back();
    return folder;
}

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
std::string CheckFolder(const std::string& folder, PSID user) {
    PSID owner = nullptr;
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    // A drive's root with its separator: "C:" alone is the drive's current folder.
    const std::string named = folder.back() == ':' ? folder + "\\" : folder;
    const DWORD error =
        GetNamedSecurityInfoW(WidePath(named).c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &acl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) FailWithSystemError(named, error);
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
    std::vector<std::string> missing;  // the deepest first
    std::string folder = ParentOf(path);
    for (;
         !folder.empty() && GetFileAttributesW(WidePath(folder).c_str()) == INVALID_FILE_ATTRIBUTES;
         folder = ParentOf(folder)) {
        if (!missing.empty() && missing.back() == folder) break;  // a drive that is not there
        missing.push_back(folder);
    }
    // Every existing folder on the way, up to the drive's root.
    for (std::string existing = folder, above; !existing.empty(); existing = above) {
        const std::string why = CheckFolder(existing, user);
        if (!why.empty()) throw IoError(path + ": " + why);
        above = ParentOf(existing);
        if (above == existing) break;  // a drive ("C:")
    }
    if (missing.empty()) return;
    PrivateFolder privateFolder(user);
    SECURITY_ATTRIBUTES* security = privateFolder.Attributes();
    if (!security) FailWithSystemError(missing.back(), GetLastError());
    for (auto made = missing.rbegin(); made != missing.rend(); ++made) {
        if (!CreateDirectoryW(WidePath(*made).c_str(), security) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            FailWithSystemError(*made, GetLastError());
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
