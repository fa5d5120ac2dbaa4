// The whole of a small file in memory, for readers that decode from bytes: every
// offset and length a header gives is then checked against one size.
#pragma once
#include <cstdint>
#include <vector>

#include "image/BinFile.h"

enum class WholeFileResult { Ok, CannotOpen, TooLarge };

// Files beyond this many bytes are not read into memory.
constexpr uint64_t kWholeFileMaxBytes = 0x7FFFFFFFull;

// Reads path into out (shared for reading, closed before returning). May throw
// std::bad_alloc.
inline WholeFileResult ReadWholeFile(const wchar_t* path, std::vector<uint8_t>& out) {
    out.clear();
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) return WholeFileResult::CannotOpen;
    const uint64_t length = file.GetLength();
    if (length > kWholeFileMaxBytes) return WholeFileResult::TooLarge;
    out.resize((size_t)length);
    if (length && file.Read(out.data(), (uint32_t)length) != length) return WholeFileResult::CannotOpen;
    return WholeFileResult::Ok;
}
