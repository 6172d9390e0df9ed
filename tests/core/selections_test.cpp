// Multiple selections: edits at every one as one undo step, moves, merging
// and the requests that add and pick them.
#include "component/core/basic_lexer.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace kalmor_test;

namespace {

// Text marked "|" for a caret and "[...]" for a selection (caret at its end),
// each added in turn, so the last one is the main one.
void Load(EditorCore& core, const std::string& marked) {
    std::string text;
    std::vector<std::pair<int, int>> ranges;
    for (char c : marked) {
        int at = static_cast<int>(text.size());
        if (c == '|' || c == '[')
            ranges.push_back({at, at});
        else if (c == ']')
            ranges.back().second = at;
        else
            text += c;
    }
    core.SetText(text);
    Send(core, SCI_EMPTYUNDOBUFFER);
    Send(core, SCI_SETADDITIONALSELECTIONTYPING, 1);
    for (size_t i = 0; i < ranges.size(); ++i)
        Send(core, i == 0 ? SCI_SETSELECTION : SCI_ADDSELECTION, ranges[i].second, ranges[i].first);
}

std::string Shape(const EditorCore& core) {
    std::string text = core.Text();
    auto ranges = core.SelectionsInOrder();
    for (size_t i = ranges.size(); i-- > 0;) {
        if (ranges[i].Empty()) {
            text.insert(static_cast<size_t>(ranges[i].caret), "|");
        } else {
            text.insert(static_cast<size_t>(ranges[i].End()), "]");
            text.insert(static_cast<size_t>(ranges[i].Start()), "[");
        }
    }
    return text;
}

std::vector<SelectionRange> All(const EditorCore& core) {
    std::vector<SelectionRange> all;
    for (int n = 0; n < core.SelectionCount(); ++n)
        all.push_back(core.SelectionN(n));
    all.push_back({core.MainSelection(), -1});
    return all;
}

} // namespace

// Each edit (indents of 4 in spaces, in overtype or not, pasting into each
// selection or once), then undo puts back the text and every selection,
// main and all, and redo the result.
TEST(MultipleSelections, EditsAtEverySelectionAreOneStep) {
    const struct {
        const char* before;
        std::function<void(EditorCore&)> edit;
        const char* after;
        bool overtype = false;
        int paste = SC_MULTIPASTE_EACH;
    } cases[] = {
        {"[ab]c\nd|", [](EditorCore& c) { c.InsertAtCaret("xy"); }, "xy|c\ndxy|"},
        // A caret at a line start joins the lines; the carets that meet merge.
        {"ab|\n|cd\nef|", [](EditorCore& c) { c.DeleteBack(); }, "a|cd\ne|"},
        {"|ab\nc|d", [](EditorCore& c) { c.DeleteBack(); }, "|ab\n|d"},
        {"a|b\ncd|\nef", [](EditorCore& c) { c.DeleteForward(); }, "a|\ncd|ef"},
        {"a|b\nc|d", [](EditorCore& c) { c.InsertLineEnd(); }, "a\n|b\nc\n|d"},
        {"a|\nabc|", [](EditorCore& c) { c.Tab(); }, "a   |\nabc |"},
        {"ab|cd\nx|y", [](EditorCore& c) { c.InsertAtCaret("Z"); }, "abZ|d\nxZ|", true},
        // Three lines into two carets, whole into each; once, into the main
        // selection alone (one line each: RectangleTest.SeveralSelectionsByMouseAndKeys).
        {"|\n|", [](EditorCore& c) { c.Paste("A\nB\nC"); }, "A\nB\nC|\nA\nB\nC|"},
        {"|\n|", [](EditorCore& c) { c.Paste("A\nB"); }, "|\nA\nB|", false, SC_MULTIPASTE_ONCE},
    };
    for (const auto& c : cases) {
        EditorCore core;
        Load(core, c.before);
        Send(core, SCI_SETUSETABS, 0);
        Send(core, SCI_SETINDENT, 4);
        Send(core, SCI_SETOVERTYPE, c.overtype);
        Send(core, SCI_SETMULTIPASTE, c.paste);
        auto before = All(core);
        std::string text = core.Text();
        c.edit(core);
        EXPECT_EQ(Shape(core), c.after) << c.before;
        auto after = All(core);
        core.Undo();
        EXPECT_EQ(std::tuple(core.Text(), All(core), core.CanUndo()),
                  std::tuple(text, before, false))
            << c.before;
        core.Redo();
        EXPECT_EQ(All(core), after) << c.before;
    }
}

// Hears the style and fold-level changes an edit tells.
struct LexingHeard final : ChangeListener {
    std::vector<int> foldLines;
    std::vector<std::pair<int, int>> styled; // position, length
    void Modified(const Modification& m) override {
        if (m.type & SC_MOD_CHANGEFOLD)
            foldLines.push_back(m.line);
        if (m.type & SC_MOD_CHANGESTYLE)
            styled.push_back({m.position, m.length});
    }
    void ModifyAttemptReadOnly() override {}
};

// Edits at several carets that change what lines are: the styles and fold
// levels come out as a fresh lex of the result, the lines the edits touched
// are told restyled once, as one range, and each level that changed once.
TEST(MultipleSelections, EditsRelexOnce) {
    const struct {
        const char* name;
        std::function<void(EditorCore&)> edit;
    } cases[] = {
        {"comment out", [](EditorCore& core) { core.InsertAtCaret("'"); }},
        {"Enter", [](EditorCore& core) { core.InsertAtCaret("\n"); }},
        {"Backspace", [](EditorCore& core) { core.DeleteBack(); }},
    };
    for (const auto& c : cases) {
        BasicCore core;
        // A caret at the start of lines 0, 2, 3 and 5: every header and end.
        Load(core, "|Sub A\nx = 1\n|End Sub\n|Sub B\ny = 2\n|End Sub\nz\n");
        Send(core, SCI_GETSTYLEAT, core.Length() - 1);
        LexingHeard heard;
        core.SetListener(&heard);
        c.edit(core);
        core.SetListener(nullptr);
        EXPECT_EQ(RelexDiffers(core), "") << c.name;
        auto carets = core.SelectionsInOrder();
        ASSERT_EQ(heard.styled.size(), 1u) << c.name;
        auto [from, length] = heard.styled[0];
        EXPECT_LE(from, core.LineStart(core.LineFromPosition(carets[1].caret))) << c.name;
        EXPECT_GE(from + length, carets.back().caret) << c.name;
        // An edit at one place afterwards is lexed at once again.
        Send(core, SCI_INSERTTEXT, core.LineStart(1), Pointer("'"));
        EXPECT_EQ(Send(core, SCI_GETSTYLEAT, core.LineStart(1) + 1), kBasicComment) << c.name;
        std::vector<int> lines = heard.foldLines;
        std::sort(lines.begin(), lines.end());
        EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end()) << c.name;
    }
}

// Typing a run at several carets is undone at once; a move ends the run.
// Then the requests that add, pick and drop selections, and the adders of
// matches.
TEST(MultipleSelections, TypingRunsMovesAndRequests) {
    EditorCore core;
    Load(core, "a|b\nabc|d");
    for (const char* typed : {"x", "y"})
        core.InsertAtCaret(typed);
    EXPECT_EQ(Shape(core), "axy|b\nabcxy|d");
    Send(core, SCI_LINEEND);
    EXPECT_EQ(Shape(core), "axyb|\nabcxyd|");
    core.InsertAtCaret("!");
    core.Undo();
    core.Undo();
    EXPECT_EQ(Shape(core), "a|b\nabc|d");
    Send(core, SCI_CHARRIGHTEXTEND);
    EXPECT_EQ(Shape(core), "a[b]\nabc[d]");
    Send(core, SCI_CHARLEFT);
    EXPECT_EQ(Shape(core), "a|b\nabc|d");
    Load(core, "[ab]c d|e");
    Send(core, SCI_ADDSELECTION, 3, 1); // overlaps the first: they merge
    EXPECT_EQ(
        std::tuple(Shape(core), Send(core, SCI_GETSELECTIONS), Send(core, SCI_GETMAINSELECTION)),
        std::tuple("[abc] d|e", 2, 0));
    Send(core, SCI_ROTATESELECTION);
    EXPECT_EQ(core.Caret(), 5);
    Send(core, SCI_SETSELECTIONNSTART, 1, 4);
    EXPECT_EQ(std::tuple(Shape(core), Send(core, SCI_GETSELECTIONEMPTY)),
              std::tuple("[abc] [d]e", 0));
    Send(core, SCI_DROPSELECTIONN, 1);
    EXPECT_EQ(std::tuple(Send(core, SCI_GETSELECTIONS), core.Caret()), std::tuple(1, 3));
    Load(core, "f|oo bar foo");
    Send(core, SCI_MULTIPLESELECTADDNEXT);
    EXPECT_EQ(Shape(core), "[foo] bar foo");
    Send(core, SCI_MULTIPLESELECTADDNEXT);
    Send(core, SCI_MULTIPLESELECTADDNEXT);
    EXPECT_EQ(Shape(core), "[foo] bar [foo]");
    Load(core, "Foo foo [foo]");
    Send(core, SCI_SETSEARCHFLAGS, SCFIND_MATCHCASE);
    Send(core, SCI_MULTIPLESELECTADDEACH);
    EXPECT_EQ(std::pair(Shape(core), core.Anchor()), std::pair(std::string("Foo [foo] [foo]"), 8));
    // Dropping one before the main one renumbers it.
    Load(core, "|a|b|c");
    Send(core, SCI_DROPSELECTIONN, 0);
    EXPECT_EQ(Send(core, SCI_GETMAINSELECTION), 1);
}
