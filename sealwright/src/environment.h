// What the process gives Sealwright to find a key by: its environment
// variables and the paths they name, as the system holds them. On Windows
// that is wide text read with the system's own calls, so a variable that any
// module of the process set (SetEnvironmentVariableW, whatever C runtime it
// uses) is seen, and a key file may have any name; elsewhere, bytes.
#ifndef SEALWRIGHT_ENVIRONMENT_H
#define SEALWRIGHT_ENVIRONMENT_H

#include <string>

namespace sealwright {

#if defined(_WIN32)
using SystemText = std::wstring;
#else
using SystemText = std::string;
#endif

// The value of the variable name (ASCII) into value: false, with value
// empty, when it is unset or empty. The caller wipes a value that may hold
// a key.
bool EnvironmentVariable(const char* name, SystemText& value);

// Text of the system's (a path) for a message: UTF-8.
std::string ForMessage(const SystemText& text);

// Wide text from a host (a key file's path) as the system takes it: false
// for text that no name of the system's holds (on Linux, where names are
// UTF-8, a lone surrogate or a value past U+10FFFF, which would stand for
// U+FFFD and name another file).
bool FromHost(const wchar_t* text, SystemText& name);

}  // namespace sealwright

#endif
