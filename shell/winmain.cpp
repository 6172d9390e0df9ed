#include "shell/shell.h"

#include "editor/channel.h"
#include "editor/setup.h"
#include "shell/menu.h"

HINSTANCE instanceHandle;
HWND mainWindow;
// The loop's message record; after WM_QUIT its wParam is the exit status.
static MSG messageRecord;

static const char MAIN_CLASS[] = "ScintillaExampleClass";

void REGISTERMAINCLASS() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MAINWNDPROC;
    windowClass.hInstance = instanceHandle;
    windowClass.hIcon = LoadIconA(nullptr, IDI_QUESTION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = MAIN_CLASS;
    RegisterClassExA(&windowClass);
}

HMENU BUILDMENUBAR() {
    HMENU menu = CreateMenu();
    AppendMenuA(menu, MF_STRING, ID_EXIT, "E&xit");
    AppendMenuA(menu, MF_STRING, ID_TOGGLE_SUB, "&Toggle current sub");
    AppendMenuA(menu, MF_STRING, ID_TOGGLE_SUBS_BELOW, "Toggle all subs &below");
    AppendMenuA(menu, MF_STRING | MF_HELP, ID_ABOUT, "&About...");
    return menu;
}

HWND CREATEMAINWINDOW(HMENU menu) {
    return CreateWindowExA(0, MAIN_CLASS, "Kalmor.dll editor example", WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                           menu, instanceHandle, nullptr);
}

int WINMAIN(HINSTANCE instance, HINSTANCE, LPSTR, int showState) {
    LOADCOMPONENT();
    if (!componentHandle) {
        MessageBeep(0);
        MessageBoxA(nullptr, "\"Kalmor.dll\" not found.", "Error", MB_OK);
    }
    BUILDTEXTS();
    instanceHandle = instance;
    REGISTERMAINCLASS();
    mainWindow = CREATEMAINWINDOW(BUILDMENUBAR());
    if (!mainWindow) {
        // No window could ever end the loop.
        RELEASECOMPONENT();
        return 1;
    }
    ShowWindow(mainWindow, showState);
    UpdateWindow(mainWindow);

    while (GetMessageA(&messageRecord, nullptr, 0, 0) > 0) {
        TranslateMessage(&messageRecord);
        DispatchMessageA(&messageRecord);
    }

    // Exit ends the loop with the windows still there: take them down while
    // the editor's window procedure is still loaded.
    if (IsWindow(mainWindow)) {
        DestroyWindow(mainWindow);
    }
    RELEASECOMPONENT();
    return static_cast<int>(messageRecord.wParam);
}
