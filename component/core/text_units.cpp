#include "component/core/text_units.h"

#include <algorithm>

#include "component/core/editor_core.h"
#include "component/core/words.h"

namespace kalmor {

TextUnits::TextUnits(const EditorCore& core, int pageLines)
    : core_(core), pageLines_(std::max(1, pageLines)) {}

// Inside a CRLF is no place for an endpoint: such a position moves back to the CR.
TextSpan TextUnits::Clamp(TextSpan range) const {
    int length = core_.Length();
    auto clamp = [&](int pos) {
        pos = core_.CharacterStart(std::clamp(pos, 0, length));
        if (pos > 0 && core_.CharAt(pos) == '\n' && core_.CharAt(pos - 1) == '\r')
            --pos;
        return pos;
    };
    int start = clamp(range.start);
    int end = clamp(range.end);
    return start <= end ? TextSpan{start, end} : TextSpan{end, start};
}

int TextUnits::PageOfLine(int line) const {
    return core_.VisibleFromDocLine(line) / pageLines_;
}

bool TextUnits::IsStart(TextUnit unit, int pos) const {
    int length = core_.Length();
    if (pos == 0)
        return true;
    if (pos < 0 || pos > length || (core_.CharAt(pos) == '\n' && core_.CharAt(pos - 1) == '\r') ||
        core_.CharacterStart(pos) != pos)
        return false;
    switch (unit) {
    case TextUnit::Character: return pos < length;
    case TextUnit::Format: return pos < length && core_.StyleAt(pos) != core_.StyleAt(pos - 1);
    case TextUnit::Word:
        return pos < length && NextWordStart(core_, PreviousWordStart(core_, pos)) == pos;
    case TextUnit::Line:
    case TextUnit::Paragraph: return core_.LineStart(core_.LineFromPosition(pos)) == pos;
    case TextUnit::Page: {
        int line = core_.LineFromPosition(pos);
        return core_.LineStart(line) == pos && PageOfLine(line) != PageOfLine(line - 1);
    }
    default: return false;
    }
}

int TextUnits::NextStart(TextUnit unit, int pos) const {
    int length = core_.Length();
    if (pos >= length)
        return length;
    pos = std::max(pos, 0);
    switch (unit) {
    case TextUnit::Character: return core_.PositionAfter(pos);
    case TextUnit::Format: {
        int next = pos + 1;
        while (next < length && !IsStart(unit, next))
            ++next;
        return next;
    }
    case TextUnit::Word: return NextWordStart(core_, pos);
    case TextUnit::Line:
    case TextUnit::Paragraph: return core_.LineStart(core_.LineFromPosition(pos) + 1);
    case TextUnit::Page: {
        int firstRow = (PageOfLine(core_.LineFromPosition(pos)) + 1) * pageLines_;
        if (firstRow >= core_.VisibleLineCount())
            return length;
        return core_.LineStart(core_.DocLineFromVisible(firstRow));
    }
    default: return length;
    }
}

int TextUnits::PreviousStart(TextUnit unit, int pos) const {
    if (pos <= 0)
        return 0;
    pos = std::min(pos, core_.Length());
    switch (unit) {
    case TextUnit::Character: return core_.PositionBefore(pos);
    case TextUnit::Format: {
        int previous = pos - 1;
        while (previous > 0 && !IsStart(unit, previous))
            --previous;
        return previous;
    }
    case TextUnit::Word: return PreviousWordStart(core_, pos);
    case TextUnit::Line:
    case TextUnit::Paragraph: {
        int line = core_.LineFromPosition(pos);
        return core_.LineStart(core_.LineStart(line) < pos ? line : line - 1);
    }
    case TextUnit::Page: {
        int page = PageOfLine(core_.LineFromPosition(pos));
        int start = core_.LineStart(core_.DocLineFromVisible(page * pageLines_));
        if (start < pos)
            return start;
        return core_.LineStart(core_.DocLineFromVisible((page - 1) * pageLines_));
    }
    default: return 0;
    }
}

int TextUnits::StartAtOrBefore(TextUnit unit, int pos) const {
    return IsStart(unit, pos) ? pos : PreviousStart(unit, pos);
}

TextSpan TextUnits::Expand(TextSpan range, TextUnit unit) const {
    int start = StartAtOrBefore(unit, Clamp(range).start);
    return {start, NextStart(unit, start)};
}

int TextUnits::Move(TextSpan& range, TextUnit unit, int count) const {
    TextSpan clamped = Clamp(range);
    if (clamped.start == clamped.end) {
        int moved = MoveEndpoint(clamped, false, unit, count);
        range = {clamped.start, clamped.start};
        return moved;
    }
    // A non-empty range: from the start of its first unit, over whole units.
    int pos = StartAtOrBefore(unit, clamped.start);
    int moved = 0;
    if (count > 0) {
        while (moved < count) {
            int next = NextStart(unit, pos);
            if (next == pos || !IsStart(unit, next))
                break;
            pos = next;
            ++moved;
        }
    } else {
        while (moved < -static_cast<long long>(count) && pos > 0) {
            pos = PreviousStart(unit, pos);
            ++moved;
        }
        moved = -moved;
    }
    if (moved != 0)
        range = {pos, NextStart(unit, pos)};
    return moved;
}

int TextUnits::MoveEndpoint(TextSpan& range, bool end, TextUnit unit, int count) const {
    range = Clamp(range);
    int pos = end ? range.end : range.start;
    int length = core_.Length();
    int moved = 0;
    if (count > 0) {
        for (; moved < count && pos < length; ++moved)
            pos = NextStart(unit, pos);
    } else {
        for (; moved < -static_cast<long long>(count) && pos > 0; ++moved)
            pos = PreviousStart(unit, pos);
        moved = -moved;
    }
    if (end) {
        range.end = pos;
        range.start = std::min(range.start, pos);
    } else {
        range.start = pos;
        range.end = std::max(range.end, pos);
    }
    return moved;
}

} // namespace kalmor
