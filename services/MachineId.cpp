#include "services/MachineId.h"

#include <windows.h>

#include <iphlpapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string_view>

#if defined(_MSC_VER)
#include <intrin.h>
#elif defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include "services/HandleOwners.h"
#include "services/Md5.h"

namespace {

constexpr const wchar_t* kStoredNames[4] = {L"OnlyIdentifier1", L"OnlyIdentifier2", L"OnlyIdentifier3",
                                            L"OnlyIdentifier4"};
constexpr const wchar_t* kGeneratedSuffixes[4] = {L"_WC", L"_WD", L"_WM", L"_WV"};
constexpr wchar_t kGeneratedAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
constexpr unsigned kGeneratedAlphabetUsed = 28;
constexpr int kGeneratedLength = 12;
constexpr wchar_t kStoreSection[] = L"Globals";
constexpr wchar_t kHostKeyPath[] = L"SOFTWARE\\Zorvex";
constexpr wchar_t kMakerParentKey[] = L"software";
constexpr wchar_t kMakerSubkey[] = L"Corvanta";
// Each stored value is written as a REG_SZ of exactly this many bytes, zero-padded.
constexpr DWORD kStoredValueBytes = 260;
constexpr std::size_t kAdapterTextMax = 50;

wchar_t* Slot(MachineIdParts& parts, int slot) noexcept {
    switch (slot) {
    case 0:
        return parts.m_szProcessor;
    case 1:
        return parts.m_szDisk;
    case 2:
        return parts.m_szAdapter;
    default:
        return parts.m_szVolume;
    }
}

const wchar_t* Slot(const MachineIdParts& parts, int slot) noexcept {
    return Slot(const_cast<MachineIdParts&>(parts), slot);
}

template <std::size_t N> void CopyWide(wchar_t (&field)[N], std::wstring_view text) noexcept {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::wmemcpy(field, text.data(), n);
    field[n] = L'\0';
}

void CopyWideSlot(wchar_t* field, std::wstring_view text) noexcept {
    const std::size_t n = text.size() < kMachineIdPartSize - 1 ? text.size() : kMachineIdPartSize - 1;
    std::wmemcpy(field, text.data(), n);
    field[n] = L'\0';
}

std::wstring MultiByteToWide(std::string_view text, UINT codePage) noexcept {
    if (text.empty())
        return {};
    try {
        const int n =
            MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        if (n <= 0)
            return {};
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
        return wide;
    } catch (...) {
        return {};
    }
}

std::string WideToMultiByte(const wchar_t* text, UINT codePage) noexcept {
    if (!text || !*text)
        return {};
    try {
        const int n = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
        if (n <= 1)
            return {};
        std::string narrow(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(codePage, 0, text, -1, narrow.data(), n, nullptr, nullptr);
        narrow.resize(static_cast<std::size_t>(n) - 1);
        return narrow;
    } catch (...) {
        return {};
    }
}

bool ReadCpuidLeaf1(std::uint32_t& eax, std::uint32_t& edx) noexcept {
#if defined(_MSC_VER) && (defined(_M_IX86) || defined(_M_X64))
    int regs[4] = {};
    __cpuid(regs, 0);
    if (regs[0] < 1)
        return false;
    __cpuid(regs, 1);
    eax = static_cast<std::uint32_t>(regs[0]);
    edx = static_cast<std::uint32_t>(regs[3]);
    return true;
#elif defined(__i386__) || defined(__x86_64__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    eax = a;
    edx = d;
    return true;
#else
    (void)eax;
    (void)edx;
    return false;
#endif
}

std::wstring AdapterText() noexcept {
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0)
        return {};
    nudge::UniqueGlobal memory(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size));
    if (!memory)
        return {};
    auto* adapters = static_cast<IP_ADAPTER_INFO*>(memory.get());
    if (GetAdaptersInfo(adapters, &size) != NO_ERROR)
        return {};
    // The name field is fixed-size; never read past it even if the system left it unterminated.
    char name[sizeof adapters->AdapterName + 1] = {};
    std::memcpy(name, adapters->AdapterName, sizeof adapters->AdapterName);
    return AdapterTextFromName(name);
}

std::wstring VolumeText() noexcept {
    wchar_t system[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n < 3 || n >= MAX_PATH)
        return {};
    wchar_t root[4] = {system[0], system[1], system[2], L'\0'};
    DWORD serial = 0;
    if (!GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return {};
    wchar_t text[16];
    std::swprintf(text, 16, L"%08X", static_cast<unsigned>(serial));
    return text;
}

std::wstring StoredIdentifierFolder() noexcept {
    wchar_t common[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT, common)))
        return {};
    try {
        std::wstring folder = common;
        if (!folder.empty() && folder.back() != L'\\')
            folder += L'\\';
        folder += L"corvanta\\";
        return folder;
    } catch (...) {
        return {};
    }
}

bool AllFilled(const wchar_t (&values)[4][kMachineIdPartSize]) noexcept {
    for (const auto& value : values) {
        if (value[0] == L'\0')
            return false;
    }
    return true;
}

void UseValues(MachineIdParts& parts, const wchar_t (&values)[4][kMachineIdPartSize]) noexcept {
    for (int slot = 0; slot < 4; ++slot)
        CopyWideSlot(Slot(parts, slot), values[slot]);
}

bool ReadIniIdentifiers(const std::wstring& iniPath, wchar_t (&values)[4][kMachineIdPartSize]) noexcept {
    if (iniPath.empty())
        return false;
    for (int slot = 0; slot < 4; ++slot)
        GetPrivateProfileStringW(kStoreSection, kStoredNames[slot], L"", values[slot], kMachineIdPartSize,
                                 iniPath.c_str());
    return AllFilled(values);
}

bool ReadRegistryIdentifiers(wchar_t (&values)[4][kMachineIdPartSize]) noexcept {
    nudge::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kHostKeyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    for (int slot = 0; slot < 4; ++slot) {
        // One spare character: a value stored without its terminator must not run past the buffer.
        wchar_t buffer[kMachineIdPartSize + 1] = {};
        DWORD bytes = kMachineIdPartSize * sizeof(wchar_t);
        if (RegQueryValueExW(key.get(), kStoredNames[slot], nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                             &bytes) != ERROR_SUCCESS)
            buffer[0] = L'\0';
        CopyWideSlot(values[slot], buffer);
    }
    return AllFilled(values);
}

void StoreIdentifiers(const std::wstring& folder, const std::wstring& iniPath,
                      const MachineIdParts& parts) noexcept {
    if (!folder.empty() && GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
        for (int slot = 0; slot < 4; ++slot)
            WritePrivateProfileStringW(kStoreSection, kStoredNames[slot], Slot(parts, slot), iniPath.c_str());
    }
    nudge::UniqueRegKey parent;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMakerParentKey, 0, KEY_ALL_ACCESS, parent.put()) != ERROR_SUCCESS)
        return;
    nudge::UniqueRegKey maker;
    DWORD disposition = 0;
    if (RegCreateKeyExW(parent.get(), kMakerSubkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, maker.put(), &disposition) != ERROR_SUCCESS)
        return;
    for (int slot = 0; slot < 4; ++slot) {
        BYTE value[kStoredValueBytes] = {};
        const wchar_t* text = Slot(parts, slot);
        const std::size_t maxChars = kStoredValueBytes / sizeof(wchar_t) - 1;
        std::size_t n = std::wcslen(text);
        if (n > maxChars)
            n = maxChars;
        std::memcpy(value, text, n * sizeof(wchar_t));
        RegSetValueExW(maker.get(), kStoredNames[slot], 0, REG_SZ, value, kStoredValueBytes);
    }
}

} // namespace

void ScrambleIdText(wchar_t* text) noexcept {
    // Indexed by the character code minus '0': digits, the seven signs between them and 'A', letters.
    static constexpr wchar_t kTable[43] = {L'5', L'6',   L'7',   L'8',   L'9',   L'0',   L'1',   L'2',   L'3',
                                           L'4', 0x3030, 0x3030, 0x3030, 0x3030, 0x3030, 0x3030, 0x3030, L'N',
                                           L'O', L'P',   L'Q',   L'R',   L'S',   L'T',   L'U',   L'V',   L'W',
                                           L'X', L'Y',   L'Z',   L'A',   L'B',   L'C',   L'D',   L'E',   L'F',
                                           L'G', L'H',   L'I',   L'J',   L'K',   L'L',   L'M'};
    if (!text)
        return;
    for (; *text; ++text) {
        const unsigned index = static_cast<unsigned>(*text) - static_cast<unsigned>(L'0');
        if (index < 43)
            *text = kTable[index];
    }
}

std::wstring ProcessorTextFromCpuid(std::uint32_t edx, std::uint32_t eax) noexcept {
    wchar_t text[20];
    std::swprintf(text, 20, L"%08X%08X", static_cast<unsigned>(edx), static_cast<unsigned>(eax));
    return text;
}

std::wstring DiskTextFromList(const DiskList& disks) noexcept {
    for (const DiskInfo& disk : disks) {
        if (disk.m_nType == kDiskTypeFixed)
            return MultiByteToWide(disk.m_szSerial, CP_ACP);
    }
    return {};
}

std::wstring AdapterTextFromName(const char* adapterName) noexcept {
    if (!adapterName)
        return {};
    std::string kept;
    try {
        for (const char* p = adapterName; *p && kept.size() < kAdapterTextMax; ++p) {
            char c = *p;
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))
                kept += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
    } catch (...) {
        return {};
    }
    return MultiByteToWide(kept, CP_ACP);
}

std::wstring StoredIdentifierIniPath() noexcept {
    const std::wstring folder = StoredIdentifierFolder();
    if (folder.empty())
        return {};
    try {
        return folder + L"mobrin.ini";
    } catch (...) {
        return {};
    }
}

void GenerateStoredIdentifiers(MachineIdParts& parts, std::uint32_t seed) noexcept {
    std::mt19937 generator(seed);
    for (int slot = 0; slot < 4; ++slot) {
        wchar_t text[kGeneratedLength + 4] = {};
        for (int i = 0; i < kGeneratedLength; ++i)
            text[i] = kGeneratedAlphabet[generator() % kGeneratedAlphabetUsed];
        std::wcscat(text, kGeneratedSuffixes[slot]);
        CopyWideSlot(Slot(parts, slot), text);
    }
}

void LoadStoredIdentifiers(MachineIdParts& parts) noexcept {
    const std::wstring folder = StoredIdentifierFolder();
    const std::wstring iniPath = StoredIdentifierIniPath();
    if (!folder.empty() && GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(folder.c_str(), nullptr);

    wchar_t values[4][kMachineIdPartSize] = {};
    if (ReadIniIdentifiers(iniPath, values)) {
        UseValues(parts, values);
        return;
    }
    std::memset(values, 0, sizeof values);
    if (ReadRegistryIdentifiers(values)) {
        UseValues(parts, values);
        return;
    }
    GenerateStoredIdentifiers(parts, static_cast<std::uint32_t>(std::time(nullptr)));
    StoreIdentifiers(folder, iniPath, parts);
}

void CompleteMachineIdParts(MachineIdParts& parts) noexcept {
    parts.m_nAllEmpty = (parts.m_szProcessor[0] == L'\0' && parts.m_szDisk[0] == L'\0' &&
                         parts.m_szAdapter[0] == L'\0' && parts.m_szVolume[0] == L'\0')
                            ? 1
                            : 0;
    if (parts.m_nAllEmpty == 0) {
        for (int slot = 0; slot < 4; ++slot)
            ScrambleIdText(Slot(parts, slot));
        return;
    }
    LoadStoredIdentifiers(parts);
}

void CollectMachineIdParts(MachineIdParts& parts) noexcept {
    parts = MachineIdParts{};
    std::uint32_t eax = 0, edx = 0;
    if (ReadCpuidLeaf1(eax, edx))
        CopyWide(parts.m_szProcessor, ProcessorTextFromCpuid(edx, eax));
    DiskList disks;
    EnumerateDisks(disks);
    CopyWide(parts.m_szDisk, DiskTextFromList(disks));
    CopyWide(parts.m_szAdapter, AdapterText());
    CopyWide(parts.m_szVolume, VolumeText());
    CompleteMachineIdParts(parts);
}

std::string JoinMachineIdParts(const MachineIdParts& parts) noexcept {
    try {
        std::string joined = WideToMultiByte(parts.m_szDisk, CP_OEMCP);
        joined += '-';
        joined += WideToMultiByte(parts.m_szProcessor, CP_OEMCP);
        joined += '-';
        joined += WideToMultiByte(parts.m_szAdapter, CP_OEMCP);
        joined += '-';
        joined += WideToMultiByte(parts.m_szVolume, CP_OEMCP);
        // Four texts of full length do not fit the join buffer: keep what fits, as a cut printf would.
        if (joined.size() > kMachineIdJoinSize - 1)
            joined.resize(kMachineIdJoinSize - 1);
        return joined;
    } catch (...) {
        return {};
    }
}

void MachineIdFromParts(const MachineIdParts& parts, wchar_t (&id)[kMachineIdSize]) noexcept {
    id[0] = L'\0';
    const std::string joined = JoinMachineIdParts(parts);
    const std::string hex = Md5Hex(joined.data(), joined.size());
    if (hex.size() != kMachineIdSize - 1)
        return;
    const int n = MultiByteToWideChar(CP_ACP, 0, hex.c_str(), -1, id, static_cast<int>(kMachineIdSize));
    if (n <= 0)
        id[0] = L'\0';
}

void ComputeMachineId(wchar_t (&id)[kMachineIdSize], wchar_t (&processor)[kMachineIdPartSize],
                      wchar_t (&disk)[kMachineIdPartSize], wchar_t (&adapter)[kMachineIdPartSize]) noexcept {
    MachineIdParts parts;
    CollectMachineIdParts(parts);
    MachineIdFromParts(parts, id);
    CopyWide(processor, parts.m_szProcessor);
    CopyWide(disk, parts.m_szDisk);
    CopyWide(adapter, parts.m_szAdapter);
}
