// A minimal owning pointer for COM interfaces in tests.
#ifndef FLATDOM_TESTS_SUPPORT_COM_PTR_H
#define FLATDOM_TESTS_SUPPORT_COM_PTR_H

#include <utility>

template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        Reset();
        m_p = std::exchange(other.m_p, nullptr);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    // For out-parameters: releases what is held and hands out the slot.
    T** Out() {
        Reset();
        return &m_p;
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T* Detach() { return std::exchange(m_p, nullptr); }

  private:
    T* m_p = nullptr;
};

#endif
