// Requests through the direct function and as window messages.
#include "tests/component/editor_fixture.h"

#include <cstring>
#include "component/core/requests.h"

// Every request number with nonsense arguments (pointer arguments get null
// pointers) gets the same answer through both routes, and direct pointers
// that are no editor window of this process (a destroyed one among them)
// answer nothing; the window carries on working.
TEST_F(EditorTest, BadRequestsAnswerSafelyThroughBothRoutes) {
    for (UINT request = SCI_START; request < SCI_END; ++request) {
        unsigned pointers = kalmor::FindRequest(request).pointers;
        for (LPARAM value :
             {LPARAM{0}, LPARAM{-1}, LPARAM{-1000000}, LPARAM{0x7FFFFFFF}, LPARAM{INTPTR_MAX}}) {
            WPARAM wParam = pointers & kalmor::kPointerInWParam ? 0 : static_cast<WPARAM>(value);
            LPARAM lParam = pointers & kalmor::kPointerInLParam ? 0 : value;
            // A marker added answers a handle of its own each time.
            LRESULT direct = Call(request, wParam, lParam), sent = Send(request, wParam, lParam);
            EXPECT_EQ(request == SCI_MARKERADD ? direct >= 0 : direct,
                      request == SCI_MARKERADD ? sent >= 0 : sent)
                << request << " " << value;
        }
    }
    // An edit control keeps its own state's address where the editor keeps its.
    HWND edit =
        CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr);
    HWND second = CreateWindowExA(0, KALMOR_CLASS_NAME, "", WS_CHILD, 0, 0, 200, 100, parent,
                                  nullptr, nullptr, nullptr);
    DestroyWindow(second);
    for (UINT_PTR stranger :
         {UINT_PTR{0}, reinterpret_cast<UINT_PTR>(parent), reinterpret_cast<UINT_PTR>(edit),
          reinterpret_cast<UINT_PTR>(second), reinterpret_cast<UINT_PTR>(&edit), ~UINT_PTR{0}})
        EXPECT_EQ(Direct()(stranger, SCI_GETLINECOUNT, 0, 0), 0) << stranger;

    Send(SCI_SETREADONLY, 0); // the nonsense turned it on
    Send(SCI_SETTEXT, 0, Pointer("Sub A\rEnd Sub"));
    UpdateWindow(editor);
    EXPECT_EQ(Text(), "Sub A\rEnd Sub");
}

// The view's requests: a point to the nearest position, to -1 when it is not
// over text, to the character under it; the rows shown; a text's width in a
// style; and scrolling that leaves the caret where it was.
TEST_F(EditorTest, ViewRequestsFindAndScrollTheText) {
    std::string text = "abcd\rxy\r" + std::string(200, '-');
    for (int i = 0; i < 100; ++i)
        text += "\rline";
    auto x = [&](int position) { return Call(SCI_POINTXFROMPOSITION, 0, position); };
    // Exactly half across a character of even width is past its middle: after it.
    Call(SCI_STYLESETFONT, 7, Pointer("Arial")); // the identifiers
    Call(SCI_SETTEXT, 0, Pointer("abcdefghijklmnopqrstuvwxyzMW"));
    int even = 0;
    while (even < 27 && (x(even + 1) - x(even)) % 2 != 0)
        ++even;
    ASSERT_LT(even, 27) << "a character of even width";
    LRESULT half = x(even) + (x(even + 1) - x(even)) / 2;
    EXPECT_EQ(
        std::pair(Call(SCI_POSITIONFROMPOINT, half, 1), Call(SCI_POSITIONFROMPOINT, half - 1, 1)),
        std::pair(LRESULT{even + 1}, LRESULT{even}));
    // Every character as wide as GDI measures it in a proportional face.
    const char* const sample = "The quick brown fox: 'MW' & {ijl}!";
    HDC screen = GetDC(nullptr);
    HFONT arial = CreateFontA(
        -MulDiv(static_cast<int>(Call(SCI_STYLEGETSIZE, 7)), GetDeviceCaps(screen, LOGPIXELSY), 72),
        0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
    HGDIOBJ old = SelectObject(screen, arial);
    for (size_t n = 1; n <= std::strlen(sample); ++n) {
        SIZE size{};
        GetTextExtentPoint32A(screen, sample, static_cast<int>(n), &size);
        EXPECT_EQ(Call(SCI_TEXTWIDTH, 7, Pointer(std::string(sample, n).c_str())), size.cx) << n;
    }
    DeleteObject(SelectObject(screen, old));
    ReleaseDC(nullptr, screen);
    Call(SCI_SETTEXT, 0, Pointer(text.c_str()));
    UpdateWindow(editor);
    LRESULT row = Call(SCI_TEXTHEIGHT);
    const struct {
        UINT request;
        LRESULT x, y, want;
    } points[] = {
        {SCI_POSITIONFROMPOINT, x(2) - 1, 1, 2},   {SCI_POSITIONFROMPOINT, x(4) + 40, 1, 4},
        {SCI_POSITIONFROMPOINT, x(6), row + 1, 6}, {SCI_POSITIONFROMPOINTCLOSE, x(2) + 1, 1, 2},
        {SCI_POSITIONFROMPOINTCLOSE, x(4), 1, -1}, {SCI_POSITIONFROMPOINTCLOSE, x(0) - 1, 1, -1},
        {SCI_CHARPOSITIONFROMPOINT, x(2), 1, 2},   {SCI_CHARPOSITIONFROMPOINT, x(2) - 1, 1, 1},
    };
    for (const auto& p : points)
        EXPECT_EQ(Call(p.request, p.x, p.y), p.want)
            << "request " << p.request << " at " << p.x << ", " << p.y;
    RECT client{};
    GetClientRect(editor, &client);
    EXPECT_EQ(Call(SCI_LINESONSCREEN), client.bottom / row);

    const struct {
        UINT request;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT first, offset;
    } scrolls[] = {
        {SCI_SETFIRSTVISIBLELINE, 50, 0, 50, 0},
        {SCI_LINESCROLL, 2, -10, 40, 2 * Call(SCI_TEXTWIDTH, STYLE_DEFAULT, Pointer(" "))},
        {SCI_SETXOFFSET, 5000, 0, 40, 5000},
        {SCI_SETFIRSTVISIBLELINE, static_cast<WPARAM>(-5), 0, 0, 5000},
    };
    for (const auto& s : scrolls) {
        Call(s.request, s.wParam, s.lParam);
        EXPECT_EQ(std::tuple(Call(SCI_GETFIRSTVISIBLELINE), Call(SCI_GETXOFFSET),
                             Call(SCI_GETCURRENTPOS)),
                  std::tuple(s.first, s.offset, LRESULT{0}))
            << "request " << s.request << " " << s.wParam << " " << s.lParam;
    }
}
