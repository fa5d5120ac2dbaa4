// The file information dialog and its rows.
#include "app/FileInfo.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cstdarg>
#include <cwchar>

#include "app/AppState.h"
#include "app/Guarded.h"
#include "app/SaveAsDialog.h"
#include "app_fileinfo_ids.h"
#include "browser/BrowserServices.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

namespace {

// The open dialog's table (the dialog is modal: one at a time).
struct FileInfoRows {
    HWND list = nullptr;
    int count = 0;
    bool hidden = false;
    bool readOnly = false;
    wchar_t path[MAX_PATH] = {};
};
FileInfoRows g_rows;

constexpr int kRowChars = 1024;   // a formatted value
constexpr int kCopyChars = 260;   // a column's text taken for the clipboard
constexpr int kLabelWidth = 130;  // pixels
constexpr int kValueWidth = 200;

void ResetRows() { g_rows = FileInfoRows{}; }

bool ValidIndex(int index, int count) { return index >= 0 && index < count; }

}  // namespace

int AddFileInfoRow(const wchar_t* label, const wchar_t* format, ...) {
    if (!g_rows.list) return g_rows.count;
    wchar_t value[kRowChars];
    va_list args;
    va_start(args, format);
    const int n = _vsnwprintf(value, kRowChars, format ? format : L"", args);
    va_end(args);
    if (n < 0 || n >= kRowChars) value[kRowChars - 1] = L'\0';

    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = g_rows.count;
    item.pszText = const_cast<wchar_t*>(label ? label : L"");
    const int row = (int)SendMessageW(g_rows.list, LVM_INSERTITEMW, 0, (LPARAM)&item);
    if (row < 0) return g_rows.count;
    item.iItem = row;
    item.iSubItem = 1;
    item.pszText = value;
    SendMessageW(g_rows.list, LVM_SETITEMTEXTW, row, (LPARAM)&item);
    return ++g_rows.count;
}

bool AddExifTagRow(const ExifTagEntry* entry) {
    wchar_t value[512];
    if (!FormatExifTagValue(entry, value, 512)) return false;
    wchar_t label[64];
    FormatExifTagLabel(entry->tag, label, 64);
    AddFileInfoRow(label, L"%ls", value);
    return true;
}

bool AddExifInfoRows(const wchar_t* path) {
    std::vector<ExifInfoRow> rows;
    if (!CollectExifInfoRows(path, rows)) return false;
    for (const ExifInfoRow& row : rows) AddFileInfoRow(row.label.c_str(), L"%ls", row.value.c_str());
    return true;
}

const MediaFileEntry* ChooseFileInfoFile(wchar_t* path) {
    if (AppState::BrowserTab == TAB_PLAYLIST && Playlist::Entries && ValidIndex(Playlist::Current, Playlist::Count)) {
        const MediaFileEntry& entry = Playlist::Entries[Playlist::Current];
        CopyStringW(path, entry.name);
        return &entry;
    }
    if (FileList::Entries && ValidIndex(FileList::Current, FileList::Count)) {
        // The name is relative to the current folder; taken from there, it
        // names the same file after the working directory changed.
        const MediaFileEntry& entry = FileList::Entries[FileList::Current];
        if (AppState::CurrentFolder[0] && PathIsRelativeW(entry.name)) {
            wchar_t full[MAX_PATH];
            CopyStringW(full, AppState::CurrentFolder);
            if (AppendPath(full, entry.name)) {
                CopyStringW(path, full);
                return &entry;
            }
        }
        CopyStringW(path, entry.name);
        return &entry;
    }
    CopyStringW(path, AppState::CurrentFile);
    return nullptr;
}

uint64_t FileInfoMemorySize(uint32_t height, uint32_t rowBytes, int formatId, int frameCount) {
    uint64_t bytes = (uint64_t)height * rowBytes;
    if (formatId == FMT_GIF && frameCount > 1) bytes *= (uint64_t)frameCount;
    return bytes;
}

std::wstring FileInfoClipboardText(const std::vector<ExifInfoRow>& rows) {
    std::wstring text;
    for (const ExifInfoRow& row : rows) {
        text += row.label;
        text += L'\t';
        if (row.label.size() <= 7) text += L'\t';
        if (row.label.size() < 16) text += L'\t';
        text += row.value;
        text += L"\r\n";
    }
    return text;
}

bool ApplyFileInfoAttributes(const wchar_t* path, bool hidden, bool readOnly) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    attributes &= ~(DWORD)(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    if (hidden) attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (readOnly) attributes |= FILE_ATTRIBUTE_READONLY;
    // A file with no other attribute is written back as normal.
    if (!attributes) attributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(path, attributes) != 0;
}

namespace {

void AddBlankRow() { AddFileInfoRow(L"", L""); }

void AddListEntryRows(const MediaFileEntry& entry) {
    AddFileInfoRow(L"Filename:", L"%ls", g_rows.path);
    const int format = AppState::CurrentFormatId;
    if (format != FMT_SOUND && format != FMT_VIDEO)
        AddFileInfoRow(L"Fileformat:", L"%ls", FormatDescriptions[(FormatId)format]);
    wchar_t text[64];
    FormatByteSize(text, (float)entry.size);
    AddFileInfoRow(L"Filesize:", L"%ls", text);
    FormatFileTime(text, &entry.lastWrite);
    AddFileInfoRow(L"Filedate:", L"%ls", text);
    AddBlankRow();
}

bool HasFrameRow(int format) {
    return format == FMT_ANI || format == FMT_GIF || format == FMT_ICO || format == FMT_MNG || format == FMT_TIFF;
}

void AddPictureRows() {
    CImage& image = AppState::CurrentImage;
    const int format = AppState::CurrentFormatId;
    if (!image.IsValid() || format == 0 || format == FMT_SOUND) return;
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    const int frames = AnimationBar.frameCount;
    AddFileInfoRow(L"Width:", L"%d Pixels", (int)width);
    AddFileInfoRow(L"Height:", L"%d Pixels", (int)height);
    AddFileInfoRow(L"Colordepth:", L"%d Bit", (int)image.GetBpp());
    wchar_t text[64];
    FormatByteSize(text, (float)FileInfoMemorySize(height, CImage::RowBytes(width, image.GetBpp()), format, frames));
    AddFileInfoRow(L"Memorysize:", L"%ls", text);
    AddFileInfoRow(L"Aspect Ratio:", L"%2.8f", height ? (double)width / height : 0.0);
    AddBlankRow();
    if (frames > 1 && HasFrameRow(format)) {
        AddFileInfoRow(L"Number of Frames:", L"%d", frames);
        AddBlankRow();
    }
    if (format == FMT_JPEG) AddExifInfoRows(g_rows.path);
}

void AddStreamRows() {
    const int format = AppState::CurrentFormatId;
    if (format == FMT_SOUND) {
        if (!DescribeAudioStream(g_rows.path)) {
            AddFileInfoRow(L"Audiostream:", L"Unknown/Unavailable");
            AddBlankRow();
        }
    } else if (format == FMT_VIDEO || format == FMT_QTMOVIE) {
        if (!DescribeVideoStreams(g_rows.path)) {
            AddFileInfoRow(L"Videostream:", L"Unknown/Unavailable");
            AddBlankRow();
        }
    }
}

void InitFileInfoDialog(HWND dialog) {
    CenterWindow(dialog, AppState::MainWindow);
    if (GetSaveServices().langApply) GetSaveServices().langApply(dialog, L"Dlg_FileInfo");
    ResetRows();

    HWND list = GetDlgItem(dialog, IDC_FILEINFO_LIST);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = kLabelWidth;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
    column.cx = kValueWidth;
    SendMessageW(list, LVM_INSERTCOLUMNW, 1, (LPARAM)&column);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

    const MediaFileEntry* entry = ChooseFileInfoFile(g_rows.path);
    const DWORD attributes = GetFileAttributesW(g_rows.path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        g_rows.hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        g_rows.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    }
    CheckDlgButton(dialog, IDC_FILEINFO_HIDDEN, g_rows.hidden ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_FILEINFO_READONLY, g_rows.readOnly ? BST_CHECKED : BST_UNCHECKED);

    g_rows.list = list;
    if (entry) AddListEntryRows(*entry);
    AddPictureRows();
    AddStreamRows();
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
}

std::vector<ExifInfoRow> ReadRows(HWND list) {
    std::vector<ExifInfoRow> rows;
    const int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    wchar_t text[kCopyChars];
    for (int i = 0; i < count; ++i) {
        ExifInfoRow row;
        for (int column = 0; column < 2; ++column) {
            LVITEMW item = {};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = kCopyChars;
            text[0] = L'\0';
            SendMessageW(list, LVM_GETITEMTEXTW, i, (LPARAM)&item);
            (column ? row.value : row.label) = text;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void CopyRowsToClipboard(HWND dialog) {
    std::wstring text;
    try {
        text = FileInfoClipboardText(ReadRows(GetDlgItem(dialog, IDC_FILEINFO_LIST)));
    } catch (...) {
        ShowMessage(MessageOwner{dialog}, L"Failed to alloc mem to hold data!");
        return;
    }
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    void* target = block ? GlobalLock(block) : nullptr;
    if (!target) {
        if (block) GlobalFree(block);
        ShowMessage(MessageOwner{dialog}, L"Failed to alloc mem to hold data!");
        return;
    }
    memcpy(target, text.c_str(), bytes);
    GlobalUnlock(block);
    if (!OpenClipboard(AppState::MainWindow)) {
        GlobalFree(block);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
    CloseClipboard();
}

// OK: the attributes follow the check boxes when one of them changed.
void ApplyCheckBoxes(HWND dialog) {
    const bool hidden = IsDlgButtonChecked(dialog, IDC_FILEINFO_HIDDEN) == BST_CHECKED;
    const bool readOnly = IsDlgButtonChecked(dialog, IDC_FILEINFO_READONLY) == BST_CHECKED;
    if (hidden != g_rows.hidden || readOnly != g_rows.readOnly) ApplyFileInfoAttributes(g_rows.path, hidden, readOnly);
}

void CloseFileInfoDialog(HWND dialog, INT_PTR result) {
    ResetRows();
    EndDialog(dialog, result);
}

}  // namespace

INT_PTR CALLBACK FileInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return GuardedWindowCall(FALSE, [&]() -> INT_PTR {
        switch (message) {
        case WM_INITDIALOG: InitFileInfoDialog(dialog); return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDOK:
                ApplyCheckBoxes(dialog);
                CloseFileInfoDialog(dialog, 1);
                return TRUE;
            case IDCANCEL: CloseFileInfoDialog(dialog, -1); return TRUE;
            case IDC_FILEINFO_COPY: CopyRowsToClipboard(dialog); return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            if (g_rows.list == GetDlgItem(dialog, IDC_FILEINFO_LIST)) ResetRows();
            return FALSE;
        }
        return FALSE;
    });
}

void ShowFileInfoDialog(HWND owner) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    DialogBoxParamW(AppState::Instance, L"FILEINFODLG", owner, FileInfoDlgProc, 0);
}
