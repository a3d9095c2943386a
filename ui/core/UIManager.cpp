// The window manager's message side: binding, the tree, messages to control events, painting, focus,
// keys, timers, notifications, caret and tooltips.
#include "ui/core/UIManager.h"

#include <windowsx.h>

#include <cwchar>
#include <new>

// GDI+ flat session calls only.
#include <objidl.h>
#include <gdiplus.h>

#include "ui/controls/UIControl.h"
#include "ui/controls/UILabel.h"
#include "ui/core/UIResource.h"
#include "ui/render/UIRender.h"

namespace Tamsk {

namespace {

constexpr UINT kReflectBase = 0x2000;
constexpr UINT kPlatformTimerIds = 240;

POINT PointFromLParam(LPARAM lParam) noexcept {
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return pt;
}

bool Contains(LPCWSTR text, LPCWSTR part) noexcept {
    return text != nullptr && std::wcsstr(text, part) != nullptr;
}

wchar_t UpperChar(wchar_t ch) noexcept {
    return static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(
        ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(static_cast<unsigned short>(ch))))));
}

// Walk tests. A non-null result ends the walk.
CControlUI* HitTestProc(CControlUI* control, void* data) {
    const POINT& pt = *static_cast<const POINT*>(data);
    const RECT rc = control->GetBounds();
    return ::PtInRect(&rc, pt) ? control : nullptr;
}

CControlUI* LayoutPendingProc(CControlUI* control, void*) {
    return control->LayoutPending() ? control : nullptr;
}

struct TTabSearch {
    CControlUI* pFocus;
    CControlUI* pLast;
    bool bForward;
    bool bNextIsIt;
};

CControlUI* TabStopProc(CControlUI* control, void* data) {
    auto* info = static_cast<TTabSearch*>(data);
    if (control == info->pFocus) {
        if (info->bForward) {
            info->bNextIsIt = true;
            return nullptr;
        }
        return info->pLast;
    }
    if ((control->ControlFlags() & FlagTabStop) == 0) {
        return nullptr;
    }
    info->pLast = control;
    if (info->bNextIsIt || info->pFocus == nullptr) {
        return control;
    }
    return nullptr;
}

struct TShortcutSearch {
    wchar_t ch;
    bool bPickNext;
};

CControlUI* ShortcutProc(CControlUI* control, void* data) {
    auto* info = static_cast<TShortcutSearch*>(data);
    if (!control->IsVisible()) {
        return nullptr;
    }
    if (UpperChar(control->GetShortcut()) == info->ch) {
        info->bPickNext = true;
    }
    // A label names the control that follows it.
    if (info->bPickNext && !Contains(control->ClassName(), L"LabelUI")) {
        return control;
    }
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Process-wide

CPtrArrayUI& CWindowManagerUI::Managers() noexcept {
    static CPtrArrayUI managers;
    return managers;
}

int CWindowManagerUI::ManagerCount() noexcept {
    return Managers().Count();
}

CWindowManagerUI* CWindowManagerUI::ManagerAt(int index) noexcept {
    return static_cast<CWindowManagerUI*>(Managers().At(index));
}

void CWindowManagerUI::InitProcessOnce() noexcept {
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    // Kept for the life of the process: the renderer looks its blend functions up on first use.
    ::LoadLibraryW(L"msimg32.dll");
}

// ---------------------------------------------------------------------------------------------------------
// Construction and destruction

CWindowManagerUI::CWindowManagerUI() noexcept {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok) {
        m_gdiplusToken = 0;
    }
    InitProcessOnce();

    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    m_DefaultFontInfo.hFont = ::CreateFontIndirectW(&lf);
    m_DefaultFontInfo.strFaceName = lf.lfFaceName;
    m_DefaultFontInfo.nSize = -lf.lfHeight;
    m_DefaultFontInfo.bBold = lf.lfWeight >= FW_BOLD;
    m_DefaultFontInfo.bUnderline = lf.lfUnderline != 0;
    m_DefaultFontInfo.bItalic = lf.lfItalic != 0;
}

CWindowManagerUI::~CWindowManagerUI() {
    DeleteDeferred();
    for (int i = 0; i < m_aAsyncNotify.Count(); ++i) {
        delete static_cast<TNotifyMsgUI*>(m_aAsyncNotify[i]);
    }
    m_aAsyncNotify.Clear();
    m_mNameHash.Reset(0);
    CControlUI* root = m_pRoot;
    m_pRoot = nullptr;
    delete root;
    m_pFocus = m_pHover = m_pClick = m_pKey = m_pCaretOwner = nullptr;
    m_aPostPaintControls.Clear();
    if (m_gdiplusToken != 0) {
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
        m_gdiplusToken = 0;
    }
    if (m_DefaultFontInfo.hFont != nullptr) {
        ::DeleteObject(m_DefaultFontInfo.hFont);
        m_DefaultFontInfo.hFont = nullptr;
    }
    RemoveAllFonts();
    RemoveAllImages();
    RemoveAllDefaultAttributes();
    RemoveAllOptionGroups();
    StopAllTimers();
    if (m_hwndTooltip != nullptr && ::IsWindow(m_hwndTooltip)) {
        ::DestroyWindow(m_hwndTooltip);
    }
    m_hwndTooltip = nullptr;
    DiscardOffscreen();
    if (m_hDcPaint != nullptr) {
        ::ReleaseDC(m_hWnd, m_hDcPaint);
        m_hDcPaint = nullptr;
    }
    CPtrArrayUI& managers = Managers();
    const int index = managers.IndexOf(this);
    if (index >= 0) {
        (void)managers.RemoveAt(index);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Binding and tree

void CWindowManagerUI::BindWindow(HWND hWnd) noexcept {
    if (m_hDcPaint != nullptr) {
        ::ReleaseDC(m_hWnd, m_hDcPaint);
        m_hDcPaint = nullptr;
    }
    DiscardOffscreen();
    m_hWnd = hWnd;
    m_hDcPaint = hWnd != nullptr ? ::GetDC(hWnd) : nullptr;
    CPtrArrayUI& managers = Managers();
    if (managers.IndexOf(this) < 0) {
        (void)managers.Push(this);
    }
}

bool CWindowManagerUI::AttachRoot(CControlUI* root) noexcept {
    SetFocusControl(nullptr);
    m_pKey = m_pHover = m_pClick = nullptr;
    if (m_bMouseCapture) {
        ReleaseMouse();
    }
    if (m_pRoot != nullptr && m_pRoot != root) {
        m_aPostPaintControls.Clear();
        DeferDelete(m_pRoot);
    }
    m_pRoot = root;
    m_bUpdateNeeded = true;
    m_bFirstLayout = true;
    m_bFocusNeeded = true;
    return InitControlTree(root, nullptr);
}

bool CWindowManagerUI::InitControlTree(CControlUI* control, CControlUI* parent) noexcept {
    if (control == nullptr) {
        return false;
    }
    if (parent == nullptr) {
        parent = control->GetParent();
    }
    control->AttachManager(this, parent, true);
    struct TNameWalk {
        static CControlUI* Proc(CControlUI* c, void* data) {
            auto* names = static_cast<CStrPtrMapUI*>(data);
            const CUIString name = c->GetName();
            if (!name.IsBlank()) {
                names->Set(name.Text(), c);
            }
            return nullptr;
        }
    };
    control->WalkControls(&TNameWalk::Proc, &m_mNameHash, 0);
    return true;
}

void CWindowManagerUI::ForgetControl(CControlUI* control) noexcept {
    if (control == nullptr) {
        return;
    }
    if (m_pKey == control) {
        m_pKey = nullptr;
    }
    if (m_pHover == control) {
        m_pHover = nullptr;
    }
    if (m_pClick == control) {
        m_pClick = nullptr;
    }
    if (m_pFocus == control) {
        m_pFocus = nullptr;
    }
    // Painting and the caret would otherwise call into a destroyed control.
    if (m_pCaretOwner == control) {
        m_pCaretOwner = nullptr;
    }
    for (int i = m_aPostPaintControls.Count() - 1; i >= 0; --i) {
        if (m_aPostPaintControls[i] == control) {
            (void)m_aPostPaintControls.RemoveAt(i);
        }
    }
    if (m_pRoot == control) {
        m_pRoot = nullptr;
    }
    StopControlTimers(control);
    const CUIString name = control->GetName();
    if (!name.IsBlank() && m_mNameHash.Find(name.Text()) == control) {
        m_mNameHash.Remove(name.Text());
    }
    for (int i = 0; i < m_aAsyncNotify.Count(); ++i) {
        auto* msg = static_cast<TNotifyMsgUI*>(m_aAsyncNotify[i]);
        if (msg->pSender == control) {
            msg->pSender = nullptr;
        }
    }
}

void CWindowManagerUI::DeferDelete(CControlUI* control) noexcept {
    if (control == nullptr) {
        return;
    }
    control->AttachManager(this, nullptr, false);
    (void)m_aDelayedCleanup.Push(control);
    if (m_hWnd != nullptr) {
        ::PostMessageW(m_hWnd, kMsgDeferredDelete, 0, 0);
    }
}

void CWindowManagerUI::DeleteDeferred() noexcept {
    while (!m_aDelayedCleanup.IsEmpty()) {
        auto* control = static_cast<CControlUI*>(m_aDelayedCleanup[0]);
        (void)m_aDelayedCleanup.RemoveAt(0);
        delete control;
    }
    m_aDelayedCleanup.Clear();
}

CControlUI* CWindowManagerUI::FindControlByName(LPCWSTR name) const noexcept {
    return name != nullptr ? static_cast<CControlUI*>(m_mNameHash.Find(name)) : nullptr;
}

CControlUI* CWindowManagerUI::FindControlAt(POINT pt) const noexcept {
    if (m_pRoot == nullptr) {
        return nullptr;
    }
    return m_pRoot->WalkControls(&HitTestProc, &pt, FindVisible | FindHitTest | FindTopFirst);
}

bool CWindowManagerUI::BelongsHere(CControlUI* control) const noexcept {
    return control != nullptr && control->GetManager() == this;
}

void CWindowManagerUI::DispatchTo(CControlUI* control, TControlEventUI& event) noexcept {
    if (control != nullptr) {
        if (event.dwTimestamp == 0) {
            event.dwTimestamp = ::GetTickCount();
        }
        control->DispatchEvent(event);
    }
}

WORD CWindowManagerUI::KeyStateFromKeyboard() noexcept {
    WORD state = 0;
    if (::GetKeyState(VK_LBUTTON) < 0) {
        state |= MK_LBUTTON;
    }
    if (::GetKeyState(VK_RBUTTON) < 0) {
        state |= MK_RBUTTON;
    }
    if (::GetKeyState(VK_SHIFT) < 0) {
        state |= MK_SHIFT;
    }
    if (::GetKeyState(VK_CONTROL) < 0) {
        state |= MK_CONTROL;
    }
    if (::GetKeyState(VK_MENU) < 0) {
        state |= 0x20;
    }
    return state;
}

// ---------------------------------------------------------------------------------------------------------
// Focus

void CWindowManagerUI::KillFocusOf(CControlUI* newFocus) noexcept {
    CControlUI* old = m_pFocus;
    if (old == nullptr) {
        return;
    }
    TControlEventUI event;
    event.Type = EventKillFocus;
    event.pSender = newFocus;
    DispatchTo(old, event);
    // The handler may have destroyed the old focus; ForgetControl then cleared the reference.
    if (m_pFocus == old) {
        RaiseNotification(old, L"killfocus");
    }
    m_pFocus = nullptr;
}

void CWindowManagerUI::SetFocusControl(CControlUI* control) noexcept {
    if (m_hWnd != nullptr && ::GetFocus() != m_hWnd && control != m_pFocus) {
        ::SetFocus(m_hWnd);
    }
    if (control == m_pFocus) {
        return;
    }
    KillFocusOf(control);
    if (control == nullptr || !BelongsHere(control) || !control->IsVisible() || !control->IsEnabled()) {
        return;
    }
    m_pFocus = control;
    TControlEventUI event;
    event.Type = EventSetFocus;
    event.pSender = control;
    DispatchTo(control, event);
    if (m_pFocus == control) {
        RaiseNotification(control, L"setfocus");
    }
}

bool CWindowManagerUI::MoveTabFocus(bool forward) noexcept {
    if (m_bUpdateNeeded && forward) {
        m_bFocusNeeded = true;
        if (m_hWnd != nullptr) {
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        return true;
    }
    if (m_pRoot == nullptr) {
        m_bFocusNeeded = false;
        return false;
    }
    const UINT flags = FindVisible | FindEnabled | FindSelfFirst;
    TTabSearch info = {m_pFocus, nullptr, forward, false};
    CControlUI* next = m_pRoot->WalkControls(&TabStopProc, &info, flags);
    if (next == nullptr) {
        if (forward) {
            info = TTabSearch{nullptr, nullptr, true, false};
            next = m_pRoot->WalkControls(&TabStopProc, &info, flags);
        } else {
            next = info.pLast;
        }
    }
    if (next != nullptr) {
        SetFocusControl(next);
    }
    m_bFocusNeeded = false;
    return true;
}

void CWindowManagerUI::FocusAfterLayout(CControlUI* control) noexcept {
    if (m_hWnd != nullptr) {
        ::SetFocus(m_hWnd);
    }
    if (control == nullptr) {
        return;
    }
    KillFocusOf(nullptr);
    if (m_pRoot != nullptr) {
        TTabSearch info = {control, nullptr, false, false};
        m_pFocus = m_pRoot->WalkControls(&TabStopProc, &info, FindVisible | FindEnabled | FindSelfFirst);
        m_bFocusNeeded = true;
        m_pRoot->RequestLayout();
    }
}

void CWindowManagerUI::CaptureMouse() noexcept {
    ::SetCapture(m_hWnd);
    m_bMouseCapture = true;
}

void CWindowManagerUI::ReleaseMouse() noexcept {
    m_bMouseCapture = false;
    ::ReleaseCapture();
}

// ---------------------------------------------------------------------------------------------------------
// Timers

bool CWindowManagerUI::PlatformTimerIdInUse(UINT id) const noexcept {
    for (int i = 0; i < m_aTimers.Count(); ++i) {
        const auto* timer = static_cast<const TTimerRecordUI*>(m_aTimers[i]);
        if (timer->hWnd == m_hWnd && timer->uWinTimer == id) {
            return true;
        }
    }
    return false;
}

// Ids repeat after 240 creations; an id that a record of this window still holds (running, or stopped
// and waiting to be restarted with it) is skipped, otherwise two timers would share one platform timer.
// When every id is held, a stopped record gives its id up (its control gets a fresh record on restart).
// 0 is skipped as well: it cannot be told from the failure result of SetTimer.
bool CWindowManagerUI::NextPlatformTimerId(UINT& id) noexcept {
    for (UINT tries = 0; tries < kPlatformTimerIds; ++tries) {
        m_uTimerID = (m_uTimerID + 1) % kPlatformTimerIds;
        if (m_uTimerID != 0 && !PlatformTimerIdInUse(m_uTimerID)) {
            id = m_uTimerID;
            return true;
        }
    }
    for (int i = 0; i < m_aTimers.Count(); ++i) {
        auto* timer = static_cast<TTimerRecordUI*>(m_aTimers[i]);
        if (timer->hWnd == m_hWnd && timer->bKilled && timer->uWinTimer != 0) {
            id = timer->uWinTimer;
            (void)m_aTimers.RemoveAt(i);
            delete timer;
            return true;
        }
    }
    return false;
}

bool CWindowManagerUI::StartControlTimer(CControlUI* control, UINT id, UINT elapse) noexcept {
    if (m_hWnd == nullptr) {
        return false;
    }
    for (int i = 0; i < m_aTimers.Count(); ++i) {
        auto* timer = static_cast<TTimerRecordUI*>(m_aTimers[i]);
        if (timer->pSender == control && timer->hWnd == m_hWnd && timer->nLocalId == id) {
            if (!timer->bKilled) {
                return false;
            }
            if (::SetTimer(m_hWnd, timer->uWinTimer, elapse, nullptr) == 0) {
                return false;
            }
            timer->bKilled = false;
            return true;
        }
    }
    UINT platformId = 0;
    if (!NextPlatformTimerId(platformId)) {
        return false;
    }
    if (::SetTimer(m_hWnd, platformId, elapse, nullptr) == 0) {
        return false;
    }
    auto* timer = new (std::nothrow) TTimerRecordUI;
    if (timer == nullptr) {
        ::KillTimer(m_hWnd, platformId);
        return false;
    }
    timer->pSender = control;
    timer->nLocalId = id;
    timer->hWnd = m_hWnd;
    timer->uWinTimer = platformId;
    timer->bKilled = false;
    if (!m_aTimers.Push(timer)) {
        ::KillTimer(m_hWnd, platformId);
        delete timer;
        return false;
    }
    return true;
}

bool CWindowManagerUI::StopControlTimer(CControlUI* control, UINT id) noexcept {
    for (int i = 0; i < m_aTimers.Count(); ++i) {
        auto* timer = static_cast<TTimerRecordUI*>(m_aTimers[i]);
        if (timer->pSender == control && timer->hWnd == m_hWnd && timer->nLocalId == id && !timer->bKilled) {
            if (::IsWindow(m_hWnd)) {
                ::KillTimer(timer->hWnd, timer->uWinTimer);
            }
            timer->bKilled = true;
            return true;
        }
    }
    return false;
}

void CWindowManagerUI::StopControlTimers(CControlUI* control) noexcept {
    for (int i = m_aTimers.Count() - 1; i >= 0; --i) {
        auto* timer = static_cast<TTimerRecordUI*>(m_aTimers[i]);
        if (timer->pSender == control && timer->hWnd == m_hWnd) {
            if (!timer->bKilled && ::IsWindow(m_hWnd)) {
                ::KillTimer(timer->hWnd, timer->uWinTimer);
            }
            (void)m_aTimers.RemoveAt(i);
            delete timer;
        }
    }
}

void CWindowManagerUI::StopAllTimers() noexcept {
    for (int i = 0; i < m_aTimers.Count(); ++i) {
        auto* timer = static_cast<TTimerRecordUI*>(m_aTimers[i]);
        if (!timer->bKilled && timer->hWnd != nullptr && ::IsWindow(timer->hWnd)) {
            ::KillTimer(timer->hWnd, timer->uWinTimer);
        }
        delete timer;
    }
    m_aTimers.Clear();
}

// ---------------------------------------------------------------------------------------------------------
// Notifications and listener lists

void CWindowManagerUI::RaiseNotification(CControlUI* control, LPCWSTR type, WPARAM wParam, LPARAM lParam,
                                         bool posted) noexcept {
    TNotifyMsgUI msg;
    msg.pSender = control;
    msg.strType = type;
    msg.wParam = wParam;
    msg.lParam = lParam;
    RaiseNotification(msg, posted);
}

void CWindowManagerUI::RaiseNotification(TNotifyMsgUI& msg, bool posted) noexcept {
    msg.ptMouse = m_ptLastMouse;
    msg.dwTimestamp = ::GetTickCount();
    if (m_bUseVirtualWnd && msg.pSender != nullptr) {
        msg.strVirtualWnd = msg.pSender->GetVirtualWindow();
    }
    if (posted) {
        auto* copy = new (std::nothrow) TNotifyMsgUI(msg);
        if (copy != nullptr && !m_aAsyncNotify.Push(copy)) {
            delete copy;
        }
        return;
    }
    DeliverNotification(msg);
}

void CWindowManagerUI::DeliverNotification(TNotifyMsgUI& msg) noexcept {
    if (msg.pSender != nullptr && msg.pSender->NotifyListeners().Count() > 0) {
        msg.pSender->NotifyListeners().Run(&msg);
    }
    for (int i = 0; i < m_aNotifiers.Count(); ++i) {
        static_cast<INotifyUI*>(m_aNotifiers[i])->OnNotify(msg);
    }
}

void CWindowManagerUI::DeliverPostedNotifications() noexcept {
    while (!m_aAsyncNotify.IsEmpty()) {
        auto* msg = static_cast<TNotifyMsgUI*>(m_aAsyncNotify[0]);
        (void)m_aAsyncNotify.RemoveAt(0);
        DeliverNotification(*msg);
        delete msg;
    }
}

namespace {
bool RemoveFirst(CPtrArrayUI& list, const void* p) noexcept {
    const int index = list.IndexOf(p);
    return index >= 0 && list.RemoveAt(index);
}
} // namespace

bool CWindowManagerUI::AddNotifyListener(INotifyUI* listener) noexcept {
    return m_aNotifiers.Push(listener);
}
bool CWindowManagerUI::RemoveNotifyListener(INotifyUI* listener) noexcept {
    return RemoveFirst(m_aNotifiers, listener);
}
bool CWindowManagerUI::AddPreFilter(IMessageFilterUI* filter) noexcept {
    return m_aPreMessageFilters.Push(filter);
}
bool CWindowManagerUI::RemovePreFilter(IMessageFilterUI* filter) noexcept {
    return RemoveFirst(m_aPreMessageFilters, filter);
}
bool CWindowManagerUI::AddMessageHook(IMessageFilterUI* filter) noexcept {
    return m_aMessageFilters.Push(filter);
}
bool CWindowManagerUI::RemoveMessageHook(IMessageFilterUI* filter) noexcept {
    return RemoveFirst(m_aMessageFilters, filter);
}
bool CWindowManagerUI::AddAfterPaint(CControlUI* control) noexcept {
    return m_aPostPaintControls.Push(control);
}
bool CWindowManagerUI::RemoveAfterPaint(CControlUI* control) noexcept {
    return RemoveFirst(m_aPostPaintControls, control);
}
bool CWindowManagerUI::AddKeyTranslator(ITranslateAccelerator* translator) noexcept {
    return m_aTranslateAccelerator.Push(translator);
}
bool CWindowManagerUI::RemoveKeyTranslator(ITranslateAccelerator* translator) noexcept {
    return RemoveFirst(m_aTranslateAccelerator, translator);
}

// ---------------------------------------------------------------------------------------------------------
// Pre-translation for the message loop

bool CWindowManagerUI::TranslateKeyMessage(MSG* pMsg) noexcept {
    for (int i = 0; i < m_aTranslateAccelerator.Count(); ++i) {
        if (static_cast<ITranslateAccelerator*>(m_aTranslateAccelerator[i])->TranslateKey(pMsg) == 0) {
            return true;
        }
    }
    return false;
}

bool CWindowManagerUI::PreHandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) noexcept {
    for (int i = 0; i < m_aPreMessageFilters.Count(); ++i) {
        bool handled = false;
        const LRESULT r = static_cast<IMessageFilterUI*>(m_aPreMessageFilters[i])
                              ->FilterMessage(uMsg, wParam, lParam, handled);
        if (handled) {
            lResult = r;
            return true;
        }
    }
    switch (uMsg) {
    case WM_KEYDOWN:
        if (wParam == VK_TAB) {
            // The rich edit control of the further framework types its own tabs.
            if (m_pFocus != nullptr && m_pFocus->IsVisible() && m_pFocus->IsEnabled() &&
                Contains(m_pFocus->ClassName(), L"RichEditUI")) {
                return false;
            }
            MoveTabFocus(::GetKeyState(VK_SHIFT) >= 0);
            return true;
        }
        break;
    case WM_SYSKEYDOWN:
        if (m_pFocus != nullptr) {
            TControlEventUI event;
            event.Type = EventSysKey;
            event.chKey = static_cast<wchar_t>(wParam);
            event.ptMouse = m_ptLastMouse;
            event.wKeyState = KeyStateFromKeyboard();
            DispatchTo(m_pFocus, event);
        }
        break;
    case WM_SYSCHAR: {
        if (m_pRoot == nullptr) {
            break;
        }
        TShortcutSearch info = {UpperChar(static_cast<wchar_t>(wParam)), false};
        CControlUI* control =
            m_pRoot->WalkControls(&ShortcutProc, &info, FindEnabled | FindTopFirst | FindSelfFirst);
        if (control != nullptr) {
            control->TakeFocus();
            control->Activate();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------------
// Message handling

void CWindowManagerUI::OnMouseMove(LPARAM lParam) noexcept {
    if (!m_bMouseTracking) {
        TRACKMOUSEEVENT tme = {};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_HOVER | TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        tme.dwHoverTime =
            m_hwndTooltip != nullptr
                ? static_cast<DWORD>(::SendMessageW(m_hwndTooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0))
                : 400;
        ::TrackMouseEvent(&tme);
        m_bMouseTracking = true;
    }
    const POINT pt = PointFromLParam(lParam);
    m_ptLastMouse = pt;
    CControlUI* newHover = FindControlAt(pt);
    if (newHover != nullptr && !BelongsHere(newHover)) {
        return;
    }
    TControlEventUI event;
    event.ptMouse = pt;
    event.dwTimestamp = ::GetTickCount();
    if (m_pHover != nullptr && m_pHover != newHover) {
        CControlUI* old = m_pHover;
        event.Type = EventMouseLeave;
        event.pSender = old;
        DispatchTo(old, event);
        m_pHover = nullptr;
        if (m_hwndTooltip != nullptr) {
            ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
        }
    }
    if (newHover != nullptr && newHover != m_pHover) {
        event.Type = EventMouseEnter;
        event.pSender = newHover;
        DispatchTo(newHover, event);
        m_pHover = newHover;
    }
    CControlUI* target = m_pClick != nullptr ? m_pClick : newHover;
    if (target != nullptr) {
        event.Type = EventMouseMove;
        event.pSender = target;
        DispatchTo(target, event);
    }
}

bool CWindowManagerUI::OnMouseHover(LPARAM lParam) noexcept {
    m_bMouseTracking = false;
    const POINT pt = PointFromLParam(lParam);
    CControlUI* control = FindControlAt(pt);
    if (control == nullptr) {
        return false;
    }
    if (m_pHover != nullptr) {
        TControlEventUI event;
        event.Type = EventMouseHover;
        event.pSender = m_pHover;
        event.ptMouse = pt;
        DispatchTo(m_pHover, event);
    }
    m_strToolTip = control->GetToolTip();
    if (m_strToolTip.IsBlank()) {
        return true;
    }
    m_ToolTip = TOOLINFOW{};
    m_ToolTip.cbSize = sizeof(TOOLINFOW);
    m_ToolTip.uFlags = TTF_IDISHWND;
    m_ToolTip.hwnd = m_hWnd;
    m_ToolTip.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    m_ToolTip.hinst = AppInstance();
    m_ToolTip.lpszText = const_cast<LPWSTR>(m_strToolTip.Text());
    m_ToolTip.rect = control->GetBounds();
    if (m_hwndTooltip == nullptr) {
        m_hwndTooltip = ::CreateWindowExW(
            0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, AppInstance(), nullptr);
        if (m_hwndTooltip == nullptr) {
            return true;
        }
        ::SendMessageW(m_hwndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
    }
    ::SendMessageW(m_hwndTooltip, TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
    ::SendMessageW(m_hwndTooltip, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
    ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&m_ToolTip));
    return true;
}

bool CWindowManagerUI::HandleWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam,
                                           LRESULT& lResult) noexcept {
    if (m_hWnd == nullptr) {
        return false;
    }
    DeliverPostedNotifications();
    for (int i = 0; i < m_aMessageFilters.Count(); ++i) {
        bool handled = false;
        const LRESULT r = static_cast<IMessageFilterUI*>(m_aMessageFilters[i])
                              ->FilterMessage(uMsg, wParam, lParam, handled);
        if (handled) {
            lResult = r;
            return true;
        }
    }

    switch (uMsg) {
    case WM_SIZE:
        if (m_pFocus != nullptr) {
            TControlEventUI event;
            event.Type = EventWindowSize;
            event.pSender = m_pFocus;
            DispatchTo(m_pFocus, event);
        }
        if (m_pRoot != nullptr) {
            m_pRoot->RequestLayout();
        }
        return true;
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_CLOSE: {
        TControlEventUI event;
        event.ptMouse = m_ptLastMouse;
        if (m_pHover != nullptr) {
            event.Type = EventMouseLeave;
            event.pSender = m_pHover;
            DispatchTo(m_pHover, event);
        }
        if (m_pClick != nullptr) {
            event.Type = EventButtonUp;
            event.pSender = m_pClick;
            DispatchTo(m_pClick, event);
        }
        SetFocusControl(nullptr);
        if (HWND owner = ::GetWindow(m_hWnd, GW_OWNER)) {
            ::SetFocus(owner);
        }
        break;
    }
    case WM_ERASEBKGND:
        lResult = 1;
        return true;
    case WM_SETCURSOR: {
        if (LOWORD(lParam) != HTCLIENT) {
            break;
        }
        if (m_bMouseCapture) {
            return true;
        }
        POINT pt = {0, 0};
        ::GetCursorPos(&pt);
        ::ScreenToClient(m_hWnd, &pt);
        CControlUI* control = FindControlAt(pt);
        if (control == nullptr || !BelongsHere(control) || (control->ControlFlags() & FlagSetCursor) == 0) {
            break;
        }
        TControlEventUI event;
        event.Type = EventSetCursor;
        event.pSender = control;
        event.ptMouse = pt;
        event.wKeyState = KeyStateFromKeyboard();
        event.wParam = wParam;
        event.lParam = lParam;
        DispatchTo(control, event);
        return true;
    }
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (info != nullptr) {
            if (m_szMinWindow.cx > 0) {
                info->ptMinTrackSize.x = m_szMinWindow.cx;
            }
            if (m_szMinWindow.cy > 0) {
                info->ptMinTrackSize.y = m_szMinWindow.cy;
            }
            if (m_szMaxWindow.cx > 0) {
                info->ptMaxTrackSize.x = m_szMaxWindow.cx;
            }
            if (m_szMaxWindow.cy > 0) {
                info->ptMaxTrackSize.y = m_szMaxWindow.cy;
            }
        }
        break;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header == nullptr) {
            return true;
        }
        lResult = ::SendMessageW(header->hwndFrom, kReflectBase + uMsg, wParam, lParam);
        return true;
    }
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (lParam == 0) {
            break;
        }
        lResult = ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectBase + uMsg, wParam, lParam);
        return true;
    case WM_CONTEXTMENU: {
        POINT pt = PointFromLParam(lParam);
        ::ScreenToClient(m_hWnd, &pt);
        m_ptLastMouse = pt;
        if (m_pClick != nullptr) {
            CControlUI* click = m_pClick;
            ReleaseMouse();
            TControlEventUI event;
            event.Type = EventContextMenu;
            event.pSender = click;
            event.ptMouse = pt;
            event.wKeyState = LOWORD(wParam);
            event.lParam = reinterpret_cast<LPARAM>(click);
            DispatchTo(click, event);
            m_pClick = nullptr;
        }
        break;
    }
    case WM_KEYDOWN:
    case WM_CHAR:
        if (m_pFocus != nullptr) {
            CControlUI* focus = m_pFocus;
            TControlEventUI event;
            event.Type = uMsg == WM_KEYDOWN ? EventKeyDown : EventChar;
            event.chKey = static_cast<wchar_t>(wParam);
            event.ptMouse = m_ptLastMouse;
            event.wKeyState = KeyStateFromKeyboard();
            DispatchTo(focus, event);
            if (uMsg == WM_KEYDOWN) {
                // Read after the handler: a destroyed focus control has been forgotten by then.
                m_pKey = m_pFocus;
            }
        }
        break;
    case WM_KEYUP:
        if (m_pKey != nullptr) {
            CControlUI* key = m_pKey;
            TControlEventUI event;
            event.Type = EventKeyUp;
            event.chKey = static_cast<wchar_t>(wParam);
            event.ptMouse = m_ptLastMouse;
            event.wKeyState = KeyStateFromKeyboard();
            DispatchTo(key, event);
            m_pKey = nullptr;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_RESTORE) {
            m_bFullRepaint = true;
        }
        return true;
    case WM_TIMER:
        if (wParam == kCaretTimerId) {
            InvalidateArea(m_rcCaret);
            m_bCaretShown = !m_bCaretShown;
            break;
        }
        for (int i = 0; i < m_aTimers.Count(); ++i) {
            auto* timer = static_cast<TTimerRecordUI*>(m_aTimers[i]);
            if (timer->hWnd == m_hWnd && timer->uWinTimer == wParam && !timer->bKilled) {
                TControlEventUI event;
                event.Type = EventTimer;
                event.pSender = timer->pSender;
                event.wParam = timer->nLocalId;
                DispatchTo(timer->pSender, event);
                break;
            }
        }
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        ::SetFocus(m_hWnd);
        const POINT pt = PointFromLParam(lParam);
        m_ptLastMouse = pt;
        CControlUI* control = FindControlAt(pt);
        if (control == nullptr || !BelongsHere(control)) {
            break;
        }
        if (uMsg == WM_LBUTTONDOWN) {
            m_pClick = control;
        }
        control->TakeFocus();
        CaptureMouse();
        TControlEventUI event;
        event.Type = uMsg == WM_LBUTTONDOWN ? EventButtonDown : EventRightButtonDown;
        event.pSender = control;
        event.ptMouse = pt;
        event.wParam = wParam;
        event.lParam = lParam;
        event.wKeyState = LOWORD(wParam);
        DispatchTo(control, event);
        if (uMsg == WM_RBUTTONDOWN) {
            m_pClick = control;
        }
        break;
    }
    case WM_LBUTTONUP: {
        const POINT pt = PointFromLParam(lParam);
        m_ptLastMouse = pt;
        if (m_pClick == nullptr) {
            break;
        }
        CControlUI* click = m_pClick;
        ReleaseMouse();
        TControlEventUI event;
        event.Type = EventButtonUp;
        event.pSender = click;
        event.ptMouse = pt;
        event.wParam = wParam;
        event.lParam = lParam;
        event.wKeyState = LOWORD(wParam);
        DispatchTo(click, event);
        m_pClick = nullptr;
        break;
    }
    case WM_LBUTTONDBLCLK: {
        ::SetFocus(m_hWnd);
        const POINT pt = PointFromLParam(lParam);
        m_ptLastMouse = pt;
        CControlUI* control = FindControlAt(pt);
        if (control == nullptr || !BelongsHere(control)) {
            break;
        }
        CaptureMouse();
        TControlEventUI event;
        event.Type = EventDoubleClick;
        event.pSender = control;
        event.ptMouse = pt;
        event.wKeyState = LOWORD(wParam);
        DispatchTo(control, event);
        m_pClick = control;
        break;
    }
    case WM_MOUSEWHEEL: {
        POINT pt = PointFromLParam(lParam);
        ::ScreenToClient(m_hWnd, &pt);
        m_ptLastMouse = pt;
        CControlUI* control = FindControlAt(pt);
        if (control == nullptr || !BelongsHere(control)) {
            break;
        }
        TControlEventUI event;
        event.Type = EventScrollWheel;
        event.pSender = control;
        event.ptMouse = pt;
        event.wParam = static_cast<short>(HIWORD(wParam)) < 0 ? 1 : 0;
        event.lParam = lParam;
        event.wKeyState = KeyStateFromKeyboard();
        DispatchTo(control, event);
        ::SendMessageW(m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(m_ptLastMouse.x, m_ptLastMouse.y));
        break;
    }
    case WM_MOUSEHOVER:
        if (OnMouseHover(lParam)) {
            return true;
        }
        break;
    case WM_MOUSELEAVE:
        if (m_hwndTooltip != nullptr) {
            ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
        }
        if (m_bMouseTracking) {
            ::SendMessageW(m_hWnd, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
        }
        m_bMouseTracking = false;
        break;
    case kMsgDeferredDelete:
        DeleteDeferred();
        break;
    default:
        break;
    }

    DeliverPostedNotifications();
    return false;
}

// ---------------------------------------------------------------------------------------------------------
// Painting

void CWindowManagerUI::InvalidateArea(const RECT& rc) noexcept {
    if (m_hWnd != nullptr) {
        ::InvalidateRect(m_hWnd, &rc, FALSE);
    }
    m_rcLastInvalidate = rc;
}

void CWindowManagerUI::DiscardOffscreen() noexcept {
    m_hDcOffscreen.Reset();
    m_hbmpOffscreen.Reset();
    m_pOffscreenBits = nullptr;
}

void CWindowManagerUI::LayoutIfNeeded() noexcept {
    if (!m_bUpdateNeeded) {
        return;
    }
    m_bUpdateNeeded = false;
    RECT rcClient = {0, 0, 0, 0};
    ::GetClientRect(m_hWnd, &rcClient);
    if (::IsRectEmpty(&rcClient)) {
        return;
    }
    if (m_pRoot->LayoutPending()) {
        if (!::IsIconic(m_hWnd)) {
            m_pRoot->SetBounds(rcClient);
        }
        DiscardOffscreen();
    } else {
        CControlUI* control = nullptr;
        while ((control = m_pRoot->WalkControls(&LayoutPendingProc, nullptr, FindVisible | FindSelfFirst)) !=
               nullptr) {
            control->SetBounds(control->GetBounds());
            // A control that stays pending (one without a manager never clears the flag) would make
            // this loop spin forever.
            if (control->LayoutPending()) {
                break;
            }
        }
    }
    if (m_bFirstLayout) {
        m_bFirstLayout = false;
        RaiseNotification(m_pRoot, L"windowinit");
    }
}

void CWindowManagerUI::PaintCaret(HDC hdc, const RECT& rcPaint) noexcept {
    if (m_pCaretOwner == nullptr) {
        return;
    }
    if (!m_pCaretOwner->HasFocus() || ::GetFocus() != m_hWnd) {
        ::KillTimer(m_hWnd, kCaretTimerId);
        m_bCaretActive = false;
        m_bCaretShown = false;
        return;
    }
    RECT rc = {0, 0, 0, 0};
    if (!m_bCaretShown || !m_bCaretActive || !::IntersectRect(&rc, &rcPaint, &m_rcCaret)) {
        return;
    }
    DWORD color = 0;
    if (auto* label = static_cast<CLabelUI*>(m_pCaretOwner->InterfaceFor(L"Label"))) {
        color = label->GetTextColor();
    }
    if (color == 0) {
        color = DefaultTextColor();
    }
    CRendererUI::FillColor(hdc, rc, color);
}

void CWindowManagerUI::PaintPerPixelAlpha(const RECT& rcUpdate) noexcept {
    // 1. the window must be layered for UpdateLayeredWindow.
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    if ((exStyle & WS_EX_LAYERED) == 0) {
        ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    }
    // 2. the rectangle to compose.
    RECT rcClient = {0, 0, 0, 0};
    ::GetClientRect(m_hWnd, &rcClient);
    RECT rcPaint = rcClient;
    if (m_bFullRepaint) {
        m_bFullRepaint = false;
    } else {
        ::UnionRect(&rcPaint, &rcUpdate, &m_rcLastInvalidate);
        ::SetRectEmpty(&m_rcLastInvalidate);
        // The clear and the repair below write into the image: never outside it.
        ::IntersectRect(&rcPaint, &rcPaint, &rcClient);
    }
    const int width = rcClient.right - rcClient.left;
    const int height = rcClient.bottom - rcClient.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    // 3. the image, kept between paints.
    if (!m_hbmpOffscreen || m_pOffscreenBits == nullptr) {
        DiscardOffscreen();
        m_hDcOffscreen.Reset(::CreateCompatibleDC(m_hDcPaint));
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = width;
        bmi.bmiHeader.biHeight = -height;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        bmi.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4u;
        void* bits = nullptr;
        m_hbmpOffscreen.Reset(::CreateDIBSection(m_hDcPaint, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_pOffscreenBits = static_cast<DWORD*>(bits);
        if (!m_hDcOffscreen || !m_hbmpOffscreen || m_pOffscreenBits == nullptr) {
            DiscardOffscreen();
            return;
        }
    }
    HDC hdc = m_hDcOffscreen.Get();
    HGDIOBJ oldBitmap = ::SelectObject(hdc, m_hbmpOffscreen.Get());
    const int saved = ::SaveDC(hdc);
    // 4. compose: transparent first, then the tree, the caret and the after-paint controls.
    CRendererUI::ClearBitmapRect(m_pOffscreenBits, width, rcPaint);
    m_pRoot->Paint(hdc, rcPaint);
    PaintCaret(hdc, rcPaint);
    for (int i = 0; i < m_aPostPaintControls.Count(); ++i) {
        static_cast<CControlUI*>(m_aPostPaintControls[i])->PaintAfterChildren(hdc, rcPaint);
    }
    // 5. alpha repair: plain GDI output carries alpha 0.
    ::GdiFlush();
    CRendererUI::RestoreOpaqueAlpha(m_pOffscreenBits, width, rcPaint);
    ::RestoreDC(hdc, saved);
    // 6. present.
    RECT rcWindow = {0, 0, 0, 0};
    ::GetWindowRect(m_hWnd, &rcWindow);
    POINT ptDest = {rcWindow.left, rcWindow.top};
    SIZE size = {rcWindow.right - rcWindow.left, rcWindow.bottom - rcWindow.top};
    POINT ptSrc = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(m_hWnd, m_hDcPaint, &ptDest, &size, hdc, &ptSrc, 0, &blend, ULW_ALPHA);
    ::SelectObject(hdc, oldBitmap);
}

void CWindowManagerUI::PaintOpaque(const PAINTSTRUCT& ps) noexcept {
    RECT rcClient = {0, 0, 0, 0};
    ::GetClientRect(m_hWnd, &rcClient);
    const int width = rcClient.right - rcClient.left;
    const int height = rcClient.bottom - rcClient.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    if (!m_hbmpOffscreen) {
        m_hDcOffscreen.Reset(::CreateCompatibleDC(m_hDcPaint));
        m_hbmpOffscreen.Reset(::CreateCompatibleBitmap(m_hDcPaint, width, height));
        if (!m_hDcOffscreen || !m_hbmpOffscreen) {
            DiscardOffscreen();
            return;
        }
    }
    HDC hdc = m_hDcOffscreen.Get();
    HGDIOBJ oldBitmap = ::SelectObject(hdc, m_hbmpOffscreen.Get());
    const int saved = ::SaveDC(hdc);
    m_pRoot->Paint(hdc, ps.rcPaint);
    PaintCaret(hdc, ps.rcPaint);
    for (int i = 0; i < m_aPostPaintControls.Count(); ++i) {
        static_cast<CControlUI*>(m_aPostPaintControls[i])->PaintAfterChildren(hdc, ps.rcPaint);
    }
    ::RestoreDC(hdc, saved);
    ::BitBlt(ps.hdc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
             ps.rcPaint.bottom - ps.rcPaint.top, hdc, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    ::SelectObject(hdc, oldBitmap);
}

// Phases: update rectangle -> begin paint -> layout (and "windowinit") -> pending focus -> compose off
// screen -> alpha repair and present (per-pixel alpha) or copy -> end paint.
void CWindowManagerUI::OnPaint() noexcept {
    RECT rcUpdate = {0, 0, 0, 0};
    if (!::GetUpdateRect(m_hWnd, &rcUpdate, FALSE)) {
        return;
    }
    PAINTSTRUCT ps = {};
    if (m_pRoot == nullptr) {
        ::BeginPaint(m_hWnd, &ps);
        ::EndPaint(m_hWnd, &ps);
        return;
    }
    ::BeginPaint(m_hWnd, &ps);
    LayoutIfNeeded();
    if (m_bFocusNeeded) {
        MoveTabFocus(true);
    }
    // A "windowinit" or focus listener may have detached the tree.
    if (m_pRoot != nullptr) {
        if (m_bPerPixelAlpha) {
            PaintPerPixelAlpha(rcUpdate);
        } else {
            PaintOpaque(ps);
        }
    }
    ::EndPaint(m_hWnd, &ps);
    if (m_bUpdateNeeded) {
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Caret

bool CWindowManagerUI::CreateCaretShape(HBITMAP hBmp, int width, int height) noexcept {
    const bool ok = ::CreateCaret(m_hWnd, hBmp, width, height) != FALSE;
    m_rcCaret.right = m_rcCaret.left + width;
    m_rcCaret.bottom = m_rcCaret.top + height;
    return ok;
}

bool CWindowManagerUI::ShowCaretBlink(bool show) noexcept {
    if (m_bCaretActive == show) {
        return true;
    }
    m_bCaretActive = show;
    if (show) {
        ::SetTimer(m_hWnd, kCaretTimerId, ::GetCaretBlinkTime(), nullptr);
        m_bCaretShown = true;
        InvalidateArea(m_rcCaret);
    } else {
        ::KillTimer(m_hWnd, kCaretTimerId);
        if (m_bCaretShown) {
            m_bCaretShown = false;
            InvalidateArea(m_rcCaret);
        }
    }
    return true;
}

bool CWindowManagerUI::MoveCaret(CControlUI* owner, int x, int y) noexcept {
    if (!::SetCaretPos(x, y)) {
        return false;
    }
    m_pCaretOwner = owner;
    InvalidateArea(m_rcCaret);
    ::OffsetRect(&m_rcCaret, x - m_rcCaret.left, y - m_rcCaret.top);
    InvalidateArea(m_rcCaret);
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Window settings

void CWindowManagerUI::SetStartSize(int cx, int cy) noexcept {
    m_szInitWindowSize.cx = cx;
    m_szInitWindowSize.cy = cy;
    if (m_pRoot == nullptr && m_hWnd != nullptr) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
}

void CWindowManagerUI::SetCornerEllipse(int cx, int cy) noexcept {
    m_szRoundCorner.cx = cx;
    m_szRoundCorner.cy = cy;
}

void CWindowManagerUI::SetMinTrackSize(int cx, int cy) noexcept {
    m_szMinWindow.cx = cx;
    m_szMinWindow.cy = cy;
}

void CWindowManagerUI::SetMaxTrackSize(int cx, int cy) noexcept {
    m_szMaxWindow.cx = cx;
    m_szMaxWindow.cy = cy;
}

void CWindowManagerUI::SetWindowOpacity(int opacity) noexcept {
    m_nOpacity = opacity < 0 ? 0 : (opacity > 255 ? 255 : opacity);
    if (m_hWnd == nullptr) {
        return;
    }
    using SetLayeredFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    FARPROC proc = user32 != nullptr ? ::GetProcAddress(user32, "SetLayeredWindowAttributes") : nullptr;
    if (proc == nullptr) {
        return;
    }
    auto setLayered = reinterpret_cast<SetLayeredFn>(reinterpret_cast<void (*)()>(proc));
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    if (opacity < 0 || opacity > 255) {
        ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    } else {
        ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    }
    setLayered(m_hWnd, 0, static_cast<BYTE>(m_nOpacity), LWA_ALPHA);
}

} // namespace Tamsk
