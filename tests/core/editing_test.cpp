// Selection, undo history and word boundaries, through the core's calls and
// its requests.
#include "component/core/words.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>

using kalmor::EditorCore;
using namespace kalmor_test;

namespace {

std::string SelText(EditorCore& core) {
    std::string buffer(static_cast<size_t>(Send(core, SCI_GETSELTEXT)) + 1, '?');
    intptr_t length = Send(core, SCI_GETSELTEXT, 0, Pointer(buffer.data()));
    EXPECT_EQ(buffer[length], '\0');
    return buffer.substr(0, length);
}

TEST(Editing, SelectionRequestsClampAndStayOutOfCrLf) {
    struct Case {
        unsigned message;
        intptr_t wParam, lParam;
        int anchor, caret;
    };
    const Case cases[] = {
        {SCI_SETSEL, 1, 5, 1, 5},         {SCI_SETSEL, 5, 1, 5, 1},
        {SCI_SETSEL, 2, -1, 2, 10},       {SCI_SETSEL, -1, 4, 4, 4},
        {SCI_SETSEL, -9, INT_MAX, 0, 10}, {SCI_SETSEL, 3, 7, 2, 7}, // 3 is inside a CRLF
        {SCI_SETCURRENTPOS, 8, 0, 2, 8},  {SCI_SETANCHOR, 0, 0, 0, 8},
        {SCI_GOTOPOS, 6, 0, 6, 6},        {SCI_SELECTALL, 0, 0, 0, 10},
        {SCI_GOTOLINE, 1, 0, 4, 4},       {SCI_SETANCHOR, 99, 0, 10, 4},
    };
    EditorCore core;
    Send(core, SCI_SETTEXT, 0, Pointer("ab\r\ncdefgh"));
    for (const Case& c : cases) {
        Send(core, c.message, c.wParam, c.lParam);
        EXPECT_EQ(Send(core, SCI_GETANCHOR), c.anchor) << c.message << " " << c.wParam;
        EXPECT_EQ(Send(core, SCI_GETCURRENTPOS), c.caret) << c.message << " " << c.wParam;
        EXPECT_EQ(Send(core, SCI_GETSELECTIONSTART), std::min(c.anchor, c.caret));
        EXPECT_EQ(Send(core, SCI_GETSELECTIONEND), std::max(c.anchor, c.caret));
    }
    EXPECT_EQ(SelText(core), "cdefgh");
    Send(core, SCI_REPLACESEL, 0, Pointer("XY"));
    Send(core, SCI_REPLACESEL, 0, 0);
    EXPECT_EQ(core.Text(), "ab\r\nXY");
    EXPECT_EQ(core.Caret(), 6);
    EXPECT_EQ(core.Anchor(), 6);
    EXPECT_EQ(SelText(core), "");
    Send(core, SCI_SETSEL, 1, 5);
    Send(core, SCI_CLEAR);
    EXPECT_EQ(core.Text(), "aY");
}

// Each row is an action and the text after it; Undo and Redo rows are checked
// both ways, so the table shows what one step holds.
TEST(Editing, UndoStepsFollowTypingRunsAndGroups) {
    EditorCore core;
    ConfigureLexer(core);
    auto type = [&](const std::string& text) {
        for (char c : text)
            core.InsertAtCaret(std::string(1, c));
    };
    type("Sub A");
    core.InsertLineEnd();
    type("x = 1");
    EXPECT_EQ(core.Text(), "Sub A\r\nx = 1");
    core.DeleteBack();
    core.DeleteBack();
    core.Undo(); // both Backspaces
    EXPECT_EQ(core.Text(), "Sub A\r\nx = 1");
    core.Undo(); // the typing after Enter
    EXPECT_EQ(core.Text(), "Sub A\r\n");
    core.Undo(); // Enter
    EXPECT_EQ(core.Text(), "Sub A");
    EXPECT_EQ(core.Caret(), 5);
    core.Redo();
    core.Redo();
    EXPECT_EQ(core.Text(), "Sub A\r\nx = 1");
    EXPECT_EQ(core.Caret(), 12);

    // A caret move ends a run; typing over a selection starts one.
    core.SetCaret(3);
    type("!");
    core.SetSelection(0, 3);
    type("Function");
    EXPECT_EQ(core.Text(), "Function! A\r\nx = 1");
    core.Undo();
    EXPECT_EQ(core.Text(), "Sub! A\r\nx = 1");
    EXPECT_EQ(core.Anchor(), 0); // the selection comes back too
    EXPECT_EQ(core.Caret(), 3);
    core.Undo();
    EXPECT_EQ(core.Text(), "Sub A\r\nx = 1");
    EXPECT_TRUE(core.CanRedo());

    // A new change drops what was undone; a group is one step.
    Send(core, SCI_BEGINUNDOACTION);
    Send(core, SCI_INSERTTEXT, 0, Pointer("'"));
    Send(core, SCI_BEGINUNDOACTION);
    core.DeleteRange(7, 2);
    Send(core, SCI_ENDUNDOACTION);
    type("y");
    Send(core, SCI_ENDUNDOACTION);
    EXPECT_FALSE(core.CanRedo());
    EXPECT_EQ(core.Text(), "'Suby A\r = 1");
    EXPECT_EQ(core.LineCount(), 2);
    Send(core, SCI_UNDO);
    EXPECT_EQ(core.Text(), "Sub A\r\nx = 1");
    Send(core, SCI_REDO);
    EXPECT_EQ(core.Text(), "'Suby A\r = 1");

    // Word deletion is a step of its own.
    core.SetCaret(core.Length());
    core.DeleteWordBack();
    core.SetCaret(0);
    core.DeleteWordForward();
    EXPECT_EQ(core.Text(), "Suby A\r = ");
    core.Undo();
    core.Undo();
    EXPECT_EQ(core.Text(), "'Suby A\r = 1");
    EXPECT_EQ(Send(core, SCI_CANUNDO), 1);
    Send(core, SCI_EMPTYUNDOBUFFER);
    EXPECT_EQ(Send(core, SCI_CANUNDO) + Send(core, SCI_CANREDO), 0);
}

// Right after the program's setup the listing itself is one step.
TEST(Editing, TheListingCanBeUndoneAndRedone) {
    EditorCore core;
    ConfigureWithListing(core);
    std::string listing = core.Text();
    core.ToggleFold(2);
    Send(core, SCI_UNDO);
    EXPECT_EQ(core.Length(), 0);
    Send(core, SCI_REDO);
    EXPECT_EQ(core.Text(), listing);
    EXPECT_EQ(Fault(core), "");
}

// A fold that closes over the caret sends it to the header; a caret placed
// in a closed fold opens it.
TEST(Editing, TheCaretNeverRestsOnAHiddenLine) {
    EditorCore core;
    ConfigureLexer(core);
    core.SetText("Sub A\nx\nEnd Sub\nSub B\ny\nEnd Sub\n");
    core.SetCaret(8); // "End Sub" of A
    core.ToggleFold(0);
    EXPECT_EQ(core.Caret(), 0);
    core.SetSelection(3, core.LineStart(4)); // y, inside B
    core.SetFoldExpanded(3, false);
    EXPECT_EQ(core.Caret(), core.LineStart(3));
    core.SetSelection(0, core.Length() - 1);
    EXPECT_TRUE(core.Expanded(3));
    EXPECT_FALSE(core.Expanded(0)); // the anchor may stay hidden
}

// Each case: the text, a position, and where Ctrl+Right, Ctrl+Left and a
// double-click's word start and end find from it.
TEST(Words, BoundariesForCaretKeysAndDoubleClicks) {
    struct Case {
        const char* text;
        int pos, next, previous, wordStart, wordEnd;
    };
    const Case cases[] = {
        {"a$ = b%(1)", 0, 3, 0, 0, 2}, {"a$ = b%(1)", 3, 5, 0, 3, 4},
        {"a$ = b%(1)", 7, 8, 5, 7, 8}, {"a$ = b%(1)", 10, 10, 9, 10, 10},
        {"x\r\n  y", 1, 5, 0, 1, 1},   {"x\r\n  y", 3, 5, 1, 3, 5},
        {"x\r\n  y", 5, 6, 1, 5, 6},   {"_a1 #b", 4, 6, 0, 4, 6},
        {"", 0, 0, 0, 0, 0},           {"ab", -5, 2, 0, 0, 0},
        {"ab", 99, 2, 0, 2, 2},        {"\xE9t\xE9 x", 2, 4, 0, 0, 3},
    };
    for (const Case& c : cases) {
        EditorCore core;
        core.SetText(c.text);
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" at " << c.pos);
        EXPECT_EQ(kalmor::NextWordStart(core, c.pos), c.next);
        EXPECT_EQ(kalmor::PreviousWordStart(core, c.pos), c.previous);
        EXPECT_EQ(kalmor::WordStartAt(core, c.pos), c.wordStart);
        EXPECT_EQ(kalmor::WordEndAt(core, c.pos), c.wordEnd);
    }
}

} // namespace
