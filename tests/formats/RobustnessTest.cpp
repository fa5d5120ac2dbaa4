// Robustness of every reader in the format table against damaged files.
//
// Every fixture whose extension belongs to a format with a reader (reference
// decodings, "X.bmp.rgba" next to "X.bmp" and any other ".rgba" file, are
// skipped) is damaged in deterministic ways: truncated at many lengths, bits flipped from
// a seed taken from its name, and every 16- and 32-bit field of its first 64
// bytes, in both byte orders, set to 0, 1, 0x7FFF, 0xFFFF, 0x7FFFFFFF,
// 0x80000000 and 0xFFFFFFFF. Each variant goes through LoadMediaFile, which
// must come back within the time bound with a valid image or an error text,
// with no exception, no write past the error text and the file closed. The
// bound counts the loading thread's processor time, so a host busy with other
// work does not fail a sound load; a load that waits instead of working is
// caught by a much longer bound on the clock.
// Fixtures run on up to four threads at once; a format with many fixtures
// runs an even sample of their variants (QRV_ROBUSTNESS_ALL=1 runs them all).
//
// A failing variant is written to "robustness-failures" in the build folder
// (beside the fixtures) so that it can become a fixture of its own; a crash
// copies the input it died on there before the process ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "formats/Formats.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

constexpr uint64_t kTimeBoundMs = 10000;  // processor time per variant, generous under Wine
constexpr DWORD kWallBoundMs = 120000;    // clock time per variant, for a load that waits
constexpr size_t kFieldBytes = 64;        // header bytes whose fields are overwritten
constexpr int kBitFlipVariants = 48;
// Each format's fixtures share this many variants (at least kMinVariantsPerFixture
// each), spread evenly over every fixture's full list, so the run time grows with
// the number of formats rather than of fixtures. QRV_ROBUSTNESS_ALL=1 runs all.
constexpr size_t kVariantsPerFormat = 8000;
constexpr size_t kMinVariantsPerFixture = 300;

// A damaged variant as a recipe over the original file: its first `length`
// bytes with `patch` written over them. Only the recipes are kept (a
// megabyte fixture has thousands of variants), each file is made when it runs.
struct Variant {
    std::string name;
    size_t length = 0;
    std::vector<std::pair<size_t, uint8_t>> patch;  // sorted positions, each byte differing from the original

    std::vector<uint8_t> Bytes(const std::vector<uint8_t>& original) const {
        std::vector<uint8_t> bytes(original.begin(), original.begin() + length);
        for (const auto& [at, value] : patch) bytes[at] = value;
        return bytes;
    }
};

uint64_t Fnv1a(const std::string& text) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
    return h;
}

uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::string Hex(uint64_t v) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%llx", (unsigned long long)v);
    return buffer;
}

// The file itself first (the sample always keeps it), then its damaged
// variants, the same on every run.
std::vector<Variant> MakeVariants(const std::vector<uint8_t>& original, const std::string& name) {
    const size_t length = original.size();
    std::vector<Variant> out{{"unchanged", length, {}}};
    // Variants equal to the file or to an earlier one are dropped: a cut by its
    // length, a patch by the bytes it really changes.
    std::set<std::pair<size_t, std::vector<std::pair<size_t, uint8_t>>>> seen{{length, {}}};
    auto addCut = [&](std::string what, size_t n) {
        if (seen.insert({n, {}}).second) out.push_back({std::move(what), n, {}});
    };
    auto addPatch = [&](std::string what, const std::map<size_t, uint8_t>& writes) {
        std::vector<std::pair<size_t, uint8_t>> patch;
        for (const auto& [at, value] : writes)
            if (original[at] != value) patch.push_back({at, value});
        if (seen.insert({length, patch}).second) out.push_back({std::move(what), length, std::move(patch)});
    };

    std::set<size_t> cuts;
    for (size_t n = 0; n < std::min<size_t>(length, 72); ++n) cuts.insert(n);
    for (size_t k = 1; k < 32; ++k) cuts.insert(length * k / 32);
    for (size_t back = 1; back <= 3 && back <= length; ++back) cuts.insert(length - back);
    for (size_t n : cuts)
        if (n < length) addCut("cut" + std::to_string(n), n);

    uint64_t state = Fnv1a(name);
    for (int i = 0; i < kBitFlipVariants && length; ++i) {
        std::map<size_t, uint8_t> writes;
        // Half of the variants hit the headers, half the whole file.
        const size_t span = (i & 1) ? length : std::min<size_t>(length, 256);
        std::string what = "flip";
        const int flips = 1 + (int)(SplitMix(state) % 3);
        for (int f = 0; f < flips; ++f) {
            const size_t at = (size_t)(SplitMix(state) % span);
            const int bit = (int)(SplitMix(state) % 8);
            const uint8_t now = writes.count(at) ? writes[at] : original[at];
            writes[at] = now ^ (uint8_t)(1u << bit);
            what += "-" + std::to_string(at) + "." + std::to_string(bit);
        }
        addPatch(what, writes);
    }

    const uint32_t values16[] = {0, 1, 0x7FFF, 0xFFFF};
    const uint32_t values32[] = {0, 1, 0x7FFF, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    const size_t fieldEnd = std::min(length, kFieldBytes);
    for (size_t at = 0; at + 2 <= fieldEnd; ++at) {
        for (uint32_t v : values16) {
            for (bool bigEndian : {false, true}) {
                const std::map<size_t, uint8_t> writes = {{at + (bigEndian ? 1 : 0), (uint8_t)v},
                                                          {at + (bigEndian ? 0 : 1), (uint8_t)(v >> 8)}};
                addPatch((bigEndian ? "u16be@" : "u16le@") + std::to_string(at) + "=" + Hex(v), writes);
            }
        }
    }
    for (size_t at = 0; at + 4 <= fieldEnd; at += 2) {
        for (uint32_t v : values32) {
            for (bool bigEndian : {false, true}) {
                std::map<size_t, uint8_t> writes;
                for (int i = 0; i < 4; ++i) writes[at + (bigEndian ? 3 - i : i)] = (uint8_t)(v >> (8 * i));
                addPatch((bigEndian ? "u32be@" : "u32le@") + std::to_string(at) + "=" + Hex(v), writes);
            }
        }
    }
    return out;
}

// Fixture files (relative names) under dir that a reader in the table takes.
void CollectFixtures(const std::wstring& root, const std::wstring& relative, std::vector<std::wstring>& out) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((root + relative + L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring rel = relative + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CollectFixtures(root, rel + L"\\", out);
            continue;
        }
        const size_t dot = rel.rfind(L'.');
        if (dot != std::wstring::npos && qrvtest::FileExists(root + rel.substr(0, dot))) continue;  // a reference
        // Reference decodings are raw RGBA rows, whatever their name: ".rgba"
        // is also an SGI extension, but no fixture is an SGI file by that name.
        if (dot != std::wstring::npos && _wcsicmp(rel.c_str() + dot, L".rgba") == 0) continue;
        const FormatEntry& entry = GetFormatEntry(GetFormatIdFromExtension(rel.c_str()));
        if (entry.reader) out.push_back(rel);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

std::wstring Extension(const std::wstring& name) {
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? L"" : name.substr(dot);
}

std::wstring SafeName(std::wstring text) {
    for (auto& c : text)
        if (c == L'\\' || c == L'/' || c == L':' || c == L'=' || c == L'@') c = L'_';
    return text;
}

// Where the input of a crash is copied to, for the exception filter (which
// runs on the crashing thread).
thread_local wchar_t g_crashInput[MAX_PATH * 2];
thread_local wchar_t g_crashCopy[MAX_PATH * 2];

LONG CALLBACK CrashFilter(EXCEPTION_POINTERS* info) {
    CopyFileW(g_crashInput, g_crashCopy, FALSE);
    std::fprintf(stderr, "Robustness: exception 0x%08lx while loading; input kept as %ls\n",
                 (unsigned long)info->ExceptionRecord->ExceptionCode, g_crashCopy);
    std::fflush(stderr);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Processor time (user + kernel) a thread has used, in milliseconds.
uint64_t ThreadCpuMs(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return (ticks(kernel) + ticks(user)) / 10000;
}

// One fixture's run on a worker thread.
struct VariantRun {
    std::wstring fixture;  // relative name
    std::string name;
    std::vector<uint8_t> original;  // the fixture's bytes, which the variants patch
    std::vector<Variant> variants;
    std::wstring inputPath;
    std::wstring failureStem;  // failure folder + fixture name, without extension
    std::wstring extension;
    size_t budget = SIZE_MAX;  // most variants to run
    std::atomic<size_t> current{0};
    std::atomic<DWORD> started{0};        // clock at the current variant's start
    std::atomic<uint64_t> startedCpu{0};  // the thread's processor time then
    std::atomic<bool> ready{false};       // variants made, loads under way
    std::vector<std::string> failures;    // "variant: what went wrong", read after the worker ended
    std::vector<size_t> failedIndices;
    HANDLE thread = nullptr;
};

std::string CheckOneLoad(const std::wstring& path) {
    CImage image;
    // Readers of animated formats leave the viewer alone during such loads.
    LoadModeScope mode(true, true);
    // The error text with a guard zone behind its 512 characters.
    std::vector<wchar_t> text(FORMAT_ERROR_CHARS * 2, L'\x5A5A');
    std::fill(text.begin(), text.begin() + FORMAT_ERROR_CHARS, L'\0');
    FormatId id = -1;
    bool ok = false;
    try {
        ok = LoadMediaFile(image, path.c_str(), text.data(), &id);
    } catch (...) { return "exception out of LoadMediaFile"; }
    for (size_t i = FORMAT_ERROR_CHARS; i < text.size(); ++i)
        if (text[i] != L'\x5A5A') return "write past the 512-character error text";
    if (std::find(text.begin(), text.begin() + FORMAT_ERROR_CHARS, L'\0') == text.begin() + FORMAT_ERROR_CHARS)
        return "error text without terminator";
    if (ok) {
        const uint8_t bpp = image.GetBpp();
        if (!image.IsValid() || !image.GetWidth() || !image.GetHeight() || !image.ScanLine(0) ||
            (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32))
            return "success without a valid image";
    } else if (!text[0]) {
        return "failure without an error text";
    } else if (std::wstring(text.data()) == L"Reader failed with an exception!") {
        return "exception out of a reader";
    }
    // The reader must have closed the file: an exclusive open succeeds.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "file left open";
    CloseHandle(h);
    return {};
}

DWORD WINAPI RunVariants(void* parameter) {
    VariantRun& run = *static_cast<VariantRun*>(parameter);
    const std::vector<unsigned char> raw = qrvtest::ReadAll(qrvtest::FixtureDir() + run.fixture);
    run.original.assign(raw.begin(), raw.end());
    run.variants = MakeVariants(run.original, run.name);
    if (run.variants.size() > run.budget) {
        // An even, deterministic sample over truncations, flips and fields.
        std::vector<Variant> sample;
        const size_t count = run.variants.size();
        for (size_t k = 0; k < run.budget; ++k) sample.push_back(std::move(run.variants[k * count / run.budget]));
        run.variants = std::move(sample);
    }
    CopyStringW(g_crashInput, run.inputPath.c_str(), MAX_PATH * 2);
    run.started = GetTickCount();
    run.startedCpu = ThreadCpuMs(GetCurrentThread());
    run.ready = true;
    for (size_t i = 0; i < run.variants.size(); ++i) {
        const Variant& v = run.variants[i];
        run.current = i;
        run.startedCpu = ThreadCpuMs(GetCurrentThread());
        run.started = GetTickCount();
        const std::vector<uint8_t> bytes = v.Bytes(run.original);
        if (!qrvtest::WriteAll(run.inputPath, bytes.data(), bytes.size())) {
            run.failures.push_back(v.name + ": could not write the input");
            continue;
        }
        CopyStringW(g_crashCopy, (run.failureStem + L"." + qrvtest::Widen(v.name) + run.extension).c_str(),
                    MAX_PATH * 2);
        const std::string problem = CheckOneLoad(run.inputPath);
        if (!problem.empty()) {
            run.failures.push_back(v.name + ": " + problem);
            run.failedIndices.push_back(i);
        }
    }
    run.current = run.variants.size();
    return 0;
}

std::wstring FailureFolder() {
    std::wstring dir = qrvtest::FixtureDir();  // ...\fixtures\ in the build folder
    if (!dir.empty()) dir.pop_back();
    const size_t slash = dir.rfind(L'\\');
    dir = (slash == std::wstring::npos ? std::wstring(L".") : dir.substr(0, slash)) + L"\\robustness-failures";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

TEST(Robustness, EveryReaderSurvivesDamagedFixtures) {
    const std::wstring root = qrvtest::FixtureDir();
    std::vector<std::wstring> fixtures;
    CollectFixtures(root, L"", fixtures);
    std::sort(fixtures.begin(), fixtures.end());
    size_t bmpFixtures = 0;
    for (const auto& f : fixtures) bmpFixtures += GetFormatIdFromExtension(f.c_str()) == FMT_BMP;
    ASSERT_GE(bmpFixtures, 20u) << "the BMP fixtures are missing";

    const std::wstring failureDir = FailureFolder();
    qrvtest::TempDir work;
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = SetUnhandledExceptionFilter(CrashFilter);

    // Fixtures run side by side, as the viewer and the thumbnail loader do.
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const size_t workers = std::clamp<size_t>(system.dwNumberOfProcessors, 1, 4);
    const bool everything = std::getenv("QRV_ROBUSTNESS_ALL") != nullptr;
    std::vector<size_t> fixturesPerFormat(FMT_COUNT, 0);
    for (const auto& f : fixtures) ++fixturesPerFormat[GetFormatIdFromExtension(f.c_str())];
    std::vector<std::unique_ptr<VariantRun>> runs;
    for (size_t i = 0; i < fixtures.size(); ++i) {
        auto run = std::make_unique<VariantRun>();
        run->fixture = fixtures[i];
        run->name = qrvtest::Narrow(fixtures[i]);
        run->extension = Extension(fixtures[i]);
        if (!everything)
            run->budget =
                std::max(kMinVariantsPerFixture,
                         kVariantsPerFormat / fixturesPerFormat[GetFormatIdFromExtension(fixtures[i].c_str())]);
        run->inputPath = work.File(L"input" + std::to_wstring(i) + run->extension);
        run->failureStem =
            failureDir + L"\\" + SafeName(fixtures[i].substr(0, fixtures[i].size() - run->extension.size()));
        runs.push_back(std::move(run));
    }
    size_t next = 0, total = 0;
    std::vector<VariantRun*> active;
    bool hung = false;
    while (!hung && (next < runs.size() || !active.empty())) {
        while (active.size() < workers && next < runs.size()) {
            VariantRun* run = runs[next++].get();
            run->thread = CreateThread(nullptr, 0, RunVariants, run, 0, nullptr);
            ASSERT_NE(run->thread, nullptr);
            active.push_back(run);
        }
        std::vector<HANDLE> handles;
        for (VariantRun* run : active) handles.push_back(run->thread);
        WaitForMultipleObjects((DWORD)handles.size(), handles.data(), FALSE, 100);
        for (auto it = active.begin(); it != active.end();) {
            VariantRun& run = **it;
            if (WaitForSingleObject(run.thread, 0) == WAIT_TIMEOUT) {
                const uint64_t cpu = ThreadCpuMs(run.thread), cpuStart = run.startedCpu;
                const bool overCpu = cpu > cpuStart && cpu - cpuStart > kTimeBoundMs;
                const bool overClock = GetTickCount() - run.started > kWallBoundMs;
                if (!run.ready || run.current >= run.variants.size() || (!overCpu && !overClock)) {
                    ++it;
                    continue;
                }
                // No answer within the bound: stop everything, the killed thread
                // may have left the process in any state.
                TerminateThread(run.thread, 1);
                WaitForSingleObject(run.thread, INFINITE);
                const size_t i = run.current;
                run.failures.push_back(run.variants[i].name + ": no answer within " +
                                       (overCpu ? std::to_string(kTimeBoundMs) + " ms of processor time"
                                                : std::to_string(kWallBoundMs) + " ms"));
                run.failedIndices.push_back(i);
                hung = true;
            }
            CloseHandle(run.thread);
            total += run.variants.size();
            for (size_t i : run.failedIndices) {
                const std::wstring out =
                    run.failureStem + L"." + SafeName(qrvtest::Widen(run.variants[i].name)) + run.extension;
                const std::vector<uint8_t> bytes = run.variants[i].Bytes(run.original);
                qrvtest::WriteAll(out, bytes.data(), bytes.size());
            }
            for (const std::string& f : run.failures)
                ADD_FAILURE() << run.name << " " << f << " (input written to " << qrvtest::Narrow(failureDir) << ")";
            it = active.erase(it);
        }
    }
    if (hung) {
        // Leave the other workers' threads alone; the process ends with the failure.
        for (VariantRun* run : active) TerminateThread(run->thread, 1);
    }
    SetUnhandledExceptionFilter(previousFilter);
    std::printf("Robustness: %zu damaged variants of %zu fixtures\n", total, fixtures.size());
}

// The bound relies on reading another thread's processor time while it runs:
// a thread that spins shows it, one that sleeps does not.
std::atomic<bool> g_stopSpinning{false};

DWORD WINAPI SpinUntilStopped(void*) {
    volatile uint64_t x = 0;
    while (!g_stopSpinning) x = x + 1;
    return 0;
}

DWORD WINAPI SleepASecond(void*) {
    Sleep(1000);
    return 0;
}

TEST(Robustness, AnotherThreadsProcessorTimeIsMeasured) {
    g_stopSpinning = false;
    HANDLE spinner = CreateThread(nullptr, 0, SpinUntilStopped, nullptr, 0, nullptr);
    HANDLE sleeper = CreateThread(nullptr, 0, SleepASecond, nullptr, 0, nullptr);
    ASSERT_NE(spinner, nullptr);
    ASSERT_NE(sleeper, nullptr);
    Sleep(500);
    const uint64_t spun = ThreadCpuMs(spinner), slept = ThreadCpuMs(sleeper);
    g_stopSpinning = true;
    WaitForSingleObject(spinner, INFINITE);
    WaitForSingleObject(sleeper, INFINITE);
    CloseHandle(spinner);
    CloseHandle(sleeper);
    EXPECT_GE(spun, 100u);
    EXPECT_LT(slept, 100u);
}

TEST(Robustness, VariantsAreDeterministicAndDistinct) {
    std::vector<uint8_t> file(300);
    for (size_t i = 0; i < file.size(); ++i) file[i] = (uint8_t)(i * 7);
    const auto a = MakeVariants(file, "x.bmp");
    const auto b = MakeVariants(file, "x.bmp");
    ASSERT_EQ(a.size(), b.size());
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a[0].name, "unchanged");
    EXPECT_EQ(a[0].Bytes(file), file);
    std::set<std::vector<uint8_t>> files;
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].name, b[i].name);
        EXPECT_EQ(a[i].Bytes(file), b[i].Bytes(file));
        EXPECT_TRUE(files.insert(a[i].Bytes(file)).second) << a[i].name << " repeats an earlier file";
    }
    EXPECT_NE(MakeVariants(file, "y.bmp")[120].name, a[120].name);  // the seed follows the name
    std::set<std::string> names;
    for (const auto& v : a) names.insert(v.name);
    EXPECT_EQ(names.size(), a.size());
    EXPECT_TRUE(names.count("cut0"));
    EXPECT_TRUE(names.count("u32le@2=ffffffff"));
    EXPECT_TRUE(names.count("u16be@14=7fff"));
}

}  // namespace
