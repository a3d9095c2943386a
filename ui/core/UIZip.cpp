#include "ui/core/UIZip.h"

#include <zlib.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

namespace Tamsk {

namespace {

constexpr DWORD kArchiveMagic = 0x5A495055; // "UPIZ"
constexpr DWORD kEndRecordSize = 22;
constexpr DWORD kCentralHeaderSize = 46;
constexpr DWORD kLocalHeaderSize = 30;
constexpr DWORD kEndScanLimit = 65535;
constexpr DWORD kInputBufferSize = 16384;
constexpr int kMaxLookupName = 255;

std::uint16_t Get16(const BYTE* p) noexcept {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const BYTE* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// One central-directory record, decoded once at opening.
struct TCentralEntry {
    DWORD headerOffset; // within the central directory block
    std::uint16_t versionMadeBy;
    std::uint16_t flags;
    std::uint16_t method;
    std::uint16_t dosTime;
    std::uint16_t dosDate;
    DWORD crc;
    DWORD compressedSize;
    DWORD uncompressedSize;
    std::uint16_t nameLength;
    std::uint16_t extraLength;
    DWORD externalAttributes;
    DWORD localOffset;
};

FILETIME UnixTimeToFileTime(std::uint32_t seconds) noexcept {
    ULONGLONG ticks = (static_cast<ULONGLONG>(seconds) + 11644473600ULL) * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

} // namespace

struct TZipArchiveUI {
    DWORD magic = kArchiveMagic;
    const BYTE* memory = nullptr;
    CFileHandleUI file;
    DWORD size = 0;          // bytes of the whole source
    DWORD prefix = 0;        // bytes in front of the archive, added to every stored offset
    BYTE* central = nullptr; // the central directory (a copy for file sources)
    bool ownsCentral = false;
    DWORD centralSize = 0;
    TCentralEntry* entries = nullptr;
    int entryCount = 0;

    // The entry being extracted.
    int current = -1;
    bool inflating = false;
    bool streamEnded = false;
    z_stream stream{};
    BYTE* input = nullptr;
    DWORD dataPos = 0;        // absolute position of the next compressed byte
    DWORD compressedLeft = 0; // compressed bytes not read yet
    DWORD outputLeft = 0;     // uncompressed bytes still expected
    uLong crc = 0;

    ~TZipArchiveUI() {
        EndEntry();
        if (ownsCentral) {
            std::free(central);
        }
        std::free(entries);
        magic = 0;
    }

    void EndEntry() noexcept {
        if (inflating) {
            inflateEnd(&stream);
            inflating = false;
        }
        std::free(input);
        input = nullptr;
        current = -1;
        streamEnded = false;
    }

    // Reads exactly n bytes at an absolute position inside the source.
    bool ReadAt(DWORD offset, void* dest, DWORD n) noexcept {
        if (offset > size || n > size - offset) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        if (memory != nullptr) {
            std::memcpy(dest, memory + offset, n);
            return true;
        }
        LARGE_INTEGER pos;
        pos.QuadPart = offset;
        if (!::SetFilePointerEx(file.Get(), pos, nullptr, FILE_BEGIN)) {
            return false;
        }
        DWORD read = 0;
        return ::ReadFile(file.Get(), dest, n, &read, nullptr) && read == n;
    }

    bool Open() noexcept;
    bool DecodeCentralDirectory(DWORD count) noexcept;
    DWORD BeginEntry(int index) noexcept;
    DWORD Extract(int index, BYTE* buffer, DWORD bufferSize, DWORD* delivered) noexcept;
    void Describe(int index, TZipEntryUI* info) const noexcept;
};

bool TZipArchiveUI::Open() noexcept {
    if (size < kEndRecordSize) {
        return false;
    }
    DWORD scan = size < kEndScanLimit ? size : kEndScanLimit;
    DWORD scanStart = size - scan;
    BYTE* tail = static_cast<BYTE*>(std::malloc(scan));
    if (tail == nullptr) {
        return false;
    }
    bool ok = ReadAt(scanStart, tail, scan);
    DWORD endPos = 0;
    bool found = false;
    // The occurrence nearest the end wins; it must leave room for the whole record.
    for (DWORD i = scan - kEndRecordSize + 1; ok && i > 0; --i) {
        const BYTE* p = tail + i - 1;
        if (p[0] == 0x50 && p[1] == 0x4B && p[2] == 0x05 && p[3] == 0x06) {
            endPos = scanStart + i - 1;
            found = true;
            break;
        }
    }
    BYTE record[kEndRecordSize];
    if (found) {
        std::memcpy(record, tail + (endPos - scanStart), kEndRecordSize);
    }
    std::free(tail);
    if (!found || endPos == 0) {
        return false;
    }
    std::uint16_t thisDisk = Get16(record + 4);
    std::uint16_t centralDisk = Get16(record + 6);
    std::uint16_t entriesHere = Get16(record + 8);
    std::uint16_t entriesTotal = Get16(record + 10);
    DWORD cdSize = Get32(record + 12);
    DWORD cdOffset = Get32(record + 16);
    if (thisDisk != 0 || centralDisk != 0 || entriesHere != entriesTotal) {
        return false;
    }
    ULONGLONG cdEnd = static_cast<ULONGLONG>(cdOffset) + cdSize;
    if (endPos < cdEnd) {
        return false;
    }
    prefix = static_cast<DWORD>(endPos - cdEnd);
    DWORD cdStart = prefix + cdOffset;
    centralSize = cdSize;
    if (memory != nullptr) {
        central = const_cast<BYTE*>(memory + cdStart);
    } else {
        central = static_cast<BYTE*>(std::malloc(cdSize > 0 ? cdSize : 1));
        if (central == nullptr) {
            return false;
        }
        ownsCentral = true;
        if (!ReadAt(cdStart, central, cdSize)) {
            return false;
        }
    }
    return DecodeCentralDirectory(entriesTotal);
}

bool TZipArchiveUI::DecodeCentralDirectory(DWORD count) noexcept {
    entries = static_cast<TCentralEntry*>(std::calloc(count > 0 ? count : 1, sizeof(TCentralEntry)));
    if (entries == nullptr) {
        return false;
    }
    DWORD pos = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (centralSize - pos < kCentralHeaderSize) {
            return false;
        }
        const BYTE* h = central + pos;
        if (Get32(h) != 0x02014B50) {
            return false;
        }
        TCentralEntry& e = entries[i];
        e.headerOffset = pos;
        e.versionMadeBy = Get16(h + 4);
        e.flags = Get16(h + 8);
        e.method = Get16(h + 10);
        e.dosTime = Get16(h + 12);
        e.dosDate = Get16(h + 14);
        e.crc = Get32(h + 16);
        e.compressedSize = Get32(h + 20);
        e.uncompressedSize = Get32(h + 24);
        e.nameLength = Get16(h + 28);
        e.extraLength = Get16(h + 30);
        std::uint16_t commentLength = Get16(h + 32);
        e.externalAttributes = Get32(h + 38);
        e.localOffset = Get32(h + 42);
        DWORD variable = static_cast<DWORD>(e.nameLength) + e.extraLength + commentLength;
        if (centralSize - pos - kCentralHeaderSize < variable) {
            return false;
        }
        pos += kCentralHeaderSize + variable;
    }
    entryCount = static_cast<int>(count);
    return true;
}

void TZipArchiveUI::Describe(int index, TZipEntryUI* info) const noexcept {
    const TCentralEntry& e = entries[index];
    const BYTE* h = central + e.headerOffset;
    const char* name = reinterpret_cast<const char*>(h + kCentralHeaderSize);
    info->index = index;
    int n = ::MultiByteToWideChar(CP_ACP, 0, name, e.nameLength, info->name, MAX_PATH - 1);
    info->name[n > 0 ? n : 0] = L'\0';

    DWORD dos = e.externalAttributes & 0xFF;
    DWORD unixMode = e.externalAttributes >> 16;
    bool fromUnix = (e.versionMadeBy >> 8) == 3;
    bool isDir = (dos & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
                 (e.nameLength > 0 && name[e.nameLength - 1] == '/') ||
                 (fromUnix && (unixMode & 0170000) == 0040000);
    DWORD attrs = 0;
    if (isDir) {
        attrs |= FILE_ATTRIBUTE_DIRECTORY;
    }
    if (fromUnix) {
        if ((unixMode & 0200) == 0 && unixMode != 0) {
            attrs |= FILE_ATTRIBUTE_READONLY;
        }
    } else {
        attrs |= dos & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    }
    if (dos & FILE_ATTRIBUTE_ARCHIVE) {
        attrs |= FILE_ATTRIBUTE_ARCHIVE;
    }
    info->attributes = attrs;

    FILETIME local{};
    FILETIME utc{};
    if (::DosDateTimeToFileTime(e.dosDate, e.dosTime, &local)) {
        ::LocalFileTimeToFileTime(&local, &utc);
    }
    info->creationTime = info->lastAccessTime = info->lastWriteTime = utc;
    // The "UT" extra field carries Unix seconds: modification, then access and creation when flagged.
    const BYTE* extra = h + kCentralHeaderSize + e.nameLength;
    DWORD at = 0;
    while (at + 4 <= e.extraLength) {
        std::uint16_t id = Get16(extra + at);
        std::uint16_t length = Get16(extra + at + 2);
        if (at + 4 + length > e.extraLength) {
            break;
        }
        if (id == 0x5455 && length >= 1) {
            BYTE flags = extra[at + 4];
            DWORD field = at + 5;
            FILETIME* targets[] = {&info->lastWriteTime, &info->lastAccessTime, &info->creationTime};
            for (int bit = 0; bit < 3; ++bit) {
                if ((flags & (1 << bit)) && field + 4 <= at + 4 + length) {
                    *targets[bit] = UnixTimeToFileTime(Get32(extra + field));
                    field += 4;
                }
            }
        }
        at += 4 + length;
    }
    info->compressedSize = e.compressedSize;
    info->uncompressedSize = e.uncompressedSize;
}

DWORD TZipArchiveUI::BeginEntry(int index) noexcept {
    EndEntry();
    const TCentralEntry& e = entries[index];
    if (e.method != 0 && e.method != 8) {
        return ZipCorrupt;
    }
    if (e.localOffset > size - prefix) {
        return ZipCorrupt;
    }
    DWORD local = prefix + e.localOffset;
    BYTE header[kLocalHeaderSize];
    if (!ReadAt(local, header, kLocalHeaderSize)) {
        return ZipCorrupt;
    }
    if (Get32(header) != 0x04034B50 || Get16(header + 8) != e.method || Get16(header + 26) != e.nameLength) {
        return ZipCorrupt;
    }
    if ((e.flags & 8) == 0 && (Get32(header + 14) != e.crc || Get32(header + 18) != e.compressedSize ||
                               Get32(header + 22) != e.uncompressedSize)) {
        return ZipCorrupt;
    }
    ULONGLONG dataStart =
        static_cast<ULONGLONG>(local) + kLocalHeaderSize + e.nameLength + Get16(header + 28);
    if (dataStart + e.compressedSize > size) {
        return ZipCorrupt;
    }
    if (e.method == 0 && e.compressedSize != e.uncompressedSize) {
        return ZipCorrupt;
    }
    input = static_cast<BYTE*>(std::malloc(kInputBufferSize));
    if (input == nullptr) {
        return ZipCorrupt;
    }
    if (e.method == 8) {
        std::memset(&stream, 0, sizeof(stream));
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
            std::free(input);
            input = nullptr;
            return ZipInflateFailed;
        }
        inflating = true;
    }
    current = index;
    dataPos = static_cast<DWORD>(dataStart);
    compressedLeft = e.compressedSize;
    outputLeft = e.uncompressedSize;
    crc = crc32(0L, Z_NULL, 0);
    return ZipOk;
}

DWORD TZipArchiveUI::Extract(int index, BYTE* buffer, DWORD bufferSize, DWORD* delivered) noexcept {
    if (current != index) {
        DWORD begun = BeginEntry(index);
        if (begun != ZipOk) {
            return begun;
        }
    }
    DWORD done = 0;
    while (done < bufferSize && outputLeft > 0 && !streamEnded) {
        DWORD room = bufferSize - done;
        if (room > outputLeft) {
            room = outputLeft;
        }
        if (!inflating) {
            DWORD piece = room < kInputBufferSize ? room : kInputBufferSize;
            if (!ReadAt(dataPos, buffer + done, piece)) {
                EndEntry();
                return ZipReadFailed;
            }
            dataPos += piece;
            compressedLeft -= piece;
            outputLeft -= piece;
            crc = crc32(crc, buffer + done, piece);
            done += piece;
            continue;
        }
        if (stream.avail_in == 0) {
            if (compressedLeft == 0) {
                // The stream wants more than the entry holds.
                EndEntry();
                return ZipInflateFailed;
            }
            DWORD piece = compressedLeft < kInputBufferSize ? compressedLeft : kInputBufferSize;
            if (!ReadAt(dataPos, input, piece)) {
                EndEntry();
                return ZipReadFailed;
            }
            dataPos += piece;
            compressedLeft -= piece;
            stream.next_in = input;
            stream.avail_in = piece;
        }
        stream.next_out = buffer + done;
        stream.avail_out = room;
        int status = inflate(&stream, Z_SYNC_FLUSH);
        DWORD produced = room - stream.avail_out;
        crc = crc32(crc, buffer + done, produced);
        done += produced;
        outputLeft -= produced;
        if (status == Z_STREAM_END) {
            streamEnded = true;
        } else if (status != Z_OK && !(status == Z_BUF_ERROR && produced == 0 && stream.avail_in == 0)) {
            EndEntry();
            return ZipInflateFailed;
        }
    }
    if (delivered != nullptr) {
        *delivered = done;
    }
    if (done > 0) {
        return ZipMore;
    }
    // Nothing more to deliver: the entry is complete, and only now can its checksum be judged.
    bool intact = outputLeft == 0 && crc == entries[index].crc;
    EndEntry();
    return intact || bufferSize == 0 ? ZipOk : ZipCorrupt;
}

namespace {

DWORD CheckHandle(HZIPUI zip) noexcept {
    if (zip == nullptr) {
        return ZipBadArgument;
    }
    if (zip->magic != kArchiveMagic) {
        return ZipBadHandle;
    }
    return ZipOk;
}

} // namespace

HZIPUI ZipOpen(const void* source, DWORD size, int kind) noexcept {
    auto* zip = new (std::nothrow) TZipArchiveUI;
    if (zip == nullptr) {
        return nullptr;
    }
    bool ok = false;
    if (kind == ZipSourceMemory) {
        if (source != nullptr) {
            zip->memory = static_cast<const BYTE*>(source);
            zip->size = size;
            ok = true;
        }
    } else if (kind == ZipSourceHandle || kind == ZipSourceFileName) {
        HANDLE h = INVALID_HANDLE_VALUE;
        if (kind == ZipSourceFileName) {
            if (source != nullptr) {
                h = ::CreateFileW(static_cast<const wchar_t*>(source), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            }
        } else if (source != nullptr && source != INVALID_HANDLE_VALUE) {
            HANDLE process = ::GetCurrentProcess();
            if (!::DuplicateHandle(process, const_cast<HANDLE>(source), process, &h, 0, FALSE,
                                   DUPLICATE_SAME_ACCESS)) {
                h = INVALID_HANDLE_VALUE;
            }
        }
        zip->file.Reset(h);
        LARGE_INTEGER fileSize;
        if (zip->file && ::GetFileSizeEx(zip->file.Get(), &fileSize) && fileSize.QuadPart <= 0xFFFFFFFFLL) {
            zip->size = static_cast<DWORD>(fileSize.QuadPart);
            ok = true;
        }
    }
    if (!ok || !zip->Open()) {
        delete zip;
        return nullptr;
    }
    return zip;
}

DWORD ZipFind(HZIPUI zip, const wchar_t* name, bool ignoreCase, int* index, TZipEntryUI* entry) noexcept {
    if (index != nullptr) {
        *index = -1;
    }
    if (entry != nullptr) {
        std::memset(entry, 0, sizeof(*entry));
        entry->index = -1;
    }
    DWORD check = CheckHandle(zip);
    if (check != ZipOk) {
        return check;
    }
    if (name == nullptr || IS_INTRESOURCE(name)) {
        return ZipBadArgument;
    }
    // A lookup starts a new read: an entry left open by an earlier ZipMore would otherwise make the next
    // extraction of the same entry continue where that one stopped, and deliver nothing.
    zip->EndEntry();
    int wideLength = static_cast<int>(std::wcslen(name));
    if (wideLength > kMaxLookupName) {
        return ZipNotFound;
    }
    char wanted[kMaxLookupName * 4 + 1];
    int length = 0;
    if (wideLength > 0) {
        length =
            ::WideCharToMultiByte(CP_ACP, 0, name, wideLength, wanted, sizeof(wanted) - 1, nullptr, nullptr);
        if (length <= 0) {
            return ZipNotFound;
        }
    }
    for (int i = 0; i < length; ++i) {
        if (wanted[i] == '\\') {
            wanted[i] = '/';
        }
    }
    auto fold = [ignoreCase](char c) -> char {
        return ignoreCase && c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
    };
    for (int i = 0; i < zip->entryCount; ++i) {
        const TCentralEntry& e = zip->entries[i];
        if (e.nameLength != length) {
            continue;
        }
        const char* stored =
            reinterpret_cast<const char*>(zip->central + e.headerOffset + kCentralHeaderSize);
        int k = 0;
        while (k < length && fold(stored[k]) == fold(wanted[k])) {
            ++k;
        }
        if (k < length) {
            continue;
        }
        if (index != nullptr) {
            *index = i;
        }
        if (entry != nullptr) {
            zip->Describe(i, entry);
        }
        return ZipOk;
    }
    return ZipNotFound;
}

DWORD ZipExtract(HZIPUI zip, int index, void* buffer, DWORD size, DWORD* delivered) noexcept {
    if (delivered != nullptr) {
        *delivered = 0;
    }
    DWORD check = CheckHandle(zip);
    if (check != ZipOk) {
        return check;
    }
    if (index < 0 || index >= zip->entryCount || (buffer == nullptr && size != 0)) {
        return ZipBadArgument;
    }
    return zip->Extract(index, static_cast<BYTE*>(buffer), size, delivered);
}

DWORD ZipClose(HZIPUI zip) noexcept {
    DWORD check = CheckHandle(zip);
    if (check != ZipOk) {
        return check;
    }
    delete zip;
    return ZipOk;
}

} // namespace Tamsk
