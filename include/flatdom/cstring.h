// CString: the wide string value that the conversions return. It owns its
// characters and copies on copy; a default or empty CString holds no storage
// and reads as "". The characters live in the COM task allocator's storage
// (CoTaskMemAlloc, CoTaskMemFree), which every module of a process shares:
// a host may copy, grow or free a CString whichever module made it, whatever
// compiler or C runtime each was built with.
#ifndef FLATDOM_CSTRING_H
#define FLATDOM_CSTRING_H

#include <flatdom/system.h>

#include <cwchar>
#if defined(__cpp_exceptions) || defined(_CPPUNWIND)
#include <new>
#else
#include <cstdlib>
#endif

class CString {
  public:
    CString() noexcept = default;
    // Copies text up to its NUL; null gives the empty string.
    CString(const wchar_t* text) { Append(text, text ? std::wcslen(text) : 0); }
    // Copies exactly length characters.
    CString(const wchar_t* text, int length) {
        Append(text, text && length > 0 ? static_cast<std::size_t>(length) : 0);
    }
    CString(const CString& other) { Append(other.m_pszData, other.m_nLength); }
    CString(CString&& other) noexcept : m_pszData(other.m_pszData), m_nLength(other.m_nLength) {
        other.m_pszData = nullptr;
        other.m_nLength = 0;
    }
    ~CString() { CoTaskMemFree(m_pszData); }

    CString& operator=(const CString& other) {
        if (this != &other) {
            CString copy(other);
            Swap(copy);
        }
        return *this;
    }
    CString& operator=(CString&& other) noexcept {
        CString moved(static_cast<CString&&>(other));
        Swap(moved);
        return *this;
    }
    CString& operator=(const wchar_t* text) {
        CString copy(text);
        Swap(copy);
        return *this;
    }

    int GetLength() const noexcept { return static_cast<int>(m_nLength); }
    bool IsEmpty() const noexcept { return m_nLength == 0; }
    const wchar_t* GetString() const noexcept { return m_pszData ? m_pszData : L""; }
    operator const wchar_t*() const noexcept { return GetString(); }
    wchar_t GetAt(int index) const noexcept { return GetString()[index]; }
    wchar_t operator[](int index) const noexcept { return GetAt(index); }
    void Empty() noexcept {
        CoTaskMemFree(m_pszData);
        m_pszData = nullptr;
        m_nLength = 0;
    }

    CString& operator+=(const wchar_t* text) {
        Append(text, text ? std::wcslen(text) : 0);
        return *this;
    }
    CString& operator+=(const CString& other) {
        CString copy(other);  // other may be *this
        Append(copy.m_pszData, copy.m_nLength);
        return *this;
    }
    CString& operator+=(wchar_t ch) {
        Append(&ch, 1);
        return *this;
    }

    friend bool operator==(const CString& a, const wchar_t* b) noexcept {
        return std::wcscmp(a.GetString(), b ? b : L"") == 0;
    }
    friend bool operator==(const CString& a, const CString& b) noexcept {
        return a == b.GetString();
    }
    friend bool operator!=(const CString& a, const wchar_t* b) noexcept { return !(a == b); }
    friend bool operator!=(const CString& a, const CString& b) noexcept { return !(a == b); }

  private:
    void Swap(CString& other) noexcept {
        wchar_t* data = m_pszData;
        m_pszData = other.m_pszData;
        other.m_pszData = data;
        std::size_t length = m_nLength;
        m_nLength = other.m_nLength;
        other.m_nLength = length;
    }
    // A new block for the whole text, so that text may lie in the old one.
    void Append(const wchar_t* text, std::size_t count) {
        if (count == 0) return;
        const std::size_t room = static_cast<std::size_t>(-1) / sizeof(wchar_t) - 1;
        if (count > room - m_nLength) OutOfMemory();
        void* block = CoTaskMemAlloc((m_nLength + count + 1) * sizeof(wchar_t));
        if (!block) OutOfMemory();
        wchar_t* grown = static_cast<wchar_t*>(block);
        if (m_nLength) std::wmemcpy(grown, m_pszData, m_nLength);
        std::wmemcpy(grown + m_nLength, text, count);
        grown[m_nLength + count] = L'\0';
        CoTaskMemFree(m_pszData);
        m_pszData = grown;
        m_nLength += count;
    }
    // std::bad_alloc, as new would throw; a host built without exceptions stops.
    [[noreturn]] static void OutOfMemory() {
#if defined(__cpp_exceptions) || defined(_CPPUNWIND)
        throw std::bad_alloc();
#else
        std::abort();
#endif
    }

    wchar_t* m_pszData = nullptr;
    std::size_t m_nLength = 0;
};

#endif
