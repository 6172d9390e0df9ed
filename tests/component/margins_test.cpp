// The margins a host sets up: a fold margin drawn from the fold levels and
// folding on click, margins of the host's colours and texts, and the blank
// beside the text.
#include "editor_fixture.h"

// A host's folds over seven lines: an outer fold holding a nested one, a
// line outside every fold and a second header, in margin 2 as a box tree
// (the folder markers' back red: lines, outlines, signs; their fore green:
// inside the boxes), as wide as a row is high, as a host sizes it at the
// window's DPI. Boxes at headers, lines through bodies, a T where the nested
// fold ends inside the outer one and a corner where the outer one ends; a
// closed header's box has a plus and nothing hangs below it. With
// SC_AUTOMATICFOLD_CLICK a click on a header's box folds it, Ctrl with its
// nested folds and Shift opens it with all of them; without it the click
// only selects.
TEST_F(EditorTest, FoldMarginDrawsTheTreeAndFoldsOnClick) {
    const COLORREF tree = 0x0000FF, fill = 0x00FF00;
    Call(SCI_SETLEXER, SCLEX_CONTAINER);
    Call(SCI_SETTEXT, 0, Pointer("a\n b\n c\n  d\n e\nf\ng\n h"));
    const int base = SC_FOLDLEVELBASE, header = SC_FOLDLEVELHEADERFLAG;
    const int levels[] = {base | header, base + 1, (base + 1) | header, base + 2,
                          base + 1,      base,     base | header,       base + 1};
    for (int line = 0; line < 8; ++line)
        Call(SCI_SETFOLDLEVEL, line, levels[line]);
    // The folder markers, SC_MARKNUM_FOLDEREND to SC_MARKNUM_FOLDEROPEN.
    int marker = SC_MARKNUM_FOLDEREND;
    for (int symbol : {SC_MARK_BOXPLUSCONNECTED, SC_MARK_BOXMINUSCONNECTED, SC_MARK_TCORNER,
                       SC_MARK_LCORNER, SC_MARK_VLINE, SC_MARK_BOXPLUS, SC_MARK_BOXMINUS}) {
        Call(SCI_MARKERDEFINE, marker, symbol);
        Call(SCI_MARKERSETFORE, marker, fill);
        Call(SCI_MARKERSETBACK, marker++, tree);
    }
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    int width = std::max(16, height);
    Call(SCI_SETMARGINWIDTHN, 2, width);
    Call(SCI_SETMARGINMASKN, 2, static_cast<LPARAM>(SC_MASK_FOLDERS));
    int left = static_cast<int>(Call(SCI_GETMARGINWIDTHN, 0) + Call(SCI_GETMARGINWIDTHN, 1));
    int cx = left + width / 2;
    // What the fold margin shows on a row: the tree's colour at the top and
    // bottom of the centre column and at the right edge of the middle row,
    // the fill inside, and the plus's upright.
    auto cell = [&](int row) {
        UpdateWindow(editor);
        int top = row * height, cy = top + height / 2;
        auto is = [&](int x, int y) { return Pixels(editor, x, y, x + 1, y + 1)[0] == tree; };
        bool box = Has(Pixels(editor, cx - 3, cy + 2, cx + 4, cy + 3), fill);
        return std::string(is(cx, top) ? "top " : "") +
               (is(cx, top + height - 1) ? "bottom " : "") +
               (is(left + width - 1, cy) ? "branch " : "") + (box ? "box " : "") +
               (box && is(cx, cy - 2) ? "upright" : "");
    };
    Call(SCI_SETFOLDEXPANDED, 6, 0);
    const char* expected[] = {
        "bottom box ",        // an open header: the line leaves into its body
        "top bottom ",        // the body
        "top bottom box ",    // a nested open header, joined above and below
        "top bottom branch ", // the nested fold ends inside the outer one
        "top branch ",        // the outer fold ends
        "",                   // outside every fold
        "box upright",        // a closed header
    };
    for (int row = 0; row < 7; ++row)
        EXPECT_EQ(cell(row), expected[row]) << "row " << row;
    Call(SCI_SETFOLDEXPANDED, 2, 0);
    EXPECT_EQ(cell(2), "top bottom box upright") << "a closed nested header";
    EXPECT_EQ(cell(3), "top branch ") << "the outer fold's end, now the row below the header";
    Call(SCI_SETFOLDEXPANDED, 2, 1);

    auto click = [&](int row, WPARAM keys) {
        Send(WM_LBUTTONDOWN, keys, MAKELPARAM(cx, row * height + height / 2));
        Send(WM_LBUTTONUP, 0, MAKELPARAM(cx, row * height + height / 2));
        PumpMessages();
        // Headers 0 and 2 expanded or not, line 1 shown or not.
        return std::to_string(Call(SCI_GETFOLDEXPANDED, 0)) +
               std::to_string(Call(SCI_GETFOLDEXPANDED, 2)) +
               std::to_string(Call(SCI_GETLINEVISIBLE, 1));
    };
    EXPECT_EQ(click(0, 0), "111") << "not asked";
    Call(SCI_SETAUTOMATICFOLD, SC_AUTOMATICFOLD_CLICK);
    // A body line; the header closed, opened, closed with its nested fold,
    // opened with it; the nested header.
    const std::tuple<int, WPARAM, const char*> clicks[] = {
        {1, 0, "111"},          {0, 0, "010"},        {0, 0, "111"},
        {0, MK_CONTROL, "000"}, {0, MK_SHIFT, "111"}, {2, 0, "101"}};
    for (auto [row, keys, state] : clicks)
        EXPECT_EQ(click(row, keys), state) << "row " << row << ", keys " << keys;
}

// A margin in the host's colour or the default style's, text margins with
// each line's text in its own style, at the left or the right, and the
// blank beside the text.
TEST_F(EditorTest, MarginsOfTheHostsColoursAndTexts) {
    int left = static_cast<int>(Call(SCI_GETMARGINWIDTHN, 0) + Call(SCI_GETMARGINWIDTHN, 1));
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    Call(SCI_SETMARGINWIDTHN, 2, 60);
    auto cell = [&](int row) { return Drawn(left, row * height, left + 60, (row + 1) * height); };
    Call(SCI_STYLESETBACK, STYLE_DEFAULT, 0x102030);
    Call(SCI_STYLESETFORE, STYLE_DEFAULT, 0x405060);
    const std::pair<int, COLORREF> plain[] = {
        {SC_MARGIN_COLOUR, 0x123456}, {SC_MARGIN_BACK, 0x102030}, {SC_MARGIN_FORE, 0x405060}};
    Call(SCI_SETMARGINBACKN, 2, 0x123456);
    for (auto [type, colour] : plain) {
        Call(SCI_SETMARGINTYPEN, 2, type);
        EXPECT_EQ(Count(cell(1), colour), 60 * height) << "type " << type;
    }
    Call(SCI_STYLESETFORE, 40, 0x0000FF);
    Call(SCI_STYLESETBACK, 40, 0x00FFFF);
    Call(SCI_MARGINSETTEXT, 1, Pointer("Hi"));
    Call(SCI_MARGINSETSTYLE, 1, 40);
    for (int type : {SC_MARGIN_TEXT, SC_MARGIN_RTEXT}) {
        Call(SCI_SETMARGINTYPEN, 2, type);
        // No background on a line without text, the style's on line 1; ink left and right.
        long ink[] = {Count(Drawn(left, height, left + 30, 2 * height), 0x0000FF),
                      Count(Drawn(left + 30, height, left + 60, 2 * height), 0x0000FF)};
        EXPECT_EQ(
            std::tuple(Count(cell(0), 0x00FFFF), Has(cell(1), 0x00FFFF), ink[0] > 0, ink[1] > 0),
            std::tuple(0L, true, type == SC_MARGIN_TEXT, type == SC_MARGIN_RTEXT))
            << "type " << type << ": " << ink[0] << ", " << ink[1];
    }
    Call(SCI_MARGINTEXTCLEARALL);
    EXPECT_EQ(Count(cell(1), 0x0000FF), 0) << "cleared";
    // The blank beside the text moves the text, and is never less than none.
    int textX = XOf(0) - static_cast<int>(Call(SCI_GETMARGINLEFT));
    Call(SCI_SETMARGINLEFT, 0, 30);
    EXPECT_EQ(XOf(0), textX + 30);
    Call(SCI_SETMARGINLEFT, 0, -5);
    EXPECT_EQ(XOf(0), textX) << "clamped";
}

// What the host changes is measured again: the tab width moves the text
// after a tab, and the line numbers' style sets the rows' height too; the
// pixel just right of the margins is the text's, so a click there puts the
// caret at the line's start and tells no margin click.
TEST_F(EditorTest, TheViewFollowsTheHostsMeasures) {
    Call(SCI_SETTEXT, 0, Pointer("\tx\ny"));
    Call(SCI_SETTABWIDTH, 4);
    LRESULT four = Call(SCI_POINTXFROMPOSITION, 0, 1);
    Call(SCI_SETTABWIDTH, 8);
    EXPECT_EQ(Call(SCI_POINTXFROMPOSITION, 0, 1) - four,
              4 * Call(SCI_TEXTWIDTH, STYLE_DEFAULT, Pointer(" ")));
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    int margins = XOf(0) - static_cast<int>(Call(SCI_GETMARGINLEFT));
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(margins, height + height / 2));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(margins, height + height / 2));
    EXPECT_EQ(std::pair(Notified(SCN_MARGINCLICK).size(), Selection()),
              std::pair(size_t{0}, std::pair(3, 3)));
    Call(SCI_STYLESETSIZE, STYLE_LINENUMBER, 30);
    EXPECT_GT(Call(SCI_TEXTHEIGHT), height);
}
