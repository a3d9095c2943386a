// The stored identifiers that stand in for empty hardware texts: the INI file first, then the host's
// registry key, else four generated ones that are then stored in the INI file and the maker's key.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "services/MachineId.h"

namespace {

const wchar_t* const kNames[4] = {L"OnlyIdentifier1", L"OnlyIdentifier2", L"OnlyIdentifier3",
                                  L"OnlyIdentifier4"};
const wchar_t* const kSuffixes[4] = {L"_WC", L"_WD", L"_WM", L"_WV"};

struct SavedValue {
    DWORD type = 0;
    std::vector<BYTE> bytes;
};

// A registry key's four identifier values as they were, put back afterwards; the key itself is removed
// again when the test made it.
class SavedKey {
public:
    explicit SavedKey(const wchar_t* path) : m_path(path) {
        HKEY key = nullptr;
        m_existed = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
        for (int i = 0; m_existed && i < 4; ++i) {
            DWORD type = 0, size = 0;
            if (RegQueryValueExW(key, kNames[i], nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
                SavedValue v;
                v.type = type;
                v.bytes.resize(size);
                RegQueryValueExW(key, kNames[i], nullptr, &type, v.bytes.data(), &size);
                m_values[i] = v;
            }
        }
        if (key)
            RegCloseKey(key);
        Clear();
    }
    ~SavedKey() {
        if (!m_existed) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, m_path.c_str());
            return;
        }
        Clear();
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return;
        for (int i = 0; i < 4; ++i) {
            if (m_values[i])
                RegSetValueExW(key, kNames[i], 0, m_values[i]->type, m_values[i]->bytes.data(),
                               static_cast<DWORD>(m_values[i]->bytes.size()));
        }
        RegCloseKey(key);
    }
    void Clear() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return;
        for (const wchar_t* name : kNames)
            RegDeleteValueW(key, name);
        RegCloseKey(key);
    }
    void Set(const std::vector<std::wstring>& values) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        for (size_t i = 0; i < values.size(); ++i)
            RegSetValueExW(key, kNames[i], 0, REG_SZ, reinterpret_cast<const BYTE*>(values[i].c_str()),
                           static_cast<DWORD>((values[i].size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

private:
    std::wstring m_path;
    bool m_existed = false;
    std::optional<SavedValue> m_values[4];
};

class StoredIdentifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_ini = StoredIdentifierIniPath();
        ASSERT_FALSE(m_ini.empty());
        m_folder = m_ini.substr(0, m_ini.size() - std::wstring(L"mobrin.ini").size());
        m_folderExisted = GetFileAttributesW(m_folder.c_str()) != INVALID_FILE_ATTRIBUTES;
        m_iniBackup = m_ini + L".nudge-test-backup";
        m_iniExisted = MoveFileExW(m_ini.c_str(), m_iniBackup.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    void TearDown() override {
        DeleteFileW(m_ini.c_str());
        if (m_iniExisted)
            MoveFileExW(m_iniBackup.c_str(), m_ini.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (!m_folderExisted)
            RemoveDirectoryW(m_folder.c_str());
    }
    void WriteIni(const std::vector<std::wstring>& values) {
        CreateDirectoryW(m_folder.c_str(), nullptr);
        for (size_t i = 0; i < values.size(); ++i)
            ASSERT_TRUE(WritePrivateProfileStringW(L"Globals", kNames[i], values[i].c_str(), m_ini.c_str()));
    }
    std::wstring ReadIni(int slot) {
        wchar_t buffer[300] = {};
        GetPrivateProfileStringW(L"Globals", kNames[slot], L"", buffer, 300, m_ini.c_str());
        return buffer;
    }
    static MachineIdParts Completed() {
        MachineIdParts parts; // all four hardware texts empty
        CompleteMachineIdParts(parts);
        return parts;
    }
    static std::vector<std::wstring> Slots(const MachineIdParts& p) {
        return {p.m_szProcessor, p.m_szDisk, p.m_szAdapter, p.m_szVolume};
    }

    SavedKey m_hostKey{L"SOFTWARE\\Zorvex"};
    SavedKey m_makerKey{L"software\\Corvanta"};
    std::wstring m_ini, m_folder, m_iniBackup;
    bool m_folderExisted = false, m_iniExisted = false;
};

void ExpectGenerated(const std::vector<std::wstring>& slots) {
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(slots[i].size(), 15u);
        EXPECT_EQ(slots[i].substr(12), kSuffixes[i]);
        for (int j = 0; j < 12; ++j) {
            const wchar_t c = slots[i][j];
            EXPECT_TRUE((c >= L'A' && c <= L'Z') || c == L'0' || c == L'1') << "character " << int(c);
        }
    }
}

TEST_F(StoredIdentifierTest, IniFileComesFirstAndValuesAreUsedUnsubstituted) {
    WriteIni({L"INI1", L"INI2", L"INI3", L"INI4"});
    m_hostKey.Set({L"REG1", L"REG2", L"REG3", L"REG4"});
    const MachineIdParts parts = Completed();
    EXPECT_EQ(parts.m_nAllEmpty, 1);
    EXPECT_EQ(Slots(parts), (std::vector<std::wstring>{L"INI1", L"INI2", L"INI3", L"INI4"}));
}

TEST_F(StoredIdentifierTest, HostRegistryKeyWhenTheIniFileLacksOne) {
    WriteIni({L"INI1", L"", L"INI3", L"INI4"});
    m_hostKey.Set({L"REG1", L"REG2", L"REG3", L"REG4"});
    EXPECT_EQ(Slots(Completed()), (std::vector<std::wstring>{L"REG1", L"REG2", L"REG3", L"REG4"}));
}

TEST_F(StoredIdentifierTest, GeneratedWhenNeitherStoreIsCompleteAndThenStored) {
    WriteIni({L"INI1", L"INI2", L"INI3"});
    m_hostKey.Set({L"REG1", L"REG2", L"", L"REG4"});
    const std::vector<std::wstring> slots = Slots(Completed());
    ExpectGenerated(slots);

    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadIni(i), slots[i]) << kNames[i];
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"software\\Corvanta", 0, KEY_READ, &key), ERROR_SUCCESS);
    for (int i = 0; i < 4; ++i) {
        DWORD type = 0, size = 0;
        BYTE bytes[600] = {};
        size = sizeof bytes;
        ASSERT_EQ(RegQueryValueExW(key, kNames[i], nullptr, &type, bytes, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(size, 260u);
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes)), slots[i]);
        for (DWORD b = static_cast<DWORD>((slots[i].size()) * 2); b < size; ++b)
            ASSERT_EQ(bytes[b], 0) << "byte " << b;
    }
    RegCloseKey(key);
    // The host's key is only read, never written.
    m_hostKey.Clear();
    // Stored now: the next run reads them back from the INI file.
    EXPECT_EQ(Slots(Completed()), slots);
}

TEST_F(StoredIdentifierTest, GeneratedWithoutAnyStoreCreatesTheFolder) {
    RemoveDirectoryW(m_folder.c_str());
    const std::vector<std::wstring> slots = Slots(Completed());
    ExpectGenerated(slots);
    EXPECT_NE(GetFileAttributesW(m_folder.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadIni(0), slots[0]);
}

TEST(GenerateStoredIdentifiers, AlphabetIsTheFirst28CharactersAndSuffixesFollowTheSlots) {
    std::set<wchar_t> seen;
    for (std::uint32_t seed = 0; seed < 200; ++seed) {
        MachineIdParts parts;
        GenerateStoredIdentifiers(parts, seed);
        const std::vector<std::wstring> slots = {parts.m_szProcessor, parts.m_szDisk, parts.m_szAdapter,
                                                 parts.m_szVolume};
        ExpectGenerated(slots);
        for (const std::wstring& s : slots)
            seen.insert(s.begin(), s.begin() + 12);
    }
    EXPECT_EQ(seen.size(), 28u); // every one of "A" to "Z", "0" and "1" turns up, nothing else
    MachineIdParts a, b;
    GenerateStoredIdentifiers(a, 7);
    GenerateStoredIdentifiers(b, 7);
    EXPECT_STREQ(a.m_szProcessor, b.m_szProcessor);
}

TEST(CompleteMachineIdParts, AnyHardwareTextKeepsTheStoresOut) {
    MachineIdParts parts;
    wcscpy(parts.m_szVolume, L"1A2B3C4D");
    CompleteMachineIdParts(parts);
    EXPECT_EQ(parts.m_nAllEmpty, 0);
    EXPECT_STREQ(parts.m_szVolume, L"6N7O8P9Q");
    EXPECT_STREQ(parts.m_szProcessor, L"");
}

} // namespace
