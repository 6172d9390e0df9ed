// The numbered requests and notifications of the editing component.
//
// The program sends the first group; the component answers those and the
// second group, which hosts and tests use to look inside the editor.
// Plain constants with no Windows types, so the component's platform-neutral
// core shares them.
#pragma once

// Requests the program sends.
constexpr unsigned SCI_INSERTTEXT = 2003;
constexpr unsigned SCI_GETCURRENTPOS = 2008;
constexpr unsigned SCI_GOTOLINE = 2024;
constexpr unsigned SCI_STYLECLEARALL = 2050;
constexpr unsigned SCI_STYLESETFORE = 2051;
constexpr unsigned SCI_STYLESETBOLD = 2053;
constexpr unsigned SCI_STYLESETITALIC = 2054;
constexpr unsigned SCI_STYLESETSIZE = 2055;
constexpr unsigned SCI_STYLESETFONT = 2056;
constexpr unsigned SCI_GETLINECOUNT = 2154;
constexpr unsigned SCI_LINEFROMPOSITION = 2166;
constexpr unsigned SCI_GETDIRECTPOINTER = 2185;
constexpr unsigned SCI_GETFOLDLEVEL = 2223;
constexpr unsigned SCI_GETFOLDPARENT = 2225;
constexpr unsigned SCI_GETFOLDEXPANDED = 2230;
constexpr unsigned SCI_TOGGLEFOLD = 2231;
constexpr unsigned SCI_SETMARGINTYPEN = 2240;
constexpr unsigned SCI_SETMARGINWIDTHN = 2242;
constexpr unsigned SCI_SETMARGINMASKN = 2244;
constexpr unsigned SCI_SETMARGINSENSITIVEN = 2246;
constexpr unsigned SCI_SETLEXER = 4001;
constexpr unsigned SCI_SETPROPERTY = 4004;
constexpr unsigned SCI_SETKEYWORDS = 4005;

// Further requests the component answers, for hosts and tests.
constexpr unsigned SCI_GETLENGTH = 2006;
constexpr unsigned SCI_GETCHARAT = 2007;
constexpr unsigned SCI_GETSTYLEAT = 2010;
constexpr unsigned SCI_SETCURRENTPOS = 2141;
constexpr unsigned SCI_GETFIRSTVISIBLELINE = 2152;
constexpr unsigned SCI_POSITIONFROMLINE = 2167;
constexpr unsigned SCI_SETTEXT = 2181;
constexpr unsigned SCI_GETTEXT = 2182;
constexpr unsigned SCI_GETLASTCHILD = 2224;
constexpr unsigned SCI_GETLINEVISIBLE = 2228;
constexpr unsigned SCI_SETFOLDEXPANDED = 2229;
constexpr unsigned SCI_GETMARGINTYPEN = 2241;
constexpr unsigned SCI_GETMARGINWIDTHN = 2243;
constexpr unsigned SCI_GETMARGINMASKN = 2245;
constexpr unsigned SCI_GETMARGINSENSITIVEN = 2247;
constexpr unsigned SCI_STYLEGETFORE = 2481;
constexpr unsigned SCI_GETLEXER = 4002;

// Selection and undo, answered by the core.
constexpr unsigned SCI_GETANCHOR = 2009;
constexpr unsigned SCI_REDO = 2011;
constexpr unsigned SCI_SELECTALL = 2013;
constexpr unsigned SCI_CANREDO = 2016;
constexpr unsigned SCI_GOTOPOS = 2025;
constexpr unsigned SCI_SETANCHOR = 2026;
constexpr unsigned SCI_BEGINUNDOACTION = 2078;
constexpr unsigned SCI_ENDUNDOACTION = 2079;
constexpr unsigned SCI_GETSELECTIONSTART = 2143;
constexpr unsigned SCI_GETSELECTIONEND = 2145;
constexpr unsigned SCI_SETSEL = 2160;
constexpr unsigned SCI_GETSELTEXT = 2161;
constexpr unsigned SCI_REPLACESEL = 2170;
constexpr unsigned SCI_CANUNDO = 2174;
constexpr unsigned SCI_EMPTYUNDOBUFFER = 2175;
constexpr unsigned SCI_UNDO = 2176;
constexpr unsigned SCI_CLEAR = 2180;

// Requests only the editor window can answer: the view and the clipboard.
constexpr unsigned SCI_SCROLLCARET = 2169;
constexpr unsigned SCI_CANPASTE = 2173;
constexpr unsigned SCI_CUT = 2177;
constexpr unsigned SCI_COPY = 2178;
constexpr unsigned SCI_PASTE = 2179;

// Requests only the editor window can answer: where things are on screen.
constexpr unsigned SCI_POINTXFROMPOSITION = 2164;
constexpr unsigned SCI_POINTYFROMPOSITION = 2165;
constexpr unsigned SCI_TEXTHEIGHT = 2279;
constexpr unsigned SCI_DELETERANGE = 2645;

// Every request number lies in [SCI_START, SCI_END); the editor window takes
// window messages in that range as requests.
constexpr unsigned SCI_START = 2000;
constexpr unsigned SCI_END = 5000;

// Notification codes sent to the parent in WM_NOTIFY.
constexpr unsigned SCN_MARGINCLICK = 2010;

// Values carried by requests.
constexpr int STYLE_DEFAULT = 32;
constexpr int STYLE_LINENUMBER = 33;
constexpr int SC_MARGIN_SYMBOL = 0;
constexpr int SC_MARGIN_NUMBER = 1;
constexpr int SC_FOLDLEVELBASE = 0x400;
constexpr int SC_FOLDLEVELHEADERFLAG = 0x2000;
constexpr int SC_FOLDLEVELNUMBERMASK = 0x0FFF;
constexpr int SCLEX_BASIC = 51;
constexpr int SCMOD_SHIFT = 1;
constexpr int SCMOD_CTRL = 2;
constexpr int SCMOD_ALT = 4;
