// Linux: a command that holds keys or opened text makes itself a process
// that cannot be dumped, before it reads a key or any input: it leaves no
// core file, and no other process of the user's looks at its memory
// (ptrace and /proc/PID/mem need a process that can be dumped). Nothing is
// done on Windows.
#ifndef FLATDOM_COMMON_NOT_DUMPABLE_H
#define FLATDOM_COMMON_NOT_DUMPABLE_H

#if !defined(_WIN32)
#include <sys/prctl.h>
#include <sys/resource.h>
#endif

inline void MakeNotDumpable() {
#if !defined(_WIN32)
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
#endif
}

#endif
