// The command line after the command's name: its words (a file, a query,
// numbers) and its options, as a command allows them.
#ifndef FLATDOM_TOOLS_OPTIONS_H
#define FLATDOM_TOOLS_OPTIONS_H

#include <map>
#include <string>
#include <vector>

#include "console.h"

namespace options {

struct Command {
    std::vector<console::Argument> words;
    std::map<std::wstring, std::wstring> options;  // --as and the flags given, by name
    std::vector<std::wstring> namespaces;          // each -N value, in order
};

// Whether argument asks for the usage: -h or --help, before any "--".
bool AsksForHelp(const std::vector<console::Argument>& arguments);

// Splits arguments among the words and the options of the command name.
// Options: --as KIND or --as=KIND, the flags --float and --xpath, and
// -N PREFIX=URI or -NPREFIX=URI (repeatable). "--" ends the options, so
// that a word may start with "--" or "-N"; other words that start with "-"
// are words anyway ("-" for standard input, "-1", "-x.xml"). False,
// with the reason in error, for an option that is unknown, not one of
// allowed, given a value it does not take, or lacking its value.
bool Parse(const std::wstring& name, const std::vector<console::Argument>& arguments,
           const std::vector<std::wstring>& allowed, Command& command, std::wstring& error);

}  // namespace options

#endif
