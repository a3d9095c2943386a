// The running host: its main window, its private message and its user-info record.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

class SharedSection;

inline constexpr wchar_t kHostWindowClass[] = L"Zorvex_WidgetWin_0";
// WM_USER + 137, sent to the host window by the Benefit popup's buy button.
inline constexpr UINT kHostMessage = 0x0489;
inline constexpr wchar_t kUserInfoSectionName[] = L"Local\\ZorvexUserInfo_MappingObject";
inline constexpr std::uint32_t kUserInfoViewSize = 1024;

// The first top-level window of the host's class that is visible and has a caption bit, or null.
[[nodiscard]] HWND FindHostWindow() noexcept;

// The host's record at the start of the section; a layout fixed by the host (little-endian).
struct ZorvexUserInfoRecord {
    std::uint8_t Reserved0[4];
    std::int32_t LoggedIn;
    std::uint32_t VipExpiry; // seconds since 1970-01-01 00:00 UTC
    std::uint8_t Reserved12[4];
    std::int32_t VipActive;
    char PaySign[kUserInfoViewSize - 20]; // code page 936; zero-terminated when the host is well-behaved
};
static_assert(offsetof(ZorvexUserInfoRecord, LoggedIn) == 4);
static_assert(offsetof(ZorvexUserInfoRecord, VipExpiry) == 8);
static_assert(offsetof(ZorvexUserInfoRecord, VipActive) == 16);
static_assert(offsetof(ZorvexUserInfoRecord, PaySign) == 20);
static_assert(sizeof(ZorvexUserInfoRecord) == kUserInfoViewSize);

// Replaces the user-info holder by a fresh section, opened (or created here, zero-filled) and mapped.
// Success is read afterwards: GetUserInfoRecord() is not null.
void OpenUserInfoMemory() noexcept;
// The process-wide holder; null until OpenUserInfoMemory ran.
[[nodiscard]] SharedSection* GetUserInfoHolder() noexcept;
// The mapped record, or null when the holder holds no view. The host may rewrite it at any time.
[[nodiscard]] const ZorvexUserInfoRecord* GetUserInfoRecord() noexcept;

// Bytes up to the first zero (at most capacity bytes) converted from code page 936 to UTF-16.
[[nodiscard]] std::wstring DecodePaySign(const char* bytes, std::size_t capacity) noexcept;
// The sign as the record holds it now; empty without a record.
[[nodiscard]] std::wstring ReadPaySign() noexcept;
// The sign's raw code-page-936 bytes as the record holds them now; empty without a record.
[[nodiscard]] std::string ReadPaySignBytes() noexcept;
