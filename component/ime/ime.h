// Input method editors, through IMM32 (which also carries the Text Services
// Framework's input methods): the composition is drawn by the view in place
// at the caret, the system's composition and candidate windows are placed
// beside it, and only the result string reaches the document, through the
// window, replacing the selection as one undo step.
#pragma once
#include <windows.h>
#include <imm.h>
#include <string>
#include "component/view/view.h"

namespace kalmor {

// The entry points of imm32, loaded when an input method first speaks to the editor.
struct ImmApi {
    bool tried = false;
    decltype(&::ImmGetContext) ImmGetContext = nullptr;
    decltype(&::ImmReleaseContext) ImmReleaseContext = nullptr;
    decltype(&::ImmGetCompositionStringW) ImmGetCompositionStringW = nullptr;
    decltype(&::ImmSetCompositionWindow) ImmSetCompositionWindow = nullptr;
    decltype(&::ImmSetCandidateWindow) ImmSetCandidateWindow = nullptr;
    decltype(&::ImmSetCompositionFontW) ImmSetCompositionFontW = nullptr;
    decltype(&::ImmNotifyIME) ImmNotifyIME = nullptr;
};

// What the input method's handlers ask of the editor window.
class ImeHost {
  public:
    // Types a committed result as the user's edit, or refuses it.
    virtual void TypeResult(const std::wstring& result) = 0;
    // The composition moved or changed: the system caret follows it.
    virtual void CompositionMoved() = 0;

  protected:
    ~ImeHost() = default;
};

// The input method's part of an editor window.
struct Ime {
    Ime(View& editorView, ImeHost& editorHost) : view(editorView), host(editorHost) {}
    View& view;    // draws the composition (view.composition)
    ImeHost& host; // types its results
    ImmApi imm;
    // The last result committed, while its WM_IME_CHARs may still come.
    std::wstring committed;
};

// ime.cpp: the input method's messages, and where its windows go.
void OnImeStartComposition(Ime& w);
void OnImeComposition(Ime& w, LPARAM changes);
void OnImeEndComposition(Ime& w);
LRESULT OnImeRequest(Ime& w, WPARAM request, LPARAM lParam);
// A WM_IME_CHAR of a result already committed is dropped (true); any other is typed.
bool TakeCommittedChar(Ime& w, WPARAM unit);
// Completes a composition in progress, before a click or the loss of the focus.
void CompleteComposition(Ime& w);
void PlaceImeWindows(Ime& w);

} // namespace kalmor
