// Nudgebox.exe /start against tools/hostsim in several host states, with the host's configuration in
// the prefix's real folders: the exit code and the exact trace in C:\log\Nudgebox.exe.txt.
#include "tests/common/TestEnv.h"
#include "tests/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

using namespace nudge::configtest;
namespace test = nudge::test;

namespace {

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

// The host stand-in, running until it is told to quit.
class HostSim {
public:
    explicit HostSim(const std::wstring& options) {
        m_strReady = Expand(L"{S}hostsim.ready");
        m_strQuit = Expand(L"{S}hostsim.quit");
        DeleteFileW(m_strReady.c_str());
        DeleteFileW(m_strQuit.c_str());
        std::wstring line = L"\"" + test::BinaryPath(L"tools\\hostsim\\hostsim.exe") + L"\" " + options +
                            L" --ready-file \"" + m_strReady + L"\" --quit-file \"" + m_strQuit +
                            L"\" --timeout 60";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::vector<wchar_t> buffer(line.begin(), line.end());
        buffer.push_back(L'\0');
        if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi))
            return;
        for (int i = 0; i < 400; ++i) {
            const std::string ready = test::ReadFileBytes(m_strReady);
            if (ready.find("ready") != std::string::npos) {
                m_bReady = true;
                break;
            }
            if (WaitForSingleObject(m_pi.hProcess, 25) == WAIT_OBJECT_0)
                break;
        }
    }
    ~HostSim() {
        if (m_pi.hProcess) {
            test::WriteFileBytes(m_strQuit, "quit");
            if (WaitForSingleObject(m_pi.hProcess, 10000) != WAIT_OBJECT_0)
                TerminateProcess(m_pi.hProcess, 1);
            CloseHandle(m_pi.hProcess);
            CloseHandle(m_pi.hThread);
        }
        DeleteFileW(m_strReady.c_str());
        DeleteFileW(m_strQuit.c_str());
    }
    HostSim(const HostSim&) = delete;
    HostSim& operator=(const HostSim&) = delete;
    bool Ready() const { return m_bReady; }

private:
    std::wstring m_strReady, m_strQuit;
    PROCESS_INFORMATION m_pi{};
    bool m_bReady = false;
};

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTree(kSandbox);
        RegistryGuard::RemoveKey();
        DeleteFileW(m_strExeIni.c_str());
        m_bMadeCommonFolder = !PathExists(m_strCommonFolder);
    }
    void TearDown() override {
        DeleteFileW(m_strCommonIni.c_str());
        if (m_bMadeCommonFolder)
            RemoveDirectoryW(m_strCommonFolder.c_str());
        RemoveTree(kSandbox);
    }

    // The host's tree in the sandbox, named by the host's common INI in the real program folder.
    void InstallHostTree(const std::string& history) {
        MakePath(Expand(L"{S}install\\Config.exe"), "MZ");
        MakePath(Expand(L"{S}root\\Config\\"));
        MakePath(Expand(L"{S}user\\"));
        MakePath(m_strCommonIni, "[Globals]\r\nInstallPath=" + Narrow(Expand(L"{S}install\\")) +
                                     "\r\nCfgRootPath=" + Narrow(Expand(L"{S}root\\")) +
                                     "\r\nCfgUserPath=" + Narrow(Expand(L"{S}user\\")) + "\r\n");
        MakePath(Expand(L"{S}root\\Config\\UseVestige.ini"), "[Vip]\r\n" + history);
    }

    test::ProcessResult RunNudgebox() {
        return test::RunProcess(L"\"" + test::BinaryPath(L"app\\Nudgebox.exe") + L"\" /start", 60000);
    }

    const std::wstring m_strCommonFolder = ShellFolder(CSIDL_PROGRAM_FILES_COMMON) + L"\\Zorvex";
    const std::wstring m_strCommonIni = m_strCommonFolder + L"\\Zorvex.ini";
    const std::wstring m_strExeIni = test::BinaryPath(L"app\\ZorvexInfo.ini");
    bool m_bMadeCommonFolder = false;
    RegistryGuard m_registry;
    FileGuard m_commonIni{ShellFolder(CSIDL_PROGRAM_FILES_COMMON) + L"\\Zorvex\\Zorvex.ini"};
    FileGuard m_exeIni{test::BinaryPath(L"app\\ZorvexInfo.ini")};
    LogCapture m_log{L"Nudgebox.exe"};
};

const std::vector<std::wstring> kConfigLines = {
    L"ure::Init....",
    L"Init install path start",
    L"get program files common szInstallRootPath:{S}install\\",
    L"checke config exe name: install path:{S}install\\",
    L"CBaseConfigure::InitSoftCfgRootPath().....m_strCfgRootPath:{S}root\\",
    L"ure::Init....",
};

std::wstring DayLine(int64_t now, int64_t expiry) {
    const int current = static_cast<int>(now / 86400);
    const int expiryDay = static_cast<int>(expiry / 86400);
    return L"currtimer = " + std::to_wstring(current) + L", vipexptimer =" + std::to_wstring(expiryDay) +
           L",sub= " + std::to_wstring(current - expiryDay);
}

TEST_F(EndToEndTest, HostStates) {
    struct Case {
        const char* name;
        const wchar_t* hostOptions; // null: no host running
        std::vector<std::wstring> decisionLines;
        bool lapsed; // the day-number line and the flag follow
    };
    const Case cases[] = {
        {"no host", nullptr, {L"not found zorvex."}, false},
        {"host window hidden", L"--window hidden,caption", {L"not found zorvex."}, false},
        {"host without caption, then a qualifying one",
         L"--window visible,nocaption --window visible,caption",
         {L"ZorvexUserInfoMemory vaild.", L"fuli .", L"fuli poped ."},
         false},
        {"signed out, benefit pressed today",
         L"--logged-in 0",
         {L"ZorvexUserInfoMemory vaild.", L"fuli .", L"fuli poped ."},
         false},
        {"host without section: created zero-filled, signed out",
         L"--no-section --logged-in 1 --active 1",
         {L"ZorvexUserInfoMemory vaild.", L"fuli .", L"fuli poped ."},
         false},
        {"active member",
         L"--logged-in 1 --active 1 --expiry now-30d",
         {L"ZorvexUserInfoMemory vaild."},
         false},
        {"lapsed member, notice consumed, offers pressed today",
         L"--logged-in 1 --active 0 --expiry now-3d",
         {L"ZorvexUserInfoMemory vaild.", L"not vip ."},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t before = static_cast<int64_t>(std::time(nullptr));
        const std::string today = std::to_string(before);
        InstallHostTree("lfl=" + today + "\r\nxf=" + today + "\r\ncz=" + today +
                        "\r\nIsFristPopNudgebox=0\r\n");
        m_log.Clear();

        test::ProcessResult result;
        {
            std::unique_ptr<HostSim> host;
            if (c.hostOptions) {
                host = std::make_unique<HostSim>(c.hostOptions);
                ASSERT_TRUE(host->Ready());
            }
            result = RunNudgebox();
        }
        const int64_t after = static_cast<int64_t>(std::time(nullptr));
        ASSERT_TRUE(result.started);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0u);

        std::vector<std::wstring> expected;
        for (const std::wstring& line : kConfigLines)
            expected.push_back(Expand(line));
        expected.insert(expected.end(), c.decisionLines.begin(), c.decisionLines.end());
        std::vector<std::wstring> lines = m_log.Lines();
        if (c.lapsed) {
            // hostsim took its "now" within the same window of time as the program's own clock.
            if (before / 86400 != after / 86400)
                continue;
            expected.push_back(DayLine(before, before - 3 * 86400));
            expected.push_back(L"vip timer out .");
        }
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(ReadIniValue(Expand(L"{S}install\\ZorvexInfo.ini"), L"AppInfo", L"CfgRootPath"),
                  Expand(L"{S}root\\"));
        EXPECT_EQ(ReadIniValue(Expand(L"{S}install\\ZorvexInfo.ini"), L"AppInfo", L"CfgUserPath"),
                  Expand(L"{S}user\\"));
        EXPECT_TRUE(PathExists(Expand(L"{S}root\\UseData\\")));
    }
}

// Nothing of the host's configuration exists: the shell's own folders decide, as on a bare machine.
TEST_F(EndToEndTest, BareMachineUsesTheProfileFallback) {
    const std::wstring appData = ShellFolder(CSIDL_APPDATA);
    ASSERT_FALSE(appData.empty());
    const std::wstring parent = appData.substr(0, appData.rfind(L'\\'));
    const bool lowLayout = PathExists(parent + L"\\Local") && PathExists(parent + L"\\LocalLow") &&
                           PathExists(parent + L"\\Roaming");
    const std::wstring base = lowLayout ? parent + L"\\LocalLow\\" : appData + L"\\";
    const std::wstring root = base + L"Zorvex\\";
    const std::wstring user = base + L"Zorvex.users\\";
    const bool rootExisted = PathExists(root);
    const bool userExisted = PathExists(user);
    const std::wstring programs = ShellFolder(CSIDL_PROGRAM_FILES) + L"\\Zorvex\\";
    ASSERT_FALSE(PathExists(programs + L"Config.exe"));

    const test::ProcessResult result = RunNudgebox();
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0u);

    std::vector<std::wstring> expected = {
        L"ure::Init....",
        L"Init install path start",
        L"get program files common szInstallRootPath:",
        L"Init install path end install path:" + programs,
        L"CBaseConfigure::InitSoftCfgRootPath().....not find error",
        L"CBaseConfigure::InitSoftCfgRootPath().....m_strCfgRootPath:",
    };
    if (!lowLayout)
        expected.push_back(L"get user path  :" + user);
    expected.push_back(L"ure::Init....");
    expected.push_back(L"not found zorvex.");
    EXPECT_EQ(m_log.Lines(), expected);
    EXPECT_TRUE(PathExists(root + L"UseData\\"));
    EXPECT_TRUE(PathExists(root + L"Config\\"));
    EXPECT_TRUE(PathExists(user));

    if (!rootExisted)
        RemoveTree(root);
    if (!userExisted)
        RemoveTree(user);
}

} // namespace
