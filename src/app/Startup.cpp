#include "app/Startup.h"
#include "app/ShellServices.h"

#include <commctrl.h>
#include <ole2.h>

#include <ctime>
#include <cwchar>
#include <cstdlib>

#include "app/AppState.h"
#include "app/BusyCursor.h"
#include "app/Chrome.h"
#include "app/MainWindow.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/Settings.h"
#include "app_ids.h"
#include "browser/Browser.h"
#include "browser/FileList.h"
#include "browser/ThumbnailLoader.h"
#include "image/Common.h"
#include "media/AnimationBar.h"
#include "media/Players.h"
#include "tools/Twain.h"

ProgramCursors Cursors = {};

const wchar_t* ClassifyWindowsVersion(DWORD platform, DWORD major, DWORD minor, uint8_t* isWindows2000,
                                      uint8_t* isXPOrLater) {
    *isWindows2000 = *isXPOrLater = 0;
    if (platform == VER_PLATFORM_WIN32_WINDOWS) return L"Windows 9x is not supported!";
    if (platform != VER_PLATFORM_WIN32_NT) return L"Unknown Windows System?! Use at your own risk!!";
    if (major == 4 && minor == 0) return L"Windows NT 4 is not supported!";
    if (major == 5 && minor == 0) *isWindows2000 = 1;
    else *isXPOrLater = 1;
    return nullptr;
}

void CheckWindowsVersion() {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL known = GetVersionExW(&info);
#pragma GCC diagnostic pop
    if (!known) info = {};
    uint8_t is2000 = 0, isXP = 0;
    const wchar_t* warning =
        ClassifyWindowsVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, &is2000, &isXP);
    AppState::IsWindows2000 = is2000;
    AppState::IsWindowsXPOrLater = isXP;
    if (warning) ShowMessage(L"%ls", warning);
}

bool InitApplication(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QRV));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = QRV_WINDOW_CLASS;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    CheckWindowsVersion();
    Skin.Load(AppState::SkinName);
    srand(1);
    srand((unsigned)time(nullptr));

    AppState::ViewMode = VIEW_VIEWER;
    AppState::DocumentKind = DOC_NONE;
    AppState::CurrentFormatId = 0;
    AppState::ToolMode = TOOL_SCROLL;
    AnimationBar.Reset();
    ThumbLoader::Running = 0;
    AppState::BackgroundLoad = 0;
    AppState::PreviewLoad = 0;
    AppState::FitPending = 1;
    SetRectEmpty(&AppState::ViewMargins);
    SetRectEmpty(&AppState::Selection);
    Playlist::ShowRunning = 0;

    HWND window = CreateWindowExW(AppState::GeneralAlwaysOnTop ? WS_EX_TOPMOST : 0, QRV_WINDOW_CLASS, QRV_PRODUCT_NAME,
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    AppState::MainWindow = window;
    SetMessageOwner(window);
    if (!window) return false;

    Cursors.cross = LoadCursorW(nullptr, IDC_CROSS);
    Cursors.sizeNS = LoadCursorW(nullptr, IDC_SIZENS);
    Cursors.sizeWE = LoadCursorW(nullptr, IDC_SIZEWE);
    Cursors.sizeAll = LoadCursorW(nullptr, IDC_SIZEALL);
    const int own[9] = {304, 258, 259, 260, 257, 261, 262, 255, 256};
    for (int i = 0; i < 9; ++i) Cursors.own[i] = LoadCursorW(instance, MAKEINTRESOURCEW(own[i]));
    return true;
}

static HANDLE g_instanceMutex = nullptr;

void ReleaseInstanceMutex() {
    if (g_instanceMutex) CloseHandle(g_instanceMutex);
    g_instanceMutex = nullptr;
}

bool HandOverToRunningInstance(const wchar_t* argumentText) {
    // The mutex lives as long as the process (one handle, however often asked).
    HANDLE mutex = CreateMutexW(nullptr, FALSE, QRV_MUTEX_NAME);
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (mutex && !g_instanceMutex) g_instanceMutex = mutex;
    else if (mutex) CloseHandle(mutex);
    if (!existed) return false;
    HWND running = FindWindowW(QRV_WINDOW_CLASS, nullptr);
    if (!running) {
        ShowMessage(L"Failed to find Quorvane Instance!\nPlease restart Quorvane.");
        return true;
    }
    wchar_t block[HANDOVER_CHARS];
    BuildHandOverBlock(argumentText, block);
    COPYDATASTRUCT data = {};
    data.dwData = COPYDATA_OPEN_PATH;
    data.cbData = sizeof(block);
    data.lpData = block;
    DWORD_PTR result = 0;
    // Blocks until the running copy has opened the file; bounded so that a hung
    // copy does not hang this one too.
    SendMessageTimeoutW(running, WM_COPYDATA, 0, (LPARAM)&data, SMTO_NORMAL, 30000, &result);
    return true;
}

int RunMessageLoop(HACCEL accelerators) {
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        ArmBusyCursor();
        try {
            if (!TwainHandler.ProcessEvent(&msg)) {
                if (!accelerators || !AppState::MainWindow ||
                    !TranslateAcceleratorW(AppState::MainWindow, accelerators, &msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
            }
        } catch (...) {
            RestoreBusyCursor();
            throw;
        }
        RestoreBusyCursor();
    }
    return got == 0 ? (int)msg.wParam : -1;
}

int RunApplication(HINSTANCE instance, const wchar_t* argumentText) {
    OleInitialize(nullptr);
    AppState::Instance = instance;
    RegisterShellServices();
    LoadSettings();
    InitLanguageFile();
    if (AppState::GeneralUseOnlyOneInstance && HandOverToRunningInstance(argumentText)) {
        OleUninitialize();
        return -1;
    }
    if (!InitApplication(instance)) FatalError(L"Fatal Error during AppInit occured! Aborting...");
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    if (!accelerators) ShowMessage(L"Failed to load Accelerators! Hotkeys won't work!");
    ParseCommandLine(GetCommandLineW());
    int code = RunMessageLoop(accelerators);
    StopQuickTime();
    OleUninitialize();
    return code;
}
