#include "input/file_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#if defined(_WIN32)
#include <common/wide_file.h>
#endif

CMyStream::CMyStream() : m_lRef(1) {}

CMyStream::~CMyStream() = default;

HRESULT CMyStream::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IStream)) {
        IStream* self = this;
        *ppv = self;
        self->AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CMyStream::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_lRef));
}

ULONG CMyStream::Release() {
    const LONG left = InterlockedDecrement(&m_lRef);
    if (left != 0) return static_cast<ULONG>(left);
    delete this;
    return 0;
}

HRESULT CMyStream::Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) {
    return E_NOTIMPL;
}
HRESULT CMyStream::SetSize(ULARGE_INTEGER) {
    return E_NOTIMPL;
}
HRESULT CMyStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
    return E_NOTIMPL;
}
HRESULT CMyStream::Commit(DWORD) {
    return E_NOTIMPL;
}
HRESULT CMyStream::Revert() {
    return E_NOTIMPL;
}
HRESULT CMyStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return E_NOTIMPL;
}
HRESULT CMyStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return E_NOTIMPL;
}
HRESULT CMyStream::Stat(STATSTG*, DWORD) {
    return E_NOTIMPL;
}
HRESULT CMyStream::Clone(IStream**) {
    return E_NOTIMPL;
}

// The mode is set by Open alone; FALSE until then, so that a stream that was
// never opened neither reads nor writes.
CMyFileStream::CMyFileStream() : m_pFile(nullptr), m_bRead(FALSE) {}

CMyFileStream::~CMyFileStream() {
    Close();
}

HRESULT CMyFileStream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
    if (!m_bRead || !m_pFile) return S_FALSE;
    if (cb == 0) return S_OK;
    // What Peek took first, then the file.
    const ULONG kept = std::min(cb, m_startSize - m_startRead);
    std::memcpy(pv, m_start + m_startRead, kept);
    m_startRead += kept;
    const std::size_t n = kept + std::fread(static_cast<char*>(pv) + kept, 1, cb - kept, m_pFile);
    if (pcbRead) *pcbRead = static_cast<ULONG>(n);
    return n == 0 ? S_FALSE : S_OK;
}

HRESULT CMyFileStream::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin,
                            ULARGE_INTEGER* plibNewPosition) {
    ULONGLONG size = 0;
    if (!m_bRead || !GetSize(&size)) return CMyStream::Seek(dlibMove, dwOrigin, plibNewPosition);
    // Where the reader is: the file's position, less what Peek holds unread.
    const long long at = _ftelli64(m_pFile) - static_cast<long long>(m_startSize - m_startRead);
    long long origin = 0;
    if (dwOrigin == STREAM_SEEK_CUR) {
        origin = at;
    } else if (dwOrigin == STREAM_SEEK_END) {
        origin = static_cast<long long>(size);
    } else if (dwOrigin != STREAM_SEEK_SET) {
        return STG_E_INVALIDFUNCTION;
    }
    const long long move = dlibMove.QuadPart;
    if (at < 0 || (move < 0 && origin + move < 0) || (move > 0 && origin > LLONG_MAX - move)) {
        return STG_E_INVALIDFUNCTION;
    }
    const long long target = origin + move;
    if (_fseeki64(m_pFile, target, SEEK_SET) != 0) return STG_E_INVALIDFUNCTION;
    m_startSize = m_startRead = 0;  // the file's own bytes from here on
    if (plibNewPosition) plibNewPosition->QuadPart = static_cast<ULONGLONG>(target);
    return S_OK;
}

BOOL CMyFileStream::Peek(void* pv, ULONG cb, ULONG* pcbRead) {
    if (!m_bRead || !m_pFile || m_startSize != 0 || cb > kStartSize) {
        errno = EINVAL;
        return FALSE;
    }
    const std::size_t n = std::fread(m_start, 1, cb, m_pFile);
    if (n < cb && std::ferror(m_pFile)) return FALSE;
    m_startSize = static_cast<ULONG>(n);
    std::memcpy(pv, m_start, n);
    if (pcbRead) *pcbRead = m_startSize;
    return TRUE;
}

BOOL CMyFileStream::GetSize(ULONGLONG* size) const {
    struct _stat64 status {};
    if (!m_pFile || _fstat64(_fileno(m_pFile), &status) != 0 ||
        (status.st_mode & _S_IFMT) != _S_IFREG || status.st_size < 0) {
        return FALSE;
    }
    *size = static_cast<ULONGLONG>(status.st_size);
    return TRUE;
}

HRESULT CMyFileStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten) {
    if (m_bRead || !m_pFile) return S_FALSE;
    if (cb == 0) return S_OK;
    const std::size_t n = std::fwrite(pv, 1, cb, m_pFile);
    if (pcbWritten) *pcbWritten = static_cast<ULONG>(n);
    return n == 0 ? S_FALSE : S_OK;
}

BOOL CMyFileStream::Open(const wchar_t* path, BOOL bRead) {
    m_bRead = bRead;
    if (!path) return FALSE;
    if (_wcsnicmp(path, L"FILE://", 7) == 0) {
        path += 7;
    } else if (_wcsnicmp(path, L"FILE:", 5) == 0) {
        path += 5;
    }
    // "N": the file is not inherited by programs the host starts. On Windows
    // the wide call itself, so that a pipe's server may not act as the host.
#if defined(_WIN32)
    m_pFile = OpenWideFile(path, bRead != FALSE);
#else
    m_pFile = _wfopen(path, bRead ? L"rbN" : L"wbN");
#endif
    return m_pFile ? TRUE : FALSE;
}

BOOL CMyFileStream::Close() {
    if (!m_pFile) return FALSE;
    const int result = std::fclose(m_pFile);
    m_pFile = nullptr;
    return result == 0 ? TRUE : FALSE;
}

CMyFileStream* OpenFileStream(const wchar_t* path, BOOL bRead) {
    CMyFileStream* stream = new (std::nothrow) CMyFileStream();
    if (!stream) {
        errno = ENOMEM;
        return nullptr;
    }
    CMyStream* base = stream;
    if (base->Open(path, bRead)) return stream;
    const int error = errno;  // why it failed, for the caller
    delete base;
    errno = error;
    return nullptr;
}
