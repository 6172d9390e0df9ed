// The sub fold commands: a sub is a procedure of the listing that the
// editor's lexer turns into a fold, and its header carries the header flag.
#pragma once

// The line that holds the caret.
extern "C" int __stdcall GETCURRENTLINE();

// Opens or closes the sub that contains line and moves the caret to its header.
extern "C" void __stdcall TOGGLESUB(int line);

// Toggles the sub that contains line, then gives every sub header from line
// to the end of the document the same expanded state.
extern "C" void __stdcall TOGGLESUBSBELOW(int line);
