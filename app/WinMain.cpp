#include <windows.h>

#include "app/Entry.h"

// The command line is read again from the system and the show command is ignored.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return RunNudgebox(instance);
}
