// Looking for a secret in this process's memory (Linux: /proc/self/mem).
#ifndef FLATDOM_TESTS_SUPPORT_MEMORY_SCAN_H
#define FLATDOM_TESTS_SUPPORT_MEMORY_SCAN_H

#include <string>

// The bytes of text, each XOR 0x5A: a test keeps what it looks for in this
// form, so that its own copy does not count.
std::string Masked(const void* text, std::size_t size);

// How often the bytes that masked stands for occur in this process's
// writable memory, freed memory included.
int Occurrences(const std::string& masked);

#endif
