#include "ui/controls/UIButton.h"

#include <cwchar>

#include "ui/controls/UIAttrValue.h"
#include "ui/core/UIManager.h"
#include "ui/render/UIRender.h"

namespace Tamsk {

namespace {

bool IsMouseEvent(int type) noexcept {
    return type > 8 && type < 19;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Button

CButtonUI::CButtonUI() {
    m_uTextStyle = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
}

LPCWSTR CButtonUI::ClassName() const {
    return L"ButtonUI";
}

void* CButtonUI::InterfaceFor(LPCWSTR name) {
    if (name && wcscmp(name, L"Button") == 0) {
        return static_cast<CButtonUI*>(this);
    }
    return CLabelUI::InterfaceFor(name);
}

UINT CButtonUI::ControlFlags() const {
    return (AcceptsKeyboard() ? FlagTabStop : 0) | (IsEnabled() ? FlagSetCursor : 0);
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) {
        return false;
    }
    if (m_pManager) {
        m_pManager->RaiseNotification(this, L"click");
        if (!m_strBindTabLayoutName.IsBlank() && m_nBindTabIndex >= 0) {
            CControlUI* target = m_pManager->FindControlByName(m_strBindTabLayoutName.Text());
            if (target && target->InterfaceFor(L"TabLayout")) {
                SelectBoundTab(target);
            }
        }
    }
    return true;
}

void CButtonUI::SelectBoundTab(CControlUI* /*tabLayout*/) {}

void CButtonUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    if (!enabled) {
        m_uButtonState = 0;
    }
}

void CButtonUI::HandleEvent(TControlEventUI& event) {
    if (!m_bMouseEnabled && IsMouseEvent(event.Type)) {
        if (m_pParent) {
            m_pParent->HandleEvent(event);
        } else {
            CLabelUI::HandleEvent(event);
        }
        return;
    }
    const bool inside = ::PtInRect(&m_rcItem, event.ptMouse) != FALSE;
    switch (event.Type) {
    case EventSetFocus:
    case EventKillFocus:
        Invalidate();
        break; // the label records the focus
    case EventKeyDown:
        if (AcceptsKeyboard() && (event.chKey == VK_SPACE || event.chKey == VK_RETURN)) {
            Activate();
            return;
        }
        break;
    case EventButtonDown:
    case EventDoubleClick:
        if (inside && IsEnabled()) {
            m_uButtonState |= StateCaptured | StatePushed;
            Invalidate();
        }
        return;
    case EventMouseMove:
        if (m_uButtonState & StateCaptured) {
            if (inside) {
                m_uButtonState |= StatePushed;
            } else {
                m_uButtonState &= ~StatePushed;
            }
            Invalidate();
        }
        return;
    case EventButtonUp:
        if (m_uButtonState & StateCaptured) {
            // Clear the press first: the click may hide, move or disable this button.
            m_uButtonState &= ~(StateCaptured | StatePushed);
            Invalidate();
            if (inside) {
                Activate();
            }
        }
        return;
    case EventContextMenu:
        if (WantsContextMenu()) {
            if (m_pManager) {
                m_pManager->RaiseNotification(this, L"menu", event.wParam, event.lParam);
            }
            return;
        }
        break;
    case EventMouseEnter:
        if (IsEnabled()) {
            m_uButtonState |= StateHot;
            Invalidate();
        }
        break;
    case EventMouseLeave:
        if (IsEnabled()) {
            m_uButtonState &= ~StateHot;
            Invalidate();
        }
        break;
    case EventSetCursor:
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return;
    default:
        break;
    }
    CLabelUI::HandleEvent(event);
}

#define TAMSK_IMAGE_SETTER(Class, Name, field)                                                               \
    void Class::Name(LPCWSTR descriptor) {                                                                   \
        field = descriptor;                                                                                  \
        Invalidate();                                                                                        \
    }
TAMSK_IMAGE_SETTER(CButtonUI, SetNormalImage, m_strNormalImage)
TAMSK_IMAGE_SETTER(CButtonUI, SetHotImage, m_strHotImage)
TAMSK_IMAGE_SETTER(CButtonUI, SetHotForeImage, m_strHotForeImage)
TAMSK_IMAGE_SETTER(CButtonUI, SetPushedImage, m_strPushedImage)
TAMSK_IMAGE_SETTER(CButtonUI, SetFocusedImage, m_strFocusedImage)
TAMSK_IMAGE_SETTER(CButtonUI, SetDisabledImage, m_strDisabledImage)
TAMSK_IMAGE_SETTER(COptionUI, SetSelectedImage, m_strSelectedImage)
TAMSK_IMAGE_SETTER(COptionUI, SetSelectedHotImage, m_strSelectedHotImage)
TAMSK_IMAGE_SETTER(COptionUI, SetSelectedPushedImage, m_strSelectedPushedImage)
TAMSK_IMAGE_SETTER(COptionUI, SetOptionForeImage, m_strOptionForeImage)
TAMSK_IMAGE_SETTER(COptionUI, SetSelectedForeImage, m_strSelectedForeImage)
#undef TAMSK_IMAGE_SETTER

void CButtonUI::SetHotBkColor(DWORD color) {
    m_dwHotBkColor = color;
}

void CButtonUI::SetBindTabLayoutName(LPCWSTR name) {
    m_strBindTabLayoutName = name;
}

void CButtonUI::ApplyAttribute(LPCWSTR name, LPCWSTR value) {
    if (!name || !value) {
        return;
    }
    if (wcscmp(name, L"normalimage") == 0) {
        SetNormalImage(value);
    } else if (wcscmp(name, L"hotimage") == 0) {
        SetHotImage(value);
    } else if (wcscmp(name, L"pushedimage") == 0) {
        SetPushedImage(value);
    } else if (wcscmp(name, L"focusedimage") == 0) {
        SetFocusedImage(value);
    } else if (wcscmp(name, L"disabledimage") == 0) {
        SetDisabledImage(value);
    } else if (wcscmp(name, L"foreimage") == 0) {
        m_strForeImage = value;
        Invalidate();
    } else if (wcscmp(name, L"hotforeimage") == 0) {
        SetHotForeImage(value);
    } else if (wcscmp(name, L"bindtabindex") == 0) {
        SetBindTabIndex(ReadAttrInt(value));
    } else if (wcscmp(name, L"bindtablayoutname") == 0) {
        SetBindTabLayoutName(value);
    } else if (wcscmp(name, L"hotbkcolor") == 0) {
        SetHotBkColor(ReadAttrColor(value, false));
    } else if (wcscmp(name, L"hottextcolor") == 0) {
        SetHotTextColor(ReadAttrColor(value, false));
    } else if (wcscmp(name, L"pushedtextcolor") == 0) {
        SetPushedTextColor(ReadAttrColor(value, false));
    } else if (wcscmp(name, L"focusedtextcolor") == 0) {
        SetFocusedTextColor(ReadAttrColor(value, false));
    } else if (wcscmp(name, L"multiline") == 0) {
        if (ReadAttrBool(value)) {
            m_uTextStyle = (m_uTextStyle & ~DT_SINGLELINE) | DT_WORDBREAK;
        } else {
            m_uTextStyle = (m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE;
        }
    } else {
        CLabelUI::ApplyAttribute(name, value);
    }
}

SIZE CButtonUI::MeasureSize(SIZE /*available*/) {
    if (m_nFixedHeight > 0) {
        return SIZE{m_nFixedWidth, m_nFixedHeight};
    }
    return SIZE{m_nFixedWidth, FontTextHeight() + 8};
}

bool CButtonUI::DrawStateImage(HDC hdc, CUIString& image) {
    if (image.IsBlank()) {
        return false;
    }
    if (!DrawImageDescriptor(hdc, image.Text())) {
        image.Clear();
        return false;
    }
    return true;
}

void CButtonUI::PaintStateImage(HDC hdc) {
    if (HasFocus()) {
        m_uButtonState |= StateFocused;
    } else {
        m_uButtonState &= ~StateFocused;
    }
    if (!IsEnabled()) {
        m_uButtonState |= StateDisabled;
    } else {
        m_uButtonState &= ~StateDisabled;
    }

    bool normal = true;
    if (m_uButtonState & StateDisabled) {
        if (!m_strDisabledImage.IsBlank()) {
            DrawStateImage(hdc, m_strDisabledImage);
            normal = false;
        }
    } else if (m_uButtonState & StatePushed) {
        if (!m_strPushedImage.IsBlank()) {
            DrawStateImage(hdc, m_strPushedImage);
            normal = false;
        }
    } else if (m_uButtonState & StateHot) {
        if (!m_strHotImage.IsBlank()) {
            DrawStateImage(hdc, m_strHotImage);
            if (!m_strHotForeImage.IsBlank()) {
                DrawStateImage(hdc, m_strHotForeImage);
                return;
            }
            normal = false;
        } else if (m_dwHotBkColor != 0) {
            CRendererUI::FillColor(hdc, m_rcPaint, AdjustedColor(m_dwHotBkColor));
            return;
        }
    } else if (m_uButtonState & StateFocused) {
        if (!m_strFocusedImage.IsBlank()) {
            DrawStateImage(hdc, m_strFocusedImage);
            normal = false;
        }
    }
    if (normal) {
        DrawStateImage(hdc, m_strNormalImage);
    }
    DrawStateImage(hdc, m_strForeImage);
}

void CButtonUI::PaintCaptionIn(HDC hdc, DWORD color) {
    RECT rc = m_rcItem;
    rc.left += m_rcTextPadding.left;
    rc.right -= m_rcTextPadding.right;
    rc.top += m_rcTextPadding.top;
    rc.bottom -= m_rcTextPadding.bottom;
    const CUIString text = GetText();
    if (m_bShowHtml) {
        int links = 0;
        CRendererUI::DrawMarkupText(hdc, m_pManager, rc, text.Text(), color, nullptr, nullptr, links, m_uTextStyle);
    } else {
        CRendererUI::DrawPlainText(hdc, m_pManager, rc, text.Text(), color, m_nFont, m_uTextStyle);
    }
}

void CButtonUI::PaintCaption(HDC hdc) {
    if (HasFocus()) {
        m_uButtonState |= StateFocused;
    } else {
        m_uButtonState &= ~StateFocused;
    }
    if (!IsEnabled()) {
        m_uButtonState |= StateDisabled;
    } else {
        m_uButtonState &= ~StateDisabled;
    }
    DefaultTextColors();
    if (GetText().IsBlank() || !m_pManager) {
        return;
    }
    DWORD color = IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
    if ((m_uButtonState & StatePushed) && m_dwPushedTextColor != 0) {
        color = m_dwPushedTextColor;
    } else if ((m_uButtonState & StateHot) && m_dwHotTextColor != 0) {
        color = m_dwHotTextColor;
    } else if ((m_uButtonState & StateFocused) && m_dwFocusedTextColor != 0) {
        color = m_dwFocusedTextColor;
    }
    PaintCaptionIn(hdc, color);
}

// ---------------------------------------------------------------------------------------------------------
// Option

COptionUI::COptionUI() = default;

COptionUI::~COptionUI() {
    if (!m_strGroupName.IsBlank() && m_pManager) {
        m_pManager->RemoveFromOptionGroup(m_strGroupName.Text(), this);
    }
}

LPCWSTR COptionUI::ClassName() const {
    return L"OptionUI";
}

void* COptionUI::InterfaceFor(LPCWSTR name) {
    if (name && wcscmp(name, L"Option") == 0) {
        return static_cast<COptionUI*>(this);
    }
    return CButtonUI::InterfaceFor(name);
}

void COptionUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
    CButtonUI::AttachManager(manager, parent, initialise);
    if (initialise && !m_strGroupName.IsBlank() && m_pManager) {
        m_pManager->AddToOptionGroup(m_strGroupName.Text(), this);
    }
}

void COptionUI::SetGroup(LPCWSTR name) {
    if (m_strGroupName == name) {
        return;
    }
    if (!m_strGroupName.IsBlank() && m_pManager) {
        m_pManager->RemoveFromOptionGroup(m_strGroupName.Text(), this);
    }
    m_strGroupName = name;
    if (!m_strGroupName.IsBlank() && m_pManager) {
        m_pManager->AddToOptionGroup(m_strGroupName.Text(), this);
    }
    SetSelected(m_bSelected);
}

void COptionUI::SetSelected(bool selected) {
    m_bSelected = selected;
    if (selected) {
        m_uButtonState |= StateSelected;
    } else {
        m_uButtonState &= ~StateSelected;
    }
    if (m_pManager) {
        if (!m_strGroupName.IsBlank()) {
            if (selected) {
                if (CPtrArrayUI* group = m_pManager->GetOptionGroup(m_strGroupName.Text())) {
                    // A copy: deselecting may change the group while it is walked.
                    const CPtrArrayUI members(*group);
                    for (int i = 0; i < members.Count(); ++i) {
                        auto* other = static_cast<COptionUI*>(members[i]);
                        if (other && other != this) {
                            other->SetSelected(false);
                        }
                    }
                }
                m_pManager->RaiseNotification(this, L"selectchanged");
            }
        } else {
            m_pManager->RaiseNotification(this, L"selectchanged");
        }
    }
    Invalidate();
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) {
        return false;
    }
    if (!m_strGroupName.IsBlank()) {
        SetSelected(true);
    } else {
        SetSelected(!m_bSelected);
    }
    return true;
}

void COptionUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    if (!enabled) {
        m_uButtonState = m_bSelected ? StateSelected : 0;
    }
}

void COptionUI::SetSelectedBkColor(DWORD color) {
    m_dwSelectedBkColor = color;
}

void COptionUI::ApplyAttribute(LPCWSTR name, LPCWSTR value) {
    if (!name || !value) {
        return;
    }
    if (wcscmp(name, L"group") == 0) {
        SetGroup(value);
    } else if (wcscmp(name, L"selected") == 0) {
        SetSelected(ReadAttrBool(value));
    } else if (wcscmp(name, L"selectedimage") == 0) {
        SetSelectedImage(value);
    } else if (wcscmp(name, L"selectedhotimage") == 0) {
        SetSelectedHotImage(value);
    } else if (wcscmp(name, L"selectedpushedimage") == 0) {
        SetSelectedPushedImage(value);
    } else if (wcscmp(name, L"foreimage") == 0) {
        SetOptionForeImage(value);
    } else if (wcscmp(name, L"selectedforeimage") == 0) {
        SetSelectedForeImage(value);
    } else if (wcscmp(name, L"selectedbkcolor") == 0) {
        SetSelectedBkColor(ReadAttrColor(value, false));
    } else if (wcscmp(name, L"selectedtextcolor") == 0) {
        SetSelectedTextColor(ReadAttrColor(value, false));
    } else {
        CButtonUI::ApplyAttribute(name, value);
    }
}

void COptionUI::PaintStateImage(HDC hdc) {
    CUIString* image = nullptr;
    if ((m_uButtonState & StatePushed) && m_bSelected && !m_strSelectedPushedImage.IsBlank()) {
        image = &m_strSelectedPushedImage;
    } else if ((m_uButtonState & StateHot) && m_bSelected && !m_strSelectedHotImage.IsBlank()) {
        image = &m_strSelectedHotImage;
    } else if (m_bSelected) {
        if (!m_strSelectedImage.IsBlank()) {
            image = &m_strSelectedImage;
        } else if (m_dwSelectedBkColor != 0) {
            CRendererUI::FillColor(hdc, m_rcPaint, AdjustedColor(m_dwSelectedBkColor));
            return;
        }
    }
    if (!image || !DrawStateImage(hdc, *image)) {
        CButtonUI::PaintStateImage(hdc);
    }
    if (m_bSelected && !m_strSelectedForeImage.IsBlank()) {
        DrawStateImage(hdc, m_strSelectedForeImage);
    } else if (!m_strOptionForeImage.IsBlank()) {
        DrawStateImage(hdc, m_strOptionForeImage);
    }
}

void COptionUI::PaintCaption(HDC hdc) {
    if (!m_bSelected) {
        CButtonUI::PaintCaption(hdc);
        return;
    }
    DefaultTextColors();
    if (GetText().IsBlank() || !m_pManager) {
        return;
    }
    DWORD color = m_dwSelectedTextColor != 0 ? m_dwSelectedTextColor : m_dwTextColor;
    if (!IsEnabled()) {
        color = m_dwDisabledTextColor;
    }
    PaintCaptionIn(hdc, color);
}

LPCWSTR CCheckBoxUI::ClassName() const {
    return L"CheckBoxUI";
}

} // namespace Tamsk
