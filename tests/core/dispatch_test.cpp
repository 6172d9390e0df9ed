// The request dispatcher: argument handling, text transfer and robustness.
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

using kalmor::EditorCore;
using namespace kalmor_test;

namespace {

TEST(Dispatch, InsertTextAtTheCaretAndClampedPositions) {
    EditorCore core;
    Send(core, SCI_INSERTTEXT, 0, Pointer("abcdef"));
    Send(core, SCI_SETCURRENTPOS, 3);
    Send(core, SCI_INSERTTEXT, -1, Pointer("XY"));
    EXPECT_EQ(core.Text(), "abcXYdef");
    EXPECT_EQ(core.Caret(), 3); // an insert at the caret leaves it before the text

    Send(core, SCI_INSERTTEXT, 1, Pointer("_"));
    EXPECT_EQ(core.Caret(), 4); // an insert before the caret carries it along
    Send(core, SCI_INSERTTEXT, -7, Pointer("<"));
    Send(core, SCI_INSERTTEXT, 1000, Pointer(">"));
    EXPECT_EQ(core.Text(), "<a_bcXYdef>");

    // A huge 64-bit position clamps to the end rather than wrapping.
    core.Dispatch(SCI_INSERTTEXT, UINTPTR_MAX / 2, Pointer("!"));
    EXPECT_EQ(core.Text(), "<a_bcXYdef>!");
    Send(core, SCI_INSERTTEXT, 0, 0);
    EXPECT_EQ(core.Length(), 12);
}

TEST(Dispatch, CaretNeverSitsInsideACrLf) {
    EditorCore core;
    Send(core, SCI_SETTEXT, 0, Pointer("ab\r\ncd"));
    Send(core, SCI_SETCURRENTPOS, 3);
    EXPECT_EQ(Send(core, SCI_GETCURRENTPOS), 2);
    Send(core, SCI_SETCURRENTPOS, -4);
    EXPECT_EQ(Send(core, SCI_GETCURRENTPOS), 0);
    Send(core, SCI_SETCURRENTPOS, INT_MAX);
    EXPECT_EQ(Send(core, SCI_GETCURRENTPOS), 6);

    // An LF inserted right after a CR joins it, and a caret there steps back.
    Send(core, SCI_SETTEXT, 0, Pointer("ab\rcd"));
    Send(core, SCI_SETCURRENTPOS, 3);
    Send(core, SCI_INSERTTEXT, 3, Pointer("\n"));
    EXPECT_EQ(core.LineCount(), 2);
    EXPECT_EQ(core.Caret(), 2);
}

TEST(Dispatch, LineAndPositionQueries) {
    EditorCore core;
    EXPECT_EQ(Send(core, SCI_GETLINECOUNT), 1); // an empty document has one line
    Send(core, SCI_SETTEXT, 0, Pointer("a\rbb\r\nccc\nd\r"));
    EXPECT_EQ(Send(core, SCI_GETLINECOUNT), 5);
    const int starts[] = {0, 2, 6, 10, 12};
    for (int line = 0; line < 5; ++line) {
        EXPECT_EQ(Send(core, SCI_POSITIONFROMLINE, line), starts[line]);
    }
    EXPECT_EQ(core.LineEnd(1), 4);
    EXPECT_EQ(Send(core, SCI_POSITIONFROMLINE, 5), 12); // one past the last line: the end
    EXPECT_EQ(Send(core, SCI_POSITIONFROMLINE, 6), -1);
    Send(core, SCI_SETCURRENTPOS, 7);
    EXPECT_EQ(Send(core, SCI_POSITIONFROMLINE, -1), 6); // the caret's line
    EXPECT_EQ(Send(core, SCI_LINEFROMPOSITION, 5), 1);
    EXPECT_EQ(Send(core, SCI_LINEFROMPOSITION, -3), 0);
    EXPECT_EQ(Send(core, SCI_LINEFROMPOSITION, 1000), 4);
    EXPECT_EQ(Send(core, SCI_GETCHARAT, 2), 'b');
    EXPECT_EQ(Send(core, SCI_GETCHARAT, -1), 0);
    EXPECT_EQ(Send(core, SCI_GETCHARAT, 12), 0);
}

TEST(Dispatch, GetTextCopiesAtMostTheBufferLessItsNul) {
    EditorCore core;
    Send(core, SCI_SETTEXT, 0, Pointer("hello"));
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(Send(core, SCI_GETTEXT, 4, Pointer(buffer)), 3);
    EXPECT_STREQ(buffer, "hel");
    EXPECT_EQ(buffer[4], 'x');
    EXPECT_EQ(Send(core, SCI_GETTEXT, sizeof buffer, Pointer(buffer)), 5);
    EXPECT_STREQ(buffer, "hello");
    EXPECT_EQ(Send(core, SCI_GETTEXT, 0, Pointer(buffer)), 0);
    EXPECT_EQ(Send(core, SCI_GETTEXT, 100, 0), 5); // no buffer: the length needed
}

TEST(Dispatch, StyleTable) {
    EditorCore core;
    unsigned version = core.GetStyle(40).version;
    Send(core, SCI_STYLESETFORE, STYLE_DEFAULT, 0x12345678);
    Send(core, SCI_STYLESETBOLD, STYLE_DEFAULT, 1);
    Send(core, SCI_STYLESETITALIC, STYLE_DEFAULT, 1);
    Send(core, SCI_STYLESETSIZE, STYLE_DEFAULT, 14);
    Send(core, SCI_STYLECLEARALL);
    const kalmor::Style& copied = core.GetStyle(40);
    EXPECT_EQ(copied.fore, 0x345678u);
    EXPECT_TRUE(copied.bold);
    EXPECT_TRUE(copied.italic);
    EXPECT_EQ(copied.size, 14);
    EXPECT_NE(copied.version, version);
    EXPECT_EQ(Send(core, SCI_STYLEGETFORE, 255), 0x345678);

    // Styles outside 0..255 change nothing.
    Send(core, SCI_STYLESETFORE, 256, 0x1);
    Send(core, SCI_STYLESETFORE, -1, 0x1);
    Send(core, SCI_STYLESETFONT, 0, 0);
    EXPECT_EQ(core.GetStyle(255).fore, 0x345678u);
    EXPECT_EQ(core.GetStyle(0).fore, 0x345678u);
    EXPECT_EQ(core.GetStyle(0).font, "Courier New");
}

TEST(Dispatch, MarginDefaultsAndLimits) {
    EditorCore core;
    EXPECT_EQ(Send(core, SCI_GETMARGINTYPEN, 0), SC_MARGIN_NUMBER);
    EXPECT_EQ(Send(core, SCI_GETMARGINWIDTHN, 0), 0);
    EXPECT_EQ(Send(core, SCI_GETMARGINTYPEN, 1), SC_MARGIN_SYMBOL);
    EXPECT_EQ(Send(core, SCI_GETMARGINWIDTHN, 1), 16);
    EXPECT_EQ(Send(core, SCI_GETMARGINTYPEN, 2), SC_MARGIN_SYMBOL);
    EXPECT_EQ(Send(core, SCI_GETMARGINWIDTHN, 2), 0);
    for (int margin = 0; margin < kalmor::kMarginCount; ++margin) {
        EXPECT_EQ(Send(core, SCI_GETMARGINSENSITIVEN, margin), 0);
    }
    Send(core, SCI_SETMARGINWIDTHN, 5, 30);
    Send(core, SCI_SETMARGINWIDTHN, 4, -30);
    EXPECT_EQ(Send(core, SCI_GETMARGINWIDTHN, 5), 0);
    EXPECT_EQ(Send(core, SCI_GETMARGINWIDTHN, 4), 0);
    Send(core, SCI_SETMARGINMASKN, 3, 0x7F);
    EXPECT_EQ(core.GetMargin(3).mask, 0x7Fu);
}

TEST(Dispatch, UnknownRequestsAnswerZero) {
    EditorCore core;
    ConfigureLikeProgram(core);
    EXPECT_EQ(Send(core, 0), 0);
    EXPECT_EQ(Send(core, SCI_GETDIRECTPOINTER), 0);
    EXPECT_EQ(Send(core, 9999, 1, 2), 0);
    EXPECT_EQ(Send(core, SCI_GETFIRSTVISIBLELINE), 0);
}

// Every request number with hostile arguments; text arguments get null
// pointers, the only invalid pointer a caller can be protected from.
TEST(Dispatch, HostileArgumentsNeitherCrashNorCorrupt) {
    const std::vector<uintptr_t> values = {0,           1,
                                           UINTPTR_MAX, UINTPTR_MAX / 2,
                                           INT_MAX,     uintptr_t{1} << 31,
                                           21,          static_cast<uintptr_t>(-2)};
    EditorCore core;
    ConfigureLikeProgram(core);
    core.ToggleFold(14);
    for (unsigned message = 2000; message < 4100; ++message) {
        bool textInWParam = message == SCI_SETPROPERTY;
        bool textInLParam = message == SCI_INSERTTEXT || message == SCI_SETTEXT ||
                            message == SCI_GETTEXT || message == SCI_STYLESETFONT ||
                            message == SCI_SETPROPERTY || message == SCI_SETKEYWORDS;
        for (uintptr_t w : values) {
            for (uintptr_t l : values) {
                core.Dispatch(message, textInWParam ? 0 : w,
                              textInLParam ? 0 : static_cast<intptr_t>(l));
            }
        }
    }
    EXPECT_GE(core.LineCount(), 1);
    EXPECT_GE(core.Caret(), 0);
    EXPECT_LE(core.Caret(), core.Length());
    EXPECT_EQ(core.LineStart(core.LineCount()), core.Length());
    for (int line = 0; line < core.LineCount(); ++line) {
        EXPECT_EQ(core.LineVisible(line), !HiddenByRule(core, line)) << line;
    }
}

} // namespace
