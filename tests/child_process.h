// A program started as a child process and owned until the owner goes: then
// it is ended if it still runs and its handles are closed, so a failed check
// never leaves it behind.
#pragma once
#include <windows.h>

#include <string>

class ChildProcess {
  public:
    explicit ChildProcess(const std::string& path) {
        std::string commandLine = "\"" + path + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info_))
            info_ = {};
    }
    ~ChildProcess() {
        // Each fails harmlessly once it has ended, or when it never started.
        TerminateProcess(info_.hProcess, 1);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return info_.hProcess != nullptr; }
    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }
    // Whether the process ended within the time given, in milliseconds.
    bool Ended(DWORD milliseconds) const {
        return Started() && WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
    }

  private:
    PROCESS_INFORMATION info_ = {};
};
