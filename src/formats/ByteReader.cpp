#include "formats/ByteReader.h"

#include "image/BinFile.h"

CBinFileReader::CBinFileReader(CBinFile& file, size_t bufferBytes)
    : ByteReader(file.GetLength()), file_(file), buffer_(std::max<size_t>(bufferBytes, kLongestField)) {
    window_ = buffer_.data();
    // The file's position is not known until the first read moves it.
    filePos_ = UINT64_MAX;
}

bool CBinFileReader::Fill(uint64_t offset, size_t count) {
    if (filePos_ != offset) {
        if (file_.Seek((int64_t)offset, FILE_BEGIN) != offset) return false;
        filePos_ = offset;
    }
    const size_t want = (size_t)std::min<uint64_t>(buffer_.size(), Size() - offset);
    const uint32_t got = file_.Read(buffer_.data(), (uint32_t)want);
    filePos_ += got;
    windowStart_ = offset;
    windowBytes_ = got;
    return got >= count;
}

size_t CBinFileReader::ReadDirect(void* dst, size_t count) {
    const uint64_t offset = Tell();
    if (filePos_ != offset) {
        if (file_.Seek((int64_t)offset, FILE_BEGIN) != offset) return 0;
        filePos_ = offset;
    }
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    // The file reads at most 32 bits of count at a time.
    while (done < count) {
        const uint32_t block = (uint32_t)std::min<size_t>(count - done, 1u << 30);
        const uint32_t got = file_.Read(out + done, block);
        filePos_ += got;
        done += got;
        if (got < block) break;
    }
    return done;
}
