// Line wrapping: where lines break in each mode, the caret moving by display
// lines, the requests that count them, and the rows drawn.
#include "tests/component/editor_fixture.h"

namespace {

class WrapTest : public EditorTest {
  public:
    // The text area made exactly `columns` widths of the default style's "x"
    // wide, for the margins as they are; the program's text is all in one
    // monospaced face.
    void Columns(int columns) {
        column = static_cast<int>(Call(SCI_TEXTWIDTH, STYLE_DEFAULT, Pointer("x")));
        left = XOf(0);
        // Twice: the window less its client area is the vertical scroll bar, if shown.
        for (int pass = 0; pass < 2; ++pass) {
            RECT window{}, client{};
            GetWindowRect(editor, &window);
            GetClientRect(editor, &client);
            int bar = (window.right - window.left) - client.right;
            SetWindowPos(editor, nullptr, 0, 0, left + columns * column + bar, kHeight,
                         SWP_NOMOVE | SWP_NOZORDER);
            PumpMessages();
        }
    }
    void Load(const char* text, int mode) {
        Call(SCI_SETWRAPMODE, mode);
        Call(SCI_SETTEXT, 0, Pointer(text));
        Call(SCI_SETFIRSTVISIBLELINE, 0);
        PumpMessages();
    }
    // The positions of a line where a new row begins, its first row's start included.
    std::vector<int> RowStarts(int line) {
        std::vector<int> starts;
        LRESULT y = -1, end = Call(SCI_GETLINEENDPOSITION, line);
        for (LRESULT p = LineStart(line); p < end; p = Call(SCI_POSITIONAFTER, p)) {
            LRESULT at = Call(SCI_POINTYFROMPOSITION, 0, p);
            if (at != y)
                starts.push_back(static_cast<int>(p));
            y = at;
        }
        return starts;
    }
    int column = 8, left = 0;
};

// Each case is a text area ten "x" wide.
TEST_F(WrapTest, WhereLinesBreak) {
    // The wrap mode, the text, line 0's rows' starts, the indent mode and
    // start indent, and the second row's first character's indent in columns.
    const std::tuple<int, const char*, std::vector<int>, int, int, int> cases[] = {
        // Between words; the blank that ends a row stays on it.
        {SC_WRAP_WORD, "aaa bbbbbbb", {0, 4}, SC_WRAPINDENT_FIXED, 0, 0},
        {SC_WRAP_CHAR, "aaa bbbbbbb", {0, 10}, SC_WRAPINDENT_FIXED, 0, 0},
        // A word wider than the view breaks between characters.
        {SC_WRAP_WORD, "abcdefghijklmnopqrstuvwxy", {0, 10, 20}, SC_WRAPINDENT_FIXED, 0, 0},
        // Exactly the width, its CR LF after it: one row.
        {SC_WRAP_WORD, "aaaaaaaaaa\r\nb", {0}, SC_WRAPINDENT_FIXED, 0, 0},
        // A tab reaching past the edge starts the next row.
        {SC_WRAP_WORD, "aaaaaaaa\tbb", {0, 8}, SC_WRAPINDENT_FIXED, 0, 0},
        // Later rows indented (the blank ending the first stays on it): fixed,
        // as the first row, and one indent more.
        {SC_WRAP_WORD, "aaaa bbbb cccc", {0, 10}, SC_WRAPINDENT_FIXED, 3, 3},
        {SC_WRAP_WORD, "  aa bb cc dd", {0, 8}, SC_WRAPINDENT_SAME, 0, 2},
        {SC_WRAP_WORD, "  aa bb cc dd", {0, 8}, SC_WRAPINDENT_INDENT, 0, 4},
        {SC_WRAP_WORD, "  aa bb cc dd", {0, 8, 11}, SC_WRAPINDENT_DEEPINDENT, 0, 6},
        // An indent past four fifths of the width is dropped.
        {SC_WRAP_WORD, "aaaa bbbb cccc", {0, 10}, SC_WRAPINDENT_FIXED, 9, 0},
    };
    Columns(10);
    Call(SCI_SETINDENT, 2);
    Call(SCI_SETTABWIDTH, 8);
    for (const auto& [mode, text, starts, indentMode, startIndent, indent] : cases) {
        Call(SCI_SETWRAPINDENTMODE, indentMode);
        Call(SCI_SETWRAPSTARTINDENT, startIndent);
        Load(text, mode);
        // The second row's x, where there is one.
        int second = starts.size() > 1 ? XOf(starts[1]) : left + indent * column;
        EXPECT_EQ(std::tuple(RowStarts(0), Call(SCI_WRAPCOUNT, 0), second),
                  std::tuple(starts, LRESULT(starts.size()), left + indent * column))
            << text << " mode " << mode;
    }
    // A point past the last row's end is the line's end; past another row's,
    // that row's end (before the blank that ends it).
    Call(SCI_SETWRAPSTARTINDENT, 0);
    Load("aaaa bbbb cccc\rx", SC_WRAP_WORD);
    int row = static_cast<int>(Call(SCI_TEXTHEIGHT));
    int x = left + 10 * column - 2;
    EXPECT_EQ(std::pair(Call(SCI_POSITIONFROMPOINT, x, row / 2),
                        Call(SCI_POSITIONFROMPOINT, x, row + row / 2)),
              std::pair(LRESULT{9}, LRESULT{14}));
    // In UTF-8, word mode breaks beside CJK characters (three bytes each, of
    // whatever width the system's fonts give): the first row holds some
    // after the blank.
    Call(SCI_SETCODEPAGE, SC_CP_UTF8);
    std::string cjk = "a ";
    for (int i = 0; i < 12; ++i)
        cjk += "\xE6\x97\xA5";
    Load(cjk.c_str(), SC_WRAP_WORD);
    std::vector<int> starts = RowStarts(0);
    ASSERT_GT(starts.size(), 1u) << "not wrapped: the end at x " << XOf(cjk.size());
    EXPECT_TRUE(starts[1] > 2 && (starts[1] - 2) % 3 == 0) << "the second row at " << starts[1];
    // Lines edited or loaded off screen are measured before they are counted:
    // one grown by typing, and a short one of tabs that expand past the edge.
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += i == 40 ? "\t\tab\n" : "x\n";
    Load(text.c_str(), SC_WRAP_WORD);
    Columns(10); // the vertical scroll bar shown now
    EXPECT_EQ(Call(SCI_VISIBLEFROMDOCLINE, 41) - Call(SCI_VISIBLEFROMDOCLINE, 40), 2);
    Call(SCI_INSERTTEXT, LineStart(50), Pointer("\t\t\t\t"));
    EXPECT_EQ(Call(SCI_VISIBLEFROMDOCLINE, 51) - Call(SCI_VISIBLEFROMDOCLINE, 50), 4);
}

// The caret on wrapped lines: a table of keys (Shift held over 0xFF) and
// requests from a caret, with "aaaa bbbb cccc" over rows [0, 10) and [10, 14)
// and a short second line; and a click past a row's end.
TEST_F(WrapTest, CaretMovesByDisplayLines) {
    // The caret, the key or request, and the selection it leaves: at the end
    // the display line's ends by request, and Shift+Home to the row's start.
    const std::tuple<int, UINT, int, int> cases[] = {
        {2, VK_DOWN, 12, 12},          {12, VK_UP, 2, 2},
        {12, VK_DOWN, 17, 17},         {2, VK_END, 9, 9},
        {9, VK_END, 14, 14},           {12, VK_HOME, 10, 10},
        {10, VK_HOME, 0, 0},           {0, VK_NEXT, 15, 15},
        {17, VK_UP, 12, 12},           {12, SCI_HOMEDISPLAYEXTEND, 12, 10},
        {3, SCI_LINEENDDISPLAY, 9, 9}, {12, VK_HOME | 0x100, 12, 10},
    };
    Columns(10);
    for (auto [caret, key, anchor, after] : cases) {
        Load("aaaa bbbb cccc\nxyzxyz", SC_WRAP_WORD);
        Call(SCI_GOTOPOS, caret);
        if (key >= SCI_START)
            Call(key);
        else
            Key(key & 0xFF, false, key > 0xFF);
        EXPECT_EQ(Selection(), std::pair(anchor, after)) << "from " << caret << " by " << key;
    }
    Hold(false, false);
    LRESULT y = Call(SCI_POINTYFROMPOSITION, 0, 0) + Call(SCI_TEXTHEIGHT) / 2;
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(left + 10 * column - 2, y));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(left + 10 * column - 2, y));
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), 9) << "past the first row's end";
}

// Display lines through folds, and a resize that rewraps: the first visible
// document line stays at the top; nothing scrolls sideways.
TEST_F(WrapTest, RequestsCountDisplayLines) {
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += "Sub s\naaaa bbbb cccc\naaaa bbbb cccc\nEnd Sub\n";
    Load(text.c_str(), SC_WRAP_WORD);
    Columns(10); // the line numbers' margin is as wide as 40 lines need
    Call(SCI_TOGGLEFOLD, 0);
    Call(SCI_SETFIRSTVISIBLELINE, Call(SCI_VISIBLEFROMDOCLINE, 8));
    Columns(30);
    // Lines 0 and 4 to 7 a row each, the fold's none.
    EXPECT_EQ(std::tuple(Call(SCI_WRAPCOUNT, 9), Call(SCI_VISIBLEFROMDOCLINE, 8),
                         Call(SCI_DOCLINEFROMVISIBLE, Call(SCI_GETFIRSTVISIBLELINE))),
              std::tuple(1, 5, 8));
    Call(SCI_SETXOFFSET, 50);
    EXPECT_EQ(Call(SCI_GETXOFFSET), 0) << "nothing to scroll sideways";
}

// A wrapped line's later rows: its text, no number beside them but the
// host's mark when asked for, the mark at a broken row's end, and a folded
// header's tag after its last row.
TEST_F(WrapTest, RowsDrawn) {
    Load("Sub aaaa bbbb cccc\naaaaaaaaaaaaaaaaaaaa\nEnd Sub\n", SC_WRAP_WORD);
    Columns(10);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    auto row = [&](int r, int from, int to) {
        return RECT{from, r * height + 1, to, (r + 1) * height - 1};
    };
    LONG before = static_cast<LONG>(Call(SCI_GETMARGINWIDTHN, 0));
    RECT numbers{before, 0, before + static_cast<LONG>(Call(SCI_GETMARGINWIDTHN, 1)), 0};
    // The screen once what is pending is done, without the caret.
    auto shot = [&] {
        PumpMessages();
        return Screen(editor).first;
    };
    std::vector<COLORREF> screen = shot();
    // Whether anything unlike the background is drawn in a rectangle of the screen.
    auto inked = [&](RECT r) { return Colours(screen, r).size() > 1; };
    EXPECT_TRUE(inked(row(1, left, left + 4 * column))) << "the second row's text";
    EXPECT_TRUE(inked(row(0, numbers.left, numbers.right))) << "line 1's number";
    EXPECT_FALSE(inked(row(1, numbers.left, numbers.right))) << "a number on a later row";
    Call(SCI_SETWRAPVISUALFLAGS, SC_WRAPVISUALFLAG_MARGIN | SC_WRAPVISUALFLAG_END);
    screen = shot();
    EXPECT_TRUE(inked(row(1, numbers.left, numbers.right))) << "the margin's mark";
    EXPECT_EQ(Call(SCI_WRAPCOUNT, 1), 3) << "the end mark takes room";
    EXPECT_TRUE(inked(row(0, left + 9 * column, left + 10 * column))) << "the end mark";
    Call(SCI_SETWRAPVISUALFLAGS, 0);
    Call(SCI_SETWRAPSTARTINDENT, 4);
    screen = shot();
    EXPECT_FALSE(inked(row(1, left, left + 4 * column))) << "the indent is blank";
    // The caret's line takes its colour on every row, in the indent too; no other line does.
    const COLORREF green = RGB(0, 255, 0);
    Call(SCI_SETCARETLINEVISIBLE, 1);
    Call(SCI_SETCARETLINEBACK, green);
    Call(SCI_GOTOPOS, 0);
    InvalidateRect(editor, nullptr, FALSE); // drawn whole: the colour of each row is the question
    screen = shot();
    EXPECT_EQ(Colours(screen, row(1, left, left + 4 * column)), std::set<COLORREF>{green});
    EXPECT_EQ(Colours(screen, row(3, left, left + 4 * column)).count(green), 0u);
    Call(SCI_SETCARETLINEVISIBLE, 0);
    Call(SCI_SETWRAPSTARTINDENT, 0);
    Call(SCI_TOGGLEFOLD, 0);
    screen = shot();
    EXPECT_TRUE(inked(row(1, left + 4 * column, left + 10 * column))) << "the tag";
    EXPECT_FALSE(inked(row(0, left + 9 * column, left + 10 * column)));
}

} // namespace
