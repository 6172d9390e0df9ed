// Text units over document positions, as a screen reader reads by them:
// character (a CRLF is one), format (a run of one style), word (the words of
// Ctrl+Left/Right), line and paragraph (a document line with its line end),
// page (a screenful of display lines and the hidden lines under them) and
// the whole document. Hidden lines count like visible ones.
//
// The moves follow the documented rules of a UI Automation text range: a
// non-empty range moves whole units and stays one unit long; an empty range
// moves as an insertion point; an endpoint moves to unit boundaries and
// pushes the other endpoint along when it crosses it. Each answers how many
// units it actually moved, fewer than asked at either end of the document.
#pragma once
#include <string>

namespace kalmor {

class EditorCore;

// The documented TextUnit values; anything else is treated as Document.
enum class TextUnit {
    Character = 0,
    Format = 1,
    Word = 2,
    Line = 3,
    Paragraph = 4,
    Page = 5,
    Document = 6
};

struct TextSpan {
    int start = 0;
    int end = 0;
};

class TextUnits {
  public:
    // pageLines: the display lines one screenful shows (at least 1 is used).
    TextUnits(const EditorCore& core, int pageLines);

    // The range reduced or grown to the one unit holding its start; at the
    // document's end, the unit ending there.
    TextSpan Expand(TextSpan range, TextUnit unit) const;
    // Moves the range by count units; answers the units moved.
    int Move(TextSpan& range, TextUnit unit, int count) const;
    // Moves the start (end == false) or end endpoint by count unit boundaries.
    int MoveEndpoint(TextSpan& range, bool end, TextUnit unit, int count) const;

    // The range clamped into the document, its endpoints ordered and never inside a CRLF.
    TextSpan Clamp(TextSpan range) const;

  private:
    bool IsStart(TextUnit unit, int pos) const;
    int NextStart(TextUnit unit, int pos) const;     // first start after pos, or the document's end
    int PreviousStart(TextUnit unit, int pos) const; // last start before pos, or 0
    int StartAtOrBefore(TextUnit unit, int pos) const;
    int PageOfLine(int line) const;

    const EditorCore& core_;
    int pageLines_;
};

} // namespace kalmor
