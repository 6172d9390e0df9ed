// The key commands that need only the text: caret moves by characters,
// words, word parts, lines' ends and paragraphs, and the edits of whole
// lines. Each does what its key does; a request runs it the same way.
#include "component/core/editor_core.h"
#include "component/core/editor_core_impl.h"
#include "component/core/words.h"
#include "kalmor.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kalmor {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A line holding nothing but blanks ends a paragraph.
bool IsBlankLine(const EditorCore& core, int line) {
    for (int pos = core.LineStart(line), end = core.LineEnd(line); pos < end; ++pos) {
        if (!IsBlank(core.CharAt(pos))) {
            return false;
        }
    }
    return true;
}

// Where Ctrl+] goes: past the rest of this paragraph and the blank lines
// after it, to the next paragraph's start, or the document's end.
int ParagraphDown(const EditorCore& core, int pos) {
    int lines = core.LineCount();
    int line = core.LineFromPosition(pos);
    while (line < lines && !IsBlankLine(core, line)) {
        ++line;
    }
    while (line < lines && IsBlankLine(core, line)) {
        ++line;
    }
    return line < lines ? core.LineStart(line) : core.Length();
}

// Where Ctrl+[ goes: back over blank lines to the start of the paragraph
// before them; from a paragraph's first line start, to the one before.
int ParagraphUp(const EditorCore& core, int pos) {
    int line = core.LineFromPosition(pos);
    if (pos == core.LineStart(line)) {
        --line;
    }
    while (line >= 0 && IsBlankLine(core, line)) {
        --line;
    }
    while (line >= 0 && !IsBlankLine(core, line)) {
        --line;
    }
    return core.LineStart(line + 1);
}

// Home on code: the first character after the indentation, or, from there,
// the line's start.
int VisualHome(const EditorCore& core, int pos) {
    int line = core.LineFromPosition(pos);
    int indented = core.LineIndentPosition(line);
    return pos == indented ? core.LineStart(line) : indented;
}

} // namespace

// The lines a selection touches: a selection ending at a line's start does
// not touch that line. Answers whether that is more than one line.
bool EditorCore::SelectedLines(int* first, int* last) const {
    *first = LineFromPosition(SelectionStart());
    *last = LineFromPosition(SelectionEnd());
    if (*last > *first && LineStart(*last) == SelectionEnd()) {
        --*last;
    }
    return !SelectionEmpty() && *last > *first;
}

// Moves the caret; extending keeps the anchor, else the selection collapses.
void EditorCore::MoveCaret(int pos, bool extend) {
    SetSelection(extend ? Anchor() : pos, pos);
}

// Lines first..last in a new order: order[i] is the line whose text goes to
// line first + i. Each line end stays where it was, so the text keeps its
// length and a last line without one stays without. Markers and margin
// texts go with their lines; the selection's ends keep their columns and
// move shift lines. One undo step.
void EditorCore::ReorderLines(int first, int last, const std::vector<int>& order, int shift) {
    std::string text;
    for (int i = 0; i <= last - first; ++i) {
        int from = order[static_cast<size_t>(i)];
        text += TextRange(LineStart(from), LineEnd(from));
        if (first + i < last) {
            text += TextRange(LineEnd(first + i), LineStart(first + i + 1));
        }
    }
    int start = LineStart(first);
    int end = LineEnd(last);
    if (TextRange(start, end) == text) {
        return;
    }
    auto lineAndColumn = [&](int pos) {
        int line = LineFromPosition(pos);
        return std::pair(line + shift, pos - LineStart(line));
    };
    auto [anchorLine, anchorColumn] = lineAndColumn(Anchor());
    auto [caretLine, caretColumn] = lineAndColumn(Caret());
    EndTypingRun();
    Impl& core = *impl_;
    std::vector<uint32_t> before;
    for (int line = first; line <= last; ++line) {
        before.push_back(MarkersOn(line));
    }
    auto marks = core.markers.Take(first, last);
    auto texts = core.marginTexts.Take(first, last);
    bool replaced = core.Replace(start, end - start, text.data(), static_cast<int>(text.size()));
    core.markers.PutBack(std::move(marks), first, order);
    core.marginTexts.PutBack(std::move(texts), first, order);
    for (int line = first; line <= last; ++line) {
        if (MarkersOn(line) != before[static_cast<size_t>(line - first)] &&
            core.Wants(SC_MOD_CHANGEMARKER)) {
            Modification m{SC_MOD_CHANGEMARKER | SC_PERFORMED_USER, LineStart(line)};
            m.line = line;
            core.Tell(m);
        }
    }
    if (replaced) {
        auto place = [&](int line, int column) {
            return std::min(LineStart(line) + column, LineEnd(line));
        };
        impl_->SetSelection(place(anchorLine, anchorColumn), place(caretLine, caretColumn));
        impl_->NoteSelectionAfterEdit();
    }
}

// Moves the lines the selection touches one line up (delta -1) or down
// (+1), the selection with them: both its ends lie on those lines, or one
// at the start of the line after them.
void EditorCore::MoveSelectedLines(int delta) {
    int first = 0;
    int last = 0;
    SelectedLines(&first, &last);
    if (delta < 0 ? first == 0 : last + 1 >= LineCount()) {
        return;
    }
    std::vector<int> order;
    for (int line = first; line <= last; ++line) {
        order.push_back(line);
    }
    if (delta < 0) {
        order.push_back(first - 1);
        ReorderLines(first - 1, last, order, -1);
    } else {
        order.insert(order.begin(), last + 1);
        ReorderLines(first, last + 1, order, 1);
    }
}

// A copy of the caret's line (forLine, or an empty selection) after it, or
// of the selection after itself; the caret stays on the original.
void EditorCore::Duplicate(bool forLine) {
    if (SelectionEmpty()) {
        forLine = true;
    }
    int anchor = Anchor();
    int caret = Caret();
    EndTypingRun();
    if (forLine) {
        int line = LineFromPosition(caret);
        int end = LineEnd(line);
        std::string copy = LineEndText() + TextRange(LineStart(line), end);
        impl_->Replace(end, 0, copy.data(), static_cast<int>(copy.size()));
    } else {
        std::string copy = SelectedText();
        impl_->Replace(SelectionEnd(), 0, copy.data(), static_cast<int>(copy.size()));
    }
    impl_->SetSelection(anchor, caret);
    impl_->NoteSelectionAfterEdit();
}

// Deletes [start, end) as a step of its own, leaving the caret at start.
void EditorCore::DeleteSpan(int start, int end) {
    EndTypingRun();
    if (end > start && impl_->Replace(start, end - start, "", 0)) {
        impl_->SetSelection(start, start);
        impl_->NoteSelectionAfterEdit();
    }
}

int EditorCore::TargetStart() const {
    return impl_->targetStart;
}

int EditorCore::TargetEnd() const {
    return impl_->targetEnd;
}

void EditorCore::SetTarget(int start, int end) {
    impl_->targetStart = CharacterStart(start);
    impl_->targetEnd = CharacterStart(end);
}

void EditorCore::JoinTargetLines() {
    Impl& core = *impl_;
    int start = std::min(core.targetStart, core.targetEnd);
    int end = std::max(core.targetStart, core.targetEnd);
    EndTypingRun();
    BeginUndoAction();
    // From the bottom up, so the line ends above keep their positions.
    for (int line = LineFromPosition(end); line >= LineFromPosition(start); --line) {
        int lineEnd = LineEnd(line);
        int next = LineStart(line + 1);
        if (lineEnd < start || lineEnd >= end || next == lineEnd) {
            continue;
        }
        bool spaced = lineEnd == LineStart(line) || IsBlank(CharAt(lineEnd - 1));
        if (core.Replace(lineEnd, next - lineEnd, " ", spaced ? 0 : 1)) {
            end += (spaced ? 0 : 1) - (next - lineEnd);
        }
    }
    EndUndoAction();
    core.targetStart = start;
    core.targetEnd = end;
}

// The key commands that need only the text. The moves by characters, words
// and to a line's ends move every caret; the others act on the main one.
intptr_t EditorCore::DispatchKeyCommand(unsigned message) {
    int caret = Caret();
    int line = LineFromPosition(caret);
    bool selected = !SelectionEmpty();
    auto MoveEach = [&](const std::function<int(const SelectionRange&)>& to, bool extend) {
        if (SelectionCount() > 1) {
            MoveCarets(to, extend);
        } else {
            MoveCaret(to(SelectionRange{Anchor(), Caret()}), extend);
        }
    };
    // With virtual space open to the user, Right goes on past a line's end
    // and Left comes back through that room first.
    SelectionRange main = SelectionN(MainSelection());
    bool roomy = (impl_->virtualOptions & SCVS_USERACCESSIBLE) && SelectionCount() == 1 &&
                 main.Empty() && caret == LineEnd(line);
    if (roomy && (message == SCI_CHARRIGHT || (message == SCI_CHARLEFT && main.caretVirtual > 0))) {
        int room = main.caretVirtual + (message == SCI_CHARRIGHT ? 1 : -1);
        EndTypingRun();
        impl_->Put(MainSelection(), {caret, caret, room, room});
        impl_->changes.scrollCaret = true;
        return 0;
    }
    switch (message) {
    case SCI_CHARLEFT:
        MoveEach(
            [&](const SelectionRange& r) { return r.Empty() ? PositionLeft(r.caret) : r.Start(); },
            false);
        break;
    case SCI_CHARLEFTEXTEND:
        MoveEach([&](const SelectionRange& r) { return PositionLeft(r.caret); }, true);
        break;
    case SCI_CHARRIGHT:
        MoveEach(
            [&](const SelectionRange& r) { return r.Empty() ? PositionRight(r.caret) : r.End(); },
            false);
        break;
    case SCI_CHARRIGHTEXTEND:
        MoveEach([&](const SelectionRange& r) { return PositionRight(r.caret); }, true);
        break;
    case SCI_WORDLEFT:
    case SCI_WORDLEFTEXTEND:
        MoveEach([&](const SelectionRange& r) { return PreviousWordStart(*this, r.caret); },
                 message == SCI_WORDLEFTEXTEND);
        break;
    case SCI_WORDRIGHT:
    case SCI_WORDRIGHTEXTEND:
        MoveEach([&](const SelectionRange& r) { return NextWordStart(*this, r.caret); },
                 message == SCI_WORDRIGHTEXTEND);
        break;
    case SCI_WORDPARTLEFT:
    case SCI_WORDPARTLEFTEXTEND:
        MoveCaret(PreviousWordPartStart(*this, caret), message == SCI_WORDPARTLEFTEXTEND);
        break;
    case SCI_WORDPARTRIGHT:
    case SCI_WORDPARTRIGHTEXTEND:
        MoveCaret(NextWordPartStart(*this, caret), message == SCI_WORDPARTRIGHTEXTEND);
        break;
    case SCI_HOME:
    case SCI_HOMEEXTEND:
        MoveEach([&](const SelectionRange& r) { return LineStart(LineFromPosition(r.caret)); },
                 message == SCI_HOMEEXTEND);
        break;
    case SCI_VCHOME:
    case SCI_VCHOMEEXTEND:
        MoveEach([&](const SelectionRange& r) { return VisualHome(*this, r.caret); },
                 message == SCI_VCHOMEEXTEND);
        break;
    case SCI_LINEEND:
    case SCI_LINEENDEXTEND:
        MoveEach([&](const SelectionRange& r) { return LineEnd(LineFromPosition(r.caret)); },
                 message == SCI_LINEENDEXTEND);
        break;
    case SCI_DOCUMENTSTART:
    case SCI_DOCUMENTSTARTEXTEND: MoveCaret(0, message == SCI_DOCUMENTSTARTEXTEND); break;
    case SCI_DOCUMENTEND:
    case SCI_DOCUMENTENDEXTEND: MoveCaret(Length(), message == SCI_DOCUMENTENDEXTEND); break;
    case SCI_PARADOWN:
    case SCI_PARADOWNEXTEND:
        MoveCaret(ParagraphDown(*this, caret), message == SCI_PARADOWNEXTEND);
        break;
    case SCI_PARAUP:
    case SCI_PARAUPEXTEND: MoveCaret(ParagraphUp(*this, caret), message == SCI_PARAUPEXTEND); break;
    case SCI_EDITTOGGLEOVERTYPE: SetOvertype(!Overtype()); break;
    case SCI_DELETEBACK: DeleteBack(); break;
    case SCI_DELETEBACKNOTLINE:
        if (selected || caret > LineStart(line)) {
            DeleteBack();
        }
        break;
    case SCI_FORMFEED: InsertAtCaret("\f"); break;
    case SCI_DELWORDLEFT: DeleteWordBack(); break;
    case SCI_DELWORDRIGHT: DeleteWordForward(); break;
    case SCI_DELLINELEFT: DeleteSpan(LineStart(line), caret); break;
    case SCI_DELLINERIGHT:
        DeleteSpan(caret, LineEnd(line));
        impl_->changes.scrollCaret = true;
        break;
    case SCI_LINEDELETE: DeleteSpan(LineStart(line), LineStart(line + 1)); break;
    case SCI_LINETRANSPOSE:
        if (line > 0) {
            ReorderLines(line - 1, line, {line, line - 1}, 0);
        }
        break;
    case SCI_LINEREVERSE: {
        int first = 0;
        int last = 0;
        SelectedLines(&first, &last);
        std::vector<int> order;
        for (int from = last; from >= first; --from) {
            order.push_back(from);
        }
        int anchor = Anchor();
        ReorderLines(first, last, order, 0);
        if (Anchor() != anchor || Caret() != caret) {
            impl_->SetSelection(anchor, caret); // the same span, which kept its length
            impl_->NoteSelectionAfterEdit();
        }
        break;
    }
    case SCI_LINEDUPLICATE: Duplicate(true); break;
    case SCI_SELECTIONDUPLICATE: Duplicate(false); break;
    case SCI_MOVESELECTEDLINESUP: MoveSelectedLines(-1); break;
    case SCI_MOVESELECTEDLINESDOWN: MoveSelectedLines(1); break;
    default: break;
    }
    return 0;
}

} // namespace kalmor
