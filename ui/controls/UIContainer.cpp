#include "ui/controls/UIContainer.h"

#include <cwchar>
#include <cstdlib>

#include "ui/controls/UIAttrValue.h"
#include "ui/controls/UIScrollBar.h"
#include "ui/core/UIManager.h"
#include "ui/render/UIRender.h"

namespace Tamsk {

namespace {

bool Meets(const RECT& a, const RECT& b) noexcept {
    RECT tmp;
    return ::IntersectRect(&tmp, &a, &b) != FALSE;
}

bool IsMouseEvent(int type) noexcept {
    return type > 8 && type < 19;
}

} // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    // The manager may already be going away; children die with the container.
    m_bDefersDeletion = false;
    if (m_bOwnsChildren) {
        for (int i = 0; i < m_aChildren.Count(); ++i) {
            delete static_cast<CControlUI*>(m_aChildren[i]);
        }
    }
    m_aChildren.Clear();
    delete m_pVerticalScrollBar;
    delete m_pHorizontalScrollBar;
}

LPCWSTR CContainerUI::ClassName() const {
    return L"ContainerUI";
}

void* CContainerUI::InterfaceFor(LPCWSTR name) {
    if (name && wcscmp(name, L"IContainer") == 0) {
        return static_cast<IContainerUI*>(this);
    }
    if (name && wcscmp(name, L"Container") == 0) {
        return static_cast<CContainerUI*>(this);
    }
    return CControlUI::InterfaceFor(name);
}

CControlUI* CContainerUI::ChildAt(int index) const {
    return static_cast<CControlUI*>(m_aChildren.At(index));
}

int CContainerUI::IndexOfChild(CControlUI* control) const {
    return control ? m_aChildren.IndexOf(control) : -1;
}

bool CContainerUI::MoveChild(CControlUI* control, int index) {
    const int from = IndexOfChild(control);
    // A bad target index would drop the child from the list after taking it out: refuse it first.
    if (from < 0 || index < 0 || index >= m_aChildren.Count()) {
        return false;
    }
    RequestLayout();
    if (!m_aChildren.RemoveAt(from)) {
        return false;
    }
    return m_aChildren.Insert(index, control);
}

int CContainerUI::ChildCount() const {
    return m_aChildren.Count();
}

bool CContainerUI::AddChild(CControlUI* control) {
    return InsertChild(control, m_aChildren.Count());
}

bool CContainerUI::InsertChild(CControlUI* control, int index) {
    if (!control || index < 0 || index > m_aChildren.Count()) {
        return false;
    }
    if (m_pManager) {
        m_pManager->InitControlTree(control, this);
    }
    if (IsVisible()) {
        RequestLayout();
    } else {
        control->SetInheritedVisible(false);
    }
    return m_aChildren.Insert(index, control);
}

void CContainerUI::DisposeChild(CControlUI* control) {
    if (m_bDefersDeletion && m_pManager) {
        m_pManager->DeferDelete(control);
    } else {
        delete control;
    }
}

bool CContainerUI::RemoveChild(CControlUI* control) {
    const int index = IndexOfChild(control);
    if (index < 0) {
        return false;
    }
    RequestLayout();
    // Out of the list before it can be deleted: deletion may reach back into this container.
    if (!m_aChildren.RemoveAt(index)) {
        return false;
    }
    if (m_bOwnsChildren) {
        DisposeChild(control);
    }
    return true;
}

bool CContainerUI::RemoveChildAt(int index) {
    CControlUI* control = ChildAt(index);
    return control ? RemoveChild(control) : false;
}

void CContainerUI::RemoveAllChildren() {
    CPtrArrayUI children(m_aChildren);
    m_aChildren.Clear();
    if (m_bOwnsChildren) {
        for (int i = 0; i < children.Count(); ++i) {
            DisposeChild(static_cast<CControlUI*>(children[i]));
        }
    }
    RequestLayout();
}

void CContainerUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
    for (int i = 0; i < m_aChildren.Count(); ++i) {
        static_cast<CControlUI*>(m_aChildren[i])->AttachManager(manager, this, initialise);
    }
    if (m_pVerticalScrollBar) {
        m_pVerticalScrollBar->AttachManager(manager, this, initialise);
    }
    if (m_pHorizontalScrollBar) {
        m_pHorizontalScrollBar->AttachManager(manager, this, initialise);
    }
    CControlUI::AttachManager(manager, parent, initialise);
}

RECT CContainerUI::InnerRect() const {
    RECT rc = m_rcItem;
    rc.left += m_rcInset.left;
    rc.top += m_rcInset.top;
    rc.right -= m_rcInset.right;
    rc.bottom -= m_rcInset.bottom;
    if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible()) {
        rc.right -= m_pVerticalScrollBar->GetFixedWidth();
    }
    if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible()) {
        rc.bottom -= m_pHorizontalScrollBar->GetFixedHeight();
    }
    return rc;
}

void CContainerUI::SetBounds(RECT rc) {
    CControlUI::SetBounds(rc);
    if (m_aChildren.IsEmpty()) {
        return;
    }
    const RECT inner = {m_rcItem.left + m_rcInset.left, m_rcItem.top + m_rcInset.top,
                        m_rcItem.right - m_rcInset.right, m_rcItem.bottom - m_rcInset.bottom};
    for (int i = 0; i < m_aChildren.Count(); ++i) {
        auto* child = static_cast<CControlUI*>(m_aChildren[i]);
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloating()) {
            PlaceFloatingChild(i);
        } else {
            child->SetBounds(inner);
        }
    }
}

void CContainerUI::SetVisible(bool visible) {
    if (m_bVisible == visible) {
        return;
    }
    CControlUI::SetVisible(visible);
    for (int i = 0; i < m_aChildren.Count(); ++i) {
        static_cast<CControlUI*>(m_aChildren[i])->SetInheritedVisible(IsVisible());
    }
}

void CContainerUI::SetInheritedVisible(bool visible) {
    CControlUI::SetInheritedVisible(visible);
    for (int i = 0; i < m_aChildren.Count(); ++i) {
        static_cast<CControlUI*>(m_aChildren[i])->SetInheritedVisible(IsVisible());
    }
}

void CContainerUI::SetEnabled(bool enabled) {
    if (m_bEnabled == enabled) {
        return;
    }
    CControlUI::SetEnabled(enabled);
    for (int i = 0; i < m_aChildren.Count(); ++i) {
        static_cast<CControlUI*>(m_aChildren[i])->SetEnabled(enabled);
    }
    Invalidate();
}

void CContainerUI::SetAcceptsMouse(bool accepts) {
    if (m_pVerticalScrollBar) {
        m_pVerticalScrollBar->SetAcceptsMouse(accepts);
    }
    if (m_pHorizontalScrollBar) {
        m_pHorizontalScrollBar->SetAcceptsMouse(accepts);
    }
    CControlUI::SetAcceptsMouse(accepts);
}

CControlUI* CContainerUI::WalkControls(FindControlProcUI proc, void* data, UINT flags) {
    if ((flags & FindVisible) && !IsVisible()) {
        return nullptr;
    }
    if ((flags & FindEnabled) && !IsEnabled()) {
        return nullptr;
    }
    const bool hitTest = (flags & FindHitTest) != 0;
    if (hitTest) {
        if (!data || !::PtInRect(&m_rcItem, *static_cast<const POINT*>(data))) {
            return nullptr;
        }
        if (!m_bMouseChildEnabled) {
            CControlUI* result = nullptr;
            if (m_pVerticalScrollBar) {
                result = m_pVerticalScrollBar->WalkControls(proc, data, flags);
            }
            if (!result && m_pHorizontalScrollBar) {
                result = m_pHorizontalScrollBar->WalkControls(proc, data, flags);
            }
            if (!result) {
                result = CControlUI::WalkControls(proc, data, flags);
            }
            return result;
        }
    }
    if (m_pVerticalScrollBar) {
        if (CControlUI* r = m_pVerticalScrollBar->WalkControls(proc, data, flags)) {
            return r;
        }
    }
    if (m_pHorizontalScrollBar) {
        if (CControlUI* r = m_pHorizontalScrollBar->WalkControls(proc, data, flags)) {
            return r;
        }
    }
    if (flags & FindSelfFirst) {
        if (CControlUI* r = CControlUI::WalkControls(proc, data, flags)) {
            return r;
        }
    }
    const RECT inner = InnerRect();
    const int count = m_aChildren.Count();
    const bool topFirst = (flags & FindTopFirst) != 0;
    for (int n = 0; n < count; ++n) {
        const int i = topFirst ? count - 1 - n : n;
        auto* child = static_cast<CControlUI*>(m_aChildren.At(i));
        if (!child) {
            continue;
        }
        CControlUI* r = child->WalkControls(proc, data, flags);
        if (!r) {
            continue;
        }
        if (hitTest && !r->IsFloating() && !::PtInRect(&inner, *static_cast<const POINT*>(data))) {
            continue;
        }
        return r;
    }
    if (!(flags & FindSelfFirst)) {
        return CControlUI::WalkControls(proc, data, flags);
    }
    return nullptr;
}

void CContainerUI::HandleEvent(TControlEventUI& event) {
    if (!m_bMouseEnabled && IsMouseEvent(event.Type)) {
        if (m_pParent) {
            m_pParent->HandleEvent(event);
        } else {
            CControlUI::HandleEvent(event);
        }
        return;
    }
    if (event.Type == EventSetFocus) {
        m_bFocused = true;
        return;
    }
    if (event.Type == EventKillFocus) {
        m_bFocused = false;
        return;
    }
    const bool vertical =
        m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible() && m_pVerticalScrollBar->IsEnabled();
    const bool horizontal =
        m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible() && m_pHorizontalScrollBar->IsEnabled();
    if (vertical || horizontal) {
        if (event.Type == EventKeyDown) {
            switch (event.chKey) {
            case VK_PRIOR:
                vertical ? ScrollPageUp() : ScrollPageLeft();
                return;
            case VK_NEXT:
                vertical ? ScrollPageDown() : ScrollPageRight();
                return;
            case VK_END:
                vertical ? ScrollToBottom() : ScrollToRightEnd();
                return;
            case VK_HOME:
                vertical ? ScrollToTop() : ScrollToLeftEnd();
                return;
            case VK_UP:
                vertical ? ScrollLineUp() : ScrollLineLeft();
                return;
            case VK_DOWN:
                vertical ? ScrollLineDown() : ScrollLineRight();
                return;
            default:
                break;
            }
        } else if (event.Type == EventScrollWheel) {
            switch (LOWORD(event.wParam)) {
            case 0:
                vertical ? ScrollLineUp() : ScrollLineLeft();
                return;
            case 1:
                vertical ? ScrollLineDown() : ScrollLineRight();
                return;
            default:
                break;
            }
        }
    }
    CControlUI::HandleEvent(event);
}

void CContainerUI::ApplyAttribute(LPCWSTR name, LPCWSTR value) {
    if (!name || !value) {
        return;
    }
    if (wcscmp(name, L"inset") == 0) {
        SetInset(ReadAttrRect(value));
    } else if (wcscmp(name, L"mousechild") == 0) {
        SetChildrenAcceptMouse(ReadAttrBool(value));
    } else if (wcscmp(name, L"vscrollbar") == 0) {
        EnableScrollBars(ReadAttrBool(value), m_pHorizontalScrollBar != nullptr);
    } else if (wcscmp(name, L"vscrollbarstyle") == 0) {
        EnableScrollBars(true, m_pHorizontalScrollBar != nullptr);
        if (m_pVerticalScrollBar) {
            m_pVerticalScrollBar->ApplyAttributeString(value);
        }
    } else if (wcscmp(name, L"hscrollbar") == 0) {
        EnableScrollBars(m_pVerticalScrollBar != nullptr, ReadAttrBool(value));
    } else if (wcscmp(name, L"hscrollbarstyle") == 0) {
        EnableScrollBars(m_pVerticalScrollBar != nullptr, true);
        if (m_pHorizontalScrollBar) {
            m_pHorizontalScrollBar->ApplyAttributeString(value);
        }
    } else if (wcscmp(name, L"childpadding") == 0) {
        SetChildPadding(ReadAttrInt(value));
    } else if (wcscmp(name, L"scrollstepsize") == 0) {
        SetScrollStep(ReadAttrInt(value));
    } else {
        CControlUI::ApplyAttribute(name, value);
    }
}

void CContainerUI::Paint(HDC hdc, const RECT& dirty) {
    RECT visible;
    if (!::IntersectRect(&visible, &dirty, &m_rcItem)) {
        return;
    }
    CClipRegionUI outer;
    outer.Begin(hdc, visible);
    CControlUI::Paint(hdc, dirty);

    if (!m_aChildren.IsEmpty()) {
        const RECT inner = InnerRect();
        RECT innerDirty;
        if (::IntersectRect(&innerDirty, &dirty, &inner)) {
            CClipRegionUI clip;
            clip.Begin(hdc, innerDirty);
            for (int i = 0; i < m_aChildren.Count(); ++i) {
                auto* child = static_cast<CControlUI*>(m_aChildren[i]);
                if (!child->IsVisible()) {
                    continue;
                }
                const RECT bounds = child->GetBounds();
                if (!Meets(dirty, bounds)) {
                    continue;
                }
                if (child->IsFloating()) {
                    if (!Meets(m_rcItem, bounds)) {
                        continue;
                    }
                    clip.UseOuterClip();
                    child->Paint(hdc, dirty);
                    clip.UseInnerClip();
                } else {
                    if (!Meets(inner, bounds)) {
                        continue;
                    }
                    child->Paint(hdc, dirty);
                }
            }
            clip.End();
        } else {
            for (int i = 0; i < m_aChildren.Count(); ++i) {
                auto* child = static_cast<CControlUI*>(m_aChildren[i]);
                if (!child->IsVisible() || !child->IsFloating()) {
                    continue;
                }
                const RECT bounds = child->GetBounds();
                if (Meets(dirty, bounds) && Meets(m_rcItem, bounds)) {
                    child->Paint(hdc, dirty);
                }
            }
        }
    }
    if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible() &&
        Meets(dirty, m_pVerticalScrollBar->GetBounds())) {
        m_pVerticalScrollBar->Paint(hdc, dirty);
    }
    if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible() &&
        Meets(dirty, m_pHorizontalScrollBar->GetBounds())) {
        m_pHorizontalScrollBar->Paint(hdc, dirty);
    }
    outer.End();
}

RECT CContainerUI::GetInset() const {
    return m_rcInset;
}

void CContainerUI::SetInset(RECT inset) {
    m_rcInset = inset;
    RequestLayout();
}

int CContainerUI::GetChildPadding() const {
    return m_nChildPadding;
}

void CContainerUI::SetChildPadding(int padding) {
    m_nChildPadding = padding;
    RequestLayout();
}

bool CContainerUI::OwnsChildren() const {
    return m_bOwnsChildren;
}

void CContainerUI::SetOwnsChildren(bool owns) {
    m_bOwnsChildren = owns;
}

bool CContainerUI::DefersChildDeletion() const {
    return m_bDefersDeletion;
}

void CContainerUI::SetDefersChildDeletion(bool defers) {
    m_bDefersDeletion = defers;
}

bool CContainerUI::ChildrenAcceptMouse() const {
    return m_bMouseChildEnabled;
}

void CContainerUI::SetChildrenAcceptMouse(bool accepts) {
    m_bMouseChildEnabled = accepts;
}

int CContainerUI::FindSelectableChild(int index, bool forward) const {
    const int count = m_aChildren.Count();
    if (count == 0) {
        return -1;
    }
    if (index < 0) {
        index = 0;
    }
    if (index > count - 1) {
        index = count - 1;
    }
    auto selectable = [this](int i) {
        auto* child = static_cast<CControlUI*>(m_aChildren[i]);
        return child->InterfaceFor(L"ListItem") != nullptr && child->IsVisible() && child->IsEnabled();
    };
    if (forward) {
        for (int i = index; i < count; ++i) {
            if (selectable(i)) {
                return i;
            }
        }
        return -1;
    }
    for (int i = index; i >= 0; --i) {
        if (selectable(i)) {
            return i;
        }
    }
    return FindSelectableChild(0, true);
}

SIZE CContainerUI::GetScrollOffset() const {
    SIZE sz = {0, 0};
    if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible()) {
        sz.cx = m_pHorizontalScrollBar->GetScrollPos();
    }
    if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible()) {
        sz.cy = m_pVerticalScrollBar->GetScrollPos();
    }
    return sz;
}

SIZE CContainerUI::GetScrollRange() const {
    SIZE sz = {0, 0};
    if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible()) {
        sz.cx = m_pHorizontalScrollBar->GetScrollRange();
    }
    if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible()) {
        sz.cy = m_pVerticalScrollBar->GetScrollRange();
    }
    return sz;
}

void CContainerUI::SetScrollOffset(SIZE offset) {
    int dx = 0;
    int dy = 0;
    if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible()) {
        const int old = m_pVerticalScrollBar->GetScrollPos();
        m_pVerticalScrollBar->SetScrollPos(offset.cy);
        dy = m_pVerticalScrollBar->GetScrollPos() - old;
    }
    if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible()) {
        const int old = m_pHorizontalScrollBar->GetScrollPos();
        m_pHorizontalScrollBar->SetScrollPos(offset.cx);
        dx = m_pHorizontalScrollBar->GetScrollPos() - old;
    }
    if (dx == 0 && dy == 0) {
        return;
    }
    for (int i = 0; i < m_aChildren.Count(); ++i) {
        auto* child = static_cast<CControlUI*>(m_aChildren[i]);
        if (!child->IsVisible() || child->IsFloating()) {
            continue;
        }
        RECT rc = child->GetBounds();
        ::OffsetRect(&rc, -dx, -dy);
        child->SetBounds(rc);
    }
    Invalidate();
}

void CContainerUI::SetScrollStep(int step) {
    if (step > 0) {
        m_nScrollStep = step;
    }
}

int CContainerUI::GetScrollStep() const {
    return m_nScrollStep;
}

namespace {

int VerticalLine(const CContainerUI& c, CWindowManagerUI* manager) {
    if (c.GetScrollStep() > 0) {
        return c.GetScrollStep();
    }
    if (!manager) {
        return 8;
    }
    const TFontDataUI* font = manager->DefaultFontInfo();
    return 8 + (font ? static_cast<int>(font->tm.tmHeight) : 0);
}

} // namespace

void CContainerUI::ScrollLineUp() {
    SIZE sz = GetScrollOffset();
    sz.cy -= VerticalLine(*this, m_pManager);
    SetScrollOffset(sz);
}

void CContainerUI::ScrollLineDown() {
    SIZE sz = GetScrollOffset();
    sz.cy += VerticalLine(*this, m_pManager);
    SetScrollOffset(sz);
}

namespace {

int VerticalPage(const CContainerUI& c) {
    const RECT rc = c.GetBounds();
    const RECT inset = c.GetInset();
    int page = rc.bottom - rc.top - inset.top - inset.bottom;
    const CScrollBarUI* bar = c.GetHorizontalScrollBar();
    if (bar && bar->IsVisible()) {
        page -= bar->GetFixedHeight();
    }
    return page;
}

int HorizontalPage(const CContainerUI& c) {
    const RECT rc = c.GetBounds();
    const RECT inset = c.GetInset();
    int page = rc.right - rc.left - inset.left - inset.right;
    const CScrollBarUI* bar = c.GetVerticalScrollBar();
    if (bar && bar->IsVisible()) {
        page -= bar->GetFixedWidth();
    }
    return page;
}

} // namespace

void CContainerUI::ScrollPageUp() {
    SIZE sz = GetScrollOffset();
    sz.cy -= VerticalPage(*this);
    SetScrollOffset(sz);
}

void CContainerUI::ScrollPageDown() {
    SIZE sz = GetScrollOffset();
    sz.cy += VerticalPage(*this);
    SetScrollOffset(sz);
}

void CContainerUI::ScrollToTop() {
    SIZE sz = GetScrollOffset();
    sz.cy = 0;
    SetScrollOffset(sz);
}

void CContainerUI::ScrollToBottom() {
    SIZE sz = GetScrollOffset();
    sz.cy = GetScrollRange().cy;
    SetScrollOffset(sz);
}

void CContainerUI::ScrollLineLeft() {
    SIZE sz = GetScrollOffset();
    sz.cx -= m_nScrollStep > 0 ? m_nScrollStep : 8;
    SetScrollOffset(sz);
}

void CContainerUI::ScrollLineRight() {
    SIZE sz = GetScrollOffset();
    sz.cx += m_nScrollStep > 0 ? m_nScrollStep : 8;
    SetScrollOffset(sz);
}

void CContainerUI::ScrollPageLeft() {
    SIZE sz = GetScrollOffset();
    sz.cx -= HorizontalPage(*this);
    SetScrollOffset(sz);
}

void CContainerUI::ScrollPageRight() {
    SIZE sz = GetScrollOffset();
    sz.cx += HorizontalPage(*this);
    SetScrollOffset(sz);
}

void CContainerUI::ScrollToLeftEnd() {
    SIZE sz = GetScrollOffset();
    sz.cx = 0;
    SetScrollOffset(sz);
}

void CContainerUI::ScrollToRightEnd() {
    SIZE sz = GetScrollOffset();
    sz.cx = GetScrollRange().cx;
    SetScrollOffset(sz);
}

void CContainerUI::EnableScrollBars(bool vertical, bool horizontal) {
    auto create = [this](bool isHorizontal) {
        auto* bar = new CScrollBarUI;
        if (isHorizontal) {
            bar->SetHorizontal(true);
        }
        bar->SetOwner(this);
        bar->AttachManager(m_pManager, nullptr, false);
        if (m_pManager) {
            if (LPCWSTR defaults = m_pManager->GetDefaultAttributes(isHorizontal ? L"HScrollBar" : L"VScrollBar")) {
                bar->ApplyAttributeString(defaults);
            }
        }
        return bar;
    };
    if (vertical && !m_pVerticalScrollBar) {
        m_pVerticalScrollBar = create(false);
    } else if (!vertical && m_pVerticalScrollBar) {
        delete m_pVerticalScrollBar;
        m_pVerticalScrollBar = nullptr;
    }
    if (horizontal && !m_pHorizontalScrollBar) {
        m_pHorizontalScrollBar = create(true);
    } else if (!horizontal && m_pHorizontalScrollBar) {
        delete m_pHorizontalScrollBar;
        m_pHorizontalScrollBar = nullptr;
    }
    RequestLayout();
}

CScrollBarUI* CContainerUI::GetVerticalScrollBar() const {
    return m_pVerticalScrollBar;
}

CScrollBarUI* CContainerUI::GetHorizontalScrollBar() const {
    return m_pHorizontalScrollBar;
}

void CContainerUI::PlaceFloatingChild(int index) {
    auto* child = static_cast<CControlUI*>(m_aChildren.At(index));
    if (!child || !child->IsVisible() || !child->IsFloating()) {
        return;
    }
    const RECT& b = m_rcItem;
    const SIZE off = child->GetFloatOffset();
    const int w = child->GetFixedWidth();
    const int h = child->GetFixedHeight();
    RECT rc;
    if (off.cx < 0) {
        rc.left = b.right + off.cx - w;
        rc.right = b.right + off.cx;
    } else {
        rc.left = b.left + off.cx;
        rc.right = rc.left + w;
    }
    rc.top = off.cy < 0 ? b.bottom + off.cy - h : b.top + off.cy;
    rc.bottom = rc.top + h;
    const TRelativeRuleUI rule = child->GetRelativeRule();
    if (rule.bRelative && rule.szBase.cx != 0) {
        const int W = b.right - b.left;
        const int H = b.bottom - b.top;
        const int dw = W - rule.szBase.cx;
        const int dh = H - rule.szBase.cy;
        rc.left += dw * rule.nMoveXPercent / 100;
        rc.top += dh * rule.nMoveYPercent / 100;
        rc.right = rc.left + w + dw * rule.nZoomXPercent / 100;
        rc.bottom = rc.top + h + dh * rule.nZoomYPercent / 100;
    }
    if (rule.bRelative) {
        child->SetRelativeBase(b.right - b.left, b.bottom - b.top);
    }
    child->SetBounds(rc);
}

void CContainerUI::UpdateScrollBars(RECT rc, int /*neededWidth*/, int neededHeight) {
    if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible()) {
        m_pHorizontalScrollBar->SetBounds(
            RECT{rc.left, rc.bottom, rc.right, rc.bottom + m_pHorizontalScrollBar->GetFixedHeight()});
    }
    if (!m_pVerticalScrollBar) {
        return;
    }
    const int height = rc.bottom - rc.top;
    if (neededHeight > height && !m_pVerticalScrollBar->IsVisible()) {
        m_pVerticalScrollBar->SetVisible(true);
        m_pVerticalScrollBar->SetScrollRange(neededHeight - height);
        m_pVerticalScrollBar->SetScrollPos(0);
        m_bInScrollUpdate = true;
        SetBounds(m_rcItem);
        m_bInScrollUpdate = false;
        return;
    }
    if (!m_pVerticalScrollBar->IsVisible()) {
        return;
    }
    const int d = neededHeight - height;
    if (d <= 0 && !m_bInScrollUpdate) {
        m_pVerticalScrollBar->SetVisible(false);
        m_pVerticalScrollBar->SetScrollPos(0);
        m_pVerticalScrollBar->SetScrollRange(0);
        SetBounds(m_rcItem);
        return;
    }
    m_pVerticalScrollBar->SetBounds(
        RECT{rc.right, rc.top, rc.right + m_pVerticalScrollBar->GetFixedWidth(), rc.bottom});
    if (m_pVerticalScrollBar->GetScrollRange() == d) {
        return;
    }
    const int oldPos = m_pVerticalScrollBar->GetScrollPos();
    // Content that fits (d <= 0 during an update) has nothing to scroll: the range becomes 0 and the bar
    // goes away, rather than offering a range for content that does not exist.
    m_pVerticalScrollBar->SetScrollRange(d > 0 ? d : 0);
    if (m_pVerticalScrollBar->GetScrollRange() == 0) {
        m_pVerticalScrollBar->SetVisible(false);
        m_pVerticalScrollBar->SetScrollPos(0);
    }
    if (m_pVerticalScrollBar->GetScrollPos() < oldPos) {
        SetBounds(m_rcItem);
    }
}

} // namespace Tamsk
