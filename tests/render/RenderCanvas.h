// A real 32-bit top-down DIB section selected into a memory DC, with its pixels readable, and a GDI+
// session for the tests that draw through GDI+.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "ui/render/UIRender.h"
#include "tests/common/TestEnv.h"

#include <cstdint>
#include <string>

namespace rendertest {

class Canvas {
public:
    Canvas(int width, int height) : m_w(width), m_h(height) {
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = width;
        bmi.bmiHeader.biHeight = -height;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        m_dc.Reset(::CreateCompatibleDC(nullptr));
        m_bmp.Reset(::CreateDIBSection(m_dc.Get(), &bmi, DIB_RGB_COLORS, &m_bits, nullptr, 0));
        m_old = ::SelectObject(m_dc.Get(), m_bmp.Get());
    }
    ~Canvas() { ::SelectObject(m_dc.Get(), m_old); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc.Get(); }
    bool Ok() const { return m_bits != nullptr && m_dc; }
    int Width() const { return m_w; }
    int Height() const { return m_h; }
    std::uint32_t* Bits() const { return static_cast<std::uint32_t*>(m_bits); }
    std::uint32_t At(int x, int y) const {
        ::GdiFlush();
        return Bits()[y * m_w + x];
    }
    void Fill(std::uint32_t value) {
        ::GdiFlush();
        for (int i = 0; i < m_w * m_h; ++i) {
            Bits()[i] = value;
        }
    }

private:
    int m_w, m_h;
    void* m_bits = nullptr;
    Tamsk::CUniqueDcUI m_dc;
    Tamsk::CUniqueBitmapUI m_bmp;
    HGDIOBJ m_old = nullptr;
};

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        m_ok = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (m_ok) {
            Gdiplus::GdiplusShutdown(m_token);
        }
    }
    bool Ok() const { return m_ok; }

private:
    ULONG_PTR m_token = 0;
    bool m_ok = false;
};

inline std::string Hex(std::uint32_t v) {
    char buf[16];
    wsprintfA(buf, "%08X", v);
    return buf;
}

inline int Channel(std::uint32_t px, int byte) {
    return static_cast<int>((px >> (8 * byte)) & 0xFF);
}

// Largest difference of the four bytes.
inline int PixelDistance(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int i = 0; i < 4; ++i) {
        const int d = Channel(a, i) - Channel(b, i);
        worst = (d < 0 ? -d : d) > worst ? (d < 0 ? -d : d) : worst;
    }
    return worst;
}

inline std::string Fixture(const wchar_t* name) {
    return nudge::test::ReadFileBytes(nudge::test::SourcePath(std::wstring(L"tests\\render\\data\\") + name));
}

} // namespace rendertest
