// The popup decision against a real host stand-in (window and section in this process), real
// pop-history INI files and the real diagnostic log.
#include "app/HostWindow.h"
#include "app/PopConfigure.h"
#include "app/SharedSection.h"
#include "tests/config/ConfigTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace nudge::configtest;

// Readable failure messages for the decision's result.
void PrintTo(PopupVariant variant, std::ostream* out) {
    static const char* const names[] = {"None", "Benefit", "Renewal", "Upgrade"};
    const int index = static_cast<int>(variant) + 1;
    *out << (index >= 0 && index < 4 ? names[index] : "?") << " (" << static_cast<int>(variant) << ")";
}

namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kToday = 20000; // 2024-10-04 UTC
constexpr int64_t kNoon = kToday * kDay + 43200;
constexpr int64_t kMidnight = kToday * kDay;

std::string At(int64_t seconds) {
    return std::to_string(seconds);
}
std::string DaysAgo(int64_t days, int64_t secondsIntoDay = 100) {
    return At((kToday - days) * kDay + secondsIntoDay);
}

const std::wstring kNotFound = L"not found zorvex.";
const std::wstring kObjectError = L"ZorvexUserInfoMemory object error! .";
const std::wstring kValid = L"ZorvexUserInfoMemory vaild.";
const std::wstring kFuli = L"fuli .";
const std::wstring kFuliPoped = L"fuli poped .";
const std::wstring kNotVip = L"not vip .";
const std::wstring kTimerOut = L"vip timer out .";
const std::wstring kSevenDays = L"7 days have been pop windows.";
std::wstring DayLine(int current, int expiry, int sub) {
    return L"currtimer = " + std::to_wstring(current) + L", vipexptimer =" + std::to_wstring(expiry) +
           L",sub= " + std::to_wstring(sub);
}

enum class Section { Host, Absent, Blocked };

const std::string kNoFile = "<no file>";
const std::wstring kRoot = L"{S}root\\";
const std::wstring kHistory = L"{S}root\\Config\\UseVestige.ini";

// Runs the decision once on a fresh configuration object over the given root.
PopupVariant Decide(int64_t now, const std::wstring& root = kRoot) {
    CPopConfigure config;
    config.m_strCfgRootPath = Expand(root);
    config.LoadPopHistory();
    return DecidePopupVariant(config, now);
}

// Leaves no section of this name in the process, neither the stand-in's nor the program's holder.
void DropAllSections(HostStandIn& host) {
    host.WithdrawSection();
    if (SharedSection* held = GetUserInfoHolder())
        held->CloseSection();
}

class DecisionTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveTree(kSandbox); }
    void TearDown() override { RemoveTree(kSandbox); }
    void WriteHistory(const std::string& vipLines, const std::wstring& file = kHistory) {
        MakePath(Expand(file), "[Vip]\r\n" + vipLines);
    }

    LogCapture m_log;
    HostStandIn m_host;
};

TEST_F(DecisionTest, DecisionTable) {
    struct Case {
        const char* name;
        HostWindowState window;
        Section section;
        int32_t loggedIn;
        uint32_t vipExpiry;
        int32_t vipActive;
        std::string history; // the "Vip" lines of the pop history, or kNoFile
        int64_t now;
        PopupVariant expected;
        std::vector<std::wstring> lines;
        const wchar_t* flagAfter;
    };
    const uint32_t lapsed = static_cast<uint32_t>((kToday - 10) * kDay);
    const std::string recent = "xf=" + DaysAgo(0) + "\r\ncz=" + DaysAgo(0) + "\r\n";
    const std::vector<Case> cases = {
        {"no host window",
         HostWindowState::Missing,
         Section::Host,
         0,
         0,
         0,
         kNoFile,
         kNoon,
         PopupVariant::None,
         {kNotFound},
         L"<absent>"},
        {"host window hidden",
         HostWindowState::Hidden,
         Section::Host,
         0,
         0,
         0,
         kNoFile,
         kNoon,
         PopupVariant::None,
         {kNotFound},
         L"<absent>"},
        {"section name held by another kind of object",
         HostWindowState::Visible,
         Section::Blocked,
         0,
         0,
         0,
         kNoFile,
         kNoon,
         PopupVariant::None,
         {kObjectError},
         L"<absent>"},
        {"section absent: created here, reads as signed out",
         HostWindowState::Visible,
         Section::Absent,
         1,
         0,
         1,
         kNoFile,
         kNoon,
         PopupVariant::Benefit,
         {kValid, kFuli},
         L"<absent>"},
        {"signed out, lfl absent",
         HostWindowState::Visible,
         Section::Host,
         0,
         0,
         0,
         "",
         kNoon,
         PopupVariant::Benefit,
         {kValid, kFuli},
         L"<absent>"},
        {"signed out, lfl 2 days old",
         HostWindowState::Visible,
         Section::Host,
         0,
         0,
         0,
         "lfl=" + DaysAgo(2) + "\r\n",
         kNoon,
         PopupVariant::None,
         {kValid, kFuli, kFuliPoped},
         L"<absent>"},
        {"signed out, lfl 3 day numbers old (under 3x86400 s)",
         HostWindowState::Visible,
         Section::Host,
         0,
         0,
         0,
         "lfl=" + DaysAgo(3, 80000) + "\r\n",
         kNoon,
         PopupVariant::Benefit,
         {kValid, kFuli},
         L"<absent>"},
        {"signed out, negative lfl",
         HostWindowState::Visible,
         Section::Host,
         0,
         0,
         0,
         "lfl=-5\r\n",
         kNoon,
         PopupVariant::None,
         {kValid, kFuli, kFuliPoped},
         L"<absent>"},
        {"active member",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         1,
         "",
         kNoon,
         PopupVariant::None,
         {kValid},
         L"<absent>"},
        {"expiry today",
         HostWindowState::Visible,
         Section::Host,
         1,
         static_cast<uint32_t>(kToday * kDay + 100),
         0,
         "",
         kNoon,
         PopupVariant::None,
         {kValid, kNotVip, DayLine(20000, 20000, 0)},
         L"<absent>"},
        {"expiry tomorrow",
         HostWindowState::Visible,
         Section::Host,
         1,
         static_cast<uint32_t>((kToday + 1) * kDay),
         0,
         "",
         kNoon,
         PopupVariant::None,
         {kValid, kNotVip, DayLine(20000, 20001, -1)},
         L"<absent>"},
        {"expiry yesterday, flag unset",
         HostWindowState::Visible,
         Section::Host,
         1,
         static_cast<uint32_t>(kToday * kDay - 1),
         0,
         "",
         kNoon,
         PopupVariant::Renewal,
         {kValid, kNotVip, DayLine(20000, 19999, 1), kTimerOut},
         L"0"},
        {"expiry 0 (never a member), flag unset",
         HostWindowState::Visible,
         Section::Host,
         1,
         0,
         0,
         "",
         kNoon,
         PopupVariant::Renewal,
         {kValid, kNotVip, DayLine(20000, 0, 20000), kTimerOut},
         L"0"},
        {"flag 0, stamps absent",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=0\r\n",
         kNoon,
         PopupVariant::Upgrade,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut, kSevenDays},
         L"0"},
        {"flag 2",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=2\r\n",
         kNoon,
         PopupVariant::Renewal,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut},
         L"0"},
        {"flag -1",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=-1\r\n",
         kNoon,
         PopupVariant::Renewal,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut},
         L"0"},
        {"flag without digits",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=yes\r\n",
         kNoon,
         PopupVariant::Upgrade,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut, kSevenDays},
         L"0"},
        {"flag empty",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=\r\n",
         kNoon,
         PopupVariant::Upgrade,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut, kSevenDays},
         L"0"},
        {"only xf, yesterday; cz absent",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=0\r\nxf=" + DaysAgo(1) + "\r\n",
         kNoon,
         PopupVariant::Upgrade,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut, kSevenDays},
         L"0"},
        {"cz 2 days, xf 7 days",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=0\r\ncz=" + DaysAgo(2) + "\r\nxf=" + DaysAgo(7) + "\r\n",
         kNoon,
         PopupVariant::Upgrade,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut, kSevenDays},
         L"0"},
        {"cz 7 days, xf today",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=0\r\ncz=" + DaysAgo(7) + "\r\nxf=" + DaysAgo(0) + "\r\n",
         kNoon,
         PopupVariant::Upgrade,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut, kSevenDays},
         L"0"},
        {"cz 6 days, xf 1 day",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=0\r\ncz=" + DaysAgo(6) + "\r\nxf=" + DaysAgo(1) + "\r\n",
         kNoon,
         PopupVariant::None,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut},
         L"0"},
        {"flag without digits, stamps recent: consumed, nothing shown",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=none\r\n" + recent,
         kNoon,
         PopupVariant::None,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut},
         L"0"},
        {"negative cz and xf",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=0\r\ncz=-1\r\nxf=-86400\r\n",
         kNoon,
         PopupVariant::None,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut},
         L"0"},
        {"cz and xf beyond 32 bits saturate",
         HostWindowState::Visible,
         Section::Host,
         1,
         lapsed,
         0,
         "IsFristPopNudgebox=0\r\ncz=99999999999\r\nxf=99999999999\r\n",
         kNoon,
         PopupVariant::None,
         {kValid, kNotVip, DayLine(20000, 19990, 10), kTimerOut},
         L"0"},
        {"lfl 3 days back, one minute before 00:00 UTC",
         HostWindowState::Visible,
         Section::Host,
         0,
         0,
         0,
         "lfl=" + DaysAgo(3, 30) + "\r\n",
         kMidnight - 60,
         PopupVariant::None,
         {kValid, kFuli, kFuliPoped},
         L"<absent>"},
        {"lfl 3 days back, one minute after 00:00 UTC",
         HostWindowState::Visible,
         Section::Host,
         0,
         0,
         0,
         "lfl=" + DaysAgo(3, 30) + "\r\n",
         kMidnight + 60,
         PopupVariant::Benefit,
         {kValid, kFuli},
         L"<absent>"},
        {"expiry just before midnight, run one minute before",
         HostWindowState::Visible,
         Section::Host,
         1,
         static_cast<uint32_t>(kMidnight - 30),
         0,
         "",
         kMidnight - 60,
         PopupVariant::None,
         {kValid, kNotVip, DayLine(19999, 19999, 0)},
         L"<absent>"},
        {"expiry just before midnight, run one minute after",
         HostWindowState::Visible,
         Section::Host,
         1,
         static_cast<uint32_t>(kMidnight - 30),
         0,
         "",
         kMidnight + 60,
         PopupVariant::Renewal,
         {kValid, kNotVip, DayLine(20000, 19999, 1), kTimerOut},
         L"0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(kSandbox);
        MakePath(Expand(L"{S}root\\Config\\"));
        if (c.history != kNoFile)
            WriteHistory(c.history);

        HANDLE blocker = nullptr;
        if (c.section == Section::Host) {
            m_host.PublishRecord(c.loggedIn, c.vipExpiry, c.vipActive);
        } else {
            DropAllSections(m_host);
            if (c.section == Section::Blocked) {
                blocker = CreateEventW(nullptr, TRUE, FALSE, L"Local\\ZorvexUserInfo_MappingObject");
                ASSERT_NE(blocker, nullptr);
            }
        }
        m_host.SetWindow(c.window);
        m_log.Clear();

        EXPECT_EQ(Decide(c.now), c.expected);
        EXPECT_EQ(m_log.Lines(), c.lines);
        EXPECT_EQ(ReadIniValue(Expand(kHistory), L"Vip", L"IsFristPopNudgebox"), c.flagAfter);

        if (blocker)
            CloseHandle(blocker);
        if (c.section != Section::Host)
            DropAllSections(m_host);
    }
}

// The Renewal notice comes once per pop-history file: the first run that reaches the flag consumes it.
TEST_F(DecisionTest, FirstPopFlagIsConsumedOnce) {
    m_host.PublishRecord(1, static_cast<uint32_t>((kToday - 10) * kDay), 0);
    m_host.SetWindow(HostWindowState::Visible);

    // Runs that stop before the flag leave it alone.
    WriteHistory("lfl=" + DaysAgo(0) + "\r\nxf=" + DaysAgo(1) + "\r\ncz=" + DaysAgo(1) + "\r\n");
    m_host.PublishRecord(0, 0, 0);
    EXPECT_EQ(Decide(kNoon), PopupVariant::None);
    m_host.PublishRecord(1, 0, 1);
    EXPECT_EQ(Decide(kNoon), PopupVariant::None);
    EXPECT_EQ(ReadIniValue(Expand(kHistory), L"Vip", L"IsFristPopNudgebox"), L"<absent>");

    m_host.PublishRecord(1, static_cast<uint32_t>((kToday - 10) * kDay), 0);
    EXPECT_EQ(Decide(kNoon), PopupVariant::Renewal);
    EXPECT_EQ(ReadIniValue(Expand(kHistory), L"Vip", L"IsFristPopNudgebox"), L"0");
    EXPECT_EQ(Decide(kNoon), PopupVariant::None);
    // A week later the stamps are old enough for the repeated offer, never again for Renewal.
    EXPECT_EQ(Decide(kNoon + 6 * kDay), PopupVariant::Upgrade);
    EXPECT_EQ(Decide(kNoon + 6 * kDay), PopupVariant::Upgrade);

    // Without the "Config" folder the write is lost unnoticed and the notice returns every run.
    const std::wstring bare = L"{S}bare\\";
    MakePath(Expand(bare));
    EXPECT_EQ(Decide(kNoon, bare), PopupVariant::Renewal);
    EXPECT_EQ(Decide(kNoon, bare), PopupVariant::Renewal);
    EXPECT_FALSE(PathExists(Expand(L"{S}bare\\Config\\UseVestige.ini")));
}

// What a buy press writes is what the next run reads back.
TEST_F(DecisionTest, StampClickRoundTrip) {
    struct Case {
        const char* name;
        int64_t now;
        const wchar_t* written;
    };
    const Case cases[] = {
        {"present day", kNoon, L"1728043200"},
        {"after 2038: the low 32 bits as a signed number", 2147483648LL + 5, L"-2147483643"},
        {"after 2106: only the low 32 bits", 4294967296LL + 100, L"100"},
    };
    MakePath(Expand(L"{S}root\\Config\\"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPopConfigure config;
        config.m_strCfgRootPath = Expand(kRoot);
        config.LoadPopHistory();
        config.StampClick(L"cz", c.now);
        EXPECT_EQ(ReadIniValue(Expand(kHistory), L"Vip", L"cz"), c.written);
    }

    CPopConfigure pressed;
    pressed.m_strCfgRootPath = Expand(kRoot);
    pressed.LoadPopHistory();
    pressed.StampClick(L"lfl", kNoon);
    pressed.StampClick(L"xf", kNoon);
    pressed.StampClick(L"cz", kNoon);
    CPopConfigure next;
    next.m_strCfgRootPath = Expand(kRoot);
    next.LoadPopHistory();
    EXPECT_EQ(next.m_strVestigeIniPath, Expand(kHistory));
    EXPECT_EQ(next.m_strBenefitClickTime, L"1728043200");
    EXPECT_FALSE(next.IsBenefitDue(kNoon + 2 * kDay));
    EXPECT_TRUE(next.IsBenefitDue(kNoon + 3 * kDay));
    EXPECT_FALSE(next.IsUpgradeDue(kNoon + 6 * kDay));
    EXPECT_TRUE(next.IsUpgradeDue(kNoon + 7 * kDay));
}

TEST(DayArithmetic, StampParsing) {
    struct Case {
        const wchar_t* text;
        int32_t value;
        int32_t day;
    };
    const Case cases[] = {
        {L"", 0, 0},
        {L"abc", 0, 0},
        {L"-", 0, 0},
        {L"+", 0, 0},
        {L"  42", 42, 0},
        {L"\t\r\n\v\f 86400", 86400, 1},
        {L"+1728043200", 1728043200, 20000},
        {L"1728043200xyz", 1728043200, 20000},
        {L"17 28", 17, 0},
        {L"0x10", 0, 0},
        {L"2147483647", 2147483647, 24855},
        {L"2147483648", 2147483647, 24855},
        {L"99999999999999999999999999", 2147483647, 24855},
        {L"-1", -1, 49710},
        {L"-86400", -86400, 49709},
        {L"-2147483648", INT32_MIN, 24855},
        {L"-2147483649", INT32_MIN, 24855},
        {L"-99999999999999999999", INT32_MIN, 24855},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(std::wstring(L"[") + c.text + L"]"));
        EXPECT_EQ(ParseDecimalInt32(c.text), c.value);
        EXPECT_EQ(StampDayNumber(c.text), c.day);
    }
    EXPECT_EQ(ParseDecimalInt32(nullptr), 0);
    EXPECT_EQ(DayNumberOf(kMidnight - 60), 19999);
    EXPECT_EQ(DayNumberOf(kMidnight + 60), 20000);
    EXPECT_EQ(DayDifference(20000, 49710), -29710);
    EXPECT_EQ(DayDifference(INT32_MIN, 1), INT32_MAX);
}

} // namespace
