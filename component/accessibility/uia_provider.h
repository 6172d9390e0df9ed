// Shared by the accessibility objects: the system entry points they load at
// run time, the link between a window and its provider objects, and the
// route that runs each provider call on the window's thread.
#pragma once
#include <string>
#include <type_traits>
#include <vector>
#include "component/accessibility/accessibility.h"
#include "component/core/text_units.h"
#include "component/accessibility/uia_interfaces.h"

namespace kalmor {

// Entry points of ole32, oleaut32, oleacc and uiautomationcore. They are loaded on
// the first WM_GETOBJECT, never at start-up, so the editor costs nothing and
// loads everywhere when no one asks; the libraries then stay loaded, since
// the system may keep using our objects. Any UI Automation entry may be null.
struct AccessibilityApi {
    bool Load();

    BSTR(WINAPI* SysAllocStringLen)(const OLECHAR*, UINT) = nullptr;
    SAFEARRAY*(WINAPI* SafeArrayCreateVector)(VARTYPE, LONG, ULONG) = nullptr;
    HRESULT(WINAPI* SafeArrayPutElement)(SAFEARRAY*, LONG*, void*) = nullptr;
    HRESULT(WINAPI* SafeArrayDestroy)(SAFEARRAY*) = nullptr;
    HRESULT(WINAPI* CoInitializeEx)(void*, DWORD) = nullptr;
    LRESULT(WINAPI* LresultFromObject)(REFIID, WPARAM, IUnknown*) = nullptr;
    HRESULT(WINAPI* CreateStdAccessibleObject)(HWND, LONG, REFIID, void**) = nullptr;
    LRESULT(WINAPI* ReturnRawElementProvider)
    (HWND, WPARAM, LPARAM, IRawElementProviderSimple*) = nullptr;
    HRESULT(WINAPI* HostProviderFromHwnd)(HWND, IRawElementProviderSimple**) = nullptr;
    BOOL(WINAPI* ClientsAreListening)() = nullptr;
    HRESULT(WINAPI* RaiseAutomationEvent)(IRawElementProviderSimple*, EVENTID) = nullptr;
    HRESULT(WINAPI* GetReservedNotSupportedValue)(IUnknown**) = nullptr;
    HRESULT(WINAPI* GetReservedMixedAttributeValue)(IUnknown**) = nullptr;
    HRESULT(WINAPI* DisconnectProvider)(IRawElementProviderSimple*) = nullptr;
};

// One provider call waiting for the window's thread.
struct WindowCall {
    HRESULT (*run)(AccessibleEditor& w, void* work);
    void* work;
    HRESULT result;
};

// The reference count of a COM object made with new, answering AddRef and
// Release for every interface it implements; the last Release deletes it.
template <typename... Interfaces> class ComObject : public Interfaces... {
  public:
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    virtual ~ComObject() = default;

  private:
    LONG refs_ = 1;
};

// Shared by a window and every provider object made for it; lives until the
// last of them lets go. `window` is read and cleared on the window's thread only.
class AccessLink {
  public:
    explicit AccessLink(AccessibleEditor& w);
    void AddRef();
    void Release();

    // Runs work(AccessibleEditor&) -> HRESULT on the window's thread, waiting for
    // it; UIA_E_ELEMENTNOTAVAILABLE once the window is gone.
    template <typename Work> HRESULT Run(Work&& work) {
        using WorkType = std::remove_reference_t<Work>;
        WindowCall call{
            [](AccessibleEditor& w, void* p) -> HRESULT { return (*static_cast<WorkType*>(p))(w); },
            &work, uia::kElementNotAvailable};
        Send(call);
        return call.result;
    }
    // On the window's thread: takes a call sent to it, if it is one of ours still waiting.
    WindowCall* Take(LPARAM lParam);
    void Disconnect() { window = nullptr; }

    HWND const hwnd;
    AccessibleEditor* window;

  private:
    ~AccessLink();
    void Send(WindowCall& call);

    LONG refs_ = 1;
    CRITICAL_SECTION lock_;
    std::vector<WindowCall*> pending_;
};

class Provider;

// Per-window accessibility state: made at the first event or request.
struct Accessibility {
    explicit Accessibility(AccessibleEditor& w);
    ~Accessibility();

    AccessibilityApi api;
    bool loaded = false;       // the libraries were asked for
    bool disconnected = false; // the window is being destroyed
    AccessLink* link;
    Provider* provider = nullptr;     // the UI Automation root, made on first request
    unsigned notifiedTextVersion = 0; // the text and selection the last events told of
    int notifiedAnchor = 0;
    int notifiedCaret = 0;
};

// The window's accessibility state, made if it has none; null only when out of memory.
Accessibility* AccessibilityOf(AccessibleEditor& w);
// The same, with the libraries loaded; null when they cannot be.
Accessibility* LoadedAccessibilityOf(AccessibleEditor& w);

// Helpers that run on the window's thread.
// Names (a style's font) in the ANSI code page; the document's text goes
// through ToUtf16 and FromUtf16 in its own code page.
BSTR ToBstr(const AccessibilityApi& api, const std::string& text);
BSTR ToBstr(const AccessibilityApi& api, const std::wstring& text);
std::string FromWide(const wchar_t* text, int length = -1);
std::wstring AccessibleName(const AccessibleEditor& w);
TextUnits UnitsOf(const AccessibleEditor& w);
// A new text range over [start, end] of the window's document; null if out of memory.
uia::ITextRangeProvider* MakeTextRange(AccessLink* link, TextSpan span);
// A SAFEARRAY of VT_UNKNOWN holding the ranges (each AddRef'd by the array).
HRESULT RangesToArray(const AccessibilityApi& api,
                      const std::vector<uia::ITextRangeProvider*>& ranges, SAFEARRAY** result);
IRawElementProviderSimple* RootProvider(AccessibleEditor& w);

// Out-pointer checks: null is an argument error, anything else starts cleared.
template <typename T> bool ClearOut(T* out) {
    if (!out)
        return false;
    *out = T{};
    return true;
}

} // namespace kalmor
