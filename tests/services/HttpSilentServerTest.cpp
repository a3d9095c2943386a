// A server that accepts the connection and then says nothing: a GET ends on its 30-second total limit.
#include <gtest/gtest.h>

#include "services/HttpPageClient.h"
#include "tests/services/LoopbackHttpServer.h"

TEST(HttpPageClientSilentServer, GetEndsOnItsTotalLimitWithoutStatus) {
    nudge::test::LoopbackHttpServer server;
    ASSERT_TRUE(server.Start(0, [](const nudge::test::SeenRequest&) {
        return nudge::test::CannedReply{"", true};
    }));
    CHttpPageClient client;
    client.m_nTimeout = 600; // a GET ignores it: its limit is fixed
    const ULONGLONG start = GetTickCount64();
    client.GetPage((server.BaseUrl() + "/silent").c_str());
    const ULONGLONG elapsed = GetTickCount64() - start;
    ASSERT_NE(client.m_pResponse, nullptr);
    EXPECT_FALSE(client.m_pResponse->m_bOk);
    EXPECT_EQ(client.m_pResponse->m_nStatus, -1);
    EXPECT_FALSE(client.m_pResponse->m_strError.empty());
    // Not a speed check: only that the fixed limit, not m_nTimeout, ended the transfer.
    EXPECT_LT(elapsed, 120000u);
    EXPECT_GE(elapsed, 29000u);
}
