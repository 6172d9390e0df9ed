// Drives the request dispatcher with random request sequences and checks the
// core's invariants after each input.
#include "component/core/editor_core.h"
#include "editor/demo_text.h"
#include "editor/requests.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The requests worth aiming at; any other number is tried now and then too.
const unsigned kRequests[] = {
    SCI_INSERTTEXT,          SCI_GETCURRENTPOS,    SCI_GOTOLINE,
    SCI_STYLECLEARALL,       SCI_STYLESETFORE,     SCI_STYLESETBOLD,
    SCI_STYLESETITALIC,      SCI_STYLESETSIZE,     SCI_STYLESETFONT,
    SCI_GETLINECOUNT,        SCI_LINEFROMPOSITION, SCI_GETFOLDLEVEL,
    SCI_GETFOLDPARENT,       SCI_GETFOLDEXPANDED,  SCI_TOGGLEFOLD,
    SCI_SETMARGINTYPEN,      SCI_SETMARGINWIDTHN,  SCI_SETMARGINMASKN,
    SCI_SETMARGINSENSITIVEN, SCI_SETLEXER,         SCI_SETPROPERTY,
    SCI_SETKEYWORDS,         SCI_GETLENGTH,        SCI_GETCHARAT,
    SCI_GETSTYLEAT,          SCI_SETCURRENTPOS,    SCI_GETFIRSTVISIBLELINE,
    SCI_POSITIONFROMLINE,    SCI_SETTEXT,          SCI_GETTEXT,
    SCI_GETLASTCHILD,        SCI_GETLINEVISIBLE,   SCI_SETFOLDEXPANDED,
    SCI_GETMARGINTYPEN,      SCI_GETMARGINWIDTHN,  SCI_GETMARGINMASKN,
    SCI_GETMARGINSENSITIVEN, SCI_STYLEGETFORE,     SCI_GETLEXER,
    SCI_DELETERANGE,         SCI_INSERTTEXT,       SCI_INSERTTEXT,
    SCI_TOGGLEFOLD,          SCI_DELETERANGE,
};

class Input {
  public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return offset_ >= size_; }

    uint8_t Byte() { return Empty() ? 0 : data_[offset_++]; }

    // Small values mostly, with the extremes mixed in.
    intptr_t Argument() {
        switch (Byte() % 8) {
        case 0: return -1;
        case 1: return INTPTR_MAX;
        case 2: return INTPTR_MIN;
        case 3: return static_cast<intptr_t>(Byte()) << 24;
        default: return static_cast<intptr_t>(Byte()) - 16;
        }
    }

    std::string Text() {
        size_t length = Byte() % 24;
        std::string text;
        for (size_t i = 0; i < length && !Empty(); ++i) {
            text += static_cast<char>(Byte());
        }
        std::replace(text.begin(), text.end(), '\0', '\r');
        return text;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckInvariants(const kalmor::EditorCore& core) {
    Check(core.LineCount() >= 1);
    Check(core.LineStart(0) == 0 && core.LineStart(core.LineCount()) == core.Length());
    Check(core.Caret() >= 0 && core.Caret() <= core.Length());
    bool caretInCrLf = core.CharAt(core.Caret() - 1) == '\r' && core.CharAt(core.Caret()) == '\n';
    Check(!caretInCrLf);
    Check(core.LineVisible(0));
    int visible = 0;
    for (int line = 0; line < core.LineCount(); ++line) {
        Check(core.LineStart(line) <= core.LineEnd(line));
        Check(core.LineFromPosition(core.LineStart(line)) == line);
        if (!core.Expanded(line)) {
            Check(core.IsHeader(line));
        }
        if (core.LineVisible(line)) {
            Check(core.DocLineFromVisible(visible) == line);
            ++visible;
        } else {
            // A hidden line has a contracted header above it that holds it.
            int parent = core.FoldParent(line);
            bool held = false;
            for (; parent >= 0; parent = core.FoldParent(parent)) {
                held = held || !core.Expanded(parent);
            }
            Check(held);
        }
    }
    Check(core.VisibleLineCount() == visible);
    Check(core.FirstVisibleLine() >= 0 && core.FirstVisibleLine() < visible);
}

// The styles and fold levels kept through the requests equal those of a
// fresh editor given the final text and configuration at once.
void CheckMatchesFullRelex(const kalmor::EditorCore& core, const std::string& keywords,
                           const std::string& foldValue) {
    kalmor::EditorCore fresh;
    fresh.Dispatch(SCI_SETPROPERTY, reinterpret_cast<uintptr_t>("fold"),
                   reinterpret_cast<intptr_t>(foldValue.c_str()));
    fresh.Dispatch(SCI_SETKEYWORDS, 0, reinterpret_cast<intptr_t>(keywords.c_str()));
    fresh.Dispatch(SCI_SETLEXER, static_cast<uintptr_t>(core.Lexer()), 0);
    fresh.SetText(core.Text());
    Check(fresh.StyleRange(0, fresh.Length()) == core.StyleRange(0, core.Length()));
    for (int line = 0; line < core.LineCount(); ++line) {
        Check(fresh.FoldLevel(line) == core.FoldLevel(line));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kalmor::EditorCore core;
    Input input(data, size);
    std::string keywords;
    std::string foldValue;
    if (input.Byte() % 2 == 0) {
        keywords = KEYWORD_LIST;
        foldValue = "1";
        core.Dispatch(SCI_SETPROPERTY, reinterpret_cast<uintptr_t>("fold"),
                      reinterpret_cast<intptr_t>("1"));
        core.Dispatch(SCI_SETLEXER, SCLEX_BASIC, 0);
        core.Dispatch(SCI_SETKEYWORDS, 0, reinterpret_cast<intptr_t>(KEYWORD_LIST));
        core.Dispatch(SCI_INSERTTEXT, 0, reinterpret_cast<intptr_t>(DEMO_LISTING));
    }
    while (!input.Empty()) {
        uint8_t pick = input.Byte();
        unsigned message = pick < 240 ? kRequests[pick % std::size(kRequests)]
                                      : 2000 + input.Byte() * 12 + input.Byte() % 12;
        uintptr_t wParam = static_cast<uintptr_t>(input.Argument());
        intptr_t lParam = input.Argument();
        std::string text = input.Text();
        std::string value = input.Text();
        std::vector<char> buffer(64);
        switch (message) {
        case SCI_SETPROPERTY:
            wParam = reinterpret_cast<uintptr_t>(pick % 2 ? "fold" : text.c_str());
            lParam = reinterpret_cast<intptr_t>(value.c_str());
            break;
        case SCI_INSERTTEXT:
        case SCI_SETTEXT:
        case SCI_STYLESETFONT:
        case SCI_SETKEYWORDS:
            lParam = pick % 7 == 0 ? 0 : reinterpret_cast<intptr_t>(text.c_str());
            break;
        case SCI_GETTEXT:
            wParam %= buffer.size() + 1;
            lParam = pick % 5 == 0 ? 0 : reinterpret_cast<intptr_t>(buffer.data());
            break;
        default: break;
        }
        core.Dispatch(message, wParam, lParam);
        if (message == SCI_SETKEYWORDS && wParam == 0 && lParam != 0) {
            keywords = text;
        }
        if (message == SCI_SETPROPERTY &&
            std::strcmp(reinterpret_cast<const char*>(wParam), "fold") == 0) {
            foldValue = value;
        }
    }
    CheckInvariants(core);
    CheckMatchesFullRelex(core, keywords, foldValue);
    return 0;
}
