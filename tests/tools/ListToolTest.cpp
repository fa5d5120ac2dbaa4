#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "support/TestSupport.h"
#include "tools/ListTool.h"
#include "tools_ids.h"

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A list tool dialog without its own procedure: the animation builder's
// template holds every shared control.
class ListToolTest : public testing::Test {
protected:
    HWND dialog = nullptr;
    HWND list = nullptr;
    void SetUp() override {
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), L"CREATEANIMATIONDLG", nullptr, PlainDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        list = GetDlgItem(dialog, IDC_LIST_FILES);
    }
    void TearDown() override { DestroyWindow(dialog); }
    std::vector<std::wstring> Entries() {
        std::vector<std::wstring> out;
        int count = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            wchar_t text[MAX_PATH] = {};
            SendMessageW(list, LB_GETTEXT, i, (LPARAM)text);
            out.push_back(text);
        }
        return out;
    }
    std::wstring Selected() {
        std::wstring marks;
        int count = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) marks += SendMessageW(list, LB_GETSEL, i, 0) > 0 ? L'x' : L'.';
        return marks;
    }
    void Fill(std::initializer_list<const wchar_t*> paths, const wchar_t* selection) {
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (auto p : paths) SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)p);
        for (int i = 0; selection[i]; ++i) SendMessageW(list, LB_SETSEL, selection[i] == L'x', i);
    }
};

// The open dialog's answer a test hands back, and what the call asked for.
std::wstring g_answer;
OPENFILENAMEW g_asked;
BOOL FakeOpenDialog(OPENFILENAMEW* ofn) {
    g_asked = *ofn;
    if (g_answer.empty()) return FALSE;
    memcpy(ofn->lpstrFile, g_answer.c_str(), (g_answer.size() + 1) * sizeof(wchar_t));
    return TRUE;
}

int g_beeps = 0;
void CountBeep(DWORD frequency, DWORD duration) {
    if (frequency == 400 && duration == 200) ++g_beeps;
}

TEST_F(ListToolTest, AddedPathsSkipDuplicatesWithoutRegardToCase) {
    // One full path, then a folder with names (several files chosen).
    EXPECT_EQ(AddOpenDialogSelection(list, L"C:\\pics\\a.jpg\0"), 1);
    EXPECT_EQ(AddOpenDialogSelection(list, std::wstring(L"C:\\PICS\0A.JPG\0b.png\0c.gif\0", 27).c_str()), 2);
    EXPECT_EQ(AddOpenDialogSelection(list, std::wstring(L"D:\\\0x.bmp\0\0", 11).c_str()), 1);
    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{L"C:\\pics\\a.jpg", L"C:\\PICS\\b.png", L"C:\\PICS\\c.gif", L"D:\\x.bmp"}));
}

TEST_F(ListToolTest, AJoinThatDoesNotFitIsRefusedWithAMessage) {
    qrvtest::MessageCapture capture;
    std::wstring folder = L"C:\\" + std::wstring(250, L'f');
    std::wstring buffer = folder + L'\0' + L"short.png" + L'\0' + L"a.png" + L'\0' + L'\0';
    EXPECT_EQ(AddOpenDialogSelection(list, buffer.c_str()), 1);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"The path is too long: short.png");
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{folder + L"\\a.png"}));
}

TEST_F(ListToolTest, AddButtonAsksForManyFilesAndEnablesTheStart) {
    OpenFileDialogFunction previous = SetListOpenDialog(FakeOpenDialog);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    g_answer = L"";
    EXPECT_TRUE(HandleListButton(dialog, IDC_LIST_ADD));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));  // cancelled: nothing changes
    EXPECT_EQ(g_asked.nMaxFile, 64000u);
    EXPECT_EQ(g_asked.Flags, (DWORD)(OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_ENABLESIZING));
    EXPECT_EQ(g_asked.hwndOwner, dialog);
    EXPECT_STREQ(g_asked.lpstrFilter, L"Common Files");
    g_answer = std::wstring(L"C:\\f\0one.png\0two.png\0", 21);
    EXPECT_TRUE(HandleListButton(dialog, IDC_LIST_ADD));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"C:\\f\\one.png", L"C:\\f\\two.png"}));
    EXPECT_EQ(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), 1000);
    SetListOpenDialog(previous);
}

TEST_F(ListToolTest, RemoveAndMoveWorkOnTheSelection) {
    struct Case {
        int button;
        const wchar_t* selection;
        std::vector<std::wstring> order;
        const wchar_t* selectedAfter;
    } cases[] = {
        {IDC_LIST_REMOVE, L".x.x", {L"a", L"c"}, L".."},
        {IDC_LIST_UP, L"..xx", {L"a", L"c", L"d", L"b"}, L".xx."},
        {IDC_LIST_UP, L"x.x.", {L"a", L"c", L"b", L"d"}, L"xx.."},  // the first stays where it is
        {IDC_LIST_DOWN, L"xx..", {L"c", L"a", L"b", L"d"}, L".xx."},
        {IDC_LIST_DOWN, L".x.x", {L"a", L"c", L"b", L"d"}, L"..xx"},
    };
    for (const auto& c : cases) {
        Fill({L"a", L"b", L"c", L"d"}, c.selection);
        EXPECT_TRUE(HandleListButton(dialog, c.button));
        EXPECT_EQ(Entries(), c.order) << c.button << " " << qrvtest::Narrow(c.selection);
        EXPECT_EQ(Selected(), c.selectedAfter) << c.button << " " << qrvtest::Narrow(c.selection);
    }
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    EXPECT_TRUE(HandleListButton(dialog, IDC_LIST_REMOVE_ALL));
    EXPECT_TRUE(Entries().empty());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    EXPECT_FALSE(HandleListButton(dialog, IDC_LIST_FOLDER));
}

TEST_F(ListToolTest, SlotsHoldTheListInOrder) {
    Fill({L"C:\\one.png", L"C:\\two.png"}, L"");
    PathSlots slots;
    ASSERT_TRUE(CopyListForRun(dialog, slots));
    ASSERT_EQ(slots.Count(), 2);
    EXPECT_STREQ(slots.Data(), L"C:\\one.png");
    EXPECT_STREQ(slots.Data() + LIST_SLOT_CHARS, L"C:\\two.png");
}

TEST_F(ListToolTest, DialogRunShowsProgressAndRestoresTheControls) {
    BeepFunction previous = SetListToolBeep(CountBeep);
    g_beeps = 0;
    uint8_t idle = 1, cancel = 1;
    DialogRunProgress progress(dialog, idle, cancel);
    progress.Begin(3);
    EXPECT_EQ(idle, 0);
    EXPECT_FALSE(progress.Cancelled());
    for (int id : {IDOK, IDC_LIST_FOLDER, IDC_LIST_ADD, IDC_LIST_REMOVE, IDC_LIST_UP, IDC_LIST_DOWN,
                   IDC_LIST_REMOVE_ALL, IDC_LIST_FILES}) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
    }
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));
    HWND bar = GetDlgItem(dialog, IDC_LIST_PROGRESS);
    EXPECT_TRUE(GetWindowLongW(bar, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 3);
    progress.Item(1, 3);
    wchar_t text[32] = {};
    GetDlgItemTextW(dialog, IDC_LIST_PROGRESS_TEXT, text, 32);
    EXPECT_STREQ(text, L"2/3");
    progress.Step();
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 1);
    // Cancel during the run only asks for a stop.
    EXPECT_FALSE(HandleListToolCancel(dialog, idle, cancel));
    EXPECT_TRUE(progress.Cancelled());
    progress.End();
    EXPECT_EQ(g_beeps, 1);
    EXPECT_EQ(idle, 1);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_LIST_FILES)));
    SetListToolBeep(previous);
}

TEST_F(ListToolTest, CancelWhileIdleEndsAndSetsTheFolderBack) {
    qrvtest::TempDir dir;
    wchar_t before[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    SetCurrentDirectoryW(dir.Path().c_str());
    StoreCurrentFolder();
    SetCurrentDirectoryW(before);
    uint8_t idle = 1, cancel = 0;
    EXPECT_TRUE(HandleListToolCancel(dialog, idle, cancel));
    wchar_t now[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, now);
    EXPECT_EQ(CompareStringOrdinal(now, -1, dir.Path().c_str(), -1, TRUE), CSTR_EQUAL);
    SetCurrentDirectoryW(before);
    AppState::CurrentFolder[0] = 0;
}

TEST(ListToolPaths, FolderAndNameJoinWithinMaxPath) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* name;
        const wchar_t* joined;
    } cases[] = {
        {L"C:\\out", L"a.png", L"C:\\out\\a.png"},
        {L"C:\\out\\", L"a.png", L"C:\\out\\a.png"},
        {L"C:/out/", L"a.png", L"C:/out/a.png"},
        {L"", L"a.png", L"a.png"},
    };
    for (const auto& c : cases) {
        wchar_t out[MAX_PATH];
        EXPECT_TRUE(JoinOutputPath(out, c.folder, c.name));
        EXPECT_STREQ(out, c.joined);
    }
    wchar_t out[MAX_PATH];
    std::wstring folder(250, L'f');
    EXPECT_TRUE(JoinOutputPath(out, folder.c_str(), L"12345678"));  // 259 characters
    EXPECT_FALSE(JoinOutputPath(out, folder.c_str(), L"123456789"));
    EXPECT_STREQ(out, L"");
}

TEST_F(ListToolTest, FailedAtNamesTheErrorText) {
    qrvtest::MessageCapture capture;
    ShowFailedAt(dialog, L"Failed to load: x");
    ShowFailedAt(dialog, L"");
    ASSERT_EQ(capture.messages.size(), 2u);
    EXPECT_EQ(capture.messages[0], L"Failed at: Failed to load: x");
    EXPECT_EQ(capture.messages[1], L"Failed at: ");
    EXPECT_EQ(capture.owners[0], dialog);
}

}  // namespace
