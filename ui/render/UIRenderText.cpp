// Plain text in one font (GDI, or GDI+ for per-pixel-alpha windows and "gdiplustext").
#include "ui/render/UIRender.h"

#include "ui/core/UIManager.h"

#include <objidl.h>
#include <gdiplus.h>

namespace Tamsk {

namespace {

namespace gp = Gdiplus::DllExports;

// Owners of the GDI+ flat objects of one call.
struct TGdipObjects {
    Gdiplus::GpGraphics* graphics = nullptr;
    Gdiplus::GpFont* font = nullptr;
    Gdiplus::GpSolidFill* brush = nullptr;
    Gdiplus::GpStringFormat* format = nullptr;
    ~TGdipObjects() {
        if (format != nullptr) {
            gp::GdipDeleteStringFormat(format);
        }
        if (brush != nullptr) {
            gp::GdipDeleteBrush(brush);
        }
        if (font != nullptr) {
            gp::GdipDeleteFont(font);
        }
        if (graphics != nullptr) {
            gp::GdipDeleteGraphics(graphics);
        }
    }
};

void DrawPlainTextGdiPlus(HDC hdc, CWindowManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color,
                          int font, UINT style) noexcept {
    TGdipObjects o;
    if (gp::GdipCreateFromHDC(hdc, &o.graphics) != Gdiplus::Ok || o.graphics == nullptr) {
        return;
    }
    gp::GdipSetTextRenderingHint(o.graphics, Gdiplus::TextRenderingHintAntiAlias);

    // The wide description keeps face names outside the ANSI code page intact.
    LOGFONTW lf{};
    HFONT hFont = manager->GetFont(font);
    if (hFont == nullptr || ::GetObjectW(hFont, sizeof lf, &lf) != sizeof lf ||
        gp::GdipCreateFontFromLogfontW(hdc, &lf, &o.font) != Gdiplus::Ok) {
        o.font = nullptr;
        CSelectObjectUI select(hdc, hFont);
        if (gp::GdipCreateFontFromDC(hdc, &o.font) != Gdiplus::Ok) {
            return;
        }
    }
    // Alpha 254, not 255: GDI+ then blends the glyphs itself and writes the alpha of what it draws,
    // which a per-pixel-alpha surface needs.
    const Gdiplus::ARGB argb = (color & 0x00FFFFFFu) | 0xFE000000u;
    if (gp::GdipCreateSolidFill(argb, &o.brush) != Gdiplus::Ok) {
        return;
    }
    Gdiplus::GpStringFormat* generic = nullptr;
    if (gp::GdipStringFormatGetGenericTypographic(&generic) != Gdiplus::Ok ||
        gp::GdipCloneStringFormat(generic, &o.format) != Gdiplus::Ok) {
        return;
    }
    if ((style & DT_END_ELLIPSIS) != 0) {
        gp::GdipSetStringFormatTrimming(o.format, Gdiplus::StringTrimmingEllipsisCharacter);
    }
    INT flags = 0;
    if ((style & DT_NOCLIP) != 0) {
        flags |= Gdiplus::StringFormatFlagsNoClip;
    }
    if ((style & DT_SINGLELINE) != 0) {
        flags |= Gdiplus::StringFormatFlagsNoWrap;
    }
    gp::GdipSetStringFormatFlags(o.format, flags);
    Gdiplus::StringAlignment align = Gdiplus::StringAlignmentNear;
    if ((style & DT_CENTER) != 0) {
        align = Gdiplus::StringAlignmentCenter;
    } else if ((style & DT_RIGHT) != 0) {
        align = Gdiplus::StringAlignmentFar;
    }
    gp::GdipSetStringFormatAlign(o.format, align);
    Gdiplus::StringAlignment lineAlign = Gdiplus::StringAlignmentNear;
    if ((style & DT_VCENTER) != 0) {
        lineAlign = Gdiplus::StringAlignmentCenter;
    } else if ((style & DT_BOTTOM) != 0) {
        lineAlign = Gdiplus::StringAlignmentFar;
    }
    gp::GdipSetStringFormatLineAlign(o.format, lineAlign);

    const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(rc.left), static_cast<Gdiplus::REAL>(rc.top),
                                static_cast<Gdiplus::REAL>(rc.right - rc.left),
                                static_cast<Gdiplus::REAL>(rc.bottom - rc.top));
    if ((style & DT_CALCRECT) != 0) {
        Gdiplus::RectF bound;
        if (gp::GdipMeasureString(o.graphics, text, -1, o.font, &layout, o.format, &bound, nullptr,
                                  nullptr) == Gdiplus::Ok) {
            rc.bottom = rc.top + static_cast<LONG>(bound.Height) + 1;
            rc.right = rc.left + static_cast<LONG>(bound.Width) + 1;
        }
        return;
    }
    gp::GdipDrawString(o.graphics, text, -1, o.font, &layout, o.format, o.brush);
}

} // namespace

void CRendererUI::DrawPlainText(HDC hdc, CWindowManagerUI* manager, RECT& rc, const wchar_t* text,
                                DWORD color, int font, UINT style) noexcept {
    if (hdc == nullptr || manager == nullptr || text == nullptr) {
        return;
    }
    if (manager->IsPerPixelAlpha() || manager->UsesGdiPlusText()) {
        DrawPlainTextGdiPlus(hdc, manager, rc, text, color, font, style);
        return;
    }
    const int oldMode = ::SetBkMode(hdc, TRANSPARENT);
    const COLORREF oldColor =
        ::SetTextColor(hdc, RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF));
    {
        CSelectObjectUI select(hdc, manager->GetFont(font));
        // No mnemonics: an '&' in a caption is shown as written.
        ::DrawTextW(hdc, text, -1, &rc, style | DT_NOPREFIX);
    }
    ::SetTextColor(hdc, oldColor);
    ::SetBkMode(hdc, oldMode);
}

} // namespace Tamsk
