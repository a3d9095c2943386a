#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/HostWindow.h"
#include "app/SharedSection.h"
#include "tests/spine/HostSim.h"

namespace {

using nudge::test::HostSim;

struct WindowSpec {
    bool visible;
    DWORD captionBits;
};

struct OwnedWindows {
    std::vector<HWND> windows;
    ~OwnedWindows() {
        for (HWND w : windows)
            DestroyWindow(w);
    }
};

ATOM RegisterHostClass() {
    static ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kHostWindowClass;
        return RegisterClassExW(&wc);
    }();
    return atom;
}

TEST(FindHostWindow, CriteriaWithRealWindows) {
    ASSERT_NE(RegisterHostClass(), 0);
    struct Case {
        const char* name;
        std::vector<WindowSpec> windows; // in enumeration order
        int expected;                    // index, or -1 for none
    } cases[] = {
        {"no window", {}, -1},
        {"hidden with caption", {{false, WS_CAPTION}}, -1},
        {"visible without caption bit", {{true, 0}}, -1},
        {"visible with border bit only", {{true, WS_BORDER}}, 0},
        {"visible with dialog-frame bit only", {{true, WS_DLGFRAME}}, 0},
        {"later window qualifies", {{false, WS_CAPTION}, {true, 0}, {true, WS_CAPTION}}, 2},
        {"first of several", {{true, WS_CAPTION}, {true, WS_BORDER}, {true, WS_CAPTION}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OwnedWindows owned;
        for (const WindowSpec& spec : c.windows) {
            HWND w = CreateWindowExW(0, kHostWindowClass, L"Zorvex", WS_POPUP | spec.captionBits, 10, 10, 200,
                                     100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
            ASSERT_NE(w, nullptr);
            if (spec.visible)
                ShowWindow(w, SW_SHOWNOACTIVATE);
            owned.windows.push_back(w);
        }
        for (size_t i = 0; i < owned.windows.size(); ++i)
            SetWindowPos(owned.windows[i], i ? owned.windows[i - 1] : HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // The stacking is the enumeration order the rule depends on: make sure it took.
        std::vector<HWND> seen;
        for (HWND w = FindWindowExW(nullptr, nullptr, kHostWindowClass, nullptr); w;
             w = FindWindowExW(nullptr, w, kHostWindowClass, nullptr))
            seen.push_back(w);
        ASSERT_EQ(seen, owned.windows);
        EXPECT_EQ(FindHostWindow(),
                  c.expected < 0 ? nullptr : owned.windows[static_cast<size_t>(c.expected)]);
    }
}

TEST(FindHostWindow, HostsimWindowsInTheirGivenOrder) {
    HostSim host(L"--no-section --window hidden --window visible,nocaption --window visible,border "
                 L"--window visible,caption");
    ASSERT_TRUE(host.Ready()) << host.ReadyText();
    const std::vector<HWND> windows = host.Windows();
    ASSERT_EQ(windows.size(), 4u);
    std::vector<HWND> seen;
    for (HWND w = FindWindowExW(nullptr, nullptr, kHostWindowClass, nullptr); w;
         w = FindWindowExW(nullptr, w, kHostWindowClass, nullptr))
        seen.push_back(w);
    ASSERT_EQ(seen, windows);
    EXPECT_EQ(FindHostWindow(), windows[2]);
}

// A holder left by an earlier test would keep the section alive and make it the host's.
void ReleaseHolder() {
    if (GetUserInfoHolder())
        GetUserInfoHolder()->CloseSection();
}

std::string ViewBytes(size_t count) {
    const void* view = GetUserInfoHolder() ? GetUserInfoHolder()->View() : nullptr;
    return view ? std::string(static_cast<const char*>(view), count) : std::string();
}

TEST(UserInfoMemory, CreatedHereWhenTheHostHasNone) {
    ReleaseHolder();
    HostSim host(L"--no-section");
    ASSERT_TRUE(host.Ready()) << host.ReadyText();
    OpenUserInfoMemory();
    ASSERT_NE(GetUserInfoRecord(), nullptr);
    EXPECT_EQ(GetUserInfoHolder()->CreatedSize(), 65536u);
    EXPECT_EQ(GetUserInfoHolder()->Name(), kUserInfoSectionName);
    EXPECT_EQ(ViewBytes(1024), std::string(1024, '\0'));
    EXPECT_EQ(ReadPaySign(), L"");

    // The system made the section 64 KiB, not the 1 KiB of the view.
    HANDLE other = OpenFileMappingW(FILE_MAP_READ, FALSE, kUserInfoSectionName);
    ASSERT_NE(other, nullptr);
    void* whole = MapViewOfFile(other, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(whole, nullptr);
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_NE(VirtualQuery(whole, &info, sizeof info), 0u);
    EXPECT_GE(info.RegionSize, 65536u);
    UnmapViewOfFile(whole);
    CloseHandle(other);

    // Opening again replaces the holder; the old one is closed first, so the section is created afresh.
    SharedSection* first = GetUserInfoHolder();
    OpenUserInfoMemory();
    EXPECT_NE(GetUserInfoHolder(), nullptr);
    EXPECT_NE(GetUserInfoHolder(), first);
    EXPECT_NE(GetUserInfoRecord(), nullptr);
}

TEST(UserInfoMemory, ReadsTheHostsRecord) {
    struct Case {
        const wchar_t* options;
        std::int32_t loggedIn;
        std::uint32_t expiry;
        std::int32_t active;
        std::string signBytes;
        std::wstring sign;
    } cases[] = {
        {L"--logged-in 1 --expiry 1700000000 --active 1 --sign \x4E2D\x6587\x6D4B\x8BD5", 1, 1700000000u, 1,
         "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4", L"\x4E2D\x6587\x6D4B\x8BD5"},
        {L"--logged-in -7 --expiry 4294967295 --active 0 --sign-hex 61622d3d", -7, 4294967295u, 0,
         "ab-=", L"ab-="},
        {L"--logged-in 0 --active 5", 0, 0, 5, "", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.options)));
        ReleaseHolder();
        HostSim host(c.options);
        ASSERT_TRUE(host.Ready()) << host.ReadyText();
        ASSERT_NE(host.ReadyText().find("section created"), std::string::npos);
        OpenUserInfoMemory();
        const ZorvexUserInfoRecord* record = GetUserInfoRecord();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(GetUserInfoHolder()->CreatedSize(), 0u);
        EXPECT_EQ(record->LoggedIn, c.loggedIn);
        EXPECT_EQ(record->VipExpiry, c.expiry);
        EXPECT_EQ(record->VipActive, c.active);
        EXPECT_EQ(ReadPaySignBytes(), c.signBytes);
        EXPECT_EQ(ReadPaySign(), c.sign);
    }
}

TEST(UserInfoMemory, SignWithoutTerminatorStopsAtTheEndOfTheView) {
    HostSim host(L"--logged-in 1 --sign-hex c4e3bac3 --no-terminator");
    ASSERT_TRUE(host.Ready()) << host.ReadyText();
    OpenUserInfoMemory();
    ASSERT_NE(GetUserInfoRecord(), nullptr);
    std::string expectedBytes;
    std::wstring expected;
    for (int i = 0; i < 251; ++i) {
        expectedBytes += "\xC4\xE3\xBA\xC3";
        expected += L"\x4F60\x597D";
    }
    EXPECT_EQ(ReadPaySignBytes(), expectedBytes);
    EXPECT_EQ(ReadPaySign(), expected);
}

TEST(UserInfoMemory, HostsimRecordsItsPrivateMessage) {
    HostSim host(L"--no-section --reply 7");
    ASSERT_TRUE(host.Ready()) << host.ReadyText();
    HWND hostWindow = FindHostWindow();
    ASSERT_EQ(hostWindow, host.Windows().at(0));
    EXPECT_EQ(SendMessageW(hostWindow, kHostMessage, 0, 0), 7);
    EXPECT_EQ(SendMessageW(hostWindow, kHostMessage, 3, -4), 7);
    const std::string record = host.Record();
    EXPECT_NE(record.find("message 0x0489 wparam=0 lparam=0 foreground="), std::string::npos) << record;
    EXPECT_NE(record.find("message 0x0489 wparam=3 lparam=-4 foreground="), std::string::npos) << record;
}

TEST(SharedSectionTest, FailurePathsLeaveNothingHeld) {
    SharedSection section;
    EXPECT_FALSE(section.MapView(1024));
    EXPECT_FALSE(section.OpenOrCreateSection("Local\\NudgeSpineTest", true, 0));
    EXPECT_FALSE(section.OpenOrCreateSection("Local\\NudgeSpineTest", true, 0xFFFFFFFFu));
    EXPECT_EQ(section.SectionHandle(), nullptr);

    ASSERT_TRUE(section.OpenOrCreateSection("Local\\NudgeSpineTest", false, 1));
    EXPECT_EQ(section.CreatedSize(), 65536u);
    EXPECT_EQ(section.Name(), L"Local\\NudgeSpineTest");
    ASSERT_TRUE(section.MapView(4096));
    static_cast<char*>(section.View())[0] = 'x';

    // A second opener sees the first one's section and bytes; without openExisting it must give up.
    SharedSection second;
    EXPECT_FALSE(second.OpenOrCreateSection("Local\\NudgeSpineTest", false, 1024));
    EXPECT_EQ(second.SectionHandle(), nullptr);
    ASSERT_TRUE(second.OpenOrCreateSection("Local\\NudgeSpineTest", true, 1024));
    EXPECT_EQ(second.CreatedSize(), 0u);
    ASSERT_TRUE(second.MapView(1024));
    EXPECT_EQ(static_cast<const char*>(second.View())[0], 'x');

    section.CloseSection();
    EXPECT_EQ(section.View(), nullptr);
    EXPECT_EQ(section.SectionHandle(), nullptr);

    SharedSection anonymous;
    EXPECT_TRUE(anonymous.OpenOrCreateSection("", false, 100));
    EXPECT_TRUE(anonymous.MapView(100));
}

TEST(PaySignDecoding, CodePage936ToUtf16) {
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t capacity;
        std::wstring expected;
    } cases[] = {
        {"GBK text", "\xC4\xE3\xBA\xC3\xCA\xC0\xBD\xE7", 8, L"\x4F60\x597D\x4E16\x754C"},
        {"ASCII token", "ab12==", 6, L"ab12=="},
        {"stops at the terminator", std::string("abc\0def", 7), 7, L"abc"},
        {"empty", std::string("\0xyz", 4), 4, L""},
        {"no terminator inside the capacity", "abcdef", 4, L"abcd"},
        {"mixed", "id=\xD6\xD0&x", 7, L"id=\x4E2D&x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodePaySign(c.bytes.data(), c.capacity), c.expected) << c.name;
    EXPECT_EQ(DecodePaySign(nullptr, 10), L"");
}

TEST(PaySignDecoding, MutatedViewsNeverReadPastTheirEnd) {
    std::mt19937 random(20261211);
    std::string seed;
    for (int i = 0; i < 40; ++i)
        seed += "\xC4\xE3\xBA\xC3"
                "ab";
    for (int round = 0; round < 5000; ++round) {
        std::string bytes = seed;
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e)
            bytes[random() % bytes.size()] = static_cast<char>(random() % 256);
        const std::size_t capacity = random() % (bytes.size() + 1);
        // Exactly the capacity in a buffer of its own, so a read past it is caught by the heap checker.
        std::vector<char> exact(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(capacity));
        const std::wstring decoded = DecodePaySign(exact.data(), exact.size());
        ASSERT_LE(decoded.size(), capacity) << "round " << round;
        ASSERT_EQ(decoded.find(L'\0'), std::wstring::npos) << "round " << round;
    }
}

} // namespace
