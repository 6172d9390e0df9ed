// Mouse and keyboard input: margin clicks, caret placement, typing, moving.
#include "tests/component/editor_fixture.h"
#include <tuple>

// A click in the click-sensitive margin 1 goes to the parent with the line's
// start and the keys held, and leaves the caret alone; a click in the
// insensitive margin 0 or in the text moves the caret and tells nobody.
TEST_F(EditorTest, ClicksInMarginsAndText) {
    Call(SCI_SETMARGINWIDTHN, 0, 20);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    ClickAt(5, 4 * height + 2);
    EXPECT_TRUE(notifications.empty());
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), LineStart(4));
    EXPECT_EQ(GetFocus(), editor);

    auto fields = [](const SCNotification& n) {
        return std::tuple(n.hwndFrom, n.idFrom, n.code, n.position, n.margin, n.modifiers);
    };
    ClickAt(25, 10 * height + height / 2, MK_SHIFT | MK_CONTROL);
    ASSERT_EQ(notifications.size(), 1u);
    EXPECT_EQ(fields(notifications[0]),
              std::tuple(editor, UINT_PTR{7}, 2010u, INT_PTR{LineStart(10)}, 1,
                         SCMOD_SHIFT | SCMOD_CTRL));
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), LineStart(4)) << "the parent decides what a click does";
    // With the fold contracted the same row shows the line after the sub.
    Call(SCI_TOGGLEFOLD, 9);
    ClickAt(59, 10 * height + 1);
    ASSERT_EQ(notifications.size(), 2u);
    EXPECT_EQ(fields(notifications[1]),
              std::tuple(editor, UINT_PTR{7}, 2010u, INT_PTR{LineStart(13)}, 1, 0));

    // In the text the caret goes to the nearest character boundary, or the line's end.
    int start = LineStart(13);
    int x4 = static_cast<int>(Call(SCI_POINTXFROMPOSITION, 0, start + 4));
    int x5 = static_cast<int>(Call(SCI_POINTXFROMPOSITION, 0, start + 5));
    ASSERT_GT(x5, x4 + 2);
    for (auto [x, position] :
         {std::pair{x4 + 1, start + 4}, {x5 - 1, start + 5}, {480, LineStart(14) - 1}}) {
        ClickAt(x, 10 * height + 2);
        EXPECT_EQ(Call(SCI_GETCURRENTPOS), position) << x;
    }
    EXPECT_EQ(notifications.size(), 2u);
}

// Typing and deleting edit the text, and the folds follow.
TEST_F(EditorTest, TypingAndDeletingChangeTextAndFolds) {
    auto type = [&](const std::string& text) {
        for (char c : text)
            Send(WM_CHAR, static_cast<unsigned char>(c), 1);
    };
    Key(VK_END, true);
    type("\rsub Four\r  x=1\rend sub");
    EXPECT_EQ(Text().substr(630), "\rsub Four\r  x=1\rend sub") << "Enter keeps the CR line ends";
    EXPECT_EQ(Call(SCI_GETFOLDPARENT, 22), 21);
    type("\b\b\b\b");
    EXPECT_EQ(Text().substr(630), "\rsub Four\r  x=1\rend");
    Key(VK_UP);
    Key(VK_UP);
    Key(VK_HOME);
    Key(VK_DELETE);
    EXPECT_EQ(Call(SCI_GETFOLDLEVEL, 21) & SC_FOLDLEVELHEADERFLAG, 0) << "\"ub Four\"";
    type("s");
    EXPECT_NE(Call(SCI_GETFOLDLEVEL, 21) & SC_FOLDLEVELHEADERFLAG, 0);

    // A new document gets CRLF line ends, which Backspace and Delete take whole.
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    type("ab\rc");
    EXPECT_EQ(Text(), "ab\r\nc");
    type("\b\b\r");
    Key(VK_LEFT);
    Key(VK_DELETE);
    type("\x01\x1b\x7f\t"); // control characters are not text; Tab is
    EXPECT_EQ(Text(), "ab\t");
}

// Caret keys pass over the hidden body of a contracted sub.
TEST_F(EditorTest, CaretKeysSkipHiddenLines) {
    Call(SCI_TOGGLEFOLD, 9);
    Call(SCI_GOTOLINE, 8);
    const struct {
        WPARAM key;
        bool control;
        int position;
    } steps[] = {{VK_DOWN, false, LineStart(9)},
                 {VK_DOWN, false, LineStart(13)},
                 {VK_UP, false, LineStart(9)},
                 {VK_END, false, LineStart(10) - 1},
                 {VK_RIGHT, false, LineStart(13)},
                 {VK_LEFT, false, LineStart(10) - 1},
                 {VK_HOME, false, LineStart(9)},
                 {VK_NEXT, false, LineStart(20)},
                 {VK_PRIOR, false, 0},
                 {VK_END, true, 630},
                 {VK_HOME, true, 0}};
    for (const auto& step : steps) {
        Key(step.key, step.control);
        EXPECT_EQ(Call(SCI_GETCURRENTPOS), step.position) << step.key;
    }
    EXPECT_EQ(Call(SCI_GETLINEVISIBLE, 11), 0);
}
