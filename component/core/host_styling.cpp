// The host's own styling and folding. Under SCLEX_CONTAINER the host styles
// the text: the editor asks for styles (SCN_STYLENEEDED) before it draws or
// answers with text the host has not styled since it last changed, and the
// host sets them from a styling position on. Fold levels the host may set
// under any lexer (the BASIC lexer's own replace them as it relexes), it
// may hide lines of its own beside those folds hide, and it puts markers on
// lines.
#include "component/core/editor_core.h"
#include "component/core/editor_core_impl.h"
#include "kalmor.h"

#include <algorithm>
#include <climits>
#include <string>

namespace kalmor {

namespace {

// The bits a fold level can carry: the number, the white and header flags.
constexpr int kFoldLevelBits =
    SC_FOLDLEVELNUMBERMASK | SC_FOLDLEVELWHITEFLAG | SC_FOLDLEVELHEADERFLAG;

} // namespace

void EditorCore::Impl::ClearStyling() {
    partlyStyled.clear();
    int length = doc.Length();
    std::string plain(static_cast<size_t>(length), '\0');
    std::string styles(plain.size(), '\0');
    doc.CopyStyles(0, length, styles.data());
    if (styles != plain) {
        doc.SetStyles(0, length, plain.data());
        longRows.clear();
        changes.styles = true;
        if (Wants(SC_MOD_CHANGESTYLE)) {
            Tell(Modification{SC_MOD_CHANGESTYLE | performed, 0, length});
        }
    }
    for (int line = 0; line < doc.LineCount(); ++line) {
        SetLevel(line, SC_FOLDLEVELBASE);
    }
    stylingPosition = 0;
    endStyled = 0;
    ChangedAll();
}

int EditorCore::EndStyled() const {
    return impl_->lexer == SCLEX_CONTAINER ? impl_->endStyled : Length();
}

void EditorCore::EnsureStyled(int pos) {
    Impl& core = *impl_;
    pos = std::clamp(pos, 0, Length());
    if (EndStyled() >= pos || core.listener == nullptr || core.askingStyles) {
        return;
    }
    core.askingStyles = true;
    core.listener->StyleNeeded(pos);
    core.askingStyles = false;
}

intptr_t EditorCore::DispatchStylingRequest(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Impl& core = *impl_;
    // Styles length bytes from the styling position (each its own when
    // given, else all one), moving it and the end styled past them; a style
    // change is told like any other and repainted.
    auto setStyles = [&](intptr_t length, const char* each, int style) {
        int start = core.stylingPosition;
        int count = static_cast<int>(std::clamp<intptr_t>(length, 0, Length() - start));
        if (count == 0 || (each == nullptr && style < 0)) {
            return;
        }
        std::string styles =
            each ? std::string(each, static_cast<size_t>(count))
                 : std::string(static_cast<size_t>(count), static_cast<char>(style));
        core.stylingPosition = start + count;
        core.endStyled = core.stylingPosition;
        // Only the lines whose styles differ are repainted: a host restyling
        // the rest of the view after a typed character changes one line.
        std::string before = StyleRange(start, start + count);
        size_t first = 0, last = styles.size();
        while (first < last && before[first] == styles[first]) {
            ++first;
        }
        while (last > first && before[last - 1] == styles[last - 1]) {
            --last;
        }
        if (first == last) {
            return;
        }
        core.doc.SetStyles(start, count, styles.data());
        if (!core.longRows.empty())
            core.LongRowsRestyled(start, before, styles);
        core.changes.styles = true;
        core.Changed(LineFromPosition(start + static_cast<int>(first)),
                     LineFromPosition(start + static_cast<int>(last) - 1));
        if (core.Wants(SC_MOD_CHANGESTYLE)) {
            core.Tell(Modification{SC_MOD_CHANGESTYLE | SC_PERFORMED_USER, start, count});
        }
    };
    switch (message) {
    case SCI_GETENDSTYLED: return EndStyled();
    case SCI_STARTSTYLING:
        core.stylingPosition = std::clamp(ToInt(wParam), 0, Length());
        core.endStyled = core.stylingPosition;
        return 0;
    case SCI_SETSTYLING:
        setStyles(static_cast<intptr_t>(wParam), nullptr, ToInt(lParam) & 0xFF);
        return 0;
    case SCI_SETSTYLINGEX:
        if (lParam != 0) {
            setStyles(static_cast<intptr_t>(wParam), reinterpret_cast<const char*>(lParam), 0);
        }
        return 0;
    case SCI_COLOURISE: {
        // The BASIC lexer has styled everything already; the host is asked.
        int end = static_cast<intptr_t>(lParam) < 0 ? Length() : ToInt(lParam);
        EnsureStyled(end);
        return 0;
    }
    case SCI_SETFOLDLEVEL: {
        int line = ToInt(wParam);
        if (line < 0 || line >= LineCount() ||
            FoldLevel(line) == (ToInt(lParam) & kFoldLevelBits)) {
            return 0;
        }
        // A level changed under a contracted header, or a header's flag, may
        // show or hide every line below; the caret's line stays shown.
        core.SetLevel(line, ToInt(lParam) & kFoldLevelBits);
        core.changes.styles = true;
        core.Changed(line, INT_MAX);
        int caretLine = LineFromPosition(Caret());
        if (!LineVisible(caretLine)) {
            core.ExpandFoldsHolding(caretLine, caretLine);
        }
        return 0;
    }
    case SCI_SHOWLINES:
    case SCI_HIDELINES: {
        // Line 0 always shows; a caret on a line hidden goes to the nearest shown one above.
        int first = std::max(ToInt(wParam), 0);
        int last = std::min(ToInt(lParam), LineCount() - 1);
        for (int line = first; line <= last; ++line) {
            core.folds.SetHiddenByHost(line, message == SCI_HIDELINES);
        }
        if (first <= last) {
            core.Changed(first, INT_MAX);
        }
        int caretLine = LineFromPosition(Caret());
        if (!LineVisible(caretLine)) {
            while (!LineVisible(caretLine)) {
                --caretLine;
            }
            GotoLine(caretLine);
        }
        return 0;
    }
    case SCI_SETAUTOMATICFOLD: core.automaticFold = ToInt(wParam) & 0x7; return 0;
    case SCI_GETAUTOMATICFOLD: return core.automaticFold;
    case SCI_ENSUREVISIBLE:
        // The folds that hide the line open; a line the host hid stays hidden.
        for (int parent = core.folds.Parent(ToInt(wParam)); parent >= 0;
             parent = core.folds.Parent(parent)) {
            core.SetContracted(parent, false);
        }
        return 0;
    default: return 0;
    }
}

int EditorCore::AutomaticFold() const {
    return impl_->automaticFold;
}

void EditorCore::SetFoldTree(int line, bool expanded) {
    if (!IsHeader(line)) {
        return;
    }
    int last = LastChild(line);
    for (int inner = last; inner > line; --inner) {
        if (IsHeader(inner)) {
            impl_->SetContracted(inner, !expanded);
        }
    }
    SetFoldExpanded(line, expanded);
}

// Headers get boxes; a header inside another fold is joined to the lines
// above and below it. A body line whose next line lies at a lower level
// ends its fold: a T while it is still inside an outer fold, else a corner.
int EditorCore::FolderMarker(int line) const {
    const FoldState& folds = impl_->folds;
    if (line < 0 || line >= LineCount()) {
        return -1;
    }
    impl_->EnsureLexed(line + 1);
    int level = folds.LevelNumber(line);
    bool nested = level > SC_FOLDLEVELBASE;
    if (folds.IsHeader(line)) {
        if (folds.Contracted(line)) {
            return nested ? SC_MARKNUM_FOLDEREND : SC_MARKNUM_FOLDER;
        }
        return nested ? SC_MARKNUM_FOLDEROPENMID : SC_MARKNUM_FOLDEROPEN;
    }
    if (!nested) {
        return -1;
    }
    int next = line + 1 < LineCount() ? folds.LevelNumber(line + 1) : SC_FOLDLEVELBASE;
    if (next < level) {
        return next > SC_FOLDLEVELBASE ? SC_MARKNUM_FOLDERMIDTAIL : SC_MARKNUM_FOLDERTAIL;
    }
    return SC_MARKNUM_FOLDERSUB;
}

const std::string& EditorCore::MarginText(int line) const {
    return impl_->marginTexts.Text(line);
}

int EditorCore::MarginTextStyle(int line) const {
    return impl_->marginTexts.Style(line);
}

uint32_t EditorCore::MarkersOn(int line) const {
    return impl_->markers.Get(line);
}

const MarkerStyle& EditorCore::GetMarkerStyle(int marker) const {
    return impl_->markerStyles[static_cast<size_t>(std::clamp(marker, 0, kMarkerCount - 1))];
}

// Markers: numbers 0 to 31, on lines of the document; each added or deleted
// is told (SC_MOD_CHANGEMARKER) and its line's margin repainted.
intptr_t EditorCore::DispatchMarkerRequest(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Impl& core = *impl_;
    int line = ToInt(wParam);
    int marker = ToInt(lParam);
    bool lineOk = line >= 0 && line < LineCount();
    bool markerOk = marker >= 0 && marker < kMarkerCount;
    auto changed = [&](int at) {
        core.Changed(at, at);
        if (core.Wants(SC_MOD_CHANGEMARKER)) {
            Modification m{SC_MOD_CHANGEMARKER | SC_PERFORMED_USER, LineStart(at)};
            m.line = at;
            core.Tell(m);
        }
    };
    // The requests that define a marker take its number in wParam.
    int defined = ToInt(wParam);
    MarkerStyle* style = defined >= 0 && defined < kMarkerCount
                             ? &core.markerStyles[static_cast<size_t>(defined)]
                             : nullptr;
    switch (message) {
    case SCI_MARKERDEFINE:
        if (style && ((lParam >= 0 && lParam < kMarkerCount) ||
                      (lParam >= SC_MARK_CHARACTER && lParam <= SC_MARK_CHARACTER + 0x10FFFF))) {
            style->symbol = static_cast<int>(lParam);
            core.ChangedAll();
        }
        return 0;
    case SCI_MARKERSETFORE:
    case SCI_MARKERSETBACK:
        if (style) {
            (message == SCI_MARKERSETFORE ? style->fore : style->back) =
                static_cast<uint32_t>(lParam) & 0x00FFFFFF;
            core.ChangedAll();
        }
        return 0;
    case SCI_MARKERSYMBOLDEFINED: return style ? style->symbol : 0;
    case SCI_MARKERADD: {
        if (!lineOk || !markerOk) {
            return -1;
        }
        int handle = core.markers.Add(line, marker);
        changed(line);
        return handle;
    }
    case SCI_MARKERADDSET:
        for (int n = 0; lineOk && n < kMarkerCount; ++n) {
            if (static_cast<uint32_t>(lParam) & (1u << n)) {
                core.markers.Add(line, n);
            }
        }
        if (lineOk && static_cast<uint32_t>(lParam) != 0) {
            changed(line);
        }
        return 0;
    case SCI_MARKERDELETE:
        if (lineOk && core.markers.Delete(line, marker < 0 ? -1 : marker)) {
            changed(line);
        }
        return 0;
    case SCI_MARKERDELETEALL:
        for (int at : core.markers.DeleteAll(defined < 0 ? -1 : defined)) {
            changed(at);
        }
        return 0;
    case SCI_MARKERGET: return static_cast<int32_t>(core.markers.Get(line));
    case SCI_MARKERNEXT: return core.markers.Next(line, static_cast<uint32_t>(lParam));
    case SCI_MARKERPREVIOUS: return core.markers.Previous(line, static_cast<uint32_t>(lParam));
    case SCI_MARKERLINEFROMHANDLE: return core.markers.LineFromHandle(line);
    case SCI_MARKERDELETEHANDLE: {
        int at = core.markers.DeleteHandle(line);
        if (at >= 0) {
            changed(at);
        }
        return 0;
    }
    // Text margins' texts: a null text clears the line's; reading answers
    // the length and, given a buffer, copies the text without a NUL, as
    // SCI_GETLINE does.
    case SCI_MARGINSETTEXT:
        if (lineOk) {
            const char* text = reinterpret_cast<const char*>(lParam);
            core.marginTexts.SetText(line, text ? text : "");
            core.Changed(line, line);
        }
        return 0;
    case SCI_MARGINGETTEXT: {
        const std::string& text = MarginText(line);
        if (lParam != 0) {
            std::copy(text.begin(), text.end(), reinterpret_cast<char*>(lParam));
        }
        return static_cast<intptr_t>(text.size());
    }
    case SCI_MARGINSETSTYLE:
        if (lineOk) {
            core.marginTexts.SetStyle(line, std::clamp(ToInt(lParam), 0, kStyleCount - 1));
            core.Changed(line, line);
        }
        return 0;
    case SCI_MARGINGETSTYLE: return MarginTextStyle(line);
    case SCI_MARGINTEXTCLEARALL:
        if (!core.marginTexts.Empty()) {
            core.marginTexts.Clear();
            core.ChangedAll();
        }
        return 0;
    default: return 0;
    }
}

} // namespace kalmor
