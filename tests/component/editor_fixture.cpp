#include "tests/component/editor_fixture.h"
#include "editor/demo_text.h"
#include "editor/requests.h"
#include <algorithm>

namespace {

constexpr char kParentClass[] = "KalmorTestParent";
constexpr int kEditorId = 7;

// The parent keeps a copy of every notification in the vector its user data points at.
LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        auto* log =
            reinterpret_cast<std::vector<SCNotification>*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (log)
            log->push_back(*reinterpret_cast<const SCNotification*>(lParam));
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterParentClass() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kParentClass;
    registered = RegisterClassA(&wc) != 0;
}

} // namespace

HMODULE Component() {
    static HMODULE module = [] {
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string dll(path, length);
        dll = dll.substr(0, dll.find_last_of("\\/") + 1) + "KALMOR.DLL";
        return LoadLibraryA(dll.c_str());
    }();
    return module;
}

DirectFunction Direct() {
    return reinterpret_cast<DirectFunction>(
        reinterpret_cast<void*>(GetProcAddress(Component(), "Scintilla_DirectFunction")));
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void EditorTest::SetUp() {
    ASSERT_NE(Component(), nullptr);
    ASSERT_NE(Direct(), nullptr);
    RegisterParentClass();
    parent = CreateWindowExA(0, kParentClass, "test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                             640, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    SetWindowLongPtrA(parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&notifications));
    editor = CreateWindowExA(0, "ZoradezazOr", "", WS_CHILD | WS_VISIBLE, 0, 0, 500, 340, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)),
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(editor, nullptr);
    ShowWindow(parent, SW_SHOW);
    direct = static_cast<UINT_PTR>(Send(SCI_GETDIRECTPOINTER));
    ASSERT_NE(direct, 0u);
    PumpMessages();
}

void EditorTest::TearDown() {
    if (parent) {
        SetWindowLongPtrA(parent, GWLP_USERDATA, 0);
        DestroyWindow(parent);
    }
    PumpMessages();
}

void EditorTest::ConfigureAsProgram() {
    auto text = [](const char* s) { return reinterpret_cast<LPARAM>(s); };
    Call(SCI_STYLESETFONT, STYLE_DEFAULT, text("Courier New"));
    Call(SCI_STYLESETSIZE, STYLE_DEFAULT, 9);
    Call(SCI_STYLESETBOLD, STYLE_DEFAULT, 0);
    Call(SCI_STYLESETITALIC, STYLE_DEFAULT, 0);
    Call(SCI_STYLECLEARALL);
    Call(SCI_STYLESETFONT, STYLE_LINENUMBER, text("Arial"));
    Call(SCI_SETPROPERTY, reinterpret_cast<WPARAM>("fold"), text("1"));
    Call(SCI_SETMARGINTYPEN, 1, SC_MARGIN_NUMBER);
    Call(SCI_SETMARGINMASKN, 1, 0);
    Call(SCI_SETMARGINSENSITIVEN, 1, 1);
    Call(SCI_SETMARGINWIDTHN, 1, 40);
    Call(SCI_SETLEXER, SCLEX_BASIC);
    Call(SCI_SETKEYWORDS, 0, text(KEYWORD_LIST));
    const int styles[] = {0, 1, 2, 13, 3, 4, 6, 14, 7};
    const COLORREF colours[] = {0x000000, 0x808080, 0x000080, 0x800080, 0xFF0000,
                                0x008000, 0x000000, 0x004080, 0x000000};
    for (int i = 0; i < 9; ++i)
        Call(SCI_STYLESETFORE, styles[i], colours[i]);
    Call(SCI_INSERTTEXT, 0, text(DEMO_LISTING));
    PumpMessages();
}

std::string EditorTest::Text() {
    std::string text(static_cast<size_t>(Call(SCI_GETLENGTH)) + 1, '\0');
    Call(SCI_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(text.size() - 1);
    return text;
}

int EditorTest::LineStart(int line) {
    return static_cast<int>(Call(SCI_POSITIONFROMLINE, line));
}

void EditorTest::Type(const std::string& text) {
    for (char c : text)
        Send(WM_CHAR, static_cast<unsigned char>(c), 1);
}

bool Snapshot::Has(COLORREF colour, int left, int top, int right, int bottom) const {
    for (int y = std::max(0, top); y < std::min(height, bottom); ++y)
        for (int x = std::max(0, left); x < std::min(width, right); ++x)
            if (At(x, y) == colour)
                return true;
    return false;
}

bool Snapshot::HasOtherThan(COLORREF colour, int left, int top, int right, int bottom) const {
    for (int y = std::max(0, top); y < std::min(height, bottom); ++y)
        for (int x = std::max(0, left); x < std::min(width, right); ++x)
            if (At(x, y) != colour)
                return true;
    return false;
}

Snapshot Print(HWND window) {
    Snapshot shot;
    RECT client{};
    GetClientRect(window, &client);
    shot.width = client.right;
    shot.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const auto* pixel = static_cast<const DWORD*>(bits);
    for (int i = 0; i < shot.width * shot.height; ++i)
        shot.pixels.push_back(
            RGB((pixel[i] >> 16) & 0xFF, (pixel[i] >> 8) & 0xFF, pixel[i] & 0xFF));
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return shot;
}
