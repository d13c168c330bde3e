// The classes CoCreateInstance makes without registration. The runtime holds
// none of its own: the table is defined by what is linked with the runtime
// into the platform library (the XML DOM engine, engine/com/classes.cpp), so
// the runtime knows nothing of the objects it makes. The table is constant
// data, there before any code runs, and the runtime refers to it, so the
// linker keeps the object file that defines it. For the platform library's
// own build: it is not installed, and hosts register classes with
// CoRegisterClassObject.
#ifndef FLATDOM_PLATFORM_CLASS_TABLE_H
#define FLATDOM_PLATFORM_CLASS_TABLE_H

#include <cstddef>

#include "unknwn.h"

namespace platform {

// Makes a new object of a class and asks it for riid; *ppv is null on
// failure.
using MakeObject = HRESULT (*)(REFIID riid, void** ppv);

struct ClassEntry {
    const CLSID* clsid;
    MakeObject make;
};

struct ClassTable {
    const ClassEntry* entries;
    std::size_t count;
};

// Defined outside the runtime, with constant initializers only.
extern const ClassTable kBuiltinClasses;

}  // namespace platform

#endif
