// The pattern language at the query level, for what the COM-level tables
// (pattern_test.cpp) and the differential probes leave open: collections on
// other axes, the case-insensitive operators and $all$ on every kind of
// operand, bound prefixes.
#include "engine/query_fixture.h"

namespace {

const char kItems[] =
    "<r xmlns:p='urn:p'><item id='a' n='Valve' v='10'><t>x</t><t>Y</t></item>"
    "<item id='b' n='valve' v='9'><t>y</t></item><item id='c' n='PUMP' v='3'/>"
    "<p:item id='d' p:v='1'/></r>";

struct Row {
    const wchar_t* query;
    const char* expected;
};

class PatternQuery : public QueryTest {
  protected:
    void Check(std::initializer_list<Row> rows, const std::wstring& from = L"") {
        for (const Row& row : rows)
            EXPECT_EQ(Selected(row.query, from), row.expected) << Narrow(row.query);
    }
};

// attribute() selects the attributes on the child axis (the default), and
// the attributes among another axis's nodes elsewhere.
TEST_F(PatternQuery, CollectionsKeepTheirAxis) {
    Load(kItems);
    Check({
        {L"r/item[0]/attribute()", "@id=a @n=Valve @v=10"},
        {L"r/item[0]/child::attribute('n')", "@n=Valve"},
        {L"r/item[0]/attribute::attribute('v')", "@v=10"},
        {L"r/item[0]/@n/self::attribute()", "@n=Valve"},
        {L"r/item[0]/@n/self::attribute('id')", ""},
        {L"r/item[0]/@n/ancestor-or-self::attribute()", "@n=Valve"},
        {L"r/item[0]/descendant::attribute() | r/ancestor::attribute()", ""},
        {L"r/item[0]!attribute('id')", "@id=a"},
        {L"//element('t')[1]", "t=Y"},
        {L"r/item[0]/t/ancestor::element('item')", "item=xY"},
        {L"r/item[0]/t[0]/following::textnode()", "#text=Y #text=y"},
        {L"r/entityref() | r/entityref('e')", ""},
        {L"r/element('p:item') | r/p:*", "p:item="},
    });
    Check({{L"ancestor(item)/@id | ancestor(*)/@n", "@id=a @n=Valve"}}, L"r/item[0]/@v");
}

// The case-insensitive operators compare text with ASCII letters folded,
// every node of a node-set against every value of the other side, never as
// numbers; $all$ holds when every pair compares so (for none, too).
TEST_F(PatternQuery, CaselessAndAll) {
    Load(kItems);
    Check({
        {L"r/item[@n $ieq$ 'VALVE']/@id", "@id=a @id=b"},
        {L"r/item[t $ieq$ 'y']/@id", "@id=a @id=b"},
        {L"r/item[t $ine$ 'y']/@id", "@id=a"},
        {L"r/item[@v $ilt$ 5]/@id", "@id=a @id=c"},  // '10' before '5' as text
        {L"r/item[@v $igt$ 5]/@id", "@id=b"},
        {L"r/item[@v $ige$ '9']/@id", "@id=b"},
        {L"r/item[@v $ile$ 3]/@id", "@id=a @id=c"},
        {L"r[item/@n $ieq$ item/t]", ""},
        {L"r[item/@n $ieq$ item/@n]", "r=xYy"},
        {L"r/item[@n $ieq$ ../item/@n][1]/@id", "@id=b"},
        {L"r/item[(@v > 5) $ieq$ 'TRUE']/@id", "@id=a @id=b"},
        {L"r/item[$all$ t $ieq$ 'Y']/@id", "@id=b @id=c"},  // none for c: holds
        {L"r/item[$all$ t $ine$ 'x']/@id", "@id=b @id=c"},
        {L"r/item[$all$ t != 'y']/@id", "@id=a @id=c"},
        {L"r/item[$all$ t < 'z']/@id", "@id=c"},  // NaN < NaN is false
        {L"r/item[$all$ @n < 5]/@id", ""},        // a name is no number: NaN orders neither way
        {L"r/item[$all$ @n >= 5]/@id", ""},
        {L"r/item[$all$ @v < @n]/@id", ""},
        {L"r/item[$all$ @v >= 9]/@id", "@id=a @id=b"},
        {L"r/item[$all$ 'a' < 5]/@id", ""},
        {L"r[$all$ item/@v < 11]", "r=xYy"},
        {L"r[$all$ item/@v < item/@n] | r[$all$ item/@n > item/@v]", ""},
        {L"r[$all$ item/@v > item/@v[. < 9]] | r[$all$ item/@v >= item/@v[. < 9]]", "r=xYy"},
        {L"r[$all$ item/@v < item/@none][$all$ item/@none > item/@n]", "r=xYy"},  // no pairs
        {L"r/item[$any$ t]/@id", "@id=a @id=b"},
        {L"r/item[@v > 5 = true()]/@id", "@id=a @id=b"},
    });
}

// Prefixes the host binds match by namespace; others as written.
TEST_F(PatternQuery, BoundPrefixes) {
    Load(kItems, false, L"xmlns:q='urn:p' xmlns:p='urn:nothing'");
    Check({
        {L"r/q:item | r/q:*", "p:item="},
        {L"r/p:item | r/p:*", ""},
        {L"r/q:item/@q:v", "@p:v=1"},
        {L"r/element('q:item')/@id", "@id=d"},
        {L"r/x:item", ""},
        {L"r/item[0]/@xml:lang", ""},
    });
}

}  // namespace
