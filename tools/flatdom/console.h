// The command line and the console, in wide text: arguments come in as the
// system gives them, output goes out as UTF-8.
#ifndef FLATDOM_TOOLS_CONSOLE_H
#define FLATDOM_TOOLS_CONSOLE_H

#include <cstdio>
#include <string>
#include <vector>

namespace console {

// The program's arguments after its name.
std::vector<std::wstring> Arguments(int argc, char** argv);

// Writes text as UTF-8.
void Write(std::FILE* stream, const std::wstring& text);
inline void Out(const std::wstring& text) {
    Write(stdout, text);
}
inline void Err(const std::wstring& text) {
    Write(stderr, text);
}

}  // namespace console

#endif
