// Microsoft C runtime functions that the C library here lacks, with their
// documented behaviour.
#ifndef FLATDOM_PLATFORM_CRT_H
#define FLATDOM_PLATFORM_CRT_H

#include <cstdio>
#include "wintypes.h"

// What _fstat64 tells of a file: its type (the same bits as on Windows, and
// here) and its size.
struct _stat64 {
    unsigned short st_mode;
    long long st_size;
};
#define _S_IFMT 0xF000
#define _S_IFDIR 0x4000
#define _S_IFREG 0x8000

extern "C" {
// fopen with a wide path (taken as UTF-8 on this system) and a wide mode, in
// which "N" (not inherited by child processes) is close-on-exec. Null, with
// errno EILSEQ, for a path holding a lone surrogate or any other value that
// is no Unicode character.
FLATDOM_PLATFORM_API std::FILE* _wfopen(const wchar_t* filename, const wchar_t* mode);
// The descriptor of an open file; -1, with errno EINVAL, for null.
FLATDOM_PLATFORM_API int _fileno(std::FILE* stream);
// The status of the open file fd: 0, or -1 with errno saying why.
FLATDOM_PLATFORM_API int _fstat64(int fd, struct _stat64* buffer);
// fseek and ftell with 64-bit offsets, whatever the size of long: 0 (the
// position) or -1 with errno saying why; -1 and EINVAL for null.
FLATDOM_PLATFORM_API int _fseeki64(std::FILE* stream, long long offset, int origin);
FLATDOM_PLATFORM_API long long _ftelli64(std::FILE* stream);
// Compares at most count characters, ASCII letters without regard to case;
// answers <0, 0 or >0.
FLATDOM_PLATFORM_API int _wcsnicmp(const wchar_t* a, const wchar_t* b, std::size_t count);
// Decimal text to int: leading white space, an optional sign, digits up to the
// first other character; 0 without digits; INT_MAX or INT_MIN when out of range.
FLATDOM_PLATFORM_API int _wtoi(const wchar_t* text);
// The digits of value rounded to count places after the point, exactly: every
// integer digit, then count fraction digits; below 1, the digits from the
// first significant one, *decimal then being zero or negative. A value that
// rounds to zero gives no digits ("" or, for 0 itself, count zeros). *sign is
// nonzero for negative values. The text lives in per-thread storage reused by
// the next call. Counts above 1100 act as 1100 (every double is exact by
// then); infinity and NaN give "" with *decimal 0.
FLATDOM_PLATFORM_API char* _fcvt(double value, int count, int* decimal, int* sign);
}

#endif
