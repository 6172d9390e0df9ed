// Selecting with keys and mouse, the clipboard, undo and redo, through the
// window as a user does them.
#include "tests/component/editor_fixture.h"

// The clipboard's text, or nothing while it holds none or another window has it open.
static std::string ClipboardText(HWND owner) {
    OpenClipboard(owner);
    HANDLE data = GetClipboardData(CF_TEXT);
    std::string text = data ? static_cast<const char*>(GlobalLock(data)) : "";
    GlobalUnlock(data);
    CloseClipboard();
    return text;
}

// Shift with the caret keys extends the selection and plain keys collapse it
// (Left and Right to its near and far edge); the mouse selects by characters,
// words and lines, and by a drag.
TEST_F(EditorTest, KeysAndMouseSelect) {
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>("alpha beta\rgamma\rdelta"));
    const struct {
        WPARAM key;
        bool control, shift;
        int anchor, caret;
    } keys[] = {
        {VK_RIGHT, false, true, 0, 1}, {VK_RIGHT, true, true, 0, 6},
        {VK_END, false, true, 0, 10},  {VK_LEFT, false, false, 0, 0},
        {VK_DOWN, false, true, 0, 11}, {VK_RIGHT, false, false, 11, 11},
        {VK_END, true, true, 11, 22},  {'A', true, false, 0, 22},
    };
    for (const auto& k : keys) {
        Key(k.key, k.control, k.shift);
        EXPECT_EQ(Selection(), std::pair(k.anchor, k.caret)) << k.key;
    }
    for (auto [anchor, caret] : {std::pair{8, 8}, {6, 10}, {0, 11}}) {
        ClickAt(8);
        EXPECT_EQ(Selection(), std::pair(anchor, caret)) << "one, two and three clicks";
    }
    Send(WM_LBUTTONUP);
    ClickAt(13);
    Send(WM_MOUSEMOVE, MK_LBUTTON, PointOf(19));
    Send(WM_LBUTTONUP);
    EXPECT_EQ(Selection(), std::pair(13, 19)) << "a drag";
}

// Copy writes CR LF and paste turns it into the document's own line end (CR
// in the listing); undo and redo, by keys and WM_UNDO, restore text and
// selection; cut waits for the clipboard another window holds.
TEST_F(EditorTest, ClipboardUndoAndRedo) {
    std::string listing = Text();
    Call(SCI_SETSEL, LineStart(10), LineStart(12));
    Key('C', true);
    EXPECT_EQ(ClipboardText(parent), "  1*2+(3/4)=567 'Not really...\r\n  a$=\"Hello\"\r\n");
    Call(SCI_SETSEL, 0, 5);
    Key(VK_INSERT, false, true);
    std::string pasted = "  1*2+(3/4)=567 'Not really...\r  a$=\"Hello\"\r";
    EXPECT_EQ(Text(), pasted + listing.substr(5));
    Key('Z', true);
    EXPECT_EQ(Text(), listing);
    EXPECT_EQ(Selection(), std::pair(0, 5));
    Key('Y', true);
    EXPECT_EQ(Text(), pasted + listing.substr(5));
    Key('Z', true);
    EXPECT_EQ(Text(), listing);

    // Held open by another window, the clipboard takes nothing and cut deletes nothing.
    ASSERT_TRUE(OpenClipboard(parent));
    Key(VK_DELETE, false, true);
    EXPECT_EQ(Text(), listing);
    CloseClipboard();
    Key(VK_DELETE, false, true);
    EXPECT_EQ(ClipboardText(parent), "'Demo");
    EXPECT_EQ(Text(), listing.substr(5));
    Send(WM_UNDO);
    EXPECT_EQ(Text(), listing) << "the cut undone";
}

// Ctrl+Backspace, translated by the keyboard as a user's key press is (into
// a Backspace character under Wine, 0x7F on Windows), deletes just what
// Ctrl+Shift+Left selects: the word and blanks before the caret, the word of
// a one-word line, or at a line's start the line end.
TEST_F(EditorTest, CtrlBackspaceDeletesWhatCtrlShiftLeftSelects) {
    const std::string text = "Sub A\rDim a$ = foo_bar + 12\rword";
    for (int caret : {23, 32, 28}) {
        Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        Call(SCI_GOTOPOS, caret);
        Key(VK_LEFT, true, true);
        int start = Selection().second;
        Call(SCI_GOTOPOS, caret);
        MSG key{editor,  WM_KEYDOWN,
                VK_BACK, MAKELPARAM(1, MapVirtualKeyA(VK_BACK, MAPVK_VK_TO_VSC)),
                0,       {}};
        TranslateMessage(&key);
        DispatchMessageA(&key);
        PumpMessages();
        EXPECT_EQ(Text(), std::string(text).erase(start, caret - start)) << "caret at " << caret;
    }
    Key(VK_SHIFT); // Control up again
}
