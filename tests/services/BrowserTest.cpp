// The browser launcher's routes under Wine, with a recording stand-in browser under known names, the
// "http" open command and Internet Explorer's App Paths key arranged in the prefix's registry (and put
// back afterwards), and Internet Explorer's own program file replaced by the stand-in for the duration.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>
#include <tlhelp32.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/HostWindow.h"
#include "app/PayPage.h"
#include "services/Browser.h"
#include "tests/common/TestEnv.h"

namespace {

using nudge::test::BinaryPath;
using nudge::test::ReadFileBytes;

const wchar_t kHttpCommandKey[] = L"http\\shell\\open\\command";
const wchar_t kIeAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";

std::optional<std::wstring> ReadString(HKEY root, const wchar_t* path, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    const LONG rc = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(buffer);
}

void WriteString(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::wstring ProgramFilesIe() {
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::wstring(folder) + L"\\Internet Explorer\\iexplore.exe";
}

std::wstring RecordOf(const std::wstring& program) {
    return program.substr(0, program.size() - 4) + L".record.txt";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    return lines;
}

std::string Utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}

std::vector<std::wstring> RunningKnownBrowsers() {
    std::vector<std::wstring> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return names;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        for (const wchar_t* known : kBrowserProcessNames) {
            if (lstrcmpiW(entry.szExeFile, known) == 0)
                names.push_back(entry.szExeFile);
        }
    }
    CloseHandle(snapshot);
    return names;
}

class BrowserRoutes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = BinaryPath(L"tests\\services\\browser-run");
        CreateDirectoryW(s_folder.c_str(), nullptr);
        const std::wstring fake = BinaryPath(L"tests\\fakes\\nudge_fake_browser.exe");
        for (const wchar_t* name : {L"Firefox.exe", L"chrome.exe", L"defaultbrowser.exe", L"ie_apppaths.exe"})
            CopyFileW(fake.c_str(), (s_folder + L"\\" + name).c_str(), FALSE);
        s_httpCommand = ReadString(HKEY_CLASSES_ROOT, kHttpCommandKey, nullptr);
        s_ieDefault = ReadString(HKEY_LOCAL_MACHINE, kIeAppPathsKey, nullptr);
        s_iePath = ReadString(HKEY_LOCAL_MACHINE, kIeAppPathsKey, L"Path");
        // Internet Explorer's file is Wine's own program: put the stand-in in its place, keeping the
        // original beside it (a backup left by an interrupted run is the original, so it is kept).
        const std::wstring ie = ProgramFilesIe();
        const std::wstring backup = ie + L".nudge-backup";
        if (GetFileAttributesW(backup.c_str()) == INVALID_FILE_ATTRIBUTES)
            MoveFileW(ie.c_str(), backup.c_str());
        CopyFileW(fake.c_str(), ie.c_str(), FALSE);
    }
    static void TearDownTestSuite() {
        const std::wstring ie = ProgramFilesIe();
        const std::wstring backup = ie + L".nudge-backup";
        if (GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES)
            MoveFileExW(backup.c_str(), ie.c_str(), MOVEFILE_REPLACE_EXISTING);
        DeleteFileW(RecordOf(ie).c_str());
        if (s_httpCommand)
            WriteString(HKEY_CLASSES_ROOT, kHttpCommandKey, nullptr, *s_httpCommand);
        RestoreAppPaths();
    }
    static void RestoreAppPaths() {
        if (s_ieDefault)
            WriteString(HKEY_LOCAL_MACHINE, kIeAppPathsKey, nullptr, *s_ieDefault);
        if (s_iePath)
            WriteString(HKEY_LOCAL_MACHINE, kIeAppPathsKey, L"Path", *s_iePath);
    }

    void SetUp() override {
        ASSERT_TRUE(WaitNoBrowsers());
        for (const std::wstring& record : AllRecords())
            DeleteFileW(record.c_str());
        SetHttpCommand(L"\"" + Program(L"defaultbrowser.exe") + L"\" \"%1\"");
        WriteString(HKEY_LOCAL_MACHINE, kIeAppPathsKey, nullptr, Program(L"ie_apppaths.exe"));
    }
    void TearDown() override {
        for (PROCESS_INFORMATION& pi : m_residents) {
            TerminateProcess(pi.hProcess, 0);
            WaitForSingleObject(pi.hProcess, 5000);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        m_residents.clear();
        EXPECT_TRUE(WaitNoBrowsers());
        RestoreAppPaths();
    }

    static std::wstring Program(const wchar_t* name) { return s_folder + L"\\" + name; }
    static std::vector<std::wstring> AllRecords() {
        return {RecordOf(Program(L"Firefox.exe")), RecordOf(Program(L"chrome.exe")),
                RecordOf(Program(L"defaultbrowser.exe")), RecordOf(Program(L"ie_apppaths.exe")),
                RecordOf(ProgramFilesIe())};
    }
    static void SetHttpCommand(const std::wstring& command) {
        WriteString(HKEY_CLASSES_ROOT, kHttpCommandKey, nullptr, command);
    }

    void StartResident(const wchar_t* name) {
        std::wstring line = L"\"" + Program(name) + L"\" --stay";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(
            CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        m_residents.push_back(pi);
    }

    // Every stand-in that was started has exited (a recording one lingers for a moment).
    static bool WaitNoBrowsers() {
        for (int i = 0; i < 200; ++i) {
            if (RunningKnownBrowsers().empty())
                return true;
            Sleep(50);
        }
        return false;
    }

    // The arguments the stand-in received (argv[0] first), and its command line in front; empty when
    // no record appeared in time.
    static std::vector<std::string> WaitForRecord(const std::wstring& program, DWORD timeoutMs = 15000) {
        const std::wstring record = RecordOf(program);
        for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
            if (GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES)
                return Lines(ReadFileBytes(record));
            Sleep(50);
        }
        return {};
    }
    // After the record of the route taken has appeared, no other stand-in got the URL.
    static void ExpectOnlyRecord(const std::wstring& program) {
        for (const std::wstring& record : AllRecords()) {
            if (record != RecordOf(program)) {
                EXPECT_EQ(GetFileAttributesW(record.c_str()), INVALID_FILE_ATTRIBUTES) << Utf8(record);
            }
        }
    }
    static void ExpectUrlArrived(const std::vector<std::string>& record, const std::wstring& url) {
        ASSERT_EQ(record.size(), 3u) << "command line, program and exactly one argument";
        EXPECT_EQ(record[2], Utf8(url)) << record[0];
    }

    static inline std::wstring s_folder;
    static inline std::optional<std::wstring> s_httpCommand, s_ieDefault, s_iePath;
    std::vector<PROCESS_INFORMATION> m_residents;
};

// Spaces and a quote, as a host's sign may bring: one argument all the same, the quote as %22.
const wchar_t kUrl[] = L"http://127.0.0.1:38517/pay/showpay?sign=ab cd\"ef --new-window x";
const wchar_t kUrlArrives[] = L"http://127.0.0.1:38517/pay/showpay?sign=ab cd%22ef --new-window x";

TEST_F(BrowserRoutes, RunningBrowserListedFirstBySnapshotGetsTheUrl) {
    StartResident(L"Firefox.exe");
    StartResident(L"chrome.exe");
    std::vector<std::wstring> running;
    for (int i = 0; i < 100 && running.size() < 2; ++i, Sleep(50))
        running = RunningKnownBrowsers();
    ASSERT_EQ(running.size(), 2u);
    // Whichever the snapshot lists first wins, not the table's order (chrome.exe comes first there).
    const std::wstring expected = Program(running[0].c_str());

    EXPECT_TRUE(OpenUrlInBrowser(kUrl));
    const std::vector<std::string> record = WaitForRecord(expected);
    ExpectUrlArrived(record, kUrlArrives);
    EXPECT_EQ(record[0], Utf8(L"\"" + expected + L"\" \"" + kUrlArrives + L"\""));
    ExpectOnlyRecord(expected);
}

TEST_F(BrowserRoutes, RunningBrowserWithUnreadablePathFallsToTheDefaultBrowser) {
    const BrowserProcessRecord unreadable{L"CHROME.EXE", L""};
    OpenUrlAfterBrowserSearch(kUrl, &unreadable);
    ExpectUrlArrived(WaitForRecord(Program(L"defaultbrowser.exe")), kUrlArrives);
    ExpectOnlyRecord(Program(L"defaultbrowser.exe"));
}

TEST_F(BrowserRoutes, DefaultBrowserRegisteredWithQuotesIsOpenedThroughTheShell) {
    EXPECT_TRUE(IsDefaultBrowserRegistered());
    const wchar_t plain[] = L"http://127.0.0.1:38517/pay/showpay?sign=Zm9v+YmFy/=";
    OpenUrlInBrowser(plain);
    ExpectUrlArrived(WaitForRecord(Program(L"defaultbrowser.exe")), plain);
    ExpectOnlyRecord(Program(L"defaultbrowser.exe"));
}

TEST_F(BrowserRoutes, UnquotedOpenCommandTakesTheInternetExplorerRoute) {
    // The first quoted text is the placeholder, which names no file: not registered.
    SetHttpCommand(Program(L"defaultbrowser.exe") + L" \"%1\"");
    EXPECT_FALSE(IsDefaultBrowserRegistered());
    OpenUrlInBrowser(kUrl);
    const std::vector<std::string> record = WaitForRecord(Program(L"ie_apppaths.exe"));
    ExpectUrlArrived(record, kUrlArrives);
    EXPECT_EQ(record[0], Utf8(L"\"" + Program(L"ie_apppaths.exe") + L"\" \"" + kUrlArrives + L"\""));
    ExpectOnlyRecord(Program(L"ie_apppaths.exe"));
}

TEST_F(BrowserRoutes, AppPathsNamingNoFileFallsToProgramFiles) {
    SetHttpCommand(L"nothing registered");
    WriteString(HKEY_LOCAL_MACHINE, kIeAppPathsKey, nullptr, Program(L"missing.exe"));
    OpenUrlInBrowser(kUrl);
    ExpectUrlArrived(WaitForRecord(ProgramFilesIe()), kUrlArrives);
    ExpectOnlyRecord(ProgramFilesIe());
}

TEST_F(BrowserRoutes, AppPathsKeyMissingUsesTheShellEvenWithIeOnDisk) {
    SetHttpCommand(Program(L"defaultbrowser.exe") + L" \"%1\"");
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, kIeAppPathsKey), ERROR_SUCCESS);
    std::wstring path;
    EXPECT_FALSE(FindInternetExplorer(path));
    OpenUrlInBrowser(kUrl);
    ExpectUrlArrived(WaitForRecord(Program(L"defaultbrowser.exe")), kUrlArrives);
    ExpectOnlyRecord(Program(L"defaultbrowser.exe"));
}

TEST_F(BrowserRoutes, ShellFailureStartsInternetExplorerOnTheWindowsDrive) {
    // Registered (the quoted text is an existing folder), but the program the shell would run is missing.
    SetHttpCommand(L"Z:\\nudge-no-such-folder\\nobrowser.exe \"" + s_folder + L"\" %1");
    EXPECT_TRUE(IsDefaultBrowserRegistered());
    OpenUrlInBrowser(kUrl);
    ExpectUrlArrived(WaitForRecord(ProgramFilesIe()), kUrlArrives);
    ExpectOnlyRecord(ProgramFilesIe());
}

TEST_F(BrowserRoutes, CommandLineThatDoesNotFitIsNotStarted) {
    StartResident(L"chrome.exe");
    ASSERT_TRUE([] {
        for (int i = 0; i < 100; ++i, Sleep(50))
            if (!RunningKnownBrowsers().empty())
                return true;
        return false;
    }());
    const std::wstring path = Program(L"chrome.exe");
    // Quotes, path, space and quoted URL: 999 characters fit, 1000 do not.
    const size_t room = kCommandLineCapacity - 1 - (path.size() + 3) - 2;
    const std::wstring fits = L"http://x/" + std::wstring(room - 9, L'a');
    OpenUrlInBrowser((fits + L"b").c_str());
    Sleep(1500);
    EXPECT_EQ(GetFileAttributesW(RecordOf(path).c_str()), INVALID_FILE_ATTRIBUTES);
    OpenUrlInBrowser(fits.c_str());
    ExpectUrlArrived(WaitForRecord(path), fits);
}

TEST(BrowserQuoting, OrdinaryUrlsStayUnchangedInsideTheQuotes) {
    struct Case {
        const wchar_t* url;
        const wchar_t* argument;
    } cases[] = {
        {L"http://h/p?sign=Zm9v+YmFy/=&a=%41", L"\"http://h/p?sign=Zm9v+YmFy/=&a=%41\""},
        {L"http://h/p?q=a b", L"\"http://h/p?q=a b\""},
        {L"http://h/p?q=\"x\"", L"\"http://h/p?q=%22x%22\""},
        {L"http://h/dir\\", L"\"http://h/dir\\\\\""}, // a closing backslash must not escape the quote
        {L"", L"\"\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuoteUrlArgument(c.url), c.argument);
}

class PayPageRoutes : public BrowserRoutes {};

TEST_F(PayPageRoutes, SignFromTheRecordOpensThePayPage) {
    EXPECT_EQ(BuildPayPageUrl(L"a b"), L"http://127.0.0.1:38517/pay/showpay?sign=a b");
    // No user-info record yet in this process, then an empty sign: nothing opens.
    OpenPayPage();
    OpenPayPageWithSign(L"");
    Sleep(1500);
    for (const std::wstring& record : AllRecords())
        EXPECT_EQ(GetFileAttributesW(record.c_str()), INVALID_FILE_ATTRIBUTES);

    // The host's section with a sign in code page 936 ("中文 token").
    HANDLE section =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65536, kUserInfoSectionName);
    ASSERT_NE(section, nullptr);
    auto* view = static_cast<char*>(MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, kUserInfoViewSize));
    ASSERT_NE(view, nullptr);
    std::memcpy(view + 20, "\xD6\xD0\xCE\xC4 token", 11);
    OpenUserInfoMemory();
    OpenPayPage();
    ExpectUrlArrived(WaitForRecord(Program(L"defaultbrowser.exe")),
                     L"http://127.0.0.1:38517/pay/showpay?sign=\x4E2D\x6587 token");
    UnmapViewOfFile(view);
    CloseHandle(section);
}

} // namespace
