// Drives the request dispatcher with random request sequences and checks the
// core's invariants after each input.
#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

using namespace kalmor_test;

namespace {

// The requests worth aiming at; any other number is tried now and then too.
// clang-format off
const unsigned kRequests[] = {
    SCI_INSERTTEXT, SCI_GETCURRENTPOS, SCI_GOTOLINE, SCI_STYLECLEARALL, SCI_STYLESETFORE,
    SCI_STYLESETBOLD, SCI_STYLESETITALIC, SCI_STYLESETSIZE, SCI_STYLESETFONT, SCI_GETLINECOUNT,
    SCI_LINEFROMPOSITION, SCI_GETFOLDLEVEL, SCI_GETFOLDPARENT, SCI_GETFOLDEXPANDED, SCI_TOGGLEFOLD,
    SCI_SETMARGINTYPEN, SCI_SETMARGINWIDTHN, SCI_SETMARGINMASKN, SCI_SETMARGINSENSITIVEN,
    SCI_SETLEXER, SCI_SETPROPERTY, SCI_SETKEYWORDS, SCI_GETLENGTH, SCI_GETCHARAT, SCI_GETSTYLEAT,
    SCI_SETCURRENTPOS, SCI_GETFIRSTVISIBLELINE, SCI_POSITIONFROMLINE, SCI_SETTEXT, SCI_GETTEXT,
    SCI_GETLASTCHILD, SCI_GETLINEVISIBLE, SCI_SETFOLDEXPANDED, SCI_GETMARGINTYPEN,
    SCI_GETMARGINWIDTHN, SCI_GETMARGINMASKN, SCI_GETMARGINSENSITIVEN, SCI_STYLEGETFORE,
    SCI_GETLEXER, SCI_DELETERANGE, SCI_INSERTTEXT, SCI_INSERTTEXT, SCI_TOGGLEFOLD, SCI_DELETERANGE,
    SCI_GETANCHOR, SCI_REDO, SCI_SELECTALL, SCI_CANREDO, SCI_GOTOPOS, SCI_SETANCHOR,
    SCI_BEGINUNDOACTION, SCI_ENDUNDOACTION, SCI_GETSELECTIONSTART, SCI_GETSELECTIONEND, SCI_SETSEL,
    SCI_GETSELTEXT, SCI_REPLACESEL, SCI_CANUNDO, SCI_EMPTYUNDOBUFFER, SCI_UNDO, SCI_CLEAR,
    SCI_UNDO, SCI_REPLACESEL};
// clang-format on

struct Input {
    const uint8_t* data;
    size_t size;
    size_t offset = 0;

    bool Empty() const { return offset >= size; }
    uint8_t Byte() { return Empty() ? 0 : data[offset++]; }

    // Small values mostly, with the extremes mixed in.
    intptr_t Argument() {
        const intptr_t extremes[] = {-1, INTPTR_MAX, INTPTR_MIN};
        int kind = Byte() % 8;
        if (kind < 3)
            return extremes[kind];
        intptr_t value = Byte();
        return kind == 3 ? value << 24 : value - 16;
    }

    // Up to 23 bytes, NULs turned into CRs.
    std::string Text() {
        std::string text;
        for (size_t length = Byte() % 24; text.size() < length && !Empty();) {
            uint8_t byte = Byte();
            text += static_cast<char>(byte == 0 ? '\r' : byte);
        }
        return text;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kalmor::EditorCore core;
    Input input{data, size};
    std::string keywords;
    std::string foldValue;
    if (input.Byte() % 2 == 0) {
        keywords = KEYWORD_LIST;
        foldValue = "1";
        ConfigureWithListing(core);
    }
    while (!input.Empty()) {
        uint8_t pick = input.Byte();
        unsigned message = pick < 240 ? kRequests[pick % std::size(kRequests)]
                                      : 2000 + input.Byte() * 12 + input.Byte() % 12;
        intptr_t wParam = input.Argument();
        intptr_t lParam = input.Argument();
        std::string text = input.Text();
        std::string value = input.Text();
        std::vector<char> buffer(64);
        switch (message) {
        case SCI_SETPROPERTY:
            wParam = Pointer(pick % 2 ? "fold" : text.c_str());
            lParam = Pointer(value.c_str());
            break;
        case SCI_INSERTTEXT:
        case SCI_REPLACESEL:
        case SCI_SETTEXT:
        case SCI_STYLESETFONT:
        case SCI_SETKEYWORDS: lParam = pick % 7 == 0 ? 0 : Pointer(text.c_str()); break;
        case SCI_GETTEXT:
            wParam = static_cast<intptr_t>(static_cast<uintptr_t>(wParam) % (buffer.size() + 1));
            lParam = pick % 5 == 0 ? 0 : Pointer(buffer.data());
            break;
        case SCI_GETSELTEXT:
            buffer.resize(static_cast<size_t>(Send(core, SCI_GETSELTEXT)) + 1);
            lParam = pick % 5 == 0 ? 0 : Pointer(buffer.data());
            break;
        default: break;
        }
        Send(core, message, wParam, lParam);
        if (message == SCI_SETKEYWORDS && wParam == 0) {
            keywords = lParam != 0 ? text : ""; // the dispatcher reads a null list as empty
        }
        if (message == SCI_SETPROPERTY &&
            std::strcmp(reinterpret_cast<const char*>(wParam), "fold") == 0) {
            foldValue = value;
        }
    }
    // Every invariant holds, and the styles and fold levels kept through the
    // requests equal those of an editor given the final state at once.
    kalmor::EditorCore fresh;
    Send(fresh, SCI_SETPROPERTY, Pointer("fold"), Pointer(foldValue.c_str()));
    Send(fresh, SCI_SETKEYWORDS, 0, Pointer(keywords.c_str()));
    Send(fresh, SCI_SETLEXER, core.Lexer());
    fresh.SetText(core.Text());
    std::string fault = SameStylesAndLevels(core, fresh) ? Fault(core) : "differs from a re-lex";
    // Undoing the whole history and redoing it all ends at the latest text.
    while (core.CanRedo())
        core.Redo();
    std::string latest = core.Text();
    while (core.CanUndo())
        core.Undo();
    while (core.CanRedo())
        core.Redo();
    if (fault.empty() && core.Text() != latest)
        fault = "undo and redo lose text";
    if (!fault.empty()) {
        std::fputs(fault.c_str(), stderr);
        std::abort();
    }
    return 0;
}
