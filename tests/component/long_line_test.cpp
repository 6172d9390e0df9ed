// A line far longer than the view: laid out only around the view, its x
// along the line exact in the program's monospaced face wherever the view
// is, and drawn, hit and edited where it is shown.
#include "tests/component/editor_fixture.h"

namespace {

class LongLineTest : public EditorTest {
  public:
    void SetUp() override {
        EditorTest::SetUp();
        std::string line;
        while (line.size() < 200000)
            line += "a=b+1:"[line.size() % 6];
        Load("Sub A\r\n" + line + "\r\nEnd Sub\r\n", 0, 0);
        start = LineStart(1);
        end = static_cast<int>(Call(SCI_GETLINEENDPOSITION, 1));
        column = static_cast<int>(Call(SCI_TEXTWIDTH, STYLE_DEFAULT, Pointer(" ")));
        height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    }
    // The pixels of the long line's row drawn in something other than the background.
    int Inked(int left, int right) {
        COLORREF back = static_cast<COLORREF>(Call(SCI_STYLEGETBACK, STYLE_DEFAULT));
        std::vector<COLORREF> row = Drawn(left, height, right, 2 * height);
        return static_cast<int>(row.size()) -
               static_cast<int>(std::count(row.begin(), row.end(), back));
    }
    int start = 0, end = 0, column = 8, height = 16;
};

// Wherever the caret goes on the line, the view follows it, every
// character is a column wide, and the point of a character hits it.
TEST_F(LongLineTest, PositionsHoldAlongTheLine) {
    RECT client{};
    GetClientRect(editor, &client);
    for (int offset : {3, 70001, 150000, 199990}) {
        int at = start + offset;
        Call(SCI_GOTOPOS, at);
        UpdateWindow(editor);
        int x = XOf(at);
        EXPECT_GE(x, XOf(start) + 1) << offset;
        EXPECT_LT(x, client.right) << offset;
        EXPECT_EQ(x - XOf(start), offset * column) << offset;
        EXPECT_EQ(XOf(at + 7) - x, 7 * column) << offset;
        EXPECT_EQ(Call(SCI_POSITIONFROMPOINT, x + 1, height + 1), at) << offset;
        EXPECT_EQ(Call(SCI_CHARPOSITIONFROMPOINT, x + 1 + 3 * column, height + 1), at + 3)
            << offset;
        EXPECT_GT(Inked(std::max(x - 10 * column, 0), x), 0)
            << offset << ": no text left of the caret";
    }
}

// End shows the line's end with nothing drawn past it; typing there goes
// on in the next column; Home and the display-line keys reach the ends.
TEST_F(LongLineTest, EndsOfTheLine) {
    RECT client{};
    GetClientRect(editor, &client);
    Call(SCI_GOTOPOS, start);
    Key(VK_END);
    UpdateWindow(editor);
    ASSERT_EQ(Call(SCI_GETCURRENTPOS), end);
    int x = XOf(end);
    ASSERT_LT(x, client.right);
    EXPECT_EQ(x - XOf(start), (end - start) * column);
    EXPECT_GT(Inked(x - 6 * column, x), 0) << "the line's last characters";
    EXPECT_EQ(Inked(x + 2, client.right), 0) << "past the line's end";
    Send(WM_CHAR, 'Z', 1);
    EXPECT_EQ(Call(SCI_GETCHARAT, end), 'Z');
    EXPECT_EQ(XOf(Call(SCI_GETCURRENTPOS)), x + column);
    Call(SCI_HOMEDISPLAY);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), start);
    EXPECT_EQ(Call(SCI_GETXOFFSET), 0);
    Call(SCI_GOTOPOS, start + 100000);
    Call(SCI_LINEENDDISPLAY);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), end + 1);
}

} // namespace
