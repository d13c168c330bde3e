// Compares the answers of the differential host on Linux and on Windows,
// case by case, against the table of known differences.
//
//   differential_compare CASES LINUX_ANSWERS WINDOWS_ANSWERS KNOWN
//
// Prints how many (document, query) pairs were compared and agree, and each
// known difference with its count; every other difference is printed with
// both answers and fails the run.
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

struct Case {
    std::string line;   // "doc PATH", "xpath" or "q QUERY"
    std::string doc;    // the document it belongs to
    std::string known;  // the tag that covers it, if any
};

struct Known {
    std::string reason;
    int count = 0;
};

std::vector<std::string> Lines(const char* path) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "differential_compare: cannot read %s\n", path);
        std::exit(2);
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// A tag before a doc line covers the document and its queries; one before
// a query covers that query.
std::vector<Case> Cases(const char* path) {
    std::vector<Case> cases;
    std::string doc, docTag, tag;
    for (const std::string& line : Lines(path)) {
        if (line.rfind("known ", 0) == 0) {
            tag = line.substr(6);
        } else if (line.rfind("doc ", 0) == 0 || line == "xpath" || line.rfind("q ", 0) == 0) {
            if (line.rfind("doc ", 0) == 0) {
                doc = line.substr(4);
                docTag = tag;
            }
            cases.push_back({line, doc, tag.empty() ? docTag : tag});
            tag.clear();
        }
    }
    return cases;
}

// One answer a case: its first line and the indented lines after it.
std::vector<std::string> Answers(const char* path) {
    std::vector<std::string> answers;
    for (const std::string& line : Lines(path)) {
        if (line.rfind("  ", 0) == 0 && !answers.empty()) {
            answers.back() += "\n" + line;
        } else if (!line.empty()) {
            answers.push_back(line);
        }
    }
    return answers;
}

// "id | reason" lines.
std::map<std::string, Known> Table(const char* path) {
    std::map<std::string, Known> table;
    for (const std::string& line : Lines(path)) {
        const std::size_t bar = line.find(" | ");
        if (line.empty() || line[0] == '#' || bar == std::string::npos) continue;
        table[line.substr(0, bar)].reason = line.substr(bar + 3);
    }
    return table;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: differential_compare CASES LINUX WINDOWS KNOWN\n");
        return 2;
    }
    const std::vector<Case> cases = Cases(argv[1]);
    const std::vector<std::string> linux = Answers(argv[2]);
    const std::vector<std::string> windows = Answers(argv[3]);
    std::map<std::string, Known> table = Table(argv[4]);
    if (linux.size() != cases.size() || windows.size() != cases.size()) {
        std::printf("differential: %zu cases but %zu Linux and %zu Windows answers\n", cases.size(),
                    linux.size(), windows.size());
        return 1;
    }
    int pairs = 0, agree = 0, unlisted = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const bool query = c.line.rfind("q ", 0) == 0;
        pairs += query;
        if (linux[i] == windows[i]) {
            agree += query;
            continue;
        }
        const std::string& id = c.known;
        if (!id.empty() && table.count(id)) {
            ++table[id].count;
            continue;
        }
        ++unlisted;
        std::printf("difference not listed%s:\n  linux:   %s\n  windows: %s\n",
                    id.empty() ? "" : (" (unknown tag " + id + ")").c_str(), linux[i].c_str(),
                    windows[i].c_str());
    }
    std::printf("differential: %d (document, query) pairs compared, %d agree (%.1f %%)\n", pairs,
                agree, pairs ? 100.0 * agree / pairs : 0.0);
    for (const auto& [name, known] : table)
        std::printf("  %-24s %4d  %s\n", name.c_str(), known.count, known.reason.c_str());
    if (unlisted) std::printf("%d differences not listed\n", unlisted);
    return unlisted ? 1 : 0;
}
