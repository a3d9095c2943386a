// Runs tools/hostsim for a test: started with the given options, ready once its ready file is written,
// asked to quit (and ended if it does not) when the object goes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/common/TestEnv.h"

namespace nudge::test {

class HostSim {
public:
    explicit HostSim(const std::wstring& options) {
        static int serial = 0;
        const std::wstring stem =
            TempStem() + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
        m_ready = stem + L".ready";
        m_quit = stem + L".quit";
        m_record = stem + L".record";
        DeleteFileW(m_ready.c_str());
        DeleteFileW(m_quit.c_str());
        DeleteFileW(m_record.c_str());
        std::wstring line = L"\"" + BinaryPath(L"tools\\hostsim\\hostsim.exe") + L"\" " + options +
                            L" --ready-file \"" + m_ready + L"\" --quit-file \"" + m_quit +
                            L"\" --record \"" + m_record + L"\" --timeout 120";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::vector<wchar_t> buffer(line.begin(), line.end());
        buffer.push_back(0);
        if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi))
            return;
        for (int i = 0; i < 400; ++i) {
            if (GetFileAttributesW(m_ready.c_str()) != INVALID_FILE_ATTRIBUTES) {
                m_readyText = ReadFileBytes(m_ready);
                return;
            }
            if (WaitForSingleObject(m_pi.hProcess, 25) == WAIT_OBJECT_0)
                return;
        }
    }
    ~HostSim() {
        if (!m_pi.hProcess)
            return;
        WriteFileBytes(m_quit, "");
        if (WaitForSingleObject(m_pi.hProcess, 10000) == WAIT_TIMEOUT)
            TerminateProcess(m_pi.hProcess, 1);
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
        DeleteFileW(m_ready.c_str());
        DeleteFileW(m_quit.c_str());
        DeleteFileW(m_record.c_str());
    }
    HostSim(const HostSim&) = delete;
    HostSim& operator=(const HostSim&) = delete;

    bool Ready() const { return m_readyText.find("ready\n") != std::string::npos; }
    const std::string& ReadyText() const { return m_readyText; }
    std::string Record() const { return ReadFileBytes(m_record); }
    // The window handles in the order given on the command line.
    std::vector<HWND> Windows() const {
        std::vector<HWND> out;
        size_t pos = 0;
        while ((pos = m_readyText.find("window ", pos)) != std::string::npos) {
            size_t hex = m_readyText.find("0x", pos);
            out.push_back(reinterpret_cast<HWND>(
                static_cast<UINT_PTR>(std::stoull(m_readyText.substr(hex + 2, 16), nullptr, 16))));
            pos = hex;
        }
        return out;
    }
    HANDLE Process() const { return m_pi.hProcess; }

private:
    static std::wstring TempStem() {
        wchar_t dir[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, dir);
        return std::wstring(dir) + L"hostsim-";
    }
    PROCESS_INFORMATION m_pi{};
    std::wstring m_ready, m_quit, m_record;
    std::string m_readyText;
};

} // namespace nudge::test
