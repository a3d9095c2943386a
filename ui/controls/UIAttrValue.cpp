#include "ui/controls/UIAttrValue.h"

#include <climits>

namespace Tamsk {

namespace {

bool IsSpace(wchar_t ch) noexcept {
    return ch == L' ' || (ch >= L'\t' && ch <= L'\r');
}

int HexDigit(wchar_t ch) noexcept {
    if (ch >= L'0' && ch <= L'9') {
        return ch - L'0';
    }
    if (ch >= L'a' && ch <= L'f') {
        return ch - L'a' + 10;
    }
    if (ch >= L'A' && ch <= L'F') {
        return ch - L'A' + 10;
    }
    return -1;
}

} // namespace

int ReadAttrInt(const wchar_t* text, const wchar_t** end) noexcept {
    if (end) {
        *end = text;
    }
    if (!text) {
        return 0;
    }
    const wchar_t* p = text;
    while (IsSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == L'+' || *p == L'-') {
        negative = *p == L'-';
        ++p;
    }
    if (*p < L'0' || *p > L'9') {
        return 0;
    }
    long long value = 0;
    while (*p >= L'0' && *p <= L'9') {
        if (value <= static_cast<long long>(INT_MAX) + 1) {
            value = value * 10 + (*p - L'0');
        }
        ++p;
    }
    if (end) {
        *end = p;
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

void ReadAttrIntList(const wchar_t* text, int* values, int count) noexcept {
    const wchar_t* p = text;
    for (int i = 0; i < count; ++i) {
        if (!p || *p == L'\0') {
            values[i] = 0;
            continue;
        }
        const wchar_t* end = p;
        values[i] = ReadAttrInt(p, &end);
        p = end;
        // The separator: one character, whatever it is, but never the terminator.
        if (*p != L'\0') {
            ++p;
        }
    }
}

RECT ReadAttrRect(const wchar_t* text) noexcept {
    int v[4];
    ReadAttrIntList(text, v, 4);
    return RECT{v[0], v[1], v[2], v[3]};
}

SIZE ReadAttrSize(const wchar_t* text) noexcept {
    int v[2];
    ReadAttrIntList(text, v, 2);
    return SIZE{v[0], v[1]};
}

bool ReadAttrBool(const wchar_t* text) noexcept {
    return text && text[0] == L't' && text[1] == L'r' && text[2] == L'u' && text[3] == L'e' && text[4] == L'\0';
}

DWORD ReadAttrColor(const wchar_t* text, bool skipControlChars) noexcept {
    if (!text) {
        return 0;
    }
    const wchar_t* p = text;
    if (skipControlChars) {
        while (*p >= 1 && *p <= 32) {
            ++p;
        }
    }
    if (*p == L'#') {
        ++p;
    }
    while (IsSpace(*p)) {
        ++p;
    }
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X') && HexDigit(p[2]) >= 0) {
        p += 2;
    }
    unsigned long long value = 0;
    for (int digit; (digit = HexDigit(*p)) >= 0; ++p) {
        value = value * 16 + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull) {
            value = 0xFFFFFFFFull + 1;
        }
    }
    return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(value);
}

} // namespace Tamsk
