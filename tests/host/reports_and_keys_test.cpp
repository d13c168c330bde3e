// What a host that must not print, or that keys Sealwright itself, sees: a
// handler of its own gets every report of a file that does not load (and
// nothing is shown); a sealed file opens with the key of the process's
// environment (on Windows set with SetEnvironmentVariableW, which a host of
// any C runtime can call) or with one handed over, and says why not without
// one.
#include <sealwright/sealwright.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/host_test.h"

namespace {

// Sealed by the sealwright tool under kKey.
const char kSealedHex[] =
    "8953574c0d0a1a0a01d4a611fd045c7a50fbd3852c79b69f78f83cc23b44558fea5b6412428713f952d936401a"
    "2148d30343393e4958909638b3b85fa50e085284ce55312ebe25e40b6213869b5184fddc8486bfae8405900d85"
    "c3da4a9ef02fd72af6c05d9abde2602f9fecb04b96e43cccd01760fe750e546fbe26d6b76ea0e4313e2caa3acf";
const wchar_t kKey[] = L"6a0b1c2d3e4f5061728394a5b6c7d8e9fa0b1c2d3e4f5061728394a5b6c7d8e9";
const char kNoKey[] = "no key: set SEALWRIGHT_KEY or SEALWRIGHT_KEY_FILE";

std::string Unhex(const char* hex) {
    std::string bytes;
    for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex + i, 2), nullptr, 16));
    return bytes;
}

// Sets (null: removes) a variable of the process's environment.
void SetVariable(const wchar_t* name, const wchar_t* value) {
#if defined(_WIN32)
    SetEnvironmentVariableW(name, value);
#else
    const std::string narrow(name, name + std::wcslen(name));
    value ? setenv(narrow.c_str(), std::string(value, value + std::wcslen(value)).c_str(), 1)
          : unsetenv(narrow.c_str());
#endif
}

// Collects the message boxes that a handler receives.
int Collect(void* reports, LPCWSTR caption, LPCWSTR text, UINT) {
    static_cast<std::vector<std::wstring>*>(reports)->push_back(std::wstring(caption) + L": " +
                                                                text);
    return IDOK;
}

class ReportsAndKeys : public HostTest {
  protected:
    void SetUp() override {
        sealed = File("config.sealed", Unhex(kSealedHex));
        SetVariable(L"SEALWRIGHT_KEY", nullptr);
        SetVariable(L"SEALWRIGHT_KEY_FILE", nullptr);
        SetMessageBoxHandler(&Collect, &reports);
    }
    void TearDown() override {
        SetMessageBoxHandler(nullptr, nullptr);
        SealwrightUseKey(nullptr);
        SetVariable(L"SEALWRIGHT_KEY", nullptr);
        HostTest::TearDown();
    }
    // Whether the sealed file loads, and what it holds.
    std::wstring LoadSealed() {
        const int loaded = LoadXmlDocument(sealed.c_str());
        const std::wstring text =
            loaded ? Text(SelectXmlRootNode(L"config/name")) : L"(not loaded)";
        ReleaseNodeInterfaces();
        return text;
    }

    std::wstring sealed;
    std::vector<std::wstring> reports;
};

TEST_F(ReportsAndKeys, EachFileThatDoesNotLoadIsReportedToTheHandlerOnce) {
    for (const std::wstring& bad :
         {sealed + L".missing", File("empty.xml", ""), File("broken.xml", "<a>\n<b>\n</a>")}) {
        reports.clear();
        EXPECT_EQ(LoadXmlDocument(bad.c_str()), 0);
        EXPECT_EQ(SelectXmlRootNode(L"a"), nullptr);
        ReleaseNodeInterfaces();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find(L"PARSE ERROR! " + bad + L" @ line "), std::wstring::npos)
            << reports[0];
    }
    // A sealed file that does not open is not reported: Sealwright says why.
    reports.clear();
    EXPECT_EQ(LoadSealed(), L"(not loaded)");
    EXPECT_STREQ(SealwrightLastFailure(), kNoKey);
    EXPECT_TRUE(reports.empty());
}

TEST_F(ReportsAndKeys, SealedFilesOpenWithTheEnvironmentsKeyOrOneHandedOver) {
    EXPECT_TRUE(IsEncrypted(sealed.c_str()));
    EXPECT_FALSE(IsEncrypted(File("plain.xml", "<config/>").c_str()));
    EXPECT_EQ(LoadSealed(), L"(not loaded)");
    EXPECT_STREQ(SealwrightLastFailure(), kNoKey);
    SetVariable(L"SEALWRIGHT_KEY", kKey);
    EXPECT_EQ(LoadSealed(), L"sealed \u00e9");
    SetVariable(L"SEALWRIGHT_KEY", nullptr);
    EXPECT_TRUE(SealwrightUseKey(kKey));
    EXPECT_EQ(LoadSealed(), L"sealed \u00e9");
    EXPECT_TRUE(SealwrightUseKey(nullptr));
    EXPECT_EQ(LoadSealed(), L"(not loaded)");
    EXPECT_STREQ(SealwrightLastFailure(), kNoKey);
    EXPECT_TRUE(reports.empty());
}

}  // namespace
