// The editor's accessibility objects in-process, beside a stand-in for
// uiautomationcore that hands back the provider itself: every method called
// through its documented interface ID and slot number, what objects held
// past the window answer, and the events.
#include <oleacc.h>
#include "editor_fixture.h"

namespace {

using AccessibilityTest = EditorTest;
constexpr HRESULT kNotAvailable = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kInvalidOperation = static_cast<HRESULT>(0x80131509);
enum { Character = 0, Word = 2, Line = 3, Start = 0, End = 1 };
int n_ = 0; // a move's count, not looked at

// The interface IDs as Microsoft documents them, kept apart from the component's header.
IID Iid(const wchar_t* text) {
    IID iid{};
    IIDFromString(text, &iid);
    return iid;
}
const IID kRawElement = Iid(L"{d6dd68d1-86fd-4332-8666-9abedea2d24c}");
const IID kTextProvider = Iid(L"{3589c92c-63f3-4367-99bb-ada653b77cf2}");
const IID kTextProvider2 = Iid(L"{0dc5e6ed-3e16-4bf1-8f9a-a979878bc195}");
const IID kValueProvider = Iid(L"{c7935180-6fb3-4201-b174-7df73adbf64a}");
const IID kTextRange = Iid(L"{5347ad7b-c355-46f8-aff5-909033582f63}");

// Calls the method in a COM object's vtable slot.
template <typename... Args> HRESULT Slot(IUnknown* object, int slot, Args... args) {
    using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Args...);
    return reinterpret_cast<Method>((*reinterpret_cast<void***>(object))[slot])(object, args...);
}

// Whether the reference handed out is to the object expected; lets it go.
bool Is(void* given, IUnknown* expected) {
    if (given)
        static_cast<IUnknown*>(given)->Release();
    return given == expected;
}

std::wstring Take(BSTR text) {
    std::wstring result = text ? text : L"";
    SysFreeString(text);
    return result;
}

// A range's text (no more than `most` units, if given), after
// ExpandToEnclosingUnit (slot 6) if a unit is given; lets the range go.
std::wstring Read(IUnknown* range, int unit = -1, int most = -1) {
    if (!range)
        return L"(none)";
    if (unit >= 0)
        Slot(range, 6, unit);
    BSTR text = nullptr;
    Slot(range, 12, most, &text);
    range->Release();
    return Take(text);
}

// What a move answers: the units moved, then the range's text; lets the range go.
template <typename... Args> std::wstring Moved(IUnknown* range, int slot, Args... args) {
    int moved = 99;
    Slot(range, slot, args..., &moved);
    return std::to_wstring(moved) + L" " + Read(range);
}

// The window's UI Automation root, and its ITextProvider2 (null if it has none).
std::pair<IUnknown*, IUnknown*> Provider(HWND editor) {
    auto root = reinterpret_cast<IUnknown*>(SendMessageA(editor, WM_GETOBJECT, 0, -25));
    IUnknown* text2 = nullptr;
    if (root)
        root->QueryInterface(kTextProvider2, reinterpret_cast<void**>(&text2));
    return {root, text2};
}

// The top of one of a range's boxes, on the screen (-1 without it).
int BoxTop(IUnknown* range, int box = 0) {
    SAFEARRAY* boxes = nullptr;
    Slot(range, 10, &boxes);
    int top = boxes && boxes->rgsabound[0].cElements > 4u * box
                  ? static_cast<int>(static_cast<double*>(boxes->pvData)[4 * box + 1])
                  : -1;
    SafeArrayDestroy(boxes);
    return top;
}

ULONG Count(SAFEARRAY* array) {
    ULONG count = array ? array->rgsabound[0].cElements : 99;
    SafeArrayDestroy(array);
    return count;
}

// Each method is called by its slot number, in the documented vtable order,
// and gives the answer only that method gives here. Ranges move by the core's
// text units: the moves show the provider's mapping of units, endpoints and
// counts, and what is moved at the document's ends. Once the window is gone,
// the objects still held answer "not available".
TEST_F(AccessibilityTest, EveryMethodAnswersThroughItsDocumentedSlot) {
    std::string listing = "Sub Main\r\n  Print \"Hi\"\r\nEnd Sub\r\n" + std::string(60, '\n');
    Call(SCI_SETTEXT, 0, Pointer((listing + "Last").c_str()));
    Call(SCI_TOGGLEFOLD, 0);
    IUnknown *root = nullptr, *text2 = nullptr, *value = nullptr, *range = nullptr,
             *document = nullptr;
    std::tie(root, text2) = Provider(editor);
    ASSERT_TRUE(root && text2);
    // The range over the first place holding the text, or over the last one.
    auto find = [&](const wchar_t* needle, BOOL backward = FALSE, BOOL ignoreCase = FALSE) {
        IUnknown *whole = nullptr, *found = nullptr;
        BSTR text = SysAllocString(needle);
        Slot(text2, 7, &whole);
        Slot(whole, 8, text, backward, ignoreCase, &found);
        SysFreeString(text);
        whole->Release();
        return found;
    };
    IUnknown* main = find(L"Main");
    POINT point{XOf(5), 2};
    ClientToScreen(editor, &point);
    // Where a position's row is drawn, on the screen.
    auto rowTop = [&](size_t position) {
        POINT top{0, static_cast<int>(Call(SCI_POINTYFROMPOSITION, 0, position))};
        ClientToScreen(editor, &top);
        return static_cast<int>(top.y);
    };
    void* out = nullptr;
    SAFEARRAY* array = nullptr;
    VARIANT v{}, hidden{};
    hidden.vt = VT_BOOL, hidden.boolVal = VARIANT_TRUE;
    BSTR text = nullptr;
    int n = 0;
    BOOL flag = FALSE;

    // IRawElementProviderSimple
    EXPECT_TRUE(root->QueryInterface(kRawElement, &out) == S_OK && Is(out, root));
    EXPECT_TRUE(Slot(root, 3, &n) == S_OK && n == 2); // server-side
    EXPECT_TRUE(Slot(root, 4, 10002, &value) == S_OK && value);
    EXPECT_TRUE(Slot(root, 5, 30011, &v) == S_OK && Take(v.bstrVal) == L"KalmorEditor");
    EXPECT_EQ(Slot(root, 6, &range), S_OK);
    // ITextProvider, ITextProvider2; a UiaPoint is two doubles.
    EXPECT_TRUE(root->QueryInterface(kTextProvider, &out) == S_OK && Is(out, text2));
    EXPECT_TRUE(Slot(text2, 3, &array) == S_OK && Count(array) == 1);
    EXPECT_TRUE(Slot(text2, 4, &array) == S_OK && Count(array) == 2) << "split by the fold";
    EXPECT_EQ(Slot(text2, 5, root, &range), E_INVALIDARG);
    EXPECT_TRUE(Slot(text2, 6, std::pair<double, double>(point.x, point.y), &range) == S_OK &&
                Read(range, Word) == L"Main");
    EXPECT_EQ(Slot(text2, 7, &document), S_OK);
    EXPECT_TRUE(Slot(text2, 8, &n) == S_OK && n == 1); // single
    Call(SCI_SETMULTIPLESELECTION, 1);
    Call(SCI_ADDSELECTION, 3, 1);
    EXPECT_TRUE(Slot(text2, 3, &array) == S_OK && Count(array) == 2) << "every selection";
    EXPECT_TRUE(Slot(text2, 8, &n) == S_OK && n == 2); // multiple
    Call(SCI_SETMULTIPLESELECTION, 0);
    Call(SCI_SETSELECTION, 0, 0);
    EXPECT_EQ(Slot(text2, 9, root, &range), E_INVALIDARG);
    EXPECT_TRUE(Slot(text2, 10, &flag, &range) == S_OK && Read(range, Character) == L"S");
    // IValueProvider; SetValue comes last.
    EXPECT_TRUE(root->QueryInterface(kValueProvider, &out) == S_OK && Is(out, value));
    EXPECT_TRUE(Slot(value, 4, &text) == S_OK && Take(text).size() == Text().size());
    EXPECT_TRUE(Slot(value, 5, &(flag = TRUE)) == S_OK && !flag);
    // ITextRangeProvider; ExpandToEnclosingUnit is Read's.
    EXPECT_TRUE(main->QueryInterface(kTextRange, &out) == S_OK && Is(out, main));
    EXPECT_TRUE(Slot(main, 3, &range) == S_OK && Read(range) == L"Main");
    EXPECT_TRUE(Slot(main, 4, main, &flag) == S_OK && flag);
    EXPECT_TRUE(Slot(main, 5, Start, main, End, &n) == S_OK && n == -4);
    EXPECT_TRUE(Slot(document, 7, 40013, hidden, FALSE, &range) == S_OK &&
                Read(range) == L"  Print \"Hi\"\r\nEnd Sub\r\n");
    EXPECT_TRUE(Read(find(L"print", FALSE, TRUE)) == L"Print" && !find(L"print") &&
                Read(find(L"Sub", TRUE), Line) == L"End Sub\r\n");
    EXPECT_TRUE(Slot(main, 9, 40005, &v) == S_OK && Take(v.bstrVal) == L"Courier New");
    EXPECT_TRUE(Slot(main, 10, &array) == S_OK && Count(array) == 4);
    // Wrapped inside "Main", it has a box on each of its two display lines,
    // the second on the row drawn there.
    RECT client{};
    GetClientRect(editor, &client);
    Call(SCI_SETWRAPMODE, SC_WRAP_CHAR);
    Call(SCI_SETMARGINRIGHT, 0, client.right - XOf(Text().find("Main") + 2));
    EXPECT_TRUE(Slot(main, 10, &array) == S_OK && Count(array) == 8);
    EXPECT_EQ(BoxTop(main, 1), rowTop(Text().find("Main") + 2));
    Call(SCI_SETWRAPMODE, SC_WRAP_NONE);
    Call(SCI_SETMARGINRIGHT, 0, 0);
    EXPECT_TRUE(Slot(main, 11, &out) == S_OK && Is(out, root));
    EXPECT_TRUE(Slot(main, 12, 3, &text) == S_OK && Take(text) == L"Mai");
    EXPECT_EQ(Moved(find(L"Main"), 13, Word, -1), L"-1 Sub ");
    EXPECT_EQ(Moved(find(L"st"), 13, Character, 5), L"1 t");
    EXPECT_EQ(Moved(find(L"Main"), 14, End, Line, 1), L"1 Main\r\n");
    EXPECT_EQ(Moved(find(L"Sub"), 14, Start, Character, -1), L"0 Sub");
    EXPECT_TRUE(Slot(range = find(L"b M"), 15, Start, document, Start) == S_OK &&
                Slot(range, 15, End, main, End) == S_OK && Read(range) == L"Sub Main");
    EXPECT_TRUE(Slot(range = find(L"Sub"), 16) == S_OK && Read(range) == L"Sub" &&
                Selection() == std::pair(0, 3));
    EXPECT_TRUE(Slot(main, 17) == kInvalidOperation && Slot(main, 18) == kInvalidOperation);
    EXPECT_TRUE(Slot(range = find(L"Last"), 19, FALSE) == S_OK && Read(range) == L"Last" &&
                Call(SCI_GETFIRSTVISIBLELINE) > 30);
    // The caret's empty range there: on its row below the lines folded away.
    Call(SCI_GOTOPOS, Text().find("Last"));
    EXPECT_TRUE(Slot(text2, 10, &flag, &range) == S_OK &&
                BoxTop(range) == rowTop(Call(SCI_GETCURRENTPOS)));
    range->Release();
    EXPECT_TRUE(Slot(main, 20, &array) == S_OK && Count(array) == 0);
    EXPECT_TRUE(Slot(value, 3, L"abc") == S_OK && Text() == "abc");

    ObjectFromLresult(Send(WM_GETOBJECT, 0, OBJID_CLIENT), __uuidof(IAccessible), 0, &out);
    ASSERT_NE(out, nullptr);
    DestroyWindow(editor);
    v.vt = VT_I4, v.lVal = CHILDID_SELF;
    EXPECT_EQ(Slot(main, 12, -1, &text), kNotAvailable);
    EXPECT_EQ(static_cast<IAccessible*>(out)->get_accValue(v, &text), kNotAvailable);
    for (IUnknown* object : {main, value, document, text2, root, static_cast<IUnknown*>(out)})
        object->Release();
}

// In UTF-8 the text reaches clients as UTF-16, and a Character is one whole
// character: a surrogate pair, an invalid byte (U+FFFD to clients), a CRLF.
TEST_F(AccessibilityTest, CharactersAreWholeInUtf16) {
    Call(SCI_SETCODEPAGE, 65001);
    Call(SCI_SETTEXT, 0, Pointer("a\xF0\x9F\x98\x80\xFF\r\n\xE4\xB8\xAD"));
    auto [root, text2] = Provider(editor);
    IUnknown* range = nullptr;
    ASSERT_TRUE(root && text2);
    Slot(text2, 7, &range); // the document
    std::wstring steps;
    Slot(range, 13, Character, -10, &n_); // to the start, as an insertion point
    for (int i = 0; i < 5; ++i) {
        IUnknown* unit = nullptr;
        Slot(range, 3, &unit); // Clone
        steps += Read(unit, Character) + L"|";
        Slot(range, 13, Character, 1, &n_);
    }
    EXPECT_EQ(steps, L"a|\xD83D\xDE00|\xFFFD|\r\n|\x4E2D|");
    IUnknown* whole = nullptr;
    Slot(text2, 7, &whole);
    EXPECT_EQ(Read(whole, -1, 2), L"a") << "at most two units: the pair is not cut in half";
    range->Release();
    text2->Release();
    root->Release();
}

// Edits and caret moves raise their events; so does gaining the focus.
TEST_F(AccessibilityTest, EditsCaretMovesAndFocusRaiseEvents) {
    auto root = reinterpret_cast<IUnknown*>(Send(WM_GETOBJECT, 0, -25)); // loads the stand-in
    auto events = reinterpret_cast<int(WINAPI*)(int)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("uiautomationcore.dll"), "DoubleCount")));
    const int kText = 20015, kSelection = 20014, kFocus = 20005;
    int texts = events(kText), selections = events(kSelection), focuses = events(kFocus);
    Send(WM_CHAR, 'x');
    Key(VK_RIGHT);
    SetFocus(parent);
    SetFocus(editor);
    EXPECT_EQ(events(kText), texts + 1) << "the typed character";
    EXPECT_EQ(events(kSelection), selections + 2) << "the typed character and the caret move";
    EXPECT_EQ(events(kFocus), focuses + 1);
    root->Release();
}

} // namespace
