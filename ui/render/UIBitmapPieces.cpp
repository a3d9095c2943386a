// Nine-grid piece geometry, tiling arithmetic, pixel conversion, HSL and the pixel-buffer helpers:
// everything of the renderer that needs no device.
#include "ui/render/UIRender.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace Tamsk {

namespace {

LONG Width(const RECT& rc) {
    return rc.right - rc.left;
}
LONG Height(const RECT& rc) {
    return rc.bottom - rc.top;
}
bool IsEmptyRect(const RECT& rc) {
    return rc.right <= rc.left || rc.bottom <= rc.top;
}
bool Intersects(const RECT& a, const RECT& b) {
    if (IsEmptyRect(a) || IsEmptyRect(b)) {
        return false;
    }
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}
RECT MakeRect(long long l, long long t, long long r, long long b) {
    auto clamp = [](long long v) { return static_cast<LONG>(std::clamp<long long>(v, INT_MIN, INT_MAX)); };
    return RECT{clamp(l), clamp(t), clamp(r), clamp(b)};
}

struct TPieceSink {
    const RECT& paint;
    BitmapPieceFn visit;
    void* context;

    void Emit(const RECT& target, const RECT& source, bool oneToOne) const {
        if (IsEmptyRect(source) || !Intersects(target, paint)) {
            return;
        }
        TBitmapPieceUI piece;
        piece.rcTarget = target;
        piece.rcSource = source;
        piece.bOneToOne = oneToOne;
        visit(piece, context);
    }
};

// The first tile index whose tile [origin + i * step, origin + (i + 1) * step) can reach `from`.
long long FirstTile(long long origin, long long step, long long from) {
    return from > origin ? (from - origin) / step : 0;
}

void EmitCentre(const TPieceSink& sink, const RECT& t, long long sl, long long st, long long sw, long long sh,
                bool tiledX, bool tiledY) {
    if (!tiledX && !tiledY) {
        sink.Emit(t, MakeRect(sl, st, sl + sw, st + sh), false);
        return;
    }
    // A tile step of 0 has no tiles to count: such a cell draws nothing.
    if ((tiledX && sw <= 0) || (tiledY && sh <= 0)) {
        return;
    }
    const long long tw = Width(t);
    const long long th = Height(t);
    // Only the tiles that can meet the paint rectangle are walked; the others would be skipped anyway.
    const RECT& p = sink.paint;
    if (tiledX && tiledY) {
        const long long columns = (tw + sw - 1) / sw;
        const long long rows = (th + sh - 1) / sh;
        for (long long j = FirstTile(t.top, sh, p.top); j < rows; ++j) {
            const long long y = t.top + j * sh;
            if (y >= p.bottom) {
                break;
            }
            const long long h = std::min(sh, t.bottom - y);
            for (long long i = FirstTile(t.left, sw, p.left); i < columns; ++i) {
                const long long x = t.left + i * sw;
                if (x >= p.right) {
                    break;
                }
                const long long w = std::min(sw, t.right - x);
                sink.Emit(MakeRect(x, y, x + w, y + h), MakeRect(sl, st, sl + w, st + h), true);
            }
        }
    } else if (tiledX) {
        const long long columns = (tw + sw - 1) / sw;
        for (long long i = FirstTile(t.left, sw, p.left); i < columns; ++i) {
            const long long x = t.left + i * sw;
            if (x >= p.right) {
                break;
            }
            const long long w = std::min(sw, t.right - x);
            sink.Emit(MakeRect(x, t.top, x + w, t.bottom), MakeRect(sl, st, sl + w, st + sh), false);
        }
    } else {
        const long long rows = (th + sh - 1) / sh;
        for (long long j = FirstTile(t.top, sh, p.top); j < rows; ++j) {
            const long long y = t.top + j * sh;
            if (y >= p.bottom) {
                break;
            }
            const long long h = std::min(sh, t.bottom - y);
            sink.Emit(MakeRect(t.left, y, t.right, y + h), MakeRect(sl, st, sl + sw, st + h), false);
        }
    }
}

} // namespace

void ForEachBitmapPiece(const RECT& d, const RECT& paint, const RECT& s, const RECT& c, bool blending,
                        bool hole, bool tiledX, bool tiledY, BitmapPieceFn visit, void* context) noexcept {
    if (visit == nullptr) {
        return;
    }
    const TPieceSink sink{paint, visit, context};
    const bool noCorners = c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0;
    if (!blending && noCorners && Width(d) == Width(s) && Height(d) == Height(s)) {
        // Exact size, opaque, no corners: one copy of the part inside the paint rectangle.
        RECT t{std::max(d.left, paint.left), std::max(d.top, paint.top), std::min(d.right, paint.right),
               std::min(d.bottom, paint.bottom)};
        if (!IsEmptyRect(t)) {
            const long long sl = static_cast<long long>(s.left) + (t.left - d.left);
            const long long st = static_cast<long long>(s.top) + (t.top - d.top);
            sink.Emit(t, MakeRect(sl, st, sl + Width(t), st + Height(t)), true);
        }
        return;
    }

    const long long sw = static_cast<long long>(Width(s)) - c.left - c.right;
    const long long sh = static_cast<long long>(Height(s)) - c.top - c.bottom;
    const long long dl = d.left, dt = d.top, dr = d.right, db = d.bottom;
    const long long sl = s.left, st = s.top, sr = s.right, sb = s.bottom;
    const long long cl = c.left, ct = c.top, cr = c.right, cb = c.bottom;

    if (!hole) {
        const RECT t = MakeRect(dl + cl, dt + ct, dr - cr, db - cb);
        if (Intersects(t, paint)) {
            EmitCentre(sink, t, sl + cl, st + ct, sw, sh, tiledX, tiledY);
        }
    }
    if (cl > 0 && ct > 0) {
        sink.Emit(MakeRect(dl, dt, dl + cl, dt + ct), MakeRect(sl, st, sl + cl, st + ct), false);
    }
    if (ct > 0) {
        sink.Emit(MakeRect(dl + cl, dt, dr - cr, dt + ct), MakeRect(sl + cl, st, sl + cl + sw, st + ct),
                  false);
    }
    if (cr > 0 && ct > 0) {
        sink.Emit(MakeRect(dr - cr, dt, dr, dt + ct), MakeRect(sr - cr, st, sr, st + ct), false);
    }
    if (cl > 0) {
        sink.Emit(MakeRect(dl, dt + ct, dl + cl, db - cb), MakeRect(sl, st + ct, sl + cl, st + ct + sh),
                  false);
    }
    if (cr > 0) {
        sink.Emit(MakeRect(dr - cr, dt + ct, dr, db - cb), MakeRect(sr - cr, st + ct, sr, st + ct + sh),
                  false);
    }
    if (cl > 0 && cb > 0) {
        sink.Emit(MakeRect(dl, db - cb, dl + cl, db), MakeRect(sl, sb - cb, sl + cl, sb), false);
    }
    if (cb > 0) {
        sink.Emit(MakeRect(dl + cl, db - cb, dr - cr, db), MakeRect(sl + cl, sb - cb, sl + cl + sw, sb),
                  false);
    }
    if (cr > 0 && cb > 0) {
        sink.Emit(MakeRect(dr - cr, db - cb, dr, db), MakeRect(sr - cr, sb - cb, sr, sb), false);
    }
}

bool PremultiplyPixels(const std::uint8_t* rgba, std::uint32_t* bgra, std::size_t count,
                       DWORD mask) noexcept {
    bool hasAlpha = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t r = rgba[4 * i], g = rgba[4 * i + 1], b = rgba[4 * i + 2], a = rgba[4 * i + 3];
        std::uint32_t pixel;
        if (a == 255) {
            pixel = 0xFF000000u | (r << 16) | (g << 8) | b;
        } else {
            pixel = (a << 24) | ((r * a / 255) << 16) | ((g * a / 255) << 8) | (b * a / 255);
            hasAlpha = true;
        }
        if (pixel == mask) {
            pixel = 0;
            hasAlpha = true;
        }
        bgra[i] = pixel;
    }
    return hasAlpha;
}

std::uint32_t BlendPremultipliedPixel(std::uint32_t src, std::uint32_t dst, BYTE fade) noexcept {
    // Source scaled by the constant alpha first, then source over destination, rounding as msimg32 does.
    auto scale = [](std::uint32_t v, std::uint32_t by) { return (v * by + 127) / 255; };
    const std::uint32_t sa = scale(src >> 24, fade);
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t s = scale((src >> shift) & 0xFF, fade);
        const std::uint32_t d = (dst >> shift) & 0xFF;
        const std::uint32_t v = std::min<std::uint32_t>(255, s + scale(d, 255 - sa));
        out |= v << shift;
    }
    return out;
}

int GradientBandShift(int steps) noexcept {
    if (steps >= 64) {
        return 6;
    }
    if (steps >= 32) {
        return 5;
    }
    if (steps >= 16) {
        return 4;
    }
    if (steps >= 8) {
        return 3;
    }
    if (steps >= 4) {
        return 2;
    }
    return 1;
}

namespace {

double HueToChannel(double p, double q, double t) {
    if (t < 0) {
        t += 1;
    }
    if (t > 1) {
        t -= 1;
    }
    if (6 * t < 1) {
        return p + (q - p) * 6 * t;
    }
    if (2 * t < 1) {
        return q;
    }
    if (3 * t < 2) {
        return p + (q - p) * (2.0 / 3.0 - t) * 6;
    }
    return p;
}

DWORD ToByte(double v) {
    const double scaled = std::clamp(v * 255.0, 0.0, 255.0);
    return static_cast<DWORD>(scaled);
}

} // namespace

DWORD CRendererUI::AdjustColorHsl(DWORD color, int hue, int saturation, int lightness) noexcept {
    if (hue == 180 && saturation == 100 && lightness == 100) {
        return color;
    }
    // The low byte plays "red" and the third byte "blue"; both directions use the same roles, so the
    // exchange cancels out.
    const double x = (color & 0xFF) / 255.0;
    const double y = ((color >> 8) & 0xFF) / 255.0;
    const double z = ((color >> 16) & 0xFF) / 255.0;
    const double mx = std::max({x, y, z});
    const double mn = std::min({x, y, z});
    double h = 0;
    double s = 0;
    double l = (mx + mn) / 2;
    if (mx != mn) {
        const double d = mx - mn;
        s = 2 * l <= 1 ? d / (mx + mn) : d / (2 - mx - mn);
        double k;
        double f;
        if (x == mn) {
            k = 3;
            f = y - z;
        } else if (y == mn) {
            k = 5;
            f = z - x;
        } else {
            k = 1;
            f = x - y;
        }
        double v = k - f / d;
        if (v >= 6) {
            v -= 6;
        }
        h = 60 * v;
    }
    h = h + hue - 180;
    if (h <= 0) {
        h += 360;
    }
    s = s * saturation / 100.0;
    l = l * lightness / 100.0;

    const double q = 2 * l < 1 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    const double t = h / 360.0;
    const DWORD nx = ToByte(HueToChannel(p, q, t + 1.0 / 3.0));
    const DWORD ny = ToByte(HueToChannel(p, q, t));
    const DWORD nz = ToByte(HueToChannel(p, q, t - 1.0 / 3.0));
    return (color & 0xFF000000u) | (nz << 16) | (ny << 8) | nx;
}

namespace {

template <typename F> void ForEachPixel(void* bits, int rowWidth, const RECT& rc, F&& f) {
    if (bits == nullptr || rowWidth <= 0) {
        return;
    }
    const LONG left = std::max<LONG>(rc.left, 0);
    const LONG right = std::min<LONG>(rc.right, rowWidth);
    const LONG top = std::max<LONG>(rc.top, 0);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (LONG yy = top; yy < rc.bottom; ++yy) {
        std::uint32_t* row = pixels + static_cast<std::size_t>(yy) * static_cast<std::size_t>(rowWidth);
        for (LONG xx = left; xx < right; ++xx) {
            f(row[xx]);
        }
    }
}

} // namespace

void CRendererUI::ClearBitmapRect(void* bits, int rowWidth, const RECT& rc) noexcept {
    ForEachPixel(bits, rowWidth, rc, [](std::uint32_t& px) { px = 0; });
}

void CRendererUI::RestoreOpaqueAlpha(void* bits, int rowWidth, const RECT& rc) noexcept {
    ForEachPixel(bits, rowWidth, rc, [](std::uint32_t& px) {
        if ((px & 0xFF000000u) == 0 && (px & 0x00FFFFFFu) != 0) {
            px |= 0xFF000000u;
        }
    });
}

} // namespace Tamsk
