// The shell's folder browser behind one seam. Every "..." or "Browse" button
// that asks for a folder calls ChooseFolder; tests install a hook that answers
// in place of the modal shell window.
#pragma once

#include <windows.h>

#include <string>

// Answers in place of the shell window: true with *path set to the chosen
// folder, false for a cancel. title may be null.
using FolderChooserHook = bool (*)(HWND owner, const wchar_t* title, std::wstring* path);

// Installs a hook (null restores the shell window); returns the previous one.
FolderChooserHook SetFolderChooserHook(FolderChooserHook hook);

// SHBrowseForFolderW owned by owner with BIF_RETURNONLYFSDIRS and
// BIF_NEWDIALOGSTYLE. True with the chosen file-system folder in *path; false
// when the user cancels or the choice has no file-system path. The item id
// list is freed with the shell allocator.
bool ChooseFolder(HWND owner, const wchar_t* title, std::wstring* path);
