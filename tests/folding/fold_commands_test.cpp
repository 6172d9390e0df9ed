// The fold commands as the user starts them, through the program's own
// window procedure: the menu's two commands from the caret's line and a click
// on a line number. Each case's line is chosen so that its neighbour would
// give another answer: a sub's last line (the line below is outside the
// sub), a last line that is a header (a sweep that stops short skips it).
#include "tests/component/editor_fixture.h"

#include "shell/menu.h"
#include "shell/shell.h"

namespace {

TEST_F(EditorTest, FoldCommandsActOnTheSubOfTheirLine) {
    const std::string listing = Text();
    const std::string lastHeader = "Sub A\rx\rEnd Sub\rSub B";
    const struct {
        const std::string& text;
        int line;
        char action; // 't' Toggle current sub, 'b' Toggle all subs below, 'm' a number clicked
        const char* shape;
    } cases[] = {
        {listing, 12, 't', "vvvvvvvvv-...v+vvv+vv"},
        {listing, 12, 'm', "vvvvvvvvv-...v+vvv+vv"},
        {listing, 16, 'm', "vvvvvvvvv+vvvv-..v+vv"},
        {listing, 12, 'b', "vvvvvvvvv-...v-..v-.."},
        {listing, 15, 'b', "vvvvvvvvv+vvvv-..v-.."},
        {listing, 13, 't', "vvvvvvvvv+vvvv+vvv+vv"},
        {lastHeader, 0, 'b', "-..-"},
        {lastHeader, 3, 'm', "+vv-"},
    };
    // One character a line: '.' hidden, '+' or '-' an expanded or contracted
    // header, 'v' any other shown line.
    auto shape = [&] {
        std::string shape;
        for (int line = 0; line < Call(SCI_GETLINECOUNT); ++line) {
            bool header = Call(SCI_GETFOLDLEVEL, line) & SC_FOLDLEVELHEADERFLAG;
            shape += !Call(SCI_GETLINEVISIBLE, line)   ? '.'
                     : !header                         ? 'v'
                     : Call(SCI_GETFOLDEXPANDED, line) ? '+'
                                                       : '-';
        }
        return shape;
    };
    for (const auto& c : cases) {
        Call(SCI_SETTEXT, 0, Pointer(c.text.c_str()));
        Call(SCI_GOTOLINE, c.line);
        if (c.action == 'm') {
            LRESULT y = Call(SCI_POINTYFROMPOSITION, 0, LineStart(c.line)) + 2;
            notifications.clear();
            Send(WM_LBUTTONDOWN, 0, MAKELPARAM(20, y));
            Send(WM_LBUTTONUP, 0, MAKELPARAM(20, y));
            std::vector<SCNotification> clicks = Notified(SCN_MARGINCLICK);
            ASSERT_EQ(clicks.size(), 1u);
            MAINWNDPROC(parent, WM_NOTIFY, 7, Pointer(&clicks[0]));
        } else {
            MAINWNDPROC(parent, WM_COMMAND, c.action == 't' ? ID_TOGGLE_SUB : ID_TOGGLE_SUBS_BELOW,
                        0);
        }
        EXPECT_EQ(shape(), c.shape)
            << c.action << " on line " << c.line << " of " << c.text.substr(0, 12);
    }
}

} // namespace
