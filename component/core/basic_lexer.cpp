#include "component/core/basic_lexer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>

namespace kalmor {

namespace {

// Each byte's classes, looked up once instead of compared range by range:
// the lexer asks several of them of every byte.
enum : uint8_t { kDigit = 1, kWordStart = 2, kOperator = 4, kBlank = 8 };
struct ByteClasses {
    uint8_t of[256] = {};
};
constexpr ByteClasses MakeByteClasses() {
    ByteClasses classes;
    for (int c = 0; c < 256; ++c) {
        bool digit = c >= '0' && c <= '9';
        bool wordStart = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        bool op = c > ' ' && c < 127 && !digit && !wordStart && c != '\'' && c != '"';
        classes.of[c] =
            static_cast<uint8_t>((digit ? kDigit : 0) | (wordStart ? kWordStart : 0) |
                                 (op ? kOperator : 0) | (c == ' ' || c == '\t' ? kBlank : 0));
    }
    return classes;
}
constexpr ByteClasses kByteClasses = MakeByteClasses();

bool Is(char c, int classes) {
    return (kByteClasses.of[static_cast<unsigned char>(c)] & classes) != 0;
}
bool IsDigit(char c) {
    return Is(c, kDigit);
}
bool IsWordStart(char c) {
    return Is(c, kWordStart);
}
bool IsWordChar(char c) {
    return Is(c, kWordStart | kDigit);
}
bool IsBlank(char c) {
    return Is(c, kBlank);
}
bool IsTypeSuffix(char c) {
    return c == '$' || c == '%' || c == '!' || c == '#' || c == '&' || c == '@';
}
char ToLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Printable ASCII punctuation other than the quote characters.
bool IsOperator(char c) {
    return Is(c, kOperator);
}

bool EqualsNoCase(const char* text, int length, const char* lowerWord) {
    int wordLength = static_cast<int>(std::strlen(lowerWord));
    if (length != wordLength) {
        return false;
    }
    for (int i = 0; i < length; ++i) {
        if (ToLower(text[i]) != lowerWord[i]) {
            return false;
        }
    }
    return true;
}

bool IsRadixDigit(char c, char radix) {
    switch (radix) {
    case 'h': return IsDigit(c) || (ToLower(c) >= 'a' && ToLower(c) <= 'f');
    case 'b': return c == '0' || c == '1';
    case 'o': return c >= '0' && c <= '7';
    default: return false;
    }
}

// End of a decimal number starting at i: digits, an optional fraction and an
// optional exponent (taken only when a digit follows its sign).
int ScanDecimal(const char* s, int n, int i) {
    while (i < n && IsDigit(s[i])) {
        ++i;
    }
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && IsDigit(s[i])) {
            ++i;
        }
    }
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        int digits = i + 1;
        if (digits < n && (s[digits] == '+' || s[digits] == '-')) {
            ++digits;
        }
        if (digits < n && IsDigit(s[digits])) {
            i = digits;
            while (i < n && IsDigit(s[i])) {
                ++i;
            }
        }
    }
    return i;
}

// End of a word starting at i (after an optional leading #), with a type
// suffix when no further word character follows it.
int ScanWord(const char* s, int n, int i) {
    if (s[i] == '#') {
        ++i;
    }
    while (i < n && IsWordChar(s[i])) {
        ++i;
    }
    if (i < n && IsTypeSuffix(s[i]) && (i + 1 == n || !IsWordChar(s[i + 1]))) {
        ++i;
    }
    return i;
}

// Styles [i, end): most tokens are a byte or two, for which a call to
// memset would cost more than the stores.
void Fill(char* styles, int i, int end, char style) {
    int count = end - i;
    if (count <= 0) {
        return;
    }
    if (count <= 2) {
        styles[i] = style;
        styles[end - 1] = style;
    } else {
        std::memset(styles + i, style, static_cast<size_t>(count));
    }
}

int SkipBlanks(const char* s, int n, int i) {
    while (i < n && IsBlank(s[i])) {
        ++i;
    }
    return i;
}

int ScanWordChars(const char* s, int n, int i) {
    while (i < n && IsWordChar(s[i])) {
        ++i;
    }
    return i;
}

// Notes how far a scan looked (the byte it stopped at) and answers where it stopped.
int Track(int& reach, int stop) {
    reach = std::max(reach, stop);
    return stop;
}

} // namespace

void KeywordList::Set(const char* spaceSeparated) {
    words_.clear();
    longest_ = 0;
    std::fill(std::begin(lengthsByFirst_), std::end(lengthsByFirst_), 0);
    std::string word;
    for (const char* c = spaceSeparated;; ++c) {
        if (*c == '\0' || static_cast<unsigned char>(*c) <= ' ') {
            if (!word.empty()) {
                longest_ = std::max(longest_, static_cast<int>(word.size()));
                uint64_t bit = LengthBit(static_cast<int>(word.size()));
                lengthsByFirst_[static_cast<unsigned char>(word[0])] |= bit;
                if (word[0] >= 'a' && word[0] <= 'z')
                    lengthsByFirst_[static_cast<unsigned char>(word[0] - 'a' + 'A')] |= bit;
                words_.insert(word);
                word.clear();
            }
            if (*c == '\0') {
                break;
            }
        } else {
            word += ToLower(*c);
        }
    }
}

bool KeywordList::Lookup(const char* word, int length) const {
    std::string lower(word, length);
    for (char& c : lower) {
        c = ToLower(c);
    }
    return words_.count(lower) != 0;
}

namespace {

// ClassifyBasicLine's work; reach gets the furthest byte looked at, n when
// a scan ran to the end of s.
BasicLineKind Classify(const char* s, int n, int& reach) {
    int start = Track(reach, SkipBlanks(s, n, 0));
    int end = Track(reach, ScanWordChars(s, n, start));
    while (EqualsNoCase(s + start, end - start, "private") ||
           EqualsNoCase(s + start, end - start, "public") ||
           EqualsNoCase(s + start, end - start, "static") ||
           EqualsNoCase(s + start, end - start, "friend")) {
        start = Track(reach, SkipBlanks(s, n, end));
        end = Track(reach, ScanWordChars(s, n, start));
    }
    if (EqualsNoCase(s + start, end - start, "sub") ||
        EqualsNoCase(s + start, end - start, "function")) {
        // "Function = result" and "Function$ = result" assign the function's result.
        if (end < n && IsTypeSuffix(s[end])) {
            return BasicLineKind::Ordinary;
        }
        int next = Track(reach, SkipBlanks(s, n, end));
        bool assignment = next < n && s[next] == '=';
        return assignment ? BasicLineKind::Ordinary : BasicLineKind::SubHeader;
    }
    if (EqualsNoCase(s + start, end - start, "end")) {
        int second = Track(reach, SkipBlanks(s, n, end));
        int secondEnd = Track(reach, ScanWordChars(s, n, second));
        if (EqualsNoCase(s + second, secondEnd - second, "sub") ||
            EqualsNoCase(s + second, secondEnd - second, "function")) {
            return BasicLineKind::SubEnd;
        }
    }
    return BasicLineKind::Ordinary;
}

} // namespace

BasicLineKind ClassifyBasicLine(const char* s, int n) {
    int reach = 0;
    return Classify(s, n, reach);
}

bool ClassifyBasicPrefix(const char* s, int n, bool whole, BasicLineKind& kind) {
    int reach = 0;
    BasicLineKind found = Classify(s, n, reach);
    if (!whole && reach >= n) {
        return false;
    }
    kind = found;
    return true;
}

namespace {

// Whether the old styling was at a blank between tokens at i, and the token
// after it is styled the same whether or not a Const came before: what
// follows comes out as it was, lexed afresh from there.
bool OldSettledAt(const char* s, int n, const char* styles, int i) {
    if (static_cast<unsigned char>(s[i]) > ' ' || styles[i] != kBasicDefault) {
        return false;
    }
    while (i < n && static_cast<unsigned char>(s[i]) <= ' ') {
        ++i;
    }
    return i == n || styles[i] != kBasicConstant;
}

// One pass over the line from i, token by token, as from the line's start;
// from settleFrom on it stops at the first blank where the old styles are
// settled, and from freshFrom on at the first place where the lexer starts
// afresh with three bytes after it (as far as a token's end can depend on),
// and answers where it stopped, else the line's length. A Const statement
// marks the word right after it as the constant's name; REM and ' comment
// out the rest of the line, asm turns it into inline assembler.
int StyleFrom(const char* s, int n, const KeywordList& keywords, char* styles, int i,
              int settleFrom, int freshFrom = INT_MAX) {
    const int stopFrom = std::min(settleFrom, freshFrom);
    bool expectConstantName = false;
    while (i < n) {
        char c = s[i];
        int end = i + 1;
        char style = kBasicDefault;
        if (static_cast<unsigned char>(c) <= ' ') {
            if (i >= stopFrom && !expectConstantName &&
                ((i >= freshFrom && i + 3 <= n) ||
                 (i >= settleFrom && OldSettledAt(s, n, styles, i)))) {
                return i;
            }
            styles[i] = kBasicDefault;
            i = end;
            continue;
        }
        if (c == '\'') {
            std::fill(styles + i, styles + n, kBasicComment);
            return n;
        }
        if (c == '"') {
            while (end < n && s[end] != '"') {
                ++end;
            }
            end = std::min(end + 1, n);
            style = kBasicString;
        } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(s[i + 1]))) {
            end = ScanDecimal(s, n, i);
            style = kBasicNumber;
        } else if (c == '&' && i + 2 < n && IsRadixDigit(s[i + 2], ToLower(s[i + 1]))) {
            char radix = ToLower(s[i + 1]);
            end = i + 2;
            while (end < n && IsRadixDigit(s[end], radix)) {
                ++end;
            }
            style = kBasicNumber;
        } else if (IsWordStart(c) || (c == '#' && i + 1 < n && IsWordStart(s[i + 1]))) {
            end = ScanWord(s, n, i);
            int length = end - i;
            if (EqualsNoCase(s + i, length, "rem")) {
                std::fill(styles + i, styles + n, kBasicComment);
                return n;
            }
            if (keywords.Contains(s + i, length)) {
                style = kBasicKeyword;
            } else {
                style = expectConstantName ? kBasicConstant : kBasicIdentifier;
            }
            Fill(styles, i, end, style);
            if (EqualsNoCase(s + i, length, "asm")) {
                std::fill(styles + end, styles + n, kBasicAsm);
                return n;
            }
            expectConstantName = EqualsNoCase(s + i, length, "const");
            i = end;
            continue;
        } else if (IsOperator(c)) {
            style = kBasicOperator;
        }
        // An operator is a token of its own, after which the lexer starts
        // afresh: one the old styling had too ends the restyling after it.
        bool settled = style == kBasicOperator && end >= stopFrom &&
                       ((i >= settleFrom && styles[i] == kBasicOperator) ||
                        (end >= freshFrom && end + 3 <= n));
        Fill(styles, i, end, style);
        expectConstantName = false;
        i = end;
        if (settled) {
            return i;
        }
    }
    return n;
}

// Whether the lexer starts afresh at i: at the line's start, after an
// operator the old styling had (the bytes up to limit unchanged, which is
// as far as what an operator is can depend on), or after a blank the old
// styling passed between tokens, the token before which cannot be a Const
// (its last five bytes do not spell it).
bool FreshAt(const char* s, const char* styles, int i, int limit) {
    if (i == 0) {
        return true;
    }
    if (styles[i - 1] == kBasicOperator && i + 3 <= limit) {
        return true;
    }
    if (static_cast<unsigned char>(s[i - 1]) > ' ' || styles[i - 1] != kBasicDefault) {
        return false;
    }
    int k = i - 1;
    while (k >= 0 && static_cast<unsigned char>(s[k]) <= ' ') {
        --k;
    }
    return k < 4 || !EqualsNoCase(s + k - 4, 5, "const");
}

} // namespace

void StyleBasicLine(const char* s, int n, const KeywordList& keywords, char* styles) {
    StyleFrom(s, n, keywords, styles, 0, n + 1);
}

int RestyleBasicLine(const char* s, int n, const KeywordList& keywords, char* styles, int editStart,
                     int editEnd) {
    return RestyleBasicStretch(s, n, true, true, keywords, styles, editStart, editEnd);
}

// What RestyleBasicLine does, and then whether it looked only inside the
// stretch: back over the blanks before where it started afresh and five
// bytes more (FreshAt's Const), and on two bytes past the last token it
// styled (a number's exponent) and over the blanks after a blank it
// stopped at (OldSettledAt). A token cut short by the stretch's end would
// have ended within two bytes of it.
int RestyleBasicStretch(const char* s, int n, bool startsLine, bool endsLine,
                        const KeywordList& keywords, char* styles, int editStart, int editEnd) {
    int from = std::clamp(editStart, 0, n);
    while (!FreshAt(s, styles, from, editStart)) {
        --from;
    }
    if (!startsLine) {
        int k = from - 1;
        while (k >= 0 && static_cast<unsigned char>(s[k]) <= ' ') {
            --k;
        }
        if (k < 4) {
            return -1;
        }
    }
    int end = StyleFrom(s, n, keywords, styles, from, std::clamp(editEnd, from, n) + 1);
    if (!endsLine) {
        int k = end;
        while (k < n && static_cast<unsigned char>(s[k]) <= ' ') {
            ++k;
        }
        if (end + 3 > n || k >= n) {
            return -1;
        }
    }
    return end;
}

int StyleBasicStretch(const char* s, int n, bool endsLine, const KeywordList& keywords,
                      char* styles, int want) {
    int stop = StyleFrom(s, n, keywords, styles, 0, INT_MAX, std::clamp(want, 0, n));
    return stop < n || endsLine ? stop : -1;
}

int BasicFreshStart(const char* s, const char* styles, int i, bool startsLine) {
    int from = std::max(i, 0);
    while (!FreshAt(s, styles, from, i)) {
        --from;
    }
    int k = from - 1;
    while (k >= 0 && static_cast<unsigned char>(s[k]) <= ' ') {
        --k;
    }
    return startsLine || k >= 4 ? from : -1;
}

namespace {

// Whether any byte of v is b (bytes of 0x80 and above are told apart too).
bool HasByte(uint64_t v, unsigned char b) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    uint64_t x = v ^ (kOnes * b);
    return ((x - kOnes) & ~x & (kOnes * 0x80)) != 0;
}

} // namespace

int BasicPlainUntil(const char* s, int n) {
    int i = 0;
    for (;;) {
        // Eight bytes at a time past those holding no quote and no m or M.
        while (i + 8 <= n) {
            uint64_t v;
            std::memcpy(&v, s + i, sizeof v);
            if (HasByte(v, '"') || HasByte(v, '\'') || HasByte(v | 0x2020202020202020ULL, 'm'))
                break;
            i += 8;
        }
        int end = std::min(n, i + 8);
        for (; i < end; ++i) {
            if (s[i] == '"' || s[i] == '\'')
                return i;
            if (ToLower(s[i]) == 'm' && i >= 2 &&
                (EqualsNoCase(s + i - 2, 3, "rem") || EqualsNoCase(s + i - 2, 3, "asm")))
                return i - 2;
        }
        if (i >= n)
            return n;
    }
}

int BasicSyncBefore(const char* s, int to, int limit) {
    for (int q = to - 1; q >= 0 && q >= to - limit; --q) {
        char c = s[q];
        if (IsOperator(c) && !IsTypeSuffix(c) && c != '+' && c != '-' && c != '.')
            return q + 1;
        if (static_cast<unsigned char>(c) <= ' ' && q > 0) {
            int k = q - 1;
            while (k >= 0 && static_cast<unsigned char>(s[k]) <= ' ')
                --k;
            if (k < 4 || !EqualsNoCase(s + k - 4, 5, "const"))
                return q;
        }
    }
    return -1;
}

} // namespace kalmor
