#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "command_ids.h"
#include "formats/Formats.h"
#include "support/SettingsKeeper.h"
#include "support/TestSupport.h"
#include "tools/CreateAnimation.h"
#include "tools/ToolTestSupport.h"
#include "tools_ids.h"

using tooltest::HostOutput;
using tooltest::Quoted;
using tooltest::RecordingProgress;
using tooltest::Slots;

namespace {

uint32_t U32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | ((uint32_t)b[at + 3] << 24);
}
unsigned U16(const std::vector<unsigned char>& b, size_t at) { return b[at] | (b[at + 1] << 8); }

bool Contains(const std::vector<unsigned char>& bytes, const char* text) {
    return std::search(bytes.begin(), bytes.end(), text, text + strlen(text)) != bytes.end();
}

class BuilderTest : public testing::Test {
protected:
    qrvtest::TempDir dir;
    RecordingProgress progress;
    wchar_t errorText[FORMAT_ERROR_CHARS] = {};
    std::vector<std::wstring> three = {qrvtest::Fixture(L"batch_photo.jpg"), qrvtest::Fixture(L"batch_palette.gif"),
                                       qrvtest::Fixture(L"batch_alpha.png")};
    std::wstring Broken() {
        std::wstring path = dir.File(L"broken.png");
        qrvtest::WriteAll(path, "not a picture", 13);
        return path;
    }
};

TEST(GifScreen, PackedByteByDepth) {
    EXPECT_EQ(GifScreenPackedByte(1), 0x80);
    EXPECT_EQ(GifScreenPackedByte(4), 0xE3);
    EXPECT_EQ(GifScreenPackedByte(8), 0xE7);
}

TEST_F(BuilderTest, GifHasTheFirstFramesScreenAndOneDelayedFramePerFile) {
    std::wstring gif = dir.File(L"Animation.gif");
    auto slots = Slots(three);
    ASSERT_TRUE(WriteAnimatedGIF(progress, gif.c_str(), slots.data(), errorText, 3, 100)) << qrvtest::Narrow(errorText);
    auto b = qrvtest::ReadAll(gif);
    ASSERT_GT(b.size(), 13u + 768u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
    EXPECT_EQ(U16(b, 6), 64u);
    EXPECT_EQ(U16(b, 8), 48u);
    EXPECT_EQ(b[10], 0xE7);
    EXPECT_EQ(b[11], 0);
    EXPECT_EQ(b[12], 0);
    size_t gce = 13 + 768;
    EXPECT_EQ(b[gce], 0x21);
    EXPECT_EQ(b[gce + 1], 0xF9);
    EXPECT_EQ(b[gce + 2], 0x04);
    EXPECT_EQ(b[gce + 3], 0x00);
    EXPECT_EQ(U16(b, gce + 4), 10u);
    EXPECT_EQ(b.back(), 0x3B);
    EXPECT_FALSE(Contains(b, "NETSCAPE"));
    EXPECT_EQ(HostOutput("identify -format '%T %wx%h\\n' " + Quoted(gif)), "10 64x48\n10 40x30\n10 40x30\n");
    EXPECT_EQ(progress.ends, 1);
}

TEST_F(BuilderTest, GifOfTransparentAndTwoColourFramesAndAClampedDelay) {
    std::wstring gif = dir.File(L"t.gif");
    auto slots = Slots({qrvtest::Fixture(L"gif_transparent.gif")});
    ASSERT_TRUE(WriteAnimatedGIF(progress, gif.c_str(), slots.data(), errorText, 1, 700000));
    auto b = qrvtest::ReadAll(gif);
    size_t gce = 13 + 3 * 16;
    ASSERT_EQ(b[10], 0xE3);
    EXPECT_EQ(b[gce + 3], 0x09);
    EXPECT_EQ(U16(b, gce + 4), 65535u);  // clamped, not wrapped

    std::wstring mono = dir.File(L"m.gif");
    auto monoSlots = Slots({qrvtest::Fixture(L"batch_mono.bmp")});
    ASSERT_TRUE(WriteAnimatedGIF(progress, mono.c_str(), monoSlots.data(), errorText, 1, 100));
    auto m = qrvtest::ReadAll(mono);
    EXPECT_EQ(m[10], 0x80);
    EXPECT_EQ(m[13 + 6], 0x21);  // the GCE right after the two-entry table
}

TEST_F(BuilderTest, CancelOrAnUnreadableFrameLeavesAFinishedFile) {
    std::wstring gif = dir.File(L"c.gif");
    auto slots = Slots(three);
    progress.cancelAfter = 2;
    EXPECT_TRUE(WriteAnimatedGIF(progress, gif.c_str(), slots.data(), errorText, 3, 100));
    EXPECT_EQ(HostOutput("identify -format '%T\\n' " + Quoted(gif)), "10\n10\n");

    RecordingProgress second;
    auto broken = Slots({three[0], three[1], Broken()});
    std::wstring mng = dir.File(L"c.mng");
    EXPECT_FALSE(WriteMNGAnimation(second, mng.c_str(), broken.data(), errorText, 3, 100));
    EXPECT_NE(errorText[0], 0);
    EXPECT_EQ(qrvtest::RunHost("pngcheck -q " + Quoted(mng)), 0);
    EXPECT_EQ(HostOutput("identify -format '%wx%h\\n' " + Quoted(mng)), "64x48\n64x48\n");  // two frames
}

TEST_F(BuilderTest, FirstFileUnreadableLeavesNoOutput) {
    auto slots = Slots({Broken(), three[0]});
    std::wstring gif = dir.File(L"f.gif"), mng = dir.File(L"f.mng");
    EXPECT_FALSE(WriteAnimatedGIF(progress, gif.c_str(), slots.data(), errorText, 2, 100));
    EXPECT_STREQ(errorText, L"Failed: Loading first media!");
    EXPECT_FALSE(qrvtest::FileExists(gif));
    EXPECT_FALSE(WriteMNGAnimation(progress, mng.c_str(), slots.data(), errorText, 2, 100));
    EXPECT_STREQ(errorText, L"Failed: Loading first media!");
    EXPECT_FALSE(qrvtest::FileExists(mng));
    EXPECT_EQ(progress.ends, 2);
}

TEST_F(BuilderTest, OutputThatCannotBeOpened) {
    std::wstring missing = dir.File(L"no\\such\\folder\\x");
    auto slots = Slots(three);
    EXPECT_FALSE(WriteAnimatedGIF(progress, missing.c_str(), slots.data(), errorText, 3, 100));
    EXPECT_STREQ(errorText, L"Couldn't open GIF for writing");
    EXPECT_FALSE(WriteDCX(progress, missing.c_str(), slots.data(), errorText, 3));
    EXPECT_STREQ(errorText, L"Couldn't open dcxfile for writing!");
    EXPECT_FALSE(WriteMultipageTIFF(progress, missing.c_str(), slots.data(), errorText, 3, 3));
    EXPECT_STREQ(errorText, L"Couldn't open TIFFFile for writing!");
}

TEST_F(BuilderTest, MngHeaderTermAndFrames) {
    std::wstring mng = dir.File(L"Animation.mng");
    auto slots = Slots(three);
    ASSERT_TRUE(WriteMNGAnimation(progress, mng.c_str(), slots.data(), errorText, 3, 100))
        << qrvtest::Narrow(errorText);
    std::string check = HostOutput("pngcheck -v " + Quoted(mng));
    EXPECT_NE(check.find("64 x 48"), std::string::npos) << check;
    EXPECT_NE(check.find("100 ticks per second"), std::string::npos) << check;
    EXPECT_NE(check.find("4 layers"), std::string::npos) << check;
    EXPECT_NE(check.find("3 frames"), std::string::npos) << check;
    EXPECT_NE(check.find("No errors"), std::string::npos) << check;
    auto b = qrvtest::ReadAll(mng);
    // TERM: action 3, after-term action 2, delay 0, iteration maximum 0x7FFFFFFF.
    auto term = std::search(b.begin(), b.end(), "TERM", "TERM" + 4) - b.begin();
    ASSERT_LT((size_t)term, b.size());
    EXPECT_EQ(b[term + 4], 3);
    EXPECT_EQ(b[term + 5], 2);
    EXPECT_EQ(b[term + 6] | b[term + 7] | b[term + 8] | b[term + 9], 0);
    EXPECT_EQ(b[term + 10], 0x7F);
    EXPECT_EQ(b[term + 11] & b[term + 12] & b[term + 13], 0xFF);
    // FRAM: framing mode 1, no name, the interframe delay changed for good, 100 ticks.
    auto fram = std::search(b.begin(), b.end(), "FRAM", "FRAM" + 4) - b.begin();
    ASSERT_LT((size_t)fram, b.size());
    EXPECT_EQ(b[fram + 4], 1);
    EXPECT_EQ(b[fram + 5], 0);
    EXPECT_EQ(b[fram + 6], 2);
    EXPECT_EQ((b[fram + 10] << 24) | (b[fram + 11] << 16) | (b[fram + 12] << 8) | b[fram + 13], 100);
    // The frames read back upright and in RGB order: the first is the JPEG.
    std::string metric = HostOutput("compare -metric RMSE " + Quoted(mng) + "[0] " + Quoted(three[0]) +
                                    " null: 2>&1 | sed 's/.*(//; s/)//'");
    EXPECT_LT(atof(metric.c_str()), 0.02) << metric;
}

TEST_F(BuilderTest, TiffPagesTakeTheirCompressionByDepth) {
    std::wstring tif = dir.File(L"Multipage.tif");
    auto slots = Slots({qrvtest::Fixture(L"batch_mono.bmp"), qrvtest::Fixture(L"batch_palette.gif"), three[0]});
    ASSERT_TRUE(WriteMultipageTIFF(progress, tif.c_str(), slots.data(), errorText, 3, 3)) << qrvtest::Narrow(errorText);
    std::string info = HostOutput("tiffinfo " + Quoted(tif));
    size_t g4 = info.find("CCITT Group 4"), deflate = info.find("Deflate"), jpeg = info.find("JPEG");
    EXPECT_NE(g4, std::string::npos) << info;
    EXPECT_NE(deflate, std::string::npos) << info;
    EXPECT_NE(jpeg, std::string::npos) << info;
    EXPECT_LT(g4, deflate);
    EXPECT_LT(deflate, jpeg);
    EXPECT_EQ(HostOutput("identify -format '%wx%h\\n' " + Quoted(tif)), "24x16\n40x30\n64x48\n");
}

TEST_F(BuilderTest, DcxTableAndPages) {
    std::wstring dcx = dir.File(L"Multipage.dcx");
    auto slots = Slots(three);
    ASSERT_TRUE(WriteDCX(progress, dcx.c_str(), slots.data(), errorText, 3)) << qrvtest::Narrow(errorText);
    auto b = qrvtest::ReadAll(dcx);
    ASSERT_GT(b.size(), 4100u);
    EXPECT_EQ(b[0], 0xB1);
    EXPECT_EQ(b[1], 0x68);
    EXPECT_EQ(b[2], 0xDE);
    EXPECT_EQ(b[3], 0x3A);
    EXPECT_EQ(U32(b, 4), 4100u);
    EXPECT_GT(U32(b, 8), 4100u);
    EXPECT_GT(U32(b, 12), U32(b, 8));
    for (int i = 3; i < 1024; ++i) ASSERT_EQ(U32(b, 4 + 4 * i), 0u) << i;
    const char* sizes[] = {"64x48", "40x30", "40x30"};
    for (int page = 0; page < 3; ++page) {
        EXPECT_EQ(HostOutput("identify -format '%wx%h' " + Quoted(dcx) + "'[" + std::to_string(page) + "]'"),
                  sizes[page]);
    }
}

TEST_F(BuilderTest, DcxOverItsTableIsRefusedBeforeWriting) {
    std::wstring dcx = dir.File(L"big.dcx");
    std::vector<std::wstring> many(1024, three[0]);
    auto slots = Slots(many);
    EXPECT_FALSE(WriteDCX(progress, dcx.c_str(), slots.data(), errorText, 1024));
    EXPECT_STREQ(errorText, L"A DCX file holds at most 1023 pages!");
    EXPECT_FALSE(qrvtest::FileExists(dcx));
    EXPECT_EQ(progress.items, 0);
}

}  // namespace

namespace {

class AnimationDialogTest : public testing::Test {
protected:
    qrvtest::SettingsKeeper keep;
    qrvtest::TempDir out;
    HWND dialog = nullptr;
    void Open(UINT kind) {
        CopyStringW(AppState::CreateAnimationOutputDirectory, out.Path().c_str());
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), L"CREATEANIMATIONDLG", nullptr, CreateAnimationDlgProc,
                                    (LPARAM)kind);
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override {
        if (dialog) DestroyWindow(dialog);
    }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
    std::wstring Text(int id) {
        wchar_t text[MAX_PATH] = {};
        GetDlgItemTextW(dialog, id, text, MAX_PATH);
        return text;
    }
};

TEST_F(AnimationDialogTest, KindDecidesNameAndControls) {
    struct Case {
        UINT kind;
        const wchar_t* name;
        bool delay, compression;
    } cases[] = {
        {IDM_CREATE_GIF, L"Animation.gif", true, false},
        {IDM_CREATE_MNG, L"Animation.mng", true, false},
        {IDM_CREATE_TIF, L"Multipage.tif", false, true},
        {IDM_CREATE_DCX, L"Multipage.dcx", false, false},
    };
    for (const auto& c : cases) {
        Open(c.kind);
        EXPECT_EQ(Text(IDC_ANIM_NAME), c.name);
        EXPECT_EQ(Enabled(IDC_ANIM_DELAY), c.delay) << c.kind;
        EXPECT_EQ(Enabled(IDC_ANIM_COMPRESSION), c.compression) << c.kind;
        EXPECT_FALSE(Enabled(IDOK));
        EXPECT_EQ(Text(IDC_ANIM_DELAY), L"100");
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_ANIM_COMPRESSION, CB_GETCURSEL, 0, 0), 3);
        DestroyWindow(dialog);
        dialog = nullptr;
    }
}

TEST_F(AnimationDialogTest, CreateWritesOneFramePerListedPicture) {
    Open(IDM_CREATE_GIF);
    for (auto name : {L"batch_photo.jpg", L"batch_palette.gif", L"batch_order.png"})
        SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_ADDSTRING, 0, (LPARAM)qrvtest::Fixture(name).c_str());
    qrvtest::MessageCapture capture;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(capture.messages.empty());
    EXPECT_EQ(HostOutput("identify -format '%T\\n' " + Quoted(out.File(L"Animation.gif"))), "10\n10\n10\n");
    // An output name that cannot be opened: the builder's text after "Failed at: ".
    SetDlgItemTextW(dialog, IDC_ANIM_NAME, L"no\\such\\x.gif");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Failed at: Couldn't open GIF for writing");
}

}  // namespace
