// A reader of standard ZIP archives (stored and deflated members) over a file, an open file handle or a
// memory block. It trusts nothing in the archive: every offset, length and count is checked against the
// archive's size before it is used.
#pragma once

#include <windows.h>

#include "ui/core/UIBase.h"

namespace Tamsk {

enum ZipResult : DWORD {
    ZipOk = 0,
    ZipCannotOpen = 0x200,
    ZipNotFound = 0x500,
    ZipMore = 0x600,
    // The archive's headers disagree with each other or point outside the archive.
    ZipCorrupt = 0x700,
    // The source could not be read.
    ZipReadFailed = 0x800,
    ZipBadArgument = 0x10000,
    ZipBadHandle = 0x80000,
    ZipInflateFailed = 0x5000000,
};

enum ZipSourceKind : int {
    // source is a HANDLE open for reading; it is duplicated, the caller keeps its own.
    ZipSourceHandle = 1,
    // source is a wide file name.
    ZipSourceFileName = 2,
    // source points at size bytes that are read in place and must outlive the archive handle.
    ZipSourceMemory = 3,
};

struct TZipArchiveUI;
using HZIPUI = TZipArchiveUI*;

struct TZipEntryUI {
    int index;
    wchar_t name[MAX_PATH];
    DWORD attributes; // FILE_ATTRIBUTE_* flags
    FILETIME creationTime;
    FILETIME lastAccessTime;
    FILETIME lastWriteTime;
    DWORD compressedSize;
    DWORD uncompressedSize;
};

// Null when the source cannot be opened or is not a ZIP archive.
[[nodiscard]] HZIPUI ZipOpen(const void* source, DWORD size, int kind) noexcept;
// ZipOk with the entry's index and information, or ZipNotFound with index -1 and cleared information.
// With ignoreCase only a-z/A-Z are folded; backslashes in name match slashes in the archive.
[[nodiscard]] DWORD ZipFind(HZIPUI zip, const wchar_t* name, bool ignoreCase, int* index,
                            TZipEntryUI* entry) noexcept;
// Delivers up to size bytes of the entry's data. ZipMore: at least one byte was delivered (call again for
// more); ZipOk: nothing more to deliver. Any other result is a failure. delivered (optional) receives the
// byte count of this call.
[[nodiscard]] DWORD ZipExtract(HZIPUI zip, int index, void* buffer, DWORD size,
                               DWORD* delivered = nullptr) noexcept;
DWORD ZipClose(HZIPUI zip) noexcept;

struct TZipHandleTraitsUI {
    using Type = HZIPUI;
    static Type Invalid() noexcept { return nullptr; }
    static void Release(Type h) noexcept { (void)ZipClose(h); }
};
using CZipOwnerUI = CHandleOwnerUI<TZipHandleTraitsUI>;

} // namespace Tamsk
