// The file information dialog ("FILEINFODLG"): a two-column table of facts
// about the current media file (name, format, size, date, picture size and
// depth, memory, frames, streams and, for JPEG files, every Exif and Meta
// tag), the file's Hidden and Read only attributes, and a copy of the table to
// the clipboard as text.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

#include "exif/ExifTagNames.h"

struct MediaFileEntry;
class ExifTagEntry;

INT_PTR CALLBACK FileInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Opens the dialog, modal on owner.
void ShowFileInfoDialog(HWND owner);

// Appends a row to the open dialog's table: the label in the first column and
// the printf-style (wide) value, cut to 1024 characters, in the second. An
// empty label and value make a blank separator row. Returns the number of rows
// added since the dialog opened; with no dialog open nothing is added.
int AddFileInfoRow(const wchar_t* label, const wchar_t* format, ...);
// The Exif and Meta rows of a JPEG file (see CollectExifInfoRows); true when
// the file was read as an Exif JPEG.
bool AddExifInfoRows(const wchar_t* path);
// The row of one tag entry; true when a row was added.
bool AddExifTagRow(const ExifTagEntry* entry);

// The file the dialog describes, into path (MAX_PATH characters): on the
// playlist tab the playlist's current entry; else the folder list's current
// entry (its name taken from the current folder); else the viewer's current
// file. Returns the list entry the file came from, or null for the viewer's
// file; an index outside its list counts as no entry.
const MediaFileEntry* ChooseFileInfoFile(wchar_t* path);
// Bytes the picture takes: rows x row stride, times the frames of a GIF that
// has several; computed in 64 bits.
uint64_t FileInfoMemorySize(uint32_t height, uint32_t rowBytes, int formatId, int frameCount);
// The clipboard text of the rows: per row the label, a tab, another tab for a
// label of at most 7 characters, a further one for a label under 16, the
// value and CR LF.
std::wstring FileInfoClipboardText(const std::vector<ExifInfoRow>& rows);
// Sets or clears the Hidden and Read only attributes of a file, keeping its
// others; false when they cannot be read or written.
bool ApplyFileInfoAttributes(const wchar_t* path, bool hidden, bool readOnly);
