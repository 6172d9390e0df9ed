// The editor at other DPIs and in high contrast, read back from the screen.
// Wine here reports one DPI for the whole session (its LogPixels) and cannot
// turn high contrast on: the editor's window properties "KalmorDpi" and
// "KalmorHighContrast" stand in for the system's answers where needed.
#include "tests/component/editor_fixture.h"
#include <cstdlib>

// The screen, without the caret, while the selection is dragged from one
// position to another, before the drag is cancelled with Esc.
static std::vector<COLORREF> WhileDragged(EditorTest& t, int from, int to) {
    t.Send(WM_LBUTTONDOWN, 0, t.PointOf(from));
    t.Send(WM_MOUSEMOVE, MK_LBUTTON, t.PointOf(to));
    UpdateWindow(t.editor);
    std::vector<COLORREF> shown = Screen(t.editor).first;
    t.Key(VK_ESCAPE);
    t.Send(WM_LBUTTONUP, 0, t.PointOf(to));
    return shown;
}

// At 96, 144 and 288 DPI, what the editor draws itself is that many times
// its size at 96 DPI, within a pixel: the line numbers' padding, the text's ink height and left
// padding, the rule under a folded header, the "..." tag's inset, frame and
// padding, the caret's width. The window's own DPI is real (144 in the
// prefix set so); the others come through the property and the message a
// DPI change brings. Each change keeps the first visible line and the
// caret, and the line height, the caret's place and the page are answered
// and drawn at the new DPI.
TEST_F(EditorTest, DrawsEverythingAtTheWindowsDpi) {
    std::string text(80, '\r');
    text.insert(40, "Sub Mg(x)\r  x = 1\rEnd Sub\rMg_ y\r");
    Call(SCI_SETTEXT, 0, Pointer(text.c_str()));
    Call(SCI_TOGGLEFOLD, 40);
    Call(SCI_GOTOLINE, 80);
    Call(SCI_GOTOLINE, 40);
    LRESULT caretAt = LineStart(44) - 1;
    Call(SCI_SETSEL, LineStart(43), caretAt);
    // A second caret, of the host's width and colour, on an empty line below.
    Call(SCI_SETCARETWIDTH, 2);
    Call(SCI_SETADDITIONALCARETFORE, 0x00FF00);
    Call(SCI_SETADDITIONALCARETSBLINK, 0);
    Call(SCI_ADDSELECTION, LineStart(46), LineStart(46));
    Call(SCI_SETMAINSELECTION, 0);
    SetFocus(editor);
    int system = ScreenDpi();
    std::vector<LONG> at96;
    for (INT_PTR dpi : {96, 144, 288}) {
        SetPropA(editor, "KalmorDpi", reinterpret_cast<HANDLE>(dpi == system ? 0 : dpi));
        Send(0x02E3); // WM_DPICHANGED_AFTERPARENT
        UpdateWindow(editor);
        auto [pixels, shown] = Screen(editor);
        int row = static_cast<int>(Call(SCI_TEXTHEIGHT));
        int dots = XOf(LineStart(43) + 3) - XOf(LineStart(43));
        COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
        auto black = [&, &pixels = pixels](int i) { return pixels[i] == 0; };
        RECT rule = Box({460, 0, 461, kHeight}, black);
        RECT ink = Box({40, row, 470, 2 * row}, black);
        RECT text = Box({40, row, 470, row + 1}, [&](int i) { return pixels[i] != 0xFFFFFF; });
        RECT tag = Box({0, 0, 470, kHeight}, [&](int i) { return pixels[i] == grey; });
        RECT inside = Box({tag.left, row / 2, tag.right, row / 2 + 1},
                          [&](int i) { return pixels[i] != grey; });
        RECT caret = Box(kAll, [&](int i) { return pixels[i] != shown[i]; });
        RECT digits = Box({0, 0, 40, kHeight}, [&](int i) { return pixels[i] != pixels[0]; });
        RECT second = Box(kAll, [&](int i) { return pixels[i] == 0x00FF00; });
        // The drop caret of a drag of the selection, over the empty line below it.
        std::vector<COLORREF> dragging = WhileDragged(*this, LineStart(43) + 1, LineStart(44));
        RECT drop = Box(kAll, [&, &pixels = pixels](int i) { return dragging[i] != pixels[i]; });
        std::vector<LONG> sizes({40 - digits.right, ink.bottom - ink.top, text.left - 40,
                                 rule.bottom - rule.top, tag.top, inside.left - tag.left,
                                 (tag.right - tag.left - dots) / 2, caret.right - caret.left,
                                 drop.right - drop.left, second.right - second.left});
        if (dpi == 96)
            at96 = sizes;
        for (size_t i = 0; i < sizes.size(); ++i)
            // The digits' own side bearing is in the padding: within two pixels there.
            EXPECT_LE(std::abs(sizes[i] * 96 - at96[i] * dpi), i == 0 ? 192 : 96)
                << "size " << i << " at " << dpi << " DPI: " << sizes[i] << ", " << at96[i];
        SCROLLINFO bar{sizeof bar, SIF_PAGE, 0, 0, 0, 0, 0};
        GetScrollInfo(editor, SB_VERT, &bar);
        EXPECT_EQ(std::tuple(rule.bottom, caret.bottom - caret.top, caret.left, bar.nPage,
                             Call(SCI_GETFIRSTVISIBLELINE), Call(SCI_GETCURRENTPOS)),
                  std::tuple(row, row, XOf(caretAt), static_cast<UINT>(kHeight / row), 40, caretAt))
            << dpi << " DPI";
    }
}

// In high contrast every pixel of the editor is one of the system colours,
// set for real by SetSysColors, whose broadcast to top-level windows the
// editor hears: the margin's numbers on the button face, the selection
// solid with and without the focus and its text in the highlight's text
// colour, the caret and the rule under a folded header in the text's
// colour. The host's colours come back after, and a system colour changed
// outside high contrast shows in the next repaint.
TEST_F(EditorTest, HighContrastDrawsOnlySystemColours) {
    const int elements[] = {COLOR_WINDOWTEXT, COLOR_WINDOW, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
                            COLOR_BTNFACE};
    // The window not black: black is the host's text colour, which must not show.
    const COLORREF contrast[] = {0x00FFFF, 0x300000, 0xFF8000, 0xFFFFFF, 0x404040};
    COLORREF saved[5];
    std::transform(elements, elements + 5, saved, GetSysColor);
    Call(SCI_TOGGLEFOLD, 9);
    Call(SCI_SETSEL, LineStart(4) + 8, LineStart(15) + 1);
    // The host's backgrounds, underlines, filled line ends, marked blanks,
    // line ends, caret line and selection give way too.
    Call(SCI_STYLESETBACK, 0, 0x00FF00);
    Call(SCI_STYLESETEOLFILLED, 0, 1);
    Call(SCI_STYLESETUNDERLINE, 3, 1);
    Call(SCI_SETVIEWWS, SCWS_VISIBLEALWAYS);
    Call(SCI_SETWHITESPACEFORE, 1, 0x0000FF);
    Call(SCI_SETWHITESPACEBACK, 1, 0x00FF00);
    Call(SCI_SETVIEWEOL, 1);
    Call(SCI_SETCARETLINEVISIBLE, 1);
    Call(SCI_SETCARETLINEBACK, 0x00FF00);
    Call(SCI_SETSELBACK, 1, 0x00FF00);
    // So do a second caret's colour and a margin's of the host's.
    Call(SCI_SETADDITIONALCARETFORE, 0x00FF00);
    Call(SCI_SETADDITIONALCARETSBLINK, 0);
    Call(SCI_ADDSELECTION, LineStart(2) + 3, LineStart(2) + 3);
    Call(SCI_SETMAINSELECTION, 0);
    Call(SCI_SETMARGINTYPEN, 2, SC_MARGIN_COLOUR);
    Call(SCI_SETMARGINBACKN, 2, 0x00FF00);
    Call(SCI_SETMARGINWIDTHN, 2, 6);
    SetPropA(editor, "KalmorHighContrast", reinterpret_cast<HANDLE>(1));
    SetSysColors(5, elements, contrast);
    int row = static_cast<int>(Call(SCI_TEXTHEIGHT));
    RECT selected{XOf(LineStart(4) + 8), 4 * row, XOf(LineStart(5) - 1), 5 * row};
    for (bool focus : {false, true}) {
        SetFocus(focus ? editor : parent);
        UpdateWindow(editor);
        auto [hidden, shown] = Screen(editor);
        RECT caret = Box(kAll, [&](int i) { return hidden[i] != shown[i]; });
        EXPECT_EQ(std::tuple(Colours(shown, kAll), Colours(shown, {0, 0, 40, kHeight}),
                             Colours(shown, selected), Colours(shown, caret)),
                  std::tuple(std::set<COLORREF>(contrast, contrast + 5),
                             std::set<COLORREF>{0x00FFFF, 0x404040},
                             std::set<COLORREF>{0xFF8000, 0xFFFFFF},
                             focus ? std::set<COLORREF>{0x00FFFF} : std::set<COLORREF>{}))
            << (focus ? "with" : "without") << " the focus";
    }
    // A drag of the selection shows its drop caret in the text's colour.
    Call(SCI_SETSEL, LineStart(4) + 8, LineStart(15) + 1);
    std::vector<COLORREF> before = Screen(editor).first;
    std::vector<COLORREF> during = WhileDragged(*this, LineStart(4) + 10, LineStart(2) + 3);
    RECT drop = Box(kAll, [&](int i) { return during[i] != before[i]; });
    EXPECT_EQ(Colours(during, drop), std::set<COLORREF>{0x00FFFF}) << "the drop caret";
    // Off again, with another highlight colour: the host's colours are back
    // (keywords blue above the selection) and the focused selection a fifth
    // of the way from white to the new highlight colour.
    RemovePropA(editor, "KalmorHighContrast");
    Call(SCI_SETSELBACK, 0, 0);
    COLORREF red = 0x0000FF;
    std::swap(saved[2], red);
    SetSysColors(5, elements, saved);
    UpdateWindow(editor);
    std::vector<COLORREF> host = Screen(editor).second;
    // Without the focus the selection is a grey tint, whatever the highlight colour.
    SetFocus(parent);
    UpdateWindow(editor);
    std::vector<COLORREF> unfocused = Screen(editor).first;
    SetSysColors(1, elements + 2, &red);
    UpdateWindow(editor);
    EXPECT_EQ(std::tuple(Colours(host, {0, 0, kWidth, 4 * row}).count(0xFF0000),
                         Colours(host, kAll).count(RGB(0xFF, 0xB0, 0xB0)),
                         Screen(editor).first == unfocused),
              std::tuple(1u, 1u, true));
}

// Where one of the editor's scroll bars is, from the window's top left
// corner; empty while it is hidden.
static RECT BarRect(HWND editor, LONG object) {
    SCROLLBARINFO bar{sizeof bar, {}, 0, 0, 0, 0, {}};
    RECT window{};
    if (!GetScrollBarInfo(editor, object, &bar) || (bar.rgstate[0] & STATE_SYSTEM_INVISIBLE))
        return RECT{};
    GetWindowRect(editor, &window);
    OffsetRect(&bar.rcScrollBar, -window.left, -window.top);
    return bar.rcScrollBar;
}

// The window's own pixels in a rectangle from its top left corner.
static std::vector<COLORREF> WindowPixels(HWND editor, const RECT& area) {
    std::vector<COLORREF> pixels;
    HDC dc = GetWindowDC(editor);
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(editor, dc);
    return pixels;
}

// A scroll bar moved, shown or hidden by a key or by a request is drawn as
// it stands once the window's messages are handled, as a full redraw of its
// frame draws it.
TEST_F(EditorTest, ScrollBarsAreDrawnWhereTheyStand) {
    const std::string text = std::string(400, 'x') + std::string(200, '\r');
    const struct {
        const char* name;
        LONG bar;
        const char* before; // the text shown first
        std::function<void()> scroll;
    } rows[] = {
        {"End", OBJID_HSCROLL, text.c_str(), [&] { Key(VK_END); }},
        {"SCI_SETXOFFSET", OBJID_HSCROLL, text.c_str(), [&] { Call(SCI_SETXOFFSET, 1500); }},
        {"Page Down", OBJID_VSCROLL, text.c_str(), [&] { Key(VK_NEXT); }},
        {"SCI_LINESCROLL", OBJID_VSCROLL, text.c_str(), [&] { Call(SCI_LINESCROLL, 0, 120); }},
        {"shown", OBJID_HSCROLL, "x", [&] { Call(SCI_SETTEXT, 0, Pointer(text.c_str())); }},
        {"hidden", OBJID_VSCROLL, text.c_str(), [&] { Call(SCI_SETTEXT, 0, Pointer("x")); }},
    };
    for (const auto& row : rows) {
        Load(row.before, 0, 0);
        PumpMessages();
        RedrawWindow(editor, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        RECT area = BarRect(editor, row.bar);
        std::vector<COLORREF> before = WindowPixels(editor, area);
        row.scroll();
        PumpMessages();
        if (IsRectEmpty(&area))
            area = BarRect(editor, row.bar);
        ASSERT_FALSE(IsRectEmpty(&area)) << row.name << ": no bar shown before or after";
        std::vector<COLORREF> shown = WindowPixels(editor, area);
        RedrawWindow(editor, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        std::vector<COLORREF> redrawn = WindowPixels(editor, area);
        EXPECT_NE(before, redrawn) << row.name << ": the bar looks as before";
        size_t stale = 0;
        for (size_t i = 0; i < shown.size(); ++i)
            stale += shown[i] != redrawn[i];
        EXPECT_EQ(stale, 0u) << row.name << ": " << stale << " of " << redrawn.size()
                             << " pixels where the bar is show it as it was";
    }
}
