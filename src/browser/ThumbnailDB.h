// The thumbnail database: one index file "qrv.dbt" listing the cached folders
// and, per folder, one cache file of JPEG-compressed thumbnails with an index
// of them at its end. The thumbnail loader is its only writer.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

// Cache file layout: little-endian, packed.
#pragma pack(push, 1)
struct ThumbCacheHeader {
    char magic[5];         // "QRVDB"
    uint32_t indexOffset;  // file offset of the index, which is last in the file
    uint16_t cellWidth;    // BrowserThumbnailWidth the file was made for
    uint16_t cellHeight;   // BrowserThumbnailHeight
    uint16_t border;       // BrowserThumbnailBorder
};
struct ThumbImageBlob {
    char magic[5];  // "QVIMG"
    uint16_t width;
    uint16_t height;
    uint8_t bitDepth;     // of the full-size image
    uint8_t compression;  // 1 = JPEG quality 80, 2 = JPEG quality 50
    // then a JPEG stream of width x height pixels, bottom row first, samples
    // in blue, green, red order declared as RGB
};
#pragma pack(pop)
static_assert(sizeof(ThumbCacheHeader) == 15, "packed cache header");
static_assert(sizeof(ThumbImageBlob) == 11, "packed blob header");

// One index record held in memory.
struct ThumbIndexSlot {
    uint8_t nameLength;
    wchar_t name[260];
    FILETIME lastWrite;
    uint32_t blobOffset;
    uint16_t fullWidth;
    uint16_t fullHeight;
    int valid;
};

// One folder's cache while the loader works on it.
class CThumbnailDB {
public:
    static constexpr int kSlots = 4000;
    // The most entries the index takes: a stored count above kSlots loads this
    // many, and an append at this count stores nothing.
    static constexpr int kMaxEntries = 3999;

    CThumbnailDB();
    ~CThumbnailDB();
    CThumbnailDB(const CThumbnailDB&) = delete;
    CThumbnailDB& operator=(const CThumbnailDB&) = delete;

    // Opens the folder's cache file for reading and loads its index; hands out
    // the cell size and border it was made for. A file with a wrong magic or a
    // damaged index is reported, dropped from the database and gives false.
    bool OpenExisting(const wchar_t* folder, int* cellWidth, int* cellHeight, int* border);
    // Loads the index of the open file; false without a file or when the index
    // does not fit the file.
    bool ReadIndex();
    // The first slot whose name equals name without regard to case. A slot
    // whose time differs is marked invalid and gives false.
    bool Find(const wchar_t* name, const FILETIME* lastWrite, int* index);
    // The slot's thumbnail as a 24-bit bottom-up DIB section the caller
    // deletes, or null when the blob is damaged (the caller decodes the file
    // afresh).
    HBITMAP ReadThumbnail(int index, int* thumbWidth, int* thumbHeight, int* fullWidth, int* fullHeight, int* bitDepth);
    // Opens the folder's cache file for writing: a folder not yet listed gets
    // the next file number; a listed one is continued after its blobs.
    bool CreateOrOpen(const wchar_t* folder, int cellWidth, int cellHeight, int border);
    // Stores one thumbnail after the last blob. Takes ownership of bitmap in
    // every case. False when the index is full or the memory is missing.
    bool AppendThumbnail(const wchar_t* name, const FILETIME* lastWrite, int thumbWidth, int thumbHeight, int bitDepth,
                         int compression, HBITMAP bitmap, int fullWidth, int fullHeight);
    // Writes the index of the valid slots whose files still exist at the
    // current position and its offset into the header.
    bool WriteIndex();
    void Close();
    void Release();

    int Count() const { return count_; }
    const ThumbIndexSlot& Slot(int index) const { return slots_[index]; }
    const ThumbCacheHeader& Header() const { return header_; }

private:
    bool LoadIndex();
    void DropDamagedFile(const wchar_t* fileName, const char* magicRead);

    FILE* file_ = nullptr;
    ThumbCacheHeader header_ = {};
    ThumbIndexSlot* slots_ = nullptr;
    uint16_t count_ = 0;
    uint32_t fileSize_ = 0;  // of the file opened for reading
    std::wstring folder_;    // the folder whose cache is open
    std::wstring fileName_;  // its cache file name
};

// Drops the folder from the database: its key in qrv.dbt and its cache file.
// DirCount stays. Returns true.
bool RemoveFolderFromThumbDB(const wchar_t* folder);

// Where the database lives: the application-data folder + "\Quorvane".
std::wstring ThumbDBProgramFolder();
std::wstring ThumbDBIndexPath();    // "...\Quorvane\qrv.dbt"
std::wstring ThumbDBCacheFolder();  // "...\Quorvane\Cache"

// Tests put the database below a folder of their own in place of the user's
// application-data folder; null restores it.
void SetThumbDBRootForTesting(const wchar_t* folder);
