// The UI Automation root provider of an editor window, with its text and
// value patterns, and the plumbing every accessibility object shares:
// loading the system's entry points, running calls on the window's thread,
// events and disconnection.
#include "component/accessibility/uia_provider.h"
#include <algorithm>
#include <new>
#include "component/text/text.h"

namespace kalmor {

namespace {

template <typename Function> void LoadEntry(HMODULE module, const char* name, Function& entry) {
    entry = module
                ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

} // namespace

bool AccessibilityApi::Load() {
    HMODULE ole = LoadLibraryA("ole32.dll");
    HMODULE oleaut = LoadLibraryA("oleaut32.dll");
    HMODULE oleacc = LoadLibraryA("oleacc.dll");
    HMODULE uia = LoadLibraryA("uiautomationcore.dll");
    LoadEntry(oleaut, "SysAllocStringLen", SysAllocStringLen);
    LoadEntry(oleaut, "SafeArrayCreateVector", SafeArrayCreateVector);
    LoadEntry(oleaut, "SafeArrayPutElement", SafeArrayPutElement);
    LoadEntry(oleaut, "SafeArrayDestroy", SafeArrayDestroy);
    LoadEntry(ole, "CoInitializeEx", CoInitializeEx);
    LoadEntry(oleacc, "LresultFromObject", LresultFromObject);
    LoadEntry(oleacc, "CreateStdAccessibleObject", CreateStdAccessibleObject);
    LoadEntry(uia, "UiaReturnRawElementProvider", ReturnRawElementProvider);
    LoadEntry(uia, "UiaHostProviderFromHwnd", HostProviderFromHwnd);
    LoadEntry(uia, "UiaClientsAreListening", ClientsAreListening);
    LoadEntry(uia, "UiaRaiseAutomationEvent", RaiseAutomationEvent);
    LoadEntry(uia, "UiaGetReservedNotSupportedValue", GetReservedNotSupportedValue);
    LoadEntry(uia, "UiaGetReservedMixedAttributeValue", GetReservedMixedAttributeValue);
    LoadEntry(uia, "UiaDisconnectProvider", DisconnectProvider);
    return SysAllocStringLen && SafeArrayCreateVector && SafeArrayPutElement && SafeArrayDestroy;
}

AccessLink::AccessLink(AccessibleEditor& w) : hwnd(w.hwnd), window(&w) {
    InitializeCriticalSection(&lock_);
}

AccessLink::~AccessLink() {
    DeleteCriticalSection(&lock_);
}

void AccessLink::AddRef() {
    InterlockedIncrement(&refs_);
}

void AccessLink::Release() {
    if (InterlockedDecrement(&refs_) == 0)
        delete this;
}

// The call is registered while it is sent, so the window runs only calls
// that really wait for it: a stray message with a made-up pointer does
// nothing. A window that is gone leaves the call unanswered.
void AccessLink::Send(WindowCall& call) {
    EnterCriticalSection(&lock_);
    bool registered = true;
    try {
        pending_.push_back(&call);
    } catch (...) {
        registered = false;
    }
    LeaveCriticalSection(&lock_);
    if (!registered) {
        call.result = E_OUTOFMEMORY;
        return;
    }
    SendMessageA(hwnd, kAccessibilityCallMessage, 0, reinterpret_cast<LPARAM>(&call));
    EnterCriticalSection(&lock_);
    pending_.erase(std::remove(pending_.begin(), pending_.end(), &call), pending_.end());
    LeaveCriticalSection(&lock_);
}

WindowCall* AccessLink::Take(LPARAM lParam) {
    WindowCall* found = nullptr;
    EnterCriticalSection(&lock_);
    auto at = std::find(pending_.begin(), pending_.end(), reinterpret_cast<WindowCall*>(lParam));
    if (at != pending_.end()) {
        found = *at;
        pending_.erase(at);
    }
    LeaveCriticalSection(&lock_);
    return found;
}

// The root element: IRawElementProviderSimple with the text and value patterns.
class Provider final
    : public ComObject<IRawElementProviderSimple, uia::ITextProvider2, uia::IValueProvider> {
  public:
    explicit Provider(AccessLink* link) : link_(link) { link_->AddRef(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == uia::kIUnknown || iid == uia::kIRawElementProviderSimple)
            *out = static_cast<IRawElementProviderSimple*>(this);
        else if (iid == uia::kITextProvider || iid == uia::kITextProvider2)
            *out = static_cast<uia::ITextProvider2*>(this);
        else if (iid == uia::kIValueProvider)
            *out = static_cast<uia::IValueProvider*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    // IRawElementProviderSimple
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) override {
        if (!options)
            return E_INVALIDARG;
        *options = ProviderOptions_ServerSideProvider;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor&) {
            if (pattern == uia::kTextPattern || pattern == uia::kTextPattern2)
                *out = static_cast<uia::ITextProvider2*>(this);
            else if (pattern == uia::kValuePattern)
                *out = static_cast<uia::IValueProvider*>(this);
            if (*out)
                (*out)->AddRef();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* out) override {
        if (!out)
            return E_INVALIDARG;
        out->vt = VT_EMPTY;
        return link_->Run([&](AccessibleEditor& w) { return Property(w, property, *out); });
    }
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            Accessibility* a = w.accessibility.get();
            return a->api.HostProviderFromHwnd ? a->api.HostProviderFromHwnd(w.hwnd, out) : S_OK;
        });
    }

    // ITextProvider
    HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) { return Selections(w, out); });
    }
    HRESULT STDMETHODCALLTYPE GetVisibleRanges(SAFEARRAY** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) { return VisibleRanges(w, out); });
    }
    HRESULT STDMETHODCALLTYPE RangeFromChild(IRawElementProviderSimple*,
                                             uia::ITextRangeProvider** out) override {
        // The editor has no child elements, so no element can be one.
        ClearOut(out);
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE RangeFromPoint(uia::UiaPoint point,
                                             uia::ITextRangeProvider** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            POINT client{static_cast<LONG>(point.x), static_cast<LONG>(point.y)};
            ScreenToClient(w.hwnd, &client);
            int pos = PositionAtPoint(w.view, client.x, client.y);
            return NewRange({pos, pos}, out);
        });
    }
    HRESULT STDMETHODCALLTYPE get_DocumentRange(uia::ITextRangeProvider** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) { return NewRange({0, w.core.Length()}, out); });
    }
    HRESULT STDMETHODCALLTYPE
    get_SupportedTextSelection(uia::SupportedTextSelection* out) override {
        if (!out)
            return E_INVALIDARG;
        // Several while the host lets the user make several.
        *out = uia::SupportedTextSelection_Single;
        return link_->Run([&](AccessibleEditor& w) {
            if (w.core.MultipleSelection())
                *out = uia::SupportedTextSelection_Multiple;
            return S_OK;
        });
    }

    // ITextProvider2
    HRESULT STDMETHODCALLTYPE RangeFromAnnotation(IRawElementProviderSimple*,
                                                  uia::ITextRangeProvider** out) override {
        // The editor has no annotations.
        ClearOut(out);
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetCaretRange(BOOL* isActive,
                                            uia::ITextRangeProvider** out) override {
        if (!ClearOut(isActive) || !ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            *isActive = w.view.focused;
            int caret = w.core.Caret();
            return NewRange({caret, caret}, out);
        });
    }

    // IValueProvider
    HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) override {
        if (!value)
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            std::string text;
            if (!FromUtf16(w.core.CurrentEncoding(), value, wcslen(value), text))
                return uia::kInvalidOperation; // a character the code page lacks
            return w.window.ReplaceAllText(text) ? S_OK : uia::kElementNotEnabled;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Value(BSTR* out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            *out = ToBstr(w.accessibility->api, ToUtf16(w.core.CurrentEncoding(), w.core.Text()));
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* out) override {
        if (!out)
            return E_INVALIDARG;
        *out = FALSE;
        return link_->Run([&](AccessibleEditor& w) {
            *out = w.core.ReadOnly() ? TRUE : FALSE;
            return S_OK;
        });
    }

  private:
    ~Provider() { link_->Release(); }

    HRESULT NewRange(TextSpan span, uia::ITextRangeProvider** out) {
        *out = MakeTextRange(link_, span);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT OneRange(AccessibleEditor& w, TextSpan span, SAFEARRAY** out) {
        uia::ITextRangeProvider* range = MakeTextRange(link_, span);
        if (!range)
            return E_OUTOFMEMORY;
        HRESULT result = RangesToArray(w.accessibility->api, {range}, out);
        range->Release();
        return result;
    }

    // Every selection: the main one first, the others after it in the order of the text.
    HRESULT Selections(AccessibleEditor& w, SAFEARRAY** out) {
        std::vector<TextSpan> spans{{w.core.SelectionStart(), w.core.SelectionEnd()}};
        SelectionRange main = w.core.SelectionN(w.core.MainSelection());
        for (const SelectionRange& range : w.core.SelectionsInOrder()) {
            if (range != main) // selections never coincide: they merge
                spans.push_back({range.Start(), range.End()});
        }
        return SpansToArray(w, spans, out);
    }

    // One range for each run of consecutive document lines shown on screen;
    // a folded sub's hidden lines split the runs.
    HRESULT VisibleRanges(AccessibleEditor& w, SAFEARRAY** out) {
        std::vector<TextSpan> spans;
        int first = w.core.FirstVisibleLine();
        int last = std::min(w.core.VisibleLineCount(), first + LinesOnScreen(w.view)) - 1;
        for (int row = first; row <= last;) {
            int startLine = w.core.DocLineFromVisible(row);
            int endLine = startLine;
            while (row < last && w.core.DocLineFromVisible(row + 1) == endLine + 1)
                ++row, ++endLine;
            ++row;
            spans.push_back({w.core.LineStart(startLine), w.core.LineStart(endLine + 1)});
        }
        return SpansToArray(w, spans, out);
    }

    // A range for each span, as an array for the client.
    HRESULT SpansToArray(AccessibleEditor& w, const std::vector<TextSpan>& spans, SAFEARRAY** out) {
        std::vector<uia::ITextRangeProvider*> ranges;
        HRESULT result = S_OK;
        for (size_t i = 0; i < spans.size() && SUCCEEDED(result); ++i) {
            uia::ITextRangeProvider* range = MakeTextRange(link_, spans[i]);
            if (range)
                ranges.push_back(range);
            else
                result = E_OUTOFMEMORY;
        }
        if (SUCCEEDED(result))
            result = RangesToArray(w.accessibility->api, ranges, out);
        for (auto* range : ranges)
            range->Release();
        return result;
    }

    HRESULT Property(AccessibleEditor& w, PROPERTYID property, VARIANT& out) {
        const AccessibilityApi& api = w.accessibility->api;
        auto setBool = [&](bool value) {
            out.vt = VT_BOOL;
            out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        };
        auto setString = [&](const std::wstring& text) {
            out.bstrVal = api.SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            out.vt = out.bstrVal ? VT_BSTR : VT_EMPTY;
        };
        switch (property) {
        case uia::kControlTypeProperty:
            out.vt = VT_I4;
            out.lVal = uia::kDocumentControlType;
            break;
        case uia::kNameProperty: setString(AccessibleName(w)); break;
        case uia::kAutomationIdProperty: setString(L"KalmorEditor"); break;
        case uia::kIsKeyboardFocusableProperty: setBool(true); break;
        case uia::kHasKeyboardFocusProperty: setBool(w.view.focused); break;
        case uia::kIsEnabledProperty: setBool(IsWindowEnabled(w.hwnd)); break;
        case uia::kIsPasswordProperty: setBool(false); break;
        default: break;
        }
        return S_OK;
    }

    AccessLink* link_;
};

Accessibility::Accessibility(AccessibleEditor& w) : link(new AccessLink(w)) {
    notifiedTextVersion = w.core.TextVersion();
    notifiedAnchor = w.core.Anchor();
    notifiedCaret = w.core.Caret();
}

Accessibility::~Accessibility() {
    link->Disconnect();
    link->Release();
    if (provider)
        provider->Release();
}

void AccessibilityDeleter::operator()(Accessibility* accessibility) const {
    delete accessibility;
}

Accessibility* AccessibilityOf(AccessibleEditor& w) {
    if (!w.accessibility)
        w.accessibility.reset(new (std::nothrow) Accessibility(w));
    return w.accessibility.get();
}

Accessibility* LoadedAccessibilityOf(AccessibleEditor& w) {
    Accessibility* a = AccessibilityOf(w);
    if (a && !a->loaded) {
        a->loaded = true;
        if (!a->api.Load())
            a->api = AccessibilityApi{};
    }
    return a && a->api.SysAllocStringLen ? a : nullptr;
}

IRawElementProviderSimple* RootProvider(AccessibleEditor& w) {
    Accessibility* a = LoadedAccessibilityOf(w);
    if (!a || a->disconnected || !a->api.ReturnRawElementProvider)
        return nullptr;
    if (!a->provider)
        a->provider = new (std::nothrow) Provider(a->link);
    return a->provider;
}

BSTR ToBstr(const AccessibilityApi& api, const std::string& text) {
    int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    BSTR result = api.SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (result && length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result, length);
    return result;
}

BSTR ToBstr(const AccessibilityApi& api, const std::wstring& text) {
    return api.SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

std::string FromWide(const wchar_t* text, int length) {
    if (length < 0)
        length = static_cast<int>(wcslen(text));
    int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text, length, result.data(), size, nullptr, nullptr);
    return result;
}

// The caption the window was made with; WM_SETTEXT sets the document
// instead, so this stays as created. "Editor" when there is none.
std::wstring AccessibleName(const AccessibleEditor& w) {
    wchar_t caption[256] = L"";
    int length = InternalGetWindowText(w.hwnd, caption, 256);
    return length > 0 ? std::wstring(caption, static_cast<size_t>(length)) : L"Editor";
}

TextUnits UnitsOf(const AccessibleEditor& w) {
    return TextUnits(w.core, LinesOnScreen(w.view));
}

HRESULT RangesToArray(const AccessibilityApi& api,
                      const std::vector<uia::ITextRangeProvider*>& ranges, SAFEARRAY** result) {
    SAFEARRAY* array = api.SafeArrayCreateVector(VT_UNKNOWN, 0, static_cast<ULONG>(ranges.size()));
    if (!array)
        return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(ranges.size()); ++i) {
        HRESULT put = api.SafeArrayPutElement(array, &i, ranges[static_cast<size_t>(i)]);
        if (FAILED(put)) {
            api.SafeArrayDestroy(array);
            return put;
        }
    }
    *result = array;
    return S_OK;
}

LRESULT OnAccessibilityCall(AccessibleEditor& w, LPARAM lParam) {
    WindowCall* call = w.accessibility ? w.accessibility->link->Take(lParam) : nullptr;
    if (!call)
        return 0;
    try {
        call->result = call->run(w, call->work);
    } catch (const std::bad_alloc&) {
        call->result = E_OUTOFMEMORY;
    } catch (...) {
        call->result = E_FAIL;
    }
    return 0;
}

// Tells listeners what changed since the last call: MSAA hears of every edit
// (NotifyWinEvent costs next to nothing without hooks); UI Automation hears
// of edits and selection moves only while a client listens.
void NotifyAccessibility(AccessibleEditor& w) {
    Accessibility* a = w.accessibility.get();
    unsigned version = w.core.TextVersion();
    if (a && version == a->notifiedTextVersion && w.core.Anchor() == a->notifiedAnchor &&
        w.core.Caret() == a->notifiedCaret)
        return;
    if (!a && !(a = AccessibilityOf(w)))
        return;
    if (a->disconnected)
        return;
    bool edited = version != a->notifiedTextVersion;
    bool selectionMoved =
        w.core.Anchor() != a->notifiedAnchor || w.core.Caret() != a->notifiedCaret;
    a->notifiedTextVersion = version;
    a->notifiedAnchor = w.core.Anchor();
    a->notifiedCaret = w.core.Caret();
    if (edited)
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, w.hwnd, OBJID_CLIENT, CHILDID_SELF);
    if (!a->provider || !a->api.RaiseAutomationEvent || !a->api.ClientsAreListening())
        return;
    IRawElementProviderSimple* provider = a->provider;
    if (edited)
        a->api.RaiseAutomationEvent(provider, uia::kTextChangedEvent);
    if (edited || selectionMoved)
        a->api.RaiseAutomationEvent(provider, uia::kTextSelectionChangedEvent);
}

void NotifyAccessibilityFocus(AccessibleEditor& w) {
    Accessibility* a = w.accessibility.get();
    if (a && !a->disconnected && a->provider && a->api.RaiseAutomationEvent &&
        a->api.ClientsAreListening())
        a->api.RaiseAutomationEvent(a->provider, uia::kFocusChangedEvent);
}

// Withdraws the provider from UI Automation and cuts every object still held
// loose from the window; they answer UIA_E_ELEMENTNOTAVAILABLE from now on.
void DisconnectAccessibility(AccessibleEditor& w) {
    Accessibility* a = w.accessibility.get();
    if (!a || a->disconnected)
        return;
    a->disconnected = true;
    a->link->Disconnect();
    if (a->provider) {
        a->api.ReturnRawElementProvider(w.hwnd, 0, 0, nullptr);
        if (a->api.DisconnectProvider)
            a->api.DisconnectProvider(a->provider);
    }
}

} // namespace kalmor
