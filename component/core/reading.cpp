// Reading the document as hosts do: lines, ranges, columns and words read
// out, text added at the caret or the end, the selection's ends placed and
// undo collection switched; and counting and stepping over characters in
// long stretches of the text at a time.
#include "component/core/editor_core.h"
#include "component/core/editor_core_impl.h"
#include "component/core/words.h"
#include "kalmor.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace kalmor {

namespace {

// The document's bytes a stretch at a time, in place: a stretch the gap
// splits is cut at it, halving it until one side holds it, and only the
// last few bytes before the gap are ever copied.
class Stretches {
  public:
    static constexpr int kSize = 16384;

    explicit Stretches(const Document& doc) : doc_(doc) {}

    // At most *length bytes from start; *length becomes the number given.
    const unsigned char* Read(int start, int* length) {
        int size = *length;
        const char* bytes = doc_.TextStretch(start, size);
        while (bytes == nullptr && size > kCopied) {
            size /= 2;
            bytes = doc_.TextStretch(start, size);
        }
        if (bytes == nullptr) {
            doc_.CopyText(start, size, copy_);
            bytes = copy_;
        }
        *length = size;
        return reinterpret_cast<const unsigned char*>(bytes);
    }

  private:
    static constexpr int kCopied = 64;
    const Document& doc_;
    char copy_[kCopied];
};

// A double-byte code page's lead and trail bytes, one lookup each.
struct ByteKinds {
    explicit ByteKinds(int codePage) {
        Encoding encoding(codePage);
        for (int byte = 0; byte < 256; ++byte) {
            lead[byte] = encoding.IsLeadByte(static_cast<unsigned char>(byte));
            trail[byte] = encoding.IsTrailByte(static_cast<unsigned char>(byte));
        }
    }
    bool lead[256];
    bool trail[256];
};

// The tables of the double-byte code page in force, built once each.
const ByteKinds& KindsOf(const Encoding& encoding) {
    static const ByteKinds k932(932), k936(936), k949(949), k950(950), k1361(1361);
    switch (encoding.CodePage()) {
    case 932: return k932;
    case 936: return k936;
    case 949: return k949;
    case 950: return k950;
    default: return k1361;
    }
}

// The length of the character at bytes[0], above ASCII, with at least four
// bytes readable: the common two- and three-byte forms of UTF-8 and the
// pairs of the double-byte code pages at once.
int WideCharacterLength(const Encoding& encoding, const ByteKinds* kinds,
                        const unsigned char* bytes) {
    unsigned char lead = bytes[0];
    if (kinds != nullptr) {
        return kinds->lead[lead] && kinds->trail[bytes[1]] ? 2 : 1;
    }
    bool second = (bytes[1] & 0xC0) == 0x80;
    if (encoding.Set() == CharacterSet::Utf8 && second) {
        if (lead >= 0xC2 && lead <= 0xDF) {
            return 2;
        }
        if (((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF) &&
            (bytes[2] & 0xC0) == 0x80) {
            return 3;
        }
    }
    return encoding.CharacterLength(bytes, 4);
}

// The length of the character at a character start pos < Length(), a CR LF
// as one, read from the document byte by byte.
int StepAt(const Document& doc, const Encoding& encoding, int pos) {
    if (doc.InsideCrLf(pos + 1)) {
        return 2;
    }
    unsigned char bytes[4];
    int available = std::min(4, doc.Length() - pos);
    for (int i = 0; i < available; ++i) {
        bytes[i] = static_cast<unsigned char>(doc.CharAt(pos + i));
    }
    return encoding.CharacterLength(bytes, available);
}

// Walks from the character start pos towards end, a character start at or
// after it, over at most *count characters (a CR LF as one); takes those
// walked from *count and answers where it stopped. Runs of ASCII without a
// CR go eight bytes a step; a character that may reach past the stretch in
// hand is measured from the document.
int WalkForward(const Document& doc, const Encoding& encoding, int pos, int end, int64_t* count) {
    Stretches stretches(doc);
    // Bytes that end a fast run: a CR always, a byte above ASCII unless
    // every byte is a character.
    uint64_t wide = encoding.Set() == CharacterSet::SingleByte ? 0 : kHighBits;
    const ByteKinds* kinds =
        encoding.Set() == CharacterSet::DoubleByte ? &KindsOf(encoding) : nullptr;
    int64_t left = *count;
    while (left > 0 && pos < end) {
        int size = std::min(end - pos, Stretches::kSize);
        const unsigned char* bytes = stretches.Read(pos, &size);
        // A character starting before end ends by end; one starting in the
        // last three bytes of a stretch cut short of end may not.
        int limit = pos + size < end ? size - 3 : size;
        int i = 0;
        while (left > 0 && i < limit) {
            unsigned char byte = bytes[i];
            if (byte < 0x80 && byte != '\r') {
                ++i;
                --left;
                while (left >= 8 && i + 8 <= limit) {
                    uint64_t word;
                    std::memcpy(&word, bytes + i, 8);
                    if (((word & wide) | ZeroBytes(word ^ (kLowBits * '\r'))) != 0) {
                        break;
                    }
                    i += 8;
                    left -= 8;
                }
                continue;
            }
            if (byte == '\r') {
                i += i + 1 < size && bytes[i + 1] == '\n' ? 2 : 1;
            } else if (size - i >= 4) {
                i += WideCharacterLength(encoding, kinds, bytes + i);
            } else {
                i += encoding.CharacterLength(bytes + i, size - i);
            }
            --left;
        }
        for (; left > 0 && i < size; --left) {
            i += StepAt(doc, encoding, pos + i);
        }
        pos += i;
    }
    *count = left;
    return pos;
}

// A character start below the character start pos > 0, not inside a CR
// LF, found from the bytes about span before pos. In UTF-8 only the three
// bytes before can hold a character covering a byte; in a double-byte code
// page the position after a byte that is no lead byte is always a start.
int StartBefore(const Document& doc, const Encoding& encoding, int pos, int span) {
    int low = std::max(0, pos - span);
    int start = low;
    switch (encoding.Set()) {
    case CharacterSet::Utf8:
        for (int back = 1; back <= 3 && low - back >= 0; ++back) {
            unsigned char byte = static_cast<unsigned char>(doc.CharAt(low - back));
            if (byte < 0x80 || byte > 0xBF) {
                start = StepAt(doc, encoding, low - back) > back ? low - back : low;
                break;
            }
        }
        break;
    case CharacterSet::DoubleByte: {
        // The first byte from low on that is no lead byte, looking further
        // back while none is found; the document's start at the latest.
        const ByteKinds& kinds = KindsOf(encoding);
        for (int from = low, to = pos - 1;; to = from, from = std::max(0, from - span)) {
            int found = -1;
            for (int at = from; at < to && found < 0; ++at) {
                if (!kinds.lead[static_cast<unsigned char>(doc.CharAt(at))]) {
                    found = at + 1;
                }
            }
            if (found >= 0 || from == 0) {
                start = found >= 0 ? found : 0;
                break;
            }
        }
        break;
    }
    default: break;
    }
    return doc.InsideCrLf(start) ? start - 1 : start;
}

// Walks back from the character start pos over at most count characters,
// stopping at 0: a stretch before pos is counted forwards from a start
// found in it, and the walk ends inside the stretch that holds enough. A
// stretch is four bytes a character still to go, so a short walk reads
// only the bytes it passes, and at most a stretch of the forward walk's.
int WalkBack(const Document& doc, const Encoding& encoding, int pos, int64_t count) {
    while (count > 0 && pos > 0) {
        int span = static_cast<int>(std::clamp<int64_t>(count * 4, 16, Stretches::kSize));
        int from = StartBefore(doc, encoding, pos, span);
        int64_t left = INT64_MAX;
        WalkForward(doc, encoding, from, pos, &left);
        int64_t characters = INT64_MAX - left;
        if (characters >= count) {
            int64_t skip = characters - count;
            return WalkForward(doc, encoding, from, pos, &skip);
        }
        count -= characters;
        pos = from;
    }
    return pos;
}

// The position on line where column lies: the start of the character that
// covers it (a tab covers the columns up to its stop), or the line's end.
int FindColumn(const EditorCore& core, int tabWidth, int line, int column) {
    line = std::clamp(line, 0, core.LineCount() - 1);
    int pos = core.LineStart(line);
    int end = core.LineEnd(line);
    int64_t current = 0;
    while (pos < end) {
        current = core.CharAt(pos) == '\t' ? (current / tabWidth + 1) * tabWidth : current + 1;
        if (current > column) {
            break;
        }
        pos = core.PositionAfter(pos);
    }
    return pos;
}

} // namespace

// A tab reaches the next multiple of the tab width, every other character
// counts one: the characters between tabs are counted in bulk. The last
// column asked is kept while nothing at or before it changes, so a host
// showing the caret's column after every key walks only what the caret moved.
int64_t EditorCore::Column(int pos) const {
    Impl& core = *impl_;
    pos = core.ValidPosition(pos);
    int at = LineStart(LineFromPosition(pos));
    int64_t column = 0;
    Impl::ColumnMark& mark = core.columnMark;
    if (mark.pos >= at && mark.pos <= pos && mark.tabWidth == core.tabWidth &&
        mark.codePage == core.encoding.CodePage()) {
        at = mark.pos;
        column = mark.column;
    }
    Stretches stretches(core.doc);
    while (at < pos) {
        int tab = at;
        for (const unsigned char* found = nullptr; !found && tab < pos;) {
            int size = std::min(pos - tab, Stretches::kSize);
            const unsigned char* bytes = stretches.Read(tab, &size);
            found = static_cast<const unsigned char*>(std::memchr(bytes, '\t', size));
            tab = found ? tab + static_cast<int>(found - bytes) : tab + size;
        }
        column += CountCharacters(at, tab);
        if (tab < pos)
            column = (column / core.tabWidth + 1) * core.tabWidth;
        at = tab + 1;
    }
    mark = Impl::ColumnMark{pos, column, core.tabWidth, core.encoding.CodePage()};
    return column;
}

int EditorCore::CountCharacters(int start, int end) const {
    const Impl& core = *impl_;
    int64_t left = INT64_MAX;
    WalkForward(core.doc, core.encoding, core.ValidPosition(std::min(start, end)),
                core.ValidPosition(std::max(start, end)), &left);
    return static_cast<int>(INT64_MAX - left);
}

// A few characters are stepped over one at a time, which costs less than
// setting up a stretch.
int EditorCore::PositionRelative(int pos, int count) const {
    const Impl& core = *impl_;
    pos = core.ValidPosition(pos);
    if (count >= -4 && count <= 4) {
        for (; count > 0 && pos < Length(); --count) {
            pos = PositionAfter(pos);
        }
        for (; count < 0 && pos > 0; ++count) {
            pos = PositionBefore(pos);
        }
        return pos;
    }
    if (count < 0) {
        return WalkBack(core.doc, core.encoding, pos, -int64_t{count});
    }
    int64_t left = count;
    return WalkForward(core.doc, core.encoding, pos, Length(), &left);
}

// Lines outside the document read as empty; positions are clamped as the
// caret's are, except a text range's, which are bytes, so that the copy
// never outgrows the range the host sized its buffer for.
const WordCharacters& EditorCore::Words() const {
    return impl_->words;
}

intptr_t EditorCore::DispatchReadingRequest(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Impl& core = *impl_;
    // A line's start and its length with its line end; 0 outside the document.
    auto lineSpan = [&](int line, int* start) {
        if (line < 0 || line >= LineCount()) {
            *start = 0;
            return 0;
        }
        *start = LineStart(line);
        return LineStart(line + 1) - *start;
    };
    // Adding text and placing the selection's ends leave the view where it
    // is: the caret is not brought into view.
    bool scrollCaret = core.changes.scrollCaret;
    auto keepView = [&] {
        core.changes.scrollCaret = scrollCaret;
        return 0;
    };
    switch (message) {
    case SCI_ADDTEXT:
    case SCI_APPENDTEXT: {
        const char* text = reinterpret_cast<const char*>(lParam);
        int length = ToInt(wParam);
        if (text == nullptr || length <= 0) {
            return 0;
        }
        EndTypingRun();
        int at = message == SCI_ADDTEXT ? core.caret : Length();
        // Appending leaves the selection where it is; adding collapses it after the text.
        if (core.Replace(at, 0, text, length) && message == SCI_ADDTEXT) {
            core.SetSelection(at + length, at + length);
            core.NoteSelectionAfterEdit();
        }
        return keepView();
    }
    case SCI_CLEARALL:
        EndTypingRun();
        core.Replace(0, Length(), "", 0);
        return 0;
    case SCI_GETTEXTLENGTH: return Length();
    case SCI_GETLINE: {
        int start = 0;
        int length = lineSpan(ToInt(wParam), &start);
        if (lParam != 0) {
            core.doc.CopyText(start, length, reinterpret_cast<char*>(lParam));
        }
        return length;
    }
    case SCI_LINELENGTH: {
        int start = 0;
        return lineSpan(ToInt(wParam), &start);
    }
    case SCI_GETLINEENDPOSITION: return LineEnd(ToInt(wParam));
    case SCI_GETCURLINE: {
        // wParam is the buffer's size, its NUL included, as SCI_GETTEXT's.
        int start = 0;
        int length = lineSpan(LineFromPosition(core.caret), &start);
        char* buffer = reinterpret_cast<char*>(lParam);
        if (buffer == nullptr) {
            return length + 1;
        }
        if (wParam > 0) {
            int copied = static_cast<int>(std::min<uintptr_t>(wParam - 1, length));
            core.doc.CopyText(start, copied, buffer);
            buffer[copied] = '\0';
        }
        return core.caret - start;
    }
    case SCI_GETTEXTRANGE: {
        auto* range = reinterpret_cast<Sci_TextRange*>(lParam);
        if (range == nullptr) {
            return 0;
        }
        int start = core.doc.ClampPosition(range->chrg.cpMin);
        int end = range->chrg.cpMax == -1 ? Length() : core.doc.ClampPosition(range->chrg.cpMax);
        int length = std::max(0, end - start);
        if (range->lpstrText != nullptr) {
            core.doc.CopyText(start, length, range->lpstrText);
            range->lpstrText[length] = '\0';
        }
        return length;
    }
    case SCI_GETCOLUMN: {
        int64_t column = Column(ToInt(wParam));
        return static_cast<intptr_t>(std::min<int64_t>(column, INT_MAX));
    }
    case SCI_FINDCOLUMN: return FindColumn(*this, core.tabWidth, ToInt(wParam), ToInt(lParam));
    case SCI_SETWORDCHARS: core.words.SetWords(reinterpret_cast<const char*>(lParam)); return 0;
    case SCI_SETWHITESPACECHARS:
        core.words.SetBlanks(reinterpret_cast<const char*>(lParam));
        return 0;
    case SCI_SETCHARSDEFAULT: core.words = WordCharacters(); return 0;
    case SCI_GETWORDCHARS:
    case SCI_GETWHITESPACECHARS: {
        // The bytes and a NUL, into a buffer the caller sized by asking first.
        std::string bytes = message == SCI_GETWORDCHARS ? core.words.Words() : core.words.Blanks();
        if (char* buffer = reinterpret_cast<char*>(lParam)) {
            std::memcpy(buffer, bytes.c_str(), bytes.size() + 1);
        }
        return static_cast<intptr_t>(bytes.size());
    }
    case SCI_WORDSTARTPOSITION:
        return WordRunStart(*this, core.ValidPosition(ToInt(wParam)), lParam != 0);
    case SCI_WORDENDPOSITION:
        return WordRunEnd(*this, core.ValidPosition(ToInt(wParam)), lParam != 0);
    case SCI_SETSELECTIONSTART: {
        int anchor = core.ValidPosition(ToInt(wParam));
        SetSelection(anchor, std::max(anchor, core.caret));
        return keepView();
    }
    case SCI_SETSELECTIONEND: {
        int caret = core.ValidPosition(ToInt(wParam));
        SetSelection(std::min(core.anchor, caret), caret);
        return keepView();
    }
    case SCI_SETEMPTYSELECTION: SetSelection(ToInt(wParam), ToInt(wParam)); return keepView();
    case SCI_SETUNDOCOLLECTION: core.collectUndo = wParam != 0; return 0;
    case SCI_GETUNDOCOLLECTION: return core.collectUndo ? 1 : 0;
    default: return 0;
    }
}

} // namespace kalmor
