// The about box opened by its command: title and version line, the picture
// drawn on white, the legal notice in the language's tongue, and the two
// buttons that hand the home page and a mail to the shell.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "OffscreenPixel.h"
#include "app/AboutBox.h"
#include "app/AppState.h"
#include "app/Language.h"
#include "app/ShellLaunch.h"
#include "app_about_ids.h"
#include "command_ids.h"
#include "image/Common.h"
#include "image/ProgramSite.h"
#include "support/ModalDriver.h"
#include "support/SettingsKeeper.h"

namespace {

struct Launch {
    std::wstring verb, file;
};
std::vector<Launch> g_launches;

bool RecordLaunch(const wchar_t* verb, const wchar_t* file, const wchar_t*) {
    g_launches.push_back({verb ? verb : L"", file ? file : L""});
    return true;
}

std::wstring ControlText(HWND dialog, int id) {
    wchar_t text[4096] = {};
    GetDlgItemTextW(dialog, id, text, 4096);
    return text;
}

class AboutBox : public apptest::MainWindowFixture {
protected:
    void SetUp() override {
        apptest::MainWindowFixture::SetUp();
        g_launches.clear();
        SetShellLaunchHook(RecordLaunch);
    }
    void TearDown() override {
        SetShellLaunchHook(nullptr);
        SetAboutPictureModule(nullptr);
        apptest::MainWindowFixture::TearDown();
    }
    // Opens the box by its command and runs script on it; false when none came up.
    bool WithAbout(const std::function<void(HWND)>& script) {
        return qrvtest::DriveModal([&] { SendMessageW(window, WM_COMMAND, IDM_ABOUT, 0); }, script);
    }
};

// The colour at (x, y) of what the dialog paints as its background.
COLORREF BackgroundPixel(HWND dialog, int x, int y) {
    return apptest::OffscreenPixel(dialog, 720, 420, x, y,
                                   [&](HDC dc) { SendMessageW(dialog, WM_ERASEBKGND, (WPARAM)dc, 0); });
}

TEST_F(AboutBox, ShowsNameVersionBuildTimePictureAndNotice) {
    qrvtest::MessageCapture capture;
    std::wstring title, version, info;
    COLORREF emblem = 0, white = 0, below = 0;
    EXPECT_TRUE(WithAbout([&](HWND dialog) {
        wchar_t text[64] = {};
        GetWindowTextW(dialog, text, 64);
        title = text;
        version = ControlText(dialog, IDC_ABOUT_VERSION);
        info = ControlText(dialog, IDC_ABOUT_INFO);
        emblem = BackgroundPixel(dialog, 75, 40);   // inside the emblem's colour wheel
        white = BackgroundPixel(dialog, 690, 8);    // the picture's white corner
        below = BackgroundPixel(dialog, 690, 390);  // below the picture, still whitened
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    }));
    EXPECT_TRUE(capture.messages.empty());
    EXPECT_EQ(title, L"Quorvane 1.02");
    // "%s - Built on %s, %s": name and version, build date ("Mmm dd yyyy"), build time ("hh:mm:ss").
    const std::wstring prefix = L"Quorvane 1.02 - Built on ";
    ASSERT_EQ(version.compare(0, prefix.size(), prefix), 0) << qrvtest::Narrow(version);
    ASSERT_EQ(version.size(), prefix.size() + 11 + 2 + 8) << qrvtest::Narrow(version);
    EXPECT_EQ(version.substr(prefix.size() + 11, 2), L", ");
    EXPECT_EQ(version[version.size() - 3], L':');
    EXPECT_NE(info.find(L"without warranty"), std::wstring::npos);
    for (const wchar_t* library : {L"zlib", L"libjpeg-turbo", L"libpng", L"libtiff", L"libmng", L"OpenJPEG"})
        EXPECT_NE(info.find(library), std::wstring::npos) << qrvtest::Narrow(library);
    EXPECT_NE(info.find(L"This software is based in part on the work of the Independent JPEG Group."),
              std::wstring::npos);
    EXPECT_NE(emblem, RGB(255, 255, 255));
    EXPECT_EQ(white, RGB(255, 255, 255));
    EXPECT_EQ(below, RGB(255, 255, 255));
    EXPECT_TRUE(g_launches.empty());  // OK opens nothing
}

TEST(AboutText, NoticeInGermanForAGermanLanguageFileWithTheSameAcknowledgements) {
    const std::wstring german = AboutInformationText(L"Languages\\German.ini");
    const std::wstring english = AboutInformationText(L"Languages\\French.ini");
    EXPECT_EQ(std::wstring(AboutInformationText(L"")), english);
    EXPECT_EQ(std::wstring(AboutInformationText(nullptr)), english);
    EXPECT_NE(german.find(L"Gew\u00e4hrleistung"), std::wstring::npos);
    EXPECT_EQ(english.find(L"Gew\u00e4hrleistung"), std::wstring::npos);
    const std::wstring acknowledgements = L"This program uses the following libraries";
    ASSERT_NE(german.find(acknowledgements), std::wstring::npos);
    EXPECT_EQ(german.substr(german.find(acknowledgements)), english.substr(english.find(acknowledgements)));
}

TEST_F(AboutBox, HomePageAndMailLeaveTheTopmostBandFirstAndCloseTheBox) {
    struct Case {
        int button;
        std::wstring expected;
    };
    const Case cases[] = {
        {IDC_ABOUT_HOMEPAGE, L"" QRV_SITE_ADDRESS},
        {IDC_ABOUT_MAIL, L"mailto:" QRV_SUPPORT_ADDRESS "?subject=Feedback: Quorvane 1.02"},
    };
    AppState::GeneralAlwaysOnTop = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        g_launches.clear();
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ASSERT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        bool closed = false;
        EXPECT_TRUE(WithAbout([&](HWND dialog) {
            SendMessageW(dialog, WM_COMMAND, c.button, 0);
            closed = !IsWindowVisible(dialog) || !IsWindow(dialog);
            if (!closed) SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }));
        EXPECT_TRUE(closed);
        EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        ASSERT_EQ(g_launches.size(), 1u);
        EXPECT_EQ(g_launches[0].verb, L"open");
        EXPECT_EQ(g_launches[0].file, c.expected);
    }
    // Without "always on top" a topmost window is left as it is.
    AppState::GeneralAlwaysOnTop = 0;
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_TRUE(WithAbout([&](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDC_ABOUT_HOMEPAGE, 0); }));
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TEST_F(AboutBox, AMissingPictureIsReportedAndTheBoxStillOpensOnWhite) {
    SetAboutPictureModule(GetModuleHandleW(L"kernel32.dll"));
    qrvtest::MessageCapture capture;
    COLORREF emblem = 0;
    std::wstring version;
    EXPECT_TRUE(WithAbout([&](HWND dialog) {
        emblem = BackgroundPixel(dialog, 75, 40);
        version = ControlText(dialog, IDC_ABOUT_VERSION);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }));
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Failed: LoadMediaFromResource(): Failed to retrieve size of Resource!");
    EXPECT_EQ(emblem, RGB(255, 255, 255));
    EXPECT_FALSE(version.empty());
}

}  // namespace

TEST_F(AboutBox, ButtonsTakeTheLanguageFilesTexts) {
    qrvtest::SettingsKeeper settings;
    AppState::GeneralDetectedLanguage = 1;
    CopyStringW(AppState::GeneralLanguageFile, L"Languages\\German.ini");
    InitLanguageFile();
    ASSERT_TRUE(IsLanguageFileActive());
    std::wstring homepage, mail;
    EXPECT_TRUE(WithAbout([&](HWND dialog) {
        homepage = ControlText(dialog, IDC_ABOUT_HOMEPAGE);
        mail = ControlText(dialog, IDC_ABOUT_MAIL);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    }));
    AppState::GeneralLanguageFile[0] = L'\0';
    InitLanguageFile();
    EXPECT_EQ(homepage, L"Homepage besuchen");
    EXPECT_EQ(mail, L"E-Mail schreiben");
}
