// A screen reader's view of the example program from another process: UI
// Automation finds a Document named "Editor"; MSAA a text object whose value
// is the document, after edits too; WM_SETTEXT is one undoable step; the
// system caret follows the editor's caret; and the program ends cleanly with
// a client still attached.
#include <windows.h>
#include <oleacc.h>
#include <gtest/gtest.h>
#include "../child_process.h"
#include "kalmor.h"

template <typename T> T Uia(const char* name) {
    HMODULE core = LoadLibraryA("uiautomationcore.dll");
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(core, name)));
}

TEST(CrossProcess, AScreenReaderReadsTheEditor) {
    ChildProcess program("kalmor-example.exe");
    WaitForInputIdle(program.Handle(), 10000);
    HWND main = FindWindowA("ScintillaExampleClass", nullptr);
    HWND editor = FindWindowExA(main, nullptr, KALMOR_CLASS_NAME, nullptr);
    ASSERT_NE(editor, nullptr);
    CoInitialize(nullptr);

    void* node = nullptr;
    ASSERT_EQ(Uia<HRESULT(WINAPI*)(HWND, void**)>("UiaNodeFromHandle")(editor, &node), S_OK);
    auto property = Uia<HRESULT(WINAPI*)(void*, int, VARIANT*)>("UiaGetPropertyValue");
    VARIANT type{}, name{}, self{}, role{};
    EXPECT_TRUE(property(node, 30003, &type) == S_OK && type.lVal == 50030) << "Document";
    EXPECT_TRUE(property(node, 30005, &name) == S_OK && name.bstrVal == std::wstring(L"Editor"));
    VariantClear(&name);
    // The node is left to the process's end: Wine's UiaNodeRelease at times never returns.

    IAccessible* accessible = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(editor, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&accessible)),
              S_OK);
    self.vt = VT_I4;
    EXPECT_TRUE(accessible->get_accRole(self, &role) == S_OK && role.lVal == ROLE_SYSTEM_TEXT);
    LRESULT listing = SendMessageA(editor, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Print 1"));
    BSTR value = nullptr;
    EXPECT_TRUE(accessible->get_accValue(self, &value) == S_OK &&
                value == std::wstring(L"Print 1"));
    SysFreeString(value);
    EXPECT_EQ(SendMessageA(editor, WM_GETTEXTLENGTH, 0, 0), 7);

    SendMessageA(editor, SCI_SETSEL, 0, 2);
    GUITHREADINFO caret{};
    caret.cbSize = sizeof caret;
    EXPECT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(editor, nullptr), &caret));
    EXPECT_EQ(caret.hwndCaret, editor);
    EXPECT_EQ(caret.rcCaret.left, SendMessageA(editor, SCI_POINTXFROMPOSITION, 0, 2));

    SendMessageA(editor, SCI_UNDO, 0, 0);
    EXPECT_EQ(SendMessageA(editor, WM_GETTEXTLENGTH, 0, 0), listing) << "one undoable step";
    SendMessageA(main, WM_CLOSE, 0, 0);
    accessible->Release();
    DWORD status = 1;
    EXPECT_TRUE(program.Ended(10000) && GetExitCodeProcess(program.Handle(), &status) &&
                status == 0);
}
