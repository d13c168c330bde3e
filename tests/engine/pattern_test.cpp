// The default query language: each row a document, a query and what it
// selects ("name=text" a node, "error" for a query the engine refuses). The
// differential test (tests/differential/probes.cases) compares the language
// family by family with the Windows engine under Wine.
#include "engine/engine_fixture.h"

namespace {

struct Row {
    const wchar_t* xml;
    const wchar_t* query;
    const wchar_t* expected;
};

const wchar_t kItems[] =
    L"<r><item id='a' n='Valve' v='10'><t>x</t><t>y</t></item><item id='b' n='valve' v='20'>"
    L"<t>z</t></item><item id='c' n='pump' v='3'/><?pi one?><!--c--><![CDATA[d]]></r>";

class Pattern : public EngineTest {
  protected:
    std::wstring Answer(const Row& row) {
        return LoadXml(row.xml) ? Selected(doc.get(), row.query) : L"(not loaded)";
    }
    void Check(std::initializer_list<Row> rows) {
        for (const Row& row : rows)
            EXPECT_EQ(Answer(row), row.expected) << row.query << " on " << row.xml;
    }
};

// A table for each family of constructs. Most of each family is compared
// with Wine's engine by the differential test (probes.cases, family by
// family); the rows here pin what it cannot: where Wine's engine answers
// otherwise or crashes, and the queries refused.
TEST_F(Pattern, NamesMatchAsWrittenPrefixIncluded) {
    const wchar_t* ns =
        L"<c xmlns='urn:c' xmlns:p='urn:p'><i>1</i><p:i p:k='v' k='w'>2</p:i>"
        L"<g xmlns=''><i>3</i><p:i xmlns:p='urn:other'>4</p:i><q:i xmlns:q='urn:q'>5</q:i></g></c>";
    Check({
        {ns, L"//p:i", L"p:i=2 p:i=4"},  // whatever p stands for there
        {ns, L"//x:i", L""},             // an unbound prefix finds nothing
        {ns, L"c/p:i/@p:k", L"p:k=v"},
        {ns, L"//p:*", L"p:i=2 p:i=4"},
        {L"<and><or>1</or></and>", L"and/or", L"or=1"},  // operator words as names
    });
}

TEST_F(Pattern, NumbersInBracketsAreZeroBasedIndexes) {
    Check({
        {kItems, L"//t[0]", L"t=x t=z"},  // an index binds to its step: per parent
        {kItems, L"(//t)[1]", L"t=y"},    // grouped: of the whole set
        {kItems, L"r/item[1.5]", L""},
        {kItems, L"r/item[-1]", L"error"},  // there are no negative numbers
    });
}

TEST_F(Pattern, Methods) {
    Check({
        {kItems, L"r/*[nodeName() = 'item'][end()]", L"item="},
        {kItems, L"r/item[value() = 'z']", L"item=z"},
        {kItems, L"r/item[date() = 'z']", L"item=z"},
        {kItems, L"r/item[@v!number() < 5]", L"item="},
        {kItems, L"r/item[t!value() = 'z']", L"item=z"},  // the first t
        {kItems, L"r/item!index()", L"error"},
        {kItems, L"r/item!nodeName()", L"error"},  // a name, not nodes
    });
}

TEST_F(Pattern, OperatorsAnyAndAll) {
    Check({
        {kItems, L"r/item[t $ieq$ 'Y']", L"item=xy"},                   // any node of a set
        {kItems, L"r/item[$not$ @id = 'a' and @id != 'b']", L"item="},  // not(a = b)
        {kItems, L"r/item[@id = 'a'] | r/item[@id = 'c'] $union$ r/pi()", L"item=xy item= pi=one"},
        {kItems, L"r/item[$all$ t = 'z']", L"item=z item="},  // vacuously for none
        {kItems, L"r/item[$all$ t]", L"error"},               // all of what?
    });
}

TEST_F(Pattern, Collections) {
    Check({
        {kItems, L"r/cdata()", L"#cdata-section=d"},
        {kItems, L"r/pi('pi') | r/comment()", L"pi=one #comment=c"},
        {kItems, L"r/entityref()", L""},
    });
}

TEST_F(Pattern, XPathFunctionsAndErrors) {
    const std::wstring deep = std::wstring(300, L'(') + L"r" + std::wstring(300, L')');
    Check({
        {kItems, L"r/item[last()]", L"item="},
        {kItems, L"r/item[position() = last() - 1]", L"error"},  // no arithmetic
        {kItems, L"count(//t)", L"error"},                       // a number, not nodes
        {kItems, L"r/item[unknown()]", L"error"},
        {kItems, L"r/item[", L"error"},
        {kItems, L"r/item)|(//t", L"error"},
        {kItems, L"", L"error"},
        {kItems, deep.c_str(), L"error"},
    });
}

}  // namespace
