#include "image/Common.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <new>

static MessageHook g_messageHook = nullptr;
static HWND g_messageOwner = nullptr;
static HWND g_defaultOwner = nullptr;  // the main window, named by the shell

MessageHook SetMessageHook(MessageHook hook) {
    MessageHook previous = g_messageHook;
    g_messageHook = hook;
    return previous;
}

HWND CurrentMessageOwner() { return g_messageOwner; }

void SetMessageOwner(HWND window) { g_defaultOwner = window; }

// Formats into 1024 characters; longer text is cut.
static void FormatMessageText(wchar_t (&text)[1024], const wchar_t* format, va_list args) {
    int n = _vsnwprintf(text, 1024, format, args);
    if (n < 0 || n >= 1024) text[1023] = L'\0';
}

// The box (or the hook standing in for it) of a message that does not end the
// process; a null owner means the window named by SetMessageOwner.
static int DeliverMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    if (!owner) owner = g_defaultOwner;
    if (!g_messageHook) return MessageBoxW(owner, text, caption, type);
    struct OwnerScope {
        HWND outer = g_messageOwner;
        explicit OwnerScope(HWND window) { g_messageOwner = window; }
        ~OwnerScope() { g_messageOwner = outer; }
    } scope(owner);
    return g_messageHook(text, caption, type, false);
}

static int ShowMessageV(HWND owner, const wchar_t* format, va_list args) {
    wchar_t text[1024];
    FormatMessageText(text, format, args);
    return DeliverMessage(owner, text, QRV_MESSAGE_CAPTION, MB_ICONINFORMATION | MB_SETFOREGROUND | MB_OK);
}

static int AskYesNoV(HWND owner, const wchar_t* caption, const wchar_t* format, va_list args) {
    wchar_t text[1024];
    FormatMessageText(text, format, args);
    const int answer = DeliverMessage(owner, text, caption ? caption : QRV_PRODUCT_NAME, MB_YESNO);
    return answer == IDYES ? IDYES : IDNO;
}

int ShowMessage(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = ShowMessageV(nullptr, format, args);
    va_end(args);
    return result;
}

int ShowMessage(MessageOwner owner, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = ShowMessageV(owner.window, format, args);
    va_end(args);
    return result;
}

int AskYesNo(const wchar_t* caption, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int answer = AskYesNoV(nullptr, caption, format, args);
    va_end(args);
    return answer;
}

int AskYesNo(MessageOwner owner, const wchar_t* caption, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int answer = AskYesNoV(owner.window, caption, format, args);
    va_end(args);
    return answer;
}

int ShowCaptionedText(MessageOwner owner, const wchar_t* caption, const wchar_t* text) {
    wchar_t cut[1024];
    lstrcpynW(cut, text ? text : L"", 1024);
    return DeliverMessage(owner.window, cut, caption ? caption : QRV_MESSAGE_CAPTION,
                          MB_ICONINFORMATION | MB_SETFOREGROUND | MB_OK);
}

void FatalError(const wchar_t* format, ...) {
    wchar_t text[1024];
    va_list args;
    va_start(args, format);
    FormatMessageText(text, format, args);
    va_end(args);
    if (g_messageHook) g_messageHook(text, QRV_MESSAGE_CAPTION, MB_ICONERROR, true);
    else FatalAppExitW(0, text);
    ExitProcess(1);
}

int CenterCoordinate(int ownerStart, int ownerSize, int windowSize, int workStart, int workEnd) {
    int start = ownerStart + ((ownerSize - windowSize) >> 1);
    if (start < workStart) start = workStart;
    else if (start + windowSize > workEnd) start = workEnd - windowSize;
    return start;
}

void CenterWindow(HWND window, HWND owner) {
    RECT w, o, work;
    if (!GetWindowRect(window, &w)) return;
    if (!owner || !GetWindowRect(owner, &o)) o = w;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        work.left = work.top = 0;
        work.right = GetSystemMetrics(SM_CXSCREEN);
        work.bottom = GetSystemMetrics(SM_CYSCREEN);
    }
    int width = w.right - w.left, height = w.bottom - w.top;
    int left = CenterCoordinate(o.left, o.right - o.left, width, work.left, work.right);
    int top = CenterCoordinate(o.top, o.bottom - o.top, height, work.top, work.bottom);
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool AppendPath(wchar_t* path, const wchar_t* component, size_t size) {
    size_t len = wcslen(path);
    bool separator = len > 0 && path[len - 1] != L'\\' && path[len - 1] != L'/';
    size_t need = len + (separator ? 1 : 0) + wcslen(component) + 1;
    if (need > size) return false;  // never cut a path into another name
    if (separator) path[len++] = L'\\';
    wcscpy(path + len, component);
    return true;
}

// The folder of the program's own file. Taken from the module itself, so that a
// renamed program and the test programs find their folder too.
bool GetProgramFolder(wchar_t* out, size_t size) {
    wchar_t module[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) {
        if (size) out[0] = L'\0';
        return false;
    }
    wchar_t* slash = wcsrchr(module, L'\\');
    if (slash) *slash = L'\0';
    if (wcslen(module) + 1 > size) {
        if (size) out[0] = L'\0';
        return false;
    }
    wcscpy(out, module);
    return true;
}

bool NormalizePath(wchar_t* path) {
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return false;
    wchar_t text[MAX_PATH];
    lstrcpynW(text, path, MAX_PATH);
    PIDLIST_RELATIVE pidl = nullptr;
    bool ok = false;
    if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, text, nullptr, &pidl, nullptr)) && pidl) {
        wchar_t result[MAX_PATH];
        if (SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(pidl), result)) {
            wcscpy(path, result);
            ok = true;
        }
        CoTaskMemFree(pidl);
    }
    desktop->Release();
    return ok;
}

void AnsiToWide(wchar_t* out, const char* text, size_t size) {
    if (!size) return;
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, out, (int)size);
    if (n == 0) {
        // Too long for the buffer: keep what fits.
        n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        out[0] = L'\0';
        if (n > 0) {
            wchar_t* tmp = new (std::nothrow) wchar_t[n];
            if (tmp) {
                MultiByteToWideChar(CP_ACP, 0, text, -1, tmp, n);
                lstrcpynW(out, tmp, (int)size);
                delete[] tmp;
            }
        }
    }
}

bool WideToAnsi(char* out, const wchar_t* text, size_t size) {
    if (!size) return false;
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, out, (int)size, nullptr, &lossy);
    if (n == 0 || lossy) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool WideToAnsiPath(char* out, const wchar_t* path) {
    if (!path) return false;
    if (WideToAnsi(out, path, MAX_PATH)) return true;
    wchar_t shortPath[MAX_PATH];
    const DWORD n = GetShortPathNameW(path, shortPath, MAX_PATH);
    return n > 0 && n < MAX_PATH && WideToAnsi(out, shortPath, MAX_PATH);
}

void CopyStringW(wchar_t* out, const wchar_t* text, size_t size) {
    if (!size) return;
    lstrcpynW(out, text ? text : L"", (int)size);
}

bool CanOpenForRead(const wchar_t* path, wchar_t* errorText) {
    FILE* f = _wfopen(path, L"rb");
    if (!f) {
        if (errorText) wcscpy(errorText, L"Failed to open file for read!");
        return false;
    }
    fclose(f);
    return true;
}

void FormatByteSize(wchar_t* out, float bytes) {
    static const wchar_t* const units[] = {L"KB", L"MB", L"GB"};
    wchar_t number[64];
    const wchar_t* unit = L"Bytes";
    swprintf(number, 64, L"%4.0f", (double)bytes);
    float value = bytes;
    for (int i = 0; i < 3 && value > 999.0f; ++i) {
        value /= 1024.0f;
        unit = units[i];
        swprintf(number, 64, L"%3.2f", (double)value);
    }
    swprintf(out, 32, L"%ls %ls", number, unit);
}

uint32_t GetColorTableSize(const void* header) {
    const auto* core = static_cast<const BITMAPCOREHEADER*>(header);
    auto entriesFor = [](unsigned bitCount) -> uint32_t {
        switch (bitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
        }
    };
    if (core->bcSize == sizeof(BITMAPCOREHEADER)) return entriesFor(core->bcBitCount) * sizeof(RGBTRIPLE);
    const auto* info = static_cast<const BITMAPINFOHEADER*>(header);
    if (info->biClrUsed != 0) {
        if (info->biClrUsed > 0x3FFFFFFFu) return 0xFFFFFFFFu;
        return info->biClrUsed * sizeof(RGBQUAD);
    }
    return entriesFor(info->biBitCount) * sizeof(RGBQUAD);
}

bool ReplaceBitmapColor(HBITMAP bitmap, COLORREF from, COLORREF to) {
    DIBSECTION dib;
    if (!bitmap || GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib) return false;
    if (dib.dsBm.bmBitsPixel != 24 || !dib.dsBm.bmBits) return false;
    GdiFlush();
    const uint8_t fb = GetBValue(from), fg = GetGValue(from), fr = GetRValue(from);
    const uint8_t tb = GetBValue(to), tg = GetGValue(to), tr = GetRValue(to);
    const uint32_t rowBytes = ((uint32_t)dib.dsBm.bmWidth * 24 + 31) / 32 * 4;
    const int rows = dib.dsBm.bmHeight < 0 ? -dib.dsBm.bmHeight : dib.dsBm.bmHeight;
    auto* base = static_cast<uint8_t*>(dib.dsBm.bmBits);
    for (int y = 0; y < rows; ++y) {
        uint8_t* p = base + (size_t)y * rowBytes;
        for (int x = 0; x < dib.dsBm.bmWidth; ++x, p += 3) {
            if (p[0] == fb && p[1] == fg && p[2] == fr) {
                p[0] = tb;
                p[1] = tg;
                p[2] = tr;
            }
        }
    }
    return true;
}

bool IsDirectX8Present() {
    HMODULE module = LoadLibraryW(L"D3D8.DLL");
    if (!module) return false;
    FreeLibrary(module);
    return true;
}
