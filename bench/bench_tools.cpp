// Times the batch process. Prints "name milliseconds [count]" rows.
//
// bench_tools batch FOLDER OUTFOLDER WIDTH RUNS
//   Every *.jpg of FOLDER (sorted by name) converted to PNG in OUTFOLDER,
//   resized to WIDTH pixels wide with the aspect kept, through RunBatchProcess
//   without a dialog (median of RUNS runs, OUTFOLDER's PNGs removed before
//   each run and not timed):
//   - batch_png: the whole run; the count is the number of files written;
//   - steps_load, steps_resize, steps_save: the same work in plain calls on
//     the first file (median of RUNS), as the run does it for each file: the
//     decode (LoadMediaFile), the resize step (a 24-bit image of the target
//     size drawn scaled, then copied) and the PNG writer (SaveImageFile).
//
// bench_tools animation FOLDER OUTFOLDER
//   Tools > Create GIF Animation as the user runs it: the dialog with every
//   picture of FOLDER (*.jpg, *.png, *.bmp, *.gif, *.tif, by name) in its list,
//   the output folder set to OUTFOLDER and Create pressed; writes
//   OUTFOLDER\Animation.gif and prints "animation milliseconds frames".
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "command_ids.h"
#include "app/AppState.h"
#include "app/SaveAsDialog.h"
#include "formats/Formats.h"
#include "formats/SaveDispatch.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Resample.h"
#include "tools/BatchProcess.h"
#include "tools/BatchSettings.h"
#include "tools/CreateAnimation.h"
#include "tools/ListTool.h"
#include "tools_ids.h"

namespace {

constexpr int kPngRow = 8;  // the PNG row of the output format combo

int PrintMessage(const wchar_t* text, const wchar_t*, UINT, bool fatal) {
    std::fwprintf(stderr, L"[%ls] %ls\n", fatal ? L"fatal" : L"message", text);
    if (fatal) std::exit(3);
    return IDOK;
}

// A run without a dialog: nothing to show, never cancelled.
class QuietProgress : public RunProgress {
public:
    void Begin(int) override {}
    void Item(int, int) override {}
    void Step() override {}
    bool Cancelled() override { return false; }
    void End() override {}
};

std::vector<std::wstring> FilesOf(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\" + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(folder + L"\\" + data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveOutputs(const std::wstring& folder) {
    for (const std::wstring& path : FilesOf(folder, L"*.png")) DeleteFileW(path.c_str());
}

int Batch(const std::wstring& folder, const std::wstring& outFolder, int width, int runs) {
    std::vector<std::wstring> sources = FilesOf(folder, L"*.jpg");
    if (sources.empty()) {
        std::fwprintf(stderr, L"no *.jpg in %ls\n", folder.c_str());
        return 1;
    }
    CreateDirectoryW(outFolder.c_str(), nullptr);
    ResetBatchProcessSettings();
    AppState::BatchProcessOutputFormat = kPngRow;
    AppState::BatchProcessMaintainFileTime = 0;
    AppState::BatchProcessResize = 1;
    AppState::BatchProcessResizeUnitType = 1;  // pixels
    AppState::BatchProcessResizeWidth = width;
    AppState::BatchProcessResizeMaintainAspectRatio = 1;
    CopyStringW(AppState::BatchProcessOutputDirectory, outFolder.c_str());

    PathSlots slots;
    if (!slots.Allocate((int)sources.size())) return 1;
    for (size_t i = 0; i < sources.size(); ++i) CopyStringW(slots[(int)i], sources[i].c_str(), LIST_SLOT_CHARS);

    std::vector<double> whole;
    int written = 0;
    for (int r = 0; r < runs; ++r) {
        RemoveOutputs(outFolder);
        QuietProgress progress;
        wchar_t errorText[FORMAT_ERROR_CHARS] = {};
        double start = Now();
        bool ok = RunBatchProcess(progress, slots.Data(), (int)sources.size(), errorText);
        whole.push_back(Now() - start);
        written = (int)FilesOf(outFolder, L"*.png").size();
        if (!ok || written != (int)sources.size()) {
            std::fwprintf(stderr, L"run %d: %d of %d written; %ls\n", r + 1, written, (int)sources.size(), errorText);
            return 1;
        }
    }
    std::printf("batch_png %.1f %d\n", Median(whole), written);

    // The run's work for one file, apart.
    std::vector<double> load, resize, save;
    std::wstring target = outFolder + L"\\steps.png.tmp";
    for (int r = 0; r < runs; ++r) {
        wchar_t errorText[FORMAT_ERROR_CHARS] = {};
        CImage image;
        double t0 = Now();
        {
            LoadModeScope scope(true, false);
            if (!LoadMediaFile(image, sources[0].c_str(), errorText, (FormatId*)nullptr)) return 1;
        }
        double t1 = Now();
        int h = (int)((long long)image.GetHeight() * width / (long long)image.GetWidth());
        CImage scaled;
        if (!scaled.CreateEmpty(width, h, 24, RGB(0, 0, 0), nullptr)) return 1;
        DrawImageScaled(image, scaled.memoryDC, 0, 0, width, h, 0);
        if (!image.Copy(scaled)) return 1;
        double t2 = Now();
        SaveOptions options = SaveOptionsFromSettings();
        if (!SaveImageFile((target + L".png").c_str(), image, errorText, options)) return 1;
        double t3 = Now();
        load.push_back(t1 - t0);
        resize.push_back(t2 - t1);
        save.push_back(t3 - t2);
    }
    DeleteFileW((target + L".png").c_str());
    std::printf("steps_load %.1f\nsteps_resize %.1f\nsteps_save %.1f\n", Median(load), Median(resize), Median(save));
    return 0;
}

int Animation(const std::wstring& folder, const std::wstring& outFolder) {
    std::vector<std::wstring> pictures;
    for (const wchar_t* pattern : {L"*.jpg", L"*.png", L"*.bmp", L"*.gif", L"*.tif"})
        for (const std::wstring& path : FilesOf(folder, pattern)) pictures.push_back(path);
    std::sort(pictures.begin(), pictures.end());
    CreateDirectoryW(outFolder.c_str(), nullptr);
    DeleteFileW((outFolder + L"\\Animation.gif").c_str());
    CopyStringW(AppState::CreateAnimationOutputDirectory, outFolder.c_str());
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), L"CREATEANIMATIONDLG", nullptr, CreateAnimationDlgProc,
                                     (LPARAM)IDM_CREATE_GIF);
    if (!dialog) return 1;
    for (const std::wstring& path : pictures)
        SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_ADDSTRING, 0, (LPARAM)path.c_str());
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    double start = Now();
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    std::printf("animation %.1f %d\n", Now() - start, (int)pictures.size());
    DestroyWindow(dialog);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetMessageHook(PrintMessage);
    AppState::Instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (argc == 6 && wcscmp(argv[1], L"batch") == 0)
        return Batch(argv[2], argv[3], std::max(1, _wtoi(argv[4])), std::max(1, _wtoi(argv[5])));
    if (argc == 4 && wcscmp(argv[1], L"animation") == 0) return Animation(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_tools batch FOLDER OUTFOLDER WIDTH RUNS | animation FOLDER OUTFOLDER\n");
    return 2;
}
