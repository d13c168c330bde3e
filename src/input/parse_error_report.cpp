// The report a user sees when a document does not load.
#include <memory>
#include <string>

#include "frame/app_message_box.h"
#include "frame/library.h"

namespace {

// printf-style formatting with exactly the conversions the report uses: %s
// takes text, %d takes number, %% is a per-cent sign. The arguments are
// never read as a format.
CString Format(const wchar_t* format, const wchar_t* text, long number) {
    std::wstring out;
    for (const wchar_t* p = format; *p; ++p) {
        if (p[0] == L'%' && p[1] == L's') {
            out += text ? text : L"";
            ++p;
        } else if (p[0] == L'%' && p[1] == L'd') {
            out += std::to_wstring(number);
            ++p;
        } else if (p[0] == L'%' && p[1] == L'%') {
            out += L'%';
            ++p;
        } else {
            out += *p;
        }
    }
    return CString(out.c_str());
}

struct BstrFree {
    void operator()(wchar_t* text) const { SysFreeString(text); }
};

// Gives up the caller's reference at the end, whatever happens before.
struct ReleaseOnExit {
    IXMLDOMParseError* err;
    ~ReleaseOnExit() {
        if (err) err->Release();
    }
};

}  // namespace

void CheckParseError(IXMLDOMParseError* err, const wchar_t* path) {
    ReleaseOnExit release{err};
    flatdom::NoThrow([&] {
        CString error;
        long nError = 0;
        std::unique_ptr<wchar_t, BstrFree> reason;
        if (err) {
            err->get_line(&nError);
            BSTR text = nullptr;
            err->get_reason(&text);
            reason.reset(text);
        }
        error = Format(L"PARSE ERROR! %s @ line %d\n", path, nError);
        error += reason.get();
        reason.reset();
        flatdom::AppMessageBox(error, MB_OK, 0);
    });
}
