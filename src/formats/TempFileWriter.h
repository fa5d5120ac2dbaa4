// Buffered output of a writer into "<target>.tmp": Commit replaces the target
// only after every write and the close succeeded; any other end removes the
// temporary file, so no half-written picture is left under the target's name.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/BinFile.h"

class CTempFileWriter {
public:
    CTempFileWriter() = default;
    ~CTempFileWriter();
    CTempFileWriter(const CTempFileWriter&) = delete;
    CTempFileWriter& operator=(const CTempFileWriter&) = delete;

    // Creates "<full target path>.tmp"; false when it cannot be created.
    bool Open(const wchar_t* target);
    // Writes count bytes at the current position; false once any write failed.
    bool Write(const void* data, size_t count);
    bool WriteByte(uint8_t value) { return Write(&value, 1); }
    // Moves the write position to an absolute offset (after flushing).
    bool Seek(uint64_t offset);
    // The current write position.
    uint64_t Position() const { return position_; }
    bool Ok() const { return ok_; }
    // Flushes, closes and replaces the target; false (temporary file removed)
    // when anything failed on the way.
    bool Commit();

private:
    bool Flush();
    void Discard();

    CBinFile file_;
    std::wstring target_, temp_;
    std::vector<uint8_t> buffer_;
    uint64_t position_ = 0;
    bool ok_ = false;
    bool open_ = false;
};
