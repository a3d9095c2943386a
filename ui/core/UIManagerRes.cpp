// The window manager's resource tables: fonts, the image cache, default attribute lists, default colours,
// the resource parent chain and option groups.
#include "ui/core/UIManager.h"

#include <cwchar>
#include <new>

#include "ui/render/UIRender.h"

namespace Tamsk {

namespace {

// The description every skin font starts from, so unset fields follow the platform's GUI font.
LOGFONTW DefaultGuiFontDescription() noexcept {
    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    return lf;
}

LOGFONTW DescribeFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) noexcept {
    LOGFONTW lf = DefaultGuiFontDescription();
    // The face name field holds 32 code units including the terminator.
    std::wcsncpy(lf.lfFaceName, name != nullptr ? name : L"", LF_FACESIZE);
    lf.lfFaceName[LF_FACESIZE - 1] = L'\0';
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = -size;
    if (bold) {
        lf.lfWeight += FW_BOLD;
    }
    if (underline) {
        lf.lfUnderline = TRUE;
    }
    if (italic) {
        lf.lfItalic = TRUE;
    }
    return lf;
}

void FreeFont(TFontDataUI* font) noexcept {
    if (font != nullptr) {
        if (font->hFont != nullptr) {
            ::DeleteObject(font->hFont);
        }
        delete font;
    }
}

void FreeImage(TImageDataUI* image) noexcept {
    if (image != nullptr) {
        if (image->hBitmap != nullptr) {
            ::DeleteObject(image->hBitmap);
        }
        delete image;
    }
}

bool SameFont(const TFontDataUI& f, LPCWSTR name, int size, bool bold, bool underline, bool italic) noexcept {
    return f.strFaceName == (name != nullptr ? name : L"") && f.nSize == size && f.bBold == bold &&
           f.bUnderline == underline && f.bItalic == italic;
}

// Process-wide colour adjustment; nothing in the framework changes it.
constexpr short kHue = 180;
constexpr short kSaturation = 100;
constexpr short kLightness = 100;

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Fonts

void CWindowManagerUI::MeasureFont(TFontDataUI& font) noexcept {
    if (m_hDcPaint == nullptr || font.hFont == nullptr) {
        return;
    }
    HGDIOBJ old = ::SelectObject(m_hDcPaint, font.hFont);
    ::GetTextMetricsW(m_hDcPaint, &font.tm);
    ::SelectObject(m_hDcPaint, old);
}

HFONT CWindowManagerUI::AddFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) noexcept {
    LOGFONTW lf = DescribeFont(name, size, bold, underline, italic);
    lf.lfQuality = CLEARTYPE_QUALITY;
    HFONT hFont = ::CreateFontIndirectW(&lf);
    if (hFont == nullptr) {
        return nullptr;
    }
    auto* font = new (std::nothrow) TFontDataUI;
    if (font == nullptr) {
        ::DeleteObject(hFont);
        return nullptr;
    }
    font->hFont = hFont;
    font->strFaceName = name;
    font->nSize = size;
    font->bBold = bold;
    font->bUnderline = underline;
    font->bItalic = italic;
    MeasureFont(*font);
    if (!m_aCustomFonts.Push(font)) {
        FreeFont(font);
        return nullptr;
    }
    return hFont;
}

void CWindowManagerUI::SetDefaultFont(LPCWSTR name, int size, bool bold, bool underline,
                                      bool italic) noexcept {
    LOGFONTW lf = DescribeFont(name, size, bold, underline, italic);
    HFONT hFont = ::CreateFontIndirectW(&lf);
    if (hFont == nullptr) {
        return;
    }
    if (m_DefaultFontInfo.hFont != nullptr) {
        ::DeleteObject(m_DefaultFontInfo.hFont);
    }
    m_DefaultFontInfo.hFont = hFont;
    m_DefaultFontInfo.strFaceName = name;
    m_DefaultFontInfo.nSize = size;
    m_DefaultFontInfo.bBold = bold;
    m_DefaultFontInfo.bUnderline = underline;
    m_DefaultFontInfo.bItalic = italic;
    m_DefaultFontInfo.tm = TEXTMETRICW{};
    MeasureFont(m_DefaultFontInfo);
}

TFontDataUI* CWindowManagerUI::TopDefaultFont() noexcept {
    CWindowManagerUI* top = this;
    while (top->m_pParentResourcePM != nullptr) {
        top = top->m_pParentResourcePM;
    }
    return &top->m_DefaultFontInfo;
}

TFontDataUI* CWindowManagerUI::DefaultFontInfo() noexcept {
    TFontDataUI* font = TopDefaultFont();
    if (font->tm.tmHeight == 0) {
        MeasureFont(*font);
    }
    return font;
}

HFONT CWindowManagerUI::GetFont(int index) noexcept {
    if (index >= 0 && index < m_aCustomFonts.Count()) {
        return static_cast<TFontDataUI*>(m_aCustomFonts[index])->hFont;
    }
    return DefaultFontInfo()->hFont;
}

TFontDataUI* CWindowManagerUI::GetFontInfo(int index) noexcept {
    if (index >= 0 && index < m_aCustomFonts.Count()) {
        auto* font = static_cast<TFontDataUI*>(m_aCustomFonts[index]);
        if (font->tm.tmHeight == 0) {
            MeasureFont(*font);
        }
        return font;
    }
    return DefaultFontInfo();
}

TFontDataUI* CWindowManagerUI::GetFontInfo(HFONT hFont) noexcept {
    for (CWindowManagerUI* pm = this; pm != nullptr; pm = pm->m_pParentResourcePM) {
        for (int i = 0; i < pm->m_aCustomFonts.Count(); ++i) {
            auto* font = static_cast<TFontDataUI*>(pm->m_aCustomFonts[i]);
            if (font->hFont == hFont) {
                if (font->tm.tmHeight == 0) {
                    pm->MeasureFont(*font);
                }
                return font;
            }
        }
    }
    return DefaultFontInfo();
}

HFONT CWindowManagerUI::FindFont(LPCWSTR name, int size, bool bold, bool underline,
                                 bool italic) const noexcept {
    for (const CWindowManagerUI* pm = this; pm != nullptr; pm = pm->m_pParentResourcePM) {
        for (int i = 0; i < pm->m_aCustomFonts.Count(); ++i) {
            const auto* font = static_cast<const TFontDataUI*>(pm->m_aCustomFonts[i]);
            if (SameFont(*font, name, size, bold, underline, italic)) {
                return font->hFont;
            }
        }
    }
    return nullptr;
}

void CWindowManagerUI::RemoveAllFonts() noexcept {
    for (int i = 0; i < m_aCustomFonts.Count(); ++i) {
        FreeFont(static_cast<TFontDataUI*>(m_aCustomFonts[i]));
    }
    m_aCustomFonts.Clear();
}

// ---------------------------------------------------------------------------------------------------------
// Images

const TImageDataUI* CWindowManagerUI::AddImage(LPCWSTR name, LPCWSTR resourceType, DWORD mask) noexcept {
    if (name == nullptr || name[0] == L'\0') {
        return nullptr;
    }
    const bool fromResource = resourceType != nullptr && resourceType[0] != L'\0';
    TImageDataUI* image = nullptr;
    if (fromResource) {
        if (name[0] < L'0' || name[0] > L'9') {
            return nullptr;
        }
        unsigned long number = 0;
        for (const wchar_t* p = name; *p >= L'0' && *p <= L'9'; ++p) {
            number = (number * 10u + static_cast<unsigned long>(*p - L'0')) & 0xFFFFu;
        }
        // "#n" names resource number n for the resource lookup and is harmless as a file name, unlike an
        // integer resource pointer that a loader might read as text on its fallback path.
        wchar_t resourceName[16];
        std::swprintf(resourceName, 16, L"#%lu", number);
        image = CRendererUI::LoadSkinImage(resourceName, resourceType, mask);
    } else {
        image = CRendererUI::LoadSkinImage(name, nullptr, mask);
    }
    if (image == nullptr) {
        return nullptr;
    }
    if (fromResource) {
        image->strResType = resourceType;
    }
    image->dwMask = mask;
    if (!m_mImageHash.Insert(name, image)) {
        FreeImage(image);
        return nullptr;
    }
    return image;
}

const TImageDataUI* CWindowManagerUI::GetImage(LPCWSTR name) const noexcept {
    return name != nullptr ? static_cast<const TImageDataUI*>(m_mImageHash.Find(name)) : nullptr;
}

const TImageDataUI* CWindowManagerUI::GetOrLoadImage(LPCWSTR name, LPCWSTR resourceType,
                                                     DWORD mask) noexcept {
    if (const TImageDataUI* cached = GetImage(name)) {
        return cached;
    }
    if (AddImage(name, resourceType, mask) == nullptr) {
        return nullptr;
    }
    return GetImage(name);
}

void CWindowManagerUI::RemoveAllImages() noexcept {
    for (int i = 0; i < m_mImageHash.Count(); ++i) {
        const wchar_t* key = m_mImageHash.KeyAt(i);
        if (key != nullptr) {
            FreeImage(static_cast<TImageDataUI*>(m_mImageHash.Find(key, false)));
        }
    }
    m_mImageHash.RemoveAllItems();
}

// ---------------------------------------------------------------------------------------------------------
// Default attribute lists

void CWindowManagerUI::AddDefaultAttributes(LPCWSTR tag, LPCWSTR list) noexcept {
    if (tag == nullptr || m_DefaultAttrHash.Find(tag) != nullptr) {
        return;
    }
    auto* copy = new (std::nothrow) CUIString(list);
    if (copy == nullptr) {
        return;
    }
    if (!m_DefaultAttrHash.Insert(tag, copy)) {
        delete copy;
    }
}

LPCWSTR CWindowManagerUI::GetDefaultAttributes(LPCWSTR tag) const noexcept {
    if (tag == nullptr) {
        return nullptr;
    }
    for (const CWindowManagerUI* pm = this; pm != nullptr; pm = pm->m_pParentResourcePM) {
        if (const auto* list = static_cast<const CUIString*>(pm->m_DefaultAttrHash.Find(tag))) {
            return list->Text();
        }
    }
    return nullptr;
}

void CWindowManagerUI::RemoveAllDefaultAttributes() noexcept {
    for (int i = 0; i < m_DefaultAttrHash.Count(); ++i) {
        const wchar_t* key = m_DefaultAttrHash.KeyAt(i);
        if (key != nullptr) {
            delete static_cast<CUIString*>(m_DefaultAttrHash.Find(key));
        }
    }
    m_DefaultAttrHash.RemoveAllItems();
}

// ---------------------------------------------------------------------------------------------------------
// Colours and the parent chain

const CWindowManagerUI* CWindowManagerUI::TopResourceOwner() const noexcept {
    const CWindowManagerUI* top = this;
    while (top->m_pParentResourcePM != nullptr) {
        top = top->m_pParentResourcePM;
    }
    return top;
}

DWORD CWindowManagerUI::DefaultDisabledColor() const noexcept {
    return TopResourceOwner()->m_dwDefaultDisabledColor;
}
DWORD CWindowManagerUI::DefaultTextColor() const noexcept {
    return TopResourceOwner()->m_dwDefaultFontColor;
}
DWORD CWindowManagerUI::DefaultLinkColor() const noexcept {
    return TopResourceOwner()->m_dwDefaultLinkFontColor;
}
DWORD CWindowManagerUI::DefaultLinkHoverColor() const noexcept {
    return TopResourceOwner()->m_dwDefaultLinkHoverFontColor;
}
DWORD CWindowManagerUI::DefaultSelectedColor() const noexcept {
    return TopResourceOwner()->m_dwDefaultSelectedBkColor;
}

bool CWindowManagerUI::SetResourceParent(CWindowManagerUI* parent) noexcept {
    if (parent == nullptr) {
        m_pParentResourcePM = nullptr;
        return true;
    }
    for (const CWindowManagerUI* pm = parent; pm != nullptr; pm = pm->m_pParentResourcePM) {
        if (pm == this) {
            return false;
        }
    }
    m_pParentResourcePM = parent;
    return true;
}

void CWindowManagerUI::ColorAdjustValues(short& hue, short& saturation, short& lightness) noexcept {
    hue = kHue;
    saturation = kSaturation;
    lightness = kLightness;
}

// ---------------------------------------------------------------------------------------------------------
// Option groups

bool CWindowManagerUI::AddToOptionGroup(LPCWSTR group, CControlUI* control) noexcept {
    if (group == nullptr) {
        return false;
    }
    if (auto* members = static_cast<CPtrArrayUI*>(m_mOptionGroup.Find(group))) {
        if (members->IndexOf(control) >= 0) {
            return false;
        }
        return members->Push(control);
    }
    auto* members = new (std::nothrow) CPtrArrayUI(6);
    if (members == nullptr) {
        return false;
    }
    if (!members->Push(control) || !m_mOptionGroup.Insert(group, members)) {
        delete members;
        return false;
    }
    return true;
}

CPtrArrayUI* CWindowManagerUI::GetOptionGroup(LPCWSTR group) const noexcept {
    return group != nullptr ? static_cast<CPtrArrayUI*>(m_mOptionGroup.Find(group)) : nullptr;
}

void CWindowManagerUI::RemoveFromOptionGroup(LPCWSTR group, CControlUI* control) noexcept {
    auto* members = GetOptionGroup(group);
    if (members == nullptr) {
        return;
    }
    const int index = members->IndexOf(control);
    if (index >= 0) {
        (void)members->RemoveAt(index);
    }
    if (members->IsEmpty()) {
        delete members;
        m_mOptionGroup.Remove(group);
    }
}

void CWindowManagerUI::RemoveAllOptionGroups() noexcept {
    for (int i = 0; i < m_mOptionGroup.Count(); ++i) {
        const wchar_t* key = m_mOptionGroup.KeyAt(i);
        if (key != nullptr) {
            delete static_cast<CPtrArrayUI*>(m_mOptionGroup.Find(key));
        }
    }
    m_mOptionGroup.RemoveAllItems();
}

} // namespace Tamsk
