// The editor core's state, shared by its modules.
#pragma once
#include "component/core/basic_lexer.h"
#include "component/core/document.h"
#include "component/core/editor_core.h"
#include "component/core/fold_state.h"
#include "component/core/indicators.h"
#include "component/core/markers.h"
#include "component/core/words.h"
#include "component/core/wrap_rows.h"

#include "component/core/code_page.h"
#include "kalmor.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kalmor {

// A request's argument as an int: clamped rather than truncated, so a huge
// 64-bit value never wraps to a small valid one.
inline int ToInt(intptr_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

inline int ToInt(uintptr_t value) {
    return ToInt(static_cast<intptr_t>(value));
}

struct RegexState;

constexpr int kKeywordSetCount = 9;

// An edit adding more lines than this leaves them to be lexed when read.
constexpr int kLazyLexLines = 64;
// A line longer than this is restyled after an edit inside it from a copy
// of the stretch around the edit.
constexpr int kLongLexLine = 65536;

// The line ends of SC_EOL_CRLF, SC_EOL_CR and SC_EOL_LF.
constexpr const char* kLineEnds[] = {"\r\n", "\r", "\n"};

// One replacement as the history keeps it: at position, removedLength bytes
// gave way to insertedLength bytes. text holds whichever side is not in the
// document now: the removed bytes while the change is done, the inserted
// bytes once it is undone. So the history never copies text the document holds.
struct UndoAction {
    int position = 0;
    int removedLength = 0;
    int insertedLength = 0;
    std::string text;
};

// What one undo or redo reverses or repeats, with the selection before and
// after: the main one, and the others with the main one's number when there
// were more (empty for a single selection, so a plain step allocates no more).
struct UndoStep {
    std::vector<UndoAction> actions;
    int anchorBefore = 0;
    int caretBefore = 0;
    int anchorAfter = 0;
    int caretAfter = 0;
    std::pair<int, int> virtualBefore; // the main selection's virtual space: anchor, caret
    std::pair<int, int> virtualAfter;
    std::vector<SelectionRange> othersBefore;
    std::vector<SelectionRange> othersAfter;
    int mainBefore = 0;
    int mainAfter = 0;
};

// The kind of edit that may join the previous one into one undo step.
enum class EditRun { None, Typing, DeleteBack, DeleteForward };

struct EditorCore::Impl {
    Impl();

    bool LexingBasic() const;
    bool FoldingEnabled() const;
    BasicLineKind KindOf(int line);
    void RestyleLongLine(int start, int length, int editStart, int editEnd);
    // The BASIC lexer styles a long line only where it is read: from its
    // start on, and far from what is styled from a place in a plain stretch
    // where it starts afresh whatever came before. StyleLongPart styles
    // line's bytes from from, where the lexer starts afresh, to where it
    // does again at or after want, and answers that place; EnsureLongStyled
    // styles what is not yet of the lines holding [start, end);
    // LongLineEdited keeps a partly styled line's styled bytes those an edit
    // at byte at cannot reach; PartlyStyledEdited moves the lines with an
    // edit that adds or removes lines.
    int StyleLongPart(int line, int from, int want);
    void StyleLongRange(int line, int a, int b);
    void EnsureLongStyled(int start, int end);
    void LongLineEdited(int line, int at);
    void PartlyStyledEdited(const LineChange& change, int position, bool lineEnds);
    void LongRowsRestyled(int position, const std::string& before, const std::string& after);
    // An edit inside one line changed only its bytes [editStart, editEnd),
    // which the lexer restyles around; -1 when the edit is not known.
    void Relex(int firstLine, int lastLine, int limit = INT_MAX, int editStart = -1,
               int editEnd = -1);
    // After an edit of [editStart, editEnd): the lines it changed lexed now,
    // or left for later.
    void RelexEdited(const LineChange& change, int editStart, int editEnd);
    // While every selection is edited, the lines the edits touch are lexed
    // once, together, when the last is done: each style and fold level then
    // changes (and is told) once, not once for every edit near it.
    void DeferRelex(int firstLine, int lastLine, const LineChange& change);
    void RelexDeferred();
    void RelexAll();
    // The BASIC lexer styles and folds lazily while no fold is contracted:
    // lines [0, lexedTo) are up to date, the rest are lexed when first read.
    // Every reader of styles and fold levels asks for the lines it reads;
    // contracting a fold lexes everything first, so what is hidden never
    // rests on levels not yet lexed.
    void EnsureLexed(int line);
    bool LexingPending() const; // lines are left to lex, and may be lexed now
    int LastChildLexed(int line, int level);
    // Every byte in style 0 and every line at the base level, nothing styled
    // by the host: another lexer takes over.
    void ClearStyling();
    void SetLevel(int line, int level);
    void ExpandFoldsHolding(int firstLine, int lastLine);
    std::string TextRange(int start, int end) const;
    bool Replace(int start, int deleteLength, const char* text, int insertLength,
                 EditRun run = EditRun::None);
    // The parts of Replace: one side of the edit done to the document, the
    // listener told before and after.
    void Delete(int start, int length, const std::string* removed);
    void Insert(int start, const char* text, int length);
    bool Record(int start, int deleteLength, int insertLength, EditRun run);
    bool Modified() const { return savePoint != static_cast<int64_t>(done); }
    // Whether the text may change now: not from inside the listener's
    // Modified, and, while read-only, only if the listener (asked once
    // between two takes of the changes) turned read-only off.
    bool Editable();
    // Tells the listener of a modification the host's event mask lets through.
    bool Wants(int type) const;
    void Tell(Modification modification);
    void NoteSelectionAfterEdit();
    void SetCaret(int pos);
    // Clamped into the document, moved to the start of the character it is
    // in and out of a CRLF: where the caret and the anchor may be.
    int ValidPosition(int pos) const;
    int CharacterStart(int pos) const;              // pos clamped, then to its character's start
    int CharacterLength(int pos) const;             // of the character starting at pos < Length()
    void SetSelection(int anchorPos, int caretPos); // a single selection: the others dropped
    void SetMain(int anchorPos, int caretPos);      // the main selection, the others kept
    void RestoreSelections(int anchorPos, int caretPos, std::pair<int, int> mainVirtual,
                           const std::vector<SelectionRange>& kept, int main);
    // Multiple selections (selections.cpp): selection n of them all, read
    // and written; the others merged where they touch; every selection
    // edited by edit (which answers the range the selection becomes), last
    // in the text first, as one undo step joining a run of kind.
    SelectionRange Get(int n) const;
    void Put(int n, SelectionRange range);
    void DropOthers();
    std::vector<SelectionRange> All() const; // every selection, in number order
    void SetAll(std::vector<SelectionRange> all, int main);
    void MergeSelections();
    bool EditsEach() const; // more than one selection, and edits act on each
    void EditEach(EditRun kind, const std::function<SelectionRange(SelectionRange)>& edit);
    // The lines the others cover, widened into first..last.
    void OthersLines(const std::vector<SelectionRange>& ranges, int* first, int* last) const;
    void RevealCaret();
    void GotoLine(int line);
    void SetContracted(int line, bool contracted);
    // Records a change to lines [firstLine, lastLine] (lastLine INT_MAX: to
    // the end), or to everything; on firstLine nothing before fromByte
    // changed but the style of the token ending there (-1: the whole line
    // may have).
    void Changed(int firstLine, int lastLine, int fromByte = -1);
    void ChangedAll();
    // A line's text (without its line end) in one piece, valid until the next change.
    const char* LineText(int line, int* length);
    void Reserve(int length, int lineEnds, int linesRemoved = 0);
    bool PrepareReplay(const UndoStep& step, bool undo, std::vector<std::string>& taken);
    void TakeOut(int position, int length, std::string& text);

    Document doc;
    FoldState folds;
    int caret = 0;
    int anchor = 0;
    int caretVirtual = 0; // the main selection's virtual space, counted only at a line's end
    int anchorVirtual = 0;
    // The selections besides the main one (caret, anchor), in number order
    // without it; the main one's number among them all.
    std::vector<SelectionRange> others;
    int mainNumber = 0;
    bool multipleSelection = false; // SCI_SETMULTIPLESELECTION: Ctrl+click adds
    bool additionalTyping = false;  // SCI_SETADDITIONALSELECTIONTYPING
    int multiPaste = SC_MULTIPASTE_ONCE;
    bool editingEach = false; // inside EditEach: no merging until it ends
    // The rectangle: its corners, the selections it was last cut into (it
    // is a rectangle while they are unchanged), SC_SEL_RECTANGLE or
    // SC_SEL_THIN; the mode SCI_SETSELECTIONMODE set and whether it sticks;
    // SCVS_ flags; what measures x (null: columns).
    SelectionRange rect;
    std::vector<SelectionRange> rectPieces;
    int rectMode = SC_SEL_RECTANGLE;
    int selectionMode = SC_SEL_STREAM;
    bool movesExtend = false;
    int virtualOptions = SCVS_NONE;
    ColumnMeasure* measure = nullptr;
    bool Rectangular() const { return !rectPieces.empty() && All() == rectPieces; }
    int rectangleModifier = SCMOD_ALT; // the key that makes a drag cut a rectangle
    int linesAnchor = 0;               // in the lines mode, the anchor's line
    // A position's virtual space as kept: none unless it is at its line's end.
    int KeptVirtual(int pos, int virtualSpace) const;
    // Spaces filling the virtual space at a selection's start, so an edit
    // there lands where it is drawn; answers the range moved past them.
    SelectionRange FillVirtual(SelectionRange range);
    std::vector<UndoStep> history;
    size_t done = 0;             // steps in history[0, done) are applied, the rest undone
    EditRun run = EditRun::None; // the run the last step may still take in
    int groupDepth = 0;          // BeginUndoAction nesting
    bool groupStarted = false;   // the open group already has its step
    bool replaying = false;      // undoing or redoing: nothing is recorded
    bool collectUndo = true;     // SCI_SETUNDOCOLLECTION: off, a change empties the history
    bool unrecorded = false;     // the edit under way (a load) is kept out of the history
    int firstVisibleLine = 0;    // in rows
    // While lines wrap: each line's rows, the bytes a row is estimated to
    // hold, and the hidden runs the rows were last made to follow.
    WrapRows rows;
    int bytesPerRow = 80;
    std::vector<std::pair<int, int>> rowsHidden;
    unsigned rowsRunsVersion = 0;
    // The rows found in long lines, by line, kept in step with edits.
    std::map<int, std::shared_ptr<LongLineRows>> longRows;
    // The rows, hidden lines taking none: lines a fold hid since they were
    // last read go to 0, lines it showed get an estimate.
    WrapRows& Rows();
    int EstimateRows(int line) const;
    // Mirrors an edit in the rows: lines replaced as the document's were,
    // the edited line's count marked as an estimate.
    // A long line's found rows follow an edit inside it; lines replaced lose theirs.
    void WrapEdited(const LineChange& change, int position, int removed, int inserted,
                    bool lineEnds);
    std::array<Style, kStyleCount> styles;
    std::array<Margin, kMarginCount> margins;
    std::map<std::string, std::string> properties;
    std::array<KeywordList, kKeywordSetCount> keywords;
    int lexer = SCLEX_CONTAINER;
    // The host's styling: where the next SCI_SETSTYLING starts, how far it
    // has styled, and whether it is being asked for styles now.
    int stylingPosition = 0;
    int endStyled = 0;
    bool askingStyles = false;
    int codePage = 0;
    int systemCodePage = 1252;
    Encoding encoding;
    Changes changes;
    // The listener, the kinds of modification it hears, and how deep inside
    // its Modified the core is (edits are refused there).
    ChangeListener* listener = nullptr;
    int modEventMask = SC_MODEVENTMASKALL;
    int insideModified = 0;
    // How the edit under way was performed: SC_PERFORMED_USER, _UNDO or _REDO,
    // with SC_MULTISTEPUNDOREDO and SC_LASTSTEPINUNDOREDO while replaying.
    int performed = SC_PERFORMED_USER;
    bool startsAction = false; // the next modification begins an undo step
    // Where the selection stood and whether the document was modified when
    // the changes were last taken.
    int takenCaret = 0;
    int takenAnchor = 0;
    int takenCaretVirtual = 0;
    int takenAnchorVirtual = 0;
    std::vector<SelectionRange> takenOthers;
    int takenMain = 0;
    bool takenModified = false;
    // The history's length at the save point; -1 once it cannot be reached.
    int64_t savePoint = 0;
    bool readOnly = false;
    bool readOnlyAsked = false; // the listener was asked since the changes were last taken
    int status = 0;             // SC_STATUS_ value
    int lengthLimit = kMaxDocumentLength;
    void RefuseForMemory() {
        status = SC_STATUS_BADALLOC;
        changes.refused = true;
    }
    std::vector<BasicLineKind> kinds; // of the lines being relexed
    int lexedTo = 0;                  // lines [0, lexedTo) are lexed
    // Long lines lexed but not styled whole: their styled stretches, start to
    // end in bytes from the line's start, the first from 0 (maybe empty).
    std::map<int, std::map<int, int>> partlyStyled;
    bool deferringRelex = false;                   // inside EditEach, no fold contracted
    std::vector<std::pair<int, int>> relexPending; // line ranges, in today's line numbers
    bool lexing = false;                           // inside Relex: a reader's lexing waits
    unsigned textVersion = 0;
    // Searching: the target requests act on, the flags they search with and
    // the anchor of SCI_SEARCHNEXT and SCI_SEARCHPREV; each code page's case
    // folding, learnt from the source when first needed.
    int targetStart = 0;
    int targetEnd = 0;
    int searchFlags = 0;
    int searchAnchor = 0;
    CodePageFoldingSource foldingSource;
    // How many characters that fold to ASCII letters in UTF-8 (the Kelvin
    // sign, the long s) the text holds, kept up to date by every edit, so a
    // search without case knows at once whether an ASCII needle may match
    // one; -1 after an edit of a megabyte or more, until a search counts
    // them (a load does not scan its text for a search that may not come).
    // CountFoldingToAscii counts over [start, end), clamped into the text;
    // FoldingEdited keeps the count across an edit of [start, start +
    // length) (before is true before the edit, false after it).
    int foldingToAscii = 0;
    int CountFoldingToAscii(int start, int end);
    void FoldingEdited(int start, int length, bool before);
    int FoldingToAscii();
    std::map<int, CodePageFolding> foldings;
    const CodePageFolding& Folding();
    // Regular expressions (regex.h): the last program and match. A bad or
    // over-budget pattern sets status to SC_STATUS_WARN_REGEX.
    std::shared_ptr<RegexState> regex;
    // The column Column last answered, at pos, with the tab width and code
    // page in force it counted in; pos -1 once an edit before it or at it
    // changed the text.
    struct ColumnMark {
        int pos = -1;
        int64_t column = 0;
        int tabWidth = 0;
        int codePage = 0;
    } columnMark;
    // Code editing.
    int tabWidth = 8;
    int indent = 0; // 0: the tab width
    bool useTabs = true;
    bool overtype = false;
    int eolMode = -1; // SC_EOL_* the host set; -1 while it has set none
    int zoom = 0;
    int braceLight[2] = {-1, -1};
    int braceBad = -1;
    Look look;
    MarkerSet markers;
    std::array<MarkerStyle, kMarkerCount> markerStyles;
    MarginTexts marginTexts;
    int automaticFold = 0; // SC_AUTOMATICFOLD_ flags
    WordCharacters words;  // SCI_SETWORDCHARS and SCI_SETWHITESPACECHARS
    // Indicators: each one's runs and style, and the one and value that
    // SCI_INDICATORFILLRANGE fills with.
    struct IndicatorSet {
        IndicatorSet();
        std::array<IndicatorRuns, kIndicatorCount> runs;
        std::array<IndicatorStyle, kIndicatorCount> styles;
        int current = 0;
        int value = 1;
    } indicators;
};

} // namespace kalmor
