// Searches: a table of the plain search's and the grammars' edge cases, bad
// patterns, patterns that would run away, replacing with groups, and random
// patterns over random short texts in three code pages checked against a
// plain backtracking matcher written here.
#include "session.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace kalmor_test;

namespace {

constexpr int R = SCFIND_REGEXP, P = SCFIND_REGEXP | SCFIND_POSIX, C = SCFIND_CXX11REGEX,
              MC = SCFIND_MATCHCASE;

std::string Tag(EditorCore& core, int tag) {
    std::string text(static_cast<size_t>(Send(core, SCI_GETTAG, tag)), '\0');
    Send(core, SCI_GETTAG, tag, Pointer(&text[0]));
    return text;
}

// Searches whose answer turns on one rule: for regular expressions, what
// the random patterns below cannot make (ranges, escapes, \b, many groups,
// plain parentheses, counts and lazy repeats of what can match nothing, long
// prefixes found by the plain search); for the plain search, what the random
// session's texts seldom reach: Unicode's simple folding in UTF-8 (the final
// sigma and capital sharp s fold but "SS" is not "ß"; the Kelvin sign
// and long s match ASCII k and s), Z folded in 1252, never a match ending
// inside a CR LF, and a byte rare in most text but everywhere in this one,
// before a match. (Lone bytes, the host's table, matches starting inside a
// character or a CR LF: the random session and patterns.)
TEST(Search, EachRuleDecidesTheMatch) {
    const std::string dollars = std::string(300, '$') + "Q$";
    const std::string loaded = std::string(1 << 20, 'x') + "K\xE2\x84\xAA"; // counted when searched
    const struct {
        int codePage, flags;
        const char *pattern, *text;
        int from, to; // -1: the end
        std::pair<int, int> found;
        const char* group; // group 1 when found
    } cases[] = {
        // Groups in each grammar; the others' parentheses are plain.
        {1252, R, "(a)", "a(a)", 0, -1, {1, 4}, ""},
        {1252, P, "\\(a\\)", "a(a)", 0, -1, {1, 4}, ""},
        {1252, C, "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\\1", "abcdefghija", 0, -1, {0, 11}, "a"},
        // Alternation and counts are ECMAScript's; plain in the basic grammar.
        {1252, R, "a|b", "b a|b", 0, -1, {2, 5}, ""},
        {1252, R, "a{2}", "aa{2}", 0, -1, {1, 5}, ""},
        {1252, C, "(a*)*b", "aab", 0, -1, {0, 3}, "aa"},
        // Word edges; line edges never between a CR and its LF.
        {1252, C, "\\bb", "ab b", 0, -1, {3, 4}, ""},
        {1252, C, "a\\B", "a ab", 0, -1, {2, 3}, ""},
        {1252, R, "\\r^\\n", "a\r\nb", 0, -1, {-1, -1}, ""},
        {1252, R, "\\r$\\n", "a\r\nb", 0, -1, {-1, -1}, ""},
        // Classes, named classes, escapes.
        {1252, R, "[a-c]+", "xxbcaz", 0, -1, {2, 5}, ""},
        {1252, R, "[]a]", "x]", 0, -1, {1, 2}, ""},
        {1252, R, "[a-]+", "x-a", 0, -1, {1, 3}, ""},
        {1252, R, "[\\d.]+", "ab1.5", 0, -1, {2, 5}, ""},
        {1252, R, "\\D\\S\\s", "12ab c", 0, -1, {2, 5}, ""},
        {1252, R | MC, "\\x41\\t", "zaA\t", 0, -1, {2, 4}, ""},
        {1252, R, "a\\.\\*", "axb a.*", 0, -1, {4, 7}, ""},
        // Case folding as the plain search folds, in classes too.
        {1252, R, "[a-c]", "xB", 0, -1, {1, 2}, ""},
        {65001, R, "[\xC3\xA0-\xC3\xBF]", "E\xC3\x89", 0, -1, {1, 3}, ""},
        // Escapes of whole characters: a code point, a byte that is a trail byte too.
        {65001, R | MC, "\\xE9", "a\xC3\xA9", 0, -1, {1, 3}, ""},
        {932, R | MC, "\\\\", "\x83\x5C\\", 0, -1, {2, 3}, ""},
        // The literal prefix is found by the plain search, with its rules.
        {1252, R, "Sub \\w+", "sub x Sub y", 0, -1, {0, 5}, ""},
        {1252, R | MC, "Sub \\(\\w+\\)", "sub x Sub y", 0, -1, {6, 11}, "y"},
        // The plain search.
        {65001, 0, "\xCF\x83\xCE\xB1\xCF\x82", "\xCE\xA3\xCE\x91\xCE\xA3", 0, 6, {0, 6}, ""},
        {65001, 0, "stra\xC3\x9F", "STRASSE stra\xE1\xBA\x9E", 0, 15, {8, 15}, ""},
        {65001, 0, "sub", "Sub K\xE2\x84\xAA \xC5\xBFub", 13, 0, {9, 13}, ""},
        {65001, 0, "kk", "xK\xE2\x84\xAA", 0, 5, {1, 5}, ""},
        {65001, 0, "kk", loaded.c_str(), 0, -1, {1 << 20, (1 << 20) + 4}, ""},
        {65001, 0, "\xC4\x81", "\xC4\x81\xC4\x80", 4, 0, {2, 4}, ""},
        {1252, 0, "zZ", "aZz", 0, 3, {1, 3}, ""},
        {1252, 0, "a\r", "a\r\nb", 0, 4, {-1, -1}, ""},
        {1252, MC, "Q$", dollars.c_str(), 0, 302, {300, 302}, ""},
    };
    for (const auto& c : cases) {
        EditorCore core;
        Load(core, c.codePage, c.text);
        auto found = core.Find(c.from, c.to < 0 ? core.Length() : c.to, c.pattern, c.flags);
        EXPECT_EQ(found, c.found) << "case " << &c - cases << " " << c.pattern;
        if (found.first >= 0)
            EXPECT_EQ(Tag(core, 1), c.group) << "case " << &c - cases;
        EXPECT_EQ(Send(core, SCI_GETSTATUS), 0) << "case " << &c - cases;
    }
}

// A bad pattern finds nothing and warns, a later search too;
// runaway patterns return, the ones with references at the step budget.
TEST(Regex, BadAndRunawayPatterns) {
    const std::string nested = std::string(101, '(') + "a" + std::string(101, ')');
    const struct {
        int flags;
        std::string pattern;
    } bad[] = {
        {R, "\\("}, {R, "a\\)"},  {R, "[a"},     {R, "[b-a]"},   {R, "*a"},         {R, "a**"},
        {R, "\\"},  {R, "\\q"},   {R, "\\x4"},   {R, "\\2"},     {R, "\\(a\\)\\2"}, {P, "("},
        {C, ")"},   {C, "(?=a)"}, {C, "a{3,2}"}, {C, "a{1001}"}, {C, "^*"},         {C, nested},
    };
    for (const auto& c : bad) {
        EditorCore core;
        Load(core, 1252, "a*()\\[]{}");
        EXPECT_EQ(core.Find(0, core.Length(), c.pattern, c.flags).first, -1) << c.pattern;
        EXPECT_EQ(Send(core, SCI_GETSTATUS), SC_STATUS_WARN_REGEX) << c.pattern;
        core.Find(0, core.Length(), "a", c.flags);
        EXPECT_EQ(Send(core, SCI_GETSTATUS), SC_STATUS_WARN_REGEX) << c.pattern;
    }

    const std::string as(30000, 'a');
    const struct {
        int flags;
        std::string pattern, text;
        int found, status;
    } runaway[] = {
        {C, "(a*)*b", as, -1, 0},
        {C, std::string(100, '(') + "a" + std::string(100, ')'), "ba", 1, 0},
        {R, "\\(a*\\)*\\1b", as, -1, SC_STATUS_WARN_REGEX},
        {R, "\\(a\\)\\1.*", "aa" + std::string(2000000, 'x'), -1, SC_STATUS_WARN_REGEX},
    };
    for (const auto& c : runaway) {
        EditorCore core;
        Load(core, 1252, c.text);
        EXPECT_EQ(core.Find(0, core.Length(), c.pattern, c.flags).first, c.found) << c.pattern;
        EXPECT_EQ(Send(core, SCI_GETSTATUS), c.status) << c.pattern;
    }
}

// The replacement takes the groups of the last match and becomes the target.
TEST(Regex, ReplaceTargetWithGroups) {
    EditorCore core;
    Load(core, 932, "x = \x83\x5C; name = value;");
    Send(core, SCI_SETSEARCHFLAGS, R);
    Send(core, SCI_SETTARGETSTART, 7);
    Send(core, SCI_SETTARGETEND, core.Length());
    const std::string pattern = "\\(\\w+\\) = \\(\\w*\\)";
    EXPECT_EQ(Send(core, SCI_SEARCHINTARGET, pattern.size(), Pointer(pattern.c_str())), 8);
    EXPECT_EQ(Tag(core, 0), "name = value");
    const std::string with = "\\2:\\1\\\\\\t\\q\x83\x5C\x31";
    EXPECT_EQ(Send(core, SCI_REPLACETARGETRE, static_cast<uintptr_t>(-1), Pointer(with.c_str())),
              17);
    EXPECT_EQ(core.Text(), "x = \x83\x5C; value:name\\\t\\q\x83\x5C\x31;");
    EXPECT_EQ(std::tuple(Send(core, SCI_GETTARGETSTART), Send(core, SCI_GETTARGETEND)),
              std::tuple(8, 25));
    // Backwards through the target's own group, once more.
    Send(core, SCI_SETTARGETSTART, core.Length());
    Send(core, SCI_SETTARGETEND, 0);
    EXPECT_EQ(Send(core, SCI_SEARCHINTARGET, pattern.size(), Pointer(pattern.c_str())), 0);
    EXPECT_EQ(Tag(core, 2), "\x83\x5C");
    // A pattern longer than the text it finds.
    core.SetText("12");
    Send(core, SCI_SETTARGETSTART, 0);
    Send(core, SCI_SETTARGETEND, 2);
    EXPECT_EQ(Send(core, SCI_SEARCHINTARGET, 6, Pointer("[0-9]+")), 0);
    EXPECT_EQ(Send(core, SCI_GETTARGETEND), 2);
}

// A pattern for the model: its tree and its text in the grammar.
struct Pattern {
    enum Kind { Any, Class, Named, Bol, Eol, Bow, Eow, Group, Seq, Alt, Repeat, Ref };
    Kind kind = Seq;
    // A bracket's (one alone, unbracketed, is a character); a named class's letter.
    std::vector<std::string> members;
    bool negated = false, greedy = true;
    int group = 0, min = 0, max = 0; // group 0: not capturing; max -1: no limit
    std::vector<Pattern> kids;
    std::string printed;
};

bool Nullable(const Pattern& p) {
    bool all = std::all_of(p.kids.begin(), p.kids.end(), Nullable);
    bool any = std::any_of(p.kids.begin(), p.kids.end(), Nullable);
    return p.kind == Pattern::Alt                               ? any
           : p.kind == Pattern::Repeat                          ? p.min == 0 || any
           : p.kind == Pattern::Seq || p.kind == Pattern::Group ? all
                                                                : p.kind > Pattern::Named;
}

// Random patterns in one grammar from the characters of one code page,
// printed as they are made.
struct Generator {
    std::mt19937& random;
    const std::vector<std::string>& alphabet;
    int mode, groups = 0; // mode: R, P or C
    std::vector<int> closed;

    int Pick(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
    std::string Letter() { return alphabet[static_cast<size_t>(Pick(int(alphabet.size())))]; }

    Pattern Atom(int depth) {
        Pattern p;
        int kind = Pick(depth > 0 ? 12 : 10);
        if (kind <= 3 || kind == 5 || (kind > 8 && groups >= 9)) {
            bool bracket = kind == 5;
            p.kind = Pattern::Class;
            p.negated = bracket && Pick(3) == 0;
            for (int n = bracket ? Pick(3) + 1 : 1; n > 0; --n)
                p.printed += p.members.emplace_back(Letter());
            p.printed = bracket ? (p.negated ? "[^" : "[") + p.printed + "]" : p.printed;
        } else if (kind == 4 || (kind == 8 && closed.empty())) {
            p.kind = Pattern::Any;
            p.printed = ".";
        } else if (kind == 6) {
            p.kind = Pattern::Named;
            p.printed = "\\" + p.members.emplace_back(1, "wdsW"[Pick(4)]);
        } else if (kind == 7) {
            p.kind = static_cast<Pattern::Kind>(Pattern::Bol + Pick(4));
            p.printed = std::array{"^", "$", "\\<", "\\>"}[p.kind - Pattern::Bol];
        } else if (kind == 8) {
            p.kind = Pattern::Ref;
            p.group = closed[static_cast<size_t>(Pick(int(closed.size())))];
            p.printed = "\\" + std::to_string(p.group);
        } else {
            p.kind = Pattern::Group;
            p.group = mode == C && Pick(3) == 0 ? 0 : ++groups;
            p.kids.push_back(Pick(3) == 0 && mode == C ? Alternatives(depth - 1)
                                                       : Sequence(depth - 1));
            if (p.group > 0)
                closed.push_back(p.group);
            const char* open = p.group == 0 ? "(?:" : mode == R ? "\\(" : "(";
            p.printed = open + p.kids[0].printed + (mode == R ? "\\)" : ")");
        }
        if ((p.kind >= Pattern::Bol && p.kind <= Pattern::Eow) || Pick(3) != 0)
            return p;
        // A repeat (lazy only in ECMAScript); one with no limit only of what
        // cannot match nothing.
        const int counts[][2] = {{0, -1}, {1, -1}, {0, 1}, {2, 3}, {1, 1}, {2, -1}, {0, 2}};
        const char* printed[] = {"*", "+", "?", "{2,3}", "{1}", "{2,}", "{0,2}"};
        int which = Pick(mode == C ? 7 : 3);
        if (counts[which][1] < 0 && Nullable(p))
            which = mode == C ? 2 + Pick(2) : 2;
        bool greedy = mode != C || Pick(2) == 0;
        return Pattern{Pattern::Repeat,  {},  false,
                       greedy,           0,   counts[which][0],
                       counts[which][1], {p}, p.printed + printed[which] + (greedy ? "" : "?")};
    }
    // Kids in a row, or (kind Alt) one of them.
    Pattern Several(Pattern::Kind kind, int n, int depth) {
        Pattern p;
        p.kind = kind;
        for (; n > 0; --n) {
            p.kids.push_back(kind == Pattern::Seq ? Atom(depth) : Sequence(depth));
            p.printed +=
                (p.printed.empty() || kind == Pattern::Seq ? "" : "|") + p.kids.back().printed;
        }
        return p;
    }
    Pattern Sequence(int depth) { return Several(Pattern::Seq, Pick(3) + 1, depth); }
    Pattern Alternatives(int depth) { return Several(Pattern::Alt, Pick(2) + 2, depth); }
};

// The backtracking matcher: characters as the plain scan reads them, each
// part of the pattern tried in order with the rest as a continuation.
struct Matcher {
    const std::string& text;
    int codePage, flags;
    std::vector<int> starts = CharacterStarts(text, codePage);
    CodePageFolding folding = SessionFolding(codePage);
    int end = 0;                        // the range's end, as a character index
    std::array<int, 20> caps{}, best{}; // character indexes; best: the match found's groups
    int Index(int pos) const {          // of the character holding byte pos
        return int(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin()) - 1;
    }
    // The bytes of characters [a, b), "" when either is unset.
    std::string Between(int a, int b) const {
        return a < 0 || b < 0 ? "" : text.substr(starts[a], starts[b] - starts[a]);
    }
    bool Same(const std::string& a, const std::string& b) const {
        return CharacterValue(a, codePage, folding, !(flags & MC)) ==
               CharacterValue(b, codePage, folding, !(flags & MC));
    }
    int Byte(int pos) const {
        return pos < 0 || pos >= int(text.size()) ? -1 : static_cast<unsigned char>(text[pos]);
    }
    bool Word(int i) const { // the character at index i
        return i >= 0 && i + 1 < static_cast<int>(starts.size()) && IsWordChar(text[starts[i]]);
    }
    bool InCrLf(int i) const { return Byte(starts[i] - 1) == '\r' && Byte(starts[i]) == '\n'; }

    // Whether the character at i is one a character, a class or a named class takes.
    bool Take(const Pattern& p, int i) const {
        std::string c = Between(i, i + 1);
        char32_t v = CharacterValue(c, codePage, folding, false);
        bool word = IsWordChar(c[0]), digit = v >= '0' && v <= '9';
        bool space = v == ' ' || (v >= 9 && v <= 13);
        if (p.kind == Pattern::Any)
            return v != '\r' && v != '\n';
        if (p.kind == Pattern::Named)
            return std::array{word, digit, space, !word}[std::string("wdsW").find(p.members[0])];
        bool in = std::any_of(p.members.begin(), p.members.end(),
                              [&](const std::string& m) { return Same(m, c); });
        return in != p.negated;
    }

    using Next = std::function<bool(int)>;
    bool Match(const Pattern& p, int i, const Next& next) {
        int b = Byte(starts[i] - 1), a = Byte(starts[i]);
        switch (p.kind) {
        case Pattern::Bol: return (b < 0 || b == '\n' || (b == '\r' && a != '\n')) && next(i);
        case Pattern::Eol: return (a < 0 || a == '\r' || (a == '\n' && b != '\r')) && next(i);
        case Pattern::Bow: return !Word(i - 1) && Word(i) && next(i);
        case Pattern::Eow: return Word(i - 1) && !Word(i) && next(i);
        case Pattern::Seq: return Sequence(p, 0, i, next);
        case Pattern::Alt:
            return std::any_of(p.kids.begin(), p.kids.end(),
                               [&](const Pattern& kid) { return Match(kid, i, next); });
        case Pattern::Group: { // remembered on the way out, put back when the rest fails
            int* slot = &caps[2 * p.group];
            return Match(p.kids[0], i, [&](int j) {
                int before[2] = {slot[0], slot[1]};
                if (p.group)
                    slot[0] = i, slot[1] = j;
                return next(j) || (slot[0] = before[0], slot[1] = before[1], false);
            });
        }
        case Pattern::Repeat: return Repeat(p, 0, i, next);
        case Pattern::Ref: {
            int from = caps[2 * p.group], to = caps[2 * p.group + 1], j = i;
            for (int k = from; from >= 0 && to >= 0 && k < to; ++k, ++j)
                if (j >= end || !Same(Between(k, k + 1), Between(j, j + 1)))
                    return false;
            return next(from >= 0 && to >= 0 ? j : i);
        }
        default: return i < end && Take(p, i) && next(i + 1);
        }
    }
    bool Sequence(const Pattern& p, size_t k, int i, const Next& next) {
        if (k == p.kids.size())
            return next(i);
        return Match(p.kids[k], i, [&](int j) { return Sequence(p, k + 1, j, next); });
    }
    // count copies matched so far; past the minimum, one more is tried first
    // when greedy, last when lazy; an unlimited one must consume something.
    bool Repeat(const Pattern& p, int count, int i, const Next& next) {
        auto more = [&] {
            return Match(p.kids[0], i, [&](int j) {
                return (p.max >= 0 || j != i) && Repeat(p, count + 1, j, next);
            });
        };
        if (count < p.min)
            return more();
        if (p.max >= 0 && count >= p.max)
            return next(i);
        return p.greedy ? more() || next(i) : next(i) || more();
    }

    // The match from the first start in [from, to] (backwards the last), as byte positions.
    std::pair<int, int> Find(const Pattern& root, int from, int to, bool backward) {
        end = to;
        std::pair<int, int> found{-1, -1};
        for (int s = from; s <= to; ++s) {
            caps.fill(-1);
            int matchEnd = -1;
            if (!InCrLf(s) &&
                Match(root, s, [&](int j) { return !InCrLf(j) && (matchEnd = j, true); })) {
                found = {starts[s], starts[matchEnd]};
                best = caps;
                if (!backward)
                    return found;
            }
        }
        return found;
    }
};

TEST(Regex, RandomPatternsAgreeWithTheBacktrackingMatcher) {
    // Each page's letters for patterns and texts, and its pieces for texts
    // alone ("$" in a pattern is the line end).
    const std::vector<std::string> common = {"a", "b", "A", "1", " ", "\r", "\n"};
    const struct {
        int codePage;
        std::vector<std::string> letters, textOnly;
    } pages[] = {
        {65001,
         {"\xC3\xA9", "\xC3\x89", "\xE4\xB8\xAD", "\xE2\x84\xAA", "k", "\xFF"},
         {"\xE4\xB8"}},
        {932, {"\x82\x60", "\x82\x81", "\x83\x5C"}, {"\x81", "\\"}},
        {1252, {"\xC4", "\xE4", "\xD7"}, {"$"}},
    };
    std::mt19937 random(32);
    for (const auto& page : pages) {
        std::vector<std::string> letters = common;
        letters.insert(letters.end(), page.letters.begin(), page.letters.end());
        std::vector<std::string> pieces = letters;
        pieces.insert(pieces.end(), page.textOnly.begin(), page.textOnly.end());
        for (int round = 0; round < 1500; ++round) {
            int mode = std::array{R, P, C}[round % 3];
            int flags = mode | (random() % 2 ? MC : 0);
            Generator generator{random, letters, mode, 0, {}};
            Pattern root =
                mode == C && random() % 4 == 0 ? generator.Alternatives(2) : generator.Sequence(2);
            std::string text;
            for (int n = static_cast<int>(random() % 10); n > 0; --n)
                text += pieces[random() % pieces.size()];
            EditorCore core;
            Load(core, page.codePage, text);
            int from = static_cast<int>(random() % (text.size() + 1));
            int to = random() % 3 ? static_cast<int>(text.size())
                                  : static_cast<int>(random() % (text.size() + 1));
            if (from > to)
                std::swap(from, to);
            bool backward = random() % 3 == 0;
            Matcher model{text, page.codePage, flags};
            std::pair<int, int> want =
                model.Find(root, model.Index(from), model.Index(to), backward);
            std::pair<int, int> got =
                core.Find(backward ? to : from, backward ? from : to, root.printed, flags);
            std::string where = "text " + text + " pattern " + root.printed + " flags " +
                                std::to_string(flags) + " code page " +
                                std::to_string(page.codePage) + " round " + std::to_string(round);
            ASSERT_EQ(got, want) << where;
            ASSERT_EQ(Send(core, SCI_GETSTATUS), 0) << where;
            for (int g = 1; got.first >= 0 && g <= generator.groups; ++g)
                ASSERT_EQ(Tag(core, g), model.Between(model.best[2 * g], model.best[2 * g + 1]))
                    << where << " group " << g;
        }
    }
}

} // namespace
