#include "app/FolderChooser.h"

#include <objbase.h>
#include <shlobj.h>

static FolderChooserHook folderChooserHook = nullptr;

FolderChooserHook SetFolderChooserHook(FolderChooserHook hook) {
    FolderChooserHook previous = folderChooserHook;
    folderChooserHook = hook;
    return previous;
}

bool ChooseFolder(HWND owner, const wchar_t* title, std::wstring* path) {
    if (!path) return false;
    if (folderChooserHook) return folderChooserHook(owner, title, path);

    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    // The new dialog style needs COM on this thread; a thread that already has
    // it keeps its own apartment.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    bool ok = false;
    if (chosen) {
        wchar_t buffer[MAX_PATH] = {};
        if (SHGetPathFromIDListW(chosen, buffer) && buffer[0]) {
            *path = buffer;
            ok = true;
        }
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return ok;
}
