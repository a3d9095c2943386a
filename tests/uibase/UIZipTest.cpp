#include "ui/core/UIZip.h"

#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tamsk;
using nudge::test::ReadFileBytes;
using nudge::test::SourcePath;

namespace {

std::wstring Fixture(const std::wstring& name) {
    return SourcePath(L"tests\\uibase\\fixtures\\" + name);
}

std::string TreeFile(const std::wstring& name) {
    return ReadFileBytes(Fixture(L"tree\\" + name));
}

// Compares without printing megabytes of data on a mismatch.
testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual) {
    if (expected == actual) {
        return testing::AssertionSuccess();
    }
    size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) {
        ++i;
    }
    return testing::AssertionFailure() << "expected " << expected.size() << " bytes, got " << actual.size()
                                       << ", first difference at " << i;
}

struct Archive {
    HZIPUI zip = nullptr;
    ~Archive() {
        if (zip != nullptr) {
            ZipClose(zip);
        }
    }
};

// One whole-buffer extraction, the way the framework reads skin files.
std::string ExtractWhole(HZIPUI zip, const wchar_t* name, DWORD* result = nullptr) {
    int index = -1;
    TZipEntryUI entry;
    if (ZipFind(zip, name, true, &index, &entry) != ZipOk) {
        return "<not found>";
    }
    std::string data(entry.uncompressedSize, '\0');
    DWORD got = ZipExtract(zip, index, &data[0], entry.uncompressedSize);
    if (result != nullptr) {
        *result = got;
    }
    if (got != ZipOk && got != ZipMore) {
        return "<failed>";
    }
    return data;
}

TEST(ZipReader, ArchivesFromRealProducers) {
    const std::string xml = TreeFile(L"main_frame.xml");
    const std::string bg = TreeFile(L"skin1\\bg.png");
    const std::string close = TreeFile(L"close_normal.png");
    ASSERT_GT(bg.size(), 16384u) << "the big member must cross the 16 KiB input buffer";
    struct Case {
        const wchar_t* file;
        bool hasClose;
        const wchar_t* folder;
    } cases[] = {
        {L"stored.zip", true, L"skin1/"},   {L"deflated.zip", true, L"skin1/"},
        {L"comment.zip", false, L"skin1/"}, {L"pipe.zip", true, L"skin1/"},
        {L"upper.zip", false, L"SKIN1/"},   {L"python.zip", false, L"skin1/"},
        {L"stub.zip", true, L"skin1/"},
    };
    for (const auto& c : cases) {
        std::string bytes = ReadFileBytes(Fixture(c.file));
        ASSERT_FALSE(bytes.empty()) << testing::PrintToString(std::wstring(c.file));
        std::wstring path = Fixture(c.file);
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        Archive fromName, fromHandle, fromMemory;
        fromName.zip = ZipOpen(path.c_str(), 0, ZipSourceFileName);
        fromHandle.zip = ZipOpen(file, 0, ZipSourceHandle);
        CloseHandle(file); // the reader keeps a duplicate
        fromMemory.zip = ZipOpen(bytes.data(), static_cast<DWORD>(bytes.size()), ZipSourceMemory);
        for (HZIPUI zip : {fromName.zip, fromHandle.zip, fromMemory.zip}) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(c.file)));
            ASSERT_NE(nullptr, zip);
            DWORD result = 0;
            EXPECT_TRUE(SameBytes(xml, ExtractWhole(zip, L"main_frame.xml", &result)));
            EXPECT_EQ(static_cast<DWORD>(ZipMore), result) << "a full buffer reports ZipMore";
            EXPECT_TRUE(SameBytes(bg, ExtractWhole(zip, L"skin1\\bg.png"))) << "backslashes find slashes";
            EXPECT_TRUE(SameBytes(bg, ExtractWhole(zip, L"Skin1/BG.png"))) << "ASCII letters fold";
            if (c.hasClose) {
                EXPECT_TRUE(SameBytes(close, ExtractWhole(zip, L"close_normal.png")));
            }
            int index = -1;
            TZipEntryUI entry;
            ASSERT_EQ(static_cast<DWORD>(ZipOk), ZipFind(zip, c.folder, false, &index, &entry));
            EXPECT_EQ(index, entry.index);
            EXPECT_STREQ(c.folder, entry.name);
            EXPECT_NE(0u, entry.attributes & FILE_ATTRIBUTE_DIRECTORY);
            EXPECT_EQ(0u, entry.uncompressedSize);
            EXPECT_EQ(static_cast<DWORD>(ZipNotFound), ZipFind(zip, L"skin1", true, &index, &entry))
                << "a folder entry is compared as stored, slash included";
            EXPECT_EQ(-1, index);
            EXPECT_EQ(0u, entry.uncompressedSize);
            EXPECT_STREQ(L"", entry.name);
            ASSERT_EQ(static_cast<DWORD>(ZipOk), ZipFind(zip, L"MAIN_FRAME.XML", true, &index, &entry));
            EXPECT_STREQ(c.file == std::wstring(L"upper.zip") ? L"MAIN_FRAME.XML" : L"main_frame.xml",
                         entry.name);
            EXPECT_EQ(xml.size(), entry.uncompressedSize);
            EXPECT_EQ(static_cast<DWORD>(ZipNotFound),
                      ZipFind(zip,
                              c.file == std::wstring(L"upper.zip") ? L"main_frame.xml" : L"MAIN_FRAME.XML",
                              false, &index, &entry))
                << "without ignoreCase the comparison is exact";
        }
    }
}

TEST(ZipReader, PiecewiseExtraction) {
    const std::string bg = TreeFile(L"skin1\\bg.png");
    for (const wchar_t* file : {L"stored.zip", L"deflated.zip", L"pipe.zip"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(file)));
        Archive a;
        a.zip = ZipOpen(Fixture(file).c_str(), 0, ZipSourceFileName);
        ASSERT_NE(nullptr, a.zip);
        int index = -1;
        TZipEntryUI entry;
        ASSERT_EQ(static_cast<DWORD>(ZipOk), ZipFind(a.zip, L"skin1/bg.png", true, &index, &entry));
        std::string out;
        char piece[1000];
        DWORD result = ZipMore;
        int calls = 0;
        while (result == ZipMore && calls < 1000) {
            DWORD delivered = 0;
            result = ZipExtract(a.zip, index, piece, sizeof(piece), &delivered);
            out.append(piece, delivered);
            ++calls;
        }
        EXPECT_EQ(static_cast<DWORD>(ZipOk), result) << "the call after the last byte reports ZipOk";
        EXPECT_TRUE(SameBytes(bg, out));
        // A finished entry can be read again from the start.
        EXPECT_TRUE(SameBytes(bg, ExtractWhole(a.zip, L"skin1/bg.png")));
    }
}

TEST(ZipReader, EndRecordSearchAndResultCodes) {
    std::string base = ReadFileBytes(Fixture(L"deflated.zip"));
    std::string longTail = base + std::string(70000, 'c');
    std::string shortTail = base + std::string(60000, 'c');
    EXPECT_EQ(nullptr, ZipOpen(longTail.data(), static_cast<DWORD>(longTail.size()), ZipSourceMemory))
        << "an end record beyond the last 65,535 bytes is not found";
    Archive reachable;
    reachable.zip = ZipOpen(shortTail.data(), static_cast<DWORD>(shortTail.size()), ZipSourceMemory);
    ASSERT_NE(nullptr, reachable.zip);
    EXPECT_TRUE(SameBytes(TreeFile(L"main_frame.xml"), ExtractWhole(reachable.zip, L"main_frame.xml")));

    EXPECT_EQ(nullptr, ZipOpen(Fixture(L"missing.zip").c_str(), 0, ZipSourceFileName));
    EXPECT_EQ(nullptr, ZipOpen(Fixture(L"tree\\main_frame.xml").c_str(), 0, ZipSourceFileName));
    EXPECT_EQ(nullptr, ZipOpen(nullptr, 0, ZipSourceMemory));
    EXPECT_EQ(nullptr, ZipOpen(base.data(), static_cast<DWORD>(base.size()), 9));
    std::string endOnly = base.substr(base.size() - 22);
    EXPECT_EQ(nullptr, ZipOpen(endOnly.data(), static_cast<DWORD>(endOnly.size()), ZipSourceMemory))
        << "an end record at offset 0 fails the open";

    int index = 0;
    TZipEntryUI entry;
    char buffer[4];
    EXPECT_EQ(static_cast<DWORD>(ZipBadArgument), ZipFind(nullptr, L"a", true, &index, &entry));
    EXPECT_EQ(static_cast<DWORD>(ZipBadArgument), ZipExtract(nullptr, 0, buffer, 4));
    EXPECT_EQ(static_cast<DWORD>(ZipBadArgument), ZipClose(nullptr));
    alignas(16) char notAnArchive[256] = {};
    auto fake = reinterpret_cast<HZIPUI>(notAnArchive);
    EXPECT_EQ(static_cast<DWORD>(ZipBadHandle), ZipFind(fake, L"a", true, &index, &entry));
    EXPECT_EQ(static_cast<DWORD>(ZipBadHandle), ZipExtract(fake, 0, buffer, 4));
    EXPECT_EQ(static_cast<DWORD>(ZipBadHandle), ZipClose(fake));

    Archive a;
    a.zip = ZipOpen(base.data(), static_cast<DWORD>(base.size()), ZipSourceMemory);
    ASSERT_NE(nullptr, a.zip);
    EXPECT_EQ(static_cast<DWORD>(ZipNotFound), ZipFind(a.zip, L"absent.xml", true, &index, &entry));
    EXPECT_EQ(-1, index);
    std::wstring longName(256, L'a');
    EXPECT_EQ(static_cast<DWORD>(ZipNotFound), ZipFind(a.zip, longName.c_str(), true, &index, &entry));
    EXPECT_EQ(static_cast<DWORD>(ZipBadArgument), ZipExtract(a.zip, 99, buffer, 4));
    EXPECT_EQ(static_cast<DWORD>(ZipBadArgument), ZipExtract(a.zip, -1, buffer, 4));
}

TEST(ZipReader, DamagedMembersFailAtExtraction) {
    std::string base = ReadFileBytes(Fixture(L"deflated.zip"));
    Archive probe;
    probe.zip = ZipOpen(base.data(), static_cast<DWORD>(base.size()), ZipSourceMemory);
    ASSERT_NE(nullptr, probe.zip);
    int index = -1;
    TZipEntryUI entry;
    ASSERT_EQ(static_cast<DWORD>(ZipOk), ZipFind(probe.zip, L"skin1/bg.png", true, &index, &entry));
    // The member's data follows its local header; find it by its name.
    size_t local = base.find("PK\x03\x04");
    size_t name = base.find("skin1/bg.png");
    ASSERT_NE(std::string::npos, local);
    ASSERT_NE(std::string::npos, name);
    size_t data = name + 12 + static_cast<unsigned char>(base[name - 2]);

    std::string flipped = base;
    for (size_t i = data + 100; i < data + 400; ++i) {
        flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    }
    std::string badLocal = base;
    badLocal[name - 30] = 'X'; // the local header's signature
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {{"deflate data damaged", flipped}, {"local header damaged", badLocal}};
    for (const auto& c : cases) {
        Archive a;
        a.zip = ZipOpen(c.bytes.data(), static_cast<DWORD>(c.bytes.size()), ZipSourceMemory);
        ASSERT_NE(nullptr, a.zip) << c.what;
        std::string out(entry.uncompressedSize, '\0');
        DWORD result = ZipMore;
        for (int calls = 0; result == ZipMore && calls < 10; ++calls) {
            result = ZipExtract(a.zip, index, &out[0], static_cast<DWORD>(out.size()));
        }
        EXPECT_NE(static_cast<DWORD>(ZipOk), result) << c.what << ": damage must not pass as a good read";
        EXPECT_NE(static_cast<DWORD>(ZipMore), result) << c.what;
    }
}

} // namespace
