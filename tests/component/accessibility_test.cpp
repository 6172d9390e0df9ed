// The editor's accessibility objects in-process, beside a stand-in for
// uiautomationcore that hands back the provider itself: every method called
// through its documented interface ID and slot number, the events, the
// window-text messages, and what a provider held past the window answers.
#include <oleacc.h>
#include "editor_fixture.h"

namespace {

constexpr LPARAM kUiaRoot = -25;
constexpr HRESULT kNotAvailable = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kInvalidOperation = static_cast<HRESULT>(0x80131509);
enum { Character = 0, Word = 2, Line = 3, Start = 0, End = 1 };

// The interface IDs as Microsoft documents them, kept apart from the component's header.
IID Iid(const wchar_t* text) {
    IID iid{};
    IIDFromString(text, &iid);
    return iid;
}
const IID kTextProvider2 = Iid(L"{0dc5e6ed-3e16-4bf1-8f9a-a979878bc195}");
const IID kTextProvider = Iid(L"{3589c92c-63f3-4367-99bb-ada653b77cf2}");
const IID kTextRange = Iid(L"{5347ad7b-c355-46f8-aff5-909033582f63}");
const IID kValueProvider = Iid(L"{c7935180-6fb3-4201-b174-7df73adbf64a}");
// The MinGW import library's IID_IAccessible is not the GUID itself.
const IID kAccessible = Iid(L"{618736e0-3c3d-11cf-810c-00aa00389b71}");

// Calls the method in a COM object's vtable slot.
template <typename... Args> HRESULT Slot(IUnknown* object, int slot, Args... args) {
    using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Args...);
    return reinterpret_cast<Method>((*reinterpret_cast<void***>(object))[slot])(object, args...);
}

IUnknown* Query(IUnknown* object, const IID& iid) {
    void* out = nullptr;
    return object && SUCCEEDED(object->QueryInterface(iid, &out)) ? static_cast<IUnknown*>(out)
                                                                  : nullptr;
}

std::wstring Take(BSTR text) {
    std::wstring result = text ? text : L"";
    SysFreeString(text);
    return result;
}

struct UiaPointValue {
    double x, y;
};

template <typename T> T DoubleEntry(const char* name) {
    return reinterpret_cast<T>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("uiautomationcore.dll"), name)));
}
int Events(int id) {
    return DoubleEntry<int(WINAPI*)(int)>("DoubleEventCount")(id);
}

// A range and the text read from it on a thread of its own.
struct RangeText {
    IUnknown* range;
    std::wstring text;
};
DWORD WINAPI ReadRangeText(void* work) {
    auto* w = static_cast<RangeText*>(work);
    BSTR text = nullptr;
    Slot(w->range, 12, -1, &text);
    w->text = Take(text);
    return 0;
}

class AccessibilityTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        std::string text = "Sub Main\r\n  Print \"Hi\"\r\nEnd Sub\r\n";
        for (int i = 0; i < 60; ++i)
            text += "x = 1\r\n";
        Call(SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        root = reinterpret_cast<IUnknown*>(Send(WM_GETOBJECT, 0, kUiaRoot));
        ASSERT_NE(root, nullptr);
        text2 = Query(root, kTextProvider2);
        ASSERT_NE(text2, nullptr);
    }
    void TearDown() override {
        for (IUnknown* object : {text2, root})
            object->Release();
        EditorTest::TearDown();
    }
    // A range from the document range's start, its end moved by count units.
    IUnknown* Range(int unit = Character, int count = 0) {
        IUnknown* range = nullptr;
        EXPECT_EQ(Slot(text2, 7, &range), S_OK); // get_DocumentRange
        int moved = 0;
        Slot(range, 14, End, unit, -1000000, &moved); // MoveEndpointByUnit
        Slot(range, 14, End, unit, count, &moved);
        return range;
    }
    std::wstring TextOf(IUnknown* range) {
        BSTR text = nullptr;
        EXPECT_EQ(Slot(range, 12, -1, &text), S_OK); // GetText
        return Take(text);
    }
    LONG Count(SAFEARRAY* array) {
        LONG upper = -1;
        SafeArrayGetUBound(array, 1, &upper);
        SafeArrayDestroy(array);
        return upper + 1;
    }

    IUnknown* root = nullptr;
    IUnknown* text2 = nullptr;
};

// Each method is called by its slot number, in the documented vtable order.
TEST_F(AccessibilityTest, EveryMethodAnswersThroughItsDocumentedSlot) {
    IUnknown* value = Query(root, kValueProvider);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(Query(root, kTextProvider), text2) << "ITextProvider2 extends ITextProvider";
    text2->Release();
    IUnknown* word = Range(Word, 1);
    IUnknown* foreign = Query(value, IID_IUnknown);
    IUnknown* range = nullptr;
    SAFEARRAY* array = nullptr;
    VARIANT v{};
    BSTR text = nullptr;
    int n = 0;
    BOOL flag = FALSE;

    // IRawElementProviderSimple
    EXPECT_EQ(Slot(root, 3, &n), S_OK); // get_ProviderOptions
    EXPECT_EQ(n, 2);
    EXPECT_EQ(Slot(root, 4, 10014, &range), S_OK); // GetPatternProvider
    EXPECT_EQ(Query(range, kTextProvider2), text2);
    text2->Release(), range->Release();
    EXPECT_EQ(Slot(root, 4, 10000, &range), S_OK);
    EXPECT_EQ(range, nullptr);
    EXPECT_EQ(Slot(root, 5, 30003, &v), S_OK); // GetPropertyValue
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 50030);
    EXPECT_EQ(Slot(root, 5, 30005, &v), S_OK);
    EXPECT_EQ(Take(v.bstrVal), L"Editor");
    EXPECT_EQ(Slot(root, 5, 30011, &v), S_OK);
    EXPECT_EQ(Take(v.bstrVal), L"KalmorEditor");
    EXPECT_EQ(Slot(root, 6, &range), S_OK); // get_HostRawElementProvider

    // ITextProvider, then ITextProvider2
    EXPECT_EQ(Slot(text2, 3, &array), S_OK); // GetSelection
    EXPECT_EQ(Count(array), 1);
    EXPECT_EQ(Slot(text2, 4, &array), S_OK); // GetVisibleRanges
    EXPECT_EQ(Count(array), 1);
    EXPECT_EQ(Slot(text2, 5, root, &range), E_INVALIDARG); // RangeFromChild
    POINT p{static_cast<LONG>(Call(SCI_POINTXFROMPOSITION, 0, 4)) + 1, 2};
    ClientToScreen(editor, &p);
    EXPECT_EQ(Slot(text2, 6, UiaPointValue{double(p.x), double(p.y)}, &range), S_OK);
    Slot(range, 14, End, Word, 1, &n);
    EXPECT_EQ(TextOf(range), L"Main") << "RangeFromPoint";
    range->Release();
    range = Range(Line, 1); // get_DocumentRange
    EXPECT_EQ(TextOf(range), L"Sub Main\r\n");
    range->Release();
    EXPECT_EQ(Slot(text2, 8, &n), S_OK); // get_SupportedTextSelection
    EXPECT_EQ(n, 1);
    EXPECT_EQ(Slot(text2, 9, root, &range), E_INVALIDARG); // RangeFromAnnotation
    flag = TRUE;
    EXPECT_EQ(Slot(text2, 10, &flag, &range), S_OK); // GetCaretRange
    n = 1;
    EXPECT_EQ(Slot(range, 5, Start, range, End, &n), S_OK);
    EXPECT_EQ(n, 0);
    range->Release();

    // IValueProvider
    EXPECT_EQ(Slot(value, 3, L"abc"), S_OK); // SetValue
    EXPECT_EQ(Text(), "abc");
    Call(SCI_UNDO);
    EXPECT_EQ(Text().substr(0, 8), "Sub Main") << "one undoable step";
    EXPECT_EQ(Slot(value, 4, &text), S_OK); // get_Value
    EXPECT_EQ(Take(text).size(), Text().size());
    flag = TRUE;
    EXPECT_EQ(Slot(value, 5, &flag), S_OK); // get_IsReadOnly
    EXPECT_FALSE(flag);

    // ITextRangeProvider
    EXPECT_EQ(Slot(word, 3, &range), S_OK);       // Clone
    EXPECT_EQ(Slot(word, 4, range, &flag), S_OK); // Compare
    EXPECT_TRUE(flag);
    range->Release();
    EXPECT_EQ(Slot(word, 5, Start, word, End, &n), S_OK); // CompareEndpoints
    EXPECT_LT(n, 0);
    range = Range();
    EXPECT_EQ(Slot(range, 6, Line), S_OK); // ExpandToEnclosingUnit
    EXPECT_EQ(TextOf(range), L"Sub Main\r\n");
    range->Release();
    Call(SCI_TOGGLEFOLD, 0);
    IUnknown* all = Range(Line, 1000);
    v.vt = VT_BOOL, v.boolVal = VARIANT_TRUE;
    EXPECT_EQ(Slot(all, 7, 40013, v, FALSE, &range), S_OK); // FindAttribute: hidden text
    EXPECT_EQ(TextOf(range), L"  Print \"Hi\"\r\nEnd Sub\r\n");
    range->Release();
    Call(SCI_TOGGLEFOLD, 0);
    BSTR needle = SysAllocString(L"print");
    EXPECT_EQ(Slot(all, 8, needle, FALSE, TRUE, &range), S_OK); // FindText
    EXPECT_EQ(TextOf(range), L"Print");
    range->Release();
    EXPECT_EQ(Slot(all, 8, needle, FALSE, FALSE, &range), S_OK);
    EXPECT_EQ(range, nullptr) << "case matters";
    SysFreeString(needle);
    needle = SysAllocString(L"x = 1");
    EXPECT_EQ(Slot(all, 8, needle, TRUE, FALSE, &range), S_OK);
    Slot(range, 5, End, all, End, &n);
    EXPECT_EQ(n, -2) << "the last one, backward";
    SysFreeString(needle), range->Release();
    auto sentinel = DoubleEntry<IUnknown*(WINAPI*)(BOOL)>("DoubleSentinel");
    EXPECT_EQ(Slot(word, 9, 40005, &v), S_OK); // GetAttributeValue
    EXPECT_EQ(Take(v.bstrVal), L"Courier New");
    EXPECT_EQ(Slot(all, 9, 40008, &v), S_OK);
    EXPECT_EQ(v.punkVal, sentinel(TRUE));
    EXPECT_EQ(Slot(all, 9, 40000, &v), S_OK);
    EXPECT_EQ(v.punkVal, sentinel(FALSE));
    EXPECT_EQ(Slot(word, 10, &array), S_OK); // GetBoundingRectangles
    EXPECT_EQ(Count(array), 4) << "one rectangle";
    EXPECT_EQ(Slot(word, 11, &range), S_OK); // GetEnclosingElement
    EXPECT_EQ(range, root);
    range->Release();
    EXPECT_EQ(Slot(word, 12, 3, &text), S_OK); // GetText
    EXPECT_EQ(Take(text), L"Sub");
    EXPECT_EQ(Slot(word, 13, Word, 1, &n), S_OK); // Move
    EXPECT_EQ(n, 1);
    EXPECT_EQ(TextOf(word), L"Main");
    EXPECT_EQ(Slot(word, 14, Start, Character, 2, &n), S_OK); // MoveEndpointByUnit
    EXPECT_EQ(TextOf(word), L"in");
    range = Range(Line, 1);
    EXPECT_EQ(Slot(word, 15, Start, range, Start), S_OK); // MoveEndpointByRange
    EXPECT_EQ(TextOf(word), L"Sub Main");
    range->Release();
    EXPECT_EQ(Slot(word, 16), S_OK); // Select
    EXPECT_EQ(Call(SCI_GETSELECTIONSTART), 0);
    EXPECT_EQ(Call(SCI_GETSELECTIONEND), 8);
    EXPECT_EQ(Slot(word, 17), kInvalidOperation); // AddToSelection
    EXPECT_EQ(Slot(word, 18), kInvalidOperation); // RemoveFromSelection
    EXPECT_EQ(Slot(all, 19, FALSE), S_OK);        // ScrollIntoView
    EXPECT_GT(Call(SCI_GETFIRSTVISIBLELINE), 30);
    EXPECT_EQ(Slot(word, 20, &array), S_OK); // GetChildren
    EXPECT_EQ(Count(array), 0);

    // Nothing a client passes crashes the editor.
    EXPECT_EQ(Slot(word, 13, Word, 1, static_cast<int*>(nullptr)), E_INVALIDARG);
    EXPECT_EQ(Slot(word, 13, 99, 1, &n), E_INVALIDARG);
    EXPECT_EQ(Slot(word, 4, foreign, &flag), E_INVALIDARG);
    EXPECT_EQ(Slot(word, 4, static_cast<IUnknown*>(nullptr), &flag), E_INVALIDARG);
    EXPECT_EQ(Slot(word, 12, -2, static_cast<BSTR*>(nullptr)), E_INVALIDARG);
    EXPECT_EQ(Slot(value, 3, static_cast<LPCWSTR>(nullptr)), E_INVALIDARG);
    EXPECT_EQ(Slot(word, 14, End, Character, INT_MIN, &n), S_OK);
    for (IUnknown* object : {word, value, foreign, all})
        object->Release();
}

// Edits and caret moves raise their events; so does gaining the focus.
TEST_F(AccessibilityTest, EditsCaretMovesAndFocusRaiseEvents) {
    const int textChanged = 20015, selectionChanged = 20014, focus = 20005;
    int texts = Events(textChanged), selections = Events(selectionChanged), focuses = Events(focus);
    Send(WM_CHAR, 'x');
    EXPECT_EQ(Events(textChanged), texts + 1);
    Key(VK_RIGHT);
    EXPECT_EQ(Events(selectionChanged), selections + 2);
    EXPECT_EQ(Events(textChanged), texts + 1);
    SetFocus(parent);
    SetFocus(editor);
    EXPECT_EQ(Events(focus), focuses + 1);
}

// A provider, range or MSAA object held past the window answers "not
// available", also when called from another thread, and nothing crashes.
TEST_F(AccessibilityTest, ObjectsOutlivingTheWindowAreNotAvailable) {
    IUnknown* range = Range(Word, 1);
    IAccessible* accessible = nullptr;
    ObjectFromLresult(Send(WM_GETOBJECT, 0, OBJID_CLIENT), kAccessible, 0,
                      reinterpret_cast<void**>(&accessible));
    ASSERT_NE(accessible, nullptr);
    // From another thread while the window's thread pumps messages.
    RangeText work{range, L""};
    HANDLE thread = CreateThread(nullptr, 0, ReadRangeText, &work, 0, nullptr);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        PumpMessages();
    CloseHandle(thread);
    EXPECT_EQ(work.text, L"Sub ");

    int disconnects = DoubleEntry<int(WINAPI*)()>("DoubleDisconnects")();
    DestroyWindow(editor);
    EXPECT_EQ(DoubleEntry<int(WINAPI*)()>("DoubleDisconnects")(), disconnects + 1);
    BSTR text = nullptr;
    VARIANT v{}, self{};
    self.vt = VT_I4;
    int moved = 0;
    EXPECT_EQ(Slot(range, 12, -1, &text), kNotAvailable);
    EXPECT_EQ(Slot(range, 13, Word, 1, &moved), kNotAvailable);
    EXPECT_EQ(Slot(root, 5, 30005, &v), kNotAvailable);
    IUnknown* another = nullptr;
    EXPECT_EQ(Slot(text2, 7, &another), kNotAvailable);
    EXPECT_EQ(accessible->get_accValue(self, &text), kNotAvailable);
    range->Release();
    accessible->Release();
}

// The window text is the document, as in an edit control.
TEST_F(AccessibilityTest, WindowTextMessagesAnswerAsAnEditControl) {
    Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Print 1"));
    EXPECT_EQ(Send(WM_GETTEXTLENGTH), 7);
    struct {
        WPARAM size;
        const char* copied;
    } cases[] = {{0, ""}, {1, ""}, {4, "Pri"}, {8, "Print 1"}, {100, "Print 1"}};
    for (const auto& c : cases) {
        char buffer[100];
        memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(Send(WM_GETTEXT, c.size, reinterpret_cast<LPARAM>(buffer)),
                  LRESULT(strlen(c.copied)));
        if (c.size > 0) {
            EXPECT_STREQ(buffer, c.copied) << c.size;
        }
        if (c.size < sizeof buffer) {
            EXPECT_EQ(buffer[c.size], '#') << "nothing written past the buffer";
        }
    }
    Call(SCI_UNDO);
    EXPECT_EQ(Text().substr(0, 8), "Sub Main") << "WM_SETTEXT is one undoable step";
}

} // namespace
