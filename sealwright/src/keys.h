// Keys: 64 hexadecimal digits, from the environment of the process
// (SEALWRIGHT_KEY, else the file SEALWRIGHT_KEY_FILE names), from a key file
// or text a host hands over, or new.
#ifndef SEALWRIGHT_KEYS_H
#define SEALWRIGHT_KEYS_H

#include <string>
#include <string_view>

#include "environment.h"
#include "format.h"

namespace sealwright {

// The largest key file read: a key and some comment lines.
constexpr std::size_t kMaxKeyFile = 4096;

// Parses 64 hexadecimal digits, surrounding white space allowed; any
// character outside ASCII in wide text is neither.
bool ParseKey(std::string_view hex, Key& key);
bool ParseKey(std::wstring_view hex, Key& key);
// The key as 64 hexadecimal digits, in digits[64] (no NUL).
void FormatKey(const Key& key, char digits[64]);
// A new random key.
bool GenerateKey(Key& key);

// The key from SEALWRIGHT_KEY, else from the file SEALWRIGHT_KEY_FILE names
// (a regular file of at most kMaxKeyFile bytes, where lines starting with '#'
// are comments; anything else, a FIFO too, is refused without waiting); an
// empty variable counts as unset. False, with the reason in why, when there
// is no usable key; warning, when given, names a key file that others than
// its owner can read or change, or that belongs to a user other than the
// caller and the administrator (who can read it anyway), or is "". Nothing of
// the key is left in memory but key itself.
bool KeyFromEnvironment(Key& key, std::string* why = nullptr, std::string* warning = nullptr);
// The key in the key file at path, read and checked as the one that
// SEALWRIGHT_KEY_FILE names: false, with the reason in why, when there is
// none; warning, when given, as above.
bool KeyFromFile(const SystemText& path, Key& key, std::string& why,
                 std::string* warning = nullptr);

}  // namespace sealwright

#endif
