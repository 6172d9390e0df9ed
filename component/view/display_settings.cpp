// The editor's DPI, metrics and colours as the system gives them, and the
// hidden window that hears when they change.
#include "component/view/display_settings.h"
#include <algorithm>
#include <tuple>

namespace kalmor {

namespace {

// Window properties that, when set on an editor, stand in for the system's
// answer: the component tests set them where Wine cannot change the DPI
// while running or turn high contrast on.
constexpr char kDpiProperty[] = "KalmorDpi";
constexpr char kHighContrastProperty[] = "KalmorHighContrast";

constexpr char kListenerClass[] = "KalmorSettingsListener";

UINT ReadSystemNumber(UINT action, UINT fallback) {
    UINT value = fallback;
    return SystemParametersInfoA(action, 0, &value, 0) ? value : fallback;
}

// Sends the setting changes the system broadcasts to top-level windows on
// to the editor that made this window.
LRESULT CALLBACK ListenerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        auto create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        if (HWND editor = reinterpret_cast<HWND>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
            SendMessageA(editor, message, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

// A colour a share (in 256ths) of the way from `base` to `tint`.
COLORREF Blend(COLORREF base, COLORREF tint, int share) {
    auto mix = [&](int from, int to) { return from + (to - from) * share / 256; };
    return RGB(mix(GetRValue(base), GetRValue(tint)), mix(GetGValue(base), GetGValue(tint)),
               mix(GetBValue(base), GetBValue(tint)));
}

// Selected text keeps its colours over a light tint of the user's highlight
// colour, paler without the focus; in high contrast the highlight is solid.
COLORREF Palette::SelectionBack(COLORREF textBack, bool focused) const {
    if (highContrast)
        return highlight;
    return focused ? Blend(textBack, highlight, 80) : Blend(textBack, grayText, 56);
}

bool operator==(const ViewMetrics& a, const ViewMetrics& b) {
    auto fields = [](const ViewMetrics& m) {
        return std::tie(m.dpi, m.caretWidth, m.line, m.textPadding, m.numberPadding, m.tagInset,
                        m.tagPadding, m.wheelLines, m.wheelChars);
    };
    return fields(a) == fields(b);
}

bool operator==(const Palette& a, const Palette& b) {
    auto fields = [](const Palette& p) {
        return std::tie(p.highContrast, p.windowText, p.window, p.highlight, p.highlightText,
                        p.grayText, p.buttonFace, p.buttonHighlight);
    };
    return fields(a) == fields(b);
}

int WindowDpi(HWND hwnd) {
    if (HANDLE forced = GetPropA(hwnd, kDpiProperty))
        return static_cast<int>(reinterpret_cast<INT_PTR>(forced));
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    FARPROC found = GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    if (found) {
        auto getDpiForWindow =
            reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(found));
        if (UINT dpi = getDpiForWindow(hwnd))
            return static_cast<int>(dpi);
    }
    WindowDC dc(hwnd);
    int dpi = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

bool HighContrastOn(HWND hwnd) {
    if (GetPropA(hwnd, kHighContrastProperty))
        return true;
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

int Scale(const ViewMetrics& metrics, int pixels) {
    return std::max(pixels > 0 ? 1 : 0, MulDiv(pixels, metrics.dpi, 96));
}

ViewMetrics ReadMetrics(HWND hwnd) {
    ViewMetrics metrics;
    metrics.dpi = std::clamp(WindowDpi(hwnd), 48, 960);
    int caretWidth = static_cast<int>(ReadSystemNumber(SPI_GETCARETWIDTH, 1));
    metrics.caretWidth = Scale(metrics, std::clamp(caretWidth, 1, 20));
    metrics.line = Scale(metrics, 1);
    metrics.textPadding = Scale(metrics, 2);
    metrics.numberPadding = Scale(metrics, 3);
    metrics.tagInset = Scale(metrics, 1);
    metrics.tagPadding = Scale(metrics, 3);
    metrics.wheelLines = ReadSystemNumber(SPI_GETWHEELSCROLLLINES, 3);
    metrics.wheelChars = ReadSystemNumber(SPI_GETWHEELSCROLLCHARS, 3);
    return metrics;
}

Palette ReadPalette(HWND hwnd) {
    Palette palette;
    palette.highContrast = HighContrastOn(hwnd);
    palette.windowText = GetSysColor(COLOR_WINDOWTEXT);
    palette.window = GetSysColor(COLOR_WINDOW);
    palette.highlight = GetSysColor(COLOR_HIGHLIGHT);
    palette.highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    palette.grayText = GetSysColor(COLOR_GRAYTEXT);
    palette.buttonFace = GetSysColor(COLOR_BTNFACE);
    palette.buttonHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    return palette;
}

OwnedBitmap CaretBitmap(const Palette& palette, COLORREF colour, COLORREF back, int width,
                        int height) {
    COLORREF bits = palette.highContrast ? palette.window ^ palette.windowText : back ^ colour;
    if (bits == 0xFFFFFF || width <= 0)
        return OwnedBitmap();
    WindowDC screen(nullptr);
    OwnedBitmap bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    MeasuringDC memory; // a memory DC of the screen's format, to fill the bitmap in
    if (!bitmap.Get() || !memory.Get())
        return OwnedBitmap();
    SelectedObject selected(memory.Get(), bitmap.Get());
    RECT all{0, 0, width, height};
    SetBkColor(memory.Get(), bits);
    ExtTextOutA(memory.Get(), 0, 0, ETO_OPAQUE, &all, "", 0, nullptr);
    return bitmap;
}

bool RegisterSettingsListener(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ListenerProc;
    wc.hInstance = instance;
    wc.lpszClassName = kListenerClass;
    return RegisterClassExA(&wc) != 0;
}

void UnregisterSettingsListener(HINSTANCE instance) {
    UnregisterClassA(kListenerClass, instance);
}

// Hidden, unowned and never shown: such a window still gets every broadcast,
// and no task bar or window switcher lists a tool window.
HWND CreateSettingsListener(HWND editor) {
    auto instance = reinterpret_cast<HINSTANCE>(GetClassLongPtrA(editor, GCLP_HMODULE));
    return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kListenerClass, "", WS_POPUP, 0, 0,
                           0, 0, nullptr, nullptr, instance, editor);
}

} // namespace kalmor
