// Finding text in the document, with or without case, by whole words or word
// starts, forward and backward. A match always starts and ends on character
// boundaries.
//
// Most searches compare bytes: with case, in every code page; without case,
// in single-byte code pages (through the code page's byte folding) and for
// needles of ASCII characters alone in the others. Forwards those scan with
// memchr for the needle's rarest byte in the text; backwards they run a Horspool scan.
// The rest (a needle with other characters, in UTF-8 or a double-byte code
// page) compare character by character, folded, at each place where a
// character that folds like the needle's first one starts.
#include "component/core/case_folding.h"
#include "component/core/editor_core.h"
#include "component/core/editor_core_impl.h"
#include "component/core/regex.h"
#include "component/core/words.h"
#include "kalmor.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace kalmor {

namespace {

using Bytes = const unsigned char*;
using FoldTable = std::array<unsigned char, 256>;

// A byte that is no valid character of its own folds to a value no character has.
constexpr char32_t kLoneByte = 0x110000;

FoldTable IdentityTable() {
    FoldTable table{};
    for (int byte = 0; byte < 256; ++byte) {
        table[byte] = static_cast<unsigned char>(byte);
    }
    return table;
}

FoldTable AsciiTable() {
    FoldTable table = IdentityTable();
    for (int byte = 'A'; byte <= 'Z'; ++byte) {
        table[byte] = static_cast<unsigned char>(byte + 32);
    }
    return table;
}

// The search of one needle under one set of rules, over the document's bytes
// [base, base + length), which stay in place while it runs.
class Search {
  public:
    Search(const EditorCore& core, Bytes text, int base, const std::string& needle, int flags,
           const CodePageFolding& folding, int foldingToAscii)
        : core_(core), encoding_(core.CurrentEncoding()), text_(text), base_(base), needle_(needle),
          flags_(flags), folding_(folding), foldingToAscii_(foldingToAscii) {
        bool matchCase = (flags & SCFIND_MATCHCASE) != 0;
        bool ascii = std::all_of(needle.begin(), needle.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        CharacterSet set = encoding_.Set();
        byteWise_ = matchCase || set == CharacterSet::SingleByte || ascii;
        if (matchCase) {
            table_ = IdentityTable();
        } else if (set == CharacterSet::SingleByte) {
            std::copy(std::begin(folding.bytes), std::end(folding.bytes), table_.begin());
        } else {
            table_ = AsciiTable();
        }
    }

    // The first match inside [start, end), or the last one when backward.
    std::pair<int, int> Find(int start, int end, bool backward) {
        if (needle_.empty() || end - start < Size()) {
            return {-1, -1};
        }
        // In UTF-8 two non-ASCII characters fold to ASCII letters (the Kelvin
        // sign to k, the long s to s); where the text holds one, compare by
        // characters after all.
        if (byteWise_ && !(flags_ & SCFIND_MATCHCASE) && encoding_.Set() == CharacterSet::Utf8 &&
            needle_.find_first_of("KkSs") != std::string::npos && foldingToAscii_ > 0 &&
            (Holds(start, end, "\xE2\x84\xAA") || Holds(start, end, "\xC5\xBF"))) {
            byteWise_ = false;
        }
        if (!byteWise_) {
            PrepareCharacters();
        }
        return backward ? FindBackward(start, end) : FindForward(start, end);
    }

  private:
    // The byte at a document position inside the range.
    Bytes At(int pos) const { return text_ + (pos - base_); }

    int Size() const { return byteWise_ ? static_cast<int>(needle_.size()) : 1; }

    // Whether [start, end) holds the bytes.
    bool Holds(int start, int end, const char* bytes) const {
        int size = static_cast<int>(std::strlen(bytes));
        for (int pos = start; pos + size <= end; ++pos) {
            const void* found = std::memchr(At(pos), bytes[0], static_cast<size_t>(end - pos));
            if (!found) {
                return false;
            }
            pos = static_cast<int>(static_cast<Bytes>(found) - text_) + base_;
            if (pos + size <= end && std::memcmp(At(pos), bytes, static_cast<size_t>(size)) == 0) {
                return true;
            }
        }
        return false;
    }

    // Forwards, a byte-wise needle is found by scanning with memchr for its
    // rarest byte in this text (each of its folded variants) and comparing the needle
    // around each one found; the others by a scan for the bytes that may
    // start a match. Each place found is checked in full.
    std::pair<int, int> FindForward(int start, int end) {
        if (byteWise_) {
            const int size = Size();
            ChooseRareByte(start, start);
            int misses = 0;
            for (int from = start + rare_;;) {
                int hit = NextRareByte(from, end - (size - 1 - rare_));
                if (hit < 0) {
                    return {-1, -1};
                }
                int pos = hit - rare_;
                if (SameBytes(pos) && Accept(pos, pos + size)) {
                    return {pos, pos + size};
                }
                from = hit + 1;
                // Every start up to pos is checked. A byte met this often is
                // not rare in this text: choose again from what it holds.
                if (++misses == 64) {
                    ChooseRareByte(pos + 1, end);
                    from = pos + 1 + rare_;
                }
            }
        }
        for (int pos = NextStartByte(start, end); pos >= 0; pos = NextStartByte(pos + 1, end)) {
            int matchEnd = MatchCharacters(pos, end);
            if (matchEnd >= 0 && Accept(pos, matchEnd)) {
                return {pos, matchEnd};
            }
        }
        return {-1, -1};
    }

    // The needle's byte least common in the text, and the bytes that fold
    // like it. How common a byte is comes from up to 4 KB of the text from
    // start on (a byte rare elsewhere may be everywhere in this text, as '$'
    // is in BASIC), ties going to the byte rarer in text and code at large
    // and then to a byte without case variants.
    void ChooseRareByte(int start, int end) {
        std::array<int, 256> seen{};
        for (Bytes at = At(start), stop = At(std::min(end, start + 4096)); at < stop; ++at) {
            ++seen[*at];
        }
        // From most to least common; a byte not listed counts as rare.
        static const char common[] = " \r\n\tetaoinsrhldcumfpgwybv.,()=;_\"'ETAOINSRHLDCUMFPGWYBV"
                                     "0123456789-:/*+&<>[]{}kxjqzKXJQZ";
        long long best = LLONG_MAX;
        for (int i = 0; i < static_cast<int>(needle_.size()); ++i) {
            unsigned char wanted = Byte(needle_[static_cast<size_t>(i)]);
            const char* found = wanted ? std::strchr(common, wanted) : nullptr;
            long long score = found ? static_cast<int>(sizeof common - (found - common)) : 0;
            int variants = 0;
            for (int byte = 0; byte < 256; ++byte) {
                if (table_[byte] == table_[wanted]) {
                    ++variants;
                    score += seen[byte] * 1024LL;
                }
            }
            score += variants > 1 ? 8 : 0;
            if (score < best) {
                best = score;
                rare_ = i;
            }
        }
        rareBytes_.clear();
        for (int byte = 0; byte < 256; ++byte) {
            if (table_[byte] == table_[Byte(needle_[static_cast<size_t>(rare_)])]) {
                rareBytes_.push_back(static_cast<unsigned char>(byte));
            }
        }
        rareNext_.assign(rareBytes_.size(), -1);
    }

    // The first position in [from, limit) holding one of the rare byte's
    // variants, or -1. Each variant's next place is remembered, so every byte
    // is scanned once for each variant at most.
    int NextRareByte(int from, int limit) {
        int first = -1;
        for (size_t v = 0; v < rareBytes_.size(); ++v) {
            if (rareNext_[v] < from) {
                const void* found = from < limit ? std::memchr(At(from), rareBytes_[v],
                                                               static_cast<size_t>(limit - from))
                                                 : nullptr;
                rareNext_[v] =
                    found ? static_cast<int>(static_cast<Bytes>(found) - text_) + base_ : INT_MAX;
            }
            if (rareNext_[v] < limit && (first < 0 || rareNext_[v] < first)) {
                first = rareNext_[v];
            }
        }
        return first;
    }

    // The same scans from the end of [start, end) towards its start: a
    // backward Horspool shifts by where the window's first byte last occurs
    // in the needle after its first byte.
    std::pair<int, int> FindBackward(int start, int end) {
        if (byteWise_) {
            const int size = Size();
            std::array<int, 256> skip;
            skip.fill(size);
            for (int i = size - 1; i > 0; --i) {
                skip[table_[Byte(needle_[i])]] = i;
            }
            const unsigned char first = table_[Byte(needle_[0])];
            for (int pos = end - size; pos >= start;) {
                unsigned char at = table_[*At(pos)];
                if (at == first && SameBytes(pos) && Accept(pos, pos + size)) {
                    return {pos, pos + size};
                }
                pos -= skip[at];
            }
            return {-1, -1};
        }
        for (int pos = end - 1; pos >= start; --pos) {
            if (!startBytes_[*At(pos)]) {
                continue;
            }
            int matchEnd = MatchCharacters(pos, end);
            if (matchEnd >= 0 && Accept(pos, matchEnd)) {
                return {pos, matchEnd};
            }
        }
        return {-1, -1};
    }

    static unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

    bool SameBytes(int pos) const {
        for (size_t i = 0; i < needle_.size(); ++i) {
            if (table_[*At(pos + static_cast<int>(i))] != table_[Byte(needle_[i])]) {
                return false;
            }
        }
        return true;
    }

    // Whether pos lies between the CR and the LF of a line end, which, as
    // for the caret, is one character.
    bool InsideLineEnd(int pos) const {
        return pos > 0 && core_.CharAt(pos - 1) == '\r' && core_.CharAt(pos) == '\n';
    }

    // Whether [start, end) is a whole run of characters that the word rules take.
    bool Accept(int start, int end) const {
        if (core_.CharacterStart(start) != start || core_.CharacterStart(end) != end ||
            InsideLineEnd(start) || InsideLineEnd(end)) {
            return false;
        }
        if ((flags_ & (SCFIND_WHOLEWORD | SCFIND_WORDSTART)) && !IsWordStartAt(core_, start)) {
            return false;
        }
        return !(flags_ & SCFIND_WHOLEWORD) || IsWordEndAt(core_, end);
    }

    // The character at pos (below limit), folded unless the case must match,
    // and its length.
    char32_t Character(Bytes at, int available, int* length) const {
        int size = encoding_.CharacterLength(at, available);
        *length = size;
        bool matchCase = (flags_ & SCFIND_MATCHCASE) != 0;
        if (encoding_.Set() == CharacterSet::Utf8) {
            if (size == 1 && at[0] >= 0x80) {
                return kLoneByte + at[0];
            }
            char32_t code = DecodeUtf8(at, size);
            return matchCase ? code : FoldCase(code);
        }
        if (size == 2) {
            char32_t pair = static_cast<char32_t>(at[0] << 8 | at[1]);
            auto folded = folding_.pairs.find(static_cast<uint16_t>(pair));
            return matchCase || folded == folding_.pairs.end() ? pair : folded->second;
        }
        return matchCase ? at[0] : folding_.bytes[at[0]];
    }

    // The needle as folded characters, and the bytes a character folding like
    // its first one may start with.
    void PrepareCharacters() {
        Bytes bytes = reinterpret_cast<Bytes>(needle_.data());
        int size = static_cast<int>(needle_.size());
        for (int pos = 0, length = 0; pos < size; pos += length) {
            characters_.push_back(Character(bytes + pos, size - pos, &length));
        }
        startBytes_.fill(false);
        char32_t first = characters_[0];
        if (encoding_.Set() == CharacterSet::Utf8) {
            if (first >= kLoneByte) {
                startBytes_[first - kLoneByte] = true;
                return;
            }
            for (char32_t variant : CaseVariants(first)) {
                std::string encoded;
                AppendUtf8(encoded, variant);
                startBytes_[Byte(encoded[0])] = true;
            }
            return;
        }
        for (int byte = 0; byte < 256; ++byte) {
            startBytes_[byte] = folding_.bytes[byte] == first || byte == static_cast<int>(first);
        }
        if (first > 0xFF) {
            startBytes_[first >> 8] = true;
        }
        for (const auto& [pair, folded] : folding_.pairs) {
            if (folded == first) {
                startBytes_[pair >> 8] = true;
            }
        }
    }

    // The next position at or after pos, below end, holding a possible first byte; -1 if none.
    int NextStartByte(int pos, int end) const {
        for (; pos < end; ++pos) {
            if (startBytes_[*At(pos)]) {
                return pos;
            }
        }
        return -1;
    }

    // Where a match of the needle's characters starting at pos ends (at most
    // limit), or -1.
    int MatchCharacters(int pos, int limit) const {
        for (char32_t wanted : characters_) {
            if (pos >= limit) {
                return -1;
            }
            int length = 0;
            if (Character(At(pos), limit - pos, &length) != wanted) {
                return -1;
            }
            pos += length;
        }
        return pos;
    }

    const EditorCore& core_;
    const Encoding& encoding_;
    Bytes text_;
    int base_;
    const std::string& needle_;
    int flags_;
    const CodePageFolding& folding_;
    int foldingToAscii_; // characters in the document that fold to ASCII letters
    bool byteWise_ = true;
    FoldTable table_{};
    int rare_ = 0;                         // where in the needle the scanned byte is
    std::vector<unsigned char> rareBytes_; // it and the bytes that fold like it
    std::vector<int> rareNext_;            // where each was last found (INT_MAX: nowhere)
    std::vector<char32_t> characters_;
    std::array<bool, 256> startBytes_{};
};

} // namespace

// An edit can only make or break such a character within two bytes of its
// ends, so counting over the edited span and two bytes around it before and
// after an edit keeps the total right.
int EditorCore::Impl::CountFoldingToAscii(int start, int end) {
    start = std::max(start, 0);
    end = std::min(end, doc.Length());
    if (end - start < 2) {
        return 0;
    }
    Bytes bytes = reinterpret_cast<Bytes>(doc.TextPointer(start, end - start));
    int count = 0;
    for (unsigned char lead : {0xE2, 0xC5}) {
        for (Bytes at = bytes, stop = bytes + (end - start);;) {
            at = static_cast<Bytes>(std::memchr(at, lead, static_cast<size_t>(stop - at)));
            if (!at) {
                break;
            }
            count += lead == 0xE2 ? stop - at >= 3 && at[1] == 0x84 && at[2] == 0xAA
                                  : stop - at >= 2 && at[1] == 0xBF;
            ++at;
        }
    }
    return count;
}

void EditorCore::Impl::FoldingEdited(int start, int length, bool before) {
    constexpr int kCountLater = 1 << 20;
    if (length >= kCountLater)
        foldingToAscii = -1;
    if (foldingToAscii >= 0) // the characters that an edit's ends may join or part count too
        foldingToAscii += (before ? -1 : 1) * CountFoldingToAscii(start - 2, start + length + 2);
}

int EditorCore::Impl::FoldingToAscii() {
    if (foldingToAscii < 0)
        foldingToAscii = CountFoldingToAscii(0, doc.Length());
    return foldingToAscii;
}

const CodePageFolding& EditorCore::Impl::Folding() {
    int codePage = encoding.CodePage();
    auto known = foldings.find(codePage);
    if (known == foldings.end()) {
        known =
            foldings.emplace(codePage, foldingSource ? foldingSource(codePage) : CodePageFolding())
                .first;
    }
    return known->second;
}

void EditorCore::SetCodePageFolding(CodePageFoldingSource source) {
    impl_->foldingSource = std::move(source);
    impl_->foldings.clear();
    impl_->regex.reset();
}

std::pair<int, int> EditorCore::Find(int from, int to, const std::string& text, int flags) {
    Impl& core = *impl_;
    from = CharacterStart(from);
    to = CharacterStart(to);
    // Only the range searched is made one piece: after a replacement the gap
    // sits at its start, so replacing all the way down moves it little.
    int start = std::min(from, to);
    int end = std::max(from, to);
    Bytes bytes = reinterpret_cast<Bytes>(core.doc.TextPointer(start, end - start));
    if (flags & (SCFIND_REGEXP | SCFIND_CXX11REGEX)) {
        if (!core.regex) {
            core.regex = std::make_shared<RegexState>();
        }
        std::pair<int, int> match;
        RegexOutcome outcome = FindPattern(*core.regex, *this, core.Folding(), bytes, start, end,
                                           from > to, text, flags, &match);
        if (outcome == RegexOutcome::BadPattern || outcome == RegexOutcome::OverBudget) {
            core.status = SC_STATUS_WARN_REGEX;
        }
        return match;
    }
    Search search(*this, bytes, start, text, flags, core.Folding(), core.FoldingToAscii());
    return search.Find(start, end, from > to);
}

} // namespace kalmor
