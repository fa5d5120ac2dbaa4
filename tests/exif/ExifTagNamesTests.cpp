// The tag-name table and the text of each tag row of the file information
// table, and the rows read from JPEG files made by exiftool and by the
// fixture generator.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "exif/ExifTagNames.h"
#include "support/TestSupport.h"

namespace {

using Rows = std::vector<ExifInfoRow>;

TEST(ExifTagNames, TableIsAscendingAndEnded) {
    int count = 0;
    while (ExifTagNameTable[count].name) {
        if (count > 0) { EXPECT_LT(ExifTagNameTable[count - 1].tag, ExifTagNameTable[count].tag) << count; }
        ++count;
    }
    EXPECT_EQ(122, count);
    EXPECT_EQ(0, ExifTagNameTable[count].tag);
    EXPECT_EQ(256, ExifTagNameTable[0].tag);
    EXPECT_EQ(50021, ExifTagNameTable[121].tag);
}

TEST(ExifTagNames, EveryEntryIsFoundAndOthersAreNot) {
    for (int i = 0; i < kExifTagNameCount; ++i)
        EXPECT_STREQ(ExifTagNameTable[i].name, FindExifTagName(ExifTagNameTable[i].tag)) << ExifTagNameTable[i].tag;
    for (uint32_t tag : {0u, 255u, 260u, 533u, 0xA500u, 49999u, 50022u, 65535u, 0x10000u + 274u})
        EXPECT_EQ(nullptr, FindExifTagName(tag)) << tag;
}

TEST(ExifTagNames, NamesAsShown) {
    const struct {
        uint32_t tag;
        const wchar_t* name;
    } cases[] = {
        {263, L"Threshholding"},
        {274, L"Orientation"},
        {305, L"Software"},
        {33422, L"CFAPattern"},
        {41730, L"CFAPattern"},
        {33723, L"IPTC/NAA"},
        {34665, L"ExifOffset"},
        {37500, L"MakerNote"},
        {40965, L"InteroperabilityOffset"},
        {41989, L"FocalLengthIn35mmFilm"},
        {50021, L"APP3Version"},
    };
    for (const auto& c : cases) EXPECT_STREQ(c.name, FindExifTagName(c.tag)) << c.tag;
}

TEST(ExifTagNames, LabelOfUnknownTagIsItsHexNumber) {
    wchar_t label[64];
    FormatExifTagLabel(0xA500, label, 64);
    EXPECT_STREQ(L"Unknown (0xa500)", label);
    FormatExifTagLabel(274, label, 64);
    EXPECT_STREQ(L"Orientation", label);
    FormatExifTagLabel(0x1234ABCD, label, 64);
    EXPECT_STREQ(L"Unknown (0x1234abcd)", label);
}

struct ValueCase {
    std::shared_ptr<ExifTagEntry> entry;
    const wchar_t* text;  // null: no row
};

template <typename E, typename V>
std::shared_ptr<ExifTagEntry> Make(uint32_t tag, uint16_t type, uint32_t count, V value) {
    return std::make_shared<E>(tag, type, count, value);
}

TEST(ExifTagValues, TextByTypeAndTag) {
    const wchar_t* const orientations[] = {L"Undefined",      L"Top Left (default)", L"Flipped Horizontally",
                                           L"Rotated by 180", L"Flipped Vertically", L"Transposed",
                                           L"Rotated by 90",  L"Transversed",        L"Rotated by 270"};
    std::vector<ValueCase> cases;
    for (unsigned short v = 0; v <= 8; ++v)
        cases.push_back({Make<ExifShortEntry>(274, EXIF_TYPE_SHORT, 1, v), orientations[v]});
    const ValueCase more[] = {
        {Make<ExifShortEntry>(274, EXIF_TYPE_SHORT, 1, (unsigned short)9), L"9"},
        {Make<ExifShortEntry>(274, EXIF_TYPE_SHORT, 1, (unsigned short)65535), L"65535"},
        // Only SHORT values have names.
        {Make<ExifSShortEntry>(274, EXIF_TYPE_SSHORT, 1, (short)6), L"6"},
        {Make<ExifShortEntry>(259, EXIF_TYPE_SHORT, 1, (unsigned short)1), L"Uncompressed"},
        {Make<ExifShortEntry>(259, EXIF_TYPE_SHORT, 1, (unsigned short)6), L"JPEG Compression"},
        {Make<ExifShortEntry>(259, EXIF_TYPE_SHORT, 1, (unsigned short)7), L"7"},
        {Make<ExifShortEntry>(262, EXIF_TYPE_SHORT, 1, (unsigned short)2), L"RGB Colorspace"},
        {Make<ExifShortEntry>(262, EXIF_TYPE_SHORT, 1, (unsigned short)6), L"YCBCR Colorspace"},
        {Make<ExifShortEntry>(262, EXIF_TYPE_SHORT, 1, (unsigned short)1), L"1"},
        // The names belong to their tags only.
        {Make<ExifShortEntry>(296, EXIF_TYPE_SHORT, 1, (unsigned short)6), L"6"},
        {Make<ExifByteEntry>(41728, EXIF_TYPE_BYTE, 1, (unsigned char)200), L"200"},
        {Make<ExifSShortEntry>(100, EXIF_TYPE_SSHORT, 1, (short)-5), L"-5"},
        {Make<ExifLongEntry>(33423, EXIF_TYPE_LONG, 1, 3000000000u), L"3000000000"},
        {Make<ExifSLongEntry>(100, EXIF_TYPE_SLONG, 1, -7), L"-7"},
        {Make<ExifFloatEntry>(0xA500, EXIF_TYPE_RATIONAL, 1, 2.5f), L"2.500000"},
        {Make<ExifFloatEntry>(37380, EXIF_TYPE_SRATIONAL, 1, -0.25f), L"-0.250000"},
        {Make<ExifFloatEntry>(100, EXIF_TYPE_FLOAT, 1, 1.5f), L"1.500000"},
        {Make<ExifDoubleEntry>(100, EXIF_TYPE_DOUBLE, 1, 0.125), L"0.125000"},
        {Make<ExifStringEntry>(305, EXIF_TYPE_ASCII, 4, std::string("Qrv")), L"Qrv"},
        {Make<ExifStringEntry>(271, EXIF_TYPE_ASCII, 8, std::string("5% %s%n")), L"5% %s%n"},
        {Make<ExifStringEntry>(305, EXIF_TYPE_ASCII, 1, std::string()), L""},
        // Several values: no row (ASCII has its one text whatever the count).
        {Make<ExifShortVectorEntry>(258, EXIF_TYPE_SHORT, 3, std::vector<unsigned short>{8, 8, 8}), nullptr},
        {Make<ExifLongVectorEntry>(273, EXIF_TYPE_LONG, 2, std::vector<unsigned int>{1, 2}), nullptr},
        {Make<ExifFloatVectorEntry>(282, EXIF_TYPE_RATIONAL, 2, std::vector<float>{1, 2}), nullptr},
        {Make<ExifShortVectorEntry>(258, EXIF_TYPE_SHORT, 0, std::vector<unsigned short>{}), nullptr},
        // Signed bytes and undefined fields: no row.
        {Make<ExifCharEntry>(100, EXIF_TYPE_SBYTE, 1, (char)-1), nullptr},
        {Make<ExifCharVectorEntry>(36864, EXIF_TYPE_UNDEFINED, 4, std::vector<char>{'0', '2', '2', '0'}), nullptr},
        {Make<ExifCharEntry>(41729, EXIF_TYPE_UNDEFINED, 1, (char)1), nullptr},
    };
    cases.insert(cases.end(), std::begin(more), std::end(more));
    for (const ValueCase& c : cases) {
        wchar_t text[512] = L"untouched";
        const bool row = FormatExifTagValue(c.entry.get(), text, 512);
        EXPECT_EQ(c.text != nullptr, row) << c.entry->tag << " type " << c.entry->type;
        if (c.text && row) { EXPECT_STREQ(c.text, text) << c.entry->tag << " type " << c.entry->type; }
    }
    wchar_t text[16];
    EXPECT_FALSE(FormatExifTagValue(nullptr, text, 16));
}

TEST(ExifTagValues, LongAsciiShowsItsFirst259Characters) {
    const struct { size_t length, shown; } cases[] = {{258, 258}, {259, 259}, {260, 259}, {261, 259}, {5000, 259}};
    for (const auto& c : cases) {
        std::string value(c.length, 'x');
        value[0] = 'a';
        ExifStringEntry entry(270, EXIF_TYPE_ASCII, (uint32_t)c.length + 1, value);
        wchar_t text[512];
        ASSERT_TRUE(FormatExifTagValue(&entry, text, 512)) << c.length;
        EXPECT_EQ(c.shown, wcslen(text)) << c.length;
        EXPECT_EQ(L'a', text[0]);
    }
}

Rows Collect(const std::wstring& path, bool expected = true) {
    Rows rows;
    EXPECT_EQ(expected, CollectExifInfoRows(path.c_str(), rows)) << qrvtest::Narrow(path);
    return rows;
}

const ExifInfoRow* FindRow(const Rows& rows, const wchar_t* label) {
    for (const ExifInfoRow& row : rows)
        if (row.label == label) return &row;
    return nullptr;
}

// "EXIF:" opens the rows; a blank row and "META:" come after the Exif tags.
void ExpectHeadings(const Rows& rows, size_t metaRows) {
    ASSERT_GE(rows.size(), 3u + metaRows);
    EXPECT_EQ(L"EXIF:", rows[0].label);
    EXPECT_EQ(L"", rows[0].value);
    const size_t meta = rows.size() - 1 - metaRows;
    EXPECT_EQ(L"META:", rows[meta].label);
    EXPECT_EQ(L"", rows[meta - 1].label);
    EXPECT_EQ(L"", rows[meta - 1].value);
}

// Each expected row is among the rows, with its value.
void ExpectRowsFound(const Rows& rows, const Rows& expected) {
    for (const ExifInfoRow& e : expected) {
        const ExifInfoRow* row = FindRow(rows, e.label.c_str());
        ASSERT_TRUE(row) << qrvtest::Narrow(e.label);
        EXPECT_EQ(e.value, row->value) << qrvtest::Narrow(e.label);
    }
}

TEST(ExifInfoRows, ExiftoolTags) {
    const Rows rows = Collect(qrvtest::Fixture(L"fileinfo_tags.jpg"));
    ExpectHeadings(rows, 0);
    // ColorSpace is a tag of the Exif directory, which follows IFD0.
    ExpectRowsFound(rows, {{L"Orientation", L"Rotated by 90"},
                           {L"Unknown (0xa500)", L"2.500000"},
                           {L"Software", L"Quorvane test build"},
                           {L"ColorSpace", L"65535"}});
    EXPECT_LT(FindRow(rows, L"Orientation"), FindRow(rows, L"Unknown (0xa500)"));
}

TEST(ExifInfoRows, TagsNoToolWrites) {
    const Rows rows = Collect(qrvtest::Fixture(L"exif_fileinfo.jpg"));
    ExpectHeadings(rows, 1);
    ExpectRowsFound(rows, {{L"Orientation", L"9"},
                           {L"ImageDescription", std::wstring(259, L'D')},
                           {L"Artist", std::wstring(259, L'A')},
                           {L"Software", std::wstring(259, L'S')},
                           {L"Make", L"100% %s %n"},
                           {L"BatteryLevel", L"3000000000"},
                           {L"ExposureBiasValue", L"-0.333333"}});
    EXPECT_EQ(nullptr, FindRow(rows, L"BitsPerSample"));
    EXPECT_EQ(L"CameraOwner", rows.back().label);
    EXPECT_EQ(L"Own", rows.back().value);
}

TEST(ExifInfoRows, ExifAndMetaSegments) {
    const Rows rows = Collect(qrvtest::Fixture(L"exif_meta.jpg"));
    const Rows expected = {{L"EXIF:", L""},       {L"Orientation", L"Rotated by 90"}, {L"", L""}, {L"META:", L""},
                           {L"Software", L"Qrv"}, {L"FilmProductCode", L"1234"}};
    ASSERT_EQ(expected.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(expected[i].label, rows[i].label) << i;
        EXPECT_EQ(expected[i].value, rows[i].value) << i;
    }
}

TEST(ExifInfoRows, OtherFilesGiveNoRows) {
    qrvtest::TempDir dir;
    for (const std::wstring& path :
         {qrvtest::Fixture(L"fileinfo_plain.jpg"), dir.File(L"missing.jpg"), qrvtest::Fixture(L"exif_jfif_xmp.jpg")})
        EXPECT_TRUE(Collect(path, false).empty()) << qrvtest::Narrow(path);
}

TEST(ExifInfoRows, PathWithoutAnsiFormIsOpenedByItsShortName) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"\x05E9\x05DC\x05D5\x05DD \x4E2D\x6587.jpg");
    ASSERT_TRUE(CopyFileW(qrvtest::Fixture(L"fileinfo_tags.jpg").c_str(), path.c_str(), FALSE));
    char narrow[MAX_PATH];
    ASSERT_FALSE(WideToAnsi(narrow, path.c_str())) << "the name has an ANSI form here";
    const Rows rows = Collect(path);
    const ExifInfoRow* orientation = FindRow(rows, L"Orientation");
    ASSERT_TRUE(orientation);
    EXPECT_EQ(L"Rotated by 90", orientation->value);
}

}  // namespace
