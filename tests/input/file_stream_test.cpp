// The library's file stream, on its own.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "input/file_stream.h"
#include "support/fifo.h"
#include "support/files.h"

namespace {

class FileStreamTest : public ::testing::Test {
  protected:
    void SetUp() override { path = TestFile("stream.bin", "0123456789").wstring(); }
    std::wstring path;
};

TEST_F(FileStreamTest, ReadsToTheEndThenAnswersSFalseWithNoBytes) {
    const int before = OpenDescriptors();
    EXPECT_EQ(OpenFileStream(L"/no/such/file.xml", TRUE), nullptr);
    EXPECT_EQ(OpenFileStream(nullptr, TRUE), nullptr);
    EXPECT_EQ(OpenDescriptors(), before);  // a failed open leaves nothing
    CMyFileStream* stream = OpenFileStream(path.c_str(), TRUE);
    ASSERT_NE(stream, nullptr);
    char buffer[8];
    ULONG got = 99;
    EXPECT_EQ(stream->Read(buffer, 8, &got), S_OK);
    EXPECT_EQ(got, 8u);
    EXPECT_EQ(stream->Read(buffer, 8, &got), S_OK);  // short, still S_OK
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(stream->Read(buffer, 8, &got), S_FALSE);
    EXPECT_EQ(got, 0u);
    got = 77;
    EXPECT_EQ(stream->Read(buffer, 0, &got), S_OK);
    EXPECT_EQ(got, 77u);                              // untouched
    EXPECT_EQ(stream->Write("x", 1, &got), S_FALSE);  // a reading stream
    EXPECT_EQ(got, 77u);
    // Not inherited by programs the host starts.
    EXPECT_NE(fcntl(fileno(stream->m_pFile), F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_EQ(OpenDescriptors(), before + 1);
    stream->Release();
    EXPECT_EQ(OpenDescriptors(), before);
    // A lone surrogate names no file; read as U+FFFD it would name another.
    const std::filesystem::path other = TestFile("\xef\xbf\xbd", "another file");
    const std::wstring lone = other.parent_path().wstring() + L"/\xD800";
    EXPECT_EQ(OpenFileStream(lone.c_str(), TRUE), nullptr);
}

TEST_F(FileStreamTest, AWritingStreamRefusesToRead) {
    const std::wstring out = TestFile("out.bin", "").wstring();
    CMyFileStream* writer = OpenFileStream(out.c_str(), FALSE);
    ASSERT_NE(writer, nullptr);
    char buffer[4];
    ULONG count = 55;
    EXPECT_EQ(writer->Read(buffer, 4, &count), S_FALSE);
    EXPECT_EQ(count, 55u);
    EXPECT_EQ(writer->Write("abc", 3, &count), S_OK);
    EXPECT_EQ(count, 3u);
    writer->Release();  // closes, which flushes
    CMyFileStream* check = OpenFileStream(out.c_str(), TRUE);
    EXPECT_EQ(check->Read(buffer, 4, &count), S_OK);
    EXPECT_EQ(count, 3u);
    check->Release();
}

TEST_F(FileStreamTest, RemovesTheFilePrefixInAnyCase) {
    for (const std::wstring prefix : {L"FILE://", L"file://", L"FiLe://", L"FILE:", L"file:",
                                      L"FILE:///"}) {  // the extra slash stays: "//tmp/..."
        CMyFileStream* stream = OpenFileStream((prefix + path).c_str(), TRUE);
        EXPECT_NE(stream, nullptr) << std::string(prefix.begin(), prefix.end());
        if (stream) stream->Release();
    }
    // "FILE:/" + "/tmp/x" is "FILE://tmp/x": the long form goes first, leaving "tmp/x".
    EXPECT_EQ(OpenFileStream((L"FILE:/" + path).c_str(), TRUE), nullptr);
}

// The engine reads a regular file again from its start (its own reader hands
// libxml2 a document it does not take); a pipe cannot be.
TEST_F(FileStreamTest, SeeksInARegularFileBeingReadAlone) {
    CMyFileStream* stream = OpenFileStream(path.c_str(), TRUE);  // "0123456789"
    char buffer[4];
    ULONG got = 0;
    ASSERT_TRUE(stream->Peek(buffer, 4, &got));
    ASSERT_EQ(stream->Read(buffer, 2, &got), S_OK);  // "01", "23" still held from Peek
    const struct {
        DWORD origin;
        LONGLONG move;
        HRESULT hr;
        ULONGLONG position;  // 42: untouched
        const char* next;    // what a read of 2 bytes gives then
    } rows[] = {
        {STREAM_SEEK_CUR, 0, S_OK, 2, "23"},
        {STREAM_SEEK_SET, 0, S_OK, 0, "01"},
        {STREAM_SEEK_END, -3, S_OK, 7, "78"},
        {STREAM_SEEK_CUR, -20, STG_E_INVALIDFUNCTION, 42, "9"},
        {STREAM_SEEK_SET, 20, S_OK, 20, ""},
        {3, 0, STG_E_INVALIDFUNCTION, 42, ""},
    };
    for (const auto& row : rows) {
        LARGE_INTEGER move{};
        move.QuadPart = row.move;
        ULARGE_INTEGER position{};
        position.QuadPart = 42;
        EXPECT_EQ(stream->Seek(move, row.origin, &position), row.hr) << row.move;
        EXPECT_EQ(position.QuadPart, row.position) << row.move;
        got = 0;
        stream->Read(buffer, 2, &got);
        EXPECT_EQ(std::string(buffer, got), row.next) << row.move;
    }
    stream->Release();

    const std::wstring out = TestFile("written.bin", "").wstring();
    Fifo fifo(std::filesystem::path(path).parent_path() / "stream.fifo", "<r/>");
    for (CMyFileStream* other : {OpenFileStream(out.c_str(), FALSE),
                                 OpenFileStream(fifo.Path().wstring().c_str(), TRUE)}) {
        ASSERT_NE(other, nullptr);
        ULARGE_INTEGER position{};
        position.QuadPart = 42;
        EXPECT_EQ(other->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, &position), E_NOTIMPL);
        EXPECT_EQ(position.QuadPart, 42u);
        while (other->Read(buffer, 4, &got) == S_OK) {
        }
        other->Release();
    }
    EXPECT_FALSE(fifo.Rescued());
}

TEST_F(FileStreamTest, RefusesEverythingButReadingWritingAndSeeking) {
    CMyFileStream* stream = OpenFileStream(path.c_str(), TRUE);
    IStream* clone = nullptr;
    EXPECT_EQ(stream->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(clone, nullptr);
    void* out = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_IStream, &out), S_OK);
    EXPECT_EQ(stream->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IStream*>(stream));
    EXPECT_EQ(stream->QueryInterface(IID_ISequentialStream, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(stream->Release(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_EQ(stream->Release(), 0u);
}

}  // namespace
