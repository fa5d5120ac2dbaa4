#include "browser/FolderTree.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cwchar>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "app/ProgressBar.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/BrowserState.h"
#include "browser/ThumbnailLoader.h"
#include "image/Common.h"

namespace {

// One item's data: the folder that holds it (one reference; null for the
// Desktop root), its id list from the Desktop and its id list relative to
// the holder (for the root the Desktop's own list).
struct TreeItemData {
    IShellFolder* parent;
    LPITEMIDLIST absolute;
    LPITEMIDLIST relative;
};

HWND g_tree = nullptr;
HTREEITEM g_root = nullptr;
bool g_selecting = false;
IContextMenu2* g_contextMenu = nullptr;
WNDPROC g_previousProc = nullptr;
// The item the tree's own drag carries, while that drag runs.
HTREEITEM g_draggedItem = nullptr;

struct AutoExpand {
    bool armed = false;
    POINT screen = {};
    POINT client = {};
} g_expand;

// The shell's allocator, for every id list the tree allocates or frees.
IMalloc* Allocator() {
    static IMalloc* malloc = nullptr;
    if (!malloc) SHGetMalloc(&malloc);
    return malloc;
}

TreeItemData* ItemData(HWND tree, HTREEITEM item) {
    if (!tree || !item) return nullptr;
    TVITEMW tv = {};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv)) return nullptr;
    return reinterpret_cast<TreeItemData*>(tv.lParam);
}

// The item's file-system path; false for an item without one.
bool ItemPath(HWND tree, HTREEITEM item, wchar_t* out) {
    out[0] = 0;
    const TreeItemData* data = ItemData(tree, item);
    return data && data->absolute && SHGetPathFromIDListW(data->absolute, out) && out[0];
}

HTREEITEM NextItem(HWND tree, HTREEITEM item, UINT flag) {
    return (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, flag, (LPARAM)item);
}

void SetChildFlag(HWND tree, HTREEITEM item, int children) {
    TVITEMW tv = {};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    tv.cChildren = children;
    SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv);
}

// Scrolled to the top first: some tree views ignore TVM_SELECTITEM for the
// item that is already selected, whatever it asks.
void SelectAtTop(HWND tree, HTREEITEM item) {
    SendMessageW(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, (LPARAM)item);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
}

void Expand(HWND tree, HTREEITEM item) { SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item); }

void CollapseReset(HWND tree, HTREEITEM item) {
    SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, (LPARAM)item);
}

void FreeItemData(TreeItemData* data) {
    if (!data) return;
    FreeItemIdList(data->absolute);
    FreeItemIdList(data->relative);
    if (data->parent) data->parent->Release();
    delete data;
}

HTREEITEM InsertItem(HWND tree, HTREEITEM parent, TreeItemData* data, int children, UINT state, UINT stateMask) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM | TVIF_STATE;
    insert.item.pszText = LPSTR_TEXTCALLBACKW;
    insert.item.iImage = insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.cChildren = children;
    insert.item.lParam = (LPARAM)data;
    insert.item.state = state;
    insert.item.stateMask = stateMask;
    HTREEITEM item = (HTREEITEM)SendMessageW(tree, TVM_INSERTITEMW, 0, (LPARAM)&insert);
    if (!item) FreeItemData(data);
    return item;
}

bool InsertFolderTreeRoot(HWND tree) {
    LPITEMIDLIST desktop = nullptr;
    if (FAILED(SHGetFolderLocation(nullptr, CSIDL_DESKTOP, nullptr, 0, &desktop)) || !desktop) return false;
    auto* data = new TreeItemData{nullptr, CopyItemIdList(desktop), desktop};
    g_root = InsertItem(tree, TVI_ROOT, data, 1, 0, 0);
    if (!g_root) return false;
    Expand(tree, g_root);
    return true;
}

int CALLBACK CompareFolderTreeItems(LPARAM first, LPARAM second, LPARAM) {
    auto* a = reinterpret_cast<TreeItemData*>(first);
    auto* b = reinterpret_cast<TreeItemData*>(second);
    if (!a || !b || !a->parent) return 0;
    const HRESULT result = a->parent->CompareIDs(0, a->relative, b->relative);
    if (FAILED(result)) return 0;
    return (short)(result & 0xFFFF);
}

void FillFolderTreeChildren(HWND tree, HTREEITEM item, IShellFolder* folder, LPCITEMIDLIST parentList) {
    IEnumIDList* items = nullptr;
    SHCONTF flags = SHCONTF_FOLDERS;
    if (AppState::GeneralShowHiddenFolders) flags |= SHCONTF_INCLUDEHIDDEN;
    if (folder->EnumObjects(GetParent(tree), flags, &items) != S_OK || !items) return;
    LPITEMIDLIST child = nullptr;
    ULONG fetched = 0;
    while (items->Next(1, &child, &fetched) == S_OK && child) {
        folder->AddRef();
        auto* data = new TreeItemData{folder, ConcatItemIdLists(parentList, child), child};
        wchar_t path[MAX_PATH] = {};
        const bool hasPath = data->absolute && SHGetPathFromIDListW(data->absolute, path) && path[0];
        int children = 0;
        UINT state = 0, stateMask = 0;
        if (hasPath && GetDriveTypeW(path) == DRIVE_REMOVABLE) {
            children = 1;  // asking a floppy drive for its folders would spin it up
        } else {
            SFGAOF attributes = SFGAO_HASSUBFOLDER | SFGAO_FOLDER | SFGAO_DISPLAYATTRMASK | SFGAO_CANRENAME;
            LPCITEMIDLIST one = child;
            if (FAILED(folder->GetAttributesOf(1, &one, &attributes))) attributes = 0;
            children = (attributes & SFGAO_HASSUBFOLDER) ? 1 : 0;
            if (attributes & SFGAO_SHARE) {
                state = INDEXTOOVERLAYMASK(1);
                stateMask = TVIS_OVERLAYMASK;
            }
        }
        InsertItem(tree, item, data, children, state, stateMask);
        child = nullptr;
    }
    items->Release();
}

void ExpandFolderTreeItem(HWND tree, HTREEITEM item) {
    TreeItemData* data = ItemData(tree, item);
    if (!data) return;
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    IShellFolder* folder = nullptr;
    if (!data->parent) {
        SHGetDesktopFolder(&folder);
    } else if (FAILED(data->parent->BindToObject(data->relative, nullptr, IID_IShellFolder, (void**)&folder))) {
        folder = nullptr;
    }
    if (folder) {
        FillFolderTreeChildren(tree, item, folder, data->absolute);
        TVSORTCB sort = {item, CompareFolderTreeItems, 0};
        SendMessageW(tree, TVM_SORTCHILDRENCB, 0, (LPARAM)&sort);
        folder->Release();
    }
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
}

void OnGetDispInfo(NMTVDISPINFOW* info) {
    auto* data = reinterpret_cast<TreeItemData*>(info->item.lParam);
    if (!data || !data->absolute) return;
    SHFILEINFOW file = {};
    const LPCWSTR list = reinterpret_cast<LPCWSTR>(data->absolute);
    if ((info->item.mask & TVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
        SHGetFileInfoW(list, 0, &file, sizeof file, SHGFI_PIDL | SHGFI_DISPLAYNAME);
        CopyStringW(info->item.pszText, file.szDisplayName, (size_t)info->item.cchTextMax);
    }
    if (info->item.mask & TVIF_IMAGE) {
        SHGetFileInfoW(list, 0, &file, sizeof file,
                       SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_LINKOVERLAY);
        info->item.iImage = file.iIcon;
    }
    if (info->item.mask & TVIF_SELECTEDIMAGE) {
        SHGetFileInfoW(list, 0, &file, sizeof file, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
        info->item.iSelectedImage = file.iIcon;
    }
}

void OnSelectionChanged(HWND window, NMTREEVIEWW* info) {
    if (g_selecting) return;
    wchar_t path[MAX_PATH];
    if (!ItemPath(info->hdr.hwndFrom, info->itemNew.hItem, path)) return;
    CopyStringW(AppState::TreeSelectedFolder, path);
    FolderTreeOwnChange = true;
    if (ThumbLoader::Running) ThumbLoader::TreeRequest = true;
    else PostMessageW(window, WM_APP_BROWSER_REFRESH, 0, 0);
}

void OnBeginDrag(NMTREEVIEWW* info) {
    HWND tree = info->hdr.hwndFrom;
    HTREEITEM item = info->itemNew.hItem;
    if (!item || item == g_root) return;
    wchar_t path[MAX_PATH + 1] = {};
    if (!ItemPath(tree, item, path) || wcslen(path) < 4) return;  // no drive root
    path[wcslen(path) + 1] = 0;                                   // a one-entry double-zero list
    AppState::DragSourceWindow = tree;
    AppState::DragActive = true;
    g_draggedItem = item;
    DoDragFiles(tree, path, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    // The drag is over: a later drop is no longer the tree's own.
    g_draggedItem = nullptr;
    if (AppState::DragSourceWindow == tree) AppState::DragSourceWindow = nullptr;
}

bool IsDescendant(HWND tree, HTREEITEM item, HTREEITEM ancestor) {
    for (HTREEITEM up = NextItem(tree, item, TVGN_PARENT); up; up = NextItem(tree, up, TVGN_PARENT))
        if (up == ancestor) return true;
    return false;
}

HTREEITEM HitTest(HWND tree, POINT client, UINT flags) {
    TVHITTESTINFO hit = {};
    hit.pt = client;
    HTREEITEM item = (HTREEITEM)SendMessageW(tree, TVM_HITTEST, 0, (LPARAM)&hit);
    return item && (hit.flags & flags) ? item : nullptr;
}

void KillAutoExpand(HWND tree) {
    KillTimer(tree, TIMER_TREE_AUTOEXPAND);
    g_expand.armed = false;
}

LRESULT CALLBACK FolderTreeWndProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        // The shell's context menu draws through the main window.
        SendMessageW(GetParent(tree), message, wParam, lParam);
        return 1;
    case WM_TIMER:
        if (wParam == TIMER_TREE_AUTOEXPAND) {
            KillAutoExpand(tree);
            if (HTREEITEM item = HitTest(tree, g_expand.client,
                                         TVHT_ONITEM | TVHT_ONITEMBUTTON | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT))
                Expand(tree, item);
            return 0;
        }
        break;
    default: break;
    }
    return CallWindowProcW(g_previousProc, tree, message, wParam, lParam);
}

// The Desktop's child for a special folder: by path when it has one, else by id list.
HTREEITEM FindSpecialFolderItem(HWND tree, int csidl) {
    LPITEMIDLIST special = nullptr;
    if (FAILED(SHGetFolderLocation(nullptr, csidl, nullptr, 0, &special)) || !special) return nullptr;
    wchar_t specialPath[MAX_PATH] = {};
    const bool byPath = SHGetPathFromIDListW(special, specialPath) && specialPath[0];
    HTREEITEM found = nullptr;
    for (HTREEITEM child = NextItem(tree, g_root, TVGN_CHILD); child && !found;
         child = NextItem(tree, child, TVGN_NEXT)) {
        const TreeItemData* data = ItemData(tree, child);
        if (!data) continue;
        if (byPath) {
            wchar_t path[MAX_PATH];
            if (ItemPath(tree, child, path) && _wcsicmp(path, specialPath) == 0) found = child;
        } else if (ILIsEqual(data->absolute, special)) {
            found = child;
        }
    }
    FreeItemIdList(special);
    return found;
}

bool IsSpecialFolderPath(const wchar_t* path, int csidl) {
    wchar_t special[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, special)) || !special[0]) return false;
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return false;
    LPITEMIDLIST parsed = nullptr;
    bool same = false;
    if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, const_cast<LPWSTR>(path), nullptr, &parsed, nullptr))) {
        wchar_t resolved[MAX_PATH] = {};
        same = SHGetPathFromIDListW(parsed, resolved) && _wcsicmp(resolved, special) == 0;
        FreeItemIdList(parsed);
    }
    desktop->Release();
    return same;
}

HTREEITEM FindFolderTreeChild(HWND tree, HTREEITEM item, const wchar_t* segment) {
    for (HTREEITEM child = NextItem(tree, item, TVGN_CHILD); child; child = NextItem(tree, child, TVGN_NEXT)) {
        wchar_t text[MAX_PATH] = {};
        TVITEMW tv = {};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = child;
        tv.pszText = text;
        tv.cchTextMax = MAX_PATH - 1;
        if (SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv) && FolderTreeTextMatches(tv.pszText, segment))
            return child;
    }
    return nullptr;
}

void SelectFolderTreePathFrom(HWND tree, const wchar_t* path, HTREEITEM start) {
    static wchar_t segments[MAX_PATH / 2][MAX_PATH];
    const int count = SplitTreePath(path, segments, MAX_PATH / 2);
    HTREEITEM item = start;
    for (int i = 0; i < count; ++i) {
        HTREEITEM child = FindFolderTreeChild(tree, item, segments[i]);
        if (!child) return;
        Expand(tree, child);
        item = child;
    }
    SelectAtTop(tree, item);
}

}  // namespace

// ---- id lists ----

UINT ItemIdListSize(LPCITEMIDLIST list) {
    UINT size = 0;
    if (list) {
        const BYTE* p = reinterpret_cast<const BYTE*>(list);
        for (USHORT cb; (cb = reinterpret_cast<const SHITEMID*>(p + size)->cb) != 0;) size += cb;
    }
    return size + sizeof(USHORT);
}

LPITEMIDLIST CopyItemIdList(LPCITEMIDLIST list) {
    if (!list) return nullptr;
    IMalloc* malloc = Allocator();
    if (!malloc) return nullptr;
    const UINT size = ItemIdListSize(list);
    auto* copy = static_cast<LPITEMIDLIST>(malloc->Alloc(size));
    if (copy) memcpy(copy, list, size);
    return copy;
}

LPITEMIDLIST ConcatItemIdLists(LPCITEMIDLIST first, LPCITEMIDLIST second) {
    IMalloc* malloc = Allocator();
    if (!malloc) return nullptr;
    const UINT firstSize = first ? ItemIdListSize(first) - sizeof(USHORT) : 0;
    const UINT secondSize = ItemIdListSize(second);
    auto* joined = static_cast<BYTE*>(malloc->Alloc(firstSize + secondSize));
    if (!joined) return nullptr;
    memset(joined, 0, firstSize + secondSize);
    if (first) memcpy(joined, first, firstSize);
    if (second) memcpy(joined + firstSize, second, secondSize);
    return reinterpret_cast<LPITEMIDLIST>(joined);
}

void FreeItemIdList(LPITEMIDLIST list) {
    if (!list) return;
    if (IMalloc* malloc = Allocator()) malloc->Free(list);
}

// ---- pure helpers ----

bool FolderTreeTextMatches(const wchar_t* text, const wchar_t* segment) {
    if (!text || !segment) return false;
    const wchar_t* open = wcschr(text, L'(');
    if (open && wcslen(open) >= 3 && open[2] == L':') {
        const wchar_t* inside = open + 1;
        const wchar_t* close = wcschr(inside, L')');
        const size_t length = close ? (size_t)(close - inside) : wcslen(inside);
        return wcslen(segment) == length && _wcsnicmp(inside, segment, length) == 0;
    }
    return _wcsicmp(text, segment) == 0;
}

int SplitTreePath(const wchar_t* path, wchar_t segments[][MAX_PATH], int capacity) {
    if (!path) return 0;
    int count = 0;
    const wchar_t* p = path;
    while (*p && count < capacity) {
        const wchar_t* end = wcschr(p, L'\\');
        const size_t length = end ? (size_t)(end - p) : wcslen(p);
        if (length > 0 && length < MAX_PATH) {
            wmemcpy(segments[count], p, length);
            segments[count][length] = 0;
            CharUpperW(segments[count]);
            ++count;
        }
        if (!end) break;
        p = end + 1;
    }
    return count;
}

// ---- the tree ----

bool CreateFolderTree(HWND owner, HFONT font) {
    if (!owner) return false;
    DestroyFolderTree();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    g_tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                             WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TVS_HASBUTTONS | TVS_SHOWSELALWAYS |
                                 TVS_NOTOOLTIPS | TVS_TRACKSELECT,
                             0, 0, 0, 0, owner, (HMENU)(INT_PTR)kFolderTreeId, AppState::Instance, nullptr);
    if (!g_tree) {
        ShowMessage(L"No FolderView Window!?!");
        return false;
    }
    // The owner routes the tree's notifications by this handle.
    Browser.folderTreeWindow = g_tree;
    if (font) SendMessageW(g_tree, WM_SETFONT, (WPARAM)font, FALSE);
    SendMessageW(g_tree, WM_SETREDRAW, FALSE, 0);
    SHFILEINFOW file = {};
    auto icons = (HIMAGELIST)SHGetFileInfoW(L"C:\\", 0, &file, sizeof file, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    if (!icons) ShowMessage(L"no imglist!");
    else SendMessageW(g_tree, TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)icons);
    SendMessageW(g_tree, TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT);
    SendMessageW(g_tree, TVM_SETSCROLLTIME, 0, 0);
    InsertFolderTreeRoot(g_tree);
    g_previousProc = (WNDPROC)SetWindowLongPtrW(g_tree, GWLP_WNDPROC, (LONG_PTR)FolderTreeWndProc);
    return true;
}

void DestroyFolderTree() {
    if (!g_tree) return;
    KillAutoExpand(g_tree);
    // The items' data goes with TVN_DELETEITEMW while the owner still routes it.
    SendMessageW(g_tree, TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT);
    DestroyWindow(g_tree);
    if (Browser.folderTreeWindow == g_tree) Browser.folderTreeWindow = nullptr;
    g_tree = nullptr;
    g_root = nullptr;
    g_draggedItem = nullptr;
}

HWND FolderTreeWindow() { return g_tree; }

bool SelectFolderTreePath(const wchar_t* folder) {
    HWND tree = g_tree;
    if (!tree || !g_root || !folder || !folder[0]) return false;
    g_selecting = true;
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    wchar_t parentPath[MAX_PATH];
    HTREEITEM selected = NextItem(tree, nullptr, TVGN_CARET);
    HTREEITEM parent = selected ? NextItem(tree, selected, TVGN_PARENT) : nullptr;
    if (parent && ItemPath(tree, parent, parentPath) && _wcsicmp(parentPath, folder) == 0) {
        SelectAtTop(tree, parent);
    } else if (PathIsUNCW(folder)) {
        if (HTREEITEM network = FindSpecialFolderItem(tree, CSIDL_NETWORK)) {
            SelectAtTop(tree, network);
            Expand(tree, network);
        }
    } else if (IsSpecialFolderPath(folder, CSIDL_PERSONAL)) {
        if (HTREEITEM documents = FindSpecialFolderItem(tree, CSIDL_PERSONAL)) {
            SelectAtTop(tree, documents);
            Expand(tree, documents);
        }
    } else if (IsSpecialFolderPath(folder, CSIDL_DESKTOPDIRECTORY)) {
        SelectAtTop(tree, g_root);
    } else if (HTREEITEM computer = FindSpecialFolderItem(tree, CSIDL_DRIVES)) {
        SelectAtTop(tree, computer);
        Expand(tree, computer);
        SelectFolderTreePathFrom(tree, folder, computer);
    }
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
    g_selecting = false;
    return true;
}

LRESULT FolderTreeOnNotify(HWND window, NMHDR* header) {
    if (!header) return 0;
    HWND tree = header->hwndFrom;
    switch (header->code) {
    case TVN_ITEMEXPANDINGW: {
        auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
        if (info->action & TVE_COLLAPSE) CollapseReset(tree, info->itemNew.hItem);
        else if (info->action & TVE_EXPAND) ExpandFolderTreeItem(tree, info->itemNew.hItem);
        break;
    }
    case TVN_GETDISPINFOW: OnGetDispInfo(reinterpret_cast<NMTVDISPINFOW*>(header)); break;
    case TVN_DELETEITEMW:
        FreeItemData(reinterpret_cast<TreeItemData*>(reinterpret_cast<NMTREEVIEWW*>(header)->itemOld.lParam));
        break;
    case TVN_SELCHANGEDW: OnSelectionChanged(window, reinterpret_cast<NMTREEVIEWW*>(header)); break;
    case TVN_BEGINDRAGW: OnBeginDrag(reinterpret_cast<NMTREEVIEWW*>(header)); break;
    default: break;
    }
    return 0;
}

void RefreshTreeSelection(HWND tree) {
    if (!tree) return;
    HTREEITEM selected = NextItem(tree, nullptr, TVGN_CARET);
    if (!selected) return;
    CollapseReset(tree, selected);
    // A folder that had no subfolders may have one now.
    SetChildFlag(tree, selected, 1);
    Expand(tree, selected);
    if (!NextItem(tree, selected, TVGN_CHILD)) SetChildFlag(tree, selected, 0);
}

// ---- the shell's context menu ----

bool FolderTreeOnContextMenu(HWND window, int x, int y) {
    HWND tree = g_tree;
    if (!tree) return false;
    POINT client = {x, y};
    ScreenToClient(tree, &client);
    HTREEITEM item = HitTest(tree, client, TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON);
    const TreeItemData* data = ItemData(tree, item);
    if (!data) return false;
    IShellFolder* folder = data->parent;
    if (folder) folder->AddRef();
    else if (FAILED(SHGetDesktopFolder(&folder))) return false;
    IContextMenu* menu = nullptr;
    LPCITEMIDLIST relative = data->relative;
    if (FAILED(folder->GetUIObjectOf(window, 1, &relative, IID_IContextMenu, nullptr, (void**)&menu)) || !menu) {
        folder->Release();
        return false;
    }
    HMENU popup = CreatePopupMenu();
    int chosen = 0;
    if (popup && SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_EXPLORE))) {
        if (FAILED(menu->QueryInterface(IID_IContextMenu2, (void**)&g_contextMenu))) g_contextMenu = nullptr;
        chosen = (int)TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, window, nullptr);
        if (g_contextMenu) g_contextMenu->Release();
        g_contextMenu = nullptr;
    }
    if (chosen > 0) {
        CMINVOKECOMMANDINFO invoke = {};
        invoke.cbSize = sizeof(invoke);
        invoke.hwnd = window;
        invoke.lpVerb = MAKEINTRESOURCEA(chosen - 1);
        invoke.nShow = SW_SHOWNORMAL;
        menu->InvokeCommand(&invoke);
    }
    if (popup) DestroyMenu(popup);
    menu->Release();
    folder->Release();
    return true;
}

bool FolderTreeHandleMenuMsg(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (!g_contextMenu) return false;
    if (FAILED(g_contextMenu->HandleMenuMsg(message, wParam, lParam))) return false;
    if (result) *result = 0;
    return true;
}

// ---- drag and drop ----

DWORD FolderTreeDragOver(HWND tree, int x, int y, DWORD effect) {
    if (!tree) return DROPEFFECT_NONE;
    const POINT screen = {x, y};
    if (g_expand.armed && screen.x != g_expand.screen.x && screen.y != g_expand.screen.y) KillAutoExpand(tree);
    if (!AppState::DragActive) return DROPEFFECT_NONE;
    POINT client = screen;
    ScreenToClient(tree, &client);
    HTREEITEM item = HitTest(tree, client, TVHT_ONITEM | TVHT_ONITEMBUTTON | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT);
    if (!item) {
        SendMessageW(tree, TVM_SELECTITEM, TVGN_DROPHILITE, 0);
        return DROPEFFECT_NONE;
    }
    if (!g_expand.armed) {
        SetTimer(tree, TIMER_TREE_AUTOEXPAND, kTreeAutoExpandDelay, nullptr);
        g_expand.armed = true;
        g_expand.screen = screen;
        g_expand.client = client;
    }
    bool scrolled = false;
    if (HTREEITEM above = NextItem(tree, item, TVGN_PREVIOUSVISIBLE))
        scrolled |= SendMessageW(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)above) != 0;
    if (HTREEITEM below = NextItem(tree, item, TVGN_NEXTVISIBLE))
        scrolled |= SendMessageW(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)below) != 0;
    if (scrolled) KillAutoExpand(tree);
    if (AppState::DragSourceWindow == tree && g_draggedItem) {
        if (item == g_draggedItem || item == NextItem(tree, g_draggedItem, TVGN_PARENT) ||
            IsDescendant(tree, item, g_draggedItem))
            return DROPEFFECT_NONE;
    }
    wchar_t path[MAX_PATH];
    if (!ItemPath(tree, item, path)) return DROPEFFECT_NONE;
    SendMessageW(tree, TVM_SELECTITEM, TVGN_DROPHILITE, (LPARAM)item);
    return effect;
}

bool FolderTreeAutoExpandArmed() { return g_expand.armed; }

void SetFolderTreeDragItem(HTREEITEM item) { g_draggedItem = item; }

void FolderTreeDrop(HWND tree, int x, int y, DWORD, HDROP drop) {
    if (!tree || !AppState::DragActive) return;
    AppState::DragActive = false;
    KillAutoExpand(tree);
    const POINT screen = {x, y};
    const int choice = ShowDropMenu(tree, screen);
    if (choice != 1 && choice != 2) {
        SendMessageW(tree, TVM_SELECTITEM, TVGN_DROPHILITE, 0);
        return;
    }
    const bool move = choice == 2;
    POINT client = screen;
    ScreenToClient(tree, &client);
    HTREEITEM target = HitTest(tree, client, TVHT_ONITEM | TVHT_ONITEMBUTTON | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT);
    if (!target) return;
    SendMessageW(tree, TVM_SELECTITEM, TVGN_DROPHILITE, 0);
    wchar_t targetPath[MAX_PATH];
    if (!ItemPath(tree, target, targetPath)) {
        ShowMessage(L"Invalid Item for Drop!");
        return;
    }
    const UINT count = drop ? DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) : 0;
    bool folderDropped = false;
    auto isFolder = [](const wchar_t* path) {
        const DWORD attributes = GetFileAttributesW(path);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    };
    // The list's selection is what moves only while the list's own drag runs;
    // any other drop carries its own names.
    const bool fromList = Browser.fileListWindow && AppState::DragSourceWindow == Browser.fileListWindow;
    if (fromList) {
        if (move) MoveSelectedFiles(targetPath);
        else CopySelectedFiles(targetPath);
        for (UINT i = 0; i < count && !folderDropped; ++i) {
            wchar_t name[MAX_PATH];
            if (DragQueryFileW(drop, i, name, MAX_PATH)) folderDropped = isFolder(name);
        }
    } else {
        HWND bar = CreateProgressBar((int)count);
        const bool fromTree = AppState::DragSourceWindow == tree && g_draggedItem;
        bool draggedFolderMoved = false;
        for (UINT i = 0; i < count; ++i) {
            wchar_t name[MAX_PATH];
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            if (length == 0 || length >= MAX_PATH || !DragQueryFileW(drop, i, name, MAX_PATH)) continue;
            if (isFolder(name)) {
                folderDropped = true;
                const bool done = move ? MoveFolderInto(name, targetPath) : CopyFolderInto(name, targetPath);
                if (move && done && GetFileAttributesW(name) == INVALID_FILE_ATTRIBUTES) draggedFolderMoved = true;
            } else if (move) {
                MoveFileIntoFolder(name, targetPath);
            } else {
                CopyFileIntoFolder(name, targetPath);
            }
            if (bar) StepProgressBar(bar);
        }
        if (bar) DestroyProgressBar(bar);
        // Entries dragged out of the playlist and moved away leave it.
        if (move && Browser.playlistListWindow && AppState::DragSourceWindow == Browser.playlistListWindow)
            PlaylistPanel.RemoveSelected();
        // The dragged folder's item goes only when the folder has really gone.
        if (move && fromTree && draggedFolderMoved) {
            HTREEITEM parent = NextItem(tree, g_draggedItem, TVGN_PARENT);
            SendMessageW(tree, TVM_DELETEITEM, 0, (LPARAM)g_draggedItem);
            g_draggedItem = nullptr;
            if (parent) {
                const bool hasChildren = NextItem(tree, parent, TVGN_CHILD) != nullptr;
                SetChildFlag(tree, parent, hasChildren ? 1 : 0);
                CollapseReset(tree, parent);
                if (hasChildren) Expand(tree, parent);
            }
        }
    }
    if (folderDropped) {
        RefreshTreeSelection(tree);
        CollapseReset(tree, target);
        SetChildFlag(tree, target, 1);
        Expand(tree, target);
    }
}
