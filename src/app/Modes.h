// The program's modes. Their numbers are stored in the registry and in files
// (and named so by the settings and the language files): never renumber them.
// The fields that hold them stay ints, because the settings store reads and
// writes them as DWORDs.
#pragma once

// AppState::ToolMode: the left mouse button's tool in the viewer.
enum ToolModeKind : int { TOOL_SCROLL = 0, TOOL_SELECT = 1, TOOL_RED_MARKER = 2 };

// AppState::ChannelView: how the current image is shown.
enum ChannelViewKind : int {
    CHANNEL_ALL = 0,
    CHANNEL_RED = 1,
    CHANNEL_GREEN = 2,
    CHANNEL_BLUE = 3,
    CHANNEL_ALPHA_AS_IMAGE = 4,
    CHANNEL_ALPHA_AS_LAYER = 5,
    CHANNEL_ALPHA_BLENDED = 6,
};

// AppState::BrowserTab: the browser's filter tab.
enum BrowserTabKind : int {
    TAB_ALL_TYPES = 0,
    TAB_IMAGES = 1,
    TAB_VIDEOS = 2,
    TAB_AUDIO = 3,
    TAB_PLAYLIST = 4,
    TAB_CONFIGURE = 5,
};

// How a picture is fitted into an area (ComputeFitScale, FitImageToBox).
enum FitModeKind : int { FIT_WHOLE = 0, FIT_WIDTH = 1, FIT_HEIGHT = 2 };

// Which folder CBrowser::Open and CBrowser::ChangeFolder go to.
enum BrowserOpenMode : int {
    BROWSER_OPEN_CURRENT_DIRECTORY = 0,
    BROWSER_OPEN_RECENT_FOLDER = 1,
    BROWSER_OPEN_GIVEN_PATH = 2,
};
