// Text units for screen readers: moves and expansions at the document's
// edges, and a random run checked against a model built from plain rules.
#include "component/core/text_units.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using kalmor::EditorCore;
using kalmor::TextSpan;
using kalmor::TextUnit;
using kalmor::TextUnits;
using namespace kalmor_test;

namespace {

constexpr int kPageLines = 2;

struct UnitCase {
    const char* text;
    int foldedLine; // a header to contract first, or -1
    TextUnit unit;
    char op; // 'X' expand, 'M' move, 'S' / 'E' move the start / end endpoint
    TextSpan from;
    int count;
    TextSpan want;
    int moved;
};

TEST(TextUnits, MovesAndExpansionsAtTheEdges) {
    using U = TextUnit;
    const UnitCase cases[] = {
        // The empty document: nothing to move over.
        {"", -1, U::Character, 'X', {0, 0}, 0, {0, 0}, 0},
        {"", -1, U::Character, 'M', {0, 0}, 1, {0, 0}, 0},
        {"", -1, U::Line, 'M', {0, 0}, -1, {0, 0}, 0},
        {"", -1, U::Word, 'E', {0, 0}, 3, {0, 0}, 0},
        {"", -1, U::Document, 'X', {0, 0}, 0, {0, 0}, 0},
        // A last line without a line end: the caret at the end is on it.
        {"ab\ncd", -1, U::Line, 'X', {5, 5}, 0, {3, 5}, 0},
        {"ab\ncd", -1, U::Line, 'M', {0, 3}, 1, {3, 5}, 1},
        {"ab\ncd", -1, U::Line, 'M', {3, 5}, 1, {3, 5}, 0},
        {"ab\ncd", -1, U::Line, 'M', {4, 5}, -5, {0, 3}, -1},
        {"ab\ncd", -1, U::Line, 'E', {0, 0}, 5, {0, 5}, 2},
        {"ab\ncd", -1, U::Character, 'M', {4, 4}, 3, {5, 5}, 1},
        {"ab\ncd", -1, U::Character, 'X', {5, 5}, 0, {4, 5}, 0},
        {"ab\ncd", -1, U::Document, 'M', {0, 2}, 1, {0, 2}, 0},
        // A final line end leaves an empty last line.
        {"ab\n", -1, U::Line, 'X', {3, 3}, 0, {3, 3}, 0},
        {"ab\n", -1, U::Paragraph, 'M', {0, 3}, 1, {3, 3}, 1},
        // A CRLF is one character, and no endpoint stays inside it.
        {"a\r\nb", -1, U::Character, 'M', {1, 1}, 1, {3, 3}, 1},
        {"a\r\nb", -1, U::Character, 'X', {2, 2}, 0, {1, 3}, 0},
        {"a\r\nb", -1, U::Character, 'S', {3, 4}, -1, {1, 4}, -1},
        {"a\r\nb", -1, U::Line, 'X', {0, 0}, 0, {0, 3}, 0},
        // Words as Ctrl+Left/Right find them, trailing blanks included.
        {"Print a, b", -1, U::Word, 'X', {0, 0}, 0, {0, 6}, 0},
        {"Print a, b", -1, U::Word, 'X', {10, 10}, 0, {9, 10}, 0},
        {"Print a, b", -1, U::Word, 'M', {9, 10}, 1, {9, 10}, 0},
        {"Print a, b", -1, U::Word, 'M', {0, 6}, -1, {0, 6}, 0},
        {"Print a, b", -1, U::Word, 'M', {7, 9}, -2, {0, 6}, -2},
        {"Print a, b", -1, U::Word, 'S', {3, 3}, -1, {0, 3}, -1},
        {"Print a, b", -1, U::Word, 'E', {0, 1}, 9, {0, 10}, 4},
        {"Print a, b", -1, U::Word, 'S', {0, 1}, 2, {7, 7}, 2},
        // A folded sub: its hidden lines are still lines, and belong to the
        // page of the visible line above them.
        {"Sub A\nx\nEnd Sub\ny\n", 0, U::Line, 'M', {0, 6}, 1, {6, 8}, 1},
        {"Sub A\nx\nEnd Sub\ny\n", 0, U::Paragraph, 'X', {7, 7}, 0, {6, 8}, 0},
        {"Sub A\nx\nEnd Sub\ny\n", 0, U::Page, 'X', {7, 7}, 0, {0, 18}, 0},
        {"Sub A\nx\nEnd Sub\ny\n", 0, U::Page, 'M', {0, 18}, 1, {18, 18}, 1},
        {"Sub A\nx\nEnd Sub\ny\n", 0, U::Page, 'M', {18, 18}, -1, {0, 0}, -1},
    };
    for (const UnitCase& c : cases) {
        EditorCore core;
        ConfigureLexer(core);
        core.SetText(c.text);
        if (c.foldedLine >= 0)
            core.ToggleFold(c.foldedLine);
        TextUnits units(core, kPageLines);
        TextSpan span = c.from;
        int moved = 0;
        if (c.op == 'X')
            span = units.Expand(span, c.unit);
        else if (c.op == 'M')
            moved = units.Move(span, c.unit, c.count);
        else
            moved = units.MoveEndpoint(span, c.op == 'E', c.unit, c.count);
        SCOPED_TRACE(testing::Message()
                     << '"' << c.text << "\" unit " << static_cast<int>(c.unit) << ' ' << c.op
                     << " [" << c.from.start << ',' << c.from.end << "] by " << c.count);
        EXPECT_EQ(span.start, c.want.start);
        EXPECT_EQ(span.end, c.want.end);
        EXPECT_EQ(moved, c.moved);
    }
}

// The unit starts of a document, worked out from the text by plain rules.
struct UnitModel {
    std::vector<int> starts;
    int length = 0;

    bool IsStart(int pos) const { return std::binary_search(starts.begin(), starts.end(), pos); }
    int Next(int pos) const {
        auto found = std::upper_bound(starts.begin(), starts.end(), pos);
        return found == starts.end() ? length : *found;
    }
    int Previous(int pos) const {
        auto found = std::lower_bound(starts.begin(), starts.end(), pos);
        return found == starts.begin() ? 0 : *(found - 1);
    }
    TextSpan Expand(TextSpan span) const {
        int start = IsStart(span.start) ? span.start : Previous(span.start);
        return {start, Next(start)};
    }
    int MovePoint(int& pos, int count) const {
        int moved = 0;
        for (; count > 0 && moved < count && pos < length; ++moved)
            pos = Next(pos);
        for (; count < 0 && moved < -count && pos > 0; ++moved)
            pos = Previous(pos);
        return count < 0 ? -moved : moved;
    }
    int Move(TextSpan& span, int count) const {
        if (span.start == span.end) {
            int moved = MovePoint(span.start, count);
            span.end = span.start;
            return moved;
        }
        int pos = Expand(span).start;
        int moved = 0;
        while (count > 0 && moved < count && pos < length && IsStart(Next(pos)))
            pos = Next(pos), ++moved;
        while (count < 0 && moved < -count && pos > 0)
            pos = Previous(pos), ++moved;
        moved = count < 0 ? -moved : moved;
        if (moved != 0)
            span = {pos, Next(pos)};
        return moved;
    }
};

enum class CharClass { Blank, LineEnd, Word, Other };

CharClass ClassOf(char c) {
    if (c == ' ' || c == '\t')
        return CharClass::Blank;
    if (c == '\r' || c == '\n')
        return CharClass::LineEnd;
    return isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ? CharClass::Word
                                                                          : CharClass::Other;
}

UnitModel ModelOf(const EditorCore& core, TextUnit unit) {
    std::string text = core.Text();
    std::string styles = core.StyleRange(0, core.Length());
    UnitModel model{{0}, core.Length()};
    int row = 0, previousPage = 0, length = model.length;
    for (int pos = 1; pos <= length; ++pos) {
        char c = text[pos - 1];
        char next = pos < length ? text[pos] : '\0';
        if (c == '\r' && next == '\n')
            continue;
        bool lineStart = c == '\n' || c == '\r';
        bool start = false;
        switch (unit) {
        case TextUnit::Character: start = pos < length; break;
        case TextUnit::Format: start = pos < length && styles[pos] != styles[pos - 1]; break;
        case TextUnit::Word:
            start = pos < length && ClassOf(next) != CharClass::Blank &&
                    (ClassOf(next) != ClassOf(c) || ClassOf(next) == CharClass::LineEnd);
            break;
        case TextUnit::Line:
        case TextUnit::Paragraph: start = lineStart; break;
        case TextUnit::Page:
            if (lineStart) {
                int line = core.LineFromPosition(pos);
                row += core.LineVisible(line) ? 1 : 0;
                start = row / kPageLines != previousPage;
                previousPage = row / kPageLines;
            }
            break;
        default: break;
        }
        if (start)
            model.starts.push_back(pos);
    }
    return model;
}

// Random documents with subs to fold, random valid ranges and random calls:
// every answer equals the model's.
TEST(TextUnits, RandomCallsFollowTheModel) {
    const char* pieces[] = {"Sub A\r\n", "End Sub\n", "x = 1", "  ", "a.b", "\r", "\n", "\t", "$"};
    std::mt19937 random(17);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = std::uniform_int_distribution<int>(0, 12)(random); i > 0; --i)
            text += pieces[random() % std::size(pieces)];
        EditorCore core;
        ConfigureLexer(core);
        core.SetText(text);
        for (int line = 0; line < core.LineCount(); ++line)
            if (core.IsHeader(line) && random() % 2)
                core.ToggleFold(line);
        TextUnits units(core, kPageLines);
        auto validPosition = [&] {
            return units.Clamp({static_cast<int>(random() % (text.size() + 1)), 0}).start;
        };
        for (int call = 0; call < 20; ++call) {
            TextUnit unit = static_cast<TextUnit>(random() % 7);
            UnitModel model = ModelOf(core, unit);
            TextSpan span = units.Clamp({validPosition(), validPosition()});
            TextSpan expected = span;
            int count = static_cast<int>(random() % 9) - 4;
            int moved = 0, expectedMoved = 0;
            int op = static_cast<int>(random() % 4);
            if (op == 0) {
                span = units.Expand(span, unit);
                expected = model.Expand(expected);
            } else if (op == 1) {
                moved = units.Move(span, unit, count);
                expectedMoved = model.Move(expected, count);
            } else {
                bool end = op == 3;
                moved = units.MoveEndpoint(span, end, unit, count);
                int& point = end ? expected.end : expected.start;
                expectedMoved = model.MovePoint(point, count);
                if (expected.start > expected.end)
                    (end ? expected.start : expected.end) = point;
            }
            ASSERT_TRUE(span.start == expected.start && span.end == expected.end &&
                        moved == expectedMoved)
                << "round " << round << " call " << call << " unit " << static_cast<int>(unit)
                << " op " << op << " count " << count << " got [" << span.start << ',' << span.end
                << "] " << moved << " want [" << expected.start << ',' << expected.end << "] "
                << expectedMoved;
        }
    }
}

} // namespace
