// Indicators as a host uses them: ink inside the range and nowhere else in
// every style, and the clicks on them.
#include "editor_fixture.h"

// Each style draws something inside "HHHH" only, and a picture of its own;
// a press on marked text tells the click and its release, elsewhere nothing.
TEST_F(EditorTest, IndicatorsInkTheirRangeOnlyAndTellClicks) {
    Call(SCI_SETLEXER, SCLEX_CONTAINER);
    Call(SCI_SETTEXT, 0, Pointer("alpha HHHH gamma\nsecond line"));
    Call(SCI_SETINDICATORCURRENT, 8);
    Call(SCI_INDICSETFORE, 8, 0x0000FF);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    int left = XOf(6), right = XOf(10);
    auto row = [&] { return Drawn(0, 0, right + 60, height); }; // the first row
    std::vector<COLORREF> plain = row();
    Call(SCI_INDICATORFILLRANGE, 6, 4);
    const int styles[] = {INDIC_PLAIN,   INDIC_SQUIGGLE, INDIC_TT,          INDIC_DIAGONAL,
                          INDIC_STRIKE,  INDIC_BOX,      INDIC_ROUNDBOX,    INDIC_STRAIGHTBOX,
                          INDIC_DASH,    INDIC_DOTS,     INDIC_SQUIGGLELOW, INDIC_DOTBOX,
                          INDIC_FULLBOX, INDIC_TEXTFORE, INDIC_POINT,       INDIC_POINTCHARACTER};
    std::set<std::vector<COLORREF>> pictures;
    for (int style : styles) {
        Call(SCI_INDICSETSTYLE, 8, style);
        std::vector<COLORREF> drawn = row();
        int inside = 0, outside = 0;
        for (size_t i = 0; i < drawn.size(); ++i) {
            int x = static_cast<int>(i) % (right + 60);
            // A point may reach past the start by a third of a row.
            bool in = x >= left - height / 3 && x < right + height / 3;
            (in ? inside : outside) += drawn[i] != plain[i];
        }
        EXPECT_TRUE(inside > 0 && outside == 0) << "style " << style << ": " << outside << " out";
        pictures.insert(drawn);
    }
    EXPECT_EQ(pictures.size(), std::size(styles)) << "each style its own picture";
    Call(SCI_INDICSETSTYLE, 8, INDIC_HIDDEN);
    EXPECT_EQ(row(), plain) << "hidden";
    // A box's fill follows its alpha: opaque, most of the box is the colour itself.
    Call(SCI_INDICSETSTYLE, 8, INDIC_STRAIGHTBOX);
    auto red = [&] { return Count(Drawn(left, 0, right, height), 0x0000FF); };
    EXPECT_EQ(red(), 0) << "translucent";
    Call(SCI_INDICSETALPHA, 8, 255);
    EXPECT_GT(red(), (right - left) * height / 3) << "opaque";
    Call(SCI_INDICATORCLEARRANGE, 0, 100);
    EXPECT_EQ(row(), plain) << "cleared";

    Call(SCI_INDICATORFILLRANGE, 6, 4);
    notifications.clear();
    Click(2);
    EXPECT_TRUE(Notified(SCN_INDICATORCLICK).empty()) << "outside the range";
    Click(8, MK_CONTROL);
    ASSERT_EQ(Notified(SCN_INDICATORCLICK).size(), 1u);
    EXPECT_EQ(Notified(SCN_INDICATORCLICK)[0].position, 8);
    EXPECT_EQ(Notified(SCN_INDICATORCLICK)[0].modifiers, SCMOD_CTRL);
    EXPECT_EQ(Notified(SCN_INDICATORRELEASE).size(), 1u);
}
