// What Sealwright keeps for each thread that calls it: why its last
// DecryptXmlFile failed, what that call warned of, and the text it handed
// out. The state lives in the system's own thread storage, whose callback
// frees it when the thread ends: mingw-w64 frees the compiler's thread_local
// objects before their destructors run.
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

    // The text as an OLE string kept until DropText; null when memory runs out.
    wchar_t* KeepText(const std::wstring& text);
    // Wipes and frees the kept text.
    void DropText();

    std::string failure;
    std::string warning;

  private:
    BSTR m_text = nullptr;
};

// The calling thread's state, made on its first call; null when it cannot be.
ThreadState* CurrentThreadState();
// The calling thread's state if it has one, else null.
ThreadState* ExistingThreadState();

}  // namespace sealwright

#endif
