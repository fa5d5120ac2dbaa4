#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app_filedialogs_ids.h"
#include "formats/Formats.h"
#include "formats/SaveDispatch.h"
#include "image/Registry.h"
#include "support/SettingsKeeper.h"
#include "support/TestSupport.h"
#include "tools/BatchProcess.h"
#include "tools/BatchSettings.h"
#include "tools/ToolTestSupport.h"
#include "tools_ids.h"

using tooltest::CopyFixture;
using tooltest::HostOutput;
using tooltest::Quoted;
using tooltest::RecordingProgress;
using tooltest::Slots;

namespace {

constexpr int kPng = 8, kBmp = 0, kJpg = 2;

// Every test starts from the default batch settings, output into its own folder.
class BatchRunTest : public testing::Test {
protected:
    qrvtest::SettingsKeeper keep;
    qrvtest::TempDir in, out;
    RecordingProgress progress;
    wchar_t errorText[FORMAT_ERROR_CHARS] = {};
    void SetUp() override {
        ResetBatchProcessSettings();
        AppState::BatchProcessMaintainFileTime = 0;
        AppState::BatchProcessOutputFormat = kPng;
        CopyStringW(AppState::BatchProcessOutputDirectory, out.Path().c_str());
    }
    void TearDown() override { ResetBatchProcessSettings(); }
    bool Run(const std::vector<std::wstring>& paths) {
        auto slots = Slots(paths);
        return RunBatchProcess(progress, slots.data(), (int)paths.size(), errorText);
    }
    // "width height" of an output as ImageMagick reads it.
    static std::string Size(const std::wstring& path) { return HostOutput("identify -format '%w %h' " + Quoted(path)); }
};

TEST(BatchRules, ResizeTargets) {
    struct Case {
        int w, h;
        BatchResizeSettings s;
        BatchResizeKind kind;
        int tw, th;
    } cases[] = {
        {3, 3, {0, 50, 50, false, 0}, BATCH_RESIZE_DRAW_SCALED, 1, 1},  // an exact half goes down
        {10, 10, {0, 1, 1, false, 0}, BATCH_RESIZE_DRAW_SCALED, 1, 1},  // below 1 pixel becomes 1
        {100, 100, {2, 10, 10, false, 0}, BATCH_RESIZE_RESAMPLE, 377, 377},
        {100, 100, {3, 2, 2, false, 0}, BATCH_RESIZE_RESAMPLE, 192, 192},
        {64, 48, {1, 10, 999, true, 0}, BATCH_RESIZE_DRAW_SCALED, 10, 7},  // th = floor(H * tw / W)
        {64, 48, {1, 100, 10, false, 0}, BATCH_RESIZE_RESAMPLE, 100, 10},  // not smaller both ways
        {64, 48, {1, 100, 100, false, 1}, BATCH_RESIZE_NONE, 100, 100},    // only larger images
        {64, 48, {1, 10, 10, false, 2}, BATCH_RESIZE_NONE, 10, 10},        // only smaller images
        {64, 48, {1, 10, 10, false, 1}, BATCH_RESIZE_DRAW_SCALED, 10, 10},
        {64, 48, {1, 100, 100, false, 2}, BATCH_RESIZE_RESAMPLE, 100, 100},
    };
    for (const auto& c : cases) {
        BatchResizePlan plan = PlanBatchResize(c.w, c.h, c.s, 96, 96);
        EXPECT_EQ(plan.kind, c.kind) << c.w << "x" << c.h << " unit " << c.s.unit << " " << c.s.width;
        EXPECT_EQ(plan.width, c.tw) << c.w << "x" << c.h << " unit " << c.s.unit << " " << c.s.width;
        EXPECT_EQ(plan.height, c.th) << c.w << "x" << c.h << " unit " << c.s.unit << " " << c.s.width;
    }
}

TEST(BatchRules, TargetPaths) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* source;
        const wchar_t* target;
    } cases[] = {
        {L"C:\\out", L"D:\\in\\photo.tar.jpg", L"C:\\out\\photo.tar.png"},
        {L"C:\\out\\", L"D:\\in\\a.JPG", L"C:\\out\\a.png"},
        {L"C:\\out", L"D:\\in\\README", L"C:\\out\\README.png"},
    };
    for (const auto& c : cases) {
        wchar_t out[MAX_PATH];
        EXPECT_TRUE(BatchTargetPath(out, c.folder, c.source, L"png"));
        EXPECT_STREQ(out, c.target);
    }
    wchar_t out[MAX_PATH];
    std::wstring folder = L"C:\\" + std::wstring(250, L'o');
    EXPECT_FALSE(BatchTargetPath(out, folder.c_str(), L"D:\\longname.jpg", L"png"));
    EXPECT_STREQ(out, L"");
    EXPECT_STREQ(BatchOutputFormatExtension(14), L"tif");
    EXPECT_EQ(BatchOutputFormatTab(2), 1);
    EXPECT_EQ(BatchOutputFormatTab(8), 3);
    EXPECT_EQ(BatchOutputFormatTab(0), 0);
}

TEST_F(BatchRunTest, ConvertsEveryKindWithTheResize) {
    AppState::BatchProcessResize = 1;
    AppState::BatchProcessResizeUnitType = 1;
    AppState::BatchProcessResizeWidth = 20;
    AppState::BatchProcessResizeMaintainAspectRatio = 1;
    std::vector<std::wstring> sources = {qrvtest::Fixture(L"batch_photo.jpg"), qrvtest::Fixture(L"batch_alpha.png"),
                                         qrvtest::Fixture(L"batch_palette.gif"), qrvtest::Fixture(L"batch_deep.tif")};
    EXPECT_TRUE(Run(sources)) << qrvtest::Narrow(errorText);
    EXPECT_EQ(progress.begun, 4);
    EXPECT_EQ(progress.texts, (std::vector<std::wstring>{L"1/4", L"2/4", L"3/4", L"4/4"}));
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(Size(out.File(L"batch_photo.png")), "20 15");
    EXPECT_EQ(Size(out.File(L"batch_alpha.png")), "20 15");
    EXPECT_EQ(Size(out.File(L"batch_palette.png")), "20 15");
    EXPECT_EQ(Size(out.File(L"batch_deep.png")), "20 13");
    for (auto name : {L"batch_photo.png", L"batch_alpha.png", L"batch_palette.png", L"batch_deep.png"}) {
        EXPECT_EQ(qrvtest::RunHost("pngcheck -q " + Quoted(out.File(name))), 0) << qrvtest::Narrow(name);
    }
}

TEST_F(BatchRunTest, DepthStepSetsTheWrittenDepth) {
    AppState::BatchProcessOutputFormat = kBmp;
    AppState::BatchProcessColorDepth = 1;
    for (int value : {0, 1, 2, 4}) {
        static const int kBits[] = {1, 4, 8, 16, 24, 32};
        AppState::BatchProcessColorDepthValue = value;
        ASSERT_TRUE(Run({qrvtest::Fixture(L"batch_photo.jpg")})) << qrvtest::Narrow(errorText);
        auto bytes = qrvtest::ReadAll(out.File(L"batch_photo.bmp"));
        ASSERT_GT(bytes.size(), 30u);
        EXPECT_EQ(bytes[28], kBits[value]) << value;
    }
}

TEST_F(BatchRunTest, StepsRunInTheirOrder) {
    // Mirror, then invert, then the left turn: ImageMagick's -flop -negate -rotate -90.
    AppState::BatchProcessMirror = 1;
    AppState::BatchProcessInvert = 1;
    AppState::BatchProcessRotate90L = 1;
    ASSERT_TRUE(Run({qrvtest::Fixture(L"batch_order.png")})) << qrvtest::Narrow(errorText);
    std::wstring reference = out.File(L"reference.png");
    ASSERT_EQ(qrvtest::RunHost("convert " + Quoted(qrvtest::Fixture(L"batch_order.png")) +
                               " -flop -negate -rotate -90 PNG24:" + Quoted(reference)),
              0);
    EXPECT_EQ(Size(out.File(L"batch_order.png")), "11 17");
    EXPECT_EQ(HostOutput("compare -metric AE " + Quoted(out.File(L"batch_order.png")) + " " + Quoted(reference) +
                         " null: 2>&1 | cat"),
              "0");
}

TEST_F(BatchRunTest, WatermarkGoesToTheBottomRightCorner) {
    AppState::BatchProcessApplyWatermarkImage = 1;
    CopyStringW(AppState::BatchProcessWatermarkFilename, qrvtest::Fixture(L"batch_mark.png").c_str());
    ASSERT_TRUE(Run({qrvtest::Fixture(L"batch_black.png")})) << qrvtest::Narrow(errorText);
    std::string pixels = HostOutput("convert " + Quoted(out.File(L"batch_black.png")) +
                                    " -format '%[fx:int(255*p{39,29}.r)] %[fx:int(255*p{32,24}.r)] "
                                    "%[fx:int(255*p{31,29}.r)] %[fx:int(255*p{39,23}.r)]' info:");
    int corner = -1, inner = -1, left = -1, above = -1;
    ASSERT_EQ(sscanf(pixels.c_str(), "%d %d %d %d", &corner, &inner, &left, &above), 4) << pixels;
    EXPECT_NEAR(corner, 127, 2);
    EXPECT_NEAR(inner, 127, 2);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(above, 0);
}

TEST_F(BatchRunTest, CollidingTargetsTakeFreeNamesAndSourcesGoOnlyAfterTheirSave) {
    // a.jpg would become a.png, a source still to come; a.png is converted onto itself.
    AppState::BatchProcessDeleteSourceAfterConversion = 1;
    CopyStringW(AppState::BatchProcessOutputDirectory, in.Path().c_str());
    std::wstring jpg = CopyFixture(in, L"batch_photo.jpg", L"a.jpg");
    std::wstring png = CopyFixture(in, L"batch_order.png", L"A.PNG");
    ASSERT_TRUE(Run({jpg, png})) << qrvtest::Narrow(errorText);
    EXPECT_FALSE(qrvtest::FileExists(jpg));  // converted, then to the recycle bin
    EXPECT_TRUE(qrvtest::FileExists(png));   // written over itself: kept
    EXPECT_EQ(Size(in.File(L"a (1).png")), "64 48");
    EXPECT_EQ(Size(png), "17 11");
}

TEST_F(BatchRunTest, LaterSourceIsNeverOverwrittenByAnEarlierTarget) {
    CopyStringW(AppState::BatchProcessOutputDirectory, in.Path().c_str());
    std::wstring png = CopyFixture(in, L"batch_order.png", L"b.png");
    std::wstring jpg = CopyFixture(in, L"batch_photo.jpg", L"b.jpg");
    std::wstring gif = CopyFixture(in, L"batch_palette.gif", L"b.gif");
    ASSERT_TRUE(Run({png, jpg, gif})) << qrvtest::Narrow(errorText);
    EXPECT_EQ(Size(png), "17 11");
    EXPECT_EQ(Size(in.File(L"b (1).png")), "64 48");
    EXPECT_EQ(Size(in.File(L"b (2).png")), "40 30");
}

TEST_F(BatchRunTest, FailedSaveKeepsTheSourceAndNamesEachFile) {
    AppState::BatchProcessDeleteSourceAfterConversion = 1;
    std::wstring a = CopyFixture(in, L"batch_photo.jpg", L"one.jpg");
    std::wstring b = CopyFixture(in, L"batch_order.png", L"two.png");
    SaveFinishedHook previous = SetSaveFinishedHook([](const wchar_t*, wchar_t* text) {
        SetFormatError(text, L"disk full");
        return false;
    });
    qrvtest::MessageCapture capture;
    EXPECT_FALSE(Run({a, b}));
    SetSaveFinishedHook(previous);
    ASSERT_EQ(capture.messages.size(), 2u);
    EXPECT_EQ(capture.messages[0], L"Failed to save: " + out.File(L"one.png") + L"\ndisk full");
    EXPECT_EQ(capture.messages[1], L"Failed to save: " + out.File(L"two.png") + L"\ndisk full");
    EXPECT_STREQ(errorText, L"disk full");
    EXPECT_TRUE(qrvtest::FileExists(a));
    EXPECT_TRUE(qrvtest::FileExists(b));
}

TEST_F(BatchRunTest, UnreadableFileIsNamedAndTheRunGoesOn) {
    std::wstring bad = in.File(L"broken.png");
    qrvtest::WriteAll(bad, "not a picture", 13);
    qrvtest::MessageCapture capture;
    EXPECT_TRUE(Run({bad, qrvtest::Fixture(L"batch_order.png")}));
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Failed to load: " + bad);
    EXPECT_FALSE(qrvtest::FileExists(out.File(L"broken.png")));
    EXPECT_TRUE(qrvtest::FileExists(out.File(L"batch_order.png")));
    EXPECT_FALSE(Run({}));
}

TEST_F(BatchRunTest, TargetThatCannotBeAllocatedFailsThatFile) {
    AppState::BatchProcessResize = 1;
    AppState::BatchProcessResizeUnitType = 1;
    AppState::BatchProcessResizeWidth = 200000;
    AppState::BatchProcessResizeHeight = 200000;
    qrvtest::MessageCapture capture;
    EXPECT_FALSE(Run({qrvtest::Fixture(L"batch_order.png")}));
    EXPECT_STREQ(errorText, L"Failed to resize the image to 200000 x 200000 pixels!");
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Failed to convert: " + qrvtest::Fixture(L"batch_order.png") + L"\n" + errorText);
    EXPECT_FALSE(qrvtest::FileExists(out.File(L"batch_order.png")));
}

TEST_F(BatchRunTest, FileTimesAreKept) {
    AppState::BatchProcessMaintainFileTime = 1;
    std::wstring source = CopyFixture(in, L"batch_order.png", L"timed.png");
    SYSTEMTIME noon = {2004, 3, 0, 14, 12, 0, 0, 0};
    FILETIME written, created, accessed;
    SystemTimeToFileTime(&noon, &written);
    noon.wYear = 2003;
    SystemTimeToFileTime(&noon, &created);
    noon.wYear = 2005;
    SystemTimeToFileTime(&noon, &accessed);
    HANDLE file = CreateFileW(source.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, &created, &accessed, &written);
    CloseHandle(file);
    // What the file system holds of them (a creation time may not be settable here).
    WIN32_FILE_ATTRIBUTE_DATA before = {};
    ASSERT_TRUE(GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &before));
    ASSERT_EQ(CompareFileTime(&before.ftLastWriteTime, &written), 0);
    AppState::BatchProcessOutputFormat = kBmp;
    ASSERT_TRUE(Run({source}));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(out.File(L"timed.bmp").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &written), 0);
    EXPECT_EQ(CompareFileTime(&data.ftCreationTime, &before.ftCreationTime), 0);
    EXPECT_EQ(CompareFileTime(&data.ftLastAccessTime, &before.ftLastAccessTime), 0);
}

TEST_F(BatchRunTest, CancelStopsAfterTheCurrentFile) {
    progress.cancelAfter = 1;
    Run({qrvtest::Fixture(L"batch_order.png"), qrvtest::Fixture(L"batch_black.png")});
    EXPECT_TRUE(qrvtest::FileExists(out.File(L"batch_order.png")));
    EXPECT_FALSE(qrvtest::FileExists(out.File(L"batch_black.png")));
    EXPECT_EQ(progress.ends, 1);
}

TEST(BatchSettingsStore, LoadAndSaveUnderTheKeyGiven) {
    const wchar_t* key = L"Software\\QuorvaneTests\\Batch";
    CRegistry registry(HKEY_CURRENT_USER);
    registry.Delete(key, nullptr);
    AppState::BatchProcessGammaValue = 3;
    LoadBatchProcessSettings(key);
    EXPECT_EQ(AppState::BatchProcessGammaValue, 10);
    EXPECT_EQ(AppState::BatchProcessWatermarkTransparency, 127);
    EXPECT_STREQ(AppState::BatchProcessOutputDirectory, L"C:\\Temp");
    AppState::BatchProcessContrastValue = -40;
    CopyStringW(AppState::BatchProcessWatermarkFilename, L"C:\\mark.png");
    SaveBatchProcessSettings(key);
    ResetBatchProcessSettings();
    LoadBatchProcessSettings(key);
    EXPECT_EQ(AppState::BatchProcessContrastValue, -40);
    EXPECT_STREQ(AppState::BatchProcessWatermarkFilename, L"C:\\mark.png");
    registry.Delete(key, nullptr);
    ResetBatchProcessSettings();
}

// ---- the dialog, shown modeless on the test's display ----

class BatchDialogTest : public testing::Test {
protected:
    qrvtest::SettingsKeeper keep;
    qrvtest::TempDir out;
    HWND dialog = nullptr;
    const wchar_t* key = L"Software\\QuorvaneTests\\BatchDialog";
    CRegistry registry{HKEY_CURRENT_USER};
    void SetUp() override {
        registry.Delete(key, nullptr);
        registry.WriteString(key, L"BatchProcessOutputDirectory", out.Path().c_str());
        SetBatchProcessSettingsKey(key);
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), L"BATCHPROCESSDLG", nullptr, BatchProcessDlgProc, 0);
        ASSERT_NE(dialog, nullptr);
        ShowWindow(dialog, SW_SHOW);
        qrvtest::Pump();
    }
    void TearDown() override {
        if (dialog) DestroyWindow(dialog);
        SetBatchProcessSettingsKey(nullptr);
        registry.Delete(key, nullptr);
        ResetBatchProcessSettings();
    }
    void Click(int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)); }
    void ChooseFormat(int index) {
        SendDlgItemMessageW(dialog, IDC_BATCH_FORMAT, CB_SETCURSEL, index, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_BATCH_FORMAT, CBN_SELCHANGE),
                     (LPARAM)GetDlgItem(dialog, IDC_BATCH_FORMAT));
    }
    int Tab() { return (int)SendDlgItemMessageW(dialog, IDC_BATCH_TAB, TCM_GETCURSEL, 0, 0); }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
};

std::wstring g_chosen;
BOOL WINAPI AnswerOpenDialog(OPENFILENAMEW* ofn) {
    wcsncpy(ofn->lpstrFile, g_chosen.c_str(), ofn->nMaxFile - 1);
    ofn->lpstrFile[g_chosen.size() + 1] = 0;
    return TRUE;
}

TEST_F(BatchDialogTest, TabAndPanelFollowTheFormat) {
    EXPECT_FALSE(Enabled(IDC_BATCH_TAB));
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_BATCH_TAB, TCM_GETITEMCOUNT, 0, 0), 9);
    EXPECT_EQ(Tab(), 0);
    EXPECT_EQ(FormatOptionsPanel, nullptr);
    ChooseFormat(kJpg);
    EXPECT_EQ(Tab(), 1);
    ASSERT_NE(FormatOptionsPanel, nullptr);
    RECT tab, panel;
    GetWindowRect(GetDlgItem(dialog, IDC_BATCH_TAB), &tab);
    GetWindowRect(FormatOptionsPanel, &panel);
    EXPECT_EQ(panel.left, tab.left + 2);
    EXPECT_EQ(panel.top, tab.top + 22);
    EXPECT_EQ(panel.right - panel.left, tab.right - tab.left - 6);
    EXPECT_EQ(panel.bottom - panel.top, tab.bottom - tab.top - 26);
    ChooseFormat(14);
    EXPECT_EQ(Tab(), 8);
    ChooseFormat(1);
    EXPECT_EQ(Tab(), 0);
    EXPECT_EQ(FormatOptionsPanel, nullptr);
}

TEST_F(BatchDialogTest, UnitLabelsAndEnablingRules) {
    const wchar_t* units[] = {L"%", L"Pixel", L"cm", L"inch"};
    for (int unit = 0; unit < 4; ++unit) {
        SendDlgItemMessageW(dialog, IDC_BATCH_UNIT, CB_SETCURSEL, unit, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_BATCH_UNIT, CBN_SELCHANGE), 0);
        wchar_t w[16] = {}, h[16] = {};
        GetDlgItemTextW(dialog, IDC_BATCH_WIDTH_UNIT, w, 16);
        GetDlgItemTextW(dialog, IDC_BATCH_HEIGHT_UNIT, h, 16);
        EXPECT_STREQ(w, units[unit]);
        EXPECT_STREQ(h, units[unit]);
    }
    EXPECT_FALSE(Enabled(IDC_BATCH_WIDTH));
    CheckDlgButton(dialog, IDC_BATCH_RESIZE, BST_CHECKED);
    Click(IDC_BATCH_RESIZE);
    EXPECT_TRUE(Enabled(IDC_BATCH_WIDTH));
    EXPECT_TRUE(Enabled(IDC_BATCH_HEIGHT));
    EXPECT_TRUE(Enabled(IDC_BATCH_SIZE_FILTER));
    CheckDlgButton(dialog, IDC_BATCH_ASPECT, BST_CHECKED);
    Click(IDC_BATCH_ASPECT);
    EXPECT_FALSE(Enabled(IDC_BATCH_HEIGHT));
    EXPECT_EQ(AppState::BatchProcessResize, 1);
    EXPECT_FALSE(Enabled(IDC_BATCH_SHARPEN_VALUE));
    CheckDlgButton(dialog, IDC_BATCH_SHARPEN, BST_CHECKED);
    Click(IDC_BATCH_SHARPEN);
    EXPECT_TRUE(Enabled(IDC_BATCH_SHARPEN_VALUE));
    EXPECT_FALSE(Enabled(IDC_BATCH_WATERMARK_BROWSE));
    CheckDlgButton(dialog, IDC_BATCH_WATERMARK, BST_CHECKED);
    Click(IDC_BATCH_WATERMARK);
    EXPECT_TRUE(Enabled(IDC_BATCH_WATERMARK_BROWSE));
}

TEST_F(BatchDialogTest, WatermarkMustBe32Bit) {
    OpenFileDialogFunction previous = SetListOpenDialog(AnswerOpenDialog);
    qrvtest::MessageCapture capture;
    g_chosen = qrvtest::Fixture(L"batch_photo.jpg");
    Click(IDC_BATCH_WATERMARK_BROWSE);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Only 32bit Images with Alpha Channel can be used as Watermark image!");
    g_chosen = qrvtest::Fixture(L"batch_mark.png");
    Click(IDC_BATCH_WATERMARK_BROWSE);
    EXPECT_EQ(capture.messages.size(), 1u);
    wchar_t shown[MAX_PATH] = {};
    GetDlgItemTextW(dialog, IDC_BATCH_WATERMARK_FILE, shown, MAX_PATH);
    EXPECT_EQ(shown, g_chosen);
    SetListOpenDialog(previous);
}

TEST_F(BatchDialogTest, SettingsAreWrittenOnProcessOnly) {
    CheckDlgButton(dialog, IDC_BATCH_MIRROR, BST_CHECKED);
    EXPECT_EQ(registry.ReadDword(key, L"BatchProcessMirror", 7), 7u);
    SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_ADDSTRING, 0, (LPARAM)qrvtest::Fixture(L"batch_order.png").c_str());
    qrvtest::MessageCapture capture;
    Click(IDOK);
    EXPECT_TRUE(capture.messages.empty());
    EXPECT_EQ(registry.ReadDword(key, L"BatchProcessMirror", 7), 1u);
    EXPECT_TRUE(qrvtest::FileExists(out.File(L"batch_order.bmp")));
    EXPECT_EQ(BatchProcessIdle, 1);
    // Nothing listed: the run fails and says so with an empty text.
    Click(IDC_LIST_REMOVE_ALL);
    Click(IDOK);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Failed at: ");
}

TEST_F(BatchDialogTest, JpegQualityOfTheShownPanelIsTheOneWritten) {
    ChooseFormat(kJpg);
    ASSERT_NE(FormatOptionsPanel, nullptr);
    SendDlgItemMessageW(FormatOptionsPanel, IDC_JPG_QUALITY, TBM_SETPOS, TRUE, 23);
    SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_ADDSTRING, 0, (LPARAM)qrvtest::Fixture(L"batch_photo.jpg").c_str());
    Click(IDOK);
    EXPECT_EQ(HostOutput("identify -format '%Q' " + Quoted(out.File(L"batch_photo.jpg"))), "23");
}

}  // namespace
