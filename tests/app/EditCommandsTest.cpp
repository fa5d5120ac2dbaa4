// The main window's commands as the menus offer them: no menu item or shortcut
// is live without a handler behind it, and the image edits (flips, rotations,
// the effect dialogs) with Undo and Redo work on a picture opened in a real
// window, ending in the question to save it when the window closes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/CommandState.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/MediaDocument.h"
#include "app/SaveAsDialog.h"
#include "app/ShellServices.h"
#include "app_ids.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Effects.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Pump;

// Every command item of a menu and its submenus, with whether it is enabled.
void CollectItems(HMENU menu, std::vector<std::pair<UINT, bool>>* items) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STATE;
        ASSERT_TRUE(GetMenuItemInfoW(menu, (UINT)i, TRUE, &info));
        if (info.hSubMenu) CollectItems(info.hSubMenu, items);
        else if (!(info.fType & MFT_SEPARATOR)) items->push_back({info.wID, (info.fState & MFS_GRAYED) == 0});
    }
}

// The rows of an image, byte for byte.
std::vector<uint8_t> Pixels(CImage& image) {
    std::vector<uint8_t> out;
    if (!image.IsValid()) return out;
    const size_t row = CImage::RowBytes(image.GetWidth(), image.GetBpp());
    for (uint32_t y = 0; y < image.GetHeight(); ++y) {
        const uint8_t* line = image.ScanLine(y);
        out.insert(out.end(), line, line + row);
    }
    return out;
}

// A 24-bit picture whose every pixel differs, so any move of a pixel shows.
void WritePatternPicture(const std::wstring& path, int width, int height) {
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(width, height, 24, 0, nullptr));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.ScanLine((uint32_t)y) + x * 3;
            p[0] = (uint8_t)(x * 37 + y * 11);
            p[1] = (uint8_t)(y * 53 + 7);
            p[2] = (uint8_t)((x * y * 29) ^ 0x5A);
        }
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveImageFile(path.c_str(), image, error, SaveOptionsFromSettings())) << qrvtest::Narrow(error);
}

// Answers every Yes/No question with No and records the questions asked.
std::vector<std::wstring> g_questions;
int AnswerNo(const wchar_t* text, const wchar_t*, UINT type, bool) {
    if ((type & MB_TYPEMASK) == MB_YESNO) {
        g_questions.push_back(text);
        return IDNO;
    }
    return IDOK;
}

// Presses OK in the effect dialog the command opened (a thread timer runs
// inside the dialog's modal loop); gives up with Cancel if OK did not end it.
int g_dialogsSeen = 0;
void CALLBACK PressOk(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = apptest::VisibleDialog();
    if (!dialog) return;
    ++g_dialogsSeen;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(g_dialogsSeen > 5 ? IDCANCEL : IDOK, BN_CLICKED), 0);
}

class EditCommandsTest : public apptest::MainWindowFixture {
protected:
    void SetUp() override {
        RegisterShellServices();
        MainWindowFixture::SetUp();
        WritePatternPicture(dir.File(L"a.bmp"), 7, 5);
        WritePatternPicture(dir.File(L"b.bmp"), 3, 3);
        SetCurrentDirectoryW(dir.Path().c_str());
        CopyStringW(AppState::CurrentFolder, dir.Path().c_str());
        BuildFileList(L"a.bmp", dir.Path().c_str());
        ASSERT_TRUE(WaitForFileScan(10000));
        OpenMediaFile(dir.File(L"a.bmp").c_str());
        Pump();
        ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
        ASSERT_EQ(AppState::CurrentImage.GetWidth(), 7u);
    }
    void TearDown() override {
        AppState::ImageModified = 0;
        AppState::SlideShowRunning = 0;
        UndoSnapshot.Discard();
        RedoSnapshot.Discard();
        MainWindowFixture::TearDown();
    }
    void Command(UINT id) {
        SendMessageW(window, WM_COMMAND, id, 0);
        Pump();
    }
    bool MenuEnabled(UINT id) { return (GetMenuState(GetMenu(window), id, MF_BYCOMMAND) & MF_GRAYED) == 0; }
    qrvtest::TempDir dir;
};

}  // namespace

// Every item of the main menu, the context menus and the tool bar's drop-down
// menus, and every shortcut: none is enabled without a handler, while the
// handled edits are enabled in the same state.
TEST_F(EditCommandsTest, NoMenuItemOrShortcutIsEnabledWithoutAHandler) {
    ASSERT_TRUE(OpenClipboard(window));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, CreateBitmap(2, 2, 1, 32, nullptr));
    CloseClipboard();
    ASSERT_TRUE(UndoSnapshot.Save());
    ASSERT_TRUE(RedoSnapshot.Save());
    SetRect(&AppState::Selection, 1, 1, 3, 3);

    for (int slideShow : {0, 1}) {
        AppState::SlideShowRunning = (uint8_t)slideShow;
        MainMenu.UpdateStates();
        std::vector<std::pair<UINT, bool>> items;
        CollectItems(GetMenu(window), &items);
        ASSERT_GT(items.size(), 100u);
        // The drop-down menus and context menus (the recent lists take no commands).
        for (UINT button : {40202u, 40205u, 40214u, 40090u, 208u, 40319u, 40180u}) {
            HMENU resource = nullptr;
            HMENU popup = BuildDropDownMenu(button, &resource);
            ASSERT_NE(popup, nullptr) << button;
            CollectItems(popup, &items);
            DestroyMenu(resource);
        }
        for (const wchar_t* file : {L"a.bmp", L"a.avi", L"a.mp3"}) {
            CopyStringW(AppState::CurrentFile, file);
            for (bool onSelection : {false, true}) {
                HMENU resource = nullptr;
                HMENU popup = BuildViewerContextMenu(onSelection, &resource);
                ASSERT_NE(popup, nullptr);
                CollectItems(popup, &items);
                DestroyMenu(resource);
            }
        }
        for (const auto& item : items) {
            if (item.second) {
                EXPECT_TRUE(HasCommandHandler(item.first)) << "item " << item.first << " show " << slideShow;
            }
        }

        HACCEL table = LoadAcceleratorsW(AppState::Instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
        ASSERT_NE(table, nullptr);
        std::vector<ACCEL> keys((size_t)CopyAcceleratorTableW(table, nullptr, 0));
        CopyAcceleratorTableW(table, keys.data(), (int)keys.size());
        DestroyAcceleratorTable(table);
        for (const ACCEL& key : keys) {
            if (!HasCommandHandler(key.cmd)) { EXPECT_FALSE(IsCommandEnabled(key.cmd)) << "shortcut " << key.cmd; }
        }
    }

    // What has a handler is live in this state.
    for (UINT id : {40005u, 40006u, 40011u, 40012u, 254u, 40063u, 40064u, 40081u, 40079u, 40303u, 40319u})
        EXPECT_TRUE(MenuEnabled(id)) << id;
    // A command without a handler is refused even when it arrives on its own
    // (the tool bars' drop-down buttons open their menus and run nothing).
    for (UINT id : {40180u, 40202u, 40205u, 40214u}) EXPECT_FALSE(IsCommandEnabled(id)) << id;
    SetRectEmpty(&AppState::Selection);
    ASSERT_TRUE(OpenClipboard(window));
    EmptyClipboard();
    CloseClipboard();
}

// The flips, rotations and pixel edits from the menu change the pixels as the
// image library's own operations do; Undo puts back the exact picture, Redo
// the edit.
TEST_F(EditCommandsTest, FlipsRotationsAndPixelEditsWithUndoAndRedo) {
    struct Case {
        UINT id;
        bool (CImage::*operation)();
    } cases[] = {{40005, &CImage::FlipVertical},  {40006, &CImage::Mirror},      {40011, &CImage::RotateLeft90},
                 {40012, &CImage::RotateRight90}, {254, &CImage::Rotate180},     {40021, &CImage::Invert},
                 {40022, &CImage::ToGrayscale},   {40035, &CImage::SwapRedBlue}, {40036, &CImage::SwapRedGreen},
                 {40038, &CImage::SwapGreenBlue}};
    EXPECT_FALSE(MenuEnabled(40079));
    for (const Case& c : cases) {
        CImage before;
        ASSERT_TRUE(before.Copy(AppState::CurrentImage));
        CImage expected;
        ASSERT_TRUE(expected.Copy(AppState::CurrentImage));
        ASSERT_TRUE((expected.*c.operation)());
        ASSERT_NE(Pixels(expected), Pixels(before)) << c.id;

        Command(c.id);
        EXPECT_EQ(AppState::CurrentImage.GetWidth(), expected.GetWidth()) << c.id;
        EXPECT_EQ(AppState::CurrentImage.GetHeight(), expected.GetHeight()) << c.id;
        EXPECT_EQ(Pixels(AppState::CurrentImage), Pixels(expected)) << c.id;
        EXPECT_EQ(AppState::ImageModified, 1);
        EXPECT_TRUE(MenuEnabled(40079)) << c.id;
        EXPECT_FALSE(MenuEnabled(40303)) << c.id;

        Command(40079);
        EXPECT_EQ(AppState::CurrentImage.GetWidth(), before.GetWidth()) << c.id;
        EXPECT_EQ(Pixels(AppState::CurrentImage), Pixels(before)) << c.id;
        EXPECT_FALSE(MenuEnabled(40079)) << c.id;
        EXPECT_TRUE(MenuEnabled(40303)) << c.id;

        Command(40303);
        EXPECT_EQ(Pixels(AppState::CurrentImage), Pixels(expected)) << c.id;
        Command(40079);
        EXPECT_EQ(Pixels(AppState::CurrentImage), Pixels(before)) << c.id;
    }
    // A depth conversion, undone: the picture's depth and pixels come back.
    {
        CImage before;
        ASSERT_TRUE(before.Copy(AppState::CurrentImage));
        const int depth = AppState::CurrentImage.GetBpp();
        EXPECT_FALSE(IsCommandEnabled(depth == 24 ? 40068 : 40121));  // its own depth is gray
        Command(40026);
        EXPECT_EQ(AppState::CurrentImage.GetBpp(), 8);
        EXPECT_FALSE(IsCommandEnabled(40026));
        Command(40079);
        EXPECT_EQ(AppState::CurrentImage.GetBpp(), depth);
        EXPECT_EQ(Pixels(AppState::CurrentImage), Pixels(before));
    }
    // Undo with nothing to undo is refused: the picture stays.
    UndoSnapshot.Discard();
    CImage kept;
    ASSERT_TRUE(kept.Copy(AppState::CurrentImage));
    Command(40079);
    EXPECT_EQ(Pixels(AppState::CurrentImage), Pixels(kept));
}

// The three effect dialogs from the menu: OK runs the effect with the dialog's
// values, exactly as the library computes it; Undo restores the picture.
TEST_F(EditCommandsTest, EffectDialogsRunTheEffectAndUndoRestores) {
    AppState::EffBlurRandomization = 100;  // every sample blurred: no randomness
    AppState::EffBlurRepeatCount = 2;
    AppState::EffSharpenPercent = 60;
    AppState::EffPixelizePixelWidth = 2;
    struct Case {
        UINT id;
        void (*apply)(CImage& image);
    } cases[] = {
        {40063, [](CImage& image) { ASSERT_TRUE(ImageEffects.Blur(image, 100, 2, false)); }},
        {40081, [](CImage& image) { ASSERT_TRUE(ImageEffects.Sharpen(image, 60, false)); }},
        {40064, [](CImage& image) { ASSERT_TRUE(ImageEffects.PixelizeImage(image, 2, false)); }},
    };
    for (const Case& c : cases) {
        CImage before, expected;
        ASSERT_TRUE(before.Copy(AppState::CurrentImage));
        ASSERT_TRUE(expected.Copy(AppState::CurrentImage));
        c.apply(expected);
        ASSERT_NE(Pixels(expected), Pixels(before)) << c.id;

        g_dialogsSeen = 0;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, PressOk);
        Command(c.id);
        KillTimer(nullptr, timer);
        EXPECT_EQ(g_dialogsSeen, 1) << c.id;
        EXPECT_EQ(Pixels(AppState::CurrentImage), Pixels(expected)) << c.id;
        EXPECT_EQ(AppState::ImageModified, 1);
        EXPECT_TRUE(MenuEnabled(40079)) << c.id;

        Command(40079);
        EXPECT_EQ(AppState::CurrentImage.GetBpp(), before.GetBpp()) << c.id;
        EXPECT_EQ(Pixels(AppState::CurrentImage), Pixels(before)) << c.id;
    }
}

// An edited picture is not closed without the question to save it.
TEST_F(EditCommandsTest, ClosingAnEditedPictureAsksToSaveIt) {
    Command(40012);
    ASSERT_EQ(AppState::CurrentImage.GetWidth(), 5u);
    g_questions.clear();
    const MessageHook previous = SetMessageHook(AnswerNo);
    Command(40138);  // Exit
    SetMessageHook(previous);
    EXPECT_FALSE(IsWindow(window));
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_NE(g_questions[0].find(dir.File(L"a.bmp")), std::wstring::npos) << qrvtest::Narrow(g_questions[0]);
    EXPECT_NE(g_questions[0].find(L"modified"), std::wstring::npos);
    // The answer No leaves the file as it was.
    CImage onDisk;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadMediaFile(onDisk, dir.File(L"a.bmp").c_str(), error, nullptr));
    EXPECT_EQ(onDisk.GetWidth(), 7u);
}
