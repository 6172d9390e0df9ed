// The program run as a process: with the test double, with no component at
// all, and with the real component when it has been built. Each run must end
// with exit status 0 whichever way out is taken.
#include <windows.h>

#include "tests/program_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The program beside the test double, beside no component, and the product.
const std::string WITH_DOUBLE = ProgramFolder() + "\\kalmor-example.exe";
const std::string WITHOUT_COMPONENT = ProgramFolder() + "\\..\\nodll\\kalmor-example.exe";
const std::string PRODUCT = ProgramFolder() + "\\..\\..\\kalmor-example.exe";
const std::string PRODUCT_COMPONENT = ProgramFolder() + "\\..\\..\\KALMOR.DLL";

// A top-level window of the process, or null if none shows up within 20 s.
HWND WaitForWindow(DWORD processId, const char* className, const char* title) {
    for (int tries = 0; tries < 2000; tries++) {
        HWND window = FindWindowA(className, title);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (window && owner == processId) {
            return window;
        }
        Sleep(10);
    }
    return nullptr;
}

class Program {
  public:
    explicit Program(const std::string& path, const std::string& arguments = "") {
        std::string commandLine = "\"" + path + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        started = CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process);
    }
    ~Program() {
        if (started) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process.hProcess, 99);
            }
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
    }
    HWND MainWindow() {
        return WaitForWindow(process.dwProcessId, "ScintillaExampleClass",
                             "Kalmor.dll editor example");
    }
    // The exit status, or -1 if the process is still running after 20 s.
    int ExitStatus() {
        if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
            return -1;
        }
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        return static_cast<int>(status);
    }

    BOOL started = FALSE;
    PROCESS_INFORMATION process = {};
};

void ExpectCleanExit(const std::string& path, UINT message, WPARAM wParam,
                     const std::string& arguments = "") {
    Program program(path, arguments);
    ASSERT_TRUE(program.started) << path;
    HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, message, wParam, 0);
    EXPECT_EQ(program.ExitStatus(), 0);
}

TEST(Program, ExitCommandEndsWithStatusZero) {
    ExpectCleanExit(WITH_DOUBLE, WM_COMMAND, 101);
}

TEST(Program, CloseBoxEndsWithStatusZero) {
    ExpectCleanExit(WITH_DOUBLE, WM_CLOSE, 0);
}

TEST(Program, ArgumentsChangeNothing) {
    ExpectCleanExit(WITH_DOUBLE, WM_COMMAND, 101, "--help /x C:\\nothing.bas");
}

TEST(Program, WithTheRealComponentBothWaysOutEndWithStatusZero) {
    if (GetFileAttributesA(PRODUCT_COMPONENT.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "the component is not built";
    }
    ExpectCleanExit(PRODUCT, WM_COMMAND, 101);
    ExpectCleanExit(PRODUCT, WM_CLOSE, 0);
}

TEST(Program, MissingComponentIsReportedFirstThenTheWindowOpens) {
    Program program(WITHOUT_COMPONENT);
    ASSERT_TRUE(program.started);
    HWND box = WaitForWindow(program.process.dwProcessId, "#32770", "Error");
    ASSERT_NE(box, nullptr);
    char text[128] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "\"Kalmor.dll\" not found.");
    EXPECT_EQ(FindWindowA("ScintillaExampleClass", nullptr), nullptr) << "the box comes first";
    PostMessageA(box, WM_COMMAND, IDOK, 0);

    HWND window = program.MainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr) << "no editor window without the component";
    PostMessageA(window, WM_COMMAND, 102, 0);
    PostMessageA(window, WM_COMMAND, 103, 0);
    PostMessageA(window, WM_COMMAND, 101, 0);
    EXPECT_EQ(program.ExitStatus(), 0);
}

} // namespace
