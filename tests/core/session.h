// A random editing session checked against plain models, shared by the
// core's tests and its fuzzer.
#pragma once
#include "component/core/words.h"
#include "test_support.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <iterator>
#include <string>
#include <vector>

namespace kalmor_test {

// The session's bytes; past the end every byte reads as 0.
struct Input {
    const std::string& bytes;
    size_t offset = 0;

    bool Empty() const { return offset >= bytes.size(); }
    uint8_t Byte() { return Empty() ? 0 : static_cast<uint8_t>(bytes[offset++]); }

    // Small values mostly, with the extremes mixed in.
    intptr_t Argument() {
        const intptr_t extremes[] = {-1, INTPTR_MAX, INTPTR_MIN};
        int kind = Byte() % 8;
        return kind < 3 ? extremes[kind] : kind == 3 ? intptr_t{Byte()} << 24 : Byte() - 16;
    }

    // A piece of BASIC that opens or closes a fold, a line end, characters
    // of several bytes (UTF-8, Shift-JIS, cut short or invalid in either,
    // overlong, a surrogate, past U+10FFFF, the edges of the lead ranges),
    // or up to 15 raw bytes, NULs left out.
    std::string Text() {
        // Twenty pieces, five a row.
        const char* const pieces[][5] = {
            {"Sub A", "End Sub", "Function=1", "\r\n", "\r"},
            {"\n", "a.b$ ", "\xE4\xB8\xAD\xE6\x96\x87", "\xC3\xA9 ", "\xF0\x9F\x98\x80"},
            {"\xFF", "\xE4\xB8", "\x82\xA0\x83\x5C", "\x81", "\xB8\xAD\x80"},
            {"\xED\xA0\x80\xF4\x90\x80\x80\xC0\x80\xE0\x80\x80\xF0\x80\x80\x80\xE4\xB8\xC0",
             "\xE2\x84\xAA\xC5\xBF", "\xC4\xD6\xE4\xF6", "\x82\x60\x82\x81\xFC\xFC\xE0\x40",
             "\xF4\x8F\xBF\xBF"}};
        uint8_t pick = Byte();
        if (pick < 128)
            return pieces[pick % 20 / 5][pick % 20 % 5];
        std::string text;
        for (int length = pick % 16; length > 0 && !Empty(); --length)
            if (char byte = static_cast<char>(Byte()))
                text += byte;
        return text;
    }
};

// A request's argument as the dispatcher reads it: clamped into an int.
inline int ToInt(intptr_t value) {
    return static_cast<int>(std::clamp<intptr_t>(value, INT_MIN, INT_MAX));
}

enum class Run { None, Typing, DeleteBack };

// The positions where the characters of text start, then its size, by a
// plain reading of the code page from the start: UTF-8 sequences decoded
// and checked whole, Shift-JIS (932) as lead and trail byte pairs, anything
// else one byte a character.
inline std::vector<int> CharacterStarts(const std::string& text, int codePage) {
    std::vector<int> starts;
    auto byte = [&](size_t i) { return i < text.size() ? static_cast<uint8_t>(text[i]) : 0; };
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        if (codePage == 65001 && byte(i) >= 0xC0) {
            size_t want = byte(i) >= 0xF0 ? 4 : byte(i) >= 0xE0 ? 3 : 2;
            uint32_t value = byte(i) & (0x7F >> want);
            bool ok = i + want <= text.size();
            for (size_t k = 1; ok && k < want; ++k) {
                ok = (byte(i + k) & 0xC0) == 0x80;
                value = value << 6 | (byte(i + k) & 0x3F);
            }
            const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
            if (ok && value >= smallest[want] && value <= 0x10FFFF &&
                !(value >= 0xD800 && value <= 0xDFFF))
                length = want;
        } else if (codePage == 932) {
            uint8_t lead = byte(i), trail = byte(i + 1);
            if (((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) &&
                ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC)))
                length = 2;
        }
        starts.push_back(static_cast<int>(i));
        i += length;
    }
    starts.push_back(static_cast<int>(text.size()));
    return starts;
}

// The last of the starts at or before pos, clamped into them.
inline int StartAtOrBefore(const std::vector<int>& starts, int64_t pos) {
    pos = std::clamp<int64_t>(pos, 0, starts.back());
    return *(std::upper_bound(starts.begin(), starts.end(), pos) - 1);
}

struct State {
    std::string text;
    int anchor = 0, caret = 0;
};

// The text, the selection and the undo history by plain rules. A step keeps
// the whole state before its first change and after its last; a change joins
// the last step when it continues a run of typing or of Backspace, or when it
// falls in a group already holding one.
struct Model {
    int codePage = 0; // in force: 0 is a single-byte one
    State now;
    std::vector<std::pair<State, State>> steps;
    size_t done = 0;
    Run run = Run::None;
    int runEnd = 0; // where the run's last change ended (Backspace: started)
    int groupDepth = 0;
    bool groupStarted = false;
    int64_t savedDone = 0; // the steps done at the save point; -1 once it cannot be reached

    int Length() const { return static_cast<int>(now.text.size()); }
    bool InCrLf(int pos) const { return pos > 0 && now.text.compare(pos - 1, 2, "\r\n") == 0; }
    // The character starts a position can take, a CRLF one character.
    std::vector<int> Starts() const {
        std::vector<int> starts = CharacterStarts(now.text, codePage);
        starts.erase(std::remove_if(starts.begin(), starts.end(), [&](int p) { return InCrLf(p); }),
                     starts.end());
        return starts;
    }
    // Into the text and to the start of its character (Clamp: out of a CRLF too).
    int CharacterStart(int64_t pos) const {
        return StartAtOrBefore(CharacterStarts(now.text, codePage), pos);
    }
    int Clamp(int64_t pos) const { return StartAtOrBefore(Starts(), pos); }
    // One character on or back from a valid position.
    int After(int pos) const {
        std::vector<int> starts = Starts();
        return pos < Length() ? *std::upper_bound(starts.begin(), starts.end(), pos) : pos;
    }
    int Before(int pos) const { return pos == 0 ? 0 : Clamp(pos - 1); }
    void Select(int64_t anchor, int64_t caret) {
        now.anchor = Clamp(anchor);
        now.caret = Clamp(caret);
    }
    // Replaces [from, from + count) by text; answers whether anything changed.
    bool Replace(int64_t from, int64_t count, const std::string& text, Run kind) {
        int start = static_cast<int>(std::clamp<int64_t>(from, 0, Length()));
        int removed = static_cast<int>(std::clamp<int64_t>(count, 0, Length() - start));
        int added = static_cast<int>(text.size());
        if (removed == 0 && added == 0)
            return false;
        if (done < steps.size()) {
            steps.resize(done);
            groupStarted = false;
            if (savedDone > static_cast<int64_t>(done))
                savedDone = -1;
        }
        // Nothing joins the step the save point stands after.
        bool saved = savedDone == static_cast<int64_t>(done);
        bool continues = kind != Run::None && kind == run && !saved &&
                         (kind == Run::Typing ? removed == 0 && start == runEnd
                                              : added == 0 && start + removed == runEnd);
        if (!continues && (groupDepth == 0 || !groupStarted || done == 0 || saved)) {
            steps.push_back({now, now});
            done = steps.size();
            groupStarted = groupDepth > 0;
        }
        run = kind;
        runEnd = start + added;
        // A position after the change moves with the text; one inside goes to its start.
        auto follow = [&](int pos) {
            return pos > start && pos >= start + removed ? pos + added - removed
                                                         : std::min(pos, start);
        };
        now.text.replace(start, removed, text);
        Select(follow(now.anchor), follow(now.caret));
        steps.back().second = now;
        return true;
    }
};

// Blanks 0, line ends 1, word characters 2, anything else 3.
inline int CharKind(char c) {
    return c == ' ' || c == '\t' ? 0 : c == '\r' || c == '\n' ? 1 : IsWordChar(c) ? 2 : 3;
}

// Case folding for the session's code pages beyond ASCII: in 1252 the
// accented capitals fold to their small letters, in 932 the full-width Latin
// capitals to theirs. The core learns it through its folding source.
inline CodePageFolding SessionFolding(int codePage) {
    CodePageFolding folding;
    for (int byte = 0xC0; codePage == 1252 && byte <= 0xDE; ++byte)
        folding.bytes[byte] = static_cast<unsigned char>(byte == 0xD7 ? byte : byte + 0x20);
    for (int capital = 0x8260; codePage == 932 && capital <= 0x8279; ++capital)
        folding.pairs[static_cast<uint16_t>(capital)] = static_cast<uint16_t>(capital + 0x21);
    return folding;
}

// A core on a system's code page holding text in a code page (the
// system's own through it), folding as the session's does.
inline void Load(EditorCore& core, int codePage, const std::string& text, int system = 1252) {
    core.SetSystemCodePage(system);
    core.SetCodePageFolding(SessionFolding);
    Send(core, SCI_SETCODEPAGE, codePage == system ? 0 : codePage);
    core.SetText(text);
}

// A character's bytes as the searches compare them: a UTF-8 sequence
// decoded, a lead and trail byte pair as one value, a lone byte of UTF-8
// apart from every code point; folded unless the case must match.
inline char32_t CharacterValue(const std::string& c, int codePage, const CodePageFolding& folding,
                               bool fold) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(c[i]); };
    char32_t v = byte(0);
    if (codePage == 65001 && c.size() > 1) {
        v &= 0xFF >> (c.size() + 1);
        for (size_t i = 1; i < c.size(); ++i)
            v = v << 6 | (byte(i) & 0x3F);
        return fold ? FoldCase(v) : v;
    }
    if (c.size() == 2) {
        v = v << 8 | byte(1);
        auto f = folding.pairs.find(static_cast<uint16_t>(v));
        return fold && f != folding.pairs.end() ? f->second : v;
    }
    return codePage == 65001 && v >= 0x80 ? 0x110000 + v : fold ? folding.bytes[v] : v;
}

// The first match (or, backwards, the last) a plain scan finds inside
// [start, end), two character starts: at every character start (not between
// the CR and the LF of a line end), the needle's characters compared one by
// one, folded unless the case must match, then the word rules.
inline std::pair<int, int> FindByScan(const std::string& text, int codePage, int start, int end,
                                      const std::string& needle, int flags, bool backward) {
    if (needle.empty() || (flags & SCFIND_REGEXP))
        return {-1, -1};
    std::vector<int> t = CharacterStarts(text, codePage), n = CharacterStarts(needle, codePage);
    CodePageFolding folding = SessionFolding(codePage);
    auto value = [&](const std::string& bytes, const std::vector<int>& starts, size_t i) {
        return CharacterValue(bytes.substr(starts[i], starts[i + 1] - starts[i]), codePage, folding,
                              !(flags & SCFIND_MATCHCASE));
    };
    auto kind = [&](size_t i) { return i + 1 < t.size() ? CharKind(text[t[i]]) : 1; };
    auto inCrLf = [&](size_t i) { return t[i] > 0 && text.compare(t[i] - 1, 2, "\r\n") == 0; };
    size_t first = std::lower_bound(t.begin(), t.end(), start) - t.begin();
    size_t last = std::lower_bound(t.begin(), t.end(), end) - t.begin();
    for (size_t step = first; step < last; ++step) {
        size_t i = backward ? last - 1 - (step - first) : step, j = i + n.size() - 1;
        bool same = j < t.size() && t[j] <= end && !inCrLf(i) && !inCrLf(j);
        for (size_t k = 0; same && i + k < j; ++k)
            same = value(needle, n, k) == value(text, t, i + k);
        bool wordStart = kind(i) >= 2 && (i == 0 || kind(i - 1) != kind(i));
        bool wordEnd = kind(j - 1) >= 2 && kind(j) != kind(j - 1);
        if (same && (!(flags & (SCFIND_WHOLEWORD | SCFIND_WORDSTART)) || wordStart) &&
            (!(flags & SCFIND_WHOLEWORD) || wordEnd))
            return {t[i], t[j]};
    }
    return {-1, -1};
}

// Whether the folds and the display agree: a line is hidden exactly when a
// contracted header above holds it, display lines count the visible lines,
// and the caret is on one.
inline bool FoldsHold(const EditorCore& core) {
    int visible = 0;
    int hiddenUntil = -1; // the last line held by a contracted header so far
    for (int line = 0; line < core.LineCount(); ++line) {
        bool shown = line > hiddenUntil;
        visible += shown ? 1 : 0;
        if (core.LineVisible(line) != shown || core.VisibleFromDocLine(line) != visible - 1)
            return false;
        if (!core.Expanded(line))
            hiddenUntil = std::max(hiddenUntil, core.LastChild(line));
    }
    return core.VisibleLineCount() == visible &&
           core.LineVisible(core.LineFromPosition(core.Caret()));
}

// Hears the core's modifications and replays the inserts and deletes on a
// copy of the text, checking each against the document: a BEFORE kind comes
// while the document is still as the copy says, every other after, with
// the bytes that went or came and the lines they added. Edits from inside
// are refused.
struct Recorder final : ChangeListener {
    explicit Recorder(EditorCore& c) : core(c) { core.SetListener(this); }
    void Modified(const Modification& m) override {
        int kind = m.type & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT | SC_MOD_BEFOREINSERT |
                             SC_MOD_BEFOREDELETE);
        size_t at = static_cast<size_t>(m.position), count = static_cast<size_t>(m.length);
        if (kind == SC_MOD_BEFOREINSERT || kind == SC_MOD_BEFOREDELETE) {
            ok = ok && core.Text() == shadow && m.position >= 0 && m.position <= core.Length();
            linesBefore = core.LineCount();
        } else if (kind == SC_MOD_INSERTTEXT) {
            ok = ok && m.text != nullptr && at <= shadow.size();
            if (ok)
                shadow.insert(at, m.text, count);
        } else if (kind == SC_MOD_DELETETEXT) {
            ok = ok && m.text != nullptr && shadow.compare(at, count, m.text, count) == 0;
            if (ok)
                shadow.erase(at, count);
        }
        if (kind == SC_MOD_INSERTTEXT || kind == SC_MOD_DELETETEXT)
            ok = ok && core.Text() == shadow && m.linesAdded == core.LineCount() - linesBefore;
        // An edit from inside changes nothing.
        int length = core.Length();
        core.Dispatch(SCI_INSERTTEXT, 0, reinterpret_cast<intptr_t>("x"));
        ok = ok && core.Length() == length;
    }
    void ModifyAttemptReadOnly() override {}
    EditorCore& core;
    std::string shadow;
    int linesBefore = 1;
    bool ok = true;
};

// Runs the session the bytes describe, on the core and on the models side by
// side: after every step the text, the selection, the line index and the
// undo history must agree with the models, the styles and fold levels with a
// full re-lex, the folds with the display. Answers the first disagreement,
// or "". The fuzzer runs it on its inputs, the core tests on the checked-in
// corpus and fixed seeds.
inline std::string RunSession(const std::string& bytes) {
    BasicCore core;
    Model model;
    Input input{bytes};
    Recorder recorder(core);
    // The code page: 0 on a single-byte or a Japanese system, or UTF-8 or
    // 932 set by request.
    uint8_t setup = input.Byte();
    const int codePages[][2] = {{0, 1252}, {0, 932}, {65001, 1252}, {932, 1252}};
    const int* codePage = codePages[setup / 2 % 4];
    core.SetSystemCodePage(codePage[1]);
    core.SetCodePageFolding(SessionFolding);
    Send(core, SCI_SETCODEPAGE, codePage[0]);
    model.codePage = codePage[0] != 0 ? codePage[0] : codePage[1];
    if (setup % 2 == 0) {
        Send(core, SCI_INSERTTEXT, 0, Pointer(DEMO_LISTING));
        model.Replace(0, 0, DEMO_LISTING, Run::None);
    }
    core.TakeChanges();
    while (!input.Empty()) {
        uint8_t op = input.Byte();
        bool modifiedBefore = Send(core, SCI_GETMODIFY) != 0;
        if (op >= 0xF0) { // the save point, where the history now stands
            Send(core, SCI_SETSAVEPOINT);
            model.savedDone = static_cast<int64_t>(model.done);
            model.run = Run::None;
            model.groupStarted = false;
        }
        std::string text = input.Text();
        intptr_t wParam = input.Argument(), lParam = input.Argument(); // read in this order
        const State& now = model.now;
        int start = std::min(now.anchor, now.caret), selected = std::abs(now.anchor - now.caret);
        switch (op % 10) {
        case 0: // -1 inserts at the caret; inside a character, at its start
            Send(core, SCI_INSERTTEXT, wParam, Pointer(text.c_str()));
            model.Replace(ToInt(wParam) == -1 ? now.caret : model.CharacterStart(ToInt(wParam)), 0,
                          text, Run::None);
            break;
        case 1: // the selection typed over, or replaced; the caret ends after the new text
        case 2: {
            bool typing = op % 10 == 1;
            if (typing) {
                const char* const typed[] = {"a",       "b", " ", ".", "\r", "\n", "\xE4\xB8\xAD",
                                             "\x82\xA0"};
                text = typed[op / 10 % 8];
                core.InsertAtCaret(text);
            } else {
                Send(core, SCI_REPLACESEL, 0, Pointer(text.c_str()));
                model.run = Run::None;
            }
            if (model.Replace(start, selected, text, typing ? Run::Typing : Run::None)) {
                model.Select(start + text.size(), start + text.size());
                model.steps.back().second = now;
            }
            break;
        }
        case 3: { // Backspace: the selection, or the character before the caret (a CRLF as one)
            core.DeleteBack();
            int before = model.Before(now.caret);
            if (selected > 0)
                model.Replace(start, selected, "", Run::None);
            else if (now.caret > 0)
                model.Replace(before, now.caret - before, "", Run::DeleteBack);
            break;
        }
        case 4: { // -1: for the caret the end, for the anchor the caret
            Send(core, SCI_SETSEL, wParam, lParam);
            model.run = Run::None;
            int caret = ToInt(lParam) == -1 ? model.Length() : ToInt(lParam);
            model.Select(ToInt(wParam) == -1 ? caret : ToInt(wParam), caret);
            break;
        }
        case 5: // a fold closing over the caret moves it to the header and ends the run
            Send(core, SCI_TOGGLEFOLD, lParam & 31);
            if (core.Caret() != now.caret)
                model.run = Run::None;
            model.Select(core.Anchor(), core.Caret());
            break;
        case 6:
        case 7:
            Send(core, op % 10 == 6 ? SCI_UNDO : SCI_REDO);
            model.run = Run::None;
            if (op % 10 == 6 && model.done > 0)
                model.now = model.steps[--model.done].first;
            else if (op % 10 == 7 && model.done < model.steps.size())
                model.now = model.steps[model.done++].second;
            break;
        default: // groups nest; the outermost one makes one step
            Send(core, op % 10 == 8 ? SCI_BEGINUNDOACTION : SCI_ENDUNDOACTION);
            model.run = Run::None;
            model.groupDepth = std::max(model.groupDepth + (op % 10 == 8 ? 1 : -1), 0);
            if (model.groupDepth == (op % 10 == 8 ? 1 : 0))
                model.groupStarted = false;
        }

        // What the listener heard adds up to the text; the save point agrees
        // with the history, and the changes tell when it was reached or left.
        bool modified = model.savedDone != static_cast<int64_t>(model.done);
        Changes changes = core.TakeChanges();
        std::string where = " after byte " + std::to_string(input.offset);
        if (!recorder.ok || recorder.shadow != core.Text())
            return "modifications heard" + where;
        if ((Send(core, SCI_GETMODIFY) != 0) != modified ||
            changes.savePoint != int{modifiedBefore} - int{modified}) // -1 left, 1 reached
            return "save point op " + std::to_string(op % 10) + where;

        // The text, the selection and the history; the line index; the styles
        // and fold levels against a full re-lex; the folds against the display.
        if (core.Text() != now.text || core.Anchor() != now.anchor || core.Caret() != now.caret ||
            core.CanUndo() != (model.done > 0) ||
            core.CanRedo() != (model.done < model.steps.size()))
            return "text, selection or history" + where;
        std::vector<int> lines{0};
        for (int at = 1; at <= model.Length(); ++at)
            if (CharKind(now.text[at - 1]) == 1 && !model.InCrLf(at))
                lines.push_back(at);
        bool indexed = core.LineCount() == static_cast<int>(lines.size());
        for (int line = 0; indexed && line < core.LineCount(); ++line)
            indexed =
                core.LineStart(line) == lines[line] && core.LineFromPosition(lines[line]) == line;
        std::string relexed = RelexDiffers(core);
        if (!indexed || !relexed.empty() || !FoldsHold(core))
            return "line index, folds or lexing (" + relexed + ")" + where;

        // A double-click selects the run of one kind of character around a
        // position: nothing at a line end or the document's end. The word
        // requests go back or on over word characters only, or over the kind
        // of the first character met.
        int pos = model.Clamp(ToInt(wParam)), only = lParam & 1;
        auto kindAt = [&](int at) { return at < model.Length() ? CharKind(now.text[at]) : 1; };
        auto back = [&](int at, int kind) {
            while (at > 0 && kindAt(model.Before(at)) == kind)
                at = model.Before(at);
            return at;
        };
        auto on = [&](int at, int kind) {
            while (at < model.Length() && kindAt(at) == kind)
                at = model.After(at);
            return at;
        };
        int kind = kindAt(pos);
        if (WordStartAt(core, pos) != (kind == 1 ? pos : back(pos, kind)) ||
            WordEndAt(core, pos) != (kind == 1 ? pos : on(pos, kind)) ||
            Send(core, SCI_WORDSTARTPOSITION, pos, only) !=
                back(pos, only ? 2 : kindAt(model.Before(pos))) ||
            Send(core, SCI_WORDENDPOSITION, pos, only) != on(pos, only ? 2 : kind))
            return "double-click or word run" + where;

        // Characters before and after any position, counted and stepped over,
        // by any number, extremes too, stopping at the document's ends; back
        // from any position, even one inside a character, to the start of the
        // character holding the byte before it.
        std::vector<int> starts = model.Starts();
        auto index = [&](int at) {
            return std::lower_bound(starts.begin(), starts.end(), at) - starts.begin();
        };
        int other = model.Clamp(ToInt(lParam));
        int characters = static_cast<int>(std::abs(index(pos) - index(other)));
        int64_t target = std::clamp<int64_t>(index(pos) + ToInt(lParam), 0,
                                             static_cast<int64_t>(starts.size()) - 1);
        if (Send(core, SCI_POSITIONBEFORE, wParam) !=
                model.Before(std::clamp(ToInt(wParam), 0, model.Length())) ||
            Send(core, SCI_POSITIONAFTER, wParam) != model.After(pos) ||
            Send(core, SCI_COUNTCHARACTERS, wParam, lParam) != characters ||
            Send(core, SCI_POSITIONRELATIVE, std::min(pos, other), characters) !=
                std::max(pos, other) ||
            Send(core, SCI_POSITIONRELATIVE, std::max(pos, other), -characters) !=
                std::min(pos, other) ||
            Send(core, SCI_POSITIONRELATIVE, wParam, lParam) != starts[target])
            return "characters" + where;

        input.Byte(); // once a text unit request's, read so that the corpus keeps its meaning

        // A search either way between two positions, for a piece of the
        // document (its ASCII case swapped or not) or the step's text, with
        // any flags; against the plain scan.
        uint8_t how = input.Byte();
        std::string needle =
            how % 3 == 0 ? text : now.text.substr(static_cast<size_t>(pos), how / 3 % 5 + 1u);
        for (char& c : needle)
            c = how % 3 == 2 && std::isalpha(static_cast<unsigned char>(c)) ? c ^ 0x20 : c;
        int flags = (how & 0x10 ? SCFIND_MATCHCASE : 0) | (how & 0x20 ? SCFIND_WHOLEWORD : 0) |
                    (how & 0x40 ? SCFIND_WORDSTART : 0);
        if (core.Find(pos, other, needle, flags) !=
            FindByScan(now.text, model.codePage, model.CharacterStart(std::min(pos, other)),
                       model.CharacterStart(std::max(pos, other)), needle, flags, pos > other))
            return "search for " + std::to_string(needle.size()) + " bytes, flags " +
                   std::to_string(flags) + where;
    }
    // Undoing everything gives back the bytes the session started from.
    while (core.CanUndo())
        core.Undo();
    if (core.Text() != (model.steps.empty() ? model.now.text : model.steps[0].first.text))
        return "text after undoing everything";
    return "";
}

} // namespace kalmor_test
