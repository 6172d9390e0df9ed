// Thousands of random edits checked against a plain string, and the
// incrementally kept styles and fold levels against a full re-lex.
#include "test_support.h"

#include <gtest/gtest.h>

#include <random>
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
        for (std::string piece; std::getline(split, piece, '|');) {
            pieces.push_back(piece);
        }
        auto randomText = [&] {
            std::string text;
            for (int count = uniform(1, 3); count > 0; --count) {
                text += pieces[uniform(0, static_cast<int>(pieces.size()) - 1)];
            }
            return text;
        };
        EditorCore core;
        ConfigureLexer(core);
        std::string model;
        for (int i = 0; i < 40; ++i) {
            model += randomText();
        }
        core.SetText(model);
        int caret = 0;
        for (int step = 0; step < 1500; ++step) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " step " << step);
            int length = static_cast<int>(model.size());
            int choice = uniform(0, 99);
            int edited = -1;
            if (choice < 45) {
                edited = uniform(0, length);
                std::string text = randomText();
                core.InsertText(edited, text);
                model.insert(edited, text);
                caret += caret > edited ? static_cast<int>(text.size()) : 0;
            } else if (choice < 85) {
                edited = uniform(0, length);
                int count = std::min(uniform(0, choice < 80 ? 6 : 40), length - edited);
                core.DeleteRange(edited, count);
                model.erase(edited, count);
                caret = caret > edited ? std::max(edited, caret - count) : caret;
            } else if (choice < 95) {
                core.ToggleFold(uniform(0, core.LineCount() - 1));
            } else {
                caret = uniform(0, length);
                core.SetCaret(caret);
            }
            // The caret steps back out of a CRLF.
            if (caret > 0 && caret < static_cast<int>(model.size()) && model[caret - 1] == '\r' &&
                model[caret] == '\n') {
                --caret;
            }
            // An edit never leaves its own text hidden.
            if (edited >= 0) {
                ASSERT_TRUE(core.LineVisible(core.LineFromPosition(edited)));
            }
            ASSERT_EQ(core.Text(), model);
            ASSERT_EQ(core.Caret(), caret);
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
    }
}

} // namespace
