// The BASIC lexer: styles for one line at a time and the line's part in
// folding. Nothing in this dialect spans lines, so each line is lexed alone.
#pragma once
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
    bool Contains(const char* word, int length) const;

  private:
    std::unordered_set<std::string> words_; // lower case
    int longest_ = 0;
};

// What a line means to folding.
enum class BasicLineKind : char { Ordinary, SubHeader, SubEnd };

// Classifies a line (without its line end): a sub header starts with Sub or
// Function, optionally after access words; a sub end starts with End Sub or
// End Function.
BasicLineKind ClassifyBasicLine(const char* line, int length);

// Writes one style byte per byte of the line (without its line end).
void StyleBasicLine(const char* line, int length, const KeywordList& keywords, char* styles);

// Restyles a styled line after an edit changed its bytes [editStart,
// editEnd) only, the styles elsewhere still those of the old text: from the
// last blank or operator before the edit where the lexer starts afresh, to
// the first after it where the old styling did too, so a long line costs
// what its edited stretch does. Answers the end of what was restyled.
int RestyleBasicLine(const char* line, int length, const KeywordList& keywords, char* styles,
                     int editStart, int editEnd);

} // namespace kalmor
