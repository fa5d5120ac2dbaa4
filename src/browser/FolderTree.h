// The folder tree: a tree view over the shell namespace, rooted at the
// Desktop, filled lazily as items expand. Its operations are plain functions
// over the one tree window (Browser.folderTreeWindow).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

// The tree's child id.
inline constexpr int kFolderTreeId = 13001;
// How long a drag rests on an item before the item expands.
inline constexpr UINT kTreeAutoExpandDelay = 1000;

// Creates the tree as a hidden child of owner with the Desktop root expanded;
// "No FolderView Window!?!" when it cannot be made. True when the tree exists.
bool CreateFolderTree(HWND owner, HFONT font);
void DestroyFolderTree();
// The tree window, null before CreateFolderTree.
HWND FolderTreeWindow();
// Selects the item of folder (My Computer, the drive and each folder below,
// expanded on the way; a network path selects Network only) without starting
// a folder change.
bool SelectFolderTreePath(const wchar_t* folder);
// WM_NOTIFY of the tree: expanding, display texts and icons, deleting,
// selection and the start of a drag.
LRESULT FolderTreeOnNotify(HWND window, NMHDR* header);
// The shell's context menu of the item under the screen point.
bool FolderTreeOnContextMenu(HWND window, int x, int y);
// Hands menu messages to the shell's context menu while it is shown.
bool FolderTreeHandleMenuMsg(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
// The effect a drag over the tree at the screen point is allowed.
DWORD FolderTreeDragOver(HWND tree, int x, int y, DWORD effect);
// A drop onto the tree at the screen point: copies or moves the dropped
// files (or, while the program's own drag from the list runs, the list's
// selection) into the item's folder.
void FolderTreeDrop(HWND tree, int x, int y, DWORD effect, HDROP drop);
// The item the tree's own drag carries: set when the tree starts a drag and
// cleared when it ends (a test may set it to stand for a drag under way).
void SetFolderTreeDragItem(HTREEITEM item);
// Whether a drag resting on the tree has armed the expand timer.
bool FolderTreeAutoExpandArmed();
// Collapses the selected item and expands it again, so its children are
// enumerated anew.
void RefreshTreeSelection(HWND tree);
// Set while the tree's own selection started the folder change.
inline bool FolderTreeOwnChange = false;

// ---- id lists, through the shell allocator ----

// A copy with its 2-byte terminator; null for a null list or when no memory.
LPITEMIDLIST CopyItemIdList(LPCITEMIDLIST list);
// first without its terminator followed by second with it (either may be
// null); zero-filled; null when no memory.
LPITEMIDLIST ConcatItemIdLists(LPCITEMIDLIST first, LPCITEMIDLIST second);
void FreeItemIdList(LPITEMIDLIST list);
// Bytes of a list including its terminator (2 for a null or empty list).
UINT ItemIdListSize(LPCITEMIDLIST list);

// ---- pure helpers ----

// Whether a tree item's text names a path segment: the text itself, or for a
// drive shown as "Label (C:)" the part between the parentheses; without
// regard to case.
bool FolderTreeTextMatches(const wchar_t* text, const wchar_t* segment);
// The segments of a path, upper-cased, as the walk from My Computer takes
// them ("c:\a\b" gives "C:", "A", "B").
int SplitTreePath(const wchar_t* path, wchar_t segments[][MAX_PATH], int capacity);
