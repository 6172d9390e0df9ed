// A line far longer than the view: laid out only around the view, its x
// along the line exact in the program's monospaced face for ASCII wherever
// the view is, and for any text drawn, hit and edited where it is shown.
#include "tests/component/editor_fixture.h"

namespace {

class LongLineTest : public EditorTest {
  public:
    void Make(const std::string& line) {
        Call(SCI_SETCODEPAGE, SC_CP_UTF8);
        Load("Sub A\r\n" + line + "\r\nEnd Sub\r\n", 0, 0);
        start = LineStart(1);
        end = static_cast<int>(Call(SCI_GETLINEENDPOSITION, 1));
        column = static_cast<int>(Call(SCI_TEXTWIDTH, STYLE_DEFAULT, Pointer(" ")));
        height = static_cast<int>(Call(SCI_TEXTHEIGHT));
        GetClientRect(editor, &client);
    }
    // The pixels of a row (the long line's first unless top is given) drawn
    // in something other than the background.
    int Inked(int left, int right, int top = -1) {
        top = top < 0 ? height : top;
        COLORREF back = static_cast<COLORREF>(Call(SCI_STYLEGETBACK, STYLE_DEFAULT));
        std::vector<COLORREF> row = Drawn(std::max(left, 0), top, right, top + height);
        return static_cast<int>(row.size()) - static_cast<int>(Count(row, back));
    }
    int start = 0, end = 0, column = 8, height = 16;
    RECT client{};
};

// Wherever the caret goes on the line, the view follows it, text is drawn
// up to it, and the point of a character hits it; points far to either
// side hit the line's ends. End shows the line's end with nothing drawn
// past it; typing there goes on in the next column; Home and the
// display-line keys reach the ends, from a caret outside the part of the
// line laid out too.
TEST_F(LongLineTest, PositionsAndEndsHoldAlongTheLine) {
    std::string script, accents;
    while (script.size() < 200000)
        script += "a=b+1:"[script.size() % 6];
    while (accents.size() < 200000)
        accents += "\xC3\xA9";
    // A minified script's line, one of two-byte characters half a byte's
    // estimate wide, and one that starts with a thousand tabs; the name, and
    // whether x is the column times the offset.
    const std::tuple<const char*, std::string, bool> lines[] = {
        {"script", script, true},
        {"accents", accents, false},
        {"tabs", std::string(1000, '\t') + script.substr(1000), false}};
    for (const auto& [name, line, exact] : lines) {
        Make(line);
        Call(SCI_STYLESETBACK, 6, RGB(255, 0, 0)); // the BASIC lexer's operators
        for (int offset : {1004, 70002, 150000, 199990}) {
            int at = static_cast<int>(Call(SCI_POSITIONBEFORE, start + offset + 1));
            std::string where = std::string(name) + " at " + std::to_string(at - start);
            Call(SCI_GOTOPOS, at);
            UpdateWindow(editor);
            int x = XOf(at);
            ASSERT_TRUE(x > XOf(start) && x < client.right) << where << ": x " << x;
            if (exact) {
                EXPECT_EQ(x - XOf(start), (at - start) * column) << where;
                EXPECT_EQ(XOf(at + 7) - x, 7 * column) << where;
                EXPECT_TRUE(Has(Drawn(x - 10 * column, height, x, 2 * height), RGB(255, 0, 0)))
                    << where << ": the operators' background";
            }
            EXPECT_EQ(Call(SCI_POSITIONFROMPOINT, x + 1, height + 1), at) << where;
            EXPECT_GT(Inked(x - 10 * column, x), 0) << where << ": no text left of the caret";
            EXPECT_EQ(Call(SCI_POSITIONFROMPOINT, -10000000, height + 1), start) << where;
            EXPECT_EQ(Call(SCI_POSITIONFROMPOINT, 100000000, height + 1), end) << where;
        }
        Call(SCI_GOTOPOS, start);
        Key(VK_END);
        UpdateWindow(editor);
        ASSERT_EQ(Call(SCI_GETCURRENTPOS), end) << name;
        int x = XOf(end);
        ASSERT_LT(x, client.right) << name;
        EXPECT_EQ(XOf(end + 1), x) << name << ": inside the line end";
        EXPECT_TRUE(!exact || x - XOf(start) == (end - start) * column) << name << ": x " << x;
        EXPECT_GT(Inked(x - 6 * column, x), 0) << name << ": the line's last characters";
        EXPECT_EQ(Inked(x + 2, client.right), 0) << name << ": past the line's end";
        Send(WM_CHAR, 'Z', 1);
        EXPECT_EQ(Call(SCI_GETCHARAT, end), 'Z') << name;
        EXPECT_EQ(XOf(Call(SCI_GETCURRENTPOS)), x + column) << name;
        Call(SCI_HOMEDISPLAY);
        EXPECT_EQ(Call(SCI_GETCURRENTPOS), start) << name;
        EXPECT_EQ(Call(SCI_GETXOFFSET), 0) << name;
        Call(SCI_GOTOPOS, start + 100000);
        Call(SCI_LINEENDDISPLAY);
        EXPECT_EQ(Call(SCI_GETCURRENTPOS), end + 1) << name;
        Call(SCI_SETXOFFSET, 100000 * column);
        Call(SCI_SETEMPTYSELECTION, start + 10);
        Call(SCI_HOMEDISPLAY);
        EXPECT_EQ(Call(SCI_GETCURRENTPOS), start) << name << ": from left of the view";
    }
}

// Wrapped, a long line's rows hold as many whole words as fit, as a short
// line's do, later rows by the start indent less: from the start, and after
// a word typed and bytes deleted in its middle and near its end, where the
// rows found are kept and rejoined. Requests that count display lines
// count the rows found in the end, finding them keeps the top line, and the
// line's last row is drawn and hit.
TEST_F(LongLineTest, WrappedRowsHoldAsManyWordsAsFit) {
    std::string words;
    for (int i = 0; words.size() < 90000; ++i)
        words += std::string(static_cast<size_t>(1 + i * 7 % 11), "abcdefghi"[i % 9]) + " ";
    for (int indent : {0, 8}) {
        Make(words);
        Call(SCI_SETWRAPSTARTINDENT, indent);
        Call(SCI_SETWRAPMODE, SC_WRAP_WORD);
        UpdateWindow(editor);
        GetClientRect(editor, &client); // narrower by the vertical scroll bar
        int left = XOf(start);
        int width = static_cast<int>(client.right - left - Call(SCI_GETMARGINRIGHT)) / column;
        std::string with = "indent " + std::to_string(indent) + ", ";
        int below = static_cast<int>(Call(SCI_VISIBLEFROMDOCLINE, 2));
        auto check = [&](const std::string& when) {
            int rows = static_cast<int>(Call(SCI_WRAPCOUNT, 1));
            end = static_cast<int>(Call(SCI_GETLINEENDPOSITION, 1));
            std::string text =
                Text().substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
            int top = static_cast<int>(Call(SCI_POINTYFROMPOSITION, 0, start));
            // Each word's row, from where it is drawn.
            int row = 0, rowStart = 0, counted = 1;
            for (size_t at = 0; at < text.size() && text.back() == ' ';
                 at = text.find(' ', at) + 1) {
                int y = static_cast<int>(Call(SCI_POINTYFROMPOSITION, 0, start + at)) - top;
                if (y / height == row)
                    continue;
                ASSERT_EQ(y / height, row + 1) << with << when << ": a row skipped at " << at;
                int room = width - (row > 0 ? indent : 0);
                size_t next = text.find(' ', at);
                int length = static_cast<int>(at) - rowStart;
                ASSERT_TRUE(length <= room && length + static_cast<int>(next - at) + 1 > room)
                    << with << when << ": row " << row << " of " << length << " for " << room;
                ASSERT_EQ(XOf(start + at), left + indent * column) << with << when;
                row = y / height, rowStart = static_cast<int>(at), ++counted;
            }
            EXPECT_EQ(rows, counted) << with << when;
        };
        check("loaded");
        // Points far below the view hit the row drawn there, past the rows
        // laid out around the view too.
        int screen = static_cast<int>(client.bottom) / height;
        for (int row : {2 * screen, 2 * screen + 2, 2 * screen + 3, 4 * screen}) {
            LRESULT hit = Call(SCI_POSITIONFROMPOINT, left + 1, row * height + 1);
            EXPECT_EQ(Call(SCI_POINTYFROMPOSITION, 0, hit), row * height) << with << row;
        }
        EXPECT_EQ(Call(SCI_VISIBLEFROMDOCLINE, 2), below) << with << "rows counted";
        EXPECT_EQ(Call(SCI_GETFIRSTVISIBLELINE), 0) << with << "the top line moved";
        int middle = static_cast<int>(Call(SCI_WORDSTARTPOSITION, start + 45000, 1));
        Call(SCI_INSERTTEXT, middle, Pointer("inserted "));
        check("a word typed in the middle");
        Call(SCI_DELETERANGE, start + 85000 - 85000 % 3, 4);
        check("bytes deleted near the end");
        Call(SCI_GOTOPOS, end);
        UpdateWindow(editor);
        int last = end - 3;
        LRESULT y = Call(SCI_POINTYFROMPOSITION, 0, last);
        EXPECT_EQ(Call(SCI_POSITIONFROMPOINT, XOf(last) + 1, y + 1), last) << with;
        EXPECT_GT(Inked(XOf(last) - 3 * column, XOf(last), static_cast<int>(y)), 0)
            << with << "the last row";
    }
}

} // namespace
