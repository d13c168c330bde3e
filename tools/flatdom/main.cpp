// flatdom: the library's command-line host. It uses the public header only,
// as any host does.
#include <flatdom/flatdom.h>
#include <flatdom/version.h>
#include <sealwright/sealwright.h>

#include <charconv>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "console.h"
#include "input_file.h"
#include "library_messages.h"

namespace {

enum Status { kFound = 0, kNoMatch = 1, kFailed = 2 };

#include "usage.h"  // kUsage, from usage.txt

int Usage(int status) {
    (status == kFound ? console::Out : console::Err)(kUsage);
    return status;
}

int Fail(const std::wstring& message) {
    console::Err(L"flatdom: " + message + L"\n");
    return kFailed;
}

// The command's words and its options (--name value, or --flag).
struct Command {
    std::vector<std::wstring> words;
    std::map<std::wstring, std::wstring> options;
};

// Splits arguments; false (with the reason in error) for an option that is
// not among allowed, or lacks its value.
bool Parse(const std::vector<std::wstring>& arguments, const std::map<std::wstring, bool>& allowed,
           Command& command, std::wstring& error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument.size() < 3 || argument.compare(0, 2, L"--") != 0) {
            command.words.push_back(argument);
            continue;
        }
        const auto option = allowed.find(argument);
        if (option == allowed.end()) {
            error = L"unknown option " + argument;
            return false;
        }
        if (!option->second) {
            command.options[argument] = L"";
        } else if (i + 1 < arguments.size()) {
            command.options[argument] = arguments[++i];
        } else {
            error = argument + L" needs a value";
            return false;
        }
    }
    return true;
}

std::wstring Number(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::wstring(buffer, end);
}

// The node's value as KIND says; false for an unknown KIND.
bool Read(IXMLDOMNode* node, const std::wstring& kind, std::wstring& value) {
    if (kind == L"text" || kind == L"name") {
        const wchar_t* text = kind == L"text" ? GetXmlText(node) : GetBaseNodeName(node);
        value = text ? text : L"";
    } else if (kind == L"int") {
        value = std::to_wstring(GetXmlNumber(node));
    } else if (kind == L"hex") {
        value = std::to_wstring(GetXmlHexNumber(node));
    } else if (kind == L"auto") {
        value = std::to_wstring(GetXmlNumber_Hex_or_Dec(node));
    } else if (kind == L"float") {
        value = Number(GetXmlFloat(node));
    } else {
        return false;
    }
    return true;
}

// get, all and count: load FILE, run QUERY, print.
int Select(const std::wstring& name, const Command& command) {
    if (command.words.size() != 2) return Usage(kFailed);
    const auto as = command.options.find(L"--as");
    const std::wstring kind = as == command.options.end() ? L"text" : as->second;
    std::wstring value;
    if (name != L"count" && !Read(nullptr, kind, value)) {
        return Fail(L"--as takes text, name, int, hex, auto or float, not " + kind);
    }
    const std::wstring& file = command.words[0];
    const std::wstring& query = command.words[1];
    InputFile input;
    if (std::wstring why; !input.Open(file, why)) return Fail(file + L": " + why);
    const bool loaded = LoadXmlDocument(input.Path().c_str()) == 1;
    // A sealed file that did not open says why; the library shows nothing.
    const std::string failure = loaded ? "" : SealwrightLastFailure();
    const bool sealed = !failure.empty() && IsEncrypted(input.Path().c_str());
    input.Loaded();
    if (const std::string warning = SealwrightKeyWarning(); !warning.empty()) {
        console::Err(L"flatdom: warning: " + std::wstring(warning.begin(), warning.end()) + L"\n");
    }
    if (!loaded) {
        ReleaseNodeInterfaces();
        if (sealed) {
            console::Err(L"flatdom: " + file + L": " +
                         std::wstring(failure.begin(), failure.end()) + L"\n");
        }
        return Fail(file + L" could not be loaded");
    }
    // A query the engine refuses gives no list at all, one that matches
    // nothing an empty list.
    IXMLDOMNode* document = SelectXmlRootNode(L"/");
    IXMLDOMNodeList* list = SelectXmlNodes(document, query.c_str());
    if (!list) {
        ReleaseNodeInterfaces();
        return Fail(L"not a valid query: " + query);
    }
    int status = kNoMatch;
    if (name == L"get") {
        if (IXMLDOMNode* node = SelectXmlRootNode(query.c_str())) {
            Read(node, kind, value);
            console::Out(value + L"\n");
            status = kFound;
        }
    } else {
        long count = 0;
        while (IXMLDOMNode* node = SelectXmlNodeFromList(list, count)) {
            ++count;
            if (name == L"all" && Read(node, kind, value)) console::Out(value + L"\n");
        }
        if (name == L"count") console::Out(std::to_wstring(count) + L"\n");
        status = count > 0 ? kFound : kNoMatch;
    }
    ReleaseNodeInterfaces();
    return status;
}

int Fixed(const Command& command) {
    if (command.words.size() != 2) return Usage(kFailed);
    wchar_t* end = nullptr;
    const double value = std::wcstod(command.words[0].c_str(), &end);
    if (command.words[0].empty() || *end) return Fail(L"not a number: " + command.words[0]);
    const long digits = std::wcstol(command.words[1].c_str(), &end, 10);
    if (command.words[1].empty() || *end)
        return Fail(L"not a count of digits: " + command.words[1]);
    const int count = static_cast<int>(digits < -1000 ? -1000 : digits > 1000 ? 1000 : digits);
    const CString text = command.options.count(L"--float")
                             ? FloatToString(static_cast<float>(value), count)
                             : DoubleToString(value, count);
    console::Out(std::wstring(text.GetString()) + L"\n");
    return kFound;
}

int Hex(const Command& command) {
    if (command.words.size() != 1) return Usage(kFailed);
    console::Out(std::to_wstring(HexStringToInt(command.words[0].c_str())) + L"\n");
    return kFound;
}

int Run(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    int bad = 0;
    if (!console::Arguments(argc, argv, arguments, bad)) {
        return Fail(L"argument " + std::to_wstring(bad) + L" is not valid UTF-8");
    }
    if (arguments.empty()) return Usage(kFailed);
    const std::wstring name = arguments.front();
    arguments.erase(arguments.begin());
    for (const std::wstring& argument : arguments) {
        if (argument == L"--help" || argument == L"-h") return Usage(kFound);
    }
    if (name == L"--help" || name == L"-h" || name == L"help") return Usage(kFound);
    if (name == L"--version") {
        console::Out(L"flatdom " FLATDOM_VERSION_STRING L"\n");
        return kFound;
    }

    std::map<std::wstring, bool> allowed;  // option -> takes a value
    if (name == L"get" || name == L"all") {
        allowed = {{L"--as", true}};
    } else if (name == L"fixed") {
        allowed = {{L"--float", false}};
    } else if (name != L"count" && name != L"hex") {
        console::Err(L"flatdom: unknown command " + name + L"\n");
        return Usage(kFailed);
    }
    Command command;
    std::wstring error;
    if (!Parse(arguments, allowed, command, error)) {
        console::Err(L"flatdom: " + error + L"\n");
        return Usage(kFailed);
    }
    if (name == L"fixed") return Fixed(command);
    if (name == L"hex") return Hex(command);
    return Select(name, command);
}

}  // namespace

int main(int argc, char** argv) {
    console::LibraryMessagesToConsole();
    const int status = Run(argc, argv);
    std::wstring why;
    if (!console::OutputArrived(why)) return Fail(L"the output could not be written: " + why);
    return status;
}
