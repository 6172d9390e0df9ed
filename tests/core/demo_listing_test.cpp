// The demo listing, configured as the program configures it.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using kalmor::EditorCore;
using namespace kalmor_test;

namespace {

class DemoListing : public ::testing::Test {
  protected:
    void SetUp() override { ConfigureLikeProgram(core); }
    EditorCore core;
};

TEST_F(DemoListing, HoldsTheListingWithExactlyThreeSubs) {
    EXPECT_EQ(core.Text(), DEMO_LISTING);
    EXPECT_EQ(Send(core, SCI_GETLENGTH), 630);
    EXPECT_EQ(Send(core, SCI_GETLINECOUNT), 21);
    EXPECT_EQ(Send(core, SCI_LINEFROMPOSITION, 629), 20);
    EXPECT_EQ(Send(core, SCI_GETCURRENTPOS), 0);
    // Headers at 9, 14 and 18 only: not the Declare line (7) nor "Function=a*986" (15).
    EXPECT_EQ(Shape(core), "000000000A1110A110A11");
    const int parents[21] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 9,
                             9,  9,  -1, -1, 14, 14, -1, -1, 18, 18};
    for (int line = -1; line <= 21; ++line) {
        int expected = line < 0 || line > 20 ? -1 : parents[line];
        EXPECT_EQ(Send(core, SCI_GETFOLDPARENT, line), expected) << "line " << line;
    }
    EXPECT_EQ(Send(core, SCI_GETFOLDLEVEL, 14), SC_FOLDLEVELBASE | SC_FOLDLEVELHEADERFLAG);
    EXPECT_EQ(Send(core, SCI_GETLASTCHILD, 9, -1), 12);
    EXPECT_EQ(Send(core, SCI_GETLASTCHILD, 18, -1), 20);
}

TEST_F(DemoListing, TellingTokensGetTheirStyles) {
    // Each byte's style as a digit, 13 as 'd', the default as '.'.
    const char* const expected[][2] = {
        {"'Demo listing for Kalmor.dll", "1111111111111111111111111111"},
        {"#Include \"WIN32API.INC\"", "33333333.44444444444444"},
        {"Const ID_TEST1 = &H2000", "77777.dddddddd.6.222222"},
        {"Const ID_TEST3 = 1234 'A comment", "77777.dddddddd.6.2222.1111111111"},
        {"Sub Test1(ByVal a As Long, b As Long)", "333.77777633333.7.33.33336.7.33.33336"},
        {"  a$=\"Hello\"", "..7764444444"},
        {"  Function=a*986", "..33333333676222"},
        {"  b$=Ucase$(a$)", "..7763333336776"},
        {"end sub", "333.333"}};
    for (const auto& entry : expected) {
        int start = static_cast<int>(core.Text().find(entry[0]));
        ASSERT_GE(start, 0) << entry[0];
        std::string styles =
            core.StyleRange(start, start + static_cast<int>(std::strlen(entry[0])));
        for (char& style : styles) {
            style = style == 0 ? '.' : style < 10 ? '0' + style : 'a' + style - 10;
        }
        EXPECT_EQ(styles, entry[1]) << entry[0];
    }
    EXPECT_EQ(Send(core, SCI_GETSTYLEAT, core.LineEnd(0)), 0); // line ends keep the default
}

TEST_F(DemoListing, TextSetBeforeTheLexerIsStyledWhenItArrives) {
    EditorCore late;
    Send(late, SCI_INSERTTEXT, 0, Pointer(DEMO_LISTING));
    EXPECT_EQ(Shape(late), std::string(21, '0'));
    ConfigureLexer(late);
    EXPECT_TRUE(SameStylesAndLevels(late, core));
}

TEST_F(DemoListing, ProgramSweepClosesThenOpensEverySub) {
    // Line 2 has no parent: toggling -1 changes nothing and -1 reads as
    // expanded, so every sub stays open.
    ToggleSubsBelow(core, 2);
    EXPECT_EQ(core.VisibleLineCount(), 21);
    EXPECT_EQ(core.Caret(), 0);
    for (int expanded : {0, 1}) {
        ToggleSubsBelow(core, 9);
        for (int header : {9, 14, 18}) {
            EXPECT_EQ(Send(core, SCI_GETFOLDEXPANDED, header), expanded) << header;
        }
        EXPECT_EQ(core.VisibleLineCount(), expanded ? 21 : 21 - 3 - 2 - 2);
        EXPECT_EQ(core.Caret(), core.LineStart(9));
    }
}

} // namespace
