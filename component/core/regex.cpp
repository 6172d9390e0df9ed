// The regular-expression engine: a parser from the pattern to a tree, a
// compiler from the tree to instructions, and two ways to run them. Both
// read the document's characters in its code page, decoded and folded as
// the plain search does (search.cpp), so a pattern of plain letters finds
// what the plain search finds.
#include "component/core/regex.h"

#include "component/core/editor_core.h"
#include "component/core/words.h"
#include "kalmor.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace kalmor {

namespace {

using Bytes = const unsigned char*;

// A byte that is no valid character of its own in UTF-8: a value no code point has.
constexpr char32_t kLoneByte = 0x110000;
// Registers 0 to 19 hold where groups 0 to 9 start and end; loop marks follow.
constexpr int kCaptureSlots = 2 * kRegexTags;

enum class Op : unsigned char {
    Char,     // x: the character (folded without case)
    Any,      // any character but CR and LF
    Class,    // x: the class
    Split,    // go on at x, and failing that at y
    Jump,     // x
    Save,     // x: the register taking the position
    Assert,   // x: the Assertion
    BackRef,  // x: the group
    Mark,     // x: the loop whose iteration starts here
    Progress, // x: the loop; fails when its iteration consumed nothing
    Match,
};

enum Assertion { kLineStart, kLineEnd, kWordStart, kWordEnd, kBoundary, kNotBoundary };

struct Instruction {
    Op op;
    int x = 0;
    int y = 0;
};

// The named classes \d \s \w and their complements, as bits.
enum Named { kDigit = 1, kSpace = 2, kWord = 4, kNotDigit = 8, kNotSpace = 16, kNotWord = 32 };

bool InNamed(unsigned named, char32_t c) {
    bool digit = c >= '0' && c <= '9';
    bool space = c == ' ' || (c >= '\t' && c <= '\r');
    bool word = c >= 0x80 || IsWordChar(static_cast<char>(c));
    return ((named & kDigit) && digit) || ((named & kSpace) && space) ||
           ((named & kWord) && word) || ((named & kNotDigit) && !digit) ||
           ((named & kNotSpace) && !space) || ((named & kNotWord) && !word);
}

// The document's characters: how they decode, fold and which fold alike.
struct Characters {
    Encoding encoding;
    CodePageFolding folding;
    bool fold = false;
    std::unordered_multimap<uint16_t, uint16_t> pairsFoldingTo; // double-byte: folded -> pair

    // The character at bytes[0] (available bytes readable) and its length:
    // a code point in UTF-8 (kLoneByte + byte for an invalid byte), lead << 8
    // | trail for a double-byte pair, else the byte.
    char32_t Decode(Bytes at, int available, int* length) const {
        int size = encoding.CharacterLength(at, available);
        *length = size;
        switch (encoding.Set()) {
        case CharacterSet::Utf8:
            return size == 1 && at[0] >= 0x80 ? kLoneByte + at[0] : DecodeUtf8(at, size);
        case CharacterSet::DoubleByte:
            return size == 2 ? static_cast<char32_t>(at[0] << 8 | at[1]) : at[0];
        default: return at[0];
        }
    }

    char32_t Fold(char32_t c) const {
        if (!fold) {
            return c;
        }
        if (encoding.Set() == CharacterSet::Utf8) {
            return c < 0x80         ? (c >= 'A' && c <= 'Z' ? c + 32 : c)
                   : c >= kLoneByte ? c
                                    : FoldCase(c);
        }
        if (c <= 0xFF) {
            return folding.bytes[c];
        }
        auto folded = folding.pairs.find(static_cast<uint16_t>(c));
        return folded == folding.pairs.end() ? c : folded->second;
    }

    // Every character that folds like c, c included.
    std::vector<char32_t> Variants(char32_t c) const {
        if (encoding.Set() == CharacterSet::Utf8) {
            return c >= kLoneByte ? std::vector<char32_t>{c} : CaseVariants(FoldCase(c));
        }
        char32_t folded = Fold(c);
        std::vector<char32_t> variants{c, folded};
        for (int byte = 0; byte < 256; ++byte) {
            if (folding.bytes[byte] == folded) {
                variants.push_back(static_cast<char32_t>(byte));
            }
        }
        auto range = pairsFoldingTo.equal_range(static_cast<uint16_t>(folded));
        for (auto it = range.first; it != range.second; ++it) {
            variants.push_back(it->second);
        }
        return variants;
    }
};

// A bracket expression or a named class. The answer for ASCII characters
// is worked out once; others are worked out when met and remembered.
struct CharClass {
    std::vector<std::pair<char32_t, char32_t>> ranges;
    unsigned named = 0;
    bool negated = false;
    std::array<bool, 128> ascii{};
    mutable std::unordered_map<char32_t, bool> known;

    bool Holds(char32_t c) const {
        if (InNamed(named, c)) {
            return true;
        }
        return std::any_of(ranges.begin(), ranges.end(), [c](const auto& range) {
            return c >= range.first && c <= range.second;
        });
    }
    // Without case, a character is in the class when one that folds like it is.
    bool Work(const Characters& chars, char32_t c) const {
        bool in = Holds(c);
        if (!in && chars.fold) {
            for (char32_t variant : chars.Variants(c)) {
                in = in || Holds(variant);
            }
        }
        return in != negated;
    }
    void Prepare(const Characters& chars) {
        for (char32_t c = 0; c < 128; ++c) {
            ascii[c] = Work(chars, c);
        }
    }
    bool Matches(const Characters& chars, char32_t c) const {
        if (c < 128) {
            return ascii[c];
        }
        auto found = known.find(c);
        if (found != known.end()) {
            return found->second;
        }
        if (known.size() > 4096) {
            known.clear();
        }
        return known[c] = Work(chars, c);
    }
};

// The pattern as a tree.
struct Node {
    enum Kind { Empty, Char, Any, Class, Assert, Group, Concat, Alt, Repeat, BackRef } kind = Empty;
    int value = 0;        // the character, class, assertion, group (-1: none) or reference
    int min = 0, max = 0; // a repeat's counts; max -1 for no limit
    bool greedy = true;   // a repeat's
    std::string literal;  // a character's bytes as the plain search would find them, if any
    std::vector<Node> children;
};

bool Nullable(const Node& node) {
    switch (node.kind) {
    case Node::Char:
    case Node::Any:
    case Node::Class: return false;
    case Node::Group: return Nullable(node.children[0]);
    case Node::Concat: return std::all_of(node.children.begin(), node.children.end(), Nullable);
    case Node::Alt: return std::any_of(node.children.begin(), node.children.end(), Nullable);
    case Node::Repeat: return node.min == 0 || Nullable(node.children[0]);
    default: return true;
    }
}

// The threads of the Pike VM at one position, in priority order, each with
// its capture registers; which instructions the closure has visited.
class ThreadList {
  public:
    void Reset(size_t size, int slots) {
        if (seen_.size() != size) {
            seen_.assign(size, 0);
            stamp_ = 1;
        }
        slots_ = slots;
        Clear();
    }
    void Clear() {
        pcs_.clear();
        caps_.clear();
        if (++stamp_ == 0) {
            std::fill(seen_.begin(), seen_.end(), 0);
            stamp_ = 1;
        }
    }
    bool Empty() const { return pcs_.empty(); }
    size_t Size() const { return pcs_.size(); }
    int Pc(size_t i) const { return pcs_[i]; }
    const int* Caps(size_t i) const { return &caps_[i * static_cast<size_t>(slots_)]; }
    // Marks pc visited; false when it already was.
    bool Visit(int pc) {
        if (seen_[static_cast<size_t>(pc)] == stamp_) {
            return false;
        }
        seen_[static_cast<size_t>(pc)] = stamp_;
        return true;
    }
    void Push(int pc, const int* caps) {
        pcs_.push_back(pc);
        caps_.insert(caps_.end(), caps, caps + slots_);
    }
    void Swap(ThreadList& other) {
        std::swap(pcs_, other.pcs_);
        std::swap(caps_, other.caps_);
        std::swap(seen_, other.seen_);
        std::swap(stamp_, other.stamp_);
    }

  private:
    std::vector<int> pcs_;
    std::vector<int> caps_;
    std::vector<unsigned> seen_;
    unsigned stamp_ = 1;
    int slots_ = 2;
};

// A branch to try (slot -2: pc and the position in value) or a register
// to put back (slot and its value).
struct Pending {
    int pc;
    int slot;
    int value;
};

} // namespace

// A compiled pattern with what speeds its search up: the ASCII bytes a
// match may start with and the literal text every match starts with.
struct RegexProgram {
    std::vector<Instruction> code;
    std::vector<CharClass> classes;
    Characters chars;
    int slots = 2; // capture registers in use
    int marks = 0; // loop marks
    bool backRefs = false;
    std::array<bool, 128> first{};
    std::string prefix;
    // Room the searches reuse, so that searching again allocates nothing.
    mutable ThreadList lists[3];
    mutable std::vector<Pending> stack;
    mutable std::vector<int> scratch;
};

RegexState::RegexState() = default;
RegexState::~RegexState() = default;

namespace {

// Reads a pattern in one of the two grammars into a tree; fails on anything
// the grammar does not allow.
class Parser {
  public:
    Parser(const std::string& pattern, int flags, const Characters& chars,
           std::vector<CharClass>& classes)
        : text_(pattern), chars_(chars), classes_(classes), ecma_((flags & SCFIND_CXX11REGEX) != 0),
          plainParens_(ecma_ || (flags & SCFIND_POSIX) != 0) {}

    bool Parse(Node* root, int* groups) {
        bool ok = Alternation(0, root) && at_ == text_.size() && maxRef_ <= groups_;
        *groups = groups_;
        return ok;
    }

  private:
    bool AtEnd() const { return at_ >= text_.size(); }
    // The pattern's byte at at_ + ahead when it is a character of its own, else 0.
    char Peek(size_t ahead = 0) const {
        size_t pos = at_ + ahead;
        if (pos >= text_.size()) {
            return 0;
        }
        return CharLength(pos) == 1 ? text_[pos] : 0;
    }
    int CharLength(size_t pos) const {
        return chars_.encoding.CharacterLength(reinterpret_cast<Bytes>(text_.data() + pos),
                                               static_cast<int>(text_.size() - pos));
    }
    bool AtGroupEnd() const {
        return plainParens_ ? Peek() == ')' : Peek() == '\\' && Peek(1) == ')';
    }

    // Alternatives separated by |, which only the ECMAScript grammar knows.
    bool Alternation(int depth, Node* out) {
        Node first;
        if (!Sequence(depth, &first)) {
            return false;
        }
        if (!(ecma_ && Peek() == '|')) {
            *out = std::move(first);
            return true;
        }
        out->kind = Node::Alt;
        out->children.push_back(std::move(first));
        while (Peek() == '|') {
            ++at_;
            Node next;
            if (!Sequence(depth, &next)) {
                return false;
            }
            out->children.push_back(std::move(next));
        }
        return true;
    }

    bool Sequence(int depth, Node* out) {
        out->kind = Node::Concat;
        while (!AtEnd() && !(ecma_ && Peek() == '|') && !AtGroupEnd()) {
            Node atom;
            if (!Atom(depth, &atom) || !Quantifier(&atom)) {
                return false;
            }
            out->children.push_back(std::move(atom));
        }
        return true;
    }

    // {m}, {m,} or {m,n} at at_, read into min and max; false when the braces say something else.
    bool Braces(size_t* length, int* min, int* max) const {
        size_t pos = at_ + 1;
        auto number = [&](int* value) {
            size_t begin = pos;
            long long n = 0;
            while (pos < text_.size() && text_[pos] >= '0' && text_[pos] <= '9') {
                n = std::min<long long>(n * 10 + (text_[pos++] - '0'), INT_MAX);
            }
            *value = static_cast<int>(n);
            return pos > begin;
        };
        if (!number(min)) {
            return false;
        }
        *max = *min;
        if (pos < text_.size() && text_[pos] == ',') {
            ++pos;
            if (!number(max)) {
                *max = -1;
            }
        }
        if (pos >= text_.size() || text_[pos] != '}') {
            return false;
        }
        *length = pos + 1 - at_;
        return true;
    }

    bool Quantifier(Node* atom) {
        int min = 0, max = 0;
        size_t length = 1;
        char c = Peek();
        if (c == '*') {
            min = 0, max = -1;
        } else if (c == '+') {
            min = 1, max = -1;
        } else if (c == '?') {
            min = 0, max = 1;
        } else if (!(ecma_ && c == '{' && Braces(&length, &min, &max))) {
            return true;
        }
        if (atom->kind == Node::Assert || min > kMaxRegexRepeat || max > kMaxRegexRepeat ||
            (max >= 0 && max < min)) {
            return false;
        }
        at_ += length;
        Node repeat;
        repeat.kind = Node::Repeat;
        repeat.min = min;
        repeat.max = max;
        if (ecma_ && Peek() == '?') {
            repeat.greedy = false;
            ++at_;
        }
        repeat.children.push_back(std::move(*atom));
        *atom = std::move(repeat);
        // A quantifier right after another has nothing of its own to repeat.
        c = Peek();
        size_t ignored;
        return !(c == '*' || c == '+' || c == '?' ||
                 (ecma_ && c == '{' && Braces(&ignored, &min, &max)));
    }

    bool Group(int depth, bool capturing, Node* out) {
        if (depth >= kMaxRegexNesting) {
            return false;
        }
        out->kind = Node::Group;
        out->value = -1;
        if (capturing && ++groups_ < kRegexTags) {
            out->value = groups_;
        }
        Node inner;
        if (!Alternation(depth + 1, &inner) || !AtGroupEnd()) {
            return false;
        }
        at_ += plainParens_ ? 1 : 2;
        out->children.push_back(std::move(inner));
        return true;
    }

    int NewClass(unsigned named) {
        CharClass cls;
        cls.named = named;
        classes_.push_back(std::move(cls));
        return static_cast<int>(classes_.size()) - 1;
    }

    static int HexDigit(char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    }

    // The escape after a backslash that stands for one character, read at
    // at_ (past the backslash): \xHH, \t \n \r \f \v, or a character that is
    // no ASCII letter or digit standing for itself. -1 when it is none.
    long Escaped(std::string* literal) {
        char c = Peek();
        if (c == 'x') {
            int high = HexDigit(Peek(1)), low = HexDigit(Peek(2));
            if (high < 0 || low < 0) {
                return -1;
            }
            at_ += 3;
            return high * 16 + low;
        }
        const char controls[] = "t\tn\nr\rf\fv\v";
        for (int i = 0; controls[i]; i += 2) {
            if (c == controls[i]) {
                ++at_;
                return static_cast<unsigned char>(controls[i + 1]);
            }
        }
        if (c != 0 &&
            ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return -1;
        }
        return Literal(literal);
    }

    // The character at at_ as it stands, with its bytes.
    long Literal(std::string* literal) {
        int length = 0;
        char32_t c = chars_.Decode(reinterpret_cast<Bytes>(text_.data() + at_),
                                   static_cast<int>(text_.size() - at_), &length);
        if (literal) {
            *literal = text_.substr(at_, static_cast<size_t>(length));
        }
        at_ += static_cast<size_t>(length);
        return static_cast<long>(c);
    }

    static unsigned NamedClass(char c) {
        const char names[] = "dswDSW";
        const char* found = c ? std::strchr(names, c) : nullptr;
        return found ? 1u << (found - names) : 0;
    }

    bool Atom(int depth, Node* out) {
        char c = Peek();
        if (plainParens_ && c == '(') {
            ++at_;
            bool capturing = true;
            if (ecma_ && Peek() == '?') {
                if (Peek(1) != ':') {
                    return false; // look-arounds and named groups are not supported
                }
                at_ += 2;
                capturing = false;
            }
            return Group(depth, capturing, out);
        }
        if (c == '*' || c == '+' || c == '?' || (plainParens_ && c == ')')) {
            return false;
        }
        size_t length;
        int min, max;
        if (ecma_ && c == '{' && Braces(&length, &min, &max)) {
            return false;
        }
        if (c == '.' || c == '^' || c == '$') {
            ++at_;
            out->kind = c == '.' ? Node::Any : Node::Assert;
            out->value = c == '^' ? kLineStart : kLineEnd;
            return true;
        }
        if (c == '[') {
            ++at_;
            out->kind = Node::Class;
            return Bracket(out);
        }
        if (c != '\\') {
            out->kind = Node::Char;
            out->value = static_cast<int>(Literal(&out->literal));
            return true;
        }
        ++at_;
        c = Peek();
        if (AtEnd()) {
            return false;
        }
        if (!plainParens_ && c == '(') {
            ++at_;
            return Group(depth, true, out);
        }
        if (unsigned named = NamedClass(c)) {
            ++at_;
            out->kind = Node::Class;
            out->value = NewClass(named);
            return true;
        }
        const char assertions[] = "<>bB";
        if (const char* found = c ? std::strchr(assertions, c) : nullptr) {
            ++at_;
            out->kind = Node::Assert;
            out->value = kWordStart + static_cast<int>(found - assertions);
            return true;
        }
        if (c >= '1' && c <= '9') {
            ++at_;
            out->kind = Node::BackRef;
            out->value = c - '0';
            maxRef_ = std::max(maxRef_, out->value);
            return true;
        }
        long value = Escaped(&out->literal);
        out->kind = Node::Char;
        out->value = static_cast<int>(value);
        return value >= 0;
    }

    // A bracket expression after its [: ] first stands for itself, ^ first
    // negates, a - between two characters makes a range.
    bool Bracket(Node* out) {
        out->value = NewClass(0);
        CharClass& cls = classes_.back();
        if (Peek() == '^') {
            cls.negated = true;
            ++at_;
        }
        for (bool first = true; !AtEnd(); first = false) {
            if (Peek() == ']' && !first) {
                ++at_;
                return true;
            }
            long low = Member(&cls);
            if (low == -1) {
                return false;
            }
            if (low == -2) {
                continue; // a named class
            }
            long high = low;
            if (Peek() == '-' && Peek(1) != ']' && at_ + 1 < text_.size()) {
                ++at_;
                high = Member(&cls);
                if (high < low) {
                    return false; // reversed, or a named class as a bound
                }
            }
            cls.ranges.emplace_back(static_cast<char32_t>(low), static_cast<char32_t>(high));
        }
        return false;
    }

    // One member of a bracket expression: a character, or -2 after adding a
    // named class, or -1 when it is wrong.
    long Member(CharClass* cls) {
        if (Peek() != '\\') {
            return Literal(nullptr);
        }
        ++at_;
        if (unsigned named = NamedClass(Peek())) {
            ++at_;
            cls->named |= named;
            return -2;
        }
        return AtEnd() ? -1 : Escaped(nullptr);
    }

    const std::string& text_;
    const Characters& chars_;
    std::vector<CharClass>& classes_;
    bool ecma_;
    bool plainParens_;
    size_t at_ = 0;
    int groups_ = 0;
    int maxRef_ = 0;
};

// Writes the tree out as instructions. Counted repeats are written out in
// full, so the program's size is checked as it grows.
class Compiler {
  public:
    explicit Compiler(RegexProgram& program) : program_(program) {}

    bool Compile(const Node& root) {
        Emit(root);
        Add({Op::Match});
        return program_.code.size() <= static_cast<size_t>(kMaxRegexProgram);
    }

  private:
    int Add(Instruction in) {
        program_.code.push_back(in);
        return static_cast<int>(program_.code.size()) - 1;
    }
    int Here() const { return static_cast<int>(program_.code.size()); }
    bool Full() const { return program_.code.size() > static_cast<size_t>(kMaxRegexProgram); }

    void Emit(const Node& node) {
        if (Full()) {
            return;
        }
        switch (node.kind) {
        case Node::Empty: break;
        case Node::Char:
            Add({Op::Char,
                 static_cast<int>(program_.chars.Fold(static_cast<char32_t>(node.value)))});
            break;
        case Node::Any: Add({Op::Any}); break;
        case Node::Class: Add({Op::Class, node.value}); break;
        case Node::Assert: Add({Op::Assert, node.value}); break;
        case Node::BackRef:
            program_.backRefs = true;
            Add({Op::BackRef, node.value});
            break;
        case Node::Group:
            if (node.value > 0) {
                Add({Op::Save, 2 * node.value});
            }
            Emit(node.children[0]);
            if (node.value > 0) {
                Add({Op::Save, 2 * node.value + 1});
            }
            break;
        case Node::Concat:
            for (const Node& child : node.children) {
                Emit(child);
            }
            break;
        case Node::Alt: {
            // split L1, next; L1: a; jump end; next: split L2, next2; ...; last.
            std::vector<int> jumps;
            for (size_t i = 0; i < node.children.size(); ++i) {
                int split = i + 1 < node.children.size() ? Add({Op::Split}) : -1;
                if (split >= 0) {
                    program_.code[split].x = Here();
                }
                Emit(node.children[i]);
                if (split >= 0) {
                    jumps.push_back(Add({Op::Jump}));
                    program_.code[split].y = Here();
                }
            }
            for (int jump : jumps) {
                program_.code[jump].x = Here();
            }
            break;
        }
        case Node::Repeat: EmitRepeat(node); break;
        }
    }

    // The body min times, then either a loop (no limit) or max - min nested
    // optional copies. A loop whose body may match nothing ends an iteration
    // that consumed nothing, so it cannot go round for ever.
    void EmitRepeat(const Node& node) {
        const Node& body = node.children[0];
        for (int i = 0; i < node.min && !Full(); ++i) {
            Emit(body);
        }
        auto branch = [&](int split, int into, int out) {
            program_.code[split].x = node.greedy ? into : out;
            program_.code[split].y = node.greedy ? out : into;
        };
        if (node.max < 0) {
            int loop = Add({Op::Split});
            bool nullable = Nullable(body);
            int mark = program_.marks;
            if (nullable) {
                ++program_.marks;
                Add({Op::Mark, mark});
            }
            int into = loop + 1;
            Emit(body);
            if (nullable) {
                Add({Op::Progress, mark});
            }
            Add({Op::Jump, loop});
            branch(loop, into, Here());
            return;
        }
        std::vector<int> splits;
        for (int i = node.min; i < node.max && !Full(); ++i) {
            splits.push_back(Add({Op::Split}));
            Emit(body);
        }
        for (int split : splits) {
            branch(split, split + 1, Here());
        }
    }

    RegexProgram& program_;
};

// Whether an instruction that consumes a character takes c (folded f).
bool Takes(const RegexProgram& program, const Instruction& in, char32_t c, char32_t f) {
    switch (in.op) {
    case Op::Char: return static_cast<char32_t>(in.x) == (program.chars.fold ? f : c);
    case Op::Any: return c != '\r' && c != '\n';
    case Op::Class: return program.classes[static_cast<size_t>(in.x)].Matches(program.chars, c);
    default: return false;
    }
}

// The ASCII bytes a match may start with: every character instruction
// reachable from the start without consuming, tried on each. A match that
// may be empty or start with a back-reference may start anywhere.
void FindFirstBytes(RegexProgram& program) {
    std::vector<bool> seen(program.code.size());
    std::vector<int> pending{0};
    while (!pending.empty()) {
        int pc = pending.back();
        pending.pop_back();
        if (seen[static_cast<size_t>(pc)]) {
            continue;
        }
        seen[static_cast<size_t>(pc)] = true;
        const Instruction& in = program.code[static_cast<size_t>(pc)];
        switch (in.op) {
        case Op::Split:
            pending.push_back(in.x);
            pending.push_back(in.y);
            break;
        case Op::Jump: pending.push_back(in.x); break;
        case Op::Match:
        case Op::BackRef: program.first.fill(true); return;
        case Op::Char:
        case Op::Any:
        case Op::Class:
            for (char32_t c = 0; c < 128; ++c) {
                program.first[c] = program.first[c] || Takes(program, in, c, program.chars.Fold(c));
            }
            break;
        default: pending.push_back(pc + 1);
        }
    }
}

// The literal text every match starts with: the pattern's leading
// characters, past any assertions, up to the first that is repeated,
// escaped by code or a line end (the plain search never ends inside a CRLF).
std::string LiteralPrefix(const Node& root) {
    std::string prefix;
    const std::vector<Node> single{root};
    const std::vector<Node>& items = root.kind == Node::Concat ? root.children : single;
    for (const Node& item : items) {
        if (item.kind == Node::Assert) {
            continue;
        }
        const Node& c = item.kind == Node::Repeat && item.min > 0 ? item.children[0] : item;
        if (c.kind != Node::Char || c.literal.empty() || c.value == '\r' || c.value == '\n') {
            break;
        }
        prefix += c.literal;
        if (&c != &item) {
            break;
        }
    }
    return prefix;
}

std::unique_ptr<RegexProgram> Compile(const std::string& pattern, int flags,
                                      const Encoding& encoding, const CodePageFolding& folding) {
    auto program = std::make_unique<RegexProgram>();
    Characters& chars = program->chars;
    chars.encoding = encoding;
    chars.folding = folding;
    chars.fold = (flags & SCFIND_MATCHCASE) == 0;
    for (const auto& [pair, folded] : folding.pairs) {
        chars.pairsFoldingTo.emplace(folded, pair);
    }
    Node root;
    int groups = 0;
    Parser parser(pattern, flags, chars, program->classes);
    if (!parser.Parse(&root, &groups) || !Compiler(*program).Compile(root)) {
        return nullptr;
    }
    program->slots = 2 * (std::min(groups, kRegexTags - 1) + 1);
    for (CharClass& cls : program->classes) {
        cls.Prepare(chars);
    }
    FindFirstBytes(*program);
    program->prefix = LiteralPrefix(root);
    return program;
}

// One search of one program over [start, end) of the document.
class Matcher {
  public:
    Matcher(const RegexProgram& program, EditorCore& core, Bytes bytes, int start, int end,
            int flags)
        : program_(program), code_(program.code), core_(core), bytes_(bytes), start_(start),
          end_(end), length_(core.Length()), flags_(flags) {}

    // The match's registers (group 0 first), or an empty vector.
    RegexOutcome Run(bool backward, std::vector<int>* found) {
        prefixed_ = !backward && !program_.prefix.empty();
        return program_.backRefs ? Backtrack(backward, found) : Pike(backward, found);
    }

  private:
    // The document's byte at pos, read from the range when it is inside; -1 outside the document.
    int ByteAt(int pos) const {
        if (pos >= start_ && pos < end_) {
            return bytes_[pos - start_];
        }
        return pos < 0 || pos >= length_ ? -1 : static_cast<unsigned char>(core_.CharAt(pos));
    }
    bool InsideCrLf(int pos) const { return ByteAt(pos - 1) == '\r' && ByteAt(pos) == '\n'; }
    bool WordBefore(int pos) const {
        if (pos <= 0) {
            return false;
        }
        if (pos == lastEnd_) {
            return lastWord_;
        }
        return IsWordChar(core_.CharAt(core_.CharacterStart(pos - 1)));
    }
    bool WordAfter(int pos) const {
        int byte = ByteAt(pos);
        return byte >= 0 && IsWordChar(static_cast<char>(byte));
    }
    // Line starts and ends never fall between a CR and its LF.
    bool Holds(int assertion, int pos) const {
        int before = ByteAt(pos - 1), after = ByteAt(pos);
        switch (assertion) {
        case kLineStart: return before < 0 || before == '\n' || (before == '\r' && after != '\n');
        case kLineEnd: return after < 0 || after == '\r' || (after == '\n' && before != '\r');
        case kWordStart: return !WordBefore(pos) && WordAfter(pos);
        case kWordEnd: return WordBefore(pos) && !WordAfter(pos);
        case kBoundary: return WordBefore(pos) != WordAfter(pos);
        default: return WordBefore(pos) == WordAfter(pos);
        }
    }
    // The character at pos < end_, and its length; remembered for \< and \>.
    char32_t Decode(int pos, int* length) {
        Bytes at = bytes_ + (pos - start_);
        char32_t c = program_.chars.Decode(at, end_ - pos, length);
        lastEnd_ = pos + *length;
        lastWord_ = IsWordChar(static_cast<char>(at[0]));
        return c;
    }

    // The next position from pos on where a match may start, or -1: the
    // next place the plain search finds the literal prefix, or else the next
    // byte that may start a match. Only ASCII bytes are skipped: at a
    // character start each is a character of its own in every code page.
    int NextStart(int pos) {
        if (prefixed_) {
            if (candidate_ < pos) {
                int found = core_.Find(pos, end_, program_.prefix, flags_ & SCFIND_MATCHCASE).first;
                candidate_ = found < 0 ? INT_MAX : found;
            }
            return candidate_ == INT_MAX ? -1 : candidate_;
        }
        while (pos < end_ && bytes_[pos - start_] < 0x80 && !program_.first[bytes_[pos - start_]]) {
            ++pos;
        }
        return pos;
    }
    // With a prefix, threads start at every position from the place it was
    // found on (those where it is not die at once), so the plain search runs
    // only when no thread is left.
    bool CanStart(int pos) const { return !InsideCrLf(pos) && (!prefixed_ || pos >= candidate_); }

    // Adds the thread at pc with the registers caps (changed, then put back)
    // and every thread it leads to without consuming, in priority order.
    void AddThread(ThreadList& list, int pc0, int* caps, int pos) {
        stack_.clear();
        stack_.push_back({pc0, -1, 0});
        while (!stack_.empty()) {
            Pending entry = stack_.back();
            stack_.pop_back();
            if (entry.slot >= 0) {
                caps[entry.slot] = entry.value;
                continue;
            }
            for (int pc = entry.pc; list.Visit(pc);) {
                const Instruction& in = code_[static_cast<size_t>(pc)];
                if (in.op == Op::Jump) {
                    pc = in.x;
                } else if (in.op == Op::Split) {
                    stack_.push_back({in.y, -1, 0});
                    pc = in.x;
                } else if (in.op == Op::Save) {
                    stack_.push_back({0, in.x, caps[in.x]});
                    caps[in.x] = pos;
                    ++pc;
                } else if (in.op == Op::Mark || in.op == Op::Progress) {
                    ++pc;
                } else if (in.op == Op::Assert) {
                    if (!Holds(in.x, pos)) {
                        break;
                    }
                    ++pc;
                } else {
                    list.Push(pc, caps);
                    break;
                }
            }
        }
    }

    void StartThread(ThreadList& list, int pos) {
        std::fill(scratch_.begin(), scratch_.end(), -1);
        scratch_[0] = pos;
        AddThread(list, 0, scratch_.data(), pos);
    }

    // Every thread advances one character at a time. Forwards, a new thread
    // starts at each position until a match is found, with the lowest
    // priority, and the first match wins; backwards, each new thread takes
    // the highest priority and the search runs to the range's end, so the
    // match that starts last wins.
    RegexOutcome Pike(bool latest, std::vector<int>* found) {
        const size_t size = code_.size();
        int slots = program_.slots;
        cur_.Reset(size, slots);
        next_.Reset(size, slots);
        fresh_.Reset(latest ? size : 0, slots);
        scratch_.assign(static_cast<size_t>(slots), -1);
        bool matched = false;
        for (int pos = start_;;) {
            if (cur_.Empty()) {
                if (matched && !latest) {
                    break;
                }
                pos = NextStart(pos);
                if (pos < 0) {
                    break;
                }
            }
            if ((latest || !matched) && CanStart(pos)) {
                if (latest) {
                    fresh_.Clear();
                    StartThread(fresh_, pos);
                    for (size_t i = 0; i < cur_.Size(); ++i) {
                        if (fresh_.Visit(cur_.Pc(i))) {
                            fresh_.Push(cur_.Pc(i), cur_.Caps(i));
                        }
                    }
                    cur_.Swap(fresh_);
                } else {
                    StartThread(cur_, pos);
                }
            }
            int length = 0;
            char32_t c = 0;
            if (pos < end_) {
                c = Decode(pos, &length);
            }
            char32_t f = program_.chars.Fold(c);
            next_.Clear();
            for (size_t i = 0; i < cur_.Size(); ++i) {
                const Instruction& in = code_[static_cast<size_t>(cur_.Pc(i))];
                if (in.op == Op::Match) {
                    if (InsideCrLf(pos)) {
                        continue;
                    }
                    found->assign(cur_.Caps(i), cur_.Caps(i) + slots);
                    (*found)[1] = pos;
                    matched = true;
                    break; // the threads after this one have lower priority
                }
                if (pos < end_ && Takes(program_, in, c, f)) {
                    std::copy(cur_.Caps(i), cur_.Caps(i) + slots, scratch_.begin());
                    AddThread(next_, cur_.Pc(i) + 1, scratch_.data(), pos + length);
                }
            }
            cur_.Swap(next_);
            if (pos >= end_) {
                break;
            }
            pos += length;
        }
        return matched ? RegexOutcome::Found : RegexOutcome::NotFound;
    }

    // Tries each start in turn, each by depth-first search over the
    // program with an explicit stack. Forwards the first start that matches
    // wins, backwards the last; either stops when the step budget is spent.
    RegexOutcome Backtrack(bool latest, std::vector<int>* found) {
        std::vector<int> regs;
        bool matched = false;
        for (int pos = start_;;) {
            pos = NextStart(pos);
            if (pos < 0) {
                break;
            }
            if (CanStart(pos)) {
                int end = 0;
                RegexOutcome outcome = TryAt(pos, &regs, &end);
                if (outcome == RegexOutcome::OverBudget) {
                    found->clear();
                    return outcome;
                }
                if (outcome == RegexOutcome::Found) {
                    found->assign(regs.begin(), regs.begin() + program_.slots);
                    (*found)[1] = end;
                    matched = true;
                    if (!latest) {
                        break;
                    }
                }
            }
            if (pos >= end_) {
                break;
            }
            int length = 0;
            Decode(pos, &length);
            pos += length;
        }
        return matched ? RegexOutcome::Found : RegexOutcome::NotFound;
    }

    RegexOutcome TryAt(int start, std::vector<int>* regsOut, int* matchEnd) {
        std::vector<int>& regs = *regsOut;
        regs.assign(static_cast<size_t>(kCaptureSlots + program_.marks), -1);
        regs[0] = start;
        stack_.clear();
        int pc = 0;
        int pos = start;
        while (true) {
            if (++steps_ > kRegexStepBudget || stack_.size() > kRegexStackBudget) {
                return RegexOutcome::OverBudget;
            }
            const Instruction& in = code_[static_cast<size_t>(pc)];
            bool ok = true;
            switch (in.op) {
            case Op::Char:
            case Op::Any:
            case Op::Class: {
                int length = 0;
                ok = pos < end_;
                if (ok) {
                    char32_t c = Decode(pos, &length);
                    ok = Takes(program_, in, c, program_.chars.Fold(c));
                }
                pos += length;
                ++pc;
                break;
            }
            case Op::Split:
                stack_.push_back({in.y, -2, pos});
                pc = in.x;
                break;
            case Op::Jump: pc = in.x; break;
            case Op::Save:
            case Op::Mark: {
                int slot = in.op == Op::Save ? in.x : kCaptureSlots + in.x;
                stack_.push_back({0, slot, regs[static_cast<size_t>(slot)]});
                regs[static_cast<size_t>(slot)] = pos;
                ++pc;
                break;
            }
            case Op::Progress:
                ok = regs[static_cast<size_t>(kCaptureSlots + in.x)] != pos;
                ++pc;
                break;
            case Op::Assert:
                ok = Holds(in.x, pos);
                ++pc;
                break;
            case Op::BackRef:
                ok = SameAsGroup(regs[2 * in.x], regs[2 * in.x + 1], &pos);
                ++pc;
                break;
            case Op::Match:
                if (!InsideCrLf(pos)) {
                    *matchEnd = pos;
                    return RegexOutcome::Found;
                }
                ok = false;
                break;
            }
            // On failure, undo register changes back to the latest alternative.
            while (!ok) {
                if (stack_.empty()) {
                    return RegexOutcome::NotFound;
                }
                Pending entry = stack_.back();
                stack_.pop_back();
                if (entry.slot >= 0) {
                    regs[static_cast<size_t>(entry.slot)] = entry.value;
                } else {
                    pc = entry.pc;
                    pos = entry.value;
                    ok = true;
                }
            }
        }
    }

    // Whether the text at *pos repeats the group's [from, to) (folded
    // without case), moving *pos past it. A group that took no part matches nothing.
    bool SameAsGroup(int from, int to, int* pos) {
        if (from < 0 || to < 0) {
            return true;
        }
        int at = *pos;
        for (int q = from; q < to;) {
            if (at >= end_) {
                return false;
            }
            int want = 0, got = 0;
            char32_t a = program_.chars.Decode(bytes_ + (q - start_), end_ - q, &want);
            char32_t b = Decode(at, &got);
            if (program_.chars.Fold(a) != program_.chars.Fold(b)) {
                return false;
            }
            q += want;
            at += got;
            ++steps_;
        }
        *pos = at;
        return true;
    }

    const RegexProgram& program_;
    const std::vector<Instruction>& code_;
    EditorCore& core_;
    Bytes bytes_;
    int start_;
    int end_;
    int length_;
    int flags_;
    bool prefixed_ = false;
    int candidate_ = -1; // the next place the prefix was found (INT_MAX: none)
    int lastEnd_ = -1;   // where the last character decoded ends
    bool lastWord_ = false;
    long long steps_ = 0;
    std::vector<Pending>& stack_ = program_.stack;
    std::vector<int>& scratch_ = program_.scratch;
    ThreadList& cur_ = program_.lists[0];
    ThreadList& next_ = program_.lists[1];
    ThreadList& fresh_ = program_.lists[2];
};

} // namespace

RegexOutcome FindPattern(RegexState& state, EditorCore& core, const CodePageFolding& folding,
                         const unsigned char* bytes, int start, int end, bool backward,
                         const std::string& pattern, int flags, std::pair<int, int>* match) {
    *match = {-1, -1};
    const Encoding& encoding = core.CurrentEncoding();
    int key = flags & (SCFIND_MATCHCASE | SCFIND_REGEXP | SCFIND_POSIX | SCFIND_CXX11REGEX);
    if (state.codePage != encoding.CodePage() || state.flags != key || state.pattern != pattern) {
        state.program = Compile(pattern, key, encoding, folding);
        state.codePage = encoding.CodePage();
        state.flags = key;
        state.pattern = pattern;
    }
    if (!state.program) {
        return RegexOutcome::BadPattern;
    }
    if (pattern.empty()) {
        return RegexOutcome::NotFound;
    }
    std::vector<int> found;
    Matcher matcher(*state.program, core, bytes, start, end, flags);
    RegexOutcome outcome = matcher.Run(backward, &found);
    if (outcome != RegexOutcome::Found) {
        return outcome;
    }
    *match = {found[0], found[1]};
    for (int tag = 0; tag < kRegexTags; ++tag) {
        size_t slot = 2 * static_cast<size_t>(tag);
        bool set = slot + 1 < found.size() && found[slot] >= 0 && found[slot + 1] >= found[slot];
        state.tags[static_cast<size_t>(tag)] =
            set ? std::string(reinterpret_cast<const char*>(bytes) + (found[slot] - start),
                              static_cast<size_t>(found[slot + 1] - found[slot]))
                : std::string();
    }
    return outcome;
}

std::string ExpandReplacement(const RegexState* state, const Encoding& encoding, const char* text,
                              size_t length) {
    std::string out;
    Bytes bytes = reinterpret_cast<Bytes>(text);
    for (size_t at = 0; at < length;) {
        int size = encoding.CharacterLength(bytes + at, static_cast<int>(length - at));
        char c = text[at];
        char next = at + 1 < length ? text[at + 1] : 0;
        if (size != 1 || c != '\\' || next == 0) {
            out.append(text + at, static_cast<size_t>(size));
            at += static_cast<size_t>(size);
            continue;
        }
        if (next >= '0' && next <= '9') {
            if (state) {
                out += state->tags[static_cast<size_t>(next - '0')];
            }
        } else if (next == 'n' || next == 'r' || next == 't' || next == '\\') {
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : '\\';
        } else {
            out += c; // a backslash before anything else stands for itself
            at += 1;
            continue;
        }
        at += 2;
    }
    return out;
}

} // namespace kalmor
