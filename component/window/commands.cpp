// The key commands that need the view, the clipboard or the system's case
// mapping, and which key runs which command: the default bindings and the
// host's SCI_ASSIGNCMDKEY, SCI_CLEARCMDKEY and SCI_CLEARALLCMDKEYS.
#include "component/core/requests.h"
#include "component/window/editor_window.h"

namespace kalmor {

namespace {

constexpr int kShift = SCMOD_SHIFT << 16;
constexpr int kCtrl = SCMOD_CTRL << 16;
constexpr int kAlt = SCMOD_ALT << 16;

struct Binding {
    int key; // a key definition: key code + modifiers << 16
    unsigned command;
};

// The keys as they are until the host binds others; docs/component.md lists them.
constexpr Binding kDefaultBindings[] = {
    {SCK_DOWN, SCI_LINEDOWN},
    {SCK_DOWN | kShift, SCI_LINEDOWNEXTEND},
    {SCK_DOWN | kCtrl, SCI_LINESCROLLDOWN},
    {SCK_DOWN | kAlt, SCI_MOVESELECTEDLINESDOWN},
    {SCK_DOWN | kAlt | kShift, SCI_LINEDOWNRECTEXTEND},
    {SCK_UP, SCI_LINEUP},
    {SCK_UP | kShift, SCI_LINEUPEXTEND},
    {SCK_UP | kCtrl, SCI_LINESCROLLUP},
    {SCK_UP | kAlt, SCI_MOVESELECTEDLINESUP},
    {SCK_UP | kAlt | kShift, SCI_LINEUPRECTEXTEND},
    {SCK_LEFT, SCI_CHARLEFT},
    {SCK_LEFT | kShift, SCI_CHARLEFTEXTEND},
    {SCK_LEFT | kCtrl, SCI_WORDLEFT},
    {SCK_LEFT | kCtrl | kShift, SCI_WORDLEFTEXTEND},
    {SCK_LEFT | kAlt | kShift, SCI_CHARLEFTRECTEXTEND},
    {SCK_RIGHT, SCI_CHARRIGHT},
    {SCK_RIGHT | kShift, SCI_CHARRIGHTEXTEND},
    {SCK_RIGHT | kCtrl, SCI_WORDRIGHT},
    {SCK_RIGHT | kCtrl | kShift, SCI_WORDRIGHTEXTEND},
    {SCK_RIGHT | kAlt | kShift, SCI_CHARRIGHTRECTEXTEND},
    {SCK_HOME, SCI_HOMEWRAP},
    {SCK_HOME | kShift, SCI_HOMEWRAPEXTEND},
    {SCK_HOME | kCtrl, SCI_DOCUMENTSTART},
    {SCK_HOME | kCtrl | kShift, SCI_DOCUMENTSTARTEXTEND},
    {SCK_HOME | kAlt | kShift, SCI_VCHOMERECTEXTEND},
    {SCK_END, SCI_LINEENDWRAP},
    {SCK_END | kShift, SCI_LINEENDWRAPEXTEND},
    {SCK_END | kCtrl, SCI_DOCUMENTEND},
    {SCK_END | kCtrl | kShift, SCI_DOCUMENTENDEXTEND},
    {SCK_END | kAlt | kShift, SCI_LINEENDRECTEXTEND},
    {SCK_PRIOR, SCI_PAGEUP},
    {SCK_PRIOR | kShift, SCI_PAGEUPEXTEND},
    {SCK_PRIOR | kAlt | kShift, SCI_PAGEUPRECTEXTEND},
    {SCK_NEXT, SCI_PAGEDOWN},
    {SCK_NEXT | kShift, SCI_PAGEDOWNEXTEND},
    {SCK_NEXT | kAlt | kShift, SCI_PAGEDOWNRECTEXTEND},
    {SCK_DELETE, SCI_CLEAR},
    {SCK_DELETE | kShift, SCI_CUT},
    {SCK_DELETE | kCtrl, SCI_DELWORDRIGHT},
    {SCK_DELETE | kCtrl | kShift, SCI_DELLINERIGHT},
    {SCK_INSERT, SCI_EDITTOGGLEOVERTYPE},
    {SCK_INSERT | kShift, SCI_PASTE},
    {SCK_INSERT | kCtrl, SCI_COPY},
    {SCK_ESCAPE, SCI_CANCEL},
    {SCK_BACK, SCI_DELETEBACK},
    {SCK_BACK | kShift, SCI_DELETEBACK},
    {SCK_BACK | kCtrl, SCI_DELWORDLEFT},
    {SCK_BACK | kCtrl | kShift, SCI_DELLINELEFT},
    {SCK_BACK | kAlt, SCI_UNDO},
    {SCK_TAB, SCI_TAB},
    {SCK_TAB | kShift, SCI_BACKTAB},
    {SCK_RETURN, SCI_NEWLINE},
    {SCK_RETURN | kShift, SCI_NEWLINE},
    {SCK_ADD | kCtrl, SCI_ZOOMIN},
    {VK_OEM_PLUS | kCtrl, SCI_ZOOMIN},
    {SCK_SUBTRACT | kCtrl, SCI_ZOOMOUT},
    {VK_OEM_MINUS | kCtrl, SCI_ZOOMOUT},
    {SCK_DIVIDE | kCtrl, SCI_SETZOOM},
    {'0' | kCtrl, SCI_SETZOOM},
    {VK_NUMPAD0 | kCtrl, SCI_SETZOOM},
    {'A' | kCtrl, SCI_SELECTALL},
    {'C' | kCtrl, SCI_COPY},
    {'D' | kCtrl, SCI_SELECTIONDUPLICATE},
    {'L' | kCtrl, SCI_LINECUT},
    {'L' | kCtrl | kShift, SCI_LINEDELETE},
    {'T' | kCtrl, SCI_LINETRANSPOSE},
    {'T' | kCtrl | kShift, SCI_LINECOPY},
    {'U' | kCtrl, SCI_LOWERCASE},
    {'U' | kCtrl | kShift, SCI_UPPERCASE},
    {'V' | kCtrl, SCI_PASTE},
    {'X' | kCtrl, SCI_CUT},
    {'Y' | kCtrl, SCI_REDO},
    {'Z' | kCtrl, SCI_UNDO},
    {'Z' | kCtrl | kShift, SCI_REDO},
    {VK_OEM_4 | kCtrl, SCI_PARAUP}, // [
    {VK_OEM_4 | kCtrl | kShift, SCI_PARAUPEXTEND},
    {VK_OEM_6 | kCtrl, SCI_PARADOWN}, // ]
    {VK_OEM_6 | kCtrl | kShift, SCI_PARADOWNEXTEND},
    {VK_OEM_2 | kCtrl, SCI_WORDPARTLEFT}, // /
    {VK_OEM_2 | kCtrl | kShift, SCI_WORDPARTLEFTEXTEND},
    {VK_OEM_5 | kCtrl, SCI_WORDPARTRIGHT}, // backslash
    {VK_OEM_5 | kCtrl | kShift, SCI_WORDPARTRIGHTEXTEND},
};

// The display line of the caret, and the first and last the view shows whole.
int CaretRow(EditorWindow& w) {
    return DisplayLineOfPosition(w.view, w.core.Caret());
}
int LastRow(EditorWindow& w) {
    int last = w.core.FirstVisibleLine() + std::max(LinesOnScreen(w.view), 1) - 1;
    return std::min(last, w.core.VisibleLineCount() - 1);
}

// Page Up and Down: the view and the caret a page, the caret keeping its column.
void Page(EditorWindow& w, int direction, bool extend) {
    int page = LinesOnScreen(w.view);
    ScrollTo(w, w.core.FirstVisibleLine() + direction * page, w.view.xOffset);
    MoveCaretByLines(w, direction * page, extend);
}

// The first press goes to the top (or bottom) line in view, the next a page.
void StutteredPage(EditorWindow& w, int direction, bool extend) {
    int edge = direction < 0 ? w.core.FirstVisibleLine() : LastRow(w);
    if (CaretRow(w) != edge)
        MoveCaretByLines(w, edge - CaretRow(w), extend);
    else
        Page(w, direction, extend);
}

// A caret scrolled out of view comes to the nearest line in view.
void MoveCaretInsideView(EditorWindow& w) {
    int row = CaretRow(w);
    int first = w.core.FirstVisibleLine();
    int last = LastRow(w);
    if (row < first || row > last)
        MoveCaretByLines(w, (row < first ? first : last) - row, false);
}

// The ends of the caret's display line: its start, and the boundary before
// its last character (the line's end on a line's last row), which is drawn
// on that row.
// A long line is laid out around the caret.
LineLayout CaretLayout(EditorWindow& w) {
    int line = w.core.LineFromPosition(w.core.Caret());
    return LayOutLine(w.view, nullptr, line, w.core.Caret() - w.core.LineStart(line));
}
int DisplayLineStart(EditorWindow& w) {
    LineLayout layout = CaretLayout(w);
    int row = RowOfByte(layout, w.core.Caret() - layout.start);
    return row == 0 ? layout.lineStart : layout.start + RowStart(layout, row);
}
int DisplayLineEnd(EditorWindow& w) {
    LineLayout layout = CaretLayout(w);
    int row = RowOfByte(layout, w.core.Caret() - layout.start);
    if (row + 1 == RowCount(layout))
        return layout.lineStart + layout.lineLength;
    return w.core.PositionBefore(layout.start + RowEnd(layout, row));
}

// Home and End while lines wrap: the display line's end first, then, from
// there, the document line's.
int WrapHome(EditorWindow& w) {
    int start = DisplayLineStart(w);
    int line = w.core.LineFromPosition(w.core.Caret());
    return w.core.Caret() == start ? w.core.LineStart(line) : start;
}
int WrapEnd(EditorWindow& w) {
    int end = DisplayLineEnd(w);
    int line = w.core.LineFromPosition(w.core.Caret());
    return w.core.Caret() == end ? w.core.LineEnd(line) : end;
}

// Ctrl+L and Ctrl+Shift+T: the lines the selection touches, with their line ends.
std::pair<int, int> SelectedLinesSpan(const EditorCore& core) {
    int first = 0;
    int last = 0;
    core.SelectedLines(&first, &last);
    return {core.LineStart(first), core.LineStart(last + 1)};
}

} // namespace

std::map<int, unsigned> DefaultBindings() {
    std::map<int, unsigned> bindings;
    for (const Binding& binding : kDefaultBindings)
        bindings[binding.key] = binding.command;
    return bindings;
}

// A virtual-key code as a key definition's code: the keys of the SCK_
// names, and any other key as its own code.
int KeyDefinition(WPARAM key, int modifiers) {
    static const std::pair<WPARAM, int> named[] = {
        {VK_DOWN, SCK_DOWN},         {VK_UP, SCK_UP},         {VK_LEFT, SCK_LEFT},
        {VK_RIGHT, SCK_RIGHT},       {VK_HOME, SCK_HOME},     {VK_END, SCK_END},
        {VK_PRIOR, SCK_PRIOR},       {VK_NEXT, SCK_NEXT},     {VK_DELETE, SCK_DELETE},
        {VK_INSERT, SCK_INSERT},     {VK_ESCAPE, SCK_ESCAPE}, {VK_ADD, SCK_ADD},
        {VK_SUBTRACT, SCK_SUBTRACT}, {VK_DIVIDE, SCK_DIVIDE}, {VK_LWIN, SCK_WIN},
        {VK_RWIN, SCK_RWIN},         {VK_APPS, SCK_MENU},
    };
    int code = static_cast<int>(key & 0xFFFF);
    for (const auto& [virtualKey, sck] : named)
        if (key == virtualKey)
            code = sck;
    return code | modifiers << 16;
}

unsigned BoundCommand(const Keys& keys, int definition) {
    auto found = keys.bindings.find(definition);
    return found == keys.bindings.end() ? 0 : found->second;
}

// Enter by key or request: the line end, and its SCN_CHARADDED.
void TypeLineEnd(EditorWindow& w) {
    unsigned version = w.core.TextVersion();
    w.core.InsertLineEnd();
    if (w.core.TextVersion() != version)
        NoteTyped(w, w.core.LineEndText(), SC_CHARACTERSOURCE_DIRECT_INPUT);
}

// The key commands the window answers, and the key bindings.
LRESULT HandleCommandRequest(EditorWindow& w, UINT message, WPARAM wParam, LPARAM lParam) {
    SyncView(w);
    bool extend = false;
    switch (message) {
    case SCI_ASSIGNCMDKEY: {
        // LPARAM is 32 bits in the i686 build: UINT_MAX would be -1 there.
        unsigned command = static_cast<unsigned>(std::clamp<int64_t>(lParam, 0, UINT_MAX));
        if (FindRequest(command).command)
            w.keys.bindings[static_cast<int>(wParam & 0x7FFFFFFF)] = command;
        return 0;
    }
    case SCI_CLEARCMDKEY: w.keys.bindings.erase(static_cast<int>(wParam & 0x7FFFFFFF)); return 0;
    case SCI_CLEARALLCMDKEYS: w.keys.bindings.clear(); return 0;
    case SCI_LINEDOWNEXTEND: extend = true; [[fallthrough]];
    case SCI_LINEDOWN: MoveCaretByLines(w, 1, extend); return 0;
    case SCI_LINEUPEXTEND: extend = true; [[fallthrough]];
    case SCI_LINEUP: MoveCaretByLines(w, -1, extend); return 0;
    case SCI_PAGEUPEXTEND: extend = true; [[fallthrough]];
    case SCI_PAGEUP: Page(w, -1, extend); return 0;
    case SCI_PAGEDOWNEXTEND: extend = true; [[fallthrough]];
    case SCI_PAGEDOWN: Page(w, 1, extend); return 0;
    case SCI_STUTTEREDPAGEUPEXTEND: extend = true; [[fallthrough]];
    case SCI_STUTTEREDPAGEUP: StutteredPage(w, -1, extend); return 0;
    case SCI_STUTTEREDPAGEDOWNEXTEND: extend = true; [[fallthrough]];
    case SCI_STUTTEREDPAGEDOWN: StutteredPage(w, 1, extend); return 0;
    case SCI_LINESCROLLDOWN:
    case SCI_LINESCROLLUP:
        ScrollTo(w, w.core.FirstVisibleLine() + (message == SCI_LINESCROLLDOWN ? 1 : -1),
                 w.view.xOffset);
        MoveCaretInsideView(w);
        return 0;
    case SCI_MOVECARETINSIDEVIEW: MoveCaretInsideView(w); return 0;
    case SCI_HOMEDISPLAYEXTEND: extend = true; [[fallthrough]];
    case SCI_HOMEDISPLAY: MoveCaret(w, DisplayLineStart(w), extend); return 0;
    case SCI_LINEENDDISPLAYEXTEND: extend = true; [[fallthrough]];
    case SCI_LINEENDDISPLAY: MoveCaret(w, DisplayLineEnd(w), extend); return 0;
    case SCI_HOMEWRAPEXTEND: extend = true; [[fallthrough]];
    case SCI_HOMEWRAP: MoveCaret(w, WrapHome(w), extend); return 0;
    case SCI_LINEENDWRAPEXTEND: extend = true; [[fallthrough]];
    case SCI_LINEENDWRAP: MoveCaret(w, WrapEnd(w), extend); return 0;
    case SCI_PAGEUPRECTEXTEND:
    case SCI_PAGEDOWNRECTEXTEND: {
        int page = std::max(LinesOnScreen(w.view), 1) * (message == SCI_PAGEUPRECTEXTEND ? -1 : 1);
        SelectionRange corners =
            w.core.Rectangular() ? w.core.Rectangle() : w.core.SelectionN(w.core.MainSelection());
        int row = w.core.VisibleFromDocLine(w.core.LineFromPosition(corners.caret)) + page;
        w.core.ExtendRectangleToLine(w.core.DocLineFromVisible(row));
        return 0;
    }
    case SCI_CANCEL:
        w.core.CancelModes();
        if (w.mouse.movingText)
            EndDrag(w);
        else if (w.core.SelectionCount() > 1) // the main selection alone stays
            w.core.SetSelection(w.core.Anchor(), w.core.Caret());
        return 0;
    case SCI_NEWLINE: TypeLineEnd(w); return 0;
    case SCI_LINECOPY: {
        auto [start, end] = SelectedLinesSpan(w.core);
        CopyRange(w, start, end);
        return 0;
    }
    case SCI_LINECUT: {
        auto [start, end] = SelectedLinesSpan(w.core);
        w.core.SetSelection(start, end);
        Cut(w);
        return 0;
    }
    case SCI_LOWERCASE:
    case SCI_UPPERCASE:
        w.core.ReplaceSelectionKeepingIt(
            ChangeCase(w.core.CurrentEncoding(), w.core.SelectedText(), message == SCI_UPPERCASE));
        return 0;
    default: return 0;
    }
}

// Runs the command a key is bound to, as its request would.
void RunKeyCommand(EditorWindow& w, unsigned command) {
    HandleRequest(w, command, 0, 0);
}

} // namespace kalmor
