#include "ui/core/UIBase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tamsk;

namespace {

std::wstring Repeat(wchar_t ch, int n) {
    return std::wstring(static_cast<size_t>(n), ch);
}

TEST(UIString, InlineToHeapSwitchAtLength63) {
    CUIString s(Repeat(L'x', 62).c_str());
    EXPECT_TRUE(s.IsInline());
    EXPECT_EQ(62, s.Length());
    s.AppendChar(L'y');
    EXPECT_FALSE(s.IsInline()) << "63 code units must leave the inline buffer";
    EXPECT_EQ(63, s.Length());
    EXPECT_EQ(L'y', s.CharAt(62));
    s.SetText(Repeat(L'z', 10).c_str());
    EXPECT_TRUE(s.IsInline()) << "a short assignment must come back inline";
    EXPECT_STREQ(L"zzzzzzzzzz", s.Text());

    CUIString grown;
    for (int i = 0; i < 500; ++i) {
        grown.AppendChar(static_cast<wchar_t>(L'a' + i % 26));
    }
    EXPECT_EQ(500, grown.Length());
    EXPECT_EQ(L'a' + 499 % 26, grown.CharAt(499));

    // Self-referencing assignment and appends across a reallocation keep their contents.
    CUIString self(Repeat(L'q', 40).c_str());
    self += self;
    EXPECT_EQ(Repeat(L'q', 80), self.Text());
    self.AppendText(self.Text());
    EXPECT_EQ(Repeat(L'q', 160), self.Text());
    self.SetText(self.Text() + 150);
    EXPECT_EQ(Repeat(L'q', 10), self.Text());

    CUIString copy(grown);
    EXPECT_EQ(0, copy.CompareTo(grown.Text()));
    copy.Clear();
    EXPECT_TRUE(copy.IsBlank());
    EXPECT_TRUE(copy.IsInline());

    CUIString fromNull(static_cast<const wchar_t*>(nullptr));
    EXPECT_TRUE(fromNull.IsBlank());
    CUIString part(L"abcdef", 3);
    EXPECT_STREQ(L"abc", part.Text());
    CUIString one(L'Q');
    EXPECT_STREQ(L"Q", one.Text());
}

TEST(UIString, IndexAndSubstringRules) {
    CUIString s(L"abcdefg");
    struct Case {
        const char* what;
        int got;
        int expected;
    } cases[] = {
        {"IndexOfChar at length searches nothing", s.IndexOfChar(L'g', 7), -1},
        {"IndexOfChar beyond start", s.IndexOfChar(L'c', 3), -1},
        {"IndexOfChar from start", s.IndexOfChar(L'g', 6), 6},
        {"IndexOfChar negative start", s.IndexOfChar(L'a', -1), -1},
        {"IndexOf at length searches the empty tail", s.IndexOf(L"g", 7), -1},
        {"IndexOf empty needle at length", s.IndexOf(L"", 7), 7},
        {"IndexOf past length", s.IndexOf(L"", 8), -1},
        {"IndexOf found", s.IndexOf(L"cde", 1), 2},
        {"LastIndexOfChar", CUIString(L"a.b.c").LastIndexOfChar(L'.'), 3},
        {"LastIndexOfChar absent", s.LastIndexOfChar(L'.'), -1},
        {"IndexOfChar on empty string", CUIString().IndexOfChar(L'a'), -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, c.got) << c.what;
    }

    struct TextCase {
        const char* what;
        CUIString got;
        const wchar_t* expected;
    } texts[] = {
        {"Substring(5,100)", s.Substring(5, 100), L"fg"},
        {"Substring(9,-1)", s.Substring(9, -1), L""},
        {"Substring(2,3)", s.Substring(2, 3), L"cde"},
        {"Substring(3)", s.Substring(3), L"defg"},
        {"Substring negative pos", s.Substring(-4, 2), L"ab"},
        {"Prefix(3)", s.Prefix(3), L"abc"},
        {"Prefix(-1)", s.Prefix(-1), L""},
        {"Prefix(99)", s.Prefix(99), L"abcdefg"},
    };
    for (const auto& t : texts) {
        EXPECT_STREQ(t.expected, t.got.Text()) << t.what;
    }
}

TEST(UIString, CompareLowerReplaceAndFormat) {
    CUIString s(L"Name");
    EXPECT_TRUE(s.Equals(L"Name"));
    EXPECT_FALSE(s.Equals(L"name"));
    EXPECT_LT(s.CompareTo(L"Namf"), 0);
    EXPECT_GT(s.CompareTo(nullptr), 0);
    CUIString mixed(L"AbZ\x00C4-9");
    mixed.ToLowerInPlace();
    EXPECT_STREQ(L"abz\x00C4-9", mixed.Text()) << "only A-Z are lowered";

    CUIString a(L"aaa");
    EXPECT_EQ(3, a.ReplaceAll(L"a", L"aa"));
    EXPECT_STREQ(L"aaaaaa", a.Text());
    CUIString b(L"x--y--z");
    EXPECT_EQ(2, b.ReplaceAll(L"--", L""));
    EXPECT_STREQ(L"xyz", b.Text());
    CUIString c(L"abc");
    EXPECT_EQ(0, c.ReplaceAll(L"", L"q")) << "an empty needle must not loop";
    EXPECT_STREQ(L"abc", c.Text());
    CUIString d(Repeat(L'a', 40).c_str());
    EXPECT_EQ(40, d.ReplaceAll(L"a", L"bb"));
    EXPECT_EQ(Repeat(L'b', 80), d.Text());

    CUIString f;
    EXPECT_EQ(11, f.Printf(L"%d-%s-%ls", 42, L"abc", L"wide"));
    EXPECT_STREQ(L"42-abc-wide", f.Text());
    std::wstring hundred = Repeat(L'k', 100);
    EXPECT_EQ(100, f.Printf(L"%s", hundred.c_str()));
    EXPECT_EQ(hundred, f.Text());
    f.ShortPrintf(L"%s", hundred.c_str());
    EXPECT_EQ(Repeat(L'k', 63), f.Text()) << "ShortPrintf keeps the first 63 code units";
    EXPECT_EQ(5, f.ShortPrintf(L"%05d", 7));
    EXPECT_STREQ(L"00007", f.Text());
}

TEST(PtrArray, GrowthInsertRemove) {
    CPtrArrayUI a;
    EXPECT_EQ(0, a.Allocated());
    int items[40] = {};
    ASSERT_TRUE(a.Push(&items[0]));
    EXPECT_EQ(11, a.Allocated());
    for (int i = 1; i < 10; ++i) {
        ASSERT_TRUE(a.Push(&items[i]));
    }
    EXPECT_EQ(11, a.Allocated()) << "ten pushes still fit";
    ASSERT_TRUE(a.Push(&items[10]));
    EXPECT_EQ(22, a.Allocated()) << "the 11th push keeps one slot free";
    EXPECT_EQ(11, a.Count());
    for (int i = 11; i < 22; ++i) {
        ASSERT_TRUE(a.Push(&items[i]));
    }
    EXPECT_EQ(44, a.Allocated());

    EXPECT_FALSE(a.Insert(-1, &items[30]));
    EXPECT_FALSE(a.Insert(a.Count() + 1, &items[30]));
    ASSERT_TRUE(a.Insert(0, &items[30]));
    ASSERT_TRUE(a.Insert(a.Count(), &items[31]));
    EXPECT_EQ(&items[30], a[0]);
    EXPECT_EQ(&items[0], a[1]);
    EXPECT_EQ(&items[31], a.At(a.Count() - 1));
    EXPECT_EQ(nullptr, a.At(a.Count()));
    EXPECT_EQ(nullptr, a.At(-1));
    EXPECT_EQ(1, a.IndexOf(&items[0]));
    EXPECT_EQ(-1, a.IndexOf(&items[39]));

    EXPECT_FALSE(a.RemoveAt(a.Count()));
    EXPECT_FALSE(a.RemoveAt(-1));
    ASSERT_TRUE(a.RemoveAt(0));
    EXPECT_EQ(&items[0], a[0]);
    EXPECT_EQ(44, a.Allocated()) << "the block never shrinks";

    CPtrArrayUI copy(a);
    EXPECT_EQ(a.Count(), copy.Count());
    for (int i = 0; i < a.Count(); ++i) {
        EXPECT_EQ(a[i], copy[i]) << i;
    }

    ASSERT_TRUE(a.ResizeZeroed(5));
    EXPECT_EQ(5, a.Count());
    EXPECT_EQ(5, a.Allocated());
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(nullptr, a[i]);
    }
    a.Clear();
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(0, a.Allocated());

    CPtrArrayUI sized(4);
    EXPECT_EQ(4, sized.Allocated());
    EXPECT_EQ(0, sized.Count());
}

// Two keys that share a bucket: with 16 buckets, "ab" hashes as 'b'*33+'a' and "ba" as 'a'*33+'b';
// keys whose hashes differ by a multiple of 16 collide.
void FindCollidingKeys(unsigned buckets, std::wstring keys[3]) {
    int found = 0;
    unsigned target = 0;
    for (wchar_t c1 = L'a'; c1 <= L'z' && found < 3; ++c1) {
        for (wchar_t c2 = L'a'; c2 <= L'z' && found < 3; ++c2) {
            std::wstring k{c1, c2};
            unsigned b = CStrPtrMapUI::HashKey(k.c_str()) % buckets;
            if (found == 0) {
                target = b;
            }
            if (b == target) {
                keys[found++] = k;
            }
        }
    }
}

TEST(StrPtrMap, HashWalksFromTheLastCodeUnit) {
    EXPECT_EQ(static_cast<unsigned>(L'b') * 33u + L'a', CStrPtrMapUI::HashKey(L"ab"));
    EXPECT_EQ(0u, CStrPtrMapUI::HashKey(L""));
    unsigned expected = 0;
    const wchar_t* key = L"btn_buyvip";
    for (int i = 9; i >= 0; --i) {
        expected = expected * 33u + key[i];
    }
    EXPECT_EQ(expected, CStrPtrMapUI::HashKey(key));
}

TEST(StrPtrMap, InsertSetRemoveAndCase) {
    CStrPtrMapUI small(10);
    EXPECT_EQ(16, small.BucketCount());
    int x = 1, y = 2, z = 3;
    ASSERT_TRUE(small.Insert(L"key", &x));
    EXPECT_FALSE(small.Insert(L"key", &y)) << "a duplicate insert fails";
    EXPECT_EQ(&x, small.Find(L"key"));
    EXPECT_EQ(&x, small.Set(L"key", &y)) << "Set returns the old data";
    EXPECT_EQ(&y, small.Find(L"key"));
    EXPECT_EQ(nullptr, small.Set(L"Key", &z)) << "keys differing in case are different keys";
    EXPECT_EQ(2, small.Count());
    EXPECT_EQ(&z, small.Find(L"Key"));
    EXPECT_EQ(nullptr, small.Find(L"KEY"));
    ASSERT_TRUE(small.Insert(L"nul", nullptr));
    EXPECT_FALSE(small.Insert(L"nul", &x)) << "a key with null data is still present";
    EXPECT_TRUE(small.Remove(L"key"));
    EXPECT_FALSE(small.Remove(L"key"));
    EXPECT_EQ(2, small.Count());
    EXPECT_EQ(nullptr, small.Find(L"key"));
    small.RemoveAllItems();
    EXPECT_EQ(0, small.Count());
    EXPECT_EQ(16, small.BucketCount());
    EXPECT_EQ(nullptr, small.KeyAt(0));

    small.Reset(0);
    EXPECT_EQ(0, small.BucketCount());
    EXPECT_FALSE(small.Insert(L"a", &x));
    EXPECT_EQ(&x, small.Set(L"a", &x)) << "without buckets Set hands the data back";
    EXPECT_EQ(0, small.Count());
    small.Reset(-5);
    EXPECT_EQ(0, small.BucketCount());
    small.Reset(3);
    EXPECT_EQ(3, small.BucketCount()) << "Reset has no minimum";
}

TEST(StrPtrMap, CollisionsMoveToFrontAndIterationOrder) {
    CStrPtrMapUI map(16);
    std::wstring keys[3];
    FindCollidingKeys(16, keys);
    ASSERT_FALSE(keys[2].empty());
    int data[3] = {};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(map.Insert(keys[i].c_str(), &data[i]));
    }
    // Most recently inserted first within the bucket.
    EXPECT_EQ(keys[2], map.KeyAt(0));
    EXPECT_EQ(keys[1], map.KeyAt(1));
    EXPECT_EQ(keys[0], map.KeyAt(2));
    EXPECT_EQ(nullptr, map.KeyAt(3));

    EXPECT_EQ(&data[0], map.Find(keys[0].c_str(), false));
    EXPECT_EQ(keys[2], map.KeyAt(0)) << "Find without move-to-front keeps the order";
    EXPECT_EQ(&data[0], map.Find(keys[0].c_str()));
    EXPECT_EQ(keys[0], map.KeyAt(0)) << "Find moves the hit to the chain head";
    EXPECT_EQ(keys[2], map.KeyAt(1));
    EXPECT_EQ(keys[1], map.KeyAt(2));
    EXPECT_EQ(&data[1], map.Find(keys[1].c_str()));
    EXPECT_EQ(keys[1], map.KeyAt(0));
    EXPECT_EQ(keys[0], map.KeyAt(1));
    EXPECT_EQ(keys[2], map.KeyAt(2));

    // Removing the middle of a chain keeps the rest linked.
    EXPECT_TRUE(map.Remove(keys[0].c_str()));
    EXPECT_EQ(keys[1], map.KeyAt(0));
    EXPECT_EQ(keys[2], map.KeyAt(1));
    EXPECT_EQ(&data[2], map.Find(keys[2].c_str()));
    EXPECT_EQ(keys[2], map.KeyAt(0));

    // Buckets are visited from the last one down.
    CStrPtrMapUI order(16);
    const wchar_t* single[] = {L"\x01", L"\x0F", L"\x05"};
    for (auto* k : single) {
        ASSERT_TRUE(order.Insert(k, nullptr));
    }
    EXPECT_STREQ(L"\x0F", order.KeyAt(0));
    EXPECT_STREQ(L"\x05", order.KeyAt(1));
    EXPECT_STREQ(L"\x01", order.KeyAt(2));

    // The release walk: KeyAt plus Find visits every item exactly once.
    CStrPtrMapUI many(83);
    for (int i = 0; i < 300; ++i) {
        std::wstring k = L"img" + std::to_wstring(i);
        ASSERT_TRUE(many.Insert(k.c_str(), reinterpret_cast<void*>(static_cast<intptr_t>(i + 1))));
    }
    std::vector<int> seen(300, 0);
    for (int i = 0; i < many.Count(); ++i) {
        const wchar_t* k = many.KeyAt(i);
        ASSERT_NE(nullptr, k);
        auto v = reinterpret_cast<intptr_t>(many.Find(k));
        ASSERT_GE(v, 1);
        ++seen[static_cast<size_t>(v - 1)];
    }
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(1, seen[static_cast<size_t>(i)]) << "item " << i;
    }
}

TEST(RectUI, Helpers) {
    CRectUI r(10, 20, 110, 70);
    EXPECT_EQ(100, r.Width());
    EXPECT_EQ(50, r.Height());
    r.Join(CRectUI(0, 30, 50, 90));
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(20, r.top);
    EXPECT_EQ(110, r.right);
    EXPECT_EQ(90, r.bottom);
    r.Shrink(5, 10);
    EXPECT_EQ(5, r.left);
    EXPECT_EQ(30, r.top);
    EXPECT_EQ(105, r.right);
    EXPECT_EQ(80, r.bottom);
    r.MoveToOrigin();
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(100, r.right);
    EXPECT_EQ(50, r.bottom);
    r.Offset(3, -4);
    EXPECT_EQ(3, r.left);
    EXPECT_EQ(-4, r.top);
    CRectUI empty;
    EXPECT_EQ(0, empty.Width());
    RECT raw = {1, 2, 3, 4};
    CRectUI fromRaw(raw);
    EXPECT_EQ(4, fromRaw.bottom);
    CSizeUI size(350, 250);
    EXPECT_EQ(350, size.cx);
    EXPECT_EQ(250, size.cy);
}

} // namespace
