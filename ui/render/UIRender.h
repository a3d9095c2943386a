// The renderer: stateless drawing routines shared by every control and the window manager, the image
// loader behind the manager's image cache, plain and markup text, and a clip scope.
//
// The parts that need no device (descriptor grammar, nine-grid geometry, tiling, pixel conversion, HSL)
// are free functions below so they can be tested without GDI; the device routines end in them.
#pragma once

#include <windows.h>

#include "ui/render/UIGdiHandles.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Tamsk {

class CUIString;
class CWindowManagerUI;
struct TImageDataUI;

// ---------------------------------------------------------------------------------------------------------
// Image descriptors

// Everything a descriptor can say about one image draw. Names are kept as std::wstring because a
// descriptor value may be any length and the parse is done once per draw.
struct TImageDrawParamsUI {
    std::wstring strName;    // "file" / "res"; the whole descriptor text by default
    std::wstring strResType; // "restype"; empty: not a resource
    RECT rcDest{};           // "dest", already offset into the item and cut at its right and bottom
    RECT rcSource{};         // "source"; all zero: the whole bitmap
    RECT rcCorner{};         // "corner": left, top, right, bottom band widths
    DWORD dwMask = 0;        // "mask": 0xAARRGGBB made fully transparent at load time
    BYTE uFade = 255;        // "fade": constant opacity
    bool bHole = false;      // "hole": leave the centre cell out
    bool bTiledX = false;    // "xtiled"
    bool bTiledY = false;    // "ytiled"
};

// The defaults a descriptor starts from: the whole text as the image name, the item as destination.
void ResetImageDrawParams(TImageDrawParamsUI& params, const wchar_t* descriptor, const RECT& item);

// Called for every image a descriptor asks to be drawn before its last one (a second "file", or a
// "restype" after a "file"). The final image is never reported: the caller draws it with what is left.
using PendingImageDrawFn = void (*)(const TImageDrawParamsUI& params, void* context);

// Reads one descriptor text into params. Pending images are counted from 0 for each text. A malformed
// pair ends the text; what was read before it stays in force. Null text reads as nothing.
void ParseImageDescriptor(const wchar_t* text, const RECT& item, TImageDrawParamsUI& params,
                          PendingImageDrawFn onPending, void* context) noexcept;

// Numbers as skin attributes read them: leading white space, optional sign, decimal digits, saturating.
// *end (when given) is left after the last digit.
int ParseSkinInt(const wchar_t* text, const wchar_t** end = nullptr) noexcept;
// Four integers, exactly one separator character skipped between them; missing numbers are 0.
RECT ParseSkinRect(const wchar_t* text) noexcept;
// An optional '#' and then hexadecimal digits, as wcstoul does with base 16 (saturates at 0xFFFFFFFF).
DWORD ParseSkinHexColor(const wchar_t* text) noexcept;

// ---------------------------------------------------------------------------------------------------------
// Nine-grid geometry

// One blit: target and source rectangles (right and bottom exclusive). A piece with bOneToOne is copied
// unscaled (fully tiled centre cells and the exact-size shortcut); the others are stretched.
struct TBitmapPieceUI {
    RECT rcTarget{};
    RECT rcSource{};
    bool bOneToOne = false;
};

using BitmapPieceFn = void (*)(const TBitmapPieceUI& piece, void* context);

// Splits a bitmap draw into its pieces in drawing order: the exact-size shortcut (copy path only), or the
// centre cell (plain, tiled in x, y or both) followed by the eight border pieces. Pieces whose target
// misses the paint rectangle, and pieces with an empty source or target, are not reported; a tiled
// centre cell whose source cell is empty is not drawn at all.
void ForEachBitmapPiece(const RECT& dest, const RECT& paint, const RECT& source, const RECT& corner,
                        bool blending, bool hole, bool tiledX, bool tiledY, BitmapPieceFn visit,
                        void* context) noexcept;

// ---------------------------------------------------------------------------------------------------------
// Pixel conversion

// RGBA bytes (as stb_image gives them) to premultiplied BGRA 32-bit pixels, then the mask. Returns
// whether any pixel has alpha below 255 or was removed by the mask.
bool PremultiplyPixels(const std::uint8_t* rgba, std::uint32_t* bgra, std::size_t count, DWORD mask) noexcept;

// One pixel of the blend used when msimg32 is missing: premultiplied source over destination with a
// constant alpha, the same arithmetic AlphaBlend does with AC_SRC_ALPHA.
std::uint32_t BlendPremultipliedPixel(std::uint32_t src, std::uint32_t dst, BYTE fade) noexcept;

// The blend behind DrawBitmap when msimg32 has no AlphaBlend: the stretched source over the target area,
// premultiplied, with the constant alpha fade. False when its bitmaps could not be made.
bool OwnAlphaBlend(HDC dst, const RECT& target, HDC src, const RECT& source, BYTE fade) noexcept;

// The opaque gradient fallback: the shift for a number of steps (2^shift bands).
int GradientBandShift(int steps) noexcept;

// ---------------------------------------------------------------------------------------------------------
// The renderer

class CRendererUI {
public:
    CRendererUI() = delete;

    // Image files and resources to a new premultiplied image (owned by the caller, normally the
    // manager's cache). type is null for skin files. Null on any failure.
    [[nodiscard]] static TImageDataUI* LoadSkinImage(const wchar_t* name, const wchar_t* type,
                                                     DWORD mask) noexcept;
    // Decodes image bytes (PNG, JPEG, BMP, ... as stb_image reads them) into a new image record.
    [[nodiscard]] static TImageDataUI* DecodeSkinImage(const void* data, std::size_t size,
                                                       DWORD mask) noexcept;
    // The same into a bare top-down 32-bit DIB section; null on failure.
    [[nodiscard]] static HBITMAP CreatePremultipliedBitmap(const void* data, std::size_t size, DWORD mask,
                                                           int& width, int& height, bool& hasAlpha) noexcept;

    // False only without a device context or a manager; images that cannot be drawn are skipped.
    static bool DrawImageDescriptor(HDC hdc, CWindowManagerUI* manager, const RECT& item, const RECT& paint,
                                    const wchar_t* descriptor, const wchar_t* modifier = nullptr) noexcept;
    static bool DrawImagePiece(HDC hdc, CWindowManagerUI* manager, const RECT& item, const RECT& paint,
                               const wchar_t* name, const wchar_t* resType, const RECT& dest,
                               const RECT& source, const RECT& corner, DWORD mask, BYTE fade, bool hole,
                               bool tiledX, bool tiledY) noexcept;
    static void DrawBitmap(HDC hdc, HBITMAP bitmap, const RECT& dest, const RECT& paint, const RECT& source,
                           const RECT& corner, bool alpha, BYTE fade = 255, bool hole = false,
                           bool tiledX = false, bool tiledY = false) noexcept;

    // Colours are 0xAARRGGBB; a fill with alpha 0 draws nothing.
    static void FillColor(HDC hdc, const RECT& rc, DWORD color) noexcept;
    static void FillGradient(HDC hdc, const RECT& rc, DWORD first, DWORD second, bool vertical,
                             int steps) noexcept;
    // From the rectangle's left-top to its right-bottom corner.
    static void StrokeLine(HDC hdc, const RECT& rc, int width, DWORD color, int penStyle = PS_SOLID) noexcept;
    static void StrokeRect(HDC hdc, const RECT& rc, int width, DWORD color) noexcept;
    static void StrokeRoundRect(HDC hdc, const RECT& rc, int width, int ellipseWidth, int ellipseHeight,
                                DWORD color) noexcept;

    // hue 0-360 (neutral 180), saturation and lightness in percent (neutral 100).
    [[nodiscard]] static DWORD AdjustColorHsl(DWORD color, int hue, int saturation, int lightness) noexcept;

    // 32-bit pixel buffers of rowWidth pixels per row. The rectangle is cut at the row's left and right
    // edges and at the top; the caller keeps it within the buffer's rows.
    static void ClearBitmapRect(void* bits, int rowWidth, const RECT& rc) noexcept;
    // GDI leaves alpha 0 where it draws: such pixels with any colour become opaque. Pure black cannot be
    // told from untouched background and stays transparent.
    static void RestoreOpaqueAlpha(void* bits, int rowWidth, const RECT& rc) noexcept;

    // One font and colour; the manager's settings choose GDI+ (per-pixel alpha or "gdiplustext") or GDI.
    // With DT_CALCRECT the needed size is written back into rc.
    static void DrawPlainText(HDC hdc, CWindowManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color,
                              int font, UINT style) noexcept;
    // Text with inline tags. linkRects/linkTargets have room for linkCount entries (in), and linkCount
    // comes back as the number of links drawn; both arrays may be null.
    static void DrawMarkupText(HDC hdc, CWindowManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color,
                               RECT* linkRects, CUIString* linkTargets, int& linkCount, UINT style) noexcept;
};

// ---------------------------------------------------------------------------------------------------------
// Clip scope

// Narrows a device context's clip for a while. The saved clip is the bounding box of the clip in force
// at begin, so a non-rectangular clip comes back as its bounding rectangle.
class CClipRegionUI {
public:
    CClipRegionUI() = default;
    ~CClipRegionUI() { End(); }
    CClipRegionUI(const CClipRegionUI&) = delete;
    CClipRegionUI& operator=(const CClipRegionUI&) = delete;

    void Begin(HDC hdc, const RECT& rc) noexcept;
    // The clip is also cut to the rounded rectangle (item.left, item.top, item.right + 1, item.bottom + 1).
    void Begin(HDC hdc, const RECT& rc, const RECT& item, int ellipseWidth, int ellipseHeight) noexcept;
    void UseOuterClip() noexcept;
    void UseInnerClip() noexcept;
    void End() noexcept;

private:
    void Start(HDC hdc, const RECT& rc, HRGN shape) noexcept;

    RECT m_rcItem{};
    HDC m_hDC = nullptr;
    CUniqueRgnUI m_hRgn;
    CUniqueRgnUI m_hOldRgn;
};

} // namespace Tamsk
