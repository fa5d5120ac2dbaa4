#include "support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/Common.h"

namespace qrvtest {

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), out.data(), n, nullptr, nullptr);
    return out;
}

// Wine maps the host's root to drive Z:.
static std::wstring WindowsPathOfHost(const std::string& hostPath) {
    std::wstring w = L"Z:" + Widen(hostPath);
    for (auto& c : w)
        if (c == L'/') c = L'\\';
    return w;
}

std::string HostPath(const std::wstring& path) {
    wchar_t full[MAX_PATH * 4];
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
    std::wstring p = (n && n < MAX_PATH * 4) ? std::wstring(full) : path;
    using UnixName = char*(CDECL*)(const wchar_t*);
    static auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName) {
        if (char* u = unixName(p.c_str())) {
            std::string s(u);
            HeapFree(GetProcessHeap(), 0, u);
            return s;
        }
    }
    if (p.size() > 2 && (p[0] == L'Z' || p[0] == L'z') && p[1] == L':') p = p.substr(2);
    for (auto& c : p)
        if (c == L'\\') c = L'/';
    return Narrow(p);
}

std::wstring FixtureDir() {
    const char* dir = std::getenv("QRV_FIXTURES");
    std::wstring w = dir ? WindowsPathOfHost(dir) : L"fixtures";
    if (!w.empty() && w.back() != L'\\') w += L'\\';
    return w;
}

std::wstring Fixture(const std::wstring& name) { return FixtureDir() + name; }

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring p = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(p);
            } else {
                SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(p.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

TempDir::TempDir() {
    static LONG counter = 0;
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (;;) {
        wchar_t name[MAX_PATH];
        swprintf(name, MAX_PATH, L"%lsqrvtest-%lu-%ld-%lu", base, GetCurrentProcessId(), InterlockedIncrement(&counter),
                 GetTickCount());
        if (CreateDirectoryW(name, nullptr)) {
            path_ = name;
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            path_ = name;
            break;
        }
    }
}

TempDir::~TempDir() { RemoveTree(path_); }

std::vector<unsigned char> ReadAll(const std::wstring& path) {
    std::vector<unsigned char> data;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return data;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    fclose(f);
    return data;
}

bool WriteAll(const std::wstring& path, const void* data, size_t size) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

// Wine starts host programs from CreateProcess but does not report their exit
// status, so the command writes its status into a file that we wait for.
int RunHost(const std::string& shellCommand, DWORD timeoutMs) {
    TempDir dir;
    std::wstring script = dir.File(L"run.sh");
    std::wstring status = dir.File(L"status");
    std::string hostStatus = HostPath(status);
    std::string body = "#!/bin/sh\n(" + shellCommand + ")\necho $? > '" + hostStatus + ".tmp'\nmv '" + hostStatus +
                       ".tmp' '" + hostStatus + "'\n";
    if (!WriteAll(script, body.data(), body.size())) return -1;
    std::wstring cmd = L"/bin/sh \"" + Widen(HostPath(script)) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring mutableCmd = cmd;
    if (!CreateProcessW(nullptr, mutableCmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    DWORD start = GetTickCount();
    while (!FileExists(status)) {
        if (GetTickCount() - start > timeoutMs) return -1;
        Sleep(5);
    }
    auto text = ReadAll(status);
    return std::atoi(std::string(text.begin(), text.end()).c_str());
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

static MessageCapture* g_capture = nullptr;

static int CaptureHook(const wchar_t* text, const wchar_t*, UINT, bool fatal) {
    if (g_capture) {
        (fatal ? g_capture->fatals : g_capture->messages).push_back(text);
        if (!fatal) g_capture->owners.push_back(CurrentMessageOwner());
    }
    if (fatal) throw FatalExit{text};
    return IDOK;
}

MessageCapture::MessageCapture() : previous_(SetMessageHook(CaptureHook)) { g_capture = this; }
MessageCapture::~MessageCapture() {
    g_capture = nullptr;
    SetMessageHook(previous_);
}

}  // namespace qrvtest
