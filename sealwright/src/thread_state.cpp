#include "thread_state.h"

#include <new>

#include "format.h"

#if !defined(_WIN32)
#include <pthread.h>
#endif

namespace sealwright {
namespace {

#if defined(_WIN32)
void WINAPI FreeState(void* state) {
    delete static_cast<ThreadState*>(state);
}

// A fiber-local slot: Windows calls FreeState for a thread's value when the
// thread ends, and for every value left when the slot is freed.
class Slot {
  public:
    Slot() : m_index(FlsAlloc(&FreeState)) {}
    ~Slot() {
        if (m_index != FLS_OUT_OF_INDEXES) FlsFree(m_index);
    }
    void* Get() const { return m_index == FLS_OUT_OF_INDEXES ? nullptr : FlsGetValue(m_index); }
    bool Set(void* value) { return m_index != FLS_OUT_OF_INDEXES && FlsSetValue(m_index, value); }

  private:
    DWORD m_index;
};
#else
extern "C" void FreeState(void* state) {
    delete static_cast<ThreadState*>(state);
}

// A thread-specific key: the system calls FreeState for a thread's value when
// the thread ends; at unload, the unloading thread's own goes too.
class Slot {
  public:
    Slot() : m_ready(pthread_key_create(&m_key, &FreeState) == 0) {}
    ~Slot() {
        if (!m_ready) return;
        FreeState(pthread_getspecific(m_key));
        pthread_setspecific(m_key, nullptr);
        pthread_key_delete(m_key);
    }
    void* Get() const { return m_ready ? pthread_getspecific(m_key) : nullptr; }
    bool Set(void* value) { return m_ready && pthread_setspecific(m_key, value) == 0; }

  private:
    pthread_key_t m_key{};
    bool m_ready;
};
#endif

Slot g_slot;

}  // namespace

wchar_t* ThreadState::KeepText(const std::wstring& text) {
    DropText();
    if (text.size() > 0x3FFFFFFFu) return nullptr;
    m_text = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return m_text;
}

void ThreadState::DropText() {
    if (!m_text) return;
    Wipe(m_text, SysStringByteLen(m_text));
    SysFreeString(m_text);
    m_text = nullptr;
}

ThreadState* ExistingThreadState() {
    return static_cast<ThreadState*>(g_slot.Get());
}

ThreadState* CurrentThreadState() {
    if (ThreadState* state = ExistingThreadState()) return state;
    auto* state = new (std::nothrow) ThreadState;
    if (state && !g_slot.Set(state)) {
        delete state;
        return nullptr;
    }
    return state;
}

}  // namespace sealwright
