// An editor window in the test process, set up as the program sets it up,
// inside a parent that records the notifications it receives; and the
// colours it shows on screen.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>
#include "editor/channel.h"
#include "kalmor.h"
#include "editor/setup.h"

// The editor window's size.
constexpr int kWidth = 500;
constexpr int kHeight = 340;
constexpr RECT kAll{0, 0, kWidth, kHeight};

// The component's direct function, from the KALMOR.DLL the program would load.
using DirectFunction = LRESULT(CALLBACK*)(UINT_PTR, UINT, WPARAM, LPARAM);
inline DirectFunction Direct() {
    static FARPROC function =
        (LOADCOMPONENT(), GetProcAddress(componentHandle, "Scintilla_DirectFunction"));
    return reinterpret_cast<DirectFunction>(reinterpret_cast<void*>(function));
}

// A text or a record as a message's lParam.
inline LPARAM Pointer(const void* data) {
    return reinterpret_cast<LPARAM>(data);
}

// Runs the messages already queued for this thread.
inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A notification in a few characters, for comparing whole sequences:
// "mod" with the kind (+ inserted, - deleted, b+ b- before them, s styles,
// f folds), how (u user, z undo, y redo, m several steps, l the last, a an
// action's start), position, length, lines added and text; the code and its
// main field for the rest; "cmd" and the code for WM_COMMAND.
inline std::string Describe(const SCNotification& n) {
    auto number = [](intptr_t value) { return std::to_string(static_cast<long long>(value)); };
    switch (n.code) {
    case SCN_MODIFIED: {
        int t = n.modificationType;
        std::string kind = t & SC_MOD_BEFOREINSERT   ? "b+"
                           : t & SC_MOD_BEFOREDELETE ? "b-"
                           : t & SC_MOD_INSERTTEXT   ? "+"
                           : t & SC_MOD_DELETETEXT   ? "-"
                           : t & SC_MOD_CHANGESTYLE  ? "s"
                                                     : "f";
        const std::pair<int, char> flags[] = {
            {SC_PERFORMED_USER, 'u'},    {SC_PERFORMED_UNDO, 'z'},     {SC_PERFORMED_REDO, 'y'},
            {SC_MULTISTEPUNDOREDO, 'm'}, {SC_LASTSTEPINUNDOREDO, 'l'}, {SC_STARTACTION, 'a'}};
        for (auto [flag, letter] : flags)
            if (t & flag)
                kind += letter;
        std::string text = n.text && (t & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT))
                               ? " '" + std::string(n.text, static_cast<size_t>(n.length)) + "'"
                               : "";
        return "mod " + kind + " " + number(n.position) + " " + number(n.length) + " " +
               number(n.linesAdded) + text;
    }
    case SCN_CHARADDED: return "char " + number(n.ch) + " " + number(n.characterSource);
    case SCN_UPDATEUI: return "ui " + number(n.updated);
    case SCN_SAVEPOINTREACHED: return "saved";
    case SCN_SAVEPOINTLEFT: return "unsaved";
    case SCN_MODIFYATTEMPTRO: return "readonly";
    case SCN_DOUBLECLICK: return "dclick " + number(n.position) + " " + number(n.line);
    case SCN_STYLENEEDED: return "styleneeded " + number(n.position);
    case SCN_FOCUSIN: return "focusin";
    case SCN_FOCUSOUT: return "focusout";
    default: return "code " + number(n.code);
    }
}

// The parent keeps a copy of every notification in the current test's list,
// each described as it arrives in heard (with WM_COMMAND's codes), and lets
// a test answer one from inside.
inline std::vector<SCNotification>* notified = nullptr;
inline std::vector<std::string>* heard = nullptr;
inline std::function<void(const SCNotification&)> answer;
inline LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && lParam != 0) {
        heard->push_back("cmd " + std::to_string(HIWORD(wParam)));
        return 0;
    }
    if (message != WM_NOTIFY)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    const SCNotification& n = *reinterpret_cast<const SCNotification*>(lParam);
    notified->push_back(n);
    heard->push_back(Describe(n));
    if (answer)
        answer(n);
    return 0;
}

// The colours the window shows on screen in [left, right) x [top, bottom), row by row.
inline std::vector<COLORREF> Pixels(HWND window, int left, int top, int right, int bottom) {
    std::vector<COLORREF> pixels;
    HDC dc = GetDC(window);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    return pixels;
}

class EditorTest : public ::testing::Test {
  public:
    // The program's own setup in a fresh window: styles, margin, folding, lexer
    // and the demo listing.
    void SetUp() override {
        ASSERT_NE(Direct(), nullptr);
        WNDCLASSA parentClass{0,       ParentProc, 0,       0,       nullptr,
                              nullptr, nullptr,    nullptr, nullptr, "KalmorTestParent"};
        RegisterClassA(&parentClass);
        notified = &notifications;
        heard = &described;
        answer = nullptr;
        parent = CreateWindowExA(0, "KalmorTestParent", "test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                 nullptr, nullptr, nullptr, nullptr);
        editor = CreateWindowExA(0, KALMOR_CLASS_NAME, "", WS_CHILD | WS_VISIBLE, 0, 0, kWidth,
                                 kHeight, parent, reinterpret_cast<HMENU>(7), nullptr, nullptr);
        ASSERT_NE(editor, nullptr);
        ShowWindow(parent, SW_SHOW);
        direct = static_cast<UINT_PTR>(Send(SCI_GETDIRECTPOINTER));
        directPointer = static_cast<LRESULT>(direct);
        BUILDTEXTS();
        SETUPEDITOR();
        PumpMessages();
    }
    void TearDown() override {
        answer = nullptr;
        DestroyWindow(parent);
        PumpMessages();
    }

    LRESULT Call(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return Direct()(direct, message, wParam, lParam);
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(editor, message, wParam, lParam);
    }
    std::string Text() {
        std::string text(static_cast<size_t>(Call(SCI_GETLENGTH)), '\0');
        Call(SCI_GETTEXT, text.size() + 1, reinterpret_cast<LPARAM>(text.data()));
        return text;
    }
    // A text with no history, shown from its top, and a selection in it.
    void Load(const std::string& text, int anchor, int caret) {
        Call(SCI_SETTEXT, 0, Pointer(text.c_str()));
        Call(SCI_EMPTYUNDOBUFFER);
        Call(SCI_SETFIRSTVISIBLELINE, 0);
        Call(SCI_SETSEL, anchor, caret);
    }
    std::pair<int, int> Selection() {
        return {static_cast<int>(Call(SCI_GETANCHOR)), static_cast<int>(Call(SCI_GETCURRENTPOS))};
    }
    int LineStart(int line) { return static_cast<int>(Call(SCI_POSITIONFROMLINE, line)); }
    // The notifications received with one code, in order.
    std::vector<SCNotification> Notified(unsigned code) {
        std::vector<SCNotification> found;
        for (const SCNotification& n : notifications)
            if (n.code == code)
                found.push_back(n);
        return found;
    }
    // Control, Shift and Alt held or not: the thread's keyboard state stays so until set again.
    void Hold(bool control, bool shift, bool alt = false) {
        BYTE keys[256] = {};
        keys[VK_CONTROL] = control ? 0x80 : 0;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_MENU] = alt ? 0x80 : 0;
        altHeld = alt;
        SetKeyboardState(keys);
    }
    // Characters typed, one WM_CHAR each.
    void Type(const char* chars) {
        for (; *chars; ++chars)
            Send(WM_CHAR, static_cast<unsigned char>(*chars), 1);
    }
    // A key press, with Control and Shift held or not.
    void Key(WPARAM key, bool control = false, bool shift = false) {
        Hold(control, shift);
        Send(WM_KEYDOWN, key, 1);
    }
    // The client x of a position's left edge.
    int XOf(LRESULT position) {
        return static_cast<int>(Call(SCI_POINTXFROMPOSITION, 0, position));
    }
    // The client point in the middle of the row of a position, just right of it.
    LPARAM PointOf(int position) {
        LRESULT x = Call(SCI_POINTXFROMPOSITION, 0, position) + 1;
        LRESULT y = Call(SCI_POINTYFROMPOSITION, 0, position) + Call(SCI_TEXTHEIGHT) / 2;
        return MAKELPARAM(x, y);
    }
    void ClickAt(int position, WPARAM keys = 0) { Send(WM_LBUTTONDOWN, keys, PointOf(position)); }
    // A press at one position, the pointer moved to another (unless it is the same) and released.
    void Drag(int from, int to, WPARAM keys = 0) {
        ClickAt(from, keys);
        if (to != from)
            Send(WM_MOUSEMOVE, MK_LBUTTON | keys, PointOf(to));
        Send(WM_LBUTTONUP, keys, PointOf(to));
    }
    void Click(int position, WPARAM keys = 0) { Drag(position, position, keys); }
    // What the window shows in [left, right) x [top, bottom) once it has painted what is pending.
    std::vector<COLORREF> Drawn(int left, int top, int right, int bottom) {
        UpdateWindow(editor);
        return Pixels(editor, left, top, right, bottom);
    }
    // High contrast as the editor hears of it, on or off.
    void HighContrast(bool on) {
        SetPropA(editor, "KalmorHighContrast", reinterpret_cast<HANDLE>(on ? 1 : 0));
        SendMessageW(editor, WM_SYSCOLORCHANGE, 0, 0);
    }
    // A key as a user presses it: translated, so that any character it makes
    // arrives too (unless not pumped, when it stays queued); the modifiers as
    // Hold last set them, with Alt as a system key.
    void Press(WPARAM key, bool pump = true) {
        LPARAM info = MAKELPARAM(1, MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) |
                      (altHeld ? LPARAM{1} << 29 : 0);
        MSG press{editor, UINT(altHeld ? WM_SYSKEYDOWN : WM_KEYDOWN), key, info, 0, {}};
        TranslateMessage(&press);
        DispatchMessageA(&press);
        if (pump)
            PumpMessages();
    }

    HWND parent = nullptr;
    HWND editor = nullptr;
    bool altHeld = false;
    UINT_PTR direct = 0;
    std::vector<SCNotification> notifications;
    std::vector<std::string> described;
};

// On a screen of the editor's pixels (see Pixels): the smallest rectangle within `area` holding the
// pixels (given by their index) for which `is` holds; left of its right edge when there are none.
inline RECT Box(RECT area, const std::function<bool(int)>& is) {
    RECT box{kWidth, kHeight, 0, 0};
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            if (is(y * kWidth + x))
                box = RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
    return box;
}

// The colours of the pixels within `area`.
inline std::set<COLORREF> Colours(const std::vector<COLORREF>& pixels, RECT area) {
    std::set<COLORREF> colours;
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            colours.insert(pixels[y * kWidth + x]);
    return colours;
}

// How many of the pixels have the colour.
inline long Count(const std::vector<COLORREF>& pixels, COLORREF colour) {
    return static_cast<long>(std::count(pixels.begin(), pixels.end(), colour));
}
inline bool Has(const std::vector<COLORREF>& pixels, COLORREF colour) {
    return Count(pixels, colour) > 0;
}

// The editor's pixels with its caret hidden, and with it shown.
inline std::pair<std::vector<COLORREF>, std::vector<COLORREF>> Screen(HWND editor) {
    HideCaret(editor);
    std::vector<COLORREF> hidden = Pixels(editor, 0, 0, kWidth, kHeight);
    ShowCaret(editor);
    return {hidden, Pixels(editor, 0, 0, kWidth, kHeight)};
}

// The screen's DPI, as the system reports it.
inline int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The clipboard's CF_UNICODETEXT ("(none)" without one); with a text, that
// text is put there alone first, as a program other than the editor would.
inline std::wstring Clipboard(HWND owner, const wchar_t* put = nullptr) {
    OpenClipboard(owner);
    if (put) {
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wcslen(put) + 1) * sizeof(wchar_t));
        wcscpy(static_cast<wchar_t*>(GlobalLock(memory)), put);
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
    }
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    std::wstring text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"(none)";
    GlobalUnlock(data);
    CloseClipboard();
    return text;
}
