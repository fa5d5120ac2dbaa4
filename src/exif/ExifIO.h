// Byte streams and file handles of the EXIF library. Every read and write of
// the library goes through an ExifFileHandle, which owns one stream (a C
// runtime FILE or a memory block) and carries the byte-order state the segment
// and directory code switches while it works.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Status codes of the EXIF library (0 is success; nothing raises).
enum : int {
    EXIF_OK = 0,
    EXIF_ERROR = 1,      // not an Exif JPEG; segment not TIFF-structured; codec error
    EXIF_BAD_MAGIC = 2,  // no start-of-image marker; TIFF magic not 42
    EXIF_SHORT_WRITE = 3,
    EXIF_SHORT_READ = 4,  // also: malformed lengths and counts
    EXIF_NO_SEGMENT = 6,
    EXIF_OPEN_FAILED = 7,
    EXIF_CLOSE_FAILED = 8,
    EXIF_BAD_MODE = 9,
    EXIF_NOT_RATIONAL = 10,
    EXIF_ZERO_DENOMINATOR = 11,
    EXIF_NOT_POINTER_TAG = 12,
    EXIF_NO_MEMORY = 14,
    EXIF_BAD_BYTE_ORDER = 15,
    EXIF_BAD_PATH = 16,
    EXIF_NO_IFD0 = 18,
    EXIF_NO_EXIF_IFD = 19,
    EXIF_BAD_SELECTOR = 21,
    EXIF_NO_IMAGE_DATA = 22,
    EXIF_BUFFER_OVERFLOW = 23,
    EXIF_SEGMENT_TOO_LARGE = 24,  // a TIFF segment does not fit a 16-bit length even without thumbnail
};

// Open-mode codes.
enum : uint32_t {
    EXIF_MODE_READ = 0,
    EXIF_MODE_UPDATE = 2,
    EXIF_MODE_WRITE = 0x301,  // bit 8 writing, bit 0 creating
};

// Handle flag bits.
enum : uint32_t {
    EXIF_FLAG_MSB_FIRST = 1u << 0,
    EXIF_FLAG_STRIPS_READY = 1u << 6,
    EXIF_FLAG_SWAP = 1u << 7,
    EXIF_FLAG_NO_BIT_REVERSAL = 1u << 8,
    EXIF_FLAG_MEMORY = 1u << 11,
};

struct ExifFileHandle;

class ExifHandleIO {
public:
    virtual ~ExifHandleIO() = default;
    virtual int32_t Read(void* buffer, uint32_t n) = 0;
    virtual int32_t Write(const void* buffer, uint32_t n) = 0;
    // whence: 0 from the start, 1 from the current position, 2 from the end.
    virtual int64_t Seek(int64_t offset, int whence) = 0;
    virtual int64_t Size() = 0;
    virtual int Close() = 0;
    virtual uint8_t* Buffer() = 0;
    virtual uint32_t Capacity() = 0;
};

class ExifFileIO : public ExifHandleIO {
public:
    ExifFileIO(ExifFileHandle* owner, FILE* file) : owner(owner), file(file) {}
    int32_t Read(void* buffer, uint32_t n) override;
    int32_t Write(const void* buffer, uint32_t n) override;
    int64_t Seek(int64_t offset, int whence) override;
    int64_t Size() override;
    int Close() override;
    uint8_t* Buffer() override { return nullptr; }
    uint32_t Capacity() override { return 0; }
    ExifFileHandle* owner;
    FILE* file;
};

class ExifMemoryIO : public ExifHandleIO {
public:
    ExifMemoryIO(ExifFileHandle* owner, uint8_t* block, uint32_t capacity, uint32_t length)
        : owner(owner), block(block), capacity(capacity), length(length) {}
    int32_t Read(void* buffer, uint32_t n) override;
    int32_t Write(const void* buffer, uint32_t n) override;
    int64_t Seek(int64_t offset, int whence) override;
    int64_t Size() override { return length; }
    int Close() override { return EXIF_OK; }
    uint8_t* Buffer() override { return block; }
    uint32_t Capacity() override { return capacity; }
    ExifFileHandle* owner;
    uint8_t* block;
    uint32_t capacity;
    uint32_t length;
    uint32_t position = 0;
};

struct ExifFileHandle {
    ExifHandleIO* io = nullptr;
    uint32_t flags = 0;
    std::string name;
    uint32_t mode = 0;
    std::string modeText;
    uint8_t bigEndian = 0;
    FILE* file = nullptr;

    ExifFileHandle() = default;
    ExifFileHandle(const ExifFileHandle&) = delete;
    ExifFileHandle& operator=(const ExifFileHandle&) = delete;
    ~ExifFileHandle() { CloseStream(); }

    int CloseStream();
    bool IsMemory() const { return (flags & EXIF_FLAG_MEMORY) != 0; }
    bool Swaps() const { return (flags & EXIF_FLAG_SWAP) != 0; }
    bool CanRead() const { return mode == EXIF_MODE_READ || mode == EXIF_MODE_UPDATE; }
    bool CanWrite() const { return mode == EXIF_MODE_UPDATE || mode == EXIF_MODE_WRITE; }

    // The stream operations (a closed handle reads and writes nothing).
    int32_t Read(void* buffer, uint32_t n) { return io ? io->Read(buffer, n) : -1; }
    int32_t Write(const void* buffer, uint32_t n) { return io ? io->Write(buffer, n) : -1; }
    bool ReadAll(void* buffer, uint32_t n) { return n == 0 || Read(buffer, n) == static_cast<int32_t>(n); }
    bool WriteAll(const void* buffer, uint32_t n) { return n == 0 || Write(buffer, n) == static_cast<int32_t>(n); }
    int64_t Seek(int64_t offset, int whence) { return io ? io->Seek(offset, whence) : -1; }
    // Seeks to an absolute position and reports whether the stream landed there.
    bool SeekTo(int64_t position) { return position >= 0 && Seek(position, 0) == position; }
    int64_t Tell() { return Seek(0, 1); }
    int64_t Size() { return io ? io->Size() : 0; }

    // Numbers in the handle's current byte order.
    bool ReadU16(uint16_t& value);
    bool ReadU32(uint32_t& value);
    bool WriteU16(uint16_t value);
    bool WriteU32(uint32_t value);

    // Byte-order conversion; each does nothing unless the swap bit is set.
    void Swap16(uint16_t& value) const;
    void Swap32(uint32_t& value) const;
    void Swap16Array(uint16_t* values, size_t n) const;
    void Swap32Array(uint32_t* values, size_t n) const;
    void Swap64Array(uint64_t* values, size_t n) const;

    // Marks the handle big-endian with swapping (JPEG marker fields) or
    // little-endian without.
    void SetJpegByteOrder() {
        flags |= EXIF_FLAG_SWAP;
        bigEndian = 1;
    }
};

// The byte-order state of a handle: swap bit and big-endian flag.
struct ExifByteOrderState {
    uint32_t swapFlag = 0;
    uint8_t bigEndian = 0;
    static ExifByteOrderState Of(const ExifFileHandle& h) { return {h.flags & EXIF_FLAG_SWAP, h.bigEndian}; }
    void ApplyTo(ExifFileHandle& h) const {
        h.flags = (h.flags & ~EXIF_FLAG_SWAP) | swapFlag;
        h.bigEndian = bigEndian;
    }
};

// "r" -> 0, "r+" -> 2, "w" -> 0x301 (only the first two characters count; "rb"
// is "r"); null -> 0. Returns false for anything else ("w+" included).
bool ParseExifOpenMode(const char* modeText, uint32_t& mode);
// The byte-order preference of the mode letters: 'B'/'H' 1, 'L' 2, else 0.
uint32_t ExifModeByteOrderPreference(const char* modeText);

ExifFileHandle* MakeExifFileHandle(const char* name, const char* modeText, int& status);
// length -1: 0 for a creating mode, the capacity otherwise.
ExifFileHandle* MakeExifMemoryHandle(int& status, uint8_t* block, uint32_t capacity, const char* modeText,
                                     int64_t length = -1);

// An open file: the handle, whether the object owns it, and the name.
class ExifOpenFile {
public:
    ExifOpenFile() = default;
    ExifOpenFile(const ExifOpenFile&) = delete;
    ExifOpenFile& operator=(const ExifOpenFile&) = delete;
    virtual ~ExifOpenFile();
    virtual int Close();
    // The mode-dependent work after the handle exists.
    virtual int Open(const char* name) = 0;

    // Make an owned handle and run the virtual open; on failure no handle remains.
    int Open(const char* name, const char* modeText);
    int OpenMemory(uint8_t* block, uint32_t capacity, const char* modeText, int64_t length = -1);

    ExifFileHandle* handle = nullptr;
    bool ownsHandle = false;
    std::string fileName;
};
