#include "support/memory_scan.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <fstream>

std::string Masked(const void* text, std::size_t size) {
    std::string masked(static_cast<const char*>(text), size);
    for (char& c : masked)
        c = static_cast<char>(c ^ 0x5A);
    return masked;
}

int Occurrences(const std::string& masked) {
    // Read a chunk at a time into a mapping of its own, which the scan skips:
    // it holds what it last read.
    constexpr std::size_t kChunk = 1 << 20;
    auto* bytes = static_cast<unsigned char*>(
        mmap(nullptr, kChunk, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    const auto own = reinterpret_cast<std::uintptr_t>(bytes);
    const int mem = open("/proc/self/mem", O_RDONLY);
    const auto same = [](unsigned char byte, char mask) { return (byte ^ 0x5A) == (mask & 0xFF); };
    int found = 0;
    // Scans [begin, end) in chunks that overlap by the text's size; a match
    // counts in the chunk it starts in.
    const auto scan = [&](std::uintptr_t begin, std::uintptr_t end) {
        for (std::uintptr_t at = begin; at < end; at += kChunk - masked.size()) {
            const ssize_t got = pread(mem, bytes, std::min<std::uintptr_t>(kChunk, end - at),
                                      static_cast<off_t>(at));
            unsigned char* stop = bytes + std::max<ssize_t>(got, 0);
            for (unsigned char* hit = std::search(bytes, stop, masked.begin(), masked.end(), same);
                 hit != stop && hit < bytes + kChunk - masked.size();
                 hit = std::search(hit + 1, stop, masked.begin(), masked.end(), same)) {
                ++found;
            }
        }
    };
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        std::uintptr_t begin = 0, end = 0;
        char permissions[5] = {};
        std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR " %4s", &begin, &end, permissions);
        if (std::string(permissions, 2) != "rw") continue;
        scan(begin, std::min(end, std::max(begin, own)));
        scan(std::max(begin, std::min(end, own + kChunk)), end);
    }
    close(mem);
    munmap(bytes, kChunk);
    return found;
}
