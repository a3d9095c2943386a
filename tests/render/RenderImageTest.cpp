// Image descriptors drawn through a real manager's cache: skin files from a folder, an archive and the
// program's resources, read back as pixels.
#include "tests/render/RenderCanvas.h"

#include "ui/core/UIManager.h"
#include "ui/core/UIResource.h"

#include <gtest/gtest.h>

using namespace Tamsk;
using rendertest::Canvas;
using rendertest::Hex;

namespace {

constexpr std::uint32_t kBack = 0xFF0000FF;

// Pixel (x, y) of tile.png: red 20 x, green 20 y, blue 0x40.
std::uint32_t TilePixel(int x, int y) {
    return (static_cast<std::uint32_t>(20 * x) << 16) | (static_cast<std::uint32_t>(20 * y) << 8) | 0x40u;
}

class RenderImages : public ::testing::Test {
protected:
    void SetUp() override {
        SetSkinArchive(L"", false);
        SetResourceFolder(nudge::test::SourcePath(L"tests\\render\\data").c_str());
        SetResourceModule(::GetModuleHandleW(nullptr));
        canvas.Fill(kBack);
    }
    void TearDown() override { SetSkinArchive(L"", false); }

    bool Draw(const wchar_t* descriptor, RECT item, const wchar_t* modifier = nullptr) {
        return CRendererUI::DrawImageDescriptor(canvas.Dc(), &manager, item, RECT{0, 0, 300, 100}, descriptor,
                                                modifier);
    }
    // True when the 10x10 tile sits unscaled at (x, y).
    bool TileAt(int x0, int y0) {
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                if ((canvas.At(x0 + x, y0 + y) & 0xFFFFFFu) != TilePixel(x, y)) {
                    ADD_FAILURE() << "tile at " << x0 << "," << y0 << " pixel " << x << "," << y << " is "
                                  << Hex(canvas.At(x0 + x, y0 + y));
                    return false;
                }
            }
        }
        return true;
    }
    bool Untouched(const RECT& r) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            for (LONG x = r.left; x < r.right; ++x) {
                if (canvas.At(x, y) != kBack) {
                    return false;
                }
            }
        }
        return true;
    }

    CWindowManagerUI manager;
    Canvas canvas{300, 100};
};

} // namespace

TEST_F(RenderImages, DescriptorsPlaceAndCutImages) {
    EXPECT_TRUE(Draw(L"file='tile.png' dest='5,5,15,15'", RECT{10, 10, 100, 100}));
    EXPECT_TRUE(TileAt(15, 15));
    EXPECT_TRUE(Untouched(RECT{0, 0, 15, 15}));
    EXPECT_TRUE(Untouched(RECT{25, 25, 40, 40}));
    EXPECT_EQ(manager.ImageCount(), 1);

    // A bare name fills the whole item; a dest beyond the item is cut to it.
    canvas.Fill(kBack);
    EXPECT_TRUE(Draw(L"tile.png", RECT{100, 0, 120, 20}));
    EXPECT_TRUE(Draw(L"file='tile.png' dest='0,0,400,300'", RECT{150, 0, 170, 20}));
    for (LONG x0 : {100, 150}) {
        EXPECT_NE(canvas.At(x0, 0), kBack);
        EXPECT_NE(canvas.At(x0 + 19, 19), kBack);
        EXPECT_EQ(canvas.At(x0 + 20, 10), kBack);
        EXPECT_EQ(canvas.At(x0 + 10, 20), kBack);
    }
    EXPECT_EQ(manager.ImageCount(), 1) << "the cache decodes a name once";

    // Two files: two images, the second with everything read after the first.
    canvas.Fill(kBack);
    EXPECT_TRUE(
        Draw(L"file='tile.png' dest='0,0,10,10' file='tile.png' dest='20,0,30,10'", RECT{0, 0, 300, 100}));
    EXPECT_TRUE(TileAt(0, 0));
    EXPECT_TRUE(TileAt(20, 0));
    EXPECT_TRUE(Untouched(RECT{10, 0, 20, 10}));

    // The source is cut at the bitmap's edges; the cut part is copied 1:1.
    canvas.Fill(kBack);
    EXPECT_TRUE(Draw(L"file='tile.png' source='5,0,100,100' dest='0,0,5,10'", RECT{0, 0, 300, 100}));
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 5; ++x) {
            ASSERT_EQ(canvas.At(x, y) & 0xFFFFFFu, TilePixel(x + 5, y)) << x << "," << y;
        }
    }

    // Missing images draw nothing and still report true; without a DC or manager the answer is false.
    canvas.Fill(kBack);
    EXPECT_TRUE(Draw(L"file='nosuch.png'", RECT{0, 0, 300, 100}));
    EXPECT_TRUE(Untouched(RECT{0, 0, 300, 100}));
    EXPECT_FALSE(CRendererUI::DrawImageDescriptor(nullptr, &manager, RECT{}, RECT{}, L"tile.png"));
    EXPECT_FALSE(CRendererUI::DrawImageDescriptor(canvas.Dc(), nullptr, RECT{}, RECT{}, L"tile.png"));
    // An item outside the paint rectangle is not drawn.
    EXPECT_TRUE(CRendererUI::DrawImageDescriptor(canvas.Dc(), &manager, RECT{0, 0, 20, 20},
                                                 RECT{50, 50, 60, 60}, L"tile.png"));
    EXPECT_TRUE(Untouched(RECT{0, 0, 20, 20}));
}

TEST_F(RenderImages, FadeAndPerPixelAlpha) {
    Canvas ramp(256, 4);
    ramp.Fill(kBack);
    EXPECT_TRUE(CRendererUI::DrawImageDescriptor(ramp.Dc(), &manager, RECT{0, 0, 256, 4}, RECT{0, 0, 256, 4},
                                                 L"file='alpha-ramp.png' fade='384'"));
    for (int x = 0; x < 256; x += 15) {
        const std::uint32_t src =
            (static_cast<std::uint32_t>(x) << 24) | (static_cast<std::uint32_t>(x) << 16);
        const std::uint32_t want = BlendPremultipliedPixel(src, kBack, 128); // 384 keeps its low 8 bits
        EXPECT_LE(rendertest::PixelDistance(ramp.At(x, 1), want), 1) << x << " " << Hex(ramp.At(x, 1));
    }
    // On a per-pixel-alpha window even an opaque picture goes through the blend, whose result is opaque.
    manager.SetPerPixelAlpha(true);
    canvas.Fill(0);
    EXPECT_TRUE(Draw(L"file='tile.png' dest='0,0,10,10'", RECT{0, 0, 300, 100}));
    EXPECT_EQ(canvas.At(3, 4), 0xFF000000u | TilePixel(3, 4)) << Hex(canvas.At(3, 4));
}

TEST_F(RenderImages, ResourcesArchivesAndPaths) {
    // A resource by number and type.
    EXPECT_TRUE(Draw(L"res='101' restype='PNG' dest='0,0,10,10'", RECT{0, 0, 300, 100}));
    EXPECT_TRUE(TileAt(0, 0));
    // A missing resource number draws nothing.
    canvas.Fill(kBack);
    EXPECT_TRUE(Draw(L"res='102' restype='PNG' dest='0,0,10,10'", RECT{0, 0, 300, 100}));
    EXPECT_TRUE(Untouched(RECT{0, 0, 10, 10}));

    // From the skin archive, the member name compared without case.
    SetSkinArchive(L"skin.zip", false);
    CWindowManagerUI fromZip;
    canvas.Fill(kBack);
    EXPECT_TRUE(CRendererUI::DrawImageDescriptor(canvas.Dc(), &fromZip, RECT{0, 0, 300, 100},
                                                 RECT{0, 0, 300, 100},
                                                 L"file='PICS\\tile.png' dest='30,0,40,10'"));
    EXPECT_TRUE(TileAt(30, 0));
    // A name the archive does not have is tried as a path of its own.
    const std::wstring absolute = nudge::test::SourcePath(L"tests\\render\\data\\tile.png");
    const std::wstring descriptor = L"file='" + absolute + L"' dest='50,0,60,10'";
    EXPECT_TRUE(CRendererUI::DrawImageDescriptor(canvas.Dc(), &fromZip, RECT{0, 0, 300, 100},
                                                 RECT{0, 0, 300, 100}, descriptor.c_str()));
    EXPECT_TRUE(TileAt(50, 0));
    SetSkinArchive(L"", false);

    // The loader on its own: a new record owned by the caller, null for what cannot be read or decoded.
    TImageDataUI* image = CRendererUI::LoadSkinImage(L"tile.png", nullptr, 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->nWidth, 10);
    EXPECT_EQ(image->nHeight, 10);
    EXPECT_FALSE(image->bAlphaChannel);
    ::DeleteObject(image->hBitmap);
    delete image;
    EXPECT_EQ(CRendererUI::LoadSkinImage(L"make-fixtures.sh", nullptr, 0), nullptr);
    EXPECT_EQ(CRendererUI::LoadSkinImage(L"", nullptr, 0), nullptr);
    EXPECT_EQ(CRendererUI::LoadSkinImage(nullptr, nullptr, 0), nullptr);
}
