#include "tests/services/LoopbackHttpServer.h"

#include <ws2tcpip.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace nudge::test {

namespace {

struct WinsockSession {
    WinsockSession() {
        WSADATA data;
        ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (ok)
            WSACleanup();
    }
    bool ok = false;
};

bool EnsureWinsock() {
    static WinsockSession session;
    return session.ok;
}

size_t ContentLength(const std::string& headers) {
    std::string lower = headers;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    const size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos)
        return 0;
    return static_cast<size_t>(std::strtoul(lower.c_str() + at + 17, nullptr, 10));
}

} // namespace

std::string HttpResponse(int status, const std::string& reason, const std::string& body,
                         const std::string& extraHeaders) {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" + extraHeaders +
           "\r\n" + body;
}

bool LoopbackHttpServer::Start(std::uint16_t port, Handler handler) {
    if (!EnsureWinsock())
        return false;
    m_handler = std::move(handler);
    m_listen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_listen == INVALID_SOCKET)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    BOOL reuse = TRUE;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    if (bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listen, 16) != 0) {
        closesocket(m_listen);
        m_listen = INVALID_SOCKET;
        return false;
    }
    int length = sizeof address;
    getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_stopping = false;
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    return true;
}

void LoopbackHttpServer::Stop() {
    if (m_listen == INVALID_SOCKET && !m_acceptThread.joinable())
        return;
    m_stopping = true;
    m_changed.notify_all();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    if (m_listen != INVALID_SOCKET) {
        closesocket(m_listen);
        m_listen = INVALID_SOCKET;
    }
    std::vector<std::thread> connections;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        connections.swap(m_connections);
    }
    for (std::thread& t : connections)
        t.join();
}

void LoopbackHttpServer::AcceptLoop() {
    while (!m_stopping) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_listen, &readable);
        timeval wait{0, 100000};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
            continue;
        SOCKET client = accept(m_listen, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_connections.emplace_back([this, client] { Serve(client); });
    }
}

void LoopbackHttpServer::Serve(SOCKET client) {
    // A client that never finishes its request must not hold the server: reads give up after 10 s.
    DWORD timeout = 10000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    std::string data;
    char buffer[4096];
    size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            closesocket(client);
            return;
        }
        data.append(buffer, static_cast<size_t>(got));
        headerEnd = data.find("\r\n\r\n");
    }
    SeenRequest request;
    request.headers = data.substr(0, headerEnd + 2);
    const size_t wanted = ContentLength(request.headers);
    request.body = data.substr(headerEnd + 4);
    while (request.body.size() < wanted) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        request.body.append(buffer, static_cast<size_t>(got));
    }
    const size_t firstSpace = request.headers.find(' ');
    const size_t secondSpace = request.headers.find(' ', firstSpace + 1);
    if (firstSpace != std::string::npos && secondSpace != std::string::npos) {
        request.method = request.headers.substr(0, firstSpace);
        request.target = request.headers.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    }
    const CannedReply reply =
        m_handler ? m_handler(request) : CannedReply{HttpResponse(404, "Not Found", ""), false};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
    }
    m_changed.notify_all();
    if (reply.silent) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(60), [this] { return m_stopping.load(); });
    } else {
        size_t sent = 0;
        while (sent < reply.bytes.size()) {
            const int put =
                send(client, reply.bytes.data() + sent, static_cast<int>(reply.bytes.size() - sent), 0);
            if (put <= 0)
                break;
            sent += static_cast<size_t>(put);
        }
        shutdown(client, SD_SEND);
        // Let the client read everything before the socket goes.
        while (recv(client, buffer, sizeof buffer, 0) > 0) {
        }
    }
    closesocket(client);
}

std::vector<SeenRequest> LoopbackHttpServer::Requests() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

bool LoopbackHttpServer::WaitForRequests(size_t count, unsigned timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_requests.size() >= count; });
}

std::uint16_t RefusedLoopbackPort() {
    if (!EnsureWinsock())
        return 0;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    return ntohs(address.sin_port);
}

} // namespace nudge::test
