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
#include "query_language.h"

namespace {

enum Status { kFound = 0, kNoMatch = 1, kFailed = 2 };

#include "usage.h"  // kUsage, from usage.txt

int Usage(int status) {
    (status == kFound ? console::Out : console::Err)(kUsage);
    return status;
}

// A usage error: what is wrong, then how the command is used.
int Misused(const std::wstring& what) {
    console::Err(L"flatdom: " + what + L"\n\n");
    return Usage(kFailed);
}

int Fail(const std::wstring& message) {
    console::Err(L"flatdom: " + message + L"\n");
    return kFailed;
}

// What an option takes after it.
enum class Takes { kNothing, kValue, kValues };
const std::map<std::wstring, Takes> kOptions = {
    {L"--as", Takes::kValue},
    {L"--float", Takes::kNothing},
    {L"--xpath", Takes::kNothing},
    {L"-N", Takes::kValues},
};

// The command's words and its options: --flag, --name value, and -N values
// in the order given.
struct Command {
    std::vector<std::wstring> words;
    std::map<std::wstring, std::wstring> options;
    std::vector<std::wstring> namespaces;
};

bool IsOption(const std::wstring& argument) {
    return kOptions.count(argument) || (argument.size() > 2 && argument.compare(0, 2, L"--") == 0);
}

// Splits the arguments of the command name; false, with the reason in error,
// for an option that is unknown, not one of allowed, or lacks its value.
bool Parse(const std::wstring& name, const std::vector<std::wstring>& arguments,
           const std::vector<std::wstring>& allowed, Command& command, std::wstring& error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (!IsOption(argument)) {
            command.words.push_back(argument);
            continue;
        }
        const auto option = kOptions.find(argument);
        if (option == kOptions.end()) {
            error = L"unknown option " + argument;
            return false;
        }
        bool known = false;
        for (const std::wstring& one : allowed)
            known = known || one == argument;
        if (!known) {
            error = name + L" takes no " + argument;
            return false;
        }
        if (option->second == Takes::kNothing) {
            command.options[argument] = L"";
        } else if (i + 1 >= arguments.size()) {
            error = argument + L" needs a value";
            return false;
        } else if (option->second == Takes::kValue) {
            command.options[argument] = arguments[++i];
        } else {
            command.namespaces.push_back(arguments[++i]);
        }
    }
    return true;
}

// Whether command has the words it needs (their names in needs); the reason
// in error when not.
bool Counted(const std::wstring& name, const Command& command,
             const std::vector<std::wstring>& needs, std::wstring& error) {
    if (command.words.size() > needs.size()) {
        error = L"unexpected argument " + command.words[needs.size()];
        return false;
    }
    if (command.words.size() == needs.size()) return true;
    error = name + L" needs " + needs[0];
    for (std::size_t i = 1; i < needs.size(); ++i)
        error += (i + 1 == needs.size() ? L" and " : L", ") + needs[i];
    if (!command.words.empty()) error += L": " + needs[command.words.size()] + L" is missing";
    return false;
}

std::wstring Number(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::wstring(buffer, end);
}

// The node and what it holds as XML text, from the engine. Its line ends
// are printed as the command's own are (the Windows engine ends lines with
// CR LF, which a text stream would make CR CR LF).
std::wstring Xml(IXMLDOMNode* node) {
    BSTR xml = nullptr;
    std::wstring text;
    if (node && SUCCEEDED(node->get_xml(&xml)) && xml) {
        const UINT length = SysStringLen(xml);
        for (UINT i = 0; i < length; ++i) {
            if (xml[i] != L'\r' || i + 1 == length || xml[i + 1] != L'\n') text += xml[i];
        }
    }
    SysFreeString(xml);
    return text;
}

// The node's value as KIND says; false for an unknown KIND.
bool Read(IXMLDOMNode* node, const std::wstring& kind, std::wstring& value) {
    if (kind == L"xml") {
        value = Xml(node);
    } else if (kind == L"text" || kind == L"name") {
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
    std::wstring error;
    if (!Counted(name, command, {L"FILE", L"QUERY"}, error)) return Misused(error);
    const auto as = command.options.find(L"--as");
    const std::wstring kind = as == command.options.end() ? L"text" : as->second;
    std::wstring value;
    if (name != L"count" && !Read(nullptr, kind, value)) {
        return Misused(L"--as takes text, name, int, hex, auto, float or xml, not " + kind);
    }
    const bool xpath = command.options.count(L"--xpath") != 0;
    if (!xpath && !command.namespaces.empty()) {
        return Misused(L"-N binds prefixes for --xpath queries only");
    }
    std::wstring declarations;
    if (!query_language::Declarations(command.namespaces, declarations, error)) {
        return Misused(error);
    }
    const std::wstring& file = command.words[0];
    const std::wstring& query = command.words[1];
    InputFile input;
    if (std::wstring why; !input.Open(file, why)) return Fail(file + L": " + why);
    const bool loaded = LoadXmlDocument(input.Path().c_str()) == 1;
    // A sealed file that did not open says why; the library shows nothing.
    // The one load of this process is the only call that can leave a reason.
    const std::string failure = loaded ? "" : SealwrightLastFailure();
    const bool sealed = !failure.empty();
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
    if (std::wstring why; xpath && !query_language::UseXPath(document, declarations, why)) {
        ReleaseNodeInterfaces();
        return Fail(why);
    }
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
    } else if (long length = 0; name == L"count" && SUCCEEDED(list->get_length(&length))) {
        // The list knows its length: no node of it is needed.
        console::Out(std::to_wstring(length) + L"\n");
        status = length > 0 ? kFound : kNoMatch;
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
    if (std::wstring error; !Counted(L"fixed", command, {L"NUMBER", L"DIGITS"}, error)) {
        return Misused(error);
    }
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
    if (std::wstring error; !Counted(L"hex", command, {L"TEXT"}, error)) return Misused(error);
    console::Out(std::to_wstring(HexStringToInt(command.words[0].c_str())) + L"\n");
    return kFound;
}

int Run(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    int bad = 0;
    if (!console::Arguments(argc, argv, arguments, bad)) {
        return Fail(L"argument " + std::to_wstring(bad) + L" is not valid UTF-8");
    }
    if (arguments.empty()) return Misused(L"no command given");
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

    std::vector<std::wstring> allowed;
    if (name == L"get" || name == L"all") {
        allowed = {L"--as", L"--xpath", L"-N"};
    } else if (name == L"count") {
        allowed = {L"--xpath", L"-N"};
    } else if (name == L"fixed") {
        allowed = {L"--float"};
    } else if (name != L"hex") {
        return Misused(L"unknown command " + name);
    }
    Command command;
    if (std::wstring error; !Parse(name, arguments, allowed, command, error)) {
        return Misused(error);
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
