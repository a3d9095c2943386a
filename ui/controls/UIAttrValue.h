#pragma once
// How skin attribute values read: numbers never fail (unreadable ones are 0), booleans are the exact
// text "true", colours are hexadecimal.

#include <windows.h>

namespace Tamsk {

// Leading white space, an optional sign, then decimal digits up to the first other character; no digits
// gives 0 and leaves *end at text; values out of range saturate. A null text reads as 0.
int ReadAttrInt(const wchar_t* text, const wchar_t** end = nullptr) noexcept;

// count integers, reading one and then skipping exactly one character before the next. Missing numbers
// are 0. The skip never steps over the end of the text.
void ReadAttrIntList(const wchar_t* text, int* values, int count) noexcept;
RECT ReadAttrRect(const wchar_t* text) noexcept;
SIZE ReadAttrSize(const wchar_t* text) noexcept;

// True only for the exact text "true".
bool ReadAttrBool(const wchar_t* text) noexcept;

// An optional '#', then an unsigned hexadecimal number (leading white space and an optional 0x accepted,
// stops at the first non-hex character, saturates at 0xFFFFFFFF). With skipControlChars the characters
// 1 to 32 before the '#' are skipped first (the background colours read that way).
DWORD ReadAttrColor(const wchar_t* text, bool skipControlChars) noexcept;

} // namespace Tamsk
