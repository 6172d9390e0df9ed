// Rectangular selection and virtual space: a rectangle cut into one
// selection a line between the x of its corners, the selection modes, the
// rectangle's key commands, and copying and pasting columns.
#include "component/core/editor_core.h"
#include "component/core/editor_core_impl.h"
#include "component/core/words.h"
#include "kalmor.h"

#include <algorithm>

namespace kalmor {

namespace {

// Without a window's measure x counts columns, as EditorCore::Column does,
// and a space of virtual space is one column: the character on line nearest
// to column x, or the line's end.
int PositionAtColumn(const EditorCore& core, int line, int x, int tabWidth) {
    int column = 0;
    int end = core.LineEnd(line);
    for (int at = core.LineStart(line); at < end; at = core.PositionAfter(at)) {
        int next = core.CharAt(at) == '\t' ? (column / tabWidth + 1) * tabWidth : column + 1;
        if (x < (column + next + 1) / 2) {
            return at;
        }
        column = next;
    }
    return end;
}

// The moves and their extending and rectangle-extending forms, for the
// selection modes in which moves extend.
struct ModalMove {
    unsigned move;
    unsigned extend;
    unsigned rectangle; // 0: extends as a stream
};
constexpr ModalMove kModalMoves[] = {
    {SCI_LINEDOWN, SCI_LINEDOWNEXTEND, SCI_LINEDOWNRECTEXTEND},
    {SCI_LINEUP, SCI_LINEUPEXTEND, SCI_LINEUPRECTEXTEND},
    {SCI_CHARLEFT, SCI_CHARLEFTEXTEND, SCI_CHARLEFTRECTEXTEND},
    {SCI_CHARRIGHT, SCI_CHARRIGHTEXTEND, SCI_CHARRIGHTRECTEXTEND},
    {SCI_HOME, SCI_HOMEEXTEND, SCI_HOMERECTEXTEND},
    {SCI_HOMEWRAP, SCI_HOMEWRAPEXTEND, SCI_HOMERECTEXTEND},
    {SCI_VCHOME, SCI_VCHOMEEXTEND, SCI_VCHOMERECTEXTEND},
    {SCI_LINEEND, SCI_LINEENDEXTEND, SCI_LINEENDRECTEXTEND},
    {SCI_LINEENDWRAP, SCI_LINEENDWRAPEXTEND, SCI_LINEENDRECTEXTEND},
    {SCI_PAGEUP, SCI_PAGEUPEXTEND, SCI_PAGEUPRECTEXTEND},
    {SCI_PAGEDOWN, SCI_PAGEDOWNEXTEND, SCI_PAGEDOWNRECTEXTEND},
    {SCI_WORDLEFT, SCI_WORDLEFTEXTEND, 0},
    {SCI_WORDRIGHT, SCI_WORDRIGHTEXTEND, 0},
    {SCI_DOCUMENTSTART, SCI_DOCUMENTSTARTEXTEND, 0},
    {SCI_DOCUMENTEND, SCI_DOCUMENTENDEXTEND, 0},
};

} // namespace

int EditorCore::Impl::KeptVirtual(int pos, int virtualSpace) const {
    return virtualSpace > 0 && pos == doc.LineEnd(doc.LineFromPosition(pos)) ? virtualSpace : 0;
}

SelectionRange EditorCore::Impl::FillVirtual(SelectionRange range) {
    int spaces = range.StartVirtual();
    int start = range.Start();
    if (spaces <= 0 ||
        !Replace(start, 0, std::string(static_cast<size_t>(spaces), ' ').data(), spaces)) {
        return range;
    }
    for (auto [pos, virtualSpace] : {std::pair{&range.anchor, &range.anchorVirtual},
                                     std::pair{&range.caret, &range.caretVirtual}}) {
        if (*pos == start) {
            *virtualSpace -= spaces;
        }
        *pos += spaces;
    }
    return range;
}

void EditorCore::SetColumnMeasure(ColumnMeasure* measure) {
    impl_->measure = measure;
}

int EditorCore::XOf(int pos, int virtualSpace) const {
    ColumnMeasure* measure = impl_->measure;
    int x = measure ? measure->XOf(pos) : static_cast<int>(std::min<int64_t>(Column(pos), INT_MAX));
    return x + virtualSpace * (measure ? measure->SpaceWidth() : 1);
}

// The boundary nearest x on a line, and the spaces from the line's end to
// x when x lies past it.
int EditorCore::SpacesPast(int line, int x, int* pos) const {
    ColumnMeasure* measure = impl_->measure;
    line = std::clamp(line, 0, LineCount() - 1);
    *pos = measure ? measure->PositionAtX(line, x) : PositionAtColumn(*this, line, x, TabWidth());
    int past = x - XOf(*pos, 0);
    int space = std::max(measure ? measure->SpaceWidth() : 1, 1);
    return *pos == LineEnd(line) && past > 0 ? (past + space / 2) / space : 0;
}

int EditorCore::VirtualSpaceAt(int line, int x, int* pos, int option) const {
    int spaces = SpacesPast(line, x, pos);
    return impl_->virtualOptions & option ? spaces : 0;
}

// Every visible line from the anchor's to the caret's (those two even if
// hidden) gets the piece between the corners' x.
void EditorCore::CutRectangle() {
    Impl& impl = *impl_;
    SelectionRange& rect = impl.rect;
    rect.anchor = impl.ValidPosition(rect.anchor);
    rect.caret = impl.ValidPosition(rect.caret);
    bool roomy = impl.virtualOptions & SCVS_RECTANGULARSELECTION;
    rect.anchorVirtual = roomy ? impl.KeptVirtual(rect.anchor, rect.anchorVirtual) : 0;
    rect.caretVirtual = roomy ? impl.KeptVirtual(rect.caret, rect.caretVirtual) : 0;
    const EditorCore& core = *this;
    const Document& doc = impl.doc;
    int anchorLine = doc.LineFromPosition(rect.anchor);
    int caretLine = doc.LineFromPosition(rect.caret);
    int anchorX = core.XOf(rect.anchor, rect.anchorVirtual);
    int caretX = core.XOf(rect.caret, rect.caretVirtual);
    int step = caretLine >= anchorLine ? 1 : -1;
    std::vector<SelectionRange> pieces;
    for (int line = anchorLine;; line += step) {
        if (line == anchorLine || line == caretLine || impl.folds.LineVisible(line)) {
            SelectionRange piece;
            piece.anchorVirtual =
                core.VirtualSpaceAt(line, anchorX, &piece.anchor, SCVS_RECTANGULARSELECTION);
            piece.caretVirtual =
                core.VirtualSpaceAt(line, caretX, &piece.caret, SCVS_RECTANGULARSELECTION);
            pieces.push_back(piece);
        }
        if (line == caretLine) {
            break;
        }
    }
    pieces.front() = SelectionRange{rect.anchor, pieces.front().caret, rect.anchorVirtual,
                                    pieces.front().caretVirtual};
    pieces.back().caret = rect.caret;
    pieces.back().caretVirtual = rect.caretVirtual;
    int main = static_cast<int>(pieces.size()) - 1;
    impl.SetAll(std::move(pieces), main);
    impl.rectPieces = impl.All();
    impl.changes.scrollCaret = true;
    impl.RevealCaret();
}

bool EditorCore::Rectangular() const {
    return impl_->Rectangular();
}

SelectionRange EditorCore::Rectangle() const {
    return impl_->rect;
}

void EditorCore::SetRectangle(SelectionRange corners) {
    EndTypingRun();
    impl_->rect = corners;
    impl_->rectMode = SC_SEL_RECTANGLE;
    CutRectangle();
}

void EditorCore::ExtendRectangle(int pos, int virtualSpace) {
    Impl& core = *impl_;
    SelectionRange corners = core.Rectangular() ? core.rect : core.Get(core.mainNumber);
    corners.caret = pos;
    corners.caretVirtual = virtualSpace;
    SetRectangle(corners);
}

void EditorCore::ExtendRectangleToLine(int line) {
    Impl& core = *impl_;
    SelectionRange corners = core.Rectangular() ? core.rect : core.Get(core.mainNumber);
    int pos = 0;
    int virtualSpace = VirtualSpaceAt(line, XOf(corners.caret, corners.caretVirtual), &pos,
                                      SCVS_RECTANGULARSELECTION);
    ExtendRectangle(pos, virtualSpace);
}

int EditorCore::SelectionMode() const {
    Impl& core = *impl_;
    if (core.Rectangular()) {
        return core.rectMode;
    }
    return core.movesExtend ? core.selectionMode : SC_SEL_STREAM;
}

bool EditorCore::MovesExtend() const {
    return impl_->movesExtend;
}

int EditorCore::VirtualSpaceOptions() const {
    return impl_->virtualOptions;
}

unsigned EditorCore::ModalCommand(unsigned command) const {
    if (!impl_->movesExtend) {
        return command;
    }
    bool rectangle =
        impl_->selectionMode == SC_SEL_RECTANGLE || impl_->selectionMode == SC_SEL_THIN;
    for (const ModalMove& move : kModalMoves) {
        if (command == move.move || (rectangle && command == move.extend && move.rectangle)) {
            return rectangle && move.rectangle ? move.rectangle : move.extend;
        }
    }
    return command;
}

void EditorCore::SettleModalMove() {
    if (impl_->movesExtend && impl_->selectionMode == SC_SEL_LINES) {
        CoverWholeLines();
    }
}

// The lines mode's selection: every line from the anchor's to the caret's,
// with the line end of the last. Below the anchor a caret at a line's start
// stands for the line before, which it ends.
void EditorCore::CoverWholeLines() {
    Impl& core = *impl_;
    int anchorLine = core.linesAnchor;
    int caretLine = LineFromPosition(Caret());
    if (caretLine > anchorLine && Caret() == LineStart(caretLine)) {
        --caretLine;
    }
    if (caretLine >= anchorLine) {
        core.SetMain(LineStart(anchorLine), LineStart(caretLine + 1));
    } else {
        core.SetMain(LineStart(anchorLine + 1), LineStart(caretLine));
    }
}

std::string EditorCore::RectangleText() const {
    std::string text;
    for (const SelectionRange& piece : SelectionsInOrder()) {
        text += TextRange(piece.Start(), piece.End()) + LineEndText();
    }
    return text;
}

void EditorCore::PasteRectangle(const std::string& text) {
    Impl& core = *impl_;
    std::string eol = LineEndText();
    std::vector<std::string> lines;
    for (size_t from = 0; from < text.size();) {
        size_t end = std::min(text.find(eol, from), text.size());
        lines.push_back(text.substr(from, end - from));
        from = end + eol.size();
    }
    if (lines.empty() || !CanEdit()) {
        return;
    }
    SelectionRange main = core.Get(core.mainNumber);
    int x = XOf(main.Start(), main.StartVirtual());
    int line = LineFromPosition(main.Start());
    EndTypingRun();
    BeginUndoAction();
    core.DropOthers();
    if (!SelectionEmpty()) {
        ReplaceSelection("");
    }
    int caret = Caret();
    for (const std::string& piece : lines) {
        if (line >= LineCount()) {
            core.Replace(Length(), 0, eol.data(), static_cast<int>(eol.size()));
        }
        int pos = 0;
        int spaces = SpacesPast(line, x, &pos); // a line too short is padded up to x
        std::string filled = std::string(static_cast<size_t>(spaces), ' ') + piece;
        core.Replace(pos, 0, filled.data(), static_cast<int>(filled.size()));
        caret = pos + static_cast<int>(filled.size());
        ++line;
    }
    core.SetSelection(caret, caret);
    EndUndoAction();
    core.NoteSelectionAfterEdit();
}

// The selection modes. A mode set sticks: moves extend in it until the
// same mode is set again or the selection is cancelled.
void EditorCore::SetSelectionMode(int mode, bool sticks) {
    Impl& core = *impl_;
    if (mode < SC_SEL_STREAM || mode > SC_SEL_THIN) {
        return;
    }
    bool again = sticks && core.movesExtend && core.selectionMode == mode;
    core.selectionMode = mode;
    core.movesExtend = sticks && !again;
    SelectionRange main = core.Get(core.mainNumber);
    if (mode == SC_SEL_RECTANGLE || mode == SC_SEL_THIN) {
        if (!core.Rectangular()) {
            SetRectangle(main);
        }
        core.rectMode = mode;
        return;
    }
    if (core.Rectangular()) {
        core.SetSelection(main.anchor, main.caret);
    }
    if (mode == SC_SEL_LINES) {
        core.linesAnchor = LineFromPosition(main.anchor);
        CoverWholeLines();
    }
}

int EditorCore::RectangleModifier() const {
    return impl_->rectangleModifier;
}

void EditorCore::CancelModes() {
    impl_->movesExtend = false;
    impl_->selectionMode = SC_SEL_STREAM;
}

intptr_t EditorCore::DispatchRectangleRequest(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Impl& core = *impl_;
    int n = ToInt(wParam);
    bool valid = n >= 0 && n < SelectionCount();
    SelectionRange range = valid ? core.Get(n) : SelectionRange{};
    SelectionRange corners = core.Rectangular() ? core.rect : core.Get(core.mainNumber);
    int value = std::max(ToInt(lParam), 0);
    int caretLine = LineFromPosition(corners.caret);
    switch (message) {
    case SCI_SELECTIONISRECTANGLE: return core.Rectangular() ? 1 : 0;
    case SCI_SETSELECTIONMODE: SetSelectionMode(n, true); return 0;
    case SCI_CHANGESELECTIONMODE: SetSelectionMode(n, false); return 0;
    case SCI_GETSELECTIONMODE: return SelectionMode();
    case SCI_GETLINESELSTARTPOSITION:
    case SCI_GETLINESELENDPOSITION:
        for (const SelectionRange& piece : core.All()) {
            if (LineFromPosition(piece.Start()) == n) {
                return message == SCI_GETLINESELSTARTPOSITION ? piece.Start() : piece.End();
            }
        }
        return -1; // INVALID_POSITION: the line holds no selection
    case SCI_SETSELECTIONNCARETVIRTUALSPACE:
    case SCI_SETSELECTIONNANCHORVIRTUALSPACE:
        if (valid) {
            EndTypingRun();
            (message == SCI_SETSELECTIONNCARETVIRTUALSPACE ? range.caretVirtual
                                                           : range.anchorVirtual) = value;
            core.Put(n, range);
        }
        return 0;
    case SCI_GETSELECTIONNCARETVIRTUALSPACE: return range.caretVirtual;
    case SCI_GETSELECTIONNANCHORVIRTUALSPACE: return range.anchorVirtual;
    case SCI_SETRECTANGULARSELECTIONCARET:
        corners.caret = ToInt(wParam);
        corners.caretVirtual = 0;
        SetRectangle(corners);
        return 0;
    case SCI_SETRECTANGULARSELECTIONANCHOR:
        corners.anchor = ToInt(wParam);
        corners.anchorVirtual = 0;
        SetRectangle(corners);
        return 0;
    case SCI_SETRECTANGULARSELECTIONCARETVIRTUALSPACE:
        corners.caretVirtual = ToInt(wParam);
        SetRectangle(corners);
        return 0;
    case SCI_SETRECTANGULARSELECTIONANCHORVIRTUALSPACE:
        corners.anchorVirtual = ToInt(wParam);
        SetRectangle(corners);
        return 0;
    case SCI_GETRECTANGULARSELECTIONCARET: return corners.caret;
    case SCI_GETRECTANGULARSELECTIONANCHOR: return corners.anchor;
    case SCI_GETRECTANGULARSELECTIONCARETVIRTUALSPACE: return corners.caretVirtual;
    case SCI_GETRECTANGULARSELECTIONANCHORVIRTUALSPACE: return corners.anchorVirtual;
    case SCI_SETVIRTUALSPACEOPTIONS:
        core.virtualOptions = ToInt(wParam) & (SCVS_RECTANGULARSELECTION | SCVS_USERACCESSIBLE |
                                               SCVS_NOWRAPLINESTART);
        return 0;
    case SCI_GETVIRTUALSPACEOPTIONS: return core.virtualOptions;
    case SCI_SETRECTANGULARSELECTIONMODIFIER:
        if (n == SCMOD_CTRL || n == SCMOD_ALT || n == SCMOD_SUPER) {
            core.rectangleModifier = n;
        }
        return 0;
    case SCI_GETRECTANGULARSELECTIONMODIFIER: return core.rectangleModifier;
    // The rectangle's key commands; the caret moves within its line.
    case SCI_LINEDOWNRECTEXTEND:
    case SCI_LINEUPRECTEXTEND: {
        int line = caretLine;
        do {
            line += message == SCI_LINEDOWNRECTEXTEND ? 1 : -1;
        } while (line >= 0 && line < LineCount() && !LineVisible(line));
        if (line >= 0 && line < LineCount()) {
            ExtendRectangleToLine(line);
        }
        return 0;
    }
    case SCI_CHARLEFTRECTEXTEND:
        if (corners.caretVirtual > 0) {
            ExtendRectangle(corners.caret, corners.caretVirtual - 1);
        } else if (corners.caret > LineStart(caretLine)) {
            ExtendRectangle(PositionBefore(corners.caret), 0);
        }
        return 0;
    case SCI_CHARRIGHTRECTEXTEND:
        if (corners.caret < LineEnd(caretLine)) {
            ExtendRectangle(PositionAfter(corners.caret), 0);
        } else if (core.virtualOptions & SCVS_RECTANGULARSELECTION) {
            ExtendRectangle(corners.caret, corners.caretVirtual + 1);
        }
        return 0;
    case SCI_HOMERECTEXTEND: ExtendRectangle(LineStart(caretLine), 0); return 0;
    case SCI_VCHOMERECTEXTEND: {
        int indented = LineIndentPosition(caretLine);
        ExtendRectangle(corners.caret == indented ? LineStart(caretLine) : indented, 0);
        return 0;
    }
    case SCI_LINEENDRECTEXTEND: ExtendRectangle(LineEnd(caretLine), 0); return 0;
    default: return 0;
    }
}

} // namespace kalmor
