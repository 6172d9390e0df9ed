// What the editor window offers screen readers and automation tools: a UI
// Automation provider and an MSAA IAccessible, both answered through
// WM_GETOBJECT, their events, and the window-text messages of an edit control.
#pragma once
#include <windows.h>
#include <string>

namespace kalmor {

struct EditorWindow;

// Sent by a provider object to the editor window so that its work runs on
// the window's thread; lParam is the pending call. Below every request number.
constexpr UINT kAccessibilityCallMessage = WM_USER + 0x1A0;

// accessible.cpp and uia_provider.cpp: the window procedure's handlers.
LRESULT OnGetObject(EditorWindow& w, WPARAM wParam, LPARAM lParam);
LRESULT OnAccessibilityCall(EditorWindow& w, LPARAM lParam);
LRESULT OnGetText(EditorWindow& w, WPARAM size, LPARAM buffer);
LRESULT OnGetTextLength(EditorWindow& w);
LRESULT OnSetText(EditorWindow& w, LPARAM text);
// After anything that may have edited the text or moved the caret or the
// selection: raises the events for what changed since the last call.
void NotifyAccessibility(EditorWindow& w);
void NotifyAccessibilityFocus(EditorWindow& w);
// On WM_DESTROY: every provider object still held answers "not available" from now on.
void DisconnectAccessibility(EditorWindow& w);

// editor_window.cpp: what the providers change through the window.
// Replaces the whole text as one undoable step; false when read-only refused it.
bool ReplaceAllText(EditorWindow& w, const std::string& text);
// Sets the selection and scrolls its caret end into view.
void SelectAndShow(EditorWindow& w, int anchor, int caret);
// Scrolls a document line to the top of the window or, alignToTop false, to its bottom.
void ScrollLineIntoView(EditorWindow& w, int line, bool alignToTop);

} // namespace kalmor
