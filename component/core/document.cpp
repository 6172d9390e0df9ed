#include "component/core/document.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kalmor {

namespace {

// The first CR or LF in [at, end), or end: eight bytes at a time, as a
// large load is mostly bytes between line ends.
const char* FindLineEndByte(const char* at, const char* end) {
    while (end - at >= 8) {
        uint64_t word;
        std::memcpy(&word, at, 8);
        if (ZeroBytes(word ^ (kLowBits * '\n')) | ZeroBytes(word ^ (kLowBits * '\r'))) {
            break;
        }
        at += 8;
    }
    while (at < end && *at != '\n' && *at != '\r') {
        ++at;
    }
    return at;
}

} // namespace

LineStarts::LineStarts() {
    int zero = 0;
    starts_.Replace(0, 0, &zero, 1);
}

int LineStarts::LineAt(int pos) const {
    int low = 0;
    int high = Count();
    while (low < high) {
        int middle = low + (high - low) / 2;
        if (Start(middle) <= pos)
            low = middle + 1;
        else
            high = middle;
    }
    return low - 1;
}

// Makes the step apply from the line after line on, adding it to or taking
// it from the stored starts in between.
void LineStarts::MoveStep(int line) {
    if (stepLength_ == 0) {
        stepLine_ = line;
        return;
    }
    for (int i = stepLine_ + 1; i <= line && i < Count(); ++i)
        starts_.Ref(i) += stepLength_;
    for (int i = line + 1; i <= stepLine_ && i < Count(); ++i)
        starts_.Ref(i) -= stepLength_;
    stepLine_ = line;
}

void LineStarts::Replace(int line, int removed, const int* positions, int added, int shift) {
    MoveStep(line - 1);
    starts_.Replace(line, removed, positions, added);
    stepLine_ = line - 1 + added;
    stepLength_ += shift;
    if (stepLine_ >= Count() - 1) {
        stepLine_ = Count() - 1;
        stepLength_ = 0;
    }
}

int Document::LineStart(int line) const {
    if (line <= 0) {
        return 0;
    }
    if (line >= LineCount()) {
        return Length();
    }
    return lines_.Start(line);
}

// The position of the line's end characters: the next line's start less its
// CR, LF or CRLF, or the document's end for the last line.
int Document::LineEnd(int line) const {
    line = std::clamp(line, 0, LineCount() - 1);
    if (line == LineCount() - 1) {
        return Length();
    }
    int start = lines_.Start(line);
    int end = lines_.Start(line + 1) - 1;
    if (text_.At(end) == '\n' && end > start && text_.At(end - 1) == '\r') {
        --end;
    }
    return end;
}

int Document::LineFromPosition(int pos) const {
    return lines_.LineAt(ClampPosition(pos));
}

int Document::ClampPosition(int pos) const {
    return std::clamp(pos, 0, Length());
}

bool Document::InsideCrLf(int pos) const {
    return pos > 0 && pos < Length() && text_.At(pos - 1) == '\r' && text_.At(pos) == '\n';
}

char Document::CharAt(int pos) const {
    if (pos < 0 || pos >= Length()) {
        return 0;
    }
    return text_.At(pos);
}

int Document::StyleAt(int pos) const {
    if (pos < 0 || pos >= Length()) {
        return 0;
    }
    return static_cast<unsigned char>(styles_.At(pos));
}

// A line starts at pos (> 0) after an LF, or after a CR that no LF follows.
bool Document::IsLineStart(int pos) const {
    char before = text_.At(pos - 1);
    if (before == '\n') {
        return true;
    }
    return before == '\r' && (pos == Length() || text_.At(pos) != '\n');
}

// Whether pos starts a line depends only on the bytes at pos - 1 and pos, so
// only the starts in [start, start + deleteLength] can change: they are
// dropped and the new text's span [start, start + insertLength] is scanned
// again. Every later start moves by the change in length.
void Document::Reserve(int length, int lineEnds) {
    text_.Reserve(length);
    styles_.Reserve(length);
    lines_.Reserve(lineEnds + 1);
}

int CountLineEnds(const char* text, int length) {
    int count = 0;
    const char* end = text + length;
    for (const char* at = FindLineEndByte(text, end); at < end; at = FindLineEndByte(at + 1, end)) {
        ++count;
    }
    return count;
}

LineChange Document::Replace(int start, int deleteLength, const char* text, int insertLength) {
    int scanFrom = std::max(start, 1);
    LineChange change;
    change.firstLine = lines_.LineAt(scanFrom - 1) + 1;
    change.linesRemoved = lines_.LineAt(start + deleteLength) + 1 - change.firstLine;

    text_.Replace(start, deleteLength, text, insertLength);
    // New text is in style 0 until a lexer or the host styles it.
    styles_.Replace(start, deleteLength, nullptr, insertLength, '\0');

    // The new text is scanned where it came from; only its first position
    // needs the byte before it from the document. The starts found go into
    // the index a batch at a time, so a large insert needs no list of them,
    // and into room the caller reserved beforehand (Reserve), which a scan
    // here to count them would only repeat.
    const char* end = text + insertLength;
    int batch[1024];
    int batched = 0;
    int line = change.firstLine;
    auto flush = [&](int removed, int shift) {
        lines_.Replace(line, removed, batch, batched, shift);
        line += batched;
        change.linesAdded += batched;
        batched = 0;
    };
    // The first batch takes the removed lines' places.
    auto add = [&](int pos) {
        if (batched == static_cast<int>(sizeof batch / sizeof batch[0])) {
            flush(line == change.firstLine ? change.linesRemoved : 0, 0);
        }
        batch[batched++] = pos;
    };
    if (start > 0 && IsLineStart(start)) {
        add(start);
    }
    for (const char* at = FindLineEndByte(text, end); at < end; at = FindLineEndByte(at + 1, end)) {
        char c = *at;
        int i = static_cast<int>(at - text);
        int pos = start + i + 1;
        if (c == '\n' || (i + 1 < insertLength ? text[i + 1] != '\n' : IsLineStart(pos))) {
            add(pos);
        }
    }
    flush(line == change.firstLine ? change.linesRemoved : 0, insertLength - deleteLength);
    return change;
}

} // namespace kalmor
