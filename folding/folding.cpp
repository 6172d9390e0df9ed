#include "folding/folding.h"

#include "editor/channel.h"
#include "kalmor.h"

// The header line of the current sweep.
static int sweepHeader;
// The expanded flag every header of the current sweep is given.
static int sweepTarget;

extern "C" int __stdcall GETCURRENTLINE() {
    int position = SENDSCINTILLAMSG(directPointer, SCI_GETCURRENTPOS, 0, 0);
    return SENDSCINTILLAMSG(directPointer, SCI_LINEFROMPOSITION, position, 0);
}

extern "C" void __stdcall TOGGLESUB(int line) {
    int level = SENDSCINTILLAMSG(directPointer, SCI_GETFOLDLEVEL, line, 0);
    if ((level & SC_FOLDLEVELHEADERFLAG) == 0) {
        line = SENDSCINTILLAMSG(directPointer, SCI_GETFOLDPARENT, line, 0);
    }
    SENDSCINTILLAMSG(directPointer, SCI_TOGGLEFOLD, line, 0);
    SENDSCINTILLAMSG(directPointer, SCI_GOTOLINE, line, 0);
}

extern "C" void __stdcall TOGGLESUBSBELOW(int line) {
    if (SENDSCINTILLAMSG(directPointer, SCI_GETFOLDLEVEL, line, 0) & SC_FOLDLEVELHEADERFLAG) {
        sweepHeader = line;
    } else {
        sweepHeader = SENDSCINTILLAMSG(directPointer, SCI_GETFOLDPARENT, line, 0);
    }
    SENDSCINTILLAMSG(directPointer, SCI_TOGGLEFOLD, sweepHeader, 0);
    SENDSCINTILLAMSG(directPointer, SCI_GOTOLINE, sweepHeader, 0);
    // Read after the toggle: the header's new state is what the others follow.
    sweepTarget = SENDSCINTILLAMSG(directPointer, SCI_GETFOLDEXPANDED, sweepHeader, 0);

    SetCursor(LoadCursorA(nullptr, IDC_APPSTARTING));
    int count = SENDSCINTILLAMSG(directPointer, SCI_GETLINECOUNT, 0, 0);
    for (int i = line; i < count; i++) {
        if ((SENDSCINTILLAMSG(directPointer, SCI_GETFOLDLEVEL, i, 0) & SC_FOLDLEVELHEADERFLAG) &&
            SENDSCINTILLAMSG(directPointer, SCI_GETFOLDEXPANDED, i, 0) != sweepTarget) {
            SENDSCINTILLAMSG(directPointer, SCI_TOGGLEFOLD, i, 0);
        }
    }
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}
