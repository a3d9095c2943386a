// The process entry: the "/start" gate and the launch sequence of one run.
#pragma once

#include <windows.h>

// True when an element of the process command line is "/start" (any letter case). A command line that
// cannot be split counts as carrying no switch.
[[nodiscard]] bool HasStartSwitch() noexcept;

// The same rule over an explicit command line, for callers that hold one already.
[[nodiscard]] bool HasStartSwitchIn(const wchar_t* commandLine) noexcept;

// Runs one pass: the gate, then the configuration, the decision and the popup. Returns the exit code.
[[nodiscard]] int RunNudgebox(HINSTANCE instance) noexcept;
