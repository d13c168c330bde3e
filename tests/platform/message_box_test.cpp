#include <gtest/gtest.h>

#include <flatdom/platform/winuser.h>

#include <string>

namespace {

struct Seen {
    std::wstring caption;
    std::wstring text;
    UINT style = 0;
    int calls = 0;
};

int Record(void* context, LPCWSTR caption, LPCWSTR text, UINT style) {
    auto* seen = static_cast<Seen*>(context);
    seen->caption = caption;
    seen->text = text;
    seen->style = style;
    ++seen->calls;
    return IDOK;
}

TEST(MessageBoxW, HandlerSeesWhatTheUserWould) {
    Seen seen;
    SetMessageBoxHandler(Record, &seen);
    EXPECT_EQ(MessageBoxW(nullptr, L"Text \u00e9", L"Caption", 0x10010), IDOK);
    SetMessageBoxHandler(nullptr, nullptr);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.caption, L"Caption");
    EXPECT_EQ(seen.text, L"Text \u00e9");
    EXPECT_EQ(seen.style, 0x10010u);
}

TEST(MessageBoxW, DefaultWritesCaptionAndTextToStandardError) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxW(nullptr, L"Something \u00e9 failed", L"Error", MB_OK), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: Something \xc3\xa9 failed\n");
}

}  // namespace
