// How the command's files fail: an IoError with a sentence for the user,
// which names the file and the system's reason.
#ifndef SEALWRIGHT_CLI_IO_ERROR_H
#define SEALWRIGHT_CLI_IO_ERROR_H

#include <stdexcept>
#include <string>

namespace cli {

struct IoError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws IoError: path and the sentence for errno.
[[noreturn]] void FailWithErrno(const std::string& path);

#if defined(_WIN32)
// Throws IoError: path and the system's sentence for error (GetLastError's).
[[noreturn]] void FailWithSystemError(const std::string& path, unsigned long error);
#endif

}  // namespace cli

#endif
