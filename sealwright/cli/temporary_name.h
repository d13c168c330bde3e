// The names of files being written: ".NAME.XXXXXXXXXXXX" beside NAME, twelve
// random hexadecimal digits, NAME cut short where the whole would pass the
// folder's limit on names.
#ifndef SEALWRIGHT_CLI_TEMPORARY_NAME_H
#define SEALWRIGHT_CLI_TEMPORARY_NAME_H

#include <cstddef>
#include <string>

namespace cli {

// Temporary names tried before the command gives up on finding a free one.
constexpr int kNameAttempts = 100;

// A new temporary name for name (a name in a folder, no separator), of at
// most limit bytes; NAME is cut at the start of a UTF-8 character. Throws
// IoError naming shown where the system gives no random bytes.
std::string TemporaryName(const std::string& name, std::size_t limit, const std::string& shown);

// Whether candidate is a temporary name that TemporaryName could give for name.
bool IsTemporaryNameOf(const std::string& candidate, const std::string& name, std::size_t limit);

}  // namespace cli

#endif
