// Plain and markup text measured and drawn into DIB sections, through GDI and GDI+, with a real manager.
#include "tests/render/RenderCanvas.h"

#include "ui/core/UIManager.h"
#include "ui/core/UIResource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

using namespace Tamsk;
using rendertest::Canvas;
using rendertest::Hex;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;

struct TInk {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN, count = 0;
    bool Any() const { return count > 0; }
};

// Pixels that differ from the background, as a bounding box.
TInk InkOf(const Canvas& c, std::uint32_t background = kWhite) {
    TInk ink;
    for (int y = 0; y < c.Height(); ++y) {
        for (int x = 0; x < c.Width(); ++x) {
            if ((c.At(x, y) & 0xFFFFFFu) != (background & 0xFFFFFFu)) {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x + 1);
                ink.bottom = std::max(ink.bottom, y + 1);
                ++ink.count;
            }
        }
    }
    return ink;
}

int CountPixels(const Canvas& c, bool (*match)(std::uint32_t)) {
    int n = 0;
    for (int y = 0; y < c.Height(); ++y) {
        for (int x = 0; x < c.Width(); ++x) {
            n += match(c.At(x, y)) ? 1 : 0;
        }
    }
    return n;
}

class RenderText : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gdiplus.Ok());
        manager.SetDefaultFont(L"Tahoma", 13, false, false, false);
        SetResourceFolder(nudge::test::SourcePath(L"tests\\render\\data").c_str());
    }

    SIZE Extent(const wchar_t* text, TFontDataUI* font = nullptr) {
        Canvas c(4, 4);
        CSelectObjectUI sel(c.Dc(), (font != nullptr ? font : manager.DefaultFontInfo())->hFont);
        SIZE s{};
        ::GetTextExtentPoint32W(c.Dc(), text, lstrlenW(text), &s);
        return s;
    }
    int LineHeight() {
        TFontDataUI* f = manager.DefaultFontInfo();
        Canvas c(4, 4);
        CSelectObjectUI sel(c.Dc(), f->hFont);
        TEXTMETRICW tm{};
        ::GetTextMetricsW(c.Dc(), &tm);
        return tm.tmHeight + tm.tmExternalLeading;
    }
    RECT Measure(const wchar_t* text, UINT style = 0, RECT rc = RECT{0, 0, 1000, 1000}) {
        Canvas c(4, 4);
        int links = 0;
        CRendererUI::DrawMarkupText(c.Dc(), &manager, rc, text, 0xFF000000, nullptr, nullptr, links,
                                    style | DT_CALCRECT);
        return rc;
    }

    rendertest::GdiplusSession gdiplus;
    CWindowManagerUI manager;
};

} // namespace

TEST_F(RenderText, PlainTextThroughGdi) {
    Canvas canvas(300, 80);
    canvas.Fill(kWhite);
    // An '&' is shown, never taken for a mnemonic: "a&&b" measures as written.
    RECT one{10, 10, 290, 70};
    CRendererUI::DrawPlainText(canvas.Dc(), &manager, one, L"a&b", 0xFF000000, -1,
                               DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(one.right - one.left, Extent(L"a&b").cx);
    // Word wrapping in a narrow rectangle makes more lines.
    RECT wide{0, 0, 1000, 100};
    RECT narrow{0, 0, 60, 100};
    CRendererUI::DrawPlainText(canvas.Dc(), &manager, wide, L"one two three four", 0, -1,
                               DT_CALCRECT | DT_WORDBREAK);
    CRendererUI::DrawPlainText(canvas.Dc(), &manager, narrow, L"one two three four", 0, -1,
                               DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GE(narrow.bottom - narrow.top, 2 * (wide.bottom - wide.top));

    RECT draw{10, 10, 290, 70};
    CRendererUI::DrawPlainText(canvas.Dc(), &manager, draw, L"Hello", 0xFFFF0000, -1,
                               DT_SINGLELINE | DT_VCENTER);
    const TInk ink = InkOf(canvas);
    ASSERT_TRUE(ink.Any());
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 290);
    EXPECT_GT(ink.top, 25) << "centred vertically";
    EXPECT_GT(CountPixels(canvas, [](std::uint32_t p) { return (p & 0xFFFFFFu) == 0xFF0000u; }), 3);

    // End ellipsis: the long text is cut and still ends inside the rectangle.
    canvas.Fill(kWhite);
    RECT cut{10, 10, 60, 40};
    CRendererUI::DrawPlainText(canvas.Dc(), &manager, cut, L"abcdefghijklmnopqrstuvwxyz", 0xFF000000, -1,
                               DT_SINGLELINE | DT_END_ELLIPSIS);
    const TInk cutInk = InkOf(canvas);
    ASSERT_TRUE(cutInk.Any());
    EXPECT_LE(cutInk.right, 60);
    EXPECT_GE(cutInk.right, 50) << "the line is filled up to the ellipsis";
}

TEST_F(RenderText, PlainTextThroughGdiPlusOnPerPixelAlpha) {
    manager.SetPerPixelAlpha(true);
    Canvas canvas(300, 60);
    canvas.Fill(0);
    RECT rc{5, 5, 295, 55};
    CRendererUI::DrawPlainText(canvas.Dc(), &manager, rc, L"WWWW IIII", 0xFF000000 | 0x203040, -1,
                               DT_SINGLELINE);
    int maxAlpha = 0;
    int inked = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 300; ++x) {
            const int a = static_cast<int>(canvas.At(x, y) >> 24);
            maxAlpha = std::max(maxAlpha, a);
            inked += a != 0;
        }
    }
    EXPECT_GT(inked, 20) << "GDI+ writes the alpha of what it draws";
    EXPECT_EQ(maxAlpha, 254) << "opaque colours are drawn with alpha 254";

    // Measuring: one pixel more than the truncated measured size, and the drawn text fits in it.
    RECT m{5, 5, 295, 55};
    CRendererUI::DrawPlainText(canvas.Dc(), &manager, m, L"WWWW IIII", 0xFF000000, -1,
                               DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(m.left, 5);
    EXPECT_EQ(m.top, 5);
    EXPECT_GT(m.right, 5 + Extent(L"WWWW").cx);
    EXPECT_LT(m.right, 295);
    int rightmost = -1;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 300; ++x) {
            if ((canvas.At(x, y) >> 24) != 0) {
                rightmost = std::max(rightmost, x);
            }
        }
    }
    EXPECT_LE(rightmost, m.right + 1);

    // "gdiplustext" takes the same road on an opaque window; end ellipsis trims to the rectangle.
    manager.SetPerPixelAlpha(false);
    manager.SetGdiPlusText(true);
    canvas.Fill(0);
    RECT cut{5, 5, 60, 55};
    CRendererUI::DrawPlainText(canvas.Dc(), &manager, cut, L"abcdefghijklmnopqrstuvwxyz", 0xFFFFFFFF, -1,
                               DT_SINGLELINE | DT_END_ELLIPSIS);
    const TInk ink = InkOf(canvas, 0);
    ASSERT_TRUE(ink.Any());
    EXPECT_LE(ink.right, 61);
}

TEST_F(RenderText, MarkupMeasuresEveryTag) {
    const int line = LineHeight();
    ASSERT_GT(line, 5);
    const LONG plain = Extent(L"Hello").cx;
    struct Row {
        const char* what;
        const wchar_t* text;
        LONG width;  // -1: not checked
        LONG height; // -1: not checked
    } rows[] = {
        {"plain", L"Hello", plain, line},
        {"a, less-than, b at the end is text", L"a<b", Extent(L"a<b").cx, line},
        {"escape {<} is one '<'", L"{<}", Extent(L"<").cx, line},
        {"escape <{> is one '{'", L"<{>", Extent(L"{").cx, line},
        {"escape <}> and {>}", L"<}>{>}", Extent(L"}>").cx, line},
        {"other '<' is text", L"1 < 2", Extent(L"1 < 2").cx, line},
        {"unknown tag skipped", L"<q x>Hello</q>", plain, line},
        {"x moves the pen", L"<x 10>Hello", 10 + plain, line},
        {"y sets the line height", L"<y 40>Hello", plain, 40},
        {"n breaks the line", L"Hello<n>Hello", plain, 2 * line},
        {"newline breaks the line", L"Hello\nHello", plain, 2 * line},
        {"p spacing adds to the next line", L"Hello<p 5>Hello", plain, 2 * line + 5},
        {"closing p breaks and drops the spacing", L"Hello<p 5>Hello</p>", plain, 3 * line + 5},
        {"p at the start does not break", L"<p>Hello", plain, line},
        {"raw shows tags", L"<r><b>x</b></r>", Extent(L"<b>x</b>").cx, line},
        {"c does not change size", L"<c #FF0000>Hello</c>", plain, line},
        {"s does not change size", L"<s>Hello</s>", plain, line},
        {"missing image skipped", L"<i nosuch.png>Hello", plain, line},
        {"image adds its width", L"<i tile.png>Hello", 10 + plain, std::max(line, 10)},
        {"image frames", L"<i alpha-ramp.png 4 1>", 64, line},
        {"frame index out of range", L"<i alpha-ramp.png 4 9>", 64, line},
        {"image by file key", L"<i file='tile.png'>", 10, line},
        {"unbalanced closing tags", L"</b></c></p>Hello</a>", plain, line},
    };
    for (const Row& row : rows) {
        const RECT r = Measure(row.text);
        if (row.width >= 0) {
            EXPECT_EQ(r.right, row.width) << row.what;
        }
        if (row.height >= 0) {
            EXPECT_EQ(r.bottom, row.height) << row.what;
        }
    }
    // Bold, italic, underline and face fonts are looked up first and created once.
    const int before = manager.FontCount();
    EXPECT_GT(Measure(L"<b>Hello</b>").right, plain);
    Measure(L"<b>Hello</b><b>x</b>");
    EXPECT_EQ(manager.FontCount(), before + 1);
    ASSERT_NE(manager.FindFont(L"Tahoma", 13, true, false, false), nullptr);
    Measure(L"<i>Hello</i> <u>Hello</u>");
    EXPECT_NE(manager.FindFont(L"Tahoma", 13, false, false, true), nullptr);
    EXPECT_NE(manager.FindFont(L"Tahoma", 13, false, true, false), nullptr);
    const RECT big = Measure(L"<f Tahoma 30 bold italic>Hello</f>");
    EXPECT_GT(big.bottom, 2 * line);
    EXPECT_NE(manager.FindFont(L"Tahoma", 30, true, false, true), nullptr);
    const int index = manager.FontCount();
    ASSERT_NE(manager.AddFont(L"Tahoma", 24, false, false, false), nullptr);
    const std::wstring byIndex = L"<f " + std::to_wstring(index) + L">Hello</f>";
    EXPECT_GT(Measure(byIndex.c_str()).bottom, line);
    // Single-line text keeps to its first line.
    EXPECT_EQ(Measure(L"Hello<n>Hello\nHello", DT_SINGLELINE).bottom, line);
}

TEST_F(RenderText, MarkupWrapsAndEllipsis) {
    const int line = LineHeight();
    const LONG word = Extent(L"aaaa ").cx;
    // Word break: the line is cut after the space, so the second word starts the next line whole.
    const RECT wrapped = Measure(L"aaaa bbbb", DT_WORDBREAK, RECT{0, 0, word + 5, 1000});
    EXPECT_EQ(wrapped.bottom, 2 * line);
    EXPECT_LE(wrapped.right, word + 5);
    // Without word break the run is cut at the edge, character by character.
    const RECT chars = Measure(L"aaaabbbbccccdddd", 0, RECT{0, 0, word, 1000});
    EXPECT_GE(chars.bottom, 3 * line);
    // Each line holds at least one character, however narrow.
    EXPECT_EQ(Measure(L"abc", 0, RECT{0, 0, 1, 1000}).bottom, 3 * line);
    // End ellipsis fills the line.
    const RECT cut =
        Measure(L"abcdefghijklmnopqrstuvwxyz", DT_SINGLELINE | DT_END_ELLIPSIS, RECT{0, 0, 60, 100});
    EXPECT_EQ(cut.right, 60);
    const RECT noCut = Measure(L"abcdefghijklmnopqrstuvwxyz", DT_SINGLELINE, RECT{0, 0, 60, 100});
    EXPECT_LE(noCut.right, 60);
    EXPECT_EQ(noCut.bottom, line);

    Canvas canvas(200, 60);
    canvas.Fill(kWhite);
    RECT rc{10, 10, 60, 50};
    int links = 0;
    CRendererUI::DrawMarkupText(canvas.Dc(), &manager, rc, L"abcdefghijklmnopqrstuvwxyz", 0xFF000000, nullptr,
                                nullptr, links, DT_SINGLELINE | DT_END_ELLIPSIS);
    const TInk ink = InkOf(canvas);
    ASSERT_TRUE(ink.Any());
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 60) << "nothing is drawn outside the rectangle";
    EXPECT_LE(ink.bottom, 10 + line);
}

TEST_F(RenderText, MarkupDrawsColoursSelectionImagesAndAlignment) {
    const int line = LineHeight();
    Canvas canvas(300, 100);
    int links = 0;
    auto draw = [&](const wchar_t* text, UINT style, RECT rc, DWORD color = 0xFF000000) {
        canvas.Fill(kWhite);
        CRendererUI::DrawMarkupText(canvas.Dc(), &manager, rc, text, color, nullptr, nullptr, links, style);
    };
    manager.SetDefaultFont(L"Tahoma", 24, true, false, false);
    auto reddish = [](std::uint32_t p) {
        return ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 80 && (p & 0xFF) < 80;
    };
    auto greenish = [](std::uint32_t p) {
        return ((p >> 8) & 0xFF) > 100 && ((p >> 16) & 0xFF) < 60 && (p & 0xFF) < 60;
    };
    draw(L"<c #FF0000>IIII</c>IIII", 0, RECT{0, 0, 300, 100}, 0xFF00C000);
    EXPECT_GT(CountPixels(canvas, reddish), 10) << "c sets the colour";
    EXPECT_GT(CountPixels(canvas, greenish), 10) << "a closed c gives the default colour back";

    manager.SetDefaultSelectedColor(0xFF00FF00);
    draw(L"<s>IIII</s>", 0, RECT{0, 0, 300, 100});
    EXPECT_GT(CountPixels(canvas, [](std::uint32_t p) { return (p & 0xFFFFFFu) == 0x00FF00u; }), 50)
        << "selected text has an opaque background";

    // An image lower than the line is centred on it and copied 1:1.
    const int bigLine = LineHeight();
    draw(L"ab<i tile.png>", 0, RECT{0, 0, 300, 100});
    const LONG x0 = Extent(L"ab").cx;
    const int y0 = (bigLine - 10) / 2;
    EXPECT_EQ(canvas.At(x0 + 5, y0 + 5) & 0xFFFFFFu, 0x646440u) << Hex(canvas.At(x0 + 5, y0 + 5));
    EXPECT_EQ(canvas.At(x0 + 9, y0) & 0xFFFFFFu, 0xB40040u) << Hex(canvas.At(x0 + 9, y0));

    // Alignment moves the measured text inside the rectangle.
    const LONG w = Extent(L"IIII").cx;
    draw(L"IIII", DT_SINGLELINE | DT_CENTER | DT_VCENTER, RECT{0, 0, 300, 100});
    TInk ink = InkOf(canvas);
    ASSERT_TRUE(ink.Any());
    EXPECT_NEAR((ink.left + ink.right) / 2, 150, 4);
    EXPECT_NEAR((ink.top + ink.bottom) / 2, 50, bigLine / 2 + 1);
    draw(L"IIII", DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, RECT{0, 0, 300, 100});
    ink = InkOf(canvas);
    EXPECT_GE(ink.right, 300 - 4);
    EXPECT_GE(ink.bottom, 100 - bigLine / 2);
    // Multi-line centring moves whole lines: two runs on one line stay side by side.
    draw(L"II<b>II</b>", DT_CENTER, RECT{0, 0, 300, 100});
    ink = InkOf(canvas);
    EXPECT_GE(ink.right - ink.left, w - 4);
    EXPECT_NEAR((ink.left + ink.right) / 2, 150, 4);
    (void)line;
}

TEST_F(RenderText, MarkupLinksAndHover) {
    const int line = LineHeight();
    RECT rects[8]{};
    CUIString targets[8];
    Canvas canvas(300, 100);
    canvas.Fill(kWhite);
    int count = 8;
    RECT rc{10, 10, 290, 90};
    CRendererUI::DrawMarkupText(canvas.Dc(), &manager, rc, L"go <a http://x/>here</a> now", 0xFF000000, rects,
                                targets, count, 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(targets[0], L"http://x/");
    EXPECT_EQ(rects[0].left, 10 + Extent(L"go ").cx);
    EXPECT_EQ(rects[0].right, rects[0].left + Extent(L"here").cx);
    EXPECT_EQ(rects[0].top, 10);
    EXPECT_EQ(rects[0].bottom, 10 + line);
    // The link is drawn in the link colour, underlined.
    auto blue = [](std::uint32_t p) { return (p & 0xFF) > 150 && ((p >> 16) & 0xFF) < 80; };
    EXPECT_GT(CountPixels(canvas, blue), 5);

    // A link that wraps gives one rectangle per line, with the same target.
    count = 8;
    RECT narrow{0, 0, Extent(L"aaaa ").cx + 2, 100};
    CRendererUI::DrawMarkupText(canvas.Dc(), &manager, narrow, L"<a T>aaaa bbbb</a>", 0xFF000000, rects,
                                targets, count, DT_WORDBREAK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(targets[0], L"T");
    EXPECT_EQ(targets[1], L"T");
    EXPECT_EQ(rects[0].top, 0);
    EXPECT_EQ(rects[1].top, line);
    EXPECT_EQ(rects[1].left, 0);
    EXPECT_EQ(rects[1].right, Extent(L"bbbb").cx);
    // Capacity bounds what is recorded.
    int one = 1;
    CRendererUI::DrawMarkupText(canvas.Dc(), &manager, narrow, L"<a T>aaaa bbbb</a><a U>c</a>", 0xFF000000,
                                rects, targets, one, DT_WORDBREAK);
    EXPECT_EQ(one, 1);
    // Measuring also reports the links.
    count = 8;
    RECT m{0, 0, 1000, 1000};
    CRendererUI::DrawMarkupText(canvas.Dc(), &manager, m, L"<a A>x</a> <a B>y</a>", 0xFF000000, rects,
                                targets, count, DT_CALCRECT);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(targets[1], L"B");

    // Hover: the mouse over the link of the previous call draws it in the hover colour.
    HWND wnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(wnd, nullptr);
    CWindowManagerUI bound;
    bound.BindWindow(wnd);
    bound.SetDefaultFont(L"Tahoma", 24, true, false, false);
    bound.SetDefaultLinkColor(0xFF0000FF);
    bound.SetDefaultLinkHoverColor(0xFFFF0000);
    auto reddish = [](std::uint32_t p) {
        return ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 80 && (p & 0xFF) < 80;
    };
    count = 8;
    RECT big{0, 0, 300, 100};
    canvas.Fill(kWhite);
    CRendererUI::DrawMarkupText(canvas.Dc(), &bound, big, L"<a H>HHHH</a>", 0xFF000000, rects, targets, count,
                                0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(CountPixels(canvas, reddish), 0);
    LRESULT result = 0;
    bound.HandleWindowMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), result);
    ASSERT_EQ(bound.GetLastMousePos().x, 5);
    canvas.Fill(kWhite);
    big = RECT{0, 0, 300, 100};
    CRendererUI::DrawMarkupText(canvas.Dc(), &bound, big, L"<a H>HHHH</a>", 0xFF000000, rects, targets, count,
                                0);
    EXPECT_GT(CountPixels(canvas, reddish), 10);
    ::DestroyWindow(wnd);
}

TEST_F(RenderText, NothingForMissingInput) {
    Canvas canvas(50, 50);
    canvas.Fill(kWhite);
    RECT rc{0, 0, 50, 50};
    int count = 8;
    RECT rects[8];
    CUIString targets[8];
    CRendererUI::DrawMarkupText(canvas.Dc(), &manager, rc, nullptr, 0, rects, targets, count, 0);
    CRendererUI::DrawMarkupText(canvas.Dc(), nullptr, rc, L"x", 0, rects, targets, count, 0);
    EXPECT_EQ(count, 8);
    RECT empty{10, 10, 10, 40};
    CRendererUI::DrawMarkupText(canvas.Dc(), &manager, empty, L"x", 0, rects, targets, count, 0);
    EXPECT_EQ(count, 0);
    CRendererUI::DrawPlainText(canvas.Dc(), &manager, rc, nullptr, 0, -1, 0);
    CRendererUI::DrawPlainText(canvas.Dc(), nullptr, rc, L"x", 0, -1, 0);
    EXPECT_FALSE(InkOf(canvas).Any());
}

// Mutated markup: no crash, no hang, links within capacity, nothing drawn outside the rectangle.
TEST_F(RenderText, SeededBadMarkup) {
    std::mt19937 rng(1211u);
    const std::wstring seeds[] = {
        L"<b>bold</b> <i>it</i> <u>u</u> <c #FF0000>red</c> <a link>go there</a> <n><p 4>para</p> <x 5>x<y "
        L"30>y",
        L"<f 0>f0</f> <f Tahoma 20 bold underline italic>face</f> <s>sel</s> <r><b>raw</r> {<}<{>{>}<}>",
        L"<i tile.png> <i alpha-ramp.png 4 2> <i file='tile.png'> <i res='1' restype='PNG'> a<b",
    };
    const wchar_t alphabet[] = L"<>{}/ abcfinprsuxy0123456789#'=\n\t";
    Canvas canvas(200, 120);
    RECT rects[4];
    CUIString targets[4];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int runs = 0;
    for (; runs < 3000 && std::chrono::steady_clock::now() < deadline; ++runs) {
        std::wstring text = seeds[rng() % 3];
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const std::size_t pos = text.empty() ? 0 : rng() % text.size();
            switch (rng() % 3) {
            case 0:
                text.insert(pos, 1, alphabet[rng() % (sizeof(alphabet) / sizeof(wchar_t) - 1)]);
                break;
            case 1:
                if (!text.empty()) {
                    text.erase(pos, 1 + rng() % 5);
                }
                break;
            default:
                text = text.substr(0, pos);
                break;
            }
        }
        static const UINT styles[] = {0,
                                      DT_WORDBREAK,
                                      DT_SINGLELINE | DT_END_ELLIPSIS,
                                      DT_CENTER | DT_VCENTER,
                                      DT_RIGHT | DT_BOTTOM | DT_WORDBREAK,
                                      DT_CALCRECT | DT_WORDBREAK};
        const UINT style = styles[rng() % 6];
        canvas.Fill(kWhite);
        RECT rc{20, 20, 20 + static_cast<LONG>(rng() % 160), 20 + static_cast<LONG>(rng() % 90)};
        const RECT before = rc;
        int count = 4;
        CRendererUI::DrawMarkupText(canvas.Dc(), &manager, rc, text.c_str(), 0xFF000000, rects, targets,
                                    count, style);
        ASSERT_GE(count, 0);
        ASSERT_LE(count, 4);
        if ((style & DT_CALCRECT) == 0 && !::IsRectEmpty(&before)) {
            const TInk ink = InkOf(canvas);
            if (ink.Any()) {
                ASSERT_GE(ink.left, before.left) << runs;
                ASSERT_GE(ink.top, before.top) << runs;
                ASSERT_LE(ink.right, before.right) << runs;
                ASSERT_LE(ink.bottom, before.bottom) << runs;
            }
        }
        ASSERT_LT(manager.FontCount(), 200) << "fonts are found again, not made per call";
    }
    EXPECT_GT(runs, 50);
}
