// Opens a web page for the user: in a browser already running, else through the registered handler of
// web links, else in Internet Explorer. Starts the browser and returns; never waits for it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

inline constexpr std::size_t kBrowserProcessNameCount = 13;
extern const wchar_t* const kBrowserProcessNames[kBrowserProcessNameCount];

// A command line handed to StartCommandLine must fit this many characters, terminator included.
inline constexpr std::size_t kCommandLineCapacity = 1000;

struct BrowserProcessRecord {
    std::wstring m_strName; // executable name, upper-cased
    std::wstring m_strPath; // program file; empty when unreadable
};

// Opens the URL. Always true; the outcome of the launch is not known.
bool OpenUrlInBrowser(const wchar_t* url) noexcept;

// The routes after the search for a running browser: that browser when its program path is known,
// else the default browser or Internet Explorer.
void OpenUrlAfterBrowserSearch(const wchar_t* url, const BrowserProcessRecord* running) noexcept;

// Appends the first running known browser (in the process snapshot's order) that can be opened.
[[nodiscard]] bool FindRunningBrowser(std::vector<BrowserProcessRecord>& list) noexcept;
// The "http" open command names a quoted program file that exists.
[[nodiscard]] bool IsDefaultBrowserRegistered() noexcept;
// The shell's "open" on the URL; on failure Internet Explorer from its fixed place on the Windows drive.
void ShellOpenUrl(const wchar_t* url) noexcept;
// Internet Explorer's program file from its App Paths key (or Program Files when that key names none).
[[nodiscard]] bool FindInternetExplorer(std::wstring& path) noexcept;
void LaunchInternetExplorer(const wchar_t* url) noexcept;
// Starts the command line without waiting. A line that does not fit kCommandLineCapacity is not started:
// a cut line could lose the URL's closing quote or open a different page.
void StartCommandLine(const std::wstring& commandLine) noexcept;

// The URL as one command-line argument: in double quotes, any double quote inside percent-encoded and
// backslashes before the closing quote doubled, so the browser reads back exactly the URL.
[[nodiscard]] std::wstring QuoteUrlArgument(const wchar_t* url) noexcept;
// The URL with any double quote percent-encoded (%22); every other character is kept.
[[nodiscard]] std::wstring EscapeUrlQuotes(const wchar_t* url) noexcept;
