// An editor window in the test process, set up as the program sets it up,
// inside a parent that records the notifications it receives; and the
// editor's picture read back from a bitmap.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>
#include "editor/channel.h"
#include "kalmor.h"
#include "editor/setup.h"

// The component's direct function, from the KALMOR.DLL the program would load.
using DirectFunction = LRESULT(CALLBACK*)(UINT_PTR, UINT, WPARAM, LPARAM);
inline DirectFunction Direct() {
    static FARPROC function =
        (LOADCOMPONENT(), GetProcAddress(componentHandle, "Scintilla_DirectFunction"));
    return reinterpret_cast<DirectFunction>(reinterpret_cast<void*>(function));
}

// Runs the messages already queued for this thread.
inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The parent keeps a copy of every notification in the current test's list.
inline std::vector<SCNotification>* notified = nullptr;
inline LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_NOTIFY)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    notified->push_back(*reinterpret_cast<const SCNotification*>(lParam));
    return 0;
}

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Direct(), nullptr);
        static WNDCLASSA parentClass{0,       ParentProc, 0,       0,       nullptr,
                                     nullptr, nullptr,    nullptr, nullptr, "KalmorTestParent"};
        static ATOM registered = RegisterClassA(&parentClass);
        ASSERT_NE(registered, 0);
        notified = &notifications;
        parent = CreateWindowExA(0, "KalmorTestParent", "test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                 nullptr, nullptr, nullptr, nullptr);
        editor = CreateWindowExA(0, KALMOR_CLASS_NAME, "", WS_CHILD | WS_VISIBLE, 0, 0, 500, 340,
                                 parent, reinterpret_cast<HMENU>(7), nullptr, nullptr);
        ASSERT_NE(editor, nullptr);
        ShowWindow(parent, SW_SHOW);
        direct = static_cast<UINT_PTR>(Send(SCI_GETDIRECTPOINTER));
        ASSERT_NE(direct, 0u);
        ConfigureAsProgram();
    }
    void TearDown() override {
        DestroyWindow(parent);
        PumpMessages();
    }

    LRESULT Call(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return Direct()(direct, message, wParam, lParam);
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(editor, message, wParam, lParam);
    }
    // The program's own setup: styles, margin, folding, lexer and the demo listing.
    void ConfigureAsProgram() {
        directPointer = static_cast<LRESULT>(direct);
        BUILDTEXTS();
        SETUPEDITOR();
        PumpMessages();
    }
    std::string Text() {
        std::string text(static_cast<size_t>(Call(SCI_GETLENGTH)), '\0');
        Call(SCI_GETTEXT, text.size() + 1, reinterpret_cast<LPARAM>(text.data()));
        return text;
    }
    std::pair<int, int> Selection() {
        return {static_cast<int>(Call(SCI_GETANCHOR)), static_cast<int>(Call(SCI_GETCURRENTPOS))};
    }
    int LineStart(int line) { return static_cast<int>(Call(SCI_POSITIONFROMLINE, line)); }
    // A key press, with Control and Shift held or not; the thread's keyboard
    // state stays so until the next key press.
    void Key(WPARAM key, bool control = false, bool shift = false) {
        BYTE keys[256] = {};
        keys[VK_CONTROL] = control ? 0x80 : 0;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        Send(WM_KEYDOWN, key, 1);
    }
    void ClickAt(int x, int y, WPARAM keys = 0) { Send(WM_LBUTTONDOWN, keys, MAKELPARAM(x, y)); }

    HWND parent = nullptr;
    HWND editor = nullptr;
    UINT_PTR direct = 0;
    std::vector<SCNotification> notifications;
};

// The window drawn through WM_PRINTCLIENT into a 32-bit bitmap of its client size.
struct Snapshot {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels; // 0x00RRGGBB

    COLORREF At(int x, int y) const {
        DWORD pixel = pixels[static_cast<size_t>(y) * width + x];
        return RGB(pixel >> 16, pixel >> 8, pixel);
    }
    // How many pixels in [left, right) x [top, bottom) have the colour.
    int Count(COLORREF colour, int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = std::max(0, top); y < std::min(height, bottom); ++y)
            for (int x = std::max(0, left); x < std::min(width, right); ++x)
                count += At(x, y) == colour;
        return count;
    }
};

// The window drawn through WM_PRINTCLIENT, or (onScreen) what it shows on
// screen, read back through its DC, into a 32-bit bitmap of its client size.
inline Snapshot Print(HWND window, bool onScreen = false) {
    RECT client{};
    GetClientRect(window, &client);
    Snapshot shot{client.right, client.bottom, {}};
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof info.bmiHeader, shot.width, -shot.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    if (onScreen) {
        HDC screen = GetDC(window);
        BitBlt(dc, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
        ReleaseDC(window, screen);
    } else {
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    }
    GdiFlush();
    shot.pixels.assign(static_cast<DWORD*>(bits),
                       static_cast<DWORD*>(bits) + shot.width * shot.height);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return shot;
}
