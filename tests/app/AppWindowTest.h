// Shared by the tests that run the real main window: the window created as
// start-up creates it, and a way to put small pictures on disk for it to open.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "formats/SaveDispatch.h"
#include "image/Image.h"
#include "image/Registry.h"
#include "support/TestSupport.h"

namespace apptest {

// Writes a picture of one colour; the file name's extension picks the format.
inline void WriteSolidPicture(const std::wstring& path, int width, int height, COLORREF color) {
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(width, height, 24, color, nullptr));
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveImageFile(path.c_str(), image, error, 0, nullptr)) << qrvtest::Narrow(error);
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
        AppState::RecentFileCount = 0;
        SetCurrentDirectoryW(L"C:\\");
    }
    HWND window = nullptr;
};

}  // namespace apptest
