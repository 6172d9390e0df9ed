// What the editor draws, read back from a bitmap, and what painting costs in
// GDI objects and memory over many repaints.
#include "tests/component/editor_fixture.h"
#include <malloc.h>
#include "editor/requests.h"

namespace {

constexpr COLORREF kKeywordBlue = 0xFF0000;
constexpr COLORREF kCommentGrey = 0x808080;
constexpr COLORREF kNumberRed = 0x000080;
constexpr COLORREF kWhite = 0xFFFFFF;

// GDI objects alive in this process. Wine does not implement GetGuiResources;
// there, a handle's low word indexes the process's handle table and a handle
// without the high word answers for whatever object lives at that index.
int GdiObjectCount() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count)
        return static_cast<int>(count);
    int live = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)))
            ++live;
    return live;
}

// Bytes in use on the C runtime's heap, which the component allocates from too.
size_t HeapBytesInUse() {
    size_t used = 0;
    _HEAPINFO entry{};
    while (_heapwalk(&entry) == _HEAPOK)
        if (entry._useflag == _USEDENTRY)
            used += entry._size;
    return used;
}

} // namespace

TEST_F(EditorTest, PaintsStylesColoursAndLineNumbers) {
    ConfigureAsProgram();
    Snapshot shot = Print(editor);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    auto row = [&](int line) {
        return static_cast<int>(Call(SCI_POINTYFROMPOSITION, 0, LineStart(line)));
    };
    auto x = [&](int pos) { return static_cast<int>(Call(SCI_POINTXFROMPOSITION, 0, pos)); };

    // "Sub" opening line 9 is a keyword; the rest of the line is not blue after "Test1(".
    int sub = LineStart(9);
    EXPECT_TRUE(shot.Has(kKeywordBlue, x(sub), row(9), x(sub + 3), row(9) + height));
    EXPECT_FALSE(shot.Has(kKeywordBlue, x(sub + 4), row(9), x(sub + 9), row(9) + height));
    // Line 0 is a comment from end to end.
    EXPECT_TRUE(shot.Has(kCommentGrey, x(0), row(0), x(LineStart(1) - 1), row(0) + height));
    EXPECT_FALSE(shot.Has(kKeywordBlue, 40, row(0), shot.width, row(0) + height));
    // Line 10 carries numbers in dark red.
    EXPECT_TRUE(shot.Has(kNumberRed, 40, row(10), shot.width, row(10) + height));
    EXPECT_EQ(shot.At(shot.width - 1, row(4) + 1), kWhite);

    // The 40-pixel margin: chrome, with dark line numbers on every row, and
    // nothing of the text leaking into it.
    COLORREF chrome = GetSysColor(COLOR_3DFACE);
    EXPECT_EQ(shot.At(1, row(3) + 1), chrome);
    for (int line = 0; line < 21; ++line)
        EXPECT_TRUE(shot.Has(0x000000, 0, row(line), 40, row(line) + height)) << line;
    EXPECT_FALSE(shot.Has(kKeywordBlue, 0, 0, 40, shot.height));
    EXPECT_FALSE(shot.Has(kCommentGrey, 0, 0, 40, shot.height));
    EXPECT_FALSE(shot.HasOtherThan(chrome, 0, row(20) + height, 40, shot.height));
    // Below the last line, only the background.
    EXPECT_FALSE(shot.HasOtherThan(kWhite, 42, row(20) + height, shot.width, shot.height));
}

TEST_F(EditorTest, ContractedSubIsNotDrawn) {
    ConfigureAsProgram();
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    int left = static_cast<int>(Call(SCI_POINTXFROMPOSITION, 0, 0));
    Snapshot open = Print(editor);
    Call(SCI_TOGGLEFOLD, 9);
    Snapshot folded = Print(editor);

    // Rows from 10 on now show line 13 on: the text area of each row equals
    // the open listing's row three lines further down.
    for (int row = 10; row < 18; ++row)
        for (int y = 0; y < height; ++y)
            for (int px = left; px < open.width; ++px)
                ASSERT_EQ(folded.At(px, row * height + y), open.At(px, (row + 3) * height + y))
                    << "row " << row << " y " << y << " x " << px;
    EXPECT_FALSE(folded.Has(kNumberRed, left, 10 * height, folded.width, 11 * height));
    // The contracted header is underlined across the text area.
    int rule = 10 * height - 1;
    EXPECT_FALSE(folded.HasOtherThan(0x000000, left, rule, folded.width, rule + 1));
    EXPECT_TRUE(open.HasOtherThan(0x000000, left, rule, open.width, rule + 1));
    // Lines before the fold are untouched, margin included.
    for (int y = 0; y < 9 * height; ++y)
        for (int px = 0; px < open.width; px += 3)
            ASSERT_EQ(folded.At(px, y), open.At(px, y));
}

TEST_F(EditorTest, ScrollingMovesTheTextAndKeepsTheCaretInView) {
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "line " + std::to_string(i) + "\r";
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    EXPECT_EQ(Call(SCI_GETFIRSTVISIBLELINE), 0);
    Call(SCI_GOTOLINE, 1500);
    int first = static_cast<int>(Call(SCI_GETFIRSTVISIBLELINE));
    int lines = 340 / static_cast<int>(Call(SCI_TEXTHEIGHT));
    EXPECT_LE(first, 1500);
    EXPECT_GT(first + lines, 1500);
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(editor, SB_VERT, &info));
    EXPECT_EQ(info.nPos, first);
    EXPECT_EQ(info.nMax, 2000); // 2001 lines, the last one empty

    Send(WM_VSCROLL, SB_TOP);
    EXPECT_EQ(Call(SCI_GETFIRSTVISIBLELINE), 0);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA * 2)), 0);
    EXPECT_GT(Call(SCI_GETFIRSTVISIBLELINE), 0);
    Send(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(Call(SCI_GETFIRSTVISIBLELINE), 2001 - lines);
    Send(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(Call(SCI_GETFIRSTVISIBLELINE), 2001 - lines);

    // A line wider than the window scrolls sideways to keep the caret in view.
    std::string wide = "x = 1";
    wide += std::string(400, ' ') + "' far right";
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    LRESULT home = Call(SCI_POINTXFROMPOSITION, 0, 0);
    Send(WM_KEYDOWN, VK_END, 1);
    EXPECT_LT(Call(SCI_POINTXFROMPOSITION, 0, 0), home);
    int caretX = static_cast<int>(Call(SCI_POINTXFROMPOSITION, 0, Call(SCI_GETCURRENTPOS)));
    RECT client{};
    GetClientRect(editor, &client);
    EXPECT_GT(caretX, home);
    EXPECT_LT(caretX, client.right);
    EXPECT_NE(GetWindowLongPtrA(editor, GWL_STYLE) & WS_HSCROLL, 0);
    EXPECT_TRUE(Print(editor).Has(0x000000, static_cast<int>(home), 0, client.right, 20))
        << "the line's end is drawn";
    Send(WM_HSCROLL, SB_TOP);
    EXPECT_EQ(Call(SCI_POINTXFROMPOSITION, 0, 0), home);

    // Short text needs no vertical scroll bar.
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>("short"));
    EXPECT_EQ(GetWindowLongPtrA(editor, GWL_STYLE) & WS_VSCROLL, 0);
}

TEST_F(EditorTest, RepaintsAndTogglesDoNotLeak) {
    ConfigureAsProgram();
    auto cycle = [&](int i) {
        Call(SCI_TOGGLEFOLD, i % 2 ? 9 : 14);
        Call(SCI_STYLESETBOLD, 3, i % 2);
        InvalidateRect(editor, nullptr, FALSE);
        UpdateWindow(editor);
        Print(editor);
        ClickAt(100, 5);
        Key(VK_DOWN);
    };
    for (int i = 0; i < 50; ++i)
        cycle(i);
    PumpMessages();
    int objects = GdiObjectCount();
    size_t heap = HeapBytesInUse();
    for (int i = 0; i < 2000; ++i)
        cycle(i);
    PumpMessages();
    EXPECT_LE(GdiObjectCount(), objects + 2);
    EXPECT_LT(HeapBytesInUse(), heap + 64 * 1024);
    EXPECT_GT(objects, 0);
    EXPECT_GT(heap, 0u);
}
