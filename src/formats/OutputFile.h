// A writer's output file, buffered and checked: every write, the seeks and the
// close are checked, and a file that was not finished completely is removed.
// The writers write the path they are given (SaveImageFile hands them a
// temporary name beside the target).
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

#include "image/BinFile.h"

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates (or empties) path; false when it cannot be opened.
    bool Open(const wchar_t* path);
    // Appends bytes; false once any write has failed (later writes are dropped).
    bool Write(const void* data, size_t count);
    bool WriteByte(uint8_t value) { return Write(&value, 1); }
    // Moves the write position to an absolute offset (after flushing), for
    // headers that are filled in once the data behind them is written.
    bool Seek(uint64_t offset);
    // The current write position.
    uint64_t Position() const { return position_; }
    bool Ok() const { return ok_; }
    // Flushes and closes the file. When a write, the flush or the close
    // failed, the file is removed and errorText gets writeFailure (when given).
    bool Finish(wchar_t* errorText, const wchar_t* writeFailure);
    // The same for callers that word their own failure text.
    bool Finish() { return Finish(nullptr, nullptr); }

private:
    bool Flush();
    void Discard();

    CBinFile file_;
    std::vector<uint8_t> buffer_;
    uint64_t position_ = 0;
    bool ok_ = true;
    std::vector<wchar_t> path_;  // while the file is open and unfinished
};
