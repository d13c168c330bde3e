// The key a host hands over (SealwrightUseKey, SealwrightUseKeyFile), which
// wins over the environment. The process holds one: any thread may hand one
// over, forget it or open files with it while others do. It stays in secret
// memory (secret_memory.h), wiped when it is replaced or forgotten and when
// the library unloads.
#ifndef SEALWRIGHT_HELD_KEY_H
#define SEALWRIGHT_HELD_KEY_H

#include <string>

#include "crypto.h"

namespace sealwright {

// Holds key, and the warning about where it came from ("" for none), in
// place of the key held before.
void HoldKey(const Key& key, const std::string& warning);
// Forgets the key held, if any: the environment's counts again.
void ForgetHeldKey() noexcept;
// The key held into key, and its warning into warning; false, with neither
// touched, when none is held.
bool HeldKey(Key& key, std::string& warning);

}  // namespace sealwright

#endif
