#include "app/ClickReport.h"

#include <json/json.h>

#include <cstring>
#include <memory>

#include "Endpoints.h"
#include "services/HandleOwners.h"
#include "services/HttpPageClient.h"
#include "services/MachineId.h"

namespace {

std::string WideToAnsi(const std::wstring& text) noexcept {
    if (text.empty())
        return {};
    try {
        const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
        if (n <= 0)
            return {};
        std::string out(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                            nullptr);
        return out;
    } catch (...) {
        return {};
    }
}

std::wstring AsciiToWide(const char* text) {
    std::wstring out;
    for (; *text; ++text)
        out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return out;
}

} // namespace

int EncodeBase64(const unsigned char* input, std::size_t length, char* output,
                 std::size_t* capacity) noexcept {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (!capacity)
        return kBase64BufferTooSmall;
    if (length == 0) {
        *capacity = 0;
        return 0;
    }
    if (length > (static_cast<std::size_t>(-1) - 1) / 4 * 3 - 3) {
        *capacity = static_cast<std::size_t>(-1);
        return kBase64BufferTooSmall;
    }
    const std::size_t needed = (length + 2) / 3 * 4 + 1;
    if (!output || !input || *capacity < needed) {
        *capacity = needed;
        return kBase64BufferTooSmall;
    }
    char* out = output;
    std::size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const unsigned v = (input[i] << 16) | (input[i + 1] << 8) | input[i + 2];
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = kAlphabet[(v >> 6) & 63];
        *out++ = kAlphabet[v & 63];
    }
    if (length - i == 1) {
        const unsigned v = input[i] << 16;
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = '=';
        *out++ = '=';
    } else if (length - i == 2) {
        const unsigned v = (input[i] << 16) | (input[i + 1] << 8);
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = kAlphabet[(v >> 6) & 63];
        *out++ = '=';
    }
    *out = '\0';
    *capacity = static_cast<std::size_t>(out - output);
    return 0;
}

const wchar_t* SoftIdForVariant(PopupVariant variant) noexcept {
    switch (variant) {
    case PopupVariant::Benefit:
        return L"vipzorvex1";
    case PopupVariant::Renewal:
        return L"vipzorvex2";
    case PopupVariant::Upgrade:
        return L"vipzorvex3";
    default:
        return L"";
    }
}

std::wstring BuildClickLogQuery(PopupVariant variant, const wchar_t* eventId,
                                const wchar_t* machineId) noexcept {
    try {
        const wchar_t* softId = SoftIdForVariant(variant);
        std::wstring query = L"qid=";
        query += L"&softid=";
        query += softId;
        query += L"&userid=";
        query += machineId ? machineId : L"";
        query += L"&eventid=";
        query += eventId ? eventId : L"";
        query += L"&gourl=";
        query += AsciiToWide(nudge::endpoints::kPortalUrl);
        query += L"&type=1";
        query += L"&title=";
        query += softId;
        return query;
    } catch (...) {
        return {};
    }
}

std::string BuildClickLogUrl(const std::wstring& query) noexcept {
    try {
        const std::string bytes = WideToAnsi(query);
        char data[kClickLogDataCapacity] = {};
        std::size_t capacity = sizeof data;
        // Too long a query leaves the buffer empty: the request then carries an empty data value.
        if (EncodeBase64(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), data,
                         &capacity) != 0)
            data[0] = '\0';
        std::string url = nudge::endpoints::kClickLogUrl;
        url += "?data=";
        url += data;
        return url;
    } catch (...) {
        return {};
    }
}

bool IsClickLogReplySuccess(std::string_view body) noexcept {
    const std::size_t zero = body.find('\0');
    if (zero != std::string_view::npos)
        body = body.substr(0, zero);
    const std::size_t brace = body.find('{');
    if (brace != std::string_view::npos)
        body = body.substr(brace);
    try {
        Json::CharReaderBuilder builder;
        const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value root;
        std::string errors;
        if (!reader->parse(body.data(), body.data() + body.size(), &root, &errors))
            return false;
        if (!root.isObject())
            return false;
        const Json::Value& status = root["status"];
        const Json::ValueType type = status.type();
        if (type == Json::intValue)
            return status.asInt64() == 1;
        if (type == Json::uintValue)
            return status.asUInt64() == 1;
        return false;
    } catch (...) {
        // The reader throws for replies nested too deeply: a malformed reply like any other.
        return false;
    }
}

bool FetchClickLogReply(const char* url) noexcept {
    std::string body;
    {
        CHttpPageClient client;
        client.GetPage(url);
        if (client.m_pResponse) {
            const auto& bytes = client.m_pResponse->m_vecBody;
            try {
                body.assign(bytes.begin(), bytes.end());
            } catch (...) {
                body.clear();
            }
        }
    }
    return IsClickLogReplySuccess(body);
}

void SendClickLog(const ClickReport& report) noexcept {
    wchar_t id[kMachineIdSize] = {};
    wchar_t processor[kMachineIdPartSize] = {};
    wchar_t disk[kMachineIdPartSize] = {};
    wchar_t adapter[kMachineIdPartSize] = {};
    ComputeMachineId(id, processor, disk, adapter);
    const std::wstring query = BuildClickLogQuery(report.m_nVariant, report.m_strEventId.c_str(), id);
    const std::string url = BuildClickLogUrl(query);
    (void)FetchClickLogReply(url.c_str());
}

DWORD WINAPI ClickReportThread(void* report) noexcept {
    if (!report)
        return 0;
    const std::unique_ptr<ClickReport> owned(static_cast<ClickReport*>(report));
    SendClickLog(*owned);
    return 0;
}

void StartClickReport(const ClickReport& report) noexcept {
    ClickReport* copy = nullptr;
    try {
        copy = new ClickReport(report);
    } catch (...) {
        return;
    }
    // Detached: the handle goes at once and the thread is never joined.
    const nudge::UniqueHandle thread(CreateThread(nullptr, 0, &ClickReportThread, copy, 0, nullptr));
    if (!thread)
        delete copy;
}

void ReportPopupShown(PopupVariant variant) noexcept {
    static const ClickReport report{variant, kClickEventShown};
    StartClickReport(report);
}

void ReportCloseClicked(PopupVariant variant) noexcept {
    static const ClickReport report{variant, kClickEventClosed};
    StartClickReport(report);
}

void ReportBuyClicked(PopupVariant variant) noexcept {
    static const ClickReport report{variant, kClickEventBought};
    StartClickReport(report);
}
