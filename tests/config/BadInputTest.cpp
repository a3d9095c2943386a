// Seeded mutated inputs for what the host and other processes can leave in the INI files and the
// user-info record: no crash, no hang, and the documented fallbacks.
#include "app/PopConfigure.h"
#include "tests/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <chrono>
#include <cwchar>
#include <random>
#include <string>

using namespace nudge::configtest;

namespace {

constexpr int64_t kDay = 86400;
const std::wstring kHistory = L"{S}root\\Config\\UseVestige.ini";

// A few seconds at most, whatever the machine.
class Budget {
public:
    explicit Budget(int seconds) : m_end(std::chrono::steady_clock::now() + std::chrono::seconds(seconds)) {}
    bool Left() const { return std::chrono::steady_clock::now() < m_end; }

private:
    std::chrono::steady_clock::time_point m_end;
};

// Texts that look like stamps, paths or INI syntax, mutated: signs, spaces, digits far beyond 32 bits,
// separators, control bytes and lines longer than the 260-character buffers.
std::string MutatedValue(std::mt19937& rng, bool pathSafe) {
    static const char digitsAndSigns[] = "0123456789+- \t";
    static const char junk[] = "0123456789+-xX \t=[];#abcZ\x01\x7f\xa0\xe9";
    std::uniform_int_distribution<int> kind(0, 5);
    std::string value;
    switch (kind(rng)) {
    case 0:
        break; // empty
    case 1: {
        std::uniform_int_distribution<int> length(1, 12);
        std::uniform_int_distribution<size_t> pick(0, sizeof digitsAndSigns - 2);
        for (int i = length(rng); i > 0; --i)
            value += digitsAndSigns[pick(rng)];
        break;
    }
    case 2: {
        std::uniform_int_distribution<int> length(200, 3000);
        std::uniform_int_distribution<int> digit('0', '9');
        value = (rng() & 1) ? "-" : "";
        for (int i = length(rng); i > 0; --i)
            value += static_cast<char>(digit(rng));
        break;
    }
    case 3: {
        std::uniform_int_distribution<int> length(1, 40);
        std::uniform_int_distribution<size_t> pick(0, sizeof junk - 2);
        for (int i = length(rng); i > 0; --i)
            value += junk[pick(rng)];
        break;
    }
    case 4:
        value = std::to_string(static_cast<int64_t>(rng()) * ((rng() & 1) ? 1 : -1));
        break;
    default: {
        std::uniform_int_distribution<int> length(250, 1200);
        value.assign(static_cast<size_t>(length(rng)), static_cast<char>('a' + rng() % 26));
        break;
    }
    }
    if (pathSafe) {
        // Nothing that could name a folder outside the sandbox.
        for (char& c : value)
            if (c == '\\' || c == '/' || c == ':' || c == '.')
                c = '_';
    }
    return value;
}

std::string MutatedIni(std::mt19937& rng, const char* section, const char* const* keys, size_t keyCount,
                       bool pathSafe) {
    std::string text;
    if (rng() % 8 == 0)
        text += "\xEF\xBB\xBF";
    std::uniform_int_distribution<int> lines(0, 8);
    for (int i = lines(rng); i > 0; --i) {
        switch (rng() % 6) {
        case 0:
            text += std::string("[") + section + "]";
            break;
        case 1:
            text += "[" + MutatedValue(rng, true) + "]";
            break;
        case 2:
            text += MutatedValue(rng, pathSafe);
            break;
        default:
            text += std::string(keys[rng() % keyCount]) + ((rng() & 1) ? "=" : " = ") +
                    MutatedValue(rng, pathSafe);
            break;
        }
        text += (rng() % 5 == 0) ? "\n" : "\r\n";
    }
    if (rng() & 1)
        text = std::string("[") + section + "]\r\n" + text;
    return text;
}

// The decision's rules restated in 64-bit arithmetic, independent of the program's helpers.
int64_t ReferenceParse(const std::wstring& text) {
    long value = std::wcstol(text.c_str(), nullptr, 10); // a 32-bit long on Windows: saturates
    return value;
}
int64_t ReferenceDay(const std::wstring& stamp) {
    return static_cast<int64_t>(static_cast<uint32_t>(ReferenceParse(stamp))) / kDay;
}

class BadInputTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveTree(kSandbox); }
    void TearDown() override { RemoveTree(kSandbox); }
};

TEST_F(BadInputTest, StampParsingMatchesTheRuntime) {
    std::mt19937 rng(20261211);
    Budget budget(3);
    static const wchar_t alphabet[] = L"0123456789+- \t\r\nxX";
    for (int i = 0; i < 20000 && budget.Left(); ++i) {
        std::wstring text;
        for (int n = static_cast<int>(rng() % 24); n > 0; --n)
            text += alphabet[rng() % (sizeof alphabet / sizeof alphabet[0] - 1)];
        ASSERT_EQ(ParseDecimalInt32(text.c_str()), ReferenceParse(text)) << Narrow(text);
    }
}

TEST_F(BadInputTest, PopHistoryAndRecordAgainstAReferenceModel) {
    std::mt19937 rng(7351);
    Budget budget(4);
    LogCapture log; // the decision's lines must stay writable whatever the inputs
    HostStandIn host;
    host.SetWindow(HostWindowState::Visible);
    static const char* const keys[] = {"xf", "cz", "lfl", "IsFristPopNudgebox"};
    MakePath(Expand(L"{S}root\\Config\\"));
    int runs = 0;
    for (; runs < 3000 && budget.Left(); ++runs) {
        const std::string ini = MutatedIni(rng, "Vip", keys, 4, false);
        MakePath(Expand(kHistory), ini);
        const int32_t loggedIn = (rng() % 3 == 0) ? 0 : static_cast<int32_t>(rng());
        const int32_t vipActive = (rng() % 2 == 0) ? 0 : static_cast<int32_t>(rng());
        const int64_t now = 946684800 + static_cast<int64_t>(rng() % (40u * 365 * 86400));
        const uint32_t expiry = (rng() % 2) ? static_cast<uint32_t>(rng())
                                            : static_cast<uint32_t>(now + (int64_t(rng() % 21) - 10) * kDay);
        host.PublishRecord(loggedIn, expiry, vipActive);

        CPopConfigure config;
        config.m_strCfgRootPath = Expand(L"{S}root\\");
        config.LoadPopHistory();
        for (const std::wstring* stamp :
             {&config.m_strRenewClickTime, &config.m_strUpgradeClickTime, &config.m_strBenefitClickTime})
            ASSERT_LT(stamp->size(), static_cast<size_t>(MAX_PATH)) << ini;
        const std::wstring flagText = ReadIniValue(Expand(kHistory), L"Vip", L"IsFristPopNudgebox", L"1");

        const int64_t today = now / kDay;
        PopupVariant expected = PopupVariant::None;
        bool reachesFlag = false;
        if (loggedIn == 0) {
            if (today - ReferenceDay(config.m_strBenefitClickTime) >= 3)
                expected = PopupVariant::Benefit;
        } else if (vipActive == 0 && today - static_cast<int64_t>(expiry / kDay) > 0) {
            reachesFlag = true;
            if (ReferenceParse(flagText.substr(0, MAX_PATH - 1)) != 0)
                expected = PopupVariant::Renewal;
            else if (today - ReferenceDay(config.m_strUpgradeClickTime) >= 7 ||
                     today - ReferenceDay(config.m_strRenewClickTime) >= 7)
                expected = PopupVariant::Upgrade;
        }
        ASSERT_EQ(static_cast<int>(DecidePopupVariant(config, now)), static_cast<int>(expected))
            << "run " << runs << ", history:\n"
            << ini;
        if (reachesFlag) {
            ASSERT_EQ(ReadIniValue(Expand(kHistory), L"Vip", L"IsFristPopNudgebox"), L"0") << ini;
        }
        log.Clear();
    }
    EXPECT_GT(runs, 50);
}

TEST_F(BadInputTest, HostIniFilesWithGarbage) {
    std::mt19937 rng(99);
    Budget budget(4);
    LogCapture log;
    FileGuard exeIni(ProgramFolder() + L"ZorvexInfo.ini");
    static const char* const globals[] = {"InstallPath", "CfgRootPath", "CfgUserPath"};
    static const char* const appInfo[] = {"CfgRootPath", "CfgUserPath", "Spreader"};
    wchar_t savedFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, savedFolder);
    int runs = 0;
    for (; runs < 400 && budget.Left(); ++runs) {
        RemoveTree(kSandbox);
        MakePath(Expand(L"{S}work\\"));
        MakePath(Expand(L"{S}profile\\Roaming\\"));
        if (rng() & 1) {
            MakePath(Expand(L"{S}profile\\Local\\"));
            MakePath(Expand(L"{S}profile\\LocalLow\\"));
        }
        const bool installed = rng() & 1;
        if (installed)
            MakePath(Expand(L"{S}programs\\Zorvex\\Config.exe"), "MZ");
        const std::string common = MutatedIni(rng, "Globals", globals, 3, true);
        const std::string program = MutatedIni(rng, "AppInfo", appInfo, 3, true);
        MakePath(Expand(L"{S}common\\Zorvex\\Zorvex.ini"), common);
        MakePath(ProgramFolder() + L"ZorvexInfo.ini", program);
        if (installed)
            MakePath(Expand(L"{S}programs\\Zorvex\\ZorvexInfo.ini"),
                     MutatedIni(rng, "AppInfo", appInfo, 3, true));
        // Relative garbage resolves against the sandbox, never against the test's own folder.
        SetCurrentDirectoryW(Expand(L"{S}work").c_str());

        CBaseConfigure config;
        const bool result = config.InitSoftCfgRootPath([](int csidl) -> std::wstring {
            switch (csidl) {
            case CSIDL_PROGRAM_FILES_COMMON:
                return Expand(L"{S}common");
            case CSIDL_PROGRAM_FILES:
                return Expand(L"{S}programs");
            case CSIDL_APPDATA:
                return Expand(L"{S}profile\\Roaming");
            default:
                return std::wstring();
            }
        });
        SetCurrentDirectoryW(savedFolder);
        ASSERT_TRUE(result);
        const std::string context =
            "run " + std::to_string(runs) + "\ncommon:\n" + common + "\nprogram:\n" + program;
        // Garbage names nothing that exists, so every path comes from the sandbox's own fallbacks.
        ASSERT_FALSE(config.m_bCfgRootFound) << context;
        ASSERT_FALSE(config.m_bCfgUserFound) << context;
        ASSERT_EQ(config.m_strInstallPath, Expand(L"{S}programs\\Zorvex\\")) << context;
        ASSERT_TRUE(PathExists(config.m_strCfgRootPath + L"Config\\")) << context;
        ASSERT_LT(wcslen(config.m_szSpreader), static_cast<size_t>(MAX_PATH));
        if (installed) {
            ASSERT_EQ(
                ReadIniValue(Expand(L"{S}programs\\Zorvex\\ZorvexInfo.ini"), L"AppInfo", L"CfgRootPath"),
                config.m_strCfgRootPath)
                << context;
        }
        log.Clear();
    }
    EXPECT_GT(runs, 20);
}

} // namespace
