// A screen reader's view from another process: UI Automation finds a
// Document named "Editor", and MSAA a text object whose value is the
// document, after edits too; the host closes cleanly with clients attached.
#include <windows.h>
#include "kalmor.h"
#include <oleacc.h>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr int kControlType = 30003, kName = 30005, kTextPattern = 10014, kDocument = 50030;

template <typename T> T Entry(const char* module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(module), name)));
}

// Wine's UI Automation client pattern calls end the calling thread, so they are made only
// elsewhere.
bool OnWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring Take(BSTR text) {
    std::wstring result = text ? text : L"";
    SysFreeString(text);
    return result;
}

class CrossProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        char command[] = "accessibility_host.exe";
        ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process));
        for (int tries = 0; tries < 200 && !editor; ++tries) {
            Sleep(50);
            host = FindWindowA("KalmorAccessibilityHost", nullptr);
            editor = host ? FindWindowExA(host, nullptr, KALMOR_CLASS_NAME, nullptr) : nullptr;
        }
        ASSERT_NE(editor, nullptr);
        CoInitialize(nullptr);
    }
    void TearDown() override {
        if (host)
            PostMessageA(host, WM_CLOSE, 0, 0);
        DWORD code = 1;
        WaitForSingleObject(process.hProcess, 10000);
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u) << "the host closes cleanly";
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        CoUninitialize();
    }
    std::string WindowText() {
        char text[256] = "";
        SendMessageA(editor, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        return text;
    }

    PROCESS_INFORMATION process{};
    HWND host = nullptr;
    HWND editor = nullptr;
};

TEST_F(CrossProcessTest, UiAutomationFindsANamedDocument) {
    auto nodeFromHandle =
        Entry<HRESULT(WINAPI*)(HWND, void**)>("uiautomationcore.dll", "UiaNodeFromHandle");
    auto property = Entry<HRESULT(WINAPI*)(void*, int, VARIANT*)>("uiautomationcore.dll",
                                                                  "UiaGetPropertyValue");
    auto release = Entry<BOOL(WINAPI*)(void*)>("uiautomationcore.dll", "UiaNodeRelease");
    ASSERT_TRUE(nodeFromHandle && property && release);
    void* node = nullptr;
    ASSERT_EQ(nodeFromHandle(editor, &node), S_OK);
    VARIANT value{};
    EXPECT_EQ(property(node, kControlType, &value), S_OK);
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal, kDocument);
    EXPECT_EQ(property(node, kName, &value), S_OK);
    ASSERT_EQ(value.vt, VT_BSTR);
    EXPECT_EQ(Take(value.bstrVal), L"Editor");
    if (!OnWine()) {
        // The text pattern through UI Automation's own client calls.
        const char* core = "uiautomationcore.dll";
        auto pattern = Entry<HRESULT(WINAPI*)(void*, int, void**)>(core, "UiaGetPatternProvider");
        auto document =
            Entry<HRESULT(WINAPI*)(void*, void**)>(core, "TextPattern_get_DocumentRange");
        auto getText = Entry<HRESULT(WINAPI*)(void*, int, BSTR*)>(core, "TextRange_GetText");
        void *textPattern = nullptr, *range = nullptr;
        BSTR text = nullptr;
        ASSERT_EQ(pattern(node, kTextPattern, &textPattern), S_OK);
        ASSERT_EQ(document(textPattern, &range), S_OK);
        EXPECT_EQ(getText(range, 5, &text), S_OK);
        EXPECT_EQ(Take(text), L"Print");
        Entry<BOOL(WINAPI*)(void*)>(core, "UiaTextRangeRelease")(range);
        Entry<BOOL(WINAPI*)(void*)>(core, "UiaPatternRelease")(textPattern);
    }
    release(node);
}

TEST_F(CrossProcessTest, MsaaReadsAndWritesTheTextAsAValue) {
    IAccessible* accessible = nullptr;
    IID iid{};
    IIDFromString(L"{618736e0-3c3d-11cf-810c-00aa00389b71}", &iid);
    ASSERT_EQ(AccessibleObjectFromWindow(editor, OBJID_CLIENT, iid,
                                         reinterpret_cast<void**>(&accessible)),
              S_OK);
    VARIANT self{}, role{};
    self.vt = VT_I4;
    EXPECT_EQ(accessible->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_TEXT);
    BSTR text = nullptr;
    EXPECT_EQ(accessible->get_accValue(self, &text), S_OK);
    EXPECT_EQ(Take(text), L"Print \"Hello\"\r\nEnd\r\n");

    SendMessageA(editor, WM_CHAR, 'Z', 0);
    EXPECT_EQ(accessible->get_accValue(self, &text), S_OK);
    EXPECT_EQ(Take(text), L"ZPrint \"Hello\"\r\nEnd\r\n");

    BSTR replacement = SysAllocString(L"Cls");
    EXPECT_EQ(accessible->put_accValue(self, replacement), S_OK);
    SysFreeString(replacement);
    EXPECT_EQ(WindowText(), "Cls");

    // Closed with the object still held: calls fail, nothing crashes.
    SendMessageA(host, WM_CLOSE, 0, 0);
    host = nullptr;
    EXPECT_NE(accessible->get_accValue(self, &text), S_OK);
    accessible->Release();
}

} // namespace
