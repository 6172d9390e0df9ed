// The BASIC lexer's fold rules, text units at the document's edges, and the
// fuzzer's corpus with fixed seeds replayed as sessions checked against the
// models in test_support.h.
#include "session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <tuple>

using namespace kalmor_test;

namespace {

// One character per line: its depth below the base level as a digit, or as
// a letter on a header (A at the base level).
std::string Shape(const EditorCore& core) {
    std::string shape;
    for (int line = 0; line < core.LineCount(); ++line) {
        int level = core.FoldLevel(line);
        int depth = (level & ~SC_FOLDLEVELHEADERFLAG) - SC_FOLDLEVELBASE;
        shape += static_cast<char>((level & SC_FOLDLEVELHEADERFLAG ? 'A' : '0') + depth);
    }
    return shape;
}

TEST(FoldRules, HeadersEndsAndNesting) {
    const char* const cases[][2] = {
        // After access words, closed by an End of either kind.
        {"Private Sub A()\n  Exit Sub\nEnd Function\n", "A110"},
        // Assignments to a function's result are no headers.
        {"Public Static Function B\n  Function = 1\n  function$=2\nEND   SUB\n", "A1110"},
        // Nor a stray End, a Declare, a longer word or a comment.
        {"End Sub\nDeclare Sub C Lib \"x\"\nSubtotal = 3\n' Sub D\n", "00000"},
        // One End closes every open sub; an indented header may stay open.
        {"Sub A\n  a\n  Sub B\n    b\nEnd Sub\nc\n  sub E\n  x = 1", "A1B220A1"},
        // The listing: not its Declare line (7) nor "Function=a*986" (15).
        {DEMO_LISTING, "000000000A1110A110A11"},
    };
    for (const auto& c : cases) {
        EditorCore core;
        ConfigureLexer(core);
        core.SetText(c[0]);
        EXPECT_EQ(Shape(core), c[1]) << c[0];
    }

    // Nesting stops deepening at the deepest level there is.
    EditorCore core;
    ConfigureLexer(core);
    std::string deep;
    for (int line = 0; line < 4000; ++line)
        deep += "Sub A\n";
    core.SetText(deep);
    EXPECT_EQ(core.FoldLevel(3999), SC_FOLDLEVELNUMBERMASK | SC_FOLDLEVELHEADERFLAG);
}

TEST(TextUnits, MovesAndExpansionsAtTheEdges) {
    using U = TextUnit;
    struct Case {
        const char* text;
        TextUnit unit;
        char op;             // 'X' expand, 'M' move, 'S' / 'E' move the start / end endpoint
        TextSpan from, want; // the range before and after
        int count, moved;    // the units asked for and those moved
    };
    const Case cases[] = {
        // The empty document: nothing to move over.
        {"", U::Character, 'M', {0, 0}, {0, 0}, 1, 0},
        // A last line without a line end: the caret at the end is on it.
        {"ab\ncd", U::Line, 'X', {5, 5}, {3, 5}, 0, 0},
        {"ab\ncd", U::Line, 'M', {3, 5}, {3, 5}, 1, 0},
        {"ab\ncd", U::Line, 'M', {4, 5}, {0, 3}, -5, -1},
        {"ab\ncd", U::Document, 'M', {0, 2}, {0, 2}, 1, 0},
        // A final line end leaves an empty last line.
        {"ab\n", U::Paragraph, 'M', {0, 3}, {3, 3}, 1, 1},
        // A CRLF is one character, and no endpoint stays inside it.
        {"a\r\nb", U::Character, 'M', {1, 1}, {3, 3}, 1, 1},
        {"a\r\nb", U::Character, 'S', {3, 4}, {1, 4}, -1, -1},
        // Words as Ctrl+Left/Right find them, trailing blanks included.
        {"Print a, b", U::Word, 'X', {10, 10}, {9, 10}, 0, 0},
        {"Print a, b", U::Word, 'M', {7, 9}, {0, 6}, -2, -2},
        // Hidden lines (line 0 is folded where it can be) are still lines, on
        // the page of the visible line above.
        {"Sub A\nx\nEnd Sub\ny\n", U::Line, 'M', {0, 6}, {6, 8}, 1, 1},
        {"Sub A\nx\nEnd Sub\ny\n", U::Page, 'X', {7, 7}, {0, 18}, 0, 0},
        {"Sub A\nx\nEnd Sub\ny\n", U::Page, 'M', {18, 18}, {0, 0}, -1, -1},
    };
    for (const Case& c : cases) {
        EditorCore core;
        ConfigureLexer(core);
        core.SetText(c.text);
        core.ToggleFold(0);
        kalmor::TextUnits units(core, 2);
        TextSpan span = c.from;
        int moved = 0;
        if (c.op == 'X')
            span = units.Expand(span, c.unit);
        else if (c.op == 'M')
            moved = units.Move(span, c.unit, c.count);
        else
            moved = units.MoveEndpoint(span, c.op == 'E', c.unit, c.count);
        EXPECT_EQ(std::tuple(span.start, span.end, moved),
                  std::tuple(c.want.start, c.want.end, c.moved))
            << "case " << &c - cases;
    }
}

// Requests that fill a caller's buffer write no further than the size they
// are given (SCI_GETTEXT's counts the NUL) or, given none, the length they
// answer when asked without a buffer, plus the NUL; what follows is untouched.
TEST(Requests, BuffersAreFilledWithinTheirSize) {
    const std::string text = "Sub A\r\nx";
    EditorCore core;
    Send(core, SCI_SETTEXT, 0, Pointer(text.c_str()));
    Send(core, SCI_SETSEL, 2, 7);
    Send(core, SCI_STYLESETFONT, 5, Pointer("Arial"));
    // What a request answers and writes into `room` bytes followed by guard bytes.
    auto read = [&](unsigned request, uintptr_t wParam, size_t room) {
        std::string buffer(room + 4, '#');
        intptr_t answer = Send(core, request, wParam, Pointer(&buffer[0]));
        return std::pair(answer, buffer);
    };
    using Read = std::pair<intptr_t, std::string>;
    for (size_t size = 0; size <= 11; ++size) {
        std::string want = size ? text.substr(0, size - 1) + '\0' : "";
        EXPECT_EQ(read(SCI_GETTEXT, size, size),
                  Read(size ? want.size() - 1 : 0, want + std::string(size + 4 - want.size(), '#')))
            << "SCI_GETTEXT into " << size << " bytes";
    }
    EXPECT_EQ(read(SCI_GETSELTEXT, 0, Send(core, SCI_GETSELTEXT) + 1),
              Read(5, std::string("b A\r\n\0####", 10)));
    EXPECT_EQ(read(SCI_STYLEGETFONT, 5, Send(core, SCI_STYLEGETFONT, 5) + 1),
              Read(5, std::string("Arial\0####", 10)));
}

// Where each code page's characters start, written out by hand: '|' before
// each character start and at the end. Unknown code pages are refused.
TEST(CodePages, CharacterStarts) {
    const struct {
        int codePage;
        const char* text;
        const char* starts;
    } cases[] = {
        {0, "a\xE4\xB8\xAD", "|a|\xE4|\xB8|\xAD|"},
        {65001, "a\xE4\xB8\xAD\xF0\x9F\x98\x80", "|a|\xE4\xB8\xAD|\xF0\x9F\x98\x80|"},
        // Cut short, overlong, a surrogate, past U+10FFFF, stray continuations.
        {65001, "\xE4\xB8\xC0\x80\xED\xA0\x80\xF4\x90\x80\x80\xBF",
         "|\xE4|\xB8|\xC0|\x80|\xED|\xA0|\x80|\xF4|\x90|\x80|\x80|\xBF|"},
        {932, "\x83\x5C\x5C\x81\r\xA0\xE0\x40", "|\x83\x5C|\x5C|\x81|\r|\xA0|\xE0\x40|"},
        {936, "\xFE\x40\x81\x7F", "|\xFE\x40|\x81|\x7F|"},
        {949, "\xB0\xA1\x81\x5B\x81\x61", "|\xB0\xA1|\x81|\x5B|\x81\x61|"},
        {950, "\xA4\x40\x81\x80\xFE\xFE", "|\xA4\x40|\x81|\x80|\xFE\xFE|"},
        {1361, "\x88\x61\xD4\x31\xD8\x31", "|\x88\x61|\xD4|\x31|\xD8\x31|"},
    };
    for (const auto& c : cases) {
        EditorCore core;
        core.SetText(c.text);
        Send(core, SCI_SETCODEPAGE, c.codePage);
        std::string starts = "|";
        for (int pos = 0; pos < core.Length(); pos = core.PositionAfter(pos))
            starts += core.TextRange(pos, core.PositionAfter(pos)) + "|";
        EXPECT_EQ(starts, c.starts) << c.codePage << " " << &c - cases;
    }
    EditorCore core;
    for (int refused : {1252, 1200, -1, 65000})
        Send(core, SCI_SETCODEPAGE, refused);
    EXPECT_EQ(Send(core, SCI_GETCODEPAGE), 0);
}

// Searches whose answer turns on one rule: folding in each code page
// (Unicode's simple folding in UTF-8, so the final sigma and capital sharp s
// fold but "SS" is not "ß"; the Kelvin sign and long s match ASCII k and s;
// the host's tables in 1252 and 932), words, and never a match inside or
// across part of a character; a byte rare in most text but everywhere in
// this one, before a match.
TEST(Search, EachRuleDecidesTheMatch) {
    const int anyCase = 0, word = SCFIND_WHOLEWORD, start = SCFIND_WORDSTART;
    const std::string dollars = std::string(300, '$') + "Q$";
    const struct {
        int codePage;
        const char* text;
        const char* needle;
        int flags, from, to;
        std::pair<int, int> found;
    } cases[] = {
        {65001, "\xCE\xA3\xCE\x91\xCE\xA3", "\xCF\x83\xCE\xB1\xCF\x82", anyCase, 0, 6, {0, 6}},
        {65001, "STRASSE stra\xE1\xBA\x9E", "stra\xC3\x9F", anyCase, 0, 15, {8, 15}},
        {65001, "Sub K\xE2\x84\xAA \xC5\xBFub", "sub", anyCase, 13, 0, {9, 13}},
        {65001, "xK\xE2\x84\xAA", "kk", anyCase, 0, 5, {1, 5}},
        {65001, "\xC4\x81\xC4\x80", "\xC4\x81", anyCase, 4, 0, {2, 4}},
        {65001, "\xE4\xB8\xAD", "\xE4\xB8", SCFIND_MATCHCASE, 0, 3, {-1, -1}},
        {65001,
         "a\xB8\xAD"
         "b",
         "\xB8\xAD",
         SCFIND_MATCHCASE,
         0,
         4,
         {1, 3}},
        {1252, "\xC4\xD6\xE4\xF6", "\xE4\xF6", anyCase, 3, 0, {0, 2}},
        {1252, "\xC4\xD6\xE4\xF6", "\xE4\xF6", SCFIND_MATCHCASE, 3, 0, {-1, -1}},
        {932, "\x82\x60\x82\x81", "\x82\x81", anyCase, 3, 0, {0, 2}},
        {932, "\x83\x5C\\", "\\", anyCase, 0, 3, {2, 3}},
        {932, "\x83\x5Cx", "\x5Cx", anyCase, 0, 3, {-1, -1}},
        {1252, "Subtotal sub", "sub", word, 0, 12, {9, 12}},
        {1252, "Subtotal sub", "total", start, 0, 12, {-1, -1}},
        {1252, "x = a+b", "+", word, 0, 7, {5, 6}},
        {1252, "ab ab ab", "ab", anyCase, 8, 0, {6, 8}},
        {1252, "ab ab ab", "ab", anyCase, 1, 5, {3, 5}},
        {1252, "ab", "", anyCase, 0, 2, {-1, -1}},
        {1252, dollars.c_str(), "Q$", SCFIND_MATCHCASE, 0, 302, {300, 302}},
        {1252, dollars.c_str(), "q$", anyCase, 1, 302, {300, 302}},
    };
    for (const auto& c : cases) {
        EditorCore core;
        core.SetSystemCodePage(c.codePage == 65001 ? 1252 : c.codePage);
        core.SetCodePageFolding(SessionFolding);
        Send(core, SCI_SETCODEPAGE, c.codePage == 65001 ? 65001 : 0);
        core.SetText(c.text);
        EXPECT_EQ(core.Find(c.from, c.to, c.needle, c.flags), c.found) << "case " << &c - cases;
    }
}

TEST(Session, CorpusAndSeedsAgreeWithTheModels) {
    std::vector<std::string> inputs(8, std::string(4000, '\0'));
    for (size_t seed = 0; seed < inputs.size(); ++seed)
        std::generate(inputs[seed].begin(), inputs[seed].end(), std::mt19937(seed));
    for (const auto& entry : std::filesystem::directory_iterator(KALMOR_CORPUS_DIR)) {
        std::ifstream file(entry.path(), std::ios::binary);
        inputs.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    for (const std::string& bytes : inputs)
        EXPECT_EQ(RunSession(bytes), "") << "input " << &bytes - &inputs[0];
}

} // namespace
