// The window wrapper and the framework's message loop.
#include "ui/core/UIWindow.h"

#include "ui/core/UIManager.h"
#include "ui/core/UIResource.h"

namespace Tamsk {

namespace {

// Classes and windows belong to the application instance; before one is set they belong to the process's
// own module, so registration and creation always agree.
HINSTANCE OwningInstance() noexcept {
    HINSTANCE instance = AppInstance();
    return instance != nullptr ? instance : ::GetModuleHandleW(nullptr);
}

} // namespace

LPCWSTR CWindowWnd::SuperclassName() const {
    return nullptr;
}

UINT CWindowWnd::ClassStyle() const {
    return 0;
}

LRESULT CWindowWnd::ProcessMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(m_pfnPrevProc, m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::OnWindowGone(HWND) {}

bool CWindowWnd::RegisterOwnClass() noexcept {
    WNDCLASSW wc = {};
    wc.style = ClassStyle();
    wc.lpfnWndProc = &CWindowWnd::ClassWndProc;
    wc.hInstance = OwningInstance();
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.lpszClassName = WindowClassName();
    return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterSuperclass() noexcept {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    const HINSTANCE instance = OwningInstance();
    if (!::GetClassInfoExW(nullptr, SuperclassName(), &wc) &&
        !::GetClassInfoExW(instance, SuperclassName(), &wc)) {
        return false;
    }
    m_pfnPrevProc = wc.lpfnWndProc;
    wc.lpfnWndProc = &CWindowWnd::SuperclassWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = WindowClassName();
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::CreateNative(HWND hwndParent, LPCWSTR title, DWORD style, DWORD exStyle, int x, int y,
                              int cx, int cy, HMENU hMenu) noexcept {
    const bool registered = SuperclassName() != nullptr ? RegisterSuperclass() : RegisterOwnClass();
    if (!registered) {
        return nullptr;
    }
    m_hWnd = ::CreateWindowExW(exStyle, WindowClassName(), title, style, x, y, cx, cy, hwndParent, hMenu,
                               OwningInstance(), this);
    return m_hWnd;
}

HWND CWindowWnd::CreateNative(HWND hwndParent, LPCWSTR title, DWORD style, DWORD exStyle, const RECT& rc,
                              HMENU hMenu) noexcept {
    return CreateNative(hwndParent, title, style, exStyle, rc.left, rc.top, rc.right - rc.left,
                        rc.bottom - rc.top, hMenu);
}

void CWindowWnd::Show(bool show, bool takeFocus) noexcept {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) {
        return;
    }
    ::ShowWindow(m_hWnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void CWindowWnd::PostClose(UINT result) noexcept {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) {
        return;
    }
    ::PostMessageW(m_hWnd, WM_CLOSE, static_cast<WPARAM>(result), 0);
}

LRESULT CWindowWnd::Send(UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept {
    return ::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

BOOL CWindowWnd::Post(UINT uMsg, WPARAM wParam, LPARAM lParam) noexcept {
    return ::PostMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::ClassWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (uMsg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = cs != nullptr ? static_cast<CWindowWnd*>(cs->lpCreateParams) : nullptr;
        if (self != nullptr) {
            self->m_hWnd = hWnd;
            ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (uMsg == WM_NCDESTROY && self != nullptr) {
            const LRESULT result = ::CallWindowProcW(self->m_pfnPrevProc, hWnd, uMsg, wParam, lParam);
            ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
            if (self->m_bSubclassed) {
                ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->m_pfnPrevProc));
            }
            self->m_hWnd = nullptr;
            // May delete the object: nothing of it is touched afterwards.
            self->OnWindowGone(hWnd);
            return result;
        }
    }
    if (self != nullptr) {
        return self->ProcessMessage(uMsg, wParam, lParam);
    }
    return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::SuperclassWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (uMsg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = cs != nullptr ? static_cast<CWindowWnd*>(cs->lpCreateParams) : nullptr;
        if (self != nullptr) {
            self->m_hWnd = hWnd;
            ::SetPropW(hWnd, kSuperclassProp, self);
        }
    } else {
        self = static_cast<CWindowWnd*>(::GetPropW(hWnd, kSuperclassProp));
        if (uMsg == WM_NCDESTROY && self != nullptr) {
            const LRESULT result = ::CallWindowProcW(self->m_pfnPrevProc, hWnd, uMsg, wParam, lParam);
            ::RemovePropW(hWnd, kSuperclassProp);
            if (self->m_bSubclassed) {
                ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->m_pfnPrevProc));
            }
            self->m_hWnd = nullptr;
            self->OnWindowGone(hWnd);
            return result;
        }
    }
    if (self != nullptr) {
        return self->ProcessMessage(uMsg, wParam, lParam);
    }
    return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::RunMessageLoop() noexcept {
    MSG msg = {};
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            break;
        }
        if (!PretranslateForManagers(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

bool CWindowWnd::PretranslateForManagers(MSG* pMsg) noexcept {
    if (pMsg == nullptr || pMsg->hwnd == nullptr) {
        return false;
    }
    const HWND target = pMsg->hwnd;
    const LONG_PTR style = ::GetWindowLongPtrW(target, GWL_STYLE);
    if ((style & WS_CHILD) != 0) {
        for (int i = 0; i < CWindowManagerUI::ManagerCount(); ++i) {
            CWindowManagerUI* manager = CWindowManagerUI::ManagerAt(i);
            if (manager == nullptr) {
                continue;
            }
            const HWND bound = manager->GetWindow();
            for (HWND ancestor = ::GetParent(target); ancestor != nullptr; ancestor = ::GetParent(ancestor)) {
                if (target != bound && ancestor != bound) {
                    continue;
                }
                if (manager->TranslateKeyMessage(pMsg)) {
                    return true;
                }
                // The child (a native edit box, say) still receives the message.
                LRESULT ignored = 0;
                (void)manager->PreHandleMessage(pMsg->message, pMsg->wParam, pMsg->lParam, ignored);
                // Once per manager: a second ancestor match would move the focus twice.
                break;
            }
        }
        return false;
    }
    for (int i = 0; i < CWindowManagerUI::ManagerCount(); ++i) {
        CWindowManagerUI* manager = CWindowManagerUI::ManagerAt(i);
        if (manager == nullptr || manager->GetWindow() != target) {
            continue;
        }
        if (manager->TranslateKeyMessage(pMsg)) {
            return true;
        }
        LRESULT result = 0;
        return manager->PreHandleMessage(pMsg->message, pMsg->wParam, pMsg->lParam, result);
    }
    return false;
}

} // namespace Tamsk
