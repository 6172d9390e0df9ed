#include "component/core/words.h"

#include "component/core/editor_core.h"

#include <algorithm>

namespace kalmor {

namespace {

enum class CharClass { Blank, LineEnd, Word, Punctuation };

CharClass ClassOf(char c) {
    if (c == ' ' || c == '\t') {
        return CharClass::Blank;
    }
    if (c == '\r' || c == '\n') {
        return CharClass::LineEnd;
    }
    return IsWordChar(c) ? CharClass::Word : CharClass::Punctuation;
}

// The length of the line end starting at pos: 2 for a CRLF, else 1.
int LineEndLength(const EditorCore& core, int pos) {
    return core.CharAt(pos) == '\r' && core.CharAt(pos + 1) == '\n' ? 2 : 1;
}

} // namespace

bool IsWordChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
           u == '$' || u == '%' || u == '&' || u == '!' || u == '#' || u > 0x7F;
}

int NextWordStart(const EditorCore& core, int pos) {
    int length = core.Length();
    if (pos < 0) {
        pos = 0;
    }
    if (pos >= length) {
        return length;
    }
    CharClass start = ClassOf(core.CharAt(pos));
    if (start == CharClass::LineEnd) {
        pos += LineEndLength(core, pos);
    } else if (start != CharClass::Blank) {
        while (pos < length && ClassOf(core.CharAt(pos)) == start) {
            ++pos;
        }
    }
    while (pos < length && ClassOf(core.CharAt(pos)) == CharClass::Blank) {
        ++pos;
    }
    return pos;
}

int PreviousWordStart(const EditorCore& core, int pos) {
    if (pos > core.Length()) {
        pos = core.Length();
    }
    while (pos > 0 && ClassOf(core.CharAt(pos - 1)) == CharClass::Blank) {
        --pos;
    }
    if (pos <= 0) {
        return 0;
    }
    CharClass before = ClassOf(core.CharAt(pos - 1));
    if (before == CharClass::LineEnd) {
        return core.CharAt(pos - 1) == '\n' && core.CharAt(pos - 2) == '\r' ? pos - 2 : pos - 1;
    }
    while (pos > 0 && ClassOf(core.CharAt(pos - 1)) == before) {
        --pos;
    }
    return pos;
}

int WordEndAt(const EditorCore& core, int pos) {
    int length = core.Length();
    if (pos < 0 || pos >= length) {
        return pos < 0 ? 0 : length;
    }
    CharClass at = ClassOf(core.CharAt(pos));
    if (at == CharClass::LineEnd) {
        return pos;
    }
    while (pos < length && ClassOf(core.CharAt(pos)) == at) {
        ++pos;
    }
    return pos;
}

int WordStartAt(const EditorCore& core, int pos) {
    if (pos <= 0 || pos >= core.Length()) {
        return pos < 0 ? 0 : std::min(pos, core.Length());
    }
    CharClass at = ClassOf(core.CharAt(pos));
    if (at == CharClass::LineEnd) {
        return pos;
    }
    while (pos > 0 && ClassOf(core.CharAt(pos - 1)) == at) {
        --pos;
    }
    return pos;
}

} // namespace kalmor
