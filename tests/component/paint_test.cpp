// What the editor draws, read back from a bitmap, and what painting costs in
// GDI objects and memory over many repaints.
#include "tests/component/editor_fixture.h"
#include <malloc.h>
#include <vector>

// Keywords blue, comments grey, and in the 40-pixel margin dark line numbers on
// every row and nothing of the text; below the last line only the background.
// With the first sub contracted, rows from 10 on show line 13 on exactly as
// the open listing draws them three rows further down, the rows above are
// untouched, and the header is underlined across the text and followed by a
// small framed "...".
TEST_F(EditorTest, PaintsColoursLineNumbersAndOnlyVisibleLines) {
    Snapshot shot = Print(editor);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    auto x = [&](int pos) { return static_cast<int>(Call(SCI_POINTXFROMPOSITION, 0, pos)); };
    auto count = [&](COLORREF colour, int left, int line, int right) {
        return shot.Count(colour, left, line * height, right, (line + 1) * height);
    };
    int sub = LineStart(9); // "Sub Test1("
    EXPECT_GT(count(0xFF0000, x(sub), 9, x(sub + 3)), 0);
    EXPECT_EQ(count(0xFF0000, x(sub + 4), 9, x(sub + 9)), 0);
    EXPECT_GT(count(0x808080, x(0), 0, x(LineStart(1) - 1)), 0);
    for (int line = 0; line < 21; ++line)
        EXPECT_GT(count(0x000000, 0, line, 40), 0) << line;
    EXPECT_EQ(shot.Count(0xFF0000, 0, 0, 40, shot.height), 0);
    EXPECT_EQ(shot.Count(0x808080, 0, 0, 40, shot.height), 0);
    int below = shot.height - 21 * height;
    EXPECT_EQ(shot.Count(GetSysColor(COLOR_3DFACE), 0, 21 * height, 40, shot.height), 40 * below);
    EXPECT_EQ(shot.Count(0xFFFFFF, 42, 21 * height, shot.width, shot.height),
              (shot.width - 42) * below);

    Call(SCI_TOGGLEFOLD, 9);
    Snapshot folded = Print(editor);
    int left = x(0);
    int rule = 10 * height - 1;
    int textEnd = x(LineStart(10) - 1); // the framed "..." follows the header's text
    for (int y = 0; y < 18 * height; ++y) {
        int right = y == rule ? left : y >= 9 * height && y < rule ? textEnd : shot.width;
        for (int px = 0; px < right; ++px)
            ASSERT_EQ(folded.At(px, y), shot.At(px, y <= rule ? y : y + 3 * height))
                << "x " << px << " y " << y;
    }
    EXPECT_EQ(folded.Count(0x000000, left, rule, shot.width, rule + 1), shot.width - left);
    EXPECT_LT(shot.Count(0x000000, left, rule, shot.width, rule + 1), shot.width - left);
    COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    EXPECT_GT(folded.Count(grey, textEnd, 9 * height, textEnd + 40, rule), 20);
    EXPECT_EQ(shot.Count(grey, textEnd, 9 * height, textEnd + 40, rule), 0);
}

// Repainting only what changed leaves the screen as painting everything
// would: after each step of a session of typing, line ends, deletions, fold
// toggles, caret moves and scrolls, the pixels on screen equal those of a
// full repaint of the same state. The editor has no focus, so no caret.
TEST_F(EditorTest, PartialRepaintsMatchAFullRepaint) {
    std::string twice = Text() + "\r" + Text();
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(twice.c_str()));
    // Each step: a request or message (if any), then keys, then typed characters.
    struct Step {
        const char* what;
        UINT message;
        WPARAM wParam;
        std::vector<WPARAM> keys;
        const char* chars;
    };
    const Step steps[] = {
        {"type in line 5", SCI_GOTOLINE, 5, {}, "x = 12"},
        {"Enter", 0, 0, {}, "\r"},
        {"Backspace joining lines", 0, 0, {VK_HOME}, "\b"},
        {"Backspace in a line", 0, 0, {VK_END}, "\b\b"},
        {"fold toggled", SCI_TOGGLEFOLD, 9, {}, ""},
        {"caret moves", 0, 0, {VK_DOWN, VK_DOWN, VK_RIGHT}, ""},
        {"header edited while folded", SCI_GOTOLINE, 9, {}, "\b"},
        {"scroll down", WM_VSCROLL, SB_LINEDOWN, {}, ""},
        {"scroll down again", WM_VSCROLL, SB_LINEDOWN, {}, ""},
        {"type below the fold", SCI_GOTOLINE, 12, {}, "Sub B\r"},
        {"Delete", 0, 0, {VK_DELETE, VK_DELETE}, ""},
        {"scroll up", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), {}, ""},
        {"fold toggled back", SCI_TOGGLEFOLD, 9, {}, ""},
        {"page down", 0, 0, {VK_NEXT}, "'"},
    };
    for (const Step& step : steps) {
        if (step.message)
            Send(step.message, step.wParam);
        for (WPARAM key : step.keys)
            Key(key);
        for (const char* c = step.chars; *c; ++c)
            Send(WM_CHAR, static_cast<unsigned char>(*c), 1);
        // As the message loop would: posted work, and any repaint a change of
        // scroll bars asks for, are done before the screen is read.
        PumpMessages();
        UpdateWindow(editor);
        Snapshot partial = Print(editor, true);
        InvalidateRect(editor, nullptr, FALSE);
        UpdateWindow(editor);
        Snapshot full = Print(editor, true);
        size_t differ = 0;
        while (differ < full.pixels.size() && partial.pixels[differ] == full.pixels[differ])
            ++differ;
        ASSERT_EQ(differ, full.pixels.size())
            << step.what << ": first difference at x " << differ % full.width << " y "
            << differ / full.width;
    }
}

// The view follows the caret down a long text and along a wide line, and the
// wheel and scroll bars move it within the text's bounds. Folding away the
// lines on screen pulls the view back at once, and the scroll bar follows by
// the next paint.
TEST_F(EditorTest, ScrollingKeepsTheCaretInView) {
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "line " + std::to_string(i) + "\r";
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Call(SCI_GOTOLINE, 1500);
    LRESULT first = Call(SCI_GETFIRSTVISIBLELINE);
    int lines = 340 / static_cast<int>(Call(SCI_TEXTHEIGHT));
    EXPECT_TRUE(first <= 1500 && 1500 < first + lines) << first;
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(editor, SB_VERT, &info));
    EXPECT_EQ(info.nPos, first);
    EXPECT_EQ(info.nMax, 2000); // 2001 lines, the last one empty
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_LT(Call(SCI_GETFIRSTVISIBLELINE), first);
    Send(WM_VSCROLL, SB_BOTTOM);
    Send(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(Call(SCI_GETFIRSTVISIBLELINE), 2001 - lines);
    text = "Sub A\r" + text + "End Sub";
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Send(WM_VSCROLL, SB_BOTTOM);
    ASSERT_GT(Call(SCI_GETFIRSTVISIBLELINE), 0);
    Call(SCI_TOGGLEFOLD, 0); // the caret stays on the header
    UpdateWindow(editor);
    ASSERT_TRUE(GetScrollInfo(editor, SB_VERT, &info));
    EXPECT_EQ(info.nMax, 0); // the End line folds away with the body
    EXPECT_EQ(info.nPos, 0);
    EXPECT_EQ(Call(SCI_GETFIRSTVISIBLELINE), 0);

    std::string wide = "x = 1" + std::string(400, ' ') + "' far right";
    Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    LRESULT home = Call(SCI_POINTXFROMPOSITION, 0, 0);
    Key(VK_END);
    LRESULT caret = Call(SCI_POINTXFROMPOSITION, 0, Call(SCI_GETCURRENTPOS));
    EXPECT_TRUE(home < caret && caret < 500) << caret;
    Send(WM_HSCROLL, SB_TOP);
    EXPECT_EQ(Call(SCI_POINTXFROMPOSITION, 0, 0), home);
}

// GDI objects alive in this process, and bytes in use on the C runtime's heap,
// which the component allocates from too, hold steady over thousands of cycles.
TEST_F(EditorTest, RepaintsAndTogglesDoNotLeak) {
    // Wine does not implement GetGuiResources; there, a handle's low word
    // indexes the process's handle table and a handle without the high word
    // answers for whatever object lives at that index.
    auto gdiObjects = [] {
        if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
            return static_cast<int>(count);
        int live = 0;
        for (UINT_PTR index = 1; index < 0x10000; ++index)
            live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
        return live;
    };
    auto heapInUse = [] {
        size_t used = 0;
        _HEAPINFO entry{};
        while (_heapwalk(&entry) == _HEAPOK)
            used += entry._useflag == _USEDENTRY ? entry._size : 0;
        return used;
    };
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
    int objects = gdiObjects();
    size_t heap = heapInUse();
    for (int i = 0; i < 2000; ++i)
        cycle(i);
    PumpMessages();
    EXPECT_LE(gdiObjects(), objects + 2);
    EXPECT_LT(heapInUse(), heap + 64 * 1024);
    EXPECT_GT(objects, 0);
    EXPECT_GT(heap, 0u);
}
