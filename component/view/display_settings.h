// What the editor takes from the system's display settings: its window's DPI
// and the sizes it draws at that DPI, the colours it paints with (the
// system's own in high contrast), and the caret and wheel settings. Each is
// read when the system says it changed, never while painting.
//
// A child window is not told of every change: Windows sends WM_SETTINGCHANGE
// and WM_SYSCOLORCHANGE to top-level windows only. Each editor therefore
// keeps a hidden top-level window of its own that hears them and passes them
// on; a host forwarding them as well does no harm.
#pragma once
#include <windows.h>
#include "component/gdi.h"

namespace kalmor {

// Sent to a child window after its top-level window moved to a monitor of
// another DPI (Windows 10 1607 and later; the headers for Windows 7 lack it).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// Sizes the editor draws itself, in pixels at the window's DPI, and the
// user's caret and wheel settings.
struct ViewMetrics {
    int dpi = 96;
    int caretWidth = 1;    // the system's caret width, which is given at 96 DPI
    int line = 1;          // the rule under a folded header, the fold tag's frame
    int textPadding = 2;   // between the last margin and the first character
    int numberPadding = 3; // between a line number and its margin's right edge
    int tagInset = 1;      // between the row's top and bottom and the fold tag's frame
    int tagPadding = 3;    // between the fold tag's frame and its dots
    UINT wheelLines = 3;   // lines a wheel notch scrolls; WHEEL_PAGESCROLL a page
    UINT wheelChars = 3;   // characters a notch of a tilt wheel scrolls
};

// The colours the view paints with besides the styles' own. In high contrast
// every colour is a system colour and the styles' colours are set aside
// (they stay in the styles, and come back when high contrast goes off).
struct Palette {
    bool highContrast = false;
    COLORREF windowText = 0;
    COLORREF window = 0;
    COLORREF highlight = 0;
    COLORREF highlightText = 0;
    COLORREF grayText = 0;
    COLORREF buttonFace = 0;
    COLORREF buttonHighlight = 0; // with the face, a fold margin's checkerboard

    COLORREF Fore(COLORREF own) const { return highContrast ? windowText : own; }
    COLORREF Back(COLORREF own) const { return highContrast ? window : own; }
    // Selected text keeps its colour over a light tint; in high contrast it is
    // the system's highlighted text on the system's solid highlight.
    COLORREF SelectionBack(COLORREF textBack, bool focused) const;
    // The frame and dots of the "..." after a folded header.
    COLORREF FoldTag() const { return highContrast ? windowText : grayText; }
};

// A colour a share (in 256ths) of the way from base to tint.
COLORREF Blend(COLORREF base, COLORREF tint, int share);

bool operator==(const ViewMetrics& a, const ViewMetrics& b);
bool operator==(const Palette& a, const Palette& b);

// The DPI the window is drawn at: GetDpiForWindow where Windows has it
// (looked up at run time, so the DLL still loads on Windows 7 and 8), else
// the DPI of the window's screen DC.
int WindowDpi(HWND hwnd);
// Whether the user has high contrast on.
bool HighContrastOn(HWND hwnd);
ViewMetrics ReadMetrics(HWND hwnd);
Palette ReadPalette(HWND hwnd);
// Scales pixels at 96 DPI to the metrics' DPI; at least 1 for a positive size.
int Scale(const ViewMetrics& metrics, int pixels);

// The bitmap of a caret drawn in a colour over a background (the system
// inverts the screen by the caret's bitmap): in high contrast the window
// text's over the window's; otherwise the host's over the text's
// background, and none for black on white, where the plain inverting caret
// is just that.
OwnedBitmap CaretBitmap(const Palette& palette, COLORREF colour, COLORREF back, int width,
                        int height);

// The hidden top-level window that hears system-wide setting changes for an
// editor and sends them on to it. Its class lives as long as the DLL.
bool RegisterSettingsListener(HINSTANCE instance);
void UnregisterSettingsListener(HINSTANCE instance);
HWND CreateSettingsListener(HWND editor);

} // namespace kalmor
