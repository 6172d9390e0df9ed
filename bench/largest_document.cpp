// The largest document the component holds in this process, found by
// trying: the largest text SCI_SETTEXT takes (bisected to a megabyte, each
// try in a fresh window), the longest a document grows by SCI_APPENDTEXT a
// megabyte at a time, and then, at that length, each way of adding more,
// which must be refused whole: the text, the history and the window
// unharmed, the status SC_STATUS_BADALLOC. Meant for the i686 build, run in
// the emulated PC (bench/win32vm-largest.sh).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kalmor.h"

namespace {

constexpr size_t kMB = 1 << 20;
// A line of BASIC, 32 bytes with its CR LF, as the listing's lines are.
constexpr char kLine[] = "    Print \"Hello, world\" ' 123\r\n";
constexpr size_t kLineLength = sizeof kLine - 1;

double Now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LRESULT Send(HWND w, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(w, message, wParam, lParam);
}

// An editor as the example program sets it up: BASIC, folding on.
HWND NewEditor() {
    HWND w = CreateWindowExA(0, "ZoradezazOr", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 300,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    Send(w, SCI_SETPROPERTY, reinterpret_cast<WPARAM>("fold"), reinterpret_cast<LPARAM>("1"));
    Send(w, SCI_SETLEXER, SCLEX_BASIC);
    Send(w, SCI_SETTEXT, 0, reinterpret_cast<LPARAM>("Sub A\r\nEnd Sub\r\n"));
    Send(w, SCI_EMPTYUNDOBUFFER);
    Send(w, SCI_ADDTEXT, 1, reinterpret_cast<LPARAM>("'")); // one step to undo
    return w;
}

// Fills text with n bytes of whole lines (the last one cut short).
char* Lines(size_t n) {
    char* text = static_cast<char*>(std::malloc(n + 1));
    if (!text)
        return nullptr;
    for (size_t at = 0; at < n; at += kLineLength)
        std::memcpy(text + at, kLine, std::min(kLineLength, n - at));
    text[n] = 0;
    return text;
}

// How SCI_SETTEXT of n bytes is tried, in a fresh window: into a window
// holding a short text with one undo step; over n bytes loaded, the history
// then emptied, as a host opening one file after another does (a load: not
// undone); or over n bytes and an undo step, so the old text is kept for undo.
enum class Over { Short, LoadedEmptied, LoadedEdited };

// Whether SCI_SETTEXT of n bytes is taken; a refusal must leave the text
// before, the history and the status saying why.
int TryLoad(size_t n, Over over, bool* harmed) {
    char* text = Lines(n);
    if (!text)
        return -1; // this program could not hold the text itself
    HWND w = NewEditor();
    if (over != Over::Short) {
        Send(w, SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        Send(w, SCI_EMPTYUNDOBUFFER);
        if (over == Over::LoadedEdited)
            Send(w, SCI_ADDTEXT, 1, reinterpret_cast<LPARAM>("'"));
        text[0] = '\'';
    }
    LRESULT before = Send(w, SCI_GETLENGTH);
    LRESULT couldUndo = Send(w, SCI_CANUNDO);
    double start = Now();
    Send(w, SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    double took = Now() - start;
    std::free(text);
    bool taken = static_cast<size_t>(Send(w, SCI_GETLENGTH)) == n &&
                 Send(w, SCI_GETCHARAT, 0) == (over == Over::Short ? ' ' : '\'');
    if (!taken)
        *harmed |= Send(w, SCI_GETLENGTH) != before || Send(w, SCI_CANUNDO) != couldUndo ||
                   Send(w, SCI_GETSTATUS) != SC_STATUS_BADALLOC;
    const char* how[] = {"", " over as many loaded", " over as many and an undo step"};
    std::printf("  SCI_SETTEXT of %zu MB%s: %s in %.2f s\n", n / kMB, how[static_cast<int>(over)],
                taken ? "taken" : "refused", took);
    std::fflush(stdout);
    DestroyWindow(w);
    return taken ? 1 : 0;
}

// The largest n (to step bytes) that TryLoad takes, below limit.
size_t LargestLoad(Over over, size_t limit, size_t step, bool* harmed) {
    size_t taken = 0, refused = limit;
    while (refused - taken > step) {
        size_t n = std::max(taken + step, (taken + refused) / 2 / step * step);
        int result = TryLoad(n, over, harmed);
        (result == 1 ? taken : refused) = n;
        if (result < 0)
            std::printf("  (this program could not hold %zu MB itself)\n", n / kMB);
    }
    return taken;
}

// Each way of adding text at w's length, which is at the limit: refused
// whole, the length, the history and the status as they should be.
// The texts were made before the document filled the address space.
void TryPastTheLimit(HWND w, const std::string& big, const std::wstring& wide) {
    Send(w, SCI_GOTOPOS, static_cast<WPARAM>(Send(w, SCI_GETLENGTH) / 2));
    struct {
        const char* name;
        LRESULT (*add)(HWND, const std::string&, const std::wstring&);
    } routes[] = {
        // Replacing the document keeps the old text for undo: no room for that.
        {"SCI_SETTEXT",
         [](HWND w, const std::string& t, const std::wstring&) {
             return Send(w, SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
         }},
        {"SCI_APPENDTEXT",
         [](HWND w, const std::string& t, const std::wstring&) {
             return Send(w, SCI_APPENDTEXT, t.size(), reinterpret_cast<LPARAM>(t.c_str()));
         }},
        {"SCI_INSERTTEXT",
         [](HWND w, const std::string& t, const std::wstring&) {
             return Send(w, SCI_INSERTTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
         }},
        {"SCI_REPLACESEL",
         [](HWND w, const std::string& t, const std::wstring&) {
             return Send(w, SCI_REPLACESEL, 0, reinterpret_cast<LPARAM>(t.c_str()));
         }},
        {"WM_SETTEXT",
         [](HWND w, const std::string&, const std::wstring& t) {
             return SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
         }},
        {"paste",
         [](HWND w, const std::string&, const std::wstring&) { return Send(w, WM_PASTE); }},
        {"typing",
         [](HWND w, const std::string&, const std::wstring&) { return Send(w, WM_CHAR, 'z', 1); }},
    };
    for (const auto& route : routes) {
        Send(w, SCI_SETSTATUS, SC_STATUS_OK);
        LRESULT before = Send(w, SCI_GETLENGTH);
        LRESULT answer = route.add(w, big, wide);
        LRESULT after = Send(w, SCI_GETLENGTH);
        int status = static_cast<int>(Send(w, SCI_GETSTATUS));
        bool whole = after == before;
        std::printf("  %s at %ld bytes: answered %ld, length %+ld, status %d, undo %s: %s\n",
                    route.name, static_cast<long>(before), static_cast<long>(answer),
                    static_cast<long>(after - before), status,
                    Send(w, SCI_CANUNDO) ? "kept" : "lost",
                    whole && status == SC_STATUS_BADALLOC ? "refused whole" : "NOT REFUSED WHOLE");
        std::fflush(stdout);
    }
    // The window still edits, undoes and draws.
    Send(w, SCI_SETSTATUS, SC_STATUS_OK);
    Send(w, SCI_DELETERANGE, 0, 1);
    Send(w, SCI_UNDO);
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    std::printf("  then an edit, its undo and a paint: status %ld\n",
                static_cast<long>(Send(w, SCI_GETSTATUS)));
}

} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (!LoadLibraryA("KALMOR.DLL")) {
        std::printf("KALMOR.DLL did not load\n");
        return 1;
    }

    // The largest load, and reload, bisected between taken and refused.
    std::printf("loading:\n");
    bool harmed = false;
    size_t taken = LargestLoad(Over::Short, 2048 * kMB, kMB, &harmed);
    std::printf("largest SCI_SETTEXT: %zu MB (%zu lines of %zu bytes)\n", taken / kMB,
                taken / kLineLength, kLineLength);
    size_t reloaded = LargestLoad(Over::LoadedEmptied, taken + kMB, 4 * kMB, &harmed);
    std::printf("largest SCI_SETTEXT over as many bytes loaded: %zu MB\n", reloaded / kMB);
    size_t replaced = LargestLoad(Over::LoadedEdited, taken + kMB, 4 * kMB, &harmed);
    std::printf("largest SCI_SETTEXT over as many bytes and an undo step: %zu MB\n",
                replaced / kMB);
    std::printf("refusals %s\n", harmed ? "HARMED the document" : "left the document whole");

    // Growing a megabyte at a time, as a host appending a file does.
    // The texts to add past the limit, and the clipboard's, made now.
    std::string big(4 * kMB, 'x');
    std::wstring wide(4 * kMB, L'x');
    HWND w = NewEditor();
    if (OpenClipboard(w)) {
        EmptyClipboard();
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
        if (copy) {
            std::memcpy(GlobalLock(copy), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
            GlobalUnlock(copy);
            SetClipboardData(CF_UNICODETEXT, copy);
        }
        CloseClipboard();
    }
    std::printf("appending:\n");
    char* block = Lines(kMB);
    double start = Now();
    LRESULT length = 0;
    do {
        length = Send(w, SCI_GETLENGTH);
        Send(w, SCI_APPENDTEXT, kMB, reinterpret_cast<LPARAM>(block));
    } while (Send(w, SCI_GETLENGTH) > length);
    // Then the room left in the gap, filled by ever smaller pieces: any
    // byte more needs a larger copy of the text than the space left holds.
    for (size_t piece = kMB / 2; piece > 0; piece /= 2) {
        while (Send(w, SCI_APPENDTEXT, piece, reinterpret_cast<LPARAM>(block)),
               Send(w, SCI_GETSTATUS) == SC_STATUS_OK)
            ;
        Send(w, SCI_SETSTATUS, SC_STATUS_OK);
    }
    std::free(block);
    std::printf("largest by SCI_APPENDTEXT of 1 MB: %ld MB in %.1f s; its gap then filled: %ld "
                "bytes\n",
                static_cast<long>(length / static_cast<LRESULT>(kMB)), Now() - start,
                static_cast<long>(Send(w, SCI_GETLENGTH)));
    std::printf("adding past it:\n");
    TryPastTheLimit(w, big, wide);
    DestroyWindow(w);
    std::printf("done\n");
    return 0;
}
