// The per-window manager of the Tamsk framework: it binds one window, owns its control tree and the
// resources the controls draw with, turns the window's messages into control events, lays out and paints
// the tree off screen, and delivers notifications to listeners.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/core/UIBase.h"

namespace Tamsk {

class CControlUI;
class CShadowUI;
class CWindowManagerUI;

// Event types of TControlEventUI. Key events lie strictly between 2 and 7, mouse events strictly between
// 8 and 19; controls test those ranges.
enum : int {
    EventKeyDown = 3,
    EventKeyUp = 4,
    EventChar = 5,
    EventSysKey = 6,
    EventMouseMove = 9,
    EventMouseLeave = 10,
    EventMouseEnter = 11,
    EventMouseHover = 12,
    EventButtonDown = 13,
    EventButtonUp = 14,
    EventRightButtonDown = 15,
    EventDoubleClick = 16,
    EventContextMenu = 17,
    EventScrollWheel = 18,
    EventKillFocus = 20,
    EventSetFocus = 21,
    EventWindowSize = 22,
    EventSetCursor = 23,
    EventTimer = 24,
};

// The private message that releases deferred deletes.
constexpr UINT kMsgDeferredDelete = WM_APP + 1;
// Platform timer id of the caret blink; control timers use 0-239.
constexpr UINT_PTR kCaretTimerId = 241;

// Input event record passed to a control's DispatchEvent.
struct TControlEventUI {
    int Type = 0;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse = {0, 0};
    wchar_t chKey = 0;
    WORD wKeyState = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Notification record delivered to INotifyUI listeners.
struct TNotifyMsgUI {
    CUIString strType;
    CUIString strVirtualWnd;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse = {0, 0};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifyUI {
public:
    virtual void OnNotify(TNotifyMsgUI& msg) = 0;

protected:
    ~INotifyUI() = default;
};

class IMessageFilterUI {
public:
    virtual LRESULT FilterMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;

protected:
    ~IMessageFilterUI() = default;
};

class ITranslateAccelerator {
public:
    // 0 when the message was consumed.
    virtual LRESULT TranslateKey(MSG* pMsg) = 0;

protected:
    ~ITranslateAccelerator() = default;
};

// One font of a manager; the record owns the font handle.
struct TFontDataUI {
    HFONT hFont = nullptr;
    CUIString strFaceName;
    int nSize = 0;
    bool bBold = false;
    bool bUnderline = false;
    bool bItalic = false;
    TEXTMETRICW tm = {};
};

// One decoded image of a manager's cache; the record owns the bitmap.
struct TImageDataUI {
    HBITMAP hBitmap = nullptr;
    int nWidth = 0;
    int nHeight = 0;
    bool bAlphaChannel = false;
    CUIString strResType;
    DWORD dwMask = 0;
};

// One control timer; owned by the manager.
struct TTimerRecordUI {
    CControlUI* pSender = nullptr;
    UINT nLocalId = 0;
    HWND hWnd = nullptr;
    UINT uWinTimer = 0;
    bool bKilled = false;
};

class CWindowManagerUI {
public:
    CWindowManagerUI() noexcept;
    ~CWindowManagerUI();
    CWindowManagerUI(const CWindowManagerUI&) = delete;
    CWindowManagerUI& operator=(const CWindowManagerUI&) = delete;

    // ---- binding and tree
    void BindWindow(HWND hWnd) noexcept;
    HWND GetWindow() const noexcept { return m_hWnd; }
    HDC GetPaintDC() const noexcept { return m_hDcPaint; }
    bool AttachRoot(CControlUI* root) noexcept;
    bool InitControlTree(CControlUI* control, CControlUI* parent = nullptr) noexcept;
    // Called by a control's destructor: no reference to the control survives it.
    void ForgetControl(CControlUI* control) noexcept;
    void DeferDelete(CControlUI* control) noexcept;
    CControlUI* GetRoot() const noexcept { return m_pRoot; }
    CControlUI* FindControlByName(LPCWSTR name) const noexcept;
    CControlUI* FindControlAt(POINT pt) const noexcept;

    // ---- input and focus
    CControlUI* GetFocusControl() const noexcept { return m_pFocus; }
    void SetFocusControl(CControlUI* control) noexcept;
    void FocusAfterLayout(CControlUI* control) noexcept;
    bool MoveTabFocus(bool forward) noexcept;
    void CaptureMouse() noexcept;
    void ReleaseMouse() noexcept;
    bool IsMouseCaptured() const noexcept { return m_bMouseCapture; }
    POINT GetLastMousePos() const noexcept { return m_ptLastMouse; }
    CControlUI* GetHoverControl() const noexcept { return m_pHover; }
    CControlUI* GetClickControl() const noexcept { return m_pClick; }

    // ---- timers
    [[nodiscard]] bool StartControlTimer(CControlUI* control, UINT id, UINT elapse) noexcept;
    bool StopControlTimer(CControlUI* control, UINT id) noexcept;
    void StopControlTimers(CControlUI* control) noexcept;
    void StopAllTimers() noexcept;

    // ---- notifications and listeners
    void RaiseNotification(CControlUI* control, LPCWSTR type, WPARAM wParam = 0, LPARAM lParam = 0,
                           bool posted = false) noexcept;
    void RaiseNotification(TNotifyMsgUI& msg, bool posted = false) noexcept;
    bool AddNotifyListener(INotifyUI* listener) noexcept;
    bool RemoveNotifyListener(INotifyUI* listener) noexcept;
    bool AddPreFilter(IMessageFilterUI* filter) noexcept;
    bool RemovePreFilter(IMessageFilterUI* filter) noexcept;
    bool AddMessageHook(IMessageFilterUI* filter) noexcept;
    bool RemoveMessageHook(IMessageFilterUI* filter) noexcept;
    bool AddAfterPaint(CControlUI* control) noexcept;
    bool RemoveAfterPaint(CControlUI* control) noexcept;
    bool AddKeyTranslator(ITranslateAccelerator* translator) noexcept;
    bool RemoveKeyTranslator(ITranslateAccelerator* translator) noexcept;
    void UseVirtualWindows(bool use) noexcept { m_bUseVirtualWnd = use; }
    bool UsesVirtualWindows() const noexcept { return m_bUseVirtualWnd; }

    // ---- messages
    bool HandleWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) noexcept;
    bool PreHandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) noexcept;
    bool TranslateKeyMessage(MSG* pMsg) noexcept;

    // ---- painting and layout
    void InvalidateArea(const RECT& rc) noexcept;
    void MarkLayoutNeeded() noexcept { m_bUpdateNeeded = true; }
    bool IsLayoutNeeded() const noexcept { return m_bUpdateNeeded; }
    // The off-screen image of the last paint: the bits exist only for per-pixel-alpha windows.
    HDC GetOffscreenDC() const noexcept { return m_hDcOffscreen.Get(); }
    HBITMAP GetOffscreenBitmap() const noexcept { return m_hbmpOffscreen.Get(); }
    const DWORD* GetOffscreenBits() const noexcept { return m_pOffscreenBits; }

    // ---- caret
    bool CreateCaretShape(HBITMAP hBmp, int width, int height) noexcept;
    bool ShowCaretBlink(bool show) noexcept;
    bool MoveCaret(CControlUI* owner, int x, int y) noexcept;
    bool IsCaretShown() const noexcept { return m_bCaretShown; }
    bool IsCaretEnabled() const noexcept { return m_bCaretActive; }
    RECT CaretRect() const noexcept { return m_rcCaret; }
    CControlUI* CaretOwner() const noexcept { return m_pCaretOwner; }
    HWND GetToolTipWindow() const noexcept { return m_hwndTooltip; }

    // ---- window settings
    void SetStartSize(int cx, int cy) noexcept;
    SIZE StartSize() const noexcept { return m_szInitWindowSize; }
    void SetSizeBorders(const RECT& rc) noexcept { m_rcSizeBox = rc; }
    RECT SizeBorders() const noexcept { return m_rcSizeBox; }
    void SetDragArea(const RECT& rc) noexcept { m_rcCaption = rc; }
    RECT DragArea() const noexcept { return m_rcCaption; }
    void SetCornerEllipse(int cx, int cy) noexcept;
    SIZE CornerEllipse() const noexcept { return m_szRoundCorner; }
    void SetMinTrackSize(int cx, int cy) noexcept;
    SIZE MinTrackSize() const noexcept { return m_szMinWindow; }
    void SetMaxTrackSize(int cx, int cy) noexcept;
    SIZE MaxTrackSize() const noexcept { return m_szMaxWindow; }
    void SetWindowOpacity(int opacity) noexcept;
    int WindowOpacity() const noexcept { return m_nOpacity; }
    void SetPerPixelAlpha(bool on) noexcept { m_bPerPixelAlpha = on; }
    bool IsPerPixelAlpha() const noexcept { return m_bPerPixelAlpha; }
    void SetGdiPlusText(bool on) noexcept { m_bUseGdiplusText = on; }
    bool UsesGdiPlusText() const noexcept { return m_bUseGdiplusText; }
    CShadowUI* WindowShadow() noexcept { return m_pShadow; }

    // ---- resources: fonts
    HFONT AddFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) noexcept;
    void SetDefaultFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) noexcept;
    HFONT GetFont(int index) noexcept;
    TFontDataUI* GetFontInfo(int index) noexcept;
    TFontDataUI* GetFontInfo(HFONT font) noexcept;
    HFONT FindFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) const noexcept;
    TFontDataUI* DefaultFontInfo() noexcept;
    int FontCount() const noexcept { return m_aCustomFonts.Count(); }
    void RemoveAllFonts() noexcept;

    // ---- resources: images
    const TImageDataUI* AddImage(LPCWSTR name, LPCWSTR resourceType = nullptr, DWORD mask = 0) noexcept;
    const TImageDataUI* GetImage(LPCWSTR name) const noexcept;
    const TImageDataUI* GetOrLoadImage(LPCWSTR name, LPCWSTR resourceType = nullptr, DWORD mask = 0) noexcept;
    int ImageCount() const noexcept { return m_mImageHash.Count(); }
    void RemoveAllImages() noexcept;

    // ---- resources: default attribute lists
    void AddDefaultAttributes(LPCWSTR tag, LPCWSTR list) noexcept;
    LPCWSTR GetDefaultAttributes(LPCWSTR tag) const noexcept;
    void RemoveAllDefaultAttributes() noexcept;

    // ---- resources: colours (getters read the topmost resource parent)
    void SetDefaultDisabledColor(DWORD color) noexcept { m_dwDefaultDisabledColor = color; }
    void SetDefaultTextColor(DWORD color) noexcept { m_dwDefaultFontColor = color; }
    void SetDefaultLinkColor(DWORD color) noexcept { m_dwDefaultLinkFontColor = color; }
    void SetDefaultLinkHoverColor(DWORD color) noexcept { m_dwDefaultLinkHoverFontColor = color; }
    void SetDefaultSelectedColor(DWORD color) noexcept { m_dwDefaultSelectedBkColor = color; }
    DWORD DefaultDisabledColor() const noexcept;
    DWORD DefaultTextColor() const noexcept;
    DWORD DefaultLinkColor() const noexcept;
    DWORD DefaultLinkHoverColor() const noexcept;
    DWORD DefaultSelectedColor() const noexcept;

    // ---- resources: parent chain
    bool SetResourceParent(CWindowManagerUI* parent) noexcept;
    CWindowManagerUI* ResourceParent() const noexcept { return m_pParentResourcePM; }

    // The process-wide HSL adjustment (hue 0-360, saturation and lightness in percent).
    static void ColorAdjustValues(short& hue, short& saturation, short& lightness) noexcept;

    // ---- resources: option groups
    bool AddToOptionGroup(LPCWSTR group, CControlUI* control) noexcept;
    CPtrArrayUI* GetOptionGroup(LPCWSTR group) const noexcept;
    void RemoveFromOptionGroup(LPCWSTR group, CControlUI* control) noexcept;
    void RemoveAllOptionGroups() noexcept;

    // ---- process-wide list of bound managers, in binding order
    static int ManagerCount() noexcept;
    static CWindowManagerUI* ManagerAt(int index) noexcept;

private:
    struct TMemoryDcTraits {
        using Type = HDC;
        static Type Invalid() noexcept { return nullptr; }
        static void Release(Type h) noexcept { ::DeleteDC(h); }
    };
    struct TBitmapTraits {
        using Type = HBITMAP;
        static Type Invalid() noexcept { return nullptr; }
        static void Release(Type h) noexcept { ::DeleteObject(h); }
    };
    static CPtrArrayUI& Managers() noexcept;
    static void InitProcessOnce() noexcept;

    TFontDataUI* TopDefaultFont() noexcept;
    void MeasureFont(TFontDataUI& font) noexcept;
    const CWindowManagerUI* TopResourceOwner() const noexcept;
    void DeliverPostedNotifications() noexcept;
    void DeliverNotification(TNotifyMsgUI& msg) noexcept;
    void DispatchTo(CControlUI* control, TControlEventUI& event) noexcept;
    bool BelongsHere(CControlUI* control) const noexcept;
    void KillFocusOf(CControlUI* newFocus) noexcept;
    void OnMouseMove(LPARAM lParam) noexcept;
    bool OnMouseHover(LPARAM lParam) noexcept;
    void OnPaint() noexcept;
    void LayoutIfNeeded() noexcept;
    void PaintPerPixelAlpha(const RECT& rcUpdate) noexcept;
    void PaintOpaque(const PAINTSTRUCT& ps) noexcept;
    void PaintCaret(HDC hdc, const RECT& rcPaint) noexcept;
    void DiscardOffscreen() noexcept;
    void DeleteDeferred() noexcept;
    bool PlatformTimerIdInUse(UINT id) const noexcept;
    bool NextPlatformTimerId(UINT& id) noexcept;
    static WORD KeyStateFromKeyboard() noexcept;

    // ---- message side
    HWND m_hWnd = nullptr;
    int m_nOpacity = 255;
    HDC m_hDcPaint = nullptr;
    CHandleOwnerUI<TMemoryDcTraits> m_hDcOffscreen;
    CHandleOwnerUI<TBitmapTraits> m_hbmpOffscreen;
    DWORD* m_pOffscreenBits = nullptr;
    RECT m_rcLastInvalidate = {0, 0, 0, 0};
    bool m_bFullRepaint = false;
    HWND m_hwndTooltip = nullptr;
    TOOLINFOW m_ToolTip = {};
    CUIString m_strToolTip; // the tool's text; the tool information points into it
    RECT m_rcCaret = {0, 0, 0, 0};
    bool m_bCaretShown = false;
    bool m_bCaretActive = false;
    CControlUI* m_pCaretOwner = nullptr;
    CShadowUI* m_pShadow = nullptr;
    bool m_bUseGdiplusText = false;
    ULONG_PTR m_gdiplusToken = 0;
    CControlUI* m_pRoot = nullptr;
    CControlUI* m_pFocus = nullptr;
    CControlUI* m_pHover = nullptr;
    CControlUI* m_pClick = nullptr;
    CControlUI* m_pKey = nullptr;
    POINT m_ptLastMouse = {-1, -1};
    SIZE m_szMinWindow = {0, 0};
    SIZE m_szMaxWindow = {0, 0};
    SIZE m_szInitWindowSize = {0, 0};
    RECT m_rcSizeBox = {0, 0, 0, 0};
    RECT m_rcCaption = {0, 0, 0, 0};
    SIZE m_szRoundCorner = {0, 0};
    UINT m_uTimerID = 0x1000;
    bool m_bFirstLayout = true;
    bool m_bUpdateNeeded = false;
    bool m_bFocusNeeded = false;
    bool m_bOffscreenPaint = true;
    bool m_bPerPixelAlpha = false;
    bool m_bMouseTracking = false;
    bool m_bMouseCapture = false;
    bool m_bUseVirtualWnd = false;
    CPtrArrayUI m_aNotifiers;
    CPtrArrayUI m_aTimers;
    CPtrArrayUI m_aPreMessageFilters;
    CPtrArrayUI m_aMessageFilters;
    CPtrArrayUI m_aPostPaintControls;
    CPtrArrayUI m_aDelayedCleanup;
    CPtrArrayUI m_aAsyncNotify;
    CStrPtrMapUI m_mNameHash{83};
    CPtrArrayUI m_aTranslateAccelerator;

    // ---- resource side
    CWindowManagerUI* m_pParentResourcePM = nullptr;
    DWORD m_dwDefaultDisabledColor = 0xFFA7A6AA;
    DWORD m_dwDefaultFontColor = 0xFF000001;
    DWORD m_dwDefaultLinkFontColor = 0xFF0000FF;
    DWORD m_dwDefaultLinkHoverFontColor = 0xFFD3215F;
    DWORD m_dwDefaultSelectedBkColor = 0xFFBAE4FF;
    TFontDataUI m_DefaultFontInfo;
    CPtrArrayUI m_aCustomFonts;
    CStrPtrMapUI m_mImageHash{83};
    CStrPtrMapUI m_DefaultAttrHash{83};
    CStrPtrMapUI m_mOptionGroup{83};
};

} // namespace Tamsk
