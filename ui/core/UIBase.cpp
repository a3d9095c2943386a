#include "ui/core/UIBase.h"

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

namespace Tamsk {

namespace {

const wchar_t kEmpty[] = L"";

// Whether p points into [begin, begin + count]; used to keep self-assignment working across reallocation.
bool PointsInto(const wchar_t* p, const wchar_t* begin, int count) noexcept {
    auto v = reinterpret_cast<std::uintptr_t>(p);
    auto b = reinterpret_cast<std::uintptr_t>(begin);
    return v >= b && v <= b + static_cast<std::uintptr_t>(count) * sizeof(wchar_t);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// CUIString

CUIString::CUIString() noexcept : m_pText(m_szInline) {
    m_szInline[0] = L'\0';
}

CUIString::CUIString(wchar_t ch) noexcept : m_pText(m_szInline) {
    m_szInline[0] = ch;
    m_szInline[1] = L'\0';
}

CUIString::CUIString(const wchar_t* text, int length) noexcept : m_pText(m_szInline) {
    m_szInline[0] = L'\0';
    SetText(text, length);
}

CUIString::CUIString(const CUIString& other) noexcept : m_pText(m_szInline) {
    m_szInline[0] = L'\0';
    SetText(other.m_pText, -1);
}

CUIString::~CUIString() {
    if (!IsInline()) {
        std::free(m_pText);
    }
}

CUIString& CUIString::operator=(const CUIString& other) noexcept {
    if (this != &other) {
        SetText(other.m_pText, -1);
    }
    return *this;
}

CUIString& CUIString::operator=(const wchar_t* text) noexcept {
    SetText(text);
    return *this;
}

CUIString& CUIString::operator=(wchar_t ch) noexcept {
    SetText(&ch, 1);
    return *this;
}

CUIString& CUIString::operator+=(const CUIString& other) noexcept {
    AppendText(other.m_pText);
    return *this;
}

CUIString& CUIString::operator+=(const wchar_t* text) noexcept {
    AppendText(text);
    return *this;
}

CUIString& CUIString::operator+=(wchar_t ch) noexcept {
    AppendChar(ch);
    return *this;
}

CUIString CUIString::operator+(const CUIString& other) const noexcept {
    CUIString result(*this);
    result.AppendText(other.m_pText);
    return result;
}

CUIString CUIString::operator+(const wchar_t* text) const noexcept {
    CUIString result(*this);
    result.AppendText(text);
    return result;
}

void CUIString::SetText(const wchar_t* text, int length) noexcept {
    if (text == nullptr) {
        text = kEmpty;
    }
    if (length < 0) {
        std::size_t n = std::wcslen(text);
        length = n > static_cast<std::size_t>(INT_MAX - 1) ? INT_MAX - 1 : static_cast<int>(n);
    }
    Assign(text, length);
}

void CUIString::SetText(const wchar_t* text) noexcept {
    if (text == nullptr) {
        Clear();
        return;
    }
    SetText(text, -1);
}

void CUIString::SetText(const CUIString& other) noexcept {
    if (this != &other) {
        SetText(other.m_pText, -1);
    }
}

void CUIString::Assign(const wchar_t* text, int length) noexcept {
    if (length <= kInlineMaxLength) {
        // The source may be our own heap block: copy before freeing it.
        std::memmove(m_szInline, text, static_cast<std::size_t>(length) * sizeof(wchar_t));
        m_szInline[length] = L'\0';
        if (!IsInline()) {
            std::free(m_pText);
            m_pText = m_szInline;
        }
        return;
    }
    int current = Length();
    if (IsInline() || length > current) {
        bool aliased = PointsInto(text, m_pText, current);
        std::ptrdiff_t offset = text - m_pText;
        if (!Reserve(length, 0)) {
            return;
        }
        if (aliased) {
            text = m_pText + offset;
        }
    }
    std::memmove(m_pText, text, static_cast<std::size_t>(length) * sizeof(wchar_t));
    m_pText[length] = L'\0';
}

// Makes the text a heap block of length + 1 code units whose first keep units are preserved.
// On allocation failure the string is left as it was.
bool CUIString::Reserve(int length, int keep) noexcept {
    std::size_t bytes = (static_cast<std::size_t>(length) + 1) * sizeof(wchar_t);
    if (IsInline()) {
        auto* block = static_cast<wchar_t*>(std::malloc(bytes));
        if (block == nullptr) {
            return false;
        }
        std::memcpy(block, m_szInline, static_cast<std::size_t>(keep) * sizeof(wchar_t));
        m_pText = block;
        return true;
    }
    auto* block = static_cast<wchar_t*>(std::realloc(m_pText, bytes));
    if (block == nullptr) {
        return false;
    }
    m_pText = block;
    return true;
}

void CUIString::AppendText(const wchar_t* text) noexcept {
    if (text == nullptr) {
        return;
    }
    int oldLength = Length();
    std::size_t add = std::wcslen(text);
    if (add > static_cast<std::size_t>(INT_MAX - 1 - oldLength)) {
        return;
    }
    int newLength = oldLength + static_cast<int>(add);
    if (newLength > kInlineMaxLength || !IsInline()) {
        bool aliased = PointsInto(text, m_pText, oldLength);
        std::ptrdiff_t offset = text - m_pText;
        if (!Reserve(newLength, oldLength)) {
            return;
        }
        if (aliased) {
            text = m_pText + offset;
        }
    }
    std::memmove(m_pText + oldLength, text, add * sizeof(wchar_t));
    m_pText[newLength] = L'\0';
}

void CUIString::AppendText(const CUIString& other) noexcept {
    AppendText(other.m_pText);
}

void CUIString::AppendChar(wchar_t ch) noexcept {
    wchar_t text[2] = {ch, L'\0'};
    AppendText(text);
}

int CUIString::Length() const noexcept {
    return static_cast<int>(std::wcslen(m_pText));
}

void CUIString::Clear() noexcept {
    if (!IsInline()) {
        std::free(m_pText);
        m_pText = m_szInline;
    }
    m_szInline[0] = L'\0';
}

int CUIString::CompareTo(const wchar_t* text) const noexcept {
    return std::wcscmp(m_pText, text != nullptr ? text : kEmpty);
}

void CUIString::ToLowerInPlace() noexcept {
    for (wchar_t* p = m_pText; *p != L'\0'; ++p) {
        if (*p >= L'A' && *p <= L'Z') {
            *p = static_cast<wchar_t>(*p + (L'a' - L'A'));
        }
    }
}

int CUIString::IndexOfChar(wchar_t ch, int start) const noexcept {
    int length = Length();
    if (start != 0 && (start < 0 || start >= length)) {
        return -1;
    }
    for (int i = start; i < length; ++i) {
        if (m_pText[i] == ch) {
            return i;
        }
    }
    return -1;
}

int CUIString::IndexOf(const wchar_t* text, int start) const noexcept {
    if (text == nullptr) {
        return -1;
    }
    int length = Length();
    if (start != 0 && (start < 0 || start > length)) {
        return -1;
    }
    // Written out rather than wcsstr: run-times disagree about an empty needle in an empty tail.
    int needle = static_cast<int>(std::wcslen(text));
    for (int i = start; i + needle <= length; ++i) {
        if (std::wmemcmp(m_pText + i, text, static_cast<std::size_t>(needle)) == 0) {
            return i;
        }
    }
    return -1;
}

int CUIString::LastIndexOfChar(wchar_t ch) const noexcept {
    for (int i = Length() - 1; i >= 0; --i) {
        if (m_pText[i] == ch) {
            return i;
        }
    }
    return -1;
}

CUIString CUIString::Prefix(int n) const noexcept {
    int length = Length();
    if (n < 0) {
        n = 0;
    }
    if (n > length) {
        n = length;
    }
    return CUIString(m_pText, n);
}

CUIString CUIString::Substring(int pos, int n) const noexcept {
    int length = Length();
    // A negative position would read in front of the text.
    if (pos < 0) {
        pos = 0;
    }
    if (pos >= length) {
        return CUIString();
    }
    if (n < 0 || n > length - pos) {
        n = length - pos;
    }
    if (n <= 0) {
        return CUIString();
    }
    return CUIString(m_pText + pos, n);
}

int CUIString::ReplaceAll(const wchar_t* from, const wchar_t* to) noexcept {
    // An empty needle would be found again at every step and never end.
    if (from == nullptr || from[0] == L'\0') {
        return 0;
    }
    if (to == nullptr) {
        to = kEmpty;
    }
    // from or to may point into this string, which is rewritten below.
    CUIString needle(from);
    CUIString replacement(to);
    int fromLength = needle.Length();
    int toLength = replacement.Length();
    int count = 0;
    int pos = IndexOf(needle.Text(), 0);
    while (pos >= 0) {
        CUIString rebuilt = Prefix(pos);
        rebuilt.AppendText(replacement);
        rebuilt.AppendText(m_pText + pos + fromLength);
        SetText(rebuilt);
        ++count;
        pos = IndexOf(needle.Text(), pos + toLength);
    }
    return count;
}

int CUIString::Printf(const wchar_t* format, ...) noexcept {
    if (format == nullptr) {
        Clear();
        return -1;
    }
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int n = _vscwprintf(format, measure);
    va_end(measure);
    if (n < 0) {
        va_end(args);
        Clear();
        return n;
    }
    auto* buffer = static_cast<wchar_t*>(std::calloc(static_cast<std::size_t>(n) + 1, sizeof(wchar_t)));
    if (buffer == nullptr) {
        va_end(args);
        Clear();
        return -1;
    }
    _vsnwprintf(buffer, static_cast<std::size_t>(n) + 1, format, args);
    va_end(args);
    buffer[n] = L'\0';
    SetText(buffer, n);
    std::free(buffer);
    return n;
}

int CUIString::ShortPrintf(const wchar_t* format, ...) noexcept {
    wchar_t buffer[kInlineSize] = {};
    if (format == nullptr) {
        Clear();
        return -1;
    }
    va_list args;
    va_start(args, format);
    int result = _vsnwprintf(buffer, kInlineSize - 1, format, args);
    va_end(args);
    buffer[kInlineSize - 1] = L'\0';
    SetText(buffer);
    return result;
}

// ---------------------------------------------------------------------------------------------------------
// CPtrArrayUI

CPtrArrayUI::CPtrArrayUI(int initialCapacity) noexcept : m_pItems(nullptr), m_nCount(0), m_nAllocated(0) {
    if (initialCapacity > 0 && static_cast<std::size_t>(initialCapacity) <= SIZE_MAX / sizeof(void*)) {
        m_pItems =
            static_cast<void**>(std::malloc(static_cast<std::size_t>(initialCapacity) * sizeof(void*)));
        if (m_pItems != nullptr) {
            m_nAllocated = initialCapacity;
        }
    }
}

CPtrArrayUI::CPtrArrayUI(const CPtrArrayUI& other) noexcept
    : m_pItems(nullptr), m_nCount(0), m_nAllocated(0) {
    for (int i = 0; i < other.m_nCount; ++i) {
        if (!Push(other.m_pItems[i])) {
            break;
        }
    }
}

CPtrArrayUI& CPtrArrayUI::operator=(const CPtrArrayUI& other) noexcept {
    if (this != &other) {
        Clear();
        for (int i = 0; i < other.m_nCount; ++i) {
            if (!Push(other.m_pItems[i])) {
                break;
            }
        }
    }
    return *this;
}

CPtrArrayUI::~CPtrArrayUI() {
    std::free(m_pItems);
}

void CPtrArrayUI::Clear() noexcept {
    std::free(m_pItems);
    m_pItems = nullptr;
    m_nCount = 0;
    m_nAllocated = 0;
}

bool CPtrArrayUI::ResizeZeroed(int n) noexcept {
    Clear();
    if (n <= 0) {
        return n == 0;
    }
    m_pItems = static_cast<void**>(std::calloc(static_cast<std::size_t>(n), sizeof(void*)));
    if (m_pItems == nullptr) {
        return false;
    }
    m_nCount = n;
    m_nAllocated = n;
    return true;
}

// Called after the count was raised; keeps at least one slot free past the used ones.
bool CPtrArrayUI::Grow() noexcept {
    if (m_nCount < m_nAllocated) {
        return true;
    }
    if (m_nAllocated > INT_MAX / 2) {
        return false;
    }
    int allocated = m_nAllocated == 0 ? 11 : m_nAllocated * 2;
    if (static_cast<std::size_t>(allocated) > SIZE_MAX / sizeof(void*)) {
        return false;
    }
    auto* items =
        static_cast<void**>(std::realloc(m_pItems, static_cast<std::size_t>(allocated) * sizeof(void*)));
    if (items == nullptr) {
        return false;
    }
    m_pItems = items;
    m_nAllocated = allocated;
    return true;
}

bool CPtrArrayUI::Push(void* p) noexcept {
    if (m_nCount == INT_MAX) {
        return false;
    }
    ++m_nCount;
    if (!Grow()) {
        --m_nCount;
        return false;
    }
    m_pItems[m_nCount - 1] = p;
    return true;
}

bool CPtrArrayUI::Insert(int index, void* p) noexcept {
    if (index == m_nCount) {
        return Push(p);
    }
    if (index < 0 || index > m_nCount || m_nCount == INT_MAX) {
        return false;
    }
    ++m_nCount;
    if (!Grow()) {
        --m_nCount;
        return false;
    }
    std::memmove(m_pItems + index + 1, m_pItems + index,
                 static_cast<std::size_t>(m_nCount - 1 - index) * sizeof(void*));
    m_pItems[index] = p;
    return true;
}

bool CPtrArrayUI::RemoveAt(int index) noexcept {
    if (index < 0 || index >= m_nCount) {
        return false;
    }
    --m_nCount;
    std::memmove(m_pItems + index, m_pItems + index + 1,
                 static_cast<std::size_t>(m_nCount - index) * sizeof(void*));
    return true;
}

int CPtrArrayUI::IndexOf(const void* p) const noexcept {
    for (int i = 0; i < m_nCount; ++i) {
        if (m_pItems[i] == p) {
            return i;
        }
    }
    return -1;
}

void* CPtrArrayUI::At(int index) const noexcept {
    if (index < 0 || index >= m_nCount) {
        return nullptr;
    }
    return m_pItems[index];
}

// ---------------------------------------------------------------------------------------------------------
// CStrPtrMapUI

struct CStrPtrMapUI::TItem {
    CUIString key;
    void* data;
    TItem* prev;
    TItem* next;
};

CStrPtrMapUI::CStrPtrMapUI(int bucketCount) noexcept : m_pBuckets(nullptr), m_nBuckets(0), m_nCount(0) {
    Reset(bucketCount < kMinBuckets ? static_cast<int>(kMinBuckets) : bucketCount);
}

CStrPtrMapUI::~CStrPtrMapUI() {
    FreeAll();
}

unsigned CStrPtrMapUI::HashKey(const wchar_t* key) noexcept {
    if (key == nullptr) {
        return 0;
    }
    unsigned hash = 0;
    for (std::size_t i = std::wcslen(key); i > 0; --i) {
        hash = hash * 33u + static_cast<unsigned>(static_cast<std::uint16_t>(key[i - 1]));
    }
    return hash;
}

void CStrPtrMapUI::FreeAll() noexcept {
    if (m_pBuckets != nullptr) {
        for (unsigned b = 0; b < m_nBuckets; ++b) {
            TItem* item = m_pBuckets[b];
            while (item != nullptr) {
                TItem* next = item->next;
                delete item;
                item = next;
            }
        }
        std::free(m_pBuckets);
    }
    m_pBuckets = nullptr;
    m_nBuckets = 0;
    m_nCount = 0;
}

void CStrPtrMapUI::Reset(int bucketCount) noexcept {
    FreeAll();
    if (bucketCount <= 0) {
        return;
    }
    m_pBuckets = static_cast<TItem**>(std::calloc(static_cast<std::size_t>(bucketCount), sizeof(TItem*)));
    if (m_pBuckets != nullptr) {
        m_nBuckets = static_cast<unsigned>(bucketCount);
    }
}

void CStrPtrMapUI::RemoveAllItems() noexcept {
    Reset(static_cast<int>(m_nBuckets));
}

void* CStrPtrMapUI::Find(const wchar_t* key, bool moveToFront) const noexcept {
    if (m_nBuckets == 0 || m_nCount == 0) {
        return nullptr;
    }
    if (key == nullptr) {
        key = kEmpty;
    }
    unsigned bucket = HashKey(key) % m_nBuckets;
    for (TItem* item = m_pBuckets[bucket]; item != nullptr; item = item->next) {
        if (!item->key.Equals(key)) {
            continue;
        }
        if (moveToFront && item->prev != nullptr) {
            item->prev->next = item->next;
            if (item->next != nullptr) {
                item->next->prev = item->prev;
            }
            item->prev = nullptr;
            item->next = m_pBuckets[bucket];
            m_pBuckets[bucket]->prev = item;
            m_pBuckets[bucket] = item;
        }
        return item->data;
    }
    return nullptr;
}

bool CStrPtrMapUI::Insert(const wchar_t* key, void* data) noexcept {
    if (m_nBuckets == 0 || m_nCount == INT_MAX) {
        return false;
    }
    if (key == nullptr) {
        key = kEmpty;
    }
    unsigned bucket = HashKey(key) % m_nBuckets;
    // Find reports a present key with null data as absent, so presence is checked on the chain itself.
    Find(key);
    for (TItem* item = m_pBuckets[bucket]; item != nullptr; item = item->next) {
        if (item->key.Equals(key)) {
            return false;
        }
    }
    auto* item = new (std::nothrow) TItem{CUIString(key), data, nullptr, m_pBuckets[bucket]};
    if (item == nullptr) {
        return false;
    }
    if (m_pBuckets[bucket] != nullptr) {
        m_pBuckets[bucket]->prev = item;
    }
    m_pBuckets[bucket] = item;
    ++m_nCount;
    return true;
}

void* CStrPtrMapUI::Set(const wchar_t* key, void* data) noexcept {
    if (m_nBuckets == 0) {
        return data;
    }
    if (key == nullptr) {
        key = kEmpty;
    }
    unsigned bucket = HashKey(key) % m_nBuckets;
    for (TItem* item = m_pBuckets[bucket]; item != nullptr; item = item->next) {
        if (item->key.Equals(key)) {
            void* old = item->data;
            item->data = data;
            return old;
        }
    }
    (void)Insert(key, data);
    return nullptr;
}

bool CStrPtrMapUI::Remove(const wchar_t* key) noexcept {
    if (m_nBuckets == 0 || m_nCount == 0) {
        return false;
    }
    if (key == nullptr) {
        key = kEmpty;
    }
    unsigned bucket = HashKey(key) % m_nBuckets;
    for (TItem* item = m_pBuckets[bucket]; item != nullptr; item = item->next) {
        if (!item->key.Equals(key)) {
            continue;
        }
        if (item->prev != nullptr) {
            item->prev->next = item->next;
        } else {
            m_pBuckets[bucket] = item->next;
        }
        if (item->next != nullptr) {
            item->next->prev = item->prev;
        }
        delete item;
        --m_nCount;
        return true;
    }
    return false;
}

const wchar_t* CStrPtrMapUI::KeyAt(int index) const noexcept {
    if (index < 0 || index >= m_nCount) {
        return nullptr;
    }
    int seen = 0;
    for (unsigned b = m_nBuckets; b > 0; --b) {
        for (TItem* item = m_pBuckets[b - 1]; item != nullptr; item = item->next) {
            if (seen == index) {
                return item->key.Text();
            }
            ++seen;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------------
// CRectUI

void CRectUI::Join(const RECT& other) noexcept {
    if (other.left < left) {
        left = other.left;
    }
    if (other.top < top) {
        top = other.top;
    }
    if (other.right > right) {
        right = other.right;
    }
    if (other.bottom > bottom) {
        bottom = other.bottom;
    }
}

void CRectUI::Offset(int dx, int dy) noexcept {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
}

void CRectUI::Shrink(int dx, int dy) noexcept {
    left += dx;
    right -= dx;
    top += dy;
    bottom -= dy;
}

} // namespace Tamsk
