// Times searching and replacing in the core: a million lines searched for a
// text that is not there, with and without case, in ANSI and in UTF-8, beside
// memchr over the same bytes; and every occurrence of a word replaced through
// the target requests, in documents of two sizes. Then regular expressions:
// a pattern with a literal prefix beside the plain search of that literal,
// every run of digits, and two patterns that backtracking engines take
// exponential time over.
#include "bench/repeated_listing.h"
#include "tests/core/test_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

using namespace kalmor_test;

namespace {

using Clock = std::chrono::steady_clock;

// The best of five runs of f, in milliseconds.
template <typename F> double BestMilliseconds(F f) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        Clock::time_point start = Clock::now();
        f();
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

// The listing with a Japanese comment on every sub's first line, in UTF-8.
std::string Utf8Listing(int lines) {
    std::string text = RepeatedListing(lines);
    const std::string from = "'Not really...";
    const std::string to =
        "'\xE6\x9C\xAC\xE5\xBD\x93\xE3\x81\xA7\xE3\x81\xAF\xE3\x81\xAA\xE3\x81\x84";
    std::string out;
    out.reserve(text.size() + text.size() / 20);
    for (size_t at = 0;;) {
        size_t found = text.find(from, at);
        out.append(text, at, found == std::string::npos ? std::string::npos : found - at);
        if (found == std::string::npos)
            return out;
        out += to;
        at = found + from.size();
    }
}

// Searches the whole document for a text it does not hold, forward, timed
// beside memchr for a byte it does not hold.
void SearchRow(const char* name, const std::string& text, int codePage) {
    EditorCore core;
    core.SetSystemCodePage(1252);
    Send(core, SCI_SETCODEPAGE, codePage);
    core.SetText(text);
    const char* needle = "Ucase$(c$)";
    // Read through a volatile pointer, so the compiler cannot keep the result.
    const char* volatile bytes = text.data();
    const void* volatile sink = nullptr;
    double floor = BestMilliseconds([&] { sink = std::memchr(bytes, 1, text.size()); });
    double matchCase =
        BestMilliseconds([&] { core.Find(0, core.Length(), needle, SCFIND_MATCHCASE); });
    double anyCase = BestMilliseconds([&] { core.Find(0, core.Length(), needle, 0); });
    (void)sink;
    std::printf("| %s, %d lines, %.1f MB | %.2f ms (%.1f x) | %.2f ms (%.1f x) | %.2f ms |\n", name,
                core.LineCount(), core.Length() / 1e6, matchCase, matchCase / floor, anyCase,
                anyCase / floor, floor);
}

// Replaces every "Test" by "Trial" through the target, as a host's
// replace-all does; the best of three rounds, each on a fresh document.
void ReplaceRow(int lines) {
    EditorCore core;
    ConfigureLexer(core);
    int replaced = 0;
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        core.SetText(RepeatedListing(lines));
        Clock::time_point start = Clock::now();
        Send(core, SCI_SETSEARCHFLAGS, SCFIND_MATCHCASE);
        Send(core, SCI_SETTARGETSTART, 0);
        Send(core, SCI_SETTARGETEND, core.Length());
        replaced = 0;
        while (Send(core, SCI_SEARCHINTARGET, 4, Pointer("Test")) >= 0) {
            Send(core, SCI_REPLACETARGET, static_cast<uintptr_t>(-1), Pointer("Trial"));
            Send(core, SCI_SETTARGETSTART, Send(core, SCI_GETTARGETEND));
            Send(core, SCI_SETTARGETEND, core.Length());
            ++replaced;
        }
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf("| replace all, %d lines | %d | %.1f ms | %.2f us |\n", core.LineCount(), replaced,
                best, best * 1e3 / replaced);
}

// Every match through the target, as a host's find-all does (each search
// starts where the last match ended): the count and the best of five times.
std::pair<int, double> FindAll(EditorCore& core, const std::string& pattern, int flags) {
    int count = 0;
    double best = BestMilliseconds([&] {
        count = 0;
        Send(core, SCI_SETSEARCHFLAGS, flags);
        Send(core, SCI_SETTARGETSTART, 0);
        Send(core, SCI_SETTARGETEND, core.Length());
        while (Send(core, SCI_SEARCHINTARGET, static_cast<intptr_t>(pattern.size()),
                    Pointer(pattern.c_str())) >= 0) {
            ++count;
            Send(core, SCI_SETTARGETSTART, Send(core, SCI_GETTARGETEND));
            Send(core, SCI_SETTARGETEND, core.Length());
        }
    });
    return {count, best};
}

// A pattern whose matches all start with a literal, beside the plain search
// for that literal, both finding every match in the document.
void PrefixRow(EditorCore& core, const char* pattern, const char* literal, int flags) {
    auto [matches, time] = FindAll(core, pattern, SCFIND_REGEXP | flags);
    auto [found, plain] = FindAll(core, literal, flags);
    std::printf("| `%s`%s | %d | %.1f ms | `%s`: %d, %.1f ms | %.1f x |\n", pattern,
                flags ? "" : " without case", matches, time, literal, found, plain, time / plain);
}

void RegexRows() {
    EditorCore core;
    core.SetText(RepeatedListing(1000000));
    std::printf(
        "\n| Pattern, every match in %.1f MB | Matches | Time | Plain search of its literal "
        "| Ratio |\n|---|---:|---:|---:|---:|\n",
        core.Length() / 1e6);
    PrefixRow(core, "Sub \\w+", "Sub ", SCFIND_MATCHCASE);
    PrefixRow(core, "Sub \\w+", "Sub ", 0);
    PrefixRow(core, "Sub Zq\\w+", "Sub Zq", SCFIND_MATCHCASE);
    auto [digits, time] = FindAll(core, "[0-9]+", SCFIND_REGEXP);
    std::printf("| `[0-9]+` | %d | %.1f ms (%.0f MB/s) | | |\n", digits, time,
                core.Length() / 1e3 / time);
    // One search through the whole document, in and out of every number.
    double once =
        BestMilliseconds([&] { core.Find(0, core.Length(), "[0-9]{9}", SCFIND_CXX11REGEX); });
    std::printf("| `[0-9]{9}`, not there | 0 | %.1f ms (%.0f MB/s) | | |\n", once,
                core.Length() / 1e3 / once);

    std::printf(
        "\n| Runaway pattern on 30,000 `a`s | Answer | Time | Status |\n|---|---:|---:|---:|\n");
    core.SetText(std::string(30000, 'a'));
    const struct {
        const char* pattern;
        int flags;
    } runaway[] = {{"(a*)*b", SCFIND_CXX11REGEX}, {"\\(a*\\)*\\1b", SCFIND_REGEXP}};
    for (const auto& r : runaway) {
        int answer = 0;
        double ms = BestMilliseconds([&] {
            Send(core, SCI_SETSTATUS, 0);
            answer = core.Find(0, core.Length(), r.pattern, r.flags).first;
        });
        std::printf("| `%s` | %d | %.1f ms | %d |\n", r.pattern, answer, ms,
                    static_cast<int>(Send(core, SCI_GETSTATUS)));
    }
}

} // namespace

int main() {
    std::printf("| Search for a text not there | with case (x memchr) | without case (x memchr) "
                "| memchr |\n|---|---:|---:|---:|\n");
    SearchRow("ANSI", RepeatedListing(1000000), 0);
    SearchRow("UTF-8", Utf8Listing(1000000), SC_CP_UTF8);
    std::printf(
        "\n| Replace through the target | Matches | Time | Per match |\n|---|---:|---:|---:|\n");
    ReplaceRow(10000);
    ReplaceRow(100000);
    RegexRows();
    return 0;
}
