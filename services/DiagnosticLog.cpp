#include "services/DiagnosticLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <share.h>

namespace {

constexpr wchar_t kLogFolder[] = L"C:\\log\\";
constexpr int kPathChars = MAX_PATH;
constexpr int kMessageChars = 500;

struct FileCloser {
    void operator()(FILE* f) const noexcept { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

bool FileExists(const wchar_t* path) noexcept {
    return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

void WriteDiagnosticLog(const wchar_t* format, ...) noexcept {
    wchar_t markerPath[kPathChars] = {};
    _snwprintf(markerPath, kPathChars - 1, L"%sldrx.log", kLogFolder);

    wchar_t modulePath[kPathChars] = {};
    ::GetModuleFileNameW(nullptr, modulePath, kPathChars);
    modulePath[kPathChars - 1] = L'\0';
    const wchar_t* slash = std::wcsrchr(modulePath, L'\\');
    const wchar_t* programName = slash ? slash + 1 : modulePath;

    if (!FileExists(markerPath))
        return;

    wchar_t logPath[kPathChars] = {};
    _snwprintf(logPath, kPathChars - 1, L"%s%s.txt", kLogFolder, programName);

    // The run-time's own formatter: "%s" is a wide string here, as the callers' formats expect.
    wchar_t message[kMessageChars] = {};
    if (format) {
        va_list args;
        va_start(args, format);
        _vsnwprintf(message, kMessageChars - 1, format, args);
        va_end(args);
    }
    message[kMessageChars - 1] = L'\0';

    const bool existed = FileExists(logPath);
    // Other processes of the host share this file and may hold it open: deny them nothing.
    UniqueFile file(_wfsopen(logPath, L"a+b", _SH_DENYNO));
    if (!file)
        return;
    if (!existed) {
        static const unsigned char bom[2] = {0xFF, 0xFE};
        std::fwrite(bom, 1, sizeof bom, file.get());
    }
    // Written as 16-bit little-endian units whatever wchar_t is on the platform.
    const size_t length = std::wcslen(message);
    static_assert(sizeof(wchar_t) == 2, "the log holds UTF-16 units");
    std::fwrite(message, sizeof(wchar_t), length, file.get());
    static const unsigned char cr[2] = {0x0D, 0x00};
    static const unsigned char lf[2] = {0x0A, 0x00};
    std::fwrite(cr, 1, sizeof cr, file.get());
    std::fwrite(lf, 1, sizeof lf, file.get());
}
