#include <gtest/gtest.h>

#include "app/Entry.h"

namespace {

TEST(StartSwitch, WholeElementAnyCaseAnyPosition) {
    struct Case {
        const wchar_t* commandLine;
        bool expected;
    } cases[] = {
        {L"Nudgebox.exe /start", true},
        {L"Nudgebox.exe /START", true},
        {L"Nudgebox.exe /StArT", true},
        {L"Nudgebox.exe -x foo /start bar", true},
        {L"Nudgebox.exe \"/start\"", true},
        {L"/start", true}, // the program path itself is compared too
        {L"\"C:\\Program Files\\Nudgebox.exe\" /start", true},
        {L"Nudgebox.exe", false},
        {L"Nudgebox.exe start", false},
        {L"Nudgebox.exe -start", false},
        {L"Nudgebox.exe \\start", false},
        {L"Nudgebox.exe /started", false},
        {L"Nudgebox.exe /star", false},
        {L"Nudgebox.exe /start/", false},
        {L"Nudgebox.exe \"/start x\"", false},
        {L"Nudgebox.exe x/start", false},
        {L"Nudgebox.exe /startx /xstart", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HasStartSwitchIn(c.commandLine), c.expected)
            << "command line: " << testing::PrintToString(std::wstring(c.commandLine));
}

TEST(StartSwitch, FailedSplitCountsAsAbsent) {
    EXPECT_FALSE(HasStartSwitchIn(nullptr));
}

TEST(StartSwitch, ThisTestProcessHasNone) {
    EXPECT_FALSE(HasStartSwitch());
}

} // namespace
