#include "ui/controls/UILabel.h"

#include <cwchar>

#include "ui/controls/UIAttrValue.h"
#include "ui/core/UIManager.h"
#include "ui/render/UIRender.h"

namespace Tamsk {

namespace {

bool IsMouseEvent(int type) noexcept {
    return type > 8 && type < 19;
}

bool Contains(LPCWSTR text, LPCWSTR part) noexcept {
    return wcsstr(text, part) != nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Label

CLabelUI::CLabelUI() = default;

LPCWSTR CLabelUI::ClassName() const {
    return L"LabelUI";
}

void* CLabelUI::InterfaceFor(LPCWSTR name) {
    if (name && wcscmp(name, L"Label") == 0) {
        return static_cast<CLabelUI*>(this);
    }
    return CControlUI::InterfaceFor(name);
}

CUIString CLabelUI::GetText() const {
    return m_bEnabledEffect ? m_strEffectText : m_strText;
}

void CLabelUI::SetText(LPCWSTR text) {
    if (!m_bEnabledEffect) {
        CControlUI::SetText(text);
        return;
    }
    if (m_strEffectText == text) {
        return;
    }
    m_strEffectText = text;
    Invalidate();
}

void CLabelUI::HandleEvent(TControlEventUI& event) {
    if (event.Type == EventSetFocus) {
        m_bFocused = true;
        return;
    }
    if (event.Type == EventKillFocus) {
        m_bFocused = false;
        return;
    }
    CControlUI::HandleEvent(event);
}

bool CLabelUI::IsAutoWidth() const {
    return m_bAutoWidth;
}

void CLabelUI::SetAutoWidth(bool autoWidth) {
    m_bAutoWidth = autoWidth;
}

void CLabelUI::SetTextColor(DWORD color) {
    m_dwTextColor = color;
    Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD color) {
    m_dwDisabledTextColor = color;
    Invalidate();
}

void CLabelUI::SetFont(int index) {
    m_nFont = index;
    Invalidate();
}

void CLabelUI::SetTextStyle(UINT style) {
    m_uTextStyle = style;
    Invalidate();
}

void CLabelUI::SetTextPadding(RECT padding) {
    m_rcTextPadding = padding;
    Invalidate();
}

void CLabelUI::SetShowHtml(bool show) {
    if (m_bShowHtml == show) {
        return;
    }
    m_bShowHtml = show;
    Invalidate();
}

void CLabelUI::ApplyAttribute(LPCWSTR name, LPCWSTR value) {
    if (!name || !value) {
        return;
    }
    if (wcscmp(name, L"align") == 0) {
        if (Contains(value, L"left")) {
            m_uTextStyle &= ~(DT_CENTER | DT_RIGHT | DT_SINGLELINE);
        }
        if (Contains(value, L"center")) {
            m_uTextStyle &= ~DT_RIGHT;
            m_uTextStyle |= DT_CENTER;
        }
        if (Contains(value, L"right")) {
            m_uTextStyle &= ~(DT_CENTER | DT_SINGLELINE);
            m_uTextStyle |= DT_RIGHT;
        }
    } else if (wcscmp(name, L"valign") == 0) {
        if (Contains(value, L"top")) {
            m_uTextStyle &= ~(DT_VCENTER | DT_BOTTOM);
            m_uTextStyle |= DT_SINGLELINE;
        }
        if (Contains(value, L"vcenter")) {
            m_uTextStyle &= ~DT_BOTTOM;
            m_uTextStyle |= DT_VCENTER | DT_SINGLELINE;
        }
        if (Contains(value, L"bottom")) {
            m_uTextStyle &= ~DT_VCENTER;
            m_uTextStyle |= DT_BOTTOM | DT_SINGLELINE;
        }
    } else if (wcscmp(name, L"endellipsis") == 0) {
        if (ReadAttrBool(value)) {
            m_uTextStyle |= DT_END_ELLIPSIS;
        } else {
            m_uTextStyle &= ~DT_END_ELLIPSIS;
        }
    } else if (wcscmp(name, L"font") == 0) {
        SetFont(ReadAttrInt(value));
    } else if (wcscmp(name, L"textcolor") == 0) {
        SetTextColor(ReadAttrColor(value, false));
    } else if (wcscmp(name, L"disabledtextcolor") == 0) {
        SetDisabledTextColor(ReadAttrColor(value, false));
    } else if (wcscmp(name, L"textpadding") == 0) {
        SetTextPadding(ReadAttrRect(value));
    } else if (wcscmp(name, L"showhtml") == 0) {
        SetShowHtml(ReadAttrBool(value));
    } else if (wcscmp(name, L"autocalcwidth") == 0) {
        SetAutoWidth(ReadAttrBool(value));
    } else if (wcscmp(name, L"enabledeffect") == 0) {
        m_bEnabledEffect = ReadAttrBool(value);
    } else if (wcscmp(name, L"transshadow") == 0) {
        m_nTransShadow = ReadAttrInt(value);
    } else if (wcscmp(name, L"transtext") == 0) {
        m_nTransText = ReadAttrInt(value);
    } else if (wcscmp(name, L"transshadow1") == 0) {
        m_nTransShadow1 = ReadAttrInt(value);
    } else if (wcscmp(name, L"transtext1") == 0) {
        m_nTransText1 = ReadAttrInt(value);
    } else if (wcscmp(name, L"gradientangle") == 0) {
        m_nGradientAngle = ReadAttrInt(value);
    } else if (wcscmp(name, L"transstroke") == 0) {
        m_nTransStroke = ReadAttrInt(value);
    } else if (wcscmp(name, L"gradientlength") == 0) {
        m_nGradientLength = ReadAttrInt(value);
    } else if (wcscmp(name, L"enabledstroke") == 0) {
        m_bEnabledStroke = ReadAttrBool(value);
    } else if (wcscmp(name, L"enabledshadow") == 0) {
        m_bEnabledShadow = ReadAttrBool(value);
    } else if (wcscmp(name, L"shadowoffset") == 0) {
        // Read and ignored: no control of this framework draws shadows.
    } else if (wcscmp(name, L"textcolor1") == 0) {
        m_dwTextColor1 = ReadAttrColor(value, false);
    } else if (wcscmp(name, L"textshadowcolora") == 0) {
        m_dwTextShadowColorA = ReadAttrColor(value, false);
    } else if (wcscmp(name, L"textshadowcolorb") == 0) {
        m_dwTextShadowColorB = ReadAttrColor(value, false);
    } else if (wcscmp(name, L"strokecolor") == 0) {
        m_dwStrokeColor = ReadAttrColor(value, false);
    } else {
        CControlUI::ApplyAttribute(name, value);
    }
}

int CLabelUI::FontTextHeight() const {
    if (!m_pManager) {
        return 0;
    }
    const TFontDataUI* font = m_pManager->GetFontInfo(m_nFont);
    return font ? static_cast<int>(font->tm.tmHeight) : 0;
}

SIZE CLabelUI::MeasureSize(SIZE /*available*/) {
    if (m_bAutoWidth && m_pManager) {
        RECT rc = {0, 0, 0, 0};
        const CUIString text = GetText();
        CRendererUI::DrawPlainText(m_pManager->GetPaintDC(), m_pManager, rc, text.Text(), m_dwTextColor, m_nFont,
                                   DT_CALCRECT | m_uTextStyle);
        m_nFixedWidth = m_rcTextPadding.left + (rc.right - rc.left) + m_rcTextPadding.right;
    }
    if (m_nFixedHeight > 0) {
        return SIZE{m_nFixedWidth, m_nFixedHeight};
    }
    return SIZE{m_nFixedWidth, FontTextHeight() + 4};
}

void CLabelUI::DefaultTextColors() {
    if (!m_pManager) {
        return;
    }
    if (m_dwTextColor == 0) {
        m_dwTextColor = m_pManager->DefaultTextColor();
    }
    if (m_dwDisabledTextColor == 0) {
        m_dwDisabledTextColor = m_pManager->DefaultDisabledColor();
    }
}

void CLabelUI::PaintCaption(HDC hdc) {
    DefaultTextColors();
    if (m_bEnabledEffect || m_strText.IsBlank() || !m_pManager) {
        return;
    }
    RECT rc = m_rcItem;
    rc.left += m_rcTextPadding.left;
    rc.right -= m_rcTextPadding.right;
    rc.top += m_rcTextPadding.top;
    rc.bottom -= m_rcTextPadding.bottom;
    const DWORD color = IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
    if (m_bShowHtml) {
        int links = 0;
        CRendererUI::DrawMarkupText(hdc, m_pManager, rc, m_strText.Text(), color, nullptr, nullptr, links,
                                    DT_SINGLELINE | m_uTextStyle);
    } else {
        CRendererUI::DrawPlainText(hdc, m_pManager, rc, m_strText.Text(), color, m_nFont,
                                   DT_SINGLELINE | m_uTextStyle);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Text

CTextUI::CTextUI() {
    m_rcTextPadding = RECT{2, 0, 2, 0};
    m_uTextStyle = DT_WORDBREAK;
}

LPCWSTR CTextUI::ClassName() const {
    return L"TextUI";
}

void* CTextUI::InterfaceFor(LPCWSTR name) {
    if (name && wcscmp(name, L"Text") == 0) {
        return static_cast<CTextUI*>(this);
    }
    return CLabelUI::InterfaceFor(name);
}

UINT CTextUI::ControlFlags() const {
    return (IsEnabled() && m_nLinks > 0) ? FlagSetCursor : 0;
}

RECT CTextUI::GetLinkRect(int index) const {
    return (index >= 0 && index < m_nLinks) ? m_rcLinks[index] : RECT{0, 0, 0, 0};
}

CUIString CTextUI::GetLinkTarget(int index) const {
    return (index >= 0 && index < m_nLinks) ? m_strLinks[index] : CUIString();
}

int CTextUI::LinkAt(POINT pt) const {
    for (int i = 0; i < m_nLinks; ++i) {
        if (::PtInRect(&m_rcLinks[i], pt)) {
            return i;
        }
    }
    return -1;
}

void CTextUI::HandleEvent(TControlEventUI& event) {
    if (!m_bMouseEnabled && IsMouseEvent(event.Type)) {
        if (m_pParent) {
            m_pParent->HandleEvent(event);
        } else {
            CLabelUI::HandleEvent(event);
        }
        return;
    }
    const int link = LinkAt(event.ptMouse);
    switch (event.Type) {
    case EventSetCursor:
        if (link >= 0) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return;
        }
        break;
    case EventButtonDown:
    case EventDoubleClick:
        if (link >= 0 && (event.Type == EventButtonDown || IsEnabled())) {
            Invalidate();
            return;
        }
        break;
    case EventButtonUp:
        if (link >= 0 && IsEnabled()) {
            if (m_pManager) {
                m_pManager->RaiseNotification(this, L"link", static_cast<WPARAM>(link));
            }
            return;
        }
        break;
    case EventContextMenu:
        return;
    case EventMouseMove:
        if (IsEnabled() && m_nLinks > 0) {
            if (link != m_nHoverLink) {
                m_nHoverLink = link;
                Invalidate();
            }
            return;
        }
        break;
    case EventMouseLeave:
        if (IsEnabled() && m_nLinks > 0 && m_nHoverLink >= 0) {
            m_nHoverLink = -1;
            Invalidate();
            return;
        }
        break;
    default:
        break;
    }
    CLabelUI::HandleEvent(event);
}

SIZE CTextUI::MeasureSize(SIZE /*available*/) {
    if (m_pManager) {
        const int w = m_bAutoWidth ? 9999 : m_nFixedWidth;
        RECT rc = {m_rcTextPadding.left, 0, w - m_rcTextPadding.right, 9999};
        const CUIString text = GetText();
        if (m_bShowHtml) {
            int links = 0;
            CRendererUI::DrawMarkupText(m_pManager->GetPaintDC(), m_pManager, rc, text.Text(), m_dwTextColor,
                                        nullptr, nullptr, links, DT_CALCRECT | m_uTextStyle);
        } else {
            CRendererUI::DrawPlainText(m_pManager->GetPaintDC(), m_pManager, rc, text.Text(), m_dwTextColor,
                                       m_nFont, DT_CALCRECT | m_uTextStyle);
        }
        if (m_bAutoWidth) {
            m_nFixedWidth = m_rcTextPadding.left + (rc.right - rc.left) + m_rcTextPadding.right;
        }
    }
    return SIZE{m_nFixedWidth, m_nFixedHeight};
}

void CTextUI::PaintCaption(HDC hdc) {
    if (m_strText.IsBlank()) {
        m_nLinks = 0;
        return;
    }
    DefaultTextColors();
    if (!m_pManager) {
        return;
    }
    RECT rc = m_rcItem;
    rc.left += m_rcTextPadding.left;
    rc.right -= m_rcTextPadding.right;
    rc.top += m_rcTextPadding.top;
    rc.bottom -= m_rcTextPadding.bottom;
    const DWORD color = IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
    if (m_bShowHtml) {
        int links = MaxLinks;
        CRendererUI::DrawMarkupText(hdc, m_pManager, rc, m_strText.Text(), color, m_rcLinks, m_strLinks, links,
                                    m_uTextStyle);
        m_nLinks = (links < 0) ? 0 : (links > MaxLinks ? MaxLinks : links);
    } else {
        CRendererUI::DrawPlainText(hdc, m_pManager, rc, m_strText.Text(), color, m_nFont, m_uTextStyle);
    }
}

} // namespace Tamsk
