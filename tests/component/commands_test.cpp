// The key commands, through their keys and their requests alike, the host's
// key bindings, and the word characters a host names.
#include "tests/component/editor_fixture.h"

namespace {

constexpr int S = 1, C = 2, A = 4; // Shift, Control and Alt held

class CommandsTest : public EditorTest {
  public:
    // A key as the user presses it, translated, with the modifiers held;
    // with Alt it comes as a system key.
    void PressWith(WPARAM key, int modifiers) {
        Hold(modifiers & C, modifiers & S, modifiers & A);
        Press(key);
        Hold(false, false);
    }
};

// Each row runs through its key (a key runs its command's request), or
// through its request when it has none, and leaves the text and selection
// given; one undo takes an edit back whole. The caret keys that select are
// in KeysAndMouseSelect.
TEST_F(CommandsTest, EachCommandByKeyAndByRequest) {
    std::string lines;
    while (lines.size() < 200)
        lines += "x\n"; // 100 lines
    const struct {
        const char* text;
        int anchor, caret, key, modifiers, command;
        const char* after; // null: the text unchanged
        int newAnchor, newCaret;
    } rows[] = {
        {"  ab", 4, 4, VK_HOME, 0, SCI_HOME, nullptr, 0, 0},
        {"  ab", 4, 4, 0, 0, SCI_VCHOME, nullptr, 2, 2},
        {"  ab", 2, 2, 0, 0, SCI_VCHOMEEXTEND, nullptr, 2, 0},
        {"a\nb\n\nc", 0, 0, VK_OEM_6, C | S, SCI_PARADOWNEXTEND, nullptr, 0, 5},
        {"a\n\nb c", 6, 6, VK_OEM_4, C | S, SCI_PARAUPEXTEND, nullptr, 6, 3},
        {"getXMLParser", 3, 3, VK_OEM_5, C, SCI_WORDPARTRIGHT, nullptr, 6, 6},
        {"getXMLParser", 12, 12, VK_OEM_2, C, SCI_WORDPARTLEFT, nullptr, 6, 6},
        {"x19y", 1, 1, VK_OEM_5, C | S, SCI_WORDPARTRIGHTEXTEND, nullptr, 1, 3},
        {"ab\ncd\nef", 0, 0, 0, 0, SCI_STUTTEREDPAGEDOWN, nullptr, 6, 6},
        {lines.c_str(), 1, 1, VK_DOWN, C, SCI_LINESCROLLDOWN, nullptr, 3, 3},
        {"a\nb", 2, 2, 0, 0, SCI_DELETEBACKNOTLINE, nullptr, 2, 2},
        {"ab", 0, 0, VK_DELETE, 0, SCI_CLEAR, "b", 0, 0},
        {"abcd", 2, 2, VK_BACK, C | S, SCI_DELLINELEFT, "cd", 0, 0},
        {"ab\ncd", 1, 1, VK_DELETE, C | S, SCI_DELLINERIGHT, "a\ncd", 1, 1},
        {"a\nb\nc", 2, 2, 'L', C | S, SCI_LINEDELETE, "a\nc", 2, 2},
        {"a\nbb\nc", 3, 3, 'T', C, SCI_LINETRANSPOSE, "bb\na\nc", 4, 4},
        {"ab\nc", 1, 1, 'D', C, SCI_SELECTIONDUPLICATE, "ab\nab\nc", 1, 1},
        {"abc", 0, 2, 'D', C, SCI_SELECTIONDUPLICATE, "ababc", 0, 2},
        {"a\nb\nc", 0, 4, 0, 0, SCI_LINEDUPLICATE, "a\nb\nc\nc", 0, 4},
        {"a\nb\nc", 0, 0, VK_DOWN, A, SCI_MOVESELECTEDLINESDOWN, "b\na\nc", 2, 2},
        {"a\nb\nc\nd", 2, 6, VK_UP, A, SCI_MOVESELECTEDLINESUP, "b\nc\na\nd", 0, 4},
        {"a\nb", 2, 2, VK_UP, A, SCI_MOVESELECTEDLINESUP, "b\na", 0, 0},
        {"a\nbb\nc", 0, 6, 0, 0, SCI_LINEREVERSE, "c\nbb\na", 0, 6},
        // The rectangle's commands: the main selection is the caret's line's piece.
        {"abc\ndef", 1, 1, VK_DOWN, A | S, SCI_LINEDOWNRECTEXTEND, nullptr, 5, 5},
        {"ab\ncd\nef", 1, 1, VK_NEXT, A | S, SCI_PAGEDOWNRECTEXTEND, nullptr, 7, 7},
        {"  ab", 3, 3, VK_HOME, A | S, SCI_VCHOMERECTEXTEND, nullptr, 3, 2},
        {"  ab", 3, 3, 0, 0, SCI_HOMERECTEXTEND, nullptr, 3, 0},
        {"abc", 1, 1, VK_END, A | S, SCI_LINEENDRECTEXTEND, nullptr, 1, 3},
        {"abc", 1, 1, VK_RIGHT, A | S, SCI_CHARRIGHTRECTEXTEND, nullptr, 1, 2},
        {"abc", 2, 2, VK_LEFT, A | S, SCI_CHARLEFTRECTEXTEND, nullptr, 2, 1},
        {"az za", 4, 1, 'U', C | S, SCI_UPPERCASE, "aZ Za", 4, 1},
        {"ab", 1, 1, VK_RETURN, 0, SCI_NEWLINE, "a\r\nb", 3, 3},
        {"a\nb\nc", 2, 2, 'L', C, SCI_LINECUT, "a\nc", 2, 2},
    };
    for (const auto& row : rows) {
        Load(row.text, row.anchor, row.caret);
        if (row.key)
            PressWith(row.key, row.modifiers);
        else
            Call(row.command);
        std::string how = std::to_string(row.command) + (row.key ? " by key, row " : ", row ") +
                          std::to_string(&row - rows);
        EXPECT_EQ(Text(), row.after ? row.after : row.text) << how;
        EXPECT_EQ(Selection(), std::pair(row.newAnchor, row.newCaret)) << how;
        Call(SCI_UNDO);
        EXPECT_EQ(Text(), row.text) << how << ", undone";
    }
    EXPECT_EQ(Clipboard(parent), L"b\r\n") << "Ctrl+L cuts the line with its line end";
}

// Case changes one character at a time: in the code page's own letters, and
// never a byte no character claims or a letter without a single other case.
TEST_F(CommandsTest, CaseChangesKeepWhatCannotChange) {
    // A code page, a text and the same in capitals.
    const std::tuple<int, const char*, const char*> rows[] = {
        {65001, "a\xC3\xA9\xC3\x9F\xFF", "A\xC3\x89\xC3\x9F\xFF"},
        {0, "a\xE9\x9A", "A\xC9\x8A"},
        {932, "a\x82\x81", "A\x82\x60"},
    };
    for (auto [codePage, text, upper] : rows) {
        Call(SCI_SETCODEPAGE, codePage);
        Load(text, 0, static_cast<int>(strlen(text)));
        Call(SCI_UPPERCASE);
        EXPECT_EQ(Text(), upper) << codePage;
        Call(SCI_LOWERCASE);
        EXPECT_EQ(Text(), text) << codePage;
    }
}

// The target's lines joined with a space where none is, and split to fit a
// width after blanks, or inside a word wider than it; each one undo step.
TEST_F(CommandsTest, TargetLinesJoinAndSplit) {
    Load("a\nb \n\nc\nd", 0, 0);
    Call(SCI_SETTARGETSTART, 0);
    Call(SCI_SETTARGETEND, 7);
    Call(SCI_LINESJOIN);
    EXPECT_EQ(std::pair(Text(), Call(SCI_GETTARGETEND)),
              std::pair(std::string("a b c\nd"), LRESULT{5}));
    // A text, what fits in the width, and the text split.
    const std::tuple<const char*, const char*, const char*> splits[] = {
        {"aaa bbb ccc", "aaa bbb", "aaa bbb \r\nccc"}, {"aaaaaaaa", "aaa", "aaa\r\naaa\r\naa"}};
    for (auto [text, fits, after] : splits) {
        Load(text, 0, 0);
        Call(SCI_SETTARGETEND, Call(SCI_GETLENGTH));
        Call(SCI_LINESSPLIT, Call(SCI_TEXTWIDTH, STYLE_DEFAULT, Pointer(fits)));
        EXPECT_EQ(Text(), after) << text;
        EXPECT_EQ(Call(SCI_GETTARGETEND), Call(SCI_GETLENGTH)) << text;
        Call(SCI_UNDO);
        EXPECT_EQ(Text(), text);
    }
}

// A host binds keys to commands, clears them and refuses nothing silently
// but what is not a command.
TEST_F(CommandsTest, HostBindsAndClearsKeys) {
    Load("a\nb", 0, 0);
    Call(SCI_ASSIGNCMDKEY, 'Q' + (SCMOD_CTRL << 16), SCI_LINEDELETE);
    PressWith('Q', C);
    EXPECT_EQ(Text(), "b");
    Load("abc", 1, 1);
    Call(SCI_ASSIGNCMDKEY, SCK_LEFT, SCI_CHARRIGHT);
    Call(SCI_ASSIGNCMDKEY, SCK_RIGHT, SCI_SETTEXT); // not a command: Right stays
    PressWith(VK_LEFT, 0);
    PressWith(VK_RIGHT, 0);
    EXPECT_EQ(Selection(), std::pair(3, 3));
    Call(SCI_CLEARCMDKEY, SCK_RETURN);
    PressWith(VK_RETURN, 0);
    EXPECT_EQ(Text(), "abc") << "an unbound Enter types no line end";
}

// The word characters and blanks a host names decide word moves, whole-word
// search and word positions, until it asks for the defaults again.
TEST_F(CommandsTest, HostWordCharacters) {
    Load("ab-c..d\xE9 e", 0, 0);
    Call(SCI_SETWORDCHARS, 0, Pointer("abcd-"));
    Call(SCI_SETWHITESPACECHARS, 0, Pointer(". "));
    char words[300] = {};
    PressWith(VK_RIGHT, C);
    EXPECT_EQ(Selection(), std::pair(6, 6)) << "ab-c and the blanks after it";
    PressWith(VK_RIGHT, C);
    EXPECT_EQ(Selection(), std::pair(7, 7)) << "a byte above 0x7F outside the set ends the word";
    EXPECT_EQ(Call(SCI_WORDENDPOSITION, 1, 1), 4);
    Call(SCI_SETSEARCHFLAGS, SCFIND_WHOLEWORD);
    Call(SCI_SETTARGETSTART, 0);
    Call(SCI_SETTARGETEND, 9);
    EXPECT_EQ(Call(SCI_SEARCHINTARGET, 1, Pointer("c")), -1) << "c is inside the word ab-c";
    Call(SCI_SETWORDCHARS, 0, Pointer("abcd-."));
    EXPECT_EQ(Call(SCI_GETWHITESPACECHARS, 0, Pointer(words)), 1) << "the . left the blanks";
    Call(SCI_SETCHARSDEFAULT);
    EXPECT_EQ(Call(SCI_WORDENDPOSITION, 1, 1), 2);
    EXPECT_EQ(Call(SCI_GETWHITESPACECHARS, 0, Pointer(words)), 2);
    EXPECT_STREQ(words, "\t ");
}

} // namespace
