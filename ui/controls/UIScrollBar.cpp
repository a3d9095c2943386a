#include "ui/controls/UIScrollBar.h"

#include <algorithm>
#include <cwchar>

#include "ui/controls/UIAttrValue.h"
#include "ui/controls/UIContainer.h"
#include "ui/core/UIManager.h"
#include "ui/render/UIRender.h"

namespace Tamsk {

namespace {

constexpr int kThickness = 16;
constexpr DWORD kMissingImageOutline = 0x0085E4FF;

bool IsMouseEvent(int type) noexcept {
    return type > 8 && type < 19;
}

bool Meets(const RECT& a, const RECT& b) noexcept {
    RECT tmp;
    return ::IntersectRect(&tmp, &a, &b) != FALSE;
}

} // namespace

CScrollBarUI::CScrollBarUI() {
    m_nFixedWidth = kThickness;
}

LPCWSTR CScrollBarUI::ClassName() const {
    return L"ScrollBarUI";
}

void* CScrollBarUI::InterfaceFor(LPCWSTR name) {
    if (name && wcscmp(name, L"ScrollBar") == 0) {
        return static_cast<CScrollBarUI*>(this);
    }
    return CControlUI::InterfaceFor(name);
}

void CScrollBarUI::SetHorizontal(bool horizontal) {
    if (m_bHorizontal == horizontal) {
        return;
    }
    m_bHorizontal = horizontal;
    if (horizontal) {
        if (m_nFixedHeight == 0) {
            m_nFixedHeight = m_nFixedWidth;
            m_nFixedWidth = 0;
        }
    } else if (m_nFixedWidth == 0) {
        m_nFixedWidth = m_nFixedHeight;
        m_nFixedHeight = 0;
    }
    if (m_pOwner) {
        m_pOwner->RequestLayout();
    } else {
        RequestParentLayout();
    }
}

void CScrollBarUI::SetScrollRange(int range) {
    if (range < 0) {
        range = 0;
    }
    m_nRange = range;
    if (m_nScrollPos > m_nRange) {
        m_nScrollPos = m_nRange;
    }
    PlaceParts();
}

void CScrollBarUI::SetScrollPos(int pos) {
    if (pos < 0) {
        pos = 0;
    }
    if (pos > m_nRange) {
        pos = m_nRange;
    }
    m_nScrollPos = pos;
    PlaceParts();
}

void CScrollBarUI::SetLineSize(int size) {
    m_nLineSize = size;
}

void CScrollBarUI::SetShowButton1(bool show) {
    m_bShowButton1 = show;
    PlaceParts();
}

void CScrollBarUI::SetShowButton2(bool show) {
    m_bShowButton2 = show;
    PlaceParts();
}

void CScrollBarUI::SetVisible(bool visible) {
    if (m_bVisible == visible) {
        return;
    }
    CControlUI::SetVisible(visible);
}

void CScrollBarUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    if (!enabled) {
        for (auto& part : m_parts) {
            part.state = 0;
        }
        m_uBarState = 0;
    }
}

void CScrollBarUI::SetBounds(RECT rc) {
    CControlUI::SetBounds(rc);
    PlaceParts();
}

void CScrollBarUI::PlaceParts() {
    const RECT& b = m_rcItem;
    const int length = m_bHorizontal ? b.right - b.left : b.bottom - b.top;
    const int thickness = m_bHorizontal ? b.bottom - b.top : b.right - b.left;
    int button = thickness;
    const int buttons = (m_bShowButton1 ? 1 : 0) + (m_bShowButton2 ? 1 : 0);
    if (buttons > 0 && length < button * buttons) {
        // No room for full squares: each button gets at most half the length.
        button = (std::min)(thickness, length / 2);
    }
    auto span = [&](int from, int to) {
        return m_bHorizontal ? RECT{b.left + from, b.top, b.left + to, b.bottom}
                             : RECT{b.left, b.top + from, b.right, b.top + to};
    };
    const int b1 = m_bShowButton1 ? button : 0;
    const int b2 = m_bShowButton2 ? button : 0;
    m_parts[PartButton1].rc = m_bShowButton1 ? span(0, b1) : RECT{0, 0, 0, 0};
    m_parts[PartButton2].rc = m_bShowButton2 ? span(length - b2, length) : RECT{0, 0, 0, 0};
    m_parts[PartBack].rc = b;
    const int track = length - b1 - b2;
    if (track <= 0 || thickness <= 0) {
        m_parts[PartThumb].rc = RECT{0, 0, 0, 0};
        m_parts[PartRail].rc = RECT{0, 0, 0, 0};
        return;
    }
    int thumb = track;
    int offset = 0;
    if (m_nRange > 0) {
        thumb = static_cast<int>(static_cast<long long>(length) * track / (static_cast<long long>(length) + m_nRange));
        if (thumb < thickness) {
            thumb = (std::min)(thickness, track);
        }
        offset = static_cast<int>(static_cast<long long>(track - thumb) * m_nScrollPos / m_nRange);
    }
    m_parts[PartThumb].rc = span(b1 + offset, b1 + offset + thumb);
    // The rail grip: a square of the bar's thickness centred on the thumb.
    const int centre = b1 + offset + thumb / 2;
    m_parts[PartRail].rc = span(centre - thickness / 2, centre - thickness / 2 + thickness);
}

void CScrollBarUI::Step(int direction, bool page) {
    if (m_pOwner) {
        if (m_bHorizontal) {
            if (page) {
                direction < 0 ? m_pOwner->ScrollPageLeft() : m_pOwner->ScrollPageRight();
            } else {
                direction < 0 ? m_pOwner->ScrollLineLeft() : m_pOwner->ScrollLineRight();
            }
        } else if (page) {
            direction < 0 ? m_pOwner->ScrollPageUp() : m_pOwner->ScrollPageDown();
        } else {
            direction < 0 ? m_pOwner->ScrollLineUp() : m_pOwner->ScrollLineDown();
        }
        return;
    }
    const int length = m_bHorizontal ? GetWidth() : GetHeight();
    const int amount = page ? length : m_nLineSize;
    SetScrollPos(m_nScrollPos + direction * amount);
    AfterOwnStep();
}

void CScrollBarUI::AfterOwnStep() {
    Invalidate();
    if (m_pManager) {
        m_pManager->RaiseNotification(this, L"scroll");
    }
}

void CScrollBarUI::LineUp() {
    Step(-1, false);
}

void CScrollBarUI::LineDown() {
    Step(1, false);
}

void CScrollBarUI::PageUp() {
    Step(-1, true);
}

void CScrollBarUI::PageDown() {
    Step(1, true);
}

void CScrollBarUI::HandleEvent(TControlEventUI& event) {
    if (!m_bMouseEnabled && IsMouseEvent(event.Type)) {
        if (m_pOwner) {
            m_pOwner->HandleEvent(event);
        } else {
            CControlUI::HandleEvent(event);
        }
        return;
    }
    const POINT pt = event.ptMouse;
    auto& thumb = m_parts[PartThumb];
    switch (event.Type) {
    case EventButtonDown:
    case EventDoubleClick: {
        if (!IsEnabled()) {
            return;
        }
        m_nRepeatCount = 0;
        if (m_pManager) {
            (void)m_pManager->StartControlTimer(this, RepeatTimerId, 50);
        }
        if (::PtInRect(&m_parts[PartButton1].rc, pt)) {
            m_parts[PartButton1].state |= StatePushed;
            LineUp();
        } else if (::PtInRect(&m_parts[PartButton2].rc, pt)) {
            m_parts[PartButton2].state |= StatePushed;
            LineDown();
        } else if (::PtInRect(&thumb.rc, pt)) {
            thumb.state |= StateCaptured | StatePushed;
            m_ptDragStart = pt;
            m_nDragStartPos = m_nScrollPos;
            m_nDragOffset = 0;
        } else {
            m_uBarState |= StatePushed;
            const bool before = m_bHorizontal ? pt.x < thumb.rc.left : pt.y < thumb.rc.top;
            before ? PageUp() : PageDown();
        }
        Invalidate();
        return;
    }
    case EventButtonUp:
        if (m_pManager) {
            m_pManager->StopControlTimer(this, RepeatTimerId);
        }
        thumb.state &= ~(StateCaptured | StatePushed);
        m_parts[PartButton1].state &= ~StatePushed;
        m_parts[PartButton2].state &= ~StatePushed;
        m_uBarState &= ~StatePushed;
        Invalidate();
        return;
    case EventMouseMove:
        if (thumb.state & StateCaptured) {
            const int length = m_bHorizontal ? GetWidth() : GetHeight();
            const int thickness = m_bHorizontal ? GetHeight() : GetWidth();
            const int thumbLength = m_bHorizontal ? thumb.rc.right - thumb.rc.left : thumb.rc.bottom - thumb.rc.top;
            const int divisor = length - 2 * thickness - thumbLength;
            if (divisor != 0) {
                const int moved = m_bHorizontal ? pt.x - m_ptDragStart.x : pt.y - m_ptDragStart.y;
                m_nDragOffset = static_cast<int>(static_cast<long long>(moved) * m_nRange / divisor);
            }
        } else {
            const bool over = ::PtInRect(&thumb.rc, pt) != FALSE;
            const bool wasHot = (thumb.state & StateHot) != 0;
            if (over != wasHot && IsEnabled()) {
                thumb.state = over ? (thumb.state | StateHot) : (thumb.state & ~StateHot);
                Invalidate();
            }
        }
        return;
    case EventTimer:
        if (event.wParam != RepeatTimerId) {
            break;
        }
        ++m_nRepeatCount;
        if (thumb.state & StateCaptured) {
            const int pos = m_nDragStartPos + m_nDragOffset;
            if (m_pOwner) {
                SIZE offset = m_pOwner->GetScrollOffset();
                (m_bHorizontal ? offset.cx : offset.cy) = pos;
                m_pOwner->SetScrollOffset(offset);
            } else {
                SetScrollPos(pos);
            }
        } else if (m_nRepeatCount > 5) {
            if (m_parts[PartButton1].state & StatePushed) {
                LineUp();
            } else if (m_parts[PartButton2].state & StatePushed) {
                LineDown();
            } else if (m_uBarState & StatePushed) {
                POINT cursor = {0, 0};
                ::GetCursorPos(&cursor);
                if (m_pManager && m_pManager->GetWindow()) {
                    ::ScreenToClient(m_pManager->GetWindow(), &cursor);
                }
                const bool before = m_bHorizontal ? cursor.x < thumb.rc.left : cursor.y < thumb.rc.top;
                const bool after = m_bHorizontal ? cursor.x >= thumb.rc.right : cursor.y >= thumb.rc.bottom;
                if (before) {
                    PageUp();
                } else if (after) {
                    PageDown();
                }
            }
        }
        return;
    case EventMouseEnter:
        if (IsEnabled()) {
            m_parts[PartButton1].state |= StateHot;
            m_parts[PartButton2].state |= StateHot;
            if (::PtInRect(&thumb.rc, pt)) {
                thumb.state |= StateHot;
            }
            m_uBarState |= StateHot;
            Invalidate();
        }
        return;
    case EventMouseLeave:
        if (IsEnabled()) {
            m_parts[PartButton1].state &= ~StateHot;
            m_parts[PartButton2].state &= ~StateHot;
            thumb.state &= ~StateHot;
            m_uBarState &= ~StateHot;
            Invalidate();
        }
        return;
    default:
        break;
    }
    if (m_pOwner) {
        m_pOwner->HandleEvent(event);
    } else {
        CControlUI::HandleEvent(event);
    }
}

void CScrollBarUI::ApplyAttribute(LPCWSTR name, LPCWSTR value) {
    if (!name || !value) {
        return;
    }
    static const struct {
        const wchar_t* prefix;
        int part;
    } kParts[] = {{L"button1", PartButton1}, {L"button2", PartButton2}, {L"thumb", PartThumb},
                  {L"rail", PartRail},       {L"bk", PartBack}};
    static const wchar_t* const kStates[] = {L"normalimage", L"hotimage", L"pushedimage", L"disabledimage"};
    for (const auto& p : kParts) {
        const size_t n = wcslen(p.prefix);
        if (wcsncmp(name, p.prefix, n) != 0) {
            continue;
        }
        for (int s = 0; s < 4; ++s) {
            if (wcscmp(name + n, kStates[s]) == 0) {
                m_parts[p.part].images[s] = value;
                Invalidate();
                return;
            }
        }
    }
    if (wcscmp(name, L"hor") == 0) {
        SetHorizontal(ReadAttrBool(value));
    } else if (wcscmp(name, L"linesize") == 0) {
        SetLineSize(ReadAttrInt(value));
    } else if (wcscmp(name, L"range") == 0) {
        SetScrollRange(ReadAttrInt(value));
    } else if (wcscmp(name, L"value") == 0) {
        SetScrollPos(ReadAttrInt(value));
    } else if (wcscmp(name, L"showbutton1") == 0) {
        SetShowButton1(ReadAttrBool(value));
    } else if (wcscmp(name, L"showbutton2") == 0) {
        SetShowButton2(ReadAttrBool(value));
    } else {
        CControlUI::ApplyAttribute(name, value);
    }
}

void CScrollBarUI::PaintPart(HDC hdc, int part, bool outlineWhenMissing) {
    TPartUI& p = m_parts[part];
    if (p.rc.right <= p.rc.left || p.rc.bottom <= p.rc.top) {
        return;
    }
    const UINT state = part == PartBack ? m_uBarState : (part == PartRail ? m_parts[PartThumb].state : p.state);
    int chosen = -1;
    if (!IsEnabled() && !p.images[3].IsBlank()) {
        chosen = 3;
    } else if ((state & StatePushed) && !p.images[2].IsBlank()) {
        chosen = 2;
    } else if ((state & StateHot) && !p.images[1].IsBlank()) {
        chosen = 1;
    } else if (!p.images[0].IsBlank()) {
        chosen = 0;
    }
    if (chosen < 0) {
        if (outlineWhenMissing) {
            CRendererUI::StrokeRect(hdc, p.rc, 2, kMissingImageOutline);
        }
        return;
    }
    CUIString modifier;
    modifier.Printf(L"dest='%d,%d,%d,%d'", static_cast<int>(p.rc.left - m_rcItem.left),
                    static_cast<int>(p.rc.top - m_rcItem.top), static_cast<int>(p.rc.right - m_rcItem.left),
                    static_cast<int>(p.rc.bottom - m_rcItem.top));
    if (!DrawImageDescriptor(hdc, p.images[chosen].Text(), modifier.Text())) {
        p.images[chosen].Clear();
    }
}

void CScrollBarUI::Paint(HDC hdc, const RECT& dirty) {
    if (!::IntersectRect(&m_rcPaint, &dirty, &m_rcItem)) {
        return;
    }
    PaintPart(hdc, PartBack, false);
    if (m_bShowButton1) {
        PaintPart(hdc, PartButton1, true);
    }
    if (m_bShowButton2) {
        PaintPart(hdc, PartButton2, true);
    }
    PaintPart(hdc, PartThumb, true);
    if (Meets(m_parts[PartRail].rc, m_rcItem)) {
        PaintPart(hdc, PartRail, false);
    }
}

} // namespace Tamsk
