// Hostile documents: nothing external is ever read, expansion stays bounded.
#include <cstdio>
#include <fstream>

#include <libxml/parser.h>

#include "engine/engine_fixture.h"

namespace {

class EngineHostileInput : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        secretPath = ::testing::TempDir() + "engine_secret.txt";
        std::ofstream(secretPath) << "TOP-SECRET";
        secretUrl = std::wstring(secretPath.begin(), secretPath.end());
    }
    void TearDown() override {
        std::remove(secretPath.c_str());
        EngineTest::TearDown();
    }
    // The document's whole text never shows the file's content.
    void ExpectSecretUnread() { EXPECT_EQ(Xml(doc.get()).find(L"TOP-SECRET"), std::wstring::npos); }

    std::string secretPath;
    std::wstring secretUrl;
};

TEST_F(EngineHostileInput, ExternalGeneralEntitiesAreNotRead) {
    const bool ok =
        LoadXml(L"<!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + secretUrl + L"\">]><r>&x;</r>");
    ExpectSecretUnread();
    if (ok) {
        EXPECT_EQ(Text(Select(L"r").get()), L"");
    }
}

TEST_F(EngineHostileInput, ExternalParameterEntitiesAreNotRead) {
    LoadXml(L"<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + secretUrl + L"\"> %p;]><r/>");
    ExpectSecretUnread();
}

TEST_F(EngineHostileInput, ANamedExternalDtdIsNotFetchedAndTheDocumentLoads) {
    EXPECT_TRUE(
        LoadXml(L"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
                L"\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">"
                L"<html><p>fine</p></html>"));
    EXPECT_EQ(Text(Select(L"html/p").get()), L"fine");
    EXPECT_TRUE(LoadXml(L"<!DOCTYPE r SYSTEM \"" + secretUrl + L"\"><r/>"));
    ExpectSecretUnread();
}

TEST_F(EngineHostileInput, ExponentialEntityExpansionDoesNotLoad) {
    std::wstring dtd = L"<!DOCTYPE r [<!ENTITY e0 \"lollollollollollollollollollol\">";
    for (int i = 1; i <= 12; ++i) {
        dtd += L"<!ENTITY e" + std::to_wstring(i) + L" \"";
        for (int k = 0; k < 10; ++k)
            dtd += L"&e" + std::to_wstring(i - 1) + L";";
        dtd += L"\">";
    }
    EXPECT_FALSE(LoadXml(dtd + L"]><r>&e12;</r>"));
}

TEST_F(EngineHostileInput, TheHostsOwnLoaderStillServesOtherParses) {
    // Outside the engine, libxml2 loads what its caller asks for.
    ASSERT_TRUE(LoadXml(L"<r/>"));
    xmlDocPtr own =
        xmlReadFile(secretPath.c_str(), nullptr, XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    EXPECT_EQ(own, nullptr);  // not XML, but it was opened: the error says so
    xmlErrorPtr error = xmlGetLastError();
    ASSERT_NE(error, nullptr);
    EXPECT_NE(error->code, XML_IO_LOAD_ERROR);
}

}  // namespace
