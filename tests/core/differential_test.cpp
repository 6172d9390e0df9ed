// Thousands of random edits checked against a plain string, and the
// incrementally kept styles and fold levels against a full re-lex.
#include "test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using kalmor::EditorCore;
using namespace kalmor_test;

namespace {

const char* const kPieces[] = {
    "Sub A(x)",
    "End Sub",
    "end function",
    "Function F",
    "Function=1",
    "Private ",
    "  x = 1",
    "'note",
    "REM note",
    "\"str",
    "\"",
    "&H1F",
    "&B101",
    "1.5e-3",
    "Const K = 2",
    "asm mov ax",
    "ucase$(a$)",
    "#include",
    "Declare Sub D",
    "Exit Sub",
    " ",
    "\r",
    "\n",
    "\r\n",
    "\r",
    "\n",
    "S",
    "ub",
    "E",
    "nd",
};

std::vector<int> ModelLineStarts(const std::string& text) {
    std::vector<int> starts = {0};
    for (size_t i = 0; i < text.size(); ++i) {
        bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        if ((text[i] == '\r' && !crlf) || text[i] == '\n') {
            starts.push_back(static_cast<int>(i) + 1);
        }
    }
    return starts;
}

int NormalisedCaret(const std::string& text, int caret) {
    bool insideCrLf = caret > 0 && caret < static_cast<int>(text.size()) &&
                      text[caret - 1] == '\r' && text[caret] == '\n';
    return insideCrLf ? caret - 1 : caret;
}

class RandomEdits {
  public:
    explicit RandomEdits(unsigned seed) : random_(seed) {
        ConfigureLexer(core_);
        for (int i = 0; i < 40; ++i) {
            model_ += RandomText();
        }
        core_.SetText(model_);
    }

    void Step() {
        int length = static_cast<int>(model_.size());
        int choice = Uniform(0, 99);
        if (choice < 45) {
            int pos = Uniform(0, length);
            std::string text = RandomText();
            core_.InsertText(pos, text);
            model_.insert(pos, text);
            if (caret_ > pos) {
                caret_ += static_cast<int>(text.size());
            }
            ExpectEditedLineVisible(pos);
        } else if (choice < 85) {
            int start = Uniform(0, length);
            int count = Uniform(0, choice < 80 ? 6 : 40);
            count = std::min(count, length - start);
            core_.DeleteRange(start, count);
            model_.erase(start, count);
            if (caret_ > start) {
                caret_ = std::max(start, caret_ - count);
            }
            ExpectEditedLineVisible(start);
        } else if (choice < 95) {
            core_.ToggleFold(Uniform(0, core_.LineCount() - 1));
        } else {
            caret_ = Uniform(0, length);
            core_.SetCaret(caret_);
        }
        caret_ = NormalisedCaret(model_, caret_);
    }

    void ExpectMatchesModel() {
        ASSERT_EQ(core_.Text(), model_);
        ASSERT_EQ(core_.Caret(), caret_);
        std::vector<int> starts = ModelLineStarts(model_);
        ASSERT_EQ(core_.LineCount(), static_cast<int>(starts.size()));
        for (int line = 0; line < core_.LineCount(); ++line) {
            ASSERT_EQ(core_.LineStart(line), starts[line]) << "line " << line;
        }
    }

    void ExpectMatchesFullRelex() {
        EditorCore fresh;
        ConfigureLexer(fresh);
        fresh.SetText(model_);
        ASSERT_EQ(core_.StyleRange(0, core_.Length()), fresh.StyleRange(0, fresh.Length()));
        for (int line = 0; line < core_.LineCount(); ++line) {
            ASSERT_EQ(core_.FoldLevel(line), fresh.FoldLevel(line)) << "line " << line;
        }
    }

    void ExpectVisibilityFollowsTheRules() {
        int visible = 0;
        for (int line = 0; line < core_.LineCount(); ++line) {
            ASSERT_EQ(core_.LineVisible(line), !HiddenByRule(core_, line)) << "line " << line;
            if (!core_.Expanded(line)) {
                ASSERT_TRUE(core_.IsHeader(line)) << "line " << line;
            }
            if (core_.LineVisible(line)) {
                ASSERT_EQ(core_.DocLineFromVisible(visible), line);
                ++visible;
            }
        }
        ASSERT_EQ(core_.VisibleLineCount(), visible);
    }

  private:
    int Uniform(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random_);
    }

    std::string RandomText() {
        std::string text;
        int pieces = Uniform(1, 3);
        for (int i = 0; i < pieces; ++i) {
            text += kPieces[Uniform(0, static_cast<int>(std::size(kPieces)) - 1)];
        }
        return text;
    }

    // An edit never leaves its own text hidden.
    void ExpectEditedLineVisible(int pos) {
        EXPECT_TRUE(core_.LineVisible(core_.LineFromPosition(pos))) << "at " << pos;
    }

    std::mt19937 random_;
    EditorCore core_;
    std::string model_;
    int caret_ = 0;
};

TEST(Differential, RandomEditsMatchTheModelAndAFullRelex) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        RandomEdits edits(seed);
        for (int step = 0; step < 1500; ++step) {
            edits.Step();
            ASSERT_NO_FATAL_FAILURE(edits.ExpectMatchesModel())
                << "seed " << seed << " step " << step;
            ASSERT_NO_FATAL_FAILURE(edits.ExpectMatchesFullRelex())
                << "seed " << seed << " step " << step;
            if (step % 10 == 0) {
                ASSERT_NO_FATAL_FAILURE(edits.ExpectVisibilityFollowsTheRules())
                    << "seed " << seed << " step " << step;
            }
        }
    }
}

} // namespace
