// Selecting with keys and mouse, the clipboard, the context menu, and the
// view following the caret.
#include "tests/component/editor_fixture.h"
#include <utility>

namespace {

void PutOnClipboard(HWND owner, const char* text) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    if (text) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
        memcpy(GlobalLock(memory), text, strlen(text) + 1);
        GlobalUnlock(memory);
        SetClipboardData(CF_TEXT, memory);
    }
    CloseClipboard();
}

std::string ClipboardText(HWND owner) {
    std::string text;
    if (OpenClipboard(owner)) {
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

// Holds the clipboard open from another thread until released, as another
// program may.
struct ClipboardHolder {
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = nullptr;

    static DWORD WINAPI Hold(void* self) {
        auto* holder = static_cast<ClipboardHolder*>(self);
        OpenClipboard(nullptr);
        SetEvent(holder->opened);
        WaitForSingleObject(holder->release, 10000);
        CloseClipboard();
        return 0;
    }
    ClipboardHolder() {
        thread = CreateThread(nullptr, 0, Hold, this, 0, nullptr);
        WaitForSingleObject(opened, 10000);
    }
    ~ClipboardHolder() {
        SetEvent(release);
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
        CloseHandle(opened);
        CloseHandle(release);
    }
};

// The context menu's items and whether each is enabled, read while it is
// shown (from a thread timer, which the menu's loop runs) and then closed.
std::string menuSeen;
void CALLBACK ReadMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND popup = FindWindowA("#32768", nullptr);
    HMENU menu = popup ? reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0)) : nullptr;
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
        char text[32] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        menuSeen += *text ? std::string(text) + (state & MF_GRAYED ? "-" : "+") + " " : "| ";
    }
    EndMenu();
}

} // namespace

// Shift with the caret keys extends the selection, plain keys collapse it
// (Left and Right to its near edge), and the mouse selects by characters,
// words and lines; quick clicks on a line number stay single clicks.
TEST_F(EditorTest, KeysAndMouseSelect) {
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    auto x = [&](int pos) { return static_cast<int>(Call(SCI_POINTXFROMPOSITION, 0, pos)); };
    auto y = [&](int line) { return line * height + height / 2; };
    int l4 = LineStart(4); // "Const ID_TEST1 = &H2000"
    int l5 = LineStart(5);
    Call(SCI_GOTOLINE, 4);
    const struct {
        WPARAM key;
        bool control, shift;
        int anchor, caret;
    } keys[] = {
        {VK_RIGHT, false, true, l4, l4 + 1}, {VK_RIGHT, true, true, l4, l4 + 6},
        {VK_END, false, true, l4, l4 + 23},  {VK_LEFT, false, false, l4, l4},
        {VK_DOWN, false, true, l4, l5},      {VK_RIGHT, false, false, l5, l5},
        {VK_HOME, true, true, l5, 0},        {VK_END, true, false, 630, 630},
        {VK_LEFT, true, false, 627, 627},    {'A', true, false, 0, 630},
    };
    for (const auto& k : keys) {
        Key(k.key, k.control, k.shift);
        EXPECT_EQ(Selection(), std::pair(k.anchor, k.caret)) << k.key;
    }

    ClickAt(x(l4 + 8) + 1, y(4));
    EXPECT_EQ(Selection(), std::pair(l4 + 8, l4 + 8));
    ClickAt(x(l4 + 8) + 1, y(4));
    EXPECT_EQ(Selection(), std::pair(l4 + 6, l4 + 14)) << "the word";
    ClickAt(x(l4 + 8) + 1, y(4));
    EXPECT_EQ(Selection(), std::pair(l4, l5)) << "the line";
    Send(WM_LBUTTONUP);

    int l9 = LineStart(9);
    int l10 = LineStart(10);
    ClickAt(x(l9 + 4), y(9));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x(l10 + 5), y(10)));
    EXPECT_EQ(GetCapture(), editor);
    Send(WM_LBUTTONUP);
    EXPECT_EQ(Selection(), std::pair(l9 + 4, l10 + 5)) << "a drag";
    ClickAt(x(LineStart(11) + 2), y(11), MK_SHIFT);
    Send(WM_LBUTTONUP);
    EXPECT_EQ(Selection(), std::pair(l9 + 4, LineStart(11) + 2));

    // A right-click inside the selection keeps it; outside it moves the caret.
    Send(WM_RBUTTONDOWN, 0, MAKELPARAM(x(l10 + 3), y(10)));
    EXPECT_EQ(Selection(), std::pair(l9 + 4, LineStart(11) + 2));
    Send(WM_RBUTTONDOWN, 0, MAKELPARAM(x(l4 + 2), y(4)));
    EXPECT_EQ(Selection(), std::pair(l4 + 2, l4 + 2));

    for (int i = 0; i < 3; ++i)
        ClickAt(20, y(9));
    EXPECT_EQ(notifications.size(), 3u);
}

// Copy writes CR LF; paste takes the document's own line end (CR in the
// listing); cut waits for the clipboard; the menu greys what cannot act.
TEST_F(EditorTest, ClipboardAndContextMenu) {
    int l9 = LineStart(9);
    Call(SCI_SETSEL, l9 + 18, LineStart(11));
    Key('C', true);
    EXPECT_EQ(ClipboardText(parent), "As Long, b As Long)\r\n  1*2+(3/4)=567 'Not really...\r\n");

    std::string before = Text();
    PutOnClipboard(parent, "x\ny\r\nz\r");
    EXPECT_EQ(Call(SCI_CANPASTE), 1);
    Call(SCI_SETSEL, 0, 5);
    Key(VK_INSERT, false, true);
    EXPECT_EQ(Text().substr(0, 8), "x\ry\rz\r l");
    Key('Z', true);
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(Selection(), std::pair(0, 5));
    Key('Y', true);
    Send(WM_UNDO);
    EXPECT_EQ(Text(), before);

    // While another program holds the clipboard, cutting changes nothing.
    {
        ClipboardHolder holder;
        Key(VK_DELETE, false, true);
        Send(WM_CUT);
        EXPECT_EQ(Text(), before);
    }
    Key(VK_DELETE, false, true);
    EXPECT_EQ(ClipboardText(parent), "'Demo");
    EXPECT_EQ(Text(), before.substr(5));

    PutOnClipboard(parent, nullptr);
    Send(WM_PASTE);
    EXPECT_EQ(Call(SCI_CANPASTE), 0);
    EXPECT_EQ(Text(), before.substr(5));

    auto showMenu = [&] {
        menuSeen.clear();
        SetTimer(nullptr, 0, 200, ReadMenu);
        Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(editor), MAKELPARAM(-1, -1));
        return menuSeen;
    };
    EXPECT_EQ(showMenu(), "&Undo+ &Redo- | Cu&t- &Copy- &Paste- &Delete- | Select &All+ ");
    Key('Z', true);
    Key('A', true);
    Key('C', true);
    EXPECT_EQ(showMenu(), "&Undo+ &Redo+ | Cu&t+ &Copy+ &Paste+ &Delete+ | Select &All- ");
}

// Ctrl+End never leaves the caret on a hidden line, and the horizontal
// scroll bar follows the widest line measured.
TEST_F(EditorTest, TheCaretStaysInViewAndTheBarFollowsTheText) {
    Call(SCI_TOGGLEFOLD, 18);
    Key(VK_END, true);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), 630);
    EXPECT_EQ(Call(SCI_GETLINEVISIBLE, 20), 1) << "Ctrl+End opens the last sub";

    auto barShown = [&] {
        UpdateWindow(editor);
        return (GetWindowLongA(editor, GWL_STYLE) & WS_HSCROLL) != 0;
    };
    // As the program does: the text set while the window is tiny, then the
    // window sized to fit it, then narrowed.
    SetWindowPos(editor, nullptr, 0, 0, 10, 10, SWP_NOZORDER | SWP_NOMOVE);
    std::string wide = "x\r" + std::string(60, 'w') + "\ry";
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    SetWindowPos(editor, nullptr, 0, 0, 500, 340, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_FALSE(barShown());
    SetWindowPos(editor, nullptr, 0, 0, 200, 340, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_TRUE(barShown()) << "on the first narrowing";
    LRESULT home = Call(SCI_POINTXFROMPOSITION, 0, 0);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, -WHEEL_DELTA), 0);
    LRESULT shifted = Call(SCI_POINTXFROMPOSITION, 0, 0);
    EXPECT_LT(shifted, home);
    Send(WM_MOUSEHWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_GT(Call(SCI_POINTXFROMPOSITION, 0, 0), shifted);
    Call(SCI_SETSEL, 2, LineStart(2));
    Key(VK_DELETE);
    EXPECT_FALSE(barShown()) << "the long line is gone";
}
