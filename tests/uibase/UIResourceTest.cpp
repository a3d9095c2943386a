// The resource settings are process-wide: the tests of this program run in order and each sets what it
// relies on.
#include "ui/core/UIResource.h"

#include "ui/core/UIMarkup.h"

#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

using namespace Tamsk;
using nudge::test::BinaryPath;
using nudge::test::ReadFileBytes;
using nudge::test::SourcePath;
using nudge::test::WriteFileBytes;

namespace {

std::wstring FixtureFolder() {
    return SourcePath(L"tests\\uibase\\fixtures\\");
}

std::string TreeFile(const std::wstring& name) {
    return ReadFileBytes(FixtureFolder() + L"tree\\" + name);
}

// Reads through the skin resources; "" on success, else the message.
std::wstring Read(const wchar_t* name, std::string* bytes = nullptr) {
    CByteBufferUI buffer;
    const wchar_t* message = ReadSkinFile(name, buffer);
    if (message != nullptr) {
        EXPECT_EQ(0u, buffer.Size());
        return message;
    }
    if (bytes != nullptr) {
        bytes->assign(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
    }
    return L"";
}

std::wstring LoadMessage(const wchar_t* name) {
    CXmlMarkup xml;
    if (xml.LoadFromSkinFile(name, XmlEncodingUtf8)) {
        return xml.RootNode().Exists() ? std::wstring(L"ok:") + xml.RootNode().TagName() : L"ok";
    }
    EXPECT_STREQ(L"", xml.LastErrorLocation());
    return xml.LastError();
}

TEST(SkinResources, InstanceAndFolderSettings) {
    EXPECT_EQ(nullptr, AppInstance());
    EXPECT_TRUE(InstanceFolder().IsBlank());
    HINSTANCE self = GetModuleHandleW(nullptr);
    SetAppInstance(self);
    EXPECT_EQ(self, AppInstance());
    EXPECT_EQ(self, ResourceModule()) << "the resource module falls back to the instance";
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    std::wstring exe = path;
    EXPECT_EQ(exe.substr(0, exe.rfind(L'\\') + 1), InstanceFolder().Text());
    HINSTANCE kernel = GetModuleHandleW(L"kernel32.dll");
    SetResourceModule(kernel);
    EXPECT_EQ(kernel, ResourceModule());
    SetResourceModule(nullptr);

    SetResourceFolder(L"C:\\skins");
    EXPECT_STREQ(L"C:\\skins\\", ResourceFolder().Text());
    SetResourceFolder(L"C:/skins/");
    EXPECT_STREQ(L"C:/skins/", ResourceFolder().Text());
    SetResourceFolder(L"");
    EXPECT_STREQ(L"", ResourceFolder().Text());
    EXPECT_TRUE(SkinArchiveName().IsBlank());
    EXPECT_FALSE(IsArchiveKeptOpen());

    CByteBufferUI bytes;
    EXPECT_FALSE(ReadModuleResource(L"SKINDATA", L"ZIPRES", bytes));
}

TEST(SkinResources, FolderMode) {
    std::wstring folder = BinaryPath(L"tests\\uibase\\folder-mode");
    CreateDirectoryW(BinaryPath(L"tests\\uibase").c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\empty.xml", ""));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\limit.xml", std::string(4194304, ' ')));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\big.xml", std::string(4194305, ' ')));
    SetSkinArchive(L"", false);

    SetResourceFolder((FixtureFolder() + L"tree").c_str());
    std::string xml;
    EXPECT_EQ(L"", Read(L"main_frame.xml", &xml));
    EXPECT_EQ(TreeFile(L"main_frame.xml"), xml);
    EXPECT_EQ(L"ok:Window", LoadMessage(L"main_frame.xml"));
    EXPECT_EQ(L"", Read(L"skin1\\bg.png"));

    SetResourceFolder(folder.c_str());
    struct Case {
        const wchar_t* name;
        const wchar_t* message;
    } cases[] = {
        {L"missing.xml", L"Error opening file"},
        {L"empty.xml", L"File is empty"},
        {L"big.xml", L"File too large"},
        {L"limit.xml", L"ok"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.message, LoadMessage(c.name)) << testing::PrintToString(std::wstring(c.name));
    }
    EXPECT_EQ(L"Error opening file", Read(MAKEINTRESOURCEW(101))) << "a resource number is not a file name";
}

TEST(SkinResources, ArchiveModeOpenedPerRead) {
    SetResourceFolder(FixtureFolder().c_str());
    SetSkinArchive(L"upper.zip", false);
    EXPECT_STREQ(L"upper.zip", SkinArchiveName().Text());
    EXPECT_FALSE(IsArchiveKeptOpen());
    EXPECT_EQ(nullptr, KeptArchive());
    std::string xml;
    EXPECT_EQ(L"", Read(L"main_frame.xml", &xml)) << "main_frame.xml finds MAIN_FRAME.XML";
    EXPECT_EQ(TreeFile(L"main_frame.xml"), xml);
    EXPECT_EQ(L"ok:Window", LoadMessage(L"main_frame.xml"));
    std::string bg;
    EXPECT_EQ(L"", Read(L"skin1\\bg.png", &bg));
    EXPECT_TRUE(bg == TreeFile(L"skin1\\bg.png"));

    struct Case {
        const wchar_t* archive;
        const wchar_t* name;
        const wchar_t* message;
    } cases[] = {
        {L"upper.zip", L"absent.xml", L"Could not find ziped file"},
        {L"python.zip", L"empty.txt", L"File is empty"},
        {L"python.zip", L"skin1/", L"File is empty"},
        {L"limits.zip", L"big.xml", L"File too large"},
        {L"limits.zip", L"limit.xml", L"ok"},
        {L"missing.zip", L"main_frame.xml", L"Error opening zip file"},
        {L"tree\\main_frame.xml", L"main_frame.xml", L"Error opening zip file"},
        {L"pipe.zip", L"main_frame.xml", L"ok:Window"},
        {L"stored.zip", L"main_frame.xml", L"ok:Window"},
    };
    for (const auto& c : cases) {
        SetSkinArchive(c.archive, false);
        EXPECT_EQ(c.message, LoadMessage(c.name)) << testing::PrintToString(std::wstring(c.archive)) << " "
                                                  << testing::PrintToString(std::wstring(c.name));
    }
}

TEST(SkinResources, ArchiveModeKeptOpen) {
    SetResourceFolder(FixtureFolder().c_str());
    SetSkinArchive(L"deflated.zip", true);
    EXPECT_TRUE(IsArchiveKeptOpen());
    HZIPUI kept = KeptArchive();
    ASSERT_NE(nullptr, kept);
    SetSkinArchive(L"deflated.zip", true);
    EXPECT_EQ(kept, KeptArchive()) << "the same setting changes nothing";
    // Reads of a kept archive follow one another without disturbing each other.
    for (int round = 0; round < 3; ++round) {
        std::string bg;
        EXPECT_EQ(L"", Read(L"skin1/bg.png", &bg)) << round;
        EXPECT_TRUE(bg == TreeFile(L"skin1\\bg.png")) << round;
        EXPECT_EQ(L"ok:Window", LoadMessage(L"MAIN_FRAME.xml")) << round;
    }
    EXPECT_EQ(L"Could not find ziped file", LoadMessage(L"absent.xml"));
    EXPECT_EQ(kept, KeptArchive());

    SetSkinArchive(L"missing.zip", true);
    EXPECT_EQ(nullptr, KeptArchive());
    EXPECT_EQ(L"Error opening zip file", LoadMessage(L"main_frame.xml"));
}

TEST(SkinResources, MemoryArchive) {
    static const std::string stub = ReadFileBytes(FixtureFolder() + L"stub.zip");
    static const std::string other = ReadFileBytes(FixtureFolder() + L"python.zip");
    std::string damaged = ReadFileBytes(FixtureFolder() + L"deflated.zip");
    ASSERT_FALSE(stub.empty());
    SetResourceFolder(L"Z:\\nowhere");
    SetSkinArchiveMemory(stub.data(), static_cast<DWORD>(stub.size()));
    EXPECT_STREQ(kMemoryArchiveName, SkinArchiveName().Text());
    EXPECT_STREQ(L"membuffer", SkinArchiveName().Text());
    EXPECT_TRUE(IsArchiveKeptOpen());
    HZIPUI kept = KeptArchive();
    ASSERT_NE(nullptr, kept);
    EXPECT_EQ(L"ok:Window", LoadMessage(L"main_frame.xml")) << "an archive behind a 1,000-byte stub reads";
    EXPECT_EQ(L"", Read(L"close_normal.png"));

    SetSkinArchiveMemory(other.data(), static_cast<DWORD>(other.size()));
    EXPECT_EQ(kept, KeptArchive()) << "the first memory archive stays in force";
    EXPECT_EQ(L"", Read(L"close_normal.png")) << "python.zip has no close_normal.png; stub.zip does";

    // A damaged member of a memory archive fails the read with its message.
    size_t name = damaged.find("skin1/bg.png");
    ASSERT_NE(std::string::npos, name);
    size_t data = name + 12 + static_cast<unsigned char>(damaged[name - 2]);
    for (size_t i = data + 50; i < data + 300; ++i) {
        damaged[i] = static_cast<char>(~damaged[i]);
    }
    SetSkinArchive(L"", false);
    EXPECT_EQ(nullptr, KeptArchive());
    SetSkinArchiveMemory(damaged.data(), static_cast<DWORD>(damaged.size()));
    EXPECT_EQ(L"Could not unzip file", Read(L"skin1/bg.png"));
    EXPECT_EQ(L"ok:Window", LoadMessage(L"main_frame.xml")) << "the archive stays usable";

    // A stored member has no inflate step to notice damage: the checksum must.
    std::string stored = ReadFileBytes(FixtureFolder() + L"stored.zip");
    name = stored.find("skin1/bg.png");
    ASSERT_NE(std::string::npos, name);
    data = name + 12 + static_cast<unsigned char>(stored[name - 2]);
    stored[data + 1000] = static_cast<char>(stored[data + 1000] ^ 1);
    SetSkinArchive(L"", false);
    SetSkinArchiveMemory(stored.data(), static_cast<DWORD>(stored.size()));
    EXPECT_EQ(L"Could not unzip file", Read(L"skin1/bg.png"));
    EXPECT_EQ(L"", Read(L"close_normal.png"));
    SetSkinArchive(L"", false);
}

} // namespace
