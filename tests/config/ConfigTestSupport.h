// Real things in the Wine prefix for the configuration and decision tests: a sandbox folder tree, the
// diagnostic log switched on, the host's registry key, and an in-process stand-in for the host.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace nudge::configtest {

// The sandbox under drive C that the tests build their trees in; ends with a backslash.
inline const std::wstring kSandbox = L"C:\\nudgebox-config-test\\";

void RemoveTree(const std::wstring& path);
// Creates the folders of a path; a path not ending in a backslash names a file, created with the text.
void MakePath(const std::wstring& path, const std::string& text = std::string());
bool PathExists(const std::wstring& path);
// Every "{S}" replaced by the sandbox folder.
std::wstring Expand(const std::wstring& pattern);
std::string Narrow(const std::wstring& text);
// A value as the system's profile functions read it, or the given default.
std::wstring ReadIniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                          const wchar_t* fallback = L"<absent>");

// Switches the diagnostic log on for the test's lifetime (creating C:\log\ and its marker when they
// are missing, removing what it created afterwards) and reads back one program's log file.
class LogCapture {
public:
    explicit LogCapture(const std::wstring& programFileName = std::wstring());
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void Clear() const;
    std::vector<std::wstring> Lines() const;
    std::string Bytes() const;

private:
    std::wstring m_strLogFile;
    bool m_bMadeFolder = false;
    bool m_bMadeMarker = false;
};

// Puts HKLM\SOFTWARE\Zorvex back as it was: its existence and its "InstallPath" value.
class RegistryGuard {
public:
    RegistryGuard();
    ~RegistryGuard();
    RegistryGuard(const RegistryGuard&) = delete;
    RegistryGuard& operator=(const RegistryGuard&) = delete;

    static void SetInstallPath(const std::wstring& value);
    static void SetInstallPathDword(DWORD value);
    static void RemoveKey();

private:
    bool m_bKeyExisted = false;
    bool m_bValueExisted = false;
    DWORD m_nType = 0;
    std::vector<BYTE> m_value;
};

// A file's bytes kept and put back (or the file removed when it was absent).
class FileGuard {
public:
    explicit FileGuard(std::wstring path);
    ~FileGuard();
    FileGuard(const FileGuard&) = delete;
    FileGuard& operator=(const FileGuard&) = delete;

private:
    std::wstring m_strPath;
    bool m_bExisted = false;
    std::string m_bytes;
};

// The host as the decision sees it: a window of its class and the user-info section with a record.
enum class HostWindowState { Missing, Hidden, Visible };

class HostStandIn {
public:
    HostStandIn();
    ~HostStandIn();
    HostStandIn(const HostStandIn&) = delete;
    HostStandIn& operator=(const HostStandIn&) = delete;

    void SetWindow(HostWindowState state);
    // Creates (or reopens) the section and writes the three fields the decision reads.
    void PublishRecord(int32_t loggedIn, uint32_t vipExpiry, int32_t vipActive);
    // Closes this side's section handle, so that the program finds no section of the host's.
    void WithdrawSection();

private:
    HWND m_hWnd = nullptr;
    HANDLE m_hSection = nullptr;
    void* m_pView = nullptr;
};

// The executable's own file name, as the log and the process snapshot name it.
std::wstring ProgramFileName();
std::wstring ProgramFolder();

} // namespace nudge::configtest
