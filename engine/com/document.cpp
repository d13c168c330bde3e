// The document object: a node itself, the owner of the current tree, the
// keeper of the last load's parse error and of the selection properties.
#include "document.h"

#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <system_error>

#include <common/unreadable_source.h>
#include <common/utf8.h>
#include <flatdom/platform/crt.h>

#include "byte_sources.h"
#include "engine/query/selection_settings.h"
#include "engine/tree/parse.h"
#include "node_base.h"
#include "parse_error.h"

namespace engine::com {

using query::SelectionSettings;
using tree::ParseOutcome;
namespace {

constexpr wchar_t kSelectionLanguage[] = L"SelectionLanguage";
constexpr wchar_t kSelectionNamespaces[] = L"SelectionNamespaces";

bool SameName(BSTR name, const wchar_t* expected) {
    return name && _wcsnicmp(name, expected, std::wcslen(expected) + 1) == 0;
}

class DocumentObject final : public NodeBase<IXMLDOMDocument2>, public IFlatdomValueOf {
  public:
    // One object, one count for both interfaces.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv && IsEqualIID(riid, IID_IFlatdomValueOf)) {
            *ppv = static_cast<IFlatdomValueOf*>(this);
            AddRef();
            return S_OK;
        }
        return NodeBase::QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return NodeBase::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return NodeBase::Release(); }

    // False when memory runs out.
    bool Init() { return Show(TreeRef::Adopt(SharedTree::CreateEmpty())); }

    HRESULT STDMETHODCALLTYPE get_parseError(IXMLDOMParseError** error) override {
        if (!error) return E_INVALIDARG;
        *error = NewParseErrorObject(m_error);
        return *error ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_async(VARIANT_BOOL* isAsync) override {
        if (!isAsync) return E_INVALIDARG;
        *isAsync = m_async;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_async(VARIANT_BOOL isAsync) override {
        m_async = isAsync ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE load(VARIANT source, VARIANT_BOOL* ok) override {
        return Guarded([&] {
            if (ok) *ok = VARIANT_FALSE;
            if (source.vt == VT_BSTR) {
                FileSource file(source.bstrVal ? source.bstrVal : L"");
                if (!file.Open()) return Take(Failed(Unreadable(file.Error())), ok);
                return Take(tree::Parse(file), ok);
            }
            if (source.vt == VT_ERROR && unreadable_source::Errno(source.scode) >= 0) {
                return Take(Failed(Unreadable(unreadable_source::Errno(source.scode))), ok);
            }
            IStream* stream = nullptr;
            if (source.vt != VT_UNKNOWN || !source.punkVal ||
                FAILED(source.punkVal->QueryInterface(IID_IStream,
                                                      reinterpret_cast<void**>(&stream))) ||
                !stream) {
                // Nothing to parse: the document ends up empty all the same.
                Take(Failed("The source is neither a stream nor a file name.\n"), ok);
                return E_INVALIDARG;
            }
            StreamSource input(stream);
            ParseOutcome outcome = tree::Parse(input);
            stream->Release();
            return Take(std::move(outcome), ok);
        });
    }
    HRESULT STDMETHODCALLTYPE loadXML(BSTR text, VARIANT_BOOL* ok) override {
        return Guarded([&] {
            if (ok) *ok = VARIANT_FALSE;
            std::string utf8 = utf8::FromWide(text ? text : L"", SysStringLen(text));
            // The text may be a sealed document's: no copy of it outlives the parse.
            struct Wiper {
                std::string& text;
                ~Wiper() { explicit_bzero(text.data(), text.size()); }
            } wiper{utf8};
            return Take(tree::ParseUtf8(utf8), ok);
        });
    }

    HRESULT STDMETHODCALLTYPE setProperty(BSTR name, VARIANT value) override {
        return Guarded([&] {
            if (value.vt != VT_BSTR) return E_FAIL;
            const wchar_t* text = value.bstrVal ? value.bstrVal : L"";
            SelectionSettings settings = m_selection;
            if (SameName(name, kSelectionLanguage)) {
                if (_wcsnicmp(text, L"XPath", 6) == 0) {
                    settings.xpath = true;
                } else if (_wcsnicmp(text, L"XSLPattern", 11) != 0 || m_selection.xpath) {
                    return E_FAIL;  // once XPath, always XPath
                }
            } else if (SameName(name, kSelectionNamespaces)) {
                settings.namespaces.assign(text, SysStringLen(value.bstrVal));
                if (!ParseNamespaceBindings(settings.namespaces, settings.bindings)) return E_FAIL;
            } else {
                return E_FAIL;
            }
            m_selection = std::move(settings);
            m_tree->SetSelection(m_selection);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE getProperty(BSTR name, VARIANT* value) override {
        if (!value) return E_INVALIDARG;
        return Guarded([&] {
            std::wstring text;
            if (SameName(name, kSelectionLanguage)) {
                text = m_selection.xpath ? L"XPath" : L"XSLPattern";
            } else if (SameName(name, kSelectionNamespaces)) {
                text = m_selection.namespaces;
            } else {
                return E_FAIL;
            }
            BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (!copy) return E_OUTOFMEMORY;
            VariantInit(value);
            value->vt = VT_BSTR;
            value->bstrVal = copy;
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE valueOf(BSTR expression, BSTR* value) override {
        return Guarded([&] { return ValueOf(m_tree, tree::kDocumentNode, expression, value); });
    }

  protected:
    ~DocumentObject() override {
        if (m_tree) m_tree->SetOwner(nullptr);
    }
    bool Answers(REFIID riid) const override {
        return IsEqualIID(riid, IID_IXMLDOMNode) || IsEqualIID(riid, IID_IXMLDOMDocument) ||
               IsEqualIID(riid, IID_IXMLDOMDocument2);
    }
    const TreeRef& GetTree() const override { return m_tree; }
    NodeId GetNode() const override { return tree::kDocumentNode; }

  private:
    // Shows the parsed tree, or an empty one after a failure, and keeps the
    // error; nodes taken from the previous tree stay readable.
    HRESULT Take(ParseOutcome outcome, VARIANT_BOOL* ok) {
        const bool parsed = outcome.tree != nullptr;
        TreeRef tree = TreeRef::Adopt(parsed ? SharedTree::Create(std::move(outcome.tree))
                                             : SharedTree::CreateEmpty());
        if (!Show(std::move(tree))) return E_OUTOFMEMORY;
        m_error = std::move(outcome.error);
        if (parsed && ok) *ok = VARIANT_TRUE;
        return parsed ? S_OK : S_FALSE;
    }
    static ParseOutcome Failed(std::string reason) {
        ParseOutcome outcome;
        outcome.error = tree::NoInputError();
        outcome.error.reason = std::move(reason);
        return outcome;
    }
    // A file that cannot be read, in the system's words for errno error.
    static std::string Unreadable(int error) {
        std::string reason = "The file could not be opened";
        if (error > 0) reason += ": " + std::generic_category().message(error);
        return reason + ".\n";
    }
    bool Show(TreeRef tree) {
        if (!tree) return false;
        if (m_tree) m_tree->SetOwner(nullptr);
        m_tree = std::move(tree);
        m_tree->SetOwner(static_cast<IXMLDOMNode*>(this));
        m_tree->SetSelection(m_selection);
        return true;
    }

    TreeRef m_tree;
    SelectionSettings m_selection;
    tree::ParseError m_error = tree::NoInputError();
    VARIANT_BOOL m_async = VARIANT_TRUE;
};

}  // namespace

HRESULT CreateDocument(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    DocumentObject* document = nullptr;
    try {
        document = new DocumentObject();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    if (!document->Init()) {
        document->Release();
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = document->QueryInterface(riid, ppv);
    document->Release();
    return hr;
}

}  // namespace engine::com
