// Markup text: inline tags for fonts, colours, links, images, paragraphs and spacing, laid out line by
// line with GDI, measured or drawn, with the rectangles of the links it drew.
#include "ui/render/UIRender.h"

#include "ui/core/UIManager.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace Tamsk {

namespace {

constexpr UINT kAlignFlags = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM;

bool IsTagLetter(wchar_t ch) {
    return ch >= L'a' && ch <= L'z';
}
bool IsOpen(wchar_t ch) {
    return ch == L'<' || ch == L'{';
}
bool IsClose(wchar_t ch) {
    return ch == L'>' || ch == L'}';
}
bool IsAsciiLetter(wchar_t ch) {
    return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}

// The single character an escape stands for, or 0.
wchar_t EscapeAt(const wchar_t* p) {
    // p[1] is tested before p[2], so the terminator is never stepped over.
    if (p[0] == L'<' && (p[1] == L'{' || p[1] == L'}') && p[2] == L'>') {
        return p[1];
    }
    if (p[0] == L'{' && (p[1] == L'<' || p[1] == L'>') && p[2] == L'}') {
        return p[1];
    }
    return 0;
}
bool IsTagAt(const wchar_t* p) {
    return IsOpen(p[0]) && IsTagLetter(p[1]) && (p[2] == L' ' || IsClose(p[2]));
}
bool IsClosingTagAt(const wchar_t* p) {
    return IsOpen(p[0]) && p[1] == L'/' && IsTagLetter(p[2]);
}
bool IsRawEndAt(const wchar_t* p) {
    return IsClosingTagAt(p) && p[2] == L'r';
}
// Past the tag's closing '>' or '}' (or at the end of the text when it has none).
const wchar_t* SkipTag(const wchar_t* p) {
    while (*p != L'\0' && !IsClose(*p)) {
        ++p;
    }
    return *p != L'\0' ? p + 1 : p;
}

struct TTextState {
    std::vector<TFontDataUI*> fonts;
    std::vector<DWORD> colors;
    std::vector<int> spacings;
    const wchar_t* pos = nullptr;
    bool inRaw = false;
    bool inSelected = false;
    bool inLink = false;
    CUIString linkTarget;
};

class CMarkupLayout {
public:
    CMarkupLayout(HDC hdc, CWindowManagerUI* manager, RECT& rc, DWORD color, RECT* linkRects,
                  CUIString* linkTargets, int linkCapacity, UINT style)
        : m_hdc(hdc), m_pm(manager), m_rc(rc), m_color(color), m_links(linkRects), m_targets(linkTargets),
          m_capacity(linkRects != nullptr && linkTargets != nullptr ? std::max(linkCapacity, 0) : 0),
          m_style(style), m_measuring((style & DT_CALCRECT) != 0),
          m_singleLine((style & DT_SINGLELINE) != 0) {
        m_state.fonts.reserve(10);
        m_state.colors.reserve(10);
        m_state.spacings.reserve(10);
    }

    void SetHoveredLink(const CUIString& target) {
        m_hovered = target;
        m_hasHovered = true;
    }
    int LinksRecorded() const { return std::min(m_linkIndex, m_capacity); }
    void Run(const wchar_t* text);

private:
    enum class EStop { End, Break };

    TFontDataUI* CurrentFont();
    int FontLineHeight(TFontDataUI* font) const {
        return font->tm.tmHeight + font->tm.tmExternalLeading + TopSpacing();
    }
    int TopSpacing() const { return m_state.spacings.empty() ? 0 : m_state.spacings.back(); }
    void EnsureMetrics(TFontDataUI* font);
    void SelectCurrentFont();
    void ApplyTextColor();
    void PushFont(TFontDataUI* font);
    void PopFont();
    TFontDataUI* Variant(TFontDataUI* base, bool bold, bool underline, bool italic);
    TFontDataUI* FontFromParams(const std::wstring& params);
    void RestoreState(const TTextState& s);
    void RecordLink(LONG right);
    bool AtLineStart() const { return m_x <= m_rc.left; }
    void GrowLine(int height) {
        if (!m_drawPass) {
            m_lineHeight = std::max(m_lineHeight, height);
        }
    }

    EStop WalkLine(bool draw);
    // A tag at m_state.pos. True when it ends the line (the position is then where the next line begins).
    bool HandleTag(bool draw);
    bool HandleClosingTag(bool draw);
    bool HandleImage(const std::wstring& params, bool draw);
    // Places text at m_state.pos; true when the line is full.
    bool HandleRun(const wchar_t* run, int length, int consumed, bool draw);
    int TextWidth(const wchar_t* text, int length);

    HDC m_hdc;
    CWindowManagerUI* m_pm;
    RECT& m_rc;
    DWORD m_color;
    RECT* m_links;
    CUIString* m_targets;
    int m_capacity;
    UINT m_style;
    bool m_measuring;
    bool m_singleLine;

    TTextState m_state;
    CUIString m_hovered;
    bool m_hasHovered = false;
    LONG m_x = 0;
    LONG m_y = 0;
    int m_lineHeight = 0;
    LONG m_lineOffset = 0; // the whole line moved right (centred or right-aligned multi-line text)
    LONG m_maxX = 0;
    LONG m_maxImageBottom = INT_MIN;
    POINT m_linkStart{};
    int m_linkIndex = 0;
    int m_firstLinkOfLine = 0;
    // The second walk of a line draws it with the height the first walk found; nothing changes it then.
    bool m_drawPass = false;
};

TFontDataUI* CMarkupLayout::CurrentFont() {
    TFontDataUI* font = m_state.fonts.empty() ? m_pm->DefaultFontInfo() : m_state.fonts.back();
    EnsureMetrics(font);
    return font;
}

void CMarkupLayout::EnsureMetrics(TFontDataUI* font) {
    if (font == nullptr || font->tm.tmHeight != 0 || font->hFont == nullptr) {
        return;
    }
    CSelectObjectUI select(m_hdc, font->hFont);
    ::GetTextMetricsW(m_hdc, &font->tm);
}

void CMarkupLayout::SelectCurrentFont() {
    TFontDataUI* font = CurrentFont();
    if (font != nullptr && font->hFont != nullptr) {
        ::SelectObject(m_hdc, font->hFont);
    }
}

void CMarkupLayout::ApplyTextColor() {
    const DWORD c = m_state.colors.empty() ? m_color : m_state.colors.back();
    ::SetTextColor(m_hdc, RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
}

void CMarkupLayout::PushFont(TFontDataUI* font) {
    if (font == nullptr) {
        return;
    }
    m_state.fonts.push_back(font);
    SelectCurrentFont();
    GrowLine(FontLineHeight(CurrentFont()));
}

void CMarkupLayout::PopFont() {
    TFontDataUI* leaving = CurrentFont();
    if (!m_state.fonts.empty()) {
        m_state.fonts.pop_back();
    }
    TFontDataUI* now = CurrentFont();
    if (leaving != nullptr && now != nullptr && leaving->bItalic && !now->bItalic) {
        // The italic glyphs lean into the next character: make room for it.
        ABC abc{};
        if (::GetCharABCWidthsW(m_hdc, L' ', L' ', &abc)) {
            m_x += static_cast<LONG>(abc.abcC / 2);
        }
    }
    SelectCurrentFont();
}

TFontDataUI* CMarkupLayout::Variant(TFontDataUI* base, bool bold, bool underline, bool italic) {
    if (base == nullptr) {
        return nullptr;
    }
    const CUIString face = base->strFaceName;
    HFONT font = m_pm->FindFont(face.Text(), base->nSize, bold, underline, italic);
    if (font == nullptr) {
        font = m_pm->AddFont(face.Text(), base->nSize, bold, underline, italic);
    }
    if (font == nullptr) {
        return nullptr;
    }
    TFontDataUI* info = m_pm->GetFontInfo(font);
    EnsureMetrics(info);
    return info;
}

TFontDataUI* CMarkupLayout::FontFromParams(const std::wstring& params) {
    std::size_t i = 0;
    while (i < params.size() && params[i] == L' ') {
        ++i;
    }
    if (i < params.size() && params[i] >= L'0' && params[i] <= L'9') {
        TFontDataUI* info = m_pm->GetFontInfo(ParseSkinInt(params.c_str() + i));
        EnsureMetrics(info);
        return info;
    }
    const std::size_t faceEnd = std::min(params.find(L' ', i), params.size());
    const std::wstring face = params.substr(i, faceEnd - i);
    const wchar_t* rest = params.c_str() + faceEnd;
    int size = 10;
    const wchar_t* afterSize = rest;
    const int parsed = ParseSkinInt(rest, &afterSize);
    if (afterSize != rest) {
        size = parsed;
    }
    std::wstring styles = afterSize;
    for (wchar_t& ch : styles) {
        if (ch >= L'A' && ch <= L'Z') {
            ch = static_cast<wchar_t>(ch - L'A' + L'a');
        }
    }
    const bool bold = styles.find(L"bold") != std::wstring::npos;
    const bool underline = styles.find(L"underline") != std::wstring::npos;
    const bool italic = styles.find(L"italic") != std::wstring::npos;
    HFONT font = m_pm->FindFont(face.c_str(), size, bold, underline, italic);
    if (font == nullptr) {
        font = m_pm->AddFont(face.c_str(), size, bold, underline, italic);
    }
    if (font == nullptr) {
        return nullptr;
    }
    TFontDataUI* info = m_pm->GetFontInfo(font);
    EnsureMetrics(info);
    return info;
}

void CMarkupLayout::RestoreState(const TTextState& s) {
    m_state.fonts = s.fonts;
    m_state.colors = s.colors;
    m_state.spacings = s.spacings;
    m_state.pos = s.pos;
    m_state.inRaw = s.inRaw;
    m_state.inSelected = s.inSelected;
    m_state.inLink = s.inLink;
    m_state.linkTarget = s.linkTarget;
    SelectCurrentFont();
    ApplyTextColor();
    ::SetBkMode(m_hdc, m_state.inSelected ? OPAQUE : TRANSPARENT);
}

void CMarkupLayout::RecordLink(LONG right) {
    if (m_linkIndex < m_capacity) {
        // The bottom is fixed when the line ends, once its height is known.
        m_links[m_linkIndex] = RECT{m_linkStart.x, m_linkStart.y, std::min(right, m_rc.right), m_y};
        m_targets[m_linkIndex] = m_state.linkTarget;
    }
    if (m_linkIndex < INT_MAX) {
        ++m_linkIndex;
    }
}

int CMarkupLayout::TextWidth(const wchar_t* text, int length) {
    SIZE size{};
    if (length <= 0 || !::GetTextExtentPoint32W(m_hdc, text, length, &size)) {
        return 0;
    }
    return size.cx;
}

bool CMarkupLayout::HandleRun(const wchar_t* run, int length, int consumed, bool draw) {
    TFontDataUI* font = CurrentFont();
    int count = length;
    int width = TextWidth(run, count);
    bool lineFull = false;
    bool ellipsis = false;
    if (m_x + width > m_rc.right) {
        // The longest head that fits; at least one character on an otherwise empty line.
        int lo = 0;
        int hi = length - 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo + 1) / 2;
            if (m_x + TextWidth(run, mid) <= m_rc.right) {
                lo = mid;
            } else {
                hi = mid - 1;
            }
        }
        count = lo;
        if (count == 0 && AtLineStart()) {
            count = 1;
        }
        if ((m_style & DT_WORDBREAK) != 0) {
            for (int k = count - 1; k >= 0; --k) {
                if (!IsAsciiLetter(run[k])) {
                    count = k + 1;
                    break;
                }
            }
        }
        if ((m_style & DT_END_ELLIPSIS) != 0) {
            // Never below one character on an otherwise empty line: each line must consume some text.
            const int keep = AtLineStart() ? 1 : 0;
            count -= std::max(0, std::min(2, count - keep));
            ellipsis = true;
        }
        width = TextWidth(run, count);
        // A line that took the whole run (its one forced character) may still be ended by what follows.
        lineFull = count < length || ellipsis;
    }
    if (draw && count > 0) {
        const int top = m_y + m_lineHeight - font->tm.tmExternalLeading - font->tm.tmHeight;
        ::TextOutW(m_hdc, m_x + m_lineOffset, top, run, count);
    }
    const LONG runEnd = m_x + width;
    m_x = runEnd;
    if (ellipsis) {
        if (draw) {
            const int top = m_y + m_lineHeight - font->tm.tmExternalLeading - font->tm.tmHeight;
            ::TextOutW(m_hdc, runEnd + m_lineOffset, top, L"...", 3);
        }
        m_x = std::max<LONG>(m_x, m_rc.right);
    }
    m_maxX = std::max(m_maxX, m_x);
    // Only what was placed is consumed; an escape stands for one character of three in the text.
    if (count == length) {
        m_state.pos += consumed;
    } else {
        m_state.pos += count;
    }
    return lineFull;
}

bool CMarkupLayout::HandleImage(const std::wstring& params, bool draw) {
    std::wstring name;
    std::wstring resType;
    int frames = 1;
    int frame = 0;
    if (params.find(L"file='") != std::wstring::npos || params.find(L"res='") != std::wstring::npos) {
        TImageDrawParamsUI p;
        ResetImageDrawParams(p, L"", m_rc);
        ParseImageDescriptor(params.c_str(), m_rc, p, nullptr, nullptr);
        name = p.strName;
        resType = p.strResType;
    } else {
        std::size_t i = 0;
        while (i < params.size() && params[i] == L' ') {
            ++i;
        }
        const std::size_t end = std::min(params.find(L' ', i), params.size());
        name = params.substr(i, end - i);
        const wchar_t* p = params.c_str() + end;
        const wchar_t* next = p;
        const int n = ParseSkinInt(p, &next);
        if (next != p) {
            frames = n;
            frame = ParseSkinInt(next);
        }
    }
    frames = std::max(frames, 1);
    if (frame < 0 || frame >= frames) {
        frame = 0;
    }
    const TImageDataUI* image =
        name.empty() ? nullptr
                     : m_pm->GetOrLoadImage(name.c_str(), resType.empty() ? nullptr : resType.c_str(), 0);
    if (image == nullptr || image->hBitmap == nullptr) {
        return false;
    }
    const int frameWidth = image->nWidth / frames;
    if (m_x + frameWidth > m_rc.right && !AtLineStart() && !m_singleLine) {
        return true; // read again at the start of the next line
    }
    GrowLine(image->nHeight);
    if (draw) {
        const LONG left = m_x + m_lineOffset;
        LONG top = m_y + m_lineHeight - image->nHeight;
        if (image->nHeight < m_lineHeight) {
            top = m_y + (m_lineHeight - image->nHeight) / 2;
        }
        const RECT dest{left, top, left + frameWidth, top + image->nHeight};
        const RECT source{frame * frameWidth, 0, (frame + 1) * frameWidth, image->nHeight};
        CRendererUI::DrawBitmap(m_hdc, image->hBitmap, dest, m_rc, source, RECT{}, image->bAlphaChannel, 255);
    }
    m_maxImageBottom = std::max<LONG>(m_maxImageBottom, m_y + image->nHeight);
    m_x += frameWidth;
    m_maxX = std::max(m_maxX, m_x);
    return false;
}

bool CMarkupLayout::HandleTag(bool draw) {
    const wchar_t* p = m_state.pos;
    const wchar_t letter = p[1];
    const wchar_t* end = SkipTag(p + 2);
    const wchar_t* paramsEnd = (end > p + 2 && IsClose(end[-1])) ? end - 1 : end;
    const std::wstring params =
        p[2] == L' ' && paramsEnd > p + 3 ? std::wstring(p + 3, paramsEnd) : std::wstring();
    const wchar_t* after = end;
    switch (letter) {
    case L'a': {
        m_state.pos = after;
        m_state.inLink = true;
        m_state.linkTarget = params.c_str();
        m_linkStart = POINT{m_x + m_lineOffset, m_y};
        const bool hovered = m_hasHovered && m_hovered == m_state.linkTarget;
        m_state.colors.push_back(hovered ? m_pm->DefaultLinkHoverColor() : m_pm->DefaultLinkColor());
        ApplyTextColor();
        TFontDataUI* font = CurrentFont();
        TFontDataUI* underlined = font->bUnderline ? font : Variant(font, font->bBold, true, font->bItalic);
        // Always pushed, so that the closing tag's restore takes back exactly this entry.
        PushFont(underlined != nullptr ? underlined : font);
        return false;
    }
    case L'b': {
        m_state.pos = after;
        TFontDataUI* font = CurrentFont();
        TFontDataUI* v = Variant(font, true, font->bUnderline, font->bItalic);
        PushFont(v != nullptr ? v : font);
        return false;
    }
    case L'u': {
        m_state.pos = after;
        TFontDataUI* font = CurrentFont();
        TFontDataUI* v = Variant(font, font->bBold, true, font->bItalic);
        PushFont(v != nullptr ? v : font);
        return false;
    }
    case L'i': {
        if (!params.empty()) {
            if (HandleImage(params, draw)) {
                return true;
            }
            m_state.pos = after;
            return false;
        }
        m_state.pos = after;
        TFontDataUI* font = CurrentFont();
        TFontDataUI* v = Variant(font, font->bBold, font->bUnderline, true);
        PushFont(v != nullptr ? v : font);
        return false;
    }
    case L'c':
        m_state.pos = after;
        m_state.colors.push_back(ParseSkinHexColor(params.c_str()));
        ApplyTextColor();
        return false;
    case L'f': {
        m_state.pos = after;
        TFontDataUI* font = FontFromParams(params);
        PushFont(font != nullptr ? font : CurrentFont());
        return false;
    }
    case L'n':
        m_state.pos = after;
        return !m_singleLine;
    case L'p': {
        m_state.pos = after;
        const int spacing = ParseSkinInt(params.c_str());
        m_state.spacings.push_back(spacing);
        if (!AtLineStart()) {
            return true;
        }
        GrowLine(FontLineHeight(CurrentFont()));
        return false;
    }
    case L'r':
        m_state.pos = after;
        m_state.inRaw = true;
        return false;
    case L's':
        m_state.pos = after;
        m_state.inSelected = !m_state.inSelected;
        ::SetBkMode(m_hdc, m_state.inSelected ? OPAQUE : TRANSPARENT);
        return false;
    case L'x':
        m_state.pos = after;
        m_x += ParseSkinInt(params.c_str());
        m_maxX = std::max(m_maxX, m_x);
        return false;
    case L'y':
        m_state.pos = after;
        if (!draw) {
            m_lineHeight = ParseSkinInt(params.c_str());
        }
        return false;
    default:
        m_state.pos = after;
        return false;
    }
}

bool CMarkupLayout::HandleClosingTag(bool draw) {
    const wchar_t letter = m_state.pos[2];
    m_state.pos = SkipTag(m_state.pos + 3);
    switch (letter) {
    case L'a':
        if (m_state.inLink) {
            if (!draw) {
                RecordLink(m_x + m_lineOffset);
            }
            m_state.inLink = false;
        }
        if (!m_state.colors.empty()) {
            m_state.colors.pop_back();
        }
        ApplyTextColor();
        PopFont();
        return false;
    case L'b':
    case L'f':
    case L'i':
    case L'u':
        PopFont();
        return false;
    case L'c':
        if (!m_state.colors.empty()) {
            m_state.colors.pop_back();
        }
        ApplyTextColor();
        return false;
    case L'p': {
        const bool wasAtStart = AtLineStart();
        if (!m_state.spacings.empty()) {
            m_state.spacings.pop_back();
        }
        return !wasAtStart;
    }
    case L'r':
        m_state.inRaw = false;
        return false;
    case L's':
        m_state.inSelected = !m_state.inSelected;
        ::SetBkMode(m_hdc, m_state.inSelected ? OPAQUE : TRANSPARENT);
        return false;
    default:
        return false;
    }
}

CMarkupLayout::EStop CMarkupLayout::WalkLine(bool draw) {
    m_drawPass = draw;
    for (;;) {
        const wchar_t* p = m_state.pos;
        if (*p == L'\0') {
            return EStop::End;
        }
        if (*p == L'\n') {
            m_state.pos = p + 1;
            if (!m_singleLine) {
                return EStop::Break;
            }
            continue;
        }
        if (*p == L'\r') {
            m_state.pos = p + 1;
            continue;
        }
        if (m_state.inRaw) {
            if (IsRawEndAt(p)) {
                (void)HandleClosingTag(draw);
                continue;
            }
        } else {
            if (const wchar_t ch = EscapeAt(p)) {
                if (HandleRun(&ch, 1, 3, draw)) {
                    return EStop::Break;
                }
                continue;
            }
            if (IsTagAt(p)) {
                if (HandleTag(draw)) {
                    return EStop::Break;
                }
                continue;
            }
            if (IsClosingTagAt(p)) {
                if (HandleClosingTag(draw)) {
                    return EStop::Break;
                }
                continue;
            }
        }
        // A run: up to the next markup, newline or end. A space is a run of its own.
        const wchar_t* q = p + 1;
        if (*p != L' ') {
            while (*q != L'\0' && *q != L'\n' && *q != L'\r') {
                if (m_state.inRaw ? IsRawEndAt(q) : (EscapeAt(q) != 0 || IsTagAt(q) || IsClosingTagAt(q))) {
                    break;
                }
                ++q;
            }
        }
        const long long length = q - p;
        const int n = static_cast<int>(std::min<long long>(length, INT_MAX / 2));
        if (HandleRun(p, n, n, draw)) {
            return EStop::Break;
        }
    }
}

void CMarkupLayout::Run(const wchar_t* text) {
    m_state.pos = text;
    m_x = m_rc.left;
    m_y = m_rc.top;
    m_maxX = m_rc.left;
    SelectCurrentFont();
    ApplyTextColor();
    const UINT horizontal = m_style & (DT_CENTER | DT_RIGHT);
    for (;;) {
        m_lineHeight = FontLineHeight(CurrentFont());
        m_lineOffset = 0;
        m_firstLinkOfLine = m_linkIndex;
        TTextState lineStart = m_state;
        if (m_state.inLink) {
            m_linkStart = POINT{m_rc.left, m_y};
        }
        const LONG maxBefore = m_maxX;
        EStop stop = WalkLine(false);
        if (m_state.inLink) {
            // The part of an open link on this line; the link goes on with the same target.
            RecordLink(m_x);
        }
        const int height = m_lineHeight;
        // Links recorded on this line reach down to its bottom.
        for (int i = m_firstLinkOfLine; i < std::min(m_linkIndex, m_capacity); ++i) {
            m_links[i].bottom = m_y + height;
        }
        if (!m_measuring) {
            if (horizontal != 0 && !m_singleLine) {
                // The whole line moves, so that runs and images of one line stay together.
                const LONG used = std::min(m_x, m_rc.right) - m_rc.left;
                const LONG free = (m_rc.right - m_rc.left) - used;
                m_lineOffset = (horizontal & DT_CENTER) != 0 ? free / 2 : free;
                for (int i = m_firstLinkOfLine; i < std::min(m_linkIndex, m_capacity); ++i) {
                    ::OffsetRect(&m_links[i], m_lineOffset, 0);
                }
            }
            const TTextState afterMeasure = m_state;
            const LONG xAfter = m_x;
            RestoreState(lineStart);
            m_x = m_rc.left;
            m_maxX = maxBefore;
            stop = WalkLine(true);
            m_lineHeight = height;
            // Both walks make the same decisions; the measured end wins if they ever disagree.
            RestoreState(afterMeasure);
            m_x = xAfter;
            m_maxX = std::max(m_maxX, xAfter);
        }
        if (stop == EStop::End) {
            m_y += m_lineHeight;
            break;
        }
        m_y += m_lineHeight;
        m_x = m_rc.left;
        if (m_singleLine || m_y >= m_rc.bottom) {
            break;
        }
    }
    if (m_measuring) {
        m_rc.bottom = std::max<LONG>(m_y, m_maxImageBottom);
        m_rc.right = std::min<LONG>(m_rc.right, m_maxX);
    }
}

} // namespace

void CRendererUI::DrawMarkupText(HDC hdc, CWindowManagerUI* manager, RECT& rc, const wchar_t* text,
                                 DWORD color, RECT* linkRects, CUIString* linkTargets, int& linkCount,
                                 UINT style) noexcept {
    if (hdc == nullptr || manager == nullptr || text == nullptr) {
        return;
    }
    if (::IsRectEmpty(&rc)) {
        // Nothing drawn, so no link either: the caller must not keep hit-testing stale rectangles.
        linkCount = 0;
        return;
    }
    const bool measuring = (style & DT_CALCRECT) != 0;

    // 1. Keep the clip in force; drawing is confined to the rectangle as given.
    RECT box{};
    ::GetClipBox(hdc, &box);
    CUniqueRgnUI savedClip(::CreateRectRgnIndirect(&box));
    if (!measuring) {
        CUniqueRgnUI clip(::CreateRectRgnIndirect(&rc));
        if (clip) {
            ::ExtSelectClipRgn(hdc, clip.Get(), RGN_AND);
        }
    }

    // 2. Default font and colours.
    TFontDataUI* defaultFont = manager->DefaultFontInfo();
    const HGDIOBJ oldFont = ::SelectObject(hdc, defaultFont != nullptr ? defaultFont->hFont : nullptr);
    const int oldMode = ::SetBkMode(hdc, TRANSPARENT);
    const COLORREF oldText =
        ::SetTextColor(hdc, RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF));
    const DWORD selected = manager->DefaultSelectedColor();
    const COLORREF oldBk =
        ::SetBkColor(hdc, RGB((selected >> 16) & 0xFF, (selected >> 8) & 0xFF, selected & 0xFF));

    // 3. Aligned text is measured first and the rectangle moved to fit it.
    if (!measuring && (style & kAlignFlags) != 0) {
        RECT m{0, 0, 9999, 100};
        int none = 0;
        DrawMarkupText(hdc, manager, m, text, color, nullptr, nullptr, none,
                       (style & ~kAlignFlags) | DT_CALCRECT);
        const LONG mw = m.right - m.left;
        const LONG mh = m.bottom - m.top;
        if ((style & DT_SINGLELINE) != 0) {
            if ((style & DT_CENTER) != 0) {
                rc.left += (rc.right - rc.left) / 2 - mw / 2;
                rc.right = rc.left + mw;
            } else if ((style & DT_RIGHT) != 0) {
                rc.left = rc.right - mw;
            }
        }
        if ((style & DT_VCENTER) != 0) {
            rc.top += (rc.bottom - rc.top) / 2 - mh / 2;
            rc.bottom = rc.top + mh;
        } else if ((style & DT_BOTTOM) != 0) {
            rc.top = rc.bottom - mh;
        }
    }

    CMarkupLayout layout(hdc, manager, rc, color, linkRects, linkTargets, linkCount, style);
    // 4. The hovered link of the previous call.
    if (linkRects != nullptr && linkTargets != nullptr) {
        const POINT mouse = manager->GetLastMousePos();
        for (int i = 0; i < linkCount; ++i) {
            if (::PtInRect(&linkRects[i], mouse)) {
                layout.SetHoveredLink(linkTargets[i]);
                break;
            }
        }
    }
    // 5-11.
    layout.Run(text);
    linkCount = layout.LinksRecorded();

    // 12. Everything back as it was.
    if (savedClip) {
        ::SelectClipRgn(hdc, savedClip.Get());
    }
    ::SetBkColor(hdc, oldBk);
    ::SetTextColor(hdc, oldText);
    ::SetBkMode(hdc, oldMode);
    if (oldFont != nullptr && oldFont != HGDI_ERROR) {
        ::SelectObject(hdc, oldFont);
    }
}

} // namespace Tamsk
