#include "app/PopConfigure.h"

#include "app/HostWindow.h"
#include "services/DiagnosticLog.h"

#include <ctime>

namespace {

constexpr wchar_t kVipSection[] = L"Vip";
constexpr wchar_t kFirstPopKey[] = L"IsFristPopNudgebox";
constexpr int64_t kSecondsPerDay = 86400;
constexpr int32_t kBenefitDays = 3;
constexpr int32_t kUpgradeDays = 7;

// The host may rewrite the record at any moment: each field is read once, when it is needed.
template <typename T> T ReadField(const volatile T& field) noexcept {
    return field;
}

} // namespace

int32_t ParseDecimalInt32(const wchar_t* text) noexcept {
    if (!text)
        return 0;
    const wchar_t* p = text;
    while (*p == L' ' || (*p >= L'\t' && *p <= L'\r'))
        ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') {
        negative = *p == L'-';
        ++p;
    }
    // Saturates like strtol with a 32-bit long; the rest of the digits are still consumed.
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t value = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        value = value * 10 + (*p - L'0');
        if (value > limit)
            value = limit;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

int32_t StampDayNumber(const std::wstring& stamp) noexcept {
    // The stamp's 32 bits are taken as unsigned seconds: a negative stamp lies far in the future.
    const uint32_t seconds = static_cast<uint32_t>(ParseDecimalInt32(stamp.c_str()));
    return static_cast<int32_t>(seconds / kSecondsPerDay);
}

int32_t DayNumberOf(int64_t seconds) noexcept {
    return static_cast<int32_t>(seconds / kSecondsPerDay);
}

int32_t DayDifference(int32_t later, int32_t earlier) noexcept {
    return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

int64_t CurrentTimeSeconds() noexcept {
    return static_cast<int64_t>(std::time(nullptr));
}

void CPopConfigure::LoadPopHistory() {
    m_strVestigeIniPath = m_strCfgRootPath + L"Config\\UseVestige.ini";
    m_strRenewClickTime = ReadVipStamp(L"xf");
    m_strUpgradeClickTime = ReadVipStamp(L"cz");
    m_strBenefitClickTime = ReadVipStamp(L"lfl");
}

std::wstring CPopConfigure::ReadVipStamp(const wchar_t* key) const {
    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(kVipSection, key, L"0", value, MAX_PATH, m_strVestigeIniPath.c_str());
    return value;
}

int32_t CPopConfigure::TakeFirstPopFlag() noexcept {
    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(kVipSection, kFirstPopKey, L"1", value, MAX_PATH, m_strVestigeIniPath.c_str());
    const int32_t flag = ParseDecimalInt32(value);
    WritePrivateProfileStringW(kVipSection, kFirstPopKey, L"0", m_strVestigeIniPath.c_str());
    return flag;
}

bool CPopConfigure::IsBenefitDue() const noexcept {
    return IsBenefitDue(CurrentTimeSeconds());
}

bool CPopConfigure::IsBenefitDue(int64_t now) const noexcept {
    return DayDifference(DayNumberOf(now), StampDayNumber(m_strBenefitClickTime)) >= kBenefitDays;
}

bool CPopConfigure::IsUpgradeDue() const noexcept {
    return IsUpgradeDue(CurrentTimeSeconds());
}

bool CPopConfigure::IsUpgradeDue(int64_t now) const noexcept {
    const int32_t today = DayNumberOf(now);
    return DayDifference(today, StampDayNumber(m_strUpgradeClickTime)) >= kUpgradeDays ||
           DayDifference(today, StampDayNumber(m_strRenewClickTime)) >= kUpgradeDays;
}

void CPopConfigure::StampClick(const wchar_t* key) noexcept {
    StampClick(key, CurrentTimeSeconds());
}

void CPopConfigure::StampClick(const wchar_t* key, int64_t now) noexcept {
    // The low 32 bits as a signed number, as "%ld" of a 32-bit long prints them.
    const int32_t stamp = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(now)));
    const std::wstring text = std::to_wstring(stamp);
    WritePrivateProfileStringW(kVipSection, key, text.c_str(), m_strVestigeIniPath.c_str());
}

CPopConfigure& GetPopConfigure() {
    static CPopConfigure config;
    return config;
}

void InitPopConfigure(CPopConfigure& config) {
    config.InitSoftCfgRootPath();
    config.LoadPopHistory();
}

void InitPopConfigure(CPopConfigure& config, const SpecialFolderSource& folders) {
    config.InitSoftCfgRootPath(folders);
    config.LoadPopHistory();
}

PopupVariant DecidePopupVariant() {
    return DecidePopupVariant(GetPopConfigure(), CurrentTimeSeconds());
}

PopupVariant DecidePopupVariant(CPopConfigure& config, int64_t now) {
    if (!FindHostWindow()) {
        WriteDiagnosticLog(L"not found zorvex.");
        return PopupVariant::None;
    }
    OpenUserInfoMemory();
    const ZorvexUserInfoRecord* record = GetUserInfoRecord();
    if (!record) {
        WriteDiagnosticLog(L"ZorvexUserInfoMemory object error! .");
        return PopupVariant::None;
    }
    WriteDiagnosticLog(L"ZorvexUserInfoMemory vaild.");

    if (ReadField(record->LoggedIn) == 0) {
        WriteDiagnosticLog(L"fuli .");
        if (config.IsBenefitDue(now))
            return PopupVariant::Benefit;
        WriteDiagnosticLog(L"fuli poped .");
        return PopupVariant::None;
    }
    if (ReadField(record->VipActive) != 0)
        return PopupVariant::None;
    WriteDiagnosticLog(L"not vip .");

    const int32_t today = DayNumberOf(now);
    const int32_t expiryDay = static_cast<int32_t>(ReadField(record->VipExpiry) / kSecondsPerDay);
    const int32_t sub = DayDifference(today, expiryDay);
    WriteDiagnosticLog(L"currtimer = %d, vipexptimer =%d,sub= %d", today, expiryDay, sub);
    if (sub <= 0)
        return PopupVariant::None;
    WriteDiagnosticLog(L"vip timer out .");

    // Consumed here whether or not a popup then appears: the Renewal notice is offered once.
    if (config.TakeFirstPopFlag() != 0)
        return PopupVariant::Renewal;
    if (config.IsUpgradeDue(now)) {
        WriteDiagnosticLog(L"7 days have been pop windows.");
        return PopupVariant::Upgrade;
    }
    return PopupVariant::None;
}
