// A stand-in browser for the launcher's tests. Started with "--stay" it idles (so the process snapshot
// sees it) until it is ended or a minute has passed. Started otherwise it records its command line and
// each argument as the C run-time would split them, one per line in UTF-8, into <program>.record.txt
// beside itself, and exits. The record appears whole: it is written to a temporary file and renamed.
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

std::string ToUtf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                            nullptr);
    return out;
}

std::wstring RecordBase() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring base = path;
    const size_t dot = base.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > base.find_last_of(L'\\'))
        base.resize(dot);
    return base;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* line = GetCommandLineW();
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(line, &argc);
    if (argv && argc >= 2 && lstrcmpW(argv[1], L"--stay") == 0) {
        LocalFree(argv);
        Sleep(60000);
        return 0;
    }
    std::string record = ToUtf8(line) + "\n";
    for (int i = 0; argv && i < argc; ++i)
        record += ToUtf8(argv[i]) + "\n";
    if (argv)
        LocalFree(argv);
    const std::wstring base = RecordBase();
    const std::wstring temp = base + L".record.tmp";
    const std::wstring final = base + L".record.txt";
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD put = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &put, nullptr);
    CloseHandle(file);
    MoveFileExW(temp.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING);
    return 0;
}
