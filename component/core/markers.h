// Markers on lines (bookmarks, breakpoints), kept sparse: memory follows the
// markers, not the document. Each added marker has a handle of its own that
// finds its line again after edits.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kalmor {

class MarkerSet {
  public:
    // Answers the new marker's handle.
    int Add(int line, int marker);
    // One marker of that number from the line (marker -1: every marker on it);
    // answers whether one went.
    bool Delete(int line, int marker);
    // Every marker of that number (-1: every marker); answers the lines that had one.
    std::vector<int> DeleteAll(int marker);
    // The line of a handle, -1 if it is gone; deleting answers the line it was on.
    int LineFromHandle(int handle) const;
    int DeleteHandle(int handle);
    // The numbers on a line as a mask, bit n for marker n.
    uint32_t Get(int line) const;
    // The first line at or after from (before: at or before) holding a marker
    // of the mask, or -1.
    int Next(int from, uint32_t mask) const;
    int Previous(int from, uint32_t mask) const;
    bool Empty() const { return marks_.empty(); }

    // An edit removed the line starts of lines [first, first + removed) and
    // added added new ones there. Deleted lines' markers join the line before
    // them (target); lines below move by the difference.
    void LinesDeleted(int first, int removed, int added, int target);
    // Lines inserted: every line from first on moves down.
    void LinesInserted(int first, int added);

    struct Mark {
        int line;
        int marker;
        int handle;
    };
    // When lines first..last change places, their markers go with their
    // text: taken out before the edit, and put back after it on the lines
    // their own went to (order[i] is the line that went to first + i).
    std::vector<Mark> Take(int first, int last);
    void PutBack(std::vector<Mark> marks, int first, const std::vector<int>& order);

  private:
    std::vector<Mark> marks_; // in the order of their lines
    int nextHandle_ = 1;
};

// The texts a host shows in text margins, each line's with its style, kept
// sparse like markers. They move with their lines; a line whose start an
// edit removes (joined to the one before it) loses its text.
class MarginTexts {
  public:
    void SetText(int line, std::string text);
    void SetStyle(int line, int style);
    const std::string& Text(int line) const; // empty where none
    int Style(int line) const;               // 0 where none
    void Clear() { entries_.clear(); }
    bool Empty() const { return entries_.empty(); }
    // As MarkerSet's: lines [first, first + removed) gave way to added ones.
    void LinesDeleted(int first, int removed, int added);
    void LinesInserted(int first, int added);

    struct Entry {
        int line;
        std::string text;
        int style;
    };
    // As MarkerSet's: the texts of lines changing places go with them.
    std::vector<Entry> Take(int first, int last);
    void PutBack(std::vector<Entry> entries, int first, const std::vector<int>& order);

  private:
    Entry& At(int line);               // made if missing
    const Entry* Find(int line) const; // null if missing
    void DropEmpty();
    std::vector<Entry> entries_; // one a line, in line order
};

} // namespace kalmor
