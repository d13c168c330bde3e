// flatdom: the library's command-line host. It uses the public header only,
// as any host does.
#include <flatdom/flatdom.h>
#include <flatdom/version.h>
#include <sealwright/sealwright.h>

#include <charconv>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <common/not_dumpable.h>
#include <common/utf8.h>

#include "console.h"
#include "input_file.h"
#include "library_messages.h"
#include "number_forms.h"
#include "options.h"
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

// Whether command has the words it needs (their names in needs); the reason
// in error when not.
bool Counted(const std::wstring& name, const options::Command& command,
             const std::vector<std::wstring>& needs, std::wstring& error) {
    if (command.words.size() > needs.size()) {
        error = L"unexpected argument " + command.words[needs.size()].text;
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

// Says on standard error when text is not wholly a number of form.
void Doubt(number_forms::Form form, const wchar_t* text) {
    const std::wstring doubt = number_forms::Doubt(form, text ? text : L"");
    if (!doubt.empty()) console::Err(L"flatdom: warning: " + doubt + L"\n");
}

// The node's value as KIND says; false for an unknown KIND. A number read
// from text that is no number of its form is read all the same, with a
// warning.
bool Read(IXMLDOMNode* node, const std::wstring& kind, std::wstring& value) {
    using number_forms::Form;
    const bool number = kind == L"int" || kind == L"hex" || kind == L"auto" || kind == L"float";
    if (kind == L"xml") {
        value = Xml(node);
    } else if (kind == L"text" || kind == L"name") {
        const wchar_t* text = kind == L"text" ? GetXmlText(node) : GetBaseNodeName(node);
        value = text ? text : L"";
    } else if (!number) {
        return false;
    } else if (node) {
        const wchar_t* text = GetXmlText(node);
        if (kind == L"float") {
            Doubt(Form::kFloat, text);
            value = Number(GetXmlFloat(node));
        } else {
            Doubt(kind == L"hex" ? Form::kHex : Form::kHexOrDec, text);
            value = std::to_wstring(kind == L"hex" ? GetXmlHexNumber(node) : GetXmlNumber(node));
        }
    }
    return true;
}

// get, all and count: load FILE, run QUERY, print.
int Select(const std::wstring& name, const options::Command& command) {
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
    const std::wstring& file = command.words[0].text;
    const std::wstring& query = command.words[1].text;
    InputFile input;
    const std::string bytes = command.words[0].utf8 ? std::string() : command.words[0].bytes;
    if (std::wstring why; !input.Open(file, why, bytes)) return Fail(file + L": " + why);
    const bool loaded = LoadXmlDocument(input.Path().c_str()) == 1;
    // A sealed file that did not open says why; the library shows nothing.
    // The one load of this process is the only call that can leave a reason.
    const std::string failure = loaded ? "" : SealwrightLastFailure();
    const bool sealed = !failure.empty();
    input.Loaded();
    // Sealwright's sentences are UTF-8: a key file's name may be any text.
    const auto wide = [](const std::string& utf8) {
        std::wstring text;
        utf8::ToWide(utf8.data(), utf8.size(), text, utf8::Invalid::kReplace);
        return text;
    };
    if (const std::string warning = SealwrightKeyWarning(); !warning.empty()) {
        console::Err(L"flatdom: warning: " + wide(warning) + L"\n");
    }
    if (!loaded) {
        ReleaseNodeInterfaces();
        if (sealed) {
            console::Err(L"flatdom: " + file + L": " + wide(failure) + L"\n");
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
        // An XPath expression may give a value instead: get prints it.
        std::wstring why = L"not a valid query: " + query;
        const bool valued =
            xpath && query_language::ValueOf(document, query, declarations, value, why);
        ReleaseNodeInterfaces();
        if (!valued) return Fail(why);
        if (name != L"get") {
            return Fail(query + L" selects no nodes: its value is " + value + L" (get prints it)");
        }
        console::Out(value + L"\n");
        return kFound;
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

int Fixed(const options::Command& command) {
    if (std::wstring error; !Counted(L"fixed", command, {L"NUMBER", L"DIGITS"}, error)) {
        return Misused(error);
    }
    wchar_t* end = nullptr;
    const std::wstring& number = command.words[0].text;
    const std::wstring& count_text = command.words[1].text;
    const double value = std::wcstod(number.c_str(), &end);
    if (number.empty() || *end) return Fail(L"not a number: " + number);
    const long digits = std::wcstol(count_text.c_str(), &end, 10);
    if (count_text.empty() || *end) return Fail(L"not a count of digits: " + count_text);
    const int count = static_cast<int>(digits < -1000 ? -1000 : digits > 1000 ? 1000 : digits);
    const CString text = command.options.count(L"--float")
                             ? FloatToString(static_cast<float>(value), count)
                             : DoubleToString(value, count);
    console::Out(std::wstring(text.GetString()) + L"\n");
    return kFound;
}

int Hex(const options::Command& command) {
    if (std::wstring error; !Counted(L"hex", command, {L"TEXT"}, error)) return Misused(error);
    const std::wstring& text = command.words[0].text;
    Doubt(number_forms::Form::kHexDigits, text.c_str());
    console::Out(std::to_wstring(HexStringToInt(text.c_str())) + L"\n");
    return kFound;
}

int Run(int argc, char** argv) {
    std::vector<console::Argument> arguments = console::Arguments(argc, argv);
    if (arguments.empty()) return Misused(L"no command given");
    const std::wstring name = arguments.front().text;
    arguments.erase(arguments.begin());
    if (options::AsksForHelp(arguments)) return Usage(kFound);
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
    options::Command command;
    if (std::wstring error; !options::Parse(name, arguments, allowed, command, error)) {
        return Misused(error);
    }
    // Text must be UTF-8 (Linux's names are bytes: a FILE need not be).
    const bool selects = name != L"fixed" && name != L"hex";
    for (const console::Argument& argument : arguments) {
        const bool file =
            selects && !command.words.empty() && argument.position == command.words[0].position;
        if (!argument.utf8 && !file) {
            return Fail(L"argument " + std::to_wstring(argument.position) + L" is not valid UTF-8");
        }
    }
    if (name == L"fixed") return Fixed(command);
    if (name == L"hex") return Hex(command);
    return Select(name, command);
}

}  // namespace

int main(int argc, char** argv) {
    MakeNotDumpable();  // it may open sealed documents: keys and plain text
    console::LibraryMessagesToConsole();
    const int status = Run(argc, argv);
    std::wstring why;
    if (!console::OutputArrived(why)) return Fail(L"the output could not be written: " + why);
    return status;
}
