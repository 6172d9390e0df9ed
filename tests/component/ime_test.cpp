// An input method's composition, driven for real through imm32 on the
// editor's input context (Wine's imm32 sends the WM_IME_* messages itself).
#include "tests/component/editor_fixture.h"
#include <imm.h>

namespace {

class ImeTest : public EditorTest {
  public:
    // Sets the composition, or ends it as `how` says; the editor hears it and repaints.
    void Compose(const wchar_t* text) {
        ImmSetCompositionStringW(context, SCS_SETSTR, const_cast<wchar_t*>(text),
                                 static_cast<DWORD>(wcslen(text) * sizeof(wchar_t)), nullptr, 0);
        PumpMessages();
        UpdateWindow(editor);
    }
    void Finish(DWORD how) {
        ImmNotifyIME(context, NI_COMPOSITIONSTR, how, 0);
        PumpMessages();
        UpdateWindow(editor);
    }
    HIMC context = nullptr;
};

// The composition is drawn at the caret, the rest of the line moved right
// to make room, underlined as input, with the system's windows placed
// beside it; the document is untouched until the result is committed, as
// one undo step, once; cancelling leaves everything as it was, and a click
// during a composition commits it where it was before moving the caret.
TEST_F(ImeTest, ComposedInPlaceAndCommittedOnce) {
    // The text, and three characters in UTF-8.
    const std::string text = "ab\nx = 1", ka = "\xE3\x81\x8B", na = "\xE3\x81\xAA",
                      ne = "\xE3\x81\xAD";
    Call(SCI_SETCODEPAGE, 65001);
    Load(text, 1, 1);
    SetFocus(editor); // the input context speaks to the focus
    PumpMessages();
    DestroyCaret(); // no caret blinking into the pixels
    UpdateWindow(editor);
    int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
    int caretX = XOf(1), bRight = XOf(2);
    std::vector<COLORREF> row = Pixels(editor, 0, 0, 500, height);
    std::vector<COLORREF> b = Pixels(editor, caretX, 0, bRight, height);
    std::vector<COLORREF> before = Pixels(editor, caretX, 0, caretX + 10, height);
    context = ImmGetContext(editor);
    ASSERT_NE(context, nullptr);
    Compose(L"\x304B\x306A");
    EXPECT_EQ(std::pair(Text(), Call(SCI_CANUNDO)), std::pair(text, LRESULT{0}));
    IMECHARPOSITION end{sizeof end, 2, {}, 0, {}};
    ASSERT_EQ(SendMessageW(editor, WM_IME_REQUEST, IMR_QUERYCHARPOSITION, Pointer(&end)), TRUE);
    EXPECT_EQ(static_cast<int>(end.cLineHeight), height) << "the row's height";
    RECT client{};
    GetClientRect(editor, &client);
    MapWindowPoints(editor, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_TRUE(EqualRect(&end.rcDocument, &client)) << "the document: the client area on screen";
    POINT screenCaret{caretX, 0};
    ClientToScreen(editor, &screenCaret);
    int width = end.pt.x - screenCaret.x;
    IMECHARPOSITION first{sizeof first, 0, {}, 0, {}};
    SendMessageW(editor, WM_IME_REQUEST, IMR_QUERYCHARPOSITION, Pointer(&first));
    EXPECT_EQ(first.pt.x, screenCaret.x) << "the composition's first character, at the caret";
    EXPECT_GT(width, 10) << "two wide characters";
    EXPECT_EQ(Pixels(editor, caretX + width, 0, bRight + width, height), b) << "b moved right";
    EXPECT_NE(Pixels(editor, caretX, 0, caretX + 10, height), before) << "the composition drawn";
    long dots = Count(Pixels(editor, caretX, height - 2, caretX + width, height - 1), 0x000000);
    EXPECT_TRUE(dots >= width / 2 - 1 && dots <= width / 2 + 1) << "a dotted underline: " << dots;
    COMPOSITIONFORM composition{};
    CANDIDATEFORM candidate{};
    ImmGetCompositionWindow(context, &composition);
    ImmGetCandidateWindow(context, 0, &candidate);
    EXPECT_EQ(composition.ptCurrentPos.x, caretX);
    EXPECT_TRUE(candidate.dwStyle == CFS_EXCLUDE && candidate.rcArea.left == caretX &&
                candidate.rcArea.right == caretX + width && candidate.rcArea.bottom == height &&
                candidate.ptCurrentPos.y == height)
        << "the candidates beside the composition, not over it";
    POINT caret{};
    GetCaretPos(&caret);
    EXPECT_EQ(caret.x, caretX + width) << "the caret after the composition";

    Finish(CPS_COMPLETE);
    SendMessageW(editor, WM_IME_CHAR, 0x304B, 1); // the result again, as some input methods send it
    SendMessageW(editor, WM_IME_CHAR, 0x306A, 1);
    EXPECT_EQ(std::pair(Text(), Selection()),
              std::pair("a" + ka + na + "b\nx = 1", std::pair(7, 7)));
    Call(SCI_UNDO);
    EXPECT_EQ(std::pair(Text(), Call(SCI_CANUNDO)), std::pair(text, LRESULT{0})) << "one undo step";

    // Typed just before, the typing and the result are an undo step each.
    Call(SCI_GOTOPOS, 1);
    Send(WM_CHAR, 'x');
    Compose(L"\x304B");
    Finish(CPS_COMPLETE);
    Call(SCI_UNDO);
    EXPECT_EQ(Text(), "axb\nx = 1") << "the result undone";
    Call(SCI_UNDO);
    EXPECT_EQ(Text(), text) << "the typing undone";

    Compose(L"\x306D");
    Finish(CPS_CANCEL);
    EXPECT_EQ(std::pair(Text(), Selection()), std::pair(text, std::pair(1, 1)));
    EXPECT_EQ(Pixels(editor, 0, 0, 500, height), row) << "cancelled: drawn as before";

    Compose(L"\x306D");
    Click(6);
    PumpMessages();
    EXPECT_EQ(std::pair(Text(), Selection()), std::pair("a" + ne + "b\nx = 1", std::pair(9, 9)))
        << "committed by the click, then the caret moved where clicked";
    // A result alone, without a composition string, takes the composition off the row.
    Compose(L"\x306D");
    SendMessageW(editor, WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
    GetCaretPos(&caret);
    EXPECT_EQ(caret.x, XOf(Call(SCI_GETCURRENTPOS))) << "nothing composed left after a result";
    ImmReleaseContext(editor, context);
}

// The composition takes the style of the character before the caret on its
// line, at a line's start that of the one after it: the input method is
// given that style's font (the comment's is Arial here).
TEST_F(ImeTest, ComposedInTheStyleAroundTheCaret) {
    Call(SCI_STYLESETFONT, 1, Pointer("Arial"));
    Call(SCI_SETTEXT, 0, Pointer("x' c\ny\n' c"));
    SetFocus(editor);
    context = ImmGetContext(editor);
    for (auto [caret, font] : {std::pair{1, "Courier New"}, {7, "Arial"}, {4, "Arial"}}) {
        Call(SCI_GOTOPOS, caret);
        Compose(L"\x304B");
        LOGFONTA given{};
        ImmGetCompositionFontA(context, &given);
        Finish(CPS_CANCEL);
        EXPECT_STREQ(given.lfFaceName, font) << "the caret at " << caret;
    }
    // Its background is the style's, and the system's window colour in high contrast.
    Call(SCI_STYLESETBACK, 7, 0x00FFFF); // the x's
    for (bool contrast : {false, true}) {
        HighContrast(contrast);
        Call(SCI_GOTOPOS, 1);
        Compose(L"\x304B");
        LONG x = XOf(1);
        std::vector<COLORREF> cell = Pixels(editor, x + 1, 0, x + 4, 4);
        Finish(CPS_CANCEL);
        EXPECT_EQ(Has(cell, 0x00FFFF), !contrast)
            << (contrast ? "in" : "outside") << " high contrast";
    }
    ImmReleaseContext(editor, context);
}

} // namespace
