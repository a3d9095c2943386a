// Move-only owners for the system handles of the services; the release function is fixed by the type,
// so a handle can only ever be closed the way its kind requires.
#pragma once

#include <windows.h>

#include <utility>

namespace nudge {

template <typename T, typename Release, T Invalid = T{}> class UniqueResource {
public:
    UniqueResource() noexcept = default;
    explicit UniqueResource(T value) noexcept : m_value(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    [[nodiscard]] T get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return m_value != Invalid; }
    [[nodiscard]] T release() noexcept { return std::exchange(m_value, Invalid); }
    void reset(T value = Invalid) noexcept {
        T old = std::exchange(m_value, value);
        if (old != Invalid)
            Release{}(old);
    }
    // For the out-parameter of a creating call; the previous value is released first.
    T* put() noexcept {
        reset();
        return &m_value;
    }

private:
    T m_value = Invalid;
};

struct CloseHandleRelease {
    void operator()(HANDLE h) const noexcept { ::CloseHandle(h); }
};
struct RegCloseKeyRelease {
    void operator()(HKEY h) const noexcept { ::RegCloseKey(h); }
};
struct GlobalFreeRelease {
    void operator()(HGLOBAL h) const noexcept { ::GlobalFree(h); }
};

// Null is the failure value of CreateThread, OpenProcess and CreateEvent.
using UniqueHandle = UniqueResource<HANDLE, CloseHandleRelease>;
// INVALID_HANDLE_VALUE is the failure value of CreateFile and CreateToolhelp32Snapshot.
struct UniqueFileHandle {
    UniqueFileHandle() noexcept = default;
    explicit UniqueFileHandle(HANDLE h) noexcept : m_handle(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    explicit operator bool() const noexcept { return static_cast<bool>(m_handle); }
    [[nodiscard]] HANDLE get() const noexcept { return m_handle.get(); }

private:
    UniqueHandle m_handle;
};
using UniqueRegKey = UniqueResource<HKEY, RegCloseKeyRelease>;
using UniqueGlobal = UniqueResource<HGLOBAL, GlobalFreeRelease>;

} // namespace nudge
