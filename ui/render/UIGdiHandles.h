// Owners of GDI handles: one move-only type per kind, the release call fixed by the type, so a memory DC
// can never be freed with DeleteObject by mistake.
#pragma once

#include <windows.h>

#include <utility>

namespace Tamsk {

template <typename T, typename Close> class CUniqueHandleUI {
public:
    CUniqueHandleUI() noexcept = default;
    explicit CUniqueHandleUI(T h) noexcept : m_h(h) {}
    ~CUniqueHandleUI() { Reset(); }
    CUniqueHandleUI(const CUniqueHandleUI&) = delete;
    CUniqueHandleUI& operator=(const CUniqueHandleUI&) = delete;
    CUniqueHandleUI(CUniqueHandleUI&& other) noexcept : m_h(other.Release()) {}
    CUniqueHandleUI& operator=(CUniqueHandleUI&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    T Get() const noexcept { return m_h; }
    explicit operator bool() const noexcept { return m_h != nullptr; }
    [[nodiscard]] T Release() noexcept { return std::exchange(m_h, nullptr); }
    void Reset(T h = nullptr) noexcept {
        T old = std::exchange(m_h, h);
        if (old != nullptr) {
            Close{}(old);
        }
    }

private:
    T m_h = nullptr;
};

struct TDeleteGdiObjectUI {
    void operator()(HGDIOBJ h) const noexcept { ::DeleteObject(h); }
};
struct TDeleteDcUI {
    void operator()(HDC h) const noexcept { ::DeleteDC(h); }
};

using CUniqueDcUI = CUniqueHandleUI<HDC, TDeleteDcUI>;
using CUniqueBitmapUI = CUniqueHandleUI<HBITMAP, TDeleteGdiObjectUI>;
using CUniqueBrushUI = CUniqueHandleUI<HBRUSH, TDeleteGdiObjectUI>;
using CUniquePenUI = CUniqueHandleUI<HPEN, TDeleteGdiObjectUI>;
using CUniqueFontUI = CUniqueHandleUI<HFONT, TDeleteGdiObjectUI>;
using CUniqueRgnUI = CUniqueHandleUI<HRGN, TDeleteGdiObjectUI>;

// Selects an object into a DC and puts the previous one back when the scope ends.
class CSelectObjectUI {
public:
    CSelectObjectUI(HDC hdc, HGDIOBJ obj) noexcept
        : m_hdc(hdc), m_old(hdc != nullptr && obj != nullptr ? ::SelectObject(hdc, obj) : nullptr) {}
    ~CSelectObjectUI() {
        if (m_old != nullptr && m_old != HGDI_ERROR) {
            ::SelectObject(m_hdc, m_old);
        }
    }
    CSelectObjectUI(const CSelectObjectUI&) = delete;
    CSelectObjectUI& operator=(const CSelectObjectUI&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

} // namespace Tamsk
