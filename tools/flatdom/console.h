// The command line and the console, in wide text: arguments come in as the
// system gives them, output goes out as UTF-8 (on Windows, to a console as
// wide characters).
#ifndef FLATDOM_TOOLS_CONSOLE_H
#define FLATDOM_TOOLS_CONSOLE_H

#include <cstdio>
#include <string>
#include <vector>

namespace console {

// The program's arguments after its name; false, with the position of the
// first bad one (1-based) in bad, when an argument is not valid UTF-8
// (overlong forms, surrogates and bytes F8 to FF included).
bool Arguments(int argc, char** argv, std::vector<std::wstring>& arguments, int& bad);

// Writes text as UTF-8; on Windows, where stream is a console, as wide
// characters, which the console shows whatever its code page.
void Write(std::FILE* stream, const std::wstring& text);
inline void Out(const std::wstring& text) {
    Write(stdout, text);
}
inline void Err(const std::wstring& text) {
    Write(stderr, text);
}
// Whether everything written to standard output arrived; the system's reason
// in why when not.
bool OutputArrived(std::wstring& why);

}  // namespace console

#endif
