// An editor window in the test process, inside a parent that records the
// notifications it receives, configured the way the example program does it.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "editor/notification.h"

// The component's direct function, as the program calls it.
using DirectFunction = LRESULT(CALLBACK*)(UINT_PTR, UINT, WPARAM, LPARAM);

// The library, loaded once for all tests from beside the test program.
HMODULE Component();
DirectFunction Direct();

// Runs the messages already queued for this thread.
void PumpMessages();

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    LRESULT Call(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return Direct()(direct, message, wParam, lParam);
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(editor, message, wParam, lParam);
    }
    // The setup the program runs on WM_CREATE, with the demo listing.
    void ConfigureAsProgram();
    std::string Text();
    int LineStart(int line);
    void Key(WPARAM key) { Send(WM_KEYDOWN, key, 1); }
    void Type(const std::string& text);
    void ClickAt(int x, int y, WPARAM keys = 0) { Send(WM_LBUTTONDOWN, keys, MAKELPARAM(x, y)); }

    HWND parent = nullptr;
    HWND editor = nullptr;
    UINT_PTR direct = 0;
    std::vector<SCNotification> notifications;
};

// The editor drawn into a 32-bit bitmap of its client size through WM_PRINTCLIENT.
struct Snapshot {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Whether any pixel in [left, right) x [top, bottom) has the colour.
    bool Has(COLORREF colour, int left, int top, int right, int bottom) const;
    // Whether any pixel in the rectangle differs from the colour.
    bool HasOtherThan(COLORREF colour, int left, int top, int right, int bottom) const;
};

Snapshot Print(HWND window);
