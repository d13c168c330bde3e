// Sealwright: its format against known answers, and what its calls give for
// good, changed, truncated, oversized and wrongly keyed files and streams,
// for key files others can reach, and when memory runs out.
#include <gtest/gtest.h>
#include <sealwright/sealwright.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <new>
#include <string>
#include <thread>

#if defined(_WIN32)
#include <io.h>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "files.h"
#include "format.h"
#include "keys.h"
#include "platform.h"
#include "support/files.h"
#include "text.h"
#if !defined(_WIN32)
#include "support/as_user.h"
#include "support/memory_scan.h"
#endif

// Allocations of a thread that sets this fail, as when memory runs out. The
// replacements are not inlined: the compiler would see free() meet new. The
// runtime's other forms of new and delete call these (a sanitizer's do not,
// but the library uses these alone).
thread_local bool t_outOfMemory = false;

[[gnu::noinline]] void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return t_outOfMemory ? nullptr : std::malloc(size ? size : 1);
}
[[gnu::noinline]] void* operator new(std::size_t size) {
    if (void* block = operator new(size, std::nothrow)) return block;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* block) noexcept {
    std::free(block);
}
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

namespace {

using sealwright::Bytes;

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
    std::string hex;
    for (std::size_t i = 0; i < size; ++i)
        hex += {"0123456789abcdef"[bytes[i] >> 4], "0123456789abcdef"[bytes[i] & 15]};
    return hex;
}
Bytes AsBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

const char kKeyHex[] = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";

// Sets a variable of the environment; null unsets it.
void SetEnvironment(const char* name, const char* value) {
#if defined(_WIN32)
    _putenv_s(name, value ? value : "");
#else
    value ? setenv(name, value, 1) : unsetenv(name);
#endif
}

// Whether programs the process starts inherit the file.
bool Inherited(std::FILE* file) {
#if defined(_WIN32)
    DWORD flags = 0;
    GetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))), &flags);
    return (flags & HANDLE_FLAG_INHERIT) != 0;
#else
    return (fcntl(fileno(file), F_GETFD) & FD_CLOEXEC) == 0;
#endif
}

constexpr std::size_t kNever = ~std::size_t{0};

// A stream over bytes, piece bytes a Read at most (S_FALSE at the end),
// that fails at byte failAt. It counts what it gives.
class TestStream final : public ISequentialStream {
  public:
    TestStream(Bytes bytes, std::size_t piece, std::size_t failAt = kNever)
        : m_bytes(std::move(bytes)), m_piece(piece), m_failAt(failAt) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        if (given >= m_failAt) return E_FAIL;
        const auto n =
            static_cast<ULONG>(std::min<std::uint64_t>({cb, m_piece, m_bytes.size() - given}));
        std::copy_n(m_bytes.begin() + static_cast<long>(given), n, static_cast<std::uint8_t*>(pv));
        given += n;
        *pcbRead = n;
        return n == 0 ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }

    std::uint64_t given = 0;

  private:
    Bytes m_bytes;
    std::size_t m_piece, m_failAt;
};

class Sealwright : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sealwright::ParseKey(kKeyHex, key));
        SetEnvironment("SEALWRIGHT_KEY", kKeyHex);
        SetEnvironment("SEALWRIGHT_KEY_FILE", nullptr);
    }
    void TearDown() override { SetEnvironment("SEALWRIGHT_KEY", nullptr); }

    std::wstring File(const Bytes& bytes, const std::string& name = "test.sealed") {
        return TestFile(name, std::string(bytes.begin(), bytes.end())).wstring();
    }
    // What DecryptXmlFile gives, or "(false)" (with the text pointer null).
    static std::wstring Decrypted(const std::wstring& path) {
        wchar_t* text = reinterpret_cast<wchar_t*>(1);
        if (!DecryptXmlFile(path.c_str(), &text)) return text ? L"(not null)" : L"(false)";
        return std::wstring(text, SysStringLen(text));
    }

    sealwright::Key key;
};

TEST_F(Sealwright, KnownAnswers) {
    // Made with an independent AES-GCM implementation (Python's cryptography):
    // the cipher, the header as associated data, the layout.
    sealwright::Nonce nonce;
    for (std::size_t i = 0; i < nonce.size(); ++i)
        nonce[i] = static_cast<std::uint8_t>(0xA0 + i);
    const Bytes sealed = sealwright::Seal(key, AsBytes("<doc>known answer</doc>"), &nonce);
    EXPECT_EQ(Hex(sealed.data(), sealed.size()),
              "8953574c0d0a1a0a01a0a1a2a3a4a5a6a7a8a9aaabda7c134e7ba06cd0150ba7b26909b7bb02907674"
              "fdd47c54edd245d0f3d4ee4cc1c9f2636fb32b");
}

TEST_F(Sealwright, OpensEachTextEncodingIntoAKeptOleString) {
    const std::string utf8 = "<t>\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80</t>";
    std::string le = "\xff\xfe", be = "\xfe\xff";
    for (char16_t unit : std::u16string(u"<t>\u00e9\u20ac\U0001F600</t>")) {
        le += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        be += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    }
    for (const std::string& text : {utf8, "\xef\xbb\xbf" + utf8, le, be}) {
        const std::wstring path = File(sealwright::Seal(key, AsBytes(text)));
        EXPECT_EQ(Decrypted(path), L"<t>\u00e9\u20ac\U0001F600</t>");
        EXPECT_TRUE(IsEncrypted((L"FILE://" + path).c_str()));
        EXPECT_EQ(Decrypted(L"file:" + path), L"<t>\u00e9\u20ac\U0001F600</t>");
    }
    for (const std::string& bad :
         {std::string("<t>\xc3</t>"), std::string("\xff\xfe<\0t", 5),
          std::string("\xff\xfe\x00\xd8", 4), std::string("<\0t\0/\0>\0", 8)}) {
        EXPECT_EQ(Decrypted(File(sealwright::Seal(key, AsBytes(bad)))), L"(false)");
        EXPECT_STREQ(SealwrightLastFailure(),
                     "the sealed text is neither UTF-8 nor UTF-16 with a byte-order mark");
    }
}

// However short, opened text is in secret memory, wiped as it goes: never in
// the string's own room, which is on its owner's stack.
TEST_F(Sealwright, OpenedTextIsInSecretMemoryHoweverShort) {
    for (const std::string plain : {"", "<a", "<a/>"}) {
        sealwright::SecretText text;
        ASSERT_TRUE(sealwright::DecodeText(reinterpret_cast<const std::uint8_t*>(plain.data()),
                                           plain.size(), text));
        const char* object = reinterpret_cast<const char*>(&text);
        const char* held = reinterpret_cast<const char*>(text.data());
        EXPECT_FALSE(held >= object && held < object + sizeof text) << plain;
    }
}

TEST_F(Sealwright, EveryChangedByteAndEveryTruncationIsRefused) {
    // An empty document too: its whole authentication is the tag.
    for (const std::string& plain : {std::string("<doc>tamper</doc>"), std::string()}) {
        const Bytes sealed = sealwright::Seal(key, AsBytes(plain));
        ASSERT_EQ(Decrypted(File(sealed)), std::wstring(plain.begin(), plain.end()));
        for (std::size_t i = 0; i < sealed.size(); ++i) {
            Bytes changed = sealed;
            changed[i] ^= 0x01;
            EXPECT_EQ(Decrypted(File(changed)), L"(false)") << "byte " << i;
            EXPECT_EQ(IsEncrypted(File(changed).c_str()), i >= 8) << "byte " << i;
            EXPECT_EQ(Decrypted(File(Bytes(sealed.begin(), sealed.begin() + static_cast<long>(i)))),
                      L"(false)")
                << i;
        }
        Bytes forged(sealed.begin(), sealed.begin() + sealwright::kHeaderSize);
        forged.resize(sealwright::kHeaderSize + sealwright::kTagSize);  // a tag of zeros
        EXPECT_EQ(Decrypted(File(forged)), L"(false)");
    }
}

// The command's test covers the key sources a user meets (none, an empty
// variable, a key file others can read or that is no file).
TEST_F(Sealwright, NeedsTheRightKeyFromTheEnvironmentAndSaysWhy) {
    const std::wstring path = File(sealwright::Seal(key, AsBytes("<k/>")));
    const std::string keyFile = TestFile("key.txt", "# comment\n" + std::string(kKeyHex)).string();
    const std::string bigFile = TestFile("big.key", kKeyHex + std::string(5000, '\n')).string();
    for (const std::string& file : {keyFile, bigFile})
        std::filesystem::permissions(
            file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const struct {
        const char *key, *file, *failure;
    } rows[] = {
        {"ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff", nullptr,
         "it is not sealed with this key, or it was changed since"},
        {"not a key", nullptr, "SEALWRIGHT_KEY is not 64 hexadecimal digits"},
        {nullptr, keyFile.c_str(), ""},
        {nullptr, "/no/such/key", "the key file /no/such/key cannot be read: No such file"},
        {nullptr, bigFile.c_str(), "the key file "},  // ... is larger than a key file
    };
    for (const auto& row : rows) {
        SetEnvironment("SEALWRIGHT_KEY", row.key);
        SetEnvironment("SEALWRIGHT_KEY_FILE", row.file);
        EXPECT_EQ(Decrypted(path), *row.failure ? L"(false)" : L"<k/>") << row.failure;
        EXPECT_EQ(std::string(SealwrightLastFailure()).rfind(row.failure, 0), 0u)
            << SealwrightLastFailure();
    }
    EXPECT_NE(std::string(SealwrightLastFailure()).find("larger than a key file"),
              std::string::npos);
    EXPECT_STREQ(SealwrightKeyWarning(), "");
}

#if defined(_WIN32)
// A pipe whose every instance is taken is said to be busy, not that it
// cannot be read for want of permission.
TEST_F(Sealwright, SaysAPipeIsBusy) {
    const std::wstring name =
        L"\\\\.\\pipe\\sealwright-test-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE server =
        CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    const HANDLE taken =
        CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    wchar_t* text = nullptr;
    EXPECT_FALSE(DecryptXmlFile(name.c_str(), &text));
    EXPECT_EQ(SealwrightLastFailure(),
              std::string("the file cannot be read: ") + std::strerror(EBUSY));
    CloseHandle(taken);
    CloseHandle(server);
}
#endif

TEST_F(Sealwright, IsEncryptedReadsTheHeaderOnly) {
    const std::string header(reinterpret_cast<const char*>(sealwright::kMagic), 8);
    EXPECT_TRUE(IsEncrypted(File(AsBytes(header + "\x01garbage")).c_str()));
    EXPECT_FALSE(IsEncrypted(File(AsBytes(header)).c_str()));
    EXPECT_FALSE(IsEncrypted(File(AsBytes("<plain/>")).c_str()));
    EXPECT_FALSE(IsEncrypted(L"/no/such/file.sealed"));
    // Not inherited by programs the host starts.
    std::FILE* opened = sealwright::OpenForReading(File(AsBytes("x")).c_str());
    ASSERT_NE(opened, nullptr);
    EXPECT_FALSE(Inherited(opened));
    std::fclose(opened);
    EXPECT_FALSE(IsEncrypted(nullptr));
    wchar_t* text = nullptr;
    EXPECT_FALSE(DecryptXmlFile(nullptr, &text));
    EXPECT_EQ(Decrypted(L"/no/such/file.sealed"), L"(false)");
}

// Each thread's text lives until that thread's next call: another thread's
// call leaves it alone.
TEST_F(Sealwright, EachThreadKeepsItsOwnText) {
    const std::wstring mine = File(sealwright::Seal(key, AsBytes("<mine/>")), "mine.sealed");
    const std::wstring theirs = File(sealwright::Seal(key, AsBytes("<theirs/>")), "theirs.sealed");
    wchar_t* text = nullptr;
    ASSERT_TRUE(DecryptXmlFile(mine.c_str(), &text));
    std::thread([&] { EXPECT_EQ(Decrypted(theirs), L"<theirs/>"); }).join();
    EXPECT_EQ(std::wstring(text, SysStringLen(text)), L"<mine/>");
}

// A host that opened the file itself tells a sealed one by its first bytes,
// then hands over the stream: read to its end, as it comes, and only once.
TEST_F(Sealwright, OpensASealedFileFromTheCallersStream) {
    const Bytes sealed = sealwright::Seal(key, AsBytes("<s>stream</s>"));
    EXPECT_TRUE(IsEncryptedStart(sealed.data(), SEALWRIGHT_START_SIZE));
    EXPECT_FALSE(IsEncryptedStart(sealed.data(), SEALWRIGHT_START_SIZE - 1));
    EXPECT_FALSE(IsEncryptedStart("<plain/>", 8));
    EXPECT_FALSE(IsEncryptedStart(nullptr, SEALWRIGHT_START_SIZE));
    const struct {
        std::size_t piece, failAt, cut;  // cut: bytes missing at the end
        const char* failure;
    } rows[] = {
        {1, kNever, 0, ""},
        {7, kNever, 0, ""},
        {1 << 20, kNever, 0, ""},
        {7, 30, 0, "the file cannot be read"},
        {7, kNever, 1, "it is not sealed with this key, or it was changed since"},
    };
    for (const auto& row : rows) {
        for (const bool sized : {false, true}) {
            const Bytes bytes(sealed.begin(), sealed.end() - static_cast<long>(row.cut));
            TestStream stream(bytes, row.piece, row.failAt);
            wchar_t* text = nullptr;
            const bool opened =
                DecryptXmlStream(&stream, sized ? bytes.size() : SEALWRIGHT_UNKNOWN_SIZE, &text);
            EXPECT_EQ(opened, !*row.failure) << row.failure;
            EXPECT_STREQ(SealwrightLastFailure(), row.failure);
            EXPECT_EQ(opened ? std::wstring(text, SysStringLen(text)) : L"",
                      opened ? L"<s>stream</s>" : L"");
            if (row.failAt == kNever) {
                EXPECT_EQ(stream.given, bytes.size());  // once, whole
            }
        }
    }
    wchar_t* text = nullptr;
    EXPECT_FALSE(DecryptXmlStream(nullptr, SEALWRIGHT_UNKNOWN_SIZE, &text));
    EXPECT_STREQ(SealwrightLastFailure(), "no file was given");
}

// No sealed file holds more than the cipher takes: a stream of unknown
// length is read no further than the first byte too many, and a file known
// to be larger is refused unread.
TEST_F(Sealwright, ReadsNoMoreThanASealedFileCanHold) {
    const auto tooLarge = [](std::uint64_t limit) {
        return "it is larger than a sealed file can be (" + std::to_string(limit) + " bytes)";
    };
    // What is read grows with the limit, not with the stream.
    for (const std::uint64_t limit : {1000u, 100000u}) {
        TestStream large(Bytes(1 << 20), 4096);  // far more than the limit
        sealwright::StreamBytes source(&large);
        sealwright::SecretBytes bytes;
        std::string why;
        EXPECT_FALSE(sealwright::ReadBounded(source, sealwright::kUnknownSize, limit, bytes, why));
        EXPECT_EQ(large.given, limit + 1);
        EXPECT_TRUE(bytes.empty());
        EXPECT_EQ(why, tooLarge(limit));
    }
    // A file one byte too large (sparse: nothing of it is written).
    const Bytes sealed = sealwright::Seal(key, AsBytes("<big/>"));
    const std::filesystem::path file = TestFile(
        "huge.sealed", std::string(sealed.begin(), sealed.begin() + sealwright::kHeaderSize));
    std::filesystem::resize_file(file, sealwright::kMaxSealedFile + 1);
    EXPECT_EQ(Decrypted(file.wstring()), L"(false)");
    EXPECT_EQ(SealwrightLastFailure(), tooLarge(sealwright::kMaxSealedFile));
    std::filesystem::remove(file);
}

// Every failure has its reason, running out of memory too: before the
// thread's state can be made, and inside a call.
TEST_F(Sealwright, EveryFailureSaysWhyRunningOutOfMemoryToo) {
    t_outOfMemory = true;
    void* probe = ::operator new(1, std::nothrow);  // a call, which no optimizer drops
    t_outOfMemory = false;
    if (probe) {
        ::operator delete(probe);
        GTEST_SKIP() << "allocations cannot be made to fail here (valgrind replaces operator new)";
    }
    const Bytes sealed = sealwright::Seal(key, AsBytes("<m/>"));
    const std::wstring path = File(sealed);
    std::thread([&] {
        const char kNoMemory[] = "there is not enough memory to open it";
        wchar_t* text = nullptr;
        t_outOfMemory = true;
        bool opened = DecryptXmlFile(path.c_str(), &text);  // the thread's first call
        t_outOfMemory = false;
        EXPECT_FALSE(opened);
        EXPECT_STREQ(SealwrightLastFailure(), kNoMemory);
        EXPECT_EQ(Decrypted(path), L"<m/>");
#if !defined(_WIN32)
        // Inside a call: the name of the file. The bytes and the text are
        // secret memory, the system's pages, which new does not give (on
        // Windows the name needs no memory of new either).
        t_outOfMemory = true;
        opened = DecryptXmlFile(path.c_str(), &text);
        t_outOfMemory = false;
        EXPECT_FALSE(opened);
        EXPECT_EQ(text, nullptr);
        EXPECT_STREQ(SealwrightLastFailure(), kNoMemory);
        t_outOfMemory = true;
        const bool sealed = IsEncrypted(path.c_str());  // false, nothing thrown
        t_outOfMemory = false;
        EXPECT_FALSE(sealed);
#endif
    }).join();
}

#if !defined(_WIN32)
// Whether the page at address is left out of core dumps (its mapping's
// flags in /proc/self/smaps say "dd").
bool LeftOutOfDumps(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        unsigned long long start = 0, end = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx ", &start, &end) == 2) {
            inside = start <= at && at < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line.find(" dd") != std::string::npos;
        }
    }
    return false;
}

// The text handed out stays out of core dumps while it is kept, and its
// pages are as they were once it goes (the allocator's, for what comes next).
TEST_F(Sealwright, KeptTextIsLeftOutOfCoreDumps) {
    {
        // An emulator (qemu's user mode) keeps no such flag.
        void* page =
            mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(page, MAP_FAILED);
        madvise(page, 4096, MADV_DONTDUMP);
        const bool shown = LeftOutOfDumps(page);
        munmap(page, 4096);
        if (!shown) GTEST_SKIP() << "this system does not show what is left out of dumps";
    }
    const std::wstring path =
        File(sealwright::Seal(key, AsBytes("<t>" + std::string(5 * 4096, 'x') + "</t>")));
    wchar_t* text = nullptr;
    ASSERT_TRUE(DecryptXmlFile(path.c_str(), &text));
    const wchar_t* middle = text + SysStringLen(text) / 2;
    EXPECT_TRUE(LeftOutOfDumps(middle));
    EXPECT_FALSE(DecryptXmlFile(nullptr, &text));  // drops the kept text
    EXPECT_FALSE(LeftOutOfDumps(middle));
}

// Others who can read the key file can open every sealed file; others who
// can change it, or its owner, can change the key. Each is named (the
// command's test shows each mode others can change); the administrator,
// who can do all of it anyway, is not.
TEST_F(Sealwright, KeyFilesOthersCanReadChangeOrOwnAreNamed) {
    const std::wstring path = File(sealwright::Seal(key, AsBytes("<k/>")));
    const std::string file = TestFile("key.txt", kKeyHex).string();
    SetEnvironment("SEALWRIGHT_KEY", nullptr);
    SetEnvironment("SEALWRIGHT_KEY_FILE", file.c_str());
    const uid_t self = geteuid(), nobody = kNobody;
    const struct {
        mode_t mode;
        uid_t owner, reader;
        const char* warning;
    } rows[] = {
        {0600, self, self, ""},
        {0640, self, self, " can be read by others than its owner"},
        // Giving a file away takes the administrator's rights.
        {0600, nobody, 0, " belongs to another user"},
        {0644, nobody, 0, " belongs to another user and can be read by others than its owner"},
        {0604, 0, nobody, " can be read by others than its owner"},
    };
    for (const auto& row : rows) {
        if (row.owner != self && self != 0) {
            std::printf("skipped (not the administrator): mode %o, owner %u\n",
                        static_cast<unsigned>(row.mode), static_cast<unsigned>(row.owner));
            continue;
        }
        ASSERT_EQ(chown(file.c_str(), row.owner, static_cast<gid_t>(-1)), 0);
        ASSERT_EQ(chmod(file.c_str(), row.mode), 0);
        const auto open = [&] {
            const std::string opened = Decrypted(path) == L"<k/>" ? "" : "(false)";
            return opened + SealwrightKeyWarning();
        };
        EXPECT_EQ(row.reader == self ? open() : AsUser(row.reader, open),
                  *row.warning ? "the key file " + file + row.warning : "")
            << std::oct << row.mode;
    }
}

// The text that DecryptXmlFile hands out is kept until the thread's next
// call, or until the library unloads: then every thread's is wiped, not
// only the unloading thread's. Here a thread still runs when it goes.
TEST_F(Sealwright, UnloadingWipesTheTextOfEveryThread) {
#if defined(FLATDOM_SANITIZED)
    GTEST_SKIP() << "the sanitizers keep freed memory: the plain build scans";
#endif
    // The text in read-only memory, which the scan skips, and a copy to seal
    // that is wiped once sealed: no stray copy of the test's own.
    static const char kText[] = "<t>a secret that unloading wipes from every thread</t>";
    Bytes plain(kText, kText + sizeof kText - 1);
    std::string masked;  // the secret as the thread holds it, wide
    for (const char* c = kText + 3; c < kText + sizeof kText - 5; ++c) {
        const wchar_t wide = *c;
        masked += Masked(&wide, sizeof wide);
    }
    const std::wstring path = File(sealwright::Seal(key, plain));
    sealwright::Wipe(plain.data(), plain.size());

    void* library = dlopen(SEALWRIGHT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto decrypt = reinterpret_cast<bool (*)(const wchar_t*, wchar_t**)>(
        dlsym(library, "_Z14DecryptXmlFilePKwPPw"));
    ASSERT_NE(decrypt, nullptr);
    std::promise<bool> decrypted, unloaded;
    std::thread thread([&] {
        wchar_t* text = nullptr;
        decrypted.set_value(decrypt(path.c_str(), &text));
        unloaded.get_future().wait();
    });
    EXPECT_TRUE(decrypted.get_future().get());
    EXPECT_EQ(Occurrences(masked), 1);  // the thread's kept text
    EXPECT_EQ(dlclose(library), 0);
    EXPECT_EQ(dlopen(SEALWRIGHT_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr) << "not unloaded";
    EXPECT_EQ(Occurrences(masked), 0);
    unloaded.set_value(true);
    thread.join();
}
#endif

}  // namespace
