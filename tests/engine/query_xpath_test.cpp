// XPath 1.0 as the query engine runs it, one table per family: functions,
// number text, comparisons, axes, names and prefixes, and what is refused.
#include "engine/query_fixture.h"

namespace {

const char kBooks[] =
    "<!DOCTYPE shelf [<!ATTLIST book id ID #IMPLIED>]>"
    "<shelf xmlns:p='urn:p' xml:lang='en-GB'><!--c--><?note hi?>"
    "<book id='b1' n='3' xml:id='first'><t>Dune</t><p:price p:cur='EUR'>9.5</p:price></book>"
    "<book id='b2' n='1.5'><t>Emma <![CDATA[<1>]]></t><p:price>12</p:price></book>"
    "<book id='b3' n='x' xml:lang='de'><t>  Faust  </t></book></shelf>";

class XPathQuery : public QueryTest {
  protected:
    void SetUp() override { Load(kBooks, true); }
    // Each test must hold at the root element.
    void CheckAll(std::initializer_list<const wchar_t*> tests) {
        for (const wchar_t* test : tests)
            EXPECT_TRUE(Holds(test)) << Narrow(test);
    }
};

TEST_F(XPathQuery, StringFunctions) {
    CheckAll({
        L"string(book[1]) = 'Dune9.5'",  // text and CDATA beneath, joined
        L"string(book[2]/t) = 'Emma <1>'",
        L"string() = concat('Dune9.5', 'Emma <1>12', '  Faust  ')",
        L"concat('a', 1, true()) = 'a1true'",
        L"starts-with('abc', '') and not(starts-with('abc', 'b'))",
        L"contains(book[2], '<1>') and contains('abc', '')",
        L"substring-before('1999/04/01', '/') = '1999' and substring-before('abc', 'x') = ''",
        L"substring-after('1999/04/01', '/') = '04/01' and substring-after('abc', '') = 'abc'",
        L"substring('12345', 2) = '2345' and substring('12345', 1.5, 2.6) = '234'",
        L"substring('12345', 0, 3) = '12' and substring('12345', -42, 1 div 0) = '12345'",
        L"substring('12345', 0 div 0, 3) = '' and substring('12345', -1 div 0, 1 div 0) = ''",
        L"substring('äöü€', 2, 2) = 'öü'",  // characters, not bytes
        L"string-length('äöü€') = 4 and string-length(book[1]) = 7",
        L"normalize-space(book[3]/t) = 'Faust' and normalize-space(' a \t\n b ') = 'a b'",
        L"translate('bar', 'abc', 'ABC') = 'BAr' and translate('--aaa--', 'abc-', 'ABC') = 'AAA'",
        L"translate('aba', 'aa', 'xy') = 'xbx' and translate('ä€', '€ä', 'EA') = 'AE'",
    });
}

TEST_F(XPathQuery, NumberAndBooleanFunctions) {
    CheckAll({
        L"number('  12  ') = 12 and number('-.5') = -0.5 and number('1e3') = 1000",
        L"number('+1') != number('+1') and number('1e') != number('1e')",  // NaN
        L"sum(book/@n) != sum(book/@n) and sum(book[position() < 3]/@n) = 4.5",
        L"count(book) = 3 and count(//node()) = 17 and count(/) = 1",
        L"floor(-1.5) = -2 and ceiling(-1.5) = -1 and floor(2) = 2",
        L"round(2.5) = 3 and round(-2.5) = -2 and round(-0.4) = 0 and 1 div round(-0.4) < 0",
        L"string(round(1 div 0)) = 'Infinity' and string(round(0 div 0)) = 'NaN'",
        L"boolean('false') and not(boolean('')) and not(boolean(0)) and not(0 div 0)",
        L"boolean(book) and not(boolean(nothing)) and true() and not(false())",
        L"book[last()]/@id = 'b3' and book[position() = 2]/@id = 'b2'",
        L"5 mod 2 = 1 and 5 mod -2 = 1 and -5 mod 2 = -1 and 10 div 4 = 2.5",
        L"1 + 2 * 3 = 7 and (1 + 2) * 3 = 9 and - - 1 = 1 and 1 - -1 = 2",
        L"lang('en') and book[1][lang('EN')] and book[3][lang('de')] and not(lang('e'))",
        L"id('first')/@id = 'b1' and count(id('first nothing first')) = 1",
        L"count(id(book/@xml:id)) = 1",
        L"id('b3 b2')[1]/@n = 1.5 and count(id('b1 first')) = 1",  // the DTD's ID type too
    });
}

TEST_F(XPathQuery, NumbersAsText) {
    CheckAll({
        L"string(1 div 3) = '0.3333333333333333'",  // every digit that tells it apart
        L"string(0.1 + 0.2) = '0.30000000000000004'",
        L"string(1e21) = '1000000000000000000000' and string(2.5e-7) = '0.00000025'",
        L"string(-0) = '0' and string(1.50) = '1.5' and string(-2.5) = '-2.5'",
        L"string(1 div 0) = 'Infinity' and string(-1 div 0) = '-Infinity'",
        L"string(0 div 0) = 'NaN' and string(123456789012) = '123456789012'",
        L"book[1]/p:price = 9.5 and book[1]/p:price = '9.5' and book[2]/p:price > 10",
    });
}

// Comparisons of node-sets: some pair of values compares so.
TEST_F(XPathQuery, Comparisons) {
    CheckAll({
        L"book/@id = 'b2' and book/@id != 'b2' and not(nothing = 'x') and not(nothing != 'x')",
        L"book/@n = 1.5 and book/@n > 2 and book/@n < 2 and not(book/@n > 3)",
        L"book/@n = book[2]/@n and book/@n != book/@n and not(nothing = book)",
        L"book/@n < book/@n and not(book[1]/@n < book[2]/@n)",  // numbers: some pair
        L"book = true() and nothing = false() and book != false() and (book/@n < 2) = true()",
        L"1 = '1' and '1' = 1.0 and true() = 1 and true() = 'x' and false() = ''",
        L"'2' < '10' and not('a' < 'b') and not('a' > 'b')",  // orderings compare numbers
        L"(1 = 1) = (2 = 2) and 1 = 1 = 1",
    });
}

TEST_F(XPathQuery, Axes) {
    const struct {
        const wchar_t* query;
        const char* expected;
    } rows[] = {
        {L"/shelf/book[2]/child::*", "t=Emma <1> p:price=12"},
        {L"/shelf/book[2]/descendant::node()",
         "t=Emma <1> #text=Emma  #cdata=<1> p:price=12 #text=12"},
        {L"/shelf/book[2]/descendant-or-self::*", "book=Emma <1>12 t=Emma <1> p:price=12"},
        {L"/shelf/book[2]/parent::node()", "shelf=Dune9.5Emma <1>12  Faust  "},
        {L"/shelf/book[2]/t/ancestor::*", "shelf=Dune9.5Emma <1>12  Faust   book=Emma <1>12"},
        {L"/shelf/book[2]/t/ancestor::*[1]", "book=Emma <1>12"},  // nearest first
        {L"/shelf/book[2]/t/ancestor-or-self::*[2]", "book=Emma <1>12"},
        {L"/shelf/book[2]/following-sibling::*", "book=  Faust  "},
        {L"/shelf/book[2]/preceding-sibling::node()", "#comment=c ?note=hi book=Dune9.5"},
        {L"/shelf/book[2]/preceding-sibling::node()[1]", "book=Dune9.5"},
        {L"/shelf/book[2]/following::t", "t=  Faust  "},
        {L"/shelf/book[2]/preceding::*", "book=Dune9.5 t=Dune p:price=9.5"},
        {L"/shelf/book[2]/preceding::*[1]", "p:price=9.5"},
        {L"/shelf/book[2]/attribute::*", "@id=b2 @n=1.5"},
        {L"/shelf/book[2]/self::book/@id", "@id=b2"},
        {L"//@p:cur/parent::*", "p:price=9.5"},
        {L"//@p:cur/ancestor::book/@id", "@id=b1"},
        // After an attribute come its element's children, which are not its
        // descendants.
        {L"/shelf/book[3]/@id/following::node()", "t=  Faust   #text=  Faust  "},
        {L"/shelf/book[3]/@id/preceding::t", "t=Dune t=Emma <1>"},
        {L"/shelf/book[1]/@id/following-sibling::node() | //@id/preceding-sibling::*", ""},
        {L"/shelf/namespace::*", ""},  // namespace nodes are never a result
        {L"/shelf/namespace::*/..", "shelf=Dune9.5Emma <1>12  Faust  "},
        {L"(//book)[2] | (//book)[1]", "book=Dune9.5 book=Emma <1>12"},
        {L"(//t)[last()]/../@id", "@id=b3"},
        {L"//t[1]", "t=Dune t=Emma <1> t=  Faust  "},
        {L"(//node())[3]", "?note=hi"},
        {L"/", "/=Dune9.5Emma <1>12  Faust  "},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Selected(row.query), row.expected) << Narrow(row.query);
}

// The node at a position from many contexts, in both languages: contexts
// under different parents met in turn, or met in reverse from one node, or
// holding one another, a position past the next context, the node at it a
// context itself, predicates after the number, ancestors left out of the
// preceding axis.
TEST_F(QueryTest, PositionsFromManyContexts) {
    const char xml[] =
        "<r><a i='1' x='1'/><s><a i='2'/><c i='3' x='1'/><a i='4' x='1'/><c i='5'/></s>"
        "<a i='6'/><c i='7' x='1'/><a i='8' x='1'/><c i='9'/></r>";
    const struct {
        const wchar_t* xpath;
        const wchar_t* pattern;
        const char* expected;
        const wchar_t* from;
    } rows[] = {
        {L"//a/following-sibling::c[1]/@i", L"//a/following-sibling::c[0]/@i",
         "@i=3 @i=5 @i=7 @i=9", L""},
        {L"//a/following-sibling::*[@x][2]/@i", L"//a/following-sibling::*[@x][1]/@i", "@i=4 @i=8",
         L""},
        {L"//a/preceding-sibling::*[@x][1]/@i", L"//a/preceding-sibling::*[@x][0]/@i",
         "@i=1 @i=3 @i=7", L""},
        {L"//a/preceding-sibling::*[@x][2]/@i", L"//a/preceding-sibling::*[@x][1]/@i", "@i=1", L""},
        {L"//a/following-sibling::*[@x][1][@i > 5]/@i",
         L"//a/following-sibling::*[@x][0][@i > 5]/@i", "@i=7", L""},
        {L"//*/following::c[2]/@i", L"//*/following::c[1]/@i", "@i=5 @i=7 @i=9", L""},
        {L"//c/preceding::*[2]/@i", L"//c/preceding::*[1]/@i", "@i=1 @i=3 @i=5 @i=7", L""},
        {L"//c/preceding::*[@x][1]/@i", L"//c/preceding::*[@x][0]/@i", "@i=1 @i=4 @i=8", L""},
        {L"preceding-sibling::a/following-sibling::*[@x][1]/@i",
         L"preceding-sibling::a/following-sibling::*[@x][0]/@i", "@i=7", L"//c[@i = 9]"},
        {L"preceding-sibling::a/following-sibling::*[@x][2]/@i",
         L"preceding-sibling::a/following-sibling::*[@x][1]/@i", "@i=8", L"//c[@i = 9]"},
        {L"preceding-sibling::*/preceding-sibling::*[@x][1]/@i",
         L"preceding-sibling::*/preceding-sibling::*[@x][0]/@i", "@i=1 @i=7", L"//c[@i = 9]"},
    };
    for (const bool xpath : {true, false}) {
        Load(xml, xpath);
        for (const auto& row : rows) {
            const wchar_t* query = xpath ? row.xpath : row.pattern;
            EXPECT_EQ(Selected(query, row.from), row.expected) << Narrow(query);
        }
    }
}

// Each element has a namespace node for the xml namespace, then one for each
// prefix declared in scope, nearest first; xmlns="" hides the default. The
// same node has the same identity wherever a query meets it.
TEST_F(QueryTest, NamespaceAxis) {
    Load(
        "<r xmlns:p='urn:p' xmlns='urn:d'><s xmlns:p='urn:p2' xmlns:q='urn:q'><t xmlns=''/></s>"
        "<u xmlns:xml='http://www.w3.org/XML/1998/namespace'/></r>",
        true);
    for (const wchar_t* test : {
             L"count(namespace::*) = 3 and count(*/namespace::*) = 4 + 3",
             L"namespace::*[1] = 'http://www.w3.org/XML/1998/namespace'",
             L"name(namespace::*[2]) = 'p' and namespace::*[3] = 'urn:d'",
             L"*/namespace::p = 'urn:p2' and count(*/*/namespace::*) = 3",
             L"name(*/*/namespace::*[last()]) = 'q'",
             L"count(//namespace::*) = 13 and count(//namespace::* | //namespace::*) = 13",
             L"count(//*[namespace::q]) = 2",
             L"count((//*/namespace::*)[. = 'urn:p'][count(../namespace::*) = 3]) = 2",
             L"count(//*[namespace::*[. = 'urn:q']/../namespace::*[name() = 'p'] = 'urn:p2']) = 2",
             L"(//namespace::*)[last()] = 'urn:d' and name((//namespace::*)[last()]) = ''",
         }) {
        EXPECT_TRUE(Holds(test)) << Narrow(test);
    }
}

// id() finds the element that carries each of the IDs asked for, whichever
// attribute carries it, in document order, each once; an ID given twice (also
// by a default) names the first element that has it.
TEST_F(QueryTest, IdsFoundInTheIndex) {
    for (const bool xpath : {false, true}) {
        Load(
            "<!DOCTYPE r [<!ATTLIST i id ID #IMPLIED><!ATTLIST k id ID 'z'>]><r><i id='a'>1</i>"
            "<j id='b'>2</j><i id='c' xml:id='a'>3</i><j xml:id='a'>4</j><i id=' d'>5</i>"
            "<k>6</k><k>7</k></r>",
            xpath);
        EXPECT_EQ(Selected(L"id('a')"), "i=1");
        EXPECT_EQ(Selected(L"id('z')"), "k=6");
        EXPECT_EQ(Selected(L"id(' c  a\tb c ')"), "i=1 i=3");
        EXPECT_EQ(Selected(L"id(//j/@id)"), "");  // not declared of type ID
        EXPECT_EQ(Selected(L"id(//i) | id('d')"), "i=5");
        EXPECT_EQ(Selected(L"id('') | id('x')"), "");
        EXPECT_EQ(Selected(L"//j[id('c')]"), "j=2 j=4");
    }
}

// Unprefixed names mean no namespace; a prefix means what SelectionNamespaces
// binds it to, else what is declared where the query runs from.
TEST_F(QueryTest, XPathNamesAndPrefixes) {
    const char xml[] =
        "<!--top--><r xmlns='urn:d' xmlns:p='urn:p'><a>1</a><p:b>2</p:b>"
        "<s xmlns='' xmlns:p='urn:other'><a>3</a><p:b>4</p:b></s></r>";
    Load(xml, true, L"xmlns:x='urn:p' xmlns:p='urn:bound'");
    EXPECT_EQ(Selected(L"//a"), "a=3");
    EXPECT_EQ(Selected(L"//x:b | //x:*"), "p:b=2");
    EXPECT_EQ(Selected(L"//p:b"), "");  // the host's binding comes first
    Load(xml, true);
    EXPECT_EQ(Selected(L"//p:b"), "p:b=2");  // in scope at the root element
    EXPECT_EQ(Selected(L"p:b", L"//s"), "p:b=4");
    EXPECT_EQ(Selected(L"..//p:b", L"//s/a"), "p:b=4");
    EXPECT_EQ(Selected(L"//q:b"), "error");
    EXPECT_EQ(Selected(L"nothing/q:b"), "error");           // whether or not a step is reached
    EXPECT_EQ(Selected(L"nothing[q:b]"), "");               // a predicate never run
    EXPECT_EQ(Selected(L"//@xml:lang"), "");                // xml is always bound
    EXPECT_EQ(Selected(L"r/p:b", L"/comment()"), "error");  // declared nowhere there
}

TEST_F(XPathQuery, SyntaxAcceptedAndRefused) {
    const struct {
        const wchar_t* query;
        const char* expected;
    } rows[] = {
        {L"book [ 1 ] / @ id", "@id=b1"},
        {L"child :: book[@n = 1.5e0]/t", "t=Emma <1>"},
        {L"book[@n * 2 = 3]/@id", "@id=b2"},  // * multiplies after an operand
        {L"book[@n div 1 > 2]/@id", "@id=b1"},
        {L"*[self::book][1]/@id", "@id=b1"},
        {L"count(book)", "error"},  // a number, not nodes
        {L"string(book)", "error"},
        {L"book[", "error"},
        {L"book)|(book", "error"},
        {L".[1]", "error"},
        {L"book[$x]", "error"},
        {L"book[unknown()]", "error"},
        {L"book[count()]", "error"},
        {L"book[concat('a')]", "error"},
        {L"'x' | book", "error"},
        {L"book/'x'", "error"},
        {L"p :price", "error"},
        {L"book[index() = 0]", "error"},  // the pattern language's methods
        {L"", "error"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Selected(row.query, L"shelf"), row.expected) << Narrow(row.query);
}

}  // namespace
