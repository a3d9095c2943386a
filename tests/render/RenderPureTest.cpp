// The renderer's device-free parts: descriptor grammar, nine-grid pieces, pixel conversion, HSL, buffers.
#include "ui/render/UIRender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <random>
#include <string>
#include <vector>

using namespace Tamsk;

namespace {

std::string RectText(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct TDraws {
    std::vector<TImageDrawParamsUI> pending;
};

void CollectPending(const TImageDrawParamsUI& params, void* context) {
    static_cast<TDraws*>(context)->pending.push_back(params);
}

// What DrawImageDescriptor does before it touches a device.
TImageDrawParamsUI Parse(const wchar_t* descriptor, const wchar_t* modifier, const RECT& item,
                         TDraws& draws) {
    TImageDrawParamsUI params;
    ResetImageDrawParams(params, descriptor, item);
    ParseImageDescriptor(descriptor, item, params, &CollectPending, &draws);
    ParseImageDescriptor(modifier, item, params, &CollectPending, &draws);
    return params;
}

} // namespace

TEST(SkinNumbers, IntegersListsAndColours) {
    struct Row {
        const wchar_t* text;
        RECT expected;
    } rows[] = {
        {L"1,2,3,4", {1, 2, 3, 4}},
        {L"  -5, 6,7 ,8", {-5, 6, 7, 0}}, // " ,8": one separator skipped, then ",8" has no digits
        {L"300,0", {300, 0, 0, 0}},
        {L"", {0, 0, 0, 0}},
        {L"-5,x,3", {-5, 0, 0, 3}},
        {L"99999999999,-99999999999", {INT_MAX, INT_MIN, 0, 0}},
        {L"1;2;3;4;5", {1, 2, 3, 4}},
    };
    for (const Row& row : rows) {
        const RECT got = ParseSkinRect(row.text);
        EXPECT_TRUE(SameRect(got, row.expected))
            << "text '" << std::wstring(row.text).size() << "' chars: got " << RectText(got) << " want "
            << RectText(row.expected);
    }
    EXPECT_EQ(ParseSkinHexColor(L"#FFFF00FF"), 0xFFFF00FFu);
    EXPECT_EQ(ParseSkinHexColor(L"ff00ff"), 0x00FF00FFu);
    EXPECT_EQ(ParseSkinHexColor(L"#1FFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseSkinHexColor(L"#zz"), 0u);
    EXPECT_EQ(ParseSkinHexColor(nullptr), 0u);
}

TEST(ImageDescriptor, GrammarTable) {
    const RECT origin{0, 0, 350, 250};
    const RECT moved{10, 20, 360, 270};
    struct Row {
        const char* what;
        const wchar_t* descriptor;
        const wchar_t* modifier;
        RECT item;
        const wchar_t* name;
        const wchar_t* resType;
        RECT dest;
        RECT source;
        RECT corner;
        DWORD mask;
        int fade;
        bool hole, tiledX, tiledY;
    } rows[] = {
        {"bare name",
         L"close_normal.png",
         nullptr,
         origin,
         L"close_normal.png",
         L"",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"popup background",
         L"file='skin1\\bg.png' dest='0,0,280,217'",
         nullptr,
         origin,
         L"skin1\\bg.png",
         L"",
         {0, 0, 280, 217},
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"dest cut to the item",
         L"file='a.png' dest='0,0,400,300'",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"dest relative to the item",
         L"file='a.png' dest='5,5,20,20'",
         nullptr,
         moved,
         L"a.png",
         L"",
         {15, 25, 30, 40},
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"dest with one number",
         L"file='a.png' dest='10'",
         nullptr,
         origin,
         L"a.png",
         L"",
         {10, 0, 0, 0},
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"every key",
         L"file='a.png' source='1,2,3,4' corner='5,6,7,8' mask='#FFFF00FF' fade='300' hole='true' "
         L"xtiled='true' ytiled='TRUE'",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {1, 2, 3, 4},
         {5, 6, 7, 8},
         0xFFFF00FF,
         44,
         true,
         true,
         false},
        {"white space around '='",
         L"  file = 'a b.png'   fade\t=\t'7'",
         nullptr,
         origin,
         L"a b.png",
         L"",
         origin,
         {},
         {},
         0,
         7,
         false,
         false,
         false},
        {"second space starts the next pair",
         L"file='a.png'  fade='10'",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0,
         10,
         false,
         false,
         false},
        {"tab after a value ends",
         L"file='a.png'\tfade='10'",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"comma after a value ends",
         L"file='a.png',fade='10'",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"missing closing apostrophe",
         L"file='a.png' dest='1,2,3,4",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"missing '='",
         L"file='a.png' fade '10'",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"missing opening apostrophe",
         L"file=a.png",
         nullptr,
         origin,
         L"file=a.png",
         L"",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"empty value ignored",
         L"file='' fade='10'",
         nullptr,
         origin,
         L"file='' fade='10'",
         L"",
         origin,
         {},
         {},
         0,
         10,
         false,
         false,
         false},
        {"unknown and upper-case keys ignored",
         L"file='a.png' foo='bar' FADE='1' fade='7'",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0,
         7,
         false,
         false,
         false},
        {"mask without '#'",
         L"file='a.png' mask='ff00ff'",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0xFF00FF,
         255,
         false,
         false,
         false},
        {"fade saturates then keeps 8 bits",
         L"fade='99999999999' file='a.png'",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"negative fade",
         L"file='a.png' fade='-1'",
         nullptr,
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"resource",
         L"res='101' restype='PNG'",
         nullptr,
         origin,
         L"101",
         L"PNG",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"modifier replaces the file",
         L"file='a.png' fade='9'",
         L"file='b.png' dest='1,1,2,2'",
         origin,
         L"b.png",
         L"",
         {1, 1, 2, 2},
         {},
         {},
         0,
         9,
         false,
         false,
         false},
        {"bare modifier changes nothing",
         L"file='a.png'",
         L"b.png",
         origin,
         L"a.png",
         L"",
         origin,
         {},
         {},
         0,
         255,
         false,
         false,
         false},
        {"empty texts", L"", L"", origin, L"", L"", origin, {}, {}, 0, 255, false, false, false},
    };
    for (const Row& row : rows) {
        TDraws draws;
        const TImageDrawParamsUI p = Parse(row.descriptor, row.modifier, row.item, draws);
        SCOPED_TRACE(row.what);
        EXPECT_EQ(p.strName, row.name);
        EXPECT_EQ(p.strResType, row.resType);
        EXPECT_TRUE(SameRect(p.rcDest, row.dest)) << RectText(p.rcDest);
        EXPECT_TRUE(SameRect(p.rcSource, row.source)) << RectText(p.rcSource);
        EXPECT_TRUE(SameRect(p.rcCorner, row.corner)) << RectText(p.rcCorner);
        EXPECT_EQ(p.dwMask, row.mask);
        EXPECT_EQ(p.uFade, row.fade);
        EXPECT_EQ(p.bHole, row.hole);
        EXPECT_EQ(p.bTiledX, row.tiledX);
        EXPECT_EQ(p.bTiledY, row.tiledY);
        EXPECT_TRUE(draws.pending.empty()) << draws.pending.size() << " pending draws";
    }
}

TEST(ImageDescriptor, PendingDraws) {
    const RECT item{0, 0, 100, 100};
    struct Row {
        const char* what;
        const wchar_t* descriptor;
        const wchar_t* modifier;
        std::vector<std::wstring> pending; // name|restype|fade of each earlier draw
        std::wstring last;
    } rows[] = {
        {"two files draw two images",
         L"file='a.png' fade='100' file='b.png' fade='50'",
         nullptr,
         {L"a.png||100"},
         L"b.png||50"},
        {"restype after file draws the file first",
         L"file='a.png' restype='PNG'",
         nullptr,
         {L"a.png||255"},
         L"a.png|PNG|255"},
        {"res does not count", L"res='1' res='2' restype='PNG'", nullptr, {}, L"2|PNG|255"},
        {"res after a file still draws it", L"file='a.png' res='7'", nullptr, {L"a.png||255"}, L"7||255"},
        {"count restarts for the modifier",
         L"file='a.png'",
         L"file='b.png' file='c.png'",
         {L"b.png||255"},
         L"c.png||255"},
        {"three files", L"file='a' file='b' file='c'", nullptr, {L"a||255", L"b||255"}, L"c||255"},
        {"malformed pair keeps what came before",
         L"file='a' file='b' file=c",
         nullptr,
         {L"a||255"},
         L"b||255"},
    };
    auto key = [](const TImageDrawParamsUI& p) {
        return p.strName + L"|" + p.strResType + L"|" + std::to_wstring(p.uFade);
    };
    for (const Row& row : rows) {
        TDraws draws;
        const TImageDrawParamsUI last = Parse(row.descriptor, row.modifier, item, draws);
        SCOPED_TRACE(row.what);
        std::vector<std::wstring> got;
        for (const auto& p : draws.pending) {
            got.push_back(key(p));
        }
        EXPECT_EQ(got, row.pending);
        EXPECT_EQ(key(last), row.last);
    }
}

namespace {

struct TPieceList {
    std::vector<TBitmapPieceUI> pieces;
};

void CollectPiece(const TBitmapPieceUI& piece, void* context) {
    static_cast<TPieceList*>(context)->pieces.push_back(piece);
}

std::string PiecesText(const std::vector<TBitmapPieceUI>& pieces) {
    std::string s;
    for (const auto& p : pieces) {
        s += RectText(p.rcTarget) + "<-" + RectText(p.rcSource) + (p.bOneToOne ? "=" : "~") + " ";
    }
    return s;
}

struct TPieceSpec {
    RECT target;
    RECT source;
    bool oneToOne;
};

} // namespace

TEST(NineGrid, PieceTable) {
    const RECT big{-100000, -100000, 100000, 100000};
    struct Row {
        const char* what;
        RECT dest, paint, source, corner;
        bool blending, hole, tiledX, tiledY;
        std::vector<TPieceSpec> expected;
    } rows[] = {
        {"30x30 with 10-pixel corners into 100x40",
         {0, 0, 100, 40},
         big,
         {0, 0, 30, 30},
         {10, 10, 10, 10},
         true,
         false,
         false,
         false,
         {{{10, 10, 90, 30}, {10, 10, 20, 20}, false},
          {{0, 0, 10, 10}, {0, 0, 10, 10}, false},
          {{10, 0, 90, 10}, {10, 0, 20, 10}, false},
          {{90, 0, 100, 10}, {20, 0, 30, 10}, false},
          {{0, 10, 10, 30}, {0, 10, 10, 20}, false},
          {{90, 10, 100, 30}, {20, 10, 30, 20}, false},
          {{0, 30, 10, 40}, {0, 20, 10, 30}, false},
          {{10, 30, 90, 40}, {10, 20, 20, 30}, false},
          {{90, 30, 100, 40}, {20, 20, 30, 30}, false}}},
        {"hole leaves the centre out",
         {0, 0, 100, 40},
         big,
         {0, 0, 30, 30},
         {10, 10, 10, 10},
         false,
         true,
         false,
         false,
         {{{0, 0, 10, 10}, {0, 0, 10, 10}, false},
          {{10, 0, 90, 10}, {10, 0, 20, 10}, false},
          {{90, 0, 100, 10}, {20, 0, 30, 10}, false},
          {{0, 10, 10, 30}, {0, 10, 10, 20}, false},
          {{90, 10, 100, 30}, {20, 10, 30, 20}, false},
          {{0, 30, 10, 40}, {0, 20, 10, 30}, false},
          {{10, 30, 90, 40}, {10, 20, 20, 30}, false},
          {{90, 30, 100, 40}, {20, 20, 30, 30}, false}}},
        {"only pieces meeting the paint rectangle",
         {0, 0, 100, 40},
         {0, 0, 10, 10},
         {0, 0, 30, 30},
         {10, 10, 10, 10},
         true,
         false,
         false,
         false,
         {{{0, 0, 10, 10}, {0, 0, 10, 10}, false}}},
        {"x and y tiled 10x10 into 25x15: 3x2 tiles, the last cut",
         {0, 0, 25, 15},
         big,
         {0, 0, 10, 10},
         {},
         false,
         false,
         true,
         true,
         {{{0, 0, 10, 10}, {0, 0, 10, 10}, true},
          {{10, 0, 20, 10}, {0, 0, 10, 10}, true},
          {{20, 0, 25, 10}, {0, 0, 5, 10}, true},
          {{0, 10, 10, 15}, {0, 0, 10, 5}, true},
          {{10, 10, 20, 15}, {0, 0, 10, 5}, true},
          {{20, 10, 25, 15}, {0, 0, 5, 5}, true}}},
        {"x tiled only: columns stretched to the full height",
         {0, 0, 25, 15},
         big,
         {0, 0, 10, 10},
         {},
         false,
         false,
         true,
         false,
         {{{0, 0, 10, 15}, {0, 0, 10, 10}, false},
          {{10, 0, 20, 15}, {0, 0, 10, 10}, false},
          {{20, 0, 25, 15}, {0, 0, 5, 10}, false}}},
        {"y tiled only: rows stretched to the full width",
         {0, 0, 25, 15},
         big,
         {0, 0, 10, 10},
         {},
         false,
         false,
         false,
         true,
         {{{0, 0, 25, 10}, {0, 0, 10, 10}, false}, {{0, 10, 25, 15}, {0, 0, 10, 5}, false}}},
        {"tiles inside corners come from the centre cell",
         {100, 100, 135, 130},
         big,
         {5, 5, 25, 25},
         {5, 5, 5, 5},
         true,
         false,
         true,
         true,
         {{{105, 105, 115, 115}, {10, 10, 20, 20}, true},
          {{115, 105, 125, 115}, {10, 10, 20, 20}, true},
          {{125, 105, 130, 115}, {10, 10, 15, 20}, true},
          {{105, 115, 115, 125}, {10, 10, 20, 20}, true},
          {{115, 115, 125, 125}, {10, 10, 20, 20}, true},
          {{125, 115, 130, 125}, {10, 10, 15, 20}, true},
          {{100, 100, 105, 105}, {5, 5, 10, 10}, false},
          {{105, 100, 130, 105}, {10, 5, 20, 10}, false},
          {{130, 100, 135, 105}, {20, 5, 25, 10}, false},
          {{100, 105, 105, 125}, {5, 10, 10, 20}, false},
          {{130, 105, 135, 125}, {20, 10, 25, 20}, false},
          {{100, 125, 105, 130}, {5, 20, 10, 25}, false},
          {{105, 125, 130, 130}, {10, 20, 20, 25}, false},
          {{130, 125, 135, 130}, {20, 20, 25, 25}, false}}},
        {"only the tiles in the paint rectangle are walked",
         {0, 0, 100000, 100000},
         {500, 500, 502, 501},
         {0, 0, 1, 1},
         {},
         true,
         false,
         true,
         true,
         {{{500, 500, 501, 501}, {0, 0, 1, 1}, true}, {{501, 500, 502, 501}, {0, 0, 1, 1}, true}}},
        {"tiled centre of width 0 draws no centre",
         {0, 0, 50, 10},
         big,
         {0, 0, 20, 10},
         {10, 0, 10, 0},
         true,
         false,
         true,
         true,
         {{{0, 0, 10, 10}, {0, 0, 10, 10}, false}, {{40, 0, 50, 10}, {10, 0, 20, 10}, false}}},
        {"y tiled centre of height 0 draws no centre",
         {0, 0, 10, 50},
         big,
         {0, 0, 10, 20},
         {0, 10, 0, 10},
         true,
         false,
         false,
         true,
         {{{0, 0, 10, 10}, {0, 0, 10, 10}, false}, {{0, 40, 10, 50}, {0, 10, 10, 20}, false}}},
        {"corners wider than the source skip the empty cells",
         {0, 0, 40, 40},
         big,
         {0, 0, 10, 10},
         {8, 8, 8, 8},
         true,
         false,
         true,
         false,
         {{{0, 0, 8, 8}, {0, 0, 8, 8}, false},
          {{32, 0, 40, 8}, {2, 0, 10, 8}, false},
          {{0, 32, 8, 40}, {0, 2, 8, 10}, false},
          {{32, 32, 40, 40}, {2, 2, 10, 10}, false}}},
        {"exact-size copy shortcut clips to the paint rectangle",
         {0, 0, 17, 17},
         {5, 5, 10, 10},
         {0, 0, 17, 17},
         {},
         false,
         true,
         true,
         true,
         {{{5, 5, 10, 10}, {5, 5, 10, 10}, true}}},
        {"blending draws the exact-size piece whole",
         {0, 0, 17, 17},
         {5, 5, 10, 10},
         {0, 0, 17, 17},
         {},
         true,
         false,
         false,
         false,
         {{{0, 0, 17, 17}, {0, 0, 17, 17}, false}}},
        {"stretch of the whole image to a cut dest",
         {0, 0, 350, 250},
         big,
         {0, 0, 280, 217},
         {},
         false,
         false,
         false,
         false,
         {{{0, 0, 350, 250}, {0, 0, 280, 217}, false}}},
        {"empty destination draws nothing",
         {10, 10, 10, 40},
         big,
         {0, 0, 30, 30},
         {},
         true,
         false,
         false,
         false,
         {}},
    };
    for (const Row& row : rows) {
        TPieceList got;
        ForEachBitmapPiece(row.dest, row.paint, row.source, row.corner, row.blending, row.hole, row.tiledX,
                           row.tiledY, &CollectPiece, &got);
        bool same = got.pieces.size() == row.expected.size();
        for (std::size_t i = 0; same && i < got.pieces.size(); ++i) {
            same = SameRect(got.pieces[i].rcTarget, row.expected[i].target) &&
                   SameRect(got.pieces[i].rcSource, row.expected[i].source) &&
                   got.pieces[i].bOneToOne == row.expected[i].oneToOne;
        }
        std::vector<TBitmapPieceUI> want;
        for (const auto& e : row.expected) {
            want.push_back(TBitmapPieceUI{e.target, e.source, e.oneToOne});
        }
        EXPECT_TRUE(same) << row.what << "\n got: " << PiecesText(got.pieces)
                          << "\nwant: " << PiecesText(want);
    }
}

TEST(PixelConversion, PremultiplyAndMask) {
    struct Row {
        const char* what;
        std::uint8_t rgba[4];
        DWORD mask;
        std::uint32_t expected;
        bool alpha;
    } rows[] = {
        {"opaque copied", {10, 20, 30, 255}, 0, 0xFF0A141E, false},
        {"half alpha premultiplied", {255, 0, 255, 128}, 0, 0x80800080, true},
        {"integer division", {100, 3, 255, 10}, 0, 0x0A03000A, true},
        {"mask removes an opaque pixel", {255, 0, 255, 255}, 0xFFFF00FF, 0, true},
        {"mask compares the premultiplied value", {255, 0, 255, 128}, 0x80800080, 0, true},
        {"mask without a match", {255, 0, 255, 255}, 0xFFFF00FE, 0xFFFF00FF, false},
        {"transparent goes to zero", {200, 100, 50, 0}, 0, 0, true},
    };
    for (const Row& row : rows) {
        std::uint32_t out = 0xDEADBEEF;
        const bool alpha = PremultiplyPixels(row.rgba, &out, 1, row.mask);
        EXPECT_EQ(out, row.expected) << row.what;
        EXPECT_EQ(alpha, row.alpha) << row.what;
    }
    // The flag covers the whole image: one translucent pixel among opaque ones sets it.
    const std::uint8_t two[8] = {1, 2, 3, 255, 1, 2, 3, 254};
    std::uint32_t out2[2];
    EXPECT_TRUE(PremultiplyPixels(two, out2, 2, 0));
    EXPECT_FALSE(PremultiplyPixels(two, out2, 1, 0));
}

TEST(PixelConversion, OwnBlendMatchesPremultipliedSourceOver) {
    struct Row {
        const char* what;
        std::uint32_t src, dst;
        BYTE fade;
        std::uint32_t expected;
    } rows[] = {
        {"opaque source covers", 0xFF102030, 0xFF0000FF, 255, 0xFF102030},
        {"transparent source keeps", 0x00000000, 0xFF0000FF, 255, 0xFF0000FF},
        {"half red over blue", 0x80800000, 0xFF0000FF, 255, 0xFF80007F},
        {"fade halves an opaque source", 0xFFFF0000, 0xFF000000, 128, 0xFF800000},
        {"fade 0 leaves the destination", 0xFFFFFFFF, 0x40102030, 0, 0x40102030},
        {"over transparent keeps source alpha", 0x80800000, 0x00000000, 255, 0x80800000},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BlendPremultipliedPixel(row.src, row.dst, row.fade), row.expected) << row.what;
    }
}

TEST(Hsl, NeutralExtremesAndRoundTrips) {
    const DWORD colours[] = {0xFF336699, 0x80FF0000, 0x00000000, 0xFFFFFFFF, 0xFF808080, 0x12ABCDEF};
    for (DWORD c : colours) {
        EXPECT_EQ(CRendererUI::AdjustColorHsl(c, 180, 100, 100), c) << std::hex << c;
        // Lightness 0 is black, saturation 0 is a grey, the alpha byte always stays.
        EXPECT_EQ(CRendererUI::AdjustColorHsl(c, 180, 100, 0), c & 0xFF000000u) << std::hex << c;
        const DWORD grey = CRendererUI::AdjustColorHsl(c, 180, 0, 100);
        EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF) << std::hex << c;
        EXPECT_EQ(grey & 0xFF, (grey >> 16) & 0xFF) << std::hex << c;
        EXPECT_EQ(grey & 0xFF000000u, c & 0xFF000000u);
        // A full turn either way is the same hue.
        EXPECT_EQ(CRendererUI::AdjustColorHsl(c, 0, 100, 100), CRendererUI::AdjustColorHsl(c, 360, 100, 100));
    }
    // Mid-lightness colours at double lightness are white.
    EXPECT_EQ(CRendererUI::AdjustColorHsl(0xFFFF0000, 180, 100, 200), 0xFFFFFFFFu);
    // The roles of the red and blue bytes are exchanged, the same way in both directions: on 0xAARRGGBB
    // a third of a turn forward moves the red byte's colour into the blue byte.
    EXPECT_EQ(CRendererUI::AdjustColorHsl(0xFFFF0000, 300, 100, 100), 0xFF0000FFu);
    EXPECT_EQ(CRendererUI::AdjustColorHsl(0xFF0000FF, 60, 100, 100), 0xFFFF0000u);
    // Round trips through hue shifts come back within the truncation of each conversion.
    const DWORD trips[] = {0xFF336699, 0xFFC04020, 0xFF10E080, 0x7F808000};
    for (DWORD c : trips) {
        for (int shift : {1, 45, 120, 179}) {
            const DWORD there = CRendererUI::AdjustColorHsl(c, 180 + shift, 100, 100);
            const DWORD back = CRendererUI::AdjustColorHsl(there, 180 - shift, 100, 100);
            for (int bit = 0; bit < 32; bit += 8) {
                const int a = static_cast<int>((c >> bit) & 0xFF);
                const int b = static_cast<int>((back >> bit) & 0xFF);
                EXPECT_LE(std::abs(a - b), 2)
                    << std::hex << c << " shift " << std::dec << shift << " byte " << bit;
            }
        }
    }
}

TEST(PixelBuffers, ClearAndRestoreOpaqueAlpha) {
    std::uint32_t px[3][4] = {
        {0x00000000, 0x00102030, 0x80102030, 0x00FFFFFF},
        {0x00000001, 0x00000000, 0xFF000000, 0x00010000},
        {0x11111111, 0x11111111, 0x11111111, 0x11111111},
    };
    CRendererUI::RestoreOpaqueAlpha(px, 4, RECT{-5, -5, 99, 2}); // cut at the row's edges
    const std::uint32_t restored[2][4] = {
        {0x00000000, 0xFF102030, 0x80102030, 0xFFFFFFFF},
        {0xFF000001, 0x00000000, 0xFF000000, 0xFF010000},
    };
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(px[y][x], restored[y][x]) << x << "," << y;
        }
    }
    CRendererUI::ClearBitmapRect(px, 4, RECT{1, 1, 3, 3});
    const std::uint32_t cleared[3][4] = {
        {0x00000000, 0xFF102030, 0x80102030, 0xFFFFFFFF},
        {0xFF000001, 0x00000000, 0x00000000, 0xFF010000},
        {0x11111111, 0x00000000, 0x00000000, 0x11111111},
    };
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(px[y][x], cleared[y][x]) << x << "," << y;
        }
    }
}

// Mutated descriptors and geometry: no crash, no hang, pieces always inside the asked-for rectangles.
TEST(ImageDescriptor, SeededBadInput) {
    std::mt19937 rng(20261211u);
    const std::wstring seeds[] = {
        L"file='a.png' dest='0,0,280,217' source='0,0,10,10' corner='1,2,3,4' mask='#FF00FF' fade='128'",
        L"res='101' restype='PNG' hole='true' xtiled='true' ytiled='true'",
        L"close_normal.png",
    };
    const wchar_t alphabet[] = L"=' ,#-0123456789afilnmsrdtux\t\x1F\xFFFF";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    int runs = 0;
    for (; runs < 20000 && std::chrono::steady_clock::now() < deadline; ++runs) {
        std::wstring text = seeds[rng() % 3];
        const int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            const std::size_t pos = text.empty() ? 0 : rng() % text.size();
            switch (rng() % 3) {
            case 0:
                text.insert(pos, 1, alphabet[rng() % (sizeof(alphabet) / sizeof(wchar_t) - 1)]);
                break;
            case 1:
                if (!text.empty()) {
                    text.erase(pos, 1 + rng() % 4);
                }
                break;
            default:
                if (!text.empty()) {
                    text[pos] = static_cast<wchar_t>(rng() % 0x10000);
                }
                break;
            }
        }
        const RECT item{static_cast<LONG>(rng() % 50), static_cast<LONG>(rng() % 50), 200, 150};
        TDraws draws;
        TImageDrawParamsUI p = Parse(text.c_str(), runs % 2 ? text.c_str() : nullptr, item, draws);
        ASSERT_LE(p.rcDest.right, item.right) << runs;
        ASSERT_LE(p.rcDest.bottom, item.bottom) << runs;
        // The parsed geometry, however odd, yields bounded pieces inside the destination.
        TPieceList pieces;
        const RECT paint{0, 0, 300, 300};
        p.rcSource = RECT{p.rcSource.left % 1000, p.rcSource.top % 1000, p.rcSource.right % 1000,
                          p.rcSource.bottom % 1000};
        ForEachBitmapPiece(p.rcDest, paint, p.rcSource, p.rcCorner, runs % 3 == 0, p.bHole, p.bTiledX,
                           p.bTiledY, &CollectPiece, &pieces);
        ASSERT_LE(pieces.pieces.size(), 300u * 300u + 8u) << runs;
        for (const auto& piece : pieces.pieces) {
            ASSERT_GT(piece.rcSource.right, piece.rcSource.left);
            ASSERT_GT(piece.rcTarget.right, piece.rcTarget.left);
        }
    }
    EXPECT_GT(runs, 100);
}
