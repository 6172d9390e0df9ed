// Mouse and keyboard input: margin clicks, caret placement, typing, moving.
#include "tests/component/editor_fixture.h"
#include "editor/demo_text.h"
#include "editor/requests.h"

namespace {

// Holds Control down in this thread's keyboard state while it lives.
class ControlHeld {
  public:
    ControlHeld() { SetControl(0x80); }
    ~ControlHeld() { SetControl(0); }

  private:
    static void SetControl(BYTE state) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = state;
        SetKeyboardState(keys);
    }
};

} // namespace

TEST_F(EditorTest, ClickInSensitiveMarginNotifiesParent) {
    ConfigureAsProgram();
    Call(SCI_GOTOLINE, 2);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    ClickAt(20, 10 * height + height / 2, MK_SHIFT | MK_CONTROL);
    ASSERT_EQ(notifications.size(), 1u);
    const SCNotification& n = notifications[0];
    EXPECT_EQ(n.hwndFrom, editor);
    EXPECT_EQ(n.idFrom, 7u);
    EXPECT_EQ(n.code, SCN_MARGINCLICK);
    EXPECT_EQ(n.position, LineStart(10));
    EXPECT_EQ(n.margin, 1);
    EXPECT_EQ(n.modifiers, SCMOD_SHIFT | SCMOD_CTRL);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), LineStart(2)) << "the parent decides what a click does";

    // With the fold contracted the same row shows the line after the sub.
    Call(SCI_TOGGLEFOLD, 9);
    ClickAt(39, 10 * height + 1);
    ASSERT_EQ(notifications.size(), 2u);
    EXPECT_EQ(notifications[1].position, LineStart(13));
    EXPECT_EQ(notifications[1].modifiers, 0);
}

TEST_F(EditorTest, ClickInInsensitiveMarginMovesCaretWithoutNotifying) {
    ConfigureAsProgram();
    Call(SCI_SETMARGINWIDTHN, 0, 20);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    ClickAt(5, 4 * height + 2);
    EXPECT_TRUE(notifications.empty());
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), LineStart(4));
    ClickAt(25, 6 * height + 2); // margin 1 now starts at x = 20
    ASSERT_EQ(notifications.size(), 1u);
    EXPECT_EQ(notifications[0].margin, 1);
    EXPECT_EQ(notifications[0].position, LineStart(6));
}

TEST_F(EditorTest, ClickInTextPutsCaretAtNearestBoundary) {
    ConfigureAsProgram();
    int start = LineStart(9); // "Sub Test1(..."
    int y = static_cast<int>(Call(SCI_POINTYFROMPOSITION, 0, start)) + 2;
    int x4 = static_cast<int>(Call(SCI_POINTXFROMPOSITION, 0, start + 4));
    int x5 = static_cast<int>(Call(SCI_POINTXFROMPOSITION, 0, start + 5));
    ASSERT_GT(x5, x4 + 2);
    ClickAt(x4 + 1, y);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), start + 4);
    ClickAt(x5 - 1, y);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), start + 5);
    ClickAt(480, y); // past the line's end
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), start + 37);
    EXPECT_TRUE(notifications.empty());
    EXPECT_EQ(GetFocus(), editor);
}

TEST_F(EditorTest, TypingAndDeletingFollowStylesAndFolds) {
    ConfigureAsProgram();
    {
        ControlHeld control;
        Key(VK_END);
    }
    Type("\rsub Four\r  x=1\rend sub");
    std::string text = Text();
    EXPECT_EQ(text.substr(630), "\rsub Four\r  x=1\rend sub") << "Enter keeps the CR line ends";
    EXPECT_EQ(Call(SCI_GETLINECOUNT), 24);
    EXPECT_NE(Call(SCI_GETFOLDLEVEL, 21) & SC_FOLDLEVELHEADERFLAG, 0);
    EXPECT_EQ(Call(SCI_GETFOLDPARENT, 22), 21);
    EXPECT_EQ(Call(SCI_GETSTYLEAT, LineStart(21)), 3);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), Call(SCI_GETLENGTH));

    for (int i = 0; i < 4; ++i)
        Type("\b");
    EXPECT_EQ(Text().substr(630), "\rsub Four\r  x=1\rend");
    Key(VK_UP);
    Key(VK_UP);
    Key(VK_HOME);
    Send(WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ(Call(SCI_GETFOLDLEVEL, 21) & SC_FOLDLEVELHEADERFLAG, 0)
        << "\"ub Four\" heads nothing";
    EXPECT_EQ(Call(SCI_GETSTYLEAT, LineStart(21)), 7);
    Type("s");
    EXPECT_NE(Call(SCI_GETFOLDLEVEL, 21) & SC_FOLDLEVELHEADERFLAG, 0);
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_HOME);
    Send(WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ(Text().substr(630), "\rsub Four\r  x=1\rnd");
    Type("\t");
    EXPECT_EQ(Text().substr(630), "\rsub Four\r  x=1\r\tnd");
}

TEST_F(EditorTest, EnterBackspaceAndDeleteTreatCrLfAsOne) {
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    Type("ab\rc");
    EXPECT_EQ(Text(), "ab\r\nc") << "a new document gets CRLF";
    Type("\b\b");
    EXPECT_EQ(Text(), "ab");
    Type("\r");
    Key(VK_LEFT);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), 2);
    Send(WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ(Text(), "ab");
    Type("\x01\x1b\x7f"); // control characters are not text
    EXPECT_EQ(Text(), "ab");
}

TEST_F(EditorTest, ArrowKeysSkipHiddenLines) {
    ConfigureAsProgram();
    Call(SCI_TOGGLEFOLD, 9);
    Call(SCI_GOTOLINE, 8);
    Key(VK_DOWN);
    EXPECT_EQ(Call(SCI_LINEFROMPOSITION, Call(SCI_GETCURRENTPOS)), 9);
    Key(VK_DOWN);
    EXPECT_EQ(Call(SCI_LINEFROMPOSITION, Call(SCI_GETCURRENTPOS)), 13);
    Key(VK_UP);
    EXPECT_EQ(Call(SCI_LINEFROMPOSITION, Call(SCI_GETCURRENTPOS)), 9);
    Key(VK_END);
    Key(VK_RIGHT);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), LineStart(13));
    Key(VK_LEFT);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), LineStart(10) - 1);
    Key(VK_HOME);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), LineStart(9));
    Key(VK_NEXT);
    EXPECT_EQ(Call(SCI_LINEFROMPOSITION, Call(SCI_GETCURRENTPOS)), 20);
    Key(VK_PRIOR);
    EXPECT_EQ(Call(SCI_LINEFROMPOSITION, Call(SCI_GETCURRENTPOS)), 0);
    {
        ControlHeld control;
        Key(VK_END);
        EXPECT_EQ(Call(SCI_GETCURRENTPOS), 630);
        Key(VK_HOME);
        EXPECT_EQ(Call(SCI_GETCURRENTPOS), 0);
    }
    for (int i = 0; i < 30; ++i)
        Key(VK_DOWN);
    for (int line = 10; line <= 12; ++line)
        EXPECT_EQ(Call(SCI_GETLINEVISIBLE, line), 0);
    EXPECT_EQ(Call(SCI_LINEFROMPOSITION, Call(SCI_GETCURRENTPOS)), 20);
}
