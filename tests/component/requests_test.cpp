// Requests through the direct function and as window messages.
#include "tests/component/editor_fixture.h"
#include "editor/demo_text.h"
#include "editor/requests.h"

TEST_F(EditorTest, DirectFunctionAndWindowMessagesAgree) {
    ConfigureAsProgram();
    EXPECT_EQ(Send(SCI_GETDIRECTPOINTER), Call(SCI_GETDIRECTPOINTER));
    EXPECT_EQ(Call(SCI_GETLENGTH), 630);
    EXPECT_EQ(Send(SCI_GETLENGTH), 630);
    EXPECT_EQ(Send(SCI_GETLINECOUNT), Call(SCI_GETLINECOUNT));
    for (int line = 0; line < 21; ++line) {
        EXPECT_EQ(Send(SCI_GETFOLDLEVEL, line), Call(SCI_GETFOLDLEVEL, line)) << line;
        EXPECT_EQ(Send(SCI_GETFOLDPARENT, line), Call(SCI_GETFOLDPARENT, line)) << line;
        EXPECT_EQ(Send(SCI_POSITIONFROMLINE, line), Call(SCI_POSITIONFROMLINE, line)) << line;
        EXPECT_EQ(Send(SCI_POINTYFROMPOSITION, 0, LineStart(line)),
                  Call(SCI_POINTYFROMPOSITION, 0, LineStart(line)))
            << line;
    }
    for (int pos = 0; pos < 630; pos += 7)
        EXPECT_EQ(Send(SCI_GETSTYLEAT, pos), Call(SCI_GETSTYLEAT, pos)) << pos;
    EXPECT_EQ(Send(SCI_STYLEGETFORE, 3), 0xFF0000);
    EXPECT_EQ(Send(SCI_GETMARGINWIDTHN, 1), 40);
    EXPECT_EQ(Send(SCI_TEXTHEIGHT), Call(SCI_TEXTHEIGHT));

    // A change made through one route is seen through the other.
    Send(SCI_TOGGLEFOLD, 9);
    EXPECT_EQ(Call(SCI_GETFOLDEXPANDED, 9), 0);
    Call(SCI_TOGGLEFOLD, 9);
    EXPECT_EQ(Send(SCI_GETFOLDEXPANDED, 9), 1);
    Send(SCI_GOTOLINE, 15);
    EXPECT_EQ(Call(SCI_GETCURRENTPOS), LineStart(15));
    EXPECT_EQ(Text(), std::string(DEMO_LISTING));
}

// The program relies on these: subs and functions head folds that run to
// their End line, and the fold parent of a body line is its header.
TEST_F(EditorTest, DemoListingFoldsAsTheProgramExpects) {
    ConfigureAsProgram();
    ASSERT_EQ(Call(SCI_GETLINECOUNT), 21);
    const int headers[] = {9, 14, 18};
    for (int line = 0; line < 21; ++line) {
        bool header = line == 9 || line == 14 || line == 18;
        EXPECT_EQ((Call(SCI_GETFOLDLEVEL, line) & SC_FOLDLEVELHEADERFLAG) != 0, header) << line;
    }
    for (int header : headers) {
        EXPECT_EQ(Call(SCI_GETFOLDPARENT, header), -1);
        EXPECT_EQ(Call(SCI_GETFOLDEXPANDED, header), 1);
    }
    for (int line : {10, 11, 12})
        EXPECT_EQ(Call(SCI_GETFOLDPARENT, line), 9) << line;
    for (int line : {15, 16})
        EXPECT_EQ(Call(SCI_GETFOLDPARENT, line), 14) << line;
    for (int line : {19, 20})
        EXPECT_EQ(Call(SCI_GETFOLDPARENT, line), 18) << line;
    for (int line : {0, 7, 8, 13, 17})
        EXPECT_EQ(Call(SCI_GETFOLDPARENT, line), -1) << line;
    EXPECT_EQ(Call(SCI_GETSTYLEAT, LineStart(9)), 3); // "Sub"
    EXPECT_EQ(Call(SCI_GETSTYLEAT, LineStart(0)), 1); // the opening comment
}

// Nonsense arguments and unknown numbers answer quietly through both routes,
// and the window carries on working.
TEST_F(EditorTest, BadRequestsNeitherCrashNorBreakTheWindow) {
    ConfigureAsProgram();
    EXPECT_EQ(Direct()(0, SCI_GETLENGTH, 0, 0), 0);
    EXPECT_EQ(Direct()(0, SCI_GETDIRECTPOINTER, 0, 0), 0);
    const LPARAM odd[] = {-1, -1000000, 0x7FFFFFFF, 1 << 30, 0};
    const UINT requests[] = {SCI_INSERTTEXT,
                             SCI_GOTOLINE,
                             SCI_STYLESETFONT,
                             SCI_STYLESETFORE,
                             SCI_STYLESETSIZE,
                             SCI_LINEFROMPOSITION,
                             SCI_GETFOLDLEVEL,
                             SCI_GETFOLDPARENT,
                             SCI_TOGGLEFOLD,
                             SCI_SETMARGINWIDTHN,
                             SCI_SETMARGINTYPEN,
                             SCI_SETPROPERTY,
                             SCI_SETKEYWORDS,
                             SCI_GETTEXT,
                             SCI_SETTEXT,
                             SCI_POINTXFROMPOSITION,
                             SCI_GETCHARAT,
                             2999,
                             4999};
    for (UINT request : requests) {
        for (LPARAM value : odd) {
            bool pointer = request == SCI_INSERTTEXT || request == SCI_STYLESETFONT ||
                           request == SCI_SETPROPERTY || request == SCI_SETKEYWORDS ||
                           request == SCI_GETTEXT || request == SCI_SETTEXT;
            WPARAM wParam = pointer && request == SCI_SETPROPERTY ? 0 : static_cast<WPARAM>(value);
            LPARAM lParam = pointer ? 0 : value;
            Call(request, wParam, lParam);
            Send(request, wParam, lParam);
        }
    }
    Send(SCI_SETMARGINWIDTHN, 1, 40);
    Send(SCI_SETMARGINWIDTHN, 0, 0);
    Send(SCI_STYLESETSIZE, STYLE_DEFAULT, 9);
    Send(SCI_SETKEYWORDS, 0, reinterpret_cast<LPARAM>(KEYWORD_LIST));
    Send(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>("Sub A\rEnd Sub"));
    EXPECT_EQ(Call(SCI_GETLINECOUNT), 2);
    Snapshot shot = Print(editor);
    EXPECT_TRUE(shot.Has(0xFF0000, 40, 0, shot.width, Call(SCI_TEXTHEIGHT)));
}

TEST_F(EditorTest, SeveralWindowsKeepTheirOwnState) {
    ConfigureAsProgram();
    HWND second = CreateWindowExA(0, "ZoradezazOr", "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100,
                                  parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(second, nullptr);
    auto other = static_cast<UINT_PTR>(SendMessageA(second, SCI_GETDIRECTPOINTER, 0, 0));
    ASSERT_NE(other, 0u);
    EXPECT_NE(other, direct);
    Direct()(other, SCI_SETTEXT, 0, reinterpret_cast<LPARAM>("one line"));
    EXPECT_EQ(Direct()(other, SCI_GETLENGTH, 0, 0), 8);
    EXPECT_EQ(Direct()(other, SCI_GETMARGINWIDTHN, 1, 0), 16);
    EXPECT_EQ(Call(SCI_GETLENGTH), 630);
    EXPECT_EQ(Call(SCI_GETMARGINWIDTHN, 1), 40);
    DestroyWindow(second);
    EXPECT_EQ(Call(SCI_GETLINECOUNT), 21);
    Call(SCI_TOGGLEFOLD, 14);
    EXPECT_EQ(Call(SCI_GETFOLDEXPANDED, 14), 0);
}
