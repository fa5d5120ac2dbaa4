// Tests of the EXIF library against JPEG files made by cjpeg and exiftool, and
// against damaged files made here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "exif/ExifFile.h"
#include "support/TestSupport.h"

namespace {

std::string Narrow(const std::wstring& w) { return qrvtest::Narrow(w); }
std::string FixturePath(const wchar_t* name) { return Narrow(qrvtest::Fixture(name)); }

// ---- streams ----

TEST(ExifStreams, MemoryStreamModesAndBounds) {
    uint8_t block[16] = {1, 2, 3, 4, 5, 6, 7, 8};
    int status;
    std::unique_ptr<ExifFileHandle> r(MakeExifMemoryHandle(status, block, 16, "r", 8));
    ASSERT_TRUE(r);
    EXPECT_EQ(-1, r->Write("x", 1));
    EXPECT_EQ(4, r->Seek(4, 0));
    uint8_t buf[10];
    EXPECT_EQ(-1, r->Read(buf, 10));
    EXPECT_EQ(4, r->Tell());
    EXPECT_EQ(0, r->Seek(-5, 0));
    EXPECT_EQ(8, r->Seek(100, 0));

    std::unique_ptr<ExifFileHandle> rw(MakeExifMemoryHandle(status, block, 16, "r+", 8));
    ASSERT_TRUE(rw);
    rw->Seek(0, 2);
    EXPECT_EQ(8, rw->Write("abcdefgh", 8));
    EXPECT_EQ(16, rw->Size());
    EXPECT_EQ(-1, rw->Write("z", 1));

    uint32_t mode;
    EXPECT_TRUE(ParseExifOpenMode("rb", mode));
    EXPECT_EQ(EXIF_MODE_READ, mode);
    EXPECT_TRUE(ParseExifOpenMode("w", mode));
    EXPECT_EQ(0x301u, mode);
    EXPECT_FALSE(ParseExifOpenMode("w+", mode));
    EXPECT_FALSE(MakeExifMemoryHandle(status, block, 16, "w+"));
    EXPECT_EQ(EXIF_BAD_MODE, status);
}

TEST(ExifStreams, FileStreamShortReadGivesZero) {
    qrvtest::TempDir dir;
    std::string path = Narrow(dir.File(L"s.bin"));
    ASSERT_TRUE(qrvtest::WriteAll(dir.File(L"s.bin"), "0123456789", 10));
    int status;
    std::unique_ptr<ExifFileHandle> h(MakeExifFileHandle(path.c_str(), "rb", status));
    ASSERT_TRUE(h);
    h->Seek(6, 0);
    uint8_t buf[10];
    EXPECT_EQ(0, h->Read(buf, 10));
    EXPECT_FALSE(MakeExifFileHandle((path + "-missing").c_str(), "r", status));
    EXPECT_EQ(EXIF_OPEN_FAILED, status);
}

// ---- tag entries ----

TEST(ExifTagEntries, PrintForms) {
    auto print = [](const ExifTagEntry& e) {
        std::ostringstream out;
        e.Print(out);
        return out.str();
    };
    EXPECT_EQ("1\t1\t1\t200", print(ExifByteEntry(1, 1, 1, 200)));
    EXPECT_EQ("258\t3\t2\t[1,2]", print(ExifShortVectorEntry(258, 3, 2, {1, 2})));
    EXPECT_EQ("7\t7\t1\t-1", print(ExifCharEntry(7, 7, 1, static_cast<char>(0xFF))));
    EXPECT_EQ("5\t5\t1\t0.5", print(ExifFloatEntry(5, 5, 1, 0.5f)));
    EXPECT_EQ("5\t12\t1\t0.333333", print(ExifDoubleEntry(5, 12, 1, 1.0 / 3)));
    EXPECT_EQ("9\t7\t0\t[]", print(ExifCharVectorEntry(9, 7, 0, {})));
}

TEST(ExifTagEntries, RationalConversion) {
    struct Case {
        double value;
        double tolerance;
        int status;
        uint32_t numerator, denominator;
    } cases[] = {
        {0.5, 1e-10, 0, 1, 2},
        {72.0, 1e-10, 0, 72, 1},
        {1.0 / 3, 1e-10, 0, 1, 3},
        {2.8, 1e-10, 0, 14, 5},
        {0.0, 1e-10, 0, 0, 1},
        {3e-10, 1e-10, 0, 1, 3333333333u},
        // The relative error of 76149/24239 is 1.3e-10: rounded to one digit it is within 1e-10.
        {3.14159, 1e-10, 0, 76149, 24239},
        {1000000000.123456, 1e-10, 0, 1000000000, 1},
        // The next fraction would need more than 32 bits: the nearer one that fits.
        {2500000000.5, 1e-10, 0, 2500000001u, 1},
        {4294967295.5, 1e-10, 0, 4294967295u, 1},
        {1e-11, 1e-10, EXIF_NOT_RATIONAL, 0, 1},
        {4e10 + 1, 1e-10, EXIF_NOT_RATIONAL, 0, 1},
        // Within the range, but no 32-bit numerator comes near it.
        {4e10, 1e-10, EXIF_NOT_RATIONAL, 0xFFFFFFFFu, 1},
        {0.5, -1, EXIF_NOT_RATIONAL, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        uint32_t n = 7, d = 7;
        EXPECT_EQ(c.status, DoubleToRational(c.value, c.tolerance, n, d));
        EXPECT_EQ(c.numerator, n);
        EXPECT_EQ(c.denominator, d);
    }
}

// ---- reading camera-style files ----

struct ReadCase {
    const wchar_t* file;
};

class ExifReadFixture : public testing::TestWithParam<const wchar_t*> {};

TEST_P(ExifReadFixture, ReadsTagsLikeExiftool) {
    std::string path = FixturePath(GetParam());
    EXPECT_EQ(0, CheckExifJpegFile(path.c_str()));
    ExifImageFile file;
    ASSERT_EQ(0, file.Open(path.c_str(), "r"));
    int status = -1;
    auto* make = dynamic_cast<ExifStringEntry*>(file.FindTag(271, 0, status));
    ASSERT_TRUE(make);
    EXPECT_EQ(0, status);
    EXPECT_EQ("Quorvane", make->value);
    EXPECT_EQ(6, GetExifTagInt(0, &file, 274));
    EXPECT_EQ(200, GetExifTagInt(1, &file, 34855));
    auto* exposure = dynamic_cast<ExifFloatEntry*>(file.FindTag(33434, 1, status));
    ASSERT_TRUE(exposure);
    EXPECT_NEAR(1.0 / 60, exposure->value, 1e-7);
    EXPECT_EQ(0, GetExifTagInt(1, &file, 33434));  // a RATIONAL is no integer
    auto* lat = dynamic_cast<ExifFloatVectorEntry*>(file.FindTag(2, 4, status));
    ASSERT_TRUE(lat);
    ASSERT_EQ(3u, lat->value.size());
    EXPECT_FLOAT_EQ(51.0f, lat->value[0]);
    EXPECT_FLOAT_EQ(30.0f, lat->value[1]);
    auto* interop = dynamic_cast<ExifStringEntry*>(file.FindTag(1, 3, status));
    ASSERT_TRUE(interop);
    EXPECT_EQ("R98", interop->value);
    EXPECT_EQ(6, GetExifTagInt(5, &file, 259));
    EXPECT_EQ(nullptr, file.FindTag(271, 2, status));
    EXPECT_EQ(EXIF_BAD_SELECTOR, status);
    EXPECT_EQ(nullptr, file.FindTag(271, 6, status));
    EXPECT_EQ(EXIF_NO_SEGMENT, status);

    ExifImageBuffer* thumb = file.ReadThumbnail();
    ASSERT_TRUE(thumb);
    EXPECT_EQ(32u, thumb->width);
    EXPECT_EQ(24u, thumb->height);
    EXPECT_EQ(3u, thumb->channels);

    std::vector<ExifPathTags> lists;
    EXPECT_EQ(0, file.ReadSegmentTags(0xFFE1, "Exif", lists));
    std::vector<ExifIfdPath> paths;
    for (auto& l : lists) paths.push_back(l.path);
    std::vector<ExifIfdPath> expected = {
        {{0, 0}}, {{0, 0}, {34665, 0}}, {{0, 0}, {34665, 0}, {40965, 0}}, {{0, 0}, {34853, 0}}, {{0, 1}}};
    EXPECT_EQ(expected, paths);
    EXPECT_EQ(0, file.Close());
    EXPECT_EQ(0, file.Close());
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, ExifReadFixture, testing::Values(L"exif_ii.jpg", L"exif_mm.jpg"));

TEST(ExifFile, CheckAndOutputSizes) {
    EXPECT_EQ(1, CheckExifJpegFile(FixturePath(L"exif_plain.jpg").c_str()));
    EXPECT_EQ(0, CheckExifJpegFile(FixturePath(L"exif_com.jpg").c_str()));
    EXPECT_EQ(7, CheckExifJpegFile(FixturePath(L"missing.jpg").c_str()));
    EXPECT_TRUE(IsExifJpegFile(qrvtest::Fixture(L"exif_ii.jpg").c_str()));
    EXPECT_FALSE(IsExifJpegFile(qrvtest::Fixture(L"exif_plain.jpg").c_str()));

    ExifJpegImage image;
    ASSERT_EQ(0, image.Open(FixturePath(L"exif_big.jpg").c_str(), "r"));
    EXPECT_EQ(1001u, image.info.width);
    uint32_t w, h;
    EXPECT_EQ(0, image.GetOutputSize(4, &w, &h));
    EXPECT_EQ(251u, w);
    EXPECT_EQ(151u, h);
    EXPECT_EQ(0, image.GetOutputSize(3, &w, &h));
    EXPECT_EQ(1001u, w);
    EXPECT_EQ(601u, h);
    image.SetQuality(101);
    EXPECT_EQ(90, image.quality);
}

}  // namespace
