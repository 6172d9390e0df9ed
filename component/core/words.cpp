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

// The class of the character starting at pos (< Length()). Every byte of a
// character is read through its first: a character of several bytes starts
// with a byte above 0x7F, so it is a word character whatever its script,
// and a double-byte character's trail byte is never taken for punctuation.
CharClass ClassAt(const EditorCore& core, int pos) {
    return ClassOf(core.CharAt(pos));
}

} // namespace

bool IsWordChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
           u == '$' || u == '%' || u == '&' || u == '!' || u == '#' || u > 0x7F;
}

int NextWordStart(const EditorCore& core, int pos) {
    int length = core.Length();
    pos = core.CharacterStart(pos);
    if (pos >= length) {
        return length;
    }
    CharClass start = ClassAt(core, pos);
    if (start == CharClass::LineEnd) {
        pos = core.PositionAfter(pos);
    } else if (start != CharClass::Blank) {
        while (pos < length && ClassAt(core, pos) == start) {
            pos = core.PositionAfter(pos);
        }
    }
    while (pos < length && ClassAt(core, pos) == CharClass::Blank) {
        pos = core.PositionAfter(pos);
    }
    return pos;
}

int PreviousWordStart(const EditorCore& core, int pos) {
    pos = core.CharacterStart(pos);
    while (pos > 0 && ClassAt(core, core.PositionBefore(pos)) == CharClass::Blank) {
        pos = core.PositionBefore(pos);
    }
    if (pos <= 0) {
        return 0;
    }
    int previous = core.PositionBefore(pos);
    CharClass before = ClassAt(core, previous);
    if (before == CharClass::LineEnd) {
        return previous;
    }
    while (pos > 0 && ClassAt(core, core.PositionBefore(pos)) == before) {
        pos = core.PositionBefore(pos);
    }
    return pos;
}

int WordEndAt(const EditorCore& core, int pos) {
    int length = core.Length();
    if (pos < 0 || pos >= length) {
        return pos < 0 ? 0 : length;
    }
    pos = core.CharacterStart(pos);
    CharClass at = ClassAt(core, pos);
    if (at == CharClass::LineEnd) {
        return pos;
    }
    while (pos < length && ClassAt(core, pos) == at) {
        pos = core.PositionAfter(pos);
    }
    return pos;
}

int WordStartAt(const EditorCore& core, int pos) {
    if (pos <= 0 || pos >= core.Length()) {
        return pos < 0 ? 0 : std::min(pos, core.Length());
    }
    pos = core.CharacterStart(pos);
    CharClass at = ClassAt(core, pos);
    if (at == CharClass::LineEnd) {
        return pos;
    }
    while (pos > 0 && ClassAt(core, core.PositionBefore(pos)) == at) {
        pos = core.PositionBefore(pos);
    }
    return pos;
}

bool IsWordStartAt(const EditorCore& core, int pos) {
    if (pos < 0 || pos >= core.Length()) {
        return false;
    }
    CharClass at = ClassAt(core, pos);
    return (at == CharClass::Word || at == CharClass::Punctuation) &&
           (pos == 0 || ClassAt(core, core.PositionBefore(pos)) != at);
}

bool IsWordEndAt(const EditorCore& core, int pos) {
    if (pos <= 0 || pos > core.Length()) {
        return false;
    }
    CharClass before = ClassAt(core, core.PositionBefore(pos));
    return (before == CharClass::Word || before == CharClass::Punctuation) &&
           (pos == core.Length() || ClassAt(core, pos) != before);
}

int WordRunStart(const EditorCore& core, int pos, bool onlyWordCharacters) {
    if (pos <= 0) {
        return 0;
    }
    CharClass run = onlyWordCharacters ? CharClass::Word : ClassAt(core, core.PositionBefore(pos));
    while (pos > 0 && ClassAt(core, core.PositionBefore(pos)) == run) {
        pos = core.PositionBefore(pos);
    }
    return pos;
}

int WordRunEnd(const EditorCore& core, int pos, bool onlyWordCharacters) {
    int length = core.Length();
    if (pos >= length) {
        return length;
    }
    CharClass run = onlyWordCharacters ? CharClass::Word : ClassAt(core, pos);
    while (pos < length && ClassAt(core, pos) == run) {
        pos = core.PositionAfter(pos);
    }
    return pos;
}

} // namespace kalmor
