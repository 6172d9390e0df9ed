// Word boundaries, shared by the caret keys (Ctrl+Left/Right, Ctrl+Backspace/
// Delete), double-click selection and the accessibility text units. Letters,
// digits, '_' and the BASIC type suffixes $ % & ! # form words, and so does
// every character of several bytes and every single byte above 0x7F (a
// letter of a single-byte code page, or a byte no character claims). All
// moves go by whole characters.
#pragma once

namespace kalmor {

class EditorCore;

bool IsWordChar(char c);

// Where Ctrl+Right goes: past the rest of the word or punctuation run at pos
// and the blanks after it; a line end is a stop of its own. Stays in the document.
int NextWordStart(const EditorCore& core, int pos);

// Where Ctrl+Left goes: back over blanks, then to the start of the word or
// punctuation run before them; a line end is a stop of its own.
int PreviousWordStart(const EditorCore& core, int pos);

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
