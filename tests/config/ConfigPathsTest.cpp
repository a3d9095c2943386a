// Resolution of the host's configuration tree from real INI files, the real registry key and real
// folders in the Wine prefix; only where the shell's special folders point is handed in.
#include "services/BaseConfigure.h"
#include "tests/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace nudge::configtest;

namespace {

const std::string kAbsent = "<absent>";

SpecialFolderSource SandboxFolders(const std::wstring& appData) {
    const std::wstring expanded = Expand(appData);
    return [expanded](int csidl) -> std::wstring {
        switch (csidl) {
        case CSIDL_PROGRAM_FILES_COMMON:
            return Expand(L"{S}common");
        case CSIDL_PROGRAM_FILES:
            return Expand(L"{S}programs");
        case CSIDL_APPDATA:
            return expanded;
        default:
            return std::wstring();
        }
    };
}

std::vector<std::wstring> Expanded(const std::vector<std::wstring>& patterns) {
    std::vector<std::wstring> out;
    for (const std::wstring& p : patterns)
        out.push_back(Expand(p));
    return out;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

const std::wstring kBegin = L"ure::Init....";
const std::wstring kInstallStart = L"Init install path start";
std::wstring CommonInstall(const std::wstring& v) {
    return L"get program files common szInstallRootPath:" + v;
}
const std::wstring kNotFind = L"CBaseConfigure::InitSoftCfgRootPath().....not find error";
std::wstring RootLine(const std::wstring& root) {
    return L"CBaseConfigure::InitSoftCfgRootPath().....m_strCfgRootPath:" + root;
}

class ConfigPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTree(kSandbox);
        RegistryGuard::RemoveKey();
        DeleteFileW(m_strExeIni.c_str());
    }
    void TearDown() override { RemoveTree(kSandbox); }

    const std::wstring m_strExeIni = ProgramFolder() + L"ZorvexInfo.ini";
    RegistryGuard m_registry;
    FileGuard m_exeIni{ProgramFolder() + L"ZorvexInfo.ini"};
    LogCapture m_log;
};

TEST_F(ConfigPathsTest, ResolutionCases) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::wstring, std::string>> files; // a trailing backslash makes a folder
        const wchar_t* registry;                                 // "InstallPath", or null: no key
        std::wstring appData;
        std::string exeIni;
        bool priorRun; // resolve once before, as a previous run of the program would
        bool inWorkFolder;
        std::wstring install, root, user;
        bool rootFound, userFound;
        std::vector<std::wstring> lines;
        std::vector<std::wstring> created;
        std::vector<std::wstring> absent;
        std::wstring writeBack; // the install-folder INI that receives the paths; empty: none can
        const wchar_t* spreader;
    };
    const std::pair<std::wstring, std::string> local{L"{S}profile\\Local\\", ""};
    const std::pair<std::wstring, std::string> localLow{L"{S}profile\\LocalLow\\", ""};
    const std::pair<std::wstring, std::string> roaming{L"{S}profile\\Roaming\\", ""};
    const std::wstring appData = L"{S}profile\\Roaming";
    const std::wstring lowRoot = L"{S}profile\\LocalLow\\Zorvex\\";
    const std::wstring lowUser = L"{S}profile\\LocalLow\\Zorvex.users\\";
    const std::wstring programs = L"{S}programs\\Zorvex\\";
    const std::wstring installEnd = L"Init install path end install path:{S}programs\\Zorvex\\";

    const std::vector<Case> cases = {
        {"no sources, profile with LocalLow",
         {local, localLow, roaming},
         nullptr,
         appData,
         kAbsent,
         false,
         false,
         programs,
         lowRoot,
         lowUser,
         false,
         false,
         {kBegin, kInstallStart, CommonInstall(L""), installEnd, kNotFind, RootLine(L""), kBegin},
         {lowRoot, lowUser, lowRoot + L"UseData\\", lowRoot + L"Config\\"},
         {programs, L"{S}profile\\Roaming\\Zorvex\\"},
         L"",
         L"gf"},
        {"no sources, profile without LocalLow",
         {local, roaming},
         nullptr,
         appData,
         kAbsent,
         false,
         false,
         programs,
         L"{S}profile\\Roaming\\Zorvex\\",
         L"{S}profile\\Roaming\\Zorvex.users\\",
         false,
         false,
         {kBegin, kInstallStart, CommonInstall(L""), installEnd, kNotFind, RootLine(L""),
          L"get user path  :{S}profile\\Roaming\\Zorvex.users\\", kBegin},
         {L"{S}profile\\Roaming\\Zorvex\\UseData\\", L"{S}profile\\Roaming\\Zorvex\\Config\\",
          L"{S}profile\\Roaming\\Zorvex.users\\"},
         {L"{S}profile\\LocalLow\\"},
         L"",
         L"gf"},
        {"second run finds the written-back root in the install folder",
         {local, localLow, roaming, {programs + L"Config.exe", "MZ"}},
         nullptr,
         appData,
         kAbsent,
         true,
         false,
         programs,
         lowRoot,
         lowUser,
         true,
         false,
         {kBegin, kInstallStart, CommonInstall(L""),
          L"checke CSIDL_PROGRAM_FILES  install path.....:{S}programs\\Zorvex\\", RootLine(lowRoot), kBegin},
         {lowRoot + L"UseData\\", lowRoot + L"Config\\", lowUser},
         {},
         programs + L"ZorvexInfo.ini",
         L"gf"},
        {"common INI root without trailing backslash: plain concatenation",
         {local,
          localLow,
          roaming,
          {L"{S}data\\", ""},
          {L"{S}common\\Zorvex\\Zorvex.ini",
           "[Globals]\r\nCfgRootPath=" + Narrow(Expand(L"{S}data")) + "\r\n"}},
         nullptr,
         appData,
         kAbsent,
         false,
         false,
         programs,
         L"{S}data",
         lowUser,
         true,
         false,
         {kBegin, kInstallStart, CommonInstall(L""), installEnd, RootLine(L"{S}data"), kBegin},
         {L"{S}dataUseData\\", L"{S}dataConfig\\", lowUser},
         {L"{S}data\\UseData\\", L"{S}data\\Config\\", lowRoot},
         L"",
         L"gf"},
        {"install path without backslash fails the Config.exe test, taken in the last INI chance",
         {local,
          localLow,
          roaming,
          {L"{S}install\\Config.exe", "MZ"},
          {L"{S}common\\Zorvex\\Zorvex.ini",
           "[Globals]\r\nInstallPath=" + Narrow(Expand(L"{S}install")) + "\r\n"}},
         nullptr,
         appData,
         kAbsent,
         false,
         false,
         L"{S}install",
         lowRoot,
         lowUser,
         false,
         false,
         {kBegin, kInstallStart, CommonInstall(L"{S}install"),
          L"checke CSIDL_PROGRAM_FILESt install install path:{S}install", kNotFind, RootLine(L""), kBegin},
         {lowRoot + L"UseData\\", lowRoot + L"Config\\"},
         {},
         L"{S}installZorvexInfo.ini",
         L"gf"},
        {"registry folder without Config.exe is rejected",
         {local, localLow, roaming, {L"{S}regdir\\", ""}},
         L"{S}regdir\\",
         appData,
         kAbsent,
         false,
         false,
         programs,
         lowRoot,
         lowUser,
         false,
         false,
         {kBegin, kInstallStart, CommonInstall(L""), installEnd, kNotFind, RootLine(L""), kBegin},
         {},
         {L"{S}regdir\\ZorvexInfo.ini"},
         L"",
         L"gf"},
        {"registry folder with Config.exe is taken",
         {local, localLow, roaming, {L"{S}regdir\\Config.exe", "MZ"}, {programs + L"Config.exe", "MZ"}},
         L"{S}regdir\\",
         appData,
         kAbsent,
         false,
         false,
         L"{S}regdir\\",
         lowRoot,
         lowUser,
         false,
         false,
         {kBegin, kInstallStart, CommonInstall(L""), L"checke regedit soft install install path:{S}regdir\\",
          kNotFind, RootLine(L""), kBegin},
         {},
         {programs + L"ZorvexInfo.ini"},
         L"{S}regdir\\ZorvexInfo.ini",
         L"gf"},
        {"common INI names install folder, root and user path",
         {local,
          localLow,
          roaming,
          {L"{S}install\\Config.exe", "MZ"},
          {L"{S}install\\ZorvexInfo.ini", "[AppInfo]\r\nSpreader=qd7\r\n"},
          {L"{S}root\\", ""},
          {L"{S}user\\", ""},
          {L"{S}regdir\\Config.exe", "MZ"},
          {L"{S}common\\Zorvex\\Zorvex.ini", "[Globals]\r\nInstallPath=" + Narrow(Expand(L"{S}install\\")) +
                                                 "\r\nCfgRootPath=" + Narrow(Expand(L"{S}root\\")) +
                                                 "\r\nCfgUserPath=" + Narrow(Expand(L"{S}user\\")) + "\r\n"}},
         L"{S}regdir\\",
         appData,
         kAbsent,
         false,
         false,
         L"{S}install\\",
         L"{S}root\\",
         L"{S}user\\",
         true,
         true,
         {kBegin, kInstallStart, CommonInstall(L"{S}install\\"),
          L"checke config exe name: install path:{S}install\\", RootLine(L"{S}root\\"), kBegin},
         {L"{S}root\\UseData\\", L"{S}root\\Config\\"},
         {lowRoot, lowUser},
         L"{S}install\\ZorvexInfo.ini",
         L"qd7"},
        {"missing folders rejected; root and user from the program-folder INI",
         {local,
          localLow,
          roaming,
          {L"{S}root2\\", ""},
          {L"{S}user2\\", ""},
          {L"{S}common\\Zorvex\\Zorvex.ini", "[Globals]\r\nCfgRootPath=" + Narrow(Expand(L"{S}missing\\")) +
                                                 "\r\nCfgUserPath=" + Narrow(Expand(L"{S}missing\\")) +
                                                 "\r\n"}},
         nullptr,
         appData,
         "[AppInfo]\r\nCfgRootPath=" + Narrow(Expand(L"{S}root2\\")) +
             "\r\nCfgUserPath=" + Narrow(Expand(L"{S}user2\\")) + "\r\n",
         false,
         false,
         programs,
         L"{S}root2\\",
         L"{S}user2\\",
         true,
         true,
         {kBegin, kInstallStart, CommonInstall(L""), installEnd, RootLine(L"{S}root2\\"), kBegin},
         {L"{S}root2\\UseData\\", L"{S}root2\\Config\\"},
         {L"{S}missing\\", lowRoot, lowUser},
         L"",
         L"gf"},
        {"install-folder INI gives the root; the user path has no third source",
         {local,
          localLow,
          roaming,
          {programs + L"Config.exe", "MZ"},
          {L"{S}root3\\", ""},
          {L"{S}user3\\", ""},
          {programs + L"ZorvexInfo.ini", "[AppInfo]\r\nCfgRootPath=" + Narrow(Expand(L"{S}root3\\")) +
                                             "\r\nCfgUserPath=" + Narrow(Expand(L"{S}user3\\")) + "\r\n"}},
         nullptr,
         appData,
         kAbsent,
         false,
         false,
         programs,
         L"{S}root3\\",
         lowUser,
         true,
         false,
         {kBegin, kInstallStart, CommonInstall(L""),
          L"checke CSIDL_PROGRAM_FILES  install path.....:{S}programs\\Zorvex\\", RootLine(L"{S}root3\\"),
          kBegin},
         {L"{S}root3\\UseData\\", lowUser},
         {lowRoot},
         programs + L"ZorvexInfo.ini",
         L"gf"},
        {"no application-data folder: working folders relative to the current folder",
         {{L"{S}work\\", ""}},
         nullptr,
         L"",
         kAbsent,
         false,
         true,
         programs,
         L"",
         L"",
         false,
         false,
         {kBegin, kInstallStart, CommonInstall(L""), installEnd, kNotFind, RootLine(L""), kBegin},
         {L"{S}work\\UseData\\", L"{S}work\\Config\\"},
         {},
         L"",
         L"gf"},
    };

    wchar_t savedFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, savedFolder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(kSandbox);
        RegistryGuard::RemoveKey();
        DeleteFileW(m_strExeIni.c_str());
        MakePath(kSandbox);
        for (const auto& file : c.files)
            MakePath(Expand(file.first), file.second);
        if (c.registry)
            RegistryGuard::SetInstallPath(Expand(c.registry));
        if (c.exeIni != kAbsent)
            MakePath(m_strExeIni, c.exeIni);
        if (c.inWorkFolder)
            SetCurrentDirectoryW(Expand(L"{S}work").c_str());
        const SpecialFolderSource folders = SandboxFolders(c.appData);
        if (c.priorRun) {
            CBaseConfigure previous;
            EXPECT_TRUE(previous.InitSoftCfgRootPath(folders));
        }
        m_log.Clear();

        CBaseConfigure config;
        EXPECT_TRUE(config.InitSoftCfgRootPath(folders));
        SetCurrentDirectoryW(savedFolder);

        const std::wstring root = Expand(c.root);
        EXPECT_EQ(config.m_strInstallPath, Expand(c.install));
        EXPECT_EQ(config.m_strInstallRootPath, Expand(c.install));
        EXPECT_EQ(config.m_strCfgRootPath, root);
        EXPECT_EQ(config.m_strCfgUserPath, Expand(c.user));
        EXPECT_EQ(config.m_bCfgRootFound, c.rootFound);
        EXPECT_EQ(config.m_bCfgUserFound, c.userFound);
        EXPECT_EQ(config.m_strUseDataPath, root + L"UseData\\");
        EXPECT_EQ(config.m_strConfigIniPath, root + L"Config\\Config.ini");
        EXPECT_EQ(config.m_strRelatedIniPath, root + L"Config\\Related.ini");
        EXPECT_EQ(config.m_strUseVestigeIniPath, root + L"Config\\UseVestige.ini");
        EXPECT_EQ(config.m_strOperationDataIniPath, root + L"\\OperationData.ini");
        EXPECT_STREQ(config.m_szSpreader, c.spreader);
        EXPECT_EQ(m_log.Lines(), Expanded(c.lines));
        for (const std::wstring& folder : Expanded(c.created))
            EXPECT_TRUE(PathExists(folder)) << Narrow(folder);
        for (const std::wstring& path : Expanded(c.absent))
            EXPECT_FALSE(PathExists(path)) << Narrow(path);
        // Nothing of the tree lands in the install folder's INI unless it can be written.
        if (!c.writeBack.empty()) {
            EXPECT_EQ(ReadIniValue(Expand(c.writeBack), L"AppInfo", L"CfgRootPath"), root);
            EXPECT_EQ(ReadIniValue(Expand(c.writeBack), L"AppInfo", L"CfgUserPath"), Expand(c.user));
        }
        EXPECT_FALSE(PathExists(Expand(L"{S}programsZorvex\\")));
    }
}

TEST_F(ConfigPathsTest, ProcessScreenAndIdentifier) {
    MakePath(Expand(L"{S}profile\\Roaming\\"));
    CBaseConfigure fresh;
    EXPECT_TRUE(fresh.m_strProcessName.empty());
    EXPECT_EQ(fresh.m_szIdentifierText[0], '\0');
    EXPECT_EQ(fresh.m_szSpreader[0], L'\0');

    CBaseConfigure config;
    EXPECT_TRUE(config.InitSoftCfgRootPath(SandboxFolders(L"{S}profile\\Roaming")));
    EXPECT_EQ(config.m_strProcessName, Lower(ProgramFileName()));
    EXPECT_STREQ(config.m_szIdentifierText, "identifierBegin:abcdefghijklmnopqrstuvwxyz:identifierEnd");
    for (size_t i = 57; i < sizeof config.m_szIdentifierText; ++i)
        ASSERT_EQ(config.m_szIdentifierText[i], '\0') << i;
    EXPECT_GT(config.m_nScreenWidth, 0);
    EXPECT_GT(config.m_nScreenHeight, 0);
    EXPECT_GT(config.m_nWorkAreaWidth, 0);
    EXPECT_GT(config.m_nWorkAreaHeight, 0);
    EXPECT_LE(config.m_nWorkAreaLeft + config.m_nWorkAreaWidth, config.m_nScreenWidth);
    EXPECT_LE(config.m_nWorkAreaTop + config.m_nWorkAreaHeight, config.m_nScreenHeight);
}

// The registry value's type is not checked: a number is read as text and rejected for not existing.
TEST_F(ConfigPathsTest, RegistryValueOfAnotherType) {
    MakePath(Expand(L"{S}programs\\Zorvex\\Config.exe"), "MZ");
    MakePath(Expand(L"{S}profile\\Roaming\\"));
    RegistryGuard::SetInstallPathDword(0x00430043); // "CC" without a terminator
    CBaseConfigure config;
    EXPECT_TRUE(config.InitSoftCfgRootPath(SandboxFolders(L"{S}profile\\Roaming")));
    EXPECT_EQ(config.m_strInstallPath, Expand(L"{S}programs\\Zorvex\\"));
    const std::vector<std::wstring> lines = m_log.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[3], Expand(L"checke CSIDL_PROGRAM_FILES  install path.....:{S}programs\\Zorvex\\"));
}

TEST_F(ConfigPathsTest, CreateDirectoryChain) {
    struct Case {
        const char* name;
        std::wstring path;
        bool result;
        std::vector<std::wstring> created;
        std::vector<std::wstring> notCreated;
    };
    MakePath(Expand(L"{S}file.txt"), "x");
    const Case cases[] = {
        {"last part without backslash is not a folder",
         L"{S}a\\b\\c",
         true,
         {L"{S}a\\", L"{S}a\\b\\"},
         {L"{S}a\\b\\c"}},
        {"trailing backslash creates the last folder", L"{S}x\\y\\", true, {L"{S}x\\y\\"}, {}},
        {"existing folders are passed over", L"{S}a\\b\\d\\", true, {L"{S}a\\b\\d\\"}, {}},
        {"a file in the way stops the chain", L"{S}file.txt\\sub\\", false, {}, {L"{S}file.txt\\sub\\"}},
        {"no backslash: nothing to create", L"plain", true, {}, {L"plain"}},
        {"relative to the current folder", L"rel\\sub\\", true, {L"{S}rel\\sub\\"}, {}},
        {"relative to the current drive's root", L"\\nudgebox-config-test\\top\\", true, {L"{S}top\\"}, {}},
    };
    wchar_t savedFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, savedFolder);
    SetCurrentDirectoryW(kSandbox.c_str());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CBaseConfigure::CreateDirectoryChain(Expand(c.path)), c.result);
        for (const std::wstring& folder : c.created)
            EXPECT_TRUE(PathExists(Expand(folder))) << Narrow(Expand(folder));
        for (const std::wstring& folder : c.notCreated)
            EXPECT_FALSE(PathExists(Expand(folder))) << Narrow(Expand(folder));
    }
    SetCurrentDirectoryW(savedFolder);
}

} // namespace
