// The BASIC lexer's fold rules, text units at the document's edges, and the
// fuzzer's corpus with fixed seeds replayed as sessions checked against the
// models in test_support.h.
#include "session.h"

#include "component/core/basic_lexer.h"
#include "component/core/document.h"
#include "component/core/text_units.h"
#include "component/core/words.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <random>
#include <tuple>
#include <utility>

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

// Each row a text, its shape, and (if given) each token's style, a digit a
// byte (hexadecimal).
TEST(FoldRules, HeadersEndsNestingAndTokens) {
    const char* const cases[][3] = {
        // After access words, closed by an End of either kind.
        {"Private Sub A()\n  Exit Sub\nEnd Function\n", "A110", ""},
        // Assignments to a function's result are no headers.
        {"Public Static Function B\n  Function = 1\n  function$=2\nEND   SUB\n", "A1110", ""},
        // Nor a stray End, a Declare, a longer word or a comment.
        {"End Sub\nDeclare Sub C Lib \"x\"\nSubtotal = 3\n' Sub D\n", "00000", ""},
        // One End closes every open sub; an indented header may stay open.
        {"Sub A\n  a\n  Sub B\n    b\nEnd Sub\nc\n  sub E\n  x = 1", "A1B220A1", ""},
        // Names with an underscore, keywords in any case up to the list's
        // longest, a keyword with a type suffix, a number after a name.
        {"a_b _x=1", "0", "77707762"},
        {"UCase$(s)", "0", "333333676"},
        {"AS Long BYREF", "0", "3303333033333"},
        {"#include x&H1F", "0", "33333333072222"},
    };
    for (auto [text, shape, styles] : cases) {
        BasicCore core(text);
        std::string got;
        for (char style : core.StyleRange(0, *styles ? core.Length() : 0))
            got += "0123456789ABCDEF"[style & 15];
        EXPECT_EQ(std::pair(Shape(core), got), std::pair(std::string(shape), std::string(styles)))
            << text;
    }
    // Nesting stops deepening at the deepest level there is.
    EXPECT_EQ(BasicCore(Repeat("Sub A\n", 4000)).FoldLevel(3999),
              SC_FOLDLEVELNUMBERMASK | SC_FOLDLEVELHEADERFLAG);
}

// A large text is lexed as it is read: in any order of edits and reads it
// answers every style and fold level as a core that lexed each piece as it
// came, and contracting a fold first lexes the rest.
TEST(FoldRules, LazyLexingAnswersAsLexingAtOnce) {
    std::mt19937 random(11);
    const char* const kinds[] = {
        "Sub A", "  x = \"Sub\" ' End Sub", "End Sub", "Function F()", "  Sub B", "Dim y", ""};
    auto block = [&](int lines) {
        std::string text;
        for (int i = 0; i < lines; ++i)
            text += std::string(kinds[random() % 7]) + "\n";
        return text;
    };
    BasicCore lazy, eager;
    // The reference takes every text a few bytes at a time, each piece lexed at once.
    auto insert = [&](int line, const std::string& text) {
        lazy.InsertText(lazy.LineStart(line), text);
        for (size_t at = 0; at < text.size(); at += 16)
            eager.InsertText(eager.LineStart(line) + static_cast<int>(at), text.substr(at, 16));
    };
    // Subs across the ends of the first two lexing chunks (4096 lines each).
    std::string text = "Sub Y\nx\nEnd Sub\n" + block(4087);
    text += "Sub Z\n" + Repeat("x\n", 20) + "End Sub\n" + block(4074);
    text += "Sub W\n" + Repeat("x\n", 20) + "End Sub\n" + block(3792);
    // A fresh load contracts a fold that runs past what is lexed: all of it is hidden.
    BasicCore folded(text);
    folded.ToggleFold(4090);
    EXPECT_FALSE(folded.LineVisible(4100));
    insert(0, text);
    // First reads at the chunks' edges: the levels past them are lexed too.
    EXPECT_EQ(lazy.FoldParent(1), 0);
    EXPECT_EQ(lazy.FolderMarker(4095), eager.FolderMarker(4095));
    EXPECT_EQ(lazy.LastChild(8186), eager.LastChild(8186));
    for (int round = 0; round < 300; ++round) {
        int line = static_cast<int>(random() % static_cast<unsigned>(lazy.LineCount()));
        int lines = random() % 8 ? 1 : 200;
        switch (random() % 6) {
        case 0: insert(line, block(lines)); break;
        case 5:
            for (EditorCore* core : {&lazy, &eager})
                core->DeleteRange(core->LineStart(line),
                                  core->LineStart(line + lines) - core->LineStart(line));
            break;
        case 1: ASSERT_EQ(lazy.FoldLevel(line), eager.FoldLevel(line)) << round; break;
        case 2: ASSERT_EQ(lazy.LastChild(line), eager.LastChild(line)) << round; break;
        case 3:
            ASSERT_EQ(lazy.StyleAt(lazy.LineStart(line) + 2),
                      eager.StyleAt(eager.LineStart(line) + 2));
            break;
        default: ASSERT_EQ(lazy.FolderMarker(line), eager.FolderMarker(line)) << round;
        }
    }
    int header = 0;
    while (!lazy.IsHeader(header))
        ++header;
    lazy.ToggleFold(header);
    insert(header + 1, block(300));
    ASSERT_EQ(LexingDiffers(lazy, eager), "");
}

// An edit inside a line is restyled around it only as far as the old
// styles do not hold: each row an edit after which the line's styles are
// those a fresh lexing gives.
TEST(FoldRules, EditsInsideALineRestyleAsFromScratch) {
    std::string lines = Repeat("Dim a\n", 5000);
    // A line over 64 KB is restyled from a stretch around the edit, which
    // must reach back over the blanks after a Const and on over a string,
    // a comment or the blanks before a constant's name; the rows compare
    // the fold levels too.
    std::string pad = Repeat("a=b+1:", 6667), blanks(10000, ' ');
    std::string constant = pad + "Const" + blanks + "y" + pad;
    int name = static_cast<int>(constant.find('y', pad.size()));
    const struct {
        std::string text;
        int at, removed;
        const char* inserted;
    } edits[] = {
        {"Cons  y", 4, 0, "t"}, // y becomes a constant's name
        {"Const  x", 0, 5, ""}, // and stops being one
        {"byval", 1, 0, "x "},  // a keyword split by a blank
        {"longx y", 4, 1, ""},  // a keyword made whole again
        // What follows an operator decides what it is: &H1 is a number, .5 too.
        {"x=a+&h", 6, 0, "1"},
        {"x=a+b.", 6, 0, "5"},
        {"x=1e+", 5, 0, "5"},
        // A line end deleted before a line not lexed yet: the joined line is lexed whole.
        {lines, 4096 * 6 - 1, 1, ""},
        {constant, name, 0, "z"},
        {constant, name - 10001, 1, ""},
        {pad + "x" + blanks + "\"" + pad, 40002, 0, "\""},
        {pad + pad, 40002, 0, "'"},
        // Its fold kind is read from as much of its start as that takes.
        {"Sub" + std::string(300, ' ') + pad + pad + "\nx\nEnd Sub\n", 303, 0, "="},
    };
    for (const auto& edit : edits) {
        BasicCore core(edit.text);
        core.StyleAt(edit.at); // read up to the edit
        core.DeleteRange(edit.at, edit.removed);
        core.InsertText(edit.at, edit.inserted);
        EXPECT_EQ(RelexDiffers(core), "") << edit.text.substr(0, 10);
    }
}

// The style changes a core tells: where each starts and how long it is.
struct StylesHeard : ChangeListener {
    std::vector<std::pair<int, int>> styled;
    void Modified(const Modification& m) override {
        if (m.type & SC_MOD_CHANGESTYLE)
            styled.emplace_back(m.position, m.length);
    }
    void ModifyAttemptReadOnly() override {}
};

// A long line is styled only as far as it is read; whatever is read, edited
// and read again, each style read is the one lexing the whole text at once
// gives. Edits fall just past what a read styled, where the lexer stopped.
TEST(FoldRules, ALongLineStyledAsReadAnswersAsLexedAtOnce) {
    // The last two are longer than the stretches the lexer styles at a time.
    std::vector<std::string> tokens = {"a=b+1:", " ", "Const ", "\"s t\"", "&H1F", "1e+5", ".5",
                                       "x",      "(", "&",      "h1",      "e",    "\"",   "Sub "};
    tokens.push_back(std::string(5000, 'q'));
    tokens.push_back("\"" + std::string(9000, ' ') + "\"");
    KeywordList keywords;
    keywords.Set(KEYWORD_LIST);
    // What follows an operator decides what it is: the lexer stops only
    // where three bytes after it are seen, and an edit that close to where
    // it stopped restyles before it. &H1 is a number.
    char cut[5];
    EXPECT_EQ(StyleBasicStretch("a=&H1", 3, false, keywords, cut, 2), -1);
    for (auto [text, at, inserted] : {std::tuple("&Zq", 1, "H1"), std::tuple("&Hq", 2, "1")}) {
        BasicCore core("x\n" + std::string(65535, 'x') + text + std::string(9999, 'y'));
        core.InsertText(65537 + at, inserted);
        EXPECT_EQ(core.StyleAt(65537), kBasicNumber) << text;
    }
    // The part styled moves with the line when a line is put in above it;
    // each step styled on is told from where the last stopped.
    StylesHeard heard;
    BasicCore moved("x\n" + Repeat("a=b+1:", 20000) + "\n");
    moved.InsertText(0, "Dim\n");
    moved.SetListener(&heard);
    moved.StyleAt(100000);
    moved.SetListener(nullptr);
    ASSERT_EQ(heard.styled.size(), 1u);
    EXPECT_GE(heard.styled[0].first, 6 + 65536);
    EXPECT_GT(heard.styled[0].first + heard.styled[0].second, 100000);
    EXPECT_EQ(RelexDiffers(moved), "");
    std::mt19937 random(7);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::string line;
    while (line.size() < 150000)
        line += tokens[pick(16)];
    BasicCore core("Sub A\n" + line + "\nEnd Sub\n'" + line + "\n");
    // The styles of the whole text, each line lexed in one pass.
    auto eager = [&] {
        std::string text = core.Text(), styles(text.size(), '\0');
        for (int l = 0; l < core.LineCount(); ++l)
            StyleBasicLine(text.data() + core.LineStart(l), core.LineEnd(l) - core.LineStart(l),
                           keywords, styles.data() + core.LineStart(l));
        return styles;
    };
    int read = 6;
    for (int step = 0; step < 600; ++step) {
        int at = pick(2) == 0 ? read + 4096 + pick(8) : pick(core.Length() + 1);
        at = std::min(at, core.Length());
        switch (pick(4)) {
        case 0: core.InsertText(at, tokens[pick(14)].c_str()); break;
        case 1: core.DeleteRange(at, pick(6)); break;
        case 2: core.InsertText(at, pick(100) == 0 ? "\n" : "+"); break;
        default: {
            int end = std::min(core.Length(), at + pick(64));
            read = end;
            ASSERT_EQ(core.StyleRange(at, end), eager().substr(at, end - at))
                << "step " << step << " at " << at;
        }
        }
    }
    EXPECT_EQ(RelexDiffers(core), "");
    EXPECT_EQ(core.StyleRange(0, core.Length()), eager());
}

// A read far into a long line styles from near it when all before it is
// plain, and answers as lexing the whole line does: each row puts one thing
// 100 KB into 200 KB of statements and reads 200 KB in, from skip bytes into
// a text whose style there depends on what comes before; some then edit
// before it (back bytes before the text) and read again.
TEST(FoldRules, FarReadsAnswerAsLexedAtOnce) {
    const std::string plain = Repeat("a=b:", 25000);
    const struct {
        const char *before, *read;
        int skip;
        const char* edit;
        int back;
    } rows[] = {
        {"", "#include x", 1, nullptr, 0}, // # belongs to the word after it
        {"", "&H1F", 1, nullptr, 0},       // & to the number
        {"", "Const  k", 7, nullptr, 0},   // k after the blanks is Const's name
        {"x: REM y", "a", 0, nullptr, 0},  // a comment, an unclosed string or assembler far before
        {"x: Asm y", "a", 0, nullptr, 0},  {"s = \"", "a", 0, nullptr, 0},
        {"", "a", 0, "'", 100000}, // made a comment after it was read
        {"", "a", 0, "Rem ", 100000},      {"", "k", 0, "Const ", 0},
        {"", "1.E+5", 2, nullptr, 0}, // the point is the number's: E+5 is not a word
    };
    for (const auto& row : rows) {
        std::string line = plain + plain + row.before + plain + plain + row.read + plain;
        BasicCore core("x\n" + line + "\n");
        int at = 2 + static_cast<int>(4 * plain.size() + std::strlen(row.before)) + row.skip;
        int length = static_cast<int>(std::strlen(row.read)) - row.skip;
        std::string read = core.StyleRange(at, at + length);
        if (row.edit) {
            core.InsertText(at - row.back, row.edit);
            at += static_cast<int>(std::strlen(row.edit));
            read = core.StyleRange(at, at + length);
        }
        BasicCore whole(core.Text()); // read from its start, as lexed at once
        EXPECT_EQ(read, whole.StyleRange(0, whole.Length()).substr(at, length))
            << row.before << row.read;
    }
    // What a far read styles is told from where it began, near the read;
    // new keywords restyle what was styled far out too.
    StylesHeard heard;
    BasicCore core("x\n" + Repeat(plain, 4) + "Long:" + plain + "\n");
    int far = 2 + static_cast<int>(4 * plain.size());
    core.SetListener(&heard);
    core.StyleAt(far);
    core.SetListener(nullptr);
    ASSERT_EQ(heard.styled.size(), 1u);
    EXPECT_GE(heard.styled[0].first, far - 4);
    EXPECT_EQ(core.StyleAt(far), kBasicKeyword);
    Send(core, SCI_SETKEYWORDS, 0, Pointer("x"));
    EXPECT_EQ(core.StyleAt(far), kBasicIdentifier);
}

// An insert of more line ends than the index takes at once, at a line's
// start, and a CR inserted before an LF already there (one line end with
// it) give the lines a load of the same text gives.
TEST(FoldRules, ManyLinesInsertedAtALineStart) {
    BasicCore core("a\nb\nc\n");
    core.InsertText(2, Repeat("x\n", 3000).c_str());
    core.InsertText(1, "abc\r");
    BasicCore loaded(core.Text());
    ASSERT_EQ(core.LineCount(), loaded.LineCount());
    for (int line = 0; line < loaded.LineCount(); ++line)
        ASSERT_EQ(core.LineStart(line), loaded.LineStart(line)) << line;
}

// Whole ranges moved over hidden lines (line 0 folded): they are still
// lines, on the page of the visible line above.
TEST(TextUnits, HiddenLinesAreOnThePageAbove) {
    BasicCore core("Sub A\nx\nEnd Sub\ny\n");
    core.ToggleFold(0);
    TextSpan line{0, 6}, page{18, 18};
    kalmor::TextUnits units(core, 2);
    EXPECT_EQ(std::tuple(units.Move(line, TextUnit::Line, 1), line.start, line.end,
                         units.Move(page, TextUnit::Page, -1), page.start, page.end),
              std::tuple(1, 6, 8, -1, 0, 0));
}

// Where the characters start, written out by hand ('|' before each
// character start and at the end) in the double-byte code pages the random
// session does not use and a few others; and the first character, like
// every character above ASCII in each code page and '#' and the other
// marks, is a word character: a word runs over all of them, and a whole
// word is matched only where it ends. Unknown code pages are refused.
TEST(CodePages, CharacterStartsAndWordCharactersAboveAscii) {
    const struct {
        int system, codePage; // the system's code page and the document's (the same: through it)
        const char *text, *starts;
    } cases[] = {
        {1252, 936, "\xFE\x40\x81\x7F", "|\xFE\x40|\x81|\x7F|"},
        {1252, 949, "\xB0\xA1\x81\x5B\x81\x61", "|\xB0\xA1|\x81|\x5B|\x81\x61|"},
        {1252, 950, "\xA4\x5C\xA4\x40\x81\x80\xFE\xFE", "|\xA4\x5C|\xA4\x40|\x81|\x80|\xFE\xFE|"},
        {1252, 1361, "\xF9\x31\x88\x61\xD4\x31\xD8\x31", "|\xF9\x31|\x88\x61|\xD4|\x31|\xD8\x31|"},
        {1252, 1252, "\x80", "|\x80|"},
        {1251, 1251, "\xE6", "|\xE6|"},
        {932, 932, "\x83\x5C", "|\x83\x5C|"},
        {1252, 65001, "\xE4\xB8\xAD", "|\xE4\xB8\xAD|"},
    };
    for (const auto& c : cases) {
        EditorCore core;
        Load(core, c.codePage, c.text, c.system);
        std::string starts = "|";
        for (int pos = 0; pos < core.Length(); pos = core.PositionAfter(pos))
            starts += core.TextRange(pos, core.PositionAfter(pos)) + "|";
        std::string character = core.TextRange(0, core.PositionAfter(0));
        std::string word = "a" + character + "#" + character;
        core.SetText(word + " " + word);
        int length = static_cast<int>(word.size());
        EXPECT_EQ(
            std::tuple(starts, Send(core, SCI_WORDENDPOSITION, 0, 1),
                       Send(core, SCI_WORDSTARTPOSITION, 2 * length + 1, 1),
                       core.Find(0, core.Length(), word.substr(0, length - 1), SCFIND_WHOLEWORD),
                       core.Find(core.Length(), 0, word, SCFIND_WHOLEWORD)),
            std::tuple(std::string(c.starts), length, length + 1, std::pair(-1, -1),
                       std::pair(length + 1, 2 * length + 1)))
            << c.system << "/" << c.codePage;
    }
    EditorCore core;
    for (int refused : {1252, 1200, -1, 65000})
        Send(core, SCI_SETCODEPAGE, refused);
    EXPECT_EQ(Send(core, SCI_GETCODEPAGE), 0);
}

// A UTF-8 document of a CR LF line, a line of characters of two and three
// bytes, and a last line without a line end: each reading request on it,
// with what it writes into a buffer just as large as it asks for (or one
// byte too small), guard bytes after: `room` bytes followed by four guard
// bytes; with a range, lParam is a text range record of it and the buffer.
// Then columns.
TEST(Reading, LinesRangesTheCaretsLineAndColumns) {
    const std::string text = "Sub A\r\n\xC3\xA9\xE2\x82\xACx\n\tz";
    EditorCore core;
    Send(core, SCI_SETCODEPAGE, SC_CP_UTF8);
    Send(core, SCI_SETTEXT, 0, Pointer(text.c_str()));
    Send(core, SCI_SETSEL, 7, 12); // the caret before the x
    Send(core, SCI_STYLESETFONT, 5, Pointer("Arial"));
    const struct {
        unsigned request;
        intptr_t wParam;
        size_t room;
        Sci_CharacterRange range; // for SCI_GETTEXTRANGE
        std::pair<intptr_t, std::string> want;
    } cases[] = {
        // A line with its line end and no NUL; none outside the document.
        {SCI_GETLINE, 0, 7, {}, {7, "Sub A\r\n####"}},
        {SCI_GETLINE, 1, 7, {}, {7, "\xC3\xA9\xE2\x82\xACx\n####"}},
        {SCI_GETLINE, 2, 2, {}, {2, "\tz####"}},
        {SCI_GETLINE, 3, 0, {}, {0, "####"}},
        {SCI_GETLINE, -1, 0, {}, {0, "####"}},
        // The caret's line, or the text, cut to the buffer's size with a NUL,
        // answering the caret's offset in it (the bytes copied).
        {SCI_GETCURLINE, 8, 8, {}, {5, std::string("\xC3\xA9\xE2\x82\xACx\n\0####", 12)}},
        {SCI_GETCURLINE, 7, 7, {}, {5, std::string("\xC3\xA9\xE2\x82\xACx\0####", 11)}},
        {SCI_GETCURLINE, 0, 0, {}, {5, "####"}},
        {SCI_GETTEXT, 16, 16, {}, {15, text.substr(0, 15) + std::string("\0####", 5)}},
        {SCI_GETTEXT, 0, 0, {}, {0, "####"}},
        // Bytes between the two positions and a NUL; -1 the end; positions
        // clamped into the document but not moved off a character's bytes.
        {SCI_GETTEXTRANGE, 0, 6, {7, 12}, {5, std::string("\xC3\xA9\xE2\x82\xAC\0####", 10)}},
        {SCI_GETTEXTRANGE, 0, 3, {14, -1}, {2, std::string("\tz\0####", 7)}},
        {SCI_GETTEXTRANGE, 0, 4, {-5, 3}, {3, std::string("Sub\0####", 8)}},
        {SCI_GETTEXTRANGE, 0, 3, {8, 10}, {2, std::string("\xA9\xE2\0####", 7)}},
        {SCI_GETTEXTRANGE, 0, 1, {10, 5}, {0, std::string("\0####", 5)}},
        // Given no size: the length they answer without a buffer, and a NUL.
        {SCI_GETSELTEXT, 0, 6, {}, {5, std::string("\xC3\xA9\xE2\x82\xAC\0####", 10)}},
        {SCI_STYLEGETFONT, 5, 6, {}, {5, std::string("Arial\0####", 10)}},
    };
    for (const auto& c : cases) {
        std::string buffer(c.room + 4, '#');
        Sci_TextRange record{c.range, &buffer[0]};
        void* into = c.request == SCI_GETTEXTRANGE ? static_cast<void*>(&record) : &buffer[0];
        intptr_t answer = Send(core, c.request, c.wParam, Pointer(into));
        EXPECT_EQ(std::pair(answer, buffer), c.want) << &c - cases;
    }

    const intptr_t answers[][3] = {
        // Lengths with the line end, 0 outside; ends before it; lengths asked without a buffer.
        {SCI_LINELENGTH, 0, 7},          {SCI_GETLINE, 1, 7},    {SCI_GETLINEENDPOSITION, 0, 5},
        {SCI_GETLINEENDPOSITION, 9, 16}, {SCI_GETCURLINE, 0, 8}, {SCI_POSITIONFROMLINE, 3, 16},
        {SCI_POSITIONFROMLINE, 4, -1},
    };
    for (const auto& a : answers)
        EXPECT_EQ(Send(core, static_cast<unsigned>(a[0]), a[1]), a[2]) << a[0] << " " << a[1];
    // A negative line is the line of the selection's start.
    Send(core, SCI_SETSEL, 3, 15);
    EXPECT_EQ(Send(core, SCI_POSITIONFROMLINE, -1), 0);

    // Columns count a tab to its next stop and a character of several bytes
    // as one; a column inside a tab lies at the tab; past the line's end, at it.
    Send(core, SCI_SETTABWIDTH, 4);
    core.SetText("a\t\xE4\xB8\xAD\tb\r\n\t\tc");
    const int positions[][3] = {
        {0, 2, 1},  {0, 4, 2},  {0, 5, 5},  {0, 7, 5},  {0, 8, 6},   {0, 9, 7},
        {0, 99, 7}, {0, -3, 0}, {1, 7, 10}, {1, 8, 11}, {1, 10, 12}, {5, 0, 9},
    };
    for (const auto& p : positions)
        EXPECT_EQ(Send(core, SCI_FINDCOLUMN, p[0], p[1]), p[2])
            << "line " << p[0] << " column " << p[1];
    // Asked again and again between edits just before, at and after what
    // was asked last, in each code page, on lines longer than the stretches
    // read at a time: always the column a plain walk from the line's start
    // gives.
    // Halves of characters, and of a CR LF, that an edit can join.
    const char* const pieces[] = {"a",    "\t",   "\xE4\xB8\xAD", "\xE4", "\xB8\xAD",
                                  "\x83", "\x5C", "\xFF",         "\r",   "\n"};
    const int codePages[] = {0, SC_CP_UTF8, 932};
    std::mt19937 random(3);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::string longText;
    while (longText.size() < 20000)
        longText += pieces[pick(5000) == 0 ? 9 : pick(8)];
    core.SetText(longText);
    for (int step = 0, asked = 0; step < 2000; ++step) {
        int at = pick(2) ? asked - 2 + pick(5) : pick(core.Length() + 1);
        at = std::clamp(at, 0, core.Length());
        if (step % 3 == 0)
            core.InsertText(at, pieces[pick(10)]);
        if (step % 3 == 1)
            core.DeleteRange(at, 1 + pick(2));
        if (step % 30 == 0)
            Send(core, SCI_SETTABWIDTH, 1 + pick(8));
        if (step % 30 == 15)
            Send(core, SCI_SETCODEPAGE, codePages[pick(3)]);
        asked = std::min(pick(4) == 0 ? pick(core.Length() + 1) : asked + pick(9), core.Length());
        asked = core.PositionBefore(core.PositionAfter(asked));
        int64_t column = 0, tab = Send(core, SCI_GETTABWIDTH);
        for (int pos = core.LineStart(core.LineFromPosition(asked)); pos < asked;
             pos = core.PositionAfter(pos))
            column = core.CharAt(pos) == '\t' ? (column / tab + 1) * tab : column + 1;
        ASSERT_EQ(Send(core, SCI_GETCOLUMN, asked), column) << "step " << step;
    }
}

// Rules of code editing a host reads back: the zoom's limits, braces paired
// among their own style only, and the search anchor at the selection's start.
TEST(CodeEditing, ZoomBracesAndTheSearchAnchor) {
    EditorCore core;
    for (auto [asked, kept] : {std::pair{21, 20}, {20, 20}, {-11, -10}, {-10, -10}, {7, 7}}) {
        Send(core, SCI_SETZOOM, asked);
        EXPECT_EQ(Send(core, SCI_GETZOOM), kept) << "zoom " << asked;
    }
    ConfigureLexer(core);
    core.SetText("x = (\"(\" + b) ' )\ny = [a(1]");
    const int braces[][2] = {{4, 12}, {12, 4}, {6, -1}, {16, -1}, {22, 26}, {24, -1}, {3, -1}};
    for (const auto& b : braces)
        EXPECT_EQ(Send(core, SCI_BRACEMATCH, b[0]), b[1]) << "brace at " << b[0];

    // A brace in style 0 pairs among style 0 only (the host styles here).
    EditorCore hosted;
    hosted.SetText("( \")\" )");
    Send(hosted, SCI_STARTSTYLING, 2);
    Send(hosted, SCI_SETSTYLING, 3, 1);
    EXPECT_EQ(Send(hosted, SCI_BRACEMATCH, 0), 6);
    // Blanks to a tab stop count as the stop.
    hosted.SetText("  \tx");
    EXPECT_EQ(Send(hosted, SCI_GETLINEINDENTATION, 0), 8);
    // Without tabs, Tab fills with spaces to the stop, counting characters.
    Send(hosted, SCI_SETCODEPAGE, SC_CP_UTF8);
    Send(hosted, SCI_SETUSETABS, 0);
    Send(hosted, SCI_SETINDENT, 4);
    hosted.SetText("\xC3\xA9");
    Send(hosted, SCI_GOTOPOS, 2);
    hosted.Tab();
    EXPECT_EQ(hosted.Text(), "\xC3\xA9   ");

    core.SetText("ab ab ab");
    // The caret at the selection's end, then at its start.
    for (auto [anchor, caret, search, found] :
         {std::tuple{3, 5, SCI_SEARCHNEXT, 3}, {5, 3, SCI_SEARCHPREV, 0}}) {
        Send(core, SCI_SETSEL, anchor, caret);
        Send(core, SCI_SEARCHANCHOR);
        EXPECT_EQ(Send(core, search, 0, Pointer("ab")), found) << "caret at " << caret;
    }
}

// Line ends converted, each to the mode's, backwards so that a CR never
// joins the LF after it; one undo step; the caret stays before its
// character. Enter's line end: the document's own (its first) until the host
// sets a mode; a mode out of range (-1, 3) is ignored, and a conversion
// leaves a mode set as it was.
TEST(CodeEditing, LineEndModesAndConversion) {
    const struct {
        const char* text;
        int set, convert; // -1: no conversion
        std::string want;
        int mode;
        const char* enter;
    } cases[] = {
        {"a\r\nb\rc\nd", -1, SC_EOL_LF, "a\nb\nc\nd", SC_EOL_LF, "\n"},
        {"a\n\nb\r\nc", -1, SC_EOL_CR, "a\r\rb\rc", SC_EOL_CR, "\r"},
        {"a\n\rb", -1, SC_EOL_CRLF, "a\r\n\r\nb", SC_EOL_CRLF, "\r\n"},
        {"a\nb", -1, 3, "a\nb", SC_EOL_LF, "\n"},
        {"x", -1, -1, "x", SC_EOL_CRLF, "\r\n"},
        {"x\ny\r\nz", -1, -1, "x\ny\r\nz", SC_EOL_LF, "\n"},
        {"x\ry", 3, -1, "x\ry", SC_EOL_CR, "\r"},
        {"x\ry", SC_EOL_CRLF, -1, "x\ry", SC_EOL_CRLF, "\r\n"},
        {"x\ry", SC_EOL_CR, SC_EOL_LF, "x\ny", SC_EOL_CR, "\r"},
    };
    for (const auto& c : cases) {
        EditorCore core;
        core.SetText(c.text);
        Send(core, SCI_GOTOPOS, core.Length() - 1);
        Send(core, SCI_SETEOLMODE, c.set);
        if (c.convert >= 0)
            Send(core, SCI_CONVERTEOLS, c.convert);
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        int caret = static_cast<int>(c.want.size()) - 1;
        EXPECT_EQ(std::tuple(core.Text(), core.Caret(), Send(core, SCI_GETEOLMODE)),
                  std::tuple(c.want, caret, c.mode));
        core.InsertLineEnd();
        EXPECT_EQ(core.TextRange(caret, caret + static_cast<int>(strlen(c.enter))), c.enter);
        core.Undo();
        core.Undo();
        EXPECT_EQ(core.Text(), c.text) << "undone";
    }
}

// Adding, appending and clearing, each one undo step; the selection's ends
// placed as the anchor before the caret. Only going to a position brings
// the caret into view.
TEST(Reading, PlacingTextAndTheSelection) {
    const struct {
        const char* text;
        int anchor, caret;
        unsigned request;
        intptr_t wParam;
        const char* lParam;
        std::string want;
        int wantAnchor, wantCaret;
    } cases[] = {
        // At the caret, not over the selection, NULs included, collapsed after it.
        {"abcd", 0, 2, SCI_ADDTEXT, 3, "x\0yz", std::string("abx\0ycd", 7), 5, 5},
        {"abcd", 4, 4, SCI_ADDTEXT, -1, "x", "abcd", 4, 4},
        // At the end, the selection where it was, even at the end; a caret
        // the new LF would leave inside a CR LF steps back.
        {"abcd", 1, 3, SCI_APPENDTEXT, 2, "xyz", "abcdxy", 1, 3},
        {"abcd", 0, 4, SCI_APPENDTEXT, 1, "x", "abcdx", 0, 4},
        {"ab\r", 3, 3, SCI_APPENDTEXT, 1, "\n", "ab\r\n", 2, 2},
        {"abcd", 1, 3, SCI_CLEARALL, 0, nullptr, "", 0, 0},
        // The anchor at or before the caret; clamped out of a CR LF.
        {"ab\r\ncdef", 1, 5, SCI_SETSELECTIONSTART, 4, nullptr, "ab\r\ncdef", 4, 5},
        {"ab\r\ncdef", 1, 5, SCI_SETSELECTIONSTART, 7, nullptr, "ab\r\ncdef", 7, 7},
        {"ab\r\ncdef", 1, 5, SCI_SETSELECTIONEND, 3, nullptr, "ab\r\ncdef", 1, 2},
        {"ab\r\ncdef", 4, 6, SCI_SETSELECTIONEND, 1, nullptr, "ab\r\ncdef", 1, 1},
        {"ab\r\ncdef", 1, 5, SCI_SETEMPTYSELECTION, 3, nullptr, "ab\r\ncdef", 2, 2},
        {"ab\r\ncdef", 1, 5, SCI_GOTOPOS, 3, nullptr, "ab\r\ncdef", 2, 2},
    };
    for (const auto& c : cases) {
        EditorCore core;
        core.SetText(c.text);
        Send(core, SCI_SETSEL, c.anchor, c.caret);
        core.TakeChanges();
        Send(core, c.request, c.wParam, Pointer(c.lParam));
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        if (c.request != SCI_CLEARALL)
            EXPECT_EQ(core.TakeChanges().scrollCaret, c.request == SCI_GOTOPOS);
        EXPECT_EQ(std::tuple(core.Text(), core.Anchor(), core.Caret()),
                  std::tuple(c.want, c.wantAnchor, c.wantCaret));
        core.Undo();
        EXPECT_EQ(core.Text(), c.text);
    }
}

// A load (text set into an empty history) keeps no copy of the text it
// replaces and leaves the document modified; into a history it is undone.
// Without undo collection a change empties the history rather than leave
// steps that no longer fit the text.
TEST(Reading, ALoadAndUndoCollectionOff) {
    EditorCore core;
    core.SetText("old");
    core.InsertText(3, "er");
    core.SetText("new");
    core.Undo();
    core.Undo();
    EXPECT_EQ(std::tuple(core.Text(), core.CanUndo(), core.Modified()),
              std::tuple("old", false, true));

    core.SetText("ab");
    Send(core, SCI_BEGINUNDOACTION);
    core.InsertText(0, "x");
    Send(core, SCI_SETUNDOCOLLECTION, 0);
    core.InsertText(0, "y");
    EXPECT_EQ(std::pair(core.CanUndo(), core.CanRedo()), std::pair(false, false));
    Send(core, SCI_SETUNDOCOLLECTION, 1);
    core.InsertText(0, "z");
    Send(core, SCI_ENDUNDOACTION);
    core.Undo();
    EXPECT_EQ(std::pair(core.Text(), core.CanUndo()), std::pair(std::string("yxab"), false));

    // A change not collected leaves the save point behind for good.
    Send(core, SCI_SETSAVEPOINT);
    Send(core, SCI_SETUNDOCOLLECTION, 0);
    core.InsertText(0, "w");
    Send(core, SCI_SETUNDOCOLLECTION, 1);
    core.InsertText(0, "v");
    core.Undo();
    EXPECT_EQ(std::tuple(core.Text(), Send(core, SCI_GETMODIFY)), std::tuple("wyxab", 1));
}

// Past the length limit text is refused whole, as an edit that runs out of
// memory is: the text and the history stay, the status says so and the
// changes ask for the beep. Up to it, it is taken: what an edit removes
// makes room for what it adds.
TEST(Memory, TextPastTheLimitIsRefusedWhole) {
    for (const char* name : {"set text", "append"}) { // each grows the text by growth bytes
        for (size_t growth : {6, 7}) {                // 14 bytes and a limit of 20
            EditorCore core;
            core.InsertText(0, "Sub A\rEnd Sub\r");
            core.SetLengthLimit(20);
            core.TakeChanges();
            std::string more(growth, 'x');
            name[0] == 'a' ? (void)Send(core, SCI_APPENDTEXT, growth, Pointer(more.c_str()))
                           : core.SetText(core.Text() + more);
            bool refused = growth == 7;
            EXPECT_EQ(
                std::tuple(core.Length(), core.Status(), core.TakeChanges().refused),
                std::tuple(refused ? 14 : 20, refused ? SC_STATUS_BADALLOC : SC_STATUS_OK, refused))
                << name;
            core.SetLengthLimit(kMaxDocumentLength);
            while (core.CanUndo())
                core.Undo();
            EXPECT_EQ(core.Text(), "") << name << ": the history undoes to the start";
        }
    }
}

// A host that styles: asked for styles up to a position, it styles from the
// start of the line of the end styled in style 7, and notes what it heard.
struct StylingHost final : ChangeListener {
    explicit StylingHost(EditorCore& c) : core(c) { core.SetListener(this); }
    void Modified(const Modification& m) override {
        if (m.type & SC_MOD_CHANGEMARKER)
            heard += " marker " + std::to_string(m.line);
        if (m.type & (SC_MOD_CHANGESTYLE | SC_MOD_CHANGEFOLD))
            heard += (m.type & SC_MOD_CHANGESTYLE ? " style " : " fold ") +
                     std::to_string(m.type & SC_MOD_CHANGESTYLE ? m.position : m.line) + "," +
                     std::to_string(m.type & SC_MOD_CHANGESTYLE ? m.length : m.foldLevelNow);
    }
    void ModifyAttemptReadOnly() override {}
    void StyleNeeded(int position) override {
        heard += " needed " + std::to_string(position);
        int start = core.LineStart(core.LineFromPosition(core.EndStyled()));
        Send(core, SCI_STARTSTYLING, start);
        Send(core, SCI_GETSTYLEAT, position); // asked from inside: no second question
        Send(core, SCI_SETSTYLING, position - start, 7);
    }
    std::string Take() { return std::exchange(heard, ""); }
    EditorCore& core;
    std::string heard;
};

// Under SCLEX_CONTAINER the host is asked for what is read before it is
// styled, an edit moves the end styled back to it, and the styles set are
// clamped to the document, their style to a byte; under SCLEX_NULL nothing
// is asked and an edit keeps the host's styles; leaving BASIC clears its.
// Then the fold levels and markers it sets.
TEST(HostStyling, TheHostStylesAndSetsFoldLevelsAndMarkers) {
    EditorCore core;
    StylingHost host(core);
    core.SetText("ab\ncd\nef");
    // (Braced tuples: their parts are asked in order.)
    EXPECT_EQ((std::tuple{Send(core, SCI_GETENDSTYLED), Send(core, SCI_GETSTYLEAT, 4), host.Take(),
                          Send(core, SCI_GETSTYLEAT, 1), Send(core, SCI_GETENDSTYLED)}),
              std::tuple(0, 7, " needed 5 style 0,5", 7, 5));
    core.InsertText(4, "x");
    EXPECT_EQ((std::tuple{Send(core, SCI_GETENDSTYLED), Send(core, SCI_GETSTYLEAT, 3),
                          Send(core, SCI_GETSTYLEAT, 4), host.Take()}),
              std::tuple(4, 7, 7, " needed 5 style 3,2"));

    const char each[] = {1, 2, 3, 4};
    Send(core, SCI_STARTSTYLING, -5);
    Send(core, SCI_SETSTYLINGEX, 2, Pointer(each));
    Send(core, SCI_SETSTYLING, 1, 300);
    Send(core, SCI_STARTSTYLING, 7);
    Send(core, SCI_SETSTYLING, 99, 9);
    EXPECT_EQ(core.StyleRange(0, core.Length()), std::string("\1\2\x2C\7\7\7\0\t\t", 9));
    EXPECT_EQ((std::tuple{Send(core, SCI_GETENDSTYLED), host.Take()}),
              std::tuple(9, " style 0,2 style 2,1 style 7,2"));

    Send(core, SCI_SETLEXER, SCLEX_NULL);
    EXPECT_EQ(core.StyleRange(0, 9), std::string(9, '\0')) << "cleared by another lexer";
    Send(core, SCI_STARTSTYLING, 0);
    Send(core, SCI_SETSTYLING, 9, 5);
    core.InsertText(0, "y");
    EXPECT_EQ((std::tuple{Send(core, SCI_GETSTYLEAT, 9), Send(core, SCI_GETENDSTYLED),
                          Send(core, SCI_GETSTYLEAT, 0), host.Take()}),
              std::tuple(5, 10, 0, " style 0,9 style 0,9"));

    // Fold levels the host sets: masked to the level's bits and told; a
    // contracted header that stops being one shows its lines again, and a
    // fold that comes to hide the caret's line opens.
    core.SetText("a\nb\nc\nd");
    const int header = SC_FOLDLEVELBASE | SC_FOLDLEVELHEADERFLAG, inside = SC_FOLDLEVELBASE + 1;
    Send(core, SCI_SETFOLDLEVEL, 0, header | 0x10000);
    Send(core, SCI_SETFOLDLEVEL, 1, inside | SC_FOLDLEVELWHITEFLAG);
    Send(core, SCI_SETFOLDLEVEL, 9, header);
    EXPECT_EQ(host.Take(), " fold 0,9216 fold 1,5121");
    Send(core, SCI_TOGGLEFOLD, 0);
    Send(core, SCI_GOTOPOS, 5); // on line 2, below the fold
    Send(core, SCI_SETFOLDLEVEL, 2, inside);
    EXPECT_EQ(std::tuple(core.LineVisible(2), Send(core, SCI_GETFOLDEXPANDED, 0)),
              std::tuple(true, 1))
        << "the fold grew over the caret's line";
    Send(core, SCI_TOGGLEFOLD, 0);
    Send(core, SCI_SETFOLDLEVEL, 0, SC_FOLDLEVELBASE);
    EXPECT_EQ(std::tuple(core.LineVisible(1), Send(core, SCI_GETFOLDEXPANDED, 0)),
              std::tuple(true, 1))
        << "the header stopped being one";

    // The requests on a line of markers 3 and 5, told as marker changes.
    host.Take();
    EXPECT_EQ(std::tuple(Send(core, SCI_MARKERADD, 5, 1), Send(core, SCI_MARKERADD, 1, 32)),
              std::tuple(-1, -1));
    Send(core, SCI_MARKERADDSET, 1, (1 << 3) | (1 << 5));
    EXPECT_EQ(std::tuple(Send(core, SCI_MARKERGET, 1), Send(core, SCI_MARKERNEXT, 0, 1 << 5),
                         Send(core, SCI_MARKERNEXT, 2, 1 << 5),
                         Send(core, SCI_MARKERPREVIOUS, 2, 1 << 3),
                         Send(core, SCI_MARKERPREVIOUS, 0, 1 << 3)),
              std::tuple(0x28, 1, -1, 1, -1));
    Send(core, SCI_MARKERDELETE, 1, 3);
    EXPECT_EQ(Send(core, SCI_MARKERGET, 1), 0x20);
    Send(core, SCI_MARKERDELETEALL, -1);
    EXPECT_EQ((std::tuple{Send(core, SCI_MARKERGET, 1), host.Take()}),
              std::tuple(0, " marker 1 marker 1 marker 1"));
}

// Markers stay with their line's text: they move down with lines inserted
// above or at the line's start, stay when it is split after its start, and
// a deleted line's join the line that takes its place; undo brings no line
// its markers back. Margin texts move alike, but a line whose start goes
// loses its text. Each row from "a\nb\nc\nd" with marker 1 and text "B" on
// line 1 and marker 2 and text "C" on line 2: the edit, then each line's
// markers (their mask) and text, and the line of marker 2's handle.
TEST(Markers, TheyFollowTheirLines) {
    const struct {
        const char* what;
        int at;
        const char* insert;
        int deleted; // bytes deleted at `at` after the insert
        bool undo;
        const char* lines;
        int second;
    } rows[] = {
        {"lines inserted at the top", 0, "x\ny\n", 0, false, "0 0 0 2B 4C 0 ", 4},
        {"Enter at line 1's start", 2, "\n", 0, false, "0 0 2B 4C 0 ", 3},
        {"line 1 split after its start", 3, "\n", 0, false, "0 2B 0 4C 0 ", 3},
        {"line 1's whole text deleted", 2, "", 2, false, "0 6B 0 ", 1},
        {"lines joined into line 0", 1, "", 4, false, "6 0 ", 0},
        {"and undone", 2, "", 2, true, "0 0 6B 0 ", 2},
    };
    for (const auto& r : rows) {
        EditorCore core;
        core.SetText("a\nb\nc\nd");
        Send(core, SCI_MARKERADD, 1, 1);
        intptr_t second = Send(core, SCI_MARKERADD, 2, 2);
        Send(core, SCI_MARGINSETTEXT, 1, Pointer("B"));
        Send(core, SCI_MARGINSETTEXT, 2, Pointer("C"));
        core.InsertText(r.at, r.insert);
        core.DeleteRange(r.at, r.deleted);
        if (r.undo)
            core.Undo();
        std::string lines;
        for (int line = 0; line < core.LineCount(); ++line)
            lines += std::to_string(Send(core, SCI_MARKERGET, line)) + core.MarginText(line) + " ";
        EXPECT_EQ(std::pair(lines, Send(core, SCI_MARKERLINEFROMHANDLE, second)),
                  std::pair(std::string(r.lines), intptr_t{r.second}))
            << r.what;
    }
}

// Counting and stepping over characters in a text longer than the stretches
// the core reads at a time, the gap in its middle: from many starts, so that
// stretch ends fall inside characters and between a CR and its LF.
TEST(CodePages, CharactersAcrossStretches) {
    const char* const pieces[] = {"ab",   "\r\n",     "\r",   "\xE4\xB8\xAD", "\xF0\x9F\x98\x80",
                                  "\xFF", "\x83\x5C", "\x81", "\xE4\xB8"};
    for (int codePage : {1252, 65001, 932}) {
        std::mt19937 random(codePage);
        Model model; // its starts: the characters' positions
        model.codePage = codePage;
        while (model.now.text.size() < 36000)
            model.now.text += pieces[random() % std::size(pieces)];
        EditorCore core;
        Load(core, codePage, model.now.text);
        int middle = core.CharacterStart(18000);
        core.InsertText(middle, "x");
        core.DeleteRange(middle, 1);
        std::vector<int> starts = model.Starts();
        int length = model.Length(), total = static_cast<int>(starts.size()) - 1;
        // The index of the last character starting at or before a position.
        auto indexOf = [&](int pos) {
            return int(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin()) - 1;
        };
        for (int i = 0; starts[i] < 40; ++i) {
            int from = starts[i], j = indexOf(length - 16384 * (i % 3) - i), back = starts[j];
            EXPECT_EQ(std::tuple(core.CountCharacters(from, length),
                                 core.PositionRelative(from, total - i),
                                 core.PositionRelative(length, i - total),
                                 core.PositionRelative(back, i - j),
                                 core.PositionRelative(from, j - i)),
                      std::tuple(total - i, length, from, from, back))
                << codePage << " from " << from;
        }
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
