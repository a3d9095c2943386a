// The renderer's device operations: decoding into DIB sections, bitmap pieces through AlphaBlend or the
// own blend, fills, gradients, strokes and the clip scope.
#include "ui/render/UIRender.h"

#include "ui/core/UIManager.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <climits>
#include <new>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#include "stb_image.h"
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace Tamsk {

namespace {

namespace gp = Gdiplus::DllExports;

using AlphaBlendFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
using GradientFillFn = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

struct TMsimgEntries {
    AlphaBlendFn alphaBlend = nullptr;
    GradientFillFn gradientFill = nullptr;
};

// Found once, on the UI thread, at the first draw that needs them.
const TMsimgEntries& MsimgEntries() noexcept {
    static const TMsimgEntries entries = [] {
        TMsimgEntries e;
        HMODULE module = ::GetModuleHandleW(L"msimg32.dll");
        if (module == nullptr) {
            // Only from the system folder: a msimg32.dll next to the program must never be picked up.
            module = ::LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        }
        if (module != nullptr) {
            e.alphaBlend = reinterpret_cast<AlphaBlendFn>(
                reinterpret_cast<void*>(::GetProcAddress(module, "AlphaBlend")));
            e.gradientFill = reinterpret_cast<GradientFillFn>(
                reinterpret_cast<void*>(::GetProcAddress(module, "GradientFill")));
        }
        return e;
    }();
    return entries;
}

LONG Width(const RECT& rc) {
    return rc.right - rc.left;
}
LONG Height(const RECT& rc) {
    return rc.bottom - rc.top;
}

COLORREF ToColorRef(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// A top-down 32-bit DIB section; bits receives its pixels.
HBITMAP CreateTopDownDib(HDC hdc, int width, int height, void** bits) noexcept {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    bmi.bmiHeader.biSizeImage = 0;
    void* p = nullptr;
    HBITMAP bmp = ::CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    if (bmp == nullptr || p == nullptr) {
        if (bmp != nullptr) {
            ::DeleteObject(bmp);
        }
        return nullptr;
    }
    *bits = p;
    return bmp;
}

struct TStbPixels {
    stbi_uc* p = nullptr;
    ~TStbPixels() {
        if (p != nullptr) {
            stbi_image_free(p);
        }
    }
};

} // namespace

// The blend used when msimg32 has no AlphaBlend: the destination area and the stretched source go into
// two 32-bit bitmaps of the target size and are combined pixel by pixel. False when a bitmap could not
// be made.
bool OwnAlphaBlend(HDC dst, const RECT& target, HDC src, const RECT& source, BYTE fade) noexcept {
    const int w = Width(target);
    const int h = Height(target);
    if (w <= 0 || h <= 0 || Width(source) <= 0 || Height(source) <= 0) {
        return false;
    }
    CUniqueDcUI dstDc(::CreateCompatibleDC(dst));
    CUniqueDcUI srcDc(::CreateCompatibleDC(dst));
    if (!dstDc || !srcDc) {
        return false;
    }
    void* dstBits = nullptr;
    void* srcBits = nullptr;
    CUniqueBitmapUI dstBmp(CreateTopDownDib(dst, w, h, &dstBits));
    CUniqueBitmapUI srcBmp(CreateTopDownDib(dst, w, h, &srcBits));
    if (!dstBmp || !srcBmp) {
        return false;
    }
    CSelectObjectUI selDst(dstDc.Get(), dstBmp.Get());
    CSelectObjectUI selSrc(srcDc.Get(), srcBmp.Get());
    ::BitBlt(dstDc.Get(), 0, 0, w, h, dst, target.left, target.top, SRCCOPY);
    // Dropping rows and columns keeps each source pixel whole, alpha included.
    ::SetStretchBltMode(srcDc.Get(), COLORONCOLOR);
    ::StretchBlt(srcDc.Get(), 0, 0, w, h, src, source.left, source.top, Width(source), Height(source),
                 SRCCOPY);
    ::GdiFlush();
    auto* d = static_cast<std::uint32_t*>(dstBits);
    const auto* s = static_cast<const std::uint32_t*>(srcBits);
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    for (std::size_t i = 0; i < count; ++i) {
        d[i] = BlendPremultipliedPixel(s[i], d[i], fade);
    }
    ::BitBlt(dst, target.left, target.top, w, h, dstDc.Get(), 0, 0, SRCCOPY);
    return true;
}

namespace {

void BlendPiece(HDC dst, const RECT& target, HDC src, const RECT& source, BYTE fade) noexcept {
    if (const AlphaBlendFn alphaBlend = MsimgEntries().alphaBlend) {
        const BLENDFUNCTION bf{AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
        alphaBlend(dst, target.left, target.top, Width(target), Height(target), src, source.left, source.top,
                   Width(source), Height(source), bf);
        return;
    }
    (void)OwnAlphaBlend(dst, target, src, source, fade);
}

struct TBlitContext {
    HDC dst;
    HDC src;
    bool blending;
    BYTE fade;
};

void BlitPiece(const TBitmapPieceUI& piece, void* context) {
    const auto& ctx = *static_cast<const TBlitContext*>(context);
    const RECT& t = piece.rcTarget;
    const RECT& s = piece.rcSource;
    if (ctx.blending) {
        BlendPiece(ctx.dst, t, ctx.src, s, ctx.fade);
    } else if (piece.bOneToOne) {
        ::BitBlt(ctx.dst, t.left, t.top, Width(t), Height(t), ctx.src, s.left, s.top, SRCCOPY);
    } else {
        ::StretchBlt(ctx.dst, t.left, t.top, Width(t), Height(t), ctx.src, s.left, s.top, Width(s), Height(s),
                     SRCCOPY);
    }
}

} // namespace

HBITMAP CRendererUI::CreatePremultipliedBitmap(const void* data, std::size_t size, DWORD mask, int& width,
                                               int& height, bool& hasAlpha) noexcept {
    width = height = 0;
    hasAlpha = false;
    if (data == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
        return nullptr;
    }
    int w = 0;
    int h = 0;
    int channels = 0;
    TStbPixels pixels;
    pixels.p = stbi_load_from_memory(static_cast<const stbi_uc*>(data), static_cast<int>(size), &w, &h,
                                     &channels, 4);
    if (pixels.p == nullptr || w <= 0 || h <= 0) {
        return nullptr;
    }
    void* bits = nullptr;
    HBITMAP bmp = CreateTopDownDib(nullptr, w, h, &bits);
    if (bmp == nullptr) {
        return nullptr;
    }
    hasAlpha = PremultiplyPixels(pixels.p, static_cast<std::uint32_t*>(bits),
                                 static_cast<std::size_t>(w) * static_cast<std::size_t>(h), mask);
    width = w;
    height = h;
    return bmp;
}

TImageDataUI* CRendererUI::DecodeSkinImage(const void* data, std::size_t size, DWORD mask) noexcept {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    CUniqueBitmapUI bmp(CreatePremultipliedBitmap(data, size, mask, width, height, hasAlpha));
    if (!bmp) {
        return nullptr;
    }
    auto* image = new (std::nothrow) TImageDataUI;
    if (image == nullptr) {
        return nullptr;
    }
    image->hBitmap = bmp.Release();
    image->nWidth = width;
    image->nHeight = height;
    image->bAlphaChannel = hasAlpha;
    return image;
}

void CRendererUI::DrawBitmap(HDC hdc, HBITMAP bitmap, const RECT& dest, const RECT& paint, const RECT& source,
                             const RECT& corner, bool alpha, BYTE fade, bool hole, bool tiledX,
                             bool tiledY) noexcept {
    if (hdc == nullptr || bitmap == nullptr) {
        return;
    }
    CUniqueDcUI memDc(::CreateCompatibleDC(hdc));
    if (!memDc) {
        return;
    }
    CSelectObjectUI select(memDc.Get(), bitmap);
    ::SetStretchBltMode(hdc, HALFTONE);
    // HALFTONE needs the brush origin reset after the mode is set.
    ::SetBrushOrgEx(hdc, 0, 0, nullptr);
    TBlitContext ctx{hdc, memDc.Get(), alpha || fade < 255, fade};
    ForEachBitmapPiece(dest, paint, source, corner, ctx.blending, hole, tiledX, tiledY, &BlitPiece, &ctx);
}

void CRendererUI::FillColor(HDC hdc, const RECT& rc, DWORD color) noexcept {
    if (hdc == nullptr || (color >> 24) == 0 || Width(rc) <= 0 || Height(rc) <= 0) {
        return;
    }
    Gdiplus::GpGraphics* graphics = nullptr;
    if (gp::GdipCreateFromHDC(hdc, &graphics) != Gdiplus::Ok || graphics == nullptr) {
        return;
    }
    Gdiplus::GpSolidFill* brush = nullptr;
    if (gp::GdipCreateSolidFill(static_cast<Gdiplus::ARGB>(color), &brush) == Gdiplus::Ok &&
        brush != nullptr) {
        gp::GdipFillRectangleI(graphics, brush, rc.left, rc.top, Width(rc), Height(rc));
        gp::GdipDeleteBrush(brush);
    }
    gp::GdipDeleteGraphics(graphics);
}

namespace {

// Fills r (in hdc's coordinates) with the gradient, opaque.
void PaintGradient(HDC hdc, const RECT& r, DWORD first, DWORD second, bool vertical, int steps) noexcept {
    if (const GradientFillFn gradientFill = MsimgEntries().gradientFill) {
        TRIVERTEX v[2]{};
        v[0].x = r.left;
        v[0].y = r.top;
        v[0].Red = static_cast<COLOR16>(((first >> 16) & 0xFF) << 8);
        v[0].Green = static_cast<COLOR16>(((first >> 8) & 0xFF) << 8);
        v[0].Blue = static_cast<COLOR16>((first & 0xFF) << 8);
        v[0].Alpha = 0xFF00;
        v[1].x = r.right;
        v[1].y = r.bottom;
        v[1].Red = static_cast<COLOR16>(((second >> 16) & 0xFF) << 8);
        v[1].Green = static_cast<COLOR16>(((second >> 8) & 0xFF) << 8);
        v[1].Blue = static_cast<COLOR16>((second & 0xFF) << 8);
        v[1].Alpha = 0xFF00;
        GRADIENT_RECT gr{0, 1};
        gradientFill(hdc, v, 2, &gr, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
        return;
    }
    const int shift = GradientBandShift(steps);
    const int n = 1 << shift;
    const long long extent = vertical ? Height(r) : Width(r);
    for (int i = 0; i < n; ++i) {
        auto channel = [&](int bit) {
            const DWORD a = (first >> bit) & 0xFF;
            const DWORD b = (second >> bit) & 0xFF;
            return static_cast<BYTE>((a * static_cast<DWORD>(i) + b * static_cast<DWORD>(n - i)) >> shift);
        };
        const LONG from = static_cast<LONG>(((i + 1) * extent) >> shift);
        const LONG to = static_cast<LONG>((i * extent) >> shift);
        RECT band = r;
        if (vertical) {
            band.top = r.bottom - from;
            band.bottom = r.bottom - to;
        } else {
            band.left = r.right - from;
            band.right = r.right - to;
        }
        if (band.right <= band.left || band.bottom <= band.top) {
            continue;
        }
        CUniqueBrushUI brush(::CreateSolidBrush(RGB(channel(16), channel(8), channel(0))));
        if (brush) {
            ::FillRect(hdc, &band, brush.Get());
        }
    }
}

} // namespace

void CRendererUI::FillGradient(HDC hdc, const RECT& rc, DWORD first, DWORD second, bool vertical,
                               int steps) noexcept {
    if (hdc == nullptr || Width(rc) <= 0 || Height(rc) <= 0) {
        return;
    }
    const DWORD a = ((first >> 24) + (second >> 24)) >> 1;
    if (a == 0) {
        return;
    }
    if (a >= 255) {
        PaintGradient(hdc, rc, first, second, vertical, steps);
        return;
    }
    // Translucent: the gradient is made opaque off screen, then blended with the mean alpha.
    const int w = Width(rc);
    const int h = Height(rc);
    CUniqueDcUI memDc(::CreateCompatibleDC(hdc));
    void* bits = nullptr;
    CUniqueBitmapUI bmp(CreateTopDownDib(hdc, w, h, &bits));
    if (!memDc || !bmp) {
        return;
    }
    CSelectObjectUI select(memDc.Get(), bmp.Get());
    const RECT local{0, 0, w, h};
    PaintGradient(memDc.Get(), local, first, second, vertical, steps);
    ::GdiFlush();
    // The banding fallback draws through GDI, which leaves alpha 0: the off-screen gradient is opaque
    // by construction, so every pixel gets alpha 255 before the blend.
    auto* px = static_cast<std::uint32_t*>(bits);
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    for (std::size_t i = 0; i < count; ++i) {
        px[i] |= 0xFF000000u;
    }
    BlendPiece(hdc, rc, memDc.Get(), local, static_cast<BYTE>(a));
}

void CRendererUI::StrokeLine(HDC hdc, const RECT& rc, int width, DWORD color, int penStyle) noexcept {
    if (hdc == nullptr) {
        return;
    }
    LOGPEN lp{};
    lp.lopnStyle = static_cast<UINT>(penStyle);
    lp.lopnWidth.x = width;
    lp.lopnColor = ToColorRef(color);
    CUniquePenUI pen(::CreatePenIndirect(&lp));
    if (!pen) {
        return;
    }
    CSelectObjectUI select(hdc, pen.Get());
    POINT old{};
    ::MoveToEx(hdc, rc.left, rc.top, &old);
    ::LineTo(hdc, rc.right, rc.bottom);
    ::MoveToEx(hdc, old.x, old.y, nullptr);
}

void CRendererUI::StrokeRect(HDC hdc, const RECT& rc, int width, DWORD color) noexcept {
    if (hdc == nullptr) {
        return;
    }
    CUniquePenUI pen(::CreatePen(PS_SOLID | PS_INSIDEFRAME, width, ToColorRef(color)));
    if (!pen) {
        return;
    }
    CSelectObjectUI selectPen(hdc, pen.Get());
    CSelectObjectUI selectBrush(hdc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
}

void CRendererUI::StrokeRoundRect(HDC hdc, const RECT& rc, int width, int ellipseWidth, int ellipseHeight,
                                  DWORD color) noexcept {
    if (hdc == nullptr) {
        return;
    }
    CUniquePenUI pen(::CreatePen(PS_SOLID | PS_INSIDEFRAME, width, ToColorRef(color)));
    if (!pen) {
        return;
    }
    CSelectObjectUI selectPen(hdc, pen.Get());
    CSelectObjectUI selectBrush(hdc, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(hdc, rc.left, rc.top, rc.right, rc.bottom, ellipseWidth, ellipseHeight);
}

// ---------------------------------------------------------------------------------------------------------
// CClipRegionUI

void CClipRegionUI::Start(HDC hdc, const RECT& rc, HRGN shape) noexcept {
    End();
    CUniqueRgnUI shapeOwner(shape);
    if (hdc == nullptr) {
        return;
    }
    RECT box{};
    ::GetClipBox(hdc, &box);
    CUniqueRgnUI saved(::CreateRectRgnIndirect(&box));
    CUniqueRgnUI region(::CreateRectRgnIndirect(&rc));
    if (!saved || !region) {
        return;
    }
    if (shapeOwner) {
        ::CombineRgn(region.Get(), region.Get(), shapeOwner.Get(), RGN_AND);
    }
    ::ExtSelectClipRgn(hdc, region.Get(), RGN_AND);
    m_hDC = hdc;
    m_rcItem = rc;
    m_hOldRgn = std::move(saved);
    m_hRgn = std::move(region);
}

void CClipRegionUI::Begin(HDC hdc, const RECT& rc) noexcept {
    Start(hdc, rc, nullptr);
}

void CClipRegionUI::Begin(HDC hdc, const RECT& rc, const RECT& item, int ellipseWidth,
                          int ellipseHeight) noexcept {
    HRGN rounded = ::CreateRoundRectRgn(item.left, item.top, item.right + 1, item.bottom + 1, ellipseWidth,
                                        ellipseHeight);
    if (rounded == nullptr) {
        // Without the rounded shape the clip would be wider than asked for: clip to nothing instead.
        const RECT none{rc.left, rc.top, rc.left, rc.top};
        Start(hdc, none, nullptr);
        return;
    }
    Start(hdc, rc, rounded);
}

void CClipRegionUI::UseOuterClip() noexcept {
    if (m_hDC != nullptr && m_hOldRgn) {
        ::SelectClipRgn(m_hDC, m_hOldRgn.Get());
    }
}

void CClipRegionUI::UseInnerClip() noexcept {
    if (m_hDC != nullptr && m_hRgn) {
        ::SelectClipRgn(m_hDC, m_hRgn.Get());
    }
}

void CClipRegionUI::End() noexcept {
    if (m_hDC != nullptr && m_hOldRgn) {
        ::SelectClipRgn(m_hDC, m_hOldRgn.Get());
    }
    m_hDC = nullptr;
    m_hRgn.Reset();
    m_hOldRgn.Reset();
}

} // namespace Tamsk
