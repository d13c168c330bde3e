/// \file
/// CString, the wide string value that the conversions return.
#ifndef FLATDOM_CSTRING_H
#define FLATDOM_CSTRING_H

#include <flatdom/system.h>

#include <cwchar>
#if defined(__cpp_exceptions) || defined(_CPPUNWIND)
#include <new>
#else
#include <cstdlib>
#endif

/// A wide string value. It owns its characters and copies on copy; a default
/// or empty CString holds no storage and reads as "". The characters live in
/// the COM task allocator's storage (CoTaskMemAlloc, CoTaskMemFree), which
/// every module of a process shares: a host may copy, grow or free a CString
/// whichever module made it, whatever compiler or C runtime each was built
/// with (a host links ole32). Running out of memory throws std::bad_alloc,
/// or stops a host built without exceptions.
///
/// This is flatdom's own class, not the one of MFC or ATL: a translation unit
/// includes one or the other.
class CString {
  public:
    /// The empty string.
    CString() noexcept = default;
    /// Copies text up to its NUL.
    /// \param text the text; null gives the empty string.
    CString(const wchar_t* text) { Append(text, text ? std::wcslen(text) : 0); }
    /// Copies exactly length characters.
    /// \param text the characters; null gives the empty string.
    /// \param length how many; below 1 gives the empty string.
    CString(const wchar_t* text, int length) {
        Append(text, text && length > 0 ? static_cast<std::size_t>(length) : 0);
    }
    /// Copies other's characters.
    /// \param other the string to copy.
    CString(const CString& other) { Append(other.m_pszData, other.m_nLength); }
    /// Takes other's characters.
    /// \param other the string to take from; it is left empty.
    CString(CString&& other) noexcept : m_pszData(other.m_pszData), m_nLength(other.m_nLength) {
        other.m_pszData = nullptr;
        other.m_nLength = 0;
    }
    /// Frees the characters.
    ~CString() { CoTaskMemFree(m_pszData); }

    /// Copies other's characters.
    /// \param other the string to copy.
    /// \return this string.
    CString& operator=(const CString& other) {
        if (this != &other) {
            CString copy(other);
            Swap(copy);
        }
        return *this;
    }
    /// Takes other's characters.
    /// \param other the string to take from; it is left empty.
    /// \return this string.
    CString& operator=(CString&& other) noexcept {
        CString moved(static_cast<CString&&>(other));
        Swap(moved);
        return *this;
    }
    /// Copies text up to its NUL.
    /// \param text the text; null gives the empty string.
    /// \return this string.
    CString& operator=(const wchar_t* text) {
        CString copy(text);
        Swap(copy);
        return *this;
    }

    /// \return the number of characters, without the NUL.
    int GetLength() const noexcept { return static_cast<int>(m_nLength); }
    /// \return whether there are no characters.
    bool IsEmpty() const noexcept { return m_nLength == 0; }
    /// \return the characters, NUL-terminated, owned by the CString: valid
    ///         until it changes.
    const wchar_t* GetString() const noexcept { return m_pszData ? m_pszData : L""; }
    /// \return the same as GetString().
    operator const wchar_t*() const noexcept { return GetString(); }
    /// \param index from 0 to GetLength() (the NUL); not checked.
    /// \return the character at index.
    wchar_t GetAt(int index) const noexcept { return GetString()[index]; }
    /// \param index from 0 to GetLength() (the NUL); not checked.
    /// \return the same as GetAt().
    wchar_t operator[](int index) const noexcept { return GetAt(index); }
    /// Frees the characters: the string is empty.
    void Empty() noexcept {
        CoTaskMemFree(m_pszData);
        m_pszData = nullptr;
        m_nLength = 0;
    }

    /// Appends text up to its NUL.
    /// \param text the text; null appends nothing.
    /// \return this string.
    CString& operator+=(const wchar_t* text) {
        Append(text, text ? std::wcslen(text) : 0);
        return *this;
    }
    /// Appends other's characters.
    /// \param other the string to append; it may be this string.
    /// \return this string.
    CString& operator+=(const CString& other) {
        CString copy(other);  // other may be *this
        Append(copy.m_pszData, copy.m_nLength);
        return *this;
    }
    /// Appends one character.
    /// \param ch the character.
    /// \return this string.
    CString& operator+=(wchar_t ch) {
        Append(&ch, 1);
        return *this;
    }

    /// \param a a string.
    /// \param b a text; null counts as "".
    /// \return whether a holds the characters of b.
    friend bool operator==(const CString& a, const wchar_t* b) noexcept {
        return std::wcscmp(a.GetString(), b ? b : L"") == 0;
    }
    /// \param a a string.
    /// \param b another.
    /// \return whether a and b hold the same characters.
    friend bool operator==(const CString& a, const CString& b) noexcept {
        return a == b.GetString();
    }
    /// \param a a string.
    /// \param b a text; null counts as "".
    /// \return whether a does not hold the characters of b.
    friend bool operator!=(const CString& a, const wchar_t* b) noexcept { return !(a == b); }
    /// \param a a string.
    /// \param b another.
    /// \return whether a and b hold different characters.
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
