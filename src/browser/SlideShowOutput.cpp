#include "browser/SlideShowOutput.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "app/AppState.h"
#include "app/FolderChooser.h"
#include "app/Language.h"
#include "app/OpenDialog.h"
#include "app/Skin.h"
#include "browser/FileOperations.h"
#include "browser_ids.h"
#include "image/Common.h"
#include "image/Registry.h"

namespace {

// ---- CD burning ----

bool GetCDBurnArea(wchar_t* folder) {
    folder[0] = L'\0';
    return SHGetSpecialFolderPathW(nullptr, folder, CSIDL_CDBURN_AREA, FALSE) && folder[0];
}

std::unique_ptr<CDBurner> CreateCDBurner() { return g_burnerFactory ? g_burnerFactory() : CreateShellCDBurner(); }

CDBurnerFactory SetCDBurnerFactory(CDBurnerFactory factory) {
    const CDBurnerFactory previous = g_burnerFactory;
    g_burnerFactory = factory;
    return previous;
}

RecorderState DescribeRecorder(bool xpOrLater, CDBurner* burner) {
    if (!xpOrLater) return {L"Not supported on Windows 2000", false};
    if (!burner || !burner->HasRecordableDrive()) return {kNoRecorderText, false};
    wchar_t letter[32] = {};
    std::wstring text = L"Default Recorder (Drive = ";
    text += burner->GetRecorderDriveLetter(letter, 32) ? letter : L"**undefined**";
    text += L")";
    return {text, true};
}

// ---- the output run ----

bool CreateSlideShowOutput(HWND dialog, const CreateSlideShowSettings& settings, const wchar_t* playlistName,
                           const MediaFileEntry* entries, int count, wchar_t* errorText) {
    errorText[0] = L'\0';
    g_idle = false;
    g_cancel = false;
    HWND progress = dialog ? GetDlgItem(dialog, IDC_SLIDESHOW_PROGRESS) : nullptr;
    if (dialog) EnableSlideShowDialogControls(dialog, false);
    if (progress) {
        SendMessageW(progress, PBM_SETPOS, 0, 0);
        ShowWindow(progress, SW_SHOW);
    }
    OutputRun run(dialog, settings, errorText);
    const bool ok = run.Execute(playlistName, entries, count < 0 ? 0 : count);
    Beep(400, 200);
    g_idle = true;
    if (dialog) EnableSlideShowDialogControls(dialog, true);
    return ok;
}

void SetSlideShowProgramFolder(const wchar_t* folder) {
    if (folder) CopyStringW(g_programFolder, folder);
    else g_programFolder[0] = L'\0';
}

// ---- the dialog ----

INT_PTR CALLBACK CreateSlideShowDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: InitDialog(dialog); return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        return OnCommand(dialog, LOWORD(wParam)) ? TRUE : FALSE;
    default: return FALSE;
    }
}

void EnableSlideShowDialogControls(HWND dialog, bool enable) {
    for (int id : kRunControls) Enable(dialog, id, enable);
    if (enable) ApplyControlRules(dialog);
}

SlideShowFileDialogHook SetSlideShowFileDialogHook(SlideShowFileDialogHook hook) {
    const SlideShowFileDialogHook previous = g_fileDialogHook;
    g_fileDialogHook = hook;
    return previous;
}

std::vector<int> MoveSelectedItems(const std::vector<bool>& selected, bool up) {
    const int n = (int)selected.size();
    std::vector<int> order(selected.size());
    for (int i = 0; i < n; ++i) order[(size_t)i] = i;
    std::vector<bool> sel = selected;
    auto swapAt = [&](int a, int b) {
        std::swap(order[(size_t)a], order[(size_t)b]);
        const bool t = sel[(size_t)a];
        sel[(size_t)a] = sel[(size_t)b];
        sel[(size_t)b] = t;
    };
    if (up) {
        for (int k = 1; k < n; ++k)
            if (sel[(size_t)k] && !sel[(size_t)k - 1]) swapAt(k - 1, k);
    } else {
        for (int k = n - 2; k >= 0; --k)
            if (sel[(size_t)k] && !sel[(size_t)k + 1]) swapAt(k, k + 1);
    }
    return order;
}

std::vector<std::wstring> SplitOpenFileNames(const wchar_t* buffer) {
    std::vector<std::wstring> files;
    if (!buffer || !buffer[0]) return files;
    const std::wstring first = buffer;
    const wchar_t* next = buffer + first.size() + 1;
    if (!*next) {
        files.push_back(first);
        return files;
    }
    for (; *next; next += wcslen(next) + 1) {
        wchar_t path[MAX_PATH];
        if (JoinFolderAndName(path, first.c_str(), next)) files.push_back(path);
    }
    return files;
}
