#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "services/DiagnosticLog.h"
#include "tests/common/TestEnv.h"

namespace {

using nudge::test::ReadFileBytes;
using nudge::test::WriteFileBytes;

const std::wstring kFolder = L"C:\\log";
const std::wstring kMarker = L"C:\\log\\ldrx.log";

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring OwnLogPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full = path;
    return L"C:\\log\\" + full.substr(full.rfind(L'\\') + 1) + L".txt";
}

// The bytes a line is stored as: UTF-16LE units, then CR and LF as 16-bit units.
std::string Units(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return out;
}
std::string Line(const std::wstring& text) {
    return Units(text) + Units(L"\r\n");
}
const std::string kBom = "\xFF\xFE";

// C:\log is shared by every test that logs: leave it as it was found.
class DiagnosticLog : public testing::Test {
protected:
    void SetUp() override {
        m_folderExisted = Exists(kFolder);
        CreateDirectoryW(kFolder.c_str(), nullptr);
        m_markerExisted = Exists(kMarker);
        DeleteFileW(m_log.c_str());
        SetMarker(true);
    }
    void TearDown() override {
        DeleteFileW(m_log.c_str());
        SetMarker(m_markerExisted);
        if (!m_folderExisted)
            RemoveDirectoryW(kFolder.c_str());
    }
    void SetMarker(bool on) {
        if (on) {
            if (!Exists(kMarker)) {
                ASSERT_TRUE(WriteFileBytes(kMarker, ""));
            }
        } else {
            DeleteFileW(kMarker.c_str());
        }
    }
    const std::wstring m_log = OwnLogPath();
    bool m_folderExisted = false;
    bool m_markerExisted = false;
};

TEST_F(DiagnosticLog, NewFileStartsWithByteOrderMarkAndStoresLinesUnchanged) {
    WriteDiagnosticLog(L"first");
    EXPECT_EQ(ReadFileBytes(m_log), kBom + Line(L"first"));
    WriteDiagnosticLog(L"currtimer = %d, vipexptimer =%d,sub= %d", 20433, 20430, 3);
    WriteDiagnosticLog(L"%s and %s", L"wide", L"\x4E2D\x6587");
    WriteDiagnosticLog(L"");
    WriteDiagnosticLog(L"a\rb\nc\r\n");
    EXPECT_EQ(ReadFileBytes(m_log), kBom + Line(L"first") +
                                        Line(L"currtimer = 20433, vipexptimer =20430,sub= 3") +
                                        Line(L"wide and \x4E2D\x6587") + Line(L"") + Line(L"a\rb\nc\r\n"));
}

TEST_F(DiagnosticLog, ExistingEmptyFileGetsNoByteOrderMark) {
    ASSERT_TRUE(WriteFileBytes(m_log, ""));
    WriteDiagnosticLog(L"x");
    EXPECT_EQ(ReadFileBytes(m_log), Line(L"x"));
}

TEST_F(DiagnosticLog, LongMessageIsCutAfter499Units) {
    std::wstring text;
    for (int i = 0; i < 600; ++i)
        text.push_back(static_cast<wchar_t>(L'a' + i % 26));
    WriteDiagnosticLog(L"%s", text.c_str());
    WriteDiagnosticLog(text.substr(0, 499).c_str());
    WriteDiagnosticLog(text.substr(0, 498).c_str());
    EXPECT_EQ(ReadFileBytes(m_log),
              kBom + Line(text.substr(0, 499)) + Line(text.substr(0, 499)) + Line(text.substr(0, 498)));
}

TEST_F(DiagnosticLog, WithoutMarkerNothingIsCreated) {
    SetMarker(false);
    WriteDiagnosticLog(L"dropped");
    EXPECT_FALSE(Exists(m_log));
    // Switching the marker on takes effect from the next line.
    SetMarker(true);
    WriteDiagnosticLog(L"kept");
    SetMarker(false);
    WriteDiagnosticLog(L"dropped");
    EXPECT_EQ(ReadFileBytes(m_log), kBom + Line(L"kept"));

    // Without the folder nothing brings it into being (only testable when no one else keeps files there).
    DeleteFileW(m_log.c_str());
    if (RemoveDirectoryW(kFolder.c_str())) {
        WriteDiagnosticLog(L"dropped");
        EXPECT_FALSE(Exists(kFolder));
        CreateDirectoryW(kFolder.c_str(), nullptr);
    }
}

TEST_F(DiagnosticLog, FileIsNamedAfterTheExecutable) {
    const std::wstring original = nudge::test::BinaryPath(L"tests\\spine\\spine_logwriter.exe");
    const std::wstring renamed = nudge::test::BinaryPath(L"tests\\spine\\Other Writer.exe");
    const std::wstring renamedLog = L"C:\\log\\Other Writer.exe.txt";
    const std::wstring originalLog = L"C:\\log\\spine_logwriter.exe.txt";
    DeleteFileW(renamedLog.c_str());
    DeleteFileW(originalLog.c_str());
    ASSERT_TRUE(CopyFileW(original.c_str(), renamed.c_str(), FALSE));

    auto run = nudge::test::RunProcess(L"\"" + renamed + L"\" one - \"two words\"");
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(ReadFileBytes(renamedLog), kBom + Line(L"one") + Line(L"") + Line(L"two words"));
    EXPECT_FALSE(Exists(originalLog));

    run = nudge::test::RunProcess(L"\"" + original + L"\" three");
    EXPECT_EQ(ReadFileBytes(originalLog), kBom + Line(L"three"));

    DeleteFileW(renamedLog.c_str());
    DeleteFileW(originalLog.c_str());
    DeleteFileW(renamed.c_str());
}

} // namespace
