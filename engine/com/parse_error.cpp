// A parse error object: a snapshot of what the last load of a document said.
#include "parse_error.h"

#include <new>

#include "com_object.h"
#include "text.h"

namespace engine::com {
namespace {

class ParseErrorObject final : public ComObject<IXMLDOMParseError> {
  public:
    explicit ParseErrorObject(const tree::ParseError& error) : m_error(error) {}

    HRESULT STDMETHODCALLTYPE get_errorCode(long* code) override {
        if (!code) return E_INVALIDARG;
        *code = m_error.failed ? E_FAIL : 0;
        return m_error.failed ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_reason(BSTR* reason) override {
        return Text(m_error.reason, reason);
    }
    HRESULT STDMETHODCALLTYPE get_srcText(BSTR* source) override {
        return Text(m_error.source, source);
    }
    HRESULT STDMETHODCALLTYPE get_line(long* line) override {
        if (!line) return E_INVALIDARG;
        *line = m_error.line;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_linepos(long* column) override {
        if (!column) return E_INVALIDARG;
        *column = m_error.column;
        return S_OK;
    }

  protected:
    bool Answers(REFIID riid) const override { return IsEqualIID(riid, IID_IXMLDOMParseError); }

  private:
    // S_FALSE and null for a text that is not there.
    static HRESULT Text(const std::string& text, BSTR* out) {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (text.empty()) return S_FALSE;
        return ReturnBstr(MakeBstr(text), out);
    }

    tree::ParseError m_error;
};

}  // namespace

IXMLDOMParseError* NewParseErrorObject(const tree::ParseError& error) {
    try {
        return new ParseErrorObject(error);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace engine::com
