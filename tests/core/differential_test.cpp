// Thousands of random edits, selections, replaces, undos and redos checked
// against a plain string, and the incrementally kept styles and fold levels
// against a full re-lex.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <vector>

using kalmor::EditorCore;
using namespace kalmor_test;

namespace {

// Pieces of text to insert, separated by '|'.
const std::string kPieces =
    "Sub A(x)|End Sub|end function|Function F|Function=1|Private |  x = 1|"
    "'note|REM note|\"str|\"|&H1F|&B101|1.5e-3|Const K = 2|asm mov ax|"
    "ucase$(a$)|#include|Declare Sub D|Exit Sub| |\r|\n|\r\n|\r|\n|S|ub|E|nd";

TEST(Differential, RandomEditsMatchTheModelAndAFullRelex) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        std::mt19937 random(seed);
        auto uniform = [&](int low, int high) {
            return std::uniform_int_distribution<int>(low, high)(random);
        };
        std::vector<std::string> pieces;
        std::istringstream split(kPieces);
        for (std::string piece; std::getline(split, piece, '|');)
            pieces.push_back(piece);
        auto randomText = [&] {
            std::string text;
            for (int count = uniform(1, 3); count > 0; --count)
                text += pieces[uniform(0, static_cast<int>(pieces.size()) - 1)];
            return text;
        };
        EditorCore core;
        ConfigureLexer(core);
        std::string model;
        for (int i = 0; i < 40; ++i)
            model += randomText();
        core.SetText(model);
        core.EmptyUndoBuffer();
        const std::string startText = model;
        std::set<size_t> seen{std::hash<std::string>()(model)};
        int caret = 0;
        int anchor = 0;
        // A position follows an edit at start as the core documents it.
        auto follow = [](int& pos, int start, int removed, int inserted) {
            pos = pos > start && pos >= start + removed ? pos + inserted - removed
                  : pos > start                         ? start
                                                        : pos;
        };
        for (int step = 0; step < 1500; ++step) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " step " << step);
            int length = static_cast<int>(model.size());
            int choice = uniform(0, 99);
            int edited = -1;
            int selStart = std::min(anchor, caret);
            int selLength = std::abs(anchor - caret);
            if (choice < 30) {
                edited = uniform(0, length);
                std::string text = randomText();
                core.InsertText(edited, text);
                model.insert(edited, text);
                follow(caret, edited, 0, static_cast<int>(text.size()));
                follow(anchor, edited, 0, static_cast<int>(text.size()));
            } else if (choice < 55) {
                edited = uniform(0, length);
                int count = std::min(uniform(0, choice < 50 ? 6 : 40), length - edited);
                core.DeleteRange(edited, count);
                model.erase(edited, count);
                follow(caret, edited, count, 0);
                follow(anchor, edited, count, 0);
            } else if (choice < 65) {
                // Typing and replacing put the caret, collapsed, after the new text.
                std::string text = choice < 60 ? randomText() : std::string(1, "ab \r"[choice % 4]);
                if (choice < 60) {
                    core.ReplaceSelection(text);
                } else {
                    core.InsertAtCaret(text);
                }
                edited = selStart;
                model.replace(selStart, selLength, text);
                caret = anchor = selStart + static_cast<int>(text.size());
            } else if (choice < 70) {
                core.ToggleFold(uniform(0, core.LineCount() - 1));
                caret = core.Caret(); // a fold closing over the caret moves it
                anchor = core.Anchor();
            } else if (choice < 80) {
                anchor = uniform(0, length);
                caret = uniform(0, length);
                core.SetSelection(anchor, caret);
            } else if (choice < 90) {
                // Undoing some steps and redoing them restores text and selection.
                std::string before = model;
                int steps = uniform(1, 4);
                for (int i = 0; i < steps; ++i) {
                    core.Undo();
                    ASSERT_EQ(seen.count(std::hash<std::string>()(core.Text())), 1u);
                }
                for (int i = 0; i < steps; ++i)
                    core.Redo();
                ASSERT_EQ(core.Text(), before);
                caret = core.Caret();
                anchor = core.Anchor();
            } else {
                // An undo that stays undone: the text is one seen before.
                core.Undo();
                model = core.Text();
                ASSERT_EQ(seen.count(std::hash<std::string>()(model)), 1u);
                caret = core.Caret();
                anchor = core.Anchor();
            }
            // Neither end of the selection rests inside a CRLF.
            for (int* pos : {&caret, &anchor}) {
                if (*pos > 0 && *pos < static_cast<int>(model.size()) && model[*pos - 1] == '\r' &&
                    model[*pos] == '\n') {
                    --*pos;
                }
            }
            seen.insert(std::hash<std::string>()(model));
            // An edit never leaves its own text hidden.
            if (edited >= 0) {
                ASSERT_TRUE(core.LineVisible(core.LineFromPosition(edited)));
            }
            ASSERT_EQ(core.Text(), model);
            ASSERT_EQ(core.Caret(), caret);
            ASSERT_EQ(core.Anchor(), anchor);
            ASSERT_TRUE(core.LineVisible(core.LineFromPosition(caret)));
            // A line starts after every LF and every CR not followed by an LF.
            int line = 1;
            for (size_t i = 1; i <= model.size(); ++i) {
                if (model[i - 1] == '\n' || (model[i - 1] == '\r' && model[i] != '\n')) {
                    ASSERT_EQ(core.LineStart(line), static_cast<int>(i)) << "line " << line;
                    ++line;
                }
            }
            ASSERT_EQ(core.LineCount(), line);
            EditorCore fresh;
            ConfigureLexer(fresh);
            fresh.SetText(model);
            ASSERT_TRUE(SameStylesAndLevels(core, fresh));
            if (step % 10 == 0) {
                ASSERT_EQ(Fault(core), "");
            }
        }
        // The whole history leads back to the start and forward to the end.
        while (core.CanRedo())
            core.Redo();
        std::string finalText = core.Text();
        while (core.CanUndo())
            core.Undo();
        ASSERT_EQ(core.Text(), startText);
        while (core.CanRedo())
            core.Redo();
        ASSERT_EQ(core.Text(), finalText);
        EditorCore fresh;
        ConfigureLexer(fresh);
        fresh.SetText(finalText);
        ASSERT_TRUE(SameStylesAndLevels(core, fresh));
    }
}

} // namespace
