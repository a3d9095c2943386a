// Where skins come from: the process-wide resource settings (application instance, resource module,
// resource folder, skin archive on disk or in memory) and reading a skin file by its relative name.
// Everything here belongs to the UI thread.
#pragma once

#include <windows.h>

#include "ui/core/UIBase.h"
#include "ui/core/UIZip.h"

namespace Tamsk {

// The archive name that stands for an archive held in memory.
extern const wchar_t kMemoryArchiveName[]; // "membuffer"
// Skin documents larger than this are refused.
constexpr DWORD kSkinFileSizeLimit = 4194304;

// A malloc'ed byte block owned by the holder, move-only.
class CByteBufferUI {
public:
    CByteBufferUI() noexcept = default;
    ~CByteBufferUI() { Reset(); }
    CByteBufferUI(const CByteBufferUI&) = delete;
    CByteBufferUI& operator=(const CByteBufferUI&) = delete;
    CByteBufferUI(CByteBufferUI&& other) noexcept;
    CByteBufferUI& operator=(CByteBufferUI&& other) noexcept;

    // Replaces the contents with size uninitialised bytes (size 0 frees). False when out of memory.
    [[nodiscard]] bool Allocate(DWORD size) noexcept;
    void Reset() noexcept;
    BYTE* Data() noexcept { return m_pData; }
    const BYTE* Data() const noexcept { return m_pData; }
    DWORD Size() const noexcept { return m_nSize; }

private:
    BYTE* m_pData = nullptr;
    DWORD m_nSize = 0;
};

// Stores the program's module and registers the framework's own window classes once per process.
void SetAppInstance(HINSTANCE instance) noexcept;
HINSTANCE AppInstance() noexcept;
// The module whose resources are searched: the one set, else the application instance.
HINSTANCE ResourceModule() noexcept;
void SetResourceModule(HINSTANCE module) noexcept;
// The application instance's file path up to and including its last backslash; empty without instance.
CUIString InstanceFolder() noexcept;

// A non-empty folder always ends with a backslash or slash (a backslash is appended when needed).
void SetResourceFolder(const wchar_t* path) noexcept;
const CUIString& ResourceFolder() noexcept;

// Names a skin archive relative to the resource folder (empty: folder mode). With keepOpen the archive is
// opened now and kept for every read, so the resource folder must be set first.
void SetSkinArchive(const wchar_t* name, bool keepOpen) noexcept;
// Uses an archive held in memory (read in place; the block must outlive every read). Only the first call
// takes effect: once the archive is "membuffer", later calls keep it.
void SetSkinArchiveMemory(const void* data, DWORD size) noexcept;
const CUIString& SkinArchiveName() noexcept;
bool IsArchiveKeptOpen() noexcept;
HZIPUI KeptArchive() noexcept;

// Reads a skin file by relative name from the resource folder or the skin archive. Returns null on
// success, otherwise one of the fixed messages ("Error opening file", "File is empty", "File too large",
// "Could not read file", "Error opening zip file", "Could not find ziped file", "Could not unzip file").
// sizeLimit 0 means no limit.
[[nodiscard]] const wchar_t* ReadSkinFile(const wchar_t* name, CByteBufferUI& bytes,
                                          DWORD sizeLimit = kSkinFileSizeLimit) noexcept;
// Copies the resource name/type of the resource module. False when absent or empty.
[[nodiscard]] bool ReadModuleResource(const wchar_t* name, const wchar_t* type,
                                      CByteBufferUI& bytes) noexcept;

} // namespace Tamsk
