// A small HTTP/1.1 server on 127.0.0.1 inside the test process (Winsock), serving replies from a handler.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nudge::test {

struct SeenRequest {
    std::string method;
    std::string target; // path and query as sent
    std::string headers;
    std::string body;
};

struct CannedReply {
    std::string bytes;   // sent as they are, then the connection is closed
    bool silent = false; // accept, read the request, then say nothing until the server stops
};

// Builds a whole response with Content-Length and Connection: close.
std::string HttpResponse(int status, const std::string& reason, const std::string& body,
                         const std::string& extraHeaders = "");

class LoopbackHttpServer {
public:
    using Handler = std::function<CannedReply(const SeenRequest&)>;

    LoopbackHttpServer() = default;
    ~LoopbackHttpServer() { Stop(); }
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free port). False when the port cannot be bound.
    bool Start(std::uint16_t port, Handler handler);
    void Stop();
    std::uint16_t Port() const { return m_port; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    std::vector<SeenRequest> Requests();
    // Waits until at least count requests were read; false after timeoutMs.
    bool WaitForRequests(size_t count, unsigned timeoutMs);

private:
    void AcceptLoop();
    void Serve(SOCKET client);

    Handler m_handler;
    SOCKET m_listen = INVALID_SOCKET;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::thread> m_connections;
    std::vector<SeenRequest> m_requests;
};

// A port on 127.0.0.1 that refuses connections: bound once, then released.
std::uint16_t RefusedLoopbackPort();

} // namespace nudge::test
