// The main window in this process, with the test double as the component:
// the editor's setup on creation, the menu bar, the window class, and what
// menu commands and editor notifications send to the editor.
#include "editor/demo_text.h"
#include "editor/notification.h"
#include "editor/setup.h"
#include "shell/shell.h"
#include "tests/testdouble/fake_client.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class MainWindow : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        LOADCOMPONENT();
        ASSERT_NE(componentHandle, nullptr);
        instanceHandle = GetModuleHandleA(nullptr);
        REGISTERMAINCLASS();
    }

    void SetUp() override {
        FakeScriptLines(DemoLevels(), DemoParents());
        BUILDTEXTS();
        window = CREATEMAINWINDOW(BUILDMENUBAR());
        ASSERT_NE(window, nullptr);
    }

    void TearDown() override {
        DestroyWindow(window);
        MSG quit; // DestroyWindow posted a quit message: take it out again.
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }

    // Clears the log, runs a message through the window, and answers the
    // requests it made.
    std::vector<Request> RequestsFor(UINT message, WPARAM wParam, LPARAM lParam) {
        FakeScriptLines(DemoLevels(), DemoParents());
        FakeCaret(115); // line 11, in the body of the sub headed by line 9
        EXPECT_EQ(SendMessageA(window, message, wParam, lParam), 0);
        return FakeRequests();
    }

    std::vector<Request> MarginClick(UINT code, int margin, INT_PTR position) {
        SCNotification notification = {};
        notification.hwndFrom = editorWindow;
        notification.code = code;
        notification.margin = margin;
        notification.position = position;
        return RequestsFor(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notification));
    }

    HWND window = nullptr;
};

TEST_F(MainWindow, CreationConfiguresTheEditorInOrder) {
    struct Step {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        const char* wText;
        const char* lText;
    };
    const Step steps[] = {
        {SCI_STYLESETFONT, 32, 0, "", "Courier New"},
        {SCI_STYLESETSIZE, 32, 9, "", ""},
        {SCI_STYLESETBOLD, 32, 0, "", ""},
        {SCI_STYLESETITALIC, 32, 0, "", ""},
        {SCI_STYLECLEARALL, 0, 0, "", ""},
        {SCI_STYLESETFONT, 33, 0, "", "Arial"},
        {SCI_SETPROPERTY, 0, 0, "fold", "1"},
        {SCI_SETMARGINTYPEN, 1, 1, "", ""},
        {SCI_SETMARGINMASKN, 1, 0, "", ""},
        {SCI_SETMARGINSENSITIVEN, 1, 1, "", ""},
        {SCI_SETMARGINWIDTHN, 1, 40, "", ""},
        {SCI_SETLEXER, 51, 0, "", ""},
        {SCI_SETKEYWORDS, 0, 0, "",
         "asm end sub function ucase$ byval byref as long dword byte include declare #include"},
        {SCI_STYLESETFORE, 0, 0x000000, "", ""},
        {SCI_STYLESETFORE, 1, 0x808080, "", ""},
        {SCI_STYLESETFORE, 2, 0x000080, "", ""},
        {SCI_STYLESETFORE, 13, 0x800080, "", ""},
        {SCI_STYLESETFORE, 3, 0xFF0000, "", ""},
        {SCI_STYLESETFORE, 4, 0x008000, "", ""},
        {SCI_STYLESETFORE, 6, 0x000000, "", ""},
        {SCI_STYLESETFORE, 14, 0x004080, "", ""},
        {SCI_STYLESETFORE, 7, 0x000000, "", ""},
        {SCI_INSERTTEXT, 0, 0, "", DEMO_LISTING},
    };
    // The window was created in SetUp, after the log was cleared.
    std::vector<FakeRequest> log = FakeLog();
    ASSERT_EQ(log.size(), std::size(steps));
    for (size_t i = 0; i < log.size(); i++) {
        const Step& step = steps[i];
        SCOPED_TRACE("step " + std::to_string(i + 1));
        EXPECT_EQ(log[i].pointer, FAKE_DIRECT_POINTER);
        EXPECT_EQ(log[i].message, step.message);
        EXPECT_STREQ(log[i].wText, step.wText);
        EXPECT_STREQ(log[i].lText, step.lText);
        if (!*step.wText) {
            EXPECT_EQ(log[i].wParam, step.wParam);
        }
        if (!*step.lText) {
            EXPECT_EQ(log[i].lParam, step.lParam);
        }
    }
    EXPECT_EQ(strlen(log.back().lText), 630u);
    EXPECT_TRUE(demoListing.empty());
    EXPECT_TRUE(keywordList.empty());
}

TEST_F(MainWindow, EditorIsATenPixelChildThatFollowsTheClientSize) {
    ASSERT_NE(editorWindow, nullptr);
    EXPECT_EQ(GetParent(editorWindow), window);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(editorWindow, GWL_STYLE)) & 0xFFFF0000u,
              0x50010000u);
    RECT rect;
    GetWindowRect(editorWindow, &rect);
    EXPECT_EQ(rect.right - rect.left, 10);
    EXPECT_EQ(rect.bottom - rect.top, 10);

    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    GetWindowRect(editorWindow, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(rect.right - rect.left, 300);
    EXPECT_EQ(rect.bottom - rect.top, 200);
}

TEST_F(MainWindow, ClassAndTitle) {
    char text[64];
    GetClassNameA(window, text, sizeof text);
    EXPECT_STREQ(text, "ScintillaExampleClass");
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "Kalmor.dll editor example");
    EXPECT_EQ(GetClassLongPtrA(window, GCL_STYLE), CS_HREDRAW | CS_VREDRAW);
    EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON)),
              LoadIconA(nullptr, IDI_QUESTION));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(GetClassLongPtrA(window, GCLP_HBRBACKGROUND)),
              GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)) & WS_OVERLAPPEDWINDOW,
              static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
}

TEST_F(MainWindow, MenuBarHasFourCommandItems) {
    struct Item {
        UINT id;
        const char* text;
        UINT type;
    };
    const Item items[] = {{101, "E&xit", MFT_STRING},
                          {102, "&Toggle current sub", MFT_STRING},
                          {103, "Toggle all subs &below", MFT_STRING},
                          {909, "&About...", MFT_STRING | MFT_RIGHTJUSTIFY}};
    HMENU menu = GetMenu(window);
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    for (int i = 0; i < 4; i++) {
        char text[64] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        ASSERT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info));
        EXPECT_EQ(info.wID, items[i].id);
        EXPECT_STREQ(text, items[i].text);
        EXPECT_EQ(info.fType, items[i].type);
        EXPECT_EQ(info.hSubMenu, nullptr);
    }
}

TEST_F(MainWindow, ToggleCurrentSubTogglesTheCaretsSub) {
    std::vector<Request> expected = {{SCI_GETCURRENTPOS, 0, 0}, {SCI_LINEFROMPOSITION, 115, 0},
                                     {SCI_GETFOLDLEVEL, 11, 0}, {SCI_GETFOLDPARENT, 11, 0},
                                     {SCI_TOGGLEFOLD, 9, 0},    {SCI_GOTOLINE, 9, 0}};
    EXPECT_EQ(RequestsFor(WM_COMMAND, 102, 0), expected);
    // Only the low 16 bits of wParam name the command.
    EXPECT_EQ(RequestsFor(WM_COMMAND, MAKEWPARAM(102, 1), 0), expected);
}

TEST_F(MainWindow, ToggleAllSubsBelowSweepsFromTheCaretsLine) {
    RequestsFor(WM_COMMAND, 103, 0);
    std::vector<Request> start = {{SCI_GETCURRENTPOS, 0, 0}, {SCI_LINEFROMPOSITION, 115, 0},
                                  {SCI_GETFOLDLEVEL, 11, 0}, {SCI_GETFOLDPARENT, 11, 0},
                                  {SCI_TOGGLEFOLD, 9, 0},    {SCI_GOTOLINE, 9, 0}};
    EXPECT_EQ(FirstRequests(start.size()), start);
    EXPECT_EQ(FakeRequests().back(), (Request{SCI_GETFOLDLEVEL, 20, 0}));
}

TEST_F(MainWindow, MarginOneClickTogglesTheClickedSub) {
    std::vector<Request> onHeader = {{SCI_LINEFROMPOSITION, 145, 0},
                                     {SCI_GETFOLDLEVEL, 14, 0},
                                     {SCI_TOGGLEFOLD, 14, 0},
                                     {SCI_GOTOLINE, 14, 0}};
    EXPECT_EQ(MarginClick(SCN_MARGINCLICK, 1, 145), onHeader);
    std::vector<Request> inBody = {{SCI_LINEFROMPOSITION, 190, 0},
                                   {SCI_GETFOLDLEVEL, 19, 0},
                                   {SCI_GETFOLDPARENT, 19, 0},
                                   {SCI_TOGGLEFOLD, 18, 0},
                                   {SCI_GOTOLINE, 18, 0}};
    EXPECT_EQ(MarginClick(SCN_MARGINCLICK, 1, 190), inBody);
}

TEST_F(MainWindow, OtherMarginsNotificationsAndCommandsSendNothing) {
    EXPECT_TRUE(MarginClick(SCN_MARGINCLICK, 0, 145).empty());
    EXPECT_TRUE(MarginClick(SCN_MARGINCLICK, 2, 145).empty());
    EXPECT_TRUE(MarginClick(2001, 1, 145).empty());
    EXPECT_TRUE(RequestsFor(WM_COMMAND, 555, 0).empty());
}

TEST_F(MainWindow, ExitPostsQuitWithoutDestroyingTheWindow) {
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, 101, 0), 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
    EXPECT_TRUE(IsWindow(window));
}

// Reads the text of the first message box with the given title, then closes it.
DWORD WINAPI ReadAndCloseBox(LPVOID result) {
    for (int tries = 0; tries < 500; tries++) {
        HWND box = FindWindowA("#32770", "About...");
        if (box) {
            char text[256] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            *static_cast<std::string*>(result) = text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}

TEST_F(MainWindow, AboutShowsAnOwnedBox) {
    std::string text;
    HANDLE reader = CreateThread(nullptr, 0, ReadAndCloseBox, &text, 0, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, 909, 0), 0);
    WaitForSingleObject(reader, INFINITE);
    CloseHandle(reader);
    EXPECT_EQ(text.rfind("Example for Kalmor.dll by ", 0), 0u) << text;
    EXPECT_NE(text.find('('), std::string::npos);
    EXPECT_EQ(text.back(), ')');
}

} // namespace
