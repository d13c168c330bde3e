// A stand-in for the start-up code of Microsoft's C runtime (libcmt.lib,
// which this machine lacks), for a host that Microsoft's compiler would build
// and link against the Universal C Runtime: main gets its arguments, and the
// runtime's exit ends the program. (No static initialiser runs: the hosts
// built with it have none.)
#include <stdlib.h>

extern "C" {
int main(int argc, char** argv);
int __cdecl _configure_narrow_argv(int mode);
int* __cdecl __p___argc();
char*** __cdecl __p___argv();

int _fltused = 0;  // floating point is used

void mainCRTStartup() {
    _configure_narrow_argv(1);  // the arguments as given, no wildcards expanded
    exit(main(*__p___argc(), *__p___argv()));
}
}

#pragma comment(lib, "kernel32.lib")
#pragma comment(lib, "ucrtbase.lib")
