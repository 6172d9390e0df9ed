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
        started_ = CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                  nullptr, nullptr, &startup, &info_);
    }
    ~ChildProcess() {
        if (started_) {
            TerminateProcess(info_.hProcess, 1); // fails harmlessly once it has ended
            CloseHandle(info_.hThread);
            CloseHandle(info_.hProcess);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return started_; }
    DWORD Id() const { return info_.dwProcessId; }
    // Whether the process ended within the time given, in milliseconds.
    bool Ended(DWORD milliseconds) const {
        return started_ && WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
    }

  private:
    BOOL started_ = FALSE;
    PROCESS_INFORMATION info_ = {};
};
