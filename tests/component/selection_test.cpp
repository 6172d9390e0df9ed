// Selecting with keys and mouse, word deletes and a cut waiting for the
// clipboard, through the window as a user does them. (Several selections by
// the mouse: RectangleTest.)
#include "tests/component/editor_fixture.h"
#include <tuple>

// Shift with the caret keys extends the selection and plain keys collapse it
// (Left and Right to its near and far edge); Up and Down keep the column over
// a shorter line. The mouse selects by characters, words and lines, by a drag
// and by Shift+click; a right-click outside the selection moves the caret
// there, inside it keeps the selection for the menu.
TEST_F(EditorTest, KeysAndMouseSelect) {
    Call(SCI_SETTEXT, 0, Pointer("alpha beta\rgo\rdelta epsilon"));
    const struct {
        WPARAM key;
        bool control, shift;
        int anchor, caret;
    } keys[] = {
        {VK_RIGHT, true, true, 0, 6},     {VK_END, false, true, 0, 10},
        {VK_LEFT, false, false, 0, 0},    {VK_DOWN, false, true, 0, 11},
        {VK_RIGHT, false, false, 11, 11}, {VK_END, true, true, 11, 27},
        {'A', true, false, 0, 27},        {VK_HOME, false, true, 0, 14},
        {VK_HOME, true, false, 0, 0},     {VK_RIGHT, true, false, 6, 6},
        {VK_RIGHT, false, false, 7, 7},   {VK_DOWN, false, false, 13, 13},
        {VK_DOWN, false, false, 21, 21},  {VK_UP, false, true, 21, 13},
    };
    for (const auto& k : keys) {
        Key(k.key, k.control, k.shift);
        EXPECT_EQ(Selection(), std::pair(k.anchor, k.caret)) << "row " << &k - keys;
    }
    for (auto [anchor, caret] : {std::pair{8, 8}, {6, 10}, {0, 11}}) {
        ClickAt(8);
        EXPECT_EQ(Selection(), std::pair(anchor, caret)) << "one, two and three clicks";
    }
    Send(WM_LBUTTONUP);
    Call(SCI_GOTOPOS, 0);
    Click(8); // a fourth click counts as one again
    Drag(8, 2);
    EXPECT_EQ(Selection(), std::pair(10, 0)) << "a double-click's drag back, by words";
    for (auto [anchor, caret, after] : {std::tuple{2, 5, 4}, {5, 2, 1}}) {
        Call(SCI_SETSEL, anchor, caret);
        Key(VK_LEFT, false, true);
        EXPECT_EQ(Selection(), std::pair(anchor, after)) << "Shift+Left after SCI_SETSEL";
    }
    Drag(14, 20);
    EXPECT_EQ(Selection(), std::pair(14, 20)) << "a drag";
    Click(16, MK_SHIFT);
    EXPECT_EQ(Selection(), std::pair(14, 16)) << "Shift+click";
    for (int inside : {15, 16}) {
        Send(WM_RBUTTONDOWN, 0, PointOf(inside));
        EXPECT_EQ(Selection(), std::pair(14, 16)) << "right-click inside, at " << inside;
    }
    Send(WM_RBUTTONDOWN, 0, PointOf(24));
    EXPECT_EQ(Selection(), std::pair(24, 24)) << "right-click outside";
}

// Held open by another window, the clipboard takes nothing and Shift+Delete
// deletes nothing; once free, the cut takes the text, and WM_UNDO puts it
// back. (The line ends of copy and paste: UnicodeTest.)
TEST_F(EditorTest, CutWaitsForTheClipboard) {
    std::string listing = Text();
    Call(SCI_SETSEL, 0, 5);
    ASSERT_TRUE(OpenClipboard(parent));
    Key(VK_DELETE, false, true);
    EXPECT_EQ(Text(), listing);
    CloseClipboard();
    Key(VK_DELETE, false, true);
    EXPECT_EQ(std::pair(Clipboard(parent), Text()),
              std::pair(std::wstring(L"'Demo"), listing.substr(5)));
    Send(WM_UNDO);
    EXPECT_EQ(Text(), listing) << "the cut undone";
}

// Ctrl+Backspace and Ctrl+Delete, translated by the keyboard as a user's
// key presses are (Ctrl+Backspace into a Backspace character under Wine,
// 0x7F on Windows), delete just what Ctrl+Shift+Left or Right selects: a word
// and its blanks, the word of a one-word line, a line end at a line's edge.
TEST_F(EditorTest, WordDeletesTakeWhatCtrlShiftArrowsSelect) {
    const std::string text = "Sub A\rDim a$ = foo_bar + 12\rword";
    for (WPARAM key : {VK_BACK, VK_DELETE}) {
        for (int caret : {23, 32, 28, 27}) {
            Load(text, caret, caret);
            Key(key == VK_BACK ? VK_LEFT : VK_RIGHT, true, true);
            int other = Selection().second;
            int start = std::min(caret, other), end = std::max(caret, other);
            Call(SCI_GOTOPOS, caret);
            Hold(true, false);
            Press(key);
            EXPECT_EQ(Text(), std::string(text).erase(start, end - start))
                << (key == VK_BACK ? "Ctrl+Backspace" : "Ctrl+Delete") << " at " << caret;
        }
    }
    Key(VK_SHIFT); // Control up again
}
