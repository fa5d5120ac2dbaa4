// The test prefix's printer: a PostScript printer on the Wine PostScript
// driver whose port pipes each job into a file of its own in the prefix's job
// folder, added once (the prefix is kept between runs) and made the default.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace printtest {

// Adds the printer when the prefix has none; true when a local printer exists.
bool EnsureTestPrinter();
// The job folder: Windows path (with a trailing "\") and host path.
std::wstring JobFolder();
std::string HostJobFolder();
// Deletes every job in the folder.
void ClearJobs();
// The finished jobs (files ending with "%%EOF"), oldest first, as host paths;
// waits up to timeoutMs for at least count of them.
std::vector<std::string> WaitForJobs(size_t count, DWORD timeoutMs = 20000);
// Renders a job into PNG pages at 100 dpi in a host folder; returns the
// pages' Windows paths in order (empty when gs failed).
std::vector<std::wstring> RenderJob(const std::string& hostJob, const std::wstring& outFolder);
// The job's text as ghostscript extracts it, and its document title.
std::string JobTitle(const std::string& hostJob);

}  // namespace printtest
