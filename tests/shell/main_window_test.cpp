// The program's main window in this process with the real KALMOR.DLL beside
// it: menu commands and margin clicks, one after another on one window, the
// folds and caret they leave in the configured editor, and its size.
#include "editor/channel.h"
#include "kalmor.h"
#include "editor/setup.h"
#include "shell/menu.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What reaches the main window: a command, or a notification from margin 1
// (or another margin) with the position of a line's start.
struct Step {
    UINT message; // WM_COMMAND or WM_NOTIFY
    WPARAM command;
    int margin;
    UINT code;
    int caretLine;        // where the caret is put first, or the clicked line
    const char* expanded; // afterwards: the expanded flags of the headers 9, 14 and 18
    int lineAfter;        // afterwards: the caret's line
};

const Step STEPS[] = {
    {WM_COMMAND, ID_TOGGLE_SUBS_BELOW, 0, 0, 10, "000", 9}, // from a body line: all below too
    {WM_COMMAND, ID_TOGGLE_SUBS_BELOW, 0, 0, 13, "011", 0}, // outside any sub: opens all below
    {WM_COMMAND, ID_TOGGLE_SUB, 0, 0, 9, "111", 9},         // a closed header opens
    {WM_NOTIFY, 0, 1, SCN_MARGINCLICK, 19, "110", 18},
    {WM_NOTIFY, 0, 0, SCN_MARGINCLICK, 14, "110", 18}, // other margins and codes: nothing
    {WM_NOTIFY, 0, 2, SCN_MARGINCLICK, 14, "110", 18},
    {WM_NOTIFY, 0, 1, SCN_MARGINCLICK + 1, 14, "110", 18},
    {WM_COMMAND, 555, 0, 0, 14, "110", 14},
    {WM_COMMAND, MAKEWPARAM(ID_TOGGLE_SUB, 1), 0, 0, 15, "100", 14}, // the low word names it
    {WM_COMMAND, ID_TOGGLE_SUBS_BELOW, 0, 0, 14, "111", 14}, // the header's new state for all
    {WM_COMMAND, ID_TOGGLE_SUB, 0, 0, 3, "111", 0},          // outside any sub: nothing
};

LRESULT Ask(UINT message, WPARAM wParam) {
    return SENDSCINTILLAMSG(directPointer, message, wParam, 0);
}

TEST(MainWindow, CommandsAndMarginClicksFoldTheListingAndTheEditorFillsIt) {
    LOADCOMPONENT();
    ASSERT_NE(componentHandle, nullptr);
    instanceHandle = GetModuleHandleA(nullptr);
    REGISTERMAINCLASS();
    BUILDTEXTS();
    HWND window = CREATEMAINWINDOW(BUILDMENUBAR());
    ASSERT_NE(directPointer, 0);
    ASSERT_EQ(Ask(SCI_GETLINECOUNT, 0), 21);

    for (const Step& step : STEPS) {
        SCOPED_TRACE("step " + std::to_string(&step - STEPS + 1));
        int start = static_cast<int>(Ask(SCI_POSITIONFROMLINE, step.caretLine));
        SCNotification notification = {};
        notification.code = step.code;
        notification.margin = step.margin;
        notification.position = start;
        if (step.message == WM_COMMAND)
            SENDSCINTILLAMSG(directPointer, SCI_SETCURRENTPOS, start, 0);
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        SendMessageA(window, step.message, step.command, reinterpret_cast<LPARAM>(&notification));
        std::string expanded;
        for (int header : {9, 14, 18})
            expanded += Ask(SCI_GETFOLDEXPANDED, header) ? '1' : '0';
        EXPECT_EQ(expanded, step.expanded);
        EXPECT_EQ(Ask(SCI_LINEFROMPOSITION, Ask(SCI_GETCURRENTPOS, 0)), step.lineAfter);
        if (step.command == ID_TOGGLE_SUBS_BELOW) {
            EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW)) << "the busy cursor stays";
        }
    }

    // The editor follows the client area's size.
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    RECT rect;
    GetWindowRect(editorWindow, &rect);
    EXPECT_EQ(rect.right - rect.left, 300);
    EXPECT_EQ(rect.bottom - rect.top, 200);
    DestroyWindow(window);
    RELEASECOMPONENT();
}

} // namespace
