#include "app/ShellLaunch.h"

#include <shellapi.h>

#include <cwchar>

#include "app/AppState.h"
#include "image/Common.h"

namespace {

ShellLaunchHook g_hook = nullptr;

void LeaveTopmostBand(HWND window) {
    if (window) SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void OpenSitePage(HWND window, const wchar_t* query) {
    LeaveTopmostBand(window);
    wchar_t address[512];
    if (SitePageAddress(query, address, 512)) LaunchShell(window, L"open", address, nullptr, nullptr);
}

}  // namespace

void SetShellLaunchHook(ShellLaunchHook hook) { g_hook = hook; }

bool LaunchShell(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, const wchar_t* folder,
                 int show) {
    if (g_hook) return g_hook(verb, file, parameters);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.lpVerb = verb;
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = folder;
    info.nShow = show;
    return ShellExecuteExW(&info) != FALSE;
}

const wchar_t* AddonsPageQuery(const wchar_t* languageFile) {
    return languageFile && wcsstr(languageFile, L"German.ini") ? L"to=addonsDE" : L"to=addons";
}

bool SitePageAddress(const wchar_t* query, wchar_t* address, size_t size) {
    const int written = query && query[0] ? swprintf(address, size, L"%ls?%ls", kProgramSite, query)
                                          : swprintf(address, size, L"%ls", kProgramSite);
    return written > 0 && (size_t)written < size;
}

void OpenHomePage(HWND window) { OpenSitePage(window, nullptr); }

void OpenAddonsPage(HWND window) { OpenSitePage(window, AddonsPageQuery(AppState::GeneralLanguageFile)); }

void OpenUpdatePage(HWND window) { OpenSitePage(window, L"to=update&VersionSupplied=1.02"); }

void OpenHelpFile(HWND window) {
    LeaveTopmostBand(window);
    wchar_t path[MAX_PATH];
    if (!GetProgramFolder(path, MAX_PATH) || !AppendPath(path, L"Help.chm")) return;
    LaunchShell(window, L"open", path, nullptr, nullptr);
}
