// Writing through the EXIF library, read back by exiftool and djpeg, and the
// damaged-file corpus.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "exif/ExifFile.h"
#include "support/TestSupport.h"

namespace {

std::string N(const std::wstring& w) { return qrvtest::Narrow(w); }
std::string Q(const std::wstring& w) { return "'" + qrvtest::HostPath(w) + "'"; }

// Decodes a JPEG file fully into an RGB buffer.
bool DecodeFile(const std::string& path, ExifImageBuffer& buffer) {
    ExifJpegImage jpeg;
    if (jpeg.Open(path.c_str(), "r") != 0) return false;
    ExifImageInfo info = jpeg.info;
    info.components = 3;
    InitExifImageBuffer(&buffer);
    if (AllocExifImageBuffer(info, &buffer) != 0) return false;
    uint32_t next = 0;
    uint16_t got = 0;
    return jpeg.ReadScanLines(&buffer, info.height, &next, &got) == 0 && got == info.height;
}

// exiftool's view of the EXIF tags of two files must agree apart from the tags named.
std::string SameTagsCommand(const std::wstring& a, const std::wstring& b, const std::string& excluded) {
    std::string x = " -x ThumbnailOffset" + excluded;
    return "exiftool -n -S -G1 -a -EXIF:all" + x + " " + Q(a) +
           " > /tmp/qrv_exif_a.$$ && exiftool -n -S -G1 -a -EXIF:all" + x + " " + Q(b) +
           " > /tmp/qrv_exif_b.$$ && diff /tmp/qrv_exif_a.$$ /tmp/qrv_exif_b.$$; r=$?; rm -f /tmp/qrv_exif_?.$$; exit "
           "$r";
}

TEST(ExifWrite, CameraTagsCarriedIntoNewFile) {
    qrvtest::TempDir dir;
    std::wstring src = qrvtest::Fixture(L"exif_mm.jpg");
    std::wstring out = dir.File(L"out.jpg");
    ExifImageBuffer pixels;
    ASSERT_TRUE(DecodeFile(N(src), pixels));

    ExifImageFile source;
    ASSERT_EQ(0, source.Open(N(src).c_str(), "r"));
    std::vector<ExifPathTags> tags;
    ASSERT_EQ(0, source.ReadSegmentTags(0xFFE1, "Exif", tags));

    ExifImageFile target;
    ASSERT_EQ(0, target.Open(N(out).c_str(), "w"));
    ASSERT_EQ(0, target.WriteSegmentTags(0xFFE1, "Exif", tags));
    ASSERT_EQ(0, target.CopyThumbnailFrom(source));
    source.Close();
    std::string software = "Quorvane 1.02";
    ExifStringEntry sw(305, EXIF_TYPE_ASCII, static_cast<uint32_t>(software.size() + 1), software);
    ASSERT_EQ(0, target.SetTag(&sw, 0));
    ExifImageInfo info;
    info.width = pixels.width;
    info.height = pixels.height;
    target.SetImageInfo(info);
    uint32_t total = 0;
    uint16_t now = 0;
    ASSERT_EQ(0, target.WriteScanLines(&pixels, pixels.height, &total, &now));
    EXPECT_EQ(pixels.height, total);
    ASSERT_EQ(0, target.Close());
    FreeExifImageBuffer(&pixels);

    EXPECT_EQ(0, qrvtest::RunHost(SameTagsCommand(src, out, " -x Software -x ExifImageWidth -x ExifImageHeight")));
    EXPECT_EQ(0, qrvtest::RunHost("exiftool -s3 -Software -ExifImageWidth " + Q(out) +
                                  " | tr '\\n' ' ' | grep -qx 'Quorvane 1.02 64 '"));
    EXPECT_EQ(0, qrvtest::RunHost("djpeg " + Q(out) + " > /dev/null"));

    // The file reads back through the library too, thumbnail included.
    ExifImageFile again;
    ASSERT_EQ(0, again.Open(N(out).c_str(), "r"));
    EXPECT_EQ(6, GetExifTagInt(0, &again, 274));
    EXPECT_EQ(64, GetExifTagInt(1, &again, 40962));
    ASSERT_TRUE(again.ReadThumbnail());
}

TEST(ExifWrite, CloseWithoutRowsIsStatus22) {
    qrvtest::TempDir dir;
    ExifImageFile target;
    ASSERT_EQ(0, target.Open(N(dir.File(L"empty.jpg")).c_str(), "w"));
    EXPECT_EQ(EXIF_NO_IMAGE_DATA, target.Close());
    auto bytes = qrvtest::ReadAll(dir.File(L"empty.jpg"));
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xE1, bytes[3]);
}

struct UpdateCase {
    const wchar_t* file;
    const char* order;
};

class ExifUpdate : public testing::TestWithParam<UpdateCase> {};

TEST_P(ExifUpdate, ChangesOneTagKeepsTheRest) {
    qrvtest::TempDir dir;
    std::wstring src = qrvtest::Fixture(GetParam().file);
    std::wstring copy = dir.File(L"copy.jpg");
    auto bytes = qrvtest::ReadAll(src);
    ASSERT_TRUE(qrvtest::WriteAll(copy, bytes.data(), bytes.size()));
    {
        ExifImageFile file;
        ASSERT_EQ(0, file.Open(N(copy).c_str(), "r+"));
        std::string make = "Changed";
        ExifStringEntry e(271, EXIF_TYPE_ASCII, 8, make);
        ASSERT_EQ(0, file.SetTag(&e, 0));
        ASSERT_EQ(0, file.Close());
    }
    EXPECT_EQ(0, qrvtest::RunHost(SameTagsCommand(src, copy, " -x Make -x ExifImageWidth -x ExifImageHeight")));
    EXPECT_EQ(0, qrvtest::RunHost("exiftool -s3 -Make " + Q(copy) + " | grep -qx Changed"));
    EXPECT_EQ(0, qrvtest::RunHost(std::string("exiftool -s3 -ExifByteOrder ") + Q(copy) + " | grep -qx '" +
                                  GetParam().order + "'"));
    EXPECT_EQ(0, qrvtest::RunHost("exiftool -s3 -Comment " + Q(src) + " > /tmp/qrv_c1.$$; exiftool -s3 -Comment " +
                                  Q(copy) + " | diff - /tmp/qrv_c1.$$; r=$?; rm -f /tmp/qrv_c1.$$; exit $r"));
    // The image data is untouched: djpeg decodes both to the same pixels.
    EXPECT_EQ(0, qrvtest::RunHost("djpeg " + Q(src) + " > /tmp/qrv_d1.$$ && djpeg " + Q(copy) +
                                  " | cmp - /tmp/qrv_d1.$$; r=$?; rm -f /tmp/qrv_d1.$$; exit $r"));
}

INSTANTIATE_TEST_SUITE_P(Files, ExifUpdate,
                         testing::Values(UpdateCase{L"exif_mm.jpg", "Big-endian (Motorola, MM)"},
                                         UpdateCase{L"exif_com.jpg", "Little-endian (Intel, II)"},
                                         UpdateCase{L"exif_icc.jpg", "Little-endian (Intel, II)"}));

TEST(ExifUpdate, FileWithoutExifKeepsItsOwnSegments) {
    qrvtest::TempDir dir;
    std::wstring src = qrvtest::Fixture(L"exif_plain_icc.jpg");
    std::wstring copy = dir.File(L"copy.jpg");
    auto bytes = qrvtest::ReadAll(src);
    ASSERT_TRUE(qrvtest::WriteAll(copy, bytes.data(), bytes.size()));
    ASSERT_EQ(1, CheckExifJpegFile(N(src).c_str()));
    {
        ExifImageFile file;
        ASSERT_EQ(0, file.Open(N(copy).c_str(), "r+"));
        // One APP1 "Exif" segment, the library's own, next to the file's JFIF and profile.
        ASSERT_TRUE(file.segments.Find(0xFFE0, "JFIF", false));
        ASSERT_TRUE(file.segments.Find(0xFFE2, "ICC_PROFILE", false));
        EXPECT_EQ(64, GetExifTagInt(1, &file, 40962));
        std::string make = "Changed";
        ExifStringEntry e(271, EXIF_TYPE_ASCII, 8, make);
        ASSERT_EQ(0, file.SetTag(&e, 0));
        ASSERT_EQ(0, file.Close());
    }
    EXPECT_EQ(0, CheckExifJpegFile(N(copy).c_str()));
    EXPECT_EQ(0, qrvtest::RunHost("exiftool -n -s3 -Make -ExifImageWidth -ExifImageHeight " + Q(copy) +
                                  " | tr '\\n' ' ' | grep -qx 'Changed 64 48 '"));
    // The colour profile and the JFIF segment are still there, byte for byte.
    EXPECT_EQ(0, qrvtest::RunHost("exiftool -b -ICC_Profile " + Q(src) +
                                  " > /tmp/qrv_p1.$$ && test -s /tmp/qrv_p1.$$ && "
                                  "exiftool -b -ICC_Profile " +
                                  Q(copy) +
                                  " | cmp - /tmp/qrv_p1.$$; r=$?; "
                                  "rm -f /tmp/qrv_p1.$$; exit $r"));
    EXPECT_EQ(0, qrvtest::RunHost("exiftool -a -n -s3 -JFIF:all " + Q(src) +
                                  " > /tmp/qrv_j1.$$ && test -s /tmp/qrv_j1.$$ && "
                                  "exiftool -a -n -s3 -JFIF:all " +
                                  Q(copy) +
                                  " | diff - /tmp/qrv_j1.$$; r=$?; "
                                  "rm -f /tmp/qrv_j1.$$; exit $r"));
    EXPECT_EQ(0, qrvtest::RunHost("djpeg " + Q(src) + " > /tmp/qrv_d2.$$ && djpeg " + Q(copy) +
                                  " | cmp - /tmp/qrv_d2.$$; r=$?; rm -f /tmp/qrv_d2.$$; exit $r"));
}

TEST(ExifWrite, CloseAfterMissingRowsReportsNoImage) {
    qrvtest::TempDir dir;
    std::wstring out = dir.File(L"half.jpg");
    ExifImageFile target;
    ASSERT_EQ(0, target.Open(N(out).c_str(), "w"));
    ExifImageInfo info;
    info.width = 512;
    info.height = 512;
    target.SetImageInfo(info);
    ExifImageBuffer pixels;
    InitExifImageBuffer(&pixels);
    ASSERT_EQ(0, AllocExifImageBuffer(info, &pixels));
    // Noise, so that the half written already reaches the temporary file.
    uint32_t seed = 12345;
    for (uint32_t i = 0; i < 512 * 512 * 3; ++i) {
        seed = seed * 1103515245u + 12345u;
        pixels.channel[0].data[i] = static_cast<uint8_t>(seed >> 16);
    }
    uint32_t total = 0;
    uint16_t now = 0;
    ASSERT_EQ(0, target.WriteScanLines(&pixels, 256, &total, &now));
    EXPECT_EQ(256u, total);
    FreeExifImageBuffer(&pixels);
    EXPECT_EQ(EXIF_NO_IMAGE_DATA, target.Close());
    // No half image behind the segments.
    auto bytes = qrvtest::ReadAll(out);
    for (size_t i = 0; i + 1 < bytes.size(); ++i) ASSERT_FALSE(bytes[i] == 0xFF && bytes[i + 1] == 0xDA) << i;
}

// ---- codec ----

int CountIccChunks(const uint8_t* data, uint32_t size) {
    int n = 0;
    for (uint32_t i = 0; i + 16 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xE2 && !memcmp(data + i + 4, "ICC_PROFILE", 12)) ++n;
    return n;
}

int EncodeToMemory(std::vector<uint8_t>& block, uint32_t iccLength, uint32_t* written, std::string* message) {
    ExifJpegImage jpeg;
    int status = jpeg.OpenMemory(block.data(), static_cast<uint32_t>(block.size()), "w", 0);
    if (status) return status;
    ExifImageInfo info;
    info.width = 16;
    info.height = 16;
    jpeg.SetImageInfo(info);
    std::vector<uint8_t> icc(iccLength, 0x5A);
    if (iccLength) jpeg.SetIccProfile(icc.data(), iccLength);
    ExifImageBuffer buffer;
    InitExifImageBuffer(&buffer);
    AllocExifImageBuffer(info, &buffer);
    for (uint32_t i = 0; i < 16 * 16 * 3; ++i) buffer.channel[0].data[i] = static_cast<uint8_t>(i * 7);
    uint32_t total = 0;
    uint16_t now = 0;
    status = jpeg.WriteScanLines(&buffer, 16, &total, &now);
    FreeExifImageBuffer(&buffer);
    if (written) *written = jpeg.compressor->memWritten;
    if (message) *message = jpeg.compressor->message;
    return status;
}

TEST(ExifCodec, IccChunksAndMemoryOverflow) {
    std::vector<uint8_t> block(200000);
    uint32_t written = 0;
    ASSERT_EQ(0, EncodeToMemory(block, 65512, &written, nullptr));
    EXPECT_EQ(1, CountIccChunks(block.data(), written));
    ASSERT_EQ(0, EncodeToMemory(block, 65513, &written, nullptr));
    EXPECT_EQ(2, CountIccChunks(block.data(), written));
    ASSERT_EQ(0, EncodeToMemory(block, 0, &written, nullptr));

    std::vector<uint8_t> small(written - 1);
    std::string message;
    EXPECT_EQ(1, EncodeToMemory(small, 0, nullptr, &message));
    EXPECT_EQ("Buffer passed to JPEG library is too small", message);
}

TEST(ExifCodec, IccProfileNeedingMoreThan255ChunksIsRefused) {
    std::vector<uint8_t> block(200000);
    EXPECT_EQ(1, EncodeToMemory(block, 65512u * 255 + 1, nullptr, nullptr));
}

// ---- directories ----

TEST(ExifDirectory, WritePositionsAndThumbnailTags) {
    std::vector<uint8_t> block(4096);
    int status;
    std::unique_ptr<ExifFileHandle> h(MakeExifMemoryHandle(status, block.data(), 4096, "w", 0));
    ASSERT_TRUE(h);
    std::vector<uint8_t> zeros(100, 0);
    h->WriteAll(zeros.data(), 100);
    ExifIfd d(0, 0);
    d.SetTag(new ExifShortEntry(274, 3, 1, 1));
    d.SetTag(new ExifShortEntry(296, 3, 1, 2));
    d.SetTag(new ExifShortEntry(531, 3, 1, 2));
    d.SetTag(new ExifLongEntry(256, 4, 1, 640));  // no thumbnail: dropped when written
    uint32_t next = 0;
    ASSERT_EQ(0, d.Write(h.get(), 12, &next));
    EXPECT_EQ(138u, next);
    EXPECT_EQ(142u, d.dataPos);
    EXPECT_EQ(nullptr, d.FindTag(256));

    // A SHORT of count 3 goes out of line at an even offset.
    ExifIfd e(0, 0);
    e.SetTag(new ExifShortVectorEntry(258, 3, 3, {8, 8, 8}));
    std::unique_ptr<ExifFileHandle> h2(MakeExifMemoryHandle(status, block.data(), 4096, "w", 0));
    h2->WriteAll(zeros.data(), 100);
    ASSERT_EQ(0, e.Write(h2.get(), 11, &next));
    EXPECT_EQ(0u, (e.dataPos - 11) % 2);

    ExifIfd g(0, 0);
    EXPECT_EQ(EXIF_NOT_POINTER_TAG, g.CreateSubIfd(271));
    EXPECT_EQ(0, g.CreateSubIfd(34853));
    EXPECT_EQ(0, g.CreateSubIfd(34853));
    auto* gps = dynamic_cast<ExifLongVectorEntry*>(g.FindTag(34853));
    ASSERT_TRUE(gps);
    EXPECT_EQ((std::vector<unsigned int>{0, 0}), gps->value);
    ASSERT_TRUE(g.GetSubIfd(34853, 1));
    EXPECT_EQ(1, g.GetSubIfd(34853, 1)->index);
}

// ---- damaged and hostile files ----

// The damaged files made by tests/fixtures/exif_corpus.py, with whether the
// open must succeed (the segment walk itself is sound) or fail.
struct HostileCase {
    const wchar_t* file;
    bool opens;
};

const HostileCase kHostileCorpus[] = {
    {L"exif_bad_chain_loop.jpg", true},        // next-directory offset back at itself
    {L"exif_bad_chain_loop2.jpg", true},       // IFD0 -> IFD1 -> IFD0
    {L"exif_bad_long_chain.jpg", true},        // 40 directories in the chain
    {L"exif_bad_subifd_loop.jpg", true},       // Exif pointer back at IFD0
    {L"exif_bad_subifd_fanout.jpg", true},     // 64 x 6 pointers in 65 directories
    {L"exif_bad_huge_counts.jpg", true},       // counts far past the segment, 32-bit wrap
    {L"exif_bad_too_many_entries.jpg", true},  // 65535 entries
    {L"exif_bad_pointer_outside.jpg", true},   // a sub-directory far outside
    {L"exif_bad_thumb_size_wrap.jpg", true},   // 65536 x 65536 strip thumbnail
    {L"exif_bad_rows_per_strip_0.jpg", true},  // RowsPerStrip 0, byte count past a row
    {L"exif_bad_strip_offsets.jpg", true},     // strip offsets and counts outside
    {L"exif_bad_thumb_past_end.jpg", true},    // JPEG thumbnail running past the segment
    {L"exif_bad_thumb_not_jpeg.jpg", true},    // JPEG thumbnail that is no JPEG
    {L"exif_thumb_bomb.jpg", true},            // JPEG thumbnail of 8192 x 4096 pixels in 211 bytes
    {L"exif_bad_byte_order.jpg", true},        // "XX": the segment stays raw
    {L"exif_bad_magic.jpg", true},             // 43: the segment stays raw
    {L"exif_bad_length_1.jpg", false},         // segment length below 2
    {L"exif_bad_length_10.jpg", false},        // no room for the TIFF header
    {L"exif_bad_length_past_end.jpg", false},  // length past the end of the file
    {L"exif_bad_truncated.jpg", false},        // file ends inside the segment
};

TEST(ExifHostile, EveryDamagedFileGivesAStatus) {
    qrvtest::TempDir dir;
    for (const HostileCase& c : kHostileCorpus) {
        SCOPED_TRACE(N(c.file));
        auto bytes = qrvtest::ReadAll(qrvtest::Fixture(c.file));
        ASSERT_FALSE(bytes.empty());
        std::wstring path = dir.File(L"h.jpg");
        ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
        ExifImageFile file;
        int status = file.Open(N(path).c_str(), "r");
        if (c.opens) {
            EXPECT_EQ(0, status);
        } else {
            EXPECT_NE(0, status);
        }
        if (status != 0) continue;
        int s;
        file.FindTag(274, 0, s);
        std::vector<ExifPathTags> tags;
        EXPECT_EQ(0, file.ReadSegmentTags(0xFFE1, "Exif", tags));
        // Loops, fan-outs and long chains end at the caps.
        EXPECT_LE(tags.size(), EXIF_MAX_DIRECTORIES + EXIF_MAX_CHAIN);
        size_t topLevel = 0;
        for (const auto& t : tags) topLevel += t.path.size() == 1;
        EXPECT_LE(topLevel, EXIF_MAX_CHAIN);
        file.ReadThumbnail();
        file.Close();

        // Rewriting the damaged file must not fail in a way that loses it.
        ExifImageFile update;
        if (update.Open(N(path).c_str(), "r+") == 0) {
            ExifShortEntry o(274, 3, 1, 1);
            update.SetTag(&o, 0);
            if (update.Close() == 0) { EXPECT_EQ(0, qrvtest::RunHost("djpeg " + Q(path) + " > /dev/null")); }
        }
        auto now = qrvtest::ReadAll(path);
        EXPECT_FALSE(now.empty());
    }
}

TEST(ExifHostile, StripThumbnailWithRowsPerStripZeroReads) {
    ExifImageFile file;
    ASSERT_EQ(0, file.Open(N(qrvtest::Fixture(L"exif_bad_rows_per_strip_0.jpg")).c_str(), "r"));
    ExifImageBuffer* thumb = file.ReadThumbnail();
    ASSERT_TRUE(thumb);
    EXPECT_EQ(4u, thumb->width);
    EXPECT_EQ(2u, thumb->height);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(i, thumb->channel[0].data[i]);
}

TEST(ExifHostile, ThumbnailDecodingToHugeSizeIsRefused) {
    // 211 bytes of arithmetic-coded JPEG that would decode to 96 MB.
    ExifImageFile file;
    ASSERT_EQ(0, file.Open(N(qrvtest::Fixture(L"exif_thumb_bomb.jpg")).c_str(), "r"));
    int status;
    ASSERT_TRUE(file.FindTag(513, 5, status));
    EXPECT_EQ(nullptr, file.ReadThumbnail());
}

TEST(ExifHostile, StripOffsetsOutsideTheSegmentGiveNoThumbnail) {
    ExifImageFile file;
    ASSERT_EQ(0, file.Open(N(qrvtest::Fixture(L"exif_bad_strip_offsets.jpg")).c_str(), "r"));
    EXPECT_EQ(nullptr, file.ReadThumbnail());
    EXPECT_EQ(1, GetExifTagInt(0, &file, 274));
}

}  // namespace
