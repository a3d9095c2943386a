// hostsim: a stand-in for the host product, for tests, demos and integration work without the host.
// It owns windows of the host's class, publishes the user-info section and records the private
// message. The record layout is written out by offset on purpose: this program is the other side of the
// inter-process format and must not share the reader's declaration of it.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kClassName[] = L"Zorvex_WidgetWin_0";
constexpr wchar_t kSectionName[] = L"Local\\ZorvexUserInfo_MappingObject";
constexpr UINT kHostMessage = 0x0489;
constexpr DWORD kSectionSize = 1024;
constexpr size_t kSignOffset = 20;
constexpr size_t kSignCapacity = kSectionSize - kSignOffset;
constexpr UINT_PTR kPollTimer = 1;

const wchar_t kHelp[] =
    L"hostsim - plays the Zorvex host for Nudgebox.\n"
    L"\n"
    L"usage: hostsim [options]\n"
    L"\n"
    L"Windows (class \"Zorvex_WidgetWin_0\"):\n"
    L"  --window SPEC       add a top-level window; repeat for several. The windows are stacked in the\n"
    L"                      order given, so the first one is the first a window enumeration meets.\n"
    L"                      SPEC is a comma list of: visible | hidden, caption | border | dlgframe |\n"
    L"                      nocaption, title=TEXT. Default when no --window is given: visible,caption.\n"
    L"  --no-window         no window at all.\n"
    L"  --reply N           value returned for message 0x0489 (default 0).\n"
    L"\n"
    L"User-info section \"Local\\ZorvexUserInfo_MappingObject\" (1024 bytes, record by byte offset):\n"
    L"  --logged-in N       offset 4, signed 32-bit (default 0).\n"
    L"  --expiry T          offset 8, unsigned seconds since 1970 UTC; T is a number or now, now+S,\n"
    L"                      now-S, or now-Nd / now+Nd for days (default 0).\n"
    L"  --active N          offset 16, signed 32-bit (default 0).\n"
    L"  --sign TEXT         offset 20, TEXT converted to code page 936, zero-terminated.\n"
    L"  --sign-hex HEX      offset 20, raw bytes given as hex digits (e.g. c4e3bac3), zero-terminated.\n"
    L"  --no-terminator     fill the whole sign area (bytes 20..1023) by repeating the sign's bytes\n"
    L"                      (or 'A' for an empty sign), so no zero byte follows it inside the view.\n"
    L"  --no-section        publish no section.\n"
    L"\n"
    L"Run control:\n"
    L"  --record FILE       append one line per 0x0489 received:\n"
    L"                        message 0x0489 wparam=W lparam=L foreground=0|1 window=INDEX\n"
    L"  --ready-file FILE   written once everything is set up: one line per window\n"
    L"                        window INDEX 0xHWND visible|hidden STYLE\n"
    L"                      then \"section created\", \"section existed\" or \"section none\", then "
    L"\"ready\".\n"
    L"  --quit-file FILE    exit when FILE appears (polled every 50 ms).\n"
    L"  --timeout SECONDS   exit after this long (default 60; 0 = never).\n"
    L"  --help              this text.\n"
    L"\n"
    L"It also exits when one of its windows receives WM_CLOSE. \"ready\" is printed on standard output\n"
    L"when set up. Exit code 0, or 2 for a bad option or a failed set-up.\n";

struct WindowSpec {
    bool visible = true;
    DWORD captionBits = WS_CAPTION;
    std::wstring title = L"Zorvex";
};

struct Options {
    std::vector<WindowSpec> windows;
    bool noWindow = false;
    LRESULT reply = 0;
    std::int32_t loggedIn = 0;
    std::uint32_t expiry = 0;
    std::int32_t active = 0;
    std::string sign;
    bool noTerminator = false;
    bool noSection = false;
    std::wstring recordFile;
    std::wstring readyFile;
    std::wstring quitFile;
    DWORD timeoutSeconds = 60;
};

struct State {
    std::vector<HWND> windows;
    std::wstring recordFile;
    std::wstring quitFile;
    LRESULT reply = 0;
    ULONGLONG deadline = 0;
};

State g_state; // the one process-wide state of this tool; its window procedure reads it

struct Handle {
    HANDLE h = nullptr;
    ~Handle() {
        if (h)
            CloseHandle(h);
    }
};
struct View {
    void* p = nullptr;
    ~View() {
        if (p)
            UnmapViewOfFile(p);
    }
};

bool Fail(const wchar_t* what, const wchar_t* detail = L"") {
    std::fwprintf(stderr, L"hostsim: %ls%ls\n", what, detail);
    return false;
}

std::string ToCodePage(const std::wstring& text, UINT codePage) {
    if (text.empty())
        return {};
    int n = WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr,
                            nullptr);
    return out;
}

bool ParseHex(const std::wstring& hex, std::string& out) {
    if (hex.size() % 2)
        return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        wchar_t pair[3] = {hex[i], hex[i + 1], 0};
        wchar_t* end = nullptr;
        unsigned long v = std::wcstoul(pair, &end, 16);
        if (*end)
            return false;
        out.push_back(static_cast<char>(v));
    }
    return true;
}

bool ParseExpiry(const std::wstring& text, std::uint32_t& out) {
    wchar_t* end = nullptr;
    if (text.compare(0, 3, L"now") == 0) {
        long long value = static_cast<long long>(std::time(nullptr));
        std::wstring rest = text.substr(3);
        if (!rest.empty()) {
            long long delta = std::wcstoll(rest.c_str(), &end, 10);
            if (*end == L'd') {
                delta *= 86400;
                ++end;
            }
            if (*end)
                return false;
            value += delta;
        }
        out = static_cast<std::uint32_t>(value);
        return true;
    }
    unsigned long long value = std::wcstoull(text.c_str(), &end, 10);
    if (text.empty() || *end)
        return false;
    out = static_cast<std::uint32_t>(value);
    return true;
}

bool ParseWindow(const std::wstring& spec, WindowSpec& w) {
    size_t start = 0;
    while (start <= spec.size()) {
        size_t comma = spec.find(L',', start);
        std::wstring item =
            spec.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        if (item == L"visible")
            w.visible = true;
        else if (item == L"hidden")
            w.visible = false;
        else if (item == L"caption")
            w.captionBits = WS_CAPTION;
        else if (item == L"border")
            w.captionBits = WS_BORDER;
        else if (item == L"dlgframe")
            w.captionBits = WS_DLGFRAME;
        else if (item == L"nocaption")
            w.captionBits = 0;
        else if (item.compare(0, 6, L"title=") == 0)
            w.title = item.substr(6);
        else if (!item.empty())
            return Fail(L"unknown window attribute: ", item.c_str());
        if (comma == std::wstring::npos)
            break;
        start = comma + 1;
    }
    return true;
}

bool ParseArgs(int argc, wchar_t** argv, Options& o, bool& help) {
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        auto value = [&](std::wstring& v) {
            if (i + 1 >= argc)
                return Fail(L"missing value for ", a.c_str());
            v = argv[++i];
            return true;
        };
        std::wstring v;
        if (a == L"--help" || a == L"-h" || a == L"/?") {
            help = true;
        } else if (a == L"--window") {
            WindowSpec w;
            if (!value(v) || !ParseWindow(v, w))
                return false;
            o.windows.push_back(w);
        } else if (a == L"--no-window") {
            o.noWindow = true;
        } else if (a == L"--reply") {
            if (!value(v))
                return false;
            o.reply = static_cast<LRESULT>(std::wcstoll(v.c_str(), nullptr, 0));
        } else if (a == L"--logged-in") {
            if (!value(v))
                return false;
            o.loggedIn = static_cast<std::int32_t>(std::wcstol(v.c_str(), nullptr, 0));
        } else if (a == L"--active") {
            if (!value(v))
                return false;
            o.active = static_cast<std::int32_t>(std::wcstol(v.c_str(), nullptr, 0));
        } else if (a == L"--expiry") {
            if (!value(v) || !ParseExpiry(v, o.expiry))
                return Fail(L"bad --expiry");
        } else if (a == L"--sign") {
            if (!value(v))
                return false;
            o.sign = ToCodePage(v, 936);
        } else if (a == L"--sign-hex") {
            if (!value(v) || !ParseHex(v, o.sign))
                return Fail(L"bad --sign-hex");
        } else if (a == L"--no-terminator") {
            o.noTerminator = true;
        } else if (a == L"--no-section") {
            o.noSection = true;
        } else if (a == L"--record") {
            if (!value(o.recordFile))
                return false;
        } else if (a == L"--ready-file") {
            if (!value(o.readyFile))
                return false;
        } else if (a == L"--quit-file") {
            if (!value(o.quitFile))
                return false;
        } else if (a == L"--timeout") {
            if (!value(v))
                return false;
            o.timeoutSeconds = static_cast<DWORD>(std::wcstoul(v.c_str(), nullptr, 10));
        } else {
            return Fail(L"unknown option: ", a.c_str());
        }
    }
    if (o.sign.size() > kSignCapacity)
        return Fail(L"sign longer than the record's 1004 bytes");
    if (o.windows.empty() && !o.noWindow)
        o.windows.push_back(WindowSpec{});
    if (o.noWindow)
        o.windows.clear();
    return true;
}

void AppendLine(const std::wstring& file, const std::string& line) {
    if (file.empty())
        return;
    HANDLE h =
        CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD put = 0;
    WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &put, nullptr);
    CloseHandle(h);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kHostMessage: {
        size_t index = 0;
        while (index < g_state.windows.size() && g_state.windows[index] != hwnd)
            ++index;
        char line[200];
        std::snprintf(line, sizeof line, "message 0x0489 wparam=%llu lparam=%lld foreground=%d window=%u\n",
                      static_cast<unsigned long long>(wParam), static_cast<long long>(lParam),
                      GetForegroundWindow() == hwnd ? 1 : 0, static_cast<unsigned>(index));
        AppendLine(g_state.recordFile, line);
        return g_state.reply;
    }
    case WM_TIMER:
        if (wParam == kPollTimer) {
            bool quit = !g_state.quitFile.empty() &&
                        GetFileAttributesW(g_state.quitFile.c_str()) != INVALID_FILE_ATTRIBUTES;
            if (g_state.deadline && GetTickCount64() >= g_state.deadline)
                quit = true;
            if (quit)
                PostQuitMessage(0);
        }
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

bool PublishSection(const Options& o, Handle& section, View& view, const char*& status) {
    status = "section none";
    if (o.noSection)
        return true;
    section.h =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSectionSize, kSectionName);
    const DWORD error = GetLastError();
    if (!section.h)
        return Fail(L"cannot create the section");
    status = error == ERROR_ALREADY_EXISTS ? "section existed" : "section created";
    view.p = MapViewOfFile(section.h, FILE_MAP_ALL_ACCESS, 0, 0, kSectionSize);
    if (!view.p)
        return Fail(L"cannot map the section");
    unsigned char* bytes = static_cast<unsigned char*>(view.p);
    std::memset(bytes, 0, kSectionSize);
    auto put32 = [&](size_t offset, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(4, static_cast<std::uint32_t>(o.loggedIn));
    put32(8, o.expiry);
    put32(16, static_cast<std::uint32_t>(o.active));
    std::memcpy(bytes + kSignOffset, o.sign.data(), o.sign.size());
    if (o.noTerminator) {
        const std::string fill = o.sign.empty() ? std::string("A") : o.sign;
        for (size_t i = 0; i < kSignCapacity; ++i)
            bytes[kSignOffset + i] = static_cast<unsigned char>(fill[i % fill.size()]);
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options o;
    bool help = false;
    if (!ParseArgs(argc, argv, o, help))
        return 2;
    if (help) {
        std::fputws(kHelp, stdout);
        return 0;
    }

    Handle section;
    View view;
    const char* sectionStatus = nullptr;
    if (!PublishSection(o, section, view, sectionStatus))
        return 2;

    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
        return Fail(L"cannot register the window class"), 2;
    wc.lpszClassName = L"HostsimTimer";
    if (!RegisterClassExW(&wc))
        return Fail(L"cannot register the window class"), 2;

    g_state.recordFile = o.recordFile;
    g_state.quitFile = o.quitFile;
    g_state.reply = o.reply;
    if (o.timeoutSeconds)
        g_state.deadline = GetTickCount64() + static_cast<ULONGLONG>(o.timeoutSeconds) * 1000;
    if (!o.recordFile.empty())
        AppendLine(o.recordFile, ""); // the file exists from the start, empty until a message arrives

    // A helper window keeps the poll timer alive also when the run has no host window.
    HWND timerWindow = CreateWindowExW(0, L"HostsimTimer", L"hostsim timer", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, instance, nullptr);
    if (!timerWindow)
        return Fail(L"cannot create the timer window"), 2;
    SetTimer(timerWindow, kPollTimer, 50, nullptr);

    std::string ready;
    g_state.windows.assign(o.windows.size(), nullptr);
    // Created last to first: a new window goes on top, so creation alone already gives the order.
    for (size_t k = o.windows.size(); k-- > 0;) {
        const WindowSpec& w = o.windows[k];
        // A pop-up style: an overlapped window would get caption bits from the system whatever was asked.
        DWORD style = WS_POPUP | WS_CLIPSIBLINGS | w.captionBits;
        if (w.captionBits == WS_CAPTION)
            style |= WS_SYSMENU | WS_MINIMIZEBOX;
        const int offset = 40 + 30 * static_cast<int>(k);
        HWND hwnd = CreateWindowExW(0, kClassName, w.title.c_str(), style, offset, offset, 420, 260, nullptr,
                                    nullptr, instance, nullptr);
        if (!hwnd)
            return Fail(L"cannot create a window"), 2;
        if (w.visible)
            ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        g_state.windows[k] = hwnd;
    }
    // Showing a window may restack it: put them in the order given and check it as a finder sees it.
    bool ordered = g_state.windows.empty();
    for (int attempt = 0; attempt < 40 && !ordered; ++attempt) {
        SetWindowPos(g_state.windows[0], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        for (size_t i = 1; i < g_state.windows.size(); ++i)
            SetWindowPos(g_state.windows[i], g_state.windows[i - 1], 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        MSG pending;
        while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&pending);
        std::vector<HWND> seen;
        for (HWND h = FindWindowExW(nullptr, nullptr, kClassName, nullptr); h;
             h = FindWindowExW(nullptr, h, kClassName, nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == GetCurrentProcessId())
                seen.push_back(h);
        }
        ordered = seen == g_state.windows;
        if (!ordered)
            Sleep(25);
    }
    if (!ordered)
        return Fail(L"cannot stack the windows in the order given"), 2;

    for (size_t i = 0; i < g_state.windows.size(); ++i) {
        HWND hwnd = g_state.windows[i];
        char line[160];
        std::snprintf(line, sizeof line, "window %u 0x%llx %s 0x%08lx\n", static_cast<unsigned>(i),
                      static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)),
                      IsWindowVisible(hwnd) ? "visible" : "hidden",
                      static_cast<unsigned long>(GetWindowLongPtrW(hwnd, GWL_STYLE)));
        ready += line;
    }
    ready += sectionStatus;
    ready += "\nready\n";
    if (!o.readyFile.empty()) {
        // Written whole under a temporary name, then renamed: a waiting reader never sees half of it.
        std::wstring temp = o.readyFile + L".tmp";
        DeleteFileW(temp.c_str());
        AppendLine(temp, ready);
        MoveFileExW(temp.c_str(), o.readyFile.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    for (HWND hwnd : g_state.windows)
        DestroyWindow(hwnd);
    DestroyWindow(timerWindow);
    return 0;
}
