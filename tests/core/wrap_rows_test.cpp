// The rows of wrapped lines as the core counts them: display lines follow
// the rows the view sets, folds and edits, and the top row stays on its text.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "component/core/wrap_rows.h"
#include "tests/core/test_support.h"

namespace {

using namespace kalmor_test;

// After random edits, folds, row counts and scrolls, every display-line
// answer agrees with the counts read back line by line; lines an edit did
// not reach keep their counts; the top row's line stays when rows above
// change; and the estimated lines are the ones NextEstimatedLine finds.
TEST(WrapRows, DisplayLinesFollowRowsFoldsAndEdits) {
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += i % 5 == 0 ? "Sub s\n" : i % 5 == 4 ? "End Sub\n" : std::string(i % 40, 'x') + "\n";
    BasicCore core(text);
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
            EXPECT_FALSE(core.LineRowsEstimated(line));
            if (line < top && core.LineVisible(top))
                EXPECT_EQ(core.DocLineFromVisible(core.FirstVisibleLine()), top) << step;
        }
        lines = core.LineCount();
        int sum = 0, next = -1;
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

// A row rule that, like the view's, depends only on the bytes from a row's
// start: at most 20 bytes, broken after the last blank among them.
int NextRow(const std::string& text, int start) {
    int end = std::min(start + 20, static_cast<int>(text.size()));
    if (end == static_cast<int>(text.size()))
        return end;
    for (int k = end; k > start + 1; --k)
        if (text[static_cast<size_t>(k - 1)] == ' ')
            return k;
    return end;
}

// Finds rows as the view does: all of them, or up to a byte.
void Find(LongLineRows& rows, const std::string& text, int until) {
    int length = static_cast<int>(text.size());
    for (int steps = 0; !rows.done && rows.starts.back() < until; ++steps) {
        ASSERT_LE(steps, length) << "finding never ends";
        rows.Found(NextRow(text, rows.starts.back()), length);
    }
}

// Random edits of a long line's text, anywhere, with rows found up to
// anywhere between them: the rows kept, rejoined and found again are those
// found from scratch, and a byte's row and a row's start agree past where
// finding stopped, on the estimated grid, where rows are never empty.
TEST(LongLineRows, EditsKeepTheRowsFoundFromScratch) {
    std::mt19937 random(11);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::string text;
    while (text.size() < 3000)
        text += std::string(static_cast<size_t>(1 + pick(9)), 'a') + (pick(4) ? " " : "");
    LongLineRows rows;
    rows.perRow = 17;
    // Characters of two bytes: a grid point at an odd byte moves back one.
    auto same = [](int byte) { return byte & ~1; };
    for (int step = 0; step < 400; ++step) {
        int length = static_cast<int>(text.size());
        Find(rows, text, pick(length + 1));
        int count = rows.Count(length);
        for (int row = 0; row < count; row += 1 + pick(9)) {
            int start = rows.Start(row, length, same);
            ASSERT_EQ(rows.RowOf(start, length, same), row) << "step " << step;
            if (row + 1 < count)
                ASSERT_GT(rows.Start(row + 1, length, same), start) << "step " << step;
            if (row + 1 < count && rows.Start(row + 1, length, same) > start + 1)
                ASSERT_EQ(rows.RowOf(rows.Start(row + 1, length, same) - 1, length, same), row);
        }
        int at = pick(length), removed = std::min(pick(6), length - at);
        std::string inserted(static_cast<size_t>(pick(6)), pick(2) ? 'b' : ' ');
        text.replace(static_cast<size_t>(at), static_cast<size_t>(removed), inserted);
        rows.Edited(at, removed, static_cast<int>(inserted.size()));
    }
    Find(rows, text, INT_MAX);
    LongLineRows fresh;
    Find(fresh, text, INT_MAX);
    EXPECT_EQ(rows.starts, fresh.starts);
}

// Row sums on the estimated grid, in bytes of a line of 1000 with rows
// found at 0 and 100 and 100 a row estimated: ten rows, the last to the end.
TEST(LongLineRows, EstimatedRowsCoverTheLine) {
    LongLineRows rows;
    rows.perRow = 100;
    rows.Found(100, 1000);
    auto same = [](int byte) { return byte; };
    EXPECT_EQ(rows.Count(1000), 10);
    const int bytes[][2] = {{99, 0}, {100, 1}, {199, 1}, {200, 2}, {900, 9}, {999, 9}};
    for (auto [byte, row] : bytes)
        EXPECT_EQ(rows.RowOf(byte, 1000, same), row) << byte;
    EXPECT_EQ(rows.Start(9, 1000, same), 900);
}

// The core keeps a long line's rows with its line: lines added above move
// them, an edit in another line or past the rows found leaves them, and
// joining the line drops them. Where the lexer or the host restyles a long
// line, its rows past the change are found again, as after an edit there:
// a host's one byte, the lexer's keywords, a string the lexer runs to the
// line's end; leaving the lexer forgets them all.
TEST(LongLineRows, FollowTheirLineAndAreFoundAgainWhereStylesChange) {
    std::string line = Repeat("a b ", 10000) + "zz  " + Repeat("a b ", 7499);
    // Rows kept on line 1: after the change, the first of them on a line,
    // with those past the change to rejoin (0: none).
    const std::vector<int> rows = {0, 30000, 60000};
    const struct {
        const char* name;
        int lexer, line, kept, rejoin; // kept: how many of the rows stay
        std::function<void(EditorCore&)> change;
    } cases[] = {
        {"lines added above", SCLEX_NULL, 2, 3, 0,
         [](EditorCore& core) { core.InsertText(0, "new\n"); }},
        {"an edit in another line", SCLEX_NULL, 1, 3, 0,
         [](EditorCore& core) { core.InsertText(core.LineStart(2), "b"); }},
        {"an edit past the rows found", SCLEX_NULL, 1, 3, 0,
         [](EditorCore& core) { core.InsertText(core.LineStart(1) + 60010, "x"); }},
        {"joining the line", SCLEX_NULL, 0, 1, 0,
         [](EditorCore& core) { core.DeleteRange(core.LineStart(1) - 1, 1); }},
        {"the host's one byte", SCLEX_CONTAINER, 1, 1, 60000,
         [](EditorCore& core) {
             Send(core, SCI_STARTSTYLING, core.LineStart(1) + 40000);
             Send(core, SCI_SETSTYLING, 1, 9);
         }},
        {"keywords", SCLEX_BASIC, 1, 1, 60000,
         [](EditorCore& core) {
             Send(core, SCI_SETKEYWORDS, 0, Pointer("zz"));
             Send(core, SCI_GETSTYLEAT, core.Length() - 1);
         }},
        {"a string to the end", SCLEX_BASIC, 1, 1, 0,
         [](EditorCore& core) {
             core.InsertText(core.LineStart(1) + 40000, "\"");
             Send(core, SCI_GETSTYLEAT, core.LineEnd(1) - 1); // styled when read
         }},
        {"leaving the lexer", SCLEX_BASIC, 1, 1, 0,
         [](EditorCore& core) { Send(core, SCI_SETLEXER, SCLEX_NULL); }},
    };
    for (const auto& c : cases) {
        BasicCore core("a\n" + line + "\nb\n");
        Send(core, SCI_SETWRAPMODE, SC_WRAP_WORD);
        core.ResetWrap(16);
        Send(core, SCI_SETLEXER, c.lexer);
        Send(core, SCI_GETSTYLEAT, core.Length() - 1);
        core.LongRows(1)->starts = rows;
        c.change(core);
        EXPECT_EQ(std::tuple(core.LongRows(c.line)->starts, core.LongRows(c.line)->rejoin),
                  std::tuple(std::vector<int>(rows.begin(), rows.begin() + c.kept),
                             std::vector<int>(c.rejoin ? 1 : 0, c.rejoin)))
            << c.name;
    }
}

} // namespace
