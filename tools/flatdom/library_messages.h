// The library's message boxes ("PARSE ERROR! ...") on standard error, as
// "caption: text": a command's user reads the console, and a script never
// waits for a click.
#ifndef FLATDOM_TOOLS_LIBRARY_MESSAGES_H
#define FLATDOM_TOOLS_LIBRARY_MESSAGES_H

namespace console {

// Before the first call into the library.
void LibraryMessagesToConsole();

}  // namespace console

#endif
