// The demo listing, configured as the program configures it.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using kalmor::EditorCore;
using namespace kalmor_test;

namespace {

class DemoListing : public ::testing::Test {
  protected:
    void SetUp() override { ConfigureLikeProgram(core); }

    // The styles of the first occurrence of token in line, one per byte.
    std::string StylesOf(int line, const std::string& token) {
        std::string text = core.TextRange(core.LineStart(line), core.LineEnd(line));
        size_t offset = text.find(token);
        EXPECT_NE(offset, std::string::npos) << token;
        int start = core.LineStart(line) + static_cast<int>(offset);
        return core.StyleRange(start, start + static_cast<int>(token.size()));
    }

    std::string Uniform(const std::string& token, int style) {
        return std::string(token.size(), static_cast<char>(style));
    }

    EditorCore core;
};

TEST_F(DemoListing, HoldsTheListingByteForByte) {
    EXPECT_EQ(core.Text(), std::string(DEMO_LISTING));
    EXPECT_EQ(Send(core, SCI_GETLENGTH), 630);
    EXPECT_EQ(Send(core, SCI_GETLINECOUNT), 21);
    EXPECT_EQ(core.TextRange(core.LineStart(20), core.LineEnd(20)), "end sub");
    EXPECT_EQ(core.LineEnd(20), 630);
    EXPECT_EQ(Send(core, SCI_GETCURRENTPOS), 0);
    EXPECT_EQ(Send(core, SCI_LINEFROMPOSITION, 629), 20);
    EXPECT_EQ(Send(core, SCI_GETLEXER), SCLEX_BASIC);
}

TEST_F(DemoListing, FoldLevelsMarkExactlyThreeSubs) {
    const int base = SC_FOLDLEVELBASE;
    const int header = SC_FOLDLEVELBASE | SC_FOLDLEVELHEADERFLAG;
    const std::vector<int> expected = {base,     base,     base,    base,     base,     base,
                                       base,     base,     base,    header,   base + 1, base + 1,
                                       base + 1, base,     header,  base + 1, base + 1, base,
                                       header,   base + 1, base + 1};
    for (int line = 0; line < 21; ++line) {
        EXPECT_EQ(Send(core, SCI_GETFOLDLEVEL, line), expected[line]) << "line " << line;
    }
    // The Declare line and the assignment to the function's result are not headers.
    EXPECT_FALSE(core.IsHeader(7));
    EXPECT_FALSE(core.IsHeader(15));
}

TEST_F(DemoListing, FoldParentsPointAtTheEnclosingHeader) {
    const std::vector<int> expected = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 9,
                                       9,  9,  -1, -1, 14, 14, -1, -1, 18, 18};
    for (int line = 0; line < 21; ++line) {
        EXPECT_EQ(Send(core, SCI_GETFOLDPARENT, line), expected[line]) << "line " << line;
    }
    EXPECT_EQ(Send(core, SCI_GETFOLDPARENT, -1), -1);
    EXPECT_EQ(Send(core, SCI_GETFOLDPARENT, 21), -1);
    EXPECT_EQ(Send(core, SCI_GETLASTCHILD, 9, -1), 12);
    EXPECT_EQ(Send(core, SCI_GETLASTCHILD, 18, -1), 20);
}

TEST_F(DemoListing, TellingTokensGetTheirStyles) {
    EXPECT_EQ(StylesOf(0, "'Demo listing for Kalmor.dll"),
              Uniform("'Demo listing for Kalmor.dll", 1));
    EXPECT_EQ(StylesOf(3, "#Include"), Uniform("#Include", 3));
    EXPECT_EQ(StylesOf(3, "\"WIN32API.INC\""), Uniform("\"WIN32API.INC\"", 4));
    EXPECT_EQ(StylesOf(4, "Const"), Uniform("Const", 7));
    EXPECT_EQ(StylesOf(4, "ID_TEST1"), Uniform("ID_TEST1", 13));
    EXPECT_EQ(StylesOf(4, "="), Uniform("=", 6));
    EXPECT_EQ(StylesOf(4, "&H2000"), Uniform("&H2000", 2));
    EXPECT_EQ(StylesOf(5, "&B10101010"), Uniform("&B10101010", 2));
    EXPECT_EQ(StylesOf(6, "1234"), Uniform("1234", 2));
    EXPECT_EQ(StylesOf(6, "'A comment"), Uniform("'A comment", 1));
    EXPECT_EQ(StylesOf(7, "Declare"), Uniform("Declare", 3));
    EXPECT_EQ(StylesOf(9, "Sub"), Uniform("Sub", 3));
    EXPECT_EQ(StylesOf(9, "Test1"), Uniform("Test1", 7));
    EXPECT_EQ(StylesOf(9, "ByVal"), Uniform("ByVal", 3));
    EXPECT_EQ(StylesOf(9, "("), Uniform("(", 6));
    EXPECT_EQ(StylesOf(10, "567"), Uniform("567", 2));
    EXPECT_EQ(StylesOf(11, "a$"), Uniform("a$", 7));
    EXPECT_EQ(StylesOf(11, "\"Hello\""), Uniform("\"Hello\"", 4));
    EXPECT_EQ(StylesOf(15, "Function"), Uniform("Function", 3));
    EXPECT_EQ(StylesOf(15, "986"), Uniform("986", 2));
    EXPECT_EQ(StylesOf(19, "Ucase$"), Uniform("Ucase$", 3));
    EXPECT_EQ(StylesOf(20, "end sub"), std::string("\3\3\3\0\3\3\3", 7));
    // Line ends stay in the default style.
    EXPECT_EQ(Send(core, SCI_GETSTYLEAT, core.LineEnd(0)), 0);
}

TEST_F(DemoListing, StylesAndMarginsAreConfigured) {
    EXPECT_EQ(core.GetStyle(STYLE_DEFAULT).font, "Courier New");
    EXPECT_EQ(core.GetStyle(STYLE_DEFAULT).size, 9);
    EXPECT_EQ(core.GetStyle(STYLE_LINENUMBER).font, "Arial");
    EXPECT_EQ(core.GetStyle(STYLE_LINENUMBER).size, 9);
    EXPECT_EQ(core.GetStyle(200).font, "Courier New");
    EXPECT_EQ(Send(core, SCI_STYLEGETFORE, 1), 0x808080);
    EXPECT_EQ(Send(core, SCI_STYLEGETFORE, 3), 0xFF0000);
    EXPECT_EQ(Send(core, SCI_STYLEGETFORE, 14), 0x004080);

    EXPECT_EQ(Send(core, SCI_GETMARGINTYPEN, 0), SC_MARGIN_NUMBER);
    EXPECT_EQ(Send(core, SCI_GETMARGINWIDTHN, 0), 0);
    EXPECT_EQ(Send(core, SCI_GETMARGINTYPEN, 1), SC_MARGIN_NUMBER);
    EXPECT_EQ(Send(core, SCI_GETMARGINWIDTHN, 1), 40);
    EXPECT_EQ(Send(core, SCI_GETMARGINMASKN, 1), 0);
    EXPECT_EQ(Send(core, SCI_GETMARGINSENSITIVEN, 1), 1);
    EXPECT_EQ(Send(core, SCI_GETMARGINTYPEN, 2), SC_MARGIN_SYMBOL);
    EXPECT_EQ(Send(core, SCI_GETMARGINSENSITIVEN, 2), 0);
}

TEST_F(DemoListing, TextSetBeforeTheLexerIsStyledWhenItArrives) {
    EditorCore late;
    Send(late, SCI_INSERTTEXT, 0, Pointer(DEMO_LISTING));
    EXPECT_EQ(late.StyleAt(0), 0);
    EXPECT_FALSE(late.IsHeader(9));
    ConfigureLexer(late);
    EXPECT_EQ(late.StyleRange(0, late.Length()), core.StyleRange(0, core.Length()));
    for (int line = 0; line < 21; ++line) {
        EXPECT_EQ(late.FoldLevel(line), core.FoldLevel(line)) << "line " << line;
    }
}

TEST_F(DemoListing, ProgramSweepClosesThenOpensEverySub) {
    ToggleSubsBelow(core, 9);
    for (int header : {9, 14, 18}) {
        EXPECT_EQ(Send(core, SCI_GETFOLDEXPANDED, header), 0) << header;
    }
    EXPECT_EQ(core.VisibleLineCount(), 21 - 3 - 2 - 2);
    EXPECT_EQ(core.Caret(), core.LineStart(9));

    ToggleSubsBelow(core, 9);
    for (int header : {9, 14, 18}) {
        EXPECT_EQ(Send(core, SCI_GETFOLDEXPANDED, header), 1) << header;
    }
    EXPECT_EQ(core.VisibleLineCount(), 21);
}

TEST_F(DemoListing, SweepFromOutsideAnySubFollowsTheAnswerForLineMinusOne) {
    // Line 2 has no parent: toggling -1 changes nothing, and -1 reads as
    // expanded, so every header stays open.
    ToggleSubsBelow(core, 2);
    EXPECT_EQ(core.VisibleLineCount(), 21);
    EXPECT_EQ(core.Caret(), 0);
}

} // namespace
