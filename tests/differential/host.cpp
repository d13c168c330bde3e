// One host program, built for Linux and for Windows: it loads documents
// through flatdom and prints what each query selects, so that the answers of
// both systems can be compared line by line.
//
//   differential_host CASES      runs the cases, prints the answers
//   differential_host --plan FILE  prints the cases for a real document: queries
//                                 made from its own names by one rule
//
// Cases, one a line: "doc PATH", then "q QUERY" (from the document) or
// "xpath" (the document's queries in XPath 1.0 from then on); "skip-wine"
// before a query that the Windows build must not run, and "known ID" before
// one whose answers differ for a reason listed in known_differences.txt.
// Each doc, xpath and q line gives one answer, whatever happened before.
#include <flatdom/flatdom.h>
#if defined(_WIN32)
#include <msxml2.h>  // IXMLDOMDocument2; the platform layer has it beside the others
#endif

#include <common/utf8.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

namespace {

// {2933BF95-7B36-11D2-B20E-00C04F983E60}, the selection properties.
const IID kIXMLDOMDocument2 = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

#if defined(_WIN32)
const bool kWindows = true;
#else
const bool kWindows = false;
#endif

std::string Utf8(const wchar_t* text) {
    return text ? utf8::FromWide(text, std::wcslen(text)) : std::string();
}

std::wstring Wide(const std::string& text) {
    std::wstring wide;
    utf8::ToWide(text.data(), text.size(), wide, utf8::Invalid::kReplace);
    return wide;
}

// The length and a hash of text.
std::string Digest(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    char digest[64];
    std::snprintf(digest, sizeof digest, "(%zu bytes, %016llx)", text.size(),
                  static_cast<unsigned long long>(hash));
    return digest;
}

// Text on one line: line breaks and tabs escaped, long text cut, with the
// digest of the whole.
std::string Shown(const std::string& text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size() && i < 80; ++i) {
        const char c = text[i];
        shown += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : std::string(1, c);
    }
    return "\"" + shown + (text.size() > 80 ? "...\" " : "\" ") + Digest(text);
}

std::string NodeName(IXMLDOMNode* node) {
    BSTR name = nullptr;
    node->get_nodeName(&name);
    std::string text = Utf8(name);
    SysFreeString(name);
    return text;
}

// A path of this system: Wine maps the Linux root to drive Z:.
std::wstring NativePath(const std::string& path) {
    return Wide(kWindows && !path.empty() && path[0] == '/' ? "Z:" + path : path);
}

void UseXPath() {
    IXMLDOMNode* document = SelectXmlRootNode(L"/");
    IXMLDOMDocument2* document2 = nullptr;
    if (!document ||
        FAILED(document->QueryInterface(kIXMLDOMDocument2, reinterpret_cast<void**>(&document2)))) {
        std::printf("xpath -> not available\n");
        return;
    }
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(L"XPath");
    BSTR name = SysAllocString(L"SelectionLanguage");
    std::printf("xpath -> %s\n", SUCCEEDED(document2->setProperty(name, value)) ? "ok" : "failed");
    SysFreeString(name);
    SysFreeString(value.bstrVal);
    document2->Release();
}

// The answer to one query: the number of nodes, each node's type, name and
// text (the first 40 nodes), and a hash of them all.
void Query(const std::string& query) {
    std::printf("q %s -> ", query.c_str());
    IXMLDOMNodeList* list = SelectXmlNodes(SelectXmlRootNode(L"/"), Wide(query).c_str());
    if (!list) {
        std::printf("error\n");
        return;
    }
    std::vector<std::string> lines;
    while (IXMLDOMNode* node = SelectXmlNodeFromList(list, static_cast<long>(lines.size()))) {
        DOMNodeType type = NODE_INVALID;
        node->get_nodeType(&type);
        lines.push_back(std::to_string(type) + " " + NodeName(node) + " " +
                        Shown(Utf8(GetXmlText(node))));
    }
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    std::printf("%zu nodes, all %s\n", lines.size(), Digest(all).c_str());
    for (std::size_t i = 0; i < lines.size() && i < 40; ++i)
        std::printf("  %s\n", lines[i].c_str());
}

int Run(const char* cases) {
    std::ifstream in(cases);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", cases);
        return 2;
    }
    bool loaded = false;
    bool skip = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("doc ", 0) == 0) {
            ReleaseNodeInterfaces();
            loaded = LoadXmlDocument(NativePath(line.substr(4)).c_str()) == 1;
            std::printf("%s -> %s\n", line.c_str(), loaded ? "loaded" : "not loaded");
        } else if (line == "xpath") {
            loaded ? UseXPath() : void(std::printf("xpath -> no document\n"));
        } else if (line == "skip-wine") {
            skip = kWindows;
        } else if (line.rfind("q ", 0) == 0) {
            if (skip) {
                std::printf("%s -> skipped\n", line.c_str());
            } else if (!loaded) {
                std::printf("%s -> no document\n", line.c_str());
            } else {
                Query(line.substr(2));
            }
            skip = false;
        }
        std::fflush(stdout);
    }
    ReleaseNodeInterfaces();
    return 0;
}

// The name of the first element child of node as written ("" if none), and
// its first attribute's name and value.
struct Names {
    std::string element, attribute, value;
};
Names FirstChild(IXMLDOMNode* node) {
    Names names;
    IXMLDOMNode* child = node ? SelectXmlNode(node, L"*") : nullptr;
    if (!child) return names;
    names.element = NodeName(child);
    if (IXMLDOMNode* attribute = SelectXmlNode(child, L"@*")) {
        names.attribute = NodeName(attribute);
        names.value = Utf8(GetXmlText(attribute));
    }
    return names;
}

// The queries a host would write for a document it knows: child paths,
// indexes, attributes, values, descendants, node kinds, methods.
void Plan(const char* path) {
    if (!LoadXmlDocument(Wide(path).c_str())) {
        std::printf("doc %s\n", path);  // compared as a load that fails
        ReleaseNodeInterfaces();
        return;
    }
    const Names root = FirstChild(SelectXmlRootNode(L"/"));
    const Names child = FirstChild(SelectXmlRootNode(Wide(root.element).c_str()));
    const std::string r = root.element;
    const std::string c = r + "/" + child.element;
    std::vector<std::string> queries = {
        "/node()", "*",           r,        "/" + r,      r + "/*",         r + "/node()",
        r + "/@*", "//comment()", "//pi()", "//*[end()]", r + "//text()[0]"};
    if (!child.element.empty()) {
        queries.insert(queries.end(),
                       {c, c + "[0]", c + "[1]", c + "[end()]", "//" + child.element, c + "/*",
                        c + "/text()", "//" + child.element + "[index() $gt$ 0]"});
        if (!child.attribute.empty() && child.value.find('\'') == std::string::npos) {
            const std::string a = "@" + child.attribute;
            queries.insert(queries.end(),
                           {c + "/" + a, "//" + a, c + "[" + a + "='" + child.value + "']",
                            c + "[" + a + " $ieq$ '" + child.value + "']",
                            c + "[" + a + " != '" + child.value + "']"});
        }
    }
    std::printf("doc %s\n", path);
    for (const std::string& query : queries) {
        const bool ascii = std::all_of(query.begin(), query.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!ascii) std::printf("known wine-non-ascii-names\n");
        std::printf("q %s\n", query.c_str());
    }
    ReleaseNodeInterfaces();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--plan") == 0) {
        Plan(argv[2]);
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: differential_host CASES | --plan FILE\n");
        return 2;
    }
    return Run(argv[1]);
}
