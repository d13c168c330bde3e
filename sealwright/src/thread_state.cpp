#include "thread_state.h"

#include <algorithm>
#include <new>

#include "format.h"
#include "secret_memory.h"

#if !defined(_WIN32)
#include <pthread.h>

#include <mutex>
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
    void Add(ThreadState*) {}

  private:
    DWORD m_index;
};
#else
extern "C" void FreeState(void* value);

// A thread-specific key: the system calls FreeState for a thread's value when
// the thread ends, but deleting the key reaches no value. So every state is
// also on a list, and the unload frees what is left on it: the states of the
// threads that are still running, the unloading one among them.
class Slot {
  public:
    Slot() : m_ready(pthread_key_create(&m_key, &FreeState) == 0) {}
    ~Slot() {
        if (!m_ready) return;
        pthread_key_delete(m_key);  // no thread that ends from now on calls FreeState
        std::lock_guard<std::mutex> lock(m_mutex);
        while (m_first)
            Delete(m_first);
    }
    void* Get() const { return m_ready ? pthread_getspecific(m_key) : nullptr; }
    bool Set(void* value) { return m_ready && pthread_setspecific(m_key, value) == 0; }
    void Add(ThreadState* state) {
        std::lock_guard<std::mutex> lock(m_mutex);
        state->next = m_first;
        if (m_first) m_first->previous = state;
        m_first = state;
    }
    // Frees the state of a thread that ends, unless the unload, which may
    // run at the same time, freed it already.
    void Remove(ThreadState* state) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (ThreadState* listed = m_first; listed; listed = listed->next) {
            if (listed == state) {
                Delete(state);
                return;
            }
        }
    }

  private:
    void Delete(ThreadState* state) {
        (state->previous ? state->previous->next : m_first) = state->next;
        if (state->next) state->next->previous = state->previous;
        delete state;
    }

    pthread_key_t m_key{};
    bool m_ready;
    std::mutex m_mutex;
    ThreadState* m_first = nullptr;
};
#endif

Slot g_slot;

#if !defined(_WIN32)
extern "C" void FreeState(void* value) {
    if (value != kNoState) g_slot.Remove(static_cast<ThreadState*>(value));
}
#endif

}  // namespace

void ThreadState::Begin() noexcept {
    ClearReport();
    DropText();
}

void ThreadState::ClearReport() noexcept {
    failure.clear();
    warning.clear();
    m_fixedFailure = nullptr;
}

wchar_t* ThreadState::KeepText(const wchar_t* text, std::size_t size) {
    DropText();
    if (size > 0x3FFFFFFFu) return nullptr;
    // Made empty first, so that the text is never where a dump would take it.
    m_text = SysAllocStringLen(nullptr, static_cast<UINT>(size));
    if (!m_text) return nullptr;
    KeepOutOfDumps(m_text, SysStringByteLen(m_text));
    std::copy(text, text + size, m_text);
    return m_text;
}

void ThreadState::DropText() noexcept {
    if (!m_text) return;
    Wipe(m_text, SysStringByteLen(m_text));
    AllowInDumps(m_text, SysStringByteLen(m_text));
    SysFreeString(m_text);
    m_text = nullptr;
}

ThreadState* CurrentThreadState() noexcept {
    void* value = g_slot.Get();
    if (value && value != kNoState) return static_cast<ThreadState*>(value);
    auto* state = new (std::nothrow) ThreadState;
    if (state && g_slot.Set(state)) {
        g_slot.Add(state);
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
