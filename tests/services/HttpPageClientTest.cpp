// CHttpPageClient against a loopback server: what each kind of reply leaves in the response record.
#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <random>
#include <string>

#include "services/HttpPageClient.h"
#include "tests/services/LoopbackHttpServer.h"

using nudge::test::CannedReply;
using nudge::test::HttpResponse;
using nudge::test::LoopbackHttpServer;
using nudge::test::SeenRequest;

namespace {

const std::string kZeroBody("a\0b\0\0c\0", 7);

CannedReply Route(const SeenRequest& request) {
    const std::string& t = request.target;
    if (t == "/ok")
        return {HttpResponse(200, "OK", "hello, page"), false};
    if (t == "/empty")
        return {HttpResponse(200, "OK", ""), false};
    if (t == "/moved")
        return {HttpResponse(302, "Found", "moved", "Location: /ok\r\n"), false};
    if (t == "/nocontent")
        return {HttpResponse(204, "No Content", "ignored by rule"), false};
    if (t == "/missing")
        return {HttpResponse(404, "Not Found", "no such page"), false};
    if (t == "/zeros")
        return {HttpResponse(200, "OK", kZeroBody), false};
    if (t == "/created")
        return {HttpResponse(201, "Created", "made"), false};
    if (t == "/form")
        return {HttpResponse(200, "OK", request.body), false};
    return {HttpResponse(500, "Server Error", "unexpected"), false};
}

std::string BodyOf(const CHttpPageResponse& response) {
    return std::string(response.m_vecBody.begin(), response.m_vecBody.end());
}

class HttpPageClientTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.Start(0, Route)); }
    LoopbackHttpServer m_server;
};

TEST_F(HttpPageClientTest, RepliesLeaveStatusFlagAndBodyAsReceived) {
    struct Case {
        const char* path;
        bool ok;
        int status;
        std::string body;
    } cases[] = {
        {"/ok", true, 200, "hello, page"},        {"/empty", true, 200, ""},
        {"/moved", true, 200, "hello, page"}, // the redirect is followed
        {"/missing", false, 404, "no such page"}, {"/created", false, 201, "made"}, // only 200 is success
        {"/zeros", true, 200, kZeroBody},                                           // bytes, not text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CHttpPageClient client;
        const std::string url = m_server.BaseUrl() + c.path;
        client.GetPage(url.c_str());
        ASSERT_NE(client.m_pResponse, nullptr);
        const CHttpPageResponse& r = *client.m_pResponse;
        EXPECT_EQ(r.m_bOk, c.ok);
        EXPECT_EQ(r.m_nStatus, c.status);
        EXPECT_EQ(BodyOf(r), c.body);
        // A reply with a status other than 200 brings no error text of libcurl's.
        EXPECT_EQ(r.m_strError, "");
        EXPECT_EQ(r.m_pRequest, client.m_pRequest.get());
        ASSERT_NE(client.m_pRequest, nullptr);
        EXPECT_EQ(client.m_pRequest->m_nMethod, CHttpPageRequest::kMethodGet);
        EXPECT_EQ(client.m_pRequest->m_strUrl, url);
        EXPECT_NE(client.m_dwThreadId, 0u);
    }
}

TEST_F(HttpPageClientTest, NoContentIsFailureWithItsStatus) {
    // HTTP gives a 204 reply no body, so libcurl delivers none of what the server sent after it.
    CHttpPageClient client;
    client.GetPage((m_server.BaseUrl() + "/nocontent").c_str());
    ASSERT_NE(client.m_pResponse, nullptr);
    EXPECT_FALSE(client.m_pResponse->m_bOk);
    EXPECT_EQ(client.m_pResponse->m_nStatus, 204);
    EXPECT_EQ(client.m_pResponse->m_strError, "");
}

TEST_F(HttpPageClientTest, RequestCarriesNoHeadersOfItsOwnBeyondLibcurlDefaults) {
    CHttpPageClient client;
    client.GetPage((m_server.BaseUrl() + "/ok?data=a+b/c=").c_str());
    ASSERT_TRUE(m_server.WaitForRequests(1, 5000));
    const SeenRequest seen = m_server.Requests().front();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(seen.target, "/ok?data=a+b/c=");
    EXPECT_EQ(seen.headers.find("User-Agent"), std::string::npos) << seen.headers;
}

TEST_F(HttpPageClientTest, PostSendsTheFormFieldsInOrder) {
    CHttpPageClient client;
    client.m_vecFormFields.push_back({"first", "one"});
    client.m_vecFormFields.push_back({"second", "two words"});
    client.PostPage((m_server.BaseUrl() + "/form").c_str());
    ASSERT_NE(client.m_pResponse, nullptr);
    EXPECT_TRUE(client.m_pResponse->m_bOk);
    EXPECT_EQ(client.m_pRequest->m_nMethod, CHttpPageRequest::kMethodPost);
    ASSERT_TRUE(m_server.WaitForRequests(1, 5000));
    const SeenRequest seen = m_server.Requests().front();
    EXPECT_EQ(seen.method, "POST");
    EXPECT_NE(seen.headers.find("multipart/form-data"), std::string::npos);
    const size_t first = seen.body.find("name=\"first\"");
    const size_t second = seen.body.find("name=\"second\"");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_NE(seen.body.find("two words"), std::string::npos);
}

TEST(HttpPageClientFailure, RefusedPortGivesErrorTextAndNoStatus) {
    const std::uint16_t port = nudge::test::RefusedLoopbackPort();
    ASSERT_NE(port, 0);
    CHttpPageClient client;
    client.GetPage(("http://127.0.0.1:" + std::to_string(port) + "/").c_str());
    ASSERT_NE(client.m_pResponse, nullptr);
    EXPECT_FALSE(client.m_pResponse->m_bOk);
    EXPECT_EQ(client.m_pResponse->m_nStatus, -1);
    EXPECT_FALSE(client.m_pResponse->m_strError.empty());
    EXPECT_TRUE(client.m_pResponse->m_vecBody.empty());
}

TEST(HttpPageClientFailure, MalformedUrlFailsWithText) {
    CHttpPageClient client;
    client.GetPage("ftp:/\x01not a url");
    ASSERT_NE(client.m_pResponse, nullptr);
    EXPECT_FALSE(client.m_pResponse->m_bOk);
    EXPECT_EQ(client.m_pResponse->m_nStatus, -1);
    EXPECT_FALSE(client.m_pResponse->m_strError.empty());
}

TEST(HttpPageClientDefaults, ConstructionGivesTheDocumentedValues) {
    CHttpPageClient client;
    EXPECT_EQ(client.m_nConnectTimeout, 30);
    EXPECT_EQ(client.m_nTimeout, 60);
    EXPECT_EQ(client.m_dwThreadId, 0u);
    EXPECT_FALSE(client.m_hThread);
    EXPECT_EQ(client.m_pRequest, nullptr);
    EXPECT_EQ(client.m_pResponse, nullptr);
    CHttpPageRequest request;
    EXPECT_EQ(request.m_nMethod, CHttpPageRequest::kMethodNone);
    CHttpPageResponse response(&request);
    EXPECT_FALSE(response.m_bOk);
    EXPECT_EQ(response.m_nStatus, -1);
}

// Mutated replies from a server: the client must end every transfer, never crash, and report success
// only for a reply that really is 200.
TEST(HttpPageClientBadInput, MutatedRepliesEndCleanly) {
    const std::string seeds[] = {
        HttpResponse(200, "OK", "{\"status\":1}"),
        HttpResponse(302, "Found", "x", "Location: /final\r\n"),
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
        "HTTP/1.0 404 Not Found\r\n\r\nbody until close",
    };
    std::mt19937 random(20261211u);
    std::mutex mutex;
    std::string current;
    LoopbackHttpServer server;
    ASSERT_TRUE(server.Start(0, [&](const SeenRequest& request) {
        // Only the first request gets the mutated reply, so a redirect cannot loop back into it.
        if (request.target != "/")
            return CannedReply{HttpResponse(200, "OK", "final"), false};
        std::lock_guard<std::mutex> lock(mutex);
        return CannedReply{current, false};
    }));
    const auto deadline = GetTickCount64() + 5000;
    int runs = 0;
    for (; runs < 400 && GetTickCount64() < deadline; ++runs) {
        std::string reply = seeds[runs % 4];
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits && !reply.empty(); ++e) {
            const size_t at = random() % reply.size();
            switch (random() % 4) {
            case 0:
                reply[at] = static_cast<char>(random() & 0xFF);
                break;
            case 1:
                reply.erase(at, 1 + random() % 8);
                break;
            case 2:
                reply.insert(at, 1, static_cast<char>(random() & 0xFF));
                break;
            default:
                reply.resize(at);
                break;
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            current = reply;
        }
        CHttpPageClient client;
        client.GetPage((server.BaseUrl() + "/").c_str());
        ASSERT_NE(client.m_pResponse, nullptr) << "run " << runs;
        if (client.m_pResponse->m_bOk)
            EXPECT_EQ(client.m_pResponse->m_nStatus, 200) << "run " << runs;
        else
            EXPECT_NE(client.m_pResponse->m_nStatus, 200) << "run " << runs;
    }
    EXPECT_GT(runs, 20);
}

} // namespace
