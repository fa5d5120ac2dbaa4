// Save As and the quick save: the common save dialog with the panel
// "SAVEASDLGADD" and the formats' option panels, which read and store the
// FormatJPG*, FormatPNG* ... settings that become the writers' options, and
// the save of the viewer's picture.
#pragma once
#include <windows.h>

#include <span>
#include <string>

#include "formats/SaveDispatch.h"

class CImage;

// Saves the viewer's picture (AppState::CurrentImage, or the picture an alpha
// view shows treated: CDocumentPictureScope) with the wait cursor; a
// failure's text goes to ShowMessage. On success the installed saved-handler
// runs (the shell discards the undo snapshot and refreshes its bars).
bool SaveCurrentImage(const wchar_t* path);

// The writers' options from the FormatJPG*, FormatPNG* ... settings (the JPEG
// smoothing in tenths becomes a fraction 0.0..1.0), without a JPEG source.
SaveOptions SaveOptionsFromSettings();

// What the save code needs from the rest of the shell (the undo snapshot, the
// bars, the language file). Every member may be null: then the image is only
// marked unmodified, and the dialogs keep their built-in English texts.
struct SaveServices {
    void (*imageSaved)() = nullptr;
    // Applies a language section ("Dlg_SaveAsAdd", "Dlg_JPG" ...) to a dialog.
    void (*langApply)(HWND dialog, const wchar_t* section) = nullptr;
    // A key's text of a section into out (size characters); false: use the default.
    bool (*langText)(const wchar_t* section, const wchar_t* key, wchar_t* out, int size) = nullptr;
};
void SetSaveServices(const SaveServices& services);
const SaveServices& GetSaveServices();

// One file type of the dialog: the format it writes, the text shown and the
// patterns, the first of which gives the type its extension.
struct SaveAsType {
    FormatId id;
    const wchar_t* text;
    const wchar_t* patterns;
};
// The 15 file types of the dialog in filter order (filter index 1 is the first).
constexpr int SAVE_TYPE_COUNT = 15;
std::span<const SaveAsType> SaveAsTypes();
// The dialog's filter list: SAVE_TYPE_COUNT pairs of text and patterns, each
// followed by a terminator, the whole list by a second one.
const wchar_t* SaveAsDialogFilter();
// The extension ("bmp", "gif" ...) of a filter index; "bmp" for anything unlisted.
const wchar_t* SaveTypeExtension(int filterIndex);
// The option tab of a filter index (1 JPG .. 8 TIF): the tab of the option panel
// of its format, 0 for a format without options.
int SaveTypeTab(int filterIndex);
// Option tab `tab` (0 "***" .. 8 "TIF"): its label, and the template and
// procedure of its panel (null for tab 0). False outside 0..8.
bool SaveOptionTab(int tab, const wchar_t** label, const wchar_t** templateName, DLGPROC* procedure);
// The file the dialog saves to: folder (may be empty) + the chosen name with
// its extension (from its last ".") replaced by the selected type's.
std::wstring SaveAsTarget(const wchar_t* folder, const wchar_t* chosenName, int filterIndex);

// The file dialog's overwrite question, asked about the file actually written
// (the chosen path with the selected type's extension), not the typed name:
// true when that file does not exist or the user agrees to replace it. The
// question is owned by `dialog` (the file dialog asking), else by the main window.
bool ConfirmSaveAsTarget(const wchar_t* chosenPath, int filterIndex, HWND dialog = nullptr);

// The Save As command: file dialog with the option panels; saves through
// SaveCurrentImage. keepView suppresses the repaint of the main window;
// useCurrentFolder opens in the current directory instead of
// AppState::LastSaveDir (which it then updates). True when a file was saved.
bool ShowSaveAsDialog(const wchar_t* path, HWND owner, bool keepView, bool useCurrentFolder);

// The Save As panel's hook (template "SAVEASDLGADD").
UINT_PTR CALLBACK SaveAsHookProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
// The option panels, one per template; each shows the settings when it is
// created and stores its controls into them when it is destroyed.
INT_PTR CALLBACK JpegOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Jp2OptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PngOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RasOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RawOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SgiOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TgaOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TifOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The option panel the Save As panel shows now (null for none).
HWND CurrentSaveOptionPanel();
