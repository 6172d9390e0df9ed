// A stand-in for uiautomationcore.dll beside the component tests: it hands
// back the editor's own provider as the WM_GETOBJECT answer, so tests can
// call its slots directly, always has a listener, and counts the events
// raised.
#include <windows.h>
#include <ole2.h>
#include <uiautomationcore.h>
#include <map>

static std::map<EVENTID, int> raised;

extern "C" {

__declspec(dllexport) LRESULT WINAPI
    UiaReturnRawElementProvider(HWND, WPARAM, LPARAM, IRawElementProviderSimple* provider) {
    if (provider)
        provider->AddRef();
    return reinterpret_cast<LRESULT>(provider);
}
__declspec(dllexport) BOOL WINAPI UiaClientsAreListening() {
    return TRUE;
}
__declspec(dllexport) HRESULT WINAPI
    UiaRaiseAutomationEvent(IRawElementProviderSimple*, EVENTID id) {
    ++raised[id];
    return S_OK;
}
__declspec(dllexport) int WINAPI DoubleCount(EVENTID id) {
    return raised[id];
}
}
