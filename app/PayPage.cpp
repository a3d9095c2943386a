#include "app/PayPage.h"

#include "Endpoints.h"
#include "app/HostWindow.h"
#include "services/Browser.h"

std::wstring BuildPayPageUrl(const std::wstring& sign) noexcept {
    try {
        std::wstring url;
        for (const char* p = nudge::endpoints::kPayPageUrl; *p; ++p)
            url += static_cast<wchar_t>(static_cast<unsigned char>(*p));
        url += L"?sign=";
        url += sign;
        return url;
    } catch (...) {
        return {};
    }
}

void OpenPayPageWithSign(const std::wstring& sign) noexcept {
    if (sign.empty())
        return;
    const std::wstring url = BuildPayPageUrl(sign);
    if (!url.empty())
        OpenUrlInBrowser(url.c_str());
}

void OpenPayPage() noexcept {
    // Without a mapped record the sign reads as empty, and nothing opens.
    OpenPayPageWithSign(ReadPaySign());
}
