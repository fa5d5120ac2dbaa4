#include "formats/TempFileWriter.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kBufferBytes = 1 << 16;
}

CTempFileWriter::~CTempFileWriter() { Discard(); }

bool CTempFileWriter::Open(const wchar_t* target) {
    Discard();
    if (!target || !*target) return false;
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(target, MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH - 4) return false;
    target_ = full;
    temp_ = target_ + L".tmp";
    if (!file_.Open(temp_.c_str(), BINFILE_WRITE | BINFILE_SHARE_NONE | BINFILE_CREATE)) return false;
    buffer_.clear();
    buffer_.reserve(kBufferBytes);
    position_ = 0;
    ok_ = open_ = true;
    return true;
}

bool CTempFileWriter::Flush() {
    if (ok_ && !buffer_.empty()) ok_ = file_.Write(buffer_.data(), (uint32_t)buffer_.size());
    buffer_.clear();
    return ok_;
}

bool CTempFileWriter::Write(const void* data, size_t count) {
    if (!ok_) return false;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (count) {
        if (buffer_.size() == kBufferBytes && !Flush()) return false;
        const size_t part = std::min(count, kBufferBytes - buffer_.size());
        buffer_.insert(buffer_.end(), p, p + part);
        p += part;
        count -= part;
        position_ += part;
    }
    return true;
}

bool CTempFileWriter::Seek(uint64_t offset) {
    if (!Flush()) return false;
    ok_ = file_.Seek((int64_t)offset, FILE_BEGIN) == offset;
    position_ = offset;
    return ok_;
}

bool CTempFileWriter::Commit() {
    if (!open_) return false;
    Flush();
    const bool closed = file_.Close();
    ok_ = ok_ && closed &&
          MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
    open_ = false;
    if (!ok_) DeleteFileW(temp_.c_str());
    return ok_;
}

void CTempFileWriter::Discard() {
    if (!open_) return;
    file_.Close();
    DeleteFileW(temp_.c_str());
    open_ = false;
    ok_ = false;
}
