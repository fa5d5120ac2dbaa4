// A writer's output file that takes the place of its target only when it is
// complete: the bytes go to "<target>.tmp", buffered, and Commit closes that
// file and moves it over the target. A failed write, close or move leaves an
// existing target untouched and removes the temporary file.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

#include "image/BinFile.h"

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates "<full path of target>.tmp"; false when it cannot be created.
    bool Open(const wchar_t* target);
    // Appends bytes; false once any write has failed (later writes are dropped).
    bool Write(const void* data, size_t count);
    bool WriteByte(uint8_t value) { return Write(&value, 1); }
    // Moves the write position to an absolute offset (after flushing), for
    // headers that are filled in once the data behind them is written.
    bool Seek(uint64_t offset);
    // The current write position.
    uint64_t Position() const { return position_; }
    bool Ok() const { return ok_; }
    // Flushes, closes and replaces the target. On failure the temporary file
    // is removed and errorText gets writeFailure (a write or the close failed)
    // or "Unable to replace <target>!".
    bool Commit(wchar_t* errorText, const wchar_t* writeFailure);
    // The same for callers that word their own failure text.
    bool Commit() { return Commit(nullptr, nullptr); }

private:
    bool Flush();
    void Discard();

    CBinFile file_;
    std::vector<uint8_t> buffer_;
    uint64_t position_ = 0;
    bool ok_ = true;
    wchar_t target_[MAX_PATH] = {};
    wchar_t temp_[MAX_PATH] = {};
};
