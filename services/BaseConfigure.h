// The host's configuration tree: install folder, configuration root and per-user folder, found once at
// start-up from the host's INI files, its registry key and fallback folders under the user's profile.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// Where a shell special folder (a CSIDL value) points, without a trailing backslash; empty when the
// shell has none. The program asks the shell; tests hand in folders of their own sandbox.
using SpecialFolderSource = std::function<std::wstring(int csidl)>;

class CBaseConfigure {
public:
    CBaseConfigure() noexcept;

    // Resolves every member below; returns true in every case. Runs once, before any member is read.
    bool InitSoftCfgRootPath() noexcept;
    bool InitSoftCfgRootPath(const SpecialFolderSource& folders) noexcept;

    // Creates each missing folder along the path up to its last backslash; false at the first folder
    // that cannot be created. The text after the last backslash is not a folder.
    [[nodiscard]] static bool CreateDirectoryChain(const std::wstring& path) noexcept;

    // The shell's own answer (SHGetFolderPathW, current location, nothing created).
    [[nodiscard]] static std::wstring ShellSpecialFolder(int csidl);

    int32_t m_nWorkAreaLeft;
    int32_t m_nWorkAreaTop;
    int32_t m_nWorkAreaWidth;
    int32_t m_nWorkAreaHeight;
    int32_t m_nScreenWidth;
    int32_t m_nScreenHeight;
    bool m_bCfgRootFound;
    bool m_bCfgUserFound;
    std::wstring m_strCfgUserPath;
    std::wstring m_strCfgRootPath;
    std::wstring m_strConfigIniPath;
    std::wstring m_strInstallRootPath;
    std::wstring m_strInstallPath;
    std::wstring m_strRelatedIniPath;
    std::wstring m_strUseVestigeIniPath;
    std::wstring m_strUseDataPath;
    std::wstring m_strProcessName;
    std::wstring m_strOperationDataIniPath;
    char m_szIdentifierText[MAX_PATH];
    wchar_t m_szSpreader[MAX_PATH];

private:
    void ResolveProcessName();
    void ResolveScreen();
    void ResolveInstallPath(const SpecialFolderSource& folders, const std::wstring& commonIni);
    // Stores the folder under the user's profile that stands in when no INI source names one; leaves
    // the member alone when the profile has no application-data folder.
    void ApplyFallbackFolder(const SpecialFolderSource& folders, const wchar_t* name, std::wstring& member,
                             bool userPath);
};
