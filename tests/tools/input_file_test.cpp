// The flatdom command's copy of standard input on Windows: kept in memory
// and served through a pipe of the command's own to each reader.
#include "input_file.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>

#include "support/files.h"
#include "support/freed_blocks.h"
#include "support/import_patch.h"

namespace {

// How long a reader waits for the next bytes before it gives up.
constexpr DWORD kPatience = 10000;

// Standard input (descriptor 0) reads bytes from now on.
void SetStandardInput(const std::string& bytes) {
    const std::string name = "input-" + std::to_string(bytes.size());
    const int fd = _wopen(TestFile(name, bytes).c_str(), _O_RDONLY | _O_BINARY);
    ASSERT_GE(fd, 0);
    _dup2(fd, 0);
    _close(fd);
}

// size bytes, no two pieces of the pipe alike.
std::string Bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 % 251);
    return bytes;
}

// A reader of the pipe, for overlapped reads; waits while every instance is
// taken.
HANDLE Connect(const std::wstring& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const HANDLE pipe = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PIPE_BUSY) return pipe;
        WaitNamedPipeW(name.c_str(), 100);
    }
    return INVALID_HANDLE_VALUE;
}

// Appends what the reader gets to got until the end (true), or until nothing
// comes for kPatience (false).
bool ReadToEnd(HANDLE pipe, std::string& got) {
    OVERLAPPED io{};
    io.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    char piece[16384];
    bool ended = false;
    while (true) {
        DWORD read = 0;
        if (!ReadFile(pipe, piece, sizeof piece, nullptr, &io) &&
            GetLastError() != ERROR_IO_PENDING) {
            ended = GetLastError() == ERROR_BROKEN_PIPE;
            break;
        }
        if (WaitForSingleObject(io.hEvent, kPatience) != WAIT_OBJECT_0) {
            CancelIo(pipe);
            GetOverlappedResult(pipe, &io, &read, TRUE);
            got.append(piece, read);
            break;
        }
        if (!GetOverlappedResult(pipe, &io, &read, FALSE)) {
            ended = GetLastError() == ERROR_BROKEN_PIPE;
            break;
        }
        got.append(piece, read);
    }
    CloseHandle(io.hEvent);
    return ended;
}

TEST(StandardInputCopy, EveryReaderGetsEveryByteAtItsOwnPace) {
    // Around the size of a piece written at once, and none at all.
    for (const std::size_t size : {0, 1, 65535, 65536, 65537, 200001}) {
        SCOPED_TRACE(size);
        const std::string input = Bytes(size);
        SetStandardInput(input);
        InputFile file;
        std::wstring why;
        ASSERT_TRUE(file.Open(L"-", why)) << std::string(why.begin(), why.end());
        // The first reader to come is the last to read.
        const HANDLE first = Connect(file.Path());
        const HANDLE second = Connect(file.Path());
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        ASSERT_NE(second, INVALID_HANDLE_VALUE);
        std::string fromFirst, fromSecond;
        EXPECT_TRUE(ReadToEnd(second, fromSecond));
        EXPECT_TRUE(ReadToEnd(first, fromFirst));
        EXPECT_TRUE(fromSecond == input) << fromSecond.size() << " bytes";
        EXPECT_TRUE(fromFirst == input) << fromFirst.size() << " bytes";
        CloseHandle(first);
        CloseHandle(second);
    }
}

// A reader that stops reading holds up neither other readers nor the end;
// no block freed meanwhile, the copy's own included, holds the input.
TEST(StandardInputCopy, AReaderThatStopsHoldsNothingUpAndNoCopyIsLeft) {
    const std::string input = Bytes(1 << 20);  // far more than the pipe holds
    const std::string piece = input.substr(1000, 64);
    SetStandardInput(input);
    std::string got, stalledGot;
    got.reserve(input.size() + 16384);  // the test's own copies grow no more
    stalledGot.reserve(input.size() + 16384);
    freed_blocks::Watch(piece);
    {
        InputFile file;
        std::wstring why;
        ASSERT_TRUE(file.Open(L"-", why)) << std::string(why.begin(), why.end());
        const HANDLE stalled = Connect(file.Path());
        const HANDLE reader = Connect(file.Path());
        ASSERT_NE(stalled, INVALID_HANDLE_VALUE);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(ReadToEnd(reader, got));
        EXPECT_TRUE(got == input) << got.size() << " bytes";
        CloseHandle(reader);
        // The copy goes at once, however long the stalled reader waits; what
        // it then reads is what the pipe held before, and the end.
        const ULONGLONG start = GetTickCount64();
        file.Loaded();
        EXPECT_LT(GetTickCount64() - start, 5000u) << "the copy waited for its stalled reader";
        EXPECT_TRUE(ReadToEnd(stalled, stalledGot));
        EXPECT_LT(stalledGot.size(), input.size());
        EXPECT_EQ(input.compare(0, stalledGot.size(), stalledGot), 0);
        CloseHandle(stalled);
    }
    EXPECT_EQ(freed_blocks::Stop(), 0u) << "blocks freed with the input in them";
}

BOOL WINAPI NoToken(HANDLE, DWORD, HANDLE*) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST(StandardInputCopy, OnlyItsOwnerMayOpenThePipe) {
    SetStandardInput("<r/>");
    {
        // The pipe's access list lets its owner alone in, nothing inherited.
        InputFile file;
        std::wstring why;
        ASSERT_TRUE(file.Open(L"-", why));
        const HANDLE reader = Connect(file.Path());
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        PACL acl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(GetSecurityInfo(reader, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, &acl, nullptr, &descriptor),
                  static_cast<DWORD>(ERROR_SUCCESS));
        ASSERT_NE(acl, nullptr);
        ASSERT_EQ(acl->AceCount, 1);
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(acl, 0, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        HANDLE token = nullptr;
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
        char user[256];
        DWORD size = 0;
        ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof user, &size));
        CloseHandle(token);
        EXPECT_TRUE(EqualSid(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &ace->SidStart));
        LocalFree(descriptor);
        CloseHandle(reader);
    }
    {
        // Where that list cannot be made, no pipe is: none with the
        // system's default access.
        ImportPatch noToken("advapi32.dll", "OpenProcessToken", reinterpret_cast<void*>(&NoToken));
        ASSERT_TRUE(noToken.Applied());
        InputFile file;
        std::wstring why;
        EXPECT_FALSE(file.Open(L"-", why));
        EXPECT_EQ(why.rfind(L"no pipe for it can be made: ", 0), 0u)
            << std::string(why.begin(), why.end());
    }
}

}  // namespace
