// CFileBytes: buffered byte-by-byte reading of a CBinFile for the readers that
// decode small run-length or text formats, and the plausibility check of a
// size a header claims against the bytes the file holds.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "formats/Formats.h"
#include "image/BinFile.h"
#include "image/Common.h"

class CFileBytes {
public:
    explicit CFileBytes(CBinFile& file) : file_(file), length_(file.GetLength()), buffer_(1 << 16) {}

    // The next byte; false at the end of the file.
    bool Next(uint8_t& byte) {
        if (pos_ == filled_ && !Fill()) return false;
        byte = buffer_[pos_++];
        return true;
    }
    // The next byte as 0..255, or -1 at the end of the file.
    int Get() {
        uint8_t byte;
        return Next(byte) ? byte : -1;
    }
    // Up to count bytes into out; returns how many there were.
    uint32_t Read(uint8_t* out, uint32_t count) {
        uint32_t done = 0;
        while (done < count) {
            if (pos_ == filled_ && !Fill()) break;
            const uint32_t n = std::min(count - done, filled_ - pos_);
            std::copy(buffer_.data() + pos_, buffer_.data() + pos_ + n, out + done);
            pos_ += n;
            done += n;
        }
        return done;
    }
    // Moves to an offset from the start of the file; false beyond its end. An
    // offset inside the buffered bytes is reached without reading again.
    bool SeekTo(uint64_t offset) {
        if (offset > length_) return false;
        if (offset >= start_ && offset < start_ + filled_) {
            pos_ = (uint32_t)(offset - start_);
            return true;
        }
        if (file_.Seek((int64_t)offset, FILE_BEGIN) != offset) return false;
        start_ = offset;
        pos_ = filled_ = 0;
        return true;
    }
    uint64_t Position() const { return start_ + pos_; }
    uint64_t Length() const { return length_; }
    uint64_t Remaining() const { return length_ > Position() ? length_ - Position() : 0; }

private:
    bool Fill() {
        start_ += filled_;
        pos_ = 0;
        filled_ = file_.Read(buffer_.data(), (uint32_t)buffer_.size());
        return filled_ != 0;
    }

    CBinFile& file_;
    uint64_t length_;
    std::vector<uint8_t> buffer_;
    uint64_t start_ = 0;  // file offset of buffer_[0]
    uint32_t pos_ = 0;
    uint32_t filled_ = 0;
};

// A file may miss this much of the pixel data its header promises (the rest
// of the image stays as created); beyond that the header is not believed.
constexpr uint64_t kFileBytesMissingSlack = 1ull << 20;

// True when `needed` bytes of image data can come from `available` file bytes
// that expand at most `expansion` times (1 for uncompressed data).
inline bool PlausibleDataSize(uint64_t needed, uint64_t available, uint64_t expansion) {
    return needed <= available * expansion + kFileBytesMissingSlack;
}

// For the readers that check the path first: CanOpenForRead (its text on
// failure), then opens file for reading.
inline bool OpenCheckedForRead(CBinFile& file, const wchar_t* path, wchar_t* errorText) {
    if (!path || !CanOpenForRead(path, errorText)) return false;
    if (file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) return true;
    SetFormatError(errorText, L"Failed to open file for read!");
    return false;
}

// 1-bit palettes as red, green, blue triples: index 0 black and 1 white, and
// the other way round.
constexpr uint8_t kPaletteBlackWhite[256 * 3] = {0, 0, 0, 255, 255, 255};
constexpr uint8_t kPaletteWhiteBlack[256 * 3] = {255, 255, 255, 0, 0, 0};
