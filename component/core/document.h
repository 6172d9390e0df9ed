// The document: its bytes, one style byte per text byte, and the index of
// line starts. CR, LF and CRLF all end a line.
#pragma once
#include "component/core/gap_vector.h"

#include <cstdint>

namespace kalmor {

// Eight bytes at a time: ZeroBytes is not 0 when a byte of word is 0, so
// ZeroBytes(word ^ (kLowBits * c)) finds a byte equal to c.
constexpr uint64_t kLowBits = 0x0101010101010101;
constexpr uint64_t kHighBits = 0x8080808080808080;
inline uint64_t ZeroBytes(uint64_t word) {
    return (word - kLowBits) & ~word & kHighBits;
}

// The document never grows past this many bytes, so positions stay ints.
constexpr int kMaxDocumentLength = 0x3FFFFFFF;

// How an edit changed the line index: the line starts at indices
// [firstLine, firstLine + linesRemoved) of the old document were replaced by
// linesAdded starts. Line firstLine - 1 is the first line whose text changed
// and line firstLine - 1 + linesAdded the last.
struct LineChange {
    int firstLine = 1;
    int linesRemoved = 0;
    int linesAdded = 0;
};

// The start of every line but the first, kept in a gap vector with a pending
// shift: the starts after line stepLine_ are stored stepLength_ less than
// their value. An edit adds its change in length to the step instead of to
// every later start, and the step moves only as far as the next edit is
// from this one.
class LineStarts {
  public:
    LineStarts();
    int Count() const { return starts_.Size(); }
    int Start(int line) const {
        int stored = starts_.At(line);
        return line > stepLine_ ? stored + stepLength_ : stored;
    }
    // The last line starting at or before pos.
    int LineAt(int pos) const;
    // Replaces the starts of lines [line, line + removed) by added ones at
    // positions, and moves the starts of the later lines by shift.
    void Replace(int line, int removed, const int* positions, int added, int shift);
    void Reserve(int count) { starts_.Reserve(count); }

  private:
    void MoveStep(int line);

    GapVector<int> starts_;
    int stepLine_ = 0;
    int stepLength_ = 0;
};

// At least how many line ends text holds (a CR LF counts twice).
int CountLineEnds(const char* text, int length);

class Document {
  public:
    int Length() const { return text_.Size(); }
    int LineCount() const { return lines_.Count(); }
    int LineStart(int line) const;
    int LineEnd(int line) const;
    int LineFromPosition(int pos) const;
    int ClampPosition(int pos) const;
    bool InsideCrLf(int pos) const;
    char CharAt(int pos) const;
    int StyleAt(int pos) const;

    // Copy out [start, start + length) of the text or of the styles; the
    // range must lie inside the document.
    void CopyText(int start, int length, char* out) const { text_.CopyOut(start, length, out); }
    void CopyStyles(int start, int length, char* out) const { styles_.CopyOut(start, length, out); }
    // The text [start, start + length) in one piece, valid until the next change.
    const char* TextPointer(int start, int length) { return text_.Contiguous(start, length); }
    char* StylePointer(int start, int length) {
        return const_cast<char*>(styles_.Contiguous(start, length));
    }
    void SetStyles(int start, int length, const char* styles) {
        styles_.CopyIn(start, length, styles);
    }
    // Where [start, start + length) of the text or styles lies in memory, or
    // null when the gap splits it.
    const char* TextStretch(int start, int length) const { return text_.Stretch(start, length); }
    char* StyleStretch(int start, int length) { return styles_.Stretch(start, length); }

    // Replaces [start, start + deleteLength) by text. The caller has clamped
    // the range and checked the new length against kMaxDocumentLength.
    // Inserted bytes have no style until the caller sets them all.
    LineChange Replace(int start, int deleteLength, const char* text, int insertLength);
    // Makes room for inserting length bytes holding up to lineEnds line
    // ends, so that Replace allocates nothing for them.
    void Reserve(int length, int lineEnds);

  private:
    bool IsLineStart(int pos) const;

    GapVector<char> text_;
    GapVector<char> styles_;
    LineStarts lines_;
};

} // namespace kalmor
