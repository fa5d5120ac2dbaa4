// The command line: tokens into a record, then the actions in a fixed order.
#include "app/CommandLine.h"

#include <shlwapi.h>

#include <cwchar>
#include <cwctype>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/FileAssociations.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/SettingsSheet.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "tools/PrintImage.h"
#include "command_ids.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Copies [start, end) into out (MAX_PATH), cut at 259 characters.
void CopyArgument(wchar_t* out, const wchar_t* start, const wchar_t* end) {
    size_t n = (size_t)(end - start);
    if (n > MAX_PATH - 1) n = MAX_PATH - 1;
    wmemcpy(out, start, n);
    out[n] = 0;
}

// A quoted text starting at p (just after the opening quote); returns the
// position after the closing quote (or the end of the line).
const wchar_t* ReadQuoted(const wchar_t* p, wchar_t* out) {
    const wchar_t* start = p;
    while (*p && *p != L'"') ++p;
    CopyArgument(out, start, p);
    return *p ? p + 1 : p;
}

// A name without a folder names a file of the current directory.
void MakeAbsolute(wchar_t* path) {
    if (!path[0] || PathIsUNCW(path) || (path[1] == L':' && (path[2] == L'\\' || path[2] == L'/'))) return;
    wchar_t full[MAX_PATH];
    DWORD n = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) CopyStringW(path, full);
}

void CheckMaximizeItem() {
    AppState::GeneralAlwaysMaximizeWindow = 1;
    if (MainMenu.menu) CheckMenuItem(MainMenu.menu, IDM_ALWAYS_MAXIMIZE, MF_BYCOMMAND | MF_CHECKED);
}

}  // namespace

void ResolveRelativePath(wchar_t* path, bool onlyDotted) {
    if (!path || wcslen(path) < 2) return;
    if (PathIsUNCW(path)) return;
    if (iswalnum(path[0]) && path[1] == L':') return;
    if (onlyDotted && path[0] != L'.' && path[0] != L'\\') return;
    wchar_t base[MAX_PATH];
    if (!GetProgramFolder(base)) return;
    size_t n = wcslen(base);
    while (n > 0 && (base[n - 1] == L'\\' || base[n - 1] == L'/')) base[--n] = 0;
    const wchar_t* rest = path;
    while (*rest == L'\\' || *rest == L'/') ++rest;
    // The system resolves ".\" and "..\" steps itself; names that begin with
    // dots or brackets ("..a.jpg", "(1).jpg") keep all their characters.
    wchar_t joined[MAX_PATH * 2];
    swprintf(joined, MAX_PATH * 2, L"%ls\\%ls", base, rest);
    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(joined, MAX_PATH, full, nullptr);
    if (length > 0 && length < MAX_PATH) CopyStringW(path, full);
}

CommandLineArgs ParseCommandLineArgs(const wchar_t* commandLine) {
    CommandLineArgs args;
    if (!commandLine) return args;
    const wchar_t* p = commandLine;
    // The program's own path: quoted up to its closing quote, else up to the first blank.
    while (IsBlank(*p)) ++p;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (!*p) return args;
        ++p;
    } else {
        while (*p && !IsBlank(*p)) ++p;
    }
    while (*p) {
        if (IsBlank(*p)) {
            ++p;
            continue;
        }
        if (*p == L'"') {
            p = ReadQuoted(p + 1, args.file);
            args.fileGiven = true;
            ResolveRelativePath(args.file, true);
            NormalizePath(args.file);
            continue;
        }
        if (*p == L'-') {
            // The letters are case-sensitive: "-T" is not "-t" and is ignored.
            const wchar_t letter = p[1];
            p += p[1] ? 2 : 1;
            const bool folderFollows = p[0] == L'=' && p[1] == L'"';
            switch (letter) {
            case L't':
                args.browse = true;
                if (folderFollows) {
                    p = ReadQuoted(p + 2, args.browseFolder);
                    args.browseFolderGiven = true;
                    ResolveRelativePath(args.browseFolder, false);
                    NormalizePath(args.browseFolder);
                }
                break;
            case L's':
                args.slideShow = true;
                if (folderFollows) {
                    p = ReadQuoted(p + 2, args.slideShowFolder);
                    ResolveRelativePath(args.slideShowFolder, false);
                }
                break;
            case L'p': args.print = true; break;
            case L'o': args.settings = true; break;
            case L'u': args.uninstall = true; break;
            case L'f': args.presentation = true; break;
            case L'm': args.maximize = true; break;
            default: break;  // other letters are ignored
            }
            continue;
        }
        // An unquoted path runs to the end of the line, blanks included.
        const wchar_t* end = p + wcslen(p);
        while (end > p && IsBlank(end[-1])) --end;
        CopyArgument(args.file, p, end);
        args.fileGiven = true;
        ResolveRelativePath(args.file, true);
        break;
    }
    return args;
}

void ParseCommandLine(const wchar_t* commandLine) {
    HWND window = AppState::MainWindow;
    CommandLineArgs args = ParseCommandLineArgs(commandLine);
    if (args.fileGiven) MakeAbsolute(args.file);
    // A folder given as the file (the shell's "Browse with" entries, a folder
    // dropped on the program) opens the browser there.
    if (args.fileGiven && PathIsDirectoryW(args.file) && !args.print) {
        args.fileGiven = false;
        args.browse = true;
        args.browseFolderGiven = true;
        CopyStringW(args.browseFolder, args.file);
    }

    if (args.uninstall) {
        // Removes every association the program holds; only a failure is told.
        const AssociationOutcome outcome =
            ApplyFileAssociations(nullptr, nullptr, HKEY_CLASSES_ROOT, HKEY_CURRENT_USER);
        if (!outcome.ok) ShowMessage(L"%s", FileAssociationsMessage(outcome).c_str());
        PostMessageW(window, WM_CLOSE, 0, 0);
        return;
    }
    // -m without presentation and browse: with a file it turns always-maximize
    // on; without one it has nothing to act on.
    if (args.maximize && !args.presentation && !args.browse && args.fileGiven) CheckMaximizeItem();

    if (args.fileGiven && !args.print) {
        wchar_t* slash = wcsrchr(args.file, L'\\');
        if (slash) {
            CopyArgument(AppState::CurrentFolder, args.file, slash);
            if (slash == args.file + 2 && args.file[1] == L':')
                CopyStringW(AppState::CurrentFolder + 2, L"\\", MAX_PATH - 2);
        }
        SetCurrentDirectoryW(AppState::CurrentFolder);
        if (!AppState::CurrentFolder[0] || wcscmp(AppState::CurrentFolder, args.file) == 0)
            GetCurrentDirectoryW(MAX_PATH, AppState::CurrentFolder);
        BuildFileList(PathFindFileNameW(args.file), AppState::CurrentFolder);
        if (AppState::GeneralAlwaysStartInPresentationMode) {
            LockWindowUpdate(window);
            TogglePresentationMode(false);
            OpenMediaFile(args.file);
            LockWindowUpdate(nullptr);
        } else {
            OpenMediaFile(args.file);
        }
    }
    if (args.presentation && args.fileGiven && !args.browse && !args.print && !args.settings &&
        !AppState::GeneralAlwaysStartInPresentationMode)
        TogglePresentationMode(false);
    if (args.browse && !args.fileGiven) {
        if (args.browseFolderGiven) Browser.Open(args.browseFolder, BROWSER_OPEN_GIVEN_PATH, window);
        else Browser.Open(nullptr, BROWSER_OPEN_CURRENT_DIRECTORY, window);
    }
    if (args.print && args.fileGiven) {
        CopyStringW(AppState::CurrentFile, args.file);
        AppState::PrintInProgress = 1;
        {
            LoadModeScope background(true, false);
            wchar_t error[FORMAT_ERROR_CHARS] = {};
            FormatId id = 0;
            if (LoadMediaFile(AppState::CurrentImage, args.file, error, &id)) {
                AppState::CurrentFormatId = id;
                CPrintImage printer;
                HWND desktop = GetDesktopWindow();
                if (printer.SelectPrinter(desktop, true)) {
                    printer.Print(desktop, true, false);
                    printer.DeletePrinterDC();
                }
            }
        }
        AppState::PrintInProgress = 0;
        SendMessageW(window, WM_CLOSE, 0, 0);
    }
    if (args.slideShow && !args.browse && !args.fileGiven && !args.print) {
        if (args.slideShowFolder[0]) SetCurrentDirectoryW(args.slideShowFolder);
        wchar_t folder[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, folder);
        CopyStringW(AppState::CurrentFolder, folder);
        BuildFileListNow(nullptr, folder);  // the show starts on its first file at once
        if (args.maximize) {
            if (args.presentation) TogglePresentationMode(false);
            else CheckMaximizeItem();
        } else if (args.presentation) {
            TogglePresentationMode(false);
        }
        if (FileList::Count > 0 && FileList::Entries) {
            FileList::Current = 0;
            wchar_t path[MAX_PATH];
            CopyStringW(path, folder);
            if (AppendPath(path, FileList::Entries[0].name)) OpenMediaFile(path);
            SetTimer(window, TIMER_SLIDESHOW, (UINT)AppState::SlideShowDelay, nullptr);
            AppState::SlideShowRunning = 1;
            MainMenu.UpdateStates();  // Start/Stop now stops the show
            MainToolBar.UpdateButtonStates();
        } else {
            FitWindowToImage(512, 384, window);
            MainMenu.UpdateStates();
            MainToolBar.UpdateButtonStates();
            ShowMessage(L"No supported media files found in the specified directory!");
        }
    }
    if (args.settings) ShowSettingsSheet(6);
    if (!args.fileGiven && !args.browse && !args.slideShow) {
        AppState::PaintSuspended = 1;
        Browser.Open(nullptr, BROWSER_OPEN_RECENT_FOLDER, window);
        AppState::PaintSuspended = 0;
    }
}
