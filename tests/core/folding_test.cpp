// Fold structure, toggling, visibility and edits around contracted folds.
#include "test_support.h"

#include <gtest/gtest.h>

#include <vector>

using kalmor::EditorCore;
using namespace kalmor_test;

namespace {

const int kBase = SC_FOLDLEVELBASE;
const int kHeader = SC_FOLDLEVELHEADERFLAG;

void Load(EditorCore& core, const std::string& text) {
    ConfigureLexer(core);
    core.SetText(text);
}

std::vector<int> Levels(const EditorCore& core) {
    std::vector<int> levels;
    for (int line = 0; line < core.LineCount(); ++line) {
        levels.push_back(core.FoldLevel(line));
    }
    return levels;
}

std::vector<int> VisibleLines(const EditorCore& core) {
    std::vector<int> visible;
    for (int line = 0; line < core.LineCount(); ++line) {
        if (core.LineVisible(line)) {
            visible.push_back(line);
        }
    }
    return visible;
}

// Display-line conversions agree with LineVisible and with each other.
void ExpectDisplayConsistent(const EditorCore& core) {
    std::vector<int> visible = VisibleLines(core);
    ASSERT_EQ(core.VisibleLineCount(), static_cast<int>(visible.size()));
    for (int display = 0; display < static_cast<int>(visible.size()); ++display) {
        EXPECT_EQ(core.DocLineFromVisible(display), visible[display]);
        EXPECT_EQ(core.VisibleFromDocLine(visible[display]), display);
    }
    for (int line = 0; line < core.LineCount(); ++line) {
        EXPECT_EQ(core.LineVisible(line), !HiddenByRule(core, line)) << "line " << line;
    }
}

TEST(FoldRules, HeadersAndEndsInTheirVariousForms) {
    EditorCore core;
    Load(core,
         "Private Sub A()\n"          // 0 header after an access word
         "  Exit Sub\n"               // 1
         "End Function\n"             // 2 closes it
         "Public Static Function B\n" // 3 header after two access words
         "  Function = 1\n"           // 4 assignment, spaced
         "  function$=2\n"            // 5 assignment with a type suffix
         "END   SUB\n"                // 6
         "End Sub\n"                  // 7 stray: ordinary
         "Declare Sub C Lib \"x\"\n"  // 8
         "Subtotal = 3\n"             // 9 a longer word
         "' Sub D\n"                  // 10 comment
         "  sub E\n"                  // 11 indented header, never closed
         "  x = 1");                  // 12
    std::vector<int> expected = {kBase | kHeader, kBase + 1, kBase + 1, kBase | kHeader,
                                 kBase + 1,       kBase + 1, kBase + 1, kBase,
                                 kBase,           kBase,     kBase,     kBase | kHeader,
                                 kBase + 1};
    EXPECT_EQ(Levels(core), expected);
    EXPECT_EQ(core.LastChild(11), 12);
}

TEST(FoldRules, FoldingNeedsThePropertyAndTheBasicLexer) {
    EditorCore core;
    Load(core, "Sub A\nx\nEnd Sub\n");
    EXPECT_TRUE(core.IsHeader(0));
    core.ToggleFold(0);

    Send(core, SCI_SETPROPERTY, Pointer("fold"), Pointer("0"));
    EXPECT_EQ(Levels(core), std::vector<int>(4, kBase));
    EXPECT_TRUE(core.Expanded(0)); // a line that stops being a header opens
    EXPECT_EQ(core.VisibleLineCount(), 4);

    Send(core, SCI_SETPROPERTY, Pointer("fold"), Pointer("1"));
    EXPECT_TRUE(core.IsHeader(0));
    Send(core, SCI_SETLEXER, 1);
    EXPECT_FALSE(core.IsHeader(0));
    EXPECT_EQ(core.StyleRange(0, core.Length()), std::string(core.Length(), '\0'));
}

TEST(FoldState, ToggleHidesAndShowsTheBody) {
    EditorCore core;
    ConfigureLikeProgram(core);
    Send(core, SCI_TOGGLEFOLD, 9);
    EXPECT_EQ(Send(core, SCI_GETFOLDEXPANDED, 9), 0);
    EXPECT_EQ(Send(core, SCI_GETLINEVISIBLE, 9), 1);
    for (int line : {10, 11, 12}) {
        EXPECT_EQ(Send(core, SCI_GETLINEVISIBLE, line), 0) << line;
        EXPECT_EQ(Send(core, SCI_GETFOLDEXPANDED, line), 1) << line;
    }
    EXPECT_EQ(Send(core, SCI_GETLINEVISIBLE, 13), 1);
    EXPECT_EQ(core.VisibleFromDocLine(11), 9); // a hidden line maps to its header's row
    EXPECT_EQ(core.DocLineFromVisible(10), 13);
    ExpectDisplayConsistent(core);

    Send(core, SCI_TOGGLEFOLD, 9);
    EXPECT_EQ(core.VisibleLineCount(), 21);
}

TEST(FoldState, NonHeadersAndOutOfRangeLinesIgnoreToggles) {
    EditorCore core;
    ConfigureLikeProgram(core);
    for (intptr_t line :
         {intptr_t{0}, intptr_t{10}, intptr_t{-1}, intptr_t{21}, intptr_t{1} << 40}) {
        Send(core, SCI_TOGGLEFOLD, line);
        Send(core, SCI_SETFOLDEXPANDED, line, 0);
        EXPECT_EQ(Send(core, SCI_GETFOLDEXPANDED, line), 1) << line;
    }
    EXPECT_EQ(core.VisibleLineCount(), 21);
    EXPECT_EQ(Send(core, SCI_GETFOLDLEVEL, -1), kBase);
    EXPECT_EQ(Send(core, SCI_GETLINEVISIBLE, 99), 1);

    Send(core, SCI_SETFOLDEXPANDED, 14, 0);
    EXPECT_FALSE(core.LineVisible(15));
    Send(core, SCI_SETFOLDEXPANDED, 14, 1);
    EXPECT_TRUE(core.LineVisible(15));
}

TEST(FoldState, NestedContractedFoldStaysHiddenWhenItsParentOpens) {
    EditorCore core;
    Load(core, "Sub A\n"   // 0
               "  a\n"     // 1
               "  Sub B\n" // 2
               "    b\n"   // 3
               "End Sub\n" // 4 ends both
               "c\n"       // 5
               "Sub C\n"   // 6
               "End Sub"); // 7
    EXPECT_EQ(Levels(core),
              (std::vector<int>{kBase | kHeader, kBase + 1, (kBase + 1) | kHeader, kBase + 2,
                                kBase + 2, kBase, kBase | kHeader, kBase + 1}));
    EXPECT_EQ(core.FoldParent(3), 2);
    EXPECT_EQ(core.FoldParent(2), 0);
    EXPECT_EQ(core.LastChild(0), 4);

    core.ToggleFold(2);
    core.ToggleFold(0);
    EXPECT_EQ(VisibleLines(core), (std::vector<int>{0, 5, 6, 7}));
    ExpectDisplayConsistent(core);

    core.ToggleFold(0);
    EXPECT_EQ(VisibleLines(core), (std::vector<int>{0, 1, 2, 5, 6, 7}));
    ExpectDisplayConsistent(core);

    // Going to a line hidden twice opens both folds.
    core.ToggleFold(0);
    Send(core, SCI_GOTOLINE, 3);
    EXPECT_TRUE(core.Expanded(0));
    EXPECT_TRUE(core.Expanded(2));
    EXPECT_EQ(core.Caret(), core.LineStart(3));
    EXPECT_EQ(core.VisibleLineCount(), 8);
}

TEST(FoldState, GotoLineClampsAndLeavesOtherFoldsAlone) {
    EditorCore core;
    ConfigureLikeProgram(core);
    core.ToggleFold(9);
    core.ToggleFold(14);
    Send(core, SCI_GOTOLINE, 15);
    EXPECT_FALSE(core.Expanded(9));
    EXPECT_TRUE(core.Expanded(14));
    Send(core, SCI_GOTOLINE, 9); // a contracted header is itself visible
    EXPECT_FALSE(core.Expanded(9));
    Send(core, SCI_GOTOLINE, 1000);
    EXPECT_EQ(core.Caret(), core.LineStart(20));
    Send(core, SCI_GOTOLINE, -5);
    EXPECT_EQ(core.Caret(), 0);
}

TEST(FoldEdits, EditsInsideAContractedFoldOpenItFirst) {
    EditorCore core;
    ConfigureLikeProgram(core);
    core.ToggleFold(9);
    core.ToggleFold(14);
    core.ToggleFold(18);

    // Typing in a hidden body line.
    core.SetCaret(core.LineStart(11) + 2);
    core.InsertAtCaret("x");
    EXPECT_TRUE(core.Expanded(9));
    EXPECT_FALSE(core.Expanded(14));

    // Deleting a contracted sub's End line makes it run on to the next End.
    int endLine = 16;
    core.DeleteRange(core.LineStart(endLine),
                     core.LineStart(endLine + 1) - core.LineStart(endLine));
    EXPECT_TRUE(core.Expanded(14));
    EXPECT_EQ(core.LastChild(14), 19);
    EXPECT_FALSE(core.Expanded(17)); // "sub Test3", now inside Test2, still contracted
    ExpectDisplayConsistent(core);

    // Turning a contracted header into an ordinary line opens it.
    core.DeleteRange(core.LineStart(17), 4); // "sub Test3" -> "Test3"
    EXPECT_FALSE(core.IsHeader(17));
    EXPECT_TRUE(core.Expanded(17));
    EXPECT_EQ(core.VisibleLineCount(), core.LineCount());
}

TEST(FoldEdits, JoiningALineOntoAContractedHeaderOpensIt) {
    EditorCore core;
    ConfigureLikeProgram(core);
    core.ToggleFold(9);
    core.SetCaret(core.LineStart(9));
    core.DeleteBack(); // the CR before the header
    EXPECT_EQ(core.LineCount(), 20);
    EXPECT_EQ(core.VisibleLineCount(), 20);
    ExpectDisplayConsistent(core);
}

TEST(FoldEdits, EditsOutsideAContractedFoldKeepItClosed) {
    EditorCore core;
    ConfigureLikeProgram(core);
    core.ToggleFold(14);
    core.SetCaret(core.LineStart(13));
    core.InsertLineEnd(); // the listing's CR
    EXPECT_EQ(core.TextRange(core.LineEnd(13), core.LineEnd(13) + 1), "\r");
    EXPECT_FALSE(core.Expanded(15));
    EXPECT_EQ(core.FoldParent(17), 15);
    EXPECT_FALSE(core.LineVisible(17));

    // A new sub above swallows the closed one; it stays closed inside it.
    core.SetCaret(core.LineStart(14));
    core.InsertAtCaret("Sub Outer\r");
    EXPECT_EQ(core.FoldLevel(16), (kBase + 1) | kHeader);
    EXPECT_FALSE(core.Expanded(16));
    EXPECT_EQ(core.FoldParent(16), 14);
    EXPECT_EQ(core.LastChild(14), 18);
    ExpectDisplayConsistent(core);
}

} // namespace
