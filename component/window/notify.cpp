// The host's notifications: WM_NOTIFY with an SCNotification to the parent,
// and WM_COMMAND with the edit control's codes. Each send may come back in:
// the host may send requests from inside any notification, and may destroy
// the window, which the sender sees as host.destroyed.
#include "component/window/editor_window.h"

namespace kalmor {

namespace {

int Modifiers(WPARAM keys) {
    return ((keys & MK_SHIFT) ? SCMOD_SHIFT : 0) | ((keys & MK_CONTROL) ? SCMOD_CTRL : 0) |
           (GetKeyState(VK_MENU) < 0 ? SCMOD_ALT : 0);
}

} // namespace

// Fills in the header and sends the record to the parent; false once the
// host has destroyed the window.
bool Notify(EditorWindow& w, SCNotification& notification) {
    HWND parent = GetParent(w.hwnd);
    if (w.host.destroyed || !parent)
        return !w.host.destroyed;
    notification.hwndFrom = w.hwnd;
    notification.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(w.hwnd));
    SendMessageA(parent, WM_NOTIFY, notification.idFrom, reinterpret_cast<LPARAM>(&notification));
    return !w.host.destroyed;
}

// As an edit control tells its parent: the control ID and the code in
// wParam, the window in lParam.
bool NotifyCommand(EditorWindow& w, unsigned code) {
    HWND parent = GetParent(w.hwnd);
    if (w.host.destroyed || !parent)
        return !w.host.destroyed;
    int id = GetDlgCtrlID(w.hwnd);
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(w.hwnd));
    return !w.host.destroyed;
}

void ModificationNotifier::Modified(const Modification& modification) {
    SCNotification notification{};
    notification.code = SCN_MODIFIED;
    notification.modificationType = modification.type;
    notification.position = modification.position;
    notification.length = modification.length;
    notification.linesAdded = modification.linesAdded;
    notification.text = modification.text;
    notification.line = modification.line;
    notification.foldLevelNow = modification.foldLevelNow;
    notification.foldLevelPrev = modification.foldLevelPrev;
    Notify(w_, notification);
}

void ModificationNotifier::ModifyAttemptReadOnly() {
    SCNotification notification{};
    notification.code = SCN_MODIFYATTEMPTRO;
    Notify(w_, notification);
}

void ModificationNotifier::StyleNeeded(int position) {
    SCNotification notification{};
    notification.code = SCN_STYLENEEDED;
    notification.position = position;
    Notify(w_, notification);
}

// Tells the parent about a click in a click-sensitive margin.
void NotifyMarginClick(EditorWindow& w, int margin, int line, WPARAM keys) {
    SCNotification notification{};
    notification.code = SCN_MARGINCLICK;
    notification.position = w.core.LineStart(line);
    notification.modifiers = Modifiers(keys);
    notification.margin = margin;
    Notify(w, notification);
}

bool NotifyIndicator(EditorWindow& w, unsigned code, int position, WPARAM keys) {
    SCNotification notification{};
    notification.code = code;
    notification.position = position;
    notification.modifiers = Modifiers(keys);
    return Notify(w, notification);
}

void NotifyDoubleClick(EditorWindow& w, int position, WPARAM keys) {
    SCNotification notification{};
    notification.code = SCN_DOUBLECLICK;
    notification.position = position;
    notification.line = w.core.LineFromPosition(position);
    notification.modifiers = Modifiers(keys);
    Notify(w, notification);
}

void NotifyFocus(EditorWindow& w, bool focused) {
    SCNotification notification{};
    notification.code = focused ? SCN_FOCUSIN : SCN_FOCUSOUT;
    if (Notify(w, notification))
        NotifyCommand(w, focused ? SCEN_SETFOCUS : SCEN_KILLFOCUS);
}

// In the order a host relies on: each character typed is in the document
// when it hears of it, and SCN_UPDATEUI comes last, once the rest is told.
void TellHost(EditorWindow& w, const Changes& changes, int updated) {
    std::vector<TypedCharacter> typed;
    typed.swap(w.host.typed);
    for (const TypedCharacter& character : typed) {
        SCNotification notification{};
        notification.code = SCN_CHARADDED;
        notification.ch = character.ch;
        notification.characterSource = character.source;
        if (!Notify(w, notification))
            return;
    }
    if (changes.savePoint != 0) {
        SCNotification notification{};
        notification.code = changes.savePoint > 0 ? SCN_SAVEPOINTREACHED : SCN_SAVEPOINTLEFT;
        if (!Notify(w, notification))
            return;
    }
    if (changes.zoom) {
        SCNotification notification{};
        notification.code = SCN_ZOOM;
        if (!Notify(w, notification))
            return;
    }
    if (changes.text && !NotifyCommand(w, SCEN_CHANGE))
        return;
    if (updated != 0) {
        SCNotification notification{};
        notification.code = SCN_UPDATEUI;
        notification.updated = updated;
        Notify(w, notification);
    }
}

} // namespace kalmor
