// What the tool tests share: a run report without a dialog, path slots made
// from a list, fixture copies and the text a host tool prints.
#pragma once
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "tools/ListTool.h"

namespace tooltest {

// Records what a run reported; asks for a stop once cancelAfter items are done.
class RecordingProgress : public RunProgress {
public:
    int begun = -1;
    int items = 0;
    int steps = 0;
    int ends = 0;
    int cancelAfter = -1;
    std::vector<std::wstring> texts;
    void Begin(int count) override { begun = count; }
    void Item(int index, int count) override {
        ++items;
        texts.push_back(std::to_wstring(index + 1) + L"/" + std::to_wstring(count));
    }
    void Step() override { ++steps; }
    bool Cancelled() override { return cancelAfter >= 0 && steps >= cancelAfter; }
    void End() override { ++ends; }
};

// Paths in slots of LIST_SLOT_CHARS characters.
inline std::vector<wchar_t> Slots(const std::vector<std::wstring>& paths) {
    std::vector<wchar_t> block(paths.size() * LIST_SLOT_CHARS + 1, 0);
    for (size_t i = 0; i < paths.size(); ++i) wcsncpy(&block[i * LIST_SLOT_CHARS], paths[i].c_str(), MAX_PATH - 1);
    return block;
}

// Copies fixture `name` into dir as `as` (the fixture's name when empty); returns the copy's path.
inline std::wstring CopyFixture(const qrvtest::TempDir& dir, const std::wstring& name, const std::wstring& as = L"") {
    std::wstring target = dir.File(as.empty() ? name : as);
    CopyFileW(qrvtest::Fixture(name).c_str(), target.c_str(), FALSE);
    return target;
}

// What a host command prints on its standard output (stderr dropped).
inline std::string HostOutput(const std::string& command) {
    char tempPath[MAX_PATH], tempName[MAX_PATH];
    GetTempPathA(MAX_PATH, tempPath);
    GetTempFileNameA(tempPath, "qrv", 0, tempName);
    std::string hostFile = qrvtest::HostPath(qrvtest::Widen(tempName));
    qrvtest::RunHost(command + " > '" + hostFile + "' 2>/dev/null");
    std::ifstream in(tempName, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    DeleteFileA(tempName);
    return text.str();
}

inline std::string Quoted(const std::wstring& windowsPath) { return "'" + qrvtest::HostPath(windowsPath) + "'"; }

}  // namespace tooltest
