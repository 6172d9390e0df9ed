// What the editor draws, read back from the screen; the view following the
// caret; and what painting costs in GDI objects over many repaints.
#include "tests/component/editor_fixture.h"

#include <random>

// Whether, once what is pending is painted, painting the whole window anew
// leaves every pixel as it was.
static bool FullRepaintKeeps(EditorTest& t) {
    std::vector<COLORREF> partial = t.Drawn(0, 0, kWidth, kHeight);
    InvalidateRect(t.editor, nullptr, FALSE);
    return t.Drawn(0, 0, kWidth, kHeight) == partial;
}

// What the host asks for, read back from the screen: each of a style's
// attributes, the host's colours, the caret's colour and width, and markers.
TEST_F(EditorTest, TheHostsStylesColoursAndMarkersAreDrawn) {
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    RECT client{};
    GetClientRect(editor, &client); // narrower by a scroll bar at a high DPI
    auto rowOf = [&](int line) {
        return Drawn(40, line * height, client.right, (line + 1) * height);
    };
    Call(SCI_STYLESETBACK, 0, 0x00FFFF); // for the filled line end
    const std::vector<COLORREF> plain = rowOf(9);
    // The numbers count from 1: the tenth row's number is two digits wide, the ninth's one.
    std::vector<COLORREF> screen = Drawn(0, 0, kWidth, kHeight);
    auto numberWidth = [&](int line) {
        RECT ink =
            Box({0, line * height, 40, (line + 1) * height}, [&](int i) { return !screen[i]; });
        return ink.right - ink.left;
    };
    EXPECT_GT(numberWidth(9), numberWidth(8) * 3 / 2) << "10 after 9";
    // The keywords' width on the row (underlined, a rule thick at the window's DPI).
    int keywords = 0;
    for (int pos = LineStart(9); pos < LineStart(10) - 1; ++pos)
        keywords += Call(SCI_GETSTYLEAT, pos) == 3 ? XOf(pos + 1) - XOf(pos) : 0;
    const std::string text = Text();
    // Each attribute on the row of "Sub Test1(ByVal a As Long, b As Long)":
    // what it draws, and what the row shows without it; the text is never
    // changed. What, the request, the style, its value and its first value, what it draws.
    const std::tuple<const char*, int, int, LPARAM, LPARAM,
                     std::function<bool(const std::vector<COLORREF>&)>>
        rows[] = {
            {"italic", SCI_STYLESETITALIC, 3, 1, 0, [&](auto& p) { return p != plain; }},
            {"a background", SCI_STYLESETBACK, 3, 0x00FF00, 0xFFFFFF,
             [&](auto& p) { return Count(p, 0x00FF00) > 3 * height; }},
            {"hidden", SCI_STYLESETVISIBLE, 3, 0, 1,
             [&](auto& p) { return Count(p, 0xFF0000) == 0 && Count(plain, 0xFF0000) > 0; }},
            {"underlined, a rule thick", SCI_STYLESETUNDERLINE, 3, 1, 0,
             [&](auto& p) {
                 return Count(p, 0xFF0000) - Count(plain, 0xFF0000) >
                        keywords * MulDiv(1, ScreenDpi(), 96) - keywords / 4;
             }},
            {"the line end's background filled", SCI_STYLESETEOLFILLED, 0, 1, 0,
             [&](auto& p) { return p.back() == 0x00FFFF && plain.back() == 0xFFFFFF; }},
        };
    for (const auto& [what, request, style, value, off, drawn] : rows) {
        Call(request, style, value);
        EXPECT_TRUE(drawn(rowOf(9)) && Text() == text) << what << ", the text kept";
        Call(request, style, off);
        EXPECT_EQ(rowOf(9), plain) << what << " taken back";
    }

    // The host's colours for the selection, the caret's line and the edge, and
    // the caret's colour and width, each read back from the screen with the
    // focus on the listing (the selection on line 9, the caret at its end):
    // each row's requests, then where its colour must show and where not.
    SetFocus(editor);
    const COLORREF green = 0x00FF00, red = 0x0000FF;
    // What, the requests, where the colour shows and a line where it must not.
    const std::tuple<const char*, std::vector<std::tuple<UINT, WPARAM, LPARAM>>, int, int>
        colours[] = {
            {"the selection's background", {{SCI_SETSELBACK, 1, green}}, 9, 8},
            {"the selection's text", {{SCI_SETSELFORE, 1, red}}, 9, 8},
            {"the caret's line", {{SCI_SETCARETLINEVISIBLE, 1, 0}}, 9, 12},
            {"and where it moved", {{SCI_SETCARETLINEVISIBLE, 1, 0}, {SCI_GOTOLINE, 12, 0}}, 12, 9},
            {"an edge background at column 20", {{SCI_SETEDGEMODE, EDGE_BACKGROUND, 0}}, 10, 12},
        };
    Call(SCI_SETCARETLINEBACK, green); // shown once the caret's line is
    Call(SCI_SETEDGECOLOUR, green);    // once an edge mode is set
    Call(SCI_SETEDGECOLUMN, 20);
    for (const auto& [what, requests, line, without] : colours) {
        Call(SCI_SETSEL, LineStart(9), LineStart(10) - 1);
        for (auto [request, wParam, lParam] : requests)
            Call(request, wParam, lParam);
        PumpMessages();
        COLORREF colour = std::get<0>(requests[0]) == SCI_SETSELFORE ? red : green;
        EXPECT_TRUE(Has(rowOf(line), colour) && !Has(rowOf(without), colour)) << what;
        for (auto [request, wParam, lParam] : requests)
            Call(request, 0, 0); // taken back
    }
    // The caret in the host's colour and width, scaled to the window's DPI.
    auto caret = [&] {
        UpdateWindow(editor);
        auto [hidden, shown] = Screen(editor);
        RECT box = Box(kAll, [&, &hidden = hidden](int i) { return hidden[i] != shown[i]; });
        return std::pair(Colours(shown, box), std::max(0, int(box.right - box.left)));
    };
    Call(SCI_GOTOPOS, LineStart(1) - 1); // over white: the end of line 0
    Call(SCI_SETCARETFORE, red);
    Call(SCI_SETCARETWIDTH, 3);
    EXPECT_EQ(caret(), std::pair(std::set<COLORREF>{red}, MulDiv(3, ScreenDpi(), 96)));
    Call(SCI_SETCARETWIDTH, 0);
    EXPECT_EQ(caret().second, 0) << "no caret";

    // A marker on line 2 in the symbol margin beside the numbers, as each
    // symbol: drawn in its colours (red outline, green fill), each unlike the
    // others; on the text, a line's background and underline.
    Call(SCI_SETMARGINWIDTHN, 2, 16); // after the numbers' margin 1
    Call(SCI_SETMARGINMASKN, 2, 2);
    Call(SCI_MARKERSETFORE, 1, 0x0000FF);
    Call(SCI_MARKERSETBACK, 1, 0x00FF00);
    Call(SCI_MARKERADD, 2, 1);
    auto margin = [&] { return Drawn(40, 2 * height, 56, 3 * height); };
    // Each symbol in the margin, the empty one drawing nothing.
    const int symbols[] = {SC_MARK_CIRCLE,    SC_MARK_ROUNDRECT,  SC_MARK_ARROW,
                           SC_MARK_SMALLRECT, SC_MARK_SHORTARROW, SC_MARK_ARROWDOWN,
                           SC_MARK_MINUS,     SC_MARK_PLUS,       SC_MARK_FULLRECT,
                           SC_MARK_LEFTRECT,  SC_MARK_BOOKMARK,   SC_MARK_CHARACTER + 'B',
                           SC_MARK_EMPTY};
    std::set<std::vector<COLORREF>> drawn;
    for (int symbol : symbols) {
        Call(SCI_MARKERDEFINE, 1, symbol);
        std::vector<COLORREF> cell = margin();
        EXPECT_NE(Has(cell, 0x0000FF) || Has(cell, 0x00FF00), symbol == SC_MARK_EMPTY)
            << "symbol " << symbol;
        drawn.insert(cell);
    }
    EXPECT_EQ(drawn.size(), std::size(symbols)) << "each symbol its own picture";
    Call(SCI_MARKERDEFINE, 1, SC_MARK_BACKGROUND);
    EXPECT_GT(Count(Drawn(60, 2 * height, 500, 3 * height), 0x00FF00), 400)
        << "the line's background";
    Call(SCI_MARKERDEFINE, 1, SC_MARK_UNDERLINE);
    EXPECT_EQ(Count(Pixels(editor, 60, 3 * height - 1, client.right, 3 * height), 0x00FF00),
              client.right - 60)
        << "underlined";
    Call(SCI_MARKERDEFINE, 1, SC_MARK_CIRCLE);
    Call(SCI_SETMARGINMASKN, 2, ~2);
    EXPECT_FALSE(Has(margin(), 0x00FF00)) << "not in the margin's mask";
}

// Blanks marked where the host asks, in its colour and background,
// line ends as boxes after the text, wider for CR LF than for CR, and
// indentation guides.
TEST_F(EditorTest, BlanksAndLineEndsShown) {
    Call(SCI_SETTEXT, 0, Pointer("  a b\tc\r\nx\ry"));
    Call(SCI_SETWHITESPACEFORE, 1, 0x0000FF);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    int space = static_cast<int>(Call(SCI_TEXTWIDTH, STYLE_DEFAULT, Pointer(" ")));
    auto cell = [&](int pos) { return Drawn(XOf(pos), 0, XOf(pos + 1), height); };
    // Each mode and the blanks it marks at 0, 1, 3 and 5 (the tab).
    const std::pair<int, const char*> modes[] = {{SCWS_INVISIBLE, "...."},
                                                 {SCWS_VISIBLEALWAYS, "xxxx"},
                                                 {SCWS_VISIBLEAFTERINDENT, "..xx"},
                                                 {SCWS_VISIBLEONLYININDENT, "xx.."}};
    for (auto [mode, marks] : modes) {
        Call(SCI_SETVIEWWS, mode);
        std::string marked;
        for (int pos : {0, 1, 3, 5})
            marked += Has(cell(pos), 0x0000FF) ? 'x' : '.';
        EXPECT_EQ(marked, marks) << "mode " << mode;
    }
    Call(SCI_SETVIEWWS, SCWS_VISIBLEALWAYS);
    Call(SCI_SETWHITESPACESIZE, 3);
    int dot = MulDiv(3, ScreenDpi(), 96);
    EXPECT_EQ(Count(cell(3), 0x0000FF), dot * dot) << "a dot 3 pixels wide at 96 DPI";

    // The boxes: ink after each line's text, none after the last line's.
    Call(SCI_SETVIEWEOL, 1);
    auto boxInk = [&](int line) {
        int x = XOf(Call(SCI_GETLINEENDPOSITION, line));
        return Count(Drawn(x, line * height, x + 80, (line + 1) * height), 0x000000);
    };
    EXPECT_TRUE(boxInk(0) > boxInk(1) && boxInk(1) > 0 && boxInk(2) == 0)
        << boxInk(0) << " " << boxInk(1) << " " << boxInk(2);

    // Indentation guides at columns 4 and 8 of lines 1 (12 columns) and 2
    // (blank, between 12 and 8 columns): red, the highlighted one green.
    Call(SCI_SETVIEWWS, SCWS_INVISIBLE);
    Call(SCI_SETVIEWEOL, 0);
    Call(SCI_SETTEXT, 0, Pointer("Sub A\r            x\r\r        y"));
    Call(SCI_SETINDENT, 4);
    Call(SCI_STYLESETFORE, STYLE_INDENTGUIDE, 0x0000FF);
    Call(SCI_STYLESETFORE, STYLE_BRACELIGHT, 0x00FF00);
    // Each mode and highlighted column, and the guides at (1, 4), (1, 8), (2, 4) and (2, 8).
    const std::tuple<int, int, const char*> guides[] = {{SC_IV_NONE, 0, "...."},
                                                        {SC_IV_REAL, 0, "rr.."},
                                                        {SC_IV_LOOKFORWARD, 0, "rrr."},
                                                        {SC_IV_LOOKBOTH, 0, "rrrr"},
                                                        {SC_IV_REAL, 8, "rg.."}};
    for (auto [mode, highlight, shown] : guides) {
        Call(SCI_SETINDENTATIONGUIDES, mode);
        Call(SCI_SETHIGHLIGHTGUIDE, highlight);
        std::string drawn;
        for (auto [line, column] : {std::pair{1, 4}, {1, 8}, {2, 4}, {2, 8}}) {
            int x = XOf(0) + column * space;
            std::vector<COLORREF> guide = Drawn(x, line * height, x + 1, (line + 1) * height);
            drawn += Has(guide, 0x0000FF) ? 'r' : Has(guide, 0x00FF00) ? 'g' : '.';
        }
        EXPECT_EQ(drawn, shown) << "mode " << mode << ", highlight " << highlight;
    }
}

// Repainting only what changed leaves the screen as painting everything
// would: after each step of a session of typing, line ends, deletions, fold
// toggles, caret moves and scrolls, the pixels on screen equal those of a
// full repaint of the same state. The editor has no focus, so no caret.
// With lines wrapped in half the width too.
TEST_F(EditorTest, PartialRepaintsMatchAFullRepaint) {
    std::string twice = Text() + "\r" + Text();
    for (int wrap : {SC_WRAP_NONE, SC_WRAP_WORD}) {
        Call(SCI_SETWRAPMODE, wrap);
        Call(SCI_SETMARGINRIGHT, 0, wrap ? kWidth / 2 : 0);
        Call(SCI_SETTEXT, 0, Pointer(twice.c_str()));
        // Each step: a request or message (a key, for WM_KEYDOWN), then typed characters.
        const std::tuple<const char*, UINT, UINT, const char*> steps[] = {
            {"type in line 5", SCI_GOTOLINE, 5, "x = 12"},
            {"Enter", 0, 0, "\r"},
            {"Backspace joining lines", WM_KEYDOWN, VK_HOME, "\b"},
            {"Backspace in a line", WM_KEYDOWN, VK_END, "\b\b"},
            {"fold toggled", SCI_TOGGLEFOLD, 9, ""},
            {"header edited while folded", SCI_GOTOLINE, 9, "\b"},
            {"scroll down", WM_VSCROLL, SB_LINEDOWN, ""},
            {"type below the fold", SCI_GOTOLINE, 12, "Sub B\r"},
            {"Delete", WM_KEYDOWN, VK_DELETE, ""},
            {"scroll up", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), ""},
            {"fold toggled back", SCI_TOGGLEFOLD, 9, ""},
            {"page down", WM_KEYDOWN, VK_NEXT, "'"},
        };
        for (auto [what, message, wParam, chars] : steps) {
            if (message == WM_KEYDOWN)
                Key(wParam);
            else if (message)
                Send(message, wParam);
            Type(chars);
            // As the message loop would: posted work, and any repaint a change of
            // scroll bars asks for, are done before the screen is read.
            PumpMessages();
            ASSERT_TRUE(FullRepaintKeeps(*this)) << what << (wrap ? ", wrapped" : "");
        }
    }
}

// A long wrapped line is repainted from the row above an edit down, the
// rows above left as they were unless they moved: after each edit, in rows
// estimated and in rows found, the screen is what a full repaint draws,
// with a keyword made before the caret and words moving up a row.
TEST_F(EditorTest, ALongWrappedLineRepaintsFromAboveTheEdit) {
    std::string line = "  ";
    const char* words[] = {"Sub", "ab", "c=1", "defgh", "x", "If", "klmnopq", "r+s"};
    std::minstd_rand random(7); // rows of many lengths: estimates seldom right
    while (line.size() < 200000)
        line += std::string(words[random() % 8]) + " ";
    Call(SCI_SETWRAPMODE, SC_WRAP_WORD);
    Call(SCI_SETWRAPINDENTMODE, SC_WRAPINDENT_SAME);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    // Where the row y rows down the screen ends: where the next one starts.
    auto rowEnd = [&](int row) {
        return static_cast<int>(Call(SCI_POSITIONFROMPOINT, kWidth - 1, row * height + height / 2));
    };
    int bottom = kHeight / height - 1;
    for (bool found : {false, true}) {
        Call(SCI_SETTEXT, 0, Pointer(("x\r" + line + "\ry\r").c_str()));
        Call(SCI_GOTOPOS, Call(SCI_WORDENDPOSITION, 100002, 1));
        PumpMessages();
        if (found) { // every row found at once, the view's among them
            Call(SCI_WRAPCOUNT, 1);
            ASSERT_TRUE(FullRepaintKeeps(*this)) << "every row found";
        }
        // What, the row whose start the edit goes to (-1: where the caret is),
        // the characters typed and the deletes after them.
        const std::tuple<const char*, int, const char*, int> steps[] = {
            {"typed", -1, "xy", 0},
            {"Backspace", -1, "\b", 0},
            {"a keyword made", -1, " Su", 0},
            {"... before the caret", -1, "b", 0},
            {"a row's first word", bottom - 2, "", 8},
        };
        for (auto [what, row, chars, deletes] : steps) {
            if (row >= 0)
                Call(SCI_GOTOPOS, rowEnd(row - 1));
            Type(chars);
            for (int n = 0; n < deletes; ++n)
                Key(VK_DELETE);
            ASSERT_TRUE(FullRepaintKeeps(*this)) << what << (found ? ", rows found" : "");
            Sleep(20); // then a slice of finding rows while idle
            PumpMessages();
            ASSERT_TRUE(FullRepaintKeeps(*this)) << what << ", idle" << (found ? ", found" : "");
        }
    }
    // A token wider than the view breaks between characters: typed at a row's
    // start in it, H makes the "&" ending the row above a number's start.
    line.insert(100000, std::string(3000, '9'));
    Call(SCI_SETTEXT, 0, Pointer(("x\r" + line + "\ry\r").c_str()));
    Call(SCI_GOTOPOS, 101502);
    PumpMessages();
    int at = rowEnd(bottom - 3);
    Call(SCI_SETTARGETSTART, at - 1);
    Call(SCI_SETTARGETEND, at);
    Call(SCI_REPLACETARGET, 1, Pointer("&"));
    Call(SCI_GOTOPOS, at);
    PumpMessages();
    Type("H");
    ASSERT_EQ(Call(SCI_GETSTYLEAT, at - 1), 2) << "the & a number's";
    EXPECT_TRUE(FullRepaintKeeps(*this)) << "the row above restyled";
}

// While a drag's pointer is below the editor, every tick of its timer
// scrolls a line, and what the screen shows between ticks is always a whole
// frame, the one before the tick or the one after it: never the exposed row
// still holding the row that moved away, nor a row half drawn.
TEST_F(EditorTest, AutoScrollShowsOnlyWholeFrames) {
    std::string twice = Text() + "\r" + Text();
    Call(SCI_SETTEXT, 0, Pointer(twice.c_str()));
    ClickAt(LineStart(3));
    SetFocus(parent); // no caret blinking into the pixels; the drag goes on
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 345));
    std::vector<COLORREF> shown = Drawn(0, 0, kWidth, kHeight);
    for (int tick = 1; tick <= 4; ++tick) {
        Send(WM_TIMER, 1);
        std::vector<COLORREF> between = Pixels(editor, 0, 0, kWidth, kHeight);
        ASSERT_TRUE(FullRepaintKeeps(*this)) << "tick " << tick;
        std::vector<COLORREF> after = Pixels(editor, 0, 0, kWidth, kHeight);
        ASSERT_TRUE(between == shown || between == after) << "tick " << tick;
        shown = after;
    }
    Send(WM_LBUTTONUP);
    EXPECT_GE(Call(SCI_GETFIRSTVISIBLELINE), 4);
}

// The view follows the caret down a long text and along a wide line, Page
// Down moves both a page, and folding away the lines on screen pulls the
// view back to the caret.
TEST_F(EditorTest, TheViewKeepsTheCaretInView) {
    std::string text = "Sub A\r";
    for (int i = 0; i < 2000; ++i)
        text += "line " + std::to_string(i) + "\r";
    Call(SCI_SETTEXT, 0, Pointer((text + "End Sub").c_str()));
    LRESULT page = kHeight / Call(SCI_TEXTHEIGHT);
    Call(SCI_GOTOLINE, 1500);
    LRESULT first = Call(SCI_GETFIRSTVISIBLELINE);
    EXPECT_TRUE(first <= 1500 && 1500 < first + page) << first;
    Key(VK_HOME, true);
    Key(VK_NEXT);
    EXPECT_EQ(Call(SCI_LINEFROMPOSITION, Call(SCI_GETCURRENTPOS)), page) << "Page Down";
    EXPECT_EQ(Call(SCI_GETFIRSTVISIBLELINE), page) << "Page Down";
    Call(SCI_GOTOLINE, page + Call(SCI_LINESONSCREEN) - 1); // the bottom row
    ASSERT_EQ(Call(SCI_GETFIRSTVISIBLELINE), page);
    Key(VK_DOWN);
    EXPECT_EQ(Call(SCI_GETFIRSTVISIBLELINE), page + 1) << "Down from the bottom row";
    Send(WM_VSCROLL, SB_BOTTOM);
    Call(SCI_TOGGLEFOLD, 0);
    EXPECT_EQ(Call(SCI_GETFIRSTVISIBLELINE), 0);

    std::string wide = "x = 1" + std::string(400, ' ') + "' far right";
    Call(SCI_SETTEXT, 0, Pointer(wide.c_str()));
    Key(VK_END);
    EXPECT_LT(XOf(Call(SCI_GETCURRENTPOS)), 500);
    // Shift turns the wheel sideways: down scrolls right, as a tilt to the right does.
    Call(SCI_SETXOFFSET, 0);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, -WHEEL_DELTA), 0);
    LRESULT turned = Call(SCI_GETXOFFSET);
    Call(SCI_SETXOFFSET, 0);
    Send(0x020E, MAKEWPARAM(0, WHEEL_DELTA), 0); // WM_MOUSEHWHEEL
    EXPECT_EQ(std::pair(turned > 0, turned), std::pair(true, Call(SCI_GETXOFFSET)));
}

// GDI objects alive in this process hold steady over thousands of repaints,
// fold toggles, style changes, clicks and caret moves.
TEST_F(EditorTest, RepaintsAndTogglesDoNotLeak) {
    // Wine does not implement GetGuiResources; a handle's low word indexes
    // its handle table, and a handle without the high word answers for
    // whatever object lives at that index.
    auto gdiObjects = [] {
        int live = 0;
        for (UINT_PTR index = 1; index < 0x10000; ++index)
            live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
        return live;
    };
    int objects = 0;
    for (int i = 0; i < 2050; ++i) {
        if (i == 50)
            objects = gdiObjects();
        Call(SCI_TOGGLEFOLD, i % 2 ? 9 : 14);
        Call(SCI_STYLESETBOLD, 3, i % 2);
        InvalidateRect(editor, nullptr, FALSE);
        UpdateWindow(editor);
        ClickAt(2);
        Key(VK_DOWN);
    }
    EXPECT_LE(gdiObjects(), objects + 2);
    EXPECT_GT(objects, 0);
}
