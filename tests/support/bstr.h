// An owning OLE string for tests.
#ifndef FLATDOM_TESTS_SUPPORT_BSTR_H
#define FLATDOM_TESTS_SUPPORT_BSTR_H

#include <flatdom/system.h>

#include <string>

class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text)
        : m_b(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(m_b); }

    BSTR get() const { return m_b; }
    BSTR* Out() {
        SysFreeString(m_b);
        m_b = nullptr;
        return &m_b;
    }
    std::wstring str() const { return m_b ? std::wstring(m_b, SysStringLen(m_b)) : L"(null)"; }

  private:
    BSTR m_b = nullptr;
};

#endif
