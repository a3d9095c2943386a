#include "services/BaseConfigure.h"

#include "services/DiagnosticLog.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstring>

namespace {

constexpr char kIdentifierText[] = "identifierBegin:abcdefghijklmnopqrstuvwxyz:identifierEnd";
static_assert(sizeof kIdentifierText == 57, "the identifier constant is 56 characters and its terminator");

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() {
        if (m_hKey)
            RegCloseKey(m_hKey);
    }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    HKEY* Receive() noexcept { return &m_hKey; }
    HKEY Get() const noexcept { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
};

class CSnapshotHandle {
public:
    explicit CSnapshotHandle(HANDLE h) noexcept : m_h(h) {}
    ~CSnapshotHandle() {
        if (Valid())
            CloseHandle(m_h);
    }
    CSnapshotHandle(const CSnapshotHandle&) = delete;
    CSnapshotHandle& operator=(const CSnapshotHandle&) = delete;
    bool Valid() const noexcept { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const noexcept { return m_h; }

private:
    HANDLE m_h;
};

bool Exists(const std::wstring& path) {
    return !path.empty() && PathFileExistsW(path.c_str()) != FALSE;
}

std::wstring ReadIni(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(section, key, L"", value, MAX_PATH, file.c_str());
    return value;
}

// The value's registry type is not checked, so whatever bytes it holds are taken as text: the spare
// slot keeps even an unterminated value terminated.
bool ReadRegistryText(HKEY key, const wchar_t* name, std::wstring& text) {
    wchar_t value[MAX_PATH + 1] = {};
    DWORD bytes = MAX_PATH * sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &bytes) !=
        ERROR_SUCCESS)
        return false;
    value[bytes / sizeof(wchar_t)] = L'\0';
    text = value;
    return true;
}

std::wstring ExecutableFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length < MAX_PATH ? length : MAX_PATH - 1);
    const size_t slash = folder.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

void EnsureFolder(const std::wstring& folder) {
    if (!Exists(folder))
        (void)CBaseConfigure::CreateDirectoryChain(folder);
}

} // namespace

CBaseConfigure::CBaseConfigure() noexcept
    : m_nWorkAreaLeft(0), m_nWorkAreaTop(0), m_nWorkAreaWidth(0), m_nWorkAreaHeight(0), m_nScreenWidth(0),
      m_nScreenHeight(0), m_bCfgRootFound(false),
      m_bCfgUserFound(false), m_szIdentifierText{}, m_szSpreader{} {}

std::wstring CBaseConfigure::ShellSpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

bool CBaseConfigure::InitSoftCfgRootPath() noexcept {
    return InitSoftCfgRootPath(&ShellSpecialFolder);
}

bool CBaseConfigure::InitSoftCfgRootPath(const SpecialFolderSource& folders) noexcept {
    WriteDiagnosticLog(L"ure::Init....");
    std::memcpy(m_szIdentifierText, kIdentifierText, sizeof kIdentifierText);

    ResolveProcessName();
    ResolveScreen();

    const std::wstring commonIni = folders(CSIDL_PROGRAM_FILES_COMMON) + L"\\Zorvex\\Zorvex.ini";
    const std::wstring exeIni = ExecutableFolder() + L"ZorvexInfo.ini";
    ResolveInstallPath(folders, commonIni);
    const std::wstring installIni = m_strInstallPath + L"ZorvexInfo.ini";

    struct Source {
        const std::wstring& file;
        const wchar_t* section;
    };
    const Source rootSources[] = {{commonIni, L"Globals"}, {exeIni, L"AppInfo"}, {installIni, L"AppInfo"}};
    m_bCfgRootFound = false;
    for (const Source& source : rootSources) {
        std::wstring root = ReadIni(source.file, source.section, L"CfgRootPath");
        if (Exists(root)) {
            m_strCfgRootPath = root;
            m_bCfgRootFound = true;
            break;
        }
    }
    if (!m_bCfgRootFound)
        WriteDiagnosticLog(L"CBaseConfigure::InitSoftCfgRootPath().....not find error");
    WriteDiagnosticLog(L"CBaseConfigure::InitSoftCfgRootPath().....m_strCfgRootPath:%s",
                       m_strCfgRootPath.c_str());

    const Source userSources[] = {{commonIni, L"Globals"}, {exeIni, L"AppInfo"}};
    m_bCfgUserFound = false;
    for (const Source& source : userSources) {
        std::wstring user = ReadIni(source.file, source.section, L"CfgUserPath");
        if (Exists(user)) {
            m_strCfgUserPath = user;
            m_bCfgUserFound = true;
            break;
        }
    }

    if (!m_bCfgRootFound)
        ApplyFallbackFolder(folders, L"Zorvex", m_strCfgRootPath, false);
    if (!m_bCfgUserFound)
        ApplyFallbackFolder(folders, L"Zorvex.users", m_strCfgUserPath, true);

    const std::wstring useData = m_strCfgRootPath + L"UseData\\";
    EnsureFolder(useData);
    m_strUseDataPath = useData;

    const std::wstring configFolder = m_strCfgRootPath + L"Config\\";
    EnsureFolder(configFolder);
    m_strConfigIniPath = configFolder + L"Config.ini";
    EnsureFolder(configFolder);
    m_strRelatedIniPath = configFolder + L"Related.ini";
    m_strUseVestigeIniPath = m_strCfgRootPath + L"Config\\UseVestige.ini";

    // Written on every run, so that a fallback chosen once is found among the INI sources next time.
    WritePrivateProfileStringW(L"AppInfo", L"CfgRootPath", m_strCfgRootPath.c_str(), installIni.c_str());
    WritePrivateProfileStringW(L"AppInfo", L"CfgUserPath", m_strCfgUserPath.c_str(), installIni.c_str());

    m_strOperationDataIniPath = m_strCfgRootPath + L"\\OperationData.ini";

    GetPrivateProfileStringW(L"AppInfo", L"Spreader", L"gf", m_szSpreader, MAX_PATH, installIni.c_str());

    WriteDiagnosticLog(L"ure::Init....");
    return true;
}

void CBaseConfigure::ResolveProcessName() {
    CSnapshotHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid())
        return;
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    std::wstring name;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self) {
            entry.szExeFile[MAX_PATH - 1] = L'\0';
            name = entry.szExeFile;
            if (!name.empty())
                CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
            break;
        }
    }
    m_strProcessName = name;
}

void CBaseConfigure::ResolveScreen() {
    RECT work{};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        m_nWorkAreaLeft = work.left;
        m_nWorkAreaTop = work.top;
        m_nWorkAreaWidth = work.right - work.left;
        m_nWorkAreaHeight = work.bottom - work.top;
    }
    RECT desktop{};
    if (GetWindowRect(GetDesktopWindow(), &desktop)) {
        m_nScreenWidth = desktop.right - desktop.left;
        m_nScreenHeight = desktop.bottom - desktop.top;
    }
}

void CBaseConfigure::ResolveInstallPath(const SpecialFolderSource& folders, const std::wstring& commonIni) {
    WriteDiagnosticLog(L"Init install path start");
    const std::wstring fromIni = ReadIni(commonIni, L"Globals", L"InstallPath");
    WriteDiagnosticLog(L"get program files common szInstallRootPath:%s", fromIni.c_str());

    // The candidates are joined to "Config.exe" as written: a folder named without its trailing
    // backslash fails this test, and only the INI's value gets a second chance without it.
    const wchar_t* line = nullptr;
    std::wstring taken;
    if (Exists(fromIni) && Exists(fromIni + L"Config.exe")) {
        taken = fromIni;
        line = L"checke config exe name: install path:%s";
    }
    if (!line) {
        CRegKey key;
        std::wstring fromRegistry;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Zorvex", 0, KEY_READ, key.Receive()) ==
                ERROR_SUCCESS &&
            ReadRegistryText(key.Get(), L"InstallPath", fromRegistry) && Exists(fromRegistry) &&
            Exists(fromRegistry + L"Config.exe")) {
            taken = fromRegistry;
            line = L"checke regedit soft install install path:%s";
        }
    }
    const std::wstring programs = folders(CSIDL_PROGRAM_FILES) + L"\\Zorvex\\";
    if (!line && Exists(programs) && Exists(programs + L"Config.exe")) {
        taken = programs;
        line = L"checke CSIDL_PROGRAM_FILES  install path.....:%s";
    }
    if (!line && Exists(fromIni)) {
        taken = fromIni;
        line = L"checke CSIDL_PROGRAM_FILESt install install path:%s";
    }
    if (!line) {
        taken = programs;
        line = L"Init install path end install path:%s";
    }
    m_strInstallRootPath = taken;
    m_strInstallPath = taken;
    WriteDiagnosticLog(line, m_strInstallPath.c_str());
}

void CBaseConfigure::ApplyFallbackFolder(const SpecialFolderSource& folders, const wchar_t* name,
                                         std::wstring& member, bool userPath) {
    const std::wstring appData = folders(CSIDL_APPDATA);
    const size_t slash = appData.rfind(L'\\');
    if (slash != std::wstring::npos) {
        const std::wstring parent = appData.substr(0, slash);
        if (Exists(parent + L"\\Local") && Exists(parent + L"\\LocalLow") && Exists(parent + L"\\Roaming")) {
            const std::wstring folder = parent + L"\\LocalLow" + L"\\" + name + L"\\";
            EnsureFolder(folder);
            member = folder;
            return;
        }
    }
    const std::wstring again = folders(CSIDL_APPDATA);
    if (again.empty())
        return;
    const std::wstring folder = again + L"\\" + name + L"\\";
    EnsureFolder(folder);
    member = folder;
    if (userPath)
        WriteDiagnosticLog(L"get user path  :%s", m_strCfgUserPath.c_str());
}

bool CBaseConfigure::CreateDirectoryChain(const std::wstring& path) noexcept {
    for (size_t i = 0; i < path.size(); ++i) {
        // A leading backslash has no folder before it: nothing to create there.
        if (path[i] != L'\\' || i == 0)
            continue;
        const std::wstring prefix = path.substr(0, i);
        if (PathFileExistsW(prefix.c_str()))
            continue;
        if (!CreateDirectoryW(prefix.c_str(), nullptr))
            return false;
    }
    return true;
}
