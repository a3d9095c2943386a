// Writes each argument as one diagnostic log line ("-" writes an empty format), so that tests can run
// the logger under an executable name of their choosing.
#include <cwchar>

#include "services/DiagnosticLog.h"

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"-") == 0)
            WriteDiagnosticLog(L"");
        else
            WriteDiagnosticLog(L"%s", argv[i]);
    }
    return 0;
}
