// The tool dialogs that run over a list of files (batch process, animation
// builder, batch print, contact sheets, album) share one list and one run:
// list box 1089 of full paths with the buttons 1051 to 1055, the output-folder
// button 1047, a hidden progress bar 1188 with its text 1189, and a run that
// reports each item, steps the bar, lets one waiting message through, stops on
// request and beeps at its end. The run's reporting is an interface, so that
// every run loop also runs without a dialog.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <cstdint>
#include <memory>

#include "tools_ids.h"

// A run's paths are copied into one block of slots of this many characters.
inline constexpr int LIST_SLOT_CHARS = 272;
// Characters of the add dialog's name buffer (several files at once).
inline constexpr DWORD LIST_OPEN_BUFFER_CHARS = 64000;

// The open dialog the add buttons call (GetOpenFileNameW unless replaced; tests
// fill the buffer instead). Returns the previous one.
using OpenFileDialogFunction = BOOL (*)(OPENFILENAMEW* ofn);
OpenFileDialogFunction SetListOpenDialog(OpenFileDialogFunction function);
BOOL ShowListOpenDialog(OPENFILENAMEW* ofn);

// Whether the list box holds path already (compared without regard to case).
bool ListContainsPath(HWND list, const wchar_t* path);
// Adds path at the end unless it is listed already or does not fit MAX_PATH.
bool AddPathToList(HWND list, const wchar_t* path);
// Adds what a multiple-selection open dialog returned: one full path, or a
// folder followed by names (each joined to it). A join that does not fit
// MAX_PATH is refused with a message and skipped. Returns the number added.
int AddOpenDialogSelection(HWND list, const wchar_t* buffer);
// Button 1051: the open dialog (64000 characters, several files, the common
// filter list); on OK the list is widened and startButton enabled. True on OK.
bool AddFilesFromOpenDialog(HWND dialog, int startButton = IDOK);
void RemoveSelectedListItems(HWND list);                       // 1052, last to first
void MoveSelectedListItemsUp(HWND list);                       // 1053
void MoveSelectedListItemsDown(HWND list);                     // 1054
void RemoveAllListItems(HWND dialog, int startButton = IDOK);  // 1055, start disabled
// Button 1047: the shell's folder browser; a chosen folder is shown in the
// edit control folderEdit. True when one was chosen.
bool ChooseOutputFolder(HWND dialog, int folderEdit);
// Handles the buttons 1051 to 1055 of a list tool dialog; false for other ids.
bool HandleListButton(HWND dialog, int id, int startButton = IDOK);

// Enables or disables the start button (1), the output-folder button 1047,
// the list buttons 1051 to 1055 and the list 1089 together.
void EnableBatchListControls(HWND dialog, bool enable);

// One block of count slots of LIST_SLOT_CHARS characters, each a terminated path.
class PathSlots {
public:
    // False when the memory cannot be had (the block is then empty).
    bool Allocate(int count);
    // The list box's entries in list order; false when the memory cannot be
    // had. Entries longer than a slot cannot occur (AddPathToList refuses them).
    bool FromListBox(HWND list);
    wchar_t* operator[](int index) { return slots_.get() + (size_t)index * LIST_SLOT_CHARS; }
    const wchar_t* Data() const { return slots_.get(); }
    int Count() const { return count_; }

private:
    std::unique_ptr<wchar_t[]> slots_;
    int count_ = 0;
};
// Copies the dialog's list into slots; shows "Failed to allocate Memory to
// hold the filenameslist!!" and returns false when the block cannot be had.
bool CopyListForRun(HWND dialog, PathSlots& slots);

// What a run reports, in this order: Begin once, then per item Item, the
// work, Step, and a Cancelled check; End once at the end.
class RunProgress {
public:
    virtual ~RunProgress() = default;
    virtual void Begin(int count) = 0;
    virtual void Item(int index, int count) = 0;
    virtual void Step() = 0;
    virtual bool Cancelled() = 0;
    virtual void End() = 0;
    // The dialog the run belongs to (owner of its messages), null without one.
    virtual HWND Window() { return nullptr; }
};

// The run as a list tool dialog shows it: Begin clears the idle and cancel
// flags, disables the list controls, shows the bar at 0 with range 0..count and
// step 1; Item writes "%d/%d" into 1189; Step steps the bar and dispatches one
// waiting message; End beeps (400 Hz, 200 ms), sets the idle flag and enables
// the list controls again.
class DialogRunProgress : public RunProgress {
public:
    using EnableFunction = void (*)(HWND dialog, bool enable);
    DialogRunProgress(HWND dialog, uint8_t& idle, uint8_t& cancel, EnableFunction enable = EnableBatchListControls);
    void Begin(int count) override;
    void Item(int index, int count) override;
    void Step() override;
    bool Cancelled() override { return cancel_ != 0; }
    void End() override;
    HWND Window() override { return dialog_; }

private:
    HWND dialog_;
    uint8_t& idle_;
    uint8_t& cancel_;
    EnableFunction enable_;
};

// A run's end signal: Beep(400, 200) unless replaced (tests count the calls).
using BeepFunction = void (*)(DWORD frequency, DWORD duration);
BeepFunction SetListToolBeep(BeepFunction function);
void ListToolBeep();

// Fetches, translates and dispatches one waiting message of this thread, if any.
void DispatchOneWaitingMessage();

// Cancel (2): while idle the dialog ends with -1 and the current directory is
// set back; during a run only the cancel flag is set. True when the dialog ended.
bool HandleListToolCancel(HWND dialog, const uint8_t& idle, uint8_t& cancel);
// The current directory kept in AppState::CurrentFolder when a tool opens and
// set back after every run and when it ends.
void StoreCurrentFolder();
void RestoreCurrentFolder();
// "Failed at: %s" with the error text, owned by the dialog.
void ShowFailedAt(HWND dialog, const wchar_t* errorText);

// folder, a "\" unless the folder is empty or ends in "\" or "/", then name,
// into out (MAX_PATH characters); false (out empty) when it does not fit.
bool JoinOutputPath(wchar_t* out, const wchar_t* folder, const wchar_t* name);
