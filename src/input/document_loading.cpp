// LoadXmlDocument: COM, the one document, and its content from a plain or
// sealed file.
#include <sealwright/sealwright.h>

#include <cerrno>

#include <common/unreadable_source.h>

#include "frame/app_message_box.h"
#include "frame/module_state.h"
#include "input/file_stream.h"

namespace {

// Hands the engine a file that cannot be read, with errno error: its parse
// error then says why, as the system words it.
void LoadUnreadable(int error, VARIANT_BOOL* bRes) {
    VARIANT vFailure;
    VariantInit(&vFailure);
    V_VT(&vFailure) = VT_ERROR;
    V_ERROR(&vFailure) = unreadable_source::Code(error);
    g_pXMLDoc->load(vFailure, bRes);
}

// Loads the file that stream reads, sealed or plain as its first bytes say:
// the file is opened once, so a pipe or FIFO is read whole. False when a
// sealed file does not open (Sealwright says why; nothing is shown).
bool LoadStream(CMyFileStream* stream, VARIANT_BOOL* bRes) {
    unsigned char start[SEALWRIGHT_START_SIZE];
    ULONG got = 0;
    if (!stream->Peek(start, sizeof start, &got)) {
        const int error = errno;
        stream->Release();
        LoadUnreadable(error, bRes);
        return true;
    }
    if (IsEncryptedStart(start, got)) {
        ULONGLONG size = SEALWRIGHT_UNKNOWN_SIZE;  // a pipe's
        stream->GetSize(&size);
        wchar_t* bstrXml = nullptr;  // Sealwright's, never freed here
        const bool opened = DecryptXmlStream(stream, size, &bstrXml);
        stream->Release();
        if (!opened) return false;
        g_pXMLDoc->loadXML(bstrXml, bRes);
        return true;
    }
    g_pFileStream = stream;
    VARIANT vSource;
    VariantInit(&vSource);
    V_VT(&vSource) = VT_UNKNOWN;
    V_UNKNOWN(&vSource) = static_cast<IStream*>(g_pFileStream);
    g_pXMLDoc->load(vSource, bRes);
    return true;
}

int Load(const wchar_t* path) {
    // A thread already in the multithreaded apartment is used as it is; the
    // engine's document lives in either kind.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (hr == S_OK || hr == S_FALSE) {
        ++g_nComEntries;
    } else if (hr != RPC_E_CHANGED_MODE) {
        return 0;
    }

    VARIANT_BOOL bRes = VARIANT_FALSE;
    if (CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IXMLDOMDocument, reinterpret_cast<void**>(&g_pXMLDoc)) != S_OK) {
        flatdom::ShowMessageBox(L"Error creating COM object!", L"Error",
                                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        return 0;
    }
    g_pXMLDoc->put_async(VARIANT_FALSE);
    g_pFileStream = nullptr;

    if (CMyFileStream* stream = OpenFileStream(path, TRUE)) {
        if (!LoadStream(stream, &bRes)) return 0;
    } else {
        LoadUnreadable(errno, &bRes);
    }
    if (bRes == VARIANT_TRUE) return 1;

    IXMLDOMParseError* parserErrPtr = nullptr;
    g_pXMLDoc->get_parseError(&parserErrPtr);
    CheckParseError(parserErrPtr, path);
    return 0;
}

}  // namespace

int LoadXmlDocument(const wchar_t* path) {
    if (!path) return 0;
    return flatdom::NoThrow(0, [&] { return Load(path); });
}

// Loading does all the setting up; this is kept for hosts that call it first.
int InitDOM() {
    return flatdom::NoThrow(1, [] { return 1; });
}
