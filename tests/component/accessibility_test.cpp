// The editor's accessibility objects in-process, beside a stand-in for
// uiautomationcore that hands back the provider itself: every method called
// through its documented interface ID and slot number, the events, the
// window-text messages, and what a provider held past the window answers.
#include <oleacc.h>
#include <functional>
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

TEST_F(AccessibilityTest, EveryMethodAnswersThroughItsDocumentedSlot) {
    IUnknown* value = Query(root, kValueProvider);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(Query(root, kTextProvider), text2) << "ITextProvider2 extends ITextProvider";
    text2->Release();
    IUnknown* word = Range(Word, 1);
    IUnknown* foreign = Query(value, IID_IUnknown);
    struct Row {
        const char* method;
        std::function<void()> check;
    } rows[] = {
        {"get_ProviderOptions",
         [&] {
             int o = 0;
             EXPECT_EQ(Slot(root, 3, &o), S_OK);
             EXPECT_EQ(o, 2);
         }},
        {"GetPatternProvider",
         [&] {
             IUnknown* p = nullptr;
             EXPECT_EQ(Slot(root, 4, 10014, &p), S_OK);
             EXPECT_EQ(Query(p, kTextProvider2), text2);
             text2->Release(), p->Release();
             EXPECT_EQ(Slot(root, 4, 10000, &p), S_OK);
             EXPECT_EQ(p, nullptr);
         }},
        {"GetPropertyValue",
         [&] {
             VARIANT v{};
             EXPECT_EQ(Slot(root, 5, 30003, &v), S_OK);
             EXPECT_EQ(v.vt, VT_I4);
             EXPECT_EQ(v.lVal, 50030);
             EXPECT_EQ(Slot(root, 5, 30005, &v), S_OK);
             EXPECT_EQ(Take(v.bstrVal), L"Editor");
             EXPECT_EQ(Slot(root, 5, 30011, &v), S_OK);
             EXPECT_EQ(Take(v.bstrVal), L"KalmorEditor");
         }},
        {"get_HostRawElementProvider",
         [&] {
             IUnknown* h;
             EXPECT_EQ(Slot(root, 6, &h), S_OK);
         }},
        {"GetSelection",
         [&] {
             SAFEARRAY* a = nullptr;
             EXPECT_EQ(Slot(text2, 3, &a), S_OK);
             EXPECT_EQ(Count(a), 1);
         }},
        {"GetVisibleRanges",
         [&] {
             SAFEARRAY* a = nullptr;
             EXPECT_EQ(Slot(text2, 4, &a), S_OK);
             EXPECT_EQ(Count(a), 1);
         }},
        {"RangeFromChild",
         [&] {
             IUnknown* r;
             EXPECT_EQ(Slot(text2, 5, root, &r), E_INVALIDARG);
         }},
        {"RangeFromPoint",
         [&] {
             POINT p{static_cast<LONG>(Call(SCI_POINTXFROMPOSITION, 0, 4)) + 1, 2};
             ClientToScreen(editor, &p);
             IUnknown* r = nullptr;
             EXPECT_EQ(Slot(text2, 6, UiaPointValue{double(p.x), double(p.y)}, &r), S_OK);
             int moved = 0;
             Slot(r, 14, End, Word, 1, &moved);
             EXPECT_EQ(TextOf(r), L"Main");
             r->Release();
         }},
        {"get_DocumentRange",
         [&] {
             IUnknown* r = Range(Line, 1);
             EXPECT_EQ(TextOf(r), L"Sub Main\r\n");
             r->Release();
         }},
        {"get_SupportedTextSelection",
         [&] {
             int s = 0;
             EXPECT_EQ(Slot(text2, 8, &s), S_OK);
             EXPECT_EQ(s, 1);
         }},
        {"RangeFromAnnotation",
         [&] {
             IUnknown* r;
             EXPECT_EQ(Slot(text2, 9, root, &r), E_INVALIDARG);
         }},
        {"GetCaretRange",
         [&] {
             BOOL active = TRUE;
             IUnknown* r = nullptr;
             EXPECT_EQ(Slot(text2, 10, &active, &r), S_OK);
             int order = 1;
             EXPECT_EQ(Slot(r, 5, Start, r, End, &order), S_OK);
             EXPECT_EQ(order, 0);
             r->Release();
         }},
        {"SetValue",
         [&] {
             EXPECT_EQ(Slot(value, 3, L"abc"), S_OK);
             EXPECT_EQ(Text(), "abc");
             Call(SCI_UNDO);
             EXPECT_EQ(Text().substr(0, 8), "Sub Main") << "one undoable step";
         }},
        {"get_Value",
         [&] {
             BSTR v = nullptr;
             EXPECT_EQ(Slot(value, 4, &v), S_OK);
             EXPECT_EQ(Take(v).size(), Text().size());
         }},
        {"get_IsReadOnly",
         [&] {
             BOOL r = TRUE;
             EXPECT_EQ(Slot(value, 5, &r), S_OK);
             EXPECT_FALSE(r);
         }},
        {"Clone, Compare",
         [&] {
             IUnknown* copy = nullptr;
             EXPECT_EQ(Slot(word, 3, &copy), S_OK);
             BOOL same = FALSE;
             EXPECT_EQ(Slot(word, 4, copy, &same), S_OK);
             EXPECT_TRUE(same);
             copy->Release();
         }},
        {"CompareEndpoints",
         [&] {
             int o = 0;
             EXPECT_EQ(Slot(word, 5, Start, word, End, &o), S_OK);
             EXPECT_LT(o, 0);
         }},
        {"ExpandToEnclosingUnit",
         [&] {
             IUnknown* r = Range();
             EXPECT_EQ(Slot(r, 6, Line), S_OK);
             EXPECT_EQ(TextOf(r), L"Sub Main\r\n");
             r->Release();
         }},
        {"FindAttribute",
         [&] {
             Call(SCI_TOGGLEFOLD, 0);
             IUnknown *all = Range(Line, 1000), *found = nullptr;
             VARIANT hidden{};
             hidden.vt = VT_BOOL, hidden.boolVal = VARIANT_TRUE;
             EXPECT_EQ(Slot(all, 7, 40013, hidden, FALSE, &found), S_OK);
             EXPECT_EQ(TextOf(found), L"  Print \"Hi\"\r\nEnd Sub\r\n");
             found->Release(), all->Release();
             Call(SCI_TOGGLEFOLD, 0);
         }},
        {"FindText",
         [&] {
             IUnknown *all = Range(Line, 1000), *found = nullptr;
             BSTR needle = SysAllocString(L"print");
             EXPECT_EQ(Slot(all, 8, needle, FALSE, TRUE, &found), S_OK);
             EXPECT_EQ(TextOf(found), L"Print");
             found->Release();
             EXPECT_EQ(Slot(all, 8, needle, FALSE, FALSE, &found), S_OK);
             EXPECT_EQ(found, nullptr) << "case matters";
             SysFreeString(needle);
             needle = SysAllocString(L"x = 1");
             EXPECT_EQ(Slot(all, 8, needle, TRUE, FALSE, &found), S_OK);
             int order = 0;
             Slot(found, 5, End, all, End, &order);
             EXPECT_EQ(order, -2) << "the last one, backward";
             SysFreeString(needle), found->Release(), all->Release();
         }},
        {"GetAttributeValue",
         [&] {
             IUnknown* all = Range(Line, 1000);
             VARIANT v{};
             EXPECT_EQ(Slot(word, 9, 40005, &v), S_OK);
             EXPECT_EQ(Take(v.bstrVal), L"Courier New");
             EXPECT_EQ(Slot(all, 9, 40008, &v), S_OK);
             EXPECT_EQ(v.punkVal, DoubleEntry<IUnknown*(WINAPI*)(BOOL)>("DoubleSentinel")(TRUE));
             EXPECT_EQ(Slot(all, 9, 40000, &v), S_OK);
             EXPECT_EQ(v.punkVal, DoubleEntry<IUnknown*(WINAPI*)(BOOL)>("DoubleSentinel")(FALSE));
             all->Release();
         }},
        {"GetBoundingRectangles",
         [&] {
             SAFEARRAY* a = nullptr;
             EXPECT_EQ(Slot(word, 10, &a), S_OK);
             EXPECT_EQ(Count(a), 4) << "one rectangle";
         }},
        {"GetEnclosingElement",
         [&] {
             IUnknown* e = nullptr;
             EXPECT_EQ(Slot(word, 11, &e), S_OK);
             EXPECT_EQ(e, root);
             e->Release();
         }},
        {"GetText",
         [&] {
             BSTR t = nullptr;
             EXPECT_EQ(Slot(word, 12, 3, &t), S_OK);
             EXPECT_EQ(Take(t), L"Sub");
         }},
        {"Move",
         [&] {
             int m = 0;
             EXPECT_EQ(Slot(word, 13, Word, 1, &m), S_OK);
             EXPECT_EQ(m, 1);
             EXPECT_EQ(TextOf(word), L"Main");
         }},
        {"MoveEndpointByUnit",
         [&] {
             int m = 0;
             EXPECT_EQ(Slot(word, 14, Start, Character, 2, &m), S_OK);
             EXPECT_EQ(TextOf(word), L"in");
         }},
        {"MoveEndpointByRange",
         [&] {
             IUnknown* r = Range(Line, 1);
             EXPECT_EQ(Slot(word, 15, Start, r, Start), S_OK);
             EXPECT_EQ(TextOf(word), L"Sub Main");
             r->Release();
         }},
        {"Select",
         [&] {
             EXPECT_EQ(Slot(word, 16), S_OK);
             EXPECT_EQ(Call(SCI_GETSELECTIONSTART), 0);
             EXPECT_EQ(Call(SCI_GETSELECTIONEND), 8);
         }},
        {"AddToSelection", [&] { EXPECT_EQ(Slot(word, 17), kInvalidOperation); }},
        {"RemoveFromSelection", [&] { EXPECT_EQ(Slot(word, 18), kInvalidOperation); }},
        {"ScrollIntoView",
         [&] {
             IUnknown* all = Range(Line, 1000);
             EXPECT_EQ(Slot(all, 19, FALSE), S_OK);
             EXPECT_GT(Call(SCI_GETFIRSTVISIBLELINE), 30);
             all->Release();
         }},
        {"GetChildren",
         [&] {
             SAFEARRAY* a = nullptr;
             EXPECT_EQ(Slot(word, 20, &a), S_OK);
             EXPECT_EQ(Count(a), 0);
         }},
        // Nothing a client passes crashes the editor.
        {"bad arguments",
         [&] {
             int m = 0;
             BOOL b = FALSE;
             EXPECT_EQ(Slot(word, 13, Word, 1, static_cast<int*>(nullptr)), E_INVALIDARG);
             EXPECT_EQ(Slot(word, 13, 99, 1, &m), E_INVALIDARG);
             EXPECT_EQ(Slot(word, 4, foreign, &b), E_INVALIDARG);
             EXPECT_EQ(Slot(word, 4, static_cast<IUnknown*>(nullptr), &b), E_INVALIDARG);
             EXPECT_EQ(Slot(word, 12, -2, static_cast<BSTR*>(nullptr)), E_INVALIDARG);
             EXPECT_EQ(Slot(value, 3, static_cast<LPCWSTR>(nullptr)), E_INVALIDARG);
             EXPECT_EQ(Slot(word, 14, End, Character, INT_MIN, &m), S_OK);
         }},
    };
    text2 = Query(root, kTextProvider2);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.method);
        row.check();
    }
    for (IUnknown* object : {word, value, foreign})
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
    struct Work {
        IUnknown* range;
        std::wstring text;
    } work{range, L""};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) WINAPI -> DWORD {
            Work* w = static_cast<Work*>(p);
            BSTR text = nullptr;
            Slot(w->range, 12, -1, &text);
            w->text = Take(text);
            return 0;
        },
        &work, 0, nullptr);
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
