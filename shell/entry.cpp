// The process entry: the main routine always shows its window normally and
// ignores the command line's contents.
#include "shell/shell.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    return WINMAIN(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWNORMAL);
}
