// A host for the cross-process accessibility tests: a window holding an
// editor with a short listing, run until its window is closed. It never
// starts COM, as a host need not. Exits 0 unless something went wrong.
#include <windows.h>
#include "kalmor.h"

static LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!LoadLibraryA("KALMOR.DLL"))
        return 2;
    WNDCLASSA hostClass{0,       HostProc, 0,       0,       instance,
                        nullptr, nullptr,  nullptr, nullptr, "KalmorAccessibilityHost"};
    RegisterClassA(&hostClass);
    HWND host = CreateWindowExA(0, "KalmorAccessibilityHost", "host", WS_OVERLAPPEDWINDOW, 0, 0,
                                500, 300, nullptr, nullptr, instance, nullptr);
    HWND editor = CreateWindowExA(0, KALMOR_CLASS_NAME, "", WS_CHILD | WS_VISIBLE, 0, 0, 480, 260,
                                  host, nullptr, instance, nullptr);
    if (!editor)
        return 3;
    SendMessageA(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Print \"Hello\"\r\nEnd\r\n"));
    ShowWindow(host, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
