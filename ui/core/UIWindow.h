// One object bound to one platform window: class registration (own class or superclass), creation with
// the object as creation parameter, routing of every message to the object, and the framework's message
// loop with the window managers' pre-translation.
#pragma once

#include <windows.h>

namespace Tamsk {

class CWindowWnd {
public:
    CWindowWnd() noexcept = default;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    // The order of these virtual operations is fixed.
    virtual LPCWSTR WindowClassName() const = 0;
    virtual LPCWSTR SuperclassName() const;
    virtual UINT ClassStyle() const;
    virtual LRESULT ProcessMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // The window is gone (WM_NCDESTROY); a derived class may delete itself here.
    virtual void OnWindowGone(HWND hWnd);
    virtual ~CWindowWnd() = default;

    HWND Handle() const noexcept { return m_hWnd; }
    operator HWND() const noexcept { return m_hWnd; }

    HWND CreateNative(HWND hwndParent, LPCWSTR title, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                      int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
                      HMENU hMenu = nullptr) noexcept;
    HWND CreateNative(HWND hwndParent, LPCWSTR title, DWORD style, DWORD exStyle, const RECT& rc,
                      HMENU hMenu = nullptr) noexcept;

    void Show(bool show = true, bool takeFocus = true) noexcept;
    void PostClose(UINT result = IDOK) noexcept;
    LRESULT Send(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) noexcept;
    BOOL Post(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) noexcept;

    // Runs until WM_QUIT (or a retrieval error).
    static void RunMessageLoop() noexcept;
    // True when the message was consumed by a bound window manager and must not be dispatched.
    static bool PretranslateForManagers(MSG* pMsg) noexcept;

    // The name of the window property that carries the object on superclassed windows.
    static constexpr const wchar_t* kSuperclassProp = L"WndX";

protected:
    bool RegisterOwnClass() noexcept;
    bool RegisterSuperclass() noexcept;
    static LRESULT CALLBACK ClassWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SuperclassWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    WNDPROC m_pfnPrevProc = ::DefWindowProcW;
    bool m_bSubclassed = false;
};

} // namespace Tamsk
