// Long use: 10,000 full cycles over plain and sealed files. Resident memory
// and open files must not grow (generous bounds; no timing).
#include <gtest/gtest.h>

#include <flatdom/flatdom.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/files.h"

namespace {

long ResidentKiB() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * 4;
}

// A checksum of the cycle's readings (in a double: a 32-bit long would
// overflow, and a float beyond its range does not convert).
double Cycle(const std::wstring& plain, const std::wstring& sealed, int i) {
    double total = 0;
    if (LoadXmlDocument((i % 2 ? sealed : plain).c_str())) {
        IXMLDOMNodeList* all = SelectXmlNodes(SelectXmlRootNode(L"/"), L"//*");
        for (long k = 0; IXMLDOMNode* node = SelectXmlNodeFromList(all, k); ++k) {
            total += static_cast<double>(GetXmlNumber(node)) + GetXmlFloat(node);
            GetXmlText(node);
            GetBaseNodeName(node);
        }
        DoubleToString(total, 3);
    }
    ReleaseNodeInterfaces();
    return total;
}

TEST(Soak, TenThousandCyclesHoldMemoryAndFilesSteady) {
    SetMessageBoxHandler([](void*, LPCWSTR, LPCWSTR, UINT) { return IDOK; }, nullptr);
    setenv("SEALWRIGHT_KEY_FILE", FLATDOM_EXAMPLES "/demo.key", 1);
    const std::wstring plain = std::filesystem::path(FLATDOM_EXAMPLES "/config.xml").wstring();
    const std::wstring sealed = std::filesystem::path(FLATDOM_EXAMPLES "/secrets.sealed").wstring();
    for (int i = 0; i < 500; ++i)
        Cycle(plain, sealed, i);  // settle the heap
    const long memory = ResidentKiB();
    const int files = OpenDescriptors();
    for (int i = 0; i < 10000; ++i)
        ASSERT_GT(Cycle(plain, sealed, i), 0) << "cycle " << i;
    EXPECT_EQ(OpenDescriptors(), files);
    EXPECT_LT(ResidentKiB() - memory, 16 * 1024) << "resident memory grew";
    unsetenv("SEALWRIGHT_KEY_FILE");
}

}  // namespace
