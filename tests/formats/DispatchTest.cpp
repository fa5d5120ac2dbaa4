// LoadMediaFile and LoadMediaFileByContent: the signature tests in their order
// and the answers (status and text) that decide the outcome, with stand-in
// readers that record which format was asked.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "formats/LoadFlags.h"
#include "formats/Formats.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

// What the stand-in reader of each id answers and what it saw.
struct Answer {
    bool ok = false;
    // Without ok: a refusal (not this format) or a failure, with this text.
    bool refuse = true;
    const wchar_t* text = FORMAT_TEXT_INVALID_ID;
    bool raise = false;
};
Answer Refusal(const wchar_t* text = FORMAT_TEXT_INVALID_ID) { return Answer{false, true, text, false}; }
Answer Failure(const wchar_t* text) { return Answer{false, false, text, false}; }
Answer g_answers[FMT_COUNT];
std::vector<FormatId> g_calls;
FormatId* g_target = nullptr;
std::vector<FormatId> g_targetDuringCall;
long long g_streamPosition = -1;

ReadStatus Answered(const Answer& a, CImage& image, wchar_t* errorText) {
    if (a.ok) return image.CreateEmpty(2, 2, 24, 0, nullptr);
    wcscpy(errorText, a.text);
    return a.refuse ? ReadStatus::NotThisFormat() : ReadStatus(false);
}

template <int Id>
ReadStatus StandIn(CImage& image, const wchar_t*, wchar_t* errorText, LoadCall&) {
    g_calls.push_back(Id);
    g_targetDuringCall.push_back(g_target ? *g_target : -1);
    const Answer& a = g_answers[Id];
    if (a.raise) throw 42;
    return Answered(a, image, errorText);
}

ReadStatus StreamStandIn(CImage& image, FILE* stream, wchar_t* errorText, LoadCall&) {
    g_calls.push_back(-FMT_JPEG);  // negative: the stream reader
    g_streamPosition = _ftelli64(stream);
    return Answered(g_answers[FMT_JPEG], image, errorText);
}

template <size_t... I>
constexpr auto MakeStandIns(std::index_sequence<I...>) {
    return std::array<FormatReader, sizeof...(I)>{StandIn<(int)I>...};
}
const auto g_standIns = MakeStandIns(std::make_index_sequence<FMT_COUNT>());

// Installs a stand-in for every id (except the save-only and unused ones) and
// puts the real readers back afterwards.
class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (FormatId id = 1; id < FMT_COUNT; ++id) {
            g_answers[id] = Answer{};
            saved_[id] = (id == 21 || id == FMT_RAW) ? GetFormatEntry(id).reader : SetFormatReader(id, g_standIns[id]);
        }
        savedStream_ = SetFormatStreamReader(FMT_JPEG, StreamStandIn);
        g_calls.clear();
        g_targetDuringCall.clear();
        g_streamPosition = -1;
    }
    void TearDown() override {
        for (FormatId id = 1; id < FMT_COUNT; ++id)
            if (id != 21 && id != FMT_RAW) SetFormatReader(id, saved_[id]);
        SetFormatStreamReader(FMT_JPEG, savedStream_);
        g_target = nullptr;
    }
    std::wstring Write(const std::string& bytes, const wchar_t* name) {
        const std::wstring path = dir_.File(name);
        EXPECT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
        return path;
    }
    qrvtest::TempDir dir_;
    CImage image_;
    wchar_t text_[FORMAT_ERROR_CHARS] = {};
    FormatId id_ = -1;
    FormatReader saved_[FMT_COUNT] = {};
    FormatStreamReader savedStream_ = nullptr;
};

std::string Bytes(std::initializer_list<int> list, size_t padTo = 40) {
    std::string s;
    for (int b : list) s += (char)b;
    while (s.size() < padTo) s += '\x01';
    return s;
}

TEST_F(DispatchTest, SignaturesInTheirOrder) {
    for (Answer& a : g_answers) a.ok = true;
    struct Case {
        const char* what;
        std::string head;
        FormatId id;
    } cases[] = {
        {"BM", "BM" + std::string(38, '\0'), FMT_BMP},
        {"DCX", Bytes({0xB1, 0x68, 0xDE, 0x3A}), FMT_DCX},
        {"DDS", "DDS " + std::string(36, '\0'), FMT_DDS},
        {"EXR", Bytes({0x76, 0x2F, 0x31, 0x01}), FMT_EXR},  // 20000630
        {"IMAGE11", std::string("IMAGE11\0", 8) + std::string(32, '\0'), FMT_IMAGE11},
        {"GEM", Bytes({0, 1, 0, 8, 0, 1, 0, 1, 0x00, 0x55, 0x00, 0x55}), FMT_GEM},
        {"GIF87a", "GIF87a" + std::string(34, '\0'), FMT_GIF},
        {"GIF89a", "GIF89a" + std::string(34, '\0'), FMT_GIF},
        {"ICO", Bytes({0, 0, 1, 0, 1, 0}), FMT_ICO},
        {"CUR", Bytes({0, 0, 2, 0, 1, 0}), FMT_ICO},
        {"FOR4", "FOR4" + std::string(36, '\0'), FMT_IFF},
        {"FORM", "FORM" + std::string(36, '\0'), FMT_IFF},
        {"LIST", "LIST" + std::string(36, '\0'), FMT_IFF},
        {"CAT", "CAT " + std::string(36, '\0'), FMT_IFF},
        {"PCD", std::string(32, '\xFF') + std::string(8, '\0'), FMT_PCD},
        {"PCX before AVI", Bytes({0x0A, 5, 1, 8, 0, 0, 0, 0, 'A', 'V', 'I', ' '}), FMT_PCX},
        {"PCX before PCD", "\x0A" + std::string(39, '\xFF'), FMT_PCX},
        {"Softimage PIC", Bytes({0x53, 0x80, 0xF6, 0x34}), FMT_PIC},
        {"PC Paint PIC", Bytes({0x34, 0x12}), FMT_PIC},
        {"PIC", "PIC" + std::string(37, '\0'), FMT_PIC},
        {"PNG", "\x89PNG\r\n\x1a\n" + std::string(32, '\0'), FMT_PNG},
        {"PNM P6", "P6\n3 2\n255\n" + std::string(30, '\0'), FMT_PNM},
        {"PNM P1", "P1 1 1 0" + std::string(32, ' '), FMT_PNM},
        {"PPP", "PPx" + std::string(37, '\0'), FMT_PPP},
        {"PSD", "8BPS" + std::string(36, '\0'), FMT_PSD},
        {"Sun", Bytes({0x59, 0xA6, 0x6A, 0x95}), FMT_RAS},
        {"SGI", Bytes({0x01, 0xDA, 0x01, 0x01}), FMT_SGI},
        {"TIFF MM", std::string("MM\0*", 4) + std::string(36, '\0'), FMT_TIFF},
        {"TIFF II", std::string("II*\0", 4) + std::string(36, '\0'), FMT_TIFF},
        {"AVI", std::string("RIFF\x10\0\0\0AVI LIST", 16) + std::string(24, '\0'), FMT_VIDEO},
        {"JFIF at 0", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11) + std::string(29, '\0'), FMT_JPEG},
    };
    for (const Case& c : cases) {
        g_calls.clear();
        const std::wstring path = Write(c.head, L"probe.bin");
        EXPECT_TRUE(LoadMediaFile(image_, path.c_str(), text_, &id_)) << c.what;
        EXPECT_EQ(id_, c.id) << c.what;
        const FormatId expectedCall = c.id == FMT_JPEG ? -FMT_JPEG : c.id;
        EXPECT_EQ(g_calls, std::vector<FormatId>{expectedCall}) << c.what;
    }
}

TEST_F(DispatchTest, NearMissesMatchNothing) {
    struct Case {
        const char* what;
        std::string head;
    } cases[] = {
        {"TIFF MM*0", std::string("MM*\0", 4) + std::string(36, '\0')},
        {"31 bytes of FF", std::string(31, '\xFF')},
        {"ICO count 3", Bytes({0, 0, 3, 0})},
        {"ICO in 2 bytes", std::string(2, '\0')},
        {"B alone", "B"},
        {"JFIF too early", "JFIF" + std::string(30, '\0')},
        {"JJFIF", "\xFF\xD8\xFF\xE0\0\x10JJFIF" + std::string(30, '\0')},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        g_calls.clear();
        const std::wstring path = Write(c.head, L"probe.bin");
        EXPECT_FALSE(LoadMediaFile(image_, path.c_str(), text_, &id_)) << c.what;
        EXPECT_EQ(id_, 0) << c.what;
        EXPECT_TRUE(g_calls.empty()) << c.what;
        EXPECT_STREQ(text_, FORMAT_TEXT_UNKNOWN) << c.what;
    }
}

TEST_F(DispatchTest, JfifScanRewindsToTheStartOfTheJpeg) {
    const std::string jpeg = std::string(23, 'x') + std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11) + "rest";
    const std::wstring path = Write(jpeg, L"embedded.bin");
    g_answers[FMT_JPEG].ok = true;
    EXPECT_TRUE(LoadMediaFileByContent(image_, path.c_str(), text_, &id_));
    EXPECT_EQ(id_, FMT_JPEG);
    EXPECT_EQ(g_streamPosition, 23);
}

TEST_F(DispatchTest, IdTargetIsWrittenBeforeTheReaderRuns) {
    const std::wstring path = Write("BM" + std::string(60, '\0'), L"x.png");
    g_answers[FMT_BMP].ok = true;
    g_target = &id_;
    EXPECT_TRUE(LoadMediaFile(image_, path.c_str(), text_, &id_));
    // The PNG reader saw 35, then the content search set 0 and found 2.
    EXPECT_EQ(g_calls, (std::vector<FormatId>{FMT_PNG, FMT_BMP}));
    EXPECT_EQ(g_targetDuringCall, (std::vector<FormatId>{FMT_PNG, FMT_BMP}));
    EXPECT_EQ(id_, FMT_BMP);
}

TEST_F(DispatchTest, PngNamedJpg) {
    const std::wstring path = Write("\x89PNG\r\n\x1a\n" + std::string(40, '\0'), L"x.jpg");
    g_answers[FMT_PNG].ok = true;
    EXPECT_TRUE(LoadMediaFile(image_, path.c_str(), text_, &id_));
    EXPECT_EQ(g_calls, (std::vector<FormatId>{FMT_JPEG, FMT_PNG}));
    EXPECT_EQ(id_, FMT_PNG);
    EXPECT_TRUE(image_.IsValid());
}

TEST_F(DispatchTest, GifNamedCam) {
    const std::wstring path = Write("GIF89a" + std::string(40, '\0'), L"x.cam");
    g_answers[FMT_GIF].ok = true;
    EXPECT_TRUE(LoadMediaFile(image_, path.c_str(), text_, &id_));
    EXPECT_EQ(g_calls, (std::vector<FormatId>{FMT_CAM, FMT_GIF}));
    EXPECT_EQ(id_, FMT_GIF);
}

TEST_F(DispatchTest, OutcomeTexts) {
    const std::string textFile = "just some text, no image at all\r\n";
    const Answer refused = Refusal(), corrupt = Failure(L"Corrupt!"), refusedInWords = Refusal(L"No bitmap header");
    struct Case {
        const char* what;
        const wchar_t* name;
        std::string content;
        const Answer* contentAnswer;  // of the BMP stand-in, found by "BM"
        const wchar_t* expected;
        std::vector<FormatId> calls;
    } cases[] = {
        {"unknown extension, no match", L"x.bin", textFile, nullptr, FORMAT_TEXT_UNKNOWN, {}},
        {"refused, no match", L"x.pcx", textFile, nullptr, FORMAT_TEXT_UNSUPPORTED, {FMT_PCX}},
        {"refused, content reader refuses",
         L"x.pcx",
         "BM" + textFile,
         &refused,
         FORMAT_TEXT_UNSUPPORTED,
         {FMT_PCX, FMT_BMP}},
        {"unknown, content reader refuses", L"x.bin", "BM" + textFile, &refused, FORMAT_TEXT_UNSUPPORTED, {FMT_BMP}},
        {"refused, content reader fails",
         L"x.pcx",
         "BM" + textFile,
         &corrupt,
         FORMAT_TEXT_INVALID_ID,
         {FMT_PCX, FMT_BMP}},
        {"unknown, content reader fails", L"x.bin", "BM" + textFile, &corrupt, FORMAT_TEXT_UNKNOWN, {FMT_BMP}},
        {"unknown, content reader refuses in its own words",
         L"x.bin",
         "BM" + textFile,
         &refusedInWords,
         FORMAT_TEXT_UNSUPPORTED,
         {FMT_BMP}},
    };
    for (const Case& c : cases) {
        g_calls.clear();
        if (c.contentAnswer) g_answers[FMT_BMP] = *c.contentAnswer;
        const std::wstring path = Write(c.content, c.name);
        EXPECT_FALSE(LoadMediaFile(image_, path.c_str(), text_, &id_)) << c.what;
        EXPECT_STREQ(text_, c.expected) << c.what;
        EXPECT_EQ(g_calls, c.calls) << c.what;
    }
}

TEST_F(DispatchTest, OwnFailureTextEndsTheDispatch) {
    const std::wstring path = Write("BM" + std::string(60, '\0'), L"x.pcx");
    g_answers[FMT_PCX] = Failure(L"Couldn't open PCX File!");
    EXPECT_FALSE(LoadMediaFile(image_, path.c_str(), text_, &id_));
    EXPECT_STREQ(text_, L"Couldn't open PCX File!");
    EXPECT_EQ(g_calls, std::vector<FormatId>{FMT_PCX});
    EXPECT_EQ(id_, FMT_PCX);
}

// The status steers, never the words: a refusal in any words goes on to the
// signature, and a failure ends the load even when its text looks like a
// refusal.
TEST_F(DispatchTest, TheStatusSteersNotTheText) {
    const std::wstring path = Write("BM" + std::string(60, '\0'), L"x.pcx");
    g_answers[FMT_BMP].ok = true;
    for (const wchar_t* words : {L"INVALID formatid", L"Not a PCX file (manufacturer byte 0x42)", L""}) {
        g_calls.clear();
        g_answers[FMT_PCX] = Refusal(words);
        EXPECT_TRUE(LoadMediaFile(image_, path.c_str(), text_, &id_));
        EXPECT_EQ(id_, FMT_BMP);
        EXPECT_EQ(g_calls, (std::vector<FormatId>{FMT_PCX, FMT_BMP}));
    }
    for (const wchar_t* words : {FORMAT_TEXT_INVALID_ID, FORMAT_TEXT_UNKNOWN}) {
        g_calls.clear();
        g_answers[FMT_PCX] = Failure(words);
        EXPECT_FALSE(LoadMediaFile(image_, path.c_str(), text_, &id_));
        EXPECT_STREQ(text_, words);
        EXPECT_EQ(g_calls, std::vector<FormatId>{FMT_PCX});
    }
}

TEST_F(DispatchTest, MissingFileAndNullPath) {
    EXPECT_FALSE(LoadMediaFile(image_, dir_.File(L"missing.bin").c_str(), text_, &id_));
    EXPECT_STREQ(text_, FORMAT_TEXT_UNKNOWN);
    EXPECT_FALSE(LoadMediaFile(image_, nullptr, text_, &id_));
    EXPECT_STREQ(text_, FORMAT_TEXT_UNKNOWN);
    EXPECT_EQ(id_, 0);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(DispatchTest, ExceptionFromAReaderBecomesAnErrorText) {
    const std::wstring path = Write("GIF89a" + std::string(40, '\0'), L"x.gif");
    g_answers[FMT_GIF].raise = true;
    EXPECT_FALSE(LoadMediaFile(image_, path.c_str(), text_, &id_));
    EXPECT_STREQ(text_, L"Reader failed with an exception!");
}

TEST_F(DispatchTest, ReadersWithoutAnEntryAnswerUnknownFormat) {
    SetFormatReader(FMT_GIF, nullptr);
    const std::wstring path = Write("GIF89a" + std::string(40, '\0'), L"x.gif");
    EXPECT_FALSE(LoadMediaFile(image_, path.c_str(), text_, &id_));
    EXPECT_STREQ(text_, FORMAT_TEXT_UNKNOWN);
    // Found again by content, still without a reader: the first answer stands.
    EXPECT_EQ(id_, FMT_GIF);
}

TEST(LoadModeScope, FlagsArePerThreadAndRestored) {
    ASSERT_EQ(AppState::BackgroundLoad, 0);
    std::atomic<int> seenOnOtherThread{-1};
    {
        LoadModeScope scope(true, false);
        EXPECT_EQ(AppState::BackgroundLoad, 1);
        EXPECT_EQ(AppState::PreviewLoad, 0);
        std::thread other([&] {
            seenOnOtherThread = AppState::BackgroundLoad;
            LoadModeScope inner(false, true);
        });
        other.join();
        EXPECT_EQ(AppState::BackgroundLoad, 1);  // the other thread's scope changed nothing here
        EXPECT_EQ(AppState::PreviewLoad, 0);
        {
            LoadModeScope nested(false, true);
            EXPECT_EQ(AppState::PreviewLoad, 1);
        }
        EXPECT_EQ(AppState::BackgroundLoad, 1);
    }
    EXPECT_EQ(seenOnOtherThread.load(), 0);
    EXPECT_EQ(AppState::BackgroundLoad, 0);
    EXPECT_EQ(AppState::PreviewLoad, 0);
}

}  // namespace
