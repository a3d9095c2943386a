#include "services/DiskInfo.h"

#include "services/HandleOwners.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

constexpr int kStorageDriveCount = 16;
constexpr DWORD kDescriptorBufferSize = 10000;
constexpr int kIdeDriveCount = 8;
constexpr int kIdeDriverAttempts = 10;
constexpr std::size_t kIdentifyBytes = 256 * 2;
constexpr std::size_t kIdeReplySize = 4 + 8 + kIdeDriveCount * kIdentifyBytes;

bool IsPrintable(unsigned char c) noexcept {
    return c >= 0x20 && c <= 0x7E;
}
// The C locale's isspace, without its undefined behaviour for bytes above 127.
bool IsSpace(unsigned char c) noexcept {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsTrimmedAtEnds(unsigned char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

int HexValue(unsigned char c) noexcept {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string_view TrimView(std::string_view text, bool (*isTrimmed)(unsigned char) noexcept) noexcept {
    while (!text.empty() && isTrimmed(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && isTrimmed(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// Hexadecimal pairs, white space counting as "0"; false when a pair is no digit pair or gives a byte
// that is neither zero nor printable. A lone last character is ignored, as it completes no byte.
bool DecodeHexPairs(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int value = 0;
        for (std::size_t j = i; j < i + 2 && j < text.size(); ++j) {
            unsigned char c = static_cast<unsigned char>(text[j]);
            if (c >= 'A' && c <= 'Z')
                c = static_cast<unsigned char>(c - 'A' + 'a');
            if (IsSpace(c))
                c = '0';
            const int digit = HexValue(c);
            if (digit < 0)
                return false;
            value = value * 16 + digit;
        }
        if (i + 1 >= text.size())
            break;
        if (value != 0 && !IsPrintable(static_cast<unsigned char>(value)))
            return false;
        out += static_cast<char>(value);
    }
    return true;
}

std::string_view BoundedText(const std::uint8_t* buffer, std::size_t size, DWORD offset) noexcept {
    if (offset == 0 || offset >= size)
        return {};
    const char* start = reinterpret_cast<const char*>(buffer + offset);
    const std::size_t limit = size - offset;
    std::size_t n = 0;
    while (n < limit && start[n] != '\0')
        ++n;
    return std::string_view(start, n);
}

std::string IdentifyText(const std::uint16_t (&words)[256], int first, int last) {
    std::string text;
    for (int i = first; i <= last; ++i) {
        const char high = static_cast<char>(words[i] >> 8);
        const char low = static_cast<char>(words[i] & 0xFF);
        if (high == '\0')
            break;
        text += high;
        if (low == '\0')
            break;
        text += low;
    }
    return std::string(TrimView(text, IsSpace));
}

class CPhysicalDriveSource final : public IStorageDeviceSource {
public:
    bool OpenDrive(int number) noexcept override {
        wchar_t name[64];
        std::swprintf(name, sizeof name / sizeof name[0], L"\\\\.\\PhysicalDrive%d", number);
        m_drive = nudge::UniqueFileHandle(
            CreateFileW(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        return static_cast<bool>(m_drive);
    }
    bool QueryDeviceDescriptor(void* buffer, DWORD size, DWORD& error) noexcept override {
        STORAGE_PROPERTY_QUERY query{};
        query.PropertyId = StorageDeviceProperty;
        query.QueryType = PropertyStandardQuery;
        DWORD returned = 0;
        if (DeviceIoControl(m_drive.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer, size,
                            &returned, nullptr))
            return true;
        error = GetLastError();
        return false;
    }
    bool QueryGeometry(DISK_GEOMETRY& geometry) noexcept override {
        DWORD returned = 0;
        return DeviceIoControl(m_drive.get(), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                               sizeof geometry, &returned, nullptr) != FALSE;
    }
    void CloseDrive() noexcept override { m_drive = nudge::UniqueFileHandle(); }

private:
    nudge::UniqueFileHandle m_drive;
};

bool ReadIdeDriverOnce(DiskList& disks) noexcept {
    if (!SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS))
        std::printf("\nERROR: Could not SetPriorityClass, LastError: %d\n", static_cast<int>(GetLastError()));
    // The driver writes its whole reply; the buffer is sized for it and its true size is passed.
    std::vector<std::uint8_t> reply(kIdeReplySize, 0);
    DWORD returned = 0;
    {
        nudge::UniqueFileHandle driver(
            CreateFileW(L"\\\\.\\IDE21201.VXD", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (driver)
            DeviceIoControl(driver.get(), 1, nullptr, 0, reply.data(), static_cast<DWORD>(reply.size()),
                            &returned, nullptr);
    }
    const bool parsed = ParseIdeDriverReply(reply.data(), reply.size(), disks);
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    return parsed;
}

bool IsWindowsNt() noexcept {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    const BOOL ok = GetVersionExW(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return ok && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

} // namespace

std::string DecodeDescriptorString(std::string_view text, bool swapPairs) noexcept {
    try {
        std::string result;
        if (!DecodeHexPairs(text, result)) {
            result.clear();
            for (char c : text) {
                if (!IsPrintable(static_cast<unsigned char>(c))) {
                    result.clear();
                    break;
                }
                result += c;
            }
        }
        if (swapPairs) {
            // With an odd length the last character trades places with the terminator and is lost.
            result += '\0';
            for (std::size_t i = 0; i + 1 < result.size(); i += 2)
                std::swap(result[i], result[i + 1]);
        }
        const std::size_t end = result.find('\0');
        if (end != std::string::npos)
            result.resize(end);
        return std::string(TrimView(result, IsSpace));
    } catch (...) {
        return {};
    }
}

void ReadStorageDescriptor(const std::uint8_t* buffer, std::size_t size, DiskInfo& disk) noexcept {
    if (!buffer || size < sizeof(STORAGE_DEVICE_DESCRIPTOR))
        return;
    STORAGE_DEVICE_DESCRIPTOR header;
    std::memcpy(&header, buffer, sizeof header);
    try {
        const std::string vendor =
            DecodeDescriptorString(BoundedText(buffer, size, header.VendorIdOffset), false);
        const std::string product =
            DecodeDescriptorString(BoundedText(buffer, size, header.ProductIdOffset), false);
        const std::string revision =
            DecodeDescriptorString(BoundedText(buffer, size, header.ProductRevisionOffset), false);
        const std::string serial =
            DecodeDescriptorString(BoundedText(buffer, size, header.SerialNumberOffset), true);
        const std::string model = vendor + product;
        CopyDiskText(disk.m_szSerial, TrimView(serial, IsTrimmedAtEnds));
        CopyDiskText(disk.m_szModel, TrimView(model, IsTrimmedAtEnds));
        CopyDiskText(disk.m_szRevision, TrimView(revision, IsTrimmedAtEnds));
    } catch (...) {
    }
}

void ScanStorageDevices(DiskList& disks, IStorageDeviceSource& source) noexcept {
    std::vector<std::uint8_t> buffer;
    try {
        buffer.resize(kDescriptorBufferSize);
    } catch (...) {
        return;
    }
    for (int number = 0; number < kStorageDriveCount; ++number) {
        if (!source.OpenDrive(number))
            continue;
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
        DWORD error = 0;
        if (!source.QueryDeviceDescriptor(buffer.data(), kDescriptorBufferSize, error)) {
            std::printf("\nDeviceIOControl IOCTL_STORAGE_QUERY_PROPERTY error = %d\n",
                        static_cast<int>(error));
            source.CloseDrive();
            continue;
        }
        DiskInfo disk;
        ReadStorageDescriptor(buffer.data(), buffer.size(), disk);
        DISK_GEOMETRY geometry{};
        if (source.QueryGeometry(geometry)) {
            disk.m_nType = geometry.MediaType == FixedMedia ? kDiskTypeFixed : kDiskTypeOther;
            AddDisk(disks, disk);
        }
        source.CloseDrive();
    }
}

void ParseIdentifyData(const std::uint16_t (&words)[256], DiskList& disks) noexcept {
    try {
        DiskInfo disk;
        CopyDiskText(disk.m_szSerial, IdentifyText(words, 10, 19));
        CopyDiskText(disk.m_szModel, IdentifyText(words, 27, 46));
        CopyDiskText(disk.m_szRevision, IdentifyText(words, 23, 26));
        std::snprintf(disk.m_szBufferSize, sizeof disk.m_szBufferSize, "%u",
                      static_cast<unsigned>(words[21]) * 512u);
        if (words[0] & 0x0080)
            disk.m_nType = kDiskTypeRemovable;
        else if (words[0] & 0x0040)
            disk.m_nType = kDiskTypeFixed;
        std::uint64_t sectors = 0;
        if (words[83] & 0x0400) {
            for (int i = 3; i >= 0; --i)
                sectors = (sectors << 16) | words[100 + i];
        } else {
            sectors = (static_cast<std::uint64_t>(words[61]) << 16) | words[60];
        }
        disk.m_nSize = sectors * 512u;
        AddDisk(disks, disk);
    } catch (...) {
    }
}

bool ParseIdeDriverReply(const std::uint8_t* reply, std::size_t size, DiskList& disks) noexcept {
    if (!reply || size < 12)
        return false;
    bool parsed = false;
    for (int drive = 0; drive < kIdeDriveCount; ++drive) {
        const std::size_t offset = 12 + static_cast<std::size_t>(drive) * kIdentifyBytes;
        if (offset + kIdentifyBytes > size)
            break;
        if (reply[4 + drive] == 0 || reply[drive / 2] == 0)
            continue;
        std::uint16_t words[256];
        for (int i = 0; i < 256; ++i)
            words[i] = static_cast<std::uint16_t>(reply[offset + 2 * i] | (reply[offset + 2 * i + 1] << 8));
        ParseIdentifyData(words, disks);
        parsed = true;
    }
    return parsed;
}

void AddDisk(DiskList& disks, const DiskInfo& disk) noexcept {
    for (const DiskInfo& listed : disks) {
        if (std::strncmp(listed.m_szSerial, disk.m_szSerial, sizeof disk.m_szSerial) == 0 &&
            std::strncmp(listed.m_szModel, disk.m_szModel, sizeof disk.m_szModel) == 0)
            return;
    }
    if (disk.m_szSerial[0] == '\0')
        return;
    try {
        disks.push_back(disk);
    } catch (...) {
    }
}

int EnumerateDisks(DiskList& disks) noexcept {
    disks.clear();
    if (IsWindowsNt()) {
        CPhysicalDriveSource source;
        ScanStorageDevices(disks, source);
    } else {
        for (int attempt = 0; attempt < kIdeDriverAttempts; ++attempt) {
            if (ReadIdeDriverOnce(disks) && !disks.empty())
                break;
        }
    }
    return static_cast<int>(disks.size());
}
