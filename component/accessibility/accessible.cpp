// The editor for MSAA clients and for the window-text messages: its own
// IAccessible (a text object whose value is the document), WM_GETOBJECT,
// and WM_GETTEXT, WM_GETTEXTLENGTH and WM_SETTEXT answered as an edit
// control answers them.
#include <algorithm>
#include <cstring>
#include <new>
#include "component/text/text.h"
#include "component/accessibility/uia_provider.h"

namespace kalmor {

namespace {

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The client object: name, role, state and value are the editor's own; the
// rest (parent, location, navigation, hit-testing) comes from the system's
// standard object for the window.
class AccessibleObject final : public ComObject<IAccessible> {
  public:
    AccessibleObject(AccessLink* link, IAccessible* standard) : link_(link), standard_(standard) {
        link_->AddRef();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == uia::kIUnknown || iid == uia::kIDispatch || iid == uia::kIAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    // IDispatch: clients use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_INVALIDARG;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        ClearOut(out);
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible: the editor's own answers.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        if (!ClearOut(out) || !IsSelf(child))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            std::wstring name = AccessibleName(w);
            *out =
                w.accessibility->api.SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        if (!ClearOut(out) || !IsSelf(child))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            *out = ToBstr(w.accessibility->api, ToUtf16(w.core.CurrentEncoding(), w.core.Text()));
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        if (!IsSelf(child) || !value)
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            std::string text;
            if (!FromUtf16(w.core.CurrentEncoding(), value, wcslen(value), text))
                return E_INVALIDARG; // a character the code page lacks
            return w.window.ReplaceAllText(text) ? S_OK : E_ACCESSDENIED;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        if (!out || !IsSelf(child))
            return E_INVALIDARG;
        out->vt = VT_I4;
        out->lVal = ROLE_SYSTEM_TEXT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        if (!out || !IsSelf(child))
            return E_INVALIDARG;
        out->vt = VT_EMPTY;
        return link_->Run([&](AccessibleEditor& w) {
            out->vt = VT_I4;
            out->lVal = STATE_SYSTEM_FOCUSABLE | (w.view.focused ? STATE_SYSTEM_FOCUSED : 0) |
                        (IsWindowVisible(w.hwnd) ? 0 : STATE_SYSTEM_INVISIBLE) |
                        (IsWindowEnabled(w.hwnd) ? 0 : STATE_SYSTEM_UNAVAILABLE);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* out) override {
        if (!out)
            return E_INVALIDARG;
        *out = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** out) override {
        ClearOut(out);
        return E_INVALIDARG;
    }

    // IAccessible: the standard object's answers.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
        return standard_->get_accParent(out);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return standard_->get_accDescription(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        return standard_->get_accHelp(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return standard_->get_accKeyboardShortcut(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        return standard_->get_accFocus(out);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        return standard_->get_accSelection(out);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return standard_->get_accDefaultAction(child, out);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* out) override {
        return standard_->accNavigate(direction, start, out);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override {
        return standard_->accHitTest(x, y, out);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    ~AccessibleObject() {
        standard_->Release();
        link_->Release();
    }

    AccessLink* link_;
    IAccessible* standard_;
};

// The MSAA client object, handed over through LresultFromObject.
LRESULT AccessibleClient(AccessibleEditor& w, WPARAM wParam) {
    Accessibility* a = LoadedAccessibilityOf(w);
    if (!a || a->disconnected || !a->api.LresultFromObject || !a->api.CreateStdAccessibleObject)
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(a->api.CreateStdAccessibleObject(w.hwnd, OBJID_CLIENT, uia::kIAccessible,
                                                reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    AccessibleObject* object = new (std::nothrow) AccessibleObject(a->link, standard);
    if (!object) {
        standard->Release();
        return 0;
    }
    // Handing an object over needs COM on this thread. A host that has not
    // started it gets a single-threaded apartment, as a GUI thread should have.
    LRESULT result = a->api.LresultFromObject(uia::kIAccessible, wParam, object);
    if (result == CO_E_NOTINITIALIZED && a->api.CoInitializeEx &&
        SUCCEEDED(a->api.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        result = a->api.LresultFromObject(uia::kIAccessible, wParam, object);
    object->Release();
    return result;
}

} // namespace

// UI Automation asks for its root object, MSAA clients for the client object;
// anything else is the system's to answer.
LRESULT OnGetObject(AccessibleEditor& w, WPARAM wParam, LPARAM lParam) {
    LONG object = static_cast<LONG>(lParam);
    if (object == uia::kRootObjectId) {
        IRawElementProviderSimple* provider = RootProvider(w);
        if (provider)
            return w.accessibility->api.ReturnRawElementProvider(w.hwnd, wParam, lParam, provider);
    } else if (object == OBJID_CLIENT) {
        if (LRESULT result = AccessibleClient(w, wParam))
            return result;
    }
    return DefWindowProcW(w.hwnd, WM_GETOBJECT, wParam, lParam);
}

// The window is a Unicode one: the system converts for ANSI callers. Copies
// as much of the text as fits before a NUL, never half a surrogate pair, and
// answers the count copied.
LRESULT OnGetText(AccessibleEditor& w, WPARAM size, LPARAM buffer) {
    auto target = reinterpret_cast<wchar_t*>(buffer);
    if (!target || size == 0)
        return 0;
    std::wstring text = ToUtf16(w.core.CurrentEncoding(), w.core.Text());
    size_t count = std::min<size_t>(size - 1, text.size());
    if (count > 0 && count < text.size() && IS_HIGH_SURROGATE(text[count - 1]))
        --count;
    std::memcpy(target, text.data(), count * sizeof(wchar_t));
    target[count] = L'\0';
    return static_cast<LRESULT>(count);
}

LRESULT OnGetTextLength(AccessibleEditor& w) {
    return static_cast<LRESULT>(ToUtf16(w.core.CurrentEncoding(), w.core.Text()).size());
}

// A null text empties the document, as it does an edit control; a text with
// a character the code page lacks is refused.
LRESULT OnSetText(AccessibleEditor& w, LPARAM text) {
    auto value = reinterpret_cast<const wchar_t*>(text);
    std::string bytes;
    if (value && !FromUtf16(w.core.CurrentEncoding(), value, wcslen(value), bytes))
        return FALSE;
    return w.window.ReplaceAllText(bytes) ? TRUE : FALSE;
}

} // namespace kalmor
