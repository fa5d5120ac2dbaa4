// Copy, move, rename and delete by menu command in the real main window, in the
// viewer and in the browser: afterwards every file is where it should be, the
// lists show what is on disk and the viewer shows a file that exists.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/CommandState.h"
#include "app/FolderChooser.h"
#include "app/MediaDocument.h"
#include "app/ShellStandIns.h"
#include "browser/DragSource.h"
#include "browser/Browser.h"
#include "browser/FileList.h"
#include "browser/FileListView.h"
#include "browser/FileOperations.h"
#include "browser/ThumbnailLoader.h"
#include "command_ids.h"
#include "support/PopupMenuDriver.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Pump;
using qrvtest::TempDir;

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

uint64_t Checksum(const std::wstring& path) {
    if (!Exists(path)) return 0;
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : qrvtest::ReadAll(path)) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// Steps run one per timer tick on whatever dialog box is showing; a dialog
// still there after the last step is cancelled (and counted), so no test waits
// on a modal window.
struct DialogScript {
    std::vector<std::function<void(HWND)>> steps;
    size_t next = 0;
    int leftOpen = 0;
    int ticks = 0;
};
DialogScript g_script;

void CALLBACK RunScriptStep(HWND, UINT, UINT_PTR, DWORD) {
    ++g_script.ticks;
    HWND dialog = apptest::VisibleDialog();
    if (!dialog) return;
    if (g_script.next < g_script.steps.size() && g_script.ticks < 200) {
        g_script.steps[g_script.next++](dialog);
        return;
    }
    ++g_script.leftOpen;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

void WithScript(std::vector<std::function<void(HWND)>> steps, const std::function<void()>& body) {
    g_script = DialogScript{};
    g_script.steps = std::move(steps);
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, RunScriptStep);
    body();
    KillTimer(nullptr, timer);
}

std::function<void(HWND)> TypeAndOk(int control, const std::wstring& text) {
    return [control, text](HWND dialog) {
        SetDlgItemTextW(dialog, control, text.c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
}

std::wstring DialogText(HWND dialog, int control) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, control, text, 1024);
    return text;
}

// Holds Shift down in this thread's key state while it lives.
struct ShiftHeld {
    ShiftHeld() { SetShift(0x80); }
    ~ShiftHeld() { SetShift(0); }
    static void SetShift(BYTE state) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = keys[VK_LSHIFT] = state;
        SetKeyboardState(keys);
    }
};

// Answers every Yes/No question with Yes and records the texts.
std::vector<std::wstring> g_texts;
int AnswerYes(const wchar_t* text, const wchar_t*, UINT type, bool) {
    g_texts.push_back(text);
    return (type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
}

class FileOperationsCommands : public apptest::MainWindowFixture {
protected:
    void SetUp() override {
        OleInitialize(nullptr);  // as start-up does: the window registers its drop target
        apptest::MainWindowFixture::SetUp();
        ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
    }
    void TearDown() override {
        if (Browser.open) Browser.Close();
        apptest::MainWindowFixture::TearDown();
        OleUninitialize();
    }
    void Picture(const std::wstring& name, int width) {
        apptest::WriteSolidPicture(dir.File(name), width, 4, RGB(10 * width, 20, 30));
    }
    // The viewer on name, with the folder's list built.
    void View(const std::wstring& name) {
        BuildFileListNow(name.c_str(), dir.Path().c_str());
        OpenMediaFile(dir.File(name).c_str());
        ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
    }
    void Command(UINT id) {
        SendMessageW(window, WM_COMMAND, id, 0);
        Pump();
    }
    std::vector<std::wstring> ListedFiles() {
        std::vector<std::wstring> names;
        for (int i = 0; i < FileList::Count; ++i) names.push_back(FileList::Entries[i].name);
        return names;
    }
    // The names in the folder that the file list would show (*.bmp), sorted.
    std::vector<std::wstring> FilesOnDisk() {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW(dir.File(L"*.bmp").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do names.push_back(found.cFileName);
        while (FindNextFileW(find, &found));
        FindClose(find);
        std::sort(names.begin(), names.end(),
                  [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
        return names;
    }
    void OpenBrowser() {
        ASSERT_TRUE(Browser.Open(dir.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window));
        ASSERT_TRUE(WaitForThumbnailLoader(20000));
        Pump();
        ASSERT_NE(Browser.fileListWindow, nullptr);
    }
    void Select(std::initializer_list<std::wstring> names) {
        HWND list = Browser.fileListWindow;
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&state);
        for (const std::wstring& name : names)
            for (int i = 0; i < FileList::Count; ++i)
                if (_wcsicmp(FileList::Entries[i].name, name.c_str()) == 0) {
                    state.state = LVIS_SELECTED | LVIS_FOCUSED;
                    SendMessageW(list, LVM_SETITEMSTATE, FileList::SubfolderCount + i, (LPARAM)&state);
                }
        Pump();
    }
    TempDir dir;
};

TEST_F(FileOperationsCommands, DeletingTheShownFileOpensTheNextOrCloses) {
    Picture(L"a.bmp", 1);
    Picture(L"b.bmp", 2);
    Picture(L"c.bmp", 3);
    View(L"b.bmp");
    ShiftHeld shift;  // for good, without a question
    qrvtest::MessageCapture capture;
    Command(IDM_DELETE_ITEMS);
    EXPECT_FALSE(Exists(dir.File(L"b.bmp")));
    EXPECT_EQ(ListedFiles(), (std::vector<std::wstring>{L"a.bmp", L"c.bmp"}));
    EXPECT_EQ(lstrcmpiW(AppState::CurrentFile, dir.File(L"c.bmp").c_str()), 0);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 3u);

    Command(IDM_DELETE_ITEMS);  // the last one: the first follows
    EXPECT_EQ(ListedFiles(), std::vector<std::wstring>{L"a.bmp"});
    EXPECT_EQ(FileList::Current, 0);
    EXPECT_EQ(lstrcmpiW(AppState::CurrentFile, dir.File(L"a.bmp").c_str()), 0);

    Command(IDM_DELETE_ITEMS);  // none left: the viewer is emptied
    EXPECT_EQ(FileList::Count, 0);
    EXPECT_EQ(AppState::DocumentKind, DOC_NONE);
    EXPECT_FALSE(AppState::CurrentImage.IsValid());
    EXPECT_TRUE(capture.messages.empty());
    EXPECT_TRUE(FilesOnDisk().empty());
}

TEST_F(FileOperationsCommands, DeleteAsksAndGoesToTheTrash) {
    const std::wstring name = L"trash-" + std::to_wstring(GetTickCount()) + L".bmp";
    Picture(name, 2);
    Picture(L"other.bmp", 3);
    View(name);
    g_texts.clear();
    MessageHook previous = SetMessageHook(AnswerYes);
    Command(IDM_DELETE_ITEMS);
    SetMessageHook(previous);
    ASSERT_FALSE(g_texts.empty());
    EXPECT_EQ(g_texts[0], L"Really delete to the Recycle Bin?");
    EXPECT_FALSE(Exists(dir.File(name)));
    EXPECT_EQ(ListedFiles(), std::vector<std::wstring>{L"other.bmp"});
    if (const char* xdg = getenv("XDG_DATA_HOME")) {
        EXPECT_EQ(qrvtest::RunHost(std::string("test -f '") + xdg + "/Trash/files/" + qrvtest::Narrow(name) + "'"), 0);
    }
}

TEST_F(FileOperationsCommands, RenameInTheViewer) {
    Picture(L"a.bmp", 1);
    Picture(L"b.bmp", 2);
    View(L"a.bmp");
    const uint64_t a = Checksum(dir.File(L"a.bmp")), b = Checksum(dir.File(L"b.bmp"));
    qrvtest::MessageCapture capture;
    // The same name, another file's name and a name too long are refused and
    // the dialog stays; a change of case is done.
    std::wstring offered;
    WithScript({[&](HWND d) {
                    offered = DialogText(d, kRenameOldNameEdit);
                    TypeAndOk(kRenameNameEdit, L"a.bmp")(d);
                },
                TypeAndOk(kRenameNameEdit, L"b.bmp"), TypeAndOk(kRenameNameEdit, std::wstring(250, L'x') + L".bmp"),
                TypeAndOk(kRenameNameEdit, L"sub\\a.bmp"), TypeAndOk(kRenameNameEdit, L"A.bmp")},
               [&] { Command(IDM_RENAME_ITEMS); });
    EXPECT_EQ(offered, L"a.bmp");
    EXPECT_EQ(g_script.leftOpen, 0);
    ASSERT_EQ(capture.messages.size(), 4u);
    EXPECT_EQ(capture.messages[0],
              L"Failed to rename because source and destination are identical. Either type a new "
              L"name or hit Cancel.");
    for (int i = 1; i < 4; ++i) EXPECT_EQ(capture.messages[i].rfind(L"Failed to rename the file from \"", 0), 0u);
    EXPECT_EQ(Checksum(dir.File(L"b.bmp")), b);
    EXPECT_EQ(FilesOnDisk(), (std::vector<std::wstring>{L"A.bmp", L"b.bmp"}));
    EXPECT_EQ(Checksum(dir.File(L"A.bmp")), a);
    EXPECT_STREQ(FileList::Entries[FileList::Current].name, L"A.bmp");
    EXPECT_EQ(wcscmp(AppState::CurrentFile, dir.File(L"A.bmp").c_str()), 0);

    WithScript({TypeAndOk(kRenameNameEdit, L"renamed.bmp")}, [&] { Command(IDM_RENAME_ITEMS); });
    EXPECT_EQ(FilesOnDisk(), (std::vector<std::wstring>{L"b.bmp", L"renamed.bmp"}));
    EXPECT_EQ(Checksum(dir.File(L"renamed.bmp")), a);
}

TEST_F(FileOperationsCommands, CopyToKeepsAShortHistory) {
    Picture(L"a.bmp", 1);
    View(L"a.bmp");
    const std::wstring target = dir.File(L"T");
    std::wstring offered;
    AppState::CopyToDirCount = 0;
    WithScript({[&](HWND d) {
                   offered = DialogText(d, kTargetEdit);
                   TypeAndOk(kTargetEdit, target)(d);
               }},
               [&] { Command(IDM_COPY_ITEMS); });
    EXPECT_EQ(offered, L"C:\\Temp");
    EXPECT_EQ(Checksum(target + L"\\a.bmp"), Checksum(dir.File(L"a.bmp")));
    ASSERT_EQ(AppState::CopyToDirCount, 1);

    for (int i = 0; i < 50; ++i) swprintf(AppState::CopyToDirs[i], MAX_PATH, L"C:\\old%d", i);
    AppState::CopyToDirCount = 50;
    wcscpy(AppState::CopyToDirs[7], target.c_str());
    std::wstring upper = target;
    for (wchar_t& c : upper) c = towupper(c);
    WithScript({[&](HWND d) {
                   offered = DialogText(d, kTargetEdit);
                   TypeAndOk(kTargetEdit, upper)(d);
               }},
               [&] { Command(IDM_COPY_ITEMS); });
    EXPECT_EQ(offered, L"C:\\old0");
    EXPECT_EQ(AppState::CopyToDirCount, 50);
    EXPECT_EQ(_wcsicmp(AppState::CopyToDirs[0], target.c_str()), 0);
    int same = 0;
    for (int i = 0; i < AppState::CopyToDirCount; ++i) same += _wcsicmp(AppState::CopyToDirs[i], target.c_str()) == 0;
    EXPECT_EQ(same, 1);
    EXPECT_TRUE(Exists(target + L"\\a (1).bmp"));
    EXPECT_EQ(FilesOnDisk(), std::vector<std::wstring>{L"a.bmp"});
}

std::vector<std::wstring> ListBoxTexts(HWND dialog) {
    HWND box = GetDlgItem(dialog, kTargetList);
    std::vector<std::wstring> texts;
    const int count = (int)SendMessageW(box, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        wchar_t text[MAX_PATH] = {};
        SendMessageW(box, LB_GETTEXT, i, (LPARAM)text);
        texts.push_back(text);
    }
    return texts;
}

void SelectOnly(HWND dialog, int index) {
    HWND box = GetDlgItem(dialog, kTargetList);
    SendMessageW(box, LB_SETSEL, FALSE, -1);
    SendMessageW(box, LB_SETSEL, TRUE, index);
}

bool ChooseTheChosenFolder(HWND, const wchar_t*, std::wstring* path) {
    *path = L"C:\\Chosen";
    return true;
}

// The history buttons of Move to: up, remove, the folder browser (through its
// seam) and Cancel, which keeps the edited history without moving anything.
TEST_F(FileOperationsCommands, MoveToHistoryButtons) {
    Picture(L"a.bmp", 1);
    View(L"a.bmp");
    const wchar_t* start[] = {L"C:\\A", L"C:\\B", L"C:\\C"};
    for (int i = 0; i < 3; ++i) wcscpy(AppState::MoveToDirs[i], start[i]);
    AppState::MoveToDirCount = 3;
    FolderChooserHook previous = SetFolderChooserHook(ChooseTheChosenFolder);
    std::vector<std::vector<std::wstring>> seen;
    std::wstring edit;
    WithScript({[&](HWND d) {
                    SelectOnly(d, 1);
                    PostMessageW(d, WM_COMMAND, kTargetUp, 0);
                },
                [&](HWND d) {
                    seen.push_back(ListBoxTexts(d));
                    SelectOnly(d, 2);
                    PostMessageW(d, WM_COMMAND, kTargetRemove, 0);
                },
                [&](HWND d) {
                    seen.push_back(ListBoxTexts(d));
                    PostMessageW(d, WM_COMMAND, kTargetBrowse, 0);
                },
                [&](HWND d) {
                    seen.push_back(ListBoxTexts(d));
                    edit = DialogText(d, kTargetEdit);
                    PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
                }},
               [&] { Command(IDM_MOVE_ITEMS); });
    SetFolderChooserHook(previous);
    EXPECT_EQ(g_script.leftOpen, 0);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], (std::vector<std::wstring>{L"C:\\B", L"C:\\A", L"C:\\C"}));
    EXPECT_EQ(seen[1], (std::vector<std::wstring>{L"C:\\B", L"C:\\A"}));
    EXPECT_EQ(seen[2], (std::vector<std::wstring>{L"C:\\Chosen", L"C:\\B", L"C:\\A"}));
    EXPECT_EQ(edit, L"C:\\Chosen");
    ASSERT_EQ(AppState::MoveToDirCount, 3);
    EXPECT_STREQ(AppState::MoveToDirs[0], L"C:\\Chosen");
    EXPECT_STREQ(AppState::MoveToDirs[2], L"C:\\A");
    EXPECT_TRUE(Exists(dir.File(L"a.bmp")));  // Cancel moves nothing
}

// A drag out of the viewer leaves nothing behind: once it ends, the window
// takes drops from other programs again.
TEST_F(FileOperationsCommands, AfterAViewerDragTheWindowTakesDropsAgain) {
    Picture(L"a.bmp", 1);
    View(L"a.bmp");
    SetCursorPos(1, 1);  // no button is down: the drag ends at once, away from the window
    AppState::DragSourceWindow = window;
    AppState::DragActive = 1;
    EXPECT_EQ(QueryDropEffect(window, DROPEFFECT_COPY), (DWORD)DROPEFFECT_NONE);  // its own drag
    std::wstring files = dir.File(L"a.bmp");
    files.push_back(L'\0');
    files.push_back(L'\0');
    DoDragFiles(window, files.c_str(), DROPEFFECT_COPY);
    EXPECT_EQ(AppState::DragSourceWindow, nullptr);
    EXPECT_EQ(AppState::DragActive, 0);
    AppState::DragActive = 1;  // another program's drag over the window
    EXPECT_EQ(QueryDropEffect(window, DROPEFFECT_COPY), (DWORD)DROPEFFECT_COPY);
    AppState::DragActive = 0;
    EXPECT_TRUE(Exists(dir.File(L"a.bmp")));
}

// Counts the progress bars made on this thread while it lives.
int g_progressBars = 0;
HHOOK g_hook = nullptr;
LRESULT CALLBACK CountProgressBars(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        const wchar_t* cls = create->lpcs->lpszClass;
        if (!IS_INTRESOURCE(cls) && _wcsicmp(cls, PROGRESS_CLASSW) == 0) ++g_progressBars;
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST_F(FileOperationsCommands, BrowserMovesShowProgressForThreeItems) {
    for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp", L"e.bmp"}) Picture(name, 2);
    OpenBrowser();
    g_progressBars = 0;
    g_hook = SetWindowsHookExW(WH_CBT, CountProgressBars, nullptr, GetCurrentThreadId());
    Select({L"a.bmp", L"b.bmp"});
    EXPECT_TRUE(MoveSelectedFiles(dir.File(L"two").c_str()));
    EXPECT_EQ(g_progressBars, 0);
    Select({L"c.bmp", L"d.bmp", L"e.bmp"});
    EXPECT_TRUE(MoveSelectedFiles(dir.File(L"three").c_str()));
    EXPECT_EQ(g_progressBars, 1);
    UnhookWindowsHookEx(g_hook);
    EXPECT_EQ(FileList::Count, 0);
    EXPECT_TRUE(Exists(dir.File(L"two\\b.bmp")));
    EXPECT_TRUE(Exists(dir.File(L"three\\e.bmp")));
    EXPECT_EQ(AppState::DocumentKind, DOC_NONE);
}

// A drag of the list's selection onto its subfolder, through OLE and the
// main window's drop target, moves the files there when Move is chosen.
TEST_F(FileOperationsCommands, BrowserDragOntoASubfolder) {
    for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"c.bmp"}) Picture(name, 2);
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"sub").c_str(), nullptr));
    OpenBrowser();
    ASSERT_EQ(FileList::SubfolderCount, 1);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    Pump();
    // The drop lands where the display has the pointer, on the list as it is
    // then; a refill still on its way (the tree's selection asks for one) or a
    // pointer the display has not moved yet makes a drag that drops nowhere and
    // changes nothing, so it is tried again (at most three times).
    qrvtest::g_popupMenuAnswer = {};
    for (int attempt = 0; attempt < 3 && !qrvtest::g_popupMenuAnswer.seen; ++attempt) {
        for (int settle = 0; settle < 5; ++settle) {
            ASSERT_TRUE(WaitForThumbnailLoader(20000));
            Pump();
            Sleep(50);
        }
        HWND list = Browser.fileListWindow;
        ASSERT_NE(list, nullptr);
        Select({L"a.bmp", L"c.bmp"});
        RECT item = {};
        item.left = LVIR_ICON;
        ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 0, (LPARAM)&item));
        POINT at = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
        ClientToScreen(list, &at);
        ASSERT_TRUE(qrvtest::PlaceCursor(at));  // no button is down: the drag drops here at once
        qrvtest::ChoosePopupMenuItem(1, [&] {
            FileListBeginDrag(nullptr);
            return 0;
        });
        if (!qrvtest::g_popupMenuAnswer.seen) {
            ASSERT_EQ(FilesOnDisk(), (std::vector<std::wstring>{L"a.bmp", L"b.bmp", L"c.bmp"}));
            Sleep(200);
        }
    }
    EXPECT_TRUE(qrvtest::g_popupMenuAnswer.seen);
    EXPECT_TRUE(Exists(dir.File(L"sub\\a.bmp")));
    EXPECT_TRUE(Exists(dir.File(L"sub\\c.bmp")));
    EXPECT_EQ(FilesOnDisk(), std::vector<std::wstring>{L"b.bmp"});
    EXPECT_EQ(ListedFiles(), FilesOnDisk());
    EXPECT_EQ(AppState::DragSourceWindow, nullptr);
    EXPECT_EQ(AppState::DragActive, 0);
}

// The whole round by menu: copy, move, rename and delete in the browser, one
// delete failing on a file held open; the list always shows the disk.
TEST_F(FileOperationsCommands, BrowserRoundByMenu) {
    for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"}) Picture(name, 3);
    const uint64_t sum = Checksum(dir.File(L"a.bmp"));
    OpenBrowser();
    ASSERT_EQ(ListedFiles(), FilesOnDisk());
    qrvtest::MessageCapture capture;

    Select({L"a.bmp", L"b.bmp"});
    WithScript({TypeAndOk(kTargetEdit, dir.File(L"copies"))}, [&] { Command(IDM_COPY_ITEMS); });
    EXPECT_EQ(Checksum(dir.File(L"copies\\a.bmp")), sum);
    EXPECT_TRUE(Exists(dir.File(L"copies\\b.bmp")));
    EXPECT_EQ(ListedFiles(), FilesOnDisk());

    Select({L"c.bmp"});
    WithScript({TypeAndOk(kTargetEdit, dir.File(L"moved"))}, [&] { Command(IDM_MOVE_ITEMS); });
    EXPECT_TRUE(Exists(dir.File(L"moved\\c.bmp")));
    EXPECT_FALSE(Exists(dir.File(L"c.bmp")));
    EXPECT_EQ(ListedFiles(), FilesOnDisk());

    Select({L"d.bmp"});
    WithScript({TypeAndOk(kRenameNameEdit, L"e.bmp")}, [&] { Command(IDM_RENAME_ITEMS); });
    EXPECT_EQ(FilesOnDisk(), (std::vector<std::wstring>{L"a.bmp", L"b.bmp", L"e.bmp"}));
    EXPECT_EQ(ListedFiles(), (std::vector<std::wstring>{L"a.bmp", L"b.bmp", L"e.bmp"}));

    // b.bmp is held open: its delete fails, the others go.
    Select({L"a.bmp", L"b.bmp", L"e.bmp"});
    HANDLE held = CreateFileW(dir.File(L"b.bmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        ShiftHeld shift;
        Command(IDM_DELETE_ITEMS);
    }
    CloseHandle(held);
    // The shell stops at the file it cannot take; what it did not reach stays
    // listed with it.
    EXPECT_TRUE(Exists(dir.File(L"b.bmp")));
    EXPECT_FALSE(Exists(dir.File(L"e.bmp")));
    EXPECT_EQ(ListedFiles(), FilesOnDisk());
    EXPECT_EQ((int)SendMessageW(Browser.fileListWindow, LVM_GETITEMCOUNT, 0, 0),
              FileList::SubfolderCount + FileList::Count);
    ASSERT_FALSE(capture.messages.empty());
    for (const std::wstring& name : FilesOnDisk())
        EXPECT_NE(capture.messages.back().find(dir.File(name)), std::wstring::npos) << qrvtest::Narrow(name);
    EXPECT_TRUE(Exists(dir.File(L"copies\\a.bmp")));
    EXPECT_TRUE(Exists(dir.File(L"moved\\c.bmp")));
}

}  // namespace

// Add to playlist takes the selected files of the browser's list (past its
// subfolders) with their full paths, sizes and times, and marks the playlist
// changed; a list with nothing selected refuses the command.
TEST_F(FileOperationsCommands, AddSelectedFilesToThePlaylist) {
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"sub").c_str(), nullptr));
    Picture(L"a.bmp", 3);
    Picture(L"b.bmp", 5);
    Picture(L"c.bmp", 9);
    free(Playlist::Entries);
    Playlist::Entries = nullptr;
    Playlist::Count = 0;
    Playlist::Active = false;
    OpenBrowser();
    ASSERT_GT(FileList::SubfolderCount, 0);

    Select({});
    EXPECT_FALSE(IsCommandEnabled(IDM_ADD_TO_PLAYLIST));
    Select({L"a.bmp", L"c.bmp"});
    Command(IDM_ADD_TO_PLAYLIST);
    ASSERT_EQ(Playlist::Count, 2);
    EXPECT_TRUE(Playlist::Active);
    const wchar_t* names[] = {L"a.bmp", L"c.bmp"};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(std::wstring(Playlist::Entries[i].name), dir.File(names[i]));
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ASSERT_TRUE(GetFileAttributesExW(dir.File(names[i]).c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(Playlist::Entries[i].size, data.nFileSizeLow);
        EXPECT_EQ(CompareFileTime(&Playlist::Entries[i].lastWrite, &data.ftLastWriteTime), 0);
    }
    free(Playlist::Entries);
    Playlist::Entries = nullptr;
    Playlist::Count = 0;
    Playlist::Active = false;
}
