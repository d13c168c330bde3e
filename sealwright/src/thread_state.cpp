#include "thread_state.h"

#include <new>

#include "format.h"

#if !defined(_WIN32)
#include <pthread.h>
#endif

namespace sealwright {

const char kNoMemory[] = "there is not enough memory to open it";

namespace {

// The value of a thread whose state could not be made.
char g_noState;
void* const kNoState = &g_noState;

#if defined(_WIN32)
void WINAPI FreeState(void* value) {
    if (value != kNoState) delete static_cast<ThreadState*>(value);
}

// A fiber-local slot: Windows calls FreeState for a thread's value when the
// thread ends, and for every thread's value when the slot is freed.
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
extern "C" void FreeState(void* value) {
    if (value != kNoState) delete static_cast<ThreadState*>(value);
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

void ThreadState::Begin() noexcept {
    failure.clear();
    warning.clear();
    m_fixedFailure = nullptr;
    DropText();
}

wchar_t* ThreadState::KeepText(const std::wstring& text) {
    DropText();
    if (text.size() > 0x3FFFFFFFu) return nullptr;
    m_text = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return m_text;
}

void ThreadState::DropText() noexcept {
    if (!m_text) return;
    Wipe(m_text, SysStringByteLen(m_text));
    SysFreeString(m_text);
    m_text = nullptr;
}

ThreadState* CurrentThreadState() noexcept {
    void* value = g_slot.Get();
    if (value && value != kNoState) return static_cast<ThreadState*>(value);
    auto* state = new (std::nothrow) ThreadState;
    if (state && g_slot.Set(state)) {
        return state;
    }
    delete state;
    g_slot.Set(kNoState);
    return nullptr;
}

const char* LastFailure() noexcept {
    void* value = g_slot.Get();
    if (!value) return "";
    return value == kNoState ? kNoMemory : static_cast<const ThreadState*>(value)->Failure();
}

const char* LastWarning() noexcept {
    void* value = g_slot.Get();
    return value && value != kNoState ? static_cast<const ThreadState*>(value)->warning.c_str()
                                      : "";
}

}  // namespace sealwright
