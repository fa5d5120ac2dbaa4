// A buffered stdio stream that closes itself, for readers that work byte by
// byte, and the length of the data behind the stream's position.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>

struct StdioFileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using StdioFile = std::unique_ptr<FILE, StdioFileCloser>;

// Opens path for binary reading; null on failure or for a null path.
inline StdioFile OpenStdioForRead(const wchar_t* path) { return StdioFile(path ? _wfopen(path, L"rb") : nullptr); }

// Bytes from the current position to the end of the file (0 when the position
// cannot be had); the position is kept.
inline uint64_t BytesLeft(FILE* f) {
    const int64_t here = _ftelli64(f);
    if (here < 0 || _fseeki64(f, 0, SEEK_END) != 0) return 0;
    const int64_t end = _ftelli64(f);
    _fseeki64(f, here, SEEK_SET);
    return end > here ? (uint64_t)(end - here) : 0;
}
