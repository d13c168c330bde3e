// A key handed over by the host (SealwrightUseKey, SealwrightUseKeyFile):
// it wins over the environment until it is forgotten, a failed hand-over
// keeps the key held before, threads may hand over and open at once, and no
// copy of the key outlives its holding. On Windows: the warnings that a key
// file's access list calls for.
#include <gtest/gtest.h>
#include <sealwright/sealwright.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <aclapi.h>

#include <common/owner_only.h>
#else
#include <dlfcn.h>
#include <sys/stat.h>
#endif

#include <common/utf8.h>

#include "format.h"
#include "keys.h"
#include "platform.h"
#include "secret_memory.h"
#include "support/files.h"
#if !defined(_WIN32)
#include "support/memory_scan.h"
#endif

namespace {

#define RIGHT_KEY "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"
const wchar_t kRight[] = L"" RIGHT_KEY;
const char kWrong[] = "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff";
const char kNotSealedWithIt[] = "it is not sealed with this key, or it was changed since";

void SetKeyVariable(const char* value) {
#if defined(_WIN32)
    _putenv_s("SEALWRIGHT_KEY", value ? value : "");
#else
    value ? setenv("SEALWRIGHT_KEY", value, 1) : unsetenv("SEALWRIGHT_KEY");
#endif
}

// A key file of the user's alone (on Windows: of those the access list in
// attributes names), named name in the test's folder: its path as wide
// text, and in UTF-8 as messages give it.
struct KeyFilePath {
    std::wstring wide;
    std::string utf8;
};
#if defined(_WIN32)
KeyFilePath KeyFile(const std::wstring& name, const std::string& text,
                    SECURITY_ATTRIBUTES* attributes = nullptr) {
    const std::wstring wide = TestFile("placeholder", "").parent_path().wstring() + L'/' + name;
    OwnerOnly ownerOnly;
    DeleteFileW(wide.c_str());  // an existing file keeps its access list
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0,
                                    attributes ? attributes : ownerOnly.Attributes(), CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    CloseHandle(file);
    return {wide, utf8::FromWide(wide.data(), wide.size())};
}
#else
KeyFilePath KeyFile(const std::wstring& name, const std::string& text) {
    const std::wstring wide = TestFile("placeholder", "").parent_path().wstring() + L'/' + name;
    const std::string utf8 = utf8::FromWide(wide.data(), wide.size());
    std::ofstream(utf8, std::ios::binary | std::ios::trunc) << text;
    chmod(utf8.c_str(), 0600);
    return {wide, utf8};
}
#endif

class HeldKey : public ::testing::Test {
  protected:
    void SetUp() override {
        sealwright::Key key;
        ASSERT_TRUE(sealwright::ParseKey(std::wstring_view(kRight), key));
        const sealwright::Bytes plain{'<', 'k', '/', '>'};
        const sealwright::Bytes bytes = sealwright::Seal(key, plain);
        sealed = TestFile("k.sealed", std::string(bytes.begin(), bytes.end())).wstring();
        SetKeyVariable(kWrong);  // the environment's key, which a key handed over beats
    }
    void TearDown() override {
        SealwrightUseKey(nullptr);
        SetKeyVariable(nullptr);
    }
    // "" when the sealed file opens, else why not.
    std::string Opening() const {
        wchar_t* text = nullptr;
        return DecryptXmlFile(sealed.c_str(), &text) ? "" : SealwrightLastFailure();
    }

    std::wstring sealed;
};

TEST_F(HeldKey, WinsOverTheEnvironmentUntilForgotten) {
    EXPECT_EQ(Opening(), kNotSealedWithIt);
    ASSERT_TRUE(SealwrightUseKey((L" \t" + std::wstring(kRight) + L"\r\n").c_str()));
    EXPECT_STREQ(SealwrightLastFailure(), "");
    EXPECT_EQ(Opening(), "");
    // Anything else is refused, and the key held stays.
    const std::wstring digits(kRight);
    for (const std::wstring& bad :
         {std::wstring(), std::wstring(L"not a key"), digits.substr(1), digits + L"0",
          L"\uff10" + digits.substr(1), digits.substr(0, 32) + L" " + digits.substr(32)}) {
        EXPECT_FALSE(SealwrightUseKey(bad.c_str()));
        EXPECT_STREQ(SealwrightLastFailure(), "the key handed over is not 64 hexadecimal digits");
        EXPECT_EQ(Opening(), "");
    }
    EXPECT_TRUE(SealwrightUseKey(nullptr));
    EXPECT_EQ(Opening(), kNotSealedWithIt);
    SetKeyVariable(nullptr);
    EXPECT_EQ(Opening(), "no key: set SEALWRIGHT_KEY or SEALWRIGHT_KEY_FILE");
}

TEST_F(HeldKey, FromAKeyFileOfAnyNameWithItsChecks) {
    // A name outside any ANSI code page.
    const KeyFilePath good = KeyFile(L"\u043a\u043b\u044e\u0447-\u00e9.key", "# mine\n" RIGHT_KEY);
    ASSERT_TRUE(SealwrightUseKeyFile(good.wide.c_str()));
    EXPECT_STREQ(SealwrightKeyWarning(), "");
    EXPECT_EQ(Opening(), "");
#if !defined(_WIN32)
    chmod(good.utf8.c_str(), 0640);
    ASSERT_TRUE(SealwrightUseKeyFile(good.wide.c_str()));
    const std::string warning =
        "the key file " + good.utf8 + " can be read by others than its owner";
    EXPECT_EQ(SealwrightKeyWarning(), warning);
    EXPECT_EQ(Opening(), "");
    EXPECT_EQ(SealwrightKeyWarning(), warning) << "each opening warns again";
#endif
    // The checks are those of SEALWRIGHT_KEY_FILE's (Sealwright.NeedsTheRightKey...).
    const KeyFilePath empty = KeyFile(L"empty.key", "# nothing\n");
    EXPECT_FALSE(SealwrightUseKeyFile(empty.wide.c_str()));
    EXPECT_EQ(SealwrightLastFailure(),
              "the key file " + empty.utf8 + " does not hold 64 hexadecimal digits");
    EXPECT_EQ(Opening(), "");  // the key held before
#if !defined(_WIN32)
    // A name that is not Unicode names no file, not the one with U+FFFD in its place.
    std::wstring odd = KeyFile(L"\ufffd.key", RIGHT_KEY).wide;
    for (const wchar_t unit : {static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000)}) {
        odd[odd.size() - 5] = unit;
        EXPECT_FALSE(SealwrightUseKeyFile(odd.c_str()));
        EXPECT_STREQ(SealwrightLastFailure(),
                     "the key file's name holds a lone surrogate or a value past U+10FFFF, "
                     "which names no file");
    }
#endif
    EXPECT_TRUE(SealwrightUseKeyFile(nullptr));
    EXPECT_EQ(Opening(), kNotSealedWithIt);
}

// A hand-over replaces the key held in one step: threads that open files
// meanwhile find the same key each time, never a half-written or wiped one.
TEST_F(HeldKey, ThreadsOpenFilesWhileItIsHandedOver) {
    const KeyFilePath file = KeyFile(L"right.key", RIGHT_KEY);
    ASSERT_TRUE(SealwrightUseKey(kRight));
    std::atomic<bool> done{false};
    std::atomic<int> failed{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            while (!done)
                failed += Opening().empty() ? 0 : 1;
        });
    }
    for (int i = 0; i < 300; ++i) {
        EXPECT_TRUE(i % 2 ? SealwrightUseKey(kRight) : SealwrightUseKeyFile(file.wide.c_str()));
    }
    done = true;
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(failed, 0);
}

#if defined(_WIN32)
// Others are whom an entry of the access list lets read or change the key
// file: anyone but its owner, the user, Administrators and SYSTEM. Wine keeps
// a file's access list as its mode bits: it shows entries for everyone (the
// bits for others) alone, no other owner, and no write access for others in
// a file's first list (the umask takes it away).
TEST_F(HeldKey, KeyFilesOthersCanReachAreNamedFromTheirAccessList) {
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof user;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, size, &size));
    CloseHandle(token);
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    size = sizeof everyone;
    ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size));
    const struct {
        DWORD access;  // everyone's, besides the user's
        bool later;    // given to the file once made, not as it is made
        const char* warning;
    } rows[] = {
        {0, false, ""},
        {FILE_GENERIC_READ, false, " can be read by others than its owner"},
        {FILE_ALL_ACCESS, true, " can be read and changed by others than its owner"},
    };
    for (const auto& row : rows) {
        BYTE buffer[512];
        auto* acl = reinterpret_cast<ACL*>(buffer);
        ASSERT_TRUE(InitializeAcl(acl, sizeof buffer, ACL_REVISION));
        ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS,
                                        reinterpret_cast<TOKEN_USER*>(user)->User.Sid));
        if (row.access) {
            ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, row.access, everyone));
        }
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
        const KeyFilePath file =
            KeyFile(L"shared.key", RIGHT_KEY, row.later ? nullptr : &attributes);
        if (row.later) {
            ASSERT_EQ(
                SetNamedSecurityInfoW(const_cast<wchar_t*>(file.wide.c_str()), SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr),
                ERROR_SUCCESS);
        }
        ASSERT_TRUE(SealwrightUseKeyFile(file.wide.c_str()));
        const std::string warning = *row.warning ? "the key file " + file.utf8 + row.warning : "";
        EXPECT_EQ(SealwrightKeyWarning(), warning) << row.access;
        EXPECT_EQ(Opening(), "");
        EXPECT_EQ(SealwrightKeyWarning(), warning) << "each opening warns again";
    }
}
#else
// Clears the stack below the caller, where the calls it made (the cipher's
// among them) left bytes of what they handled: what is counted then is the
// memory that lives on.
[[gnu::noinline]] void ClearDeadStack() {
    volatile char stack[1 << 18];
    for (volatile char& byte : stack)
        byte = 0;
}

// The key lives in one place while it is held, and nowhere once it is
// replaced or forgotten or the library unloads; nor does its text.
TEST_F(HeldKey, NoCopyOfTheKeyOutlivesItsHolding) {
#if defined(FLATDOM_SANITIZED)
    GTEST_SKIP() << "the sanitizers keep freed memory: the plain build scans";
#endif
    {
        // An emulator (qemu's user mode) shows its own memory, not the
        // program's pages of their own, in /proc/self/mem.
        const std::string marker = Masked("a marker for the scan, once", 27);
        auto* page = static_cast<char*>(sealwright::AllocateSecret(marker.size()));
        for (std::size_t i = 0; i < marker.size(); ++i)
            page[i] = static_cast<char>(marker[i] ^ 0x5A);
        const int seen = Occurrences(marker);
        sealwright::FreeSecret(page, marker.size());
        if (seen != 1) GTEST_SKIP() << "this system's memory cannot be scanned here";
    }
    // Each key's text, made from digits that appear nowhere as they are.
    const auto hexOf = [](int seed) {
        std::wstring hex;
        for (int i = 0; i < 64; ++i)
            hex += L"0123456789abcdef"[(seed * 7 + i * (seed + 3)) % 16];
        return hex;
    };
    const auto binary = [](const std::wstring& hex) {
        sealwright::Key key;
        sealwright::ParseKey(std::wstring_view(hex), key);
        const std::string masked = Masked(key.data(), key.size());
        sealwright::Wipe(key.data(), key.size());
        return masked;
    };
    std::wstring first = hexOf(1), second = hexOf(2);
    const std::string firstKey = binary(first), secondKey = binary(second);
    const std::string firstText = Masked(first.data(), first.size() * sizeof(wchar_t));
    ASSERT_TRUE(SealwrightUseKey(first.c_str()));
    sealwright::Wipe(first.data(), first.size() * sizeof(wchar_t));
    EXPECT_EQ(Opening(), kNotSealedWithIt);  // opening with it leaves no copy either
    ClearDeadStack();
    EXPECT_EQ(Occurrences(firstKey), 1);
    ASSERT_TRUE(SealwrightUseKey(second.c_str()));
    sealwright::Wipe(second.data(), second.size() * sizeof(wchar_t));
    ClearDeadStack();
    EXPECT_EQ(Occurrences(firstKey), 0);
    EXPECT_EQ(Occurrences(firstText), 0);
    EXPECT_EQ(Occurrences(secondKey), 1);
    SealwrightUseKey(nullptr);
    ClearDeadStack();
    EXPECT_EQ(Occurrences(secondKey), 0);

    // The shared library's own key, when it unloads.
    std::wstring third = hexOf(3);
    const std::string thirdKey = binary(third);
    void* library = dlopen(SEALWRIGHT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto useKey =
        reinterpret_cast<bool (*)(const wchar_t*)>(dlsym(library, "_Z16SealwrightUseKeyPKw"));
    ASSERT_NE(useKey, nullptr);
    EXPECT_TRUE(useKey(third.c_str()));
    sealwright::Wipe(third.data(), third.size() * sizeof(wchar_t));
    ClearDeadStack();
    EXPECT_EQ(Occurrences(thirdKey), 1);
    EXPECT_EQ(dlclose(library), 0);
    EXPECT_EQ(dlopen(SEALWRIGHT_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr) << "not unloaded";
    EXPECT_EQ(Occurrences(thirdKey), 0);
}
#endif

}  // namespace
