// The host-level suite: the library as a host sees it, through the public
// header only, unchanged on Linux (our engine) and Windows (the system's).
// Where the engines may differ (reason texts, error lines, white space in
// text, the query language beyond plain paths), the tests ask only what the
// library promises.
#ifndef FLATDOM_TESTS_HOST_HOST_TEST_H
#define FLATDOM_TESTS_HOST_HOST_TEST_H

#include <flatdom/flatdom.h>

#include <string>

#include "support/files.h"

// Every test ends with the document and everything handed out given back.
class HostTest : public ::testing::Test {
  protected:
    void TearDown() override { ReleaseNodeInterfaces(); }

    static std::wstring File(const std::string& name, const std::string& bytes) {
        return TestFile(name, bytes).wstring();
    }
    static std::wstring Text(IXMLDOMNode* node) {
        const wchar_t* text = GetXmlText(node);
        return text ? text : L"(null)";
    }
};

#endif
