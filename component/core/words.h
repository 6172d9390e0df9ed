// Word boundaries, shared by the caret keys (Ctrl+Left/Right, Ctrl+Backspace/
// Delete), double-click selection, whole-word search and the accessibility
// text units. Until the host names its own (SCI_SETWORDCHARS), letters,
// digits, '_' and the BASIC type suffixes $ % & ! # form words, and so does
// every single byte above 0x7F (a letter of a single-byte code page, or a
// byte no character claims); a character of several bytes always does.
// Space and tab are blanks until the host names others. All moves go by
// whole characters.
#pragma once
#include <string>

namespace kalmor {

class EditorCore;

// The default word characters, which regular expressions' \w and \b use.
bool IsWordChar(char c);

// Which single bytes form words and which are blanks; line ends are always
// a class of their own, and a byte in neither set is punctuation.
struct WordCharacters {
    WordCharacters() {
        SetWords(nullptr);
        SetBlanks(nullptr);
    }
    // The bytes of a NUL-terminated list; null for the defaults. A byte
    // named in one set leaves the other.
    void SetWords(const char* bytes);
    void SetBlanks(const char* bytes);
    // The bytes of a set, in increasing order.
    std::string Words() const { return Listed(word); }
    std::string Blanks() const { return Listed(blank); }
    bool word[256];
    bool blank[256];

  private:
    static std::string Listed(const bool (&set)[256]);
};

// Where Ctrl+Right goes: past the rest of the word or punctuation run at pos
// and the blanks after it; a line end is a stop of its own. Stays in the document.
int NextWordStart(const EditorCore& core, int pos);

// Where Ctrl+Left goes: back over blanks, then to the start of the word or
// punctuation run before them; a line end is a stop of its own.
int PreviousWordStart(const EditorCore& core, int pos);

// Where Ctrl+\ and Ctrl+/ go: to the next or previous start of a word
// part, where words split at '_', between letters and digits, before an
// upper-case letter after a lower-case one, and before the last of a run of
// upper-case letters that a lower-case one follows ("XMLParser" is "XML"
// and "Parser"); blanks and punctuation are parts of their own.
int NextWordPartStart(const EditorCore& core, int pos);
int PreviousWordPartStart(const EditorCore& core, int pos);

// The end of the word or run that starts at or holds pos (for double-click).
int WordEndAt(const EditorCore& core, int pos);

// The start of the word or run that holds the character at pos (for
// double-click); pos itself at a line end or the document's end.
int WordStartAt(const EditorCore& core, int pos);

// Whether a word or punctuation run starts at pos, or one ends there: the
// characters on the two sides are of different kinds. Searches by whole
// words and word starts ask these.
bool IsWordStartAt(const EditorCore& core, int pos);
bool IsWordEndAt(const EditorCore& core, int pos);

// SCI_WORDSTARTPOSITION and SCI_WORDENDPOSITION, from a character start:
// back (Start) or on (End) over word characters, or, when
// onlyWordCharacters is false, over the characters of the class of the
// first one met (word characters, blanks, line ends or punctuation). pos
// itself when the first character does not belong; they stop at the
// document's ends.
int WordRunStart(const EditorCore& core, int pos, bool onlyWordCharacters);
int WordRunEnd(const EditorCore& core, int pos, bool onlyWordCharacters);

} // namespace kalmor
