// KALMOR.DLL's entry points: the window class's registration for the life of
// the library, and the direct function that answers requests without going
// through the message queue.
#include <windows.h>
#include "component/window/editor_window.h"

namespace {

// The class name as UTF-16: the class is registered as a Unicode one, so its
// window procedure gets typed characters as UTF-16 whether the window was
// made with CreateWindowExA or CreateWindowExW. Requests are no text
// messages, so the system passes them on untouched.
constexpr wchar_t kClassName[] = L"ZoradezazOr";
static_assert(sizeof kClassName / sizeof(wchar_t) == sizeof KALMOR_CLASS_NAME);

// Registers the editor class as a global class, so windows of it can be made
// with any instance handle. No double-clicks: two quick clicks on a line
// number are two clicks, folding and unfolding.
bool RegisterEditorClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = kalmor::EditorWindowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_IBEAM));
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
}

} // namespace

// Answers one request for the editor window whose direct pointer is given,
// exactly as the window message would. The direct pointer is the window's
// handle: callers pass it through CallWindowProcA, which under Wine is fast
// only for real window handles. Anything else answers 0.
extern "C" LRESULT CALLBACK Scintilla_DirectFunction(UINT_PTR directPointer, UINT message,
                                                     WPARAM wParam, LPARAM lParam) {
    kalmor::EditorWindow* w = kalmor::EditorFromHandle(reinterpret_cast<HWND>(directPointer));
    if (!w)
        return 0;
    return kalmor::AnswerDirectRequest(*w, message, wParam, lParam);
}

// The class lives as long as the library. At process exit (reserved set)
// the system tears everything down itself, so there is nothing to do.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        return RegisterEditorClass(instance) && kalmor::RegisterSettingsListener(instance);
    case DLL_PROCESS_DETACH:
        if (!reserved) {
            UnregisterClassW(kClassName, instance);
            kalmor::UnregisterSettingsListener(instance);
        }
        break;
    }
    return TRUE;
}
