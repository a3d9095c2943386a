#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/common/TestEnv.h"

namespace {

using nudge::test::BinaryPath;
using nudge::test::RunProcess;

const std::wstring kMarker = L"C:\\log\\ldrx.log";
const std::wstring kLog = L"C:\\log\\Nudgebox.exe.txt";

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The log switched on, so that a run that gets past the gate would leave a trace.
class Entry : public testing::Test {
protected:
    void SetUp() override {
        m_folderExisted = Exists(L"C:\\log");
        CreateDirectoryW(L"C:\\log", nullptr);
        m_markerExisted = Exists(kMarker);
        if (!m_markerExisted) {
            ASSERT_TRUE(nudge::test::WriteFileBytes(kMarker, ""));
        }
        DeleteFileW(kLog.c_str());
    }
    void TearDown() override {
        DeleteFileW(kLog.c_str());
        if (!m_markerExisted)
            DeleteFileW(kMarker.c_str());
        if (!m_folderExisted)
            RemoveDirectoryW(L"C:\\log");
    }
    const std::wstring m_exe = L"\"" + BinaryPath(L"app\\Nudgebox.exe") + L"\"";
    bool m_folderExisted = false;
    bool m_markerExisted = false;
};

TEST_F(Entry, WithoutTheSwitchExitsAtOnceLeavingNoTrace) {
    const wchar_t* argumentLists[] = {L"", L" start", L" -start", L" /started", L" --start", L" /star t"};
    for (const wchar_t* arguments : argumentLists) {
        const auto run = RunProcess(m_exe + arguments);
        ASSERT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut) << testing::PrintToString(std::wstring(arguments));
        EXPECT_EQ(run.exitCode, 0u) << testing::PrintToString(std::wstring(arguments));
        EXPECT_FALSE(Exists(kLog)) << testing::PrintToString(std::wstring(arguments));
    }
}

TEST_F(Entry, WithTheSwitchAndNoHostExitsZero) {
    const wchar_t* argumentLists[] = {L" /start", L" x /START y"};
    for (const wchar_t* arguments : argumentLists) {
        const auto run = RunProcess(m_exe + arguments);
        ASSERT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 0u) << testing::PrintToString(std::wstring(arguments));
        // Past the gate the run is traced, and without a host it ends after the lookup.
        const std::string log = nudge::test::ReadFileBytes(kLog);
        const std::string notFound("n\0o\0t\0 \0f\0o\0u\0n\0d\0 \0z\0o\0r\0v\0e\0x\0.\0\r\0\n\0", 38);
        EXPECT_NE(log.find(notFound), std::string::npos);
        EXPECT_EQ(log.size() - log.find(notFound), notFound.size()) << "nothing follows the lookup";
        DeleteFileW(kLog.c_str());
    }
}

} // namespace
