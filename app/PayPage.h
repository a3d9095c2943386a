// The pay page of the Renewal and Upgrade popups, signed with the host's token.
#pragma once

#include <string>

// Reads the sign from the host's user-info record and, when there is one, opens the pay page.
void OpenPayPage() noexcept;
// The same with the sign already decoded; an empty sign opens nothing.
void OpenPayPageWithSign(const std::wstring& sign) noexcept;
// The pay endpoint, "?sign=" and the sign as it stands.
[[nodiscard]] std::wstring BuildPayPageUrl(const std::wstring& sign) noexcept;
