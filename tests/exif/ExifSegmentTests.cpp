// Application segments that no tool writes (APP3 "Meta", identifiers without a
// zero byte, JFIF followed by other segments), uncompressed strip thumbnails
// read back by exiftool, and the codec wrappers' colour order, warnings and
// quantisation tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exif/ExifFile.h"
#include "support/TestSupport.h"

namespace {

std::string N(const std::wstring& w) { return qrvtest::Narrow(w); }
std::string Q(const std::wstring& w) { return "'" + qrvtest::HostPath(w) + "'"; }

struct Segment {
    uint16_t marker;
    std::vector<uint8_t> bytes;  // marker, length field and the rest
};

// The marker segments of a JPEG file from its start to the first SOS marker.
std::vector<Segment> SegmentsOf(const std::vector<uint8_t>& file) {
    std::vector<Segment> out;
    size_t pos = 2;
    while (pos + 4 <= file.size() && file[pos] == 0xFF) {
        uint16_t marker = static_cast<uint16_t>(file[pos] << 8 | file[pos + 1]);
        if (marker == 0xFFDA) break;
        size_t length = static_cast<size_t>(file[pos + 2] << 8 | file[pos + 3]);
        if (pos + 2 + length > file.size()) break;
        out.push_back({marker, std::vector<uint8_t>(file.begin() + pos, file.begin() + pos + 2 + length)});
        pos += 2 + length;
    }
    return out;
}

bool HasPrefix(const Segment& s, const char* text) {
    size_t n = strlen(text);
    return s.bytes.size() >= 4 + n && memcmp(s.bytes.data() + 4, text, n) == 0;
}

// Copies a fixture into the folder and returns the copy's path.
std::wstring CopyFixture(const qrvtest::TempDir& dir, const wchar_t* name) {
    std::wstring copy = dir.File(name);
    auto bytes = qrvtest::ReadAll(qrvtest::Fixture(name));
    EXPECT_FALSE(bytes.empty());
    EXPECT_TRUE(qrvtest::WriteAll(copy, bytes.data(), bytes.size()));
    return copy;
}

// ---- APP3 "Meta" and raw segments ----

TEST(ExifSegments, MetaSegmentIsParsedAndRawSegmentsComeBackUnchanged) {
    qrvtest::TempDir dir;
    std::wstring path = CopyFixture(dir, L"exif_meta.jpg");
    {
        ExifImageFile file;
        ASSERT_EQ(0, file.Open(N(path).c_str(), "r"));
        int status = -1;
        auto* software = dynamic_cast<ExifStringEntry*>(file.FindTag(305, 6, status));
        ASSERT_TRUE(software);
        EXPECT_EQ(0, status);
        EXPECT_EQ("Qrv", software->value);
        EXPECT_EQ(1234, GetExifTagInt(6, &file, 50000));
        EXPECT_EQ(6, GetExifTagInt(0, &file, 274));
        std::vector<ExifPathTags> meta;
        EXPECT_EQ(0, file.ReadSegmentTags(0xFFE3, "Meta", meta));
        ASSERT_EQ(1u, meta.size());
        EXPECT_EQ(2u, meta[0].tags.size());
        // Segments that are not TIFF-structured stay raw.
        EXPECT_TRUE(dynamic_cast<ExifRawAppSeg*>(file.segments.Find(0xFFED, "Photoshop 3.0", true)));
        EXPECT_TRUE(dynamic_cast<ExifRawAppSeg*>(file.segments.Find(0xFFE1, "http://ns.adobe.com/xap/1.0/", true)));
    }
    {
        ExifImageFile file;
        ASSERT_EQ(0, file.Open(N(path).c_str(), "r+"));
        ExifLongEntry code(50000, EXIF_TYPE_LONG, 1, 4321);
        ASSERT_EQ(0, file.SetTag(&code, 6));
        ASSERT_EQ(0, file.Close());
    }
    EXPECT_EQ(0, qrvtest::RunHost("exiftool -n -s3 -MetaIFD:FilmProductCode -IFD0:Orientation " + Q(path) +
                                  " | tr '\\n' ' ' | grep -qx '4321 6 '"));
    EXPECT_EQ(0, qrvtest::RunHost("djpeg " + Q(path) + " > /dev/null"));

    auto before = SegmentsOf(qrvtest::ReadAll(qrvtest::Fixture(L"exif_meta.jpg")));
    auto after = SegmentsOf(qrvtest::ReadAll(path));
    std::vector<std::string> kinds;
    for (const Segment& s : after) {
        if (s.marker < 0xFFE0 || s.marker > 0xFFEF) continue;
        char text[64];
        snprintf(text, sizeof text, "%04X%s", s.marker,
                 HasPrefix(s, "Exif")   ? " Exif"
                 : HasPrefix(s, "http") ? " XMP"
                                        : "");
        kinds.push_back(text);
    }
    // Ascending markers; the two APP1 segments keep their order.
    EXPECT_EQ((std::vector<std::string>{"FFE0", "FFE1 Exif", "FFE1 XMP", "FFE3", "FFED"}), kinds);
    for (const Segment& s : before) {
        if (s.marker == 0xFFED || (s.marker == 0xFFE1 && HasPrefix(s, "http"))) {
            bool found = false;
            for (const Segment& t : after) found = found || t.bytes == s.bytes;
            EXPECT_TRUE(found) << std::hex << s.marker;
        }
    }
    // The APP3 segment was rewritten from its fields and keeps its big-endian order.
    for (const Segment& t : after) {
        if (t.marker != 0xFFE3) continue;
        ASSERT_GE(t.bytes.size(), 12u);
        EXPECT_EQ(0, memcmp(t.bytes.data() + 4, "Meta\0\0MM", 8));
    }
}

// ---- identifiers ----

TEST(ExifSegments, IdentifierWithoutZeroByteIsInvalid) {
    qrvtest::TempDir dir;
    std::wstring path = CopyFixture(dir, L"exif_long_id.jpg");
    std::string id127(127, 'M');
    {
        ExifImageFile file;
        ASSERT_EQ(0, file.Open(N(path).c_str(), "r"));
        EXPECT_TRUE(file.segments.Find(0xFFE4, "INVALID", false));
        // 127 characters and the zero byte fill the 128 bytes exactly: a valid identifier.
        EXPECT_TRUE(file.segments.Find(0xFFE5, id127.c_str(), false));
        EXPECT_FALSE(file.segments.Find(0xFFE5, "INVALID", false));
    }
    {
        ExifImageFile file;
        ASSERT_EQ(0, file.Open(N(path).c_str(), "r+"));
        ASSERT_EQ(0, file.Close());
    }
    auto before = SegmentsOf(qrvtest::ReadAll(qrvtest::Fixture(L"exif_long_id.jpg")));
    auto after = SegmentsOf(qrvtest::ReadAll(path));
    for (const Segment& s : before) {
        if (s.marker != 0xFFE4 && s.marker != 0xFFE5) continue;
        bool found = false;
        for (const Segment& t : after) found = found || t.bytes == s.bytes;
        EXPECT_TRUE(found) << std::hex << s.marker;
    }
}

TEST(ExifSegments, CheckExifJpegFileCases) {
    struct Case {
        const wchar_t* file;
        int expected;
    } cases[] = {
        {L"exif_ii.jpg", 0},         // APP1 "Exif" first
        {L"exif_jfif_exif.jpg", 0},  // JFIF, then APP1 "Exif"
        {L"exif_jfif_xmp.jpg", 1},   // JFIF, then an APP1 that is not Exif
        {L"exif_plain.jpg", 1},      // JFIF, then the tables
        {L"exif_short.jpg", 1},      // fewer than 12 bytes
        {L"exif_missing.jpg", 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(N(c.file));
        EXPECT_EQ(c.expected, CheckExifJpegFile(N(qrvtest::Fixture(c.file)).c_str()));
    }
}

// ---- uncompressed strip thumbnails ----

struct StripCase {
    uint32_t rowsPerStrip;
    uint32_t strips;
};

class ExifStripThumbnail : public testing::TestWithParam<StripCase> {};

TEST_P(ExifStripThumbnail, WrittenAsStripsAndReadBack) {
    const uint32_t tw = 160, th = 120;
    qrvtest::TempDir dir;
    std::wstring out = dir.File(L"strips.jpg");
    std::vector<uint8_t> expected(tw * th * 3);
    for (uint32_t y = 0; y < th; ++y)
        for (uint32_t x = 0; x < tw; ++x) {
            uint8_t* p = &expected[(y * tw + x) * 3];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y * 2);
            p[2] = static_cast<uint8_t>(x ^ y);
        }
    {
        ExifImageFile file;
        ASSERT_EQ(0, file.Open(N(out).c_str(), "w"));
        auto* exif = dynamic_cast<ExifTiffAppSeg*>(file.segments.Find(0xFFE1, "Exif", true));
        ASSERT_TRUE(exif);
        ASSERT_EQ(0, exif->MakeIfdPath({{0, 1}}));
        ExifIfd* ifd1 = exif->ifds[1];
        ifd1->SetTag(new ExifLongEntry(254, EXIF_TYPE_LONG, 1, 1));
        ifd1->SetTag(new ExifShortEntry(259, EXIF_TYPE_SHORT, 1, 1));
        ifd1->SetTag(new ExifLongEntry(278, EXIF_TYPE_LONG, 1, GetParam().rowsPerStrip));
        ExifImageInfo thumbInfo;
        thumbInfo.width = tw;
        thumbInfo.height = th;
        ifd1->thumbImage = new ExifImageBuffer;
        InitExifImageBuffer(ifd1->thumbImage);
        ASSERT_EQ(0, AllocExifImageBuffer(thumbInfo, ifd1->thumbImage));
        memcpy(ifd1->thumbImage->channel[0].data, expected.data(), expected.size());

        ExifImageInfo info;
        info.width = 32;
        info.height = 16;
        file.SetImageInfo(info);
        ExifImageBuffer pixels;
        InitExifImageBuffer(&pixels);
        ASSERT_EQ(0, AllocExifImageBuffer(info, &pixels));
        memset(pixels.channel[0].data, 128, 32 * 16 * 3);
        uint32_t total = 0;
        uint16_t now = 0;
        ASSERT_EQ(0, file.WriteScanLines(&pixels, 16, &total, &now));
        FreeExifImageBuffer(&pixels);
        ASSERT_EQ(0, file.Close());
    }

    // exiftool sees the strip tables; the strips it points at hold the pixels.
    std::string counts;
    for (uint32_t s = 0; s < GetParam().strips; ++s) {
        uint32_t rows = std::min(GetParam().rowsPerStrip, th - s * GetParam().rowsPerStrip);
        counts += (s ? " " : "") + std::to_string(rows * tw * 3);
    }
    EXPECT_EQ(0, qrvtest::RunHost("exiftool -n -b -IFD1:StripByteCounts " + Q(out) + " | grep -qx '" + counts + "'"))
        << counts;
    std::wstring rgb = dir.File(L"expected.rgb");
    ASSERT_TRUE(qrvtest::WriteAll(rgb, expected.data(), expected.size()));
    // exiftool gives the strip offsets as positions in the file.
    EXPECT_EQ(0,
              qrvtest::RunHost("f=" + Q(out) +
                               "; o=$(exiftool -n -b -IFD1:StripOffsets $f); l=$(exiftool -n -b "
                               "-IFD1:StripByteCounts $f); python3 -c 'import sys; d=open(sys.argv[1],\"rb\").read(); "
                               "o=sys.argv[2].split(); l=sys.argv[3].split(); assert len(o)==len(l)==" +
                               std::to_string(GetParam().strips) +
                               "; sys.stdout.buffer.write(b\"\".join(d[int(a):int(a)+int(b)] for a,b in zip(o,l)))' "
                               "$f \"$o\" \"$l\" | cmp - " +
                               Q(rgb)));
    if (th % GetParam().rowsPerStrip == 0) {
        // Full strips: exiftool itself rebuilds the thumbnail as a TIFF file.
        EXPECT_EQ(0, qrvtest::RunHost("t=$(mktemp -d) && exiftool -b -ThumbnailTIFF " + Q(out) +
                                      " > $t/t.tif && "
                                      "/usr/bin/convert $t/t.tif -depth 8 rgb:- | cmp - " +
                                      Q(rgb) + "; r=$?; rm -rf $t; exit $r"));
    }
    EXPECT_EQ(0, qrvtest::RunHost("djpeg " + Q(out) + " > /dev/null"));

    ExifImageFile again;
    ASSERT_EQ(0, again.Open(N(out).c_str(), "r"));
    ExifImageBuffer* thumb = again.ReadThumbnail();
    ASSERT_TRUE(thumb);
    ASSERT_EQ(tw, thumb->width);
    ASSERT_EQ(th, thumb->height);
    ASSERT_EQ(3u, thumb->channels);
    EXPECT_EQ(0, memcmp(expected.data(), thumb->channel[0].data, expected.size()));
    EXPECT_EQ(static_cast<int>(GetParam().rowsPerStrip), GetExifTagInt(5, &again, 278));
    int status;
    ExifTagEntry* offsets = again.FindTag(273, 5, status);
    ASSERT_TRUE(offsets);
    EXPECT_EQ(GetParam().strips, offsets->count);
    if (GetParam().strips == 1) { EXPECT_EQ(57600, GetExifTagInt(5, &again, 279)); }
}

INSTANTIATE_TEST_SUITE_P(RowsPerStrip, ExifStripThumbnail,
                         testing::Values(StripCase{16, 8}, StripCase{15, 8}, StripCase{120, 1}, StripCase{7, 18}));

// ---- codec wrappers ----

// Encodes width x height pixels of one colour from a buffer of the given kind into block.
int EncodeSolid(std::vector<uint8_t>& block, uint32_t kind, const uint8_t pixel[3], uint32_t* written) {
    ExifJpegImage jpeg;
    int status = jpeg.OpenMemory(block.data(), static_cast<uint32_t>(block.size()), "w", 0);
    if (status) return status;
    ExifImageInfo info;
    info.width = 16;
    info.height = 8;
    jpeg.SetImageInfo(info);
    ExifImageBuffer buffer;
    InitExifImageBuffer(&buffer);
    if (AllocExifImageBuffer(info, &buffer)) return EXIF_NO_MEMORY;
    buffer.channel[0].kind = kind;
    for (uint32_t i = 0; i < 16 * 8; ++i) memcpy(buffer.channel[0].data + 3 * i, pixel, 3);
    uint32_t total = 0;
    uint16_t now = 0;
    status = jpeg.WriteScanLines(&buffer, 8, &total, &now);
    FreeExifImageBuffer(&buffer);
    *written = jpeg.compressor->memWritten;
    return status;
}

// Decodes a JPEG in memory into a buffer of the given kind; returns the status.
int DecodeMemory(std::vector<uint8_t>& block, uint32_t size, uint32_t kind, std::vector<uint8_t>& pixels) {
    ExifJpegImage jpeg;
    int status = jpeg.OpenMemory(block.data(), size, "r", size);
    if (status) return status;
    ExifImageInfo info = jpeg.info;
    info.components = 3;
    ExifImageBuffer buffer;
    InitExifImageBuffer(&buffer);
    if (AllocExifImageBuffer(info, &buffer)) return EXIF_NO_MEMORY;
    buffer.channel[0].kind = kind;
    uint32_t next = 0;
    uint16_t got = 0;
    status = jpeg.ReadScanLines(&buffer, info.height, &next, &got);
    if (status == 0 && got != info.height) status = -1;
    pixels.assign(buffer.channel[0].data, buffer.channel[0].data + info.width * info.height * 3);
    FreeExifImageBuffer(&buffer);
    return status;
}

TEST(ExifCodec, BlueGreenRedBufferKeepsItsOrder) {
    std::vector<uint8_t> block(65536);
    uint32_t written = 0;
    const uint8_t blueInBgr[3] = {255, 0, 0};
    ASSERT_EQ(0, EncodeSolid(block, EXIF_KIND_BGR, blueInBgr, &written));
    std::vector<uint8_t> pixels;
    ASSERT_EQ(0, DecodeMemory(block, written, EXIF_KIND_BGR, pixels));
    for (size_t i = 0; i < pixels.size(); i += 3) {
        ASSERT_GE(pixels[i], 240) << i;
        ASSERT_LE(pixels[i + 2], 15) << i;
    }
    // Read into an RGB buffer the same picture is blue in the third byte.
    ASSERT_EQ(0, DecodeMemory(block, written, EXIF_KIND_RGB, pixels));
    EXPECT_LE(pixels[0], 15);
    EXPECT_GE(pixels[2], 240);
    // And exiftool's neighbour djpeg agrees that the stream itself is blue.
    qrvtest::TempDir dir;
    std::wstring path = dir.File(L"blue.jpg");
    ASSERT_TRUE(qrvtest::WriteAll(path, block.data(), written));
    EXPECT_EQ(0, qrvtest::RunHost("djpeg -pnm " + Q(path) +
                                  " | tail -c 3 | od -An -tu1 | awk '{exit !($1 < 16 && $2 < 16 && $3 > 239)}'"));
}

TEST(ExifCodec, WarningLevelDefectsFailWithStatus1) {
    // Extraneous bytes before a marker in the header: the header is refused.
    ExifJpegImage header;
    EXPECT_EQ(1, header.Open(N(qrvtest::Fixture(L"exif_warning.jpg")).c_str(), "r"));

    // Image data cut short: the rows are refused, not decoded with grey filler.
    ExifJpegImage cut;
    ASSERT_EQ(0, cut.Open(N(qrvtest::Fixture(L"exif_cut_data.jpg")).c_str(), "r"));
    ExifImageInfo info = cut.info;
    ExifImageBuffer buffer;
    InitExifImageBuffer(&buffer);
    ASSERT_EQ(0, AllocExifImageBuffer(info, &buffer));
    uint32_t next = 0;
    uint16_t got = 0;
    EXPECT_EQ(1, cut.ReadScanLines(&buffer, info.height, &next, &got));
    EXPECT_EQ(0, got);
    EXPECT_STRNE("", cut.decompressor->message);
    FreeExifImageBuffer(&buffer);

    // The same file whole decodes.
    ExifJpegImage whole;
    ASSERT_EQ(0, whole.Open(N(qrvtest::Fixture(L"exif_plain.jpg")).c_str(), "r"));
    InitExifImageBuffer(&buffer);
    ASSERT_EQ(0, AllocExifImageBuffer(whole.info, &buffer));
    EXPECT_EQ(0, whole.ReadScanLines(&buffer, whole.info.height, &next, &got));
    EXPECT_EQ(whole.info.height, got);
    FreeExifImageBuffer(&buffer);
}

// The quantisation tables (by table number, natural order) of a JPEG stream,
// and the table number of each frame component.
struct Tables {
    std::vector<int> table[4];
    std::vector<int> componentTable;
};

Tables ReadTables(const std::vector<uint8_t>& file) {
    static const int kNatural[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                     12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                     35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                     58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    Tables t;
    for (const Segment& s : SegmentsOf(file)) {
        if (s.marker == 0xFFDB) {
            size_t p = 4;
            while (p + 65 <= s.bytes.size()) {
                int id = s.bytes[p] & 15;
                bool wide = s.bytes[p] >> 4;
                if (wide || id > 3) break;
                t.table[id].assign(64, 0);
                for (int k = 0; k < 64; ++k) t.table[id][kNatural[k]] = s.bytes[p + 1 + k];
                p += 65;
            }
        } else if (s.marker == 0xFFC0 && s.bytes.size() >= 10) {
            int n = s.bytes[9];
            for (int i = 0; i < n && 10 + 3 * i + 2 < static_cast<int>(s.bytes.size()); ++i)
                t.componentTable.push_back(s.bytes[10 + 3 * i + 2]);
        }
    }
    return t;
}

std::vector<uint8_t> EncodeWithTables(int quality, const std::function<void(ExifJpegImage&)>& setTables) {
    std::vector<uint8_t> block(65536);
    ExifJpegImage jpeg;
    if (jpeg.OpenMemory(block.data(), static_cast<uint32_t>(block.size()), "w", 0)) return {};
    ExifImageInfo info;
    info.width = 16;
    info.height = 16;
    jpeg.SetImageInfo(info);
    jpeg.SetQuality(static_cast<uint16_t>(quality));
    setTables(jpeg);
    ExifImageBuffer buffer;
    InitExifImageBuffer(&buffer);
    AllocExifImageBuffer(info, &buffer);
    memset(buffer.channel[0].data, 90, 16 * 16 * 3);
    uint32_t total = 0;
    uint16_t now = 0;
    int status = jpeg.WriteScanLines(&buffer, 16, &total, &now);
    FreeExifImageBuffer(&buffer);
    if (status) return {};
    block.resize(jpeg.compressor->memWritten);
    return block;
}

TEST(ExifCodec, CustomQuantisationTablesAreScaledByQuality) {
    struct Case {
        int quality;
        int expected;  // a table of 10s scaled: (10 x scale + 50) / 100
    } cases[] = {{25, 20}, {75, 5}, {50, 10}, {100, 1}, {1, 255}};
    std::vector<uint8_t> record(130, 0);
    for (int k = 0; k < 64; ++k) {
        uint16_t v = 10;
        memcpy(&record[2 + 2 * k], &v, 2);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quality);
        auto file = EncodeWithTables(c.quality, [&](ExifJpegImage& jpeg) {
            for (int i = 0; i < 3; ++i) ASSERT_EQ(0, jpeg.SetQuantTable(i, record.data()));
        });
        ASSERT_FALSE(file.empty());
        Tables t = ReadTables(file);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(std::vector<int>(64, c.expected), t.table[i]) << i;
        // The second chroma component uses table 2.
        EXPECT_EQ((std::vector<int>{0, 1, 2}), t.componentTable);
    }

    // The standard tables at quality 50 are installed as they stand.
    static const int kFixed[64] = {2, 2, 3, 3, 3, 4, 3, 4, 2, 2, 4, 3, 2, 3, 4, 3, 2, 2, 2, 2, 2, 5,
                                   3, 4, 2, 2, 2, 2, 5, 3, 5, 7, 2, 3, 4, 2, 6, 6, 6, 8, 3, 4, 2, 6,
                                   7, 5, 9, 6, 3, 3, 5, 8, 4, 4, 5, 8, 4, 4, 3, 3, 4, 4, 9, 11};
    auto file = EncodeWithTables(50, [](ExifJpegImage& jpeg) { jpeg.UseStandardTables(1); });
    ASSERT_FALSE(file.empty());
    Tables t = ReadTables(file);
    EXPECT_EQ(std::vector<int>(kFixed, kFixed + 64), t.table[0]);
    EXPECT_EQ(std::vector<int>(kFixed, kFixed + 64), t.table[2]);
}

}  // namespace

// ---- metadata taken over from another file ----

namespace {

// The application segments and comments of a file, in file order, without the
// Exif segment and those describing the file's own coding.
std::vector<Segment> CarriedSegments(const std::wstring& path) {
    std::vector<Segment> out;
    for (Segment& s : SegmentsOf(qrvtest::ReadAll(path))) {
        bool application = (s.marker >= 0xFFE0 && s.marker <= 0xFFEF) || s.marker == 0xFFFE;
        bool coding = (s.marker == 0xFFE1 && HasPrefix(s, "Exif")) || (s.marker == 0xFFEE && HasPrefix(s, "Adobe")) ||
                      (s.marker == 0xFFE2 && HasPrefix(s, "MPF"));
        if (application && !coding) out.push_back(std::move(s));
    }
    return out;
}

std::vector<uint8_t> ExifSegmentBytes(const std::wstring& path) {
    for (const Segment& s : SegmentsOf(qrvtest::ReadAll(path)))
        if (s.marker == 0xFFE1 && HasPrefix(s, "Exif")) return s.bytes;
    return {};
}

}  // namespace

TEST(ExifSegments, CopiedMetadataKeepsEverySegmentAndTheMakerNoteOffset) {
    // Maker notes with offsets from the TIFF header and from the note; IPTC, XMP,
    // two colour-profile chunks, a comment and APP10 after them; a CMYK file
    // whose Adobe segment describes its own coding.
    for (const wchar_t* name : {L"meta_canon.jpg", L"meta_olympus.jpg", L"meta_exiftool.jpg", L"jpeg_cmyk.jpg"}) {
        SCOPED_TRACE(N(name));
        qrvtest::TempDir dir;
        const std::wstring src = qrvtest::Fixture(name), out = dir.File(L"out.jpg");
        ExifImageFile source, target;
        ASSERT_EQ(0, source.Open(N(src).c_str(), "r"));
        ASSERT_EQ(0, target.Open(N(out).c_str(), "w"));
        ASSERT_EQ(0, target.CopyMetadataFrom(source));
        int status;
        const ExifTagEntry* note = source.FindTag(37500, 1, status);
        const uint32_t noteOffset = note ? note->valueOffset : 0;
        std::vector<uint8_t> noteBytes;
        if (note) ExifEntryBytes(note, noteBytes);
        source.Close();
        // IFD0 grows far beyond the space the source gave it in front of the note.
        const std::string artist(300, 'a');
        ExifStringEntry grown(315, EXIF_TYPE_ASCII, static_cast<uint32_t>(artist.size() + 1), artist);
        ASSERT_EQ(0, target.SetTag(&grown, 0));
        ExifImageInfo info;
        info.width = info.height = 8;
        ExifImageBuffer pixels;
        InitExifImageBuffer(&pixels);
        ASSERT_EQ(0, AllocExifImageBuffer(info, &pixels));
        memset(pixels.channel[0].data, 128, 8 * 8 * 3);
        target.SetImageInfo(info);
        uint32_t total = 0;
        uint16_t now = 0;
        ASSERT_EQ(0, target.WriteScanLines(&pixels, 8, &total, &now));
        FreeExifImageBuffer(&pixels);
        ASSERT_EQ(0, target.Close());

        const std::vector<Segment> expected = CarriedSegments(src), kept = CarriedSegments(out);
        ASSERT_EQ(expected.size(), kept.size());
        for (size_t i = 0; i < kept.size(); ++i) {
            EXPECT_EQ(expected[i].marker, kept[i].marker) << i;
            EXPECT_TRUE(expected[i].bytes == kept[i].bytes) << i;
        }
        // The Exif segment in the source's byte order, the note where it was.
        const std::vector<uint8_t> before = ExifSegmentBytes(src), after = ExifSegmentBytes(out);
        ASSERT_GE(after.size(), 12u);
        if (!before.empty()) { EXPECT_EQ(0, memcmp(before.data() + 10, after.data() + 10, 2)); }
        if (note) {
            ExifImageFile again;
            ASSERT_EQ(0, again.Open(N(out).c_str(), "r"));
            const ExifTagEntry* copied = again.FindTag(37500, 1, status);
            ASSERT_NE(copied, nullptr);
            EXPECT_EQ(copied->valueOffset, noteOffset);
            std::vector<uint8_t> copiedBytes;
            ExifEntryBytes(copied, copiedBytes);
            EXPECT_TRUE(copiedBytes == noteBytes);
            EXPECT_GE(after.size(), 10 + noteOffset + noteBytes.size());
            EXPECT_EQ(0, memcmp(after.data() + 10 + noteOffset, noteBytes.data(), noteBytes.size()));
            EXPECT_NE(0, qrvtest::RunHost("exiftool -a -warning " + Q(out) + " | grep -qi 'maker notes'"));
        }
    }
}
