// The click-log report end to end: the request the endpoint receives, decoded, and the reply rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Endpoints.h"
#include "app/ClickReport.h"
#include "services/MachineId.h"
#include "tests/services/LoopbackHttpServer.h"

using nudge::test::CannedReply;
using nudge::test::HttpResponse;
using nudge::test::LoopbackHttpServer;
using nudge::test::SeenRequest;

namespace {

constexpr std::uint16_t kEndpointPort = 38517;

std::string DecodeBase64(const std::string& text) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        if (c == '+')
            return 62;
        if (c == '/')
            return 63;
        return -1;
    };
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        const int v = value(c);
        if (v < 0)
            break;
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// Computed once here; the reports compute it anew each time and must come to the same text.
const std::string& MachineId() {
    static const std::string id = [] {
        wchar_t text[kMachineIdSize], p[kMachineIdPartSize], d[kMachineIdPartSize], a[kMachineIdPartSize];
        ComputeMachineId(text, p, d, a);
        return Narrow(text);
    }();
    return id;
}

std::string ExpectedQuery(const std::string& softId, const std::string& eventId) {
    return "qid=&softid=" + softId + "&userid=" + MachineId() + "&eventid=" + eventId +
           "&gourl=" + nudge::endpoints::kPortalUrl + "&type=1&title=" + softId;
}

// The query text a click-log request carries, or a note of what is wrong with the request.
std::string QueryOf(const SeenRequest& request) {
    const std::string prefix = "/click/log?data=";
    if (request.method != "GET" || request.target.compare(0, prefix.size(), prefix) != 0)
        return "unexpected request " + request.method + " " + request.target;
    return DecodeBase64(request.target.substr(prefix.size()));
}

class ClickLogEndpoint : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(std::string(nudge::endpoints::kClickLogUrl), "http://127.0.0.1:38517/click/log")
            << "the test build points the endpoint at the loopback server";
        ASSERT_TRUE(m_server.Start(kEndpointPort, [this](const SeenRequest& r) { return Reply(r); }));
    }
    virtual CannedReply Reply(const SeenRequest&) {
        return {HttpResponse(200, "OK", "{\"status\":1}"), false};
    }
    LoopbackHttpServer m_server;
};

TEST_F(ClickLogEndpoint, QueryForEachVariantAndEvent) {
    struct Variant {
        PopupVariant variant;
        const char* softId;
    } variants[] = {
        {PopupVariant::Benefit, "vipzorvex1"}, {PopupVariant::Renewal, "vipzorvex2"},
        {PopupVariant::Upgrade, "vipzorvex3"}, {PopupVariant::None, ""},
        {static_cast<PopupVariant>(7), ""},
    };
    const wchar_t* events[] = {kClickEventShown, kClickEventClosed, kClickEventBought};
    size_t sent = 0;
    for (const Variant& v : variants) {
        for (const wchar_t* event : events) {
            SCOPED_TRACE(std::string(v.softId) + " " + Narrow(event));
            SendClickLog(ClickReport{v.variant, event});
            ++sent;
            ASSERT_TRUE(m_server.WaitForRequests(sent, 10000));
            const SeenRequest seen = m_server.Requests().back();
            EXPECT_EQ(QueryOf(seen), ExpectedQuery(v.softId, Narrow(event)));
            // The Base64 text goes out as it stands: exactly the encoder's output, nothing escaped.
            const std::string query = ExpectedQuery(v.softId, Narrow(event));
            char data[kClickLogDataCapacity];
            size_t capacity = sizeof data;
            ASSERT_EQ(EncodeBase64(reinterpret_cast<const unsigned char*>(query.data()), query.size(), data,
                                   &capacity),
                      0);
            EXPECT_EQ(seen.target, std::string("/click/log?data=") + data);
        }
    }
}

TEST_F(ClickLogEndpoint, ProcessRecordsKeepTheVariantOfTheirFirstReport) {
    ReportPopupShown(PopupVariant::Renewal);
    ASSERT_TRUE(m_server.WaitForRequests(1, 15000));
    ReportPopupShown(PopupVariant::Upgrade); // the record exists now: still Renewal
    ReportBuyClicked(PopupVariant::Upgrade);
    ASSERT_TRUE(m_server.WaitForRequests(3, 15000));
    std::vector<std::string> queries;
    for (const SeenRequest& r : m_server.Requests())
        queries.push_back(QueryOf(r));
    EXPECT_EQ(queries[0], ExpectedQuery("vipzorvex2", "1002"));
    std::sort(queries.begin() + 1, queries.end());
    std::vector<std::string> later = {ExpectedQuery("vipzorvex2", "1002"),
                                      ExpectedQuery("vipzorvex3", "2006")};
    std::sort(later.begin(), later.end());
    EXPECT_EQ(std::vector<std::string>(queries.begin() + 1, queries.end()), later);
}

// Holds every reply until three requests are in flight at once, so the test shows the reports overlap.
class OverlappingReports : public ClickLogEndpoint {
protected:
    CannedReply Reply(const SeenRequest&) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_inFlight;
        m_peak = std::max(m_peak, m_inFlight);
        m_changed.notify_all();
        m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_peak >= 3; });
        --m_inFlight;
        return {HttpResponse(200, "OK", "{\"status\":1}"), false};
    }
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_inFlight = 0;
    int m_peak = 0;
};

TEST_F(OverlappingReports, ThreeReportsFromThreeThreadsRunAtOnce) {
    const ClickReport reports[3] = {{PopupVariant::Benefit, kClickEventShown},
                                    {PopupVariant::Benefit, kClickEventClosed},
                                    {PopupVariant::Upgrade, kClickEventBought}};
    {
        std::vector<std::thread> starters;
        for (const ClickReport& r : reports)
            starters.emplace_back([&r] { StartClickReport(r); });
        for (std::thread& t : starters)
            t.join();
    } // StartClickReport returns at once; the detached threads carry copies of the records
    ASSERT_TRUE(m_server.WaitForRequests(3, 20000));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        EXPECT_EQ(m_peak, 3);
    }
    std::vector<std::string> queries;
    for (const SeenRequest& r : m_server.Requests())
        queries.push_back(QueryOf(r));
    std::sort(queries.begin(), queries.end());
    std::vector<std::string> expected = {ExpectedQuery("vipzorvex1", "1002"),
                                         ExpectedQuery("vipzorvex1", "2001"),
                                         ExpectedQuery("vipzorvex3", "2006")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(queries, expected);
}

TEST(ClickLogReply, RulesOnTheReplyFetched) {
    struct Case {
        const char* name;
        std::string reply;
        bool success;
    } cases[] = {
        {"status 1", HttpResponse(200, "OK", "{\"status\":1}"), true},
        {"status 1 among others", HttpResponse(200, "OK", "{\"msg\":\"ok\",\"status\":1}"), true},
        {"status 0", HttpResponse(200, "OK", "{\"status\":0}"), false},
        {"status \"1\"", HttpResponse(200, "OK", "{\"status\":\"1\"}"), false},
        {"status 1.5", HttpResponse(200, "OK", "{\"status\":1.5}"), false},
        {"status true", HttpResponse(200, "OK", "{\"status\":true}"), false},
        {"no status", HttpResponse(200, "OK", "{\"state\":1}"), false},
        {"array", HttpResponse(200, "OK", "[1,2,3]"), false},
        {"number", HttpResponse(200, "OK", "1"), false},
        {"empty", HttpResponse(200, "OK", ""), false},
        {"not json", HttpResponse(200, "OK", "<html>busy</html>"), false},
        {"byte-order mark", HttpResponse(200, "OK", "\xEF\xBB\xBF{\"status\":1}"), true},
        {"callback", HttpResponse(200, "OK", "jsonp_cb({\"status\":1})"), true},
        {"zero byte ends the text", HttpResponse(200, "OK", std::string("{\"sta\0tus\":1}", 13)), false},
        {"zero byte after the object", HttpResponse(200, "OK", std::string("{\"status\":1}\0junk", 17)),
         true},
    };
    std::mutex mutex;
    std::string current;
    LoopbackHttpServer server;
    ASSERT_TRUE(server.Start(0, [&](const SeenRequest&) {
        std::lock_guard<std::mutex> lock(mutex);
        return CannedReply{current, false};
    }));
    for (const Case& c : cases) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            current = c.reply;
        }
        EXPECT_EQ(FetchClickLogReply((server.BaseUrl() + "/click/log?data=").c_str()), c.success) << c.name;
    }
    const std::uint16_t refused = nudge::test::RefusedLoopbackPort();
    EXPECT_FALSE(FetchClickLogReply(("http://127.0.0.1:" + std::to_string(refused) + "/").c_str()));
}

TEST(ClickLogUrl, QueryTooLongForTheDataBufferGoesOutWithEmptyData) {
    const std::string base = std::string(nudge::endpoints::kClickLogUrl) + "?data=";
    // 957 bytes give 1276 characters and the terminator: the largest query that fits 1280 bytes.
    const std::string fits = BuildClickLogUrl(std::wstring(957, L'q'));
    EXPECT_EQ(fits.size(), base.size() + 1276);
    EXPECT_EQ(BuildClickLogUrl(std::wstring(958, L'q')), base);
    EXPECT_EQ(BuildClickLogUrl(L""), base);
}

TEST(ClickLogThread, NullRecordReturnsAtOnce) {
    EXPECT_EQ(ClickReportThread(nullptr), 0u);
}

// Mutated replies straight into the reply rule: no crash, no exception out, success only for status 1.
TEST(ClickLogReplyBadInput, MutatedReplies) {
    const std::string seeds[] = {"{\"status\":1}", "cb({\"status\":1,\"list\":[1,2,{\"a\":null}]})",
                                 "\xEF\xBB\xBF{\"status\":0,\"msg\":\"\\u4e2d\"}", "[{\"status\":1}]"};
    std::mt19937 random(777u);
    const ULONGLONG deadline = GetTickCount64() + 3000;
    const char alphabet[] = "{}[]\":,01-.eE\\u \x00\xff";
    for (int run = 0; run < 20000 && GetTickCount64() < deadline; ++run) {
        std::string body = seeds[run % 4];
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits; ++e) {
            const size_t at = body.empty() ? 0 : random() % body.size();
            const char c =
                random() % 2 ? alphabet[random() % (sizeof alphabet - 1)] : static_cast<char>(random());
            switch (random() % 3) {
            case 0:
                if (!body.empty())
                    body[at] = c;
                break;
            case 1:
                if (!body.empty())
                    body.erase(at, 1);
                break;
            default:
                body.insert(at, 1, c);
                break;
            }
        }
        if (run % 997 == 0)
            body = std::string(5000 + random() % 5000, '[') + body; // deeper than the reader allows
        const bool success = IsClickLogReplySuccess(body);
        if (success) {
            ASSERT_NE(body.find("status"), std::string::npos) << "run " << run;
        }
    }
}

} // namespace
