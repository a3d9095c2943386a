#include "app/SharedSection.h"

#include <vector>

namespace {

constexpr std::uint32_t kSectionGranularity = 65536;

std::wstring Utf8ToWide(const char* text) noexcept {
    std::wstring out;
    if (!text || !*text)
        return out;
    const int needed = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (needed <= 1)
        return out;
    std::vector<wchar_t> buffer(static_cast<size_t>(needed));
    if (::MultiByteToWideChar(CP_UTF8, 0, text, -1, buffer.data(), needed) != needed)
        return out;
    out.assign(buffer.data());
    return out;
}

} // namespace

SharedSection::~SharedSection() {
    CloseSection();
    m_hLock.reset();
}

bool SharedSection::OpenOrCreateSection(const char* name, bool openExisting, std::uint32_t size) noexcept {
    if (size == 0)
        return false;
    // A request within the last 64 KiB below 4 GiB cannot be rounded up in 32 bits.
    if (size > 0xFFFFFFFFu - (kSectionGranularity - 1))
        return false;
    const std::uint32_t rounded =
        (size + kSectionGranularity - 1) / kSectionGranularity * kSectionGranularity;

    CloseSection();
    m_strName = Utf8ToWide(name);
    HANDLE section = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, rounded,
                                          m_strName.empty() ? nullptr : m_strName.c_str());
    const DWORD error = ::GetLastError();
    if (!section)
        return false;
    UniqueHandle owner(section);
    m_nCreatedSize = rounded;
    if (error == ERROR_ALREADY_EXISTS) {
        m_nCreatedSize = 0;
        if (!openExisting)
            return false;
    }
    m_hSection = std::move(owner);
    return true;
}

bool SharedSection::MapView(std::uint32_t bytes) noexcept {
    if (!m_hSection)
        return false;
    UnmapView();
    void* view =
        ::MapViewOfFile(m_hSection.get(), m_bReadOnly ? FILE_MAP_READ : FILE_MAP_ALL_ACCESS, 0, 0, bytes);
    if (!view)
        return false;
    m_view.reset(view);
    return true;
}

void SharedSection::UnmapView() noexcept {
    m_view.reset();
}

void SharedSection::CloseSection() noexcept {
    UnmapView();
    m_hSection.reset();
}
