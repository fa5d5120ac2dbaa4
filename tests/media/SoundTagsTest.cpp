// ID3 tags from crafted buffers and from MP3s that lame tagged, and the audio
// stream description through a fake detector and through the real one.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "media/SoundTags.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }
void AppendBE(Bytes& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back((uint8_t)(value >> (8 * i)));
}

// An ID3v2 header of the version with the given flags (the tag size is not read).
Bytes Header(int version, uint8_t flags = 0) {
    Bytes b;
    Append(b, "ID3");
    b.push_back((uint8_t)version);
    b.push_back(0);
    b.push_back(flags);
    AppendBE(b, 0, 4);
    return b;
}

// A version 3/4 frame (version 2 with a three-letter id).
void Frame(Bytes& out, const std::string& id, const Bytes& content) {
    Append(out, id);
    AppendBE(out, (uint32_t)content.size(), id.size() == 3 ? 3 : 4);
    if (id.size() == 4) AppendBE(out, 0, 2);
    out.insert(out.end(), content.begin(), content.end());
}

Bytes Text(uint8_t encoding, const std::string& bytes) {
    Bytes b{encoding};
    Append(b, bytes);
    return b;
}

std::string Utf16LE(const std::wstring& text, bool bom) {
    std::string out;
    if (bom) out += "\xFF\xFE";
    for (wchar_t c : text) out += {(char)(c & 0xFF), (char)(c >> 8)};
    return out;
}
std::string Utf16BE(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += {(char)(c >> 8), (char)(c & 0xFF)};
    return out;
}

Id3Tag ParseV2(const Bytes& data) {
    Id3Tag tag;
    memset(&tag, 0x55, sizeof tag);  // every field must be written
    EXPECT_TRUE(ParseId3v2Tag(data.data(), data.size(), tag));
    return tag;
}

bool AllEmpty(const Id3Tag& tag) {
    return !tag.title[0] && !tag.artist[0] && !tag.album[0] && !tag.year[0] && !tag.comment[0] && !tag.genre[0];
}

Bytes V1Trailer(const std::string& title, const std::string& artist, const std::string& album, const std::string& year,
                const std::string& comment, uint8_t genre) {
    Bytes b(128, 0);
    memcpy(b.data(), "TAG", 3);
    memcpy(b.data() + 3, title.data(), std::min<size_t>(title.size(), 30));
    memcpy(b.data() + 33, artist.data(), std::min<size_t>(artist.size(), 30));
    memcpy(b.data() + 63, album.data(), std::min<size_t>(album.size(), 30));
    memcpy(b.data() + 93, year.data(), std::min<size_t>(year.size(), 4));
    memcpy(b.data() + 97, comment.data(), std::min<size_t>(comment.size(), 30));
    b[127] = genre;
    return b;
}

}  // namespace

TEST(Id3Genre, NamesOfTheListAndItsEnds) {
    const struct {
        int number;
        const wchar_t* name;
    } cases[] = {{0, L""},           {1, L"Classic Rock"}, {17, L"Rock"},
                 {79, L"Hard Rock"}, {80, L"Folk"},        {125, L"Dance Hall"},
                 {126, L""},         {255, L""},           {-1, L""}};
    for (const auto& c : cases) EXPECT_STREQ(Id3GenreName(c.number), c.name) << c.number;
}

TEST(Id3v1, FixedFieldsCutAtTheirFirstZero) {
    // A v1.1 trailer: the comment's 29th byte is the zero before a track number.
    Bytes b = V1Trailer("Title of thirty characters xx", "Artist", "Album", "1999", "Note", 17);
    b[97 + 28] = 0;
    b[97 + 29] = 7;
    Id3Tag tag;
    ASSERT_TRUE(ParseId3v1Trailer(b.data(), b.size(), tag));
    EXPECT_STREQ(tag.title, L"Title of thirty characters xx");
    EXPECT_STREQ(tag.artist, L"Artist");
    EXPECT_STREQ(tag.album, L"Album");
    EXPECT_STREQ(tag.year, L"1999");
    EXPECT_STREQ(tag.comment, L"Note");
    EXPECT_STREQ(tag.genre, L"Rock");

    // Full-width fields have no zero: all 30 (4) bytes, nothing from the next field.
    Bytes full = V1Trailer(std::string(30, 'T'), std::string(30, 'A'), "", "20245", "", 0);
    ASSERT_TRUE(ParseId3v1Trailer(full.data(), full.size(), tag));
    EXPECT_EQ(std::wstring(tag.title), std::wstring(30, L'T'));
    EXPECT_EQ(std::wstring(tag.artist), std::wstring(30, L'A'));
    EXPECT_STREQ(tag.year, L"2024");
    EXPECT_STREQ(tag.genre, L"");

    Bytes none = b;
    none[0] = 'X';
    EXPECT_FALSE(ParseId3v1Trailer(none.data(), none.size(), tag));
    EXPECT_FALSE(ParseId3v1Trailer(b.data(), 127, tag));
}

TEST(Id3v2, TextFramesOfEveryVersion) {
    Bytes v3 = Header(3);
    Frame(v3, "TIT2", Text(0, "Song"));
    Frame(v3, "TPE1", Text(0, "Band"));
    Frame(v3, "TALB", Text(0, "Record"));
    Frame(v3, "TYER", Text(0, "2001"));
    Frame(v3, "TCON", Text(0, "(17)Rock"));
    Frame(v3, "TXXX", Text(0, "dropped"));
    Id3Tag tag = ParseV2(v3);
    EXPECT_STREQ(tag.title, L"Song");
    EXPECT_STREQ(tag.artist, L"Band");
    EXPECT_STREQ(tag.album, L"Record");
    EXPECT_STREQ(tag.year, L"2001");
    EXPECT_STREQ(tag.genre, L"(17)Rock");
    EXPECT_STREQ(tag.comment, L"");

    // Version 2.2: three-letter ids and sizes, no flags; the text follows the
    // six-byte frame header.
    Bytes v2 = Header(2);
    Frame(v2, "TT2", Text(0, "Old"));
    Frame(v2, "TP1", Text(0, "Player"));
    Frame(v2, "TCO", Text(0, "Folk"));
    tag = ParseV2(v2);
    EXPECT_STREQ(tag.title, L"Old");
    EXPECT_STREQ(tag.artist, L"Player");
    EXPECT_STREQ(tag.genre, L"Folk");

    // The identifier is compared without regard to case; version 4 reads sizes plainly.
    Bytes v4 = Header(4);
    v4[0] = 'i', v4[1] = 'd';
    Frame(v4, "TIT2", Text(0, "Four"));
    EXPECT_STREQ(ParseV2(v4).title, L"Four");
}

TEST(Id3v2, TextDecodedByItsEncodingByte) {
    const std::wstring title = L"Gr\u00fc\u00dfe \u4e16\u754c";
    const struct {
        const char* name;
        Bytes content;
        std::wstring expected;
    } cases[] = {
        {"ANSI, extra zeros skipped", Text(0, std::string("\0\0Plain", 7)), L"Plain"},
        {"UTF-16 little-endian BOM", Text(1, Utf16LE(title, true)), title},
        {"UTF-16 big-endian BOM", Text(1, "\xFE\xFF" + Utf16BE(title)), title},
        {"UTF-16BE", Text(2, Utf16BE(title)), title},
        {"UTF-8",
         Text(3,
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE4\xB8\x96\xE7\x95\x8C"),
         title},
        {"UTF-16 ends at its zero unit", Text(1, Utf16LE(L"Ab", true) + std::string("\0\0Cd", 4)), L"Ab"},
        {"odd UTF-16 byte dropped", Text(2, Utf16BE(L"Xy") + "Z"), L"Xy"},
    };
    for (const auto& c : cases) {
        Bytes data = Header(3);
        Frame(data, "TIT2", c.content);
        EXPECT_EQ(std::wstring(ParseV2(data).title), c.expected) << c.name;
    }
}

TEST(Id3v2, CommentSkipsLanguageAndDescription) {
    const struct {
        const char* name;
        Bytes content;
    } cases[] = {
        {"ANSI", Text(0, std::string("eng"
                                     "desc\0"
                                     "Said",
                                     12))},
        {"UTF-16", Text(1, "eng" + Utf16LE(L"d", true) + std::string("\0\0", 2) + Utf16LE(L"Said", true))},
        {"UTF-16BE", Text(2, "eng" + Utf16BE(L"dd") + std::string("\0\0", 2) + Utf16BE(L"Said"))},
        {"UTF-8, empty description", Text(3, std::string("eng\0Said", 8))},
    };
    for (const auto& c : cases) {
        Bytes v3 = Header(3);
        Frame(v3, "COMM", c.content);
        EXPECT_STREQ(ParseV2(v3).comment, L"Said") << c.name;
        Bytes v2 = Header(2);
        Frame(v2, "COM", c.content);
        EXPECT_STREQ(ParseV2(v2).comment, L"Said") << c.name << " (2.2)";
    }
}

TEST(Id3v2, LongFrameEndsTheScan) {
    // A picture first: every field stays empty, also those of later frames.
    Bytes data = Header(3);
    Frame(data, "APIC", Bytes(129, 1));
    Frame(data, "TIT2", Text(0, "After"));
    EXPECT_TRUE(AllEmpty(ParseV2(data)));

    // 128 bytes still count; fields are cut to 127 characters.
    Bytes exact = Header(3);
    Frame(exact, "TIT2", Text(0, std::string(127, 'x')));
    Frame(exact, "TPE1", Text(0, "Next"));
    Id3Tag tag = ParseV2(exact);
    EXPECT_EQ(wcslen(tag.title), 127u);
    EXPECT_STREQ(tag.artist, L"Next");

    // Frames read before the long one stay.
    Bytes before = Header(4);
    Frame(before, "TALB", Text(0, "Kept"));
    Frame(before, "APIC", Bytes(200, 1));
    Frame(before, "TIT2", Text(0, "Lost"));
    tag = ParseV2(before);
    EXPECT_STREQ(tag.album, L"Kept");
    EXPECT_STREQ(tag.title, L"");
}

TEST(Id3v2, StopsAtPaddingAndFooter) {
    Bytes padded = Header(3);
    Frame(padded, "TIT2", Text(0, "One"));
    padded.insert(padded.end(), 20, 0);
    Frame(padded, "TPE1", Text(0, "Hidden"));
    Id3Tag tag = ParseV2(padded);
    EXPECT_STREQ(tag.title, L"One");
    EXPECT_STREQ(tag.artist, L"");

    Bytes footer = Header(4);
    Frame(footer, "TIT2", Text(0, "One"));
    Append(footer, "3di\x04");
    Frame(footer, "TPE1", Text(0, "Hidden"));
    EXPECT_STREQ(ParseV2(footer).artist, L"");
}

TEST(Id3v2, ExtendedHeaderSizeByVersion) {
    // Version 3: the size leaves out its own four bytes; version 4: it counts them.
    Bytes v3 = Header(3, 0x40);
    AppendBE(v3, 6, 4);
    v3.insert(v3.end(), 6, 0xEE);
    Frame(v3, "TIT2", Text(0, "Three"));
    EXPECT_STREQ(ParseV2(v3).title, L"Three");

    Bytes v4 = Header(4, 0x40);
    AppendBE(v4, 10, 4);
    v4.insert(v4.end(), 6, 0xEE);
    Frame(v4, "TIT2", Text(0, "Four"));
    EXPECT_STREQ(ParseV2(v4).title, L"Four");

    // A size that runs past the data, or a version 4 size below its own four
    // bytes, means no tag.
    const struct {
        int version;
        uint32_t size;
    } bad[] = {{3, 0x7FFFFFF0}, {4, 0xFFFFFFFF}, {4, 3}, {3, 40}};
    for (const auto& c : bad) {
        Bytes data = Header(c.version, 0x40);
        AppendBE(data, c.size, 4);
        Frame(data, "TIT2", Text(0, "Never"));
        Id3Tag tag;
        EXPECT_FALSE(ParseId3v2Tag(data.data(), data.size(), tag)) << c.version << " " << c.size;
        EXPECT_TRUE(AllEmpty(tag));
    }
    // Too short to hold the size at all.
    Bytes cut = Header(3, 0x40);
    cut.push_back(0);
    Id3Tag tag;
    EXPECT_FALSE(ParseId3v2Tag(cut.data(), cut.size(), tag));
}

TEST(Id3v2, NotATag) {
    Bytes wrongVersion = Header(5);
    Frame(wrongVersion, "TIT2", Text(0, "x"));
    Bytes wrongId = Header(3);
    wrongId[0] = 'X';
    Frame(wrongId, "TIT2", Text(0, "x"));
    Id3Tag tag;
    EXPECT_FALSE(ParseId3v2Tag(wrongVersion.data(), wrongVersion.size(), tag));
    EXPECT_FALSE(ParseId3v2Tag(wrongId.data(), wrongId.size(), tag));
    EXPECT_FALSE(ParseId3v2Tag(wrongId.data(), 9, tag));
    // A header with no frames is a tag with nothing in it.
    Bytes empty = Header(3);
    EXPECT_TRUE(ParseId3v2Tag(empty.data(), empty.size(), tag));
    EXPECT_TRUE(AllEmpty(tag));
}

TEST(Id3v2, EveryReadStaysInsideTheData) {
    // Each cut of a tag parses from a heap block of exactly that size and
    // keeps at most the start of each text.
    Bytes full = Header(3);
    Frame(full, "TIT2", Text(1, Utf16LE(L"Title", true)));
    Frame(full, "COMM", Text(0, std::string("eng\0Comment", 11)));
    for (size_t n = 0; n <= full.size(); ++n) {
        std::unique_ptr<uint8_t[]> exact(new uint8_t[n ? n : 1]);
        memcpy(exact.get(), full.data(), n);
        Id3Tag tag;
        ParseId3v2Tag(exact.get(), n, tag);
        EXPECT_TRUE(std::wstring(L"Title").rfind(tag.title, 0) == 0) << n;
        EXPECT_TRUE(std::wstring(L"Comment").rfind(tag.comment, 0) == 0) << n;
    }
    // A frame that claims more than there is takes what there is.
    Bytes shortFrame = Header(3);
    Append(shortFrame, "TIT2");
    AppendBE(shortFrame, 100, 4);
    AppendBE(shortFrame, 0, 2);
    Append(shortFrame, std::string("\0Half", 5));
    EXPECT_STREQ(ParseV2(shortFrame).title, L"Half");
}

TEST(SoundTagFile, TrailerWinsAndOnlyMp3HasATag) {
    qrvtest::TempDir dir;
    Bytes v2 = Header(3);
    Frame(v2, "TIT2", Text(0, "From v2"));
    Frame(v2, "TPE1", Text(0, "V2 artist"));
    Bytes audio(600, 0xFF);
    Bytes trailer = V1Trailer("From v1", "", "", "", "", 80);

    Bytes both = v2;
    both.insert(both.end(), audio.begin(), audio.end());
    both.insert(both.end(), trailer.begin(), trailer.end());
    Bytes v2only = v2;
    v2only.insert(v2only.end(), audio.begin(), audio.end());

    const struct {
        const wchar_t* name;
        const Bytes* data;
        const wchar_t* title;
        const wchar_t* artist;
        const wchar_t* genre;
    } cases[] = {
        {L"both.mp3", &both, L"From v1", L"", L"Folk"},          {L"upper.MP3", &both, L"From v1", L"", L"Folk"},
        {L"v2only.mp3", &v2only, L"From v2", L"V2 artist", L""}, {L"both.wav", &both, L"", L"", L""},
        {L"tiny.mp3", &trailer, L"From v1", L"", L"Folk"},
    };
    for (const auto& c : cases) {
        const std::wstring path = dir.File(c.name);
        ASSERT_TRUE(qrvtest::WriteAll(path, c.data->data(), c.data->size()));
        Id3Tag tag;
        memset(&tag, 0x55, sizeof tag);
        ReadSoundTag(path.c_str(), tag);
        EXPECT_STREQ(tag.title, c.title) << qrvtest::Narrow(c.name);
        EXPECT_STREQ(tag.artist, c.artist) << qrvtest::Narrow(c.name);
        EXPECT_STREQ(tag.genre, c.genre) << qrvtest::Narrow(c.name);
    }
    Id3Tag tag;
    EXPECT_FALSE(ReadId3v1Tag(dir.File(L"missing.mp3").c_str(), tag));
    EXPECT_FALSE(ReadId3v2Tag(dir.File(L"missing.mp3").c_str(), tag));
    ASSERT_TRUE(qrvtest::WriteAll(dir.File(L"short.mp3"), "TAG", 3));
    EXPECT_FALSE(ReadId3v1Tag(dir.File(L"short.mp3").c_str(), tag));
}

TEST(SoundTagFile, WhatLameWrote) {
    const struct {
        const wchar_t* name;
        Id3Tag expected;
    } cases[] = {
        // Both tags: the v1.1 trailer's texts (the track number ends the comment).
        {L"media_tags.mp3", {L"Test Title", L"Test Artist", L"Test Album", L"2001", L"Test Comment", L"Rock"}},
        // A v2.3 tag alone: lame writes its text frames in UTF-16 with a byte order mark.
        {L"media_v2only.mp3", {L"Only Two", L"Second Artist", L"Second Album", L"1999", L"", L"Folk"}},
        {L"media_utf16.mp3", {L"Zo\u00eb \u00dcn\u00efcode", L"\u00c4rtist", L"", L"", L"", L""}},
        {L"media_v1only.mp3", {L"Only One", L"", L"", L"", L"", L"Folk"}},
        {L"media_notag.mp3", {}},
        {L"media_tone.wav", {}},
    };
    for (const auto& c : cases) {
        const std::wstring path = qrvtest::Fixture(c.name);
        ASSERT_TRUE(qrvtest::FileExists(path)) << qrvtest::Narrow(path);
        Id3Tag tag;
        ReadSoundTag(path.c_str(), tag);
        const std::string name = qrvtest::Narrow(c.name);
        EXPECT_STREQ(tag.title, c.expected.title) << name;
        EXPECT_STREQ(tag.artist, c.expected.artist) << name;
        EXPECT_STREQ(tag.album, c.expected.album) << name;
        EXPECT_STREQ(tag.year, c.expected.year) << name;
        EXPECT_STREQ(tag.comment, c.expected.comment) << name;
        EXPECT_STREQ(tag.genre, c.expected.genre) << name;
    }
}

// ---- Audio stream description

namespace {

AudioStreamInfo g_fakeInfo;
bool g_fakeFound = true;
bool FakeDetector(const wchar_t*, AudioStreamInfo& info) {
    if (g_fakeFound) info = g_fakeInfo;
    return g_fakeFound;
}

struct DetectorScope {
    DetectorScope() { previous = SetAudioStreamDetector(FakeDetector); }
    ~DetectorScope() { SetAudioStreamDetector(previous); }
    AudioStreamDetector previous;
};

std::wstring RowValue(const std::vector<AudioInfoRow>& rows, const wchar_t* label) {
    for (const AudioInfoRow& row : rows)
        if (row.label == label) return row.value;
    return L"<missing>";
}

}  // namespace

TEST(AudioStreamText, DurationForms) {
    const struct {
        double seconds;
        const wchar_t* text;
    } cases[] = {{0, L"00 Seconds"},    {7.9, L"07 Seconds"},   {59.99, L"59 Seconds"},
                 {60, L"1:00 Minutes"}, {125, L"2:05 Minutes"}, {3599, L"59:59 Minutes"},
                 {3600, L"1:00 Hours"}, {3725, L"1:02 Hours"},  {-3, L"00 Seconds"}};
    for (const auto& c : cases) EXPECT_EQ(AudioDurationText(c.seconds), c.text) << c.seconds;
}

TEST(AudioStreamText, CodecChannelsAndBitrate) {
    EXPECT_EQ(AudioCodecName(0x0001), L"PCM");
    EXPECT_EQ(AudioCodecName(0x0055), L"MPEG Layer3");
    EXPECT_EQ(AudioCodecName(0x0160), L"MS Audio1 (WMA)");
    EXPECT_EQ(AudioCodecName(0x0161), L"MS Audio1 (WMA)");
    EXPECT_EQ(AudioCodecName(0x1000), L" Ing C. Olivetti & C., S.p.A. ");
    EXPECT_EQ(AudioCodecName(0x1234), L"Unknown: 0x1234");
    EXPECT_EQ(AudioChannelsText(1), L"1 (mono)");
    EXPECT_EQ(AudioChannelsText(2), L"2 (stereo)");
    EXPECT_EQ(AudioChannelsText(5), L"5 (surround)");
    EXPECT_EQ(AudioChannelsText(6), L"6");
    // k = bytes per second x 8 / 1024, truncated; the bands give the nominal rates.
    const struct {
        uint32_t bytesPerSecond;
        const wchar_t* text;
    } rates[] = {
        {16000, L"128 Kbits/s (16 KB/s)"},  // k 125
        {15872, L"128 Kbits/s (16 KB/s)"},  // k 124, the band's low end
        {15871, L"123 Kbits/s (15 KB/s)"},  // k 123, below it
        {40000, L"320 Kbits/s (40 KB/s)"},  // k 312
        {41600, L"325 Kbits/s (40 KB/s)"},  // k 325, above the top band
        {1000, L"7 Kbits/s (0 KB/s)"},
    };
    for (const auto& r : rates) EXPECT_EQ(AudioBitrateText(r.bytesPerSecond), r.text) << r.bytesPerSecond;
}

TEST(AudioStreamRows, ThroughAFakeDetector) {
    DetectorScope scope;
    g_fakeFound = true;
    g_fakeInfo = {0x0055, 2, 44100, 24000, 0, 3725.5};
    std::vector<AudioInfoRow> rows;
    ASSERT_TRUE(CollectAudioStreamRows(L"C:\\any.mp3", rows));
    const std::vector<std::wstring> labels = {L"Audiostream:",   L"Codec:",    L"Duration:", L"SamplesPerSec:",
                                              L"BitsPerSample:", L"Channels:", L"Bitrate:",  L""};
    ASSERT_EQ(rows.size(), labels.size());
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].label, labels[i]) << i;
    EXPECT_EQ(rows[0].value, L"");
    EXPECT_EQ(RowValue(rows, L"Codec:"), L"MPEG Layer3");
    EXPECT_EQ(RowValue(rows, L"Duration:"), L"1:02 Hours");
    EXPECT_EQ(RowValue(rows, L"SamplesPerSec:"), L"44100 Hz");
    EXPECT_EQ(RowValue(rows, L"BitsPerSample:"), L"16 Bit");  // 0 reads as 16
    EXPECT_EQ(RowValue(rows, L"Channels:"), L"2 (stereo)");
    EXPECT_EQ(RowValue(rows, L"Bitrate:"), L"192 Kbits/s (24 KB/s)");
    EXPECT_EQ(rows.back().value, L"");

    g_fakeFound = false;
    EXPECT_FALSE(CollectAudioStreamRows(L"C:\\any.mp3", rows));
    EXPECT_TRUE(rows.empty());
    EXPECT_FALSE(DescribeAudioStream(L"C:\\any.mp3"));
}

TEST(AudioStreamRows, TheMediaDetectorOnAWav) {
    // 8 kHz mono 16-bit: 16000 bytes a second, 125 seconds long.
    std::vector<AudioInfoRow> rows;
    ASSERT_TRUE(CollectAudioStreamRows(qrvtest::Fixture(L"media_long.wav").c_str(), rows));
    EXPECT_EQ(RowValue(rows, L"Codec:"), L"PCM");
    EXPECT_EQ(RowValue(rows, L"Duration:"), L"2:05 Minutes");
    EXPECT_EQ(RowValue(rows, L"SamplesPerSec:"), L"8000 Hz");
    EXPECT_EQ(RowValue(rows, L"BitsPerSample:"), L"16 Bit");
    EXPECT_EQ(RowValue(rows, L"Channels:"), L"1 (mono)");
    EXPECT_EQ(RowValue(rows, L"Bitrate:"), L"128 Kbits/s (16 KB/s)");

    EXPECT_FALSE(CollectAudioStreamRows(qrvtest::Fixture(L"media_garbage.avi").c_str(), rows));
    EXPECT_FALSE(CollectAudioStreamRows(qrvtest::Fixture(L"no_such_file.wav").c_str(), rows));
}
