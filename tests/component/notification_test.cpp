// What a host hears: the notifications of each kind of edit, field by field
// and in order; read-only on every route; notifications answered from inside.
#include "tests/component/editor_fixture.h"
#include <oleacc.h>
#include <imm.h>

namespace {

const int kTextKinds =
    SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT | SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE;

class NotificationTest : public EditorTest {
  public:
    // "ab\r\ncd" with the selection given, no history, at the save point,
    // the host hearing only the text's modifications; nothing heard yet.
    void Start(int anchor, int caret, int mask = kTextKinds) {
        Call(SCI_SETREADONLY, 0);
        Load("ab\r\ncd", anchor, caret);
        Call(SCI_SETSAVEPOINT);
        Call(SCI_SETMODEVENTMASK, mask);
        PumpMessages();
        described.clear();
    }
    std::string Heard() {
        std::string all;
        for (const std::string& one : described)
            all += (all.empty() ? "" : " | ") + one;
        return all;
    }
};

// Each edit as the user or the host makes it, and every notification it
// brings, in order: the modification before and after, the character typed,
// the save point left or reached, WM_COMMAND's SCEN_CHANGE (768) and
// SCN_UPDATEUI with what changed (1 content, 2 selection).
TEST_F(NotificationTest, EachEditIsHeardFieldByField) {
    // Two insertions as one action, undone or not.
    auto group = [&](bool undone) {
        Call(SCI_BEGINUNDOACTION);
        Call(SCI_INSERTTEXT, 0, Pointer("1"));
        Call(SCI_INSERTTEXT, 6, Pointer("2"));
        Call(SCI_ENDUNDOACTION);
        if (undone)
            Call(SCI_UNDO);
    };
    HIMC context = nullptr; // the input method's, from composing to the commit
    auto compose = [&] {
        Call(SCI_SETCODEPAGE, SC_CP_UTF8);
        SetFocus(editor);
        PumpMessages();
        context = ImmGetContext(editor);
        wchar_t text[] = L"\x304B";
        ImmSetCompositionStringW(context, SCS_SETSTR, text, sizeof(wchar_t), nullptr, 0);
        PumpMessages();
    };
    auto commit = [&] {
        ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
        PumpMessages();
        ImmReleaseContext(editor, context);
    };
    // Each row: the selection, what is done first unheard, then the edit heard.
    const struct {
        const char* name;
        int anchor, caret;
        std::function<void()> before, edit;
        const char* heard;
    } rows[] = {
        {"Enter: the document's own line end", 2, 2, nullptr, [&] { Send(WM_CHAR, '\r'); },
         "mod b+u 2 2 0 | mod +ua 2 2 1 '\r\n' | char 13 0 | char 10 0 | unsaved | cmd 768 | "
         "ui 3"},
        {"Backspace over a CR LF", 4, 4, nullptr, [&] { Send(WM_CHAR, '\b'); },
         "mod b-u 2 2 0 | mod -ua 2 2 -1 '\r\n' | unsaved | cmd 768 | ui 3"},
        {"pasted over a selection", 5, 6, [&] { Clipboard(editor, L"P\r\nQ"); },
         [&] { Send(WM_PASTE); },
         "mod b-u 5 1 0 | mod -ua 5 1 0 'd' | mod b+u 5 4 0 | mod +u 5 4 1 'P\r\nQ' | unsaved | "
         "cmd 768 | ui 3"},
        {"the selection dropped at the end", 0, 2, [&] { SetFocus(editor); }, [&] { Drag(1, 6); },
         "mod b+u 6 2 0 | mod +ua 6 2 0 'ab' | mod b-u 0 2 0 | mod -u 0 2 0 'ab' | unsaved | "
         "cmd 768 | ui 3"},
        {"an input method's result", 1, 1, compose, commit,
         "mod b+u 1 3 0 | mod +ua 1 3 0 '\xE3\x81\x8B' | char 12363 2 | unsaved | cmd 768 | ui 3"},
        {"typed in UTF-8: the code point of a two-byte character", 1, 1,
         [&] { Call(SCI_SETCODEPAGE, SC_CP_UTF8); },
         [&] { SendMessageW(editor, WM_CHAR, 0xE9, 1); },
         "mod b+u 1 2 0 | mod +ua 1 2 0 '\xC3\xA9' | char 233 0 | unsaved | cmd 768 | ui 3"},
        {"typed in a double-byte code page: lead byte x 256 + trail byte", 1, 1,
         [&] { Call(SCI_SETCODEPAGE, 932); }, [&] { SendMessageW(editor, WM_CHAR, 0x3042, 1); },
         "mod b+u 1 2 0 | mod +ua 1 2 0 '\x82\xA0' | char 33440 0 | unsaved | cmd 768 | ui 3"},
        {"a grouped action undone", 0, 0, [&] { group(false); }, [&] { Send(WM_UNDO); },
         "mod b-zm 6 1 0 | mod -zm 6 1 0 '2' | mod b-zml 0 1 0 | mod -zml 0 1 0 '1' | saved | "
         "cmd 768 | ui 1"},
        {"and redone", 0, 0, [&] { group(true); }, [&] { Call(SCI_REDO); },
         "mod b+ym 0 1 0 | mod +ym 0 1 0 '1' | mod b+yml 6 1 0 | mod +yml 6 1 0 '2' | unsaved | "
         "cmd 768 | ui 1"},
        {"read-only turned off by the host when asked", 1, 1,
         [&] {
             Call(SCI_SETREADONLY, 1);
             answer = [&](const SCNotification& n) {
                 if (n.code == SCN_MODIFYATTEMPTRO)
                     Call(SCI_SETREADONLY, 0);
             };
         },
         [&] { Send(WM_CHAR, 'x'); },
         "readonly | mod b+u 1 1 0 | mod +ua 1 1 0 'x' | char 120 0 | unsaved | cmd 768 | ui 3"},
        {"styles alone change the content", 0, 0, nullptr,
         [&] { Call(SCI_SETKEYWORDS, 0, Pointer("ab")); }, "ui 1"},
        {"the focus given and taken", 0, 0, [&] { SetFocus(parent); },
         [&] {
             SetFocus(editor);
             SetFocus(parent);
         },
         "focusin | cmd 512 | focusout | cmd 256"},
        {"a double-click below a folded sub: its document line", 0, 0,
         [&] {
             Call(SCI_SETTEXT, 0, Pointer("Sub A\r x\rEnd Sub\ry\rzz"));
             Call(SCI_TOGGLEFOLD, 0);
             SetFocus(editor);
         },
         [&] {
             ClickAt(17);
             ClickAt(17);
         },
         "ui 2 | dclick 17 3 | ui 2"},
        {"the mask without the deletion's before: its text still comes; an insertion not", 0, 0,
         [&] { Call(SCI_SETMODEVENTMASK, SC_MOD_DELETETEXT); },
         [&] {
             Call(SCI_DELETERANGE, 0, 2);
             Call(SCI_INSERTTEXT, 3, Pointer("Q"));
         },
         "mod -ua 0 2 0 'ab' | unsaved | cmd 768 | ui 1 | cmd 768 | ui 1"},
    };
    for (const auto& row : rows) {
        Start(row.anchor, row.caret);
        if (row.before)
            row.before();
        described.clear();
        row.edit();
        answer = nullptr;
        EXPECT_EQ(Heard(), row.heard) << row.name;
        Call(SCI_SETCODEPAGE, 0);
    }
    Start(0, 0);
    Call(SCI_INSERTTEXT, 0, Pointer("Q"));
    Call(SCI_EMPTYUNDOBUFFER);
    EXPECT_EQ(Call(SCI_GETMODIFY), 1) << "the history emptied after a change: still modified";
    // With every kind heard, the styles and fold levels the lexer sets come too.
    Start(0, 0, SC_MODEVENTMASKALL);
    Call(SCI_SETTEXT, 0, Pointer("x\rSub A"));
    bool folded = false;
    for (const SCNotification& n : Notified(SCN_MODIFIED))
        folded = folded ||
                 ((n.modificationType & SC_MOD_CHANGEFOLD) && n.line == 1 &&
                  (n.foldLevelNow & SC_FOLDLEVELHEADERFLAG) && n.foldLevelPrev == SC_FOLDLEVELBASE);
    EXPECT_TRUE(folded && Heard().find("mod s") != std::string::npos) << Heard();
}

// A host that styles is asked, before a paint, for the styles of what it
// shows, and what it styles is drawn in that paint; once styled it is not
// asked again until an edit.
TEST_F(NotificationTest, AHostThatStylesIsAskedBeforeAPaint) {
    Call(SCI_SETLEXER, SCLEX_CONTAINER);
    Call(SCI_SETTEXT, 0, Pointer("Sub ab\rcd"));
    answer = [this](const SCNotification& n) {
        if (n.code != SCN_STYLENEEDED)
            return;
        LRESULT start =
            Call(SCI_POSITIONFROMLINE, Call(SCI_LINEFROMPOSITION, Call(SCI_GETENDSTYLED)));
        Call(SCI_STARTSTYLING, start);
        Call(SCI_SETSTYLING, n.position - start, 3); // the keywords' blue
    };
    auto paint = [this] {
        described.clear();
        PumpMessages();
        InvalidateRect(editor, nullptr, FALSE);
        UpdateWindow(editor);
        return std::pair(Heard().substr(0, Heard().find(" |")),
                         Has(Pixels(editor, 40, 0, 500, Call(SCI_TEXTHEIGHT)), 0xFF0000));
    };
    EXPECT_EQ(paint(), std::pair(std::string("styleneeded 9"), true));
    EXPECT_EQ(paint(), std::pair(std::string(""), true)) << "styled already";
}

// While read-only, no route changes the text: each asks the host once and
// changes nothing, and what only reads still works. (Delete, Ctrl+Backspace,
// WM_CLEAR and SCI_DELETERANGE meet the same check in the core's edit as the
// typed character and SCI_REPLACESEL.)
TEST_F(NotificationTest, ReadOnlyRefusesEveryRoute) {
    const std::pair<const char*, std::function<void()>> routes[] = {
        {"a typed character", [&] { Send(WM_CHAR, 'x'); }},
        {"Tab over two lines: several edits",
         [&] {
             Call(SCI_SETSEL, 0, 7);
             Key(VK_TAB);
         }},
        {"paste", [&] { Send(WM_PASTE); }},
        {"cut", [&] { Send(WM_CUT); }},
        {"undo", [&] { Send(WM_UNDO); }},
        {"WM_SETTEXT", [&] { SendMessageW(editor, WM_SETTEXT, 0, Pointer(L"new")); }},
        {"SCI_REPLACESEL", [&] { Call(SCI_REPLACESEL, 0, Pointer("r")); }},
        {"SCI_SETTEXT", [&] { Call(SCI_SETTEXT, 0, Pointer("s")); }},
        {"the selection dragged", [&] { Drag(1, 7); }},
        {"MSAA's put_accValue",
         [&] {
             IAccessible* object = nullptr;
             ObjectFromLresult(Send(WM_GETOBJECT, 0, OBJID_CLIENT), __uuidof(IAccessible), 0,
                               reinterpret_cast<void**>(&object));
             VARIANT self{}; // CHILDID_SELF
             self.vt = VT_I4;
             BSTR text = SysAllocString(L"msaa");
             EXPECT_NE(object->put_accValue(self, text), S_OK);
             SysFreeString(text);
             object->Release();
         }},
    };
    for (const auto& [route, edit] : routes) {
        Start(0, 0);
        Call(SCI_INSERTTEXT, 7, Pointer("!")); // something to undo
        Call(SCI_SETSEL, 0, 3);
        Clipboard(editor, L"clip");
        Call(SCI_SETREADONLY, 1);
        described.clear();
        edit();
        EXPECT_EQ(Text(), "ab\r\ncd!") << route;
        EXPECT_EQ(std::count(described.begin(), described.end(), "readonly"), 1)
            << route << ": " << Heard();
        EXPECT_EQ(Send(SCI_GETMODIFY), 1) << route;
    }
    // The caret still moves; nothing can be pasted.
    Key(VK_END, true);
    EXPECT_EQ(std::pair(Call(SCI_GETCURRENTPOS), Call(SCI_CANPASTE)),
              std::pair(LRESULT{7}, LRESULT{0}));
}

// A host may answer a notification with requests: an auto-indent sent from
// SCN_CHARADDED works, an edit from inside SCN_MODIFIED is refused, and
// destroying the editor from inside a notification is safe.
TEST_F(NotificationTest, HostsAnswerFromInside) {
    Start(0, 0);
    Load("  ab", 4, 4);
    answer = [this](const SCNotification& n) {
        if (n.code == SCN_CHARADDED && n.ch == '\n')
            Call(SCI_REPLACESEL, 0, Pointer("  "));
    };
    Send(WM_CHAR, '\r');
    EXPECT_EQ(Text(), "  ab\r\n  ");
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), 8);

    answer = [this](const SCNotification& n) {
        if (n.code == SCN_MODIFIED)
            Call(SCI_INSERTTEXT, 0, Pointer("no"));
    };
    Send(WM_CHAR, 'x');
    EXPECT_EQ(Text(), "  ab\r\n  x");

    // A host that answers every SCN_UPDATEUI with a change is told of it in
    // the next round, never from inside its own handler, for four rounds.
    Call(SCI_SETTEXT, 0, Pointer(""));
    int updates = 0, depth = 0;
    bool nested = false;
    answer = [&](const SCNotification& n) {
        if (n.code != SCN_UPDATEUI || depth > 4)
            return;
        ++updates;
        nested = nested || depth > 0;
        ++depth;
        Call(SCI_APPENDTEXT, 1, Pointer("x"));
        --depth;
    };
    Call(SCI_APPENDTEXT, 1, Pointer("a"));
    answer = nullptr;
    EXPECT_EQ(std::tuple(Text(), updates, nested), std::tuple(std::string("axxxx"), 4, false));

    for (unsigned code :
         {unsigned(SCN_MODIFIED), unsigned(SCN_CHARADDED), unsigned(SCN_UPDATEUI)}) {
        answer = [this, code](const SCNotification& n) {
            if (n.code == code && IsWindow(editor))
                DestroyWindow(editor);
        };
        Send(WM_CHAR, 'y');
        EXPECT_FALSE(IsWindow(editor)) << code;
        answer = nullptr;
        DestroyWindow(parent);
        SetUp(); // a new editor for the next one
        Start(0, 0);
    }
}

} // namespace
