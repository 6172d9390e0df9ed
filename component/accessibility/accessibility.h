// What the editor window offers screen readers and automation tools: a UI
// Automation provider and an MSAA IAccessible, both answered through
// WM_GETOBJECT, their events, and the window-text messages of an edit control.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include "component/view/view.h"

namespace kalmor {

// Sent by a provider object to the editor window so that its work runs on
// the window's thread; lParam is the pending call. Below every request number.
constexpr UINT kAccessibilityCallMessage = WM_USER + 0x1A0;

// What the providers change through the window, so that each change is shown
// and told as the user's own would be.
class AccessibleWindow {
  public:
    // Replaces the whole text as one undoable step; false when read-only refused it.
    virtual bool ReplaceAllText(const std::string& text) = 0;
    // Sets the selection and scrolls its caret end into view.
    virtual void SelectAndShow(int anchor, int caret) = 0;
    // Scrolls a document line to the top of the window or, alignToTop false, to its bottom.
    virtual void ScrollLineIntoView(int line, bool alignToTop) = 0;

  protected:
    ~AccessibleWindow() = default;
};

// The window's accessibility objects and their state (uia_provider.h).
struct Accessibility;
struct AccessibilityDeleter {
    void operator()(Accessibility* accessibility) const;
};

// The accessibility part of an editor window: what the providers read, and
// their state, made when first needed.
struct AccessibleEditor {
    AccessibleEditor(View& editorView, AccessibleWindow& editorWindow)
        : hwnd(editorView.hwnd), core(editorView.core), view(editorView), window(editorWindow) {}
    HWND hwnd;
    EditorCore& core;
    View& view;
    AccessibleWindow& window;
    std::unique_ptr<Accessibility, AccessibilityDeleter> accessibility;
};

// accessible.cpp and uia_provider.cpp: the window procedure's handlers.
LRESULT OnGetObject(AccessibleEditor& w, WPARAM wParam, LPARAM lParam);
LRESULT OnAccessibilityCall(AccessibleEditor& w, LPARAM lParam);
LRESULT OnGetText(AccessibleEditor& w, WPARAM size, LPARAM buffer);
LRESULT OnGetTextLength(AccessibleEditor& w);
LRESULT OnSetText(AccessibleEditor& w, LPARAM text);
// After anything that may have edited the text or moved the caret or the
// selection: raises the events for what changed since the last call.
void NotifyAccessibility(AccessibleEditor& w);
void NotifyAccessibilityFocus(AccessibleEditor& w);
// On WM_DESTROY: every provider object still held answers "not available" from now on.
void DisconnectAccessibility(AccessibleEditor& w);

} // namespace kalmor
