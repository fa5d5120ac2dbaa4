// The database maintenance dialog and what it shows and does: the cached
// folders listed in qrv.dbt, one row of figures per folder, and the removal of
// selected or invalid folders or of the whole database.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The folders listed in qrv.dbt, in file order, read as text in the ANSI code
// page. opened (when given) is false when the file cannot be read.
std::vector<std::wstring> ListCachedFolders(bool* opened = nullptr);

// One folder's figures: its cache file's thumbnail count (the stored index
// count), cell size and file size. readable is false when the folder has no
// cache file name or its file cannot be opened or holds no header.
struct CachedFolderFigures {
    bool readable = false;
    std::wstring cacheName;
    int count = 0;
    int cellWidth = 0, cellHeight = 0;
    uint64_t fileSize = 0;
};
CachedFolderFigures ReadCachedFolderFigures(const wchar_t* folder);

// A size in units of 1,048,576 bytes as "%3.2f MB", at least "0.01 MB".
std::wstring FormatCacheSize(uint64_t bytes);

// Removes every listed folder that is not a UNC path and no longer exists;
// returns how many went.
int RemoveInvalidFolders(const std::vector<std::wstring>& folders);

// Removes every listed folder, then qrv.dbt itself ("Unable to delete dbt
// file!" when that fails). Returns whether qrv.dbt went.
bool DeleteWholeThumbDB(const std::vector<std::wstring>& folders);

// The dialog procedure of DBMAINTENANCEDLG (opened modally on the main window).
INT_PTR CALLBACK DBMaintenanceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
