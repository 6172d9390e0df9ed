// The editor's platform-neutral core: the document with its line index, the
// caret, styles, margins, the BASIC lexer, folding and the request
// dispatcher. No window-system types: the window layer reads what it draws
// from here and feeds user input in through the editing calls below.
//
// Positions and lines are 0-based ints. Every call clamps its arguments, so
// no value (negative, huge) can crash or corrupt the core.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "component/core/case_folding.h"
#include "component/core/code_page.h"
#include "component/core/indicators.h"

namespace kalmor {

// One entry of the style table. Colours are COLORREF values, 0x00BBGGRR.
struct Style {
    std::string font = "Courier New";
    int size = 10; // points
    bool bold = false;
    bool italic = false;
    uint32_t fore = 0x000000;
    uint32_t back = 0xFFFFFF;
    bool eolFilled = false; // its background runs on past the end of a line ending in it
    bool underline = false;
    bool visible = true;  // its text is drawn (its background always is)
    int caseForce = 0;    // SC_CASE_: drawn in upper or lower case, the text unchanged
    unsigned version = 0; // bumped on every change, so cached fonts know when to rebuild
};

// The host's colours for the selection, the caret, the caret's line and the
// long-line edge, the caret's width, and the blanks and line ends shown;
// high contrast sets the colours aside.
struct Look {
    bool selForeSet = false; // selected text in selFore, else in its own colours
    uint32_t selFore = 0xFFFFFF;
    bool selBackSet = false; // the selection on selBack, else a tint of the highlight
    uint32_t selBack = 0xC0C0C0;
    uint32_t caretFore = 0x000000;
    bool caretLineVisible = false;
    uint32_t caretLineBack = 0xFFFF00;
    int caretWidth = 1;         // pixels at 96 DPI, 0 to 20
    bool caretWidthSet = false; // until set, the system's caret width
    int edgeMode = 0;           // EDGE_NONE, EDGE_LINE or EDGE_BACKGROUND
    int edgeColumn = 0;         // in widths of the default style's space
    uint32_t edgeColour = 0xC0C0C0;
    int viewWs = 0;         // SCWS_: where blanks are marked
    bool wsForeSet = false; // the marks in wsFore, else in their style's colour
    uint32_t wsFore = 0;
    bool wsBackSet = false; // the marked blanks on wsBack, else on their style's
    uint32_t wsBack = 0xFFFFFF;
    int wsSize = 1;         // a space's dot, pixels at 96 DPI
    bool viewEol = false;   // line ends shown as labelled boxes
    int indentGuides = 0;   // SC_IV_: where indentation guides are drawn
    int highlightGuide = 0; // the column whose guide is highlighted; 0 none
    // SC_FOLDFLAG_: rules drawn above or below headers; a rule under a
    // contracted header until the host says otherwise.
    int foldFlags = 0x10;
    // A fold margin's checkerboard, in the system's face and highlight
    // colours until the host sets its own.
    bool foldMarginSet = false;
    uint32_t foldMargin = 0;
    bool foldMarginHiSet = false;
    uint32_t foldMarginHi = 0;
    // Line wrapping: SC_WRAP_ mode, the SC_WRAPVISUALFLAG_ marks and where
    // they go, the indent of a wrapped line's later rows (SC_WRAPINDENT_, and
    // the fixed part in widths of the default style's space) and the
    // SC_CACHE_ level the host asked for.
    int wrapMode = 0;
    int wrapVisualFlags = 0;
    int wrapVisualFlagsLocation = 0;
    int wrapStartIndent = 0;
    int wrapIndentMode = 0;
    int layoutCache = 1;
    // The selections and carets besides the main one: their colours (the
    // text in its own while addSelForeSet is off), whether their carets
    // blink and whether they are drawn at all.
    bool addSelForeSet = false;
    uint32_t addSelFore = 0xFFFFFF;
    uint32_t addSelBack = 0xD7D7D7;
    uint32_t addCaretFore = 0x7F7F7F;
    bool addCaretsBlink = true;
    bool addCaretsVisible = true;
};

// One selection: where it was started and where its caret is; empty when
// they are equal. Either end may stand in virtual space past its line's
// end, the spaces' widths counted in anchorVirtual and caretVirtual.
struct SelectionRange {
    int anchor = 0;
    int caret = 0;
    int anchorVirtual = 0;
    int caretVirtual = 0;
    int Start() const { return anchor < caret ? anchor : caret; }
    int End() const { return anchor < caret ? caret : anchor; }
    // The virtual space at the start and at the end.
    int StartVirtual() const {
        return anchor < caret   ? anchorVirtual
               : caret < anchor ? caretVirtual
                                : (anchorVirtual < caretVirtual ? anchorVirtual : caretVirtual);
    }
    int EndVirtual() const {
        return anchor < caret   ? caretVirtual
               : caret < anchor ? anchorVirtual
                                : (anchorVirtual < caretVirtual ? caretVirtual : anchorVirtual);
    }
    bool Empty() const { return anchor == caret && anchorVirtual == caretVirtual; }
    bool operator==(const SelectionRange& other) const {
        return anchor == other.anchor && caret == other.caret &&
               anchorVirtual == other.anchorVirtual && caretVirtual == other.caretVirtual;
    }
    bool operator!=(const SelectionRange& other) const { return !(*this == other); }
};

// How a marker number is drawn: its symbol (SC_MARK_, or SC_MARK_CHARACTER
// plus a character) and colours.
struct MarkerStyle {
    int symbol = 0; // SC_MARK_CIRCLE
    uint32_t fore = 0x000000;
    uint32_t back = 0xFFFFFF;
};

// One margin at the left of the text, drawn in index order.
struct Margin {
    int type = 0;             // SC_MARGIN_: symbols, line numbers, the host's colour or texts
    int width = 0;            // pixels
    uint32_t mask = 0;        // the markers it shows; with SC_MASK_FOLDERS a fold margin
    bool sensitive = false;   // clicks are reported to the parent
    int cursor = 2;           // SC_CURSORARROW or SC_CURSORREVERSEARROW over it
    uint32_t back = 0xFFFFFF; // an SC_MARGIN_COLOUR margin's colour
};

// One change of the document's text, styles or fold levels, told to the
// listener as it happens, with the fields of the host's SCN_MODIFIED: type
// holds SC_MOD_ and SC_PERFORMED_ flags. The BEFORE kinds come before the
// document changes, the others after.
struct Modification {
    int type = 0;
    int position = 0;
    int length = 0;
    int linesAdded = 0;
    const char* text = nullptr; // the bytes inserted or deleted, valid during the call
    int line = 0;               // for a fold change
    int foldLevelNow = 0;
    int foldLevelPrev = 0;
};

// Hears the core's changes while they happen. The document cannot be changed
// from inside Modified: the core refuses such an edit. ModifyAttemptReadOnly
// comes once before a refused edit while the document is read-only, and may
// turn read-only off to let the edit go on.
class ChangeListener {
  public:
    virtual void Modified(const Modification& modification) = 0;
    virtual void ModifyAttemptReadOnly() = 0;
    // The host styles the text (SCLEX_CONTAINER) and has not styled up to
    // position, which is about to be drawn or read.
    virtual void StyleNeeded(int /*position*/) {}

  protected:
    ~ChangeListener() = default;
};

// What every change since the window last took them did, in one record:
// the window turns it into the repaint, the caret, the scroll bars, the
// accessibility events and the host's notifications, whatever the change
// came from.
struct Changes {
    bool all = false;   // everything may look different (styles, margins, code page)
    int firstLine = -1; // document lines to repaint; -1 when none
    int lastLine = -1;  // INT_MAX: every line below firstLine may have moved
    // On firstLine nothing before this byte looks different, but the token
    // ending there may be restyled (an edit at a word's end, say).
    int firstByte = -1;
    bool text = false;        // the text changed
    bool styles = false;      // style bytes or fold levels changed
    bool selection = false;   // the caret or the anchor is elsewhere than when last taken
    bool scrollCaret = false; // the caret is to be brought into view
    bool zoom = false;        // the zoom changed
    bool overtype = false;    // typing over was turned on or off
    // The additional selections changed; the lines they left and reach are
    // among the lines to repaint.
    bool selections = false;
    int savePoint = 0;    // +1 the save point was reached, -1 left, 0 as before
    bool refused = false; // an edit was refused for want of memory
    bool Any() const {
        return all || firstLine >= 0 || text || styles || selection || selections || scrollCaret ||
               zoom || overtype || savePoint != 0 || refused;
    }
};

constexpr int kStyleCount = 256;
constexpr int kMarginCount = 5;
constexpr int kMarkerCount = 32;
// The limits of the values hosts set: tab widths and indents in columns,
// indentation in columns, zoom in points added to every style's size.
constexpr int kMaxTabWidth = 256;
constexpr int kMaxIndentation = 10000;
constexpr int kMinZoom = -10;
constexpr int kMaxZoom = 20;
constexpr int kMaxEdgeColumn = 10000;

struct WordCharacters;
struct LongLineRows;

class EditorCore {
  public:
    EditorCore();
    ~EditorCore();
    EditorCore(const EditorCore&) = delete;
    EditorCore& operator=(const EditorCore&) = delete;

    // Answers one numbered request in its documented sense. Texts travel as
    // pointers in wParam or lParam: a null text to insert, set or name a font
    // or property changes nothing; a null keyword list or property value
    // counts as empty. Unknown requests answer 0.
    intptr_t Dispatch(unsigned message, uintptr_t wParam, intptr_t lParam);

    // Document.
    int Length() const;
    int LineCount() const;
    int LineStart(int line) const; // clamped into [0, LineCount()]: LineCount() gives Length()
    int LineEnd(int line) const;   // position of the line's end characters (or Length())
    int LineFromPosition(int pos) const;
    char CharAt(int pos) const; // 0 outside the document
    int StyleAt(int pos) const; // 0 outside the document
    std::string TextRange(int start, int end) const;
    std::string StyleRange(int start, int end) const; // one style byte per text byte
    std::string Text() const;

    // Code pages (code_page.h) say where characters begin; changing one
    // never changes the text's bytes. 0 is the system's ANSI code page,
    // which the window layer names with SetSystemCodePage; values the editor
    // does not know are refused, keeping the code page it had.
    void SetCodePage(int codePage);
    int CodePage() const; // as set: 0 for the system's
    void SetSystemCodePage(int codePage);
    const Encoding& CurrentEncoding() const; // the code page in force, 0 resolved

    // Characters. Every call clamps its position into the document first.
    int CharacterStart(int pos) const; // the start of the character holding byte pos
    int PositionBefore(int pos) const; // one character back, a CRLF as one; 0 at the start
    int PositionAfter(int pos) const;  // one character on, a CRLF as one; Length() at the end
    int CountCharacters(int start, int end) const; // between the two, in either order
    // The column of pos on its line, tabs expanded to the tab width.
    int64_t Column(int pos) const;
    // count characters on (or back, when negative), stopping at the document's ends.
    int PositionRelative(int pos, int count) const;

    // Selection: the anchor and the caret, empty when they are equal. Both
    // are always inside the document, on a character boundary and never
    // inside a CRLF. Placing the
    // caret on a line hidden in a fold expands the folds that hide it.
    int Caret() const;
    int Anchor() const;
    void SetCaret(int pos);        // collapses the selection there
    void ExtendSelection(int pos); // moves the caret, keeping the anchor
    void SetAnchor(int pos);
    void SetSelection(int anchor, int caret);
    int SelectionStart() const;
    int SelectionEnd() const;
    bool SelectionEmpty() const;
    std::string SelectedText() const;
    // Replaces the selection by text and leaves the caret, collapsed, after it.
    void ReplaceSelection(const std::string& text);
    // Replaces the selection by text and selects that, the caret at the same end.
    void ReplaceSelectionKeepingIt(const std::string& text);
    // The lines a selection touches (one ending at a line's start does not
    // touch that line); whether that is more than one.
    bool SelectedLines(int* first, int* last) const;
    // Moves the caret; extending keeps the anchor, else the selection collapses there.
    void MoveCaret(int pos, bool extend);
    // The target (SCI_SETTARGETSTART, SCI_SETTARGETEND) and SCI_LINESJOIN:
    // each line end inside it goes, a space in its place after a line that
    // ends in neither a blank nor nothing; one undo step, the target's end
    // moving with the text.
    int TargetStart() const;
    int TargetEnd() const;
    void SetTarget(int start, int end);
    void JoinTargetLines();

    // Editing at the caret, as typing does: each replaces a non-empty
    // selection. Styles and folds follow at once; an edit touching a
    // contracted fold expands it first. Typed characters, and runs of
    // DeleteBack or DeleteForward, join the previous undo step of their kind
    // until the caret is moved or anything else is done.
    void InsertAtCaret(const std::string& text);
    // The line end Enter, paste and drops insert: the host's SCI_SETEOLMODE
    // once it set one, else the document's own (its first line end; CRLF
    // while it has none).
    void InsertLineEnd();
    std::string LineEndText() const;
    // SC_EOL_CRLF, SC_EOL_CR or SC_EOL_LF: the host's mode, or the one of the
    // document's own line end while the host has set none.
    int LineEndMode() const;
    void SetLineEndMode(int mode);
    // Every line end turned into the mode's, as one undo step.
    void ConvertLineEnds(int mode);
    void DeleteBack();        // one character before the caret, a CRLF as one
    void DeleteForward();     // one character after the caret, a CRLF as one
    void DeleteWordBack();    // to the previous word boundary
    void DeleteWordForward(); // to the next word boundary

    // Undo history. Every change to the text is recorded; a step restores
    // the text and the selection as they were before (Undo) or after (Redo).
    // Between BeginUndoAction and the matching EndUndoAction every change
    // joins one step.
    bool CanUndo() const;
    bool CanRedo() const;
    void Undo();
    void Redo();
    void BeginUndoAction();
    void EndUndoAction();
    void EmptyUndoBuffer();
    // Ends a run of typing or deleting, so the next one starts a new step.
    void EndTypingRun();

    // Editing anywhere. Positions are clamped into the document; the caret
    // moves with the text after it. An edit that would grow the document
    // past its length limit is refused as one that runs out of memory is.
    void InsertText(int pos, const std::string& text);
    void DeleteRange(int start, int length);
    // Selection to 0, every fold expanded. Into an empty history (a load)
    // the replacement is not recorded: the old text is not kept for undo.
    void SetText(std::string_view text);
    // The most bytes the document may hold: kMaxDocumentLength unless set
    // lower (clamped to 0..kMaxDocumentLength).
    void SetLengthLimit(int bytes);

    // Searching (search.cpp): the first match of text inside [from, to], or,
    // when from > to, the last one inside [to, from]; flags are SCFIND_
    // values. A match starts and ends on character boundaries. {-1, -1} when
    // none. Without SCFIND_MATCHCASE letters compare by Unicode's simple case
    // folding in UTF-8 and by the code page's own in the others (as the
    // folding source says; ASCII letters alone without one). With
    // SCFIND_REGEXP or SCFIND_CXX11REGEX the text is a pattern (regex.h).
    std::pair<int, int> Find(int from, int to, const std::string& text, int flags);
    void SetCodePageFolding(CodePageFoldingSource source);

    // Tabs and indentation (code_editing.cpp), in columns: a tab reaches the
    // next multiple of the tab width.
    int TabWidth() const;
    int IndentSize() const; // the indent set, or the tab width
    int LineIndentation(int line) const;
    int LineIndentPosition(int line) const; // the position after the line's leading blanks
    void SetLineIndentation(int line, int columns);
    // Tab and Shift+Tab: a selection over several lines gains or loses one
    // indent on every line it touches, as one undo step; otherwise Tab types
    // a tab (or spaces to the next indent stop) and Shift+Tab unindents the
    // caret's line.
    void Tab();
    void BackTab();
    // The brace matching the one at pos, at the same nesting and style, or -1.
    int BraceMatch(int pos) const;
    // Moves (or copies) the text [start, end) to a position outside it, as
    // one undo step, selecting it there: dragging a selection with the mouse.
    bool MoveText(int start, int end, int to, bool copy);

    // Typing over: a typed character replaces the one after the caret,
    // never a line end.
    bool Overtype() const;
    void SetOvertype(bool overtype);
    // Points added to every style's size, kMinZoom..kMaxZoom; a change makes
    // every style's version move on, so fonts are built again.
    int Zoom() const;
    void SetZoom(int points);
    // The braces drawn in STYLE_BRACELIGHT (two positions) and STYLE_BRACEBAD; -1 for none.
    int BraceLight(int which) const;
    int BraceBad() const;

    // Caret movement over the visible lines only, by whole characters.
    // One character left; from a line start, the end of the previous visible line.
    int PositionLeft(int pos) const;
    // One character right; from a line end, the start of the next visible line.
    int PositionRight(int pos) const;
    // The document line |delta| visible lines below (+) or above (-), clamped.
    int VisibleLineAfter(int line, int delta) const;

    // Folding. Lines outside the document are not clamped here: they answer
    // the base level, expanded, visible, with no parent and no last child (-1).
    int FoldLevel(int line) const;
    bool IsHeader(int line) const;
    bool Expanded(int line) const; // false only for a contracted header
    bool LineVisible(int line) const;
    int FoldParent(int line) const; // -1 if none
    int LastChild(int line) const;
    // Contracting a fold that hides the caret moves the selection, collapsed,
    // to the header's start.
    void ToggleFold(int line);
    void SetFoldExpanded(int line, bool expanded); // headers only; hides or shows as toggling does
    void GotoLine(int line); // selection collapsed at the line's start, any fold hiding it expanded

    // Display lines: the rows of the visible lines, counted from the top of
    // the document. A line takes one row, or while lines wrap as many as the
    // view said it takes (an estimate from its length until then).
    int VisibleLineCount() const;
    int DocLineFromVisible(int displayLine) const; // clamped
    // The first display line of line, or of the visible line above it if hidden.
    int VisibleFromDocLine(int line) const;
    // Wrapping: whether lines wrap (SCI_SETWRAPMODE), a line's rows, and
    // whether that is still an estimate. The view sets a line's rows as it
    // measures it; ResetWrap estimates every line anew at bytesPerRow. A row
    // count changing above the top row moves the top row with it, so the
    // same text stays on top.
    bool Wrapping() const;
    int LineRows(int line) const; // 1 unwrapped, 0 hidden
    bool LineRowsEstimated(int line) const;
    void SetLineRows(int line, int rows, bool estimated = false);
    // A long line's rows while lines wrap (made on first use, kept in step
    // with edits, dropped when lines rewrap): the view finds them.
    std::shared_ptr<LongLineRows> LongRows(int line);
    void ResetWrap(int bytesPerRow);
    int NextEstimatedLine(int fromLine) const; // -1 when every line is measured

    // The display line at the top of the window, kept here so requests can report it.
    int FirstVisibleLine() const;
    void SetFirstVisibleLine(int displayLine);

    // Appearance.
    const Style& GetStyle(int index) const;   // index clamped into 0..255
    const Margin& GetMargin(int index) const; // index clamped into 0..4
    int Lexer() const;

    // Change tracking: the listener hears each change as it happens (none
    // until one is set); TakeChanges hands over what changed since it was
    // last called. Which modification kinds the listener hears is the host's
    // SCI_SETMODEVENTMASK.
    void SetListener(ChangeListener* listener);
    Changes TakeChanges();

    // Grows with every change to the text, so a caller can tell whether a call edited it.
    unsigned TextVersion() const;

    // The save point: the document is modified unless the undo history
    // stands where SetSavePoint left it.
    void SetSavePoint();
    bool Modified() const;
    // While read-only every edit is refused, after asking the listener once.
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);
    // Whether an edit would be taken now; while read-only it asks the
    // listener first, as an edit would.
    bool CanEdit();
    // How far the text is styled: all of it but where the host styles
    // (SCLEX_CONTAINER), and there up to where it has styled since the text
    // last changed before that.
    int EndStyled() const;
    // The markers on a line as a mask (bit n for marker n), and how marker n is drawn.
    uint32_t MarkersOn(int line) const;
    const MarkerStyle& GetMarkerStyle(int marker) const;
    // The folder marker (SC_MARKNUM_FOLDER...) a fold margin shows beside a
    // line, from the fold levels: a header's box, open or closed and nested
    // or not, the line through a fold's body, the T where a nested fold ends
    // inside another and the corner where the outermost ends; -1 outside folds.
    int FolderMarker(int line) const;
    // A text margin's text for a line and its style.
    const std::string& MarginText(int line) const;
    int MarginTextStyle(int line) const;
    // Indicators: how one is drawn, its runs meeting [start, end), the mask
    // of indicators 0 to 31 on the byte at pos, and whether any is set at all.
    const IndicatorStyle& GetIndicatorStyle(int indicator) const;
    std::vector<IndicatorRuns::Run> IndicatorRunsIn(int indicator, int start, int end) const;
    uint32_t IndicatorsAt(int pos) const;
    bool AnyIndicator() const;
    // Which bytes form words and which are blanks (words.h).
    const WordCharacters& Words() const;
    // SC_AUTOMATICFOLD_ flags the host set.
    int AutomaticFold() const;
    // Sets the fold of a header and of every header inside it open or
    // closed: the clicks on a fold margin with Ctrl and with Shift.
    void SetFoldTree(int line, bool expanded);
    const Look& GetLook() const;
    // Asks the host that styles to style up to pos if it has not, once at a time.
    void EnsureStyled(int pos);
    // SC_STATUS_ values: SC_STATUS_BADALLOC after an edit refused for want
    // of memory, until the host clears it.
    int Status() const;
    // An edit was refused for want of memory before or inside the core:
    // sets SC_STATUS_BADALLOC, and the changes say so.
    void RefuseForMemory();

    // Multiple selections (selections.cpp). Selection 0..SelectionCount()-1,
    // numbered in the order they were made; the main one, MainSelection(),
    // is the one Caret() and Anchor() read and every single-selection call
    // acts on. Setting a single selection drops the others. Selections that
    // touch or overlap merge into one. With additional selection typing on,
    // typing, deleting, Enter, Tab and pasting act on every selection, last
    // in the text first, as one undo step; undo and redo put every one back.
    int SelectionCount() const;
    int MainSelection() const;
    SelectionRange SelectionN(int n) const; // n clamped
    // Every selection in the order of the text.
    std::vector<SelectionRange> SelectionsInOrder() const;
    // Adds a selection and makes it the main one.
    void AddSelection(int anchor, int caret);
    void DropSelection(int n);
    bool MultipleSelection() const; // Ctrl+click adds a caret
    bool AdditionalTyping() const;  // edits act on every selection
    // Moves every caret to where to gives for it (the selection collapsing
    // there, or extending to it); the selections merge if they meet.
    void MoveCarets(const std::function<int(const SelectionRange&)>& to, bool extend);
    // Replaces every selection by text, or with pieces (one per selection, in
    // the order of the text), as one step, each caret after its text.
    void ReplaceEach(const std::string& text);
    void ReplaceEachWith(const std::vector<std::string>& pieces);
    // SC_MULTIPASTE_ONCE or SC_MULTIPASTE_EACH.
    int MultiPaste() const;
    // A paste of text (in the document's line ends): into the main selection
    // alone, or with SC_MULTIPASTE_EACH into every selection, line i of the
    // text into the i-th in the text when it has as many lines as there are
    // selections (a line end after the last not counting).
    void Paste(const std::string& text);

    // Rectangular selection (rectangle.cpp). A rectangle runs from its
    // anchor to its caret, each a position and its virtual space, and is cut
    // into one selection on every visible line between them, from the x of
    // one corner to the x of the other; the anchor's line is selection 0,
    // the caret's the main one. It stays a rectangle while the selections
    // are those pieces (edits at them keep it, as a thin one where typed);
    // setting the selection any other way ends it.
    bool Rectangular() const;
    SelectionRange Rectangle() const; // the corners, valid while Rectangular()
    // Makes the rectangle from anchor to caret.
    void SetRectangle(SelectionRange corners);
    // Moves the rectangle's caret (starting one from the main selection's
    // anchor when there is none) to pos and its virtual space; to a line,
    // keeping the caret's x.
    void ExtendRectangle(int pos, int virtualSpace);
    void ExtendRectangleToLine(int line);
    // The virtual space nearest to x on a line, pos its position there;
    // none unless the SCVS_ option given is on.
    int VirtualSpaceAt(int line, int x, int* pos, int option) const;
    // SC_SEL_ mode as SCI_GETSELECTIONMODE answers it, and whether caret
    // moves extend in it (SCI_SETSELECTIONMODE made it stick).
    int SelectionMode() const;
    bool MovesExtend() const;
    int VirtualSpaceOptions() const; // SCVS_ flags
    // Copying a rectangle: its pieces in line order, each ended by a line end.
    std::string RectangleText() const;
    // A paste of a copied rectangle (lines in the document's line ends): line
    // i of it goes into line i below the caret's at the caret's x, the
    // shorter lines padded with spaces and the document lengthened with
    // lines as needed; one undo step, the caret after the last piece.
    void PasteRectangle(const std::string& text);
    // How x is measured across lines: the window measures pixels; without
    // it, columns of characters with tabs reaching the next tab stop.
    struct ColumnMeasure {
        virtual ~ColumnMeasure() = default;
        virtual int XOf(int pos) = 0; // from its line's start
        // The character boundary nearest x on a line, at most its end.
        virtual int PositionAtX(int line, int x) = 0;
        virtual int SpaceWidth() = 0; // of one space of virtual space
    };
    void SetColumnMeasure(ColumnMeasure* measure);
    int XOf(int pos, int virtualSpace) const;
    int RectangleModifier() const; // SCMOD_ALT, _CTRL or _SUPER
    // Sets an SC_SEL_ mode; one that sticks makes moves extend in it until
    // it is set again or cancelled.
    void SetSelectionMode(int mode, bool sticks);
    void CancelModes();
    // A move as it acts in the mode that sticks: extending, or extending
    // the rectangle; and the lines mode's whole lines made after it.
    unsigned ModalCommand(unsigned command) const;
    void SettleModalMove();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;

    intptr_t DispatchPart(unsigned message, uintptr_t wParam, intptr_t lParam);
    intptr_t DispatchCoreRequest(unsigned message, uintptr_t wParam, intptr_t lParam);
    intptr_t DispatchStyleRequest(unsigned message, int style, intptr_t lParam);
    intptr_t DispatchMarginRequest(unsigned message, int margin, intptr_t lParam);
    intptr_t DispatchSearchRequest(unsigned message, uintptr_t wParam, intptr_t lParam);
    intptr_t DispatchCodeRequest(unsigned message, uintptr_t wParam, intptr_t lParam);
    // The key commands that need only the text (commands.cpp), and the
    // edits of whole lines they are made of.
    intptr_t DispatchKeyCommand(unsigned message);
    void ReorderLines(int first, int last, const std::vector<int>& order, int shift);
    void MoveSelectedLines(int delta);
    void Duplicate(bool forLine);
    void DeleteSpan(int start, int end);
    // Reading lines, ranges, columns and words, adding text, placing the
    // selection's ends and undo collection (reading.cpp).
    intptr_t DispatchReadingRequest(unsigned message, uintptr_t wParam, intptr_t lParam);
    intptr_t DispatchLookRequest(unsigned message, uintptr_t wParam, intptr_t lParam);
    intptr_t DispatchMarkerRequest(unsigned message, uintptr_t wParam, intptr_t lParam);
    intptr_t DispatchIndicatorRequest(unsigned message, uintptr_t wParam, intptr_t lParam);
    // The host's own styles and fold levels (host_styling.cpp).
    intptr_t DispatchStylingRequest(unsigned message, uintptr_t wParam, intptr_t lParam);
    // The multiple selections' requests and the adders of matches (selections.cpp).
    intptr_t DispatchSelectionRequest(unsigned message, uintptr_t wParam, intptr_t lParam);
    void AddNextMatch(bool each);
    // The rectangle's and virtual space's requests and key commands (rectangle.cpp).
    intptr_t DispatchRectangleRequest(unsigned message, uintptr_t wParam, intptr_t lParam);
    void CutRectangle();    // the rectangle's pieces made the selections
    void CoverWholeLines(); // the lines mode's whole lines selected
    int SpacesPast(int line, int x, int* pos) const;
};

} // namespace kalmor
