// Comparing text without case: Unicode's simple case folding, and how the
// characters of the other code pages fold.
#pragma once
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

namespace kalmor {

// The character a code point folds to (itself when it has no case).
char32_t FoldCase(char32_t code);

// Every code point that folds to the given folded one, that one included.
std::vector<char32_t> CaseVariants(char32_t folded);

// How the characters of a code page other than UTF-8 fold: each single byte
// to the byte it folds to, and each double-byte character (lead byte high)
// that folds to another. Without better knowledge only ASCII letters fold.
struct CodePageFolding {
    CodePageFolding();
    unsigned char bytes[256];
    std::unordered_map<uint16_t, uint16_t> pairs;
};

// Where the core learns a code page's folding: the window layer asks the
// system's conversions; tests give tables of their own.
using CodePageFoldingSource = std::function<CodePageFolding(int codePage)>;

} // namespace kalmor
