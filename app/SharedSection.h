// A named paging-file section and one view of it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/UniqueHandle.h"

class SharedSection {
public:
    SharedSection() = default;
    ~SharedSection();
    SharedSection(const SharedSection&) = delete;
    SharedSection& operator=(const SharedSection&) = delete;

    // Opens the section of this name or creates it with the size rounded up to 64 KiB. With openExisting
    // false, finding the section already there is a failure. The name is UTF-8; empty means anonymous.
    [[nodiscard]] bool OpenOrCreateSection(const char* name, bool openExisting, std::uint32_t size) noexcept;
    [[nodiscard]] bool MapView(std::uint32_t bytes) noexcept;
    void UnmapView() noexcept;
    void CloseSection() noexcept;

    const std::wstring& Name() const noexcept { return m_strName; }
    HANDLE SectionHandle() const noexcept { return m_hSection.get(); }
    void* View() const noexcept { return m_view.get(); }
    // The requested size when this process created the section; 0 when it already existed.
    std::uint32_t CreatedSize() const noexcept { return m_nCreatedSize; }

private:
    std::wstring m_strName;
    UniqueHandle m_hSection;
    UniqueView m_view;
    bool m_bReadOnly = false;
    std::uint32_t m_nCreatedSize = 0;
    UniqueHandle m_hLock;
};
