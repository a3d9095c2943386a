// The machine identifier's text rules and the disk list, with drives from a table where the hardware
// cannot be arranged.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "services/DiskInfo.h"
#include "services/MachineId.h"
#include "services/Md5.h"

namespace {

std::wstring Scrambled(std::wstring text) {
    ScrambleIdText(text.data());
    return text;
}

TEST(ScrambleIdText, SubstitutionTable) {
    struct Case {
        const wchar_t* input;
        const wchar_t* output;
    } cases[] = {
        {L"BFEBFBFF000306A9", L"OSROSOSS555851N4"},
        {L"4D36E972E32511CEBFC108002BE10318", L"9Q81R427R87066PROSP653557OR65863"},
        {L"0123456789", L"5678901234"},
        {L"ABCDEFGHIJKLMNOPQRSTUVWXYZ", L"NOPQRSTUVWXYZABCDEFGHIJKLM"},
        {L":;<=>?@", L"\x3030\x3030\x3030\x3030\x3030\x3030\x3030"},
        {L"az-_/ [\x00e9\x3030", L"az-_/ [\x00e9\x3030"}, // outside '0'..'Z': unchanged
        {L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.input)));
        EXPECT_EQ(Scrambled(c.input), c.output);
    }
}

TEST(MachineIdTexts, AdapterNameAndProcessorText) {
    EXPECT_EQ(AdapterTextFromName("{4D36E972-E325-11CE-BFC1-08002BE10318}"),
              L"4D36E972E32511CEBFC108002BE10318");
    EXPECT_EQ(AdapterTextFromName("eth0 (Intel) #2"), L"ETH0INTEL2");
    // At most 50 characters are kept.
    EXPECT_EQ(AdapterTextFromName(std::string(80, 'a').c_str()), std::wstring(50, L'A'));
    EXPECT_EQ(AdapterTextFromName(""), L"");
    EXPECT_EQ(ProcessorTextFromCpuid(0xBFEBFBFF, 0x000306A9), L"BFEBFBFF000306A9");
}

TEST(DecodeDescriptorString, HexPairsOddLengthAndPlainText) {
    struct Case {
        const char* text;
        bool swap;
        const char* result;
    } cases[] = {
        {"20205744", true, "DW"}, // two spaces, W, D; swapped to two spaces, D, W; trimmed
        {"20205744", false, "WD"},
        {"2020574", false, "W"}, // a lone last digit completes no byte
        {"4142", false, "AB"},
        {"41 42", false, "41 42"}, // white space counts as "0": " 4" gives 04, unprintable: plain
        {"ABC", true, "BA"},       // plain text of odd length: the last character is lost
        {"ABCD", true, "BADC"},
        {"WD-WCC4E1234567", false, "WD-WCC4E1234567"},
        {"  S1DBNSAF12345  ", false, "S1DBNSAF12345"},
        {"4100", false, "A"},    // a zero byte ends the text
        {"0041", true, "A"},     // ... after the swap
        {"7F41", false, "7F41"}, // 7F is not printable: read as plain text
        {"ab\x01"
         "c",
         false, ""}, // plain text with an unprintable character
        {"caf\xe9", false, ""},
        {"", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\" swap=" + (c.swap ? "1" : "0"));
        EXPECT_EQ(DecodeDescriptorString(c.text, c.swap), c.result);
    }
}

DiskInfo Disk(const char* serial, const char* model, std::int32_t type) {
    DiskInfo disk;
    CopyDiskText(disk.m_szSerial, serial);
    CopyDiskText(disk.m_szModel, model);
    disk.m_nType = type;
    return disk;
}

TEST(AddDisk, SameSerialAndModelListedOnceAndEmptySerialDropped) {
    DiskList disks;
    AddDisk(disks, Disk("S1", "M", kDiskTypeFixed));
    AddDisk(disks, Disk("S1", "M", kDiskTypeRemovable)); // same drive seen again
    AddDisk(disks, Disk("S1", "N", kDiskTypeFixed));     // same serial, other model
    AddDisk(disks, Disk("", "M", kDiskTypeFixed));
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_STREQ(disks[0].m_szModel, "M");
    EXPECT_EQ(disks[0].m_nType, kDiskTypeFixed);
    EXPECT_STREQ(disks[1].m_szModel, "N");
}

// Drives by number, each a descriptor with its texts and a geometry answer.
struct FakeDrive {
    std::string vendor, product, revision, serial;
    bool descriptorOk = true;
    bool geometryOk = true;
    MEDIA_TYPE media = FixedMedia;
};

class TableDriveSource final : public IStorageDeviceSource {
public:
    explicit TableDriveSource(std::map<int, FakeDrive> drives) : m_drives(std::move(drives)) {}
    bool OpenDrive(int number) noexcept override {
        opened.push_back(number);
        auto it = m_drives.find(number);
        m_current = it == m_drives.end() ? nullptr : &it->second;
        return m_current != nullptr;
    }
    bool QueryDeviceDescriptor(void* buffer, DWORD size, DWORD& error) noexcept override {
        if (!m_current->descriptorOk) {
            error = ERROR_INVALID_FUNCTION;
            return false;
        }
        auto* bytes = static_cast<std::uint8_t*>(buffer);
        STORAGE_DEVICE_DESCRIPTOR header{};
        DWORD at = sizeof header;
        auto put = [&](const std::string& text, DWORD& offset) {
            if (text.empty())
                return;
            offset = at;
            std::memcpy(bytes + at, text.c_str(), text.size() + 1);
            at += static_cast<DWORD>(text.size() + 1);
        };
        put(m_current->vendor, header.VendorIdOffset);
        put(m_current->product, header.ProductIdOffset);
        put(m_current->revision, header.ProductRevisionOffset);
        put(m_current->serial, header.SerialNumberOffset);
        header.Size = at;
        std::memcpy(bytes, &header, sizeof header);
        EXPECT_LE(at, size);
        return true;
    }
    bool QueryGeometry(DISK_GEOMETRY& geometry) noexcept override {
        geometry.MediaType = m_current->media;
        return m_current->geometryOk;
    }
    void CloseDrive() noexcept override { m_current = nullptr; }

    std::vector<int> opened;

private:
    std::map<int, FakeDrive> m_drives;
    FakeDrive* m_current = nullptr;
};

TEST(StorageScan, DrivesDeduplicatedAndFixedChosenOverRemovable) {
    std::map<int, FakeDrive> drives;
    drives[0] = {"Kingston", " DataTraveler ", "1.00", "3030313233", true, true, RemovableMedia};
    drives[1] = {"WDC ", "WD10EZEX", "01.01A01", "2020202057442d57434334", true, true, FixedMedia};
    drives[3] = drives[1]; // the same drive under a second number
    drives[5] = {"", "NoGeometry", "", "SERIAL5", true, false, FixedMedia};
    drives[6] = {"", "Unreadable", "", "SERIAL6", false, true, FixedMedia};
    drives[7] = {"", "NoSerial", "", "", true, true, FixedMedia};
    TableDriveSource source(drives);
    DiskList disks;
    ScanStorageDevices(disks, source);

    ASSERT_EQ(source.opened.size(), 16u);
    ASSERT_EQ(disks.size(), 2u);
    // Each text is trimmed as it is decoded, so vendor and product meet without a space.
    EXPECT_STREQ(disks[0].m_szModel, "KingstonDataTraveler");
    EXPECT_STREQ(disks[0].m_szSerial, "0021"); // "00123" swapped pairwise: "00", "21", the "3" lost
    EXPECT_EQ(disks[0].m_nType, kDiskTypeOther);
    EXPECT_STREQ(disks[1].m_szModel, "WDCWD10EZEX");
    EXPECT_STREQ(disks[1].m_szSerial, "DWW-CC"); // "    WD-WCC4" swapped, the odd "4" lost
    EXPECT_STREQ(disks[1].m_szRevision, "01.01A01");
    EXPECT_EQ(disks[1].m_nType, kDiskTypeFixed);
    EXPECT_EQ(disks[1].m_nSize, 0u);
    EXPECT_STREQ(disks[1].m_szBufferSize, "");

    EXPECT_EQ(DiskTextFromList(disks), L"DWW-CC");
    EXPECT_EQ(DiskTextFromList({disks[0]}), L"");
}

TEST(StorageScan, DescriptorOffsetsOutsideTheBufferAreIgnored) {
    std::vector<std::uint8_t> buffer(64, 'x');
    STORAGE_DEVICE_DESCRIPTOR header{};
    header.SerialNumberOffset = 5000;
    header.VendorIdOffset = 60; // runs to the end of the buffer without a terminator
    std::memcpy(buffer.data(), &header, sizeof header);
    DiskInfo disk;
    ReadStorageDescriptor(buffer.data(), buffer.size(), disk);
    EXPECT_STREQ(disk.m_szSerial, "");
    EXPECT_STREQ(disk.m_szModel, "xxxx");
}

void PutAtaText(std::uint16_t (&words)[256], int first, const char* text, int wordCount) {
    for (int i = 0; i < wordCount; ++i) {
        const char hi = text[0] ? *text++ : ' ';
        const char lo = text[0] ? *text++ : ' ';
        words[first + i] = static_cast<std::uint16_t>((static_cast<unsigned char>(hi) << 8) |
                                                      static_cast<unsigned char>(lo));
    }
}

TEST(ParseIdentifyData, FieldsTypesAndSizes) {
    std::uint16_t words[256] = {};
    PutAtaText(words, 10, "  WD-WMC1234567", 10);
    PutAtaText(words, 23, "80.00A80", 4);
    PutAtaText(words, 27, "WDC WD5000AAKX", 20);
    words[0] = 0x0040;
    words[21] = 16;
    words[60] = 0x5678;
    words[61] = 0x0123;
    DiskList disks;
    ParseIdentifyData(words, disks);
    ASSERT_EQ(disks.size(), 1u);
    EXPECT_STREQ(disks[0].m_szSerial, "WD-WMC1234567");
    EXPECT_STREQ(disks[0].m_szModel, "WDC WD5000AAKX");
    EXPECT_STREQ(disks[0].m_szRevision, "80.00A80");
    EXPECT_STREQ(disks[0].m_szBufferSize, "8192");
    EXPECT_EQ(disks[0].m_nType, kDiskTypeFixed);
    EXPECT_EQ(disks[0].m_nSize, 0x01235678ull * 512);

    // 48-bit addressing, removable bit over the fixed bit.
    words[0] = 0x00C0;
    words[83] = 0x0400;
    words[100] = 0x0000;
    words[101] = 0x0000;
    words[102] = 0x0001;
    words[103] = 0x0000;
    PutAtaText(words, 10, "OTHER", 10);
    ParseIdentifyData(words, disks);
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[1].m_nType, kDiskTypeRemovable);
    EXPECT_EQ(disks[1].m_nSize, (1ull << 32) * 512);
}

TEST(ParseIdeDriverReply, OnlyDrivesWithTheirControllerPresent) {
    std::vector<std::uint8_t> reply(4 + 8 + 8 * 512, 0);
    auto block = [&](int drive, const char* serial) {
        std::uint16_t words[256] = {};
        PutAtaText(words, 10, serial, 10);
        words[0] = 0x0040;
        std::memcpy(reply.data() + 12 + drive * 512, words, sizeof words);
    };
    block(1, "ONE");
    block(2, "TWO");
    block(5, "FIVE");
    reply[0] = 1;     // controller 0: drives 0 and 1
    reply[4 + 1] = 1; // drive 1
    reply[4 + 2] = 1; // drive 2, but controller 1 is absent
    reply[2] = 1;     // controller 2: drives 4 and 5
    reply[4 + 5] = 1;
    DiskList disks;
    EXPECT_TRUE(ParseIdeDriverReply(reply.data(), reply.size(), disks));
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_STREQ(disks[0].m_szSerial, "ONE");
    EXPECT_STREQ(disks[1].m_szSerial, "FIVE");
    // A short reply parses only the blocks it holds in full.
    DiskList fewer;
    EXPECT_TRUE(ParseIdeDriverReply(reply.data(), 12 + 2 * 512, fewer));
    EXPECT_EQ(fewer.size(), 1u);
    DiskList none;
    EXPECT_FALSE(ParseIdeDriverReply(reply.data(), 11, none));
}

MachineIdParts Parts(const wchar_t* processor, const wchar_t* disk, const wchar_t* adapter,
                     const wchar_t* volume) {
    MachineIdParts parts;
    wcsncpy(parts.m_szProcessor, processor, kMachineIdPartSize - 1);
    wcsncpy(parts.m_szDisk, disk, kMachineIdPartSize - 1);
    wcsncpy(parts.m_szAdapter, adapter, kMachineIdPartSize - 1);
    wcsncpy(parts.m_szVolume, volume, kMachineIdPartSize - 1);
    return parts;
}

TEST(MachineIdJoin, OrderEmptyPlacesAndDigest) {
    MachineIdParts parts = Parts(L"OSROSOSS555851N4", L"", L"", L"1N2O3P4Q");
    EXPECT_EQ(JoinMachineIdParts(parts), "-OSROSOSS555851N4--1N2O3P4Q");
    parts = Parts(L"P", L"D", L"A", L"V");
    EXPECT_EQ(JoinMachineIdParts(parts), "D-P-A-V");
    wchar_t id[kMachineIdSize];
    MachineIdFromParts(parts, id);
    const std::string expected = Md5Hex("D-P-A-V", 7);
    EXPECT_EQ(std::wstring(id), std::wstring(expected.begin(), expected.end()));
}

TEST(MachineIdJoin, LongTextsAreCutToTheJoinBuffer) {
    const std::wstring full(kMachineIdPartSize - 1, L'Q');
    const MachineIdParts parts = Parts(full.c_str(), full.c_str(), full.c_str(), full.c_str());
    const std::string joined = JoinMachineIdParts(parts);
    ASSERT_EQ(joined.size(), kMachineIdJoinSize - 1);
    EXPECT_EQ(joined.substr(0, 260), std::string(259, 'Q') + "-");
    wchar_t id[kMachineIdSize];
    MachineIdFromParts(parts, id);
    EXPECT_EQ(wcslen(id), 32u);
}

TEST(ComputeMachineId, StableAndMadeFromTheCollectedParts) {
    wchar_t first[kMachineIdSize], second[kMachineIdSize];
    wchar_t processor[kMachineIdPartSize], disk[kMachineIdPartSize], adapter[kMachineIdPartSize];
    ComputeMachineId(first, processor, disk, adapter);
    ComputeMachineId(second, processor, disk, adapter);
    EXPECT_STREQ(first, second);
    ASSERT_EQ(wcslen(first), 32u);
    for (const wchar_t* p = first; *p; ++p)
        EXPECT_TRUE((*p >= L'0' && *p <= L'9') || (*p >= L'a' && *p <= L'f')) << "character " << int(*p);

    MachineIdParts parts;
    CollectMachineIdParts(parts);
    EXPECT_EQ(parts.m_nAllEmpty, 0); // this processor executes CPUID
    EXPECT_EQ(wcslen(parts.m_szProcessor), 16u);
    EXPECT_STREQ(processor, parts.m_szProcessor);
    EXPECT_STREQ(disk, parts.m_szDisk);
    EXPECT_STREQ(adapter, parts.m_szAdapter);
    const std::string joined = JoinMachineIdParts(parts);
    const std::string hex = Md5Hex(joined.data(), joined.size());
    EXPECT_EQ(std::wstring(first), std::wstring(hex.begin(), hex.end()));
}

// Descriptor texts and whole descriptors from a broken driver: no crash, no overrun, bounded results.
TEST(DescriptorBadInput, MutatedDescriptorsAndTexts) {
    std::mt19937 random(4242u);
    const std::string seeds[] = {"20205744", "WD-WCC4E1234567", "4142434445464748", "  S1 DB  "};
    const ULONGLONG deadline = GetTickCount64() + 3000;
    for (int run = 0; run < 20000 && GetTickCount64() < deadline; ++run) {
        std::string text = seeds[run % 4];
        const int edits = 1 + static_cast<int>(random() % 5);
        for (int e = 0; e < edits; ++e) {
            const size_t at = text.empty() ? 0 : random() % text.size();
            if (random() % 3 == 0 && !text.empty())
                text.erase(at, 1);
            else
                text.insert(at, 1, static_cast<char>(random() % 256));
        }
        if (random() % 50 == 0)
            text.append(random() % 400, 'A');
        const std::string decoded = DecodeDescriptorString(text, run % 2 == 0);
        ASSERT_LE(decoded.size(), text.size()) << "run " << run;
        for (char c : decoded)
            ASSERT_TRUE(c >= 0x20 && c <= 0x7E) << "run " << run;

        std::vector<std::uint8_t> buffer(64 + random() % 512);
        for (auto& b : buffer)
            b = static_cast<std::uint8_t>(random());
        DiskInfo disk;
        ReadStorageDescriptor(buffer.data(), buffer.size(), disk);
        ASSERT_LT(strnlen(disk.m_szSerial, sizeof disk.m_szSerial), sizeof disk.m_szSerial);
        ASSERT_LT(strnlen(disk.m_szModel, sizeof disk.m_szModel), sizeof disk.m_szModel);
        ASSERT_LT(strnlen(disk.m_szRevision, sizeof disk.m_szRevision), sizeof disk.m_szRevision);
    }
}

} // namespace
