#include "services/Browser.h"

#include <windows.h>

#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include "services/HandleOwners.h"

const wchar_t* const kBrowserProcessNames[kBrowserProcessNameCount] = {
    L"chrome.exe", L"360se.exe",    L"QQBrowser.exe", L"Firefox.exe",      L"opera.exe",
    L"Wnie.exe",   L"Maxthon.exe",  L"360chrome.exe", L"baidubrowser.exe", L"iexplore.exe",
    L"Safari.exe", L"twchrome.exe", L"TheWorld.exe"};

namespace {

constexpr wchar_t kIeAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
constexpr wchar_t kIeFixedTail[] = L"\\Program Files\\Internet Explorer\\iexplore.exe";
constexpr wchar_t kIeProgramFilesTail[] = L"\\Internet Explorer\\iexplore.exe";

bool IsKnownBrowserName(const wchar_t* name) noexcept {
    for (const wchar_t* known : kBrowserProcessNames) {
        if (CompareStringOrdinal(name, -1, known, -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

// The unnamed value of an open key as text of at most MAX_PATH - 1 characters; the type is not checked.
std::wstring ReadDefaultValue(HKEY key) noexcept {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD bytes = MAX_PATH * sizeof(wchar_t);
    if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes) !=
        ERROR_SUCCESS)
        return {};
    buffer[MAX_PATH - 1] = L'\0';
    try {
        return buffer;
    } catch (...) {
        return {};
    }
}

std::wstring QuotedProgram(const std::wstring& path) {
    return L"\"" + path + L"\" ";
}

} // namespace

std::wstring EscapeUrlQuotes(const wchar_t* url) noexcept {
    try {
        std::wstring out;
        for (const wchar_t* p = url ? url : L""; *p; ++p) {
            if (*p == L'"')
                out += L"%22";
            else
                out += *p;
        }
        return out;
    } catch (...) {
        return {};
    }
}

std::wstring QuoteUrlArgument(const wchar_t* url) noexcept {
    try {
        std::wstring out = L"\"" + EscapeUrlQuotes(url);
        // Backslashes right before the closing quote would escape it: double the run.
        std::size_t trailing = 0;
        while (trailing < out.size() - 1 && out[out.size() - 1 - trailing] == L'\\')
            ++trailing;
        out.append(trailing, L'\\');
        out += L'"';
        return out;
    } catch (...) {
        return {};
    }
}

void StartCommandLine(const std::wstring& commandLine) noexcept {
    if (commandLine.empty() || commandLine.size() > kCommandLineCapacity - 1)
        return;
    // CreateProcessW may write into its command line: give it a buffer of its own.
    wchar_t buffer[kCommandLineCapacity] = {};
    commandLine.copy(buffer, commandLine.size());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, buffer, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return;
    nudge::UniqueHandle processHandle(process.hProcess);
    nudge::UniqueHandle threadHandle(process.hThread);
}

bool FindRunningBrowser(std::vector<BrowserProcessRecord>& list) noexcept {
    nudge::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        wchar_t name[MAX_PATH] = {};
        lstrcpynW(name, entry.szExeFile, MAX_PATH);
        CharUpperBuffW(name, lstrlenW(name));
        if (!IsKnownBrowserName(name))
            continue;
        // A browser that cannot be opened (another user's, an elevated one) is passed over.
        nudge::UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
        if (!process)
            continue;
        wchar_t path[MAX_PATH] = {};
        if (GetModuleFileNameExW(process.get(), nullptr, path, MAX_PATH) == 0)
            path[0] = L'\0';
        path[MAX_PATH - 1] = L'\0';
        try {
            list.push_back(BrowserProcessRecord{name, path});
        } catch (...) {
            return false;
        }
        return true;
    }
    return false;
}

bool IsDefaultBrowserRegistered() noexcept {
    nudge::UniqueRegKey http;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"http", 0, KEY_READ, http.put()) != ERROR_SUCCESS)
        return false;
    nudge::UniqueRegKey shell;
    if (RegOpenKeyExW(http.get(), L"shell", 0, KEY_READ, shell.put()) != ERROR_SUCCESS)
        return false;
    nudge::UniqueRegKey command;
    if (RegOpenKeyExW(shell.get(), L"open\\command", 0, KEY_READ, command.put()) != ERROR_SUCCESS)
        return false;
    std::wstring text = ReadDefaultValue(command.get());
    if (text.empty())
        return false;
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    const std::size_t open = text.find(L'"');
    if (open == std::wstring::npos)
        return false;
    const std::size_t close = text.find(L'"', open + 1);
    if (close == std::wstring::npos)
        return false;
    try {
        const std::wstring program = text.substr(open + 1, close - open - 1);
        return PathFileExistsW(program.c_str()) != FALSE;
    } catch (...) {
        return false;
    }
}

void ShellOpenUrl(const wchar_t* url) noexcept {
    // The registered command substitutes the URL into its own quotes: a quote inside would end them.
    const std::wstring safe = EscapeUrlQuotes(url);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", safe.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return;
    wchar_t windows[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n < 2 || n >= MAX_PATH)
        return;
    try {
        // The fixed path has spaces: quoted, or CreateProcess would try "C:\Program.exe" first.
        const std::wstring program = std::wstring(windows, 2) + kIeFixedTail;
        StartCommandLine(QuotedProgram(program) + QuoteUrlArgument(safe.c_str()));
    } catch (...) {
    }
}

bool FindInternetExplorer(std::wstring& path) noexcept {
    nudge::UniqueRegKey appPaths;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kIeAppPathsKey, 0, KEY_READ, appPaths.put()) != ERROR_SUCCESS)
        return false;
    try {
        const std::wstring registered = ReadDefaultValue(appPaths.get());
        if (!registered.empty() && PathFileExistsW(registered.c_str())) {
            path = registered;
            return true;
        }
        wchar_t programFiles[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles)))
            return false;
        const std::wstring candidate = std::wstring(programFiles) + kIeProgramFilesTail;
        if (PathFileExistsW(candidate.c_str())) {
            path = candidate;
            return true;
        }
    } catch (...) {
    }
    return false;
}

void LaunchInternetExplorer(const wchar_t* url) noexcept {
    std::wstring program;
    if (!FindInternetExplorer(program)) {
        ShellOpenUrl(url);
        return;
    }
    try {
        StartCommandLine(QuotedProgram(program) + QuoteUrlArgument(url));
    } catch (...) {
    }
}

void OpenUrlAfterBrowserSearch(const wchar_t* url, const BrowserProcessRecord* running) noexcept {
    if (!url)
        url = L"";
    if (running && !running->m_strPath.empty()) {
        try {
            // The URL carries the host's sign: keep it one argument, whatever it contains.
            StartCommandLine(QuotedProgram(running->m_strPath) + QuoteUrlArgument(url));
        } catch (...) {
        }
        return;
    }
    if (IsDefaultBrowserRegistered())
        ShellOpenUrl(url);
    else
        LaunchInternetExplorer(url);
}

bool OpenUrlInBrowser(const wchar_t* url) noexcept {
    std::vector<BrowserProcessRecord> list;
    const bool found = FindRunningBrowser(list);
    OpenUrlAfterBrowserSearch(url, found && !list.empty() ? &list.front() : nullptr);
    return true;
}
