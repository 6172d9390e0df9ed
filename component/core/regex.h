// Regular expressions for searching: a pattern compiles to a small program
// of instructions over whole characters of the document's code page, run by
// a Pike VM (every thread in step, so the time is linear in the text times
// the program's size) or, for patterns with back-references, by a
// backtracker with a step budget. Nothing recurses per character: the parser
// recurses per nesting level only, up to kMaxRegexNesting.
#pragma once
#include "component/core/case_folding.h"
#include "component/core/code_page.h"

#include <array>
#include <memory>
#include <string>
#include <utility>

namespace kalmor {

class EditorCore;
struct RegexProgram;

// Limits that keep any pattern from exhausting the editor: nesting of
// groups, the program's size (counted repeats are written out), the
// count of a repeat, and the backtracker's steps and saved alternatives in
// one search.
constexpr int kMaxRegexNesting = 100;
constexpr int kMaxRegexProgram = 10000;
constexpr int kMaxRegexRepeat = 1000;
constexpr long long kRegexStepBudget = 20000000;
constexpr size_t kRegexStackBudget = 1000000;

// Groups 0 (the whole match) to 9 as SCI_GETTAG reports them.
constexpr int kRegexTags = 10;

// What a core keeps between searches: the last program compiled (a host
// searching again and again compiles once) and the text of each group of
// the last match found.
struct RegexState {
    RegexState();
    ~RegexState();
    std::string pattern;
    int flags = 0;
    int codePage = -1;
    std::unique_ptr<RegexProgram> program; // null after a bad pattern
    std::array<std::string, kRegexTags> tags;
};

// How one search ended.
enum class RegexOutcome { Found, NotFound, BadPattern, OverBudget };

// Searches the document bytes [start, end), which lie in one piece at
// bytes, for the pattern: forwards the first match, backwards the one that
// starts last. The core gives the code page, the folding and the text
// around the range (line ends and words are judged by the whole document);
// its plain search finds candidates for a pattern that starts with literal
// text.
RegexOutcome FindPattern(RegexState& state, EditorCore& core, const CodePageFolding& folding,
                         const unsigned char* bytes, int start, int end, bool backward,
                         const std::string& pattern, int flags, std::pair<int, int>* match);

// The replacement with \0 to \9 replaced by the last match's groups, \\ by
// one backslash and \n, \r, \t by those characters; read by characters of
// the code page, so a trail byte is never taken for a backslash.
std::string ExpandReplacement(const RegexState* state, const Encoding& encoding, const char* text,
                              size_t length);

} // namespace kalmor
