// Copying, moving, renaming and deleting media files and folders through the
// shell's file operation, for the viewer's current file or the browser's
// selection, and the dialogs that ask for a new name or a target folder.
// After a change the file list, its view, the tree and the viewer follow what
// is really on disk: an entry goes only when its file went.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "browser_ids.h"

// ---- the arithmetic, without the shell ----

// A free name for a path that exists: " (n)" (n = 1..99) goes before the
// extension of the file name part ("photo.jpg" -> "photo (2).jpg"); a name
// without a dot, or a folder (asFolder), gets it at its end. A path that does
// not exist stays; when all 99 exist the path stays too. size is the buffer's
// size in characters; a name that would not fit counts as taken.
void MakeFreeFileName(wchar_t* path, size_t size = MAX_PATH, bool asFolder = false);
// True when target is folder itself or lies below it (without regard to case,
// on whole path components; trailing separators ignored).
bool IsSameOrBelowFolder(const wchar_t* folder, const wchar_t* target);
// folder + "\" (unless it ends in one) + name; false when the result would
// have more than MAX_PATH - 1 characters (out is then empty).
bool JoinFolderAndName(wchar_t* out, const wchar_t* folder, const wchar_t* name);
// The file name part of a path (after the last "\" or "/").
const wchar_t* FileNamePart(const wchar_t* path);
// A failure text: head, then one path a line, cut so the whole stays within
// the message box's 1024 characters (a last line "..." says paths are left out).
std::wstring FormatPathListMessage(const wchar_t* head, const std::vector<std::wstring>& paths);
// Puts target at the top of a folder history, dropping an entry equal to it
// without regard to case, and keeps at most kTargetHistoryLimit entries.
inline constexpr int kTargetHistoryLimit = 50;
void PushTargetHistory(std::vector<std::wstring>& history, const std::wstring& target);
// Removes duplicates (without regard to case, the first kept) and cuts to the limit.
void TidyTargetHistory(std::vector<std::wstring>& history);
// A new name typed for rename: not empty, no path separator or character a
// file name cannot hold.
bool IsPlainFileName(const wchar_t* name);

// ---- one shell operation ----

// SHFileOperationW over double-zero-terminated lists made from from and to (to
// may be null). Success means the call returned 0 and nothing was aborted.
bool RunFileOperation(UINT function, const wchar_t* from, const wchar_t* to, FILEOP_FLAGS flags, HWND owner);

// Copies (moves) a file into targetFolder (made when missing) under a free
// name; the copy gets normal attributes. False when refused (name too long,
// a move onto itself) or when the shell failed. copiedPath (MAX_PATH
// characters, may be null) receives the copy's path under its actual name.
bool CopyFileIntoFolder(const wchar_t* file, const wchar_t* targetFolder, wchar_t* copiedPath = nullptr);
bool MoveFileIntoFolder(const wchar_t* file, const wchar_t* targetFolder);
// Copies (moves) a folder into targetFolder; a folder of that name already
// there is left alone and the new one goes in under a free name ("A (1)").
// Refused into the folder itself or below it.
bool CopyFolderInto(const wchar_t* folder, const wchar_t* targetFolder, HWND owner = nullptr);
bool MoveFolderInto(const wchar_t* folder, const wchar_t* targetFolder, HWND owner = nullptr);
// Deletes one file, to the recycle bin or for good; the viewer's media is
// closed first when it shows that file. True when the file is gone.
bool DeleteOneFile(const wchar_t* path, bool toRecycleBin);

// The viewer's current file (browser hidden or closed) or the browser's
// selection, into targetFolder.
bool CopySelectedFiles(const wchar_t* targetFolder);
bool MoveSelectedFiles(const wchar_t* targetFolder);
// After asking (unless forGood), deletes the viewer's file or the browser's
// selection to the recycle bin, or for good.
void DeleteSelectedFiles(bool forGood);

// The dialogs of commands 217, 214 and 215, modal on owner.
INT_PTR CALLBACK RenameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CopyToDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MoveToDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowRenameDialog(HWND owner);
void ShowCopyToDialog(HWND owner);
void ShowMoveToDialog(HWND owner);

// Control ids of the three dialogs.
inline constexpr int kRenameNameEdit = IDC_RENAME_NAME;
inline constexpr int kRenameOldNameEdit = IDC_RENAME_OLD_NAME;
inline constexpr int kTargetEdit = IDC_TARGET_FOLDER;
inline constexpr int kTargetBrowse = IDC_TARGET_BROWSE;
inline constexpr int kTargetList = IDC_TARGET_HISTORY;
inline constexpr int kTargetRemove = IDC_TARGET_REMOVE;
inline constexpr int kTargetUp = IDC_TARGET_UP;
inline constexpr int kTargetDown = IDC_TARGET_DOWN;
inline constexpr int kTargetRemoveAll = IDC_TARGET_REMOVE_ALL;
