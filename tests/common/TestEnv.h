// Paths and processes for tests that run under Wine.
#pragma once

#include <windows.h>

#include <string>

namespace nudge::test {

// The source and build folders as Windows paths (Wine maps the Unix root to Z:).
std::wstring SourcePath(const std::wstring& relative = L"");
std::wstring BinaryPath(const std::wstring& relative = L"");
// A Unix path as Wine sees it.
std::wstring UnixToWindowsPath(const std::string& unixPath);

// Whole-file helpers; an unreadable file reads as empty.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

struct ProcessResult {
    bool started = false;
    DWORD exitCode = 0;
    bool timedOut = false;
};
// Runs a command line and waits for it; a process still running after the timeout is terminated.
ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 30000);

} // namespace nudge::test
