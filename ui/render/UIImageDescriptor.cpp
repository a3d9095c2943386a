// The image-descriptor grammar and the number formats it shares with skin attributes.
#include "ui/render/UIRender.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace Tamsk {

namespace {

bool IsDescriptorSpace(wchar_t ch) {
    return ch >= 1 && ch <= 32;
}

bool IsTrue(const std::wstring& value) {
    return value == L"true";
}

} // namespace

int ParseSkinInt(const wchar_t* text, const wchar_t** end) noexcept {
    if (text == nullptr) {
        if (end != nullptr) {
            *end = nullptr;
        }
        return 0;
    }
    // wcstol saturates at the 32-bit limits (long is 32 bits on Windows) and stops at the first
    // character that is not a digit, which is exactly the skin rule.
    wchar_t* stop = nullptr;
    const long value = std::wcstol(text, &stop, 10);
    if (end != nullptr) {
        *end = stop;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

RECT ParseSkinRect(const wchar_t* text) noexcept {
    RECT rc{};
    LONG* fields[] = {&rc.left, &rc.top, &rc.right, &rc.bottom};
    const wchar_t* p = text;
    for (std::size_t i = 0; i < 4 && p != nullptr; ++i) {
        if (i > 0) {
            // Exactly one separator; never step over the terminator.
            if (*p == L'\0') {
                break;
            }
            ++p;
        }
        *fields[i] = ParseSkinInt(p, &p);
    }
    return rc;
}

DWORD ParseSkinHexColor(const wchar_t* text) noexcept {
    if (text == nullptr) {
        return 0;
    }
    if (*text == L'#') {
        ++text;
    }
    const unsigned long value = std::wcstoul(text, nullptr, 16);
    return value > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<DWORD>(value);
}

void ResetImageDrawParams(TImageDrawParamsUI& params, const wchar_t* descriptor, const RECT& item) {
    params = TImageDrawParamsUI{};
    params.strName = descriptor != nullptr ? descriptor : L"";
    params.rcDest = item;
}

namespace {

void ApplyDescriptorPair(const std::wstring& key, const std::wstring& value, const RECT& item,
                         TImageDrawParamsUI& params, int& pending, PendingImageDrawFn onPending,
                         void* context) {
    if (value.empty()) {
        return;
    }
    auto drawPending = [&]() {
        if (pending > 0 && onPending != nullptr) {
            onPending(params, context);
        }
    };
    if (key == L"file") {
        drawPending();
        params.strName = value;
        ++pending;
    } else if (key == L"res") {
        drawPending();
        params.strName = value;
    } else if (key == L"restype") {
        drawPending();
        params.strResType = value;
        ++pending;
    } else if (key == L"dest") {
        const RECT rc = ParseSkinRect(value.c_str());
        // Sums in 64 bits: skin numbers saturate at the 32-bit limits and must not wrap here.
        auto add = [](LONG a, LONG b) {
            const long long v = static_cast<long long>(a) + b;
            return static_cast<LONG>(std::clamp<long long>(v, INT_MIN, INT_MAX));
        };
        params.rcDest.left = add(item.left, rc.left);
        params.rcDest.top = add(item.top, rc.top);
        params.rcDest.right = std::min(add(item.left, rc.right), item.right);
        params.rcDest.bottom = std::min(add(item.top, rc.bottom), item.bottom);
    } else if (key == L"source") {
        params.rcSource = ParseSkinRect(value.c_str());
    } else if (key == L"corner") {
        params.rcCorner = ParseSkinRect(value.c_str());
    } else if (key == L"mask") {
        params.dwMask = ParseSkinHexColor(value.c_str());
    } else if (key == L"fade") {
        params.uFade = static_cast<BYTE>(static_cast<unsigned>(ParseSkinInt(value.c_str())) & 0xFFu);
    } else if (key == L"hole") {
        params.bHole = IsTrue(value);
    } else if (key == L"xtiled") {
        params.bTiledX = IsTrue(value);
    } else if (key == L"ytiled") {
        params.bTiledY = IsTrue(value);
    }
}

} // namespace

void ParseImageDescriptor(const wchar_t* text, const RECT& item, TImageDrawParamsUI& params,
                          PendingImageDrawFn onPending, void* context) noexcept {
    if (text == nullptr) {
        return;
    }
    int pending = 0;
    const wchar_t* p = text;
    std::wstring key;
    std::wstring value;
    for (;;) {
        while (IsDescriptorSpace(*p)) {
            ++p;
        }
        if (*p == L'\0') {
            break;
        }
        const wchar_t* keyStart = p;
        while (*p != L'\0' && *p != L'=' && !IsDescriptorSpace(*p)) {
            ++p;
        }
        key.assign(keyStart, p);
        while (IsDescriptorSpace(*p)) {
            ++p;
        }
        if (*p != L'=') {
            break;
        }
        ++p;
        while (IsDescriptorSpace(*p)) {
            ++p;
        }
        if (*p != L'\'') {
            break;
        }
        ++p;
        const wchar_t* valueStart = p;
        while (*p != L'\0' && *p != L'\'') {
            ++p;
        }
        if (*p != L'\'') {
            break;
        }
        value.assign(valueStart, p);
        ++p;
        ApplyDescriptorPair(key, value, item, params, pending, onPending, context);
        // One space and the next pair; anything else ends the descriptor.
        if (*p != L' ') {
            break;
        }
        ++p;
    }
}

} // namespace Tamsk
