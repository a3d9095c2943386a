// Physical drives as the machine identifier sees them: the storage-query scan on Windows NT, the IDE
// driver's IDENTIFY blocks elsewhere.
#pragma once

#include <windows.h>

#include <winioctl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum : std::int32_t { kDiskTypeOther = 0, kDiskTypeRemovable = 1, kDiskTypeFixed = 2 };

struct DiskInfo {
    std::uint64_t m_nSize = 0;    // bytes (sectors x 512); 0 where not determined
    char m_szBufferSize[32] = {}; // decimal bytes; empty where not determined
    char m_szModel[128] = {};     // vendor and product
    char m_szSerial[128] = {};
    char m_szRevision[128] = {};
    std::int32_t m_nType = kDiskTypeOther;
};

// Drives in the order found. Each caller keeps its own list: reports compute identifiers on several
// threads at once, so the list is never shared.
using DiskList = std::vector<DiskInfo>;

// The two questions the storage-query scan asks of a drive number. The system's physical drives by
// default; tests put a table of drives behind it.
class IStorageDeviceSource {
public:
    virtual ~IStorageDeviceSource() = default;
    // Opens drive number n; false when it does not exist or cannot be opened.
    [[nodiscard]] virtual bool OpenDrive(int number) noexcept = 0;
    // IOCTL_STORAGE_QUERY_PROPERTY (StorageDeviceProperty, PropertyStandardQuery) into the zeroed buffer.
    // On failure error holds the system's error code.
    [[nodiscard]] virtual bool QueryDeviceDescriptor(void* buffer, DWORD size, DWORD& error) noexcept = 0;
    // IOCTL_DISK_GET_DRIVE_GEOMETRY.
    [[nodiscard]] virtual bool QueryGeometry(DISK_GEOMETRY& geometry) noexcept = 0;
    virtual void CloseDrive() noexcept = 0;
};

// Rebuilds the list from the system's drives and returns the number listed.
int EnumerateDisks(DiskList& disks) noexcept;

// The scan of drive numbers 0 to 15 through a source; appends to the list.
void ScanStorageDevices(DiskList& disks, IStorageDeviceSource& source) noexcept;

// Reads model, serial and revision from a STORAGE_DEVICE_DESCRIPTOR of size bytes. Offsets that point
// outside the buffer are ignored; texts end at the buffer's end at the latest.
void ReadStorageDescriptor(const std::uint8_t* buffer, std::size_t size, DiskInfo& disk) noexcept;

// A descriptor text that drivers give either as hexadecimal pairs or as plain text; with swapPairs the
// characters are exchanged pairwise (the byte order of ATA serials). The result is trimmed.
[[nodiscard]] std::string DecodeDescriptorString(std::string_view text, bool swapPairs) noexcept;

// One drive's 256 words of ATA IDENTIFY data, appended through AddDisk.
void ParseIdentifyData(const std::uint16_t (&words)[256], DiskList& disks) noexcept;

// The IDE driver's reply: 4 controller flags, 8 drive flags, then 8 IDENTIFY blocks. True when a drive
// was parsed. A reply shorter than the layout parses only the blocks it holds in full.
bool ParseIdeDriverReply(const std::uint8_t* reply, std::size_t size, DiskList& disks) noexcept;

// Appends the drive unless its serial is empty or a listed drive has the same serial and model.
void AddDisk(DiskList& disks, const DiskInfo& disk) noexcept;

// Copies text into a fixed field, cut to fit, always terminated.
template <std::size_t N> void CopyDiskText(char (&field)[N], std::string_view text) noexcept {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    for (std::size_t i = 0; i < n; ++i)
        field[i] = text[i];
    field[n] = '\0';
}
