// What a careless or hostile query meets: one depth budget for every level
// of nesting, with the deepest query accepted running in 64 KiB of stack;
// chains and paths of any length; text that is no XML; the host's locale.
#include <pthread.h>

#include <clocale>
#include <functional>

#include "engine/query/query_limits.h"
#include "engine/query_fixture.h"
#include "support/comma_locale.h"

namespace {

using engine::query::kMaxNesting;

std::wstring Repeat(const std::wstring& text, int times) {
    std::wstring repeated;
    for (int i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

// Runs work on a thread with a stack of 64 KiB (more where the build's frames
// are larger: without optimisation, or under a sanitizer); a query that
// needed more would crash the test.
void OnSmallStack(const std::function<void()>& work) {
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__) && !defined(FLATDOM_SANITIZED)
    const std::size_t size = 64 * 1024;
#else
    const std::size_t size = 1024 * 1024;
#endif
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, size), 0);
    pthread_t thread;
    auto run = [](void* job) -> void* {
        (*static_cast<const std::function<void()>*>(job))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

// Queries of n levels of nesting (n + 1 with the whole), one shape of
// nesting each, in both languages.
struct Shape {
    bool xpath;
    std::function<std::wstring(int)> query;
};
const Shape kShapes[] = {
    {false, [](int n) { return Repeat(L"(", n) + L"a" + Repeat(L")", n); }},
    {true, [](int n) { return Repeat(L"(", n) + L"a" + Repeat(L")", n); }},
    {false, [](int n) { return Repeat(L"a[", n) + L"a" + Repeat(L"]", n); }},
    {true, [](int n) { return Repeat(L"a/a[", n) + L"a" + Repeat(L"]", n); }},
    {false, [](int n) { return Repeat(L"a[a $ieq$ ", n) + L"a" + Repeat(L"]", n); }},
    {true, [](int n) { return Repeat(L"a[. = ", n) + L"a" + Repeat(L"]", n); }},
    {false, [](int n) { return L"a[" + Repeat(L"$not$ ", n - 1) + L"a]"; }},
    {true, [](int n) { return L"a[" + Repeat(L"-", n - 1) + L"1]"; }},
    {true,
     [](int n) {
         return L"a[" + Repeat(L"concat('x', ", n - 1) + L"a" + Repeat(L")", n - 1) + L"]";
     }},
    {true,
     [](int n) { return L"a[" + Repeat(L"a | (", n - 1) + L"a" + Repeat(L")", n - 1) + L"]"; }},
    {true, [](int n) { return Repeat(L"(", n) + L"a" + Repeat(L")[1]", n); }},
};

TEST_F(QueryTest, OneDepthBudgetForEveryKindOfNesting) {
    static_assert(kMaxNesting == 64, "README.md says 64 levels");
    for (const Shape& shape : kShapes) {
        Load("<a><a x='1'>t</a></a>", shape.xpath);
        const std::wstring deepest = shape.query(kMaxNesting);
        std::string answer;
        OnSmallStack([&] { answer = Selected(deepest); });
        EXPECT_NE(answer, "error") << Narrow(deepest);
        const std::wstring deeper = shape.query(kMaxNesting + 1);
        EXPECT_EQ(Selected(deeper), "error") << Narrow(deeper);
    }
}

// Chains of operators and steps run in loops: any length is read, in time
// linear in the query's length.
TEST_F(QueryTest, ChainsAndStepsOfAnyLength) {
    for (const bool xpath : {false, true}) {
        Load("<a><a x='1'>t</a></a>", xpath);
        OnSmallStack([&] {
            EXPECT_EQ(Selected(L"a[" + Repeat(L"@y or ", 20000) + L"a]"), "a=t");
            EXPECT_EQ(Selected(L"a[" + Repeat(L"a = ", 20000) + L"a]"), "a=t");
            EXPECT_EQ(Selected(L"a[" + Repeat(L"@y | ", 20000) + L"a]"), "a=t");
            EXPECT_EQ(Selected(L"/a" + Repeat(L"/a", 20000)), "");
            EXPECT_EQ(Selected(Repeat(L"a/..//", 10000) + L"a[@x]"), "a=t");
        });
    }
    Load("<a><a x='1'>t</a></a>", true);
    EXPECT_EQ(Selected(L"a[" + Repeat(L"1 + ", 20000) + L"0 > 1]"), "a=t");
}

// A query holds characters that XML allows, or is refused.
TEST_F(QueryTest, TextThatIsNoXmlIsRefused) {
    for (const bool xpath : {false, true}) {
        Load("<a n='\xF0\x9F\x98\x80'>\xEF\xBF\xBD</a>", xpath);
        EXPECT_EQ(Selected(L"a[@n = '\U0001F600']"), "a=\xEF\xBF\xBD");
        EXPECT_EQ(Selected(L"a[. = '\uFFFD']"), "a=\xEF\xBF\xBD");
        for (const wchar_t bad : {L'\0', L'\x01', L'\x1F', wchar_t(0xD800), wchar_t(0xDFFF),
                                  wchar_t(0xFFFE), wchar_t(0xFFFF), wchar_t(0x110000)}) {
            const std::wstring literal = std::wstring(L"a[. = '") + bad + L"']";
            EXPECT_EQ(Selected(literal), "error") << int(bad);
            EXPECT_EQ(Selected(std::wstring(L"a") + bad), "error") << int(bad);
        }
    }
}

// Numbers in queries read and print the same whatever LC_NUMERIC says.
TEST_F(QueryTest, NumbersIgnoreTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    FLATDOM_USE_COMMA_LOCALE(LC_ALL);
    Load("<r><i v='1.5'/><i v='2,5'/><i v='1e1'/></r>");
    EXPECT_EQ(Selected(L"r/i[@v = 1.5] | r/i[1.0] | r/i[@v > 9.5]"), "i= i= i=");
    EXPECT_EQ(Selected(L"r/i[0.5]"), "");
    EXPECT_TRUE(Holds(L"string(0.5) = '0.5' and number('2,5') != number('2,5')"));
    Load("<r><i v='1.5'/></r>", true);
    EXPECT_TRUE(Holds(L"string(1 div 4) = '0.25' and i/@v * 2 = 3"));
    std::setlocale(LC_ALL, previous.c_str());
}

}  // namespace
