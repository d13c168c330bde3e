// Who else can reach a key file: others who can read it can open every
// sealed file, others who can change it (or who own it) can change the key.
#ifndef SEALWRIGHT_EXPOSURE_H
#define SEALWRIGHT_EXPOSURE_H

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sealwright {

// What a key file's owner and permissions let others do with it.
struct Exposure {
    bool othersRead = false;
    bool othersWrite = false;
    bool foreignOwner = false;  // neither the user nor the administrator
};

#if defined(_WIN32)
// The exposure of an open file from its owner and access list. Besides the
// owner, the user running the process, Administrators and SYSTEM may reach
// it (as the administrator may on Linux); any other user or group that an
// entry allows to read or to change the file (its data, its access list or
// its owner; or to delete it, which lets another file take its place) is
// one of the others, and so is everyone where the file has no
// access list at all. An owner other than the user, Administrators and SYSTEM
// is another user. Nothing is known (all false) when the system does not say.
Exposure ExposureOf(HANDLE file);
#endif

}  // namespace sealwright

#endif
