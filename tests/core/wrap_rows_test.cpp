// The rows of wrapped lines as the core counts them: display lines follow
// the rows the view sets, folds and edits, and the top row stays on its text.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/core/test_support.h"

namespace {

using namespace kalmor_test;

// After random edits, folds, row counts and scrolls, every display-line
// answer agrees with the counts read back line by line; lines an edit did
// not reach keep their counts; the top row's line stays when rows above
// change; and the estimated lines are the ones NextEstimatedLine finds.
TEST(WrapRows, DisplayLinesFollowRowsFoldsAndEdits) {
    EditorCore core;
    ConfigureLexer(core);
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += i % 5 == 0 ? "Sub s\n" : i % 5 == 4 ? "End Sub\n" : std::string(i % 40, 'x') + "\n";
    core.SetText(text);
    Send(core, SCI_SETWRAPMODE, SC_WRAP_WORD);
    core.ResetWrap(16);
    std::mt19937 random(7);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 3000; ++step) {
        int lines = core.LineCount();
        int line = pick(lines);
        std::vector<int> before(static_cast<size_t>(lines));
        for (int l = 0; l < lines; ++l)
            before[static_cast<size_t>(l)] = core.LineRows(l);
        int top = core.DocLineFromVisible(core.FirstVisibleLine());
        int kind = pick(6);
        if (kind == 0) {
            core.InsertText(core.LineStart(line) + pick(3),
                            pick(2) ? "a\nbbbbbbbbbbbbbbbbbbbb\n" : "c");
        } else if (kind == 1 && line + 2 < lines) {
            core.DeleteRange(core.LineStart(line), core.LineStart(line + 2) - core.LineStart(line));
        } else if (kind == 2) {
            core.ToggleFold(line / 5 * 5);
        } else if (kind == 3) {
            core.SetFirstVisibleLine(pick(core.VisibleLineCount()));
        } else if (core.LineVisible(line)) {
            int rows = 1 + pick(4);
            core.SetLineRows(line, rows);
            EXPECT_EQ(core.LineRows(line), rows);
            EXPECT_FALSE(core.LineRowsEstimated(line));
            if (line < top && core.LineVisible(top))
                EXPECT_EQ(core.DocLineFromVisible(core.FirstVisibleLine()), top) << step;
        }
        lines = core.LineCount();
        int sum = 0;
        int next = -1;
        for (int l = lines - 1; l >= 0; --l)
            next = core.LineRowsEstimated(l) ? l : next;
        EXPECT_EQ(core.NextEstimatedLine(0), next);
        for (int l = 0; l < lines; ++l) {
            int rows = core.LineRows(l);
            ASSERT_EQ(rows == 0, !core.LineVisible(l)) << "step " << step << " line " << l;
            if (rows > 0) {
                ASSERT_EQ(core.VisibleFromDocLine(l), sum) << "step " << step << " line " << l;
                ASSERT_EQ(core.DocLineFromVisible(sum + rows - 1), l) << "step " << step;
            }
            // Edits keep the counts above them; scrolls and setting a
            // line's count keep every other's.
            int was = l < static_cast<int>(before.size()) ? before[static_cast<size_t>(l)] : 0;
            bool kept = kind < 2 ? l < line && was > 0 : kind > 2 && !(kind > 3 && l == line);
            if (kept)
                ASSERT_EQ(rows, was) << "step " << step << " line " << l;
            sum += rows;
        }
        ASSERT_EQ(core.VisibleLineCount(), std::max(sum, 1));
    }
}

} // namespace
