#include "tools/CreateAnimation.h"

#include <tiffio.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/AppState.h"
#include "app/Language.h"
#include "browser/FileList.h"
#include "command_ids.h"
#include "formats/FormatCodecs.h"
#include "formats/Formats.h"
#include "formats/Gif.h"
#include "formats/Mng.h"
#include "formats/OutputFile.h"
#include "formats/Tiff.h"
#include "image/Common.h"
#include "image/Image.h"
#include "tools_ids.h"

UINT CreateAnimationKind = 0;

namespace {

uint8_t g_idle = 1;
uint8_t g_cancel = 0;

const wchar_t* PathAt(const wchar_t* paths, int index) { return paths + (size_t)index * LIST_SLOT_CHARS; }

bool LoadFrame(CImage& image, const wchar_t* path, wchar_t* errorText) {
    LoadModeScope scope(true, false);
    return LoadMediaFile(image, path, errorText, (FormatId*)nullptr);
}

void PutU16(FILE* file, unsigned value) {
    fputc(value & 0xFF, file);
    fputc((value >> 8) & 0xFF, file);
}

// The run's frame loop: load each file, hand it to write, report, stop on a
// failure or a cancel. Returns the last frame's result; *written counts frames.
template <typename Write>
bool FrameLoop(RunProgress& progress, const wchar_t* paths, int count, wchar_t* errorText, int* written, Write write) {
    bool lastOk = false;
    for (int i = 0; i < count; ++i) {
        progress.Item(i, count);
        CImage image;
        lastOk = LoadFrame(image, PathAt(paths, i), errorText) && write(image, i);
        if (lastOk) ++*written;
        progress.Step();
        if (!lastOk || progress.Cancelled()) break;
    }
    return lastOk;
}

}  // namespace

uint8_t GifScreenPackedByte(int bits) {
    const int b = bits - 1;
    return (uint8_t)((b | ((b | 0xFC) << 5)) & 0xFF);
}

bool WriteAnimatedGIF(RunProgress& progress, const wchar_t* outputPath, const wchar_t* paths, wchar_t* errorText,
                      int count, int delay) {
    progress.Begin(count);
    errorText[0] = 0;
    if (delay > GIF_MAX_DELAY_MS) delay = GIF_MAX_DELAY_MS;
    if (delay < 0) delay = 0;
    FILE* file = _wfopen(outputPath, L"wb");
    if (!file) {
        SetFormatError(errorText, L"Couldn't open GIF for writing");
        progress.End();
        return false;
    }
    CImage first;
    if (count < 1 || !LoadFrame(first, PathAt(paths, 0), errorText)) {
        fclose(file);
        DeleteFileW(outputPath);
        SetFormatError(errorText, L"Failed: Loading first media!");
        progress.End();
        return false;
    }
    if (first.GetBpp() > 8) first.ConvertDepth(8);
    const int bits = first.GetBpp();
    fwrite("GIF89a", 1, 6, file);
    PutU16(file, first.GetWidth());
    PutU16(file, first.GetHeight());
    fputc(GifScreenPackedByte(bits), file);
    fputc(0, file);
    fputc(0, file);
    WriteGifColorTable(first, file, bits);
    first.Destroy();

    int written = 0;
    bool ok = FrameLoop(progress, paths, count, errorText, &written, [&](CImage& image, int) {
        if (image.GetBpp() > 8) image.ConvertDepth(8);
        return GIFAddFrame(file, image, delay, true, errorText);
    });
    fputc(0x3B, file);
    if (ferror(file) | fclose(file)) {
        SetFormatError(errorText, L"Failed to write the GIF file!");
        ok = false;
    }
    progress.End();
    return ok;
}

bool WriteMNGAnimation(RunProgress& progress, const wchar_t* outputPath, const wchar_t* paths, wchar_t* errorText,
                       int count, int delay) {
    progress.Begin(count);
    errorText[0] = 0;
    auto data = std::unique_ptr<MngWriterData>(new (std::nothrow) MngWriterData());
    if (!data) {
        SetFormatError(errorText, L"Cannot allocate data buffer.");
        progress.End();
        return false;
    }
    CopyStringW(data->path, outputPath);
    MngWriter writer = CreateMngWriter(data.get());
    if (!writer) {
        SetFormatError(errorText, L"Failed to initialize MNGCreation!");
        progress.End();
        return false;
    }
    CImage first;
    if (count < 1 || !LoadFrame(first, PathAt(paths, 0), errorText)) {
        FinishMngWriter(writer);
        DeleteFileW(outputPath);
        SetFormatError(errorText, L"Failed: Loading first media!");
        progress.End();
        return false;
    }
    bool ok =
        WriteMngHeader(writer, first.GetWidth(), first.GetHeight(), (uint32_t)count, (uint32_t)count * (uint32_t)delay);
    first.Destroy();
    int written = 0;
    if (ok) {
        ok = FrameLoop(progress, paths, count, errorText, &written, [&](CImage& image, int index) {
            image.FlipVertical();
            if (image.GetBpp() == 16 || image.GetBpp() == 32) image.ConvertDepth(24);
            if (image.GetBpp() == 24) image.SwapRedBlue();
            return WriteMngFrame(writer, image, index, count, delay, errorText);
        });
    }
    wchar_t finishText[FORMAT_ERROR_CHARS] = {};
    if (!FinishMngWriter(writer, finishText)) {
        SetFormatError(errorText, finishText[0] ? finishText : L"Failed to write the MNG file!");
        ok = false;
    }
    progress.End();
    return ok;
}

bool WriteMultipageTIFF(RunProgress& progress, const wchar_t* outputPath, const wchar_t* paths, wchar_t* errorText,
                        int count, int compression) {
    progress.Begin(count);
    errorText[0] = 0;
    TIFF* tif = OpenTiffForWriting(outputPath);
    if (!tif) {
        SetFormatError(errorText, L"Couldn't open TIFFFile for writing!");
        progress.End();
        return false;
    }
    int written = 0;
    bool ok = FrameLoop(progress, paths, count, errorText, &written, [&](CImage& image, int index) {
        return WriteTiffPage(tif, image, errorText, compression, index + 1, count);
    });
    TIFFClose(tif);
    if (written == 0) DeleteFileW(outputPath);
    progress.End();
    return ok;
}

bool WriteDCX(RunProgress& progress, const wchar_t* outputPath, const wchar_t* paths, wchar_t* errorText, int count) {
    progress.Begin(count);
    errorText[0] = 0;
    if (count > DCX_MAX_PAGES) {
        swprintf(errorText, FORMAT_ERROR_CHARS, L"A DCX file holds at most %d pages!", DCX_MAX_PAGES);
        progress.End();
        return false;
    }
    OutputFile out;
    if (!out.Open(outputPath)) {
        SetFormatError(errorText, L"Couldn't open dcxfile for writing!");
        progress.End();
        return false;
    }
    std::vector<uint32_t> table(1024, 0);
    const uint32_t magic = DCX_MAGIC;
    out.Write(&magic, 4);
    out.Seek(DCX_FIRST_PAGE_OFFSET);
    int written = 0;
    bool ok = FrameLoop(progress, paths, count, errorText, &written, [&](CImage& image, int index) {
        table[index] = (uint32_t)out.Position();
        if (WritePcx(out, image)) return true;
        table[index] = 0;
        SetFormatError(errorText, L"Failed to write a PCX page!");
        return false;
    });
    out.Seek(4);
    out.Write(table.data(), table.size() * 4);
    if (!out.Finish(errorText, L"Failed to write the DCX file!")) ok = false;
    else if (written == 0) DeleteFileW(outputPath);
    progress.End();
    return ok;
}

// ---- the dialog ----

namespace {

const wchar_t* DefaultName(UINT kind) {
    switch (kind) {
    case IDM_CREATE_MNG: return L"Animation.mng";
    case IDM_CREATE_TIF: return L"Multipage.tif";
    case IDM_CREATE_DCX: return L"Multipage.dcx";
    default: return L"Animation.gif";
    }
}

void InitDialog(HWND dialog, UINT kind) {
    CenterWindow(dialog, AppState::MainWindow);
    LangApplyDialog(dialog, L"Dlg_CreateAnimation");
    CreateAnimationKind = kind;
    StoreCurrentFolder();
    g_cancel = 0;
    g_idle = 1;
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    ShowWindow(GetDlgItem(dialog, IDC_LIST_PROGRESS), SW_HIDE);
    EnableWindow(GetDlgItem(dialog, IDC_ANIM_DELAY), kind == IDM_CREATE_GIF || kind == IDM_CREATE_MNG);
    EnableWindow(GetDlgItem(dialog, IDC_ANIM_COMPRESSION), kind == IDM_CREATE_TIF);
    SendDlgItemMessageW(dialog, IDC_ANIM_NAME, EM_LIMITTEXT, MAX_PATH - 1, 0);
    SendDlgItemMessageW(dialog, IDC_ANIM_FOLDER, EM_LIMITTEXT, MAX_PATH - 1, 0);
    SetDlgItemTextW(dialog, IDC_ANIM_NAME, DefaultName(kind));
    SetDlgItemTextW(dialog, IDC_ANIM_FOLDER, AppState::CreateAnimationOutputDirectory);
    SetDlgItemInt(dialog, IDC_ANIM_DELAY, (UINT)AppState::CreateAnimationGIFMNGDelay, FALSE);
    LangFillComboBox(GetDlgItem(dialog, IDC_ANIM_COMPRESSION), L"Dlg_TIF", L"CompressionCBX",
                     AppState::CreateAnimationTIFCompression, L"None|Packbits|ZIP|Automatic (JPEG/ZIP/CCITTFAX4)");
    AddSelectionToListBox(dialog, false, false);
    if (SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_GETCOUNT, 0, 0) > 0)
        EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
}

void Create(HWND dialog) {
    GetDlgItemTextW(dialog, IDC_ANIM_FOLDER, AppState::CreateAnimationOutputDirectory, MAX_PATH);
    CreateDirectoryW(AppState::CreateAnimationOutputDirectory, nullptr);
    int compression = (int)SendDlgItemMessageW(dialog, IDC_ANIM_COMPRESSION, CB_GETCURSEL, 0, 0);
    if (compression >= 0) AppState::CreateAnimationTIFCompression = compression;
    AppState::CreateAnimationGIFMNGDelay = (int)GetDlgItemInt(dialog, IDC_ANIM_DELAY, nullptr, FALSE);
    wchar_t name[MAX_PATH] = {};
    GetDlgItemTextW(dialog, IDC_ANIM_NAME, name, MAX_PATH);
    PathSlots slots;
    if (!CopyListForRun(dialog, slots)) return;
    wchar_t errorText[FORMAT_ERROR_CHARS] = {};
    wchar_t path[MAX_PATH];
    bool ok = false;
    if (!JoinOutputPath(path, AppState::CreateAnimationOutputDirectory, name)) {
        swprintf(errorText, FORMAT_ERROR_CHARS, L"The path is too long: %ls", name);
    } else {
        DialogRunProgress progress(dialog, g_idle, g_cancel);
        const int delay = AppState::CreateAnimationGIFMNGDelay;
        switch (CreateAnimationKind) {
        case IDM_CREATE_MNG:
            ok = WriteMNGAnimation(progress, path, slots.Data(), errorText, slots.Count(), delay);
            break;
        case IDM_CREATE_TIF:
            ok = WriteMultipageTIFF(progress, path, slots.Data(), errorText, slots.Count(),
                                    AppState::CreateAnimationTIFCompression);
            break;
        case IDM_CREATE_DCX: ok = WriteDCX(progress, path, slots.Data(), errorText, slots.Count()); break;
        default: ok = WriteAnimatedGIF(progress, path, slots.Data(), errorText, slots.Count(), delay); break;
        }
    }
    if (!ok) ShowFailedAt(dialog, errorText);
    RestoreCurrentFolder();
    SetFocus(dialog);
}

}  // namespace

INT_PTR CALLBACK CreateAnimationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        InitDialog(dialog, (UINT)lParam);
        return TRUE;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK: Create(dialog); return TRUE;
    case IDCANCEL: HandleListToolCancel(dialog, g_idle, g_cancel); return TRUE;
    case IDC_LIST_FOLDER: ChooseOutputFolder(dialog, IDC_ANIM_FOLDER); return TRUE;
    default: return HandleListButton(dialog, LOWORD(wParam)) ? TRUE : FALSE;
    }
}
