// One HTTP page fetch on libcurl's easy interface. The transfer runs on a worker thread of the client's
// own while the caller waits, so GetPage is synchronous to the caller. One request per client.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "services/HandleOwners.h"

class CHttpPageRequest {
public:
    enum : std::int32_t { kMethodGet = 0, kMethodPost = 1, kMethodNone = 2 };

    CHttpPageRequest() = default;
    virtual ~CHttpPageRequest() = default;

    std::int32_t m_nMethod = kMethodNone;
    std::string m_strUrl; // handed to libcurl unchanged
};

class CHttpPageResponse {
public:
    explicit CHttpPageResponse(CHttpPageRequest* request) noexcept : m_pRequest(request) {}
    virtual ~CHttpPageResponse() = default;

    CHttpPageRequest* m_pRequest = nullptr; // not owned
    bool m_bOk = false;                     // completed with status 200
    std::vector<std::uint8_t> m_vecBody;    // the body as received; bytes, not text
    std::int32_t m_nStatus = -1;            // -1 when no reply was read
    std::string m_strError;                 // libcurl's text for a failed transfer
};

struct HttpFormField {
    std::string m_strName;
    std::string m_strValue;
};

class CHttpPageClient {
public:
    CHttpPageClient() noexcept = default;
    virtual ~CHttpPageClient();
    CHttpPageClient(const CHttpPageClient&) = delete;
    CHttpPageClient& operator=(const CHttpPageClient&) = delete;

    // One GET; returns when the transfer has ended. The outcome is m_pResponse, which stays null when
    // no worker thread could be started.
    void GetPage(const char* url) noexcept;
    // One multipart POST of m_vecFormFields, the same way.
    void PostPage(const char* url) noexcept;

    std::vector<HttpFormField> m_vecFormFields;
    DWORD m_dwThreadId = 0;
    nudge::UniqueHandle m_hThread;
    std::int32_t m_nConnectTimeout = 30; // seconds
    std::int32_t m_nTimeout = 60;        // seconds; a POST's limit, a GET always has 30
    std::unique_ptr<CHttpPageRequest> m_pRequest;
    std::unique_ptr<CHttpPageResponse> m_pResponse;

private:
    void StartRequest(const char* url, std::int32_t method) noexcept;
    static DWORD WINAPI RequestThread(void* client) noexcept;
    void RunRequest() noexcept;
    // Each returns 0 on success and 1 on failure.
    int PerformGet(const CHttpPageRequest& request, std::vector<std::uint8_t>& body,
                   std::int32_t& status) noexcept;
    int PerformPost(const CHttpPageRequest& request, std::vector<std::uint8_t>& body,
                    std::int32_t& status) noexcept;
    static std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* body) noexcept;

    // libcurl's message for this client's transfer; each transfer has its own.
    char m_szError[256] = {};
};
