// The test prefix's printer (see the header).
#include "TestPrinter.h"

#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "support/TestSupport.h"

namespace printtest {
namespace {

constexpr wchar_t kPrinterName[] = L"Quorvane Test Printer";
constexpr wchar_t kDriverName[] = L"Wine PostScript Driver";
constexpr wchar_t kPpdName[] = L"qrvtest.ppd";

// A generic colour PostScript printer with A4 paper at 300 dpi.
constexpr char kPpd[] =
    "*PPD-Adobe: \"4.3\"\n"
    "*FormatVersion: \"4.3\"\n"
    "*FileVersion: \"1.0\"\n"
    "*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n"
    "*PCFileName: \"QRVTEST.PPD\"\n"
    "*Manufacturer: \"Quorvane\"\n"
    "*Product: \"(Quorvane Test Printer)\"\n"
    "*PSVersion: \"(3010.000) 0\"\n"
    "*ModelName: \"Quorvane Test Printer\"\n"
    "*ShortNickName: \"Quorvane Test Printer\"\n"
    "*NickName: \"Quorvane Test Printer\"\n"
    "*LanguageLevel: \"3\"\n"
    "*ColorDevice: True\n"
    "*DefaultColorSpace: RGB\n"
    "*FileSystem: False\n"
    "*Throughput: \"1\"\n"
    "*TTRasterizer: Type42\n"
    "*DefaultResolution: 300dpi\n"
    "*OpenUI *PageSize/Page Size: PickOne\n"
    "*OrderDependency: 10 AnySetup *PageSize\n"
    "*DefaultPageSize: A4\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
    "*CloseUI: *PageSize\n"
    "*OpenUI *PageRegion: PickOne\n"
    "*OrderDependency: 10 AnySetup *PageRegion\n"
    "*DefaultPageRegion: A4\n"
    "*PageRegion A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
    "*CloseUI: *PageRegion\n"
    "*DefaultImageableArea: A4\n"
    "*ImageableArea A4/A4: \"18 36 577 806\"\n"
    "*DefaultPaperDimension: A4\n"
    "*PaperDimension A4/A4: \"595 842\"\n"
    "*DefaultFont: Courier\n"
    "*Font Courier: Standard \"(002.004S)\" Standard ROM\n";

std::string Prefix() {
    char value[MAX_PATH] = {};
    if (GetEnvironmentVariableA("WINEPREFIX", value, MAX_PATH)) return value;
    std::string home = getenv("HOME") ? getenv("HOME") : "/root";
    return home + "/.wine";
}

bool HasLocalPrinter() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
    if (!needed) return false;
    std::vector<BYTE> buffer(needed);
    return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &count) && count > 0;
}

std::wstring PortName() { return qrvtest::Widen("|cat > " + HostJobFolder() + "/job-$$.ps"); }

}  // namespace

std::string HostJobFolder() { return Prefix() + "/print-jobs"; }

std::wstring JobFolder() {
    std::wstring path = L"Z:" + qrvtest::Widen(HostJobFolder()) + L"\\";
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

bool EnsureTestPrinter() {
    CreateDirectoryW(JobFolder().c_str(), nullptr);
    if (HasLocalPrinter()) return true;
    wchar_t driverDir[MAX_PATH] = {};
    DWORD size = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, (BYTE*)driverDir, sizeof(driverDir), &size)) return false;
    std::wstring ppd = std::wstring(driverDir) + L"\\" + kPpdName;
    if (!qrvtest::WriteAll(ppd, kPpd, sizeof(kPpd) - 1)) return false;

    DRIVER_INFO_3W driver = {};
    driver.cVersion = 3;
    driver.pName = (LPWSTR)kDriverName;
    driver.pDriverPath = (LPWSTR)L"wineps.drv";
    driver.pDataFile = (LPWSTR)kPpdName;
    driver.pConfigFile = (LPWSTR)L"wineps.drv";
    if (!AddPrinterDriverExW(nullptr, 3, (BYTE*)&driver, APD_COPY_NEW_FILES) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED)
        fprintf(stderr, "AddPrinterDriverExW failed: %lu\n", GetLastError());

    const std::wstring port = PortName();
    HKEY ports;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &ports, nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(ports, port.c_str(), 0, REG_SZ, (const BYTE*)L"", sizeof(wchar_t));
        RegCloseKey(ports);
    }
    PRINTER_INFO_2W info = {};
    info.pPrinterName = (LPWSTR)kPrinterName;
    info.pPortName = (LPWSTR)port.c_str();
    info.pDriverName = (LPWSTR)kDriverName;
    info.pPrintProcessor = (LPWSTR)L"WinPrint";
    info.pDatatype = (LPWSTR)L"RAW";
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterW(nullptr, 2, (BYTE*)&info);
    if (!printer) {
        fprintf(stderr, "AddPrinterW failed: %lu\n", GetLastError());
    } else {
        ClosePrinter(printer);
    }
    SetDefaultPrinterW(kPrinterName);
    return HasLocalPrinter();
}

void ClearJobs() { qrvtest::RunHost("mkdir -p '" + HostJobFolder() + "' && rm -f '" + HostJobFolder() + "'/*.ps"); }

std::vector<std::string> WaitForJobs(size_t count, DWORD timeoutMs) {
    std::vector<std::string> jobs;
    const DWORD start = GetTickCount();
    for (;;) {
        jobs.clear();
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((JobFolder() + L"*.ps").c_str(), &found);
        std::vector<std::pair<ULONGLONG, std::wstring>> files;
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const ULONGLONG time =
                    ((ULONGLONG)found.ftLastWriteTime.dwHighDateTime << 32) | found.ftLastWriteTime.dwLowDateTime;
                files.push_back({time, found.cFileName});
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        std::sort(files.begin(), files.end());
        bool complete = true;
        for (auto& file : files) {
            const auto data = qrvtest::ReadAll(JobFolder() + file.second);
            const std::string tail(data.end() - std::min<size_t>(data.size(), 64), data.end());
            if (tail.find("%%EOF") == std::string::npos) complete = false;
            jobs.push_back(HostJobFolder() + "/" + qrvtest::Narrow(file.second));
        }
        if ((jobs.size() >= count && complete) || GetTickCount() - start > timeoutMs) return jobs;
        Sleep(100);
    }
}

std::vector<std::wstring> RenderJob(const std::string& hostJob, const std::wstring& outFolder) {
    const std::string out = qrvtest::HostPath(outFolder);
    const int status = qrvtest::RunHost("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r100 -sOutputFile='" + out +
                                        "/page%d.png' '" + hostJob + "'");
    std::vector<std::wstring> pages;
    if (status != 0) return pages;
    for (int i = 1;; ++i) {
        const std::wstring page = outFolder + L"\\page" + std::to_wstring(i) + L".png";
        if (!qrvtest::FileExists(page)) break;
        pages.push_back(page);
    }
    return pages;
}

std::string JobTitle(const std::string& hostJob) {
    const auto data = qrvtest::ReadAll(L"Z:" + qrvtest::Widen(hostJob));
    const std::string text(data.begin(), data.begin() + std::min<size_t>(data.size(), 4096));
    const size_t at = text.find("%%Title: ");
    if (at == std::string::npos) return "";
    const size_t end = text.find_first_of("\r\n", at);
    return text.substr(at + 9, end - at - 9);
}

}  // namespace printtest
