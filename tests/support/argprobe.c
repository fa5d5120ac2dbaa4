/* Started by tests in place of an outside program: writes the arguments it
   got (one a line) and then its working folder, as UTF-16, to the file named
   by the environment variable QRV_ARGPROBE_OUT, and ends. */
#include <windows.h>
#include <shellapi.h>

static void WriteLine(HANDLE file, const wchar_t* text) {
    DWORD written = 0;
    WriteFile(file, text, (DWORD)(lstrlenW(text) * sizeof(wchar_t)), &written, NULL);
    WriteFile(file, L"\n", sizeof(wchar_t), &written, NULL);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance; (void)previous; (void)commandLine; (void)show;
    wchar_t target[MAX_PATH], folder[MAX_PATH];
    if (!GetEnvironmentVariableW(L"QRV_ARGPROBE_OUT", target, MAX_PATH)) return 1;
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    /* Written to a side file and moved into place, so a reader never sees half of it. */
    wchar_t partial[MAX_PATH + 8];
    lstrcpyW(partial, target);
    lstrcatW(partial, L".part");
    HANDLE file = CreateFileW(partial, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    for (int i = 1; args && i < count; ++i) WriteLine(file, args[i]);
    folder[0] = 0;
    GetCurrentDirectoryW(MAX_PATH, folder);
    WriteLine(file, folder);
    CloseHandle(file);
    MoveFileExW(partial, target, MOVEFILE_REPLACE_EXISTING);
    return 0;
}
