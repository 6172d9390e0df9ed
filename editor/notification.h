// The record the editor window sends its parent with WM_NOTIFY.
#pragma once
#include <windows.h>
#include <cstddef>

struct SCNotification {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
    INT_PTR position;
    int ch;
    int modifiers;
    int modificationType;
    const char* text;
    INT_PTR length;
    INT_PTR linesAdded;
    int message;
    UINT_PTR wParam;
    INT_PTR lParam;
    INT_PTR line;
    int foldLevelNow;
    int foldLevelPrev;
    int margin;
    int listType;
    int x;
    int y;
};

// The program copies this many bytes of every notification.
constexpr size_t NOTIFICATION_COPY_SIZE = sizeof(SCNotification);

#if !defined(_WIN64)
static_assert(sizeof(SCNotification) == 80, "the notification record is 80 bytes");
static_assert(offsetof(SCNotification, code) == 8, "code at byte 8");
static_assert(offsetof(SCNotification, position) == 12, "position at byte 12");
static_assert(offsetof(SCNotification, margin) == 64, "margin at byte 64");
#endif
