// Helpers shared by the test programs (they run under Wine).
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "image/Common.h"

namespace qrvtest {

// Folder of the fixture files made by tests/make-fixtures.sh (Windows path, with a trailing "\").
std::wstring FixtureDir();
// A fixture's Windows path: FixtureDir() + name.
std::wstring Fixture(const std::wstring& name);
// True when the fixture exists (tests skip with a message otherwise only where a tool is optional).
bool FileExists(const std::wstring& path);

// A fresh, empty folder for one test under the build tree; removed by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

std::vector<unsigned char> ReadAll(const std::wstring& path);
bool WriteAll(const std::wstring& path, const void* data, size_t size);

// Host (Unix) path of a Windows path, for commands run on the host.
std::string HostPath(const std::wstring& path);
// Runs a shell command on the host (for example an ImageMagick conversion of a
// file the test wrote) and waits for it; returns its exit status, or -1 when it
// could not be started or did not finish within timeoutMs.
int RunHost(const std::string& shellCommand, DWORD timeoutMs = 60000);

std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

// Dispatches every message waiting in this thread's queue.
void Pump();

// Thrown by MessageCapture when the code under test calls FatalError.
struct FatalExit {
    std::wstring text;
};

// Records every text that went to the program's message box or fatal exit while
// it lives, instead of showing a box; tests assert on the texts. A fatal exit
// throws FatalExit back to the test.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    std::vector<std::wstring> messages;
    std::vector<HWND> owners;  // the owner of each of messages' boxes
    std::vector<std::wstring> fatals;

private:
    MessageHook previous_;
};

}  // namespace qrvtest
