// Identifiers of the main window: its private messages, timers, window class
// and single-instance mutex, and the capacities of the numbered settings lists.
// Constants only; the window's state is in AppState.
#pragma once
#include <windows.h>

#include "app/SettingsRecord.h"  // capacities of the stored lists

// Private messages of the main window.
enum : UINT {
    WM_APP_BROWSER_UP = 0x8259,
    WM_APP_BROWSER_OPENFOLDER = 0x825A,
    WM_APP_BROWSER_REFRESH = 0x825B,
    WM_APP_REOPEN_OPEN_DIALOG = 0x825C,
    WM_APP_OPEN_PENDING = 0x825D,
    WM_APP_BRING_TO_FRONT = 0x825E,
    WM_APP_BROWSER_GOTO = 0x825F,
    WM_APP_INIT_QUICKTIME = 0x8260,
    WM_APP_OPEN_LIST_ENTRY = 0x8261,
    WM_APP_SAVE_ITEM_AS = 0x8262,
    WM_APP_VIDEO_GRAPH_EVENT = 0x8263,
    WM_APP_SOUND_GRAPH_EVENT = 0x8264,
    WM_APP_BROWSER_BACK = 0x8265,
    WM_APP_MUSIC_GRAPH_EVENT = 0x8267,
    // The folder scan worker's result (lParam), posted to the main window, or
    // to the thread that started the scan when there is none.
    WM_APP_FILE_SCAN_DONE = 0x8268,
    // A worker asks for the status bar to be rebuilt on the window's thread.
    WM_APP_STATUS_UPDATE = 0x8269,
};

// Timers of the main window.
enum : UINT_PTR {
    TIMER_SLIDESHOW = 1,
    TIMER_ANIMATION_FRAME = 2,
    TIMER_CURSOR_HIDE = 3,
    TIMER_PLAYER_POSITION = 4,
    TIMER_SOUND_POSITION = 5,
    TIMER_TREE_AUTOEXPAND = 6,
    TIMER_AUTOSCROLL = 7,
    TIMER_ANIMBAR_MOUSE = 8,
    TIMER_PLAYER_MOUSE = 9,
    TIMER_SOUND_MOUSE = 10,
    TIMER_PLAYLIST_SHOW = 11,
};

#define COPYDATA_OPEN_PATH 32
#define QRV_WINDOW_CLASS L"QRVClass"
#define QRV_MUTEX_NAME L"QRVMUTEX"

// Capacity of the browser's recent-folder list (the capacities of the stored
// lists stand beside the settings record).
inline constexpr int RECENT_FOLDER_CAPACITY = 100;
