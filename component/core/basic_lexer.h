// The BASIC lexer: styles for one line at a time and the line's part in
// folding. Nothing in this dialect spans lines, so each line is lexed alone.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_set>

namespace kalmor {

// Style numbers the BASIC lexer gives.
enum BasicStyle : char {
    kBasicDefault = 0,
    kBasicComment = 1,
    kBasicNumber = 2,
    kBasicKeyword = 3,
    kBasicString = 4,
    kBasicOperator = 6,
    kBasicIdentifier = 7,
    kBasicConstant = 13,
    kBasicAsm = 14,
};

// A set of words compared without regard to case.
class KeywordList {
  public:
    void Set(const char* spaceSeparated);
    // Most words that are none of the list are told so here, inline,
    // without a lookup.
    bool Contains(const char* word, int length) const {
        return length > 0 && length <= longest_ &&
               (lengthsByFirst_[static_cast<unsigned char>(word[0])] & LengthBit(length)) != 0 &&
               Lookup(word, length);
    }
    static uint64_t LengthBit(int length) { return uint64_t{1} << (length < 63 ? length : 63); }

  private:
    bool Lookup(const char* word, int length) const;
    std::unordered_set<std::string> words_; // lower case
    int longest_ = 0;
    // For each first byte (either case), bit k set when a word of k bytes
    // (63: of 63 or more) starts with it.
    uint64_t lengthsByFirst_[256] = {};
};

// What a line means to folding.
enum class BasicLineKind : char { Ordinary, SubHeader, SubEnd };

// Classifies a line (without its line end): a sub header starts with Sub or
// Function, optionally after access words; a sub end starts with End Sub or
// End Function.
BasicLineKind ClassifyBasicLine(const char* line, int length);
// The same from the line's first length bytes only (all of them when
// whole): false, and kind untouched, when the line's kind may depend on
// bytes after them.
bool ClassifyBasicPrefix(const char* line, int length, bool whole, BasicLineKind& kind);

// Writes one style byte per byte of the line (without its line end).
void StyleBasicLine(const char* line, int length, const KeywordList& keywords, char* styles);

// Restyles a styled line after an edit changed its bytes [editStart,
// editEnd) only, the styles elsewhere still those of the old text: from the
// last blank or operator before the edit where the lexer starts afresh, to
// the first after it where the old styling did too, so a long line costs
// what its edited stretch does. Answers the end of what was restyled.
int RestyleBasicLine(const char* line, int length, const KeywordList& keywords, char* styles,
                     int editStart, int editEnd);
// The same given only a stretch of the line, its bytes [0, length) and
// their styles, which start the line when startsLine and end it when
// endsLine; the edit is placed from the stretch's start. Answers -1 when the
// lexer would have to look outside the stretch to know where to start or
// stop (the styles are then to be thrown away): a longer one is needed.
int RestyleBasicStretch(const char* line, int length, bool startsLine, bool endsLine,
                        const KeywordList& keywords, char* styles, int editStart, int editEnd);

// Styles a stretch of a line that starts where the lexer starts afresh (the
// line's start, or an answer of this or of BasicFreshStart), its bytes [0,
// length), to the first place at or after want where it starts afresh again;
// answers that place (length when the stretch ends the line and is styled
// whole), or -1 when the stretch ended first: a longer one is needed.
int StyleBasicStretch(const char* line, int length, bool endsLine, const KeywordList& keywords,
                      char* styles, int want);
// The last place at or before i where the lexer starts afresh whatever the
// bytes from i on are, in a styled stretch of a line whose bytes before i
// are unchanged; -1 when the stretch, not starting the line, is too short to
// tell.
int BasicFreshStart(const char* line, const char* styles, int i, bool startsLine);

// A long line's far part is styled without lexing all that comes before it
// when that stretch is plain: no string, comment or inline assembler can
// start in it, so every token there is a word, a number, an operator or a
// blank, and some bytes end whatever token came before them.
// BasicPlainUntil answers the first byte of [0, length) that could start
// one (a quote, an apostrophe, or "rem" or "asm" in any case, inside a word
// or not), or length; byte 0 must be where the lexer starts afresh.
int BasicPlainUntil(const char* stretch, int length);
// The last place in (0, to] of such a plain stretch where the lexer starts
// afresh whatever came before it: right after an operator no token takes in
// (not + - . # & or a type suffix), or at a blank after a token other than
// Const; -1 when there is none within limit bytes before to.
int BasicSyncBefore(const char* stretch, int to, int limit);

} // namespace kalmor
