// Requests through the direct function and as window messages.
#include "tests/component/editor_fixture.h"

// Every request number with nonsense arguments (text arguments get null
// pointers) gets the same answer through both routes, and direct pointers
// that are no editor window of this process (a destroyed one among them)
// answer nothing; the window carries on working.
TEST_F(EditorTest, BadRequestsAnswerSafelyThroughBothRoutes) {
    for (UINT request = SCI_START; request < SCI_END; ++request) {
        bool text = request == SCI_INSERTTEXT || request == SCI_STYLESETFONT ||
                    request == SCI_SETPROPERTY || request == SCI_SETKEYWORDS ||
                    request == SCI_GETTEXT || request == SCI_SETTEXT || request == SCI_GETSELTEXT ||
                    request == SCI_REPLACESEL || request == SCI_STYLEGETFONT ||
                    request == SCI_FINDTEXT || request == SCI_SEARCHINTARGET ||
                    request == SCI_REPLACETARGET || request == SCI_SEARCHNEXT ||
                    request == SCI_SEARCHPREV || request == SCI_REPLACETARGETRE ||
                    request == SCI_GETTAG;
        for (LPARAM value :
             {LPARAM{0}, LPARAM{-1}, LPARAM{-1000000}, LPARAM{0x7FFFFFFF}, LPARAM{INTPTR_MAX}}) {
            WPARAM wParam = request == SCI_SETPROPERTY ? 0 : static_cast<WPARAM>(value);
            LPARAM lParam = text ? 0 : value;
            EXPECT_EQ(Call(request, wParam, lParam), Send(request, wParam, lParam))
                << request << " " << value;
        }
    }
    // An edit control keeps its own state's address where the editor keeps its.
    HWND edit =
        CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr);
    HWND second = CreateWindowExA(0, KALMOR_CLASS_NAME, "", WS_CHILD, 0, 0, 200, 100, parent,
                                  nullptr, nullptr, nullptr);
    DestroyWindow(second);
    for (UINT_PTR stranger :
         {UINT_PTR{0}, reinterpret_cast<UINT_PTR>(parent), reinterpret_cast<UINT_PTR>(edit),
          reinterpret_cast<UINT_PTR>(second), reinterpret_cast<UINT_PTR>(&edit), ~UINT_PTR{0}})
        EXPECT_EQ(Direct()(stranger, SCI_GETLINECOUNT, 0, 0), 0) << stranger;

    Send(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>("Sub A\rEnd Sub"));
    UpdateWindow(editor);
    EXPECT_EQ(Text(), "Sub A\rEnd Sub");
}
