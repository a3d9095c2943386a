#include "app/HostWindow.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "app/SharedSection.h"

namespace {

std::unique_ptr<SharedSection>& Holder() noexcept {
    static std::unique_ptr<SharedSection> holder;
    return holder;
}

std::string WideToUtf8(const wchar_t* text) noexcept {
    std::string out;
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 1)
        return out;
    std::vector<char> buffer(static_cast<size_t>(needed));
    if (::WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer.data(), needed, nullptr, nullptr) != needed)
        return out;
    out.assign(buffer.data());
    return out;
}

// The host may rewrite the record while we read: take the bytes once, bounded by the view.
std::string SnapshotSign(const ZorvexUserInfoRecord& record) noexcept {
    char copy[sizeof record.PaySign];
    std::memcpy(copy, record.PaySign, sizeof copy);
    const void* zero = std::memchr(copy, 0, sizeof copy);
    const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - copy) : sizeof copy;
    return std::string(copy, length);
}

} // namespace

HWND FindHostWindow() noexcept {
    HWND previous = nullptr;
    for (;;) {
        HWND window = ::FindWindowExW(nullptr, previous, kHostWindowClass, nullptr);
        if (!window)
            return nullptr;
        const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
        if ((style & WS_CAPTION) != 0 && (style & WS_VISIBLE) != 0)
            return window;
        previous = window;
    }
}

void OpenUserInfoMemory() noexcept {
    std::unique_ptr<SharedSection> fresh(new (std::nothrow) SharedSection());
    Holder() = std::move(fresh);
    SharedSection* section = Holder().get();
    if (!section)
        return;
    const std::string name = WideToUtf8(kUserInfoSectionName);
    if (section->OpenOrCreateSection(name.c_str(), true, kUserInfoViewSize))
        (void)section->MapView(kUserInfoViewSize);
}

SharedSection* GetUserInfoHolder() noexcept {
    return Holder().get();
}

const ZorvexUserInfoRecord* GetUserInfoRecord() noexcept {
    SharedSection* section = Holder().get();
    if (!section || !section->View())
        return nullptr;
    return static_cast<const ZorvexUserInfoRecord*>(section->View());
}

std::wstring DecodePaySign(const char* bytes, std::size_t capacity) noexcept {
    std::wstring out;
    if (!bytes || capacity == 0)
        return out;
    const void* zero = std::memchr(bytes, 0, capacity);
    const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - bytes) : capacity;
    if (length == 0 || length > 0x7FFFFFFF)
        return out;
    // The system's code page 936 table rather than the run-time's "chs" locale: switching the run-time
    // locale is process-wide and would race with the reporting threads.
    const int inLength = static_cast<int>(length);
    const int needed = ::MultiByteToWideChar(936, 0, bytes, inLength, nullptr, 0);
    if (needed <= 0)
        return out;
    out.resize(static_cast<size_t>(needed));
    const int got = ::MultiByteToWideChar(936, 0, bytes, inLength, &out[0], needed);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
}

std::string ReadPaySignBytes() noexcept {
    const ZorvexUserInfoRecord* record = GetUserInfoRecord();
    return record ? SnapshotSign(*record) : std::string();
}

std::wstring ReadPaySign() noexcept {
    const std::string bytes = ReadPaySignBytes();
    return DecodePaySign(bytes.data(), bytes.size());
}
