// Small move-only owners for the kernel objects of the program: the close function is fixed by the type.
#pragma once

#include <windows.h>

#include <utility>

template <typename T, typename Close, T Invalid = T{}> class UniqueAny {
public:
    UniqueAny() noexcept = default;
    explicit UniqueAny(T value) noexcept : m_value(value) {}
    ~UniqueAny() { reset(); }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : m_value(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    T get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return m_value != Invalid; }
    T release() noexcept { return std::exchange(m_value, Invalid); }
    void reset(T value = Invalid) noexcept {
        T old = std::exchange(m_value, value);
        if (old != Invalid)
            Close{}(old);
    }

private:
    T m_value = Invalid;
};

struct CloseHandleFn {
    void operator()(HANDLE h) const noexcept { ::CloseHandle(h); }
};
struct UnmapViewFn {
    void operator()(void* p) const noexcept { ::UnmapViewOfFile(p); }
};
struct LocalFreeFn {
    void operator()(void* p) const noexcept { ::LocalFree(p); }
};

// Null is the "no handle" value of CreateFileMapping, CreateThread, CreateEvent and friends.
using UniqueHandle = UniqueAny<HANDLE, CloseHandleFn>;
using UniqueView = UniqueAny<void*, UnmapViewFn>;
using UniqueLocal = UniqueAny<void*, LocalFreeFn>;
