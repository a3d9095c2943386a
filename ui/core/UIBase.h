// Value types of the Tamsk framework: the wide string, the pointer array, the string-keyed pointer map,
// rectangle and size helpers, and a small owner for platform handles.
#pragma once

#include <windows.h>

#include <cstddef>

namespace Tamsk {

// A UTF-16 string with an inline buffer. Lengths and indices count code units.
// Strings of up to 62 code units live inline; from 63 on they move to a heap block.
class CUIString {
public:
    enum { kInlineSize = 64, kInlineMaxLength = 62 };

    CUIString() noexcept;
    CUIString(wchar_t ch) noexcept;
    CUIString(const wchar_t* text, int length = -1) noexcept;
    CUIString(const CUIString& other) noexcept;
    ~CUIString();

    CUIString& operator=(const CUIString& other) noexcept;
    CUIString& operator=(const wchar_t* text) noexcept;
    CUIString& operator=(wchar_t ch) noexcept;
    CUIString& operator+=(const CUIString& other) noexcept;
    CUIString& operator+=(const wchar_t* text) noexcept;
    CUIString& operator+=(wchar_t ch) noexcept;
    CUIString operator+(const CUIString& other) const noexcept;
    CUIString operator+(const wchar_t* text) const noexcept;
    bool operator==(const wchar_t* text) const noexcept { return Equals(text); }
    bool operator!=(const wchar_t* text) const noexcept { return !Equals(text); }
    bool operator==(const CUIString& other) const noexcept { return Equals(other.Text()); }
    bool operator!=(const CUIString& other) const noexcept { return !Equals(other.Text()); }

    // A null text counts as ""; a negative length means the whole text.
    void SetText(const wchar_t* text, int length) noexcept;
    // A null text empties the string.
    void SetText(const wchar_t* text) noexcept;
    void SetText(const CUIString& other) noexcept;
    void AppendText(const wchar_t* text) noexcept;
    void AppendText(const CUIString& other) noexcept;
    void AppendChar(wchar_t ch) noexcept;

    int Length() const noexcept;
    bool IsBlank() const noexcept { return m_pText[0] == L'\0'; }
    // True while the text lives in the inline buffer.
    bool IsInline() const noexcept { return m_pText == m_szInline; }
    void Clear() noexcept;
    // Unchecked.
    wchar_t CharAt(int index) const noexcept { return m_pText[index]; }
    const wchar_t* Text() const noexcept { return m_pText; }

    // Ordinal comparison of code units; a null text compares as "".
    int CompareTo(const wchar_t* text) const noexcept;
    bool Equals(const wchar_t* text) const noexcept { return CompareTo(text) == 0; }
    // Lowers A-Z only.
    void ToLowerInPlace() noexcept;

    // Searches from start when 0 <= start < Length() (or start is 0); otherwise -1.
    int IndexOfChar(wchar_t ch, int start = 0) const noexcept;
    // Searches from start when 0 <= start <= Length(); otherwise -1. An empty text is found at start.
    int IndexOf(const wchar_t* text, int start = 0) const noexcept;
    int LastIndexOfChar(wchar_t ch) const noexcept;
    // The first n code units, n clamped to 0..Length().
    CUIString Prefix(int n) const noexcept;
    // A negative n means up to the end; the result never reaches past the end.
    CUIString Substring(int pos, int n = -1) const noexcept;
    // Replaces every occurrence of from, left to right, without rescanning what was put in.
    // Returns the number of replacements; an empty or null from changes nothing and returns 0.
    int ReplaceAll(const wchar_t* from, const wchar_t* to) noexcept;

    // Formatting with the platform CRT's wide printf conventions (%s takes a wide string; %ls and %hs
    // are explicit). Printf has no length limit and returns the formatted length (-1 on a bad format,
    // leaving the string empty); ShortPrintf keeps at most 63 code units and returns the formatter's
    // result.
    int Printf(const wchar_t* format, ...) noexcept;
    int ShortPrintf(const wchar_t* format, ...) noexcept;

private:
    void Assign(const wchar_t* text, int length) noexcept;
    bool Reserve(int length, int keep) noexcept;

    wchar_t* m_pText;
    wchar_t m_szInline[kInlineSize];
};

// An ordered array of untyped pointers. It never owns its pointees.
class CPtrArrayUI {
public:
    explicit CPtrArrayUI(int initialCapacity = 0) noexcept;
    CPtrArrayUI(const CPtrArrayUI& other) noexcept;
    CPtrArrayUI& operator=(const CPtrArrayUI& other) noexcept;
    ~CPtrArrayUI();

    // Frees the block; count and capacity become 0.
    void Clear() noexcept;
    // Clears, then holds n null slots (count = capacity = n).
    [[nodiscard]] bool ResizeZeroed(int n) noexcept;
    bool IsEmpty() const noexcept { return m_nCount == 0; }
    int Count() const noexcept { return m_nCount; }
    int Allocated() const noexcept { return m_nAllocated; }

    [[nodiscard]] bool Push(void* p) noexcept;
    [[nodiscard]] bool Insert(int index, void* p) noexcept;
    [[nodiscard]] bool RemoveAt(int index) noexcept;
    int IndexOf(const void* p) const noexcept;
    // Null for an index out of range.
    void* At(int index) const noexcept;
    // Unchecked.
    void* operator[](int index) const noexcept { return m_pItems[index]; }
    void*& operator[](int index) noexcept { return m_pItems[index]; }

private:
    bool Grow() noexcept;

    void** m_pItems;
    int m_nCount;
    int m_nAllocated;
};

// A chained hash map from exact (case-sensitive) string keys to untyped pointers. It owns copies of its
// keys, never the data. The bucket count is fixed until Reset.
class CStrPtrMapUI {
public:
    enum { kMinBuckets = 16 };

    explicit CStrPtrMapUI(int bucketCount = 83) noexcept;
    ~CStrPtrMapUI();
    CStrPtrMapUI(const CStrPtrMapUI&) = delete;
    CStrPtrMapUI& operator=(const CStrPtrMapUI&) = delete;

    // Null when absent. A hit is moved to the head of its chain unless moveToFront is false.
    void* Find(const wchar_t* key, bool moveToFront = true) const noexcept;
    // False when the key is present (the caller keeps ownership of data) or there are no buckets.
    [[nodiscard]] bool Insert(const wchar_t* key, void* data) noexcept;
    // Replaces and returns the old data, or inserts and returns null. Without buckets returns data.
    void* Set(const wchar_t* key, void* data) noexcept;
    bool Remove(const wchar_t* key) noexcept;
    int Count() const noexcept { return m_nCount; }
    int BucketCount() const noexcept { return static_cast<int>(m_nBuckets); }
    // Iteration: buckets from the last to the first, each chain from its head. Null past the end.
    const wchar_t* KeyAt(int index) const noexcept;
    // Frees every item and the buckets, then allocates n empty buckets (no minimum; negative is 0).
    void Reset(int bucketCount) noexcept;
    void RemoveAllItems() noexcept;

    // The bucket a key falls into; exposed for tests of the chain order.
    static unsigned HashKey(const wchar_t* key) noexcept;

private:
    struct TItem;
    void FreeAll() noexcept;

    TItem** m_pBuckets;
    unsigned m_nBuckets;
    int m_nCount;
};

class CRectUI : public RECT {
public:
    CRectUI() noexcept { left = top = right = bottom = 0; }
    CRectUI(const RECT& src) noexcept : RECT(src) {}
    CRectUI(int l, int t, int r, int b) noexcept {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }

    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
    bool IsEmpty() const noexcept { return right <= left || bottom <= top; }
    void SetEmpty() noexcept { left = top = right = bottom = 0; }
    // The smallest rectangle covering both.
    void Join(const RECT& other) noexcept;
    void MoveToOrigin() noexcept { Offset(-left, -top); }
    void Offset(int dx, int dy) noexcept;
    // Every side moves inwards: dx horizontally, dy vertically.
    void Shrink(int dx, int dy) noexcept;
};

class CSizeUI : public SIZE {
public:
    CSizeUI() noexcept { cx = cy = 0; }
    CSizeUI(const SIZE& src) noexcept : SIZE(src) {}
    CSizeUI(int x, int y) noexcept {
        cx = x;
        cy = y;
    }
};

static_assert(sizeof(CRectUI) == sizeof(RECT), "CRectUI must pass for a RECT");
static_assert(sizeof(CSizeUI) == sizeof(SIZE), "CSizeUI must pass for a SIZE");

// A move-only owner of one platform handle. The traits fix the handle type, its "none" value and the one
// function that releases it, so a handle can never be released the wrong way:
//   struct TFileTraits { using Type = HANDLE; static Type Invalid() { return INVALID_HANDLE_VALUE; }
//                        static void Release(Type h) { ::CloseHandle(h); } };
template <typename Traits> class CHandleOwnerUI {
public:
    using Type = typename Traits::Type;

    CHandleOwnerUI() noexcept : m_h(Traits::Invalid()) {}
    explicit CHandleOwnerUI(Type h) noexcept : m_h(h) {}
    ~CHandleOwnerUI() { Reset(); }
    CHandleOwnerUI(const CHandleOwnerUI&) = delete;
    CHandleOwnerUI& operator=(const CHandleOwnerUI&) = delete;
    CHandleOwnerUI(CHandleOwnerUI&& other) noexcept : m_h(other.Detach()) {}
    CHandleOwnerUI& operator=(CHandleOwnerUI&& other) noexcept {
        if (this != &other) {
            Reset(other.Detach());
        }
        return *this;
    }

    Type Get() const noexcept { return m_h; }
    bool IsValid() const noexcept { return m_h != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }
    Type Detach() noexcept {
        Type h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    void Reset(Type h = Traits::Invalid()) noexcept {
        if (m_h != Traits::Invalid()) {
            Traits::Release(m_h);
        }
        m_h = h;
    }

private:
    Type m_h;
};

struct TFileHandleTraitsUI {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Release(Type h) noexcept { ::CloseHandle(h); }
};
struct TKernelHandleTraitsUI {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Release(Type h) noexcept { ::CloseHandle(h); }
};

// Files use INVALID_HANDLE_VALUE as "none"; most other kernel objects use null.
using CFileHandleUI = CHandleOwnerUI<TFileHandleTraitsUI>;
using CKernelHandleUI = CHandleOwnerUI<TKernelHandleTraitsUI>;

} // namespace Tamsk
