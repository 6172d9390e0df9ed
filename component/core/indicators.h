// Indicators over ranges of text (a squiggle under an error, a box around a
// match): each indicator's values kept as runs, so memory follows the runs
// set, not the document. Runs move and shrink with edits as the text does.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kalmor {

// The indicators 0 to 35 (8 and up are the host's, by convention).
constexpr int kIndicatorCount = 36;

// How an indicator is drawn.
struct IndicatorStyle {
    int style = 0;            // INDIC_
    uint32_t fore = 0x000000; // its colour
    bool under = false;       // drawn under the text rather than over it
    int alpha = 30;           // a box's fill, 0 (none) to 255 (opaque)
    int outlineAlpha = 50;    // a box's outline
};

// One indicator's values over the document: runs of a non-zero value, in
// order, never overlapping and never two of one value touching.
class IndicatorRuns {
  public:
    struct Run {
        int start;
        int end;
        int value;
    };

    bool Empty() const { return runs_.empty(); }
    int ValueAt(int pos) const; // 0 outside every run
    // The start and end of the stretch of one value (0 included) holding
    // pos, within a document of length bytes.
    int StretchStart(int pos) const;
    int StretchEnd(int pos, int length) const;
    // Sets [start, end) to value, 0 clearing it; answers whether a byte changed.
    bool Fill(int start, int end, int value);
    // Text inserted at pos joins a run only when it lands inside one, not
    // at a run's edge; deleted text takes its part of every run with it.
    void Inserted(int pos, int length);
    void Deleted(int pos, int length);
    // The runs meeting [start, end).
    std::vector<Run> RunsIn(int start, int end) const;

  private:
    // The first run ending after pos.
    std::vector<Run>::const_iterator After(int pos) const;
    void Merge(size_t first, size_t last);
    std::vector<Run> runs_;
};

} // namespace kalmor
