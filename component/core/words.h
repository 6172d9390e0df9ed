// Word boundaries, shared by the caret keys (Ctrl+Left/Right, Ctrl+Backspace/
// Delete), double-click selection and the accessibility text units. Letters,
// digits, '_' and the BASIC type suffixes $ % & ! # form words; bytes above
// 0x7F count as letters, since they are in the ANSI code page.
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

} // namespace kalmor
