#include "editor/channel.h"

#include <cwchar>

HMODULE componentHandle;
LRESULT directPointer;

void LOADCOMPONENT() {
    // Never the current directory or PATH: a KALMOR.DLL planted there would
    // run inside the program.
    componentHandle = LoadLibraryExA(
        "KALMOR.DLL", nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (componentHandle || GetLastError() != ERROR_INVALID_PARAMETER) {
        return;
    }
    // Windows 7 without its 2011 loader update refuses those flags. The full
    // path of the program's own folder is just as safe: nothing else is
    // searched. Wide characters, so that any folder name works.
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    wchar_t* slash = length > 0 && length < MAX_PATH ? wcsrchr(path, L'\\') : nullptr;
    const wchar_t name[] = L"KALMOR.DLL";
    if (!slash || slash + 1 + ARRAYSIZE(name) > path + MAX_PATH) {
        return;
    }
    wcscpy(slash + 1, name);
    componentHandle = LoadLibraryExW(path, nullptr, 0);
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
