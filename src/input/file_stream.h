// The library's read-only IStream over a file: the engine reads a plain
// document through it, and the module state keeps it until the final release.
#ifndef FLATDOM_INPUT_FILE_STREAM_H
#define FLATDOM_INPUT_FILE_STREAM_H

#include <cstdio>

#include "frame/library.h"

// An IStream with a reference count that refuses every operation but reading
// and writing, which a derived class supplies with Open and Close.
class CMyStream : public IStream {
  public:
    CMyStream();

    // IUnknown and IStream: the same pointer answers both.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    // Destroys the stream at zero.
    ULONG STDMETHODCALLTYPE Release() override;

    // Everything but Read and Write: E_NOTIMPL, out-parameters untouched.
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin,
                                   ULARGE_INTEGER* plibNewPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER libNewSize) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                     ULARGE_INTEGER* pcbWritten) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD grfCommitFlags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb,
                                         DWORD dwLockType) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb,
                                           DWORD dwLockType) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) override;

    virtual ~CMyStream();
    virtual BOOL Open(const wchar_t* path, BOOL bRead) = 0;
    virtual BOOL Close() = 0;

    CMyStream(const CMyStream&) = delete;
    CMyStream& operator=(const CMyStream&) = delete;

  protected:
    LONG m_lRef;  // 1 after construction: the creator's reference
};

// A CMyStream over a buffered file.
struct CMyFileStream : public CMyStream {
    CMyFileStream();
    // Closes the file.
    ~CMyFileStream() override;

    // S_FALSE, nothing transferred, when the stream is in the other mode or
    // has no file; S_OK for cb 0 without touching the count; otherwise the
    // bytes moved, S_FALSE when there were none.
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    // In a regular file being read, moves to the byte dlibMove from the
    // start, the current position or the end (dwOrigin), as the file's own
    // bytes whatever Peek took: S_OK, the new position in plibNewPosition if
    // given; STG_E_INVALIDFUNCTION, nothing moved, for a place before the
    // start. Any other stream (a pipe, a file being written): E_NOTIMPL, as
    // CMyStream answers.
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin,
                                   ULARGE_INTEGER* plibNewPosition) override;
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;

    // Records the mode, drops a leading "FILE://" or "FILE:" (any case) and
    // opens the rest "rb" or "wb".
    BOOL Open(const wchar_t* path, BOOL bRead) override;
    // FALSE when there is no file; the file is forgotten once closed.
    BOOL Close() override;

    // Before the first Read: reads the file's first cb bytes (at most
    // kStartSize, fewer at its end) into pv and keeps them, so that Read
    // gives them again; a pipe is told from its start without losing it.
    // FALSE when reading fails, errno saying why.
    BOOL Peek(void* pv, ULONG cb, ULONG* pcbRead);
    // The file's length, when it is a regular file.
    BOOL GetSize(ULONGLONG* size) const;

    static constexpr ULONG kStartSize = 16;

    std::FILE* m_pFile;
    BOOL m_bRead;
    unsigned char m_start[kStartSize];  // what Peek read and Read gives again
    ULONG m_startSize = 0;
    ULONG m_startRead = 0;
};

// A stream opened on path, holding one reference for the caller; null when
// the file cannot be opened (nothing is left behind then).
CMyFileStream* OpenFileStream(const wchar_t* path, BOOL bRead);

#endif
