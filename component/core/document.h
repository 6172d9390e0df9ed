// The document: its bytes, one style byte per text byte, and the index of
// line starts. CR, LF and CRLF all end a line.
#pragma once
#include <string>
#include <vector>

namespace kalmor {

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

class Document {
  public:
    Document();

    int Length() const { return static_cast<int>(text_.size()); }
    int LineCount() const { return static_cast<int>(lineStarts_.size()); }
    int LineStart(int line) const;
    int LineEnd(int line) const;
    int LineFromPosition(int pos) const;
    int ClampPosition(int pos) const;
    bool InsideCrLf(int pos) const;
    char CharAt(int pos) const;
    int StyleAt(int pos) const;
    const std::string& Text() const { return text_; }
    const std::string& Styles() const { return styles_; }
    const char* TextAt(int pos) const { return text_.data() + pos; }
    char* StylesAt(int pos) { return &styles_[pos]; }

    // Replaces [start, start + deleteLength) by text. The caller has clamped
    // the range and checked the new length against kMaxDocumentLength.
    // Inserted bytes get style 0.
    LineChange Replace(int start, int deleteLength, const char* text, int insertLength);

  private:
    bool IsLineStart(int pos) const;

    std::string text_;
    std::string styles_;
    std::vector<int> lineStarts_; // lineStarts_[0] is always 0
};

} // namespace kalmor
