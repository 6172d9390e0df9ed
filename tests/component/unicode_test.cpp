// Characters from any script typed, pasted and read back as UTF-16, in the
// code pages the editor knows. The test process's ANSI code page is 1252.
#include "tests/component/editor_fixture.h"

namespace {

using UnicodeTest = EditorTest;

// Each row: a code page, the messages sent (a pasted text as "paste", a
// Backspace as WM_CHAR 8), and the document's bytes after them.
TEST_F(UnicodeTest, TypedAndPastedCharacters) {
    const UINT C = WM_CHAR, U = WM_UNICHAR, I = WM_IME_CHAR;
    const std::tuple<int, std::vector<std::pair<UINT, WPARAM>>, const wchar_t*, const char*>
        rows[] = {
            // A surrogate pair from two WM_CHARs is one character (Backspace over
            // it: the core's session).
            {65001, {{C, 0xD83D}, {C, 0xDE00}, {C, 'a'}}, nullptr, "\xF0\x9F\x98\x80\x61"},
            // Lone halves never reach the text.
            {65001, {{C, 0xDE00}, {C, 'a'}, {C, 0xD83D}, {C, 'b'}, {C, 0xDFFF}}, nullptr, "ab"},
            // The first character beyond the BMP; DEL is no character to type.
            {65001, {{U, 0x10000}, {C, 0x7F}, {U, 0x7F}}, nullptr, "\xF0\x90\x80\x80"},
            // WM_UNICHAR and WM_IME_CHAR insert their character once.
            {65001, {{U, 0x1F600}, {I, 0x4E2D}}, nullptr, "\xF0\x9F\x98\x80\xE4\xB8\xAD"},
            // In 932 Omega and a Chinese character are typed, the e acute refused.
            {932, {{C, 0x4E2D}, {C, 0x3A9}, {C, 0xE9}}, nullptr, "\x92\x86\x83\xB6"},
            // Pasting prefers CF_UNICODETEXT.
            {65001,
             {},
             L"\x3A9 \x4E2D\x6587 \x2603 \xD83D\xDE00",
             "\xCE\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xE2\x98\x83 \xF0\x9F\x98\x80"},
            // A lone half pasted becomes U+FFFD, at either end of the range.
            {65001, {}, L"\xDFFF\x61\xDC00\xD800", "\xEF\xBF\xBD\x61\xEF\xBF\xBD\xEF\xBF\xBD"},
            // In 1252; each LF, CR and CR LF is one line end.
            {0, {}, L"caf\xE9\n\nb\r\r\nc", "caf\xE9\r\n\r\nb\r\n\r\nc"},
        };
    for (const auto& row : rows) {
        const auto& [codePage, input, pasted, text] = row;
        Call(SCI_SETTEXT, 0, Pointer(""));
        Call(SCI_SETCODEPAGE, codePage);
        for (auto [message, wParam] : input)
            SendMessageW(editor, message, wParam, 1);
        PumpMessages(); // what the system would make of them, WM_CHARs posted by default handling
        if (pasted) {
            Clipboard(parent, pasted);
            Key(VK_INSERT, false, true); // Shift+Insert
            EXPECT_EQ(Clipboard(parent), pasted) << "the clipboard keeps its text";
        }
        EXPECT_EQ(Text(), text) << "row " << &row - rows;
    }
    EXPECT_EQ(SendMessageW(editor, WM_UNICHAR, UNICODE_NOCHAR, 0), TRUE);
}

// Copying puts UTF-16 on the clipboard (an invalid UTF-8 byte as U+FFFD)
// and the ANSI text beside it; the window text speaks UTF-16 both ways and
// ANSI to ANSI callers, no more than the size of their buffer.
TEST_F(UnicodeTest, ClipboardAndWindowTextInUtf16) {
    Call(SCI_SETCODEPAGE, 65001);
    Call(SCI_SETTEXT, 0, Pointer("\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xFF\n"));
    Key('A', true);
    Key('C', true);
    EXPECT_EQ(Clipboard(parent), L"\xE9\x4E2D\xD83D\xDE00\xFFFD\r\n");
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

    wchar_t wide[16] = {};
    EXPECT_EQ(std::pair(GetWindowTextLengthW(editor), GetWindowTextW(editor, wide, 16)),
              std::pair(6, 6));
    EXPECT_EQ(std::wstring(wide), L"\xE9\x4E2D\xD83D\xDE00\xFFFD\n");
    EXPECT_EQ(GetWindowTextW(editor, wide, 4), 2) << "never half a surrogate pair";
    EXPECT_TRUE(SetWindowTextW(editor, L"\x3A9\xD83D\xDE00") &&
                Text() == "\xCE\xA9\xF0\x9F\x98\x80");
    Call(SCI_SETCODEPAGE, 0);
    EXPECT_FALSE(SetWindowTextW(editor, L"\x3A9")) << "a character 1252 lacks";
    SetWindowTextA(editor, "caf\xE9!");
    char ansi[] = "######";
    EXPECT_EQ(GetWindowTextA(editor, ansi, 5), 4) << "as an edit control: no more than the size";
    EXPECT_EQ(std::string(ansi, 6) + " " + Text(), std::string("caf\xE9\0# caf\xE9!", 12));
}

// Characters of several scripts drawn as one glyph each, in a fallback font
// where the style's font lacks them (here WenQuanYi for Chinese, DejaVu or
// Symbola for the snowman and the emoji), and an invalid byte as a box in
// the text's colour: every character has ink of its own in its own cell,
// and none looks like the missing-glyph box of a private-use character.
TEST_F(UnicodeTest, EveryCharacterDrawnInItsCell) {
    Call(SCI_SETCODEPAGE, 65001);
    const char* text = "a\xE4\xB8\xAD\xCE\xA9\xE2\x98\x83\xF0\x9F\x98\x80\xFF\xEE\x80\x80";
    Call(SCI_SETTEXT, 0, Pointer(text));
    long unzoomedInk = 0;
    for (int zoom : {0, 8}) { // the fallback fonts follow the zoom
        Call(SCI_SETZOOM, zoom);
        UpdateWindow(editor);
        int height = static_cast<int>(Call(SCI_TEXTHEIGHT));
        std::vector<int> edges;
        // Every character's start and the end: the end is the position after itself.
        for (LRESULT pos = 0, last = -1; pos != last;
             last = pos, pos = Call(SCI_POSITIONAFTER, pos))
            edges.push_back(XOf(pos));
        ASSERT_EQ(edges.size(), 8u)
            << "a, a Chinese character, Omega, a snowman, an emoji, xFF, U+E000";
        auto cell = [&](size_t i, int width) {
            return Pixels(editor, edges[i], 0, edges[i] + width, height);
        };
        auto inked = [](const std::vector<COLORREF>& p) {
            return static_cast<long>(p.size()) - Count(p, 0xFFFFFF);
        };
        std::vector<COLORREF> missing = cell(6, edges[7] - edges[6]);
        for (size_t i = 0; i + 1 < edges.size(); ++i) {
            EXPECT_GT(inked(cell(i, edges[i + 1] - edges[i])), 4)
                << "character " << i << " at zoom " << zoom;
            EXPECT_TRUE(i == 6 || cell(i, edges[7] - edges[6]) != missing)
                << "character " << i << " at zoom " << zoom;
        }
        EXPECT_GT(edges[2] - edges[1], (edges[1] - edges[0]) * 3 / 2) << "a wide Chinese glyph";
        long chinese = inked(cell(1, edges[2] - edges[1]));
        if (zoom == 0)
            unzoomedInk = chinese;
        EXPECT_TRUE(zoom == 0 || chinese > unzoomedInk * 3 / 2) << "drawn zoomed: " << chinese;
        std::vector<COLORREF> box = Pixels(editor, edges[5] + 1, 2, edges[6] - 1, height - 2);
        EXPECT_GT(Count(box, 0x000000), static_cast<long>(box.size()) / 2)
            << "the invalid byte's box";
    }
}

} // namespace
