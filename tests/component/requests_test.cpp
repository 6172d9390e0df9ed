// Requests through the direct function and as window messages.
#include "tests/component/editor_fixture.h"
#include "editor/demo_text.h"
#include "tests/child_process.h"

// The program's setup gives the listing the folds it relies on: subs and
// functions head folds that run to their End line, and the fold parent of a
// body line is its header. Both routes give the same answers and see each
// other's changes, and a second window keeps its own state.
TEST_F(EditorTest, BothRoutesAgreeOnTheDemoListingAndItsFolds) {
    ASSERT_EQ(Call(SCI_GETLINECOUNT), 21);
    EXPECT_EQ(direct, reinterpret_cast<UINT_PTR>(editor));
    const int parents[21] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 9,
                             9,  9,  -1, -1, 14, 14, -1, -1, 18, 18};
    for (int line = 0; line < 21; ++line) {
        bool header = line == 9 || line == 14 || line == 18;
        EXPECT_EQ((Call(SCI_GETFOLDLEVEL, line) & SC_FOLDLEVELHEADERFLAG) != 0, header) << line;
        EXPECT_EQ(Call(SCI_GETFOLDPARENT, line), parents[line]) << line;
    }
    for (int i = 0; i < 640; i += 3)
        for (UINT request : {SCI_GETLENGTH, SCI_GETDIRECTPOINTER, SCI_TEXTHEIGHT, SCI_GETFOLDLEVEL,
                             SCI_GETFOLDPARENT, SCI_GETFOLDEXPANDED, SCI_POSITIONFROMLINE,
                             SCI_GETSTYLEAT, SCI_POINTXFROMPOSITION, SCI_POINTYFROMPOSITION,
                             SCI_STYLEGETFORE, SCI_GETMARGINWIDTHN})
            EXPECT_EQ(Send(request, i, i), Call(request, i, i)) << request << " " << i;
    Send(SCI_TOGGLEFOLD, 9);
    EXPECT_EQ(Call(SCI_GETFOLDEXPANDED, 9), 0);

    HWND second = CreateWindowExA(0, KALMOR_CLASS_NAME, "", WS_CHILD, 0, 0, 200, 100, parent,
                                  nullptr, nullptr, nullptr);
    auto other = static_cast<UINT_PTR>(SendMessageA(second, SCI_GETDIRECTPOINTER, 0, 0));
    EXPECT_NE(other, direct);
    Direct()(other, SCI_SETTEXT, 0, reinterpret_cast<LPARAM>("one line"));
    EXPECT_EQ(Direct()(other, SCI_GETMARGINWIDTHN, 1, 0), 16);
    DestroyWindow(second);
    EXPECT_EQ(Direct()(other, SCI_GETLINECOUNT, 0, 0), 0);
    EXPECT_EQ(Text(), std::string(DEMO_LISTING));
    EXPECT_EQ(Send(SCI_GETMARGINWIDTHN, 1), 40);
}

// Every request number with nonsense arguments through both routes (text
// arguments get null pointers), and direct pointers that are not editor
// windows, answer quietly; the window carries on working.
TEST_F(EditorTest, BadRequestsNeitherCrashNorBreakTheWindow) {
    // An edit control keeps its own state's address where the editor keeps its.
    HWND edit =
        CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr);
    int local = 0;
    for (UINT_PTR stranger :
         {UINT_PTR{0}, reinterpret_cast<UINT_PTR>(parent), reinterpret_cast<UINT_PTR>(edit),
          reinterpret_cast<UINT_PTR>(&local), UINT_PTR{1}, ~UINT_PTR{0}})
        EXPECT_EQ(Direct()(stranger, SCI_GETLINECOUNT, 0, 0), 0) << stranger;
    for (UINT request = SCI_START; request < SCI_END; ++request) {
        bool text = request == SCI_INSERTTEXT || request == SCI_STYLESETFONT ||
                    request == SCI_SETPROPERTY || request == SCI_SETKEYWORDS ||
                    request == SCI_GETTEXT || request == SCI_SETTEXT || request == SCI_GETSELTEXT ||
                    request == SCI_REPLACESEL;
        for (LPARAM value :
             {LPARAM{-1}, LPARAM{-1000000}, LPARAM{0x7FFFFFFF}, LPARAM{INTPTR_MAX}, LPARAM{0}}) {
            WPARAM wParam = request == SCI_SETPROPERTY ? 0 : static_cast<WPARAM>(value);
            Call(request, wParam, text ? 0 : value);
            Send(request, wParam, text ? 0 : value);
        }
    }
    ConfigureAsProgram();
    Send(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>("Sub A\rEnd Sub"));
    EXPECT_EQ(Call(SCI_GETLINECOUNT), 2);
    Snapshot shot = Print(editor);
    EXPECT_GT(shot.Count(0xFF0000, 40, 0, shot.width, static_cast<int>(Call(SCI_TEXTHEIGHT))), 0);
}

// The editor window of another process is no direct pointer here, though its
// window answers requests sent as messages.
TEST(DirectPointer, AnotherProcessesEditorAnswersNothing) {
    ASSERT_NE(Direct(), nullptr);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program = path;
    program = program.substr(0, program.find_last_of('\\')) + "\\..\\..\\kalmor-example.exe";
    ChildProcess child(program);
    ASSERT_TRUE(child.Started());
    HWND main = nullptr;
    HWND editor = nullptr;
    for (int tries = 0; tries < 2000 && !editor; ++tries, Sleep(10)) {
        main = FindWindowA("ScintillaExampleClass", nullptr);
        editor = main ? FindWindowExA(main, nullptr, KALMOR_CLASS_NAME, nullptr) : nullptr;
    }
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(SendMessageA(editor, SCI_GETLINECOUNT, 0, 0), 21);
    EXPECT_EQ(Direct()(reinterpret_cast<UINT_PTR>(editor), SCI_GETLINECOUNT, 0, 0), 0);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(child.Ended(20000));
}
