// The editor request channel: loading and releasing the editing component,
// and the one procedure every editor request goes through.
#pragma once
#include <windows.h>

// The loaded editing component; null if loading failed.
extern HMODULE componentHandle;
// The editor window's direct pointer; 0 while no editor window exists.
extern LRESULT directPointer;

// Loads KALMOR.DLL from the program's own folder or the system folder only.
void LOADCOMPONENT();

// Frees the component, even when it never loaded.
void RELEASECOMPONENT();

// Sends one request to the editor through the component's direct function,
// looked up by name on every call. Answers 0, calling nothing, when the
// function cannot be found; otherwise the result as a signed 32-bit value.
extern "C" int __stdcall SENDSCINTILLAMSG(LRESULT pointer, UINT message, WPARAM wParam,
                                          LPARAM lParam);
