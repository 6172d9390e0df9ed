#include "tests/testdouble/fake_component.h"

#include "editor/requests.h"

#include <cstring>
#include <vector>

// The scripted document and everything recorded about it.
static struct {
    std::vector<int> levels;
    std::vector<int> parents;
    std::vector<int> expanded;
    int caret = 0;
    std::vector<FakeRequest> log;
} model;

static bool InRange(WPARAM line) {
    return static_cast<INT_PTR>(line) >= 0 && static_cast<size_t>(line) < model.levels.size();
}

static void CopyText(char* to, size_t size, const void* from) {
    if (from) {
        strncpy(to, static_cast<const char*>(from), size - 1);
    }
}

// Copies the texts a request carries: font names, keywords, property key and
// value, and inserted text.
static void CopyTexts(FakeRequest& request) {
    UINT message = request.message;
    if (message == SCI_SETPROPERTY) {
        CopyText(request.wText, sizeof request.wText, reinterpret_cast<void*>(request.wParam));
    }
    if (message == SCI_STYLESETFONT || message == SCI_SETKEYWORDS || message == SCI_SETPROPERTY ||
        message == SCI_INSERTTEXT) {
        CopyText(request.lText, sizeof request.lText, reinterpret_cast<void*>(request.lParam));
    }
}

// Answers a request from the model.
static LRESULT Answer(UINT message, WPARAM wParam) {
    switch (message) {
    case SCI_GETCURRENTPOS: return model.caret;
    case SCI_LINEFROMPOSITION: return static_cast<INT_PTR>(wParam) / FAKE_LINE_LENGTH;
    case SCI_GETLINECOUNT: return static_cast<LRESULT>(model.levels.size());
    case SCI_GETFOLDLEVEL: return InRange(wParam) ? model.levels[wParam] : 0;
    case SCI_GETFOLDPARENT: return InRange(wParam) ? model.parents[wParam] : -1;
    case SCI_GETFOLDEXPANDED: return InRange(wParam) ? model.expanded[wParam] : 0;
    case SCI_TOGGLEFOLD:
        if (InRange(wParam)) {
            model.expanded[wParam] = !model.expanded[wParam];
        }
        return 0;
    case SCI_GOTOLINE:
        if (InRange(wParam)) {
            model.caret = static_cast<int>(wParam) * FAKE_LINE_LENGTH;
        }
        return 0;
    default: return 0;
    }
}

extern "C" __declspec(dllexport) LRESULT
    __stdcall Scintilla_DirectFunction(LRESULT pointer, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
    FakeRequest request = {};
    request.pointer = pointer;
    request.message = message;
    request.wParam = wParam;
    request.lParam = lParam;
    CopyTexts(request);
    model.log.push_back(request);
    return Answer(message, wParam);
}

extern "C" __declspec(dllexport) void __cdecl FakeScript(int lineCount, const int* levels,
                                                         const int* parents) {
    model.levels.assign(levels, levels + lineCount);
    model.parents.assign(parents, parents + lineCount);
    model.expanded.assign(lineCount, 1);
    model.caret = 0;
    model.log.clear();
}

extern "C" __declspec(dllexport) int __cdecl FakeCount() {
    return static_cast<int>(model.log.size());
}

extern "C" __declspec(dllexport) void __cdecl FakeRequestAt(int index, FakeRequest* request) {
    *request = model.log.at(index);
}

extern "C" __declspec(dllexport) void __cdecl FakeSetCaret(int position) {
    model.caret = position;
}

// The fake editor window only hands out the direct pointer.
static LRESULT CALLBACK FakeEditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == SCI_GETDIRECTPOINTER) {
        return FAKE_DIRECT_POINTER;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_GLOBALCLASS;
        windowClass.lpfnWndProc = FakeEditorProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = "ZoradezazOr";
        RegisterClassExA(&windowClass);
    } else if (reason == DLL_PROCESS_DETACH) {
        UnregisterClassA("ZoradezazOr", instance);
    }
    return TRUE;
}
