// Times the core on the demo listing repeated to about a million lines:
// loading, typing in the middle, and closing and opening every fold; and
// counting and stepping over the characters of 30 MB of ASCII and of CJK
// text in UTF-8.
#include "bench/repeated_listing.h"
#include "tests/core/test_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <fstream>
#include <string>
#include <vector>

using namespace kalmor_test;

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Resident memory in kB where the system reports it, else 0.
long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kilobytes = 0;
            status >> kilobytes;
            return kilobytes;
        }
    }
    return 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Gives every header the expanded flag, timed: the core's share of the
// program's sweep, which is itself timed under Wine with the real program.
double TimeFoldAll(kalmor::EditorCore& core, bool expanded) {
    Clock::time_point start = Clock::now();
    for (int line = 0; line < core.LineCount(); ++line) {
        if (core.IsHeader(line) && core.Expanded(line) != expanded) {
            core.ToggleFold(line);
        }
    }
    return MillisecondsSince(start);
}

// The floor of a load: allocating and first writing as much fresh memory as
// the editor's copy of the text, its styles and its line index take (a
// copy, a fill and the index), best of three. On a virtual machine the
// first touch of fresh pages is most of a load's cost.
double LoadFloorMs(const std::string& text, int lines) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        Clock::time_point start = Clock::now();
        std::unique_ptr<char[]> copy(new char[text.size()]);
        std::unique_ptr<char[]> styles(new char[text.size()]);
        std::unique_ptr<int[]> index(new int[static_cast<size_t>(lines)]);
        std::memcpy(copy.get(), text.data(), text.size());
        std::memset(styles.get(), 0, text.size());
        std::memset(index.get(), 0, sizeof(int) * static_cast<size_t>(lines));
        best = std::min(best, MillisecondsSince(start) + (copy[1] + styles[1] + index[1]) * 0.0);
    }
    return best;
}

// Loads text with SCI_SETTEXT into a fresh editor in a code page: best of three.
double LoadMs(const std::string& text, int codePage) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        kalmor::EditorCore core;
        ConfigureLexer(core);
        Send(core, SCI_SETCODEPAGE, codePage);
        Clock::time_point start = Clock::now();
        Send(core, SCI_SETTEXT, 0, Pointer(text.c_str()));
        best = std::min(best, MillisecondsSince(start));
    }
    return best;
}

struct Figures {
    int lines = 0;
    int bytes = 0;
    double loadMs = 0;
    double loadUtf8Ms = 0; // the same text in a UTF-8 document
    double loadFloorMs = 0;
    double lexAllMs = 0; // the first read of the last line's fold level, after the load
    double typeUs = 0;   // median per keystroke
    double deleteUs = 0; // median per backspace
    double sweepCloseMs = 0;
    double sweepOpenMs = 0;
    double firstVisibleCountMs = 0;
    long coreKilobytes = 0;
};

Figures Measure(int lines) {
    Figures figures;
    std::string text = RepeatedListing(lines);
    long residentBefore = ResidentKilobytes();
    {
        kalmor::EditorCore core;
        ConfigureLexer(core);
        Clock::time_point start = Clock::now();
        Send(core, SCI_INSERTTEXT, 0, Pointer(text.c_str()));
        figures.loadMs = MillisecondsSince(start);
        figures.lines = core.LineCount();
        figures.bytes = core.Length();
        // Lines are lexed when first read: the last line's fold level reads them all.
        start = Clock::now();
        core.FoldLevel(core.LineCount() - 1);
        figures.lexAllMs = MillisecondsSince(start);

        const int keystrokes = 200;
        core.SetCaret(core.LineStart(core.LineCount() / 2 + 10) + 4);
        std::vector<double> typed, deleted;
        for (int i = 0; i < keystrokes; ++i) {
            start = Clock::now();
            core.InsertAtCaret(i % 20 == 19 ? "\r" : "x");
            typed.push_back(MillisecondsSince(start) * 1e3);
        }
        for (int i = 0; i < keystrokes; ++i) {
            start = Clock::now();
            core.DeleteBack();
            deleted.push_back(MillisecondsSince(start) * 1e3);
        }
        figures.typeUs = Median(typed);
        figures.deleteUs = Median(deleted);

        // Best of several rounds, so that a stray pause does not skew the growth ratio.
        figures.sweepCloseMs = figures.sweepOpenMs = figures.firstVisibleCountMs = 1e9;
        for (int round = 0; round < 5; ++round) {
            figures.sweepCloseMs = std::min(figures.sweepCloseMs, TimeFoldAll(core, false));
            start = Clock::now();
            core.VisibleLineCount();
            figures.firstVisibleCountMs =
                std::min(figures.firstVisibleCountMs, MillisecondsSince(start));
            figures.sweepOpenMs = std::min(figures.sweepOpenMs, TimeFoldAll(core, true));
        }
        figures.coreKilobytes = ResidentKilobytes() - residentBefore;
    }
    figures.loadMs = std::min(figures.loadMs, LoadMs(text, 0));
    figures.loadUtf8Ms = LoadMs(text, SC_CP_UTF8);
    figures.loadFloorMs = LoadFloorMs(text, figures.lines);
    return figures;
}

void Print(const Figures& figures) {
    double limitKilobytes = (2.0 * figures.bytes + 8.0 * figures.lines) / 1024;
    std::printf("%9d lines, %10d bytes: load %8.1f ms, in UTF-8 %8.1f ms, floor %8.1f ms, "
                "then lexing all %7.1f ms | type "
                "%6.2f us/char | delete %6.2f "
                "us/char (medians) | close all %7.1f ms, open all %7.1f ms | visible count after "
                "%6.1f ms | core memory %ld kB (%.2f x text; limit 2 x text + 8 bytes a line: %.0f "
                "kB)\n",
                figures.lines, figures.bytes, figures.loadMs, figures.loadUtf8Ms,
                figures.loadFloorMs, figures.lexAllMs, figures.typeUs, figures.deleteUs,
                figures.sweepCloseMs, figures.sweepOpenMs, figures.firstVisibleCountMs,
                figures.coreKilobytes, figures.coreKilobytes * 1024.0 / figures.bytes,
                limitKilobytes);
}

// About 30 MB of CJK text in UTF-8 (three bytes a character), 40
// characters a line, CR LF line ends.
std::string CjkText() {
    std::string text;
    text.reserve(31000000);
    for (unsigned line = 0; text.size() < 30000000; ++line) {
        for (unsigned i = 0; i < 40; ++i)
            kalmor::AppendUtf8(text, 0x4E00 + (line * 40 + i) * 7919 % 20000);
        text += "\r\n";
    }
    return text;
}

// The same characters' count in Shift-JIS (932): two bytes a character,
// lead bytes 0x88 to 0x9F, trail bytes across both of their ranges.
std::string ShiftJisText() {
    std::string text;
    text.reserve(31000000);
    for (unsigned line = 0; text.size() < 20000000; ++line) {
        for (unsigned i = 0; i < 40; ++i) {
            unsigned code = (line * 40 + i) * 7919 % (24 * 188);
            unsigned trail = code % 188;
            text += static_cast<char>(0x88 + code / 188);
            text += static_cast<char>(trail < 63 ? 0x40 + trail : 0x80 + trail - 63);
        }
        text += "\r\n";
    }
    return text;
}

// The best of five runs of f, in milliseconds.
template <typename F> double BestMs(F f) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        Clock::time_point start = Clock::now();
        f();
        best = std::min(best, MillisecondsSince(start));
    }
    return best;
}

// SCI_COUNTCHARACTERS over the whole text and SCI_POSITIONRELATIVE over all
// of it forwards and back, with the gap in the middle of the text, in ns a
// character; beside memchr over the same bytes for one they do not hold.
void MeasureWalks(const char* name, const std::string& text, int codePage) {
    kalmor::EditorCore core;
    Send(core, SCI_SETCODEPAGE, codePage);
    core.SetText(text);
    int middle = core.CharacterStart(core.Length() / 2);
    core.InsertText(middle, "x");
    core.DeleteRange(middle, 1);
    int length = core.Length();
    intptr_t characters = 0;
    intptr_t reached = 0;
    double count = BestMs([&] { characters = Send(core, SCI_COUNTCHARACTERS, 0, length); });
    double forward = BestMs([&] { reached = Send(core, SCI_POSITIONRELATIVE, 0, characters); });
    double back = BestMs([&] { reached += Send(core, SCI_POSITIONRELATIVE, length, -characters); });
    const void* found = nullptr;
    // The barriers keep the compiler from searching once for all five rounds.
    const char* bytes = text.data();
    double floor = BestMs([&] {
        asm volatile("" : "+r"(bytes) : : "memory");
        found = std::memchr(bytes, '\x01', text.size());
        asm volatile("" : : "r"(found) : "memory");
    });
    // One character on and one back from a million places spread over the
    // text, as a host stepping to its next edit does.
    const int places = 1000000;
    intptr_t sum = 0;
    double steps = BestMs([&] {
        for (int place = 0; place < places; ++place) {
            intptr_t at = static_cast<intptr_t>(place) * 29 % length;
            sum +=
                Send(core, SCI_POSITIONRELATIVE, at, 1) + Send(core, SCI_POSITIONRELATIVE, at, -1);
        }
    });
    double perCharacter = 1e6 / static_cast<double>(characters);
    std::printf("%s, %.1f MB, %ld characters: SCI_COUNTCHARACTERS %.2f ns a character, "
                "SCI_POSITIONRELATIVE forwards %.2f, back %.2f | memchr %.2f ns a character | "
                "one character on and back %.0f ns a pair of calls%s\n",
                name, length / 1e6, static_cast<long>(characters), count * perCharacter,
                forward * perCharacter, back * perCharacter, floor * perCharacter,
                steps * 1e6 / places,
                reached == length && found == nullptr && sum > 0 ? "" : " (walk went wrong)");
}

} // namespace

// "walks" as the argument times only the character walks.
// One line of 10 MB of BASIC statements, no comment in it: its load and a
// character typed at its end and near its start, each the median of 50.
void MeasureLongLine() {
    std::string line;
    while (line.size() < 10000000) {
        line += "x = y + 12 : ";
    }
    kalmor::EditorCore core;
    ConfigureLexer(core);
    Clock::time_point start = Clock::now();
    core.SetText(line);
    double loadMs = MillisecondsSince(start);
    auto typeAt = [&](int pos) {
        core.SetCaret(pos);
        std::vector<double> typed;
        for (int i = 0; i < 50; ++i) {
            start = Clock::now();
            core.InsertAtCaret("a");
            typed.push_back(MillisecondsSince(start) * 1e3);
        }
        return Median(typed);
    };
    double endUs = typeAt(core.Length());
    double startUs = typeAt(5);
    std::printf("one line of %d bytes: load %.1f ms | type at its end %.1f us, near its start "
                "%.1f us (medians)\n",
                core.Length(), loadMs, endUs, startUs);
}

// The 1,000,000-line listing appended 64 KB at a time, as a host reading a
// file in blocks sends it, beside one SCI_SETTEXT of it.
void MeasureAppend() {
    std::string text = RepeatedListing(1000000);
    kalmor::EditorCore core;
    ConfigureLexer(core);
    Clock::time_point start = Clock::now();
    for (size_t at = 0; at < text.size(); at += 65536) {
        size_t size = std::min<size_t>(65536, text.size() - at);
        Send(core, SCI_APPENDTEXT, static_cast<intptr_t>(size), Pointer(text.data() + at));
    }
    double appendMs = MillisecondsSince(start);
    std::printf("%d bytes appended 64 KB at a time: %.1f ms (one SCI_SETTEXT: %.1f ms)\n",
                core.Length(), appendMs, LoadMs(text, 0));
}

// 100 carets, one at the end of each of 100 lines of the listing among
// 100,000: a character typed at all of them (the median of 50) and the undo
// of that run, which puts every caret back.
void MeasureManyCarets() {
    kalmor::EditorCore core;
    ConfigureLexer(core);
    core.SetText(RepeatedListing(100000));
    Send(core, SCI_SETADDITIONALSELECTIONTYPING, 1);
    for (int n = 0; n < 100; ++n) {
        int end = core.LineEnd(50000 + 3 * n);
        Send(core, n == 0 ? SCI_SETSELECTION : SCI_ADDSELECTION, end, end);
    }
    std::vector<double> typed;
    for (int i = 0; i < 50; ++i) {
        Clock::time_point start = Clock::now();
        core.InsertAtCaret("a");
        typed.push_back(MillisecondsSince(start) * 1e3);
    }
    Clock::time_point start = Clock::now();
    core.Undo();
    double undoMs = MillisecondsSince(start);
    std::printf(
        "100 carets: type at each %.1f us (median) | undo the run %.2f ms, %d carets back\n",
        Median(typed), undoMs, core.SelectionCount());
}

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "walks") != 0) {
        Figures small = Measure(100000);
        Figures large = Measure(1000000);
        Print(small);
        Print(large);
        std::printf("close/open all growth, 1,000,000 / 100,000 lines: close %.1fx, open %.1fx\n",
                    large.sweepCloseMs / small.sweepCloseMs, large.sweepOpenMs / small.sweepOpenMs);
        std::printf("keystroke growth, 1,000,000 / 100,000 lines: %.2fx\n",
                    large.typeUs / small.typeUs);
        MeasureLongLine();
        MeasureAppend();
        MeasureManyCarets();
    }
    MeasureWalks("ASCII, the listing", RepeatedListing(1000000), 0);
    MeasureWalks("CJK in UTF-8", CjkText(), SC_CP_UTF8);
    MeasureWalks("CJK in Shift-JIS", ShiftJisText(), 932);
    return 0;
}
