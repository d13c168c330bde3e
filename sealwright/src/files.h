// Reading the files Sealwright is asked about.
#ifndef SEALWRIGHT_FILES_H
#define SEALWRIGHT_FILES_H

#include <cstddef>
#include <cstdio>

#include "format.h"

namespace sealwright {

// Opens path for reading, after a leading "FILE://" or "FILE:" in any case;
// null when it cannot be opened.
std::FILE* OpenForReading(const wchar_t* path);
// Reads up to size bytes from the start; the number read.
std::size_t ReadHead(std::FILE* file, std::uint8_t* bytes, std::size_t size);
// Reads the whole file; false on a read error.
bool ReadAll(std::FILE* file, Bytes& bytes);

}  // namespace sealwright

#endif
