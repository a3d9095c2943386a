// Pixels, not calls: the renderer draws into real 32-bit DIB sections under Wine and the pixels are read
// back, premultiplied alpha included.
#include "tests/render/RenderCanvas.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Tamsk;
using rendertest::Canvas;
using rendertest::Hex;
using rendertest::PixelDistance;

namespace {

struct TDecoded {
    CUniqueBitmapUI bitmap;
    int width = 0;
    int height = 0;
    bool alpha = false;
    const std::uint32_t* bits = nullptr;
};

TDecoded Decode(const wchar_t* fixture, DWORD mask = 0) {
    const std::string bytes = rendertest::Fixture(fixture);
    TDecoded d;
    d.bitmap.Reset(
        CRendererUI::CreatePremultipliedBitmap(bytes.data(), bytes.size(), mask, d.width, d.height, d.alpha));
    DIBSECTION ds{};
    if (d.bitmap && ::GetObjectW(d.bitmap.Get(), sizeof ds, &ds) == sizeof ds) {
        d.bits = static_cast<const std::uint32_t*>(ds.dsBm.bmBits);
        EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);
    }
    return d;
}

const RECT kEverywhere{-10000, -10000, 10000, 10000};

class RenderPixels : public ::testing::Test {
protected:
    rendertest::GdiplusSession gdiplus;
};

} // namespace

TEST_F(RenderPixels, AlphaRampDecodesPremultiplied) {
    const TDecoded ramp = Decode(L"alpha-ramp.png");
    ASSERT_TRUE(ramp.bitmap);
    ASSERT_NE(ramp.bits, nullptr);
    EXPECT_EQ(ramp.width, 256);
    EXPECT_EQ(ramp.height, 4);
    EXPECT_TRUE(ramp.alpha);
    for (int x = 0; x < 256; ++x) {
        // Pure red with alpha x premultiplies to red = 255 * x / 255 = x.
        const std::uint32_t want =
            (static_cast<std::uint32_t>(x) << 24) | (static_cast<std::uint32_t>(x) << 16);
        ASSERT_EQ(ramp.bits[3 * 256 + x], want) << "x=" << x << " got " << Hex(ramp.bits[3 * 256 + x]);
    }
    // The mask is compared with the premultiplied pixel: the opaque right column goes away.
    const TDecoded masked = Decode(L"alpha-ramp.png", 0xFFFF0000);
    ASSERT_NE(masked.bits, nullptr);
    EXPECT_EQ(masked.bits[255], 0u);
    EXPECT_EQ(masked.bits[254], 0xFEFE0000u);

    const TDecoded opaque = Decode(L"nine-grid.png");
    ASSERT_TRUE(opaque.bitmap);
    EXPECT_FALSE(opaque.alpha);
    const std::string garbage = "\x89PNG\r\n\x1a\n not really";
    int w = -1, h = -1;
    bool a = true;
    EXPECT_EQ(CRendererUI::CreatePremultipliedBitmap(garbage.data(), garbage.size(), 0, w, h, a), nullptr);
    EXPECT_EQ(CRendererUI::CreatePremultipliedBitmap(nullptr, 0, 0, w, h, a), nullptr);
    EXPECT_EQ(CRendererUI::DecodeSkinImage(garbage.data(), garbage.size(), 0), nullptr);
}

TEST_F(RenderPixels, AlphaRampBlendedAtAFade) {
    const TDecoded ramp = Decode(L"alpha-ramp.png");
    ASSERT_NE(ramp.bits, nullptr);
    Canvas viaAlphaBlend(256, 4);
    Canvas viaOwnBlend(256, 4);
    ASSERT_TRUE(viaAlphaBlend.Ok() && viaOwnBlend.Ok());
    viaAlphaBlend.Fill(0xFF0000FF);
    viaOwnBlend.Fill(0xFF0000FF);
    const RECT all{0, 0, 256, 4};
    CRendererUI::DrawBitmap(viaAlphaBlend.Dc(), ramp.bitmap.Get(), all, kEverywhere, all, RECT{}, true, 128);

    CUniqueDcUI src(::CreateCompatibleDC(nullptr));
    CSelectObjectUI sel(src.Get(), ramp.bitmap.Get());
    ASSERT_TRUE(OwnAlphaBlend(viaOwnBlend.Dc(), all, src.Get(), all, 128));

    for (int x = 0; x < 256; ++x) {
        const std::uint32_t want = BlendPremultipliedPixel(ramp.bits[x], 0xFF0000FF, 128);
        // Red rises and blue falls with the ramp; the destination stays opaque.
        EXPECT_LE(PixelDistance(viaAlphaBlend.At(x, 2), want), 1)
            << "AlphaBlend x=" << x << " got " << Hex(viaAlphaBlend.At(x, 2)) << " want " << Hex(want);
        EXPECT_LE(PixelDistance(viaOwnBlend.At(x, 2), want), 1)
            << "own blend x=" << x << " got " << Hex(viaOwnBlend.At(x, 2)) << " want " << Hex(want);
    }
    EXPECT_EQ(viaAlphaBlend.At(0, 0), 0xFF0000FFu);
    EXPECT_LE(PixelDistance(viaAlphaBlend.At(255, 0), 0xFF80007F), 1) << Hex(viaAlphaBlend.At(255, 0));
}

TEST_F(RenderPixels, NineGridCornersStayExact) {
    const TDecoded grid = Decode(L"nine-grid.png");
    ASSERT_NE(grid.bits, nullptr);
    ASSERT_EQ(grid.width, 30);
    const RECT source{0, 0, 30, 30};
    const RECT corner{10, 10, 10, 10};
    const RECT dest{0, 0, 100, 40};
    struct Mode {
        const char* what;
        bool alpha;
        bool hole;
    } modes[] = {{"copy path", false, false}, {"blending path", true, false}, {"hole", true, true}};
    for (const Mode& mode : modes) {
        Canvas canvas(100, 40);
        ASSERT_TRUE(canvas.Ok());
        canvas.Fill(0xFF123456);
        CRendererUI::DrawBitmap(canvas.Dc(), grid.bitmap.Get(), dest, kEverywhere, source, corner, mode.alpha,
                                255, mode.hole);
        // GDI's copies may leave the alpha byte alone; the colour must be exact.
        auto rgb = [](std::uint32_t px) { return px & 0xFFFFFFu; };
        struct Corner {
            int dx, dy, sx, sy;
        } corners[] = {{0, 0, 0, 0}, {90, 0, 20, 0}, {0, 30, 0, 20}, {90, 30, 20, 20}};
        for (const Corner& c : corners) {
            for (int y = 0; y < 10; ++y) {
                for (int x = 0; x < 10; ++x) {
                    const std::uint32_t want = rgb(grid.bits[(c.sy + y) * 30 + c.sx + x]);
                    ASSERT_EQ(rgb(canvas.At(c.dx + x, c.dy + y)), want)
                        << mode.what << " corner at " << c.dx << "," << c.dy << " pixel " << x << "," << y;
                }
            }
        }
        // The edges are stretched along their length: one colour all the way.
        for (int x = 10; x < 90; x += 7) {
            EXPECT_EQ(rgb(canvas.At(x, 4)), 0x0000FFu) << mode.what << " top edge x=" << x;
            EXPECT_EQ(rgb(canvas.At(x, 35)), 0x0000FFu) << mode.what << " bottom edge x=" << x;
        }
        for (int y = 10; y < 30; y += 3) {
            EXPECT_EQ(rgb(canvas.At(5, y)), 0x0000FFu) << mode.what << " left edge y=" << y;
            EXPECT_EQ(rgb(canvas.At(95, y)), 0x0000FFu) << mode.what << " right edge y=" << y;
        }
        const std::uint32_t centre = mode.hole ? 0xFF123456u : 0xFFFFFFu;
        for (int y = 12; y < 28; y += 5) {
            for (int x = 12; x < 88; x += 9) {
                const std::uint32_t got = mode.hole ? canvas.At(x, y) : rgb(canvas.At(x, y));
                EXPECT_EQ(got, centre) << mode.what << " centre " << x << "," << y;
            }
        }
    }
}

TEST_F(RenderPixels, TiledCentreIsCopiedUnscaled) {
    const TDecoded tile = Decode(L"tile.png");
    ASSERT_NE(tile.bits, nullptr);
    for (bool alpha : {false, true}) {
        Canvas canvas(30, 20);
        canvas.Fill(0xFF000000);
        const RECT dest{0, 0, 25, 15};
        CRendererUI::DrawBitmap(canvas.Dc(), tile.bitmap.Get(), dest, kEverywhere, RECT{0, 0, 10, 10}, RECT{},
                                alpha, 255, false, true, true);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 30; ++x) {
                const std::uint32_t want =
                    (x < 25 && y < 15) ? tile.bits[(y % 10) * 10 + x % 10] & 0xFFFFFFu : 0x000000u;
                ASSERT_EQ(canvas.At(x, y) & 0xFFFFFFu, want) << (alpha ? "blend " : "copy ") << x << "," << y;
            }
        }
    }
    // A tiled centre cell of no width draws nothing and does not fault.
    Canvas canvas(40, 10);
    canvas.Fill(0xFF000000);
    CRendererUI::DrawBitmap(canvas.Dc(), tile.bitmap.Get(), RECT{0, 0, 40, 10}, kEverywhere,
                            RECT{0, 0, 10, 10}, RECT{5, 0, 5, 0}, true, 255, false, true, true);
    EXPECT_EQ(canvas.At(20, 5), 0xFF000000u);
    EXPECT_NE(canvas.At(2, 5), 0xFF000000u);
}

TEST_F(RenderPixels, FillColorHonoursAlpha) {
    ASSERT_TRUE(gdiplus.Ok());
    Canvas canvas(20, 10);
    canvas.Fill(0xFF0000FF);
    CRendererUI::FillColor(canvas.Dc(), RECT{0, 0, 5, 10}, 0xFFFF0000);
    CRendererUI::FillColor(canvas.Dc(), RECT{5, 0, 10, 10}, 0x80FF0000);
    CRendererUI::FillColor(canvas.Dc(), RECT{10, 0, 15, 10}, 0x00FF0000); // alpha 0: nothing
    EXPECT_EQ(canvas.At(2, 5) & 0xFFFFFFu, 0xFF0000u) << Hex(canvas.At(2, 5));
    EXPECT_LE(PixelDistance(canvas.At(7, 5) | 0xFF000000u, 0xFF80007F), 2) << Hex(canvas.At(7, 5));
    EXPECT_EQ(canvas.At(12, 5), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(17, 5), 0xFF0000FFu);
}

TEST_F(RenderPixels, GradientsRunFromFirstToSecond) {
    {
        Canvas canvas(4, 256);
        canvas.Fill(0xFF0000FF);
        CRendererUI::FillGradient(canvas.Dc(), RECT{0, 0, 4, 256}, 0xFF000000, 0xFFFFFFFF, true, 64);
        EXPECT_LE(PixelDistance(canvas.At(1, 0) & 0xFFFFFFu, 0), 2) << Hex(canvas.At(1, 0));
        EXPECT_LE(PixelDistance(canvas.At(1, 255) & 0xFFFFFFu, 0xFFFFFF), 2) << Hex(canvas.At(1, 255));
        int previous = -1;
        for (int y = 0; y < 256; ++y) {
            const int g = rendertest::Channel(canvas.At(2, y), 1);
            ASSERT_GE(g, previous) << "row " << y;
            previous = g;
        }
        EXPECT_LE(std::abs(rendertest::Channel(canvas.At(1, 128), 1) - 128), 3) << Hex(canvas.At(1, 128));
    }
    {
        Canvas canvas(256, 2);
        canvas.Fill(0xFF0000FF);
        CRendererUI::FillGradient(canvas.Dc(), RECT{0, 0, 256, 2}, 0xFFFF0000, 0xFF00FF00, false, 64);
        EXPECT_LE(PixelDistance(canvas.At(0, 0) & 0xFFFFFFu, 0xFF0000), 2) << Hex(canvas.At(0, 0));
        EXPECT_LE(PixelDistance(canvas.At(255, 1) & 0xFFFFFFu, 0x00FF00), 2) << Hex(canvas.At(255, 1));
    }
    {
        // Both alphas 0: nothing at all. Mean alpha 128: blended over the destination.
        Canvas canvas(8, 8);
        canvas.Fill(0xFF0000FF);
        CRendererUI::FillGradient(canvas.Dc(), RECT{0, 0, 8, 8}, 0x00FF0000, 0x00FF0000, true, 16);
        EXPECT_EQ(canvas.At(4, 4), 0xFF0000FFu);
        CRendererUI::FillGradient(canvas.Dc(), RECT{0, 0, 8, 8}, 0x80FF0000, 0x80FF0000, true, 16);
        EXPECT_LE(PixelDistance(canvas.At(4, 4), 0xFF80007F), 2) << Hex(canvas.At(4, 4));
    }
}

TEST_F(RenderPixels, RestoreOpaqueAlphaAfterGdi) {
    Canvas canvas(60, 20);
    canvas.Fill(0);
    CUniqueBrushUI red(::CreateSolidBrush(RGB(255, 0, 0)));
    CUniqueBrushUI black(::CreateSolidBrush(RGB(0, 0, 0)));
    RECT r1{0, 0, 20, 20};
    RECT r2{20, 0, 40, 20};
    ::FillRect(canvas.Dc(), &r1, red.Get());
    ::FillRect(canvas.Dc(), &r2, black.Get());
    ::SetBkMode(canvas.Dc(), TRANSPARENT);
    ::SetTextColor(canvas.Dc(), RGB(255, 255, 255));
    ::TextOutW(canvas.Dc(), 42, 2, L"W", 1);
    ::GdiFlush();
    // GDI left alpha 0 behind everything it drew.
    ASSERT_EQ(canvas.At(10, 10) >> 24, 0u) << Hex(canvas.At(10, 10));
    CRendererUI::RestoreOpaqueAlpha(canvas.Bits(), 60, RECT{0, 0, 60, 20});
    EXPECT_EQ(canvas.At(10, 10), 0xFFFF0000u);
    EXPECT_EQ(canvas.At(30, 10), 0u) << "pure black cannot be told from background";
    int opaqueText = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 40; x < 60; ++x) {
            const std::uint32_t px = canvas.At(x, y);
            ASSERT_TRUE(px == 0 || (px >> 24) == 0xFF) << x << "," << y << " " << Hex(px);
            opaqueText += px != 0;
        }
    }
    EXPECT_GT(opaqueText, 5);
    CRendererUI::ClearBitmapRect(canvas.Bits(), 60, RECT{5, 5, 15, 15});
    EXPECT_EQ(canvas.At(10, 10), 0u);
    EXPECT_EQ(canvas.At(4, 10), 0xFFFF0000u);
}

TEST_F(RenderPixels, StrokesStayInsideTheirFrames) {
    Canvas canvas(50, 50);
    canvas.Fill(0);
    CRendererUI::StrokeRect(canvas.Dc(), RECT{10, 10, 30, 30}, 2, 0xFFFF0000);
    auto red = [&](int x, int y) { return (canvas.At(x, y) & 0xFFFFFFu) == 0xFF0000u; };
    EXPECT_TRUE(red(10, 10));
    EXPECT_TRUE(red(11, 20));
    EXPECT_TRUE(red(29, 29));
    EXPECT_TRUE(red(28, 15));
    EXPECT_FALSE(red(12, 12)) << "no fill";
    EXPECT_FALSE(red(9, 9));
    EXPECT_FALSE(red(30, 30));

    canvas.Fill(0);
    CRendererUI::StrokeLine(canvas.Dc(), RECT{0, 5, 40, 5}, 1, 0xFF00FF00);
    EXPECT_EQ(canvas.At(20, 5) & 0xFFFFFFu, 0x00FF00u);
    EXPECT_EQ(canvas.At(20, 6), 0u);

    canvas.Fill(0);
    CRendererUI::StrokeRoundRect(canvas.Dc(), RECT{0, 0, 40, 40}, 1, 20, 20, 0xFF0000FF);
    EXPECT_EQ(canvas.At(0, 0), 0u) << "the corner is rounded off";
    EXPECT_EQ(canvas.At(20, 0) & 0xFFFFFFu, 0x0000FFu);
    EXPECT_EQ(canvas.At(20, 20), 0u);
}

TEST_F(RenderPixels, ClipScopes) {
    Canvas canvas(40, 40);
    CUniqueBrushUI red(::CreateSolidBrush(RGB(255, 0, 0)));
    const RECT all{0, 0, 40, 40};
    auto paintAll = [&] {
        canvas.Fill(0);
        ::FillRect(canvas.Dc(), &all, red.Get());
        ::GdiFlush();
    };
    {
        CClipRegionUI clip;
        clip.Begin(canvas.Dc(), RECT{10, 10, 20, 20});
        paintAll();
        EXPECT_NE(canvas.At(15, 15), 0u);
        EXPECT_EQ(canvas.At(5, 5), 0u);
        EXPECT_EQ(canvas.At(20, 20), 0u);
        clip.UseOuterClip();
        paintAll();
        EXPECT_NE(canvas.At(5, 5), 0u);
        clip.UseInnerClip();
        paintAll();
        EXPECT_EQ(canvas.At(5, 5), 0u);
    }
    paintAll();
    EXPECT_NE(canvas.At(5, 5), 0u) << "the scope's end gives the whole surface back";
    {
        CClipRegionUI clip;
        clip.Begin(canvas.Dc(), all, RECT{0, 0, 39, 39}, 20, 20);
        paintAll();
        EXPECT_EQ(canvas.At(0, 0), 0u);
        EXPECT_NE(canvas.At(20, 20), 0u);
        EXPECT_NE(canvas.At(20, 0), 0u);
        clip.End();
        paintAll();
        EXPECT_NE(canvas.At(0, 0), 0u);
    }
}
