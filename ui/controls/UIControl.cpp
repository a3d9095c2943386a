#include "ui/controls/UIControl.h"

#include <algorithm>
#include <climits>
#include <cwchar>

#include "ui/controls/UIAttrValue.h"
#include "ui/core/UIManager.h"
#include "ui/render/UIRender.h"

namespace Tamsk {

namespace {

bool IntersectInto(RECT& area, const RECT& other) noexcept {
    RECT out;
    if (!::IntersectRect(&out, &area, &other)) {
        area = RECT{0, 0, 0, 0};
        return false;
    }
    area = out;
    return true;
}

bool IsEmptyRect(const RECT& rc) noexcept {
    return rc.right <= rc.left || rc.bottom <= rc.top;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Listeners

CEventSourceUI::~CEventSourceUI() {
    for (int i = 0; i < m_aDelegates.Count(); ++i) {
        delete static_cast<CDelegateBase*>(m_aDelegates[i]);
    }
}

bool CEventSourceUI::Add(const CDelegateBase& listener) {
    for (int i = 0; i < m_aDelegates.Count(); ++i) {
        auto* present = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (present && present->Equals(listener)) {
            return false;
        }
    }
    CDelegateBase* copy = listener.Copy();
    if (!copy) {
        return false;
    }
    if (!m_aDelegates.Push(copy)) {
        delete copy;
        return false;
    }
    return true;
}

bool CEventSourceUI::Remove(const CDelegateBase& listener) {
    for (int i = 0; i < m_aDelegates.Count(); ++i) {
        auto* present = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (present && present->Equals(listener)) {
            delete present;
            return m_aDelegates.RemoveAt(i);
        }
    }
    return false;
}

bool CEventSourceUI::Run(void* param) {
    for (int i = 0; i < m_aDelegates.Count(); ++i) {
        auto* listener = static_cast<CDelegateBase*>(m_aDelegates[i]);
        if (listener && !listener->Invoke(param)) {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Control

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_evDestroy.Count() > 0) {
        m_evDestroy.Run(this);
    }
    if (m_pManager) {
        m_pManager->ForgetControl(this);
    }
}

CUIString CControlUI::GetName() const {
    return m_strName;
}

void CControlUI::SetName(LPCWSTR name) {
    m_strName = name;
}

LPCWSTR CControlUI::ClassName() const {
    return L"ControlUI";
}

void* CControlUI::InterfaceFor(LPCWSTR name) {
    if (name && wcscmp(name, L"Control") == 0) {
        return this;
    }
    return nullptr;
}

UINT CControlUI::ControlFlags() const {
    return 0;
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

CWindowManagerUI* CControlUI::GetManager() const {
    return m_pManager;
}

void CControlUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
    m_pManager = manager;
    m_pParent = parent;
    if (initialise && m_pParent) {
        Initialize();
    }
}

CControlUI* CControlUI::GetParent() const {
    return m_pParent;
}

CUIString CControlUI::GetText() const {
    return m_strText;
}

void CControlUI::SetText(LPCWSTR text) {
    if (m_strText == text) {
        return;
    }
    m_strText = text;
    Invalidate();
}

RECT CControlUI::GetBounds() const {
    return m_rcItem;
}

void CControlUI::SetBounds(RECT rc) {
    if (rc.right < rc.left) {
        rc.right = rc.left;
    }
    if (rc.bottom < rc.top) {
        rc.bottom = rc.top;
    }
    RECT area = IsEmptyRect(m_rcItem) ? rc : m_rcItem;
    m_rcItem = rc;
    if (!m_pManager) {
        return;
    }
    if (!m_bInSizeNotify) {
        m_bInSizeNotify = true;
        if (m_evSize.Count() > 0) {
            m_evSize.Run(this);
        }
        m_bInSizeNotify = false;
    }
    if (m_bFloat && m_pParent) {
        const RECT p = m_pParent->GetBounds();
        m_szFloatOffset.cx = m_szFloatOffset.cx >= 0 ? rc.left - p.left : rc.right - p.right;
        m_szFloatOffset.cy = m_szFloatOffset.cy >= 0 ? rc.top - p.top : rc.bottom - p.bottom;
        m_nFixedWidth = rc.right - rc.left;
        m_nFixedHeight = rc.bottom - rc.top;
    }
    m_bLayoutPending = false;
    area.left = (std::min)(area.left, rc.left);
    area.top = (std::min)(area.top, rc.top);
    area.right = (std::max)(area.right, rc.right);
    area.bottom = (std::max)(area.bottom, rc.bottom);
    for (CControlUI* p = m_pParent; p; p = p->GetParent()) {
        if (!IntersectInto(area, p->GetBounds())) {
            return;
        }
    }
    m_pManager->InvalidateArea(area);
}

int CControlUI::GetWidth() const {
    return m_rcItem.right - m_rcItem.left;
}

int CControlUI::GetHeight() const {
    return m_rcItem.bottom - m_rcItem.top;
}

int CControlUI::GetLeft() const {
    return m_rcItem.left;
}

int CControlUI::GetTop() const {
    return m_rcItem.top;
}

RECT CControlUI::GetPadding() const {
    return m_rcPadding;
}

void CControlUI::SetPadding(RECT rc) {
    m_rcPadding = rc;
    RequestParentLayout();
}

SIZE CControlUI::GetFloatOffset() const {
    return m_szFloatOffset;
}

void CControlUI::SetFloatOffset(int cx, int cy) {
    m_szFloatOffset.cx = cx;
    m_szFloatOffset.cy = cy;
    if (m_bFloat) {
        RequestLayout();
    } else {
        RequestParentLayout();
    }
}

int CControlUI::GetFixedWidth() const {
    return m_nFixedWidth;
}

void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0) {
        return;
    }
    m_nFixedWidth = cx;
    if (m_bFloat) {
        RequestLayout();
    } else {
        RequestParentLayout();
    }
}

int CControlUI::GetFixedHeight() const {
    return m_nFixedHeight;
}

void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0) {
        return;
    }
    m_nFixedHeight = cy;
    if (m_bFloat) {
        RequestLayout();
    } else {
        RequestParentLayout();
    }
}

#define TAMSK_LIMIT_SETTER(Name, field)                                                                      \
    void CControlUI::Name(int value) {                                                                       \
        if (value == field || value < 0) {                                                                   \
            return;                                                                                          \
        }                                                                                                    \
        field = value;                                                                                       \
        if (m_bFloat) {                                                                                      \
            RequestLayout();                                                                                 \
        } else {                                                                                             \
            RequestParentLayout();                                                                           \
        }                                                                                                    \
    }
TAMSK_LIMIT_SETTER(SetMinWidth, m_nMinWidth)
TAMSK_LIMIT_SETTER(SetMaxWidth, m_nMaxWidth)
TAMSK_LIMIT_SETTER(SetMinHeight, m_nMinHeight)
TAMSK_LIMIT_SETTER(SetMaxHeight, m_nMaxHeight)
#undef TAMSK_LIMIT_SETTER

int CControlUI::GetMinWidth() const {
    return m_nMinWidth;
}

int CControlUI::GetMaxWidth() const {
    return m_nMaxWidth;
}

int CControlUI::GetMinHeight() const {
    return m_nMinHeight;
}

int CControlUI::GetMaxHeight() const {
    return m_nMaxHeight;
}

void CControlUI::SetRelativeRule(int moveX, int moveY, int zoomX, int zoomY) {
    m_tRelativeRule.bRelative = true;
    m_tRelativeRule.nMoveXPercent = moveX;
    m_tRelativeRule.nMoveYPercent = moveY;
    m_tRelativeRule.nZoomXPercent = zoomX;
    m_tRelativeRule.nZoomYPercent = zoomY;
}

void CControlUI::SetRelativeBase(int cx, int cy) {
    m_tRelativeRule.szBase.cx = cx;
    m_tRelativeRule.szBase.cy = cy;
}

TRelativeRuleUI CControlUI::GetRelativeRule() const {
    return m_tRelativeRule;
}

bool CControlUI::HasRelativeRule() const {
    return m_tRelativeRule.bRelative;
}

CUIString CControlUI::GetToolTip() const {
    return m_strToolTip;
}

void CControlUI::SetToolTip(LPCWSTR text) {
    CUIString tip(text);
    tip.ReplaceAll(L"<n>", L"\r\n");
    m_strToolTip = tip;
}

void CControlUI::SetToolTipWidth(int width) {
    m_nToolTipWidth = width;
}

int CControlUI::GetToolTipWidth() const {
    return m_nToolTipWidth;
}

wchar_t CControlUI::GetShortcut() const {
    return m_chShortcut;
}

void CControlUI::SetShortcut(wchar_t ch) {
    m_chShortcut = ch;
}

bool CControlUI::WantsContextMenu() const {
    return m_bMenuUsed;
}

void CControlUI::SetWantsContextMenu(bool wants) {
    m_bMenuUsed = wants;
}

CUIString CControlUI::GetUserData() const {
    return m_strUserData;
}

void CControlUI::SetUserData(LPCWSTR text) {
    m_strUserData = text;
}

UINT_PTR CControlUI::GetTag() const {
    return m_uTag;
}

void CControlUI::SetTag(UINT_PTR tag) {
    m_uTag = tag;
}

bool CControlUI::IsVisible() const {
    return m_bVisible && m_bInheritedVisible;
}

void CControlUI::SetVisible(bool visible) {
    if (m_bVisible == visible) {
        return;
    }
    const bool wasVisible = IsVisible();
    m_bVisible = visible;
    m_bFocused = false;
    if (!visible && m_pManager && m_pManager->GetFocusControl() == this) {
        m_pManager->SetFocusControl(nullptr);
    }
    if (IsVisible() != wasVisible) {
        RequestParentLayout();
    }
}

void CControlUI::SetInheritedVisible(bool visible) {
    m_bInheritedVisible = visible;
    if (!visible && m_pManager && m_pManager->GetFocusControl() == this) {
        m_pManager->SetFocusControl(nullptr);
    }
}

bool CControlUI::IsEnabled() const {
    return m_bEnabled;
}

void CControlUI::SetEnabled(bool enabled) {
    if (m_bEnabled == enabled) {
        return;
    }
    m_bEnabled = enabled;
    Invalidate();
}

bool CControlUI::AcceptsMouse() const {
    return m_bMouseEnabled;
}

void CControlUI::SetAcceptsMouse(bool accepts) {
    m_bMouseEnabled = accepts;
}

bool CControlUI::AcceptsKeyboard() const {
    return m_bKeyboardEnabled;
}

void CControlUI::SetAcceptsKeyboard(bool accepts) {
    m_bKeyboardEnabled = accepts;
}

bool CControlUI::HasFocus() const {
    return m_bFocused;
}

void CControlUI::TakeFocus() {
    if (m_pManager) {
        m_pManager->SetFocusControl(this);
    }
}

bool CControlUI::IsFloating() const {
    return m_bFloat;
}

void CControlUI::SetFloating(bool floating) {
    if (m_bFloat == floating) {
        return;
    }
    m_bFloat = floating;
    RequestParentLayout();
}

CControlUI* CControlUI::WalkControls(FindControlProcUI proc, void* data, UINT flags) {
    if ((flags & FindVisible) && !IsVisible()) {
        return nullptr;
    }
    if ((flags & FindEnabled) && !IsEnabled()) {
        return nullptr;
    }
    if (flags & FindHitTest) {
        if (!m_bMouseEnabled || !data || !::PtInRect(&m_rcItem, *static_cast<const POINT*>(data))) {
            return nullptr;
        }
    }
    return proc ? proc(this, data) : nullptr;
}

void CControlUI::Initialize() {
    OnInitialize();
    if (m_evInit.Count() > 0) {
        m_evInit.Run(this);
    }
}

void CControlUI::OnInitialize() {}

void CControlUI::DispatchEvent(TControlEventUI& event) {
    if (m_evEvent.Run(&event)) {
        HandleEvent(event);
    }
}

void CControlUI::HandleEvent(TControlEventUI& event) {
    switch (event.Type) {
    case EventSetCursor:
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        return;
    case EventSetFocus:
        m_bFocused = true;
        Invalidate();
        return;
    case EventKillFocus:
        m_bFocused = false;
        Invalidate();
        return;
    case EventTimer:
        if (m_pManager) {
            m_pManager->RaiseNotification(this, L"timer", event.wParam, event.lParam);
        }
        return;
    case EventContextMenu:
        if (m_bMenuUsed) {
            if (m_pManager) {
                m_pManager->RaiseNotification(this, L"menu", event.wParam, event.lParam);
            }
            return;
        }
        break;
    default:
        break;
    }
    if (m_pParent) {
        m_pParent->HandleEvent(event);
    }
}

void CControlUI::ApplyAttribute(LPCWSTR name, LPCWSTR value) {
    if (!name || !value) {
        return;
    }
    if (wcscmp(name, L"pos") == 0) {
        const RECT rc = ReadAttrRect(value);
        SetFloatOffset(rc.left >= 0 ? rc.left : rc.right, rc.top >= 0 ? rc.top : rc.bottom);
        // The differences are taken in 64 bits: saturated coordinates must not overflow into a size.
        const long long w = static_cast<long long>(rc.right) - rc.left;
        const long long h = static_cast<long long>(rc.bottom) - rc.top;
        SetFixedWidth(w > INT_MAX ? INT_MAX : static_cast<int>(w < INT_MIN ? -1 : w));
        SetFixedHeight(h > INT_MAX ? INT_MAX : static_cast<int>(h < INT_MIN ? -1 : h));
    } else if (wcscmp(name, L"relativepos") == 0) {
        int v[4];
        ReadAttrIntList(value, v, 4);
        SetRelativeRule(v[0], v[1], v[2], v[3]);
    } else if (wcscmp(name, L"padding") == 0) {
        SetPadding(ReadAttrRect(value));
    } else if (wcscmp(name, L"bkcolor") == 0 || wcscmp(name, L"bkcolor1") == 0) {
        SetBkColor(ReadAttrColor(value, true));
    } else if (wcscmp(name, L"bkcolor2") == 0) {
        SetBkColor2(ReadAttrColor(value, true));
    } else if (wcscmp(name, L"bkcolor3") == 0) {
        SetBkColor3(ReadAttrColor(value, true));
    } else if (wcscmp(name, L"bordercolor") == 0) {
        SetBorderColor(ReadAttrColor(value, false));
    } else if (wcscmp(name, L"focusbordercolor") == 0) {
        SetFocusBorderColor(ReadAttrColor(value, false));
    } else if (wcscmp(name, L"colorhsl") == 0) {
        SetColorHsl(ReadAttrBool(value));
    } else if (wcscmp(name, L"bordersize") == 0) {
        if (wcschr(value, L',') == nullptr) {
            SetBorderSize(ReadAttrInt(value));
            SetBorderSides(RECT{0, 0, 0, 0});
        } else {
            SetBorderSides(ReadAttrRect(value));
        }
    } else if (wcscmp(name, L"leftbordersize") == 0) {
        SetLeftBorderSize(ReadAttrInt(value));
    } else if (wcscmp(name, L"topbordersize") == 0) {
        SetTopBorderSize(ReadAttrInt(value));
    } else if (wcscmp(name, L"rightbordersize") == 0) {
        SetRightBorderSize(ReadAttrInt(value));
    } else if (wcscmp(name, L"bottombordersize") == 0) {
        SetBottomBorderSize(ReadAttrInt(value));
    } else if (wcscmp(name, L"borderstyle") == 0) {
        SetBorderStyle(ReadAttrInt(value));
    } else if (wcscmp(name, L"borderround") == 0) {
        SetBorderRound(ReadAttrSize(value));
    } else if (wcscmp(name, L"bkimage") == 0) {
        SetBkImage(value);
    } else if (wcscmp(name, L"width") == 0) {
        SetFixedWidth(ReadAttrInt(value));
    } else if (wcscmp(name, L"height") == 0) {
        SetFixedHeight(ReadAttrInt(value));
    } else if (wcscmp(name, L"minwidth") == 0) {
        SetMinWidth(ReadAttrInt(value));
    } else if (wcscmp(name, L"minheight") == 0) {
        SetMinHeight(ReadAttrInt(value));
    } else if (wcscmp(name, L"maxwidth") == 0) {
        SetMaxWidth(ReadAttrInt(value));
    } else if (wcscmp(name, L"maxheight") == 0) {
        SetMaxHeight(ReadAttrInt(value));
    } else if (wcscmp(name, L"name") == 0) {
        SetName(value);
    } else if (wcscmp(name, L"text") == 0) {
        SetText(value);
    } else if (wcscmp(name, L"tooltip") == 0) {
        SetToolTip(value);
    } else if (wcscmp(name, L"userdata") == 0) {
        SetUserData(value);
    } else if (wcscmp(name, L"enabled") == 0) {
        SetEnabled(ReadAttrBool(value));
    } else if (wcscmp(name, L"mouse") == 0) {
        SetAcceptsMouse(ReadAttrBool(value));
    } else if (wcscmp(name, L"keyboard") == 0) {
        SetAcceptsKeyboard(ReadAttrBool(value));
    } else if (wcscmp(name, L"visible") == 0) {
        SetVisible(ReadAttrBool(value));
    } else if (wcscmp(name, L"float") == 0) {
        SetFloating(ReadAttrBool(value));
    } else if (wcscmp(name, L"shortcut") == 0) {
        SetShortcut(value[0]);
    } else if (wcscmp(name, L"menu") == 0) {
        SetWantsContextMenu(ReadAttrBool(value));
    } else if (wcscmp(name, L"virtualwnd") == 0) {
        SetVirtualWindow(value);
    }
}

SIZE CControlUI::MeasureSize(SIZE /*available*/) {
    return SIZE{m_nFixedWidth, m_nFixedHeight};
}

void CControlUI::Paint(HDC hdc, const RECT& dirty) {
    if (!::IntersectRect(&m_rcPaint, &dirty, &m_rcItem)) {
        return;
    }
    // Phases, in this order: back colour, back image, state image, caption, outline.
    if (m_szBorderRound.cx > 0 || m_szBorderRound.cy > 0) {
        CClipRegionUI clip;
        clip.Begin(hdc, m_rcPaint, m_rcItem, m_szBorderRound.cx, m_szBorderRound.cy);
        PaintBackColor(hdc);
        PaintBackImage(hdc);
        PaintStateImage(hdc);
        PaintCaption(hdc);
        PaintOutline(hdc);
        clip.End();
    } else {
        PaintBackColor(hdc);
        PaintBackImage(hdc);
        PaintStateImage(hdc);
        PaintCaption(hdc);
        PaintOutline(hdc);
    }
}

void CControlUI::PaintBackColor(HDC hdc) {
    if (m_dwBackColor == 0) {
        return;
    }
    if (m_dwBackColor2 == 0) {
        const DWORD color = AdjustedColor(m_dwBackColor);
        // An opaque colour covers whatever lies below, so only the dirty part needs it.
        CRendererUI::FillColor(hdc, (m_dwBackColor >= 0xFF000000) ? m_rcPaint : m_rcItem, color);
        return;
    }
    if (m_dwBackColor3 == 0) {
        CRendererUI::FillGradient(hdc, m_rcItem, AdjustedColor(m_dwBackColor), AdjustedColor(m_dwBackColor2), true,
                                  16);
        return;
    }
    RECT upper = m_rcItem;
    upper.bottom = (m_rcItem.top + m_rcItem.bottom) / 2;
    RECT lower = m_rcItem;
    lower.top = upper.bottom;
    CRendererUI::FillGradient(hdc, upper, AdjustedColor(m_dwBackColor), AdjustedColor(m_dwBackColor2), true, 8);
    CRendererUI::FillGradient(hdc, lower, AdjustedColor(m_dwBackColor2), AdjustedColor(m_dwBackColor3), true, 8);
}

void CControlUI::PaintBackImage(HDC hdc) {
    if (m_strBkImage.IsBlank()) {
        return;
    }
    if (!DrawImageDescriptor(hdc, m_strBkImage.Text())) {
        m_strBkImage.Clear();
    }
}

void CControlUI::PaintStateImage(HDC /*hdc*/) {}

void CControlUI::PaintCaption(HDC /*hdc*/) {}

void CControlUI::PaintOutline(HDC hdc) {
    if (m_dwBorderColor == 0 && m_dwFocusBorderColor == 0) {
        return;
    }
    const bool round = m_szBorderRound.cx > 0 || m_szBorderRound.cy > 0;
    if (m_nBorderSize > 0 && round) {
        const DWORD color = (m_bFocused && m_dwFocusBorderColor != 0) ? m_dwFocusBorderColor : m_dwBorderColor;
        CRendererUI::StrokeRoundRect(hdc, m_rcItem, m_nBorderSize, m_szBorderRound.cx, m_szBorderRound.cy,
                                     AdjustedColor(color));
        return;
    }
    if (m_bFocused && m_dwFocusBorderColor != 0 && m_nBorderSize > 0) {
        CRendererUI::StrokeRect(hdc, m_rcItem, m_nBorderSize, AdjustedColor(m_dwFocusBorderColor));
        return;
    }
    const RECT& s = m_rcBorderSides;
    if (s.left > 0 || s.top > 0 || s.right > 0 || s.bottom > 0) {
        const DWORD color = AdjustedColor(m_dwBorderColor);
        const RECT& b = m_rcItem;
        if (s.left > 0) {
            CRendererUI::StrokeLine(hdc, RECT{b.left, b.top, b.left, b.bottom}, s.left, color, m_nBorderStyle);
        }
        if (s.top > 0) {
            CRendererUI::StrokeLine(hdc, RECT{b.left, b.top, b.right, b.top}, s.top, color, m_nBorderStyle);
        }
        if (s.right > 0) {
            CRendererUI::StrokeLine(hdc, RECT{b.right, b.top, b.right, b.bottom}, s.right, color, m_nBorderStyle);
        }
        if (s.bottom > 0) {
            CRendererUI::StrokeLine(hdc, RECT{b.left, b.bottom, b.right, b.bottom}, s.bottom, color,
                                    m_nBorderStyle);
        }
        return;
    }
    if (m_nBorderSize > 0) {
        CRendererUI::StrokeRect(hdc, m_rcItem, m_nBorderSize, AdjustedColor(m_dwBorderColor));
    }
}

void CControlUI::PaintAfterChildren(HDC /*hdc*/, const RECT& /*dirty*/) {}

bool CControlUI::VisibleArea(RECT& area) const {
    area = m_rcItem;
    for (CControlUI* p = m_pParent; p; p = p->GetParent()) {
        if (!IntersectInto(area, p->GetBounds())) {
            return false;
        }
    }
    return !IsEmptyRect(area);
}

void CControlUI::Invalidate() {
    if (!IsVisible()) {
        return;
    }
    RECT area;
    if (VisibleArea(area) && m_pManager) {
        m_pManager->InvalidateArea(area);
    }
}

void CControlUI::RequestLayout() {
    if (!IsVisible()) {
        return;
    }
    m_bLayoutPending = true;
    Invalidate();
    if (m_pManager) {
        m_pManager->MarkLayoutNeeded();
    }
}

void CControlUI::RequestParentLayout() {
    if (m_pParent) {
        m_pParent->RequestLayout();
        m_pParent->Invalidate();
    } else {
        RequestLayout();
    }
    if (m_pManager) {
        m_pManager->MarkLayoutNeeded();
    }
}

DWORD CControlUI::AdjustedColor(DWORD color) const {
    if (!m_bColorHsl) {
        return color;
    }
    short h = 180;
    short s = 100;
    short l = 100;
    CWindowManagerUI::ColorAdjustValues(h, s, l);
    return CRendererUI::AdjustColorHsl(color, h, s, l);
}

bool CControlUI::DrawImageDescriptor(HDC hdc, LPCWSTR descriptor, LPCWSTR modifier) {
    return CRendererUI::DrawImageDescriptor(hdc, m_pManager, m_rcItem, m_rcPaint, descriptor, modifier);
}

void CControlUI::ApplyAttributeString(LPCWSTR text) {
    if (!text) {
        return;
    }
    const wchar_t* p = text;
    while (*p != L'\0') {
        const wchar_t* nameStart = p;
        while (*p != L'\0' && *p != L'=') {
            p = ::CharNextW(p);
        }
        const CUIString name(nameStart, static_cast<int>(p - nameStart));
        if (*p != L'=' || p[1] != L'"') {
            return;
        }
        p += 2;
        const wchar_t* valueStart = p;
        while (*p != L'\0' && *p != L'"') {
            p = ::CharNextW(p);
        }
        if (*p != L'"') {
            return;
        }
        const CUIString value(valueStart, static_cast<int>(p - valueStart));
        ++p;
        ApplyAttribute(name.Text(), value.Text());
        if (*p != L' ' || p[1] == L'\0' || p[1] == L' ') {
            return;
        }
        ++p;
    }
}

CUIString CControlUI::GetVirtualWindow() const {
    if (!m_strVirtualWnd.IsBlank()) {
        return m_strVirtualWnd;
    }
    return m_pParent ? m_pParent->GetVirtualWindow() : CUIString();
}

void CControlUI::SetVirtualWindow(LPCWSTR name) {
    m_strVirtualWnd = name;
    if (m_pManager) {
        m_pManager->UseVirtualWindows(true);
    }
}

#define TAMSK_CHANGED_SETTER(Name, Type, field)                                                              \
    void CControlUI::Name(Type value) {                                                                      \
        if (field == value) {                                                                                \
            return;                                                                                          \
        }                                                                                                    \
        field = value;                                                                                       \
        Invalidate();                                                                                        \
    }
TAMSK_CHANGED_SETTER(SetBkColor, DWORD, m_dwBackColor)
TAMSK_CHANGED_SETTER(SetBkColor2, DWORD, m_dwBackColor2)
TAMSK_CHANGED_SETTER(SetBkColor3, DWORD, m_dwBackColor3)
TAMSK_CHANGED_SETTER(SetBorderColor, DWORD, m_dwBorderColor)
TAMSK_CHANGED_SETTER(SetFocusBorderColor, DWORD, m_dwFocusBorderColor)
TAMSK_CHANGED_SETTER(SetColorHsl, bool, m_bColorHsl)
TAMSK_CHANGED_SETTER(SetBorderSize, int, m_nBorderSize)
#undef TAMSK_CHANGED_SETTER

void CControlUI::SetBkImage(LPCWSTR descriptor) {
    if (m_strBkImage == descriptor) {
        return;
    }
    m_strBkImage = descriptor;
    Invalidate();
}

void CControlUI::SetForeImage(LPCWSTR descriptor) {
    if (m_strForeImage == descriptor) {
        return;
    }
    m_strForeImage = descriptor;
    Invalidate();
}

void CControlUI::SetBorderSides(RECT sides) {
    m_rcBorderSides = sides;
    Invalidate();
}

void CControlUI::SetLeftBorderSize(int size) {
    m_rcBorderSides.left = size;
    Invalidate();
}

void CControlUI::SetTopBorderSize(int size) {
    m_rcBorderSides.top = size;
    Invalidate();
}

void CControlUI::SetRightBorderSize(int size) {
    m_rcBorderSides.right = size;
    Invalidate();
}

void CControlUI::SetBottomBorderSize(int size) {
    m_rcBorderSides.bottom = size;
    Invalidate();
}

void CControlUI::SetBorderStyle(int style) {
    m_nBorderStyle = style;
    Invalidate();
}

void CControlUI::SetBorderRound(SIZE round) {
    m_szBorderRound = round;
    Invalidate();
}

} // namespace Tamsk
