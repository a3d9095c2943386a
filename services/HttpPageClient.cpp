#include "services/HttpPageClient.h"

// The form-post calls are the ones this client uses; their deprecation notes are not news here.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>

#include <cstdio>
#include <cstring>

static_assert(CURL_ERROR_SIZE == 256, "the client's error buffer has libcurl's size");

namespace {

constexpr long kGetTotalTimeout = 30;

// libcurl's global set-up must happen once and never race: the first client of any thread does it,
// under the guarantee of a function-local static.
bool EnsureCurlGlobalInit() noexcept {
    static const CURLcode result = curl_global_init(CURL_GLOBAL_ALL);
    return result == CURLE_OK;
}

struct EasyCleanup {
    void operator()(CURL* curl) const noexcept { curl_easy_cleanup(curl); }
};
using UniqueEasy = std::unique_ptr<CURL, EasyCleanup>;

struct FormFree {
    void operator()(curl_httppost* form) const noexcept { curl_formfree(form); }
};
using UniqueForm = std::unique_ptr<curl_httppost, FormFree>;

} // namespace

CHttpPageClient::~CHttpPageClient() {
    m_pResponse.reset();
    m_pRequest.reset();
    m_vecFormFields.clear();
}

void CHttpPageClient::GetPage(const char* url) noexcept {
    StartRequest(url, CHttpPageRequest::kMethodGet);
}

void CHttpPageClient::PostPage(const char* url) noexcept {
    StartRequest(url, CHttpPageRequest::kMethodPost);
}

void CHttpPageClient::StartRequest(const char* url, std::int32_t method) noexcept {
    m_pResponse.reset();
    m_hThread.reset();
    m_dwThreadId = 0;
    try {
        m_pRequest = std::make_unique<CHttpPageRequest>();
        m_pRequest->m_strUrl = url ? url : "";
        m_pRequest->m_nMethod = method;
    } catch (...) {
        m_pRequest.reset();
        return;
    }
    EnsureCurlGlobalInit();
    m_hThread.reset(CreateThread(nullptr, 0, &CHttpPageClient::RequestThread, this, 0, &m_dwThreadId));
    if (!m_hThread || m_hThread.get() == INVALID_HANDLE_VALUE)
        return;
    WaitForSingleObject(m_hThread.get(), INFINITE);
}

DWORD WINAPI CHttpPageClient::RequestThread(void* client) noexcept {
    if (client)
        static_cast<CHttpPageClient*>(client)->RunRequest();
    return 1;
}

void CHttpPageClient::RunRequest() noexcept {
    try {
        m_pResponse = std::make_unique<CHttpPageResponse>(m_pRequest.get());
    } catch (...) {
        return;
    }
    std::int32_t status = -1;
    int failed = 1;
    m_szError[0] = '\0';
    if (m_pRequest) {
        if (m_pRequest->m_nMethod == CHttpPageRequest::kMethodGet)
            failed = PerformGet(*m_pRequest, m_pResponse->m_vecBody, status);
        else if (m_pRequest->m_nMethod == CHttpPageRequest::kMethodPost)
            failed = PerformPost(*m_pRequest, m_pResponse->m_vecBody, status);
    }
    m_pResponse->m_nStatus = status;
    if (failed) {
        m_pResponse->m_bOk = false;
        m_szError[sizeof m_szError - 1] = '\0';
        try {
            m_pResponse->m_strError = m_szError;
        } catch (...) {
        }
    } else {
        m_pResponse->m_bOk = true;
    }
}

std::size_t CHttpPageClient::WriteBody(char* data, std::size_t size, std::size_t count, void* body) noexcept {
    const std::size_t bytes = size * count;
    try {
        auto* vec = static_cast<std::vector<std::uint8_t>*>(body);
        vec->insert(vec->end(), reinterpret_cast<const std::uint8_t*>(data),
                    reinterpret_cast<const std::uint8_t*>(data) + bytes);
    } catch (...) {
        // Out of memory: a short count makes libcurl end the transfer as failed.
        return 0;
    }
    return bytes;
}

namespace {

// Ends a transfer at the first libcurl call that fails. Options refused by libcurl leave the error
// buffer empty; the result code's own text stands in then, so a failure never comes without a reason.
class TransferSteps {
public:
    TransferSteps(char* error, std::size_t size) noexcept : m_error(error), m_size(size) {}
    bool Ok(CURLcode code) noexcept {
        if (code == CURLE_OK)
            return true;
        if (m_error[0] == '\0') {
            std::strncpy(m_error, curl_easy_strerror(code), m_size - 1);
            m_error[m_size - 1] = '\0';
        }
        return false;
    }

private:
    char* m_error;
    std::size_t m_size;
};

bool ReadStatus(CURL* curl, std::int32_t& status) noexcept {
    long code = 0;
    if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK)
        return false;
    status = static_cast<std::int32_t>(code);
    return code == 200;
}

} // namespace

int CHttpPageClient::PerformGet(const CHttpPageRequest& request, std::vector<std::uint8_t>& body,
                                std::int32_t& status) noexcept {
    if (!EnsureCurlGlobalInit())
        return 1;
    UniqueEasy curl(curl_easy_init());
    if (!curl)
        return 1;
    TransferSteps step(m_szError, sizeof m_szError);
    CURL* c = curl.get();
    if (!step.Ok(curl_easy_setopt(c, CURLOPT_ERRORBUFFER, m_szError)) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(m_nTimeout))) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_nConnectTimeout))) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_URL, request.m_strUrl.c_str())) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L)) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &CHttpPageClient::WriteBody)) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_WRITEDATA, &body)) ||
        // Whatever m_nTimeout holds, a GET has 30 seconds in all.
        !step.Ok(curl_easy_setopt(c, CURLOPT_TIMEOUT, kGetTotalTimeout)) || !step.Ok(curl_easy_perform(c)))
        return 1;
    return ReadStatus(c, status) ? 0 : 1;
}

int CHttpPageClient::PerformPost(const CHttpPageRequest& request, std::vector<std::uint8_t>& body,
                                 std::int32_t& status) noexcept {
    if (!EnsureCurlGlobalInit())
        return 1;
    // Declared before the handle so that it is released after it: the handle refers to the form.
    UniqueForm form;
    UniqueEasy curl(curl_easy_init());
    if (!curl)
        return 1;
    TransferSteps step(m_szError, sizeof m_szError);
    CURL* c = curl.get();
    if (!step.Ok(curl_easy_setopt(c, CURLOPT_ERRORBUFFER, m_szError)) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(m_nTimeout))) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_nConnectTimeout))) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_URL, request.m_strUrl.c_str())) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &CHttpPageClient::WriteBody)) ||
        !step.Ok(curl_easy_setopt(c, CURLOPT_WRITEDATA, &body)))
        return 1;
    curl_httppost* first = nullptr;
    curl_httppost* last = nullptr;
    for (const HttpFormField& field : m_vecFormFields) {
        const CURLFORMcode added =
            curl_formadd(&first, &last, CURLFORM_COPYNAME, field.m_strName.c_str(), CURLFORM_COPYCONTENTS,
                         field.m_strValue.c_str(), CURLFORM_END);
        if (!form)
            form.reset(first); // the head of the list stays the same once it exists
        if (added != CURL_FORMADD_OK) {
            std::snprintf(m_szError, sizeof m_szError, "the form could not be built (%d)",
                          static_cast<int>(added));
            return 1;
        }
    }
    if (!step.Ok(curl_easy_setopt(c, CURLOPT_HTTPPOST, form.get())) || !step.Ok(curl_easy_perform(c)))
        return 1;
    return ReadStatus(c, status) ? 0 : 1;
}
