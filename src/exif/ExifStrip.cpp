// Uncompressed thumbnail strips: rows between an ExifImageBuffer and the
// segment's stream, keeping the directory's strip tables current.
#include <algorithm>
#include <cstring>
#include <vector>

#include "exif/ExifIfd.h"

namespace {
uint8_t ReverseByte(uint8_t b) {
    b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    b = static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
    return b;
}
}  // namespace

ExifStripImage::ExifStripImage(ExifIfd* directory, ExifFileHandle* stream, bool* notUncompressed)
    : directory(directory), stream(stream) {
    stripsPerPlane = directory->StripCount();
    rowBytes = directory->RowBytes();
    currentStrip = -1;
    ComputeStripCounts();
    if (notUncompressed) *notUncompressed = directory->TagInt(directory->compression, 1) != 1;
}

void ExifStripImage::ComputeStripCounts() {
    int64_t spp = std::max<int64_t>(directory->TagInt(directory->samplesPerPixel, 1), 1);
    totalStrips = directory->rowsPerStrip ? directory->StripCount() : spp;
    stripsPerPlane = totalStrips;
    if (directory->TagInt(directory->planarConfig, 1) == 2 && totalStrips > 0) stripsPerPlane = totalStrips / spp;
}

int64_t ExifStripImage::RowsPerStripValue() const {
    int64_t rps = directory->TagInt(directory->rowsPerStrip, -1);
    // Missing or 0 (which would divide by zero): all rows in one strip.
    if (rps <= 0) rps = std::max<int64_t>(directory->TagInt(directory->imageLength, 1), 1);
    return rps;
}

bool ExifStripImage::StripOfRow(uint32_t row, uint32_t plane, int64_t& strip) const {
    strip = row / RowsPerStripValue();
    if (directory->TagInt(directory->planarConfig, 1) == 2) {
        if (plane >= directory->TagInt(directory->samplesPerPixel, 1)) return false;
        strip += static_cast<int64_t>(plane) * stripsPerPlane;
    }
    return true;
}

void ExifStripImage::ReverseBits(uint8_t* data, uint32_t n) const {
    if (stream->flags & (EXIF_FLAG_MSB_FIRST | EXIF_FLAG_NO_BIT_REVERSAL)) return;
    for (uint32_t i = 0; i < n; ++i) data[i] = ReverseByte(data[i]);
}

int ExifStripImage::ReadRow(uint8_t* destination, uint32_t destinationSize, uint32_t row, uint32_t plane) {
    if (row >= directory->TagInt(directory->imageLength, 0)) return EXIF_ERROR;
    int64_t strip;
    if (!StripOfRow(row, plane, strip) || strip < 0 || strip >= totalStrips) return EXIF_ERROR;
    std::vector<unsigned int> offsets = directory->StripOffsets(), counts = directory->StripByteCounts();
    if (strip >= static_cast<int64_t>(offsets.size()) || strip >= static_cast<int64_t>(counts.size()))
        return EXIF_ERROR;
    int64_t n = counts[strip];
    if (n <= 0) return EXIF_ERROR;
    if (rowBytes >= 0 && rowBytes < n) n = rowBytes;
    // Never more than the destination row holds, whatever the file says.
    if (n > destinationSize) n = destinationSize;
    int64_t position = static_cast<int64_t>(directory->readBase) + offsets[strip] +
                       (static_cast<int64_t>(row) - RowsPerStripValue() * strip) * n;
    if (!stream->SeekTo(position)) return EXIF_ERROR;
    if (!stream->ReadAll(destination, static_cast<uint32_t>(n))) return EXIF_ERROR;
    ReverseBits(destination, static_cast<uint32_t>(n));
    return EXIF_OK;
}

int ExifStripImage::ReadImage(ExifImageBuffer* buffer) {
    uint32_t rowSize = buffer->width * buffer->channels;
    for (uint32_t i = 0; i < buffer->height; ++i) {
        int status =
            ReadRow(buffer->channel[0].data + static_cast<size_t>(i) * buffer->channel[0].rowStep, rowSize, i, 0);
        if (status != EXIF_OK) return status;
    }
    return EXIF_OK;
}

int ExifStripImage::SetUp() {
    if (stream->flags & EXIF_FLAG_STRIPS_READY) return EXIF_OK;
    if (!stream->CanWrite()) return EXIF_ERROR;
    if (!directory->imageWidth || !directory->planarConfig) return EXIF_ERROR;
    ComputeStripCounts();
    if (totalStrips < 0 || totalStrips > 65535) return EXIF_ERROR;
    std::vector<unsigned int> zeros(static_cast<size_t>(totalStrips), 0);
    if (!directory->stripOffsets) directory->StoreLongList(273, zeros);
    directory->StoreLongList(279, zeros);
    stream->flags |= EXIF_FLAG_STRIPS_READY;
    return EXIF_OK;
}

void ExifStripImage::AppendStrip(std::vector<unsigned int>& offsets, std::vector<unsigned int>& counts) {
    offsets.push_back(0);
    counts.push_back(0);
    ++totalStrips;
    directory->StoreLongList(273, offsets);
    directory->StoreLongList(279, counts);
}

int ExifStripImage::WriteRow(const uint8_t* source, uint32_t row, uint32_t plane) {
    if (SetUp() != EXIF_OK) return EXIF_ERROR;
    int64_t length = directory->TagInt(directory->imageLength, 0);
    if (row >= length) {
        if (directory->TagInt(directory->planarConfig, 1) == 2) return EXIF_ERROR;
        directory->SetTag(new (std::nothrow) ExifLongEntry(257, EXIF_TYPE_LONG, 1, row + 1));
        length = row + 1;
        grown = true;
    }
    int64_t strip;
    if (!StripOfRow(row, plane, strip)) return EXIF_ERROR;
    if (strip != currentStrip) {
        currentStrip = strip;
        if (strip >= stripsPerPlane && grown) {
            int64_t rps = RowsPerStripValue();
            stripsPerPlane = (length + rps - 1) / rps;
        }
    }
    if (strip >= totalStrips) {
        if (strip - totalStrips > 65535) return EXIF_ERROR;
        std::vector<unsigned int> offsets = directory->StripOffsets(), counts = directory->StripByteCounts();
        while (totalStrips <= strip) AppendStrip(offsets, counts);
    }
    if (rowBytes < 0 || rowBytes > 0x7FFFFFFF) return EXIF_ERROR;
    return WriteStrip(static_cast<uint32_t>(strip), source, static_cast<uint32_t>(rowBytes)) == rowBytes ? EXIF_OK
                                                                                                         : EXIF_ERROR;
}

int64_t ExifStripImage::WriteStrip(uint32_t strip, const uint8_t* data, uint32_t n) {
    if (SetUp() != EXIF_OK) return -1;
    std::vector<unsigned int> offsets = directory->StripOffsets(), counts = directory->StripByteCounts();
    if (strip >= totalStrips) {
        if (directory->TagInt(directory->planarConfig, 1) == 2) return -1;
        if (strip >= stripsPerPlane) {
            int64_t rps = RowsPerStripValue();
            stripsPerPlane = (directory->TagInt(directory->imageLength, 0) + rps - 1) / rps;
        }
        AppendStrip(offsets, counts);
        if (strip >= totalStrips) return -1;
    }
    if (strip >= offsets.size() || strip >= counts.size()) return -1;
    currentStrip = strip;
    std::vector<uint8_t> copy;
    if (!(stream->flags & (EXIF_FLAG_MSB_FIRST | EXIF_FLAG_NO_BIT_REVERSAL))) {
        copy.assign(data, data + n);
        ReverseBits(copy.data(), n);
        data = copy.data();
    }
    if (offsets[strip] != 0) {
        int64_t position = static_cast<int64_t>(offsets[strip]) + counts[strip];
        if (stream->Seek(position, 0) != position) return -1;
    } else {
        int64_t end = stream->Seek(0, 2);
        if (end < 0) return -1;
        offsets[strip] = static_cast<unsigned int>(end);
    }
    if (!stream->WriteAll(data, n)) return -1;
    counts[strip] += n;
    directory->StoreLongList(273, offsets);
    directory->StoreLongList(279, counts);
    return n;
}

int ExifStripImage::WriteImage(const ExifImageBuffer* buffer) {
    if (rowBytes < 0 || rowBytes > static_cast<int64_t>(buffer->width) * buffer->channels) return EXIF_ERROR;
    for (uint32_t i = 0; i < buffer->height; ++i) {
        int status = WriteRow(buffer->channel[0].data + static_cast<size_t>(i) * buffer->channel[0].rowStep, i, 0);
        if (status != EXIF_OK) return status;
    }
    return EXIF_OK;
}
