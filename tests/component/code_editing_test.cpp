// Editing code: Tab and Shift+Tab over lines, typing over, zoom, selecting
// lines from a margin, dragging text, and the search record as a host fills it.
#include "tests/component/editor_fixture.h"
#include <climits>
#include <cstring>

constexpr int S = 1, C = 2;

// Each row from the same start: a text, a selection, keys or requests, and
// the text and selection they leave (a paste pastes "P\r\nQ"). One undo takes each edit back whole.
TEST_F(EditorTest, TabsOvertypeAndZoomByKeys) {
    // Each row: what it shows, a text and selection, a request sent first
    // when not 0 with its value, a key pressed when not 0 with Shift (S) or
    // Control (C) held, the characters typed, and the text and selection left.
    const struct {
        const char *what, *text;
        int anchor, caret, request, value, key, held;
        const char *typed, *after;
        int newAnchor, newCaret;
    } rows[] = {
        {"Tab indents the lines touched", "a\rb\rc", 0, 4, 0, 0, VK_TAB, 0, "", "\ta\r\tb\rc", 0,
         6},
        {"Shift+Tab unindents them", "\ta\r\t\tb\rc", 5, 1, 0, 0, VK_TAB, S, "", "a\r\tb\rc", 3, 0},
        {"Shift+Tab alone: back to the indent stop before", "\t   x", 5, 5, 0, 0, VK_TAB, S, "",
         "\tx", 2, 2},
        {"an indent of 4 under tabs of 8: Tab indents lines by the indent", "a\rb\rc", 0, 4,
         SCI_SETINDENT, 4, VK_TAB, 0, "", "    a\r    b\rc", 0, 12},
        {"Ctrl and the main keyboard's plus zoom, typing nothing", "ab", 1, 1, 0, 0, VK_OEM_PLUS, C,
         "", "ab", 1, 1},
        // A line end mode set (it stays): a paste inserts its line end.
        {"a paste in the mode set", "a\rb", 1, 1, SCI_SETEOLMODE, SC_EOL_LF, 'V', C, "", "aP\nQ\rb",
         4, 4},
        // The last: the code page stays.
        {"typing over a character of several bytes replaces it whole, never a line end",
         "a\xC3\xA9\xE4\xB8\xAD\rc", 1, 1, SCI_SETCODEPAGE, 65001, VK_INSERT, 0, "XYZ", "aXYZ\rc",
         4, 4},
    };
    Clipboard(parent, L"P\r\nQ");
    for (const auto& row : rows) {
        Load(row.text, row.anchor, row.caret);
        Call(SCI_SETOVERTYPE, 0);
        if (row.request)
            Call(row.request, row.value);
        if (row.key) {
            Hold(row.held == C, row.held == S);
            Press(row.key);
        }
        Type(row.typed);
        EXPECT_EQ(Text(), row.after) << row.what;
        EXPECT_EQ(Selection(), std::pair(row.newAnchor, row.newCaret)) << row.what;
        Call(SCI_UNDO);
        EXPECT_EQ(Text(), row.text) << row.what << ", undone";
    }
    // The character a host sends after the Tab key's own is the key's: taken once.
    Load("ab", 1, 1);
    Call(SCI_SETOVERTYPE, 0);
    Send(WM_KEYDOWN, VK_TAB, 1);
    Send(WM_CHAR, '\t', 1);
    EXPECT_EQ(Text(), "a\tb") << "Tab then its character";
    EXPECT_EQ(Call(SCI_GETZOOM), 1) << "Ctrl with the plus key zooms in";
    for (WPARAM zero : {WPARAM{'0'}, WPARAM{VK_NUMPAD0}}) {
        Call(SCI_SETZOOM, 3);
        Key(zero, true);
        EXPECT_EQ(Call(SCI_GETZOOM), 0) << "Ctrl+0 on either keyboard";
    }
    Key(VK_INSERT, true, true);
    EXPECT_EQ(Call(SCI_GETOVERTYPE), 0) << "Ctrl+Shift+Insert leaves typing over alone";

    // Typing over, the caret is a block as wide as the character it would replace.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    Load("aWc", 1, 1);
    SetFocus(editor);
    Call(SCI_SETOVERTYPE, 1);
    GetGUIThreadInfo(GetCurrentThreadId(), &info);
    EXPECT_EQ(info.rcCaret.right - info.rcCaret.left, XOf(2) - XOf(1));

    // Zoom: Control with the wheel or the plus and minus keys, within -10..+20.
    LRESULT height = Call(SCI_TEXTHEIGHT);
    for (int notch = 0; notch < 3; ++notch) // each notch used once
        Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
    EXPECT_EQ(Call(SCI_GETZOOM), 3);
    EXPECT_GT(Call(SCI_TEXTHEIGHT), height);
    Key(VK_OEM_MINUS, true);
    EXPECT_EQ(Call(SCI_GETZOOM), 2);
    for (int value : {INT_MAX, INT_MIN})
        Call(SCI_SETZOOM, static_cast<WPARAM>(value));
    Call(SCI_ZOOMOUT);
    EXPECT_EQ(Call(SCI_GETZOOM), -10);
    // 9 points zoomed out 10 is drawn at the smallest size, 2: as at -7.
    LRESULT smallest = Call(SCI_TEXTHEIGHT);
    Call(SCI_SETZOOM, static_cast<WPARAM>(-7));
    EXPECT_EQ(smallest, Call(SCI_TEXTHEIGHT)) << "the smallest size";
    Call(SCI_SETTABWIDTH, static_cast<WPARAM>(INT_MAX));
    Call(SCI_SETLINEINDENTATION, 0, INT_MAX);
    EXPECT_EQ(std::pair(Call(SCI_GETTABWIDTH), Call(SCI_GETLINEINDENTATION, 0)),
              std::pair(LRESULT{256}, LRESULT{10000}));
}

// A margin that reports no clicks selects the line clicked, a drag there
// whole lines; a press on the selection drags it: dropped outside it moves
// the text (copies it with Control), dropped on it (exactly at its start or
// end) or cancelled with Esc changes nothing, and one undo takes a move back.
// (A move to a point after the selection: NotificationTest.EachEditIsHeardFieldByField.)
TEST_F(EditorTest, MarginLinesAndDraggedText) {
    Call(SCI_SETTEXT, 0, Pointer("one two\rthree\rfour"));
    Call(SCI_SETMARGINWIDTHN, 0, 16);
    LRESULT height = Call(SCI_TEXTHEIGHT);
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(5, height + 2));
    EXPECT_EQ(Selection(), std::pair(8, 14)) << "a line";
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 2 * height + 2));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(5, 2 * height + 2));
    EXPECT_EQ(Selection(), std::pair(8, 18)) << "lines to the end";

    // Each from the selection [4, 7); no press where the last one was (no double click).
    const struct {
        int keys, from, to;
        bool escape;
        const char* after;
        std::pair<int, int> selected;
    } drags[] = {
        {MK_CONTROL, 4, 0, false, "twoone two\rthree\rfour", {0, 3}},
        {0, 5, 0, true, "one two\rthree\rfour", {4, 7}},
        // Dropped at the selection's own start or end: nothing changes, copied or moved.
        {MK_CONTROL, 6, 4, false, "one two\rthree\rfour", {4, 7}},
        {0, 4, 7, false, "one two\rthree\rfour", {4, 7}},
        {0, 5, 3, false, "onetwo \rthree\rfour", {3, 6}},
        // A press on the character just after the selection starts a new one.
        {0, 7, 18, false, "one two\rthree\rfour", {7, 18}},
    };
    for (const auto& drag : drags) {
        Load("one two\rthree\rfour", 4, 7); // nothing to undo but the drag
        ClickAt(drag.from);
        Send(WM_MOUSEMOVE, MK_LBUTTON | drag.keys, PointOf(drag.to));
        if (drag.escape)
            Key(VK_ESCAPE);
        Send(WM_LBUTTONUP, drag.keys, PointOf(drag.to));
        EXPECT_EQ(Text(), drag.after) << "to " << drag.to;
        EXPECT_EQ(Selection(), drag.selected) << "to " << drag.to;
        Call(SCI_UNDO);
        EXPECT_EQ(Text(), "one two\rthree\rfour") << "undone, to " << drag.to;
    }
}

// Braces the host highlights are drawn in the brace styles (a bad brace
// takes the place of a matched pair), and no more once it clears them.
TEST_F(EditorTest, BracesShowInTheirStyles) {
    int open = static_cast<int>(LineStart(9)) + 9; // "Sub Test1(ByVal a As Long, b As Long)"
    Call(SCI_STYLESETFORE, STYLE_BRACELIGHT, 0x0000FF);
    Call(SCI_STYLESETFORE, STYLE_BRACEBAD, 0x00FF00);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    // A request, and whether the pair's colour and the bad brace's show after it.
    const std::tuple<UINT, WPARAM, LPARAM, bool, bool> steps[] = {
        {SCI_BRACEHIGHLIGHT, open, LineStart(10) - 2, true, false},
        {SCI_BRACEBADLIGHT, open, 0, false, true},
        {SCI_BRACEBADLIGHT, static_cast<WPARAM>(-1), 0, false, false}};
    for (auto [request, first, second, light, bad] : steps) {
        Call(request, first, second);
        std::vector<COLORREF> row = Drawn(0, 9 * height, 500, 10 * height);
        EXPECT_EQ(std::pair(Has(row, 0x0000FF), Has(row, 0x00FF00)), std::pair(light, bad))
            << request << " " << first;
    }
}

// The search record holds two 32-bit positions, the text's pointer and the
// range found, on i686 as on x86_64; the target finds and replaces.
TEST_F(EditorTest, FindTextRecordAndTarget) {
    Sci_TextToFind find{{0, -1}, "end sub", {0, 0}};
    EXPECT_EQ(Call(SCI_FINDTEXT, SCFIND_MATCHCASE, Pointer(&find)), LineStart(20));
    EXPECT_EQ(
        std::pair(find.chrgText.cpMin, find.chrgText.cpMax),
        std::pair(static_cast<int32_t>(LineStart(20)), static_cast<int32_t>(LineStart(20) + 7)));
    // Letters of the system's single-byte code page (1252 here) fold too, those
    // at 0x80-0x9F among them (S, OE and Z with their marks, Y with diaeresis);
    // and in 932 the Cyrillic capitals, whose trail bytes start at 0x40.
    auto whole = [&] { // the target over the whole document
        Call(SCI_SETTARGETSTART, 0);
        Call(SCI_SETTARGETEND, Call(SCI_GETLENGTH));
    };
    // A code page, a text put first and what finds it.
    const std::tuple<int, const char*, const char*> folds[] = {
        {0, "\xD6l ", "\xF6L"},
        {0, "\x8A\x8C\x8E\x9F ", "\x9A\x9C\x9E\xFF"},
        {932, "\x84\x40 ", "\x84\x70"}};
    for (auto [codePage, text, needle] : folds) {
        Call(SCI_SETCODEPAGE, codePage);
        Call(SCI_INSERTTEXT, 0, Pointer(text));
        whole();
        EXPECT_EQ(Call(SCI_SEARCHINTARGET, strlen(needle), Pointer(needle)), 0)
            << "folded in code page " << codePage;
        Call(SCI_DELETERANGE, 0, strlen(text));
    }
    Call(SCI_SETCODEPAGE, 0);
    whole();
    EXPECT_EQ(Call(SCI_SEARCHINTARGET, 5, Pointer("Test2")), LineStart(5) + 9)
        << "ID_TEST2, without case";
    EXPECT_EQ(Call(SCI_REPLACETARGET, static_cast<WPARAM>(-1), Pointer("T")), 1);
    EXPECT_EQ(Call(SCI_GETTARGETEND), LineStart(5) + 10);
}
