// Rectangular and several selections in the window: Alt+drag, virtual space
// drawn past a short line's end, a column copied with its mark and pasted as
// one, and selections added with Ctrl and the mouse.
#include "tests/component/editor_fixture.h"

namespace {

class RectangleTest : public EditorTest {
  public:
    // An Alt+drag from one client point to another.
    void AltDrag(LPARAM from, LPARAM to) {
        Hold(false, false, true);
        Send(WM_LBUTTONDOWN, MK_LBUTTON, from);
        Send(WM_MOUSEMOVE, MK_LBUTTON, to);
        Send(WM_LBUTTONUP, 0, to);
        Hold(false, false);
        PumpMessages();
    }
    // The selections as "start-end" (with +v for virtual space at the end).
    std::string Pieces() {
        std::string shown;
        for (LRESULT n = 0, count = Call(SCI_GETSELECTIONS); n < count; ++n) {
            shown += (n ? " " : "") + std::to_string(Call(SCI_GETSELECTIONNSTART, n)) + "-" +
                     std::to_string(Call(SCI_GETSELECTIONNEND, n));
            if (LRESULT room = Call(SCI_GETSELECTIONNCARETVIRTUALSPACE, n))
                shown += "+" + std::to_string(room);
        }
        return shown;
    }
};

// Alt+drag cuts a rectangle between the pressed and the released columns;
// a short line ends early, or with virtual space on reaches past its end,
// where its piece is drawn in the other selections' colour and its caret
// (another caret) in theirs. The corners are the text under the pointer,
// scrolled sideways too.
TEST_F(RectangleTest, AltDragCutsARectangle) {
    const COLORREF blue = RGB(0, 0, 255), red = RGB(255, 0, 0);
    Call(SCI_SETMARGINWIDTHN, 0, 0);
    Call(SCI_SETTEXT, 0, Pointer("abcdef\nab\nabcdef"));
    Call(SCI_SETADDITIONALSELBACK, blue);
    Call(SCI_SETADDITIONALCARETFORE, red);
    Call(SCI_SETADDITIONALCARETSBLINK, 0);
    SetFocus(editor);
    LPARAM from = PointOf(1), to = PointOf(LineStart(2) + 4);
    AltDrag(from, to);
    EXPECT_EQ(Pieces(), "1-4 8-9 11-14");
    EXPECT_EQ(Call(SCI_SELECTIONISRECTANGLE), 1);
    Call(SCI_SETVIRTUALSPACEOPTIONS, SCVS_RECTANGULARSELECTION);
    AltDrag(from, to);
    EXPECT_EQ(Pieces(), "1-4 8-9+2 11-14");
    // Line 1's piece reaches to x of column 4, two spaces past "ab".
    UpdateWindow(editor);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    int endX = XOf(LineStart(1) + 2), reach = XOf(4), y = height + height / 2;
    std::vector<COLORREF> row = Pixels(editor, endX, y, reach + 8, y + 1);
    EXPECT_GE(Count(row, blue), reach - endX - 2) << "virtual space drawn selected";
    EXPECT_LE(Count(row, blue), reach - endX + 1) << "and no further";
    EXPECT_TRUE(Has(row, red) && row.front() != red) << "its caret at column 4, not at the end";
    // A corner in virtual space is that many spaces past the line's end.
    AltDrag(MAKELPARAM(XOf(LineStart(2) + 5) + 1, height * 3 / 2), PointOf(LineStart(2) + 6));
    EXPECT_EQ(Pieces(), "9-9+4 15-16");
    std::string text = std::string(300, 'x') + "\n" + std::string(300, 'x');
    Call(SCI_SETTEXT, 0, Pointer(text.c_str()));
    Call(SCI_SETXOFFSET, XOf(50) - XOf(0));
    AltDrag(PointOf(60), PointOf(LineStart(1) + 64));
    EXPECT_EQ(Pieces(), "60-64 361-365") << "scrolled sideways";
}

// A copy of a rectangle is its lines with line ends, marked with
// "MSDEVColumnSelect"; pasted into another editor, after the first is gone,
// it fills a column there, while the same text without the mark is pasted
// as lines.
TEST_F(RectangleTest, ColumnCopiedAndPastedAsAColumn) {
    HWND other = CreateWindowExA(0, KALMOR_CLASS_NAME, "", WS_CHILD, 0, 0, 200, 100, parent,
                                 nullptr, nullptr, nullptr);
    SendMessageA(other, SCI_SETTEXT, 0, Pointer("abc\ndef"));
    SendMessageA(other, SCI_SETRECTANGULARSELECTIONANCHOR, 1, 0);
    SendMessageA(other, SCI_SETRECTANGULARSELECTIONCARET, 6, 0);
    SendMessageA(other, SCI_COPY, 0, 0);
    DestroyWindow(other);
    EXPECT_EQ(Clipboard(parent), L"b\r\ne\r\n");
    EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatA("MSDEVColumnSelect")));
    // This editor's text after a paste at 1 into the text given.
    auto paste = [&](const char* into) {
        Load(into, 1, 1);
        Call(SCI_PASTE);
        return Text();
    };
    EXPECT_EQ(paste("12\n34\n"), "1b2\n3e4\n");
    Clipboard(parent, L"b\r\ne\r\n"); // the text alone, as another program puts it
    EXPECT_EQ(paste("12"), "1b\r\ne\r\n2");
}

// With virtual space open to the user, a click past a short line's end and
// Up and Down keep the caret's x there.
TEST_F(RectangleTest, UserVirtualSpace) {
    Call(SCI_SETTEXT, 0, Pointer("ab\nabcdef"));
    Call(SCI_SETVIRTUALSPACEOPTIONS, SCVS_USERACCESSIBLE);
    LPARAM past = MAKELPARAM(XOf(LineStart(1) + 4) + 1, Call(SCI_TEXTHEIGHT) / 2);
    Send(WM_LBUTTONDOWN, 0, past);
    Send(WM_LBUTTONUP, 0, past);
    EXPECT_EQ(Pieces(), "2-2+2");
    SetFocus(editor);
    POINT caret{};
    GetCaretPos(&caret);
    EXPECT_EQ(caret.x, XOf(LineStart(1) + 4)) << "the caret drawn two spaces past the end";
    Key(VK_DOWN);
    EXPECT_EQ(Pieces(), "7-7");
    Key(VK_UP);
    EXPECT_EQ(Pieces(), "2-2+2") << "back at the x it left";
}

// Ctrl+click adds carets, Ctrl+double-click words and a Ctrl+drag extends
// the selection its press added, leaving the others; copy joins them by line
// ends; Esc leaves the main one alone, and so does a plain click. (Typing,
// pasting and undo at every selection: the core's MultipleSelections.)
TEST_F(RectangleTest, SeveralSelectionsByMouseAndKeys) {
    Call(SCI_SETTEXT, 0, Pointer("alpha beta\rgo\rdelta"));
    Call(SCI_SETMULTIPLESELECTION, 1);
    SetFocus(editor);
    Click(2);
    Click(16, MK_CONTROL);
    Click(8, MK_CONTROL); // a new place: one click
    Click(8, MK_CONTROL);
    EXPECT_EQ(Pieces(), "2-2 16-16 6-10");
    EXPECT_EQ(Call(SCI_GETMAINSELECTION), 2);
    Key('C', true);
    EXPECT_EQ(Clipboard(parent), L"\r\nbeta\r\n");
    Key(VK_ESCAPE);
    EXPECT_EQ(Pieces(), "6-10");
    Drag(11, 13, MK_CONTROL);
    EXPECT_EQ(Pieces(), "6-10 11-13") << "a Ctrl+drag";
    Click(4);
    EXPECT_EQ(Pieces(), "4-4") << "a plain click";
}

} // namespace
