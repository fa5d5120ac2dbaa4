// The browser's file list view: one list view child of the main window that
// shows the folder's subfolders and files (subfolders first) as a grid of
// thumbnails or as a report, and the small drawing services the thumbnail
// loader shares with it (progress bar, cell frame, placeholders).
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>

#include "browser_ids.h"

// Placeholder bitmaps (64 x 64, silver background) of the thumbnail view.
inline constexpr int kPlaceholderImage = IDB_THUMB_IMAGE;
inline constexpr int kPlaceholderVideo = IDB_THUMB_VIDEO;
inline constexpr int kPlaceholderSound = IDB_THUMB_SOUND;
inline constexpr int kPlaceholderFolder = IDB_THUMB_FOLDER;

// The list window (null while the browser has none).
HWND FileListWindow();

// Creates the list as an invisible child of parent, replacing an earlier one.
bool CreateFileListView(HWND parent);
bool DestroyFileListView();
// Window and extended styles of the current view style; checks the menu's
// Thumbnail or Report item.
void SetFileListStyle(HWND list);
void SetFileListColors();
void InsertReportColumns(HWND list);
void SizeReportNameColumn(HWND list);
// Builds the image list and inserts one item per subfolder and file.
bool FillFileListView(HWND list);
// Places the thumbnail items in rows that fit the list area.
bool ArrangeThumbnailGrid(HWND list);
void DeleteListItem(HWND list, int index);
void SelectAllFiles();
bool CopySelectionToClipboard(HWND list, bool withPath);

void FileListOnGetDispInfo(NMLVDISPINFOW* info);
void FileListOnItemChanged(NMLISTVIEW* info);
void FileListBeginDrag(NMLISTVIEW* info);
// Drag hover and drop of the list's own drag onto a folder item.
DWORD FileListDragOver(HWND list, POINT screen, DWORD effect);
void FileListDrop(HWND list, POINT screen, const wchar_t* files);

// "%3.2f MB" of size / 1,048,576, at least 0.01; out holds 32 characters.
void FormatSizeMB(wchar_t* out, uint64_t size);

// A 64 x 64 bitmap resource with its silver turned into the window colour,
// centred on a cell filled with the window colour; null when it does not load.
HBITMAP MakeCenteredBitmap(int cellWidth, int cellHeight, int bitmapWidth, int bitmapHeight, int resourceId);

// The list's own progress bar along the bottom of the list area (the
// main window's bar for image operations is another one).
namespace ListProgress {
HWND CreateProgressBar(int range);
void StepProgressBar(HWND bar);
// Geometry of the bar in the main window's client area.
RECT ProgressBarRect(const RECT& client, int leftPaneWidth);
}  // namespace ListProgress

// Cell frames: the loader's light frame and the settings page's previews.
void DrawThumbnailFrame(HDC dc, int left, int top, int right, int bottom);
void DrawFlatThumbnailFrame(HDC dc, int left, int top, int right, int bottom);
void DrawShadowThumbnailFrame(HDC dc, int left, int top, int right, int bottom);

// ---- the arithmetic of the list, without a window ----

// The placeholder resource of a file in the thumbnail view, by its extension.
int ThumbnailPlaceholderFor(const wchar_t* name);
// The document icon file ("bmp.ico" ... "Image.ico") of the report view.
const wchar_t* ReportIconFor(const wchar_t* name);
// The program's "Icons" folder, beside the program file.
std::wstring ProgramIconsFolder();

// Position of the next grid item after one placed at x, y; availableWidth is
// the main window's client width less the browser's left pane and 8.
POINT NextGridPosition(POINT placed, int cellWidth, int cellHeight, int availableWidth);

// The thumbnail caption of name: whole when it is at most cellWidth - 12
// wide, else the longest prefix narrower than that less one character, and
// "...". measure gives the width of a text.
std::wstring CutCaption(const wchar_t* name, int cellWidth, const std::function<int(const std::wstring&)>& measure);
