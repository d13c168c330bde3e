// Windows: while one lives, this program's calls to a function it imports
// from a DLL reach a stand-in instead (the program's import table is
// changed), so that a test can make a system call fail.
#ifndef FLATDOM_TESTS_SUPPORT_IMPORT_PATCH_H
#define FLATDOM_TESTS_SUPPORT_IMPORT_PATCH_H

#include <windows.h>

#include <vector>

class ImportPatch {
  public:
    ImportPatch(const char* dll, const char* function, void* standIn);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    // Whether the program imports the function at all (else nothing changed).
    bool Applied() const { return !m_slots.empty(); }

  private:
    struct Slot {
        void** address;
        void* original;
    };
    static void Set(void** slot, void* function);
    std::vector<Slot> m_slots;
};

#endif
