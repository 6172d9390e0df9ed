#include "shell/shell.h"

#include "editor/channel.h"
#include "kalmor.h"
#include "editor/setup.h"
#include "folding/folding.h"
#include "shell/menu.h"

HWND editorWindow;
// A copy of the last notification the editor sent.
static SCNotification notificationRecord;

static const char ABOUT_TEXT[] =
    "Example for Kalmor.dll by the Kalmor example team (kalmor-example@example.org)";

// Creates the editor window, fetches its direct pointer and configures it.
static void ONCREATE(HWND window) {
    editorWindow = CreateWindowExA(0, KALMOR_CLASS_NAME, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0,
                                   0, 10, 10, window, nullptr, instanceHandle, nullptr);
    directPointer = SendMessageA(editorWindow, SCI_GETDIRECTPOINTER, 0, 0);
    SETUPEDITOR();
}

// Carries out a menu command.
static void ONCOMMAND(HWND window, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case ID_EXIT: SendMessageA(window, WM_DESTROY, wParam, lParam); break;
    case ID_TOGGLE_SUB: TOGGLESUB(GETCURRENTLINE()); break;
    case ID_TOGGLE_SUBS_BELOW: TOGGLESUBSBELOW(GETCURRENTLINE()); break;
    case ID_ABOUT: MessageBoxA(window, ABOUT_TEXT, "About...", MB_OK); break;
    }
}

// A click on a line number toggles the sub that holds the line.
static void ONNOTIFY(LPARAM lParam) {
    RtlMoveMemory(&notificationRecord, reinterpret_cast<const void*>(lParam),
                  sizeof notificationRecord);
    if (notificationRecord.code == SCN_MARGINCLICK && notificationRecord.margin == 1) {
        TOGGLESUB(
            SENDSCINTILLAMSG(directPointer, SCI_LINEFROMPOSITION, notificationRecord.position, 0));
    }
}

extern "C" LRESULT __stdcall MAINWNDPROC(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: ONCREATE(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SIZE: MoveWindow(editorWindow, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE); return 0;
    case WM_SETFOCUS: SetFocus(editorWindow); return 0;
    case WM_COMMAND: ONCOMMAND(window, wParam, lParam); return 0;
    case WM_NOTIFY: ONNOTIFY(lParam); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
