// CString: the wide string value that the conversions return. It owns its
// characters (from the object allocator) and copies on copy; a default or
// empty CString holds no storage and reads as "".
#ifndef FLATDOM_CSTRING_H
#define FLATDOM_CSTRING_H

#include <cwchar>

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
    ~CString() { delete[] m_pszData; }

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
        delete[] m_pszData;
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
    void Append(const wchar_t* text, std::size_t count) {
        if (count == 0) return;
        wchar_t* grown = new wchar_t[m_nLength + count + 1];
        if (m_nLength) std::wmemcpy(grown, m_pszData, m_nLength);
        std::wmemcpy(grown + m_nLength, text, count);
        grown[m_nLength + count] = L'\0';
        delete[] m_pszData;
        m_pszData = grown;
        m_nLength += count;
    }

    wchar_t* m_pszData = nullptr;
    std::size_t m_nLength = 0;
};

#endif
