// Counting stand-ins for engine objects, for tests that must see exactly
// which calls the library makes. Each logs to a shared journal ("name.Method").
#ifndef FLATDOM_TESTS_SUPPORT_FAKES_H
#define FLATDOM_TESTS_SUPPORT_FAKES_H

#include <flatdom/system.h>

#include <string>
#include <vector>

struct Journal {
    std::vector<std::string> calls;
    int Count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls)
            n += c == call;
        return n;
    }
};

template <class Interface>
class Fake : public Interface {
  public:
    Fake(std::string name, Journal* journal) : name(std::move(name)), journal(journal) {}
    virtual ~Fake() = default;

    std::string name;
    Journal* journal;
    long refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, OwnIid())) return E_NOINTERFACE;
        *ppv = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override {
        Log("Release");
        return --refs > 0 ? static_cast<ULONG>(refs) : 0;
    }

  protected:
    virtual const IID& OwnIid() const = 0;
    void Log(const char* method) const {
        if (journal) journal->calls.push_back(name + "." + method);
    }
    // Writes value to out; returns result.
    template <class Out, class Value>
    static HRESULT Answer(Out* out, Value value, HRESULT result = S_OK) {
        *out = value;
        return result;
    }
};

// The node methods of a fake node or document: text as scripted, no names,
// no matches.
template <class Interface>
class FakeNodeBase : public Fake<Interface> {
  public:
    using Fake<Interface>::Fake;
    using Fake<Interface>::Answer;
    BSTR text = nullptr;                  // get_text gives a copy; null: none
    IXMLDOMNode* selectAnswer = nullptr;  // selectSingleNode gives it, with a reference

    HRESULT STDMETHODCALLTYPE get_nodeName(BSTR* out) override {
        return Answer(out, nullptr, S_FALSE);
    }
    HRESULT STDMETHODCALLTYPE get_nodeType(DOMNodeType* out) override {
        return Answer(out, NODE_ELEMENT);
    }
    HRESULT STDMETHODCALLTYPE get_parentNode(IXMLDOMNode** out) override {
        return Answer(out, nullptr, S_FALSE);
    }
    HRESULT STDMETHODCALLTYPE get_text(BSTR* out) override {
        return Answer(out, text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr,
                      text ? S_OK : E_FAIL);
    }
    HRESULT STDMETHODCALLTYPE get_xml(BSTR* out) override { return Answer(out, nullptr, S_FALSE); }
    HRESULT STDMETHODCALLTYPE selectNodes(BSTR, IXMLDOMNodeList** out) override {
        return Answer(out, nullptr, E_FAIL);
    }
    HRESULT STDMETHODCALLTYPE selectSingleNode(BSTR, IXMLDOMNode** out) override {
        if (selectAnswer) selectAnswer->AddRef();
        return Answer(out, selectAnswer, selectAnswer ? S_OK : S_FALSE);
    }
    HRESULT STDMETHODCALLTYPE get_baseName(BSTR* out) override {
        return Answer(out, nullptr, S_FALSE);
    }
};

class FakeNode : public FakeNodeBase<IXMLDOMNode> {
  public:
    using FakeNodeBase::FakeNodeBase;

  protected:
    const IID& OwnIid() const override { return IID_IXMLDOMNode; }
};

class FakeNodeList : public Fake<IXMLDOMNodeList> {
  public:
    using Fake::Fake;
    std::vector<IXMLDOMNode*> items;  // handed out with a reference each

    HRESULT STDMETHODCALLTYPE get_item(long index, IXMLDOMNode** out) override {
        if (index < 0 || index >= static_cast<long>(items.size()))
            return Answer(out, nullptr, S_FALSE);
        items[static_cast<std::size_t>(index)]->AddRef();
        return Answer(out, items[static_cast<std::size_t>(index)]);
    }
    HRESULT STDMETHODCALLTYPE get_length(long* out) override {
        return Answer(out, static_cast<long>(items.size()));
    }
    HRESULT STDMETHODCALLTYPE nextNode(IXMLDOMNode** out) override {
        return Answer(out, nullptr, S_FALSE);
    }
    HRESULT STDMETHODCALLTYPE reset() override { return S_OK; }

  protected:
    const IID& OwnIid() const override { return IID_IXMLDOMNodeList; }
};

class FakeParseError : public Fake<IXMLDOMParseError> {
  public:
    using Fake::Fake;
    long line = 0;
    HRESULT lineResult = S_OK;  // a failing get_line leaves the caller's preset
    const wchar_t* reason = nullptr;

    HRESULT STDMETHODCALLTYPE get_errorCode(long* out) override { return Answer(out, E_FAIL); }
    HRESULT STDMETHODCALLTYPE get_reason(BSTR* out) override {
        return Answer(out, reason ? SysAllocString(reason) : nullptr, reason ? S_OK : S_FALSE);
    }
    HRESULT STDMETHODCALLTYPE get_srcText(BSTR* out) override {
        return Answer(out, nullptr, S_FALSE);
    }
    HRESULT STDMETHODCALLTYPE get_line(long* out) override {
        if (SUCCEEDED(lineResult)) *out = line;
        return lineResult;
    }
    HRESULT STDMETHODCALLTYPE get_linepos(long* out) override { return Answer(out, 0L); }

  protected:
    const IID& OwnIid() const override { return IID_IXMLDOMParseError; }
};

// A document whose loads write loadAnswer and return loadResult.
class FakeDocument : public FakeNodeBase<IXMLDOMDocument> {
  public:
    using FakeNodeBase::FakeNodeBase;
    VARIANT_BOOL loadAnswer = VARIANT_TRUE;
    HRESULT loadResult = S_OK;
    IXMLDOMParseError* parseError = nullptr;  // handed out with a reference

    HRESULT STDMETHODCALLTYPE get_parseError(IXMLDOMParseError** out) override {
        Log("get_parseError");
        if (parseError) parseError->AddRef();
        return Answer(out, parseError);
    }
    HRESULT STDMETHODCALLTYPE get_async(VARIANT_BOOL* out) override {
        return Answer(out, VARIANT_FALSE);
    }
    HRESULT STDMETHODCALLTYPE put_async(VARIANT_BOOL) override {
        Log("put_async");
        return S_OK;
    }
    bool keepSource = false;     // keep what load read from, as an engine may
    IUnknown* source = nullptr;  // with a reference, when kept
    HRESULT STDMETHODCALLTYPE load(VARIANT from, VARIANT_BOOL* ok) override {
        if (keepSource && V_VT(&from) == VT_UNKNOWN) (source = V_UNKNOWN(&from))->AddRef();
        return Load(ok);
    }
    HRESULT STDMETHODCALLTYPE loadXML(BSTR, VARIANT_BOOL* ok) override { return Load(ok); }

  protected:
    const IID& OwnIid() const override { return IID_IXMLDOMDocument; }

  private:
    HRESULT Load(VARIANT_BOOL* ok) {
        Log("load");
        return Answer(ok, loadAnswer, loadResult);
    }
};

// Registers a class factory for documents for the life of the object:
// CoCreateInstance then hands out document with a new reference, or fails
// as when memory runs out when it is null.
class DocumentClassOverride final : public IClassFactory {
  public:
    explicit DocumentClassOverride(IXMLDOMDocument* document) : m_document(document) {
        CoRegisterClassObject(CLSID_DOMDocument, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                              &m_cookie);
    }
    ~DocumentClassOverride() { CoRevokeClassObject(m_cookie); }
    DocumentClassOverride(const DocumentClassOverride&) = delete;
    DocumentClassOverride& operator=(const DocumentClassOverride&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IClassFactory) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        *ppv = nullptr;
        return m_document ? m_document->QueryInterface(riid, ppv) : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  private:
    IXMLDOMDocument* m_document;
    DWORD m_cookie = 0;
};

#endif
