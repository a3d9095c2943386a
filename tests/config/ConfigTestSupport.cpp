#include "tests/config/ConfigTestSupport.h"

#include "tests/common/TestEnv.h"

#include <shlwapi.h>

namespace nudge::configtest {

namespace {

constexpr wchar_t kLogFolder[] = L"C:\\log\\";
constexpr wchar_t kMarker[] = L"C:\\log\\ldrx.log";
constexpr wchar_t kHostKey[] = L"SOFTWARE\\Zorvex";
constexpr wchar_t kSectionName[] = L"Local\\ZorvexUserInfo_MappingObject";
constexpr wchar_t kHostClass[] = L"Zorvex_WidgetWin_0";

} // namespace

void RemoveTree(const std::wstring& path) {
    std::wstring folder = path;
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(folder.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..")
                RemoveTree(folder + L"\\" + name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

void MakePath(const std::wstring& path, const std::string& text) {
    for (size_t i = 3; i < path.size(); ++i) {
        if (path[i] == L'\\')
            CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
    if (!path.empty() && path.back() != L'\\')
        test::WriteFileBytes(path, text);
}

bool PathExists(const std::wstring& path) {
    return PathFileExistsW(path.c_str()) != FALSE;
}

std::wstring Expand(const std::wstring& pattern) {
    std::wstring out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.compare(i, 3, L"{S}") == 0) {
            out += kSandbox;
            i += 2;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring ReadIniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                          const wchar_t* fallback) {
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section, key, fallback, value, 1024, file.c_str());
    return value;
}

std::wstring ProgramFileName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring full = path;
    return full.substr(full.rfind(L'\\') + 1);
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring full = path;
    return full.substr(0, full.rfind(L'\\') + 1);
}

LogCapture::LogCapture(const std::wstring& programFileName) {
    m_strLogFile =
        std::wstring(kLogFolder) + (programFileName.empty() ? ProgramFileName() : programFileName) + L".txt";
    if (!PathExists(kLogFolder)) {
        CreateDirectoryW(kLogFolder, nullptr);
        m_bMadeFolder = true;
    }
    if (!PathExists(kMarker)) {
        test::WriteFileBytes(kMarker, "");
        m_bMadeMarker = true;
    }
    Clear();
}

LogCapture::~LogCapture() {
    Clear();
    if (m_bMadeMarker)
        DeleteFileW(kMarker);
    if (m_bMadeFolder)
        RemoveDirectoryW(kLogFolder);
}

void LogCapture::Clear() const {
    DeleteFileW(m_strLogFile.c_str());
}

std::string LogCapture::Bytes() const {
    return test::ReadFileBytes(m_strLogFile);
}

std::vector<std::wstring> LogCapture::Lines() const {
    const std::string bytes = Bytes();
    std::wstring text;
    size_t start = 0;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        start = 2;
    for (size_t i = start; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    std::vector<std::wstring> lines;
    size_t pos = 0;
    for (;;) {
        const size_t end = text.find(L"\r\n", pos);
        if (end == std::wstring::npos)
            break;
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    if (pos < text.size())
        lines.push_back(L"<unterminated>" + text.substr(pos));
    return lines;
}

RegistryGuard::RegistryGuard() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kHostKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    m_bKeyExisted = true;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, L"InstallPath", nullptr, &m_nType, nullptr, &bytes) == ERROR_SUCCESS) {
        m_value.resize(bytes);
        if (RegQueryValueExW(key, L"InstallPath", nullptr, &m_nType, m_value.data(), &bytes) == ERROR_SUCCESS)
            m_bValueExisted = true;
    }
    RegCloseKey(key);
}

RegistryGuard::~RegistryGuard() {
    if (!m_bKeyExisted) {
        RemoveKey();
        return;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kHostKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (m_bValueExisted)
        RegSetValueExW(key, L"InstallPath", 0, m_nType, m_value.data(), static_cast<DWORD>(m_value.size()));
    else
        RegDeleteValueW(key, L"InstallPath");
    RegCloseKey(key);
}

void RegistryGuard::SetInstallPath(const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kHostKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void RegistryGuard::SetInstallPathDword(DWORD value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kHostKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"InstallPath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void RegistryGuard::RemoveKey() {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kHostKey);
}

FileGuard::FileGuard(std::wstring path) : m_strPath(std::move(path)) {
    m_bExisted = PathExists(m_strPath);
    if (m_bExisted)
        m_bytes = test::ReadFileBytes(m_strPath);
}

FileGuard::~FileGuard() {
    if (m_bExisted)
        test::WriteFileBytes(m_strPath, m_bytes);
    else
        DeleteFileW(m_strPath.c_str());
}

HostStandIn::HostStandIn() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostClass;
    RegisterClassW(&wc);
}

HostStandIn::~HostStandIn() {
    SetWindow(HostWindowState::Missing);
    WithdrawSection();
}

void HostStandIn::SetWindow(HostWindowState state) {
    if (m_hWnd) {
        DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
    if (state == HostWindowState::Missing)
        return;
    const DWORD style = WS_OVERLAPPEDWINDOW | (state == HostWindowState::Visible ? WS_VISIBLE : 0);
    m_hWnd = CreateWindowExW(0, kHostClass, L"Zorvex", style, 0, 0, 200, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
}

void HostStandIn::PublishRecord(int32_t loggedIn, uint32_t vipExpiry, int32_t vipActive) {
    if (!m_hSection) {
        m_hSection = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 1024, kSectionName);
        if (m_hSection)
            m_pView = MapViewOfFile(m_hSection, FILE_MAP_ALL_ACCESS, 0, 0, 1024);
    }
    if (!m_pView)
        return;
    auto* bytes = static_cast<unsigned char*>(m_pView);
    ZeroMemory(bytes, 1024);
    CopyMemory(bytes + 4, &loggedIn, 4);
    CopyMemory(bytes + 8, &vipExpiry, 4);
    CopyMemory(bytes + 16, &vipActive, 4);
}

void HostStandIn::WithdrawSection() {
    if (m_pView)
        UnmapViewOfFile(m_pView);
    if (m_hSection)
        CloseHandle(m_hSection);
    m_pView = nullptr;
    m_hSection = nullptr;
}

} // namespace nudge::configtest
