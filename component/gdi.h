// Small owners for GDI objects and device contexts, so every path that
// leaves a scope gives back what it took.
#pragma once
#include <windows.h>

namespace kalmor {

// The device context of one WM_PAINT, from BeginPaint to EndPaint.
class PaintDC {
  public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
    ~PaintDC() { EndPaint(hwnd_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const { return dc_; }
    const RECT& Area() const { return ps_.rcPaint; }

  private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A window's client-area device context, for measuring outside painting.
class WindowDC {
  public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_)
            ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// A memory DC compatible with the screen, kept for measuring text without
// asking the window system for a window's DC each time.
class MeasuringDC {
  public:
    MeasuringDC() : dc_(CreateCompatibleDC(nullptr)) {}
    ~MeasuringDC() {
        if (dc_)
            DeleteDC(dc_);
    }
    MeasuringDC(const MeasuringDC&) = delete;
    MeasuringDC& operator=(const MeasuringDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back on exit.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Drawing on a DC limited to a rectangle (logical units) until the end of the scope.
class ClippedDC {
  public:
    ClippedDC(HDC dc, const RECT& area) : dc_(dc), saved_(SaveDC(dc)) {
        IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    }
    ~ClippedDC() {
        if (saved_)
            RestoreDC(dc_, saved_);
    }
    ClippedDC(const ClippedDC&) = delete;
    ClippedDC& operator=(const ClippedDC&) = delete;

  private:
    HDC dc_;
    int saved_;
};

// Sole owner of one GDI object (font, brush, pen, bitmap); movable.
template <typename Handle> class Owned {
  public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle Get() const { return handle_; }
    void Reset(Handle handle = nullptr) {
        if (handle_)
            DeleteObject(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_ = nullptr;
};

using OwnedFont = Owned<HFONT>;
using OwnedBrush = Owned<HBRUSH>;
using OwnedPen = Owned<HPEN>;
using OwnedBitmap = Owned<HBITMAP>;

// Sole owner of a cursor made at run time (not one loaded from the system).
class OwnedCursor {
  public:
    OwnedCursor() = default;
    ~OwnedCursor() { Reset(nullptr); }
    OwnedCursor(const OwnedCursor&) = delete;
    OwnedCursor& operator=(const OwnedCursor&) = delete;
    HCURSOR Get() const { return cursor_; }
    void Reset(HCURSOR cursor) {
        if (cursor_)
            DestroyIcon(reinterpret_cast<HICON>(cursor_));
        cursor_ = cursor;
    }

  private:
    HCURSOR cursor_ = nullptr;
};

// An off-screen DC with a bitmap of the given size, compatible with `target`.
// Drawing goes here first and reaches the screen in one BitBlt.
class MemoryDC {
  public:
    MemoryDC(HDC target, int width, int height)
        : dc_(CreateCompatibleDC(target)), bitmap_(CreateCompatibleBitmap(target, width, height)),
          previous_(dc_ && bitmap_.Get() ? SelectObject(dc_, bitmap_.Get()) : nullptr) {}
    ~MemoryDC() {
        if (previous_)
            SelectObject(dc_, previous_);
        bitmap_.Reset();
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    bool Ok() const { return previous_ != nullptr; }
    HDC Get() const { return dc_; }

  private:
    HDC dc_;
    OwnedBitmap bitmap_;
    HGDIOBJ previous_;
};

// Sole owner of a menu made with CreatePopupMenu.
class OwnedMenu {
  public:
    explicit OwnedMenu(HMENU menu) : menu_(menu) {}
    ~OwnedMenu() {
        if (menu_)
            DestroyMenu(menu_);
    }
    OwnedMenu(const OwnedMenu&) = delete;
    OwnedMenu& operator=(const OwnedMenu&) = delete;

    HMENU Get() const { return menu_; }

  private:
    HMENU menu_;
};

// Sole owner of a window made for one editor window (its balloon tip). A
// window the system already destroyed, with its owner, is not destroyed again.
class OwnedWindow {
  public:
    OwnedWindow() = default;
    ~OwnedWindow() { Reset(); }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;

    HWND Get() const { return hwnd_; }
    void Reset(HWND hwnd = nullptr) {
        if (hwnd_ && IsWindow(hwnd_))
            DestroyWindow(hwnd_);
        hwnd_ = hwnd;
    }

  private:
    HWND hwnd_ = nullptr;
};

// The clipboard, held open for the life of this object. Another program may
// hold it for a moment, so opening is tried a few times before giving up.
class OpenedClipboard {
  public:
    explicit OpenedClipboard(HWND owner) {
        for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
            open_ = OpenClipboard(owner) != FALSE;
            if (!open_)
                Sleep(20);
        }
    }
    ~OpenedClipboard() {
        if (open_)
            CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;

    bool Ok() const { return open_; }

  private:
    bool open_ = false;
};

// A locked global memory block, unlocked on every path.
class GlobalLocked {
  public:
    explicit GlobalLocked(HGLOBAL memory)
        : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    ~GlobalLocked() {
        if (data_)
            GlobalUnlock(memory_);
    }
    GlobalLocked(const GlobalLocked&) = delete;
    GlobalLocked& operator=(const GlobalLocked&) = delete;

    char* Get() const { return static_cast<char*>(data_); }
    size_t Size() const { return data_ ? GlobalSize(memory_) : 0; }

  private:
    HGLOBAL memory_;
    void* data_;
};

} // namespace kalmor
