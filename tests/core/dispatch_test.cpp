// The request dispatcher: argument handling and text transfer.
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

using kalmor::EditorCore;
using namespace kalmor_test;

namespace {

TEST(Dispatch, TextAndCaretFollowClampedPositions) {
    EditorCore core;
    Send(core, SCI_INSERTTEXT, 0, Pointer("abcdef"));
    Send(core, SCI_SETCURRENTPOS, 3);
    Send(core, SCI_INSERTTEXT, -1, Pointer("XY"));
    EXPECT_EQ(core.Caret(), 3); // an insert at the caret leaves it before the text
    Send(core, SCI_INSERTTEXT, 1, Pointer("_"));
    EXPECT_EQ(core.Caret(), 4); // an insert before the caret carries it along
    Send(core, SCI_INSERTTEXT, -7, Pointer("<"));
    Send(core, SCI_INSERTTEXT, 1000, Pointer(">"));
    core.Dispatch(SCI_INSERTTEXT, UINTPTR_MAX / 2, Pointer("!")); // clamps, never wraps
    Send(core, SCI_INSERTTEXT, 0, 0);
    EXPECT_EQ(core.Text(), "<a_bcXYdef>!");

    // SCI_GETTEXT copies at most the buffer less its NUL; with no buffer it
    // answers the length needed.
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(Send(core, SCI_GETTEXT, 4, Pointer(buffer)), 3);
    EXPECT_STREQ(buffer, "<a_");
    EXPECT_EQ(buffer[4], 'x');
    EXPECT_EQ(Send(core, SCI_GETTEXT, sizeof buffer, Pointer(buffer)), 7);
    EXPECT_STREQ(buffer, "<a_bcXY");
    EXPECT_EQ(Send(core, SCI_GETTEXT, 0, Pointer(buffer)), 0);
    EXPECT_EQ(Send(core, SCI_GETTEXT, 100, 0), 12);

    // The caret never sits inside a CRLF, and an LF inserted right after a
    // CR joins it, so a caret there steps back.
    Send(core, SCI_SETTEXT, 0, Pointer("ab\r\ncd"));
    for (const auto& [asked, got] : {std::pair{3, 2}, {-4, 0}, {INT_MAX, 6}}) {
        Send(core, SCI_SETCURRENTPOS, asked);
        EXPECT_EQ(Send(core, SCI_GETCURRENTPOS), got) << asked;
    }
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
    const int starts[] = {0, 2, 6, 10, 12, 12, -1}; // one past the last line: the end
    for (int line = 0; line < 7; ++line)
        EXPECT_EQ(Send(core, SCI_POSITIONFROMLINE, line), starts[line]) << line;
    EXPECT_EQ(core.LineEnd(1), 4);
    Send(core, SCI_SETCURRENTPOS, 7);
    EXPECT_EQ(Send(core, SCI_POSITIONFROMLINE, -1), 6); // the caret's line
    EXPECT_EQ(Send(core, SCI_LINEFROMPOSITION, 5), 1);
    EXPECT_EQ(Send(core, SCI_LINEFROMPOSITION, -3), 0);
    EXPECT_EQ(Send(core, SCI_LINEFROMPOSITION, 1000), 4);
    EXPECT_EQ(Send(core, SCI_GETCHARAT, 2), 'b');
    EXPECT_EQ(Send(core, SCI_GETCHARAT, -1), 0);
    EXPECT_EQ(Send(core, SCI_GETCHARAT, 12), 0);
}

TEST(Dispatch, StyleClearAllCopiesTheDefaultAndBadNumbersChangeNothing) {
    EditorCore core;
    unsigned version = core.GetStyle(40).version;
    Send(core, SCI_STYLESETFORE, STYLE_DEFAULT, 0x12345678);
    Send(core, SCI_STYLESETBOLD, STYLE_DEFAULT, 1);
    Send(core, SCI_STYLESETSIZE, STYLE_DEFAULT, 14);
    Send(core, SCI_STYLECLEARALL);
    EXPECT_EQ(core.GetStyle(40).fore, 0x345678u);
    EXPECT_TRUE(core.GetStyle(40).bold);
    EXPECT_EQ(core.GetStyle(40).size, 14);
    EXPECT_NE(core.GetStyle(40).version, version); // cached fonts see the change
    Send(core, SCI_STYLESETFORE, 256, 0x1);
    Send(core, SCI_STYLESETFORE, -1, 0x1);
    Send(core, SCI_STYLESETFONT, 0, 0);
    EXPECT_EQ(Send(core, SCI_STYLEGETFORE, 255), 0x345678);
    EXPECT_EQ(Send(core, SCI_STYLEGETFORE, 0), 0x345678);
    EXPECT_EQ(core.GetStyle(0).font, "Courier New");
    Send(core, SCI_SETMARGINWIDTHN, 5, 30);
    Send(core, SCI_SETMARGINWIDTHN, 4, -30);
    EXPECT_EQ(Send(core, SCI_GETMARGINWIDTHN, 5), 0);
    EXPECT_EQ(Send(core, SCI_GETMARGINWIDTHN, 4), 0);
}

} // namespace
