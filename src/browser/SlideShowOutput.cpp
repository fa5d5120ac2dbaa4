#include "browser/SlideShowOutput.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "app/AppState.h"
#include "app/FolderChooser.h"
#include "app/Language.h"
#include "app/OpenDialog.h"
#include "app/Skin.h"
#include "browser/FileOperations.h"
#include "browser_ids.h"
#include "image/Common.h"
#include "image/Registry.h"

namespace {

// ---- settings ----

constexpr wchar_t kPlaylistSection[] = L"QRVLIST";
constexpr wchar_t kFilesSection[] = L"FILES";
constexpr wchar_t kStagedMusicName[] = L"qrvBackgroundmusic.mp3";
constexpr wchar_t kNoRecorderText[] = L"No CD-Recorder found.\n";

// ---- the system's burner ----

// {FBEB8A05-BEEE-4442-804E-409D6C4515E9}
constexpr CLSID kClsidCDBurn = {0xfbeb8a05, 0xbeee, 0x4442, {0x80, 0x4e, 0x40, 0x9d, 0x6c, 0x45, 0x15, 0xe9}};

class ShellCDBurner : public CDBurner {
public:
    explicit ShellCDBurner(ICDBurn* burn) : burn_(burn) {}
    ~ShellCDBurner() override { burn_->Release(); }
    ShellCDBurner(const ShellCDBurner&) = delete;
    ShellCDBurner& operator=(const ShellCDBurner&) = delete;

    bool HasRecordableDrive() override {
        BOOL has = FALSE;
        lastResult = burn_->HasRecordableDrive(&has);
        return SUCCEEDED(lastResult) && has;
    }
    bool GetRecorderDriveLetter(wchar_t* letter, UINT chars) override {
        letter[0] = L'\0';
        lastResult = burn_->GetRecorderDriveLetter(letter, chars);
        return SUCCEEDED(lastResult) && letter[0];
    }
    bool Burn(HWND owner) override {
        lastResult = burn_->Burn(owner);
        return SUCCEEDED(lastResult);
    }
    bool GetStagingFolder(wchar_t* folder) override {
        const bool ok = GetCDBurnArea(folder);
        lastResult = ok ? S_OK : E_FAIL;
        return ok;
    }

private:
    ICDBurn* burn_;
};

std::unique_ptr<CDBurner> CreateShellCDBurner() {
    ICDBurn* burn = nullptr;
    const HRESULT result = CoCreateInstance(kClsidCDBurn, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                            __uuidof(ICDBurn), reinterpret_cast<void**>(&burn));
    if (FAILED(result) || !burn) return nullptr;
    return std::make_unique<ShellCDBurner>(burn);
}

CDBurnerFactory g_burnerFactory = nullptr;

// ---- paths ----

wchar_t g_programFolder[MAX_PATH] = {};

bool PathExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const wchar_t* path) {
    const DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ProgramFolder(wchar_t* out) {
    if (g_programFolder[0]) {
        CopyStringW(out, g_programFolder);
        return true;
    }
    return GetProgramFolder(out);
}

std::wstring WithoutTrailingSeparators(const wchar_t* path) {
    std::wstring s = path;
    while (s.size() > 3 && (s.back() == L'\\' || s.back() == L'/')) s.pop_back();
    return s;
}

// Whether file lies directly in folder (compared as full paths, without regard to case).
bool LiesIn(const wchar_t* file, const wchar_t* folder) {
    wchar_t fullFile[MAX_PATH], fullFolder[MAX_PATH];
    if (!GetFullPathNameW(file, MAX_PATH, fullFile, nullptr)) return false;
    if (!GetFullPathNameW(folder, MAX_PATH, fullFolder, nullptr)) return false;
    std::wstring parent(fullFile, FileNamePart(fullFile) - fullFile);
    return _wcsicmp(WithoutTrailingSeparators(parent.c_str()).c_str(), WithoutTrailingSeparators(fullFolder).c_str()) ==
           0;
}

// ---- the run ----

// Cancel and idle flags of the run; the dialog and the run share the thread.
bool g_cancel = false;
bool g_idle = true;

// Dispatches at most one waiting message, so that Cancel can be pressed.
void PumpOneMessage(HWND dialog) {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
        PostQuitMessage((int)msg.wParam);
        return;
    }
    if (dialog && IsDialogMessageW(dialog, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

class OutputRun {
public:
    OutputRun(HWND dialog, const CreateSlideShowSettings& settings, wchar_t* errorText)
        : dialog_(dialog), s_(settings), errorText_(errorText) {}

    bool Execute(const wchar_t* playlistName, const MediaFileEntry* entries, int count);

private:
    void Fail(const wchar_t* what) {
        if (!failed_) CopyStringW(errorText_, what ? what : L"");
        failed_ = true;
    }
    // A file or folder this run made; a failed CD run deletes them again.
    void Created(const wchar_t* path, bool folder) { created_.push_back({path, folder}); }
    void WriteKey(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
        if (!WritePrivateProfileStringW(section, key, value, playlist_)) Fail(playlist_);
    }
    void WriteNumber(const wchar_t* section, const wchar_t* key, int value) {
        wchar_t text[16];
        swprintf(text, 16, L"%d", value);
        WriteKey(section, key, text);
    }
    // The name a media file goes under in the list: copied beside the list
    // (under the copy's actual name) or its full path.
    std::wstring PlaceMedia(const wchar_t* file);
    void WriteMusic();
    void CopyProgramFile(const wchar_t* folder, const wchar_t* name);
    void CopyProgramFolder(const wchar_t* source);
    void CopyProgram(const wchar_t* playlistName);
    void DeleteCreated();
    void SetStatus(int index, int count);

    HWND dialog_;
    const CreateSlideShowSettings& s_;
    wchar_t* errorText_;
    bool toCD_ = false;
    bool namesOnly_ = false;
    bool failed_ = false;
    wchar_t target_[MAX_PATH] = {};
    wchar_t playlist_[MAX_PATH] = {};
    struct Made {
        std::wstring path;
        bool folder;
    };
    std::vector<Made> created_;
};

std::wstring OutputRun::PlaceMedia(const wchar_t* file) {
    if (!namesOnly_) return file;
    // A file already beside the list needs no copy of its own.
    if (LiesIn(file, target_)) return FileNamePart(file);
    wchar_t copy[MAX_PATH];
    if (!CopyFileIntoFolder(file, target_, copy)) {
        Fail(file);
        return FileNamePart(file);
    }
    Created(copy, false);
    return FileNamePart(copy);
}

void OutputRun::WriteMusic() {
    const wchar_t* music = s_.BackgroundMusicFilename;
    if (!s_.UseBackgroundMusic || !music[0]) return;
    if (toCD_) {
        wchar_t staged[MAX_PATH];
        if (!JoinFolderAndName(staged, target_, kStagedMusicName)) return Fail(kStagedMusicName);
        const bool existed = PathExists(staged);
        if (!CopyFileW(music, staged, FALSE)) return Fail(music);
        SetFileAttributesW(staged, FILE_ATTRIBUTE_NORMAL);
        if (!existed) Created(staged, false);
        WriteKey(kPlaylistSection, L"BackgroundMusicFile", kStagedMusicName);
        return;
    }
    WriteKey(kPlaylistSection, L"BackgroundMusicFile", PlaceMedia(music).c_str());
}

void OutputRun::CopyProgramFile(const wchar_t* folder, const wchar_t* name) {
    wchar_t source[MAX_PATH], destination[MAX_PATH];
    if (!JoinFolderAndName(source, folder, name) || !JoinFolderAndName(destination, target_, name)) return Fail(name);
    const bool existed = PathExists(destination);
    // The program keeps its own name: a copy there already is replaced.
    if (!CopyFileW(source, destination, FALSE)) return Fail(source);
    SetFileAttributesW(destination, FILE_ATTRIBUTE_NORMAL);
    if (!existed) Created(destination, false);
}

void OutputRun::CopyProgramFolder(const wchar_t* source) {
    const std::wstring folder = WithoutTrailingSeparators(source);
    wchar_t destination[MAX_PATH];
    if (!IsFolder(folder.c_str()) || !JoinFolderAndName(destination, target_, FileNamePart(folder.c_str())))
        return Fail(folder.c_str());
    if (!PathExists(destination)) {
        if (!CopyFolderInto(folder.c_str(), target_, dialog_) || !IsFolder(destination)) return Fail(folder.c_str());
        Created(destination, true);
        return;
    }
    // The program finds these folders by name: one there already takes the
    // files over the ones it has.
    if (!RunFileOperation(FO_COPY, folder.c_str(), target_,
                          FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_SILENT | FOF_NOERRORUI,
                          dialog_ ? dialog_ : AppState::MainWindow))
        Fail(folder.c_str());
}

void OutputRun::CopyProgram(const wchar_t* playlistName) {
    wchar_t program[MAX_PATH];
    if (!ProgramFolder(program)) return Fail(L"qrv.exe");
    CopyProgramFile(program, L"qrv.exe");
    CopyProgramFile(program, L"License.txt");
    wchar_t skins[MAX_PATH];
    if (Skin.loaded && Skin.skinsFolder[0]) CopyStringW(skins, Skin.skinsFolder);
    else if (!JoinFolderAndName(skins, program, L"Skins")) skins[0] = L'\0';
    CopyProgramFolder(skins);
    wchar_t languages[MAX_PATH];
    if (!JoinFolderAndName(languages, program, L"Languages")) languages[0] = L'\0';
    CopyProgramFolder(languages);

    wchar_t autorun[MAX_PATH];
    if (!JoinFolderAndName(autorun, target_, L"Autorun.inf")) return Fail(L"Autorun.inf");
    const bool existed = PathExists(autorun);
    std::wstring open = L"qrv.exe \"\"\"";
    open += playlistName;
    open += L"\"";
    const bool ok = WritePrivateProfileStringW(L"autorun", L"open", open.c_str(), autorun) &&
                    WritePrivateProfileStringW(L"autorun", L"icon", L"qrv.exe", autorun);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, autorun);
    if (!existed && PathExists(autorun)) Created(autorun, false);
    if (!ok) Fail(autorun);
}

void OutputRun::DeleteCreated() {
    for (auto made = created_.rbegin(); made != created_.rend(); ++made) {
        if (made->folder) {
            RunFileOperation(FO_DELETE, made->path.c_str(), nullptr, FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI,
                             dialog_);
        } else {
            SetFileAttributesW(made->path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(made->path.c_str());
        }
    }
    created_.clear();
}

void OutputRun::SetStatus(int index, int count) {
    if (!dialog_) return;
    wchar_t text[32];
    swprintf(text, 32, L"%d/%d", index, count);
    SetDlgItemTextW(dialog_, IDC_SLIDESHOW_STATUS, text);
}

bool OutputRun::Execute(const wchar_t* playlistName, const MediaFileEntry* entries, int count) {
    toCD_ = s_.Output == SLIDESHOW_TO_CD;
    // Names only can be read back only as relative paths.
    namesOnly_ = toCD_ || s_.RelativePaths;
    std::unique_ptr<CDBurner> burner;
    if (toCD_) {
        burner = CreateCDBurner();
        if (!burner || !burner->HasRecordableDrive() || !burner->GetStagingFolder(target_)) {
            Fail(L"No CD-Recorder found.");
            return false;
        }
    } else {
        CopyStringW(target_, s_.OutputDirectory);
        if (!IsFolder(target_)) CreateDirectoryW(target_, nullptr);
    }
    if (!playlistName || !playlistName[0] || !JoinFolderAndName(playlist_, target_, playlistName)) {
        Fail(playlistName);
        return false;
    }
    if (!PathExists(playlist_)) Created(playlist_, false);

    WriteKey(kPlaylistSection, L"Version", L"1.0");
    WriteKey(kPlaylistSection, L"Creator", QRV_MESSAGE_CAPTION);
    WriteNumber(kPlaylistSection, L"StartInPresentationMode", s_.StartInPresentationMode);
    WriteNumber(kPlaylistSection, L"Delay", s_.Delay);
    WriteNumber(kPlaylistSection, L"Direction", s_.Direction);
    WriteNumber(kPlaylistSection, L"PlayOnlyOnce", s_.PlayOnlyOnce);
    WriteNumber(kPlaylistSection, L"RelativePaths", namesOnly_ ? 1 : 0);
    WriteNumber(kPlaylistSection, L"UseTransitions", s_.UseTransitions);
    WriteNumber(kPlaylistSection, L"TransitionTypes", s_.TransitionTypes);
    WriteNumber(kPlaylistSection, L"UseBackgroundMusic",
                s_.UseBackgroundMusic && s_.BackgroundMusicFilename[0] ? 1 : 0);
    WriteMusic();

    HWND progress = dialog_ ? GetDlgItem(dialog_, IDC_SLIDESHOW_PROGRESS) : nullptr;
    if (progress) {
        SendMessageW(progress, PBM_SETRANGE32, 0, count);
        SendMessageW(progress, PBM_SETSTEP, 1, 0);
    }
    WriteNumber(kFilesSection, L"Count", count);
    bool cancelled = false;
    for (int i = 0; i < count; ++i) {
        SetStatus(i + 1, count);
        wchar_t key[16];
        swprintf(key, 16, L"File%0.4d", i);
        WriteKey(kFilesSection, key, PlaceMedia(entries[i].name).c_str());
        if (progress) SendMessageW(progress, PBM_STEPIT, 0, 0);
        PumpOneMessage(dialog_);
        if (g_cancel) {
            cancelled = true;
            break;
        }
    }
    // A cancelled CD gets nothing more; a folder gets its program all the same.
    if ((toCD_ && !cancelled) || (!toCD_ && s_.AutorunCDRom)) CopyProgram(playlistName);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, playlist_);

    bool ok = !failed_ && !cancelled;
    if (toCD_ && ok) {
        if (AppState::MainWindow) EnableWindow(AppState::MainWindow, FALSE);
        if (dialog_) EnableWindow(dialog_, FALSE);
        ok = burner->Burn(dialog_);
        if (dialog_) EnableWindow(dialog_, TRUE);
        if (AppState::MainWindow) EnableWindow(AppState::MainWindow, TRUE);
        if (!ok) Fail(target_);
    }
    if (toCD_ && !ok) DeleteCreated();
    return ok;
}

// ---- the dialog ----

CreateSlideShowSettings g_settings;
bool g_cdAvailable = false;
SlideShowFileDialogHook g_fileDialogHook = nullptr;

constexpr int kFileBufferChars = 64000;

// Every control but Cancel, for EnableSlideShowDialogControls.
constexpr int kRunControls[] = {
    IDOK,
    IDC_SLIDESHOW_BROWSE,
    IDC_SLIDESHOW_MUSIC_BROWSE,
    IDC_SLIDESHOW_ADD,
    IDC_SLIDESHOW_REMOVE,
    IDC_SLIDESHOW_UP,
    IDC_SLIDESHOW_DOWN,
    IDC_SLIDESHOW_REMOVE_ALL,
    IDC_SLIDESHOW_FILES,
    IDC_SLIDESHOW_DIRECTORY,
    IDC_SLIDESHOW_NAME,
    IDC_SLIDESHOW_DELAY,
    IDC_SLIDESHOW_MUSIC,
    IDC_SLIDESHOW_TO_CD,
    IDC_SLIDESHOW_TO_FOLDER,
    IDC_SLIDESHOW_RELATIVE,
    IDC_SLIDESHOW_AUTORUN,
    IDC_SLIDESHOW_PRESENTATION,
    IDC_SLIDESHOW_TRANSITIONS,
    IDC_SLIDESHOW_USE_MUSIC,
    IDC_SLIDESHOW_ONCE,
    IDC_SLIDESHOW_DIRECTION,
    IDC_SLIDESHOW_TRANSITION_TYPES,
};

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }
void Enable(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on ? TRUE : FALSE); }
HWND FileBox(HWND dialog) { return GetDlgItem(dialog, IDC_SLIDESHOW_FILES); }
int FileCount(HWND dialog) { return (int)SendMessageW(FileBox(dialog), LB_GETCOUNT, 0, 0); }

// The rules between the controls: the folder's controls only for folder
// output, the show's extras only in presentation mode, Create only with files.
void ApplyControlRules(HWND dialog) {
    const bool folder = !Checked(dialog, IDC_SLIDESHOW_TO_CD);
    for (int id : {IDC_SLIDESHOW_BROWSE, IDC_SLIDESHOW_DIRECTORY, IDC_SLIDESHOW_RELATIVE, IDC_SLIDESHOW_AUTORUN})
        Enable(dialog, id, folder);
    Enable(dialog, IDC_SLIDESHOW_TO_CD, g_cdAvailable);
    const bool presentation = Checked(dialog, IDC_SLIDESHOW_PRESENTATION);
    for (int id : {IDC_SLIDESHOW_USE_MUSIC, IDC_SLIDESHOW_TRANSITIONS, IDC_SLIDESHOW_ONCE})
        Enable(dialog, id, presentation);
    const bool music = presentation && Checked(dialog, IDC_SLIDESHOW_USE_MUSIC);
    Enable(dialog, IDC_SLIDESHOW_MUSIC, music);
    Enable(dialog, IDC_SLIDESHOW_MUSIC_BROWSE, music);
    Enable(dialog, IDC_SLIDESHOW_TRANSITION_TYPES, presentation && Checked(dialog, IDC_SLIDESHOW_TRANSITIONS));
    Enable(dialog, IDOK, FileCount(dialog) > 0);
}

void ShowSettings(HWND dialog, const CreateSlideShowSettings& s) {
    const bool cd = s.Output == SLIDESHOW_TO_CD && g_cdAvailable;
    Check(dialog, IDC_SLIDESHOW_TO_CD, cd);
    Check(dialog, IDC_SLIDESHOW_TO_FOLDER, !cd);
    SetDlgItemTextW(dialog, IDC_SLIDESHOW_DIRECTORY, s.OutputDirectory);
    SetDlgItemTextW(dialog, IDC_SLIDESHOW_NAME, s.OutputFilename);
    SetDlgItemTextW(dialog, IDC_SLIDESHOW_MUSIC, s.BackgroundMusicFilename);
    SetDlgItemInt(dialog, IDC_SLIDESHOW_DELAY, (UINT)s.Delay, FALSE);
    Check(dialog, IDC_SLIDESHOW_ONCE, s.PlayOnlyOnce);
    Check(dialog, IDC_SLIDESHOW_PRESENTATION, s.StartInPresentationMode);
    Check(dialog, IDC_SLIDESHOW_RELATIVE, s.RelativePaths);
    Check(dialog, IDC_SLIDESHOW_AUTORUN, s.AutorunCDRom);
    Check(dialog, IDC_SLIDESHOW_TRANSITIONS, s.UseTransitions);
    Check(dialog, IDC_SLIDESHOW_USE_MUSIC, s.UseBackgroundMusic);
    LangFillComboBox(GetDlgItem(dialog, IDC_SLIDESHOW_DIRECTION), L"Dlg_Presentation", L"DirectionCBX", s.Direction,
                     L"Forward|Backward|Random");
    LangFillComboBox(GetDlgItem(dialog, IDC_SLIDESHOW_TRANSITION_TYPES), L"Dlg_Presentation",
                     L"TransitionEffectsUsedCBX", s.TransitionTypes,
                     L"All supported Effects|All but BlendOver Effect|Only use BlendOver Effect");
}

void ReadSettings(HWND dialog, CreateSlideShowSettings& s) {
    s.Output = Checked(dialog, IDC_SLIDESHOW_TO_CD) ? SLIDESHOW_TO_CD : SLIDESHOW_TO_FOLDER;
    GetDlgItemTextW(dialog, IDC_SLIDESHOW_DIRECTORY, s.OutputDirectory, MAX_PATH);
    if (s.OutputDirectory[0]) CreateDirectoryW(s.OutputDirectory, nullptr);
    GetDlgItemTextW(dialog, IDC_SLIDESHOW_NAME, s.OutputFilename, MAX_PATH);
    const int direction = (int)SendDlgItemMessageW(dialog, IDC_SLIDESHOW_DIRECTION, CB_GETCURSEL, 0, 0);
    if (direction >= 0) s.Direction = direction;
    BOOL read = FALSE;
    const UINT delay = GetDlgItemInt(dialog, IDC_SLIDESHOW_DELAY, &read, FALSE);
    if (read) s.Delay = (int)delay;
    s.PlayOnlyOnce = Checked(dialog, IDC_SLIDESHOW_ONCE);
    s.StartInPresentationMode = Checked(dialog, IDC_SLIDESHOW_PRESENTATION);
    s.RelativePaths = Checked(dialog, IDC_SLIDESHOW_RELATIVE);
    s.AutorunCDRom = Checked(dialog, IDC_SLIDESHOW_AUTORUN);
    s.UseTransitions = Checked(dialog, IDC_SLIDESHOW_TRANSITIONS);
    if (s.UseTransitions) {
        const int types = (int)SendDlgItemMessageW(dialog, IDC_SLIDESHOW_TRANSITION_TYPES, CB_GETCURSEL, 0, 0);
        if (types >= 0) s.TransitionTypes = types;
    }
    s.UseBackgroundMusic = Checked(dialog, IDC_SLIDESHOW_USE_MUSIC);
    if (s.UseBackgroundMusic) GetDlgItemTextW(dialog, IDC_SLIDESHOW_MUSIC, s.BackgroundMusicFilename, MAX_PATH);
}

// The open dialog owned by the slide-show dialog into buffer (chars
// characters); the current directory is the dialog's own again afterwards.
bool AskForFiles(HWND dialog, const wchar_t* filter, wchar_t* buffer, DWORD chars, DWORD flags) {
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = chars;
    ofn.Flags = flags | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
    const bool chosen = g_fileDialogHook ? g_fileDialogHook(&ofn) : GetOpenFileNameW(&ofn) != FALSE;
    SetCurrentDirectoryW(AppState::CurrentFolder);
    return chosen;
}

// The file list's filter: the common files, all files, then each format.
const std::wstring& AddFilesFilter() {
    static const std::wstring filter = [] {
        std::wstring f;
        auto add = [&f](const std::wstring& label, const std::wstring& patterns) {
            f += label + L" (" + patterns + L")";
            f.push_back(L'\0');
            f += patterns;
            f.push_back(L'\0');
        };
        add(L"Common Files",
            L"*.mng;*.gif;*.iff;*.dds;*.jpg;*.png;*.tga;*.tif;*.bmp;*.pcx;*.psd;*.avi;*.mpg;*.mpeg;*.wmv;");
        add(L"All Files", L"*.*");
        add(L"AVI - Audio Video Interleaved", L"*.avi");
        for (const OpenFilterRow& row : OpenFilterRows())
            if (row.id != FMT_UNKNOWN) add(OpenFilterLabel(row), OpenFilterPatterns(row));
        f.push_back(L'\0');
        return f;
    }();
    return filter;
}

void AddFiles(HWND dialog) {
    std::vector<wchar_t> buffer(kFileBufferChars, L'\0');
    if (!AskForFiles(dialog, AddFilesFilter().c_str(), buffer.data(), kFileBufferChars, OFN_ALLOWMULTISELECT)) return;
    HWND box = FileBox(dialog);
    SendMessageW(box, LB_SETCOLUMNWIDTH, 1000, 0);
    SendMessageW(box, LB_SETHORIZONTALEXTENT, 1000, 0);
    for (const std::wstring& file : SplitOpenFileNames(buffer.data()))
        if (SendMessageW(box, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)file.c_str()) == LB_ERR)
            SendMessageW(box, LB_ADDSTRING, 0, (LPARAM)file.c_str());
    ApplyControlRules(dialog);
}

void ChooseMusic(HWND dialog) {
    wchar_t path[MAX_PATH] = {};
    GetDlgItemTextW(dialog, IDC_SLIDESHOW_MUSIC, path, MAX_PATH);
    static const wchar_t kFilter[] = L"Common Audio\0*.mp3;*.wav;*.mid;*.wma\0";
    if (!AskForFiles(dialog, kFilter, path, MAX_PATH, 0)) return;
    CopyStringW(g_settings.BackgroundMusicFilename, path);
    SetDlgItemTextW(dialog, IDC_SLIDESHOW_MUSIC, path);
}

void ChooseOutputFolder(HWND dialog) {
    std::wstring folder;
    if (!ChooseFolder(dialog, nullptr, &folder)) return;
    CopyStringW(g_settings.OutputDirectory, folder.c_str());
    SetDlgItemTextW(dialog, IDC_SLIDESHOW_DIRECTORY, g_settings.OutputDirectory);
}

std::vector<std::wstring> ListTexts(HWND box) {
    std::vector<std::wstring> texts;
    const int count = (int)SendMessageW(box, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        const int length = (int)SendMessageW(box, LB_GETTEXTLEN, i, 0);
        std::wstring text(length > 0 ? (size_t)length : 0, L'\0');
        if (length > 0) {
            std::vector<wchar_t> buffer((size_t)length + 1, L'\0');
            SendMessageW(box, LB_GETTEXT, i, (LPARAM)buffer.data());
            text = buffer.data();
        }
        texts.push_back(text);
    }
    return texts;
}

void MoveItems(HWND dialog, bool up) {
    HWND box = FileBox(dialog);
    const std::vector<std::wstring> texts = ListTexts(box);
    std::vector<bool> selected(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) selected[i] = SendMessageW(box, LB_GETSEL, i, 0) > 0;
    const std::vector<int> order = MoveSelectedItems(selected, up);
    SendMessageW(box, WM_SETREDRAW, FALSE, 0);
    SendMessageW(box, LB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < order.size(); ++i) {
        SendMessageW(box, LB_ADDSTRING, 0, (LPARAM)texts[(size_t)order[i]].c_str());
        if (selected[(size_t)order[i]]) SendMessageW(box, LB_SETSEL, TRUE, (LPARAM)i);
    }
    SendMessageW(box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box, nullptr, TRUE);
}

void RemoveSelectedItems(HWND dialog) {
    HWND box = FileBox(dialog);
    for (int i = FileCount(dialog) - 1; i >= 0; --i)
        if (SendMessageW(box, LB_GETSEL, i, 0) > 0) SendMessageW(box, LB_DELETESTRING, i, 0);
    ApplyControlRules(dialog);
}

void RunCreate(HWND dialog) {
    ReadSettings(dialog, g_settings);
    SaveCreateSlideShowSettings(g_settings);
    const std::vector<std::wstring> texts = ListTexts(FileBox(dialog));
    auto* entries = static_cast<MediaFileEntry*>(calloc(texts.empty() ? 1 : texts.size(), sizeof(MediaFileEntry)));
    if (!entries) {
        ShowMessage(MessageOwner{dialog}, L"Failed to allocate Memory to hold the filenameslist!!");
        return;
    }
    for (size_t i = 0; i < texts.size(); ++i) CopyStringW(entries[i].name, texts[i].c_str());
    std::wstring name = g_settings.OutputFilename;
    name += L".qrvlist";
    wchar_t error[MAX_PATH] = {};
    const bool ok = CreateSlideShowOutput(dialog, g_settings, name.c_str(), entries, (int)texts.size(), error);
    free(entries);
    // A run the user cancelled is no failure to report.
    if (!ok && !g_cancel) ShowMessage(MessageOwner{dialog}, L"Failed at: %s", error);
    SetCurrentDirectoryW(AppState::CurrentFolder);
}

void InitDialog(HWND dialog) {
    CenterWindow(dialog, AppState::MainWindow);
    LangApplyDialog(dialog, L"Dlg_CreateSlideShow");
    LoadCreateSlideShowSettings(g_settings);
    GetCurrentDirectoryW(MAX_PATH, AppState::CurrentFolder);
    g_cancel = false;
    g_idle = true;
    Enable(dialog, IDOK, false);
    ShowWindow(GetDlgItem(dialog, IDC_SLIDESHOW_PROGRESS), SW_HIDE);

    std::unique_ptr<CDBurner> burner = AppState::IsWindowsXPOrLater ? CreateCDBurner() : nullptr;
    const RecorderState recorder = DescribeRecorder(AppState::IsWindowsXPOrLater, burner.get());
    burner.reset();
    SetDlgItemTextW(dialog, IDC_SLIDESHOW_RECORDER, recorder.text.c_str());
    g_cdAvailable = recorder.available;
    if (!g_cdAvailable) g_settings.Output = SLIDESHOW_TO_FOLDER;

    ShowSettings(dialog, g_settings);
    AddSelectionToListBox(dialog, true, false);
    ApplyControlRules(dialog);
}

bool OnCommand(HWND dialog, int id) {
    switch (id) {
    case IDC_SLIDESHOW_TO_CD:
    case IDC_SLIDESHOW_TO_FOLDER:
    case IDC_SLIDESHOW_PRESENTATION:
    case IDC_SLIDESHOW_TRANSITIONS:
    case IDC_SLIDESHOW_USE_MUSIC: ApplyControlRules(dialog); return true;
    case IDC_SLIDESHOW_BROWSE: ChooseOutputFolder(dialog); return true;
    case IDC_SLIDESHOW_MUSIC_BROWSE: ChooseMusic(dialog); return true;
    case IDC_SLIDESHOW_ADD: AddFiles(dialog); return true;
    case IDC_SLIDESHOW_REMOVE: RemoveSelectedItems(dialog); return true;
    case IDC_SLIDESHOW_UP:
    case IDC_SLIDESHOW_DOWN: MoveItems(dialog, id == IDC_SLIDESHOW_UP); return true;
    case IDC_SLIDESHOW_REMOVE_ALL:
        SendMessageW(FileBox(dialog), LB_RESETCONTENT, 0, 0);
        ApplyControlRules(dialog);
        return true;
    case IDOK:
        if (g_idle && FileCount(dialog) > 0) RunCreate(dialog);
        return true;
    case IDCANCEL:
        if (!g_idle) {
            g_cancel = true;
            return true;
        }
        SetCurrentDirectoryW(AppState::CurrentFolder);
        EndDialog(dialog, -1);
        return true;
    default: return false;
    }
}

}  // namespace

// ---- CD burning ----

bool GetCDBurnArea(wchar_t* folder) {
    folder[0] = L'\0';
    return SHGetSpecialFolderPathW(nullptr, folder, CSIDL_CDBURN_AREA, FALSE) && folder[0];
}

std::unique_ptr<CDBurner> CreateCDBurner() { return g_burnerFactory ? g_burnerFactory() : CreateShellCDBurner(); }

CDBurnerFactory SetCDBurnerFactory(CDBurnerFactory factory) {
    const CDBurnerFactory previous = g_burnerFactory;
    g_burnerFactory = factory;
    return previous;
}

RecorderState DescribeRecorder(bool xpOrLater, CDBurner* burner) {
    if (!xpOrLater) return {L"Not supported on Windows 2000", false};
    if (!burner || !burner->HasRecordableDrive()) return {kNoRecorderText, false};
    wchar_t letter[32] = {};
    std::wstring text = L"Default Recorder (Drive = ";
    text += burner->GetRecorderDriveLetter(letter, 32) ? letter : L"**undefined**";
    text += L")";
    return {text, true};
}

// ---- the output run ----

bool CreateSlideShowOutput(HWND dialog, const CreateSlideShowSettings& settings, const wchar_t* playlistName,
                           const MediaFileEntry* entries, int count, wchar_t* errorText) {
    errorText[0] = L'\0';
    g_idle = false;
    g_cancel = false;
    HWND progress = dialog ? GetDlgItem(dialog, IDC_SLIDESHOW_PROGRESS) : nullptr;
    if (dialog) EnableSlideShowDialogControls(dialog, false);
    if (progress) {
        SendMessageW(progress, PBM_SETPOS, 0, 0);
        ShowWindow(progress, SW_SHOW);
    }
    OutputRun run(dialog, settings, errorText);
    const bool ok = run.Execute(playlistName, entries, count < 0 ? 0 : count);
    Beep(400, 200);
    g_idle = true;
    if (dialog) EnableSlideShowDialogControls(dialog, true);
    return ok;
}

void SetSlideShowProgramFolder(const wchar_t* folder) {
    if (folder) CopyStringW(g_programFolder, folder);
    else g_programFolder[0] = L'\0';
}

// ---- the dialog ----

INT_PTR CALLBACK CreateSlideShowDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: InitDialog(dialog); return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        return OnCommand(dialog, LOWORD(wParam)) ? TRUE : FALSE;
    default: return FALSE;
    }
}

void EnableSlideShowDialogControls(HWND dialog, bool enable) {
    for (int id : kRunControls) Enable(dialog, id, enable);
    if (enable) ApplyControlRules(dialog);
}

SlideShowFileDialogHook SetSlideShowFileDialogHook(SlideShowFileDialogHook hook) {
    const SlideShowFileDialogHook previous = g_fileDialogHook;
    g_fileDialogHook = hook;
    return previous;
}

std::vector<int> MoveSelectedItems(const std::vector<bool>& selected, bool up) {
    const int n = (int)selected.size();
    std::vector<int> order(selected.size());
    for (int i = 0; i < n; ++i) order[(size_t)i] = i;
    std::vector<bool> sel = selected;
    auto swapAt = [&](int a, int b) {
        std::swap(order[(size_t)a], order[(size_t)b]);
        const bool t = sel[(size_t)a];
        sel[(size_t)a] = sel[(size_t)b];
        sel[(size_t)b] = t;
    };
    if (up) {
        for (int k = 1; k < n; ++k)
            if (sel[(size_t)k] && !sel[(size_t)k - 1]) swapAt(k - 1, k);
    } else {
        for (int k = n - 2; k >= 0; --k)
            if (sel[(size_t)k] && !sel[(size_t)k + 1]) swapAt(k, k + 1);
    }
    return order;
}

std::vector<std::wstring> SplitOpenFileNames(const wchar_t* buffer) {
    std::vector<std::wstring> files;
    if (!buffer || !buffer[0]) return files;
    const std::wstring first = buffer;
    const wchar_t* next = buffer + first.size() + 1;
    if (!*next) {
        files.push_back(first);
        return files;
    }
    for (; *next; next += wcslen(next) + 1) {
        wchar_t path[MAX_PATH];
        if (JoinFolderAndName(path, first.c_str(), next)) files.push_back(path);
    }
    return files;
}
