// ByteReader: bounded reading of little- and big-endian fields from a block of
// memory, and CBinFileReader, the same over an open CBinFile, for the
// hand-written parsers.
//
// Nothing is ever read past the end. A read that would run past it reads
// nothing, returns 0 (Bytes zero-fills its destination) and sets the failure
// flag; the flag stays set, so every later read, Skip and Seek fails too and a
// parser may check Ok() once after a run of fields. ReadSome is the one call
// that takes what there is without failing.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class CBinFile;

class ByteReader {
public:
    ByteReader(const void* data, size_t size)
        : window_(static_cast<const uint8_t*>(data)), windowBytes_(data ? size : 0), size_(data ? size : 0) {}
    virtual ~ByteReader() = default;
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    // False once a read, Skip or Seek has gone past the end.
    bool Ok() const { return ok_; }
    uint64_t Size() const { return size_; }
    uint64_t Tell() const { return pos_; }
    uint64_t Remaining() const { return size_ - pos_; }

    uint8_t U8() {
        const uint8_t* p = Take(1);
        return p ? p[0] : 0;
    }
    uint16_t U16LE() {
        const uint8_t* p = Take(2);
        return p ? (uint16_t)(p[0] | p[1] << 8) : 0;
    }
    uint16_t U16BE() {
        const uint8_t* p = Take(2);
        return p ? (uint16_t)(p[0] << 8 | p[1]) : 0;
    }
    uint32_t U32LE() {
        const uint8_t* p = Take(4);
        return p ? (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24 : 0;
    }
    uint32_t U32BE() {
        const uint8_t* p = Take(4);
        return p ? (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | (uint32_t)p[3] : 0;
    }
    // The field at an absolute offset, for headers read into a block first;
    // the position stays where it was. 0 (and failure) when the field does not
    // lie wholly before the end.
    uint16_t U16LEAt(uint64_t offset) { return At(offset, &ByteReader::U16LE); }
    uint16_t U16BEAt(uint64_t offset) { return At(offset, &ByteReader::U16BE); }
    uint32_t U32LEAt(uint64_t offset) { return At(offset, &ByteReader::U32LE); }
    uint32_t U32BEAt(uint64_t offset) { return At(offset, &ByteReader::U32BE); }

    int16_t S16LE() { return (int16_t)U16LE(); }
    int16_t S16BE() { return (int16_t)U16BE(); }
    int32_t S32LE() { return (int32_t)U32LE(); }
    int32_t S32BE() { return (int32_t)U32BE(); }

    // Exactly count bytes into dst; on failure dst gets zeros and nothing is read.
    bool Bytes(void* dst, size_t count) {
        if (!ok_ || count > Remaining()) {
            if (count) std::memset(dst, 0, count);
            return Fail();
        }
        if (ReadSome(dst, count) == count) return true;
        std::memset(dst, 0, count);  // the file ended before the length it had
        return Fail();
    }
    // Up to count bytes into dst, as many as there are before the end; returns
    // how many. Never sets the failure flag; reads nothing once it is set.
    size_t ReadSome(void* dst, size_t count);

    // Moves forward count bytes; fails (and stays put) beyond the end.
    bool Skip(uint64_t count) { return count <= Remaining() ? Seek(pos_ + count) : Fail(); }
    // Moves to an offset from the start; the end itself is allowed, beyond it fails.
    bool Seek(uint64_t offset) {
        if (!ok_ || offset > size_) return Fail();
        pos_ = offset;
        return true;
    }

protected:
    // For CBinFileReader: the size is the file's, and the window is filled on demand.
    explicit ByteReader(uint64_t size) : size_(size) {}
    // Makes the window hold at least `count` bytes from offset (count no more
    // than what is left before the end), or returns false. The memory reader's
    // window is the whole block, so it has nothing more to offer.
    virtual bool Fill(uint64_t, size_t) { return false; }
    // Reads up to count bytes at the position straight into dst, bypassing
    // the window; returns how many. ReadSome calls it for reads of at least
    // kDirectReadBytes that the window does not hold.
    static constexpr size_t kDirectReadBytes = 1 << 16;
    virtual size_t ReadDirect(void*, size_t) { return 0; }

    const uint8_t* window_ = nullptr;
    uint64_t windowStart_ = 0;  // offset of window_[0]
    size_t windowBytes_ = 0;

private:
    template <typename T>
    T At(uint64_t offset, T (ByteReader::*read)()) {
        const uint64_t here = pos_;
        if (!Seek(offset)) return 0;
        const T value = (this->*read)();
        if (ok_) pos_ = here;
        return value;
    }
    bool Fail() {
        ok_ = false;
        return false;
    }
    // count bytes at the position, then past them; null (and failure) when the
    // end comes first.
    const uint8_t* Take(size_t count) {
        if (!ok_ || count > Remaining()) {
            Fail();
            return nullptr;
        }
        if (pos_ < windowStart_ || pos_ - windowStart_ + count > windowBytes_) {
            if (!Fill(pos_, count)) {
                Fail();
                return nullptr;
            }
        }
        const uint8_t* p = window_ + (pos_ - windowStart_);
        pos_ += count;
        return p;
    }

    uint64_t size_ = 0;
    uint64_t pos_ = 0;
    bool ok_ = true;
};

// The reader over an open file, from its start to the length it has when the
// reader is made, through a buffer (at least as long as the longest field);
// the reader owns the file's position (other reads of the file while it is in
// use confuse both).
class CBinFileReader : public ByteReader {
public:
    static constexpr size_t kLongestField = 4;
    explicit CBinFileReader(CBinFile& file, size_t bufferBytes = 1 << 16);

protected:
    bool Fill(uint64_t offset, size_t count) override;
    size_t ReadDirect(void* dst, size_t count) override;

private:
    CBinFile& file_;
    std::vector<uint8_t> buffer_;
    uint64_t filePos_ = 0;  // where the file's own position is
};

inline size_t ByteReader::ReadSome(void* dst, size_t count) {
    if (!ok_) return 0;
    if (count > Remaining()) count = (size_t)Remaining();
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    while (done < count) {
        const size_t want = count - done;
        if (pos_ >= windowStart_ && pos_ < windowStart_ + windowBytes_) {
            const size_t n = (size_t)std::min<uint64_t>(want, windowStart_ + windowBytes_ - pos_);
            std::memcpy(out + done, window_ + (pos_ - windowStart_), n);
            pos_ += n;
            done += n;
            continue;
        }
        // Past the window: large reads go straight to the destination.
        if (want < kDirectReadBytes) {
            if (Fill(pos_, 1)) continue;
            break;
        }
        const size_t n = ReadDirect(out + done, want);
        if (!n) break;
        pos_ += n;
        done += n;
    }
    return done;
}
