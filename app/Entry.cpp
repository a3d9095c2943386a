#include "app/Entry.h"

#include <shellapi.h>

#include <cwchar>

#include "app/UniqueHandle.h"

namespace {

// Everything after the gate: the configuration, the decision and the popup join here in that order.
// Until they are part of the program a run ends with nothing to show.
int RunLaunchSequence(HINSTANCE /*instance*/) noexcept {
    return 0;
}

} // namespace

bool HasStartSwitchIn(const wchar_t* commandLine) noexcept {
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(commandLine, &count);
    UniqueLocal owner(args); // freed in every case, also when the split failed
    if (!args)
        return false;
    for (int i = 0; i < count; ++i) {
        if (args[i] && _wcsicmp(args[i], L"/start") == 0)
            return true;
    }
    return false;
}

bool HasStartSwitch() noexcept {
    return HasStartSwitchIn(::GetCommandLineW());
}

int RunNudgebox(HINSTANCE instance) noexcept {
    if (!HasStartSwitch())
        return 0;
    return RunLaunchSequence(instance);
}
