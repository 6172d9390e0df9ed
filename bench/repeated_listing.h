// The demo listing repeated to at least a given number of lines, the
// benchmarks' large documents. Copies are joined by a CR, as the listing's
// own lines are.
#pragma once
#include <string>
#include "editor/demo_text.h"

inline std::string RepeatedListing(int lines) {
    std::string text;
    int copies = (lines + 20) / 21;
    text.reserve(static_cast<size_t>(copies) * sizeof(DEMO_LISTING));
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0)
            text += '\r';
        text += DEMO_LISTING;
    }
    return text;
}
