// The program's configuration singleton and the once-per-run popup decision with its pop history
// (section "Vip" of {root}Config\UseVestige.ini).
#pragma once

#include "services/BaseConfigure.h"

#include <cstdint>
#include <string>

enum class PopupVariant : int32_t {
    None = -1,
    Benefit = 0,
    Renewal = 1,
    Upgrade = 2,
};

class CPopConfigure : public CBaseConfigure {
public:
    CPopConfigure() noexcept = default;

    // Forms m_strVestigeIniPath from the resolved root and caches "xf", "cz" and "lfl", in this order.
    void LoadPopHistory();

    // The key's text from section "Vip" of the pop history, "0" when absent.
    [[nodiscard]] std::wstring ReadVipStamp(const wchar_t* key) const;

    // Reads "IsFristPopNudgebox" (absent: 1), overwrites it with "0" whatever it held, and returns
    // what it read.
    [[nodiscard]] int32_t TakeFirstPopFlag() noexcept;

    // Whole UTC days since the cached click stamps, against the current time or a given one.
    [[nodiscard]] bool IsBenefitDue() const noexcept;
    [[nodiscard]] bool IsBenefitDue(int64_t now) const noexcept;
    [[nodiscard]] bool IsUpgradeDue() const noexcept;
    [[nodiscard]] bool IsUpgradeDue(int64_t now) const noexcept;

    // Writes the time as a signed 32-bit decimal under the key; a failed write goes unnoticed.
    void StampClick(const wchar_t* key) noexcept;
    void StampClick(const wchar_t* key, int64_t now) noexcept;

    std::wstring m_strVestigeIniPath;
    std::wstring m_strRenewClickTime;
    std::wstring m_strUpgradeClickTime;
    std::wstring m_strBenefitClickTime;
};

// The process-wide singleton, built on the first call and destroyed at exit.
CPopConfigure& GetPopConfigure();

// Resolves the configuration tree and reads the pop history into the given object.
void InitPopConfigure(CPopConfigure& config);
void InitPopConfigure(CPopConfigure& config, const SpecialFolderSource& folders);

// Finds the host, maps its user-info record and decides on the singleton's pop history; every step
// is traced. The second form takes the object and the current time in seconds since 1970 UTC.
[[nodiscard]] PopupVariant DecidePopupVariant();
[[nodiscard]] PopupVariant DecidePopupVariant(CPopConfigure& config, int64_t now);

// Day arithmetic of the pop history. Stamps are parsed like strtol in base 10 and saturated to 32 bits,
// then read as unsigned seconds; all day numbers are whole UTC days; differences wrap as 32-bit.
[[nodiscard]] int32_t ParseDecimalInt32(const wchar_t* text) noexcept;
[[nodiscard]] int32_t StampDayNumber(const std::wstring& stamp) noexcept;
[[nodiscard]] int32_t DayNumberOf(int64_t seconds) noexcept;
[[nodiscard]] int32_t DayDifference(int32_t later, int32_t earlier) noexcept;
// The clock the decision and the click stamps use: the run-time's time().
[[nodiscard]] int64_t CurrentTimeSeconds() noexcept;
