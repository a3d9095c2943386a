// The click log: each of the popup's three events goes to the maker's statistics endpoint as one GET,
// built and sent on a detached thread of its own.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "app/PopConfigure.h"

inline constexpr wchar_t kClickEventShown[] = L"1002";
inline constexpr wchar_t kClickEventClosed[] = L"2001";
inline constexpr wchar_t kClickEventBought[] = L"2006";

// EncodeBase64's result when the text and its terminator do not fit.
inline constexpr int kBase64BufferTooSmall = -16;
// The Base64 text of the query is made in a buffer of this many bytes, terminator included.
inline constexpr std::size_t kClickLogDataCapacity = 1280;

struct ClickReport {
    PopupVariant m_nVariant = PopupVariant::None;
    std::wstring m_strEventId;
};

// Starts a detached thread that sends the report. The thread works on a copy of its own, so the record
// may go away (at process exit, say) while the report is still in flight. A thread that cannot be
// created leaves the event unreported.
void StartClickReport(const ClickReport& report) noexcept;
// The thread routine: takes ownership of the heap copy made by StartClickReport; null returns at once.
DWORD WINAPI ClickReportThread(void* report) noexcept;

// The process-wide record of each event, made from the variant on the first report of that event.
void ReportPopupShown(PopupVariant variant) noexcept;
void ReportCloseClicked(PopupVariant variant) noexcept;
void ReportBuyClicked(PopupVariant variant) noexcept;

// Builds the query and the URL for the report and fetches the reply, on the calling thread.
void SendClickLog(const ClickReport& report) noexcept;
// One GET of the URL; true when the reply is an object whose "status" is the integer 1.
bool FetchClickLogReply(const char* url) noexcept;
// The reply rule alone, on the body bytes: parsed from the first "{" up to the first zero byte.
[[nodiscard]] bool IsClickLogReplySuccess(std::string_view body) noexcept;

// Standard Base64 (RFC 4648 section 4) of the input into output, zero-terminated. capacity is the
// buffer's size in bytes on entry and the text's length on success; when the text and terminator would
// not fit it returns kBase64BufferTooSmall with the needed size in capacity and writes nothing. A length
// of 0 returns 0 with capacity 0 and writes nothing.
[[nodiscard]] int EncodeBase64(const unsigned char* input, std::size_t length, char* output,
                               std::size_t* capacity) noexcept;

// "vipzorvex1", "vipzorvex2" or "vipzorvex3" by variant; empty for any other value.
[[nodiscard]] const wchar_t* SoftIdForVariant(PopupVariant variant) noexcept;
// The query text before encoding: qid, softid, userid, eventid, gourl, type and title, in that order.
[[nodiscard]] std::wstring BuildClickLogQuery(PopupVariant variant, const wchar_t* eventId,
                                              const wchar_t* machineId) noexcept;
// The click-log endpoint, "?data=" and the Base64 of the query in the ANSI code page. A query whose
// text does not fit the data buffer goes out with an empty data value.
[[nodiscard]] std::string BuildClickLogUrl(const std::wstring& query) noexcept;
