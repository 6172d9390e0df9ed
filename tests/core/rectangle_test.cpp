// Rectangular selection measured in columns: the pieces a rectangle is cut
// into, edits at every line with virtual space filled, copying and pasting a
// column, and the selection modes.
#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace kalmor_test;

namespace {

// The selections in the order of the text: each one's text, with <s,e>
// after it when it starts or ends in virtual space; the main one starred.
std::string Pieces(const EditorCore& core) {
    std::string shown;
    for (int n = 0; n < core.SelectionCount(); ++n) {
        SelectionRange r = core.SelectionN(n);
        shown += (n ? " " : "") + core.TextRange(r.Start(), r.End());
        if (r.StartVirtual() || r.EndVirtual())
            shown +=
                "<" + std::to_string(r.StartVirtual()) + "," + std::to_string(r.EndVirtual()) + ">";
        shown += n == core.MainSelection() ? "*" : "";
    }
    return shown;
}

void Rectangle(EditorCore& core, const char* text, int anchor, int caret, int anchorVirtual,
               int caretVirtual, int options) {
    core.SetText(text);
    Send(core, SCI_EMPTYUNDOBUFFER);
    Send(core, SCI_SETVIRTUALSPACEOPTIONS, options);
    core.SetRectangle({anchor, caret, anchorVirtual, caretVirtual});
}

} // namespace

// Cut into pieces from the anchor's line to the caret's, between the
// corners' columns: short lines end early or reach into virtual space, tabs
// reach their stops, and the caret's line is the main one. Then edits
// (rows with one) reach every line whatever the typing setting; virtual
// space is filled with spaces first; the rectangle stays, thin, so typing
// goes on in a column; and each edit is one undo step that puts the
// rectangle back. The pieces: before an edit, or after it.
TEST(Rectangle, CutsALineAPieceAndEditsEveryLine) {
    const int V = SCVS_RECTANGULARSELECTION;
    const struct {
        const char* text;
        int anchor, caret, anchorVirtual, caretVirtual, options;
        const char* pieces;
        std::function<void(EditorCore&)> edit = nullptr;
        const char* after = nullptr;
    } cases[] = {
        {"abcd\nab\nabcdef", 1, 11, 0, 0, 0, "bc b bc*"},
        {"abcd\nab\nabcdef", 1, 11, 0, 0, V, "bc b<0,1> bc*"},
        {"abcd\nab\nabcdef", 11, 1, 0, 0, 0, "bc b bc*"}, // upwards: the main one on top
        {"ab\tX\nabcdefghij", 3, 15, 0, 0, 0, "X ij*"},   // the tab reaches its stop
        {"ab\nabcdef", 2, 8, 2, 0, V, "<2,3> e*"},
        {"ab\nabcdef", 2, 8, 2, 0, 0, " cde*"}, // without virtual space: the line's end
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\nabc", 3, 13, 0, 0, 0,
         "\xE6\x9C\xAC\xE8\xAA\x9E bc*"},
        {"abcd\nab\nabcdef", 1, 11, 0, 1, V, "  *",
         [](EditorCore& c) {
             c.InsertAtCaret("X");
             c.InsertAtCaret("Y");
         },
         "aXYd\naXY\naXYdef"},
        {"ab\nabcdef", 2, 7, 2, 0, V, " *", [](EditorCore& c) { c.InsertAtCaret("Z"); },
         "ab  Z\nabcdZef"},
        // Backspace in virtual space takes back room, elsewhere a character.
        {"ab\nabcdef", 2, 7, 2, 0, V, "<1,1> *", [](EditorCore& c) { c.DeleteBack(); },
         "ab\nabcef"},
        {"ab\nabcdef", 2, 7, 2, 0, V, "<2,2> *", [](EditorCore& c) { c.DeleteForward(); },
         "ab\nabcdf"},
        {"abc\nabc", 1, 6, 0, 0, V, " *", [](EditorCore& c) { c.ReplaceEach(""); }, "ac\nac"},
        // The main piece spans virtual space only; undo puts back both its ends' room.
        {"abcdefgh\nab", 4, 11, 0, 5, V, " *", [](EditorCore& c) { c.InsertAtCaret("x"); },
         "abcdxh\nab  x"},
    };
    for (const auto& c : cases) {
        EditorCore core;
        Send(core, SCI_SETCODEPAGE, SC_CP_UTF8);
        Rectangle(core, c.text, c.anchor, c.caret, c.anchorVirtual, c.caretVirtual, c.options);
        std::string before = Pieces(core);
        if (!c.edit) {
            EXPECT_EQ(before, c.pieces) << c.text << " " << c.anchor << "-" << c.caret;
            continue;
        }
        c.edit(core);
        EXPECT_EQ(std::tuple(core.Text(), Pieces(core), core.Rectangular()),
                  std::tuple(c.after, c.pieces, true))
            << c.text;
        core.Undo();
        EXPECT_EQ(std::tuple(core.Text(), Pieces(core)), std::tuple(c.text, before)) << c.text;
    }
}

// A copy holds each piece and a line end after it; a paste of one fills a
// column at the caret, padding short lines and adding lines at the end.
TEST(Rectangle, CopiesAndPastesAColumn) {
    EditorCore core;
    Rectangle(core, "\tx1\nabcdefghij2", 1, 14, 0, 0, 0);
    EXPECT_EQ(core.RectangleText(), "x1\nij\n");
    Rectangle(core, "abc\ndef", 6, 0, 0, 0, 0); // made upwards: copied in the text's order
    EXPECT_EQ(core.RectangleText(), "ab\nde\n");
    const struct {
        const char* text;
        int caret;
        const char* paste;
        const char* after;
        int caretAfter;
    } cases[] = {
        {"ab\nc", 1, "1\n2\n3\n", "a1b\nc2\n 3", 9},
        {"abc\n\nabc", 2, "X\nY", "abXc\n  Y\nabc", 8},
        {"a\r\nbcd", 1, "1\r\n2\r\n", "a1\r\nb2cd", 6},
    };
    for (const auto& c : cases) {
        core.SetText(c.text);
        core.SetCaret(c.caret);
        core.PasteRectangle(c.paste);
        EXPECT_EQ(std::tuple(core.Text(), core.Caret()), std::tuple(c.after, c.caretAfter))
            << c.text;
        core.Undo();
        EXPECT_EQ(core.Text(), c.text) << "one undo step";
    }
}

// The modes: a rectangle made from the selection, the lines mode's whole
// lines, moves mapped while a mode sticks, and setting it again ends that;
// then virtual space open to the user.
TEST(Rectangle, SelectionModesAndUserVirtualSpace) {
    EditorCore core;
    core.SetText("abc\ndef\nghi\n");
    core.SetSelection(1, 6);
    Send(core, SCI_SETSELECTIONMODE, SC_SEL_RECTANGLE);
    EXPECT_EQ(
        std::tuple(Pieces(core), core.ModalCommand(SCI_LINEDOWN),
                   core.ModalCommand(SCI_CHARRIGHTEXTEND), core.ModalCommand(SCI_WORDLEFT)),
        std::tuple("b e*", SCI_LINEDOWNRECTEXTEND, SCI_CHARRIGHTRECTEXTEND, SCI_WORDLEFTEXTEND));
    Send(core, SCI_LINEDOWNRECTEXTEND);
    EXPECT_EQ(std::tuple(Pieces(core), Send(core, SCI_GETLINESELSTARTPOSITION, 1),
                         Send(core, SCI_GETLINESELENDPOSITION, 2),
                         Send(core, SCI_GETLINESELENDPOSITION, 3)),
              std::tuple("b e h*", 5, 10, -1));
    Send(core, SCI_SETSELECTIONMODE, SC_SEL_RECTANGLE); // again: moves no longer extend
    EXPECT_EQ(core.ModalCommand(SCI_LINEDOWN), SCI_LINEDOWN);
    // Lines: every line from the anchor's to the caret's, whole; below the
    // anchor a caret at a line's start stands for the line before it.
    core.SetSelection(5, 5);
    Send(core, SCI_SETSELECTIONMODE, SC_SEL_LINES);
    EXPECT_EQ(std::tuple(core.SelectedText(), core.ModalCommand(SCI_LINEDOWN)),
              std::tuple("def\n", SCI_LINEDOWNEXTEND));
    for (auto [caret, lines] :
         {std::pair{12, "def\nghi\n"}, {9, "def\nghi\n"}, {1, "abc\ndef\n"}}) {
        core.MoveCaret(caret, true);
        core.SettleModalMove();
        EXPECT_EQ(core.SelectedText(), lines) << caret;
    }
    // Any other setting of the selection ends a rectangle.
    core.SetRectangle({1, 6});
    core.SetSelection(2, 2);
    EXPECT_FALSE(core.Rectangular());

    // With virtual space open to the user, Right goes past a line's end and
    // typing there fills the room with spaces.
    core.SetText("ab\ncd");
    Send(core, SCI_SETVIRTUALSPACEOPTIONS, SCVS_USERACCESSIBLE);
    core.SetCaret(2);
    core.TakeChanges();
    Send(core, SCI_CHARRIGHT);
    EXPECT_TRUE(core.TakeChanges().selection) << "room taken is a move of the caret";
    Send(core, SCI_CHARRIGHT);
    Send(core, SCI_CHARLEFT);
    EXPECT_EQ(std::tuple(Send(core, SCI_GETSELECTIONNCARETVIRTUALSPACE, 0), core.Caret()),
              std::tuple(1, 2));
    core.InsertAtCaret("x");
    EXPECT_EQ(core.Text(), "ab x\ncd");
}
