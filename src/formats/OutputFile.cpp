#include "formats/OutputFile.h"

#include <cstring>
#include <cwchar>

#include "formats/Formats.h"

namespace {
constexpr size_t kBufferBytes = 1 << 16;
}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open(const wchar_t* path) {
    Discard();
    if (!path || !*path) return false;
    if (!file_.Open(path, BINFILE_WRITE | BINFILE_SHARE_NONE | BINFILE_CREATE)) return false;
    path_.assign(path, path + std::wcslen(path) + 1);
    ok_ = true;
    position_ = 0;
    buffer_.clear();
    buffer_.reserve(kBufferBytes);
    return true;
}

bool OutputFile::Flush() {
    if (ok_ && !buffer_.empty()) ok_ = file_.Write(buffer_.data(), (uint32_t)buffer_.size());
    buffer_.clear();
    return ok_;
}

bool OutputFile::Write(const void* data, size_t count) {
    if (!ok_ || !file_.IsOpen()) return ok_ = false;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (count) {
        if (buffer_.size() == kBufferBytes && !Flush()) return false;
        const size_t part = count < kBufferBytes - buffer_.size() ? count : kBufferBytes - buffer_.size();
        buffer_.insert(buffer_.end(), bytes, bytes + part);
        bytes += part;
        count -= part;
        position_ += part;
    }
    return true;
}

bool OutputFile::Seek(uint64_t offset) {
    if (!file_.IsOpen() || !Flush()) return ok_ = false;
    ok_ = file_.Seek((int64_t)offset, FILE_BEGIN) == offset;
    position_ = offset;
    return ok_;
}

bool OutputFile::Finish(wchar_t* errorText, const wchar_t* writeFailure) {
    const bool written = file_.IsOpen() && Flush();
    const bool closed = file_.IsOpen() && file_.Close();
    if (!written || !closed) {
        Discard();
        if (writeFailure) SetFormatError(errorText, writeFailure);
        return false;
    }
    path_.clear();
    return true;
}

void OutputFile::Discard() {
    if (file_.IsOpen()) file_.Abort();
    if (!path_.empty()) DeleteFileW(path_.data());
    path_.clear();
    buffer_.clear();
    ok_ = false;
}
