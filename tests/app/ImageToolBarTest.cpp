// The image tool bar: its place beside the viewer, its button states, tips
// and the margin it takes, as plain functions and on a real window.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/ImageToolBar.h"
#include "app/Skin.h"
#include "browser/Browser.h"
#include "media/AnimationBar.h"
#include "support/TestSupport.h"

namespace {

TEST(ImageToolBarLayout, StandsAtTheRightEndOfTheViewer) {
    const RECT client = {0, 0, 800, 600};
    const RECT margins = {17, 28, 45, 37};  // the right margin holds the bar (28) and the vertical bar (17)
    const struct {
        const char* name;
        int browserShare, topOffset, scrollBar;
        ImageToolBarPlace expected;
    } cases[] = {
        {"viewer alone", 0, 0, 0, {755, 28, 28, 535}},
        // The vertical scroll bar stands left of the bar, inside the margin.
        {"with scroll bars", 0, 0, 17, {772, 28, 28, 535}},
        // The browser's list covers the left 300 pixels: the bar ends the viewer part.
        {"browser beside", 300, 0, 17, {272, 28, 28, 535}},
        // The folder pane above the viewer pushes the bar down and shortens it;
        // the bar always ends at the view's bottom, above the bottom bars.
        {"folder pane above", 300, 108, 0, {255, 136, 28, 427}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageToolBarPlace p =
            ComputeImageToolBarPlace(client, margins, 28, c.browserShare, c.topOffset, c.scrollBar);
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
        EXPECT_EQ(p.width, c.expected.width);
        EXPECT_EQ(p.height, c.expected.height);
    }
}

TEST(ImageToolBarButtons, ImagesCountOnlyRealButtons) {
    EXPECT_EQ(kImageToolBarEntryCount, 17u);
    const struct {
        UINT command;
        int image;
    } cases[] = {{IDM_ROTATE_RIGHT, 0},    {IDM_MIRROR, 4},      {IDM_TOOL_SCROLL, 5},
                 {IDM_TOOL_RED_MARKER, 7}, {IDM_FILE_INFO, 8},   {IDM_CHANNEL_ALL, 9},
                 {IDM_ALPHA_AS_IMAGE, 13}, {IDM_OPEN_MEDIA, -1}, {0, -1}};
    for (const auto& c : cases) EXPECT_EQ(ImageToolBarImageIndex(c.command), c.image) << c.command;
}

TEST(ImageToolBarButtons, StatesFollowAnimationToolAndChannelView) {
    const BYTE on = TBSTATE_ENABLED, checked = TBSTATE_ENABLED | TBSTATE_CHECKED;
    const struct {
        const char* name;
        ImageToolBarInput in;
        UINT command;
        BYTE state;
    } cases[] = {
        {"rotate while still", {false, TOOL_SCROLL, false, CHANNEL_ALL}, IDM_ROTATE_180, on},
        {"rotate while playing", {true, TOOL_SCROLL, false, CHANNEL_ALL}, IDM_ROTATE_RIGHT, 0},
        {"mirror while playing", {true, TOOL_SCROLL, false, CHANNEL_ALL}, IDM_MIRROR, 0},
        {"scroll tool chosen", {false, TOOL_SCROLL, false, CHANNEL_ALL}, IDM_TOOL_SCROLL, checked},
        {"select tool not chosen", {false, TOOL_SCROLL, false, CHANNEL_ALL}, IDM_TOOL_SELECT, on},
        {"select tool chosen", {false, TOOL_SELECT, false, CHANNEL_ALL}, IDM_TOOL_SELECT, checked},
        {"marker while playing", {true, TOOL_RED_MARKER, false, CHANNEL_ALL}, IDM_TOOL_RED_MARKER, TBSTATE_CHECKED},
        {"scroll tool while playing", {true, TOOL_SCROLL, false, CHANNEL_ALL}, IDM_TOOL_SCROLL, checked},
        {"file information", {true, TOOL_SCROLL, false, CHANNEL_ALL}, IDM_FILE_INFO, on},
        {"24-bit: no alpha", {false, TOOL_SCROLL, false, CHANNEL_ALL}, IDM_ALPHA_AS_IMAGE, 0},
        {"32-bit: alpha", {false, TOOL_SCROLL, true, CHANNEL_ALL}, IDM_ALPHA_AS_IMAGE, on},
        {"alpha as layer", {false, TOOL_SCROLL, true, CHANNEL_ALPHA_AS_LAYER}, IDM_ALPHA_AS_IMAGE, checked},
        {"alpha blended", {false, TOOL_SCROLL, true, CHANNEL_ALPHA_BLENDED}, IDM_ALPHA_AS_IMAGE, checked},
        {"alpha view: all not checked", {false, TOOL_SCROLL, true, CHANNEL_ALPHA_AS_LAYER}, IDM_CHANNEL_ALL, on},
        {"alpha view: blue not checked", {false, TOOL_SCROLL, true, CHANNEL_ALPHA_AS_IMAGE}, IDM_CHANNEL_BLUE, on},
        {"all channels", {false, TOOL_SCROLL, false, CHANNEL_ALL}, IDM_CHANNEL_ALL, checked},
        {"green view", {false, TOOL_SCROLL, false, CHANNEL_GREEN}, IDM_CHANNEL_GREEN, checked},
        {"green view: red not", {false, TOOL_SCROLL, false, CHANNEL_GREEN}, IDM_CHANNEL_RED, on},
    };
    for (const auto& c : cases) EXPECT_EQ(ImageToolBarButtonState(c.command, c.in), c.state) << c.name;
}

// The commands that reached the test's main window.
std::vector<UINT> g_commands;

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) g_commands.push_back(LOWORD(wParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

class ImageToolBarWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = PlainWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QrvImageToolBarTest";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                                 nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        savedSkin = Skin.name;
        ASSERT_TRUE(Skin.Load(kDefaultSkinName));
        savedMargins = AppState::ViewMargins;
        ImageToolBar.Destroy();
    }
    void TearDown() override {
        ImageToolBar.Destroy();
        AppState::CurrentImage.Destroy();
        AppState::ChannelView = CHANNEL_ALL;
        AppState::ToolMode = TOOL_SCROLL;
        AnimationBar.playing = 0;
        AppState::ViewMargins = savedMargins;
        Skin.Load(savedSkin.c_str());
        if (window) DestroyWindow(window);
        qrvtest::Pump();
    }
    BYTE State(UINT command) { return (BYTE)SendMessageW(ImageToolBar.toolbar, TB_GETSTATE, command, 0); }

    HWND window = nullptr;
    std::wstring savedSkin;
    RECT savedMargins = {};
};

TEST_F(ImageToolBarWindowTest, CreatedTwiceTakesItsWidthOnceAndGivesItBack) {
    EXPECT_EQ(ImageToolBar.GetButtonsHeight(), 0);  // nothing before creation
    const RECT before = AppState::ViewMargins;
    ImageToolBar.Create(window);
    ImageToolBar.Create(window);
    ASSERT_TRUE(ImageToolBar.created);
    ASSERT_TRUE(IsWindow(ImageToolBar.rebar));
    ASSERT_TRUE(IsWindow(ImageToolBar.toolbar));
    RECT bar = {};
    GetWindowRect(ImageToolBar.rebar, &bar);
    EXPECT_GT(bar.right - bar.left, 0);
    EXPECT_EQ(ImageToolBar.marginTaken, bar.right - bar.left);
    EXPECT_EQ(AppState::ViewMargins.right, before.right + (bar.right - bar.left));
    EXPECT_EQ(AppState::ViewMargins.left, before.left);
    EXPECT_EQ(AppState::ViewMargins.top, before.top);
    EXPECT_EQ(AppState::ViewMargins.bottom, before.bottom);

    // The 17 entries with their commands; the alpha button opens a drop-down.
    ASSERT_EQ(SendMessageW(ImageToolBar.toolbar, TB_BUTTONCOUNT, 0, 0), 17);
    int height = 0;
    for (int i = 0; i < 17; ++i) {
        TBBUTTON b = {};
        SendMessageW(ImageToolBar.toolbar, TB_GETBUTTON, i, (LPARAM)&b);
        EXPECT_EQ((UINT)b.idCommand, kImageToolBarEntries[i]) << i;
        if (kImageToolBarEntries[i]) { EXPECT_EQ(b.iBitmap, ImageToolBarImageIndex(kImageToolBarEntries[i])) << i; }
        RECT r = {};
        SendMessageW(ImageToolBar.toolbar, TB_GETITEMRECT, i, (LPARAM)&r);
        height += r.bottom - r.top;
    }
    TBBUTTONINFOW info = {sizeof(info), TBIF_STYLE};
    SendMessageW(ImageToolBar.toolbar, TB_GETBUTTONINFOW, IDM_ALPHA_AS_IMAGE, (LPARAM)&info);
    EXPECT_TRUE(info.fsStyle & BTNS_WHOLEDROPDOWN);
    // The buttons' heights, what the window's minimum size leaves room for.
    EXPECT_EQ(ImageToolBar.GetButtonsHeight(), height);
    EXPECT_GT(height, 14 * 16);

    // Both strips of the skin, 14 pictures of the ini's size.
    for (HIMAGELIST list : {ImageToolBar.coldImages, ImageToolBar.hotImages}) {
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(list), 14);
        int cx = 0, cy = 0;
        ImageList_GetIconSize(list, &cx, &cy);
        EXPECT_EQ(cx, Skin.GetInt(L"cxButtonImage"));
        EXPECT_EQ(cy, Skin.GetInt(L"cyButtonImage"));
    }
    EXPECT_EQ((HIMAGELIST)SendMessageW(ImageToolBar.toolbar, TB_GETIMAGELIST, 0, 0), ImageToolBar.coldImages);
    EXPECT_EQ((HIMAGELIST)SendMessageW(ImageToolBar.toolbar, TB_GETHOTIMAGELIST, 0, 0), ImageToolBar.hotImages);

    HWND rebar = ImageToolBar.rebar;
    ImageToolBar.Destroy();
    ImageToolBar.Destroy();
    EXPECT_FALSE(ImageToolBar.created);
    EXPECT_FALSE(IsWindow(rebar));
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));
    EXPECT_EQ(ImageToolBar.GetButtonsHeight(), 0);
}

TEST_F(ImageToolBarWindowTest, SitsInTheRightMarginBelowTheTopMargin) {
    ASSERT_FALSE(Browser.IsShown());
    AppState::ViewMargins = RECT{0, 30, 0, 20};
    ImageToolBar.Create(window);
    ASSERT_TRUE(ImageToolBar.created);
    RECT client = {}, bar = {};
    GetClientRect(window, &client);
    GetWindowRect(ImageToolBar.rebar, &bar);
    MapWindowPoints(nullptr, window, (POINT*)&bar, 2);
    const int scrollBar = ViewScrollBars.created ? GetSystemMetrics(SM_CXHSCROLL) : 0;
    EXPECT_EQ(bar.left, client.right - AppState::ViewMargins.right + scrollBar);
    EXPECT_EQ(bar.right, bar.left + ImageToolBar.marginTaken);
    EXPECT_EQ(bar.top, 30);
    EXPECT_EQ(bar.bottom, client.bottom - 20);
}

TEST_F(ImageToolBarWindowTest, ButtonStatesFollowTheImage) {
    ImageToolBar.Create(window);
    ASSERT_TRUE(ImageToolBar.created);
    // A 24-bit image has no alpha channel to view.
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(8, 8, 24, RGB(1, 2, 3), nullptr));
    ImageToolBar.UpdateButtonStates();
    EXPECT_FALSE(State(IDM_ALPHA_AS_IMAGE) & TBSTATE_ENABLED);
    EXPECT_TRUE(State(IDM_CHANNEL_ALL) & TBSTATE_CHECKED);
    EXPECT_TRUE(State(IDM_TOOL_SCROLL) & TBSTATE_CHECKED);
    // A 32-bit image in the alpha-as-layer view: alpha checked, no channel.
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(8, 8, 32, RGB(1, 2, 3), nullptr));
    AppState::ChannelView = CHANNEL_ALPHA_AS_LAYER;
    ImageToolBar.UpdateButtonStates();
    EXPECT_EQ(State(IDM_ALPHA_AS_IMAGE), TBSTATE_ENABLED | TBSTATE_CHECKED);
    for (UINT id : {IDM_CHANNEL_ALL, IDM_CHANNEL_RED, IDM_CHANNEL_GREEN, IDM_CHANNEL_BLUE})
        EXPECT_EQ(State(id), TBSTATE_ENABLED) << id;
    // A playing animation cannot be turned; the tools follow the mode.
    AnimationBar.playing = 1;
    AppState::ToolMode = TOOL_SELECT;
    ImageToolBar.UpdateButtonStates();
    EXPECT_FALSE(State(IDM_ROTATE_LEFT) & TBSTATE_ENABLED);
    EXPECT_FALSE(State(IDM_TOOL_RED_MARKER) & TBSTATE_ENABLED);
    EXPECT_TRUE(State(IDM_TOOL_SELECT) & TBSTATE_CHECKED);
    EXPECT_FALSE(State(IDM_TOOL_SCROLL) & TBSTATE_CHECKED);
    // A second Create refreshes the states.
    AnimationBar.playing = 0;
    ImageToolBar.Create(window);
    EXPECT_TRUE(State(IDM_ROTATE_LEFT) & TBSTATE_ENABLED);
}

TEST_F(ImageToolBarWindowTest, TipsAnswerOnlyTheBarsOwnButtons) {
    NMTTDISPINFOW info = {};
    info.hdr.idFrom = IDM_CHANNEL_RED;
    EXPECT_FALSE(ImageToolBar.GetTipText(&info));  // not created
    ImageToolBar.Create(window);
    ASSERT_TRUE(ImageToolBar.created);
    HWND tips = (HWND)SendMessageW(ImageToolBar.toolbar, TB_GETTOOLTIPS, 0, 0);
    ASSERT_NE(tips, nullptr);
    const struct {
        HWND from;
        UINT id;
        const wchar_t* text;  // nullptr: not answered
    } cases[] = {
        {tips, IDM_ROTATE_RIGHT, L"Rotate Image Right by 90\u00B0"},
        {tips, IDM_CHANNEL_RED, L"View only Red Channel"},
        {tips, IDM_ALPHA_AS_IMAGE, L"View/Blend Alpha Channel"},
        {tips, IDM_FILE_INFO, L"View File Information (Ctrl+I)"},
        {tips, IDM_OPEN_MEDIA, nullptr},
        {window, IDM_CHANNEL_RED, nullptr},  // another control's tip with the same id
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        info = {};
        info.hdr.hwndFrom = c.from;
        info.hdr.idFrom = c.id;
        info.hdr.code = TTN_GETDISPINFOW;
        EXPECT_EQ(ImageToolBar.GetTipText(&info), c.text != nullptr);
        if (c.text) { EXPECT_STREQ(info.lpszText, c.text); }
    }
    // Every tip fits its 64-character entry.
    for (const auto& tip : ImageToolBar.tips) {
        EXPECT_GT(wcslen(tip), 0u);
        EXPECT_LT(wcslen(tip), (size_t)kImageToolBarTipChars);
    }
}

// A click on a button reaches the main window as its command, through the rebar.
TEST_F(ImageToolBarWindowTest, ClickedButtonsSendTheirCommandToTheMainWindow) {
    ImageToolBar.Create(window);
    ASSERT_TRUE(ImageToolBar.created);
    qrvtest::Pump();
    for (UINT id : {IDM_ROTATE_LEFT, IDM_CHANNEL_GREEN}) {
        g_commands.clear();
        const int index = (int)SendMessageW(ImageToolBar.toolbar, TB_COMMANDTOINDEX, id, 0);
        RECT r = {};
        ASSERT_TRUE(SendMessageW(ImageToolBar.toolbar, TB_GETITEMRECT, index, (LPARAM)&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(ImageToolBar.toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(ImageToolBar.toolbar, WM_LBUTTONUP, 0, at);
        qrvtest::Pump();
        EXPECT_EQ(g_commands, std::vector<UINT>{id});
    }
}

TEST_F(ImageToolBarWindowTest, FailedCreationIsReportedAndTakesNoMargin) {
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    const RECT before = AppState::ViewMargins;
    {
        qrvtest::MessageCapture capture;
        ImageToolBar.Create(gone);
        ASSERT_EQ(capture.messages.size(), 1u);
        EXPECT_EQ(capture.messages[0], L"no Rebar");
    }
    EXPECT_FALSE(ImageToolBar.created);
    EXPECT_EQ(ImageToolBar.rebar, nullptr);
    EXPECT_EQ(ImageToolBar.marginTaken, 0);
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));
    EXPECT_EQ(ImageToolBar.GetButtonsHeight(), 0);
    ImageToolBar.Destroy();
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));
    // A later creation on a real window works and takes the margin once.
    ImageToolBar.Create(window);
    ASSERT_TRUE(ImageToolBar.created);
    EXPECT_EQ(AppState::ViewMargins.right, before.right + ImageToolBar.marginTaken);
}

TEST_F(ImageToolBarWindowTest, MissingSkinPicturesLeaveButtonsWithoutImages) {
    ASSERT_TRUE(Skin.Load(L"QrvNoSuchSkin"));
    ImageToolBar.Create(window);
    ASSERT_TRUE(ImageToolBar.created);
    EXPECT_EQ(SendMessageW(ImageToolBar.toolbar, TB_BUTTONCOUNT, 0, 0), 17);
    ASSERT_NE(ImageToolBar.coldImages, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(ImageToolBar.coldImages), 0);
    EXPECT_EQ(ImageList_GetImageCount(ImageToolBar.hotImages), 0);
    EXPECT_GT(ImageToolBar.marginTaken, 0);
}

}  // namespace
