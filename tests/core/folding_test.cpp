// Fold structure, toggling, visibility and edits around contracted folds.
#include "test_support.h"

#include <gtest/gtest.h>

#include <vector>

using kalmor::EditorCore;
using namespace kalmor_test;

namespace {

std::vector<int> VisibleLines(const EditorCore& core) {
    std::vector<int> visible;
    for (int line = 0; line < core.LineCount(); ++line) {
        if (core.LineVisible(line))
            visible.push_back(line);
    }
    return visible;
}

TEST(FoldRules, HeadersAndEndsInTheirVariousForms) {
    EditorCore core;
    ConfigureLexer(core);
    // A header after one or two access words, closed by an End of either kind;
    // assignments to a function's result; a stray End, a Declare, a longer
    // word and a comment, none of them headers; an indented header never closed.
    core.SetText("Private Sub A()\n  Exit Sub\nEnd Function\n"
                 "Public Static Function B\n  Function = 1\n  function$=2\nEND   SUB\n"
                 "End Sub\nDeclare Sub C Lib \"x\"\nSubtotal = 3\n' Sub D\n"
                 "  sub E\n  x = 1");
    EXPECT_EQ(Shape(core), "A11A1110000A1");
    EXPECT_EQ(core.LastChild(11), 12);

    // Folding needs the "fold" property and the BASIC lexer; a line that
    // stops being a header opens.
    core.SetText("Sub A\nx\nEnd Sub\n");
    core.ToggleFold(0);
    Send(core, SCI_SETPROPERTY, Pointer("fold"), Pointer("0"));
    EXPECT_EQ(Shape(core), "0000");
    EXPECT_EQ(core.VisibleLineCount(), 4);
    Send(core, SCI_SETPROPERTY, Pointer("fold"), Pointer("1"));
    EXPECT_EQ(Shape(core), "A110");
    EXPECT_TRUE(core.Expanded(0));
    Send(core, SCI_SETLEXER, 1);
    EXPECT_EQ(Shape(core), "0000");
    EXPECT_EQ(core.StyleRange(0, core.Length()), std::string(core.Length(), '\0'));
}

TEST(FoldState, ToggleAndGotoLineOnTheListing) {
    EditorCore core;
    ConfigureWithListing(core);
    // Non-headers ignore toggles.
    Send(core, SCI_TOGGLEFOLD, 10);
    EXPECT_EQ(Send(core, SCI_GETFOLDEXPANDED, 10), 1);
    Send(core, SCI_TOGGLEFOLD, 9);
    Send(core, SCI_SETFOLDEXPANDED, 14, 0);
    EXPECT_EQ(Send(core, SCI_GETFOLDEXPANDED, 9), 0);
    EXPECT_EQ(VisibleLines(core),
              (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 17, 18, 19, 20}));
    EXPECT_EQ(core.VisibleFromDocLine(11), 9); // a hidden line maps to its header's row
    EXPECT_EQ(core.DocLineFromVisible(10), 13);
    EXPECT_EQ(Fault(core), "");

    Send(core, SCI_GOTOLINE, 9); // a contracted header is itself visible
    EXPECT_FALSE(core.Expanded(9));
    Send(core, SCI_GOTOLINE, 15); // a hidden line opens its fold only
    EXPECT_FALSE(core.Expanded(9));
    EXPECT_TRUE(core.Expanded(14));
    EXPECT_EQ(core.Caret(), core.LineStart(15));
    Send(core, SCI_GOTOLINE, 1000);
    EXPECT_EQ(core.Caret(), core.LineStart(20));
    Send(core, SCI_GOTOLINE, -5);
    EXPECT_EQ(core.Caret(), 0);
    Send(core, SCI_SETFOLDEXPANDED, 9, 1);
    EXPECT_EQ(core.VisibleLineCount(), 21);
}

TEST(FoldState, NestedContractedFoldStaysHiddenWhenItsParentOpens) {
    EditorCore core;
    ConfigureLexer(core);
    core.SetText("Sub A\n  a\n  Sub B\n    b\nEnd Sub\nc\nSub C\nEnd Sub"); // one End for two
    EXPECT_EQ(Shape(core), "A1B220A1");
    EXPECT_EQ(core.FoldParent(3), 2);
    EXPECT_EQ(core.FoldParent(2), 0);
    EXPECT_EQ(core.LastChild(0), 4);

    core.ToggleFold(2);
    core.ToggleFold(0);
    EXPECT_EQ(VisibleLines(core), (std::vector<int>{0, 5, 6, 7}));
    core.ToggleFold(0);
    EXPECT_EQ(VisibleLines(core), (std::vector<int>{0, 1, 2, 5, 6, 7}));
    EXPECT_EQ(Fault(core), "");

    // Going to a line hidden twice opens both folds.
    core.ToggleFold(0);
    Send(core, SCI_GOTOLINE, 3);
    EXPECT_EQ(core.Caret(), core.LineStart(3));
    EXPECT_EQ(core.VisibleLineCount(), 8);
}

TEST(FoldEdits, EditsTouchingAContractedFoldOpenItAndOnlyIt) {
    EditorCore core;
    ConfigureWithListing(core);
    for (int header : {9, 14, 18})
        core.ToggleFold(header);
    core.SetCaret(core.LineStart(11) + 2); // typing in a hidden body line
    core.InsertAtCaret("x");
    EXPECT_TRUE(core.Expanded(9));
    EXPECT_FALSE(core.Expanded(14));

    // Deleting a contracted sub's End line makes it run on to the next End;
    // "sub Test3", now inside it, stays contracted.
    core.DeleteRange(core.LineStart(16), core.LineStart(17) - core.LineStart(16));
    EXPECT_EQ(Shape(core), "000000000A1110A11B22");
    EXPECT_TRUE(core.Expanded(14));
    EXPECT_FALSE(core.Expanded(17));
    EXPECT_EQ(Fault(core), "");

    // Turning a contracted header into an ordinary line, or joining a line
    // onto it, opens it.
    core.DeleteRange(core.LineStart(17), 4); // "sub Test3" -> "Test3"
    EXPECT_EQ(core.VisibleLineCount(), 20);
    core.ToggleFold(9);
    core.SetCaret(core.LineStart(9));
    core.DeleteBack(); // the CR before the header
    EXPECT_EQ(core.VisibleLineCount(), 19);
    EXPECT_EQ(core.LineCount(), 19);
}

TEST(FoldEdits, EditsOutsideAContractedFoldKeepItClosed) {
    EditorCore core;
    ConfigureWithListing(core);
    core.ToggleFold(14);
    core.SetCaret(core.LineStart(13));
    core.InsertLineEnd(); // the listing's CR
    EXPECT_EQ(core.TextRange(core.LineEnd(13), core.LineEnd(13) + 1), "\r");
    EXPECT_FALSE(core.Expanded(15));
    EXPECT_FALSE(core.LineVisible(17));

    // A new sub above swallows the closed one; it stays closed inside it.
    core.SetCaret(core.LineStart(14));
    core.InsertAtCaret("Sub Outer\r");
    EXPECT_EQ(Shape(core), "000000000A1110A1B220A11");
    EXPECT_FALSE(core.Expanded(16));
    EXPECT_EQ(core.FoldParent(16), 14);
    EXPECT_EQ(Fault(core), "");
}

} // namespace
