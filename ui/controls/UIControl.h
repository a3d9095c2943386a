#pragma once
// The base of every visual element: settings from skin attributes, placement, paint layers, events.

#include <windows.h>

#include <cstring>

#include "ui/core/UIBase.h"

namespace Tamsk {

class CWindowManagerUI;
class CControlUI;
struct TControlEventUI;
struct TNotifyMsgUI;

// Tree-walk flags, shared with the window manager.
constexpr UINT FindVisible = 0x00000001;
constexpr UINT FindEnabled = 0x00000002;
constexpr UINT FindHitTest = 0x00000004;
constexpr UINT FindTopFirst = 0x00000008;
constexpr UINT FindSelfFirst = 0x80000000;

// Control flags (result of ControlFlags).
constexpr UINT FlagTabStop = 0x00000001;
constexpr UINT FlagSetCursor = 0x00000002;

// The walk's test. For FindHitTest walks, data points to a POINT in client coordinates.
using FindControlProcUI = CControlUI* (*)(CControlUI* control, void* data);

// A listener: a target object and a function to call on it. Two listeners are equal when both match.
class CDelegateBase {
public:
    CDelegateBase(void* object, void* function) noexcept : m_pObject(object), m_pFunction(function) {}
    CDelegateBase(const CDelegateBase&) = default;
    CDelegateBase& operator=(const CDelegateBase&) = delete;
    virtual ~CDelegateBase() = default;
    virtual CDelegateBase* Copy() const = 0;
    virtual bool Invoke(void* param) = 0;

    bool Equals(const CDelegateBase& other) const noexcept {
        return m_pObject == other.m_pObject && m_pFunction == other.m_pFunction;
    }
    void* GetObject() const noexcept { return m_pObject; }
    void* GetFunction() const noexcept { return m_pFunction; }

private:
    void* m_pObject;
    void* m_pFunction;
};

// A listener calling a free function bool f(void*).
class CDelegateStaticUI : public CDelegateBase {
public:
    using Fn = bool (*)(void*);
    explicit CDelegateStaticUI(Fn fn) noexcept : CDelegateBase(nullptr, reinterpret_cast<void*>(fn)), m_fn(fn) {}
    CDelegateBase* Copy() const override { return new CDelegateStaticUI(*this); }
    bool Invoke(void* param) override { return m_fn ? m_fn(param) : true; }

private:
    Fn m_fn;
};

// A listener calling a member function bool (T::*)(void*) on an object.
template <class T> class CDelegateUI : public CDelegateBase {
public:
    using Fn = bool (T::*)(void*);
    CDelegateUI(T* object, Fn fn) noexcept : CDelegateBase(object, FnKey(fn)), m_pTarget(object), m_fn(fn) {}
    CDelegateBase* Copy() const override { return new CDelegateUI(*this); }
    bool Invoke(void* param) override { return (m_pTarget && m_fn) ? (m_pTarget->*m_fn)(param) : true; }

private:
    // Member pointers do not convert to void*; the first pointer-sized word identifies the function well
    // enough for the equality rule.
    static void* FnKey(Fn fn) noexcept {
        void* key = nullptr;
        static_assert(sizeof(fn) >= sizeof(key), "member function pointer smaller than a pointer");
        memcpy(&key, &fn, sizeof(key));
        return key;
    }
    T* m_pTarget;
    Fn m_fn;
};

class CEventSourceUI {
public:
    CEventSourceUI() = default;
    CEventSourceUI(const CEventSourceUI&) = delete;
    CEventSourceUI& operator=(const CEventSourceUI&) = delete;
    ~CEventSourceUI();

    // Stores a copy unless an equal listener is present already.
    bool Add(const CDelegateBase& listener);
    bool Remove(const CDelegateBase& listener);
    int Count() const noexcept { return m_aDelegates.Count(); }
    // Calls every listener in order; false as soon as one returns false.
    bool Run(void* param);

private:
    CPtrArrayUI m_aDelegates;
};

struct TRelativeRuleUI {
    bool bRelative = false;
    SIZE szBase = {0, 0};
    int nMoveXPercent = 0;
    int nMoveYPercent = 0;
    int nZoomXPercent = 0;
    int nZoomYPercent = 0;
};

class CControlUI {
public:
    CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // The order of these virtual operations is fixed: derived classes and other modules rely on it.
    virtual ~CControlUI();                                                             // 0
    virtual CUIString GetName() const;                                                 // 1
    virtual void SetName(LPCWSTR name);                                                // 2
    virtual LPCWSTR ClassName() const;                                                 // 3
    virtual void* InterfaceFor(LPCWSTR name);                                          // 4
    virtual UINT ControlFlags() const;                                                 // 5
    virtual bool Activate();                                                           // 6
    virtual CWindowManagerUI* GetManager() const;                                      // 7
    virtual void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise); // 8
    virtual CControlUI* GetParent() const;                                             // 9
    virtual CUIString GetText() const;                                                 // 10
    virtual void SetText(LPCWSTR text);                                                // 11
    virtual RECT GetBounds() const;                                                    // 12
    virtual void SetBounds(RECT rc);                                                   // 13
    virtual int GetWidth() const;                                                      // 14
    virtual int GetHeight() const;                                                     // 15
    virtual int GetLeft() const;                                                       // 16
    virtual int GetTop() const;                                                        // 17
    virtual RECT GetPadding() const;                                                   // 18
    virtual void SetPadding(RECT rc);                                                  // 19
    virtual SIZE GetFloatOffset() const;                                               // 20
    virtual void SetFloatOffset(int cx, int cy);                                       // 21
    virtual int GetFixedWidth() const;                                                 // 22
    virtual void SetFixedWidth(int cx);                                                // 23
    virtual int GetFixedHeight() const;                                                // 24
    virtual void SetFixedHeight(int cy);                                               // 25
    virtual int GetMinWidth() const;                                                   // 26
    virtual void SetMinWidth(int cx);                                                  // 27
    virtual int GetMaxWidth() const;                                                   // 28
    virtual void SetMaxWidth(int cx);                                                  // 29
    virtual int GetMinHeight() const;                                                  // 30
    virtual void SetMinHeight(int cy);                                                 // 31
    virtual int GetMaxHeight() const;                                                  // 32
    virtual void SetMaxHeight(int cy);                                                 // 33
    virtual void SetRelativeRule(int moveX, int moveY, int zoomX, int zoomY);          // 34
    virtual void SetRelativeBase(int cx, int cy);                                      // 35
    virtual TRelativeRuleUI GetRelativeRule() const;                                   // 36
    virtual bool HasRelativeRule() const;                                              // 37
    virtual CUIString GetToolTip() const;                                              // 38
    virtual void SetToolTip(LPCWSTR text);                                             // 39
    virtual void SetToolTipWidth(int width);                                           // 40
    virtual int GetToolTipWidth() const;                                               // 41
    virtual wchar_t GetShortcut() const;                                               // 42
    virtual void SetShortcut(wchar_t ch);                                              // 43
    virtual bool WantsContextMenu() const;                                             // 44
    virtual void SetWantsContextMenu(bool wants);                                      // 45
    virtual CUIString GetUserData() const;                                             // 46
    virtual void SetUserData(LPCWSTR text);                                            // 47
    virtual UINT_PTR GetTag() const;                                                   // 48
    virtual void SetTag(UINT_PTR tag);                                                 // 49
    virtual bool IsVisible() const;                                                    // 50
    virtual void SetVisible(bool visible);                                             // 51
    virtual void SetInheritedVisible(bool visible);                                    // 52
    virtual bool IsEnabled() const;                                                    // 53
    virtual void SetEnabled(bool enabled);                                             // 54
    virtual bool AcceptsMouse() const;                                                 // 55
    virtual void SetAcceptsMouse(bool accepts);                                        // 56
    virtual bool AcceptsKeyboard() const;                                              // 57
    virtual void SetAcceptsKeyboard(bool accepts);                                     // 58
    virtual bool HasFocus() const;                                                     // 59
    virtual void TakeFocus();                                                          // 60
    virtual bool IsFloating() const;                                                   // 61
    virtual void SetFloating(bool floating);                                           // 62
    virtual CControlUI* WalkControls(FindControlProcUI proc, void* data, UINT flags);  // 63
    virtual void Initialize();                                                         // 64
    virtual void OnInitialize();                                                       // 65
    virtual void DispatchEvent(TControlEventUI& event);                                // 66
    virtual void HandleEvent(TControlEventUI& event);                                  // 67
    virtual void ApplyAttribute(LPCWSTR name, LPCWSTR value);                          // 68
    virtual SIZE MeasureSize(SIZE available);                                          // 69
    virtual void Paint(HDC hdc, const RECT& dirty);                                    // 70
    virtual void PaintBackColor(HDC hdc);                                              // 71
    virtual void PaintBackImage(HDC hdc);                                              // 72
    virtual void PaintStateImage(HDC hdc);                                             // 73
    virtual void PaintCaption(HDC hdc);                                                // 74
    virtual void PaintOutline(HDC hdc);                                                // 75
    virtual void PaintAfterChildren(HDC hdc, const RECT& dirty);                       // 76

    void Invalidate();
    void RequestLayout();
    void RequestParentLayout();
    bool LayoutPending() const noexcept { return m_bLayoutPending; }
    DWORD AdjustedColor(DWORD color) const;
    // False only without a device context or a manager.
    bool DrawImageDescriptor(HDC hdc, LPCWSTR descriptor, LPCWSTR modifier = nullptr);
    void ApplyAttributeString(LPCWSTR text);
    CUIString GetVirtualWindow() const;
    void SetVirtualWindow(LPCWSTR name);

    DWORD GetBkColor() const noexcept { return m_dwBackColor; }
    void SetBkColor(DWORD color);
    DWORD GetBkColor2() const noexcept { return m_dwBackColor2; }
    void SetBkColor2(DWORD color);
    DWORD GetBkColor3() const noexcept { return m_dwBackColor3; }
    void SetBkColor3(DWORD color);
    CUIString GetBkImage() const { return m_strBkImage; }
    void SetBkImage(LPCWSTR descriptor);
    CUIString GetForeImage() const { return m_strForeImage; }
    void SetForeImage(LPCWSTR descriptor);
    DWORD GetBorderColor() const noexcept { return m_dwBorderColor; }
    void SetBorderColor(DWORD color);
    DWORD GetFocusBorderColor() const noexcept { return m_dwFocusBorderColor; }
    void SetFocusBorderColor(DWORD color);
    bool IsColorHsl() const noexcept { return m_bColorHsl; }
    void SetColorHsl(bool adjust);
    int GetBorderSize() const noexcept { return m_nBorderSize; }
    void SetBorderSize(int size);
    RECT GetBorderSides() const noexcept { return m_rcBorderSides; }
    void SetBorderSides(RECT sides);
    void SetLeftBorderSize(int size);
    void SetTopBorderSize(int size);
    void SetRightBorderSize(int size);
    void SetBottomBorderSize(int size);
    int GetBorderStyle() const noexcept { return m_nBorderStyle; }
    void SetBorderStyle(int style);
    SIZE GetBorderRound() const noexcept { return m_szBorderRound; }
    void SetBorderRound(SIZE round);
    RECT GetPaintRect() const noexcept { return m_rcPaint; }

    // Listener lists; the window manager runs NotifyListeners before its own listeners.
    CEventSourceUI& InitListeners() noexcept { return m_evInit; }
    CEventSourceUI& DestroyListeners() noexcept { return m_evDestroy; }
    CEventSourceUI& SizeListeners() noexcept { return m_evSize; }
    CEventSourceUI& EventListeners() noexcept { return m_evEvent; }
    CEventSourceUI& NotifyListeners() noexcept { return m_evNotify; }

protected:
    // The bounds clipped by every ancestor; false when nothing of it is visible.
    bool VisibleArea(RECT& area) const;

    CEventSourceUI m_evInit;
    CEventSourceUI m_evDestroy;
    CEventSourceUI m_evSize;
    CEventSourceUI m_evEvent;
    CEventSourceUI m_evNotify;
    CWindowManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    CUIString m_strVirtualWnd;
    CUIString m_strName;
    bool m_bLayoutPending = true;
    bool m_bMenuUsed = false;
    RECT m_rcItem = {0, 0, 0, 0};
    RECT m_rcPadding = {0, 0, 0, 0};
    SIZE m_szFloatOffset = {0, 0};
    int m_nFixedWidth = 0;
    int m_nFixedHeight = 0;
    int m_nMinWidth = 0;
    int m_nMinHeight = 0;
    int m_nMaxWidth = 9999;
    int m_nMaxHeight = 9999;
    bool m_bVisible = true;
    bool m_bInheritedVisible = true;
    bool m_bEnabled = true;
    bool m_bMouseEnabled = true;
    bool m_bKeyboardEnabled = true;
    bool m_bFocused = false;
    bool m_bFloat = false;
    bool m_bInSizeNotify = false;
    TRelativeRuleUI m_tRelativeRule;
    CUIString m_strText;
    CUIString m_strToolTip;
    wchar_t m_chShortcut = 0;
    CUIString m_strUserData;
    UINT_PTR m_uTag = 0;
    DWORD m_dwBackColor = 0;
    DWORD m_dwBackColor2 = 0;
    DWORD m_dwBackColor3 = 0;
    CUIString m_strBkImage;
    CUIString m_strForeImage;
    DWORD m_dwBorderColor = 0;
    DWORD m_dwFocusBorderColor = 0;
    bool m_bColorHsl = false;
    int m_nBorderSize = 0;
    int m_nBorderStyle = 0;
    int m_nToolTipWidth = 300;
    SIZE m_szBorderRound = {0, 0};
    RECT m_rcPaint = {0, 0, 0, 0};
    RECT m_rcBorderSides = {0, 0, 0, 0};
};

} // namespace Tamsk
