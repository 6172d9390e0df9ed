// A stand-in for uiautomationcore.dll beside the component tests: it hands
// back the editor's own provider as the WM_GETOBJECT answer, always has a
// listener, and counts the events raised, so tests can call the provider's
// slots directly and see its events.
#include <windows.h>
#include <ole2.h>
#include <uiautomationcore.h>
#include <map>

namespace {

std::map<EVENTID, int> events;
int disconnects = 0;

// A sentinel object: only its identity matters.
struct Sentinel : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};
Sentinel notSupported, mixed;

} // namespace

extern "C" {

__declspec(dllexport) LRESULT WINAPI
    UiaReturnRawElementProvider(HWND, WPARAM, LPARAM, IRawElementProviderSimple* provider) {
    if (provider)
        provider->AddRef();

    return reinterpret_cast<LRESULT>(provider);
}
__declspec(dllexport) HRESULT WINAPI
    UiaHostProviderFromHwnd(HWND, IRawElementProviderSimple** out) {
    *out = nullptr;
    return S_OK;
}
__declspec(dllexport) BOOL WINAPI UiaClientsAreListening() {
    return TRUE;
}
__declspec(dllexport) HRESULT WINAPI
    UiaRaiseAutomationEvent(IRawElementProviderSimple*, EVENTID id) {
    ++events[id];
    return S_OK;
}
__declspec(dllexport) HRESULT WINAPI UiaGetReservedNotSupportedValue(IUnknown** out) {
    *out = &notSupported;
    return S_OK;
}
__declspec(dllexport) HRESULT WINAPI UiaGetReservedMixedAttributeValue(IUnknown** out) {
    *out = &mixed;
    return S_OK;
}
__declspec(dllexport) HRESULT WINAPI UiaDisconnectProvider(IRawElementProviderSimple*) {
    ++disconnects;
    return S_OK;
}

// For the tests: how often an event was raised, and the providers disconnected.
__declspec(dllexport) int WINAPI DoubleEventCount(EVENTID id) {
    return events[id];
}
__declspec(dllexport) int WINAPI DoubleDisconnects() {
    return disconnects;
}
__declspec(dllexport) IUnknown* WINAPI DoubleSentinel(BOOL isMixed) {
    return isMixed ? static_cast<IUnknown*>(&mixed) : &notSupported;
}
}
