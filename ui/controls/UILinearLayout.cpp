#include "ui/controls/UILinearLayout.h"

#include <algorithm>
#include <cwchar>

#include "ui/controls/UIAttrValue.h"
#include "ui/controls/UIScrollBar.h"
#include "ui/core/UIManager.h"
#include "ui/render/UIRender.h"

namespace Tamsk {

namespace {

int Clamp(int value, int low, int high) noexcept {
    // A maximum below the minimum leaves the minimum in force.
    if (value > high) {
        value = high;
    }
    if (value < low) {
        value = low;
    }
    return value;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Separators

UINT CLinearLayoutBaseUI::ControlFlags() const {
    return (IsEnabled() && m_nSepSize != 0) ? FlagSetCursor : 0;
}

void CLinearLayoutBaseUI::SetSeparatorImmediate(bool immediate) {
    m_bImmediateSep = immediate;
    if (immediate && (m_uDragState & DragInProgress) && m_pManager) {
        m_pManager->RemoveAfterPaint(this);
    }
}

void CLinearLayoutBaseUI::ApplyAttribute(LPCWSTR name, LPCWSTR value) {
    if (!name || !value) {
        return;
    }
    if (wcscmp(name, m_bVertical ? L"sepheight" : L"sepwidth") == 0) {
        SetSeparatorSize(ReadAttrInt(value));
    } else if (wcscmp(name, L"sepimm") == 0) {
        SetSeparatorImmediate(ReadAttrBool(value));
    } else {
        CContainerUI::ApplyAttribute(name, value);
    }
}

RECT CLinearLayoutBaseUI::SeparatorRect() const {
    const RECT rc = (m_uDragState & DragInProgress) ? m_rcDrag : m_rcItem;
    const int s = m_nSepSize;
    if (m_bVertical) {
        if (s < 0) {
            return RECT{rc.left, rc.top, rc.right, (std::min)(rc.top - s, rc.bottom)};
        }
        return RECT{rc.left, (std::max)(rc.bottom - s, rc.top), rc.right, rc.bottom};
    }
    if (s < 0) {
        return RECT{rc.left, rc.top, (std::min)(rc.left - s, rc.right), rc.bottom};
    }
    return RECT{(std::max)(rc.right - s, rc.left), rc.top, rc.right, rc.bottom};
}

void CLinearLayoutBaseUI::HandleEvent(TControlEventUI& event) {
    if (m_nSepSize != 0) {
        const bool dragging = (m_uDragState & DragInProgress) != 0;
        if (event.Type == EventButtonDown && IsEnabled()) {
            const RECT band = SeparatorRect();
            if (::PtInRect(&band, event.ptMouse)) {
                m_uDragState |= DragInProgress;
                m_ptLastMouse = event.ptMouse;
                m_rcDrag = m_rcItem;
                if (!m_bImmediateSep && m_pManager) {
                    m_pManager->AddAfterPaint(this);
                }
                return;
            }
        } else if (event.Type == EventButtonUp && dragging) {
            m_uDragState &= ~DragInProgress;
            m_rcItem = m_rcDrag;
            if (!m_bImmediateSep && m_pManager) {
                m_pManager->RemoveAfterPaint(this);
            }
            RequestParentLayout();
            return;
        } else if (event.Type == EventMouseMove && dragging) {
            const int s = m_nSepSize;
            const bool lowEdge = s < 0; // the band sits on the top (left) edge
            const int mouse = m_bVertical ? event.ptMouse.y : event.ptMouse.x;
            const int last = m_bVertical ? m_ptLastMouse.y : m_ptLastMouse.x;
            LONG& edge = m_bVertical ? (lowEdge ? m_rcDrag.top : m_rcDrag.bottom)
                                     : (lowEdge ? m_rcDrag.left : m_rcDrag.right);
            const int opposite = m_bVertical ? (lowEdge ? m_rcDrag.bottom : m_rcDrag.top)
                                             : (lowEdge ? m_rcDrag.right : m_rcDrag.left);
            const int minSize = m_bVertical ? m_nMinHeight : m_nMinWidth;
            const int maxSize = m_bVertical ? m_nMaxHeight : m_nMaxWidth;
            const int delta = mouse - last;
            // A move away from the band counts only once the mouse is back over the edge.
            const bool awayFromBand = lowEdge ? (delta > 0 && mouse < edge) : (delta < 0 && mouse > edge);
            const RECT oldBand = SeparatorRect();
            if (delta != 0 && !awayFromBand) {
                const int oldSize = lowEdge ? opposite - edge : edge - opposite;
                int size = lowEdge ? opposite - (edge + delta) : (edge + delta) - opposite;
                if ((size < minSize && oldSize <= minSize) || (size > maxSize && oldSize >= maxSize)) {
                    size = oldSize;
                } else {
                    size = Clamp(size, minSize, maxSize);
                }
                edge = lowEdge ? opposite - size : opposite + size;
                m_ptLastMouse = event.ptMouse;
                if (m_bVertical) {
                    m_nFixedHeight = m_rcDrag.bottom - m_rcDrag.top;
                } else {
                    m_nFixedWidth = m_rcDrag.right - m_rcDrag.left;
                }
                if (m_bImmediateSep) {
                    m_rcItem = m_rcDrag;
                    RequestParentLayout();
                } else if (m_pManager) {
                    const RECT newBand = SeparatorRect();
                    m_pManager->InvalidateArea(oldBand);
                    m_pManager->InvalidateArea(newBand);
                    RECT over = newBand;
                    ::UnionRect(&over, &oldBand, &newBand);
                    m_pManager->InvalidateArea(over);
                }
            }
            return;
        } else if (event.Type == EventSetCursor) {
            const RECT band = SeparatorRect();
            if (IsEnabled() && ::PtInRect(&band, event.ptMouse)) {
                ::SetCursor(::LoadCursorW(nullptr, m_bVertical ? IDC_SIZENS : IDC_SIZEWE));
                return;
            }
        }
    }
    CContainerUI::HandleEvent(event);
}

void CLinearLayoutBaseUI::PaintAfterChildren(HDC hdc, const RECT& /*dirty*/) {
    if ((m_uDragState & DragInProgress) && !m_bImmediateSep) {
        CRendererUI::FillColor(hdc, SeparatorRect(), 0xAA000000);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Vertical

LPCWSTR CVerticalLayoutUI::ClassName() const {
    return L"VerticalLayoutUI";
}

void* CVerticalLayoutUI::InterfaceFor(LPCWSTR name) {
    if (name && wcscmp(name, L"VerticalLayout") == 0) {
        return static_cast<CVerticalLayoutUI*>(this);
    }
    return CContainerUI::InterfaceFor(name);
}

void CVerticalLayoutUI::SetBounds(RECT rc) {
    CControlUI::SetBounds(rc);
    rc = m_rcItem;
    rc.left += m_rcInset.left;
    rc.top += m_rcInset.top;
    rc.right -= m_rcInset.right;
    rc.bottom -= m_rcInset.bottom;
    const bool vBar = m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible();
    const bool hBar = m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible();
    if (vBar) {
        rc.right -= m_pVerticalScrollBar->GetFixedWidth();
    }
    if (hBar) {
        rc.bottom -= m_pHorizontalScrollBar->GetFixedHeight();
    }
    if (m_aChildren.IsEmpty()) {
        UpdateScrollBars(rc, 0, 0);
        return;
    }
    SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
    if (hBar) {
        available.cx += m_pHorizontalScrollBar->GetScrollRange();
    }

    int adjustable = 0;
    int fixedTotal = 0;
    int counted = 0;
    for (int i = 0; i < m_aChildren.Count(); ++i) {
        auto* child = static_cast<CControlUI*>(m_aChildren[i]);
        if (!child->IsVisible() || child->IsFloating()) {
            continue;
        }
        SIZE sz = child->MeasureSize(available);
        if (sz.cy == 0) {
            ++adjustable;
        } else {
            sz.cy = Clamp(sz.cy, child->GetMinHeight(), child->GetMaxHeight());
        }
        const RECT pad = child->GetPadding();
        fixedTotal += sz.cy + pad.top + pad.bottom;
        ++counted;
    }
    if (counted > 0) {
        fixedTotal += (counted - 1) * m_nChildPadding;
    }
    int expand = 0;
    if (adjustable > 0) {
        expand = (std::max)(0, static_cast<int>((available.cy - fixedTotal) / adjustable));
    }

    int y = rc.top;
    int x = rc.left;
    if (vBar) {
        y -= m_pVerticalScrollBar->GetScrollPos();
    }
    if (hBar) {
        x -= m_pHorizontalScrollBar->GetScrollPos();
    }
    int remaining = available.cy;
    int needed = 0;
    for (int i = 0; i < m_aChildren.Count(); ++i) {
        auto* child = static_cast<CControlUI*>(m_aChildren[i]);
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloating()) {
            PlaceFloatingChild(i);
            continue;
        }
        const RECT pad = child->GetPadding();
        remaining -= pad.top;
        const SIZE sz = child->MeasureSize(SIZE{available.cx, remaining});
        int height = sz.cy == 0 ? expand : sz.cy;
        height = Clamp(height, child->GetMinHeight(), child->GetMaxHeight());
        int width = child->GetFixedWidth();
        if (width == 0) {
            width = (std::max)(0, static_cast<int>(available.cx) - static_cast<int>(pad.left + pad.right));
        }
        width = Clamp(width, child->GetMinWidth(), child->GetMaxWidth());
        child->SetBounds(RECT{x + pad.left, y + pad.top, x + pad.left + width, y + pad.top + height});
        y += pad.top + height + pad.bottom + m_nChildPadding;
        needed += pad.top + height + pad.bottom;
        remaining -= height + pad.bottom + m_nChildPadding;
    }
    if (counted > 0) {
        needed += (counted - 1) * m_nChildPadding;
    }
    UpdateScrollBars(rc, 0, needed);
}

// ---------------------------------------------------------------------------------------------------------
// Horizontal

LPCWSTR CHorizontalLayoutUI::ClassName() const {
    return L"HorizontalLayoutUI";
}

void* CHorizontalLayoutUI::InterfaceFor(LPCWSTR name) {
    if (name && wcscmp(name, L"HorizontalLayout") == 0) {
        return static_cast<CHorizontalLayoutUI*>(this);
    }
    return CContainerUI::InterfaceFor(name);
}

void CHorizontalLayoutUI::SetBounds(RECT rc) {
    CControlUI::SetBounds(rc);
    rc = m_rcItem;
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
    if (m_aChildren.IsEmpty()) {
        UpdateScrollBars(rc, 0, 0);
        return;
    }
    const bool hBar = m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible();
    SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
    if (hBar) {
        available.cx += m_pHorizontalScrollBar->GetScrollRange();
    }

    int adjustable = 0;
    int fixedTotal = 0;
    int counted = 0;
    for (int i = 0; i < m_aChildren.Count(); ++i) {
        auto* child = static_cast<CControlUI*>(m_aChildren[i]);
        if (!child->IsVisible() || child->IsFloating()) {
            continue;
        }
        SIZE sz = child->MeasureSize(available);
        if (sz.cx == 0) {
            ++adjustable;
        } else {
            sz.cx = Clamp(sz.cx, child->GetMinWidth(), child->GetMaxWidth());
        }
        const RECT pad = child->GetPadding();
        fixedTotal += sz.cx + pad.left + pad.right;
        ++counted;
    }
    if (counted > 0) {
        fixedTotal += (counted - 1) * m_nChildPadding;
    }
    int expand = 0;
    if (adjustable > 0) {
        expand = (std::max)(0, static_cast<int>((available.cx - fixedTotal) / adjustable));
    }

    int x = rc.left;
    if (hBar) {
        x -= m_pHorizontalScrollBar->GetScrollPos();
    }
    int remaining = available.cx;
    int needed = 0;
    for (int i = 0; i < m_aChildren.Count(); ++i) {
        auto* child = static_cast<CControlUI*>(m_aChildren[i]);
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloating()) {
            PlaceFloatingChild(i);
            continue;
        }
        const RECT pad = child->GetPadding();
        remaining -= pad.left;
        const SIZE sz = child->MeasureSize(SIZE{remaining, available.cy});
        int width = sz.cx == 0 ? expand : sz.cx;
        width = Clamp(width, child->GetMinWidth(), child->GetMaxWidth());
        int height = child->GetFixedHeight();
        if (height == 0) {
            height = (std::max)(0, static_cast<int>(rc.bottom - rc.top - pad.top - pad.bottom));
        }
        height = Clamp(height, child->GetMinHeight(), child->GetMaxHeight());
        child->SetBounds(
            RECT{x + pad.left, rc.top + pad.top, x + pad.left + width, rc.top + pad.top + height});
        x += pad.left + width + pad.right + m_nChildPadding;
        needed += pad.left + width + pad.right;
        remaining -= width + pad.right + m_nChildPadding;
    }
    if (counted > 0) {
        needed += (counted - 1) * m_nChildPadding;
    }

    if (m_pHorizontalScrollBar) {
        const int width = rc.right - rc.left;
        if (width < needed) {
            if (!m_pHorizontalScrollBar->IsVisible()) {
                m_pHorizontalScrollBar->SetVisible(true);
                m_pHorizontalScrollBar->SetScrollPos(0);
                rc.bottom -= m_pHorizontalScrollBar->GetFixedHeight();
            }
            m_pHorizontalScrollBar->SetScrollRange(needed - width);
        } else if (m_pHorizontalScrollBar->IsVisible()) {
            m_pHorizontalScrollBar->SetVisible(false);
            m_pHorizontalScrollBar->SetScrollRange(0);
            m_pHorizontalScrollBar->SetScrollPos(0);
            rc.bottom += m_pHorizontalScrollBar->GetFixedHeight();
        }
    }
    UpdateScrollBars(rc, needed, 0);
}

} // namespace Tamsk
