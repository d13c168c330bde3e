// The registries on their own, with counting stand-ins for interfaces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <vector>

#include "nodes/interface_list.h"
#include "nodes/string_collector.h"
#include "support/fakes.h"

namespace {

TEST(InterfaceList, ReleasesAndFreesFarMoreThan65535Entries) {
    std::vector<std::unique_ptr<FakeNode>> nodes;
    for (int i = 0; i < 35000; ++i)
        nodes.push_back(std::make_unique<FakeNode>("n", nullptr));
    InterfaceList<IXMLDOMNode> list;
    for (int pass = 0; pass < 2; ++pass) {
        for (auto& node : nodes) {
            node->refs = pass + 1;
            list.Add(node.get());
        }
    }
    EXPECT_EQ(list.GetCount(), 70000u);
    list.ReleaseAll();
    for (const auto& node : nodes)
        ASSERT_EQ(node->refs, 0);
    list.RemoveAll();  // every cell freed: LeakSanitizer checks
}

TEST(InterfaceList, DestructionFreesCellsAndReleasesNothing) {
    Journal journal;
    FakeNode node("node", &journal);
    {
        InterfaceList<IXMLDOMNode> list;
        list.Add(&node);
        list.Add(&node);
        InterfaceList<IXMLDOMNode> empty;
        empty.ReleaseAll();
    }
    EXPECT_TRUE(journal.calls.empty());
}

wchar_t* MallocCopy(const wchar_t* text) {
    auto* copy = static_cast<wchar_t*>(std::malloc((std::wcslen(text) + 1) * sizeof(wchar_t)));
    return std::wcscpy(copy, text);
}

TEST(StringCollector, OwnsAndFreesItsStrings) {
    StringCollector strings;
    strings.Add(nullptr);
    for (const wchar_t* text : {L"one", L"two", L"three"})
        strings.Add(MallocCopy(text));
    EXPECT_EQ(strings.GetCount(), 3u);
    strings.RemoveAll();  // strings and cells freed: LeakSanitizer checks
    EXPECT_EQ(strings.GetCount(), 0u);
    strings.Add(MallocCopy(L"again"));
    EXPECT_EQ(strings.Head()->m_nIndex, 0u);
    wchar_t kept[] = L"not the list's";
    ListOfTCHAR borrowed;  // without auto-free the strings stay
    borrowed.Add(kept);
    borrowed.RemoveAll();
    EXPECT_STREQ(kept, L"not the list's");
}  // destruction frees what is still recorded

}  // namespace
