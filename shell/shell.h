// The application shell: the main routine, the main window and its menu bar.
#pragma once
#include <windows.h>

// The executable's module handle; editor windows are created with it.
extern HINSTANCE instanceHandle;
// The main window, once CreateWindowExA has returned.
extern HWND mainWindow;
// The editor window filling the main window; null if it could not be created.
extern HWND editorWindow;

// Registers the main window class "ScintillaExampleClass".
void REGISTERMAINCLASS();

// Builds the menu bar: Exit, Toggle current sub, Toggle all subs below, About.
HMENU BUILDMENUBAR();

// Creates the main window with the given menu bar.
HWND CREATEMAINWINDOW(HMENU menu);

// The main routine: loads the component, opens the main window, runs the
// message loop and answers the exit status.
int WINMAIN(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showState);

// The main window procedure.
extern "C" LRESULT __stdcall MAINWNDPROC(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
