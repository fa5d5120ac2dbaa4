// Batch print: the loop against a print object that records its jobs, the
// dialog's list and Print button, and one real run of three files.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PrintTestUtil.h"
#include "app/AppState.h"
#include "tools/BatchPrint.h"
#include "tools/ListTool.h"
#include "tools/PrintImage.h"
#include "tools_ids.h"

namespace {

// Records each job: the file in the viewer and whether the options were offered.
class RecordingPrinter : public CPrintImage {
public:
    bool SelectPrinter(HWND, bool) override { return selectResult; }
    bool Print(HWND, bool, bool showOptions) override {
        printed.push_back(AppState::CurrentFile);
        options.push_back(showOptions);
        if (cancelOptions && showOptions) {
            optionsCancelled = true;
            return false;
        }
        const size_t i = printed.size() - 1;
        return i < results.size() ? results[i] : true;
    }
    bool selectResult = true;
    bool cancelOptions = false;
    std::vector<bool> results;
    std::vector<std::wstring> printed;
    std::vector<bool> options;
};

struct CountingProgress : RunProgress {
    void Begin(int) override { ++begun; }
    void Item(int index, int count) override {
        items.push_back(std::to_wstring(index + 1) + L"/" + std::to_wstring(count));
    }
    void Step() override { ++steps; }
    bool Cancelled() override { return cancelAfter > 0 && steps >= cancelAfter; }
    void End() override { ++ended; }
    int begun = 0, steps = 0, ended = 0, cancelAfter = 0;
    std::vector<std::wstring> items;
};

class BatchPrint : public apptest::ShellWindowFixture {
protected:
    void SetUp() override {
        ShellWindowFixture::SetUp();
        for (int i = 0; i < 3; ++i) {
            good.push_back(dir.File(L"p" + std::to_wstring(i) + L".bmp"));
            apptest::WriteSolidPicture(good.back(), 30, 20, RGB(40 * i, 200, 90));
        }
        missing = dir.File(L"missing.bmp");
    }
    static std::vector<const wchar_t*> List(const std::vector<std::wstring>& paths) {
        std::vector<const wchar_t*> out;
        for (auto& p : paths) out.push_back(p.c_str());
        return out;
    }
    qrvtest::TempDir dir;
    std::vector<std::wstring> good;
    std::wstring missing;
};

TEST_F(BatchPrint, TheResultIsTheLastLoadedFilesJob) {
    struct Case {
        std::vector<int> files;  // index into good, -1 for the missing file
        std::vector<bool> results;
        bool expected;
        size_t jobs;
    } cases[] = {
        {{0, 1, -1}, {false, true}, true, 2},
        {{0, 1}, {true, false}, false, 2},
        {{-1, -1}, {}, false, 0},
        {{-1, 2}, {true}, true, 1},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> paths;
        for (int f : c.files) paths.push_back(f < 0 ? missing : good[f]);
        RecordingPrinter printer;
        printer.results = c.results;
        CountingProgress progress;
        const auto list = List(paths);
        EXPECT_EQ(RunBatchPrint(list.data(), (int)list.size(), printer, progress), c.expected);
        ASSERT_EQ(printer.printed.size(), c.jobs);
        if (c.jobs) {
            EXPECT_TRUE(printer.options[0]) << "the options are offered for the first file that loads";
            EXPECT_EQ(std::count(printer.options.begin(), printer.options.end(), true), 1);
        }
        EXPECT_EQ(progress.steps, (int)paths.size());
        EXPECT_EQ(progress.begun, 1);
        EXPECT_EQ(progress.ended, 1);
    }
}

TEST_F(BatchPrint, EachFilePassesThroughTheViewerInOrder) {
    RecordingPrinter printer;
    CountingProgress progress;
    const auto list = List(good);
    EXPECT_TRUE(RunBatchPrint(list.data(), 3, printer, progress));
    EXPECT_EQ(printer.printed, good);
    EXPECT_EQ(progress.items, (std::vector<std::wstring>{L"1/3", L"2/3", L"3/3"}));
    EXPECT_STREQ(AppState::CurrentFile, good[2].c_str());
}

TEST_F(BatchPrint, CancellingTheFirstOptionsEndsTheRunSilently) {
    qrvtest::MessageCapture messages;
    RecordingPrinter printer;
    printer.cancelOptions = true;
    CountingProgress progress;
    const auto list = List(good);
    EXPECT_TRUE(RunBatchPrint(list.data(), 3, printer, progress));
    EXPECT_EQ(printer.printed.size(), 1u);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(progress.ended, 1);
}

TEST_F(BatchPrint, CancelStopsAfterTheCurrentFileAndAFailedPrinterRunsNothing) {
    RecordingPrinter printer;
    CountingProgress progress;
    progress.cancelAfter = 1;
    const auto list = List(good);
    RunBatchPrint(list.data(), 3, printer, progress);
    EXPECT_EQ(printer.printed.size(), 1u);
    RecordingPrinter none;
    none.selectResult = false;
    CountingProgress idle;
    EXPECT_FALSE(RunBatchPrint(list.data(), 3, none, idle));
    EXPECT_TRUE(none.printed.empty());
    EXPECT_EQ(idle.ended, 1);
}

BOOL WINAPI FakeOpen(OPENFILENAMEW* ofn) {
    static std::wstring path;
    path = qrvtest::Fixture(L"print_quadrants.png");
    wcscpy(ofn->lpstrFile, path.c_str());
    return TRUE;
}

TEST_F(BatchPrint, PrintIsEnabledOnceAFileIsAdded) {
    HWND dialog = CreateDialogParamW(AppState::Instance, L"BATCHPRINTDLG", window, BatchPrintDlgProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    const auto previous = SetListOpenDialog(FakeOpen);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LIST_ADD, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDC_LIST_ADD));
    SetListOpenDialog(previous);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_GETCOUNT, 0, 0), 1);
    DestroyWindow(dialog);
}

TEST_F(BatchPrint, AllFilesFailingReportsFailedAtWithAnEmptyName) {
    printtest::ClearJobs();
    HWND dialog = CreateDialogParamW(AppState::Instance, L"BATCHPRINTDLG", window, BatchPrintDlgProc, 0);
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, IDC_LIST_FILES);
    AddPathToList(list, missing.c_str());
    AddPathToList(list, dir.File(L"gone.png").c_str());
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    qrvtest::MessageCapture messages;
    {
        printtest::DialogAnswerer ok(IDOK);  // the print dialog
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], L"Failed at: ");
    EXPECT_TRUE(printtest::WaitForJobs(1, 500).empty());
    DestroyWindow(dialog);
}

// The real object on the first local printer, so no print dialog shows.
class FirstPrinter : public CPrintImage {
public:
    bool SelectPrinter(HWND owner, bool) override { return CPrintImage::SelectPrinter(owner, true); }
};

TEST_F(BatchPrint, ThreeFilesMakeThreeJobsInListOrder) {
    printtest::ClearJobs();
    FirstPrinter printer;
    CountingProgress progress;
    const auto list = List(good);
    {
        printtest::DialogAnswerer ok(IDOK);  // the options, once
        EXPECT_TRUE(RunBatchPrint(list.data(), 3, printer, progress));
        EXPECT_EQ(printtest::DialogAnswerer::seen.size(), 1u);
    }
    const auto jobs = printtest::WaitForJobs(3);
    ASSERT_EQ(jobs.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(printtest::JobTitle(jobs[i]), "Quorvane prints " + qrvtest::Narrow(good[i])) << i;
}

}  // namespace
