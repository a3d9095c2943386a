// The machine identifier sent with every click-log report: the MD5 of four hardware texts, or of four
// stored identifiers where the hardware gives nothing. Computed anew on every call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "services/DiskInfo.h"

inline constexpr std::size_t kMachineIdPartSize = 260; // wide characters, terminator included
inline constexpr std::size_t kMachineIdSize = 33;      // 32 hexadecimal digits and the terminator
// The joined hardware texts are hashed from a buffer of this many bytes, terminator included.
inline constexpr std::size_t kMachineIdJoinSize = 1000;

struct MachineIdParts {
    wchar_t m_szProcessor[kMachineIdPartSize] = {};
    wchar_t m_szDisk[kMachineIdPartSize] = {};
    wchar_t m_szAdapter[kMachineIdPartSize] = {};
    wchar_t m_szVolume[kMachineIdPartSize] = {};
    std::int32_t m_nAllEmpty = 0; // 1 when every hardware text was empty
};

// The identifier (32 lowercase hexadecimal digits) into id, and the processor, disk and adapter texts as
// hashed into the three other buffers. Never fails as a whole: missing sources leave their places empty.
void ComputeMachineId(wchar_t (&id)[kMachineIdSize], wchar_t (&processor)[kMachineIdPartSize],
                      wchar_t (&disk)[kMachineIdPartSize], wchar_t (&adapter)[kMachineIdPartSize]) noexcept;

// Reads the four hardware texts and finishes them with CompleteMachineIdParts.
void CollectMachineIdParts(MachineIdParts& parts) noexcept;

// Sets the all-empty flag; then substitutes the characters of each text, or, when all four are empty,
// replaces them by the stored identifiers (unsubstituted).
void CompleteMachineIdParts(MachineIdParts& parts) noexcept;

// The fixed character substitution of the hardware texts, in place.
void ScrambleIdText(wchar_t* text) noexcept;

// The bytes that are hashed: disk, processor, adapter and volume in the OEM code page joined by "-",
// cut to the join buffer (999 bytes) when the texts are longer.
[[nodiscard]] std::string JoinMachineIdParts(const MachineIdParts& parts) noexcept;
// Steps after the parts are known: join, hash, hexadecimal text.
void MachineIdFromParts(const MachineIdParts& parts, wchar_t (&id)[kMachineIdSize]) noexcept;

// Hardware texts, separated from the queries for their rules' sake.
[[nodiscard]] std::wstring ProcessorTextFromCpuid(std::uint32_t edx, std::uint32_t eax) noexcept;
[[nodiscard]] std::wstring DiskTextFromList(const DiskList& disks) noexcept;
[[nodiscard]] std::wstring AdapterTextFromName(const char* adapterName) noexcept;

// The stored identifiers: the INI file, else the host's registry key, else four generated ones (then
// stored in the INI file and the maker's registry key).
void LoadStoredIdentifiers(MachineIdParts& parts) noexcept;
// Four fresh identifiers, one per slot, from a generator seeded with seed.
void GenerateStoredIdentifiers(MachineIdParts& parts, std::uint32_t seed) noexcept;
// {common program files}\corvanta\mobrin.ini; empty when the folder is unknown.
[[nodiscard]] std::wstring StoredIdentifierIniPath() noexcept;
