#include "editor/channel.h"

HMODULE componentHandle;
LRESULT directPointer;

void LOADCOMPONENT() {
    // Never the current directory or PATH: a KALMOR.DLL planted there would
    // run inside the program.
    componentHandle = LoadLibraryExA(
        "KALMOR.DLL", nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void RELEASECOMPONENT() {
    FreeLibrary(componentHandle);
}

extern "C" int __stdcall SENDSCINTILLAMSG(LRESULT pointer, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    FARPROC directFunction = GetProcAddress(componentHandle, "Scintilla_DirectFunction");
    if (!directFunction) {
        return 0;
    }
    // The direct function has a window procedure's shape, with the direct
    // pointer in place of the window handle.
    auto procedure = reinterpret_cast<WNDPROC>(reinterpret_cast<void (*)()>(directFunction));
    return static_cast<int>(
        CallWindowProcA(procedure, reinterpret_cast<HWND>(pointer), message, wParam, lParam));
}
