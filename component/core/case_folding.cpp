#include "component/core/case_folding.h"

#include <algorithm>
#include <iterator>

namespace kalmor {

namespace {

// Code points first..last, every stride-th, fold to themselves plus distance.
struct FoldRun {
    char32_t first;
    char32_t last;
    int distance;
    int stride;
};

constexpr FoldRun kRuns[] = {
#include "component/core/case_folding_table.inc"
};

} // namespace

char32_t FoldCase(char32_t code) {
    // The last run starting at or before code.
    auto after = std::upper_bound(std::begin(kRuns), std::end(kRuns), code,
                                  [](char32_t c, const FoldRun& run) { return c < run.first; });
    if (after == std::begin(kRuns)) {
        return code;
    }
    const FoldRun& run = *(after - 1);
    if (code > run.last || (code - run.first) % run.stride != 0) {
        return code;
    }
    return static_cast<char32_t>(static_cast<int32_t>(code) + run.distance);
}

std::vector<char32_t> CaseVariants(char32_t folded) {
    std::vector<char32_t> variants{folded};
    for (const FoldRun& run : kRuns) {
        int32_t source = static_cast<int32_t>(folded) - run.distance;
        if (source >= static_cast<int32_t>(run.first) && source <= static_cast<int32_t>(run.last) &&
            (source - static_cast<int32_t>(run.first)) % run.stride == 0) {
            variants.push_back(static_cast<char32_t>(source));
        }
    }
    return variants;
}

CodePageFolding::CodePageFolding() {
    for (int byte = 0; byte < 256; ++byte) {
        bytes[byte] = static_cast<unsigned char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
    }
}

} // namespace kalmor
