#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cwchar>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/SaveAsDialog.h"
#include "app/Settings.h"
#include "app_filedialogs_ids.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "image/Common.h"
#include "image/Image.h"
#include "support/SettingsKeeper.h"
#include "support/TestSupport.h"

using qrvtest::TempDir;

namespace {

using qrvtest::Pump;

// The test's own stand-in for the file dialog: the Save As panel's parent. It
// records the default extensions the panel sets and the commands it gets.
std::wstring g_defaultExtension;
std::vector<WPARAM> g_commands;

LRESULT CALLBACK FakeFileDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CDM_SETDEFEXT) {
        g_defaultExtension = reinterpret_cast<const wchar_t*>(lParam);
        return 0;
    }
    if (message == WM_COMMAND) g_commands.push_back(wParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

struct ParentWindow {
    HWND window = nullptr;
    ParentWindow() {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = FakeFileDialogProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"QrvTestSaveParent";
            RegisterClassW(&wc);
            registered = true;
            INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
            InitCommonControlsEx(&icc);
        }
        window = CreateWindowExW(0, L"QrvTestSaveParent", L"Save", WS_OVERLAPPEDWINDOW, 10, 10, 640, 480, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~ParentWindow() { DestroyWindow(window); }
};

HWND CreatePanel(const wchar_t* name, DLGPROC procedure, HWND parent) {
    return CreateDialogParamW(GetModuleHandleW(nullptr), name, parent, procedure, 0);
}

std::wstring ComboText(HWND dialog, int id) {
    const LRESULT selection = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR) return L"";
    wchar_t text[256] = {};
    SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, (WPARAM)selection, (LPARAM)text);
    return text;
}

void SendTypeChange(HWND panel, HWND parent, int filterIndex) {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.nFilterIndex = (DWORD)filterIndex;
    OFNOTIFYW notify{};
    notify.hdr.hwndFrom = parent;
    notify.hdr.code = CDN_TYPECHANGE;
    notify.lpOFN = &ofn;
    SendMessageW(panel, WM_NOTIFY, 0, (LPARAM)&notify);
    Pump();
}

int g_savedCalls = 0;
void CountSaved() { ++g_savedCalls; }

}  // namespace

TEST(SaveDispatch, QuickSaveClearsTheModifiedStateOrShowsTheError) {
    TempDir dir;
    ASSERT_TRUE(pixelcheck::MakePattern24(AppState::CurrentImage, 16, 16));
    SaveServices services;
    services.imageSaved = CountSaved;
    SetSaveServices(services);
    g_savedCalls = 0;
    AppState::ImageModified = 1;
    AppState::CurrentFormatId = 0;
    AppState::CurrentFile[0] = 0;
    {
        qrvtest::MessageCapture capture;
        EXPECT_TRUE(SaveCurrentImage(dir.File(L"q.bmp").c_str()));
        EXPECT_TRUE(capture.messages.empty());
    }
    EXPECT_EQ(AppState::ImageModified, 0);
    EXPECT_EQ(g_savedCalls, 1);

    AppState::ImageModified = 1;
    {
        qrvtest::MessageCapture capture;
        EXPECT_FALSE(SaveCurrentImage(dir.File(L"q.jpe").c_str()));
        ASSERT_EQ(capture.messages.size(), 1u);
    }
    EXPECT_EQ(AppState::ImageModified, 1);
    EXPECT_EQ(g_savedCalls, 1);
    SetSaveServices(SaveServices{});
    AppState::CurrentImage.Destroy();
    AppState::ImageModified = 0;
}

TEST(SaveDispatch, QuickSaveKeepsTheExifTagsOfTheOpenedFileWhereverTheCurrentDirectoryIs) {
    TempDir dir, elsewhere;
    const std::wstring opened = dir.File(L"photo.jpg");
    ASSERT_TRUE(CopyFileW(qrvtest::Fixture(L"jpeg_orient6.jpg").c_str(), opened.c_str(), FALSE));
    ASSERT_TRUE(pixelcheck::MakePattern24(AppState::CurrentImage, 16, 16));
    CopyStringW(AppState::CurrentFile, opened.c_str());
    AppState::CurrentFormatId = FMT_JPEG;
    wchar_t before[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.Path().c_str()));
    const std::wstring target = dir.File(L"saved.jpg");
    qrvtest::MessageCapture capture;
    EXPECT_TRUE(SaveCurrentImage(target.c_str()));
    SetCurrentDirectoryW(before);
    EXPECT_EQ(qrvtest::RunHost("exiftool -s3 -Make '" + qrvtest::HostPath(target) + "' | grep -qx Quorvane"), 0);
    AppState::CurrentImage.Destroy();
    AppState::CurrentFile[0] = 0;
    AppState::CurrentFormatId = 0;
    AppState::ImageModified = 0;
}

// The settings' defaults are the options' defaults, and every setting reaches
// its option.
TEST(SaveDispatch, SettingsBecomeTheWritersOptions) {
    qrvtest::SettingsKeeper guard;
    ResetSettingsToDefaults();
    const SaveOptions defaults, fromDefaults = SaveOptionsFromSettings();
    EXPECT_EQ(fromDefaults.jpeg.quality, defaults.jpeg.quality);
    EXPECT_EQ(fromDefaults.jpeg.optimize, defaults.jpeg.optimize);
    EXPECT_DOUBLE_EQ(fromDefaults.jpeg.smoothing, defaults.jpeg.smoothing);
    EXPECT_EQ(fromDefaults.jpeg.progressive, defaults.jpeg.progressive);
    EXPECT_EQ(fromDefaults.jpeg.sourceFormat, 0);
    EXPECT_EQ(fromDefaults.jpeg.sourcePath, nullptr);
    EXPECT_EQ(fromDefaults.pngInterlace, defaults.pngInterlace);
    EXPECT_EQ(fromDefaults.tiffCompression, defaults.tiffCompression);
    EXPECT_EQ(fromDefaults.tgaRunLength, defaults.tgaRunLength);
    EXPECT_EQ(fromDefaults.sgiCompression, defaults.sgiCompression);
    EXPECT_EQ(fromDefaults.rasRunLength, defaults.rasRunLength);
    EXPECT_EQ(fromDefaults.jp2.quality, defaults.jp2.quality);
    EXPECT_EQ(fromDefaults.jp2.lossless, defaults.jp2.lossless);
    EXPECT_EQ(fromDefaults.raw.flip, defaults.raw.flip);
    EXPECT_EQ(fromDefaults.raw.swapRedBlue, defaults.raw.swapRedBlue);
    EXPECT_EQ(fromDefaults.raw.noConvert24, defaults.raw.noConvert24);

    AppState::FormatJPGQuality = 42;
    AppState::FormatJPGOptimize = 0;
    AppState::FormatJPGSmoothing = 7;
    AppState::FormatJPGProgressive = 1;
    AppState::FormatPNGInterlace = 1;
    AppState::FormatTIFCompression = 2;
    AppState::FormatTGAEncode = 0;
    AppState::FormatSGICompression = 2;
    AppState::FormatRASCompression = 0;
    AppState::FormatJP2Quality = 55;
    AppState::FormatJP2LossLess = 1;
    AppState::FormatRAWFlip = 1;
    AppState::FormatRAWSwapRedAndBlue = 0;
    AppState::FormatRAWNoConvert24Bit = 1;
    const SaveOptions options = SaveOptionsFromSettings();
    EXPECT_EQ(options.jpeg.quality, 42);
    EXPECT_FALSE(options.jpeg.optimize);
    EXPECT_DOUBLE_EQ(options.jpeg.smoothing, 0.7);
    EXPECT_TRUE(options.jpeg.progressive);
    EXPECT_TRUE(options.pngInterlace);
    EXPECT_EQ(options.tiffCompression, 2);
    EXPECT_FALSE(options.tgaRunLength);
    EXPECT_EQ(options.sgiCompression, 2);
    EXPECT_FALSE(options.rasRunLength);
    EXPECT_EQ(options.jp2.quality, 55);
    EXPECT_TRUE(options.jp2.lossless);
    EXPECT_TRUE(options.raw.flip);
    EXPECT_FALSE(options.raw.swapRedBlue);
    EXPECT_TRUE(options.raw.noConvert24);

    // The quick save writes with them: an interlaced PNG, a TGA without runs.
    TempDir dir;
    ASSERT_TRUE(pixelcheck::MakePattern24(AppState::CurrentImage, 16, 16));
    AppState::CurrentFormatId = 0;
    AppState::CurrentFile[0] = 0;
    {
        qrvtest::MessageCapture capture;
        EXPECT_TRUE(SaveCurrentImage(dir.File(L"i.png").c_str()));
        EXPECT_TRUE(SaveCurrentImage(dir.File(L"r.tga").c_str()));
        EXPECT_TRUE(capture.messages.empty());
    }
    const std::vector<unsigned char> png = qrvtest::ReadAll(dir.File(L"i.png")),
                                     tga = qrvtest::ReadAll(dir.File(L"r.tga"));
    ASSERT_GT(png.size(), 28u);
    EXPECT_EQ(png[28], 1);  // the IHDR interlace method
    ASSERT_GT(tga.size(), 2u);
    EXPECT_EQ(tga[2], 2);  // uncompressed true colour
    AppState::CurrentImage.Destroy();
    AppState::ImageModified = 0;
}

TEST(SaveAsDialog, TargetTakesTheSelectedTypesExtension) {
    EXPECT_EQ(SaveAsTarget(L"C:\\d", L"photo.png", 3), L"C:\\d\\photo.jpg");
    EXPECT_EQ(SaveAsTarget(L"C:\\d\\", L"photo", 15), L"C:\\d\\photo.tif");
    EXPECT_EQ(SaveAsTarget(L"C:\\d\\", L"a.b.c", 9), L"C:\\d\\a.b.png");
    EXPECT_EQ(SaveAsTarget(L"C:\\d\\", L"x", 99), L"C:\\d\\x.bmp");
    const wchar_t* extensions[] = {L"bmp", L"gif", L"jpg", L"jp2", L"mng", L"pcx", L"pnm", L"pix",
                                   L"png", L"ppp", L"ras", L"raw", L"sgi", L"tga", L"tif"};
    const int tabs[] = {0, 0, 1, 2, 0, 0, 0, 0, 3, 0, 4, 5, 6, 7, 8};
    for (int i = 1; i <= SAVE_TYPE_COUNT; ++i) {
        EXPECT_STREQ(SaveTypeExtension(i), extensions[i - 1]);
        EXPECT_EQ(SaveTypeTab(i), tabs[i - 1]);
    }
}

TEST(SaveAsDialog, OptionPanelsShowAndStoreTheSettings) {
    qrvtest::SettingsKeeper guard;  // the whole settings record comes back
    ParentWindow parent;
    ASSERT_NE(parent.window, nullptr);

    // JPEG: trackbars, values beside them, check boxes.
    AppState::FormatJPGQuality = 80;
    AppState::FormatJPGSmoothing = 0;
    AppState::FormatJPGOptimize = 1;
    AppState::FormatJPGProgressive = 0;
    HWND jpeg = CreatePanel(L"JPEGDLG", JpegOptionsDlgProc, parent.window);
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(SendDlgItemMessageW(jpeg, IDC_JPG_QUALITY, TBM_GETRANGEMIN, 0, 0), 1);
    EXPECT_EQ(SendDlgItemMessageW(jpeg, IDC_JPG_QUALITY, TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(SendDlgItemMessageW(jpeg, IDC_JPG_QUALITY, TBM_GETPOS, 0, 0), 80);
    EXPECT_EQ(SendDlgItemMessageW(jpeg, IDC_JPG_SMOOTHING, TBM_GETRANGEMAX, 0, 0), 10);
    EXPECT_EQ(IsDlgButtonChecked(jpeg, IDC_JPG_OPTIMIZE), (UINT)BST_CHECKED);
    SendDlgItemMessageW(jpeg, IDC_JPG_SMOOTHING, TBM_SETPOS, TRUE, 7);
    SendDlgItemMessageW(jpeg, IDC_JPG_QUALITY, TBM_SETPOS, TRUE, 55);
    SendMessageW(jpeg, WM_HSCROLL, TB_THUMBTRACK, (LPARAM)GetDlgItem(jpeg, IDC_JPG_SMOOTHING));
    EXPECT_EQ(GetDlgItemInt(jpeg, IDC_JPG_SMOOTHING_VALUE, nullptr, FALSE), 7u);
    EXPECT_EQ(GetDlgItemInt(jpeg, IDC_JPG_QUALITY_VALUE, nullptr, FALSE), 55u);
    CheckDlgButton(jpeg, IDC_JPG_PROGRESSIVE, BST_CHECKED);
    EXPECT_EQ(AppState::FormatJPGSmoothing, 0);  // stored when the panel goes
    DestroyWindow(jpeg);
    EXPECT_EQ(AppState::FormatJPGSmoothing, 7);
    EXPECT_EQ(AppState::FormatJPGQuality, 55);
    EXPECT_EQ(AppState::FormatJPGProgressive, 1);
    EXPECT_DOUBLE_EQ(SaveOptionsFromSettings().jpeg.smoothing, 0.7);

    // JPEG 2000: "Lossless" disables the trackbar and is stored at once.
    AppState::FormatJP2LossLess = 0;
    AppState::FormatJP2Quality = 30;
    HWND jp2 = CreatePanel(L"JP2DLG", Jp2OptionsDlgProc, parent.window);
    ASSERT_NE(jp2, nullptr);
    EXPECT_EQ(IsDlgButtonChecked(jp2, IDC_JP2_LOSSY), (UINT)BST_CHECKED);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(jp2, IDC_JP2_QUALITY)));
    EXPECT_EQ(SendDlgItemMessageW(jp2, IDC_JP2_QUALITY, TBM_GETRANGEMIN, 0, 0), 10);
    SendDlgItemMessageW(jp2, IDC_JP2_LOSSLESS, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(jp2, IDC_JP2_QUALITY)));
    EXPECT_EQ(AppState::FormatJP2LossLess, 1);
    SendDlgItemMessageW(jp2, IDC_JP2_LOSSY, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(jp2, IDC_JP2_QUALITY)));
    EXPECT_EQ(AppState::FormatJP2LossLess, 0);
    DestroyWindow(jp2);

    // Check-box panels: each box shows its setting and stores its change.
    struct CheckPanel {
        const wchar_t* name;
        DLGPROC procedure;
        int control;
        int* setting;
    } checks[] = {{L"PNGDLG", PngOptionsDlgProc, IDC_PNG_INTERLACE, &AppState::FormatPNGInterlace},
                  {L"RASDLG", RasOptionsDlgProc, IDC_RAS_RLE, &AppState::FormatRASCompression},
                  {L"TGADLG", TgaOptionsDlgProc, IDC_TGA_RLE, &AppState::FormatTGAEncode},
                  {L"RAWDLG", RawOptionsDlgProc, IDC_RAW_FLIP, &AppState::FormatRAWFlip},
                  {L"RAWDLG", RawOptionsDlgProc, IDC_RAW_SWAP, &AppState::FormatRAWSwapRedAndBlue},
                  {L"RAWDLG", RawOptionsDlgProc, IDC_RAW_NOCONVERT, &AppState::FormatRAWNoConvert24Bit}};
    for (const CheckPanel& c : checks) {
        SCOPED_TRACE(qrvtest::Narrow(c.name) + " " + std::to_string(c.control));
        for (int value : {0, 1}) {
            *c.setting = value;
            HWND panel = CreatePanel(c.name, c.procedure, parent.window);
            ASSERT_NE(panel, nullptr);
            EXPECT_EQ(IsDlgButtonChecked(panel, c.control), (UINT)(value ? BST_CHECKED : BST_UNCHECKED));
            SendDlgItemMessageW(panel, c.control, BM_CLICK, 0, 0);
            DestroyWindow(panel);
            EXPECT_EQ(*c.setting, 1 - value);
        }
    }

    // Combo panels: the selection index is the setting.
    AppState::FormatTIFCompression = 3;
    HWND tif = CreatePanel(L"TIFDLG", TifOptionsDlgProc, parent.window);
    ASSERT_NE(tif, nullptr);
    EXPECT_EQ(ComboText(tif, IDC_TIF_COMPRESSION), L"Automatic (JPEG/ZIP/CCITTFAX4)");
    EXPECT_EQ(SendDlgItemMessageW(tif, IDC_TIF_COMPRESSION, CB_GETCOUNT, 0, 0), 4);
    SendDlgItemMessageW(tif, IDC_TIF_COMPRESSION, CB_SETCURSEL, 1, 0);
    DestroyWindow(tif);
    EXPECT_EQ(AppState::FormatTIFCompression, 1);
    AppState::FormatSGICompression = 1;
    HWND sgi = CreatePanel(L"SGIDLG", SgiOptionsDlgProc, parent.window);
    ASSERT_NE(sgi, nullptr);
    EXPECT_EQ(ComboText(sgi, IDC_SGI_COMPRESSION), L"RLE");
    SendDlgItemMessageW(sgi, IDC_SGI_COMPRESSION, CB_SETCURSEL, 2, 0);
    DestroyWindow(sgi);
    EXPECT_EQ(AppState::FormatSGICompression, 2);
}

TEST(SaveAsDialog, ComboListsComeFromTheLanguageFile) {
    qrvtest::SettingsKeeper guard;  // the whole settings record comes back
    ParentWindow parent;
    SaveServices services;
    services.langText = [](const wchar_t* section, const wchar_t* key, wchar_t* out, int size) {
        if (wcscmp(section, L"Dlg_TIF") || wcscmp(key, L"CompressionCBX")) return false;
        CopyStringW(out, L"Keine|Packbits|ZIP|Automatisch", (size_t)size);
        return true;
    };
    SetSaveServices(services);
    AppState::FormatTIFCompression = 3;
    HWND tif = CreatePanel(L"TIFDLG", TifOptionsDlgProc, parent.window);
    ASSERT_NE(tif, nullptr);
    EXPECT_EQ(ComboText(tif, IDC_TIF_COMPRESSION), L"Automatisch");
    DestroyWindow(tif);
    SetSaveServices(SaveServices{});
}

TEST(SaveAsDialog, NoExceptionLeavesAnOptionPanel) {
    qrvtest::SettingsKeeper guard;  // the whole settings record comes back
    ParentWindow parent;
    ASSERT_NE(parent.window, nullptr);
    SaveServices services;
    services.langApply = [](HWND, const wchar_t*) { throw std::runtime_error("language file"); };
    services.langText = [](const wchar_t*, const wchar_t*, wchar_t*, int) -> bool { throw std::bad_alloc(); };
    SetSaveServices(services);
    struct Panel {
        const wchar_t* name;
        DLGPROC procedure;
    } panels[] = {{L"JPEGDLG", JpegOptionsDlgProc}, {L"JP2DLG", Jp2OptionsDlgProc}, {L"PNGDLG", PngOptionsDlgProc},
                  {L"RASDLG", RasOptionsDlgProc},   {L"RAWDLG", RawOptionsDlgProc}, {L"SGIDLG", SgiOptionsDlgProc},
                  {L"TGADLG", TgaOptionsDlgProc},   {L"TIFDLG", TifOptionsDlgProc}};
    for (const Panel& p : panels) {
        SCOPED_TRACE(qrvtest::Narrow(p.name));
        HWND panel = CreatePanel(p.name, p.procedure, parent.window);
        EXPECT_NE(panel, nullptr);
        if (panel) DestroyWindow(panel);
    }
    SetSaveServices(SaveServices{});
}

TEST(SaveAsDialog, PanelFollowsTheFileType) {
    qrvtest::SettingsKeeper guard;  // the whole settings record comes back
    ParentWindow parent;
    ASSERT_NE(parent.window, nullptr);
    const LONG_PTR parentProc = GetWindowLongPtrW(parent.window, GWLP_WNDPROC);
    AppState::LastSaveFilter = 15;
    AppState::FormatTIFCompression = 3;
    HWND panel = CreateDialogParamW(GetModuleHandleW(nullptr), L"SAVEASDLGADD", parent.window,
                                    reinterpret_cast<DLGPROC>(SaveAsHookProc), 0);
    ASSERT_NE(panel, nullptr);
    HWND tab = GetDlgItem(panel, IDC_SAVEAS_TAB);
    EXPECT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 9);
    EXPECT_FALSE(IsWindowEnabled(tab));
    EXPECT_NE(GetWindowLongPtrW(parent.window, GWLP_WNDPROC), parentProc);  // moves reach the panel

    // Initialisation done: the remembered type's panel (TIF, tab 8).
    NMHDR done{parent.window, 0, (UINT)CDN_INITDONE};
    SendMessageW(panel, WM_NOTIFY, 0, (LPARAM)&done);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 8);
    HWND options = CurrentSaveOptionPanel();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(ComboText(options, IDC_TIF_COMPRESSION), L"Automatic (JPEG/ZIP/CCITTFAX4)");
    RECT tabRect, optionRect;
    GetWindowRect(tab, &tabRect);
    GetWindowRect(options, &optionRect);
    EXPECT_EQ(optionRect.left, tabRect.left + 2);
    EXPECT_EQ(optionRect.top, tabRect.top + 22);
    EXPECT_EQ(optionRect.right - optionRect.left, tabRect.right - tabRect.left - 6);
    EXPECT_EQ(optionRect.bottom - optionRect.top, tabRect.bottom - tabRect.top - 26);

    // The JPG type: default extension, tab 1 and its panel; the TIF panel stored its value.
    SendDlgItemMessageW(options, IDC_TIF_COMPRESSION, CB_SETCURSEL, 2, 0);
    SendTypeChange(panel, parent.window, 3);
    EXPECT_EQ(AppState::LastSaveFilter, 3);
    EXPECT_EQ(g_defaultExtension, L"jpg");
    EXPECT_EQ(AppState::FormatTIFCompression, 2);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
    ASSERT_NE(CurrentSaveOptionPanel(), nullptr);
    EXPECT_NE(GetDlgItem(CurrentSaveOptionPanel(), IDC_JPG_QUALITY), nullptr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(panel, IDC_SAVEAS_NOOPTIONS)) && IsWindowVisible(panel));

    // A type without options: no panel, tab 0.
    SendTypeChange(panel, parent.window, 2);
    EXPECT_EQ(g_defaultExtension, L"gif");
    EXPECT_EQ(CurrentSaveOptionPanel(), nullptr);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0);

    SendTypeChange(panel, parent.window, 9);
    ASSERT_NE(CurrentSaveOptionPanel(), nullptr);
    EXPECT_NE(GetDlgItem(CurrentSaveOptionPanel(), IDC_PNG_INTERLACE), nullptr);
    DestroyWindow(panel);
    EXPECT_EQ(CurrentSaveOptionPanel(), nullptr);
    EXPECT_EQ(GetWindowLongPtrW(parent.window, GWLP_WNDPROC), parentProc);
}
