#include "library_messages.h"

#include <flatdom/flatdom.h>

#include <string>

#include "console.h"

namespace console {
namespace {

int ToConsole(void*, LPCWSTR caption, LPCWSTR text, UINT) {
    std::wstring line = std::wstring(caption ? caption : L"Error") + L": " + (text ? text : L"");
    if (line.back() != L'\n') line += L'\n';
    Err(line);
    return IDOK;
}

}  // namespace

void LibraryMessagesToConsole() {
    SetMessageBoxHandler(&ToConsole, nullptr);
}

}  // namespace console
