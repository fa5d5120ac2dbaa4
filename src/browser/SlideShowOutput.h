// Writing a self-contained slide show: a ".qrvlist" playlist with its media,
// optional background music and, for a CD or when asked, the program itself
// with its skins, languages and an "Autorun.inf" that starts it on the list.
// The target is a folder, or a CD burned from the shell's staging folder. The
// dialog "CREATESLIDESHOWDLG" collects the files and the options.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <memory>
#include <string>
#include <vector>

#include "browser/FileList.h"
#include "browser/PlaylistFile.h"

// Where the dialog writes (CreateSlideShowSettings::Output); the settings are
// loaded when it opens and saved at every Create.
enum : int { SLIDESHOW_TO_CD = 0, SLIDESHOW_TO_FOLDER = 1 };

// ---- CD burning ----

// A CD recorder and the folder a burn writes from. Each call keeps the
// system's result code in lastResult.
class CDBurner {
public:
    virtual ~CDBurner() = default;
    virtual bool HasRecordableDrive() = 0;
    // The recorder's drive ("E:\" ...) into letter of chars characters.
    virtual bool GetRecorderDriveLetter(wchar_t* letter, UINT chars) = 0;
    // Burns the staging folder's contents; owner parents the system's windows.
    virtual bool Burn(HWND owner) = 0;
    // The staging folder (MAX_PATH characters).
    virtual bool GetStagingFolder(wchar_t* folder) = 0;
    HRESULT lastResult = S_OK;
};
// The shell's CD staging folder (CSIDL_CDBURN_AREA); false where there is none.
bool GetCDBurnArea(wchar_t* folder);
// The system's burner, or null where it has none (the class cannot be created).
std::unique_ptr<CDBurner> CreateCDBurner();
// Tests put a burner of their own in place of the system's (null restores it).
using CDBurnerFactory = std::unique_ptr<CDBurner> (*)();
CDBurnerFactory SetCDBurnerFactory(CDBurnerFactory factory);

// What the dialog says about the recorder, and whether CD output can be chosen.
struct RecorderState {
    std::wstring text;
    bool available = false;
};
RecorderState DescribeRecorder(bool xpOrLater, CDBurner* burner);

// ---- the output run ----

// Writes the slide show: the playlist playlistName (with its extension) in
// the output folder, or in the burner's staging folder for a CD, then burns.
// Media are copied (and named by the copies' actual names) with RelativePaths
// or for a CD. True only when every write of this run succeeded (and the burn
// did); else errorText (MAX_PATH characters) names the first write that failed.
// A failed or cancelled CD run deletes what it created in the staging folder.
// dialog (may be null) shows the progress and offers Cancel.
bool CreateSlideShowOutput(HWND dialog, const CreateSlideShowSettings& settings, const wchar_t* playlistName,
                           const MediaFileEntry* entries, int count, wchar_t* errorText);
// The folder the program's own files are copied from (null: the program's
// folder); tests point it at a folder of their own.
void SetSlideShowProgramFolder(const wchar_t* folder);

// ---- the dialog ----

INT_PTR CALLBACK CreateSlideShowDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Enables or disables every control of the dialog but Cancel; enabling
// applies the rules between the controls again.
void EnableSlideShowDialogControls(HWND dialog, bool enable);
// The dialog's two file choosers; tests answer in place of the common dialog
// (true: the buffer holds the choice).
using SlideShowFileDialogHook = bool (*)(OPENFILENAMEW* dialog);
SlideShowFileDialogHook SetSlideShowFileDialogHook(SlideShowFileDialogHook hook);

// The new order of a list's items when every selected item moves one place up
// (or down) past an unselected neighbour: result[i] is the old index of the
// item now at i. A selected block moves as a whole; one at the edge stays.
std::vector<int> MoveSelectedItems(const std::vector<bool>& selected, bool up);
// The files of a multi-select open dialog's buffer: a folder followed by
// names, or one full path.
std::vector<std::wstring> SplitOpenFileNames(const wchar_t* buffer);
