// A host as Microsoft's compiler builds it: the MSVC C++ ABI, its decorated
// names, no C++ library and no C runtime start-up. It calls every export
// through flatdom.lib and sealwright.lib, frees and grows CString storage
// that the DLL made, watches the COM task allocator to see that both sides
// use it, and on i686 checks that the DLL leaves the hidden return pointer of
// a CString to its caller, as MSVC code expects. It keys Sealwright as such
// a host can (its own C runtime's environment is not the DLL's), and takes
// the library's reports itself. Prints one line per failure and a summary;
// the exit code is the number of failures.
#include <flatdom/flatdom.h>
#include <sealwright/sealwright.h>

extern "C" int _fltused = 0;  // floating point without the C runtime

namespace {

int g_failures = 0;

void Print(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, lstrlenA(text), &written, nullptr);
}

void Check(bool ok, const char* what) {
    if (ok) return;
    ++g_failures;
    Print("FAIL: ");
    Print(what);
    Print("\n");
}

bool Same(const wchar_t* a, const wchar_t* b) {
    return a && b && std::wcscmp(a, b) == 0;
}

// Counts what goes through the COM task allocator while it is registered.
class TaskAllocatorSpy final : public IMallocSpy {
  public:
    long allocations = 0;
    long frees = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IMallocSpy)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T cbRequest) override {
        ++allocations;
        return cbRequest;
    }
    void* STDMETHODCALLTYPE PostAlloc(void* pActual) override { return pActual; }
    void* STDMETHODCALLTYPE PreFree(void* pRequest, BOOL) override {
        if (pRequest) ++frees;
        return pRequest;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest,
                                        BOOL) override {
        *ppNewRequest = pRequest;
        return cbRequest;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* pActual, BOOL) override { return pActual; }
    void* STDMETHODCALLTYPE PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

// CString storage made by the DLL, copied, grown and freed here: every block
// the task allocator handed out while watched is given back to it.
void CStringsCrossTheBoundary() {
    wchar_t* bstr = StringToBSTR(L"h\u00e9llo");
    TaskAllocatorSpy spy;
    Check(CoRegisterMallocSpy(&spy) == S_OK, "the task allocator can be watched");
    {
        CString fixed = DoubleToString(3.14159, 2);
        CString single = FloatToString(0.1f, 10);
        CString text = BSTRToCString(bstr);
        Check(Same(fixed, L"3.14"), "DoubleToString(3.14159, 2) is 3.14");
        Check(Same(single, L"0.1000000015"), "FloatToString(0.1f, 10) is 0.1000000015");
        Check(Same(text, L"h\u00e9llo"), "BSTRToCString gives the OLE string's text");
        CString copy = fixed;
        copy += single;
        fixed += L" and more";
        text.Empty();
        Check(Same(copy, L"3.140.1000000015"), "a copy grown by the host");
        Check(Same(fixed, L"3.14 and more"), "a DLL-made CString grown by the host");
        Check(BSTRToCString(nullptr).IsEmpty(), "BSTRToCString(null) is empty");
    }
    Check(spy.allocations > 0, "CString storage comes from the task allocator");
    Check(spy.allocations == spy.frees, "every CString block is given back to it");
    CoRevokeMallocSpy();
    ReleaseBSTR(bstr);
}

#if defined(_M_IX86)
// Calls fn(result, args...) with the argument bytes as they lie on the stack,
// and answers how many bytes the callee itself took off: 0 when the caller
// pops the hidden return pointer, as MSVC code does.
__declspec(naked) int CalleePops(const void* /*fn*/, const void* /*args*/, unsigned /*bytes*/,
                                 void* /*result*/) {
    __asm {
        push ebp
        mov ebp, esp
        push esi
        push edi
        mov ecx, [ebp + 16]
        sub esp, ecx
        mov esi, [ebp + 12]
        mov edi, esp
        rep movsb
        push dword ptr [ebp + 20]
        mov edi, esp
        call dword ptr [ebp + 8]
        mov eax, esp
        sub eax, edi
        lea esp, [ebp - 8]
        pop edi
        pop esi
        pop ebp
        ret
    }
}

template <class Args>
void CheckCallerPops(const void* fn, const Args& args, const wchar_t* expected, const char* what) {
    alignas(CString) unsigned char storage[sizeof(CString)];
    Check(CalleePops(fn, &args, sizeof args, storage) == 0, what);
    CString* result = reinterpret_cast<CString*>(storage);
    Check(Same(*result, expected), what);
    result->~CString();
}

#pragma pack(push, 4)
struct DoubleArgs {
    double value;
    int count;
};
struct FloatArgs {
    float value;
    int count;
};
#pragma pack(pop)

void HiddenReturnPointers() {
    CheckCallerPops(reinterpret_cast<const void*>(&DoubleToString), DoubleArgs{2.5, 1}, L"2.5",
                    "DoubleToString leaves the hidden pointer to its caller");
    CheckCallerPops(reinterpret_cast<const void*>(&FloatToString), FloatArgs{0.5f, 2}, L"0.50",
                    "FloatToString leaves the hidden pointer to its caller");
    wchar_t* bstr = StringToBSTR(L"x");
    CheckCallerPops(reinterpret_cast<const void*>(&BSTRToCString), bstr, L"x",
                    "BSTRToCString leaves the hidden pointer to its caller");
    ReleaseBSTR(bstr);
}
#else
void HiddenReturnPointers() {}
#endif

// A file of size bytes in the temporary folder; false if it cannot be written.
bool WriteBytes(wchar_t* path, const void* bytes, DWORD size) {
    wchar_t folder[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"fdm", 0, path)) return false;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes, size, &written, nullptr);
    CloseHandle(file);
    return ok && written == size;
}

// A small document in the temporary folder; false if it cannot be written.
bool WriteDocument(wchar_t* path) {
    const char text[] =
        "<r xmlns:p='urn:p'><n>0x1F</n><v>ff</v><v>-12</v><f>2.5</f><p:tag>t</p:tag></r>";
    return WriteBytes(path, text, sizeof text - 1);
}

void DocumentCycle() {
    wchar_t path[MAX_PATH];
    Check(WriteDocument(path), "a document in the temporary folder");
    Check(InitDOM() == 1, "InitDOM answers 1");
    Check(LoadXmlDocument(path) == 1, "LoadXmlDocument loads it");
    IXMLDOMNode* root = SelectXmlRootNode(L"r");
    Check(root != nullptr, "SelectXmlRootNode finds r");
    IXMLDOMNode* number = SelectXmlNode(root, L"n");
    Check(Same(GetXmlText(number), L"0x1F"), "GetXmlText of r/n");
    Check(GetXmlNumber(number) == 31, "GetXmlNumber of 0x1F is 31");
    IXMLDOMNodeList* values = SelectXmlNodes(root, L"v");
    Check(values != nullptr, "SelectXmlNodes finds r/v");
    IXMLDOMNode* first = SelectXmlNodeFromList(values, 0);
    IXMLDOMNode* second = SelectXmlNodeFromList(values, 1);
    Check(SelectXmlNodeFromList(values, 2) == nullptr, "no third r/v");
    Check(GetXmlHexNumber(first) == 255, "GetXmlHexNumber of ff is 255");
    Check(GetXmlNumber_Hex_or_Dec(second) == -12, "GetXmlNumber_Hex_or_Dec of -12");
    Check(GetXmlFloat(SelectXmlNode(root, L"f")) == 2.5, "GetXmlFloat of 2.5");
    Check(Same(GetBaseNodeName(SelectXmlNode(root, L"p:tag")), L"tag"), "GetBaseNodeName");
    CheckParseError(nullptr, path);  // the report, with nothing to release
    ReleaseNodeInterfaces();
    ReleaseDOM();
    Check(LoadXmlDocument(path) == 1, "a second cycle loads again");
    ReleaseNodeInterfaces();
    DeleteFileW(path);
}

// Every export by address, so that the object asks for each decorated name
// (at run time: nothing runs static initialisers here).
void AllExportsResolve() {
    const void* const exports[] = {
        reinterpret_cast<const void*>(&LoadXmlDocument),
        reinterpret_cast<const void*>(&InitDOM),
        reinterpret_cast<const void*>(&CheckParseError),
        reinterpret_cast<const void*>(&ReleaseNodeInterfaces),
        reinterpret_cast<const void*>(&ReleaseDOM),
        reinterpret_cast<const void*>(&SelectXmlRootNode),
        reinterpret_cast<const void*>(&SelectXmlNode),
        reinterpret_cast<const void*>(&SelectXmlNodes),
        reinterpret_cast<const void*>(&SelectXmlNodeFromList),
        reinterpret_cast<const void*>(&GetXmlText),
        reinterpret_cast<const void*>(&GetBaseNodeName),
        reinterpret_cast<const void*>(&GetXmlNumber),
        reinterpret_cast<const void*>(&GetXmlHexNumber),
        reinterpret_cast<const void*>(&GetXmlNumber_Hex_or_Dec),
        reinterpret_cast<const void*>(&GetXmlFloat),
        reinterpret_cast<const void*>(&HexStringToInt),
        reinterpret_cast<const void*>(&DoubleToString),
        reinterpret_cast<const void*>(&FloatToString),
        reinterpret_cast<const void*>(&BSTRToCString),
        reinterpret_cast<const void*>(&StringToBSTR),
        reinterpret_cast<const void*>(&ReleaseBSTR),
        reinterpret_cast<const void*>(&SetMessageBoxHandler),
        reinterpret_cast<const void*>(&IsEncrypted),
        reinterpret_cast<const void*>(&DecryptXmlFile),
        reinterpret_cast<const void*>(&IsEncryptedStart),
        reinterpret_cast<const void*>(&DecryptXmlStream),
        reinterpret_cast<const void*>(&SealwrightLastFailure),
        reinterpret_cast<const void*>(&SealwrightKeyWarning),
        reinterpret_cast<const void*>(&SealwrightUseKey),
        reinterpret_cast<const void*>(&SealwrightUseKeyFile),
    };
    unsigned resolved = 0;
    for (const void* address : exports)
        resolved += address != nullptr;
    Check(resolved == 30, "all 22 exports of flatdom.dll and 8 of sealwright.dll resolved");
}

// Sealed by the sealwright tool under kKey: <config><name>sealed \u00e9</name>...
const char kSealedHex[] =
    "8953574c0d0a1a0a01d4a611fd045c7a50fbd3852c79b69f78f83cc23b44558fea5b6412428713f952d936401a"
    "2148d30343393e4958909638b3b85fa50e085284ce55312ebe25e40b6213869b5184fddc8486bfae8405900d85"
    "c3da4a9ef02fd72af6c05d9abde2602f9fecb04b96e43cccd01760fe750e546fbe26d6b76ea0e4313e2caa3acf";
const wchar_t kKey[] = L"6a0b1c2d3e4f5061728394a5b6c7d8e9fa0b1c2d3e4f5061728394a5b6c7d8e9";

// 1 when the sealed file at path loads and holds its name, else 0.
int LoadsSealed(const wchar_t* path) {
    const int loaded = LoadXmlDocument(path) &&
                       Same(GetXmlText(SelectXmlRootNode(L"config/name")), L"sealed \u00e9");
    ReleaseNodeInterfaces();
    return loaded;
}

// The key from the process's environment, set with SetEnvironmentVariableW
// (this host's C runtime is not the DLL's), or handed over.
void SealedDocuments() {
    unsigned char sealed[sizeof kSealedHex / 2];
    for (unsigned i = 0; i < sizeof sealed; ++i) {
        const auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
        sealed[i] = static_cast<unsigned char>(digit(kSealedHex[2 * i]) * 16 +
                                               digit(kSealedHex[2 * i + 1]));
    }
    wchar_t path[MAX_PATH];
    Check(WriteBytes(path, sealed, sizeof sealed), "a sealed document in the temporary folder");
    SetEnvironmentVariableW(L"SEALWRIGHT_KEY", nullptr);
    SetEnvironmentVariableW(L"SEALWRIGHT_KEY_FILE", nullptr);
    Check(IsEncrypted(path), "IsEncrypted tells the sealed file apart");
    Check(LoadsSealed(path) == 0, "without a key the sealed file does not load");
    Check(
        lstrcmpA(SealwrightLastFailure(), "no key: set SEALWRIGHT_KEY or SEALWRIGHT_KEY_FILE") == 0,
        "SealwrightLastFailure says that there is no key");
    SetEnvironmentVariableW(L"SEALWRIGHT_KEY", kKey);
    Check(LoadsSealed(path) == 1, "keyed with SetEnvironmentVariableW, it loads");
    SetEnvironmentVariableW(L"SEALWRIGHT_KEY", nullptr);
    Check(SealwrightUseKey(kKey), "SealwrightUseKey takes the key");
    Check(LoadsSealed(path) == 1, "keyed with SealwrightUseKey, it loads");
    Check(SealwrightUseKey(nullptr), "SealwrightUseKey(null) forgets the key");
    Check(LoadsSealed(path) == 0, "once the key is forgotten, it does not load");
    DeleteFileW(path);
}

struct Reports {
    const wchar_t* path;
    int count;
    int naming;  // the reports that name the file
};

int TakeReport(void* context, LPCWSTR, LPCWSTR text, UINT) {
    auto* reports = static_cast<Reports*>(context);
    ++reports->count;
    reports->naming += text && wcsstr(text, reports->path) != nullptr;
    return IDOK;
}

// A broken document, reported to the host's handler and not shown.
void ReportsToTheHost() {
    wchar_t path[MAX_PATH];
    Check(WriteBytes(path, "<a>\n<b>\n</a>", 12), "a broken document in the temporary folder");
    Reports reports{path, 0, 0};
    SetMessageBoxHandler(&TakeReport, &reports);
    Check(LoadXmlDocument(path) == 0, "the broken document does not load");
    ReleaseNodeInterfaces();
    SetMessageBoxHandler(nullptr, nullptr);
    Check(reports.count == 1 && reports.naming == 1,
          "the handler gets one report, which names the file");
    DeleteFileW(path);
}

void Conversions() {
    Check(HexStringToInt(L"7fffffff") == 2147483647L, "HexStringToInt(7fffffff)");
    Check(HexStringToInt(L"80000000") == -2147483647L - 1, "HexStringToInt(80000000)");
    wchar_t* bstr = StringToBSTR(L"abc");
    Check(bstr && SysStringLen(bstr) == 3 && Same(bstr, L"abc"),
          "StringToBSTR makes an OLE string");
    ReleaseBSTR(bstr);
    Check(StringToBSTR(nullptr) == nullptr, "StringToBSTR(null) is null");
    ReleaseBSTR(nullptr);
}

}  // namespace

extern "C" void Start() {
    AllExportsResolve();
    Conversions();
    CStringsCrossTheBoundary();
    HiddenReturnPointers();
    DocumentCycle();
    SealedDocuments();
    ReportsToTheHost();
    Print(g_failures ? "msvc_host: failures\n" : "msvc_host: every export answered\n");
    ExitProcess(static_cast<UINT>(g_failures));
}
