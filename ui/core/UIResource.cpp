#include "ui/core/UIResource.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace Tamsk {

const wchar_t kMemoryArchiveName[] = L"membuffer";

namespace {

// The process-wide resource settings, built on first use.
struct TResourceSettings {
    HINSTANCE appInstance = nullptr;
    HINSTANCE resourceModule = nullptr;
    CUIString resourceFolder;
    CUIString archiveName;
    bool keepArchiveOpen = false;
    // Deliberately not closed at exit: a memory archive's block may already be gone by then.
    HZIPUI keptArchive = nullptr;
};

TResourceSettings& Settings() noexcept {
    static TResourceSettings settings;
    return settings;
}

void CloseKeptArchive(TResourceSettings& s) noexcept {
    if (s.keepArchiveOpen && s.keptArchive != nullptr) {
        (void)ZipClose(s.keptArchive);
    }
    s.keptArchive = nullptr;
}

// The framework's own window classes, registered once per process with the application instance.
// The drop-shadow window class ("TamskShadowWnd") is registered here by the shadow's owner.
void RegisterFrameworkWindowClasses(HINSTANCE instance) noexcept {
    static bool registered = false;
    if (registered || instance == nullptr) {
        return;
    }
    registered = true;
}

const wchar_t* ReadFolderFile(const wchar_t* name, CByteBufferUI& bytes, DWORD sizeLimit) noexcept {
    CUIString path = Settings().resourceFolder;
    path.AppendText(name);
    CFileHandleUI file(::CreateFileW(path.Text(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return L"Error opening file";
    }
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.Get(), &size)) {
        return L"Could not read file";
    }
    if (size.QuadPart == 0) {
        return L"File is empty";
    }
    if ((sizeLimit != 0 && size.QuadPart > sizeLimit) || size.QuadPart > 0x7FFFFFFFLL) {
        return L"File too large";
    }
    DWORD wanted = static_cast<DWORD>(size.QuadPart);
    if (!bytes.Allocate(wanted)) {
        return L"Could not read file";
    }
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.Data(), wanted, &read, nullptr) || read < wanted) {
        bytes.Reset();
        return L"Could not read file";
    }
    return nullptr;
}

const wchar_t* ReadArchiveFile(const wchar_t* name, CByteBufferUI& bytes, DWORD sizeLimit) noexcept {
    TResourceSettings& s = Settings();
    // An archive opened for this one read is closed on every path; a kept one stays open.
    CZipOwnerUI ownArchive;
    HZIPUI zip = nullptr;
    if (s.keepArchiveOpen) {
        zip = s.keptArchive;
    } else {
        CUIString path = s.resourceFolder;
        path.AppendText(s.archiveName);
        ownArchive.Reset(ZipOpen(path.Text(), 0, ZipSourceFileName));
        zip = ownArchive.Get();
    }
    if (zip == nullptr) {
        return L"Error opening zip file";
    }
    int index = -1;
    TZipEntryUI entry;
    if (ZipFind(zip, name, true, &index, &entry) != ZipOk) {
        return L"Could not find ziped file";
    }
    if (entry.uncompressedSize == 0) {
        return L"File is empty";
    }
    if ((sizeLimit != 0 && entry.uncompressedSize > sizeLimit) || entry.uncompressedSize > 0x7FFFFFFFu) {
        return L"File too large";
    }
    if (!bytes.Allocate(entry.uncompressedSize)) {
        return L"Could not unzip file";
    }
    DWORD delivered = 0;
    DWORD result = ZipExtract(zip, index, bytes.Data(), bytes.Size(), &delivered);
    if ((result != ZipOk && result != ZipMore) || delivered != bytes.Size()) {
        bytes.Reset();
        // Leave no half-read entry behind in a kept archive.
        (void)ZipExtract(zip, index, nullptr, 0);
        return L"Could not unzip file";
    }
    // The call after the last byte closes the entry and is the only one that can judge its checksum: a
    // damaged stored member would otherwise pass as good data.
    DWORD finished = ZipExtract(zip, index, bytes.Data(), bytes.Size());
    if (finished != ZipOk) {
        bytes.Reset();
        return L"Could not unzip file";
    }
    return nullptr;
}

} // namespace

CByteBufferUI::CByteBufferUI(CByteBufferUI&& other) noexcept
    : m_pData(other.m_pData), m_nSize(other.m_nSize) {
    other.m_pData = nullptr;
    other.m_nSize = 0;
}

CByteBufferUI& CByteBufferUI::operator=(CByteBufferUI&& other) noexcept {
    if (this != &other) {
        Reset();
        std::swap(m_pData, other.m_pData);
        std::swap(m_nSize, other.m_nSize);
    }
    return *this;
}

bool CByteBufferUI::Allocate(DWORD size) noexcept {
    Reset();
    if (size == 0) {
        return true;
    }
    m_pData = static_cast<BYTE*>(std::malloc(size));
    if (m_pData == nullptr) {
        return false;
    }
    m_nSize = size;
    return true;
}

void CByteBufferUI::Reset() noexcept {
    std::free(m_pData);
    m_pData = nullptr;
    m_nSize = 0;
}

void SetAppInstance(HINSTANCE instance) noexcept {
    Settings().appInstance = instance;
    RegisterFrameworkWindowClasses(instance);
}

HINSTANCE AppInstance() noexcept {
    return Settings().appInstance;
}

HINSTANCE ResourceModule() noexcept {
    TResourceSettings& s = Settings();
    return s.resourceModule != nullptr ? s.resourceModule : s.appInstance;
}

void SetResourceModule(HINSTANCE module) noexcept {
    Settings().resourceModule = module;
}

CUIString InstanceFolder() noexcept {
    HINSTANCE instance = Settings().appInstance;
    if (instance == nullptr) {
        return CUIString();
    }
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(instance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return CUIString();
    }
    CUIString folder(path);
    return folder.Prefix(folder.LastIndexOfChar(L'\\') + 1);
}

void SetResourceFolder(const wchar_t* path) noexcept {
    CUIString& folder = Settings().resourceFolder;
    folder.SetText(path);
    int length = folder.Length();
    if (length > 0 && folder.CharAt(length - 1) != L'\\' && folder.CharAt(length - 1) != L'/') {
        folder.AppendChar(L'\\');
    }
}

const CUIString& ResourceFolder() noexcept {
    return Settings().resourceFolder;
}

void SetSkinArchive(const wchar_t* name, bool keepOpen) noexcept {
    TResourceSettings& s = Settings();
    if (s.archiveName.Equals(name) && s.keepArchiveOpen == keepOpen) {
        return;
    }
    CloseKeptArchive(s);
    s.archiveName.SetText(name);
    s.keepArchiveOpen = keepOpen;
    if (keepOpen) {
        CUIString path = s.resourceFolder;
        path.AppendText(s.archiveName);
        s.keptArchive = ZipOpen(path.Text(), 0, ZipSourceFileName);
    }
}

void SetSkinArchiveMemory(const void* data, DWORD size) noexcept {
    TResourceSettings& s = Settings();
    if (s.archiveName.Equals(kMemoryArchiveName)) {
        return;
    }
    CloseKeptArchive(s);
    s.archiveName.SetText(kMemoryArchiveName);
    s.keepArchiveOpen = true;
    s.keptArchive = ZipOpen(data, size, ZipSourceMemory);
}

const CUIString& SkinArchiveName() noexcept {
    return Settings().archiveName;
}

bool IsArchiveKeptOpen() noexcept {
    return Settings().keepArchiveOpen;
}

HZIPUI KeptArchive() noexcept {
    return Settings().keptArchive;
}

const wchar_t* ReadSkinFile(const wchar_t* name, CByteBufferUI& bytes, DWORD sizeLimit) noexcept {
    bytes.Reset();
    if (name == nullptr) {
        name = L"";
    }
    // A resource number is no file name; it must not be read as text.
    if (IS_INTRESOURCE(name)) {
        return Settings().archiveName.IsBlank() ? L"Error opening file" : L"Could not find ziped file";
    }
    if (Settings().archiveName.IsBlank()) {
        return ReadFolderFile(name, bytes, sizeLimit);
    }
    return ReadArchiveFile(name, bytes, sizeLimit);
}

bool ReadModuleResource(const wchar_t* name, const wchar_t* type, CByteBufferUI& bytes) noexcept {
    bytes.Reset();
    HINSTANCE module = ResourceModule();
    HRSRC found = ::FindResourceW(module, name, type);
    if (found == nullptr) {
        return false;
    }
    HGLOBAL loaded = ::LoadResource(module, found);
    DWORD size = ::SizeofResource(module, found);
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr || size == 0 || !bytes.Allocate(size)) {
        return false;
    }
    std::memcpy(bytes.Data(), data, size);
    return true;
}

} // namespace Tamsk
