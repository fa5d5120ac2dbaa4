// Saving from the shell: the Yes/No question through the message seam, the
// overwrite question about the file actually written, the "image saved"
// service, quick save and Save As from the main window, and a Yes to "save
// the changes?" that really writes the file (the real save dialog is driven by
// a thread timer that always ends it).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/ImageSnapshot.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/SaveAsDialog.h"
#include "app/Settings.h"
#include "app/ShellServices.h"
#include "app/Startup.h"
#include "app/View.h"
#include "app_filedialogs_ids.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Registry.h"
#include "support/SettingsKeeper.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Pump;

// A message hook that answers every question with a chosen button and records it.
struct Question {
    std::wstring text, caption;
    UINT type;
    HWND owner;
    HWND dialog;  // the visible dialog box when it was asked
};
std::vector<Question> g_questions;
int g_answer = IDNO;
int AnsweringHook(const wchar_t* text, const wchar_t* caption, UINT type, bool) {
    g_questions.push_back({text, caption, type, CurrentMessageOwner(), apptest::VisibleDialog()});
    return (type & MB_TYPEMASK) == MB_YESNO ? g_answer : IDOK;
}
struct AnswerWith {
    MessageHook previous;
    explicit AnswerWith(int answer) : previous(SetMessageHook(AnsweringHook)) {
        g_answer = answer;
        g_questions.clear();
    }
    ~AnswerWith() { SetMessageHook(previous); }
};

void WriteBmp(const std::wstring& path, int width, COLORREF color) {
    apptest::WriteSolidPicture(path, width, 6, color);
}

// ---- the real save dialog, driven by a thread timer ----

using apptest::WithDialogDriver;
apptest::DialogDriver& g_driver = apptest::g_dialogDriver;

using SaveSettingsGuard = qrvtest::SettingsKeeper;  // the save dialog stores its folder and filter

class SaveWiringTest : public apptest::ShellWindowFixture {
protected:
    // Opens dir\name through the file list, as Previous/Next do.
    void OpenFromList(const qrvtest::TempDir& dir, const wchar_t* name) {
        SetCurrentDirectoryW(dir.Path().c_str());
        CopyStringW(AppState::CurrentFolder, dir.Path().c_str());
        BuildFileList(name, dir.Path().c_str());
        ASSERT_TRUE(WaitForFileScan(10000));
        OpenMediaFile(dir.File(name).c_str());
        Pump();
        ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
    }
    // An edit of the viewer image, as the edit commands make it.
    void Edit() {
        UndoSnapshot.Save();
        AppState::ImageModified = 1;
        AppState::CurrentImage.Invert();
    }
};

int WidthOf(const std::wstring& path) {
    CImage image;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    FormatId id = 0;
    return LoadMediaFile(image, path.c_str(), error, &id) ? (int)image.GetWidth() : -1;
}

COLORREF TopLeftOf(const std::wstring& path) {
    CImage image;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    FormatId id = 0;
    if (!LoadMediaFile(image, path.c_str(), error, &id)) return CLR_INVALID;
    GdiFlush();
    const uint8_t* p = image.ScanLine(image.GetHeight() - 1);
    return RGB(p[2], p[1], p[0]);
}

}  // namespace

TEST(AskYesNo, GoesThroughTheMessageSeam) {
    {
        AnswerWith yes(IDYES);
        EXPECT_EQ(AskYesNo(L"Caption", L"Replace %ls?", L"x.jpg"), IDYES);
        ASSERT_EQ(g_questions.size(), 1u);
        EXPECT_EQ(g_questions[0].text, L"Replace x.jpg?");
        EXPECT_EQ(g_questions[0].caption, L"Caption");
        EXPECT_EQ(g_questions[0].type & MB_TYPEMASK, (UINT)MB_YESNO);
    }
    {
        AnswerWith no(IDNO);
        EXPECT_EQ(AskYesNo(nullptr, L"?"), IDNO);
        EXPECT_EQ(g_questions[0].caption, L"Quorvane");
    }
    qrvtest::MessageCapture capture;  // answers OK, which is no Yes
    EXPECT_EQ(AskYesNo(nullptr, L"Sure?"), IDNO);
    ASSERT_EQ(capture.messages.size(), 1u);
}

// A message names its owner: the main window unless the caller names another
// (a dialog asking over itself). The hook sees it while it runs, only then.
TEST(AskYesNo, OwnerDefaultsToTheMainWindow) {
    HWND main = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND dialog = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, main, nullptr, nullptr, nullptr);
    const HWND kept = AppState::MainWindow;
    AppState::MainWindow = main;
    SetMessageOwner(main);  // as the shell does once its main window exists
    {
        AnswerWith yes(IDYES);
        EXPECT_EQ(AskYesNo(L"Caption", L"Replace?"), IDYES);
        EXPECT_EQ(AskYesNo(MessageOwner{dialog}, L"Caption", L"Replace %ls?", L"x.jpg"), IDYES);
        EXPECT_EQ(AskYesNo(MessageOwner{nullptr}, L"Caption", L"Replace?"), IDYES);
        ASSERT_EQ(g_questions.size(), 3u);
        EXPECT_EQ(g_questions[0].owner, main);
        EXPECT_EQ(g_questions[1].owner, dialog);
        EXPECT_EQ(g_questions[1].text, L"Replace x.jpg?");
        EXPECT_EQ(g_questions[2].owner, main);
    }
    {
        qrvtest::MessageCapture capture;
        ShowMessage(L"one %d", 1);
        ShowMessage(MessageOwner{dialog}, L"two %d", 2);
        EXPECT_EQ(capture.messages, (std::vector<std::wstring>{L"one 1", L"two 2"}));
        EXPECT_EQ(capture.owners, (std::vector<HWND>{main, dialog}));
    }
    EXPECT_EQ(CurrentMessageOwner(), nullptr);
    AppState::MainWindow = kept;
    SetMessageOwner(kept);
    DestroyWindow(dialog);
    DestroyWindow(main);
}

// Typing photo.png with the JPG type writes photo.jpg: the question is about photo.jpg.
TEST(SaveAsOverwrite, AsksAboutTheFileActuallyWritten) {
    qrvtest::TempDir dir;
    WriteBmp(dir.File(L"photo.jpg"), 3, RGB(1, 2, 3));  // the name is what counts here
    WriteBmp(dir.File(L"other.png"), 3, RGB(1, 2, 3));
    const std::wstring typed = dir.File(L"photo.png");
    {
        AnswerWith no(IDNO);
        EXPECT_FALSE(ConfirmSaveAsTarget(typed.c_str(), 3));
        ASSERT_EQ(g_questions.size(), 1u);
        EXPECT_NE(g_questions[0].text.find(dir.File(L"photo.jpg")), std::wstring::npos);
        // The typed name does not exist with the PNG type: nothing to ask.
        EXPECT_TRUE(ConfirmSaveAsTarget(typed.c_str(), 9));
        // other.png exists, but other.jpg is written: nothing to ask either.
        EXPECT_TRUE(ConfirmSaveAsTarget(dir.File(L"other.png").c_str(), 3));
        EXPECT_EQ(g_questions.size(), 1u);
    }
    AnswerWith yes(IDYES);
    EXPECT_TRUE(ConfirmSaveAsTarget(typed.c_str(), 3));
}

// The panel's hook keeps the dialog open when the user does not want to replace.
TEST(SaveAsOverwrite, FileOkIsRefusedThroughTheHook) {
    qrvtest::TempDir dir;
    WriteBmp(dir.File(L"photo.jpg"), 3, RGB(1, 2, 3));
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND panel = CreateDialogParamW(GetModuleHandleW(nullptr), L"SAVEASDLGADD", parent,
                                    reinterpret_cast<DLGPROC>(SaveAsHookProc), 0);
    ASSERT_NE(panel, nullptr);
    wchar_t file[MAX_PATH];
    CopyStringW(file, dir.File(L"photo.png").c_str());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.nFilterIndex = 3;
    OFNOTIFYW notify{};
    notify.hdr.hwndFrom = parent;
    notify.hdr.code = CDN_FILEOK;
    notify.lpOFN = &ofn;
    {
        AnswerWith no(IDNO);
        SetWindowLongPtrW(panel, DWLP_MSGRESULT, 0);
        SendMessageW(panel, WM_NOTIFY, 0, (LPARAM)&notify);
        ASSERT_EQ(g_questions.size(), 1u);
        EXPECT_EQ(g_questions[0].owner, parent);  // the file dialog, not the main window
        EXPECT_EQ(GetWindowLongPtrW(panel, DWLP_MSGRESULT), 1);
    }
    {
        AnswerWith yes(IDYES);
        SetWindowLongPtrW(panel, DWLP_MSGRESULT, 0);
        SendMessageW(panel, WM_NOTIFY, 0, (LPARAM)&notify);
        EXPECT_EQ(GetWindowLongPtrW(panel, DWLP_MSGRESULT), 0);
        ofn.nFilterIndex = 9;  // photo.png does not exist: no question
        SendMessageW(panel, WM_NOTIFY, 0, (LPARAM)&notify);
        EXPECT_EQ(g_questions.size(), 1u);
    }
    DestroyWindow(panel);
    DestroyWindow(parent);
}

// Quick save writes over the folder's current file and ends the modified state;
// afterwards opening another file asks nothing.
TEST_F(SaveWiringTest, QuickSaveWritesTheCurrentEntryAndClearsTheModifiedState) {
    qrvtest::TempDir dir;
    WriteBmp(dir.File(L"a.bmp"), 9, RGB(0, 0, 0));
    WriteBmp(dir.File(L"b.bmp"), 5, RGB(0, 0, 0));
    OpenFromList(dir, L"a.bmp");
    Edit();  // black becomes white
    ASSERT_TRUE(UndoSnapshot.IsValid());
    AnswerWith no(IDNO);
    SendMessageW(window, WM_COMMAND, 204, 0);
    Pump();
    EXPECT_EQ(TopLeftOf(dir.File(L"a.bmp")), RGB(255, 255, 255));
    EXPECT_FALSE(UndoSnapshot.IsValid());
    EXPECT_EQ(AppState::ImageModified, 0);
    EXPECT_TRUE(GetMenuState(GetMenu(window), 40079, MF_BYCOMMAND) & MF_GRAYED);  // nothing to undo
    SendMessageW(window, WM_COMMAND, 40002, 0);
    Pump();
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 5u);
    EXPECT_TRUE(g_questions.empty());
}

// "Save the changes?" Yes runs Save As, which writes the file with the chosen type.
TEST_F(SaveWiringTest, YesToSaveTheChangesWritesTheFile) {
    SaveSettingsGuard guard;
    qrvtest::TempDir dir;
    WriteBmp(dir.File(L"a.bmp"), 9, RGB(0, 0, 0));
    WriteBmp(dir.File(L"b.bmp"), 5, RGB(0, 0, 0));
    OpenFromList(dir, L"a.bmp");
    Edit();
    AppState::LastSaveFilter = 9;  // PNG
    const std::wstring target = dir.File(L"edited.png");
    AnswerWith yes(IDYES);
    WithDialogDriver(target, [&] {
        SendMessageW(window, WM_COMMAND, 40002, 0);  // next file: the edit would be lost
        Pump();
    });
    ASSERT_TRUE(g_driver.seen) << "no save dialog";
    EXPECT_EQ(g_driver.offered, L"a");  // the file's name without its extension
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_NE(g_questions[0].text.find(L"has been modified. Do you want to save the changes?"), std::wstring::npos);
    EXPECT_EQ(WidthOf(target), 9);
    EXPECT_EQ(TopLeftOf(target), RGB(255, 255, 255));
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 5u);  // and the next file is open
    EXPECT_EQ(AppState::ImageModified, 0);
}

// Save As over an existing file: the overwrite question belongs to the file
// dialog, so that answering No leaves the main window disabled under the still
// open dialog (owned by the main window, the box re-enabled it on closing and
// its commands ran inside the dialog).
TEST_F(SaveWiringTest, OverwriteQuestionIsOwnedByTheSaveDialog) {
    SaveSettingsGuard guard;
    qrvtest::TempDir dir;
    WriteBmp(dir.File(L"a.bmp"), 9, RGB(0, 0, 0));
    WriteBmp(dir.File(L"taken.bmp"), 4, RGB(0, 0, 0));
    OpenFromList(dir, L"a.bmp");
    AppState::LastSaveFilter = 1;
    AnswerWith no(IDNO);
    WithDialogDriver(dir.File(L"taken.bmp"), [&] {
        SendMessageW(window, WM_COMMAND, 40082, 0);
        Pump();
    });
    ASSERT_TRUE(g_driver.seen);
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_NE(g_questions[0].text.find(L"already exists"), std::wstring::npos);
    ASSERT_NE(g_questions[0].dialog, nullptr);
    EXPECT_EQ(g_questions[0].owner, g_questions[0].dialog);
    EXPECT_NE(g_questions[0].owner, window);
    EXPECT_EQ(WidthOf(dir.File(L"taken.bmp")), 4);  // No: nothing written
}

// The Save As dialog opens with the focus in the name box: typing a name
// replaces the offered one (with the focus on the panel's "Switch to current
// Folder" box, typing "sunset" hit its mnemonic and reopened the dialog).
TEST_F(SaveWiringTest, SaveAsStartsWithTheFocusInTheNameBox) {
    SaveSettingsGuard guard;
    qrvtest::TempDir dir;
    WriteBmp(dir.File(L"a.bmp"), 9, RGB(0, 0, 0));
    OpenFromList(dir, L"a.bmp");
    for (int filter : {1, 3}) {  // without and with an option panel (JPG)
        AppState::LastSaveFilter = filter;
        WithDialogDriver(L"", [&] {
            SendMessageW(window, WM_COMMAND, 40082, 0);
            Pump();
        });
        ASSERT_TRUE(g_driver.seen) << filter;
        EXPECT_TRUE(g_driver.nameFocused) << "filter " << filter << ": focus on " << g_driver.focus;
    }
}

// ---- a picture with alpha, shown blended over the background ----

namespace {

// RGBA rows from the top: ImageMagick's decoding of the fixture, and of a file written here.
std::vector<unsigned char> OriginalRgba() { return qrvtest::ReadAll(qrvtest::Fixture(L"png_rgba8.rgba")); }
std::vector<unsigned char> WrittenRgba(const std::wstring& path) {
    return qrvtest::ReadAll(pixelcheck::ImageMagickRgba(path));
}

// The rows mirrored left to right.
std::vector<unsigned char> Mirrored(const std::vector<unsigned char>& rgba, size_t width) {
    std::vector<unsigned char> out(rgba.size());
    for (size_t i = 0; i < rgba.size() / 4; ++i) {
        const size_t x = i % width, row = i - x;
        std::memcpy(&out[(row + width - 1 - x) * 4], &rgba[i * 4], 4);
    }
    return out;
}

::testing::AssertionResult SameRgba(const std::vector<unsigned char>& got, const std::vector<unsigned char>& want) {
    if (got.size() != want.size() || want.empty())
        return ::testing::AssertionFailure() << got.size() << " bytes, " << want.size() << " wanted";
    for (size_t i = 0; i < want.size(); ++i)
        if (got[i] != want[i])
            return ::testing::AssertionFailure()
                   << "pixel " << i / 4 << " channel " << i % 4 << ": " << (int)got[i] << ", wanted " << (int)want[i];
    return ::testing::AssertionSuccess();
}

// The viewer image is the picture blended over the view's background, opaque
// (the colour premultiplied by alpha, truncated: within 1 of the exact blend).
::testing::AssertionResult ShowsBlended(const std::vector<unsigned char>& rgba) {
    CImage& image = AppState::CurrentImage;
    if (AppState::ChannelView != 6) return ::testing::AssertionFailure() << "view " << AppState::ChannelView;
    GdiFlush();
    const COLORREF bg = GetViewBackgroundColor();
    const int back[3] = {GetRValue(bg), GetGValue(bg), GetBValue(bg)};
    std::vector<unsigned char> want(rgba.size());
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const int a = rgba[i + 3];
        for (int c = 0; c < 3; ++c) want[i + c] = (unsigned char)((rgba[i + c] * a + back[c] * (255 - a) + 127) / 255);
        want[i + 3] = 255;
    }
    const std::vector<unsigned char> got = pixelcheck::ImageRgba(image);
    if (got.size() != want.size()) return SameRgba(got, want);
    for (size_t i = 0; i < want.size(); ++i)
        if (got[i] + 1 < want[i] || got[i] > want[i] + 1)
            return ::testing::AssertionFailure()
                   << "pixel " << i / 4 << " channel " << i % 4 << ": " << (int)got[i] << ", wanted " << (int)want[i];
    return ::testing::AssertionSuccess();
}

class AlphaPictureTest : public SaveWiringTest {
protected:
    // dir\a.png, the fixture with an alpha ramp, opened from the folder's list on default settings.
    void OpenAlphaPicture() {
        ASSERT_TRUE(CopyFileW(qrvtest::Fixture(L"png_rgba8.png").c_str(), dir.File(L"a.png").c_str(), FALSE));
        ASSERT_EQ(AppState::ImageAlphaBlend32BitAtLoadTime, 1);
        OpenFromList(dir, L"a.png");
        ASSERT_EQ(AppState::CurrentImage.GetBpp(), 32);
        ASSERT_TRUE(ShowsBlended(OriginalRgba()));
    }
    void QuickSave() {
        qrvtest::MessageCapture capture;
        SendMessageW(window, WM_COMMAND, 204, 0);
        Pump();
        EXPECT_TRUE(capture.messages.empty());
    }
    qrvtest::TempDir dir;
    SaveSettingsGuard guard;
};

}  // namespace

// Quick save and Save As write the picture that was read, alpha and all; the
// viewer keeps showing it blended.
TEST_F(AlphaPictureTest, SavingWritesThePictureNotTheBlend) {
    OpenAlphaPicture();
    QuickSave();
    EXPECT_TRUE(SameRgba(WrittenRgba(dir.File(L"a.png")), OriginalRgba()));
    EXPECT_TRUE(ShowsBlended(OriginalRgba()));

    AppState::LastSaveFilter = 9;  // PNG
    WithDialogDriver(dir.File(L"b.png"), [&] {
        SendMessageW(window, WM_COMMAND, 40082, 0);
        Pump();
    });
    ASSERT_TRUE(g_driver.seen) << "no save dialog";
    EXPECT_TRUE(SameRgba(WrittenRgba(dir.File(L"b.png")), OriginalRgba()));
    EXPECT_TRUE(ShowsBlended(OriginalRgba()));

    SendMessageW(window, WM_COMMAND, 293, 0);  // close: the kept picture goes with it
    EXPECT_FALSE(ChannelViewSnapshot.IsValid());
}

// An edit changes the picture itself and is shown blended again; Undo and Redo
// move between pictures, not between their blends.
TEST_F(AlphaPictureTest, EditsUndoAndRedoChangeThePicture) {
    OpenAlphaPicture();
    const std::vector<unsigned char> mirrored = Mirrored(OriginalRgba(), AppState::CurrentImage.GetWidth());
    SendMessageW(window, WM_COMMAND, 40006, 0);  // Image > Mirror
    EXPECT_EQ(AppState::ImageModified, 1);
    EXPECT_TRUE(ShowsBlended(mirrored));
    SendMessageW(window, WM_COMMAND, 40079, 0);  // undo
    EXPECT_TRUE(ShowsBlended(OriginalRgba()));
    SendMessageW(window, WM_COMMAND, 40303, 0);  // redo
    EXPECT_TRUE(ShowsBlended(mirrored));
    QuickSave();
    EXPECT_TRUE(SameRgba(WrittenRgba(dir.File(L"a.png")), mirrored));
}

// A format that keeps no alpha gets the picture as it is shown, blended over
// the background (its writer would otherwise bare the colours hidden under
// transparent pixels).
TEST_F(AlphaPictureTest, AFormatWithoutAlphaGetsThePictureAsShown) {
    OpenAlphaPicture();
    const std::wstring bmp = dir.File(L"shown.bmp");
    ASSERT_TRUE(SaveCurrentImage(bmp.c_str()));
    EXPECT_TRUE(SameRgba(WrittenRgba(bmp), pixelcheck::ImageRgba(AppState::CurrentImage)));
    EXPECT_TRUE(ShowsBlended(OriginalRgba()));
}

// A change made to the shown image around CDocumentPictureScope makes the kept
// picture stale: the shown image is saved, so the change is not lost.
TEST_F(AlphaPictureTest, AChangeAroundTheKeptPictureIsSavedAsShown) {
    OpenAlphaPicture();
    UndoSnapshot.Save();
    AppState::CurrentImage.Mirror();
    QuickSave();
    EXPECT_TRUE(SameRgba(WrittenRgba(dir.File(L"a.png")), pixelcheck::ImageRgba(AppState::CurrentImage)));
}

// Save As from the menu offers the current entry (or a new image's own name).
TEST_F(SaveWiringTest, SaveAsOffersTheCurrentEntryOrTheNewImage) {
    SaveSettingsGuard guard;
    qrvtest::TempDir dir;
    WriteBmp(dir.File(L"a.bmp"), 9, RGB(0, 0, 0));
    OpenFromList(dir, L"a.bmp");
    AppState::LastSaveFilter = 1;
    WithDialogDriver(dir.File(L"copy.bmp"), [&] {
        SendMessageW(window, WM_COMMAND, 40082, 0);
        Pump();
    });
    EXPECT_EQ(g_driver.offered, L"a");
    EXPECT_EQ(WidthOf(dir.File(L"copy.bmp")), 9);

    // "Switch to current Folder" asks for the dialog again: for a new image too.
    AppState::DocumentKind = DOC_NEW_IMAGE;
    CopyStringW(AppState::CurrentFile, L"Pasted Image");
    WithDialogDriver(L"", [&] {
        SendMessageW(window, WM_APP_SAVE_ITEM_AS, 1, 0);
        Pump();
    });
    EXPECT_TRUE(g_driver.seen);
    EXPECT_EQ(g_driver.offered, L"Pasted Image");
    AppState::DocumentKind = DOC_FILE;
}
