#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "formats/Formats.h"
#include "support/TestSupport.h"
#include "tools/BatchRename.h"
#include "tools/ToolTestSupport.h"
#include "tools_ids.h"

using tooltest::RecordingProgress;
using tooltest::Slots;

namespace {

FILETIME NoonUtc(WORD year, WORD month, WORD day) {
    SYSTEMTIME noon = {year, month, 0, day, 12, 0, 0, 0};
    FILETIME time;
    SystemTimeToFileTime(&noon, &time);
    return time;
}

std::wstring Expand(const wchar_t* name, const wchar_t* pattern, unsigned counter,
                    FILETIME time = NoonUtc(2004, 3, 14)) {
    wchar_t out[MAX_PATH];
    if (!ExpandRenamePattern(out, name, pattern, counter, time)) return L"<refused>";
    return out;
}

TEST(RenamePattern, Rows) {
    struct Case {
        const wchar_t* name;
        const wchar_t* pattern;
        unsigned counter;
        const wchar_t* result;
    } cases[] = {
        {L"IMG_0001.JPG", L"Holiday_###_$D", 7, L"Holiday_007_2004-03-14.JPG"},
        {L"a.png", L"#", 1, L"1.png"},
        {L"a.png", L"#", 11, L"11.png"},
        {L"a.png", L"###", 1, L"001.png"},
        {L"a.png", L"############", 1, L"000000001.png"},
        {L"a.png", L"$x", 1, L"x.png"},
        {L"a.png", L"*$", 1, L"a.png"},
        {L"a.b.png", L"*_#", 2, L"a.b_2.png"},
        {L"README", L"*_#", 3, L"README_3"},  // no "." keeps no extension
        {L"a.png", L"$d", 1, L"2004-03-14.png"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Expand(c.name, c.pattern, c.counter), c.result) << qrvtest::Narrow(c.pattern);
    }
    // The time in local time, as the file system shows it.
    FILETIME time = NoonUtc(2004, 3, 14);
    SYSTEMTIME utc, local;
    FileTimeToSystemTime(&time, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    wchar_t expected[64];
    swprintf(expected, 64, L"%.2dh%.2dm%.2ds.jpg", local.wHour, local.wMinute, local.wSecond);
    EXPECT_EQ(Expand(L"x.jpg", L"$T", 1, time), expected);
    // A name that would not fit is refused, never cut.
    std::wstring longPattern(300, L'n');
    EXPECT_EQ(Expand(L"a.png", longPattern.c_str(), 1), L"<refused>");
    std::wstring stars(4, L'*');
    std::wstring longName = std::wstring(100, L'b') + L".png";
    EXPECT_EQ(Expand(longName.c_str(), stars.c_str(), 1), L"<refused>");
}

class RenameRunTest : public testing::Test {
protected:
    qrvtest::TempDir dir;
    RecordingProgress progress;
    wchar_t errorText[FORMAT_ERROR_CHARS] = {};
    std::wstring Make(const wchar_t* name) {
        std::wstring path = dir.File(name);
        qrvtest::WriteAll(path, name, wcslen(name) * sizeof(wchar_t));
        return path;
    }
    bool Run(const std::vector<std::wstring>& paths, const wchar_t* pattern, unsigned start) {
        auto slots = Slots(paths);
        return RunBatchRename(progress, slots.data(), (int)paths.size(), pattern, start, errorText);
    }
};

TEST_F(RenameRunTest, NumbersTheFilesInListOrder) {
    auto a = Make(L"a.txt"), b = Make(L"b.txt");
    EXPECT_TRUE(Run({a, b}, L"pic_##", 9));
    EXPECT_TRUE(qrvtest::FileExists(dir.File(L"pic_09.txt")));
    EXPECT_TRUE(qrvtest::FileExists(dir.File(L"pic_10.txt")));
    EXPECT_EQ(progress.texts, (std::vector<std::wstring>{L"1/2", L"2/2"}));
    EXPECT_EQ(progress.ends, 1);
}

TEST_F(RenameRunTest, StarAloneRenamesOntoItself) {
    auto a = Make(L"a.txt");
    EXPECT_TRUE(Run({a}, L"*", 1));
    EXPECT_TRUE(qrvtest::FileExists(a));
}

TEST_F(RenameRunTest, SameNameForEveryFileFailsAtTheSecond) {
    auto a = Make(L"a.txt"), b = Make(L"b.txt"), c = Make(L"c.txt");
    EXPECT_FALSE(Run({a, b, c}, L"same", 1));
    EXPECT_EQ(std::wstring(errorText), L"Failed to rename file from " + b + L" to " + dir.File(L"same.txt") + L"!");
    EXPECT_TRUE(qrvtest::FileExists(dir.File(L"same.txt")));
    EXPECT_FALSE(qrvtest::FileExists(a));
    EXPECT_TRUE(qrvtest::FileExists(b));
    EXPECT_TRUE(qrvtest::FileExists(c));
    EXPECT_EQ(progress.items, 2);
    EXPECT_EQ(progress.ends, 1);
}

TEST_F(RenameRunTest, EmptyListFailsWithAnEmptyText) {
    EXPECT_FALSE(Run({}, L"*", 1));
    EXPECT_STREQ(errorText, L"");
}

// ---- the dialog ----

class RenameDialogTest : public testing::Test {
protected:
    qrvtest::TempDir dir;
    HWND dialog = nullptr;
    HWND list = nullptr;
    void SetUp() override {
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), L"BATCHRENAMEDLG", nullptr, BatchRenameDlgProc, 0);
        ASSERT_NE(dialog, nullptr);
        list = GetDlgItem(dialog, IDC_LIST_FILES);
    }
    void TearDown() override { DestroyWindow(dialog); }
    std::wstring Cell(int row, int column) {
        wchar_t text[MAX_PATH] = {};
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&item);
        return text;
    }
    void Add(const std::wstring& path);
};

std::wstring g_answer;
BOOL WINAPI Answer(OPENFILENAMEW* ofn) {
    wcsncpy(ofn->lpstrFile, g_answer.c_str(), ofn->nMaxFile - 1);
    ofn->lpstrFile[g_answer.size() + 1] = 0;
    return TRUE;
}

void RenameDialogTest::Add(const std::wstring& path) {
    qrvtest::WriteAll(path, "x", 1);
    g_answer = path;
    OpenFileDialogFunction previous = SetListOpenDialog(Answer);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_RENAME_ADD, BN_CLICKED), 0);
    SetListOpenDialog(previous);
}

TEST_F(RenameDialogTest, LastAddedRowGetsTheStartCounterAndThePreviewFollowsRemovals) {
    wchar_t pattern[16] = {};
    GetDlgItemTextW(dialog, IDC_RENAME_PATTERN, pattern, 16);
    EXPECT_STREQ(pattern, L"*");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    Add(dir.File(L"one.png"));
    Add(dir.File(L"two.png"));
    Add(dir.File(L"three.png"));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    SetDlgItemTextW(dialog, IDC_RENAME_PATTERN, L"n#");
    EXPECT_EQ(Cell(0, 0), dir.File(L"three.png"));
    EXPECT_EQ(Cell(0, 1), L"n1.png");
    EXPECT_EQ(Cell(1, 1), L"n2.png");
    EXPECT_EQ(Cell(2, 1), L"n3.png");
    // The first row goes: the others move up and are numbered anew.
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, (LPARAM)&state);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LIST_REMOVE, BN_CLICKED), 0);
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Cell(0, 0), dir.File(L"two.png"));
    EXPECT_EQ(Cell(0, 1), L"n1.png");
    EXPECT_EQ(Cell(1, 1), L"n2.png");
    // The run uses what the preview shows.
    qrvtest::MessageCapture capture;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(capture.messages.empty());
    EXPECT_TRUE(qrvtest::FileExists(dir.File(L"n1.png")));
    EXPECT_TRUE(qrvtest::FileExists(dir.File(L"n2.png")));
    EXPECT_TRUE(qrvtest::FileExists(dir.File(L"three.png")));
}

TEST_F(RenameDialogTest, FailureShowsFailedAt) {
    Add(dir.File(L"a.png"));
    Add(dir.File(L"b.png"));
    SetDlgItemTextW(dialog, IDC_RENAME_PATTERN, L"same");
    qrvtest::MessageCapture capture;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0],
              L"Failed at: Failed to rename file from " + dir.File(L"a.png") + L" to " + dir.File(L"same.png") + L"!");
}

}  // namespace
