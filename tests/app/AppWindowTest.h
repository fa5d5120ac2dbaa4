// Shared by the tests that run the real main window: the window created as
// start-up creates it, and a way to put small pictures on disk for it to open.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "app/ImageSnapshot.h"
#include "app/SaveAsDialog.h"
#include "app/Settings.h"
#include "app/ShellServices.h"
#include "app/Startup.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Registry.h"
#include "support/TestSupport.h"

namespace apptest {

// Writes a picture of one colour; the file name's extension picks the format.
inline void WriteSolidPicture(const std::wstring& path, int width, int height, COLORREF color) {
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(width, height, 24, color, nullptr));
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveImageFile(path.c_str(), image, error, SaveOptionsFromSettings())) << qrvtest::Narrow(error);
}

inline BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM found) {
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    if (IsWindowVisible(window) && wcscmp(cls, L"#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog box of this thread (a common dialog a test drives from a
// timer), or null.
inline HWND VisibleDialog() {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindVisibleDialog, (LPARAM)&dialog);
    return dialog;
}

// Where the keyboard focus is, for a failure message: the focused control's
// class and id, and those of the windows between it and the dialog.
inline std::string DescribeFocus(HWND dialog) {
    HWND focus = GetFocus();
    if (!focus) return "nothing";
    wchar_t cls[64] = {};
    GetClassNameW(focus, cls, 64);
    std::string text = qrvtest::Narrow(cls) + " id " + std::to_string(GetDlgCtrlID(focus));
    for (HWND w = GetParent(focus); w && w != dialog; w = GetParent(w)) {
        GetClassNameW(w, cls, 64);
        text += " in " + qrvtest::Narrow(cls) + " id " + std::to_string(GetDlgCtrlID(w));
    }
    return text;
}

// True when the focus is on a file dialog's name box: the edit control, or the
// edit inside the name combo box.
inline bool FileNameBoxHasFocus(HWND dialog) {
    HWND focus = GetFocus();
    if (!focus) return false;
    HWND edit = GetDlgItem(dialog, edt1), combo = GetDlgItem(dialog, cmb13);
    if (edit && focus == edit) return true;
    for (HWND w = focus; combo && w && w != dialog; w = GetParent(w))  // the combo may nest its edit twice
        if (w == combo) return true;
    return false;
}

// Types name into a file dialog's name box (an edit or a combo box, whichever
// this system's dialog has) and posts OK.
inline void TypeNameAndConfirm(HWND dialog, const std::wstring& name) {
    SendMessageW(dialog, CDM_SETCONTROLTEXT, edt1, (LPARAM)name.c_str());
    SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, (LPARAM)name.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// A common file dialog driven by a thread timer: the first time one shows,
// what it offers is recorded and typeName is typed and confirmed (an empty
// typeName cancels it); a dialog still there at the next tick is cancelled,
// and so is one that shows after 100 ticks, so no test waits on a dialog.
struct DialogDriver {
    std::wstring typeName;  // typed into the name box before OK; empty: cancel
    std::wstring offered;   // the name box's text when the dialog was found
    int ticks = 0;
    bool seen = false;
    bool nameFocused = false;  // the focus was in the name box when it was found
    std::string focus;         // where the focus was, for failure messages
};
inline DialogDriver g_dialogDriver;

inline void CALLBACK DriveFileDialog(HWND, UINT, UINT_PTR, DWORD) {
    DialogDriver& d = g_dialogDriver;
    ++d.ticks;
    HWND dialog = VisibleDialog();
    if (!dialog) return;
    if (d.seen || d.ticks > 100) {  // OK did not end it: give up
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    d.seen = true;
    d.nameFocused = FileNameBoxHasFocus(dialog);
    d.focus = DescribeFocus(dialog);
    wchar_t spec[MAX_PATH] = {};
    SendMessageW(dialog, CDM_GETSPEC, MAX_PATH, (LPARAM)spec);
    d.offered = spec;
    if (d.typeName.empty()) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    else TypeNameAndConfirm(dialog, d.typeName);
}

// Runs body with the timer driving whatever file dialog it opens.
template <typename Body>
void WithDialogDriver(const std::wstring& typeName, Body body) {
    g_dialogDriver = DialogDriver{};
    g_dialogDriver.typeName = typeName;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, DriveFileDialog);
    body();
    KillTimer(nullptr, timer);
}

// The main window on default settings, in `window`. Tear-down destroys it,
// drops the WM_QUIT it posts, deletes the settings it saved and forgets the
// folder's file list and the recent files.
class MainWindowFixture : public testing::Test {
protected:
    void SetUp() override {
        ResetSettingsToDefaults();
        AppState::Instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(InitApplication(AppState::Instance));
        window = AppState::MainWindow;
    }
    void TearDown() override {
        if (IsWindow(window)) DestroyWindow(window);
        qrvtest::Pump();
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        CRegistry(HKEY_CURRENT_USER).Delete(QRV_REGISTRY_KEY, nullptr);
        ResetSettingsToDefaults();
        FreeFileLists();
        FileList::Current = 0;
        AppState::MainWindow = nullptr;
        SetMessageOwner(nullptr);
        AppState::RecentFileCount = 0;
        SetCurrentDirectoryW(L"C:\\");
    }
    HWND window = nullptr;
};

// The main window with the shell's services registered (undo store, saved
// handler, background colour); the document's edit state is dropped afterwards.
class ShellWindowFixture : public MainWindowFixture {
protected:
    void SetUp() override {
        RegisterShellServices();
        MainWindowFixture::SetUp();
    }
    void TearDown() override {
        AppState::ImageModified = 0;
        UndoSnapshot.Discard();
        RedoSnapshot.Discard();
        ChannelViewSnapshot.Discard();
        AppState::ChannelView = 0;
        MainWindowFixture::TearDown();
    }
};

}  // namespace apptest
