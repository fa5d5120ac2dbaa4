// The folder tree: id lists through the shell allocator, the path walk's
// helpers, and the tree over Wine's namespace under the display.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/DragSource.h"
#include "browser/FolderTree.h"
#include "support/PopupMenuDriver.h"
#include "support/TestSupport.h"

namespace {

// ---- id lists ----

// An id list of the given item sizes (each item's bytes are its index + 1).
std::vector<BYTE> MakeList(std::initializer_list<USHORT> sizes) {
    std::vector<BYTE> bytes;
    BYTE fill = 1;
    for (USHORT size : sizes) {
        bytes.push_back((BYTE)(size & 0xFF));
        bytes.push_back((BYTE)(size >> 8));
        for (USHORT i = 2; i < size; ++i) bytes.push_back(fill);
        ++fill;
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

LPCITEMIDLIST AsList(const std::vector<BYTE>& bytes) { return reinterpret_cast<LPCITEMIDLIST>(bytes.data()); }

std::vector<BYTE> Bytes(LPCITEMIDLIST list) {
    const BYTE* p = reinterpret_cast<const BYTE*>(list);
    return std::vector<BYTE>(p, p + ItemIdListSize(list));
}

TEST(ItemIdLists, CopyAndConcatKeepTheTwoByteTerminator) {
    const auto a = MakeList({6, 4}), b = MakeList({5});
    EXPECT_EQ(ItemIdListSize(AsList(a)), 12u);
    EXPECT_EQ(ItemIdListSize(nullptr), 2u);

    LPITEMIDLIST copy = CopyItemIdList(AsList(a));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Bytes(copy), a);
    FreeItemIdList(copy);
    EXPECT_EQ(CopyItemIdList(nullptr), nullptr);

    LPITEMIDLIST joined = ConcatItemIdLists(AsList(a), AsList(b));
    ASSERT_NE(joined, nullptr);
    std::vector<BYTE> want(a.begin(), a.end() - 2);
    want.insert(want.end(), b.begin(), b.end());
    EXPECT_EQ(Bytes(joined), want);
    FreeItemIdList(joined);

    // Either side may be null.
    LPITEMIDLIST left = ConcatItemIdLists(nullptr, AsList(b));
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(Bytes(left), b);
    FreeItemIdList(left);
    LPITEMIDLIST right = ConcatItemIdLists(AsList(a), nullptr);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(Bytes(right), a);
    FreeItemIdList(right);
    LPITEMIDLIST none = ConcatItemIdLists(nullptr, nullptr);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(Bytes(none), MakeList({}));
    FreeItemIdList(none);
    FreeItemIdList(nullptr);
}

// ---- the path walk ----

TEST(FolderTreePath, DriveLabelsMatchTheirLetterSegment) {
    const struct {
        const wchar_t* text;
        const wchar_t* segment;
        bool match;
    } cases[] = {
        {L"System (C:)", L"C:", true},
        {L"system (c:)", L"C:", true},
        {L"(D:)", L"D:", true},
        {L"System (C:)", L"D:", false},
        {L"System (C:)", L"C", false},
        {L"Photos", L"PHOTOS", true},
        {L"Photos (old)", L"PHOTOS (OLD)", true},
        {L"Photos", L"Photo", false},
        {L"A (B:", L"B:", true},
    };
    for (const auto& c : cases) EXPECT_EQ(FolderTreeTextMatches(c.text, c.segment), c.match) << c.text;
}

TEST(FolderTreePath, SegmentsAreUpperCasedAndEmptyOnesSkipped) {
    wchar_t segments[8][MAX_PATH];
    ASSERT_EQ(SplitTreePath(L"c:\\Photos\\summer\\", segments, 8), 3);
    EXPECT_STREQ(segments[0], L"C:");
    EXPECT_STREQ(segments[1], L"PHOTOS");
    EXPECT_STREQ(segments[2], L"SUMMER");
    EXPECT_EQ(SplitTreePath(L"C:\\a\\\\b", segments, 8), 3);
    EXPECT_EQ(SplitTreePath(L"C:\\a\\b\\c", segments, 2), 2);
}

// ---- the tree under the display ----

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == FolderTreeWindow()) return FolderTreeOnNotify(window, header);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A window that routes the tree's notifications as the main window does,
// with the tree shown in it.
struct TreeHost {
    HWND window = nullptr;
    HWND tree = nullptr;
    explicit TreeHost(int height = 650) {
        WNDCLASSW cls = {};
        cls.lpfnWndProc = HostProc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"QrvTreeHost";
        RegisterClassW(&cls);
        // Shown without taking the focus from the programs that run beside the tests.
        window = CreateWindowExW(WS_EX_NOACTIVATE, L"QrvTreeHost", L"tree", WS_OVERLAPPEDWINDOW, 0, 0, 400, 700,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (window) ShowWindow(window, SW_SHOWNOACTIVATE);
        if (window && CreateFolderTree(window, nullptr)) {
            tree = FolderTreeWindow();
            MoveWindow(tree, 0, 0, 380, height, TRUE);
            ShowWindow(tree, SW_SHOW);
        }
        qrvtest::Pump();
    }
    ~TreeHost() {
        DestroyFolderTree();
        if (window) DestroyWindow(window);
        qrvtest::Pump();
    }
};

// A folder below C:\ made for the test and removed afterwards.
struct DriveFolder {
    std::wstring top = L"C:\\QrvTreeTest", path;
    DriveFolder() {
        CreateDirectoryW(top.c_str(), nullptr);
        CreateDirectoryW((top + L"\\Albums").c_str(), nullptr);
        path = top + L"\\Albums\\Summer";
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~DriveFolder() {
        RemoveDirectoryW(path.c_str());
        RemoveDirectoryW((top + L"\\Albums").c_str());
        RemoveDirectoryW(top.c_str());
    }
};

HTREEITEM Next(HWND tree, HTREEITEM item, UINT flag) {
    return (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, flag, (LPARAM)item);
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv);
    return tv.pszText ? tv.pszText : L"";
}

std::wstring SpecialName(int csidl) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetFolderLocation(nullptr, csidl, nullptr, 0, &list))) return L"";
    SHFILEINFOW info = {};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME);
    CoTaskMemFree(list);
    return info.szDisplayName;
}

int Depth(HWND tree, HTREEITEM item) {
    int depth = 0;
    for (; item; item = Next(tree, item, TVGN_PARENT)) ++depth;
    return depth;
}

bool Expanded(HWND tree, HTREEITEM item) {
    return (SendMessageW(tree, TVM_GETITEMSTATE, (WPARAM)item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

HTREEITEM ChildNamed(HWND tree, HTREEITEM parent, const std::wstring& name) {
    for (HTREEITEM c = Next(tree, parent, TVGN_CHILD); c; c = Next(tree, c, TVGN_NEXT))
        if (_wcsicmp(ItemText(tree, c).c_str(), name.c_str()) == 0) return c;
    return nullptr;
}

POINT ScreenPointOf(HWND tree, HTREEITEM item) {
    RECT r = {};
    *reinterpret_cast<HTREEITEM*>(&r) = item;
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, (LPARAM)&r);
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tree, &p);
    return p;
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        qrvtest::Pump();
        Sleep(20);
    }
}

// The tree with the test's folder two levels below C:\ selected.
class FolderTreeOnSummer : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(host.tree, nullptr);
        tree = host.tree;
        SelectFolderTreePath(folder.path.c_str());
        summer = Next(tree, nullptr, TVGN_CARET);
        ASSERT_NE(summer, nullptr);
    }
    DriveFolder folder;
    TreeHost host;
    HWND tree = nullptr;
    HTREEITEM summer = nullptr;
};

TEST(FolderTree, SelectsAFolderTwoLevelsBelowTheDriveThroughMyComputer) {
    DriveFolder folder;
    TreeHost host(90);  // short enough that the selection can scroll to the top
    ASSERT_NE(host.tree, nullptr);
    HWND tree = host.tree;
    HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(Expanded(tree, root));

    SelectFolderTreePath(folder.path.c_str());
    HTREEITEM selected = Next(tree, nullptr, TVGN_CARET);
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(ItemText(tree, selected), L"Summer");
    // Desktop > My Computer > C: > QrvTreeTest > Albums > Summer
    EXPECT_EQ(Depth(tree, selected), 6);
    HTREEITEM computer = selected;
    for (int i = 0; i < 4; ++i) computer = Next(tree, computer, TVGN_PARENT);
    EXPECT_EQ(Next(tree, computer, TVGN_PARENT), root);
    EXPECT_EQ(ItemText(tree, computer), SpecialName(CSIDL_DRIVES));
    EXPECT_TRUE(Expanded(tree, computer));
    // Scrolled to the top, or as far as the items below it let the tree scroll.
    SCROLLINFO scroll = {sizeof(scroll), SIF_ALL};
    GetScrollInfo(tree, SB_VERT, &scroll);
    EXPECT_TRUE(Next(tree, nullptr, TVGN_FIRSTVISIBLE) == selected ||
                (scroll.nPos > 0 && scroll.nPos + (int)scroll.nPage > scroll.nMax))
        << scroll.nPos << " " << scroll.nPage << " " << scroll.nMax;
    // The tree's own selection started no folder change.
    EXPECT_FALSE(FolderTreeOwnChange);

    // Selecting the parent of the selection goes one item up.
    SelectFolderTreePath((folder.top + L"\\Albums").c_str());
    EXPECT_EQ(Next(tree, nullptr, TVGN_CARET), Next(tree, selected, TVGN_PARENT));
}

TEST(FolderTree, ANetworkPathSelectsNetworkOnly) {
    TreeHost host;
    ASSERT_NE(host.tree, nullptr);
    HWND tree = host.tree;
    SelectFolderTreePath(L"C:\\windows");
    HTREEITEM before = Next(tree, nullptr, TVGN_CARET);
    ASSERT_NE(before, nullptr);
    HTREEITEM network = ChildNamed(tree, Next(tree, nullptr, TVGN_ROOT), SpecialName(CSIDL_NETWORK));
    SelectFolderTreePath(L"\\\\server\\share\\folder");
    // The Network item when the Desktop lists one (Wine's does not): never a
    // walk through My Computer.
    EXPECT_EQ(Next(tree, nullptr, TVGN_CARET), network ? network : before);
}

TEST_F(FolderTreeOnSummer, AUserSelectionRecordsTheFolderAndAsksForARefresh) {
    HTREEITEM albums = Next(host.tree, summer, TVGN_PARENT);
    qrvtest::Pump();
    AppState::TreeSelectedFolder[0] = 0;
    SendMessageW(host.tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)albums);
    EXPECT_EQ(_wcsicmp(AppState::TreeSelectedFolder, (folder.top + L"\\Albums").c_str()), 0);
    EXPECT_TRUE(FolderTreeOwnChange);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, host.window, WM_APP_BROWSER_REFRESH, WM_APP_BROWSER_REFRESH, PM_REMOVE));
    FolderTreeOwnChange = false;
}

struct DragState {
    DragState() {
        AppState::DragActive = true;
        AppState::DragSourceWindow = nullptr;
    }
    ~DragState() {
        AppState::DragActive = false;
        AppState::DragSourceWindow = nullptr;
        SetFolderTreeDragItem(nullptr);
    }
};

TEST(FolderTree, TheDraggedItemItsParentAndDescendantsRefuseTheDrop) {
    DriveFolder folder;
    CreateDirectoryW((folder.path + L"\\Day1").c_str(), nullptr);
    TreeHost host;
    ASSERT_NE(host.tree, nullptr);
    HWND tree = host.tree;
    SelectFolderTreePath((folder.path + L"\\Day1").c_str());
    HTREEITEM day = Next(tree, nullptr, TVGN_CARET);
    HTREEITEM summer = Next(tree, day, TVGN_PARENT);
    HTREEITEM albums = Next(tree, summer, TVGN_PARENT);
    HTREEITEM top = Next(tree, albums, TVGN_PARENT);
    qrvtest::Pump();

    DragState drag;
    AppState::DragSourceWindow = tree;
    SetFolderTreeDragItem(summer);
    const DWORD offered = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    for (HTREEITEM refused : {summer, albums, day}) {
        const POINT p = ScreenPointOf(tree, refused);
        EXPECT_EQ(FolderTreeDragOver(tree, p.x, p.y, offered), (DWORD)DROPEFFECT_NONE) << ItemText(tree, refused);
    }
    const POINT p = ScreenPointOf(tree, top);
    EXPECT_EQ(FolderTreeDragOver(tree, p.x, p.y, offered), offered);
    EXPECT_EQ(Next(tree, nullptr, TVGN_DROPHILITE), top);

    // Another program's drag may drop anywhere.
    AppState::DragSourceWindow = nullptr;
    const POINT s = ScreenPointOf(tree, summer);
    EXPECT_EQ(FolderTreeDragOver(tree, s.x, s.y, offered), offered);
    RemoveDirectoryW((folder.path + L"\\Day1").c_str());
}

TEST_F(FolderTreeOnSummer, AnItemWithoutAPathGetsNoHighlightAndNoDragIsNoEffect) {
    HTREEITEM computer = summer;
    for (int i = 0; i < 4; ++i) computer = Next(tree, computer, TVGN_PARENT);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)computer);  // Wine highlights no selected item
    SendMessageW(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, (LPARAM)Next(tree, nullptr, TVGN_ROOT));
    qrvtest::Pump();
    const POINT p = ScreenPointOf(tree, summer), c = ScreenPointOf(tree, computer);

    EXPECT_EQ(FolderTreeDragOver(tree, p.x, p.y, DROPEFFECT_COPY), (DWORD)DROPEFFECT_NONE);  // no drag active
    DragState drag;
    EXPECT_EQ(FolderTreeDragOver(tree, p.x, p.y, DROPEFFECT_COPY), (DWORD)DROPEFFECT_COPY);
    EXPECT_EQ(Next(tree, nullptr, TVGN_DROPHILITE), summer);
    EXPECT_EQ(FolderTreeDragOver(tree, c.x, c.y, DROPEFFECT_COPY), (DWORD)DROPEFFECT_NONE);
    EXPECT_EQ(Next(tree, nullptr, TVGN_DROPHILITE), summer);  // kept where it was
}

TEST(FolderTree, ADragRestingASecondExpandsAndAMoveInBothCoordinatesRestartsTheWait) {
    DriveFolder folder;
    CreateDirectoryW((folder.path + L"\\Day1").c_str(), nullptr);
    CreateDirectoryW((folder.top + L"\\Other").c_str(), nullptr);
    CreateDirectoryW((folder.top + L"\\Other\\Inside").c_str(), nullptr);
    {
        TreeHost host;
        ASSERT_NE(host.tree, nullptr);
        HWND tree = host.tree;
        SelectFolderTreePath(folder.top.c_str());
        HTREEITEM top = Next(tree, nullptr, TVGN_CARET);
        HTREEITEM albums = ChildNamed(tree, top, L"Albums");
        HTREEITEM other = ChildNamed(tree, top, L"Other");
        ASSERT_NE(albums, nullptr);
        ASSERT_NE(other, nullptr);
        ASSERT_FALSE(Expanded(tree, albums));
        qrvtest::Pump();
        DragState drag;

        const POINT a = ScreenPointOf(tree, albums), o = ScreenPointOf(tree, other);
        FolderTreeDragOver(tree, a.x, a.y, DROPEFFECT_COPY);
        EXPECT_TRUE(FolderTreeAutoExpandArmed());
        PumpFor(600);
        // Over the other item, moved in both coordinates: the wait starts again there.
        FolderTreeDragOver(tree, o.x + 3, o.y, DROPEFFECT_COPY);
        EXPECT_TRUE(FolderTreeAutoExpandArmed());
        PumpFor(600);
        EXPECT_FALSE(Expanded(tree, albums));
        EXPECT_FALSE(Expanded(tree, other));
        PumpFor(800);
        EXPECT_FALSE(FolderTreeAutoExpandArmed());
        EXPECT_TRUE(Expanded(tree, other));
        EXPECT_FALSE(Expanded(tree, albums));
    }
    RemoveDirectoryW((folder.top + L"\\Other\\Inside").c_str());
    RemoveDirectoryW((folder.top + L"\\Other").c_str());
    RemoveDirectoryW((folder.path + L"\\Day1").c_str());
}

TEST(FolderTree, TheRootAndDriveRootsDoNotDrag) {
    TreeHost host;
    ASSERT_NE(host.tree, nullptr);
    HWND tree = host.tree;
    SelectFolderTreePath(L"C:\\windows");
    HTREEITEM windows = Next(tree, nullptr, TVGN_CARET);
    HTREEITEM drive = Next(tree, windows, TVGN_PARENT);
    HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
    AppState::DragActive = false;
    auto beginDrag = [&](HTREEITEM item) {
        NMTREEVIEWW notify = {};
        notify.hdr.hwndFrom = tree;
        notify.hdr.idFrom = kFolderTreeId;
        notify.hdr.code = TVN_BEGINDRAGW;
        notify.itemNew.hItem = item;
        FolderTreeOnNotify(host.window, &notify.hdr);
    };
    for (HTREEITEM item : {root, drive}) {
        beginDrag(item);
        EXPECT_FALSE(AppState::DragActive) << ItemText(tree, item);
        EXPECT_EQ(AppState::DragSourceWindow, nullptr);
    }
    // A folder does, with the tree as the source while the drag runs, and the
    // record of the tree's own drag is gone when it ends.
    static HWND sourceDuringDrag;
    static bool activeDuringDrag;
    sourceDuringDrag = nullptr;
    activeDuringDrag = false;
    DragLoopHook previous = SetDragLoopHook([](IDataObject*, DWORD) -> DWORD {
        sourceDuringDrag = AppState::DragSourceWindow;
        activeDuringDrag = AppState::DragActive;
        return DROPEFFECT_NONE;
    });
    beginDrag(windows);
    SetDragLoopHook(previous);
    EXPECT_TRUE(activeDuringDrag);
    EXPECT_EQ(sourceDuringDrag, tree);
    EXPECT_FALSE(AppState::DragActive);
    EXPECT_EQ(AppState::DragSourceWindow, nullptr);
}

}  // namespace

namespace {

struct MenuProbe {
    bool shown = false;
} g_menuProbe;

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM found) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (IsWindowVisible(window) && lstrcmpW(cls, L"#32768") == 0) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK CloseShellMenu(HWND, UINT, UINT_PTR, DWORD) {
    bool found = false;
    EnumWindows(FindMenuWindow, reinterpret_cast<LPARAM>(&found));
    if (found) g_menuProbe.shown = true;
    EndMenu();
}

TEST(FolderTree, TheShellContextMenuShowsOnAnItemOnly) {
    TreeHost host;
    ASSERT_NE(host.tree, nullptr);
    HWND tree = host.tree;
    SelectFolderTreePath(L"C:\\windows");
    HTREEITEM windows = Next(tree, nullptr, TVGN_CARET);
    const POINT p = ScreenPointOf(tree, windows);
    g_menuProbe = MenuProbe{};
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, CloseShellMenu);
    EXPECT_TRUE(FolderTreeOnContextMenu(host.window, p.x, p.y));
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_menuProbe.shown);
    // Afterwards nothing takes menu messages, and empty space shows no menu.
    LRESULT result = 0;
    EXPECT_FALSE(FolderTreeHandleMenuMsg(nullptr, WM_INITMENUPOPUP, 0, 0, &result));
    RECT client;
    GetClientRect(tree, &client);
    POINT empty = {client.right - 5, client.bottom - 5};
    ClientToScreen(tree, &empty);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, (LPARAM)Next(tree, nullptr, TVGN_ROOT));
    EXPECT_FALSE(FolderTreeOnContextMenu(host.window, empty.x, empty.y));
}

TEST_F(FolderTreeOnSummer, ADropOnlyActsWhileADragIsActiveAndACancelledMenuChangesNothing) {
    HTREEITEM albums = Next(tree, summer, TVGN_PARENT);
    const POINT a = ScreenPointOf(tree, albums);
    {
        DragState drag;
        EXPECT_EQ(FolderTreeDragOver(tree, a.x, a.y, DROPEFFECT_COPY), (DWORD)DROPEFFECT_COPY);
        EXPECT_TRUE(FolderTreeAutoExpandArmed());
        // The drop menu is answered with nothing chosen (Escape).
        qrvtest::ChoosePopupMenuItem(-1, [&] {
            FolderTreeDrop(tree, a.x, a.y, DROPEFFECT_COPY, nullptr);
            return 0;
        });
        EXPECT_TRUE(qrvtest::g_popupMenuAnswer.seen);
        EXPECT_FALSE(AppState::DragActive);
        EXPECT_FALSE(FolderTreeAutoExpandArmed());
        EXPECT_EQ(Next(tree, nullptr, TVGN_DROPHILITE), nullptr);
    }
    // Without an active drag a drop does nothing at all.
    SendMessageW(tree, TVM_SELECTITEM, TVGN_DROPHILITE, (LPARAM)albums);
    FolderTreeDrop(tree, a.x, a.y, DROPEFFECT_COPY, nullptr);
    EXPECT_EQ(Next(tree, nullptr, TVGN_DROPHILITE), albums);
}

}  // namespace

namespace {

std::wstring SpecialPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return path;
}

TEST(FolderTree, TheDocumentsAndDesktopFoldersSelectTheirOwnItems) {
    TreeHost host;
    ASSERT_NE(host.tree, nullptr);
    HWND tree = host.tree;
    HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
    HTREEITEM documents = ChildNamed(tree, root, SpecialName(CSIDL_PERSONAL));
    ASSERT_NE(documents, nullptr);
    SelectFolderTreePath(SpecialPath(CSIDL_PERSONAL).c_str());
    EXPECT_EQ(Next(tree, nullptr, TVGN_CARET), documents);
    SelectFolderTreePath(SpecialPath(CSIDL_DESKTOPDIRECTORY).c_str());
    EXPECT_EQ(Next(tree, nullptr, TVGN_CARET), root);
}

}  // namespace
