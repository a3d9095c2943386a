#include "app/Entry.h"

#include <shellapi.h>

#include <cwchar>

#include "app/PopConfigure.h"
#include "app/UniqueHandle.h"

namespace {

// The popup for a decided variant: COM, the framework's instance, the window and its message loop.
// The popup window joins the program here; until then a due popup ends the run like no popup.
int ShowPopup(HINSTANCE /*instance*/, PopupVariant /*variant*/) noexcept {
    return 0;
}

// Everything after the gate, in this order: the configuration, the decision, the popup.
int RunLaunchSequence(HINSTANCE instance) noexcept {
    // The first step that writes to the diagnostic log.
    InitPopConfigure(GetPopConfigure());
    const PopupVariant variant = DecidePopupVariant();
    if (variant == PopupVariant::None)
        return 0;
    return ShowPopup(instance, variant);
}

} // namespace

bool HasStartSwitchIn(const wchar_t* commandLine) noexcept {
    // The system's splitter reads through a null line instead of failing.
    if (!commandLine)
        return false;
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
