// Windows: security attributes that give the user running the program, and
// nobody else, access to what it creates with them (a file, a pipe); what
// mode 0600 is elsewhere. They also label it with the program's integrity
// level, neither readable nor writable from below it: a process of the same
// user at a lower level (a sandboxed browser's, say) gets nothing of it.
#ifndef FLATDOM_COMMON_OWNER_ONLY_H
#define FLATDOM_COMMON_OWNER_ONLY_H

#if defined(_WIN32)
#include <windows.h>

#include <vector>

class OwnerOnly {
  public:
    OwnerOnly() {
        if (!CurrentUser()) return;
        PSID sid = reinterpret_cast<TOKEN_USER*>(m_user.data())->User.Sid;
        m_acl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
        auto* acl = reinterpret_cast<ACL*>(m_acl.data());
        // Reading, writing, deleting and changing the access list: nobody
        // else, and nothing inherited from the folder.
        const DWORD access = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE | WRITE_DAC;
        m_ready = InitializeAcl(acl, static_cast<DWORD>(m_acl.size()), ACL_REVISION) &&
                  AddAccessAllowedAce(acl, ACL_REVISION, access, sid) &&
                  InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                  SetSecurityDescriptorDacl(&m_descriptor, TRUE, acl, FALSE) &&
                  SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
        if (m_ready && Integrity()) {
            PSID level = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(m_integrity.data())->Label.Sid;
            m_sacl.resize(sizeof(ACL) + sizeof(SYSTEM_MANDATORY_LABEL_ACE) + GetLengthSid(level));
            auto* sacl = reinterpret_cast<ACL*>(m_sacl.data());
            // Where the system cannot label, the access list alone.
            if (InitializeAcl(sacl, static_cast<DWORD>(m_sacl.size()), ACL_REVISION) &&
                AddMandatoryAce(
                    sacl, ACL_REVISION, 0,
                    SYSTEM_MANDATORY_LABEL_NO_WRITE_UP | SYSTEM_MANDATORY_LABEL_NO_READ_UP,
                    level)) {
                SetSecurityDescriptorSacl(&m_descriptor, TRUE, sacl, FALSE);
            }
        }
        m_attributes = {sizeof m_attributes, &m_descriptor, FALSE};
    }
    OwnerOnly(const OwnerOnly&) = delete;
    OwnerOnly& operator=(const OwnerOnly&) = delete;

    // For CreateFile and CreateNamedPipe; null (GetLastError says why) when
    // the user or the access list could not be had.
    SECURITY_ATTRIBUTES* Attributes() { return m_ready ? &m_attributes : nullptr; }

  private:
    // The TOKEN_USER of this process into m_user.
    bool CurrentUser() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        m_user.resize(size);
        const bool ok =
            size > 0 && GetTokenInformation(token, TokenUser, m_user.data(), size, &size);
        CloseHandle(token);
        return ok;
    }
    // The TOKEN_MANDATORY_LABEL of this process into m_integrity.
    bool Integrity() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
        DWORD size = 0;
        GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
        m_integrity.resize(size);
        const bool ok = size > 0 && GetTokenInformation(token, TokenIntegrityLevel,
                                                        m_integrity.data(), size, &size);
        CloseHandle(token);
        return ok;
    }

    std::vector<unsigned char> m_user;       // TOKEN_USER and its SID
    std::vector<unsigned char> m_integrity;  // TOKEN_MANDATORY_LABEL and its SID
    std::vector<unsigned char> m_acl;
    std::vector<unsigned char> m_sacl;
    SECURITY_DESCRIPTOR m_descriptor{};
    SECURITY_ATTRIBUTES m_attributes{};
    bool m_ready = false;
};
#endif

#endif
