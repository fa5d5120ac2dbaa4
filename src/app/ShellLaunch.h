// Everything the program hands to the shell to open (the web site's pages, the
// help file, the "Open with" programs) goes through LaunchShell, which tests
// replace so that nothing is started.
#pragma once
#include <windows.h>

#include "image/ProgramSite.h"

// The program's web site.
inline constexpr wchar_t kProgramSite[] = L"" QRV_SITE_ADDRESS;

// Replaces the shell for every launch; null gives the shell back. The hook gets
// the verb, the file (or address) and the parameters (null when there are none)
// and answers whether the launch succeeded.
using ShellLaunchHook = bool (*)(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters);
void SetShellLaunchHook(ShellLaunchHook hook);

// ShellExecuteExW with the verb, file, parameters and working folder (either
// may be null), shown as show asks; true when the shell started it.
bool LaunchShell(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, const wchar_t* folder,
                 int show = SW_SHOW);

// The query of the site's add-ons page: "to=addonsDE" for a language file
// whose path contains "German.ini", else "to=addons".
const wchar_t* AddonsPageQuery(const wchar_t* languageFile);
// The site's address with "?" and the query; false when it does not fit.
bool SitePageAddress(const wchar_t* query, wchar_t* address, size_t size);

// The Help menu's launches. Each first takes the window out of the topmost
// band, so that the browser or help viewer opened comes up in front of it.
void OpenHomePage(HWND window);
void OpenAddonsPage(HWND window);
void OpenUpdatePage(HWND window);
void OpenHelpFile(HWND window);
