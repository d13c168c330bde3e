// What Sealwright keeps for each thread that calls it: why its last call
// failed, what that call warned of, and the text it handed out. The state
// lives in the system's own thread storage, whose callback frees it when the
// thread ends: mingw-w64 frees the compiler's thread_local objects before
// their destructors run. When the library unloads, every thread's state goes,
// its text wiped.
#ifndef SEALWRIGHT_THREAD_STATE_H
#define SEALWRIGHT_THREAD_STATE_H

#include <string>

#include "platform.h"

namespace sealwright {

class ThreadState {
  public:
    ThreadState() = default;
    ~ThreadState() { DropText(); }
    ThreadState(const ThreadState&) = delete;
    ThreadState& operator=(const ThreadState&) = delete;

    // Forgets what the last call left: its failure, its warning, its text.
    void Begin() noexcept;
    // Forgets the last call's failure and warning only: for a call that
    // hands out no text, which leaves the text handed out before alone.
    void ClearReport() noexcept;
    // The size units at text as an OLE string kept until DropText, its whole
    // pages left out of core dumps meanwhile; null when memory runs out.
    wchar_t* KeepText(const wchar_t* text, std::size_t size);
    // Wipes and frees the kept text.
    void DropText() noexcept;

    // Why the last call failed; "" after a success.
    const char* Failure() const noexcept {
        return m_fixedFailure ? m_fixedFailure : failure.c_str();
    }
    // Sets a failure whose words need no memory: for when memory ran out.
    void FailWith(const char* fixed) noexcept { m_fixedFailure = fixed; }

    std::string failure;
    std::string warning;

    // The list of every thread's state, where the system cannot reach them
    // all at unload.
    ThreadState* previous = nullptr;
    ThreadState* next = nullptr;

  private:
    BSTR m_text = nullptr;
    const char* m_fixedFailure = nullptr;
};

// The failure of a call for which there was not memory enough.
extern const char kNoMemory[];

// The calling thread's state, made on its first call; null when it cannot
// be, LastFailure then saying so.
ThreadState* CurrentThreadState() noexcept;
// Why the calling thread's last call failed, "" when it has made none.
const char* LastFailure() noexcept;
// What the calling thread's last call warned of, or "".
const char* LastWarning() noexcept;

}  // namespace sealwright

#endif
