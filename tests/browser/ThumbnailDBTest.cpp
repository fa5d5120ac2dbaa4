// The thumbnail database: the cache file read back byte by byte by a reader
// of its own, each stored JPEG decoded by the host's djpeg, the file
// numbering in qrv.dbt, the index limits, and damaged or foreign files.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "browser/ThumbnailDB.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::MessageCapture;
using qrvtest::TempDir;
using Bytes = std::vector<unsigned char>;

// The test picture: smooth ramps that tell the rows and the channels apart.
struct Rgb {
    int r, g, b;
};
Rgb PixelAt(int x, int y, int w, int h) {
    return {40 + 170 * x / std::max(1, w - 1), 30 + 180 * y / std::max(1, h - 1), 220 - 150 * x / std::max(1, w - 1)};
}

// A 24-bit top-down DIB section painted with PixelAt.
HBITMAP MakeBitmap(int w, int h) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const int stride = (w * 3 + 3) & ~3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = (uint8_t*)bits + y * stride + x * 3;
            const Rgb c = PixelAt(x, y, w, h);
            p[0] = (uint8_t)c.b;
            p[1] = (uint8_t)c.g;
            p[2] = (uint8_t)c.r;
        }
    return bitmap;
}

// Mean and largest difference of a picture from PixelAt; at(x, y) gives the
// picture's pixel in top-down order.
template <typename At>
void CompareWithPicture(int w, int h, At at, double meanBound, int maxBound, const std::string& what) {
    double sum = 0;
    int worst = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb want = PixelAt(x, y, w, h), got = at(x, y);
            for (int d : {got.r - want.r, got.g - want.g, got.b - want.b}) {
                sum += std::abs(d);
                worst = std::max(worst, std::abs(d));
            }
        }
    EXPECT_LE(sum / (3.0 * w * h), meanBound) << what;
    EXPECT_LE(worst, maxBound) << what;
}

// A bottom-up 24-bit DIB section's pixels compared with PixelAt.
void ExpectBitmapIsPicture(HBITMAP bitmap, int w, int h, double meanBound, int maxBound, const std::string& what) {
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectW(bitmap, sizeof(dib), &dib), (int)sizeof(dib)) << what;
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 24) << what;
    EXPECT_EQ(dib.dsBm.bmWidth, w) << what;
    EXPECT_EQ(dib.dsBmih.biHeight, h) << what;  // positive: bottom-up
    const uint8_t* bits = (const uint8_t*)dib.dsBm.bmBits;
    const int stride = (w * 3 + 3) & ~3;
    CompareWithPicture(
        w, h,
        [&](int x, int y) {
            const uint8_t* p = bits + (h - 1 - y) * stride + x * 3;
            return Rgb{p[2], p[1], p[0]};
        },
        meanBound, maxBound, what);
}

uint16_t U16(const Bytes& b, size_t at) { return (uint16_t)(b[at] | b[at + 1] << 8); }
uint32_t U32(const Bytes& b, size_t at) { return (uint32_t)U16(b, at) | (uint32_t)U16(b, at + 2) << 16; }

// The cache file as read by this test's own reader.
struct ParsedRecord {
    std::wstring name;
    uint64_t time;
    uint32_t blobOffset;
    uint16_t fullWidth, fullHeight;
};
struct ParsedBlob {
    std::string magic;
    uint16_t width, height;
    uint8_t bitDepth, compression;
    Bytes jpeg;  // from the blob header's end to the next blob or the index
};
struct ParsedCache {
    std::string magic;
    uint32_t indexOffset;
    uint16_t cellWidth, cellHeight, border;
    std::vector<ParsedRecord> records;
    std::map<uint32_t, ParsedBlob> blobs;
    size_t indexEnd;
};

ParsedCache Parse(const Bytes& b) {
    ParsedCache c = {};
    if (b.size() < 15) return c;
    c.magic.assign((const char*)b.data(), 5);
    c.indexOffset = U32(b, 5);
    c.cellWidth = U16(b, 9);
    c.cellHeight = U16(b, 11);
    c.border = U16(b, 13);
    size_t at = c.indexOffset;
    if (at + 2 > b.size()) return c;
    const int count = U16(b, at);
    at += 2;
    for (int i = 0; i < count && at < b.size(); ++i) {
        ParsedRecord r = {};
        const size_t n = b[at++];
        if (at + 2 * n + 16 > b.size()) break;
        for (size_t k = 0; k < n; ++k) r.name += (wchar_t)U16(b, at + 2 * k);
        at += 2 * n;
        r.time = U32(b, at) | (uint64_t)U32(b, at + 4) << 32;
        r.blobOffset = U32(b, at + 8);
        r.fullWidth = U16(b, at + 12);
        r.fullHeight = U16(b, at + 14);
        at += 16;
        c.records.push_back(r);
    }
    c.indexEnd = at;
    std::vector<uint32_t> starts;
    for (const auto& r : c.records) starts.push_back(r.blobOffset);
    std::sort(starts.begin(), starts.end());
    for (size_t i = 0; i < starts.size(); ++i) {
        const uint32_t start = starts[i], end = i + 1 < starts.size() ? starts[i + 1] : c.indexOffset;
        if (start + 11 > end || end > b.size()) continue;
        ParsedBlob blob = {};
        blob.magic.assign((const char*)&b[start], 5);
        blob.width = U16(b, start + 5);
        blob.height = U16(b, start + 7);
        blob.bitDepth = b[start + 9];
        blob.compression = b[start + 10];
        blob.jpeg.assign(b.begin() + start + 11, b.begin() + end);
        c.blobs[start] = blob;
    }
    return c;
}

FILETIME Time(uint64_t value) { return FILETIME{(DWORD)value, (DWORD)(value >> 32)}; }

std::wstring IniValue(const std::wstring& key) {
    wchar_t text[MAX_PATH] = {};
    GetPrivateProfileStringW(L"Directories", key.c_str(), L"", text, MAX_PATH, ThumbDBIndexPath().c_str());
    return text;
}

// One thumbnail to store: name, time, size, bit depth, compression, full size.
struct Thumb {
    const wchar_t* name;
    uint64_t time;
    int w, h, depth, compression, fullW, fullH;
};

// A database below a folder of the test's own, and a picture folder whose
// files the index may keep.
class ThumbnailDBTest : public testing::Test {
protected:
    void SetUp() override {
        SetThumbDBRootForTesting(root_.Path().c_str());
        folder_ = pictures_.Path();
        for (const wchar_t* name : {L"a.jpg", L"b.png", L"c.gif", L"d.bmp"}) Touch(name);
    }
    void TearDown() override { SetThumbDBRootForTesting(nullptr); }

    void Touch(const std::wstring& name) { ASSERT_TRUE(qrvtest::WriteAll(pictures_.File(name), "x", 1)); }
    std::wstring CacheFile(const std::wstring& name) { return ThumbDBCacheFolder() + L"\\" + name; }
    std::wstring FolderFile() { return CacheFile(IniValue(folder_)); }

    // Writes a cache for folder_ with the given thumbnails.
    void WriteCache(const std::vector<Thumb>& thumbs, int cellW = 120, int cellH = 90, int border = 6) {
        CThumbnailDB db;
        ASSERT_TRUE(db.CreateOrOpen(folder_.c_str(), cellW, cellH, border));
        for (const auto& t : thumbs) {
            const FILETIME time = Time(t.time);
            EXPECT_TRUE(db.AppendThumbnail(t.name, &time, t.w, t.h, t.depth, t.compression, MakeBitmap(t.w, t.h),
                                           t.fullW, t.fullH));
        }
        EXPECT_TRUE(db.WriteIndex());
        db.Close();
    }

    TempDir root_, pictures_;
    std::wstring folder_;
    MessageCapture capture_;
};

const std::vector<Thumb> kThumbs = {
    {L"a.jpg", 0x01D9000011112222ull, 114, 84, 24, 1, 1600, 1200},
    {L"b.png", 0x01D9000033334444ull, 60, 90, 8, 2, 480, 720},
    {L"c.gif", 0x01D9000055556666ull, 1, 1, 1, 1, 0, -5},             // full sizes below 1 become 1
    {L"d.bmp", 0x01D9000077778888ull, 120, 17, 32, 2, 70000, 65536},  // full sizes cap at 65535
};

TEST_F(ThumbnailDBTest, WritesTheLayoutByteByByte) {
    WriteCache(kThumbs);
    EXPECT_EQ(IniValue(folder_), L"000001.dbi");
    EXPECT_EQ(IniValue(L"DirCount"), L"1");
    const Bytes bytes = qrvtest::ReadAll(CacheFile(L"000001.dbi"));
    const ParsedCache c = Parse(bytes);
    EXPECT_EQ(c.magic, "QRVDB");
    EXPECT_EQ(c.cellWidth, 120);
    EXPECT_EQ(c.cellHeight, 90);
    EXPECT_EQ(c.border, 6);
    EXPECT_EQ(c.indexEnd, bytes.size());  // the index is last in the file
    ASSERT_EQ(c.records.size(), kThumbs.size());
    const uint16_t expectedFull[][2] = {{1600, 1200}, {480, 720}, {1, 1}, {65535, 65535}};
    uint32_t next = 15;  // the first blob follows the header
    for (size_t i = 0; i < kThumbs.size(); ++i) {
        const auto& r = c.records[i];
        SCOPED_TRACE(qrvtest::Narrow(r.name));
        EXPECT_EQ(r.name, kThumbs[i].name);
        EXPECT_EQ(r.time, kThumbs[i].time);
        EXPECT_EQ(r.blobOffset, next);
        EXPECT_EQ(r.fullWidth, expectedFull[i][0]);
        EXPECT_EQ(r.fullHeight, expectedFull[i][1]);
        ASSERT_TRUE(c.blobs.count(r.blobOffset));
        const ParsedBlob& blob = c.blobs.at(r.blobOffset);
        EXPECT_EQ(blob.magic, "QVIMG");
        EXPECT_EQ(blob.width, kThumbs[i].w);
        EXPECT_EQ(blob.height, kThumbs[i].h);
        EXPECT_EQ(blob.bitDepth, kThumbs[i].depth);
        EXPECT_EQ(blob.compression, kThumbs[i].compression);
        // A whole JPEG stream fills the space up to the next blob.
        ASSERT_GE(blob.jpeg.size(), 4u);
        EXPECT_EQ(blob.jpeg[0], 0xFF);
        EXPECT_EQ(blob.jpeg[1], 0xD8);
        EXPECT_EQ(blob.jpeg[blob.jpeg.size() - 2], 0xFF);
        EXPECT_EQ(blob.jpeg[blob.jpeg.size() - 1], 0xD9);
        next = r.blobOffset + 11 + (uint32_t)blob.jpeg.size();
    }
    EXPECT_EQ(c.indexOffset, next);
    EXPECT_TRUE(capture_.messages.empty());
}

// Reads a binary PPM (P6, maxval 255) as djpeg writes it.
bool ReadPpm(const Bytes& b, int* w, int* h, const uint8_t** pixels) {
    int fields[3] = {}, field = 0;
    size_t at = 2;
    if (b.size() < 2 || b[0] != 'P' || b[1] != '6') return false;
    while (field < 3 && at < b.size()) {
        while (at < b.size() && isspace(b[at])) ++at;
        int v = 0;
        while (at < b.size() && isdigit(b[at])) v = v * 10 + (b[at++] - '0');
        fields[field++] = v;
    }
    ++at;  // one white-space byte before the samples
    *w = fields[0];
    *h = fields[1];
    *pixels = b.data() + at;
    return fields[2] == 255 && at + (size_t)fields[0] * fields[1] * 3 <= b.size();
}

TEST_F(ThumbnailDBTest, EachStoredJpegDecodesWithDjpegUpsideDownInBgrOrder) {
    WriteCache(kThumbs);
    const ParsedCache c = Parse(qrvtest::ReadAll(FolderFile()));
    ASSERT_EQ(c.records.size(), kThumbs.size());
    TempDir work;
    for (size_t i = 0; i < kThumbs.size(); ++i) {
        const ParsedBlob& blob = c.blobs.at(c.records[i].blobOffset);
        const std::wstring jpeg = work.File(L"cut.jpg"), ppm = work.File(L"cut.ppm");
        ASSERT_TRUE(qrvtest::WriteAll(jpeg, blob.jpeg.data(), blob.jpeg.size()));
        DeleteFileW(ppm.c_str());
        ASSERT_EQ(
            qrvtest::RunHost("djpeg -pnm -outfile '" + qrvtest::HostPath(ppm) + "' '" + qrvtest::HostPath(jpeg) + "'"),
            0);
        int w = 0, h = 0;
        const uint8_t* p = nullptr;
        const Bytes ppmBytes = qrvtest::ReadAll(ppm);
        ASSERT_TRUE(ReadPpm(ppmBytes, &w, &h, &p));
        ASSERT_EQ(w, kThumbs[i].w);
        ASSERT_EQ(h, kThumbs[i].h);
        // The first JPEG row is the bottom row; its "red" is the blue sample.
        const double mean = kThumbs[i].compression == 1 ? 3.0 : 5.0;
        CompareWithPicture(
            w, h,
            [&](int x, int y) {
                const uint8_t* s = p + ((size_t)(h - 1 - y) * w + x) * 3;
                return Rgb{s[2], s[1], s[0]};
            },
            mean, 40, qrvtest::Narrow(kThumbs[i].name));
    }
}

TEST_F(ThumbnailDBTest, ReadsBackWhatItWrote) {
    WriteCache(kThumbs);
    CThumbnailDB db;
    int cellW = 0, cellH = 0, border = 0;
    ASSERT_TRUE(db.OpenExisting(folder_.c_str(), &cellW, &cellH, &border));
    EXPECT_EQ(cellW, 120);
    EXPECT_EQ(cellH, 90);
    EXPECT_EQ(border, 6);
    ASSERT_EQ(db.Count(), (int)kThumbs.size());
    const int expectedFull[][2] = {{1600, 1200}, {480, 720}, {1, 1}, {65535, 65535}};
    for (size_t i = 0; i < kThumbs.size(); ++i) {
        const auto& t = kThumbs[i];
        SCOPED_TRACE(qrvtest::Narrow(t.name));
        const FILETIME time = Time(t.time);
        int index = -1;
        // Names compare without regard to case.
        std::wstring upper = t.name;
        CharUpperW(&upper[0]);
        ASSERT_TRUE(db.Find(upper.c_str(), &time, &index));
        EXPECT_EQ(index, (int)i);
        int w = 0, h = 0, fullW = 0, fullH = 0, depth = 0;
        HBITMAP bitmap = db.ReadThumbnail(index, &w, &h, &fullW, &fullH, &depth);
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(w, t.w);
        EXPECT_EQ(h, t.h);
        EXPECT_EQ(fullW, expectedFull[i][0]);
        EXPECT_EQ(fullH, expectedFull[i][1]);
        EXPECT_EQ(depth, t.depth);
        ExpectBitmapIsPicture(bitmap, t.w, t.h, t.compression == 1 ? 3.0 : 5.0, 40, qrvtest::Narrow(t.name));
        DeleteObject(bitmap);
    }
    int index = -1;
    const FILETIME none = Time(1);
    EXPECT_FALSE(db.Find(L"missing.jpg", &none, &index));
    EXPECT_TRUE(capture_.messages.empty());
}

TEST_F(ThumbnailDBTest, ChangedAndVanishedFilesLeaveTheIndexAndTheRestIsContinued) {
    WriteCache(kThumbs);
    const Bytes before = qrvtest::ReadAll(FolderFile());
    {
        CThumbnailDB db;
        ASSERT_TRUE(db.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr));
        const FILETIME newer = Time(kThumbs[0].time + 1);
        int index = -1;
        EXPECT_FALSE(db.Find(L"a.jpg", &newer, &index));  // decoded again: the old slot goes
        ASSERT_TRUE(DeleteFileW(pictures_.File(L"c.gif").c_str()));
        db.Close();
        ASSERT_TRUE(db.CreateOrOpen(folder_.c_str(), 120, 90, 6));
        EXPECT_TRUE(db.AppendThumbnail(L"a.jpg", &newer, 30, 20, 24, 1, MakeBitmap(30, 20), 300, 200));
        EXPECT_TRUE(db.WriteIndex());
    }
    EXPECT_EQ(IniValue(folder_), L"000001.dbi");  // continued, not renumbered
    const Bytes after = qrvtest::ReadAll(FolderFile());
    const ParsedCache old = Parse(before), c = Parse(after);
    EXPECT_EQ(c.indexEnd, after.size());
    ASSERT_EQ(c.records.size(), 3u);
    EXPECT_EQ(c.records[0].name, L"b.png");
    EXPECT_EQ(c.records[1].name, L"d.bmp");
    EXPECT_EQ(c.records[2].name, L"a.jpg");
    // The kept blobs stay where they were; the new one took the old index's place.
    EXPECT_EQ(c.records[0].blobOffset, old.records[1].blobOffset);
    EXPECT_EQ(c.records[1].blobOffset, old.records[3].blobOffset);
    EXPECT_EQ(c.records[2].blobOffset, old.indexOffset);
    EXPECT_TRUE(std::equal(before.begin() + 15, before.begin() + old.indexOffset, after.begin() + 15));

    CThumbnailDB db;
    ASSERT_TRUE(db.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr));
    const FILETIME newer = Time(kThumbs[0].time + 1);
    int index = -1;
    ASSERT_TRUE(db.Find(L"a.jpg", &newer, &index));
    int w = 0, h = 0;
    HBITMAP bitmap = db.ReadThumbnail(index, &w, &h, nullptr, nullptr, nullptr);
    ASSERT_TRUE(bitmap);
    ExpectBitmapIsPicture(bitmap, 30, 20, 3.0, 40, "appended");
    DeleteObject(bitmap);
    EXPECT_TRUE(capture_.messages.empty());
}

TEST_F(ThumbnailDBTest, FoldersAreNumberedOnceAndLookedUpWithoutRegardToCase) {
    TempDir other;
    WriteCache({kThumbs[0]});
    EXPECT_EQ(IniValue(folder_), L"000001.dbi");
    EXPECT_EQ(IniValue(L"DirCount"), L"1");

    // The same folder spelt otherwise continues its file.
    std::wstring upper = folder_;
    CharUpperW(&upper[0]);
    {
        CThumbnailDB db;
        ASSERT_TRUE(db.CreateOrOpen(upper.c_str(), 120, 90, 6));
    }
    EXPECT_EQ(IniValue(L"DirCount"), L"1");

    EXPECT_TRUE(RemoveFolderFromThumbDB(folder_.c_str()));
    EXPECT_EQ(IniValue(folder_), L"");
    EXPECT_FALSE(qrvtest::FileExists(CacheFile(L"000001.dbi")));
    EXPECT_EQ(IniValue(L"DirCount"), L"1");  // numbers are not reused

    WriteCache({kThumbs[0]});
    EXPECT_EQ(IniValue(folder_), L"000002.dbi");
    {
        CThumbnailDB db;
        ASSERT_TRUE(db.CreateOrOpen(other.Path().c_str(), 120, 90, 6));
    }
    EXPECT_EQ(IniValue(other.Path()), L"000003.dbi");
    EXPECT_EQ(IniValue(L"DirCount"), L"3");
    EXPECT_TRUE(qrvtest::FileExists(CacheFile(L"000002.dbi")));
    EXPECT_TRUE(qrvtest::FileExists(CacheFile(L"000003.dbi")));

    // Not listed: nothing to open, nothing shown.
    CThumbnailDB db;
    TempDir unlisted;
    EXPECT_FALSE(db.OpenExisting(unlisted.Path().c_str(), nullptr, nullptr, nullptr));
    EXPECT_TRUE(capture_.messages.empty());
}

TEST_F(ThumbnailDBTest, AListedButMissingFileIsMadeAfreshUnderItsKey) {
    WriteCache({kThumbs[0]});
    ASSERT_TRUE(DeleteFileW(FolderFile().c_str()));
    {
        CThumbnailDB db;
        EXPECT_FALSE(db.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr));
        ASSERT_EQ(capture_.messages.size(), 1u);
        EXPECT_EQ(capture_.messages[0], L"Unable to open dbFile for directory: " + folder_);
    }
    WriteCache({kThumbs[1]});
    EXPECT_EQ(IniValue(folder_), L"000001.dbi");
    EXPECT_EQ(IniValue(L"DirCount"), L"1");
    const ParsedCache c = Parse(qrvtest::ReadAll(FolderFile()));
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].name, L"b.png");
    EXPECT_EQ(c.records[0].blobOffset, 15u);
    EXPECT_EQ(capture_.messages.size(), 1u);
}

TEST_F(ThumbnailDBTest, CompressionRowsAndTheFullIndex) {
    CThumbnailDB db;
    ASSERT_TRUE(db.CreateOrOpen(folder_.c_str(), 120, 90, 6));
    const FILETIME time = Time(5);
    // Compressions other than 1 and 2 store nothing and are no failure; the
    // bitmap is the database's in every case.
    for (int compression : {0, 3, 255}) {
        HBITMAP bitmap = MakeBitmap(8, 8);
        EXPECT_TRUE(db.AppendThumbnail(L"a.jpg", &time, 8, 8, 24, compression, bitmap, 8, 8)) << compression;
        EXPECT_EQ(db.Count(), 0) << compression;
        EXPECT_EQ(GetObjectType(bitmap), 0u) << compression;
    }
    EXPECT_TRUE(db.WriteIndex());
    db.Close();
    const Bytes bytes = qrvtest::ReadAll(FolderFile());
    ASSERT_EQ(bytes.size(), 17u);  // header and an empty index
    EXPECT_EQ(U32(bytes, 5), 15u);

    // Fill the index up to its limit: the last append is refused.
    ASSERT_TRUE(db.CreateOrOpen(folder_.c_str(), 120, 90, 6));
    for (int i = 0; i < CThumbnailDB::kMaxEntries; ++i)
        ASSERT_TRUE(db.AppendThumbnail(L"a.jpg", &time, 1, 1, 24, 2, nullptr, 1, 1)) << i;
    EXPECT_EQ(db.Count(), 3999);
    HBITMAP bitmap = MakeBitmap(8, 8);
    EXPECT_FALSE(db.AppendThumbnail(L"b.png", &time, 8, 8, 24, 1, bitmap, 8, 8));
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(db.Count(), 3999);
    EXPECT_TRUE(capture_.messages.empty());
}

// A cache file made by hand: one blob holding jpeg, and count index records
// that all point at it (the stored count may differ from the records).
Bytes HandMadeCache(const Bytes& jpeg, int w, int h, int storedCount, int records, const char* magic = "QRVDB",
                    int cellW = 120, int cellH = 90) {
    Bytes b(magic, magic + 5);
    auto put16 = [&](uint32_t v) {
        b.push_back((uint8_t)v);
        b.push_back((uint8_t)(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    put32(0);  // index offset, set below
    put16(cellW);
    put16(cellH);
    put16(6);
    b.insert(b.end(), {'Q', 'V', 'I', 'M', 'G'});
    put16(w);
    put16(h);
    b.push_back(24);
    b.push_back(1);
    b.insert(b.end(), jpeg.begin(), jpeg.end());
    const uint32_t index = (uint32_t)b.size();
    std::memcpy(&b[5], &index, 4);
    put16(storedCount);
    for (int i = 0; i < records; ++i) {
        b.push_back(5);
        for (wchar_t ch : std::wstring(L"a.jpg")) put16(ch);
        put32(7);
        put32(0);
        put32(15);
        put16(640);
        put16(480);
    }
    return b;
}

// Lists a hand-made cache file for folder as the next number would.
void InstallCache(const std::wstring& folder, const Bytes& bytes) {
    CreateDirectoryW(ThumbDBProgramFolder().c_str(), nullptr);
    CreateDirectoryW(ThumbDBCacheFolder().c_str(), nullptr);
    WritePrivateProfileStringW(L"Directories", folder.c_str(), L"900000.dbi", ThumbDBIndexPath().c_str());
    ASSERT_TRUE(qrvtest::WriteAll(ThumbDBCacheFolder() + L"\\900000.dbi", bytes.data(), bytes.size()));
}

// A stream made by the host's cjpeg from the test picture, stored the way
// the database stores it: bottom row first, blue in the first sample.
Bytes HostJpeg(int w, int h, const char* options) {
    TempDir work;
    std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            const Rgb c = PixelAt(x, h - 1 - row, w, h);
            ppm += (char)c.b;
            ppm += (char)c.g;
            ppm += (char)c.r;
        }
    qrvtest::WriteAll(work.File(L"in.ppm"), ppm.data(), ppm.size());
    const int status =
        qrvtest::RunHost(std::string("cjpeg ") + options + " -outfile '" + qrvtest::HostPath(work.File(L"out.jpg")) +
                         "' '" + qrvtest::HostPath(work.File(L"in.ppm")) + "'");
    EXPECT_EQ(status, 0);
    return qrvtest::ReadAll(work.File(L"out.jpg"));
}

TEST_F(ThumbnailDBTest, ACacheAroundAHostBaselineStreamReadsBack) {
    const Bytes jpeg = HostJpeg(100, 75, "-baseline -quality 90");
    ASSERT_FALSE(jpeg.empty());
    InstallCache(folder_, HandMadeCache(jpeg, 100, 75, 1, 1));
    CThumbnailDB db;
    ASSERT_TRUE(db.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr));
    int w = 0, h = 0, fullW = 0, fullH = 0, depth = 0;
    HBITMAP bitmap = db.ReadThumbnail(0, &w, &h, &fullW, &fullH, &depth);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 75);
    EXPECT_EQ(fullW, 640);
    EXPECT_EQ(fullH, 480);
    EXPECT_EQ(depth, 24);
    ExpectBitmapIsPicture(bitmap, 100, 75, 3.0, 40, "cjpeg");
    DeleteObject(bitmap);
    EXPECT_TRUE(capture_.messages.empty());
}

TEST_F(ThumbnailDBTest, OnlyAWholeThreeComponentPictureOfTheBlobsSizeWithinTheCellIsRead) {
    const Bytes colour = HostJpeg(40, 30, "-baseline -quality 90");
    const Bytes progressive = HostJpeg(40, 30, "-progressive");
    const Bytes grey = HostJpeg(40, 30, "-grayscale");
    Bytes cut(colour.begin(), colour.begin() + colour.size() * 2 / 3);
    Bytes flipped = colour;
    flipped[flipped.size() / 2] ^= 0x55;
    struct Row {
        const char* what;
        const Bytes* jpeg;
        int w, h, cellW, cellH;
        bool reads;
    } rows[] = {
        {"whole", &colour, 40, 30, 120, 90, true},
        {"exactly the cell", &colour, 40, 30, 40, 30, true},
        {"wider than the cell", &colour, 40, 30, 39, 90, false},
        {"taller than the cell", &colour, 40, 30, 120, 29, false},
        {"blob says another width", &colour, 41, 30, 120, 90, false},
        {"blob says another height", &colour, 40, 29, 120, 90, false},
        {"blob says no size", &colour, 0, 0, 120, 90, false},
        {"progressive", &progressive, 40, 30, 120, 90, false},
        {"one component", &grey, 40, 30, 120, 90, false},
        {"cut stream", &cut, 40, 30, 120, 90, false},
    };
    for (const auto& row : rows) {
        InstallCache(folder_, HandMadeCache(*row.jpeg, row.w, row.h, 1, 1, "QRVDB", row.cellW, row.cellH));
        CThumbnailDB db;
        ASSERT_TRUE(db.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr)) << row.what;
        HBITMAP bitmap = db.ReadThumbnail(0, nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(bitmap != nullptr, row.reads) << row.what;
        if (bitmap) DeleteObject(bitmap);
    }
    // A flipped byte inside the entropy-coded data may still decode; it never
    // gives a picture of another size.
    InstallCache(folder_, HandMadeCache(flipped, 40, 30, 1, 1));
    CThumbnailDB db;
    ASSERT_TRUE(db.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr));
    int w = 0, h = 0;
    if (HBITMAP bitmap = db.ReadThumbnail(0, &w, &h, nullptr, nullptr, nullptr)) {
        EXPECT_EQ(w, 40);
        EXPECT_EQ(h, 30);
        DeleteObject(bitmap);
    }
    EXPECT_TRUE(capture_.messages.empty());
}

TEST_F(ThumbnailDBTest, StoredCountsAboveTheSlotsLoad3999) {
    const Bytes jpeg = HostJpeg(8, 8, "-baseline");
    struct {
        int stored, expected;
    } rows[] = {{4500, 3999}, {4001, 3999}, {4000, 4000}, {3999, 3999}, {1, 1}, {0, 0}};
    for (const auto& row : rows) {
        InstallCache(folder_, HandMadeCache(jpeg, 8, 8, row.stored, row.stored));
        CThumbnailDB db;
        ASSERT_TRUE(db.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr)) << row.stored;
        EXPECT_EQ(db.Count(), row.expected) << row.stored;
        if (db.Count()) {
            EXPECT_EQ(db.Slot(db.Count() - 1).blobOffset, 15u);
            EXPECT_STREQ(db.Slot(db.Count() - 1).name, L"a.jpg");
        }
    }
    EXPECT_TRUE(capture_.messages.empty());
}

TEST_F(ThumbnailDBTest, TheMagicIsComparedWithoutRegardToCase) {
    const Bytes jpeg = HostJpeg(8, 8, "-baseline");
    InstallCache(folder_, HandMadeCache(jpeg, 8, 8, 1, 1, "qrvdb"));
    CThumbnailDB db;
    EXPECT_TRUE(db.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr));
    EXPECT_EQ(db.Count(), 1);
    HBITMAP bitmap = db.ReadThumbnail(0, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(bitmap);
    DeleteObject(bitmap);
    EXPECT_TRUE(capture_.messages.empty());
}

// Patches bytes of a file at an offset.
Bytes Patched(Bytes b, size_t at, std::initializer_list<uint8_t> bytes) {
    for (uint8_t v : bytes) {
        if (at < b.size()) b[at] = v;
        ++at;
    }
    return b;
}

TEST_F(ThumbnailDBTest, AForeignOrDamagedFileIsDroppedAndRebuilt) {
    const Bytes jpeg = HostJpeg(8, 8, "-baseline");
    const Bytes good = HandMadeCache(jpeg, 8, 8, 2, 2);
    const uint32_t index = U32(good, 5);
    const size_t record2 = index + 2 + 27;  // the second record
    const uint32_t last = (uint32_t)good.size() - 1;
    struct Row {
        const char* what;
        Bytes bytes;
        const wchar_t* magic;
    } rows[] = {
        {"foreign magic", Patched(good, 0, {'G', 'I', 'F', '8', '9'}), L"GIF89"},
        {"empty file", Bytes(), L""},
        {"header cut", Bytes(good.begin(), good.begin() + 10), L""},
        {"index in the header", Patched(good, 5, {10, 0, 0, 0}), L"QRVDB"},
        {"index offset 0", Patched(good, 5, {0, 0, 0, 0}), L"QRVDB"},
        {"index past the end", Patched(good, 5, {0xFF, 0xFF, 0xFF, 0x7F}), L"QRVDB"},
        {"index offset at the last byte", Patched(good, 5, {(uint8_t)last, (uint8_t)(last >> 8), 0, 0}), L"QRVDB"},
        {"records past the end", Bytes(good.begin(), good.end() - 3), L"QRVDB"},
        {"count past the records", Patched(good, index, {3, 0}), L"QRVDB"},
        {"name length 0", Patched(good, record2, {0}), L"QRVDB"},
        {"blob in the header", Patched(good, record2 + 1 + 10 + 8, {14, 0, 0, 0}), L"QRVDB"},
        {"blob at the index", Patched(good, record2 + 1 + 10 + 8, {(uint8_t)index, (uint8_t)(index >> 8), 0, 0}),
         L"QRVDB"},
        {"blob far past the end", Patched(good, record2 + 1 + 10 + 8, {0, 0, 0, 0x80}), L"QRVDB"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        capture_.messages.clear();
        InstallCache(folder_, row.bytes);
        CThumbnailDB db;
        EXPECT_FALSE(db.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr));
        EXPECT_EQ(db.Count(), 0);
        ASSERT_EQ(capture_.messages.size(), 1u);
        EXPECT_EQ(
            capture_.messages[0],
            std::wstring(L"Invalid Cachefile found! ReCreation follows. : 900000.dbi : id:") + row.magic + L"/QRVDB");
        EXPECT_EQ(IniValue(folder_), L"");
        EXPECT_FALSE(qrvtest::FileExists(CacheFile(L"900000.dbi")));
        // The next run makes a new file under a new number.
        const std::wstring before = IniValue(L"DirCount");
        WriteCache({kThumbs[0]});
        EXPECT_EQ(IniValue(L"DirCount"), std::to_wstring(_wtoi(before.c_str()) + 1));
        CThumbnailDB again;
        EXPECT_TRUE(again.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr));
        EXPECT_EQ(again.Count(), 1);
        again.Close();
        RemoveFolderFromThumbDB(folder_.c_str());
    }
}

TEST_F(ThumbnailDBTest, ABlobWithAWrongMagicIsReportedAndGivesNoPicture) {
    const Bytes jpeg = HostJpeg(8, 8, "-baseline");
    InstallCache(folder_, Patched(HandMadeCache(jpeg, 8, 8, 1, 1), 15, {'Q', 'V', 'I', 'M', 'X'}));
    CThumbnailDB db;
    ASSERT_TRUE(db.OpenExisting(folder_.c_str(), nullptr, nullptr, nullptr));
    EXPECT_EQ(db.ReadThumbnail(0, nullptr, nullptr, nullptr, nullptr, nullptr), nullptr);
    ASSERT_EQ(capture_.messages.size(), 1u);
    EXPECT_EQ(capture_.messages[0], L"Wrong imageid!?! File:a.jpg - pos:26");
    // Indexes outside the slots give nothing.
    EXPECT_EQ(db.ReadThumbnail(1, nullptr, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(db.ReadThumbnail(-1, nullptr, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(ThumbnailDBTest, ContinuingAFileWhoseIndexCannotBeWhereItSaysStartsItAfresh) {
    const Bytes jpeg = HostJpeg(8, 8, "-baseline");
    const Bytes good = HandMadeCache(jpeg, 8, 8, 1, 1);
    struct Row {
        const char* what;
        Bytes bytes;
    } rows[] = {
        {"index before offset 20", Patched(good, 5, {19, 0, 0, 0})},
        {"index past the end", Patched(good, 5, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"foreign magic", Patched(good, 0, {'X', 'X', 'X', 'X', 'X'})},
        {"header cut", Bytes(good.begin(), good.begin() + 7)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        InstallCache(folder_, row.bytes);
        {
            CThumbnailDB db;
            ASSERT_TRUE(db.CreateOrOpen(folder_.c_str(), 120, 90, 6));
            const FILETIME time = Time(3);
            EXPECT_TRUE(db.AppendThumbnail(L"b.png", &time, 8, 8, 24, 1, MakeBitmap(8, 8), 8, 8));
            EXPECT_TRUE(db.WriteIndex());
        }
        const Bytes bytes = qrvtest::ReadAll(CacheFile(L"900000.dbi"));
        const ParsedCache c = Parse(bytes);
        EXPECT_EQ(c.magic, "QRVDB");
        ASSERT_EQ(c.records.size(), 1u);
        EXPECT_EQ(c.records[0].blobOffset, 15u);
        EXPECT_EQ(c.indexEnd, bytes.size());
    }
    EXPECT_TRUE(capture_.messages.empty());
}

// Every message the database may show on a damaged file.
bool IsKnownMessage(const std::wstring& text) {
    for (const wchar_t* prefix : {L"Invalid Cachefile found! ReCreation follows. : ", L"Wrong imageid!?! File:",
                                  L"seek to blob failed!?!", L"No create dib section! w: "})
        if (text.rfind(prefix, 0) == 0) return true;
    return false;
}

// Opens a damaged file and reads every slot's thumbnail: no crash, no hang,
// and whatever comes back is a picture of the blob's size within the cell.
void ReadEverything(const std::wstring& folder, const Bytes& bytes, MessageCapture& capture, const std::string& what) {
    InstallCache(folder, bytes);
    CThumbnailDB db;
    int cellW = 0, cellH = 0;
    if (db.OpenExisting(folder.c_str(), &cellW, &cellH, nullptr)) {
        for (int i = 0; i < db.Count(); ++i) {
            int w = 0, h = 0;
            HBITMAP bitmap = db.ReadThumbnail(i, &w, &h, nullptr, nullptr, nullptr);
            if (!bitmap) continue;
            BITMAP bm = {};
            GetObjectW(bitmap, sizeof(bm), &bm);
            EXPECT_EQ(bm.bmWidth, w) << what;
            EXPECT_EQ(bm.bmHeight, h) << what;
            EXPECT_LE(w, cellW) << what;
            EXPECT_LE(h, cellH) << what;
            DeleteObject(bitmap);
        }
    }
    for (const auto& text : capture.messages)
        EXPECT_TRUE(IsKnownMessage(text)) << what << ": " << qrvtest::Narrow(text);
    capture.messages.clear();
}

TEST_F(ThumbnailDBTest, DamageCorpusNeverCrashesOrHangs) {
    WriteCache(kThumbs);
    const Bytes good = qrvtest::ReadAll(FolderFile());
    ASSERT_GT(good.size(), 100u);
    // Every truncation.
    for (size_t size = 0; size < good.size(); size += std::max<size_t>(1, good.size() / 400))
        ReadEverything(folder_, Bytes(good.begin(), good.begin() + size), capture_, "cut at " + std::to_string(size));
    // Bit flips at fixed random places.
    std::mt19937 random(20261211);
    for (int i = 0; i < 600; ++i) {
        Bytes b = good;
        const int flips = 1 + (int)(random() % 4);
        for (int k = 0; k < flips; ++k) b[random() % b.size()] ^= (uint8_t)(1u << (random() % 8));
        ReadEverything(folder_, b, capture_, "flips " + std::to_string(i));
    }
    // Extreme values in every field of the header, the blob headers and the
    // index records.
    const ParsedCache c = Parse(good);
    std::vector<std::pair<size_t, int>> fields = {{5, 4}, {9, 2}, {11, 2}, {13, 2}, {c.indexOffset, 2}};
    for (const auto& r : c.records) {
        fields.push_back({r.blobOffset + 5, 2});
        fields.push_back({r.blobOffset + 7, 2});
        fields.push_back({r.blobOffset + 9, 1});
        fields.push_back({r.blobOffset + 10, 1});
    }
    size_t at = c.indexOffset + 2;
    for (const auto& r : c.records) {
        const size_t n = r.name.size();
        fields.push_back({at, 1});
        fields.push_back({at + 1 + 2 * n + 8, 4});
        fields.push_back({at + 1 + 2 * n + 12, 2});
        fields.push_back({at + 1 + 2 * n + 14, 2});
        at += 1 + 2 * n + 16;
    }
    for (const auto& field : fields)
        for (uint32_t value : {0u, 1u, 0x7Fu, 0xFFu, 0x7FFFu, 0xFFFFu, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            Bytes b = good;
            for (int k = 0; k < field.second; ++k) b[field.first + k] = (uint8_t)(value >> (8 * k));
            ReadEverything(folder_, b, capture_,
                           "field at " + std::to_string(field.first) + " = " + std::to_string(value));
        }
}

}  // namespace
