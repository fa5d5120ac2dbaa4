#include "formats/ReplacingFile.h"

#include <cstring>
#include <cwchar>

#include "formats/Formats.h"

namespace {
constexpr size_t kBufferBytes = 1 << 16;
}

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Open(const wchar_t* target) {
    Discard();
    if (!target || !*target) return false;
    const DWORD n = GetFullPathNameW(target, MAX_PATH, target_, nullptr);
    if (n == 0 || n >= MAX_PATH - 4) return false;
    std::wcscpy(temp_, target_);
    std::wcscat(temp_, L".tmp");
    if (!file_.Open(temp_, BINFILE_WRITE | BINFILE_SHARE_NONE | BINFILE_CREATE)) {
        temp_[0] = L'\0';
        return false;
    }
    ok_ = true;
    position_ = 0;
    buffer_.clear();
    buffer_.reserve(kBufferBytes);
    return true;
}

bool ReplacingFile::Flush() {
    if (ok_ && !buffer_.empty()) ok_ = file_.Write(buffer_.data(), (uint32_t)buffer_.size());
    buffer_.clear();
    return ok_;
}

bool ReplacingFile::Write(const void* data, size_t count) {
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

bool ReplacingFile::Seek(uint64_t offset) {
    if (!file_.IsOpen() || !Flush()) return ok_ = false;
    ok_ = file_.Seek((int64_t)offset, FILE_BEGIN) == offset;
    position_ = offset;
    return ok_;
}

bool ReplacingFile::Commit(wchar_t* errorText, const wchar_t* writeFailure) {
    const bool written = file_.IsOpen() && Flush();
    const bool closed = file_.IsOpen() && file_.Close();
    if (!written || !closed) {
        Discard();
        if (writeFailure) SetFormatError(errorText, writeFailure);
        return false;
    }
    if (!MoveFileExW(temp_, target_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        Discard();
        if (!errorText) return false;
        wchar_t text[FORMAT_ERROR_CHARS];
        _snwprintf(text, FORMAT_ERROR_CHARS - 1, L"Unable to replace %ls!", target_);
        text[FORMAT_ERROR_CHARS - 1] = L'\0';
        SetFormatError(errorText, text);
        return false;
    }
    temp_[0] = L'\0';
    return true;
}

void ReplacingFile::Discard() {
    if (file_.IsOpen()) file_.Abort();
    if (temp_[0]) DeleteFileW(temp_);
    temp_[0] = L'\0';
    buffer_.clear();
    ok_ = false;
}
