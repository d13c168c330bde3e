// The library's file stream, on its own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "input/file_stream.h"
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

TEST_F(FileStreamTest, RefusesEverythingButReadingAndWriting) {
    CMyFileStream* stream = OpenFileStream(path.c_str(), TRUE);
    ULARGE_INTEGER position;
    position.QuadPart = 42;
    LARGE_INTEGER move{};
    EXPECT_EQ(stream->Seek(move, STREAM_SEEK_SET, &position), E_NOTIMPL);
    EXPECT_EQ(position.QuadPart, 42u);  // untouched
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

// The first bytes, read to tell a sealed file from a plain one, are read
// again: a pipe is read once, from its start. Only a regular file has a
// size; a folder's first read fails, with its reason.
TEST_F(FileStreamTest, PeekedBytesAreReadAgain) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    ASSERT_EQ(write(pipeEnds[1], "0123456789", 10), 10);
    close(pipeEnds[1]);
    const std::wstring pipePath = L"/dev/fd/" + std::to_wstring(pipeEnds[0]);
    for (const std::wstring& file : {path, pipePath}) {
        CMyFileStream* stream = OpenFileStream(file.c_str(), TRUE);
        ASSERT_NE(stream, nullptr);
        char buffer[16] = {};
        ULONG got = 0;
        ASSERT_TRUE(stream->Peek(buffer, 4, &got));
        EXPECT_EQ(std::string(buffer, got), "0123");
        EXPECT_FALSE(stream->Peek(buffer, 4, &got));  // once, at the start
        ULONGLONG size = 77;
        EXPECT_EQ(stream->GetSize(&size), file == path);
        EXPECT_EQ(size, file == path ? 10u : 77u);
        EXPECT_EQ(stream->Read(buffer, 3, &got), S_OK);
        EXPECT_EQ(std::string(buffer, got), "012");
        EXPECT_EQ(stream->Read(buffer, 16, &got), S_OK);  // the rest of the start, then the file
        EXPECT_EQ(std::string(buffer, got), "3456789");
        EXPECT_EQ(stream->Read(buffer, 16, &got), S_FALSE);
        EXPECT_EQ(got, 0u);
        stream->Release();
    }
    close(pipeEnds[0]);
    CMyFileStream* shorter = OpenFileStream(TestFile("short.bin", "ab").wstring().c_str(), TRUE);
    char start[9];
    ULONG got = 0;
    ASSERT_TRUE(shorter->Peek(start, sizeof start, &got));
    EXPECT_EQ(got, 2u);
    shorter->Release();
    CMyFileStream* folder =
        OpenFileStream(std::filesystem::path(path).parent_path().wstring().c_str(), TRUE);
    ASSERT_NE(folder, nullptr);  // a folder opens for reading here, but does not read
    errno = 0;
    EXPECT_FALSE(folder->Peek(start, sizeof start, &got));
    EXPECT_EQ(errno, EISDIR);
    folder->Release();
}

}  // namespace
