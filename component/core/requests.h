// The table of every request the editor answers: its number, the part that
// answers it, the pointers its arguments carry and whether a key can run it. The core's dispatcher
// routes by the part, the window takes the requests of its own part, and the
// tests read which arguments are pointers. A new request is one row here and
// its case in the part's handler.
#pragma once
#include <cstddef>

namespace kalmor {

// Which handler answers a request.
enum class RequestPart : unsigned char {
    None,        // not a request the editor knows: answers 0
    Core,        // the document, the selection, undo, folding, the lexer
    Selections,  // multiple selections and the adders of matches
    Rectangle,   // rectangular selection, selection modes and virtual space
    Style,       // one style's attributes (wParam the style)
    Margin,      // one margin's attributes (wParam the margin)
    Search,      // the target, searching and replacing
    Code,        // tabs, indentation, typing over, zoom, braces
    Reading,     // lines, ranges, columns and words read, text added
    Styling,     // the host's own styles, fold levels and hidden lines
    Look,        // the host's colours for the selection, the caret, its line and the edge
    Markers,     // markers on lines and how they are drawn, and margin texts
    Indicators,  // indicators over ranges of text and how they are drawn
    KeyCommand,  // the key commands that need only the text: caret moves and line edits
    ViewCommand, // the key commands that need the view, the clipboard or the system, and key
                 // bindings
    Window,      // the view, the clipboard and the window's handle: the window answers
};

// Which arguments are pointers the editor reads or writes.
enum RequestPointers : unsigned char {
    kNoPointer = 0,
    kPointerInWParam = 1,
    kPointerInLParam = 2,
};

struct RequestRow {
    unsigned number;
    RequestPart part;
    unsigned char pointers;
    bool command = false; // takes no arguments: a key can be bound to it
};

// Every row, in increasing order of number.
extern const RequestRow kRequests[];
extern const size_t kRequestCount;

// The row of a request number; a row of part None for a number the editor does not know.
const RequestRow& FindRequest(unsigned number);

} // namespace kalmor
