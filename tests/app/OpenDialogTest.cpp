// File > Open: the filter list, the preview of a selected file, and the panel
// "OPENDLGADD" with its hook, run on a parent window of the test's own that
// stands in for the common dialog (no modal dialog is shown). Also images
// kept among a module's resources.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/OpenDialog.h"
#include "app/SaveAsDialog.h"
#include "app_filedialogs_ids.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Image.h"
#include "image/ImageTestUtil.h"
#include "image/Registry.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Pump;

std::vector<std::wstring> FilterStrings() {
    std::vector<std::wstring> out;
    for (const wchar_t* p = OpenDialogFilter(); *p; p += wcslen(p) + 1) out.push_back(p);
    return out;
}

// Colour of a picture's pixel, x from the left, y from the top.
COLORREF PixelAt(CImage& picture, int x, int y) {
    GdiFlush();
    const uint8_t* p = picture.ScanLine(picture.GetHeight() - 1 - y) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

void WriteJpeg(const std::wstring& path, int width, int height) {
    apptest::WriteSolidPicture(path, width, height, RGB(200, 30, 60));
}

// ---- the stand-in for the common dialog ----

std::wstring g_filePath, g_folderPath;
std::vector<WPARAM> g_commands;
std::vector<std::pair<UINT, WPARAM>> g_appMessages;

LRESULT CALLBACK FakeOpenDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto copy = [&](const std::wstring& text) -> LRESULT {
        if ((size_t)wParam <= text.size()) return (LRESULT)text.size() + 1;
        wcscpy(reinterpret_cast<wchar_t*>(lParam), text.c_str());
        return (LRESULT)text.size() + 1;
    };
    if (message == CDM_GETFILEPATH) return copy(g_filePath);
    if (message == CDM_GETFOLDERPATH) return copy(g_folderPath);
    if (message == WM_COMMAND) g_commands.push_back(wParam);
    if (message == WM_APP_REOPEN_OPEN_DIALOG) g_appMessages.push_back({message, wParam});
    return DefWindowProcW(window, message, wParam, lParam);
}

struct FakeDialog {
    HWND window = nullptr;
    FakeDialog() {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = FakeOpenDialogProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"QrvTestOpenParent";
            RegisterClassW(&wc);
            registered = true;
        }
        window = CreateWindowExW(0, L"QrvTestOpenParent", L"Open", WS_OVERLAPPEDWINDOW, 10, 10, 640, 480, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        g_commands.clear();
        g_appMessages.clear();
    }
    ~FakeDialog() { DestroyWindow(window); }
};

void Notify(HWND panel, HWND parent, UINT code) {
    OFNOTIFYW notify{};
    notify.hdr.hwndFrom = parent;
    notify.hdr.code = code;
    SendMessageW(panel, WM_NOTIFY, 0, (LPARAM)&notify);
}

std::wstring Text(HWND panel, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(panel, id, text, 256);
    return text;
}

// Colour of the preview box's bitmap at (x, y) from the top.
COLORREF PreviewPixel(HWND panel, int x, int y) {
    HBITMAP bitmap = (HBITMAP)SendDlgItemMessageW(panel, IDC_OPEN_PREVIEW, STM_GETIMAGE, IMAGE_BITMAP, 0);
    if (!bitmap) return CLR_INVALID;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

// JPEG colours come back within a few levels.
bool Near(COLORREF a, COLORREF b) {
    return abs(GetRValue(a) - GetRValue(b)) <= 8 && abs(GetGValue(a) - GetGValue(b)) <= 8 &&
           abs(GetBValue(a) - GetBValue(b)) <= 8;
}

const int kValueFields[6] = {IDC_OPEN_WIDTH,    IDC_OPEN_HEIGHT,     IDC_OPEN_COLORS,
                             IDC_OPEN_FILESIZE, IDC_OPEN_MEMORYSIZE, IDC_OPEN_FORMAT};

}  // namespace

TEST(OpenDialog, FilterListHas56Entries) {
    const std::vector<std::wstring> strings = FilterStrings();
    ASSERT_EQ(strings.size(), 2u * OPEN_FILTER_COUNT);
    EXPECT_EQ(strings[0], L"Common Files");
    EXPECT_EQ(strings[16], L"All Files");
    EXPECT_EQ(strings[17], L"*.*");
    EXPECT_EQ(strings[18], L"BMP - Windows or OS/2 Bitmap (*.bmp;*.rle;*.dib)");
    EXPECT_EQ(strings[19], L"*.bmp;*.rle;*.dib");
    EXPECT_EQ(strings[2 * OPEN_FILTER_COUNT - 2], L"ZBR - Zebra Metafile (Preview) (*.zbr)");
    // Image formats follow in alphabetical order (by their first two letters:
    // JBG comes before JB2), each label ending in its patterns.
    for (int i = 10; i < OPEN_FILTER_COUNT; ++i) {
        EXPECT_LE(strings[2 * (i - 1)].substr(0, 2), strings[2 * i].substr(0, 2)) << i;
        const std::wstring& label = strings[2 * i];
        const std::wstring tail = L"(" + strings[2 * i + 1] + L")";
        EXPECT_EQ(label.substr(label.size() - tail.size()), tail);
    }
}

TEST(OpenDialog, PreviewBoxFitsWithoutEnlarging) {
    struct Row {
        int w, h;
        RECT expected;
    } rows[] = {
        {50, 20, {67, 51, 117, 71}},                                      // small: as it is, centred
        {184, 123, {0, 0, 184, 123}},   {4000, 3000, {10, 0, 174, 123}},  // limited by the height
        {3000, 1000, {0, 31, 184, 92}},                                   // limited by the width
        {1, 5000, {91, 0, 92, 123}},                                      // never narrower than one pixel
        {0, 10, {0, 0, 0, 0}},
    };
    for (const Row& r : rows) {
        const RECT got = FitIntoPreviewBox(OPEN_PREVIEW_WIDTH, OPEN_PREVIEW_HEIGHT, r.w, r.h);
        EXPECT_EQ(got.left, r.expected.left) << r.w << "x" << r.h;
        EXPECT_EQ(got.top, r.expected.top) << r.w << "x" << r.h;
        EXPECT_EQ(got.right, r.expected.right) << r.w << "x" << r.h;
        EXPECT_EQ(got.bottom, r.expected.bottom) << r.w << "x" << r.h;
    }
}

TEST(OpenDialog, PreviewOfAReadableFile) {
    const std::wstring file = qrvtest::Fixture(L"view_rose.png");
    CImage picture;
    OpenPreviewTexts texts;
    ASSERT_TRUE(MakeOpenPreview(file.c_str(), picture, texts));
    ASSERT_TRUE(texts.ok);
    CImage decoded;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    FormatId id = 0;
    ASSERT_TRUE(LoadMediaFile(decoded, file.c_str(), error, &id));
    EXPECT_EQ(std::wstring(texts.width), std::to_wstring(decoded.GetWidth()));
    EXPECT_EQ(std::wstring(texts.height), std::to_wstring(decoded.GetHeight()));
    EXPECT_STREQ(texts.colors, PreviewColorsText(decoded.GetBpp()));
    EXPECT_STREQ(texts.format, L"PNG - Portable Network Graphics");
    wchar_t memory[32];
    FormatPreviewMemorySize(memory, 32, (double)decoded.GetHeight() * decoded.stride);
    EXPECT_STREQ(texts.memorySize, memory);
    wchar_t size[32];
    FormatByteSize(size, (float)qrvtest::ReadAll(file).size());
    EXPECT_STREQ(texts.fileSize, size);
    // The picture: button face around the file's picture, centred at its own size.
    ASSERT_EQ(picture.GetWidth(), (uint32_t)OPEN_PREVIEW_WIDTH);
    ASSERT_EQ(picture.GetHeight(), (uint32_t)OPEN_PREVIEW_HEIGHT);
    EXPECT_EQ(picture.GetBpp(), 24);
    EXPECT_EQ(PixelAt(picture, 0, 0), GetSysColor(COLOR_BTNFACE));
    const RECT fit =
        FitIntoPreviewBox(OPEN_PREVIEW_WIDTH, OPEN_PREVIEW_HEIGHT, (int)decoded.GetWidth(), (int)decoded.GetHeight());
    int differing = 0;
    for (int y = fit.top; y < fit.bottom; ++y)
        for (int x = fit.left; x < fit.right; ++x) differing += PixelAt(picture, x, y) != GetSysColor(COLOR_BTNFACE);
    EXPECT_GT(differing, (fit.right - fit.left) * (fit.bottom - fit.top) / 2);
}

TEST(OpenDialog, ReducedJpegPreviewShowsTheFullSize) {
    qrvtest::TempDir dir;
    const std::wstring file = dir.File(L"big.jpg");
    WriteJpeg(file, 2000, 1600);
    CImage picture;
    OpenPreviewTexts texts;
    ASSERT_TRUE(MakeOpenPreview(file.c_str(), picture, texts));
    ASSERT_TRUE(texts.ok);
    EXPECT_STREQ(texts.width, L"2000");
    EXPECT_STREQ(texts.height, L"1600");
    EXPECT_STREQ(texts.colors, L"16,7M");
    EXPECT_STREQ(texts.memorySize, L"9.16 MB");  // 2000 x 1600 x 3 bytes
    EXPECT_STREQ(texts.format, L"JPG - Joint Photographic Experts Group");
    EXPECT_EQ(AppState::PreviewLoad, 0);  // raised only around the decode
    // The picture is fitted into the box: 154 x 123, red in the middle.
    EXPECT_TRUE(Near(PixelAt(picture, 92, 61), RGB(200, 30, 60)));
    EXPECT_EQ(PixelAt(picture, 5, 61), GetSysColor(COLOR_BTNFACE));
}

TEST(OpenDialog, UnreadableFileGivesAnEmptyPreview) {
    for (const std::wstring& file : {qrvtest::Fixture(L"view_damaged.jpg"), std::wstring(L"C:\\no\\such.png")}) {
        CImage picture;
        OpenPreviewTexts texts;
        ASSERT_TRUE(MakeOpenPreview(file.c_str(), picture, texts));
        EXPECT_FALSE(texts.ok);
        EXPECT_STREQ(texts.width, L"");
        EXPECT_STREQ(texts.format, L"");
        EXPECT_EQ(PixelAt(picture, 92, 61), GetSysColor(COLOR_BTNFACE));
    }
}

TEST(OpenDialog, PanelFavouritesAndPreview) {
    qrvtest::TempDir dir;
    const std::wstring folderA = dir.Path(), folderB = L"C:\\windows";
    {
        CRegistry reg(HKEY_CURRENT_USER);
        reg.WriteDword(QRV_REGISTRY_KEY, L"BrowserDirCount", 2);
        reg.WriteString(QRV_REGISTRY_KEY, L"BrowserDirs1", folderA.c_str());
        reg.WriteString(QRV_REGISTRY_KEY, L"BrowserDirs2", folderB.c_str());
    }
    const std::wstring jpeg = dir.File(L"shot.jpg");
    WriteJpeg(jpeg, 300, 200);
    wchar_t openDir[MAX_PATH];
    CopyStringW(openDir, AppState::LastOpenDir);
    HWND mainWindow = AppState::MainWindow;

    FakeDialog parent;
    ASSERT_NE(parent.window, nullptr);
    AppState::MainWindow = parent.window;  // receives the request to open the dialog again
    HWND panel = CreateDialogParamW(GetModuleHandleW(nullptr), L"OPENDLGADD", parent.window,
                                    reinterpret_cast<DLGPROC>(OpenDialogHookProc), 0);
    ASSERT_NE(panel, nullptr);
    HWND combo = GetDlgItem(panel, IDC_OPEN_FAVOURITES);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    for (int id : kValueFields) EXPECT_EQ(Text(panel, id), L"") << id;
    EXPECT_EQ(PreviewPixel(panel, 90, 60), GetSysColor(COLOR_BTNFACE));

    // The dialog moved into a favourite folder (spelt in another case): it is selected.
    g_folderPath = L"C:\\WINDOWS";
    Notify(panel, parent.window, CDN_FOLDERCHANGE);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
    g_folderPath = L"C:\\somewhere else";
    Notify(panel, parent.window, CDN_FOLDERCHANGE);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);

    // The first selection change after opening shows nothing; the next ones do.
    g_filePath = jpeg;
    Notify(panel, parent.window, CDN_SELCHANGE);
    EXPECT_EQ(Text(panel, IDC_OPEN_WIDTH), L"");
    Notify(panel, parent.window, CDN_SELCHANGE);
    EXPECT_EQ(Text(panel, IDC_OPEN_WIDTH), L"300");
    EXPECT_EQ(Text(panel, IDC_OPEN_HEIGHT), L"200");
    EXPECT_EQ(Text(panel, IDC_OPEN_COLORS), L"16,7M");
    EXPECT_EQ(Text(panel, IDC_OPEN_FORMAT), L"JPG - Joint Photographic Experts Group");
    EXPECT_NE(Text(panel, IDC_OPEN_FILESIZE), L"");
    EXPECT_TRUE(Near(PreviewPixel(panel, 92, 61), RGB(200, 30, 60)));
    // A folder or a file that cannot be read empties the panel.
    g_filePath = folderB;
    Notify(panel, parent.window, CDN_SELCHANGE);
    for (int id : kValueFields) EXPECT_EQ(Text(panel, id), L"") << id;
    EXPECT_EQ(PreviewPixel(panel, 92, 61), GetSysColor(COLOR_BTNFACE));

    // Choosing a favourite ends the dialog and asks for it again in that folder.
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    SendMessageW(panel, WM_COMMAND, MAKEWPARAM(IDC_OPEN_FAVOURITES, CBN_SELCHANGE), (LPARAM)combo);
    Pump();
    EXPECT_STREQ(AppState::LastOpenDir, folderA.c_str());
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LOWORD(g_commands[0]), IDCANCEL);
    ASSERT_EQ(g_appMessages.size(), 1u);
    EXPECT_EQ(g_appMessages[0].second, 0u);

    DestroyWindow(panel);
    AppState::MainWindow = mainWindow;
    CopyStringW(AppState::LastOpenDir, openDir);
    CRegistry(HKEY_CURRENT_USER).Delete(QRV_REGISTRY_KEY, nullptr);
    AppState::RecentFolderCount = 0;
}

// ---- what the preview box shows ----

namespace {

// A 24-bit picture in which neighbouring pixels differ (a row or column of
// the preview that is dropped or doubled shows as a line), saved as a BMP.
void WriteTexturedBmp(const std::wstring& path, CImage& image, int width, int height) {
    ASSERT_TRUE(imgtest::MakePattern(image, width, height, 24));
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveImageFile(path.c_str(), image, error, SaveOptionsFromSettings())) << qrvtest::Narrow(error);
}

// What a control paints, at the size of its client area.
bool PrintClient(HWND control, CImage& out) {
    RECT client;
    GetClientRect(control, &client);
    if (!out.CreateEmpty(client.right, client.bottom, 24, RGB(1, 2, 3), nullptr)) return false;
    SendMessageW(control, WM_PRINTCLIENT, (WPARAM)out.memoryDC, PRF_CLIENT);
    GdiFlush();
    return true;
}

}  // namespace

// The box shows the preview picture pixel for pixel, and inside the fitted
// rectangle that picture is the exact average of the file's pixels (within
// the scaler's truncation). The box once sized itself to the picture as a
// whole window, so its sunken edge left a client area two pixels short each
// way and the picture was squeezed into it: two rows and two columns went
// missing, which a textured picture shows as grid lines.
TEST(OpenDialog, PreviewBoxShowsTheScaledPicturePixelForPixel) {
    qrvtest::TempDir dir;
    FakeDialog parent;
    ASSERT_NE(parent.window, nullptr);
    HWND panel = CreateDialogParamW(GetModuleHandleW(nullptr), L"OPENDLGADD", parent.window,
                                    reinterpret_cast<DLGPROC>(OpenDialogHookProc), 0);
    ASSERT_NE(panel, nullptr);
    HWND box = GetDlgItem(panel, IDC_OPEN_PREVIEW);
    Notify(panel, parent.window, CDN_SELCHANGE);  // the dialog's own first selection shows nothing
    const struct {
        int w, h;
    } rows[] = {{300, 200}, {375, 250}, {640, 480}, {200, 150}, {1000, 180}, {150, 400}, {184, 123}, {90, 60}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h));
        const std::wstring file = dir.File(L"tex" + std::to_wstring(r.w) + L"x" + std::to_wstring(r.h) + L".bmp");
        CImage texture;
        WriteTexturedBmp(file, texture, r.w, r.h);
        CImage picture;
        OpenPreviewTexts texts;
        ASSERT_TRUE(MakeOpenPreview(file.c_str(), picture, texts));
        g_filePath = file;
        Notify(panel, parent.window, CDN_SELCHANGE);
        CImage shown;
        ASSERT_TRUE(PrintClient(box, shown));
        EXPECT_EQ(shown.GetWidth(), (uint32_t)OPEN_PREVIEW_WIDTH);
        EXPECT_EQ(shown.GetHeight(), (uint32_t)OPEN_PREVIEW_HEIGHT);
        const int shownWidth = std::min((int)shown.GetWidth(), (int)OPEN_PREVIEW_WIDTH);
        const int shownHeight = std::min((int)shown.GetHeight(), (int)OPEN_PREVIEW_HEIGHT);
        int wrongShown = 0, wrongScaled = 0;
        for (int y = 0; y < shownHeight; ++y)
            for (int x = 0; x < shownWidth; ++x) wrongShown += PixelAt(shown, x, y) != PixelAt(picture, x, y);
        const RECT fit = FitIntoPreviewBox(OPEN_PREVIEW_WIDTH, OPEN_PREVIEW_HEIGHT, r.w, r.h);
        const int w = fit.right - fit.left, h = fit.bottom - fit.top;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const COLORREF c = PixelAt(picture, fit.left + x, fit.top + y);
                const int got[3] = {GetBValue(c), GetGValue(c), GetRValue(c)};
                for (int ch = 0; ch < 3; ++ch)
                    if (std::fabs(got[ch] - imgtest::BoxFiltered(texture, w, h, x, y, ch)) > 3) {
                        ++wrongScaled;
                        break;
                    }
            }
        EXPECT_EQ(wrongShown, 0);
        EXPECT_EQ(wrongScaled, 0);
    }
    DestroyWindow(panel);
}

// ---- images among a module's resources ----

namespace {

// A 4 x 3 24-bit BMP file whose pixel (x, y from the top) is RGB(60x, 80y, 90).
std::vector<unsigned char> SmallBmp() {
    const int w = 4, h = 3, stride = 12;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + stride * h;
    std::vector<unsigned char> data((const unsigned char*)&fh, (const unsigned char*)&fh + sizeof fh);
    data.insert(data.end(), (const unsigned char*)&ih, (const unsigned char*)&ih + sizeof ih);
    for (int row = h - 1; row >= 0; --row)  // stored bottom-up
        for (int x = 0; x < w; ++x) {
            data.push_back(90);
            data.push_back((unsigned char)(80 * row));
            data.push_back((unsigned char)(60 * x));
        }
    return data;
}

}  // namespace

TEST(ResourceImage, DecodesAPictureAndReportsEachFailure) {
    // A module of the test's own: a copy of a small program with resources added.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring source(self);
    source = source.substr(0, source.find_last_of(L'\\') + 1) + L"qrv_keepalive.exe";
    ASSERT_TRUE(qrvtest::FileExists(source));
    qrvtest::TempDir dir;
    const std::wstring module = dir.File(L"pictures.exe");
    ASSERT_TRUE(CopyFileW(source.c_str(), module.c_str(), FALSE));
    const std::vector<unsigned char> bmp = SmallBmp();
    const char notAPicture[] = "this is no picture at all, only text";
    HANDLE update = BeginUpdateResourceW(module.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(UpdateResourceW(update, L"IMAGE", L"SMALLBMP", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                (void*)bmp.data(), (DWORD)bmp.size()));
    ASSERT_TRUE(UpdateResourceW(update, L"IMAGE", L"NOTAPICTURE", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                (void*)notAPicture, sizeof notAPicture));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
    HMODULE pictures = LoadLibraryExW(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(pictures, nullptr);
    OleInitialize(nullptr);

    CImage image;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadImageFromResource(image, L"SMALLBMP", L"IMAGE", error, pictures)) << qrvtest::Narrow(error);
    ASSERT_EQ(image.GetWidth(), 4u);
    ASSERT_EQ(image.GetHeight(), 3u);
    EXPECT_EQ(image.GetBpp(), 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelAt(image, x, y), RGB(60 * x, 80 * y, 90)) << x << "," << y;

    CImage other;
    EXPECT_FALSE(LoadImageFromResource(other, L"MISSING", L"IMAGE", error, pictures));
    EXPECT_STREQ(error, L"Failed to retrieve size of Resource!");
    EXPECT_FALSE(LoadImageFromResource(other, L"NOTAPICTURE", L"IMAGE", error, pictures));
    EXPECT_STREQ(error, L"Failed: OleLoadPicture()");
    EXPECT_FALSE(other.IsValid());

    FreeLibrary(pictures);
    OleUninitialize();
}

// ---- the real common dialog, driven by a thread timer (bounded: it cancels) ----

namespace {

struct DialogProbe {
    int ticks = 0;
    bool sawPanel = false;
    std::wstring comboFirst;
    bool nameFocused = false;
    std::string focus;
};
DialogProbe g_probe;

BOOL CALLBACK FindFavourites(HWND child, LPARAM found) {
    if (GetDlgCtrlID(child) == IDC_OPEN_FAVOURITES) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK CancelOpenDialog(HWND, UINT, UINT_PTR, DWORD) {
    ++g_probe.ticks;
    HWND dialog = apptest::VisibleDialog();
    if (!dialog) return;
    g_probe.nameFocused = apptest::FileNameBoxHasFocus(dialog);
    g_probe.focus = apptest::DescribeFocus(dialog);
    HWND combo = nullptr;
    EnumChildWindows(dialog, FindFavourites, (LPARAM)&combo);
    if (combo) {
        g_probe.sawPanel = true;
        wchar_t text[MAX_PATH] = {};
        SendMessageW(combo, CB_GETLBTEXT, 0, (LPARAM)text);
        g_probe.comboFirst = text;
    }
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

TEST(OpenDialog, RealDialogShowsThePanelAndCancelChangesNothing) {
    {
        CRegistry reg(HKEY_CURRENT_USER);
        reg.WriteDword(QRV_REGISTRY_KEY, L"BrowserDirCount", 1);
        reg.WriteString(QRV_REGISTRY_KEY, L"BrowserDirs1", L"C:\\windows");
    }
    g_probe = DialogProbe{};
    AppState::DocumentKind = DOC_NONE;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, CancelOpenDialog);
    ShowOpenFileDialog(nullptr);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_probe.sawPanel);
    EXPECT_EQ(g_probe.comboFirst, L"C:\\windows");
    // Typing goes into the name box, not into the panel's Favourites box.
    EXPECT_TRUE(g_probe.nameFocused) << "focus on " << g_probe.focus;
    EXPECT_EQ(AppState::DocumentKind, DOC_NONE);
    CRegistry(HKEY_CURRENT_USER).Delete(QRV_REGISTRY_KEY, nullptr);
    AppState::RecentFolderCount = 0;
}

// ---- File > Open on the real main window ----

namespace {

class OpenOnMainWindow : public apptest::MainWindowFixture {
protected:
    void TearDown() override {
        Browser.Close();
        MainWindowFixture::TearDown();
    }
    // File > Open with `path` typed into the dialog.
    void OpenThroughTheDialog(const std::wstring& path) {
        apptest::WithDialogDriver(path, [&] { SendMessageW(window, WM_COMMAND, 200, 0); });
        Pump();
        ASSERT_TRUE(apptest::g_dialogDriver.seen) << "no open dialog";
    }
};

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

}  // namespace

// Enter twice opens and hides the browser (a stand-in that lists nothing). An
// open from File > Open afterwards keeps the viewer and lists the new folder:
// Page Down then opens the new folder's next picture (it used to show the
// browser and step through the old folder's names joined to the new folder).
TEST_F(OpenOnMainWindow, OpenAfterTheBrowserToggleListsTheNewFolder) {
    qrvtest::TempDir dir;
    const std::wstring oldFolder = dir.File(L"old"), newFolder = dir.File(L"new");
    ASSERT_TRUE(CreateDirectoryW(oldFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(newFolder.c_str(), nullptr));
    for (const wchar_t* name : {L"a1.bmp", L"a2.bmp", L"a3.bmp"})
        apptest::WriteSolidPicture(oldFolder + L"\\" + name, 5, 4, RGB(1, 2, 3));
    for (const wchar_t* name : {L"b1.bmp", L"b2.bmp"})
        apptest::WriteSolidPicture(newFolder + L"\\" + name, 7, 4, RGB(4, 5, 6));
    SetCurrentDirectoryW(oldFolder.c_str());
    CopyStringW(AppState::CurrentFolder, oldFolder.c_str());
    BuildFileList(L"a1.bmp", oldFolder.c_str());
    ASSERT_TRUE(WaitForFileScan(10000));
    OpenMediaFile((oldFolder + L"\\a1.bmp").c_str());
    Pump();

    SendMessageW(window, WM_COMMAND, 40139, 0);  // Enter: the browser
    ASSERT_TRUE(Browser.IsShown());
    SendMessageW(window, WM_COMMAND, 40139, 0);  // Enter again: back to the viewer
    ASSERT_TRUE(Browser.IsHidden());
    ASSERT_EQ(AppState::ViewMode, VIEW_VIEWER);

    OpenThroughTheDialog(newFolder + L"\\b1.bmp");
    EXPECT_EQ(FileName(AppState::CurrentFile), L"b1.bmp");
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_EQ(AppState::ViewMode, VIEW_VIEWER);
    EXPECT_FALSE(Browser.IsShown());
    EXPECT_STREQ(AppState::CurrentFolder, newFolder.c_str());
    ASSERT_EQ(FileList::Count, 2);
    EXPECT_STREQ(FileList::Entries[FileList::Current].name, L"b1.bmp");

    SendMessageW(window, WM_COMMAND, 40002, 0);  // Page Down
    Pump();
    EXPECT_EQ(FileName(AppState::CurrentFile), L"b2.bmp");
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 7u);
}
