// The command line and the console, in wide text: arguments come in as the
// system gives them, output goes out as UTF-8 (on Windows, to a console as
// wide characters).
#ifndef FLATDOM_TOOLS_CONSOLE_H
#define FLATDOM_TOOLS_CONSOLE_H

#include <cstdio>
#include <string>
#include <vector>

namespace console {

// One argument of the program.
struct Argument {
    std::wstring text;  // U+FFFD for each byte that is not UTF-8 (on Linux)
    std::string bytes;  // on Linux, the bytes as the system gave them
    bool utf8 = true;   // whether text is all of them (on Windows, always)
    int position = 0;   // 1 for the first after the program's name
};

// The program's arguments after its name. On Linux an argument is bytes:
// one that is not valid UTF-8 (overlong forms, surrogates and bytes F8 to FF
// included) is not utf8, for the caller to refuse or to use as bytes (a
// file name).
std::vector<Argument> Arguments(int argc, char** argv);

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
