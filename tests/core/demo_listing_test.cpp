// The demo listing under the BASIC lexer: its folds and the styles of its
// telling tokens, whether the text comes before the lexer or after it.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using kalmor::EditorCore;
using namespace kalmor_test;

namespace {

TEST(DemoListing, FoldsAndTellingTokens) {
    EditorCore core;
    ConfigureWithListing(core);
    // Headers at 9, 14 and 18 only: not the Declare line (7) nor "Function=a*986" (15).
    EXPECT_EQ(Shape(core), "000000000A1110A110A11");
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
        for (char& style : styles)
            style = style == 0 ? '.' : style < 10 ? '0' + style : 'a' + style - 10;
        EXPECT_EQ(styles, entry[1]) << entry[0];
    }
    EXPECT_EQ(Send(core, SCI_GETSTYLEAT, core.LineEnd(0)), 0); // line ends keep the default

    EditorCore late;
    Send(late, SCI_INSERTTEXT, 0, Pointer(DEMO_LISTING));
    EXPECT_EQ(Shape(late), std::string(21, '0'));
    ConfigureLexer(late);
    EXPECT_TRUE(SameStylesAndLevels(late, core));
}

} // namespace
