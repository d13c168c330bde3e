// A read-only IStream over bytes in memory that hands them out in chunks of
// at most a given size, and counts its calls.
#ifndef FLATDOM_TESTS_SUPPORT_MEMORY_STREAM_H
#define FLATDOM_TESTS_SUPPORT_MEMORY_STREAM_H

#include <flatdom/system.h>

#include <algorithm>
#include <cstring>
#include <string>

class MemoryStream final : public IStream {
  public:
    MemoryStream(std::string bytes, ULONG chunk) : m_bytes(std::move(bytes)), m_chunk(chunk) {}

    long refs = 1;
    int reads = 0;
    int readsAfterEnd = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IStream) &&
            !IsEqualIID(riid, IID_ISequentialStream)) {
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the stack
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        ++reads;
        if (m_ended) ++readsAfterEnd;
        const std::size_t left = m_bytes.size() - m_position;
        const ULONG n = static_cast<ULONG>(std::min<std::size_t>({left, cb, m_chunk}));
        std::memcpy(pv, m_bytes.data() + m_position, n);
        m_position += n;
        if (pcbRead) *pcbRead = n;
        if (n == 0) m_ended = true;
        return n ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

  private:
    std::string m_bytes;
    ULONG m_chunk;
    std::size_t m_position = 0;
    bool m_ended = false;
};

#endif
