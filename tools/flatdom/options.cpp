#include "options.h"

#include <algorithm>
#include <map>

namespace options {
namespace {

// What an option takes after it.
enum class Takes { kNothing, kValue, kValues };
const std::map<std::wstring, Takes> kOptions = {
    {L"--as", Takes::kValue},
    {L"--float", Takes::kNothing},
    {L"--xpath", Takes::kNothing},
    {L"-N", Takes::kValues},
};

// An option, not a word: --NAME, or -N with its value or before it. Other
// words that start with "-" are words ("-" for standard input, a negative
// number, a file named -x.xml).
bool LooksLikeOption(const std::wstring& argument) {
    return (argument.size() > 2 && argument.compare(0, 2, L"--") == 0) ||
           argument.compare(0, 2, L"-N") == 0;
}

}  // namespace

bool AsksForHelp(const std::vector<console::Argument>& arguments) {
    for (const console::Argument& argument : arguments) {
        if (argument.text == L"--") return false;
        if (argument.text == L"--help" || argument.text == L"-h") return true;
    }
    return false;
}

bool Parse(const std::wstring& name, const std::vector<console::Argument>& arguments,
           const std::vector<std::wstring>& allowed, Command& command, std::wstring& error) {
    bool ended = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i].text;
        if (!ended && argument == L"--") {
            ended = true;
            continue;
        }
        if (ended || !LooksLikeOption(argument)) {
            command.words.push_back(arguments[i]);
            continue;
        }
        // The option's name, and the value written into the same argument.
        std::wstring option = argument;
        std::wstring value;
        bool attached = false;
        if (argument.compare(0, 2, L"--") == 0) {
            const std::size_t equals = argument.find(L'=');
            attached = equals != std::wstring::npos;
            if (attached) {
                option = argument.substr(0, equals);
                value = argument.substr(equals + 1);
            }
        } else if (argument.size() > 2) {
            option = argument.substr(0, 2);
            value = argument.substr(2);
            attached = true;
        }
        const auto known = kOptions.find(option);
        if (known == kOptions.end()) {
            error = L"unknown option " + argument;
            return false;
        }
        if (std::find(allowed.begin(), allowed.end(), option) == allowed.end()) {
            error = name + L" takes no " + option;
            return false;
        }
        if (known->second == Takes::kNothing) {
            if (attached) {
                error = option + L" takes no value";
                return false;
            }
            command.options[option] = L"";
            continue;
        }
        if (!attached) {
            if (i + 1 >= arguments.size()) {
                error = option + L" needs a value";
                return false;
            }
            value = arguments[++i].text;
        }
        if (known->second == Takes::kValue) {
            command.options[option] = value;
        } else {
            command.namespaces.push_back(value);
        }
    }
    return true;
}

}  // namespace options
