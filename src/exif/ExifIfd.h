// One image file directory of a TIFF-structured application segment: its
// entries sorted by tag, the sub-directories its pointer tags lead to, and the
// thumbnail it may describe (a decoded image or the bytes of a JPEG stream).
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "exif/ExifIO.h"
#include "exif/ExifJpeg.h"
#include "exif/ExifTagEntry.h"

// (pointer tag, index) pairs from the main chain down to a directory; the first
// pair is (0, n) for the n-th directory of the chain.
using ExifIfdPath = std::vector<std::pair<uint16_t, uint16_t>>;

struct ExifPathTags {
    ExifIfdPath path;
    std::vector<ExifTagEntry*> tags;
};

// The program-wide list of IFD-pointer tags (330, 34665, 34853, 40965, 50030,
// 50031 after EnsureExifSubIfdTags). Safe to call from several threads.
void EnsureExifSubIfdTags();
bool RegisterIfdPointerTag(uint16_t tag);
bool IsIfdPointerTag(uint32_t tag);

// Limits that keep a hostile file from looping or exhausting memory.
enum : uint32_t {
    EXIF_MAX_CHAIN = 16,         // top-level directories of one segment
    EXIF_MAX_DEPTH = 8,          // sub-directory nesting
    EXIF_MAX_DIRECTORIES = 256,  // directories of one segment in all
    EXIF_MAX_SUBIFDS_PER_TAG = 64,
    EXIF_MAX_ENTRIES = 8191,
    // A JPEG thumbnail is at most 65534 bytes, yet arithmetic coding packs a
    // plain picture of any size into a few hundred: decoding stops here.
    EXIF_MAX_THUMBNAIL_PIXELS = 1u << 22,
};

struct ExifRawEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;         // host order, as a 32-bit number
    uint8_t valueBytes[4];  // the field in file order
};

// Shared by all directories read from one segment.
struct ExifReadContext {
    std::set<int64_t> visited;
    uint32_t directories = 0;  // directories read
    uint32_t made = 0;         // sub-directory objects made by pointer tags
};

// The bytes of a byte-sized entry (BYTE, SBYTE, UNDEFINED, ASCII); false for other kinds.
bool ExifEntryBytes(const ExifTagEntry* entry, std::vector<uint8_t>& out);
// Writes zeros at the end of the stream until it reaches position.
bool ExifExtendStream(ExifFileHandle* stream, int64_t position);

// The tag of the maker note, which is written back at its offset from the
// TIFF header (ExifTagEntry::valueOffset) when it has one.
enum : uint32_t { EXIF_TAG_MAKER_NOTE = 37500 };

// Rational conversion with the given relative tolerance: 0, or 10 when the
// value is not 0 and outside 3e-10 ... 4e10 (or the tolerance is negative).
int DoubleToRational(double value, double tolerance, uint32_t& numerator, uint32_t& denominator);

class ExifIfd {
public:
    ExifIfd(uint16_t pointerTag, uint32_t directoryPosition, uint32_t readBase, uint16_t index);
    ExifIfd(uint16_t pointerTag, uint16_t index);
    ExifIfd(const ExifIfd& other);
    ExifIfd& operator=(const ExifIfd&) = delete;
    ~ExifIfd();

    int Read(ExifFileHandle* stream);
    int Read(ExifFileHandle* stream, ExifReadContext& context, uint32_t depth);
    // Writes the directory, its sub-directories and its thumbnail at the end of
    // the stream. Returns a status; nextField receives the position of the
    // next-directory field.
    int Write(ExifFileHandle* stream, uint32_t writeBase, uint32_t* nextField);

    ExifTagEntry* FindTag(uint32_t tag) const;
    void SetTag(ExifTagEntry* entry);       // takes ownership
    int AddTag(const ExifTagEntry* entry);  // stores a clone; 0 or 14
    bool RemoveTag(uint32_t tag);
    bool GetSubIfds(uint32_t tag, std::vector<ExifIfd*>& out) const;
    ExifIfd* GetSubIfd(uint32_t tag, uint32_t index) const;
    int CreateSubIfd(uint32_t tag);
    int AddSubIfd(ExifIfd* directory);
    void ListTags(std::vector<ExifPathTags>& out, uint16_t parentTag) const;
    int64_t StripCount() const;  // -1 when it cannot be computed
    int64_t RowBytes() const;    // -1 when it cannot be computed
    std::vector<unsigned int> StripOffsets() const;
    std::vector<unsigned int> StripByteCounts() const;
    void CopyFrom(const ExifIfd& other);
    void Clear();

    int ReadEntries(ExifFileHandle* stream, std::vector<ExifRawEntry>& entries);
    // Makes an entry from a raw one (null: nothing to store); status receives an
    // error of the value reader (bad rational), else 0.
    ExifTagEntry* EntryFactory(ExifFileHandle* stream, const ExifRawEntry& raw, int& status);
    void NoteSpecialTag(ExifTagEntry* entry);
    // Decodes the JPEG thumbnail bytes once into the thumbnail image.
    ExifImageBuffer* DecodeThumbnail();
    // Replaces the thumbnail by a copy of these JPEG bytes (or none).
    bool SetThumbnailBytes(const uint8_t* bytes, uint32_t length);
    void DropThumbnail();

    ExifImageBuffer* thumbImage = nullptr;
    uint8_t* thumbBytes = nullptr;
    uint32_t thumbLength = 0;
    uint32_t entryPos = 0;
    uint32_t dataPos = 0;
    uint32_t endPos = 0;
    uint32_t directoryPos = 0;
    uint32_t readBase = 0;
    uint32_t writeBase = 0;
    uint32_t linkPos = 0;
    uint32_t stripOffsetsPos = 0;
    uint32_t stripByteCountsPos = 0;
    uint32_t jpegOffsetPos = 0;
    uint32_t jpegLengthPos = 0;
    uint16_t pointerTag = 0;
    uint16_t index = 0;
    // Stream positions [noteStart, noteEnd) kept for the maker note while
    // writing: nothing else is placed there (empty when both are 0).
    uint32_t noteStart = 0;
    uint32_t noteEnd = 0;
    std::map<uint32_t, ExifTagEntry*> tags;
    std::map<uint32_t, std::vector<ExifIfd*>> subIfds;

    // Quick references, kept current by NoteSpecialTag.
    ExifTagEntry* imageWidth = nullptr;
    ExifTagEntry* imageLength = nullptr;
    ExifTagEntry* photometric = nullptr;
    ExifTagEntry* planarConfig = nullptr;
    ExifTagEntry* samplesPerPixel = nullptr;
    ExifTagEntry* rowsPerStrip = nullptr;
    ExifTagEntry* compression = nullptr;
    ExifTagEntry* jpegOffset = nullptr;
    ExifTagEntry* jpegLength = nullptr;
    ExifTagEntry* ycbcrSubSampling = nullptr;
    ExifTagEntry* bitsPerSample = nullptr;
    ExifTagEntry* stripOffsets = nullptr;
    ExifTagEntry* stripByteCounts = nullptr;

    // Helpers of the strip image.
    int64_t TagInt(const ExifTagEntry* entry, int64_t fallback) const;
    void StoreLongList(uint32_t tag, const std::vector<unsigned int>& values);

private:
    void ForgetQuickRef(const ExifTagEntry* entry);
    void LoadSubIfds(ExifTagEntry* entry);
    int WriteEntries(ExifFileHandle* stream, uint32_t* nextField);
    int WriteEntry(ExifFileHandle* stream, const ExifTagEntry* entry);
    int WriteSubIfdPointer(ExifFileHandle* stream, const ExifTagEntry* entry, std::vector<ExifIfd*>& list);
    int WriteValueBytes(ExifFileHandle* stream, const uint8_t* bytes, uint32_t size, uint8_t field[4]);
    int WriteRawEntry(ExifFileHandle* stream, uint16_t tag, uint16_t type, uint32_t count, const uint8_t field[4]);
    int PrepareThumbnailTags();
    int WriteThumbnail(ExifFileHandle* stream);
    int EncodeThumbnail();
    void MatchTagsToImage();
    uint32_t ClearOfNote(uint32_t position, uint64_t size) const;
    bool IsPinnedNote(const ExifTagEntry* entry, size_t size) const;
    ExifTagEntry* ownedTag(uint32_t tag) const { return FindTag(tag); }
};

// Reads and writes the pixels of an uncompressed (Compression 1) thumbnail.
class ExifStripImage {
public:
    ExifStripImage(ExifIfd* directory, ExifFileHandle* stream, bool* notUncompressed);
    int ReadImage(ExifImageBuffer* buffer);
    int ReadRow(uint8_t* destination, uint32_t destinationSize, uint32_t row, uint32_t plane);
    int WriteImage(const ExifImageBuffer* buffer);
    int WriteRow(const uint8_t* source, uint32_t row, uint32_t plane);
    int64_t WriteStrip(uint32_t strip, const uint8_t* data, uint32_t n);

    ExifIfd* directory;
    ExifFileHandle* stream;
    int64_t stripsPerPlane = 0;
    int64_t totalStrips = 0;
    int64_t rowBytes = 0;
    int64_t currentStrip = -1;

private:
    void ComputeStripCounts();
    int SetUp();
    bool StripOfRow(uint32_t row, uint32_t plane, int64_t& strip) const;
    int64_t RowsPerStripValue() const;
    void ReverseBits(uint8_t* data, uint32_t n) const;
    void AppendStrip(std::vector<unsigned int>& offsets, std::vector<unsigned int>& counts);
    bool grown = false;
};
