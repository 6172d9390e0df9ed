// The numbered request entry point. Arguments arrive as pointer-sized
// integers; every one is clamped or checked before it reaches the core.
#include "component/core/editor_core.h"
#include "component/core/editor_core_impl.h"
#include "component/core/requests.h"
#include "component/core/regex.h"
#include "kalmor.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <tuple>

namespace kalmor {

namespace {

const char* ToText(uintptr_t value) {
    return reinterpret_cast<const char*>(value);
}

uint32_t ToColour(intptr_t value) {
    return static_cast<uint32_t>(value) & 0x00FFFFFF;
}

} // namespace

// Style setters and getters; out-of-range style numbers change nothing.
intptr_t EditorCore::DispatchStyleRequest(unsigned message, int index, intptr_t lParam) {
    if (index < 0 || index >= kStyleCount) {
        return 0;
    }
    Style& style = impl_->styles[index];
    Style before = style;
    switch (message) {
    case SCI_STYLEGETFORE: return style.fore;
    case SCI_STYLEGETBACK: return style.back;
    case SCI_STYLEGETEOLFILLED: return style.eolFilled ? 1 : 0;
    case SCI_STYLEGETUNDERLINE: return style.underline ? 1 : 0;
    case SCI_STYLEGETVISIBLE: return style.visible ? 1 : 0;
    case SCI_STYLEGETCASE: return style.caseForce;
    case SCI_STYLEGETBOLD: return style.bold ? 1 : 0;
    case SCI_STYLEGETITALIC: return style.italic ? 1 : 0;
    case SCI_STYLEGETSIZE: return style.size;
    case SCI_STYLEGETFONT: {
        // The face name and a NUL, into a buffer the caller sized by asking first.
        char* buffer = reinterpret_cast<char*>(lParam);
        if (buffer != nullptr) {
            std::memcpy(buffer, style.font.c_str(), style.font.size() + 1);
        }
        return static_cast<intptr_t>(style.font.size());
    }
    case SCI_STYLESETFORE: style.fore = ToColour(lParam); break;
    case SCI_STYLESETBACK: style.back = ToColour(lParam); break;
    case SCI_STYLESETEOLFILLED: style.eolFilled = lParam != 0; break;
    case SCI_STYLESETUNDERLINE: style.underline = lParam != 0; break;
    case SCI_STYLESETVISIBLE: style.visible = lParam != 0; break;
    case SCI_STYLESETCASE:
        if (lParam >= SC_CASE_MIXED && lParam <= SC_CASE_LOWER) {
            style.caseForce = static_cast<int>(lParam);
        }
        break;
    case SCI_STYLESETBOLD: style.bold = lParam != 0; break;
    case SCI_STYLESETITALIC: style.italic = lParam != 0; break;
    case SCI_STYLESETSIZE: style.size = std::clamp(ToInt(lParam), 1, 1000); break;
    case SCI_STYLESETFONT:
        if (lParam == 0) {
            return 0;
        }
        style.font = ToText(lParam);
        break;
    default: return 0;
    }
    auto drawn = [](const Style& s) {
        return std::tie(s.font, s.size, s.bold, s.italic, s.fore, s.back, s.eolFilled, s.underline,
                        s.visible, s.caseForce);
    };
    if (drawn(style) != drawn(before)) {
        ++style.version;
        impl_->ChangedAll();
    }
    return 0;
}

// Margin setters and getters; out-of-range margin numbers change nothing.
intptr_t EditorCore::DispatchMarginRequest(unsigned message, int index, intptr_t lParam) {
    if (index < 0 || index >= kMarginCount) {
        return 0;
    }
    Margin& margin = impl_->margins[index];
    Margin before = margin;
    switch (message) {
    case SCI_GETMARGINTYPEN: return margin.type;
    case SCI_GETMARGINWIDTHN: return margin.width;
    case SCI_GETMARGINMASKN: return static_cast<int32_t>(margin.mask);
    case SCI_GETMARGINSENSITIVEN: return margin.sensitive ? 1 : 0;
    case SCI_GETMARGINCURSORN: return margin.cursor;
    case SCI_GETMARGINBACKN: return margin.back;
    case SCI_SETMARGINTYPEN:
        if (lParam >= SC_MARGIN_SYMBOL && lParam <= SC_MARGIN_COLOUR) {
            margin.type = static_cast<int>(lParam);
        }
        break;
    case SCI_SETMARGINCURSORN:
        if (lParam == SC_CURSORARROW || lParam == SC_CURSORREVERSEARROW) {
            margin.cursor = static_cast<int>(lParam);
        }
        break;
    case SCI_SETMARGINBACKN: margin.back = ToColour(lParam); break;
    case SCI_SETMARGINWIDTHN: margin.width = std::clamp(ToInt(lParam), 0, 10000); break;
    case SCI_SETMARGINMASKN: margin.mask = static_cast<uint32_t>(lParam); break;
    case SCI_SETMARGINSENSITIVEN: margin.sensitive = lParam != 0; break;
    default: return 0;
    }
    if (margin.type != before.type || margin.width != before.width || margin.mask != before.mask ||
        margin.sensitive != before.sensitive || margin.back != before.back) {
        impl_->ChangedAll();
    }
    return 0;
}

// The target, searching and replacing. Positions are clamped into the
// document and onto character starts; a null text finds nothing.
intptr_t EditorCore::DispatchSearchRequest(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Impl& core = *impl_;
    auto found = [&](std::pair<int, int> match) { return match.first; };
    switch (message) {
    case SCI_SETTARGETSTART: core.targetStart = CharacterStart(ToInt(wParam)); return 0;
    case SCI_GETTARGETSTART: return core.targetStart;
    case SCI_SETTARGETEND: core.targetEnd = CharacterStart(ToInt(wParam)); return 0;
    case SCI_GETTARGETEND: return core.targetEnd;
    case SCI_TARGETFROMSELECTION:
        core.targetStart = SelectionStart();
        core.targetEnd = SelectionEnd();
        return 0;
    case SCI_LINESJOIN: JoinTargetLines(); return 0;
    case SCI_SETSEARCHFLAGS: core.searchFlags = ToInt(wParam); return 0;
    case SCI_GETSEARCHFLAGS: return core.searchFlags;
    case SCI_SEARCHINTARGET: {
        // A text longer than the document cannot be in it, and is not read;
        // a pattern can match text shorter than itself.
        bool pattern = core.searchFlags & (SCFIND_REGEXP | SCFIND_CXX11REGEX);
        if (lParam == 0 || ToInt(wParam) > (pattern ? kMaxDocumentLength : Length())) {
            return -1;
        }
        std::string text(ToText(lParam), static_cast<size_t>(std::max(ToInt(wParam), 0)));
        auto match = Find(core.targetStart, core.targetEnd, text, core.searchFlags);
        if (match.first >= 0) {
            core.targetStart = match.first;
            core.targetEnd = match.second;
        }
        return found(match);
    }
    case SCI_REPLACETARGET: {
        if (lParam == 0) {
            return 0;
        }
        int length = ToInt(wParam);
        if (length > kMaxDocumentLength) {
            RefuseForMemory();
            return 0;
        }
        std::string text = length < 0 ? std::string(ToText(lParam))
                                      : std::string(ToText(lParam), static_cast<size_t>(length));
        int start = std::min(core.targetStart, core.targetEnd);
        int end = std::max(core.targetStart, core.targetEnd);
        int before = Length();
        EndTypingRun();
        core.Replace(start, end - start, text.data(), static_cast<int>(text.size()));
        core.targetStart = start;
        core.targetEnd = end + Length() - before;
        return core.targetEnd - start;
    }
    case SCI_REPLACETARGETRE: {
        // The replacement with the last match's groups put in, replaced as SCI_REPLACETARGET does.
        if (lParam == 0 || ToInt(wParam) > kMaxDocumentLength) {
            return 0;
        }
        size_t length = ToInt(wParam) < 0 ? std::strlen(ToText(lParam)) : ToInt(wParam);
        std::string text =
            ExpandReplacement(core.regex.get(), CurrentEncoding(), ToText(lParam), length);
        return DispatchSearchRequest(SCI_REPLACETARGET, text.size(),
                                     reinterpret_cast<intptr_t>(text.data()));
    }
    case SCI_GETTAG: {
        int tag = ToInt(wParam);
        std::string text = core.regex && tag >= 0 && tag < kRegexTags ? core.regex->tags[tag] : "";
        if (char* buffer = reinterpret_cast<char*>(lParam)) {
            std::memcpy(buffer, text.c_str(), text.size() + 1);
        }
        return static_cast<intptr_t>(text.size());
    }
    case SCI_SETSTATUS: core.status = ToInt(wParam); return 0;
    case SCI_GETSTATUS: return core.status;
    case SCI_FINDTEXT: {
        auto* record = reinterpret_cast<Sci_TextToFind*>(lParam);
        if (record == nullptr || record->lpstrText == nullptr) {
            return -1;
        }
        int to = record->chrg.cpMax < 0 ? Length() : record->chrg.cpMax;
        auto match = Find(record->chrg.cpMin, to, record->lpstrText, ToInt(wParam));
        if (match.first >= 0) {
            record->chrgText.cpMin = match.first;
            record->chrgText.cpMax = match.second;
        }
        return found(match);
    }
    case SCI_SEARCHANCHOR: core.searchAnchor = SelectionStart(); return 0;
    case SCI_SEARCHNEXT:
    case SCI_SEARCHPREV: {
        if (lParam == 0) {
            return -1;
        }
        bool next = message == SCI_SEARCHNEXT;
        auto match = Find(core.searchAnchor, next ? Length() : 0, ToText(lParam), ToInt(wParam));
        if (match.first >= 0) {
            // The caret goes to the end the search went towards.
            SetSelection(next ? match.first : match.second, next ? match.second : match.first);
        }
        return found(match);
    }
    default: return 0;
    }
}

// Tabs, indentation, overwriting, zoom and braces. Widths, indentation and
// zoom are clamped to their limits (editor_core.h).
intptr_t EditorCore::DispatchCodeRequest(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Impl& core = *impl_;
    auto changedAll = [&](int& field, int value) {
        if (field != value) {
            field = value;
            core.ChangedAll();
        }
        return 0;
    };
    switch (message) {
    case SCI_SETTABWIDTH:
        return changedAll(core.tabWidth, std::clamp(ToInt(wParam), 1, kMaxTabWidth));
    case SCI_GETTABWIDTH: return core.tabWidth;
    case SCI_SETINDENT: core.indent = std::clamp(ToInt(wParam), 0, kMaxTabWidth); return 0;
    case SCI_GETINDENT: return core.indent;
    case SCI_SETUSETABS: core.useTabs = wParam != 0; return 0;
    case SCI_GETUSETABS: return core.useTabs ? 1 : 0;
    case SCI_SETLINEINDENTATION: SetLineIndentation(ToInt(wParam), ToInt(lParam)); return 0;
    case SCI_GETLINEINDENTATION: return LineIndentation(ToInt(wParam));
    case SCI_GETLINEINDENTPOSITION: return LineIndentPosition(ToInt(wParam));
    case SCI_TAB: Tab(); return 0;
    case SCI_BACKTAB: BackTab(); return 0;
    case SCI_GETEOLMODE: return LineEndMode();
    case SCI_SETEOLMODE: SetLineEndMode(ToInt(wParam)); return 0;
    case SCI_CONVERTEOLS: ConvertLineEnds(ToInt(wParam)); return 0;
    case SCI_SETOVERTYPE: SetOvertype(wParam != 0); return 0;
    case SCI_GETOVERTYPE: return Overtype() ? 1 : 0;
    case SCI_SETZOOM: SetZoom(ToInt(wParam)); return 0;
    case SCI_GETZOOM: return Zoom();
    case SCI_ZOOMIN: SetZoom(Zoom() + 1); return 0;
    case SCI_ZOOMOUT: SetZoom(Zoom() - 1); return 0;
    case SCI_BRACEMATCH: return BraceMatch(ToInt(wParam));
    case SCI_BRACEHIGHLIGHT:
    case SCI_BRACEBADLIGHT: {
        // Braces outside the document are none.
        auto brace = [&](intptr_t pos) {
            return pos >= 0 && pos < Length() ? static_cast<int>(pos) : -1;
        };
        int light[2] = {-1, -1};
        int bad = -1;
        if (message == SCI_BRACEHIGHLIGHT) {
            light[0] = brace(static_cast<intptr_t>(wParam));
            light[1] = brace(lParam);
        } else {
            bad = brace(static_cast<intptr_t>(wParam));
        }
        if (light[0] != core.braceLight[0] || light[1] != core.braceLight[1] ||
            bad != core.braceBad) {
            core.braceLight[0] = light[0];
            core.braceLight[1] = light[1];
            core.braceBad = bad;
            core.ChangedAll();
        }
        return 0;
    }
    default: return 0;
    }
}

// The host's colours and the caret's width; any change repaints everything.
intptr_t EditorCore::DispatchLookRequest(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Look& look = impl_->look;
    Look before = look;
    // A colour the host uses instead of the default (wParam whether, lParam which).
    auto optional = [&](bool& use, uint32_t& colour) {
        use = wParam != 0;
        colour = ToColour(lParam);
    };
    // One of the values 0 to last; any other changes nothing.
    auto choose = [&](int& field, uintptr_t last) {
        if (wParam <= last) {
            field = static_cast<int>(wParam);
        }
    };
    switch (message) {
    case SCI_GETCARETFORE: return look.caretFore;
    case SCI_GETCARETLINEVISIBLE: return look.caretLineVisible ? 1 : 0;
    case SCI_GETCARETLINEBACK: return look.caretLineBack;
    case SCI_GETCARETWIDTH: return look.caretWidth;
    case SCI_GETEDGEMODE: return look.edgeMode;
    case SCI_GETEDGECOLUMN: return look.edgeColumn;
    case SCI_GETEDGECOLOUR: return look.edgeColour;
    case SCI_GETVIEWWS: return look.viewWs;
    case SCI_GETWHITESPACESIZE: return look.wsSize;
    case SCI_GETVIEWEOL: return look.viewEol ? 1 : 0;
    case SCI_GETINDENTATIONGUIDES: return look.indentGuides;
    case SCI_GETHIGHLIGHTGUIDE: return look.highlightGuide;
    case SCI_GETADDITIONALCARETFORE: return look.addCaretFore;
    case SCI_GETADDITIONALCARETSBLINK: return look.addCaretsBlink ? 1 : 0;
    case SCI_GETADDITIONALCARETSVISIBLE: return look.addCaretsVisible ? 1 : 0;
    case SCI_SETADDITIONALSELFORE:
        look.addSelForeSet = true;
        look.addSelFore = ToColour(static_cast<intptr_t>(wParam));
        break;
    case SCI_SETADDITIONALSELBACK: look.addSelBack = ToColour(static_cast<intptr_t>(wParam)); break;
    case SCI_SETADDITIONALCARETFORE:
        look.addCaretFore = ToColour(static_cast<intptr_t>(wParam));
        break;
    case SCI_SETADDITIONALCARETSBLINK: look.addCaretsBlink = wParam != 0; break;
    case SCI_SETADDITIONALCARETSVISIBLE: look.addCaretsVisible = wParam != 0; break;
    case SCI_SETINDENTATIONGUIDES: choose(look.indentGuides, SC_IV_LOOKBOTH); break;
    case SCI_SETHIGHLIGHTGUIDE:
        look.highlightGuide = std::clamp(ToInt(wParam), 0, kMaxIndentation);
        break;
    case SCI_SETVIEWWS: choose(look.viewWs, SCWS_VISIBLEONLYININDENT); break;
    case SCI_SETWHITESPACEFORE: optional(look.wsForeSet, look.wsFore); break;
    case SCI_SETWHITESPACEBACK: optional(look.wsBackSet, look.wsBack); break;
    case SCI_SETWHITESPACESIZE: look.wsSize = std::clamp(ToInt(wParam), 1, 20); break;
    case SCI_SETVIEWEOL: look.viewEol = wParam != 0; break;
    case SCI_SETSELFORE: optional(look.selForeSet, look.selFore); break;
    case SCI_SETSELBACK: optional(look.selBackSet, look.selBack); break;
    case SCI_SETCARETFORE: look.caretFore = ToColour(static_cast<intptr_t>(wParam)); break;
    case SCI_SETCARETLINEVISIBLE: look.caretLineVisible = wParam != 0; break;
    case SCI_SETCARETLINEBACK: look.caretLineBack = ToColour(static_cast<intptr_t>(wParam)); break;
    case SCI_SETCARETWIDTH:
        look.caretWidth = std::clamp(ToInt(wParam), 0, 20);
        look.caretWidthSet = true;
        break;
    case SCI_SETEDGEMODE: choose(look.edgeMode, EDGE_BACKGROUND); break;
    case SCI_SETEDGECOLUMN: look.edgeColumn = std::clamp(ToInt(wParam), 0, kMaxEdgeColumn); break;
    case SCI_SETEDGECOLOUR: look.edgeColour = ToColour(static_cast<intptr_t>(wParam)); break;
    case SCI_SETFOLDFLAGS: look.foldFlags = ToInt(wParam) & 0x1E; break;
    case SCI_SETFOLDMARGINCOLOUR: optional(look.foldMarginSet, look.foldMargin); break;
    case SCI_SETFOLDMARGINHICOLOUR: optional(look.foldMarginHiSet, look.foldMarginHi); break;
    case SCI_GETWRAPMODE: return look.wrapMode;
    case SCI_GETWRAPVISUALFLAGS: return look.wrapVisualFlags;
    case SCI_GETWRAPVISUALFLAGSLOCATION: return look.wrapVisualFlagsLocation;
    case SCI_GETWRAPSTARTINDENT: return look.wrapStartIndent;
    case SCI_GETWRAPINDENTMODE: return look.wrapIndentMode;
    case SCI_GETLAYOUTCACHE: return look.layoutCache;
    case SCI_SETWRAPMODE: {
        // The same document line stays at the top, whatever its rows.
        int topLine = DocLineFromVisible(FirstVisibleLine());
        choose(look.wrapMode, SC_WRAP_WHITESPACE);
        if ((look.wrapMode != SC_WRAP_NONE) != (before.wrapMode != SC_WRAP_NONE)) {
            impl_->rows.Reset(0, nullptr);
            ResetWrap(impl_->bytesPerRow);
            impl_->firstVisibleLine = VisibleFromDocLine(topLine);
        }
        break;
    }
    case SCI_SETWRAPVISUALFLAGS: look.wrapVisualFlags = ToInt(wParam) & 7; break;
    case SCI_SETWRAPVISUALFLAGSLOCATION: look.wrapVisualFlagsLocation = ToInt(wParam) & 3; break;
    case SCI_SETWRAPSTARTINDENT:
        look.wrapStartIndent = std::clamp(ToInt(wParam), 0, kMaxIndentation);
        break;
    case SCI_SETWRAPINDENTMODE: choose(look.wrapIndentMode, SC_WRAPINDENT_DEEPINDENT); break;
    // Lines are measured once and kept by their text whatever the level, so
    // the level is kept for the host to read back and changes nothing drawn.
    case SCI_SETLAYOUTCACHE: choose(look.layoutCache, SC_CACHE_DOCUMENT); break;
    default: return 0;
    }
    auto fields = [](const Look& l) {
        return std::tie(
            l.selForeSet, l.selFore, l.selBackSet, l.selBack, l.caretFore, l.caretLineVisible,
            l.caretLineBack, l.caretWidth, l.caretWidthSet, l.edgeMode, l.edgeColumn, l.edgeColour,
            l.viewWs, l.wsForeSet, l.wsFore, l.wsBackSet, l.wsBack, l.wsSize, l.viewEol,
            l.indentGuides, l.highlightGuide, l.foldFlags, l.foldMarginSet, l.foldMargin,
            l.foldMarginHiSet, l.foldMarginHi, l.wrapMode, l.wrapVisualFlags,
            l.wrapVisualFlagsLocation, l.wrapStartIndent, l.wrapIndentMode, l.addSelForeSet,
            l.addSelFore, l.addSelBack, l.addCaretFore, l.addCaretsBlink, l.addCaretsVisible);
    };
    if (fields(look) != fields(before)) {
        impl_->ChangedAll();
    }
    return 0;
}

// Routes a request to the handler of its part (requests.h); the core's own
// part is answered here.
// A request that runs out of memory copying its text, before the edit
// begins, is refused as the edit itself would be.
intptr_t EditorCore::Dispatch(unsigned message, uintptr_t wParam, intptr_t lParam) {
    try {
        return DispatchPart(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        RefuseForMemory();
        return 0;
    }
}

intptr_t EditorCore::DispatchPart(unsigned message, uintptr_t wParam, intptr_t lParam) {
    switch (FindRequest(message).part) {
    case RequestPart::Core: return DispatchCoreRequest(message, wParam, lParam);
    case RequestPart::Selections: return DispatchSelectionRequest(message, wParam, lParam);
    case RequestPart::Rectangle: return DispatchRectangleRequest(message, wParam, lParam);
    case RequestPart::Style: return DispatchStyleRequest(message, ToInt(wParam), lParam);
    case RequestPart::Margin: return DispatchMarginRequest(message, ToInt(wParam), lParam);
    case RequestPart::Search: return DispatchSearchRequest(message, wParam, lParam);
    case RequestPart::Code: return DispatchCodeRequest(message, wParam, lParam);
    case RequestPart::Reading: return DispatchReadingRequest(message, wParam, lParam);
    case RequestPart::Styling: return DispatchStylingRequest(message, wParam, lParam);
    case RequestPart::Look: return DispatchLookRequest(message, wParam, lParam);
    case RequestPart::Markers: return DispatchMarkerRequest(message, wParam, lParam);
    case RequestPart::Indicators: return DispatchIndicatorRequest(message, wParam, lParam);
    case RequestPart::KeyCommand: return DispatchKeyCommand(message);
    default: return 0;
    }
}

intptr_t EditorCore::DispatchCoreRequest(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Impl& core = *impl_;
    switch (message) {
    // The document.
    case SCI_GETLENGTH: return Length();
    case SCI_GETCHARAT: return static_cast<unsigned char>(CharAt(ToInt(wParam)));
    case SCI_GETSTYLEAT: EnsureStyled(ToInt(wParam) + 1); return StyleAt(ToInt(wParam));
    case SCI_GETLINECOUNT: return LineCount();
    case SCI_LINEFROMPOSITION: return LineFromPosition(ToInt(wParam));
    case SCI_POSITIONFROMLINE: {
        // A negative line means the line of the selection's start; the line
        // count answers the length, a line past it -1.
        int line = ToInt(wParam);
        if (line < 0) {
            return LineStart(LineFromPosition(SelectionStart()));
        }
        return line > LineCount() ? -1 : LineStart(line);
    }
    case SCI_INSERTTEXT: {
        const char* text = ToText(lParam);
        if (text == nullptr) {
            return 0;
        }
        size_t length = std::strlen(text);
        if (length > static_cast<size_t>(kMaxDocumentLength)) {
            RefuseForMemory();
            return 0;
        }
        int pos = ToInt(wParam);
        // -1 is the caret; on a 32-bit host wParam's 0xFFFFFFFF arrives as -1 too.
        core.Replace(pos == -1 ? core.caret : CharacterStart(pos), 0, text,
                     static_cast<int>(length));
        return 0;
    }
    case SCI_DELETERANGE: DeleteRange(ToInt(wParam), ToInt(lParam)); return 0;

    // Code pages and characters.
    case SCI_SETCODEPAGE: SetCodePage(ToInt(wParam)); return 0;
    case SCI_GETCODEPAGE: return CodePage();
    case SCI_POSITIONBEFORE: return PositionBefore(ToInt(wParam));
    case SCI_POSITIONAFTER: return PositionAfter(ToInt(wParam));
    case SCI_COUNTCHARACTERS: return CountCharacters(ToInt(wParam), ToInt(lParam));
    case SCI_POSITIONRELATIVE: return PositionRelative(ToInt(wParam), ToInt(lParam));
    case SCI_SETTEXT:
        if (lParam != 0) {
            SetText(ToText(lParam));
        }
        return 0;
    case SCI_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(lParam);
        if (buffer == nullptr) {
            return Length();
        }
        if (wParam == 0) {
            return 0;
        }
        size_t copied = std::min<size_t>(wParam - 1, static_cast<size_t>(Length()));
        core.doc.CopyText(0, static_cast<int>(copied), buffer);
        buffer[copied] = '\0';
        return static_cast<intptr_t>(copied);
    }

    // The caret and the view.
    case SCI_GETCURRENTPOS: return Caret();
    case SCI_SETCURRENTPOS: ExtendSelection(ToInt(wParam)); return 0;
    case SCI_GOTOLINE: GotoLine(ToInt(wParam)); return 0;
    case SCI_GOTOPOS: SetSelection(ToInt(wParam), ToInt(wParam)); return 0;
    case SCI_GETFIRSTVISIBLELINE: return FirstVisibleLine();

    // The selection and the undo history.
    case SCI_GETANCHOR: return Anchor();
    case SCI_SETANCHOR: SetAnchor(ToInt(wParam)); return 0;
    case SCI_SELECTALL: SetSelection(0, Length()); return 0;
    case SCI_GETSELECTIONSTART: return SelectionStart();
    case SCI_GETSELECTIONEND: return SelectionEnd();
    case SCI_SETSEL: {
        // A caret of -1 is the end; an anchor of -1 leaves no selection.
        int caret = ToInt(lParam) == -1 ? Length() : ToInt(lParam);
        int anchor = ToInt(wParam);
        SetSelection(anchor == -1 ? caret : anchor, caret);
        return 0;
    }
    case SCI_GETSELTEXT: {
        char* buffer = reinterpret_cast<char*>(lParam);
        int length = SelectionEnd() - SelectionStart();
        if (buffer != nullptr) {
            core.doc.CopyText(SelectionStart(), length, buffer);
            buffer[length] = '\0';
        }
        return length;
    }
    case SCI_REPLACESEL:
        if (lParam != 0) {
            ReplaceSelection(ToText(lParam));
        }
        return 0;
    case SCI_CLEAR: DeleteForward(); return 0;
    case SCI_CANUNDO: return CanUndo() ? 1 : 0;
    case SCI_CANREDO: return CanRedo() ? 1 : 0;
    case SCI_UNDO: Undo(); return 0;
    case SCI_REDO: Redo(); return 0;
    case SCI_BEGINUNDOACTION: BeginUndoAction(); return 0;
    case SCI_ENDUNDOACTION: EndUndoAction(); return 0;
    case SCI_EMPTYUNDOBUFFER: EmptyUndoBuffer(); return 0;
    case SCI_SETSAVEPOINT: SetSavePoint(); return 0;
    case SCI_GETMODIFY: return Modified() ? 1 : 0;

    // Read-only, the modifications the listener hears, and the status.
    case SCI_SETREADONLY: SetReadOnly(wParam != 0); return 0;
    case SCI_GETREADONLY: return ReadOnly() ? 1 : 0;
    case SCI_SETMODEVENTMASK: core.modEventMask = ToInt(wParam); return 0;
    case SCI_GETMODEVENTMASK: return core.modEventMask;
    case SCI_SETSTATUS: core.status = ToInt(wParam); return 0;
    case SCI_GETSTATUS: return core.status;

    // Folding.
    case SCI_GETFOLDLEVEL: return FoldLevel(ToInt(wParam));
    case SCI_GETFOLDPARENT: return FoldParent(ToInt(wParam));
    case SCI_GETLASTCHILD: return core.LastChildLexed(ToInt(wParam), ToInt(lParam));
    case SCI_GETFOLDEXPANDED: return Expanded(ToInt(wParam)) ? 1 : 0;
    case SCI_SETFOLDEXPANDED: SetFoldExpanded(ToInt(wParam), lParam != 0); return 0;
    case SCI_TOGGLEFOLD: ToggleFold(ToInt(wParam)); return 0;
    case SCI_GETLINEVISIBLE: return LineVisible(ToInt(wParam)) ? 1 : 0;

    // Styles and margins.
    case SCI_STYLERESETDEFAULT: {
        unsigned version = core.styles[STYLE_DEFAULT].version;
        core.styles[STYLE_DEFAULT] = Style();
        core.styles[STYLE_DEFAULT].version = version + 1;
        core.ChangedAll();
        return 0;
    }
    case SCI_STYLECLEARALL:
        for (int index = 0; index < kStyleCount; ++index) {
            if (index != STYLE_DEFAULT) {
                unsigned version = core.styles[index].version;
                core.styles[index] = core.styles[STYLE_DEFAULT];
                core.styles[index].version = version + 1;
            }
        }
        core.ChangedAll();
        return 0;
    // The lexer; each change here restyles and refolds the whole document.
    case SCI_SETLEXER:
        if (core.lexer != ToInt(wParam)) {
            core.lexer = ToInt(wParam);
            core.ClearStyling();
        }
        core.RelexAll();
        return 0;
    case SCI_GETLEXER: return core.lexer;
    case SCI_SETPROPERTY: {
        const char* key = ToText(wParam);
        if (key == nullptr) {
            return 0;
        }
        const char* value = ToText(lParam);
        core.properties[key] = value != nullptr ? value : "";
        if (std::strcmp(key, "fold") == 0) {
            core.RelexAll();
        }
        return 0;
    }
    case SCI_SETKEYWORDS: {
        int set = ToInt(wParam);
        if (set < 0 || set >= kKeywordSetCount) {
            return 0;
        }
        const char* words = ToText(lParam);
        core.keywords[set].Set(words != nullptr ? words : "");
        core.RelexAll();
        return 0;
    }
    default: return 0;
    }
}

} // namespace kalmor
