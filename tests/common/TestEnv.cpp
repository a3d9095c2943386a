#include "tests/common/TestEnv.h"

#include <cstdlib>
#include <vector>

namespace nudge::test {

namespace {
std::wstring FromEnv(const char* name, const std::wstring& relative) {
    const char* value = std::getenv(name);
    std::wstring base = value ? UnixToWindowsPath(value) : std::wstring();
    if (relative.empty())
        return base;
    return base + L"\\" + relative;
}

struct HandleCloser {
    HANDLE h;
    ~HandleCloser() {
        if (h)
            CloseHandle(h);
    }
};
} // namespace

std::wstring UnixToWindowsPath(const std::string& unixPath) {
    std::wstring out = L"Z:";
    for (char c : unixPath)
        out += (c == '/') ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    while (out.size() > 3 && out.back() == L'\\')
        out.pop_back();
    return out;
}

std::wstring SourcePath(const std::wstring& relative) { return FromEnv("NUDGE_SOURCE_DIR", relative); }
std::wstring BinaryPath(const std::wstring& relative) { return FromEnv("NUDGE_BINARY_DIR", relative); }

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    HandleCloser closer{h};
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    HandleCloser closer{h};
    DWORD put = 0;
    return WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size();
}

ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs) {
    ProcessResult result;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return result;
    HandleCloser process{pi.hProcess};
    HandleCloser thread{pi.hThread};
    result.started = true;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        TerminateProcess(pi.hProcess, 259);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    return result;
}

} // namespace nudge::test
