#include "component/core/words.h"

#include "component/core/editor_core.h"

#include <algorithm>

namespace kalmor {

namespace {

enum class CharClass { Blank, LineEnd, Word, Punctuation };

// The class of the character starting at pos (< Length()). Every byte of a
// character is read through its first: a character of several bytes is a
// word character whatever its script, and a double-byte character's trail
// byte is never taken for punctuation.
CharClass ClassAt(const EditorCore& core, int pos) {
    unsigned char c = static_cast<unsigned char>(core.CharAt(pos));
    if (c == '\r' || c == '\n') {
        return CharClass::LineEnd;
    }
    if (c >= 0x80 && core.PositionAfter(pos) - pos > 1) {
        return CharClass::Word;
    }
    const WordCharacters& chars = core.Words();
    return chars.blank[c]  ? CharClass::Blank
           : chars.word[c] ? CharClass::Word
                           : CharClass::Punctuation;
}

// Word parts: the kinds whose runs make them.
enum class PartKind { LineEnd, Blank, Lower, Upper, Digit, Underscore, Punctuation, Other };

PartKind PartKindAt(const EditorCore& core, int pos) {
    char c = core.CharAt(pos);
    switch (ClassAt(core, pos)) {
    case CharClass::LineEnd: return PartKind::LineEnd;
    case CharClass::Blank: return PartKind::Blank;
    case CharClass::Punctuation: return PartKind::Punctuation;
    case CharClass::Word: break;
    }
    if (c >= 'a' && c <= 'z') {
        return PartKind::Lower;
    }
    if (c >= 'A' && c <= 'Z') {
        return PartKind::Upper;
    }
    if (c >= '0' && c <= '9') {
        return PartKind::Digit;
    }
    return c == '_' ? PartKind::Underscore : PartKind::Other;
}

} // namespace

void WordCharacters::SetWords(const char* bytes) {
    for (int c = 0; c < 256; ++c) {
        word[c] = bytes ? false : IsWordChar(static_cast<char>(c));
    }
    for (; bytes && *bytes; ++bytes) {
        unsigned char c = static_cast<unsigned char>(*bytes);
        word[c] = true;
        blank[c] = false;
    }
}

void WordCharacters::SetBlanks(const char* bytes) {
    for (int c = 0; c < 256; ++c) {
        blank[c] = bytes ? false : c == ' ' || c == '\t';
    }
    for (; bytes && *bytes; ++bytes) {
        unsigned char c = static_cast<unsigned char>(*bytes);
        blank[c] = true;
        word[c] = false;
    }
}

std::string WordCharacters::Listed(const bool (&set)[256]) {
    std::string bytes;
    for (int c = 1; c < 256; ++c) {
        if (set[c] && c != '\r' && c != '\n') {
            bytes += static_cast<char>(c);
        }
    }
    return bytes;
}

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

int NextWordPartStart(const EditorCore& core, int pos) {
    int length = core.Length();
    pos = core.CharacterStart(pos);
    if (pos >= length) {
        return length;
    }
    PartKind kind = PartKindAt(core, pos);
    if (kind == PartKind::LineEnd) {
        return core.PositionAfter(pos);
    }
    auto skip = [&](PartKind run) {
        int count = 0;
        while (pos < length && PartKindAt(core, pos) == run) {
            pos = core.PositionAfter(pos);
            ++count;
        }
        return count;
    };
    if (kind == PartKind::Upper) {
        int start = pos;
        int uppers = skip(PartKind::Upper);
        if (pos < length && PartKindAt(core, pos) == PartKind::Lower) {
            if (uppers == 1) {
                skip(PartKind::Lower);
            } else {
                pos = core.PositionBefore(pos); // the last upper-case letter starts the next part
            }
        }
        return std::max(pos, core.PositionAfter(start));
    }
    skip(kind);
    return pos;
}

int PreviousWordPartStart(const EditorCore& core, int pos) {
    pos = core.CharacterStart(pos);
    if (pos <= 0) {
        return 0;
    }
    PartKind kind = PartKindAt(core, core.PositionBefore(pos));
    if (kind == PartKind::LineEnd) {
        return core.PositionBefore(pos);
    }
    auto skip = [&](PartKind run) {
        while (pos > 0 && PartKindAt(core, core.PositionBefore(pos)) == run) {
            pos = core.PositionBefore(pos);
        }
    };
    if (kind == PartKind::Lower) {
        skip(PartKind::Lower);
        if (pos > 0 && PartKindAt(core, core.PositionBefore(pos)) == PartKind::Upper) {
            pos = core.PositionBefore(pos); // "Parser" starts at its capital
        }
        return pos;
    }
    if (kind == PartKind::Upper) {
        // Back over "XML" in "XMLParser" from before the P.
        skip(PartKind::Upper);
        return pos;
    }
    skip(kind);
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
