#include "component/core/document.h"

#include <algorithm>

namespace kalmor {

Document::Document() : lineStarts_{0} {}

int Document::LineStart(int line) const {
    if (line <= 0) {
        return 0;
    }
    if (line >= LineCount()) {
        return Length();
    }
    return lineStarts_[line];
}

// The position of the line's end characters: the next line's start less its
// CR, LF or CRLF, or the document's end for the last line.
int Document::LineEnd(int line) const {
    line = std::clamp(line, 0, LineCount() - 1);
    if (line == LineCount() - 1) {
        return Length();
    }
    int end = lineStarts_[line + 1] - 1;
    if (text_[end] == '\n' && end > lineStarts_[line] && text_[end - 1] == '\r') {
        --end;
    }
    return end;
}

int Document::LineFromPosition(int pos) const {
    pos = ClampPosition(pos);
    auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), pos);
    return static_cast<int>(after - lineStarts_.begin()) - 1;
}

int Document::ClampPosition(int pos) const {
    return std::clamp(pos, 0, Length());
}

bool Document::InsideCrLf(int pos) const {
    return pos > 0 && pos < Length() && text_[pos - 1] == '\r' && text_[pos] == '\n';
}

char Document::CharAt(int pos) const {
    if (pos < 0 || pos >= Length()) {
        return 0;
    }
    return text_[pos];
}

int Document::StyleAt(int pos) const {
    if (pos < 0 || pos >= Length()) {
        return 0;
    }
    return static_cast<unsigned char>(styles_[pos]);
}

// A line starts at pos (> 0) after an LF, or after a CR that no LF follows.
bool Document::IsLineStart(int pos) const {
    char before = text_[pos - 1];
    if (before == '\n') {
        return true;
    }
    return before == '\r' && (pos == Length() || text_[pos] != '\n');
}

// Whether pos starts a line depends only on the bytes at pos - 1 and pos, so
// only the starts in [start, start + deleteLength] can change: they are
// dropped and the new text's span [start, start + insertLength] is scanned
// again. Every later start moves by the change in length.
LineChange Document::Replace(int start, int deleteLength, const char* text, int insertLength) {
    // Both buffers grow before either changes, so running out of memory
    // leaves the document as it was.
    size_t newLength = text_.size() - deleteLength + insertLength;
    if (newLength > text_.capacity()) {
        text_.reserve(newLength);
    }
    if (newLength > styles_.capacity()) {
        styles_.reserve(newLength);
    }
    text_.replace(start, deleteLength, text, insertLength);
    styles_.replace(start, deleteLength, insertLength, '\0');

    int scanFrom = std::max(start, 1);
    auto firstOld = std::lower_bound(lineStarts_.begin(), lineStarts_.end(), scanFrom);
    auto endOld = std::upper_bound(firstOld, lineStarts_.end(), start + deleteLength);

    LineChange change;
    change.firstLine = static_cast<int>(firstOld - lineStarts_.begin());
    change.linesRemoved = static_cast<int>(endOld - firstOld);

    std::vector<int> added;
    for (int pos = scanFrom; pos <= start + insertLength; ++pos) {
        if (IsLineStart(pos)) {
            added.push_back(pos);
        }
    }
    change.linesAdded = static_cast<int>(added.size());

    int shift = insertLength - deleteLength;
    for (auto it = endOld; it != lineStarts_.end(); ++it) {
        *it += shift;
    }
    auto insertAt = lineStarts_.erase(firstOld, endOld);
    lineStarts_.insert(insertAt, added.begin(), added.end());
    return change;
}

} // namespace kalmor
