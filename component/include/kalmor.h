// KALMOR.DLL's public interface: the editor window's class, the direct
// function, every request the editor answers, the notifications it sends its
// parent and the values they carry. docs/component.md describes each one.
//
// Plain C++ constants and fixed-layout types, with no Windows header, so the
// editor's platform-neutral core shares them with hosts.
#pragma once
#include <stddef.h>
#include <stdint.h>

// The window class KALMOR.DLL registers while it is loaded.
constexpr char KALMOR_CLASS_NAME[] = "ZoradezazOr";

// The export that answers requests without the message queue, called as a
// window procedure: (direct pointer, request, wParam, lParam) -> result. The
// direct pointer is what SCI_GETDIRECTPOINTER answered.
constexpr char KALMOR_DIRECT_FUNCTION[] = "Scintilla_DirectFunction";
#if defined(_WIN32) && !defined(_WIN64)
typedef intptr_t(__stdcall* KalmorDirectFunction)(uintptr_t pointer, unsigned int request,
                                                  uintptr_t wParam, intptr_t lParam);
#else
typedef intptr_t (*KalmorDirectFunction)(uintptr_t pointer, unsigned int request, uintptr_t wParam,
                                         intptr_t lParam);
#endif

// The text.
constexpr unsigned SCI_INSERTTEXT = 2003;
constexpr unsigned SCI_GETLENGTH = 2006;
constexpr unsigned SCI_GETCHARAT = 2007;
constexpr unsigned SCI_GETSTYLEAT = 2010;
constexpr unsigned SCI_GETLINECOUNT = 2154;
constexpr unsigned SCI_LINEFROMPOSITION = 2166;
constexpr unsigned SCI_POSITIONFROMLINE = 2167;
constexpr unsigned SCI_SETTEXT = 2181;
constexpr unsigned SCI_GETTEXT = 2182;
constexpr unsigned SCI_DELETERANGE = 2645;

// Code pages and characters.
constexpr unsigned SCI_SETCODEPAGE = 2037;
constexpr unsigned SCI_GETCODEPAGE = 2137;
constexpr unsigned SCI_POSITIONBEFORE = 2417;
constexpr unsigned SCI_POSITIONAFTER = 2418;
constexpr unsigned SCI_COUNTCHARACTERS = 2633;
constexpr unsigned SCI_POSITIONRELATIVE = 2670;

// Reading and placing: adding text, lines and ranges read out, columns,
// words, the selection's ends and whether undo is collected.
constexpr unsigned SCI_ADDTEXT = 2001;
constexpr unsigned SCI_CLEARALL = 2004;
constexpr unsigned SCI_SETUNDOCOLLECTION = 2012;
constexpr unsigned SCI_GETUNDOCOLLECTION = 2019;
constexpr unsigned SCI_GETCURLINE = 2027;
constexpr unsigned SCI_GETCOLUMN = 2129;
constexpr unsigned SCI_GETLINEENDPOSITION = 2136;
constexpr unsigned SCI_SETSELECTIONSTART = 2142;
constexpr unsigned SCI_SETSELECTIONEND = 2144;
constexpr unsigned SCI_GETLINE = 2153;
constexpr unsigned SCI_GETTEXTRANGE = 2162;
constexpr unsigned SCI_GETTEXTLENGTH = 2183;
constexpr unsigned SCI_WORDSTARTPOSITION = 2266;
constexpr unsigned SCI_WORDENDPOSITION = 2267;
constexpr unsigned SCI_APPENDTEXT = 2282;
constexpr unsigned SCI_LINELENGTH = 2350;
constexpr unsigned SCI_FINDCOLUMN = 2456;
constexpr unsigned SCI_SETEMPTYSELECTION = 2556;

// The caret, the selection and the view.
constexpr unsigned SCI_GETCURRENTPOS = 2008;
constexpr unsigned SCI_GETANCHOR = 2009;
constexpr unsigned SCI_SELECTALL = 2013;
constexpr unsigned SCI_GOTOLINE = 2024;
constexpr unsigned SCI_GOTOPOS = 2025;
constexpr unsigned SCI_SETANCHOR = 2026;
constexpr unsigned SCI_SETCURRENTPOS = 2141;
constexpr unsigned SCI_GETSELECTIONSTART = 2143;
constexpr unsigned SCI_GETSELECTIONEND = 2145;
constexpr unsigned SCI_GETFIRSTVISIBLELINE = 2152;
constexpr unsigned SCI_SETSEL = 2160;
constexpr unsigned SCI_GETSELTEXT = 2161;
constexpr unsigned SCI_POINTXFROMPOSITION = 2164;
constexpr unsigned SCI_POINTYFROMPOSITION = 2165;
constexpr unsigned SCI_SCROLLCARET = 2169;
constexpr unsigned SCI_REPLACESEL = 2170;
constexpr unsigned SCI_GETDIRECTPOINTER = 2185;
constexpr unsigned SCI_TEXTHEIGHT = 2279;
constexpr unsigned SCI_POSITIONFROMPOINT = 2022;
constexpr unsigned SCI_POSITIONFROMPOINTCLOSE = 2023;
constexpr unsigned SCI_HIDESELECTION = 2163;
constexpr unsigned SCI_LINESCROLL = 2168;
constexpr unsigned SCI_TEXTWIDTH = 2276;
constexpr unsigned SCI_LINESONSCREEN = 2370;
constexpr unsigned SCI_SETXOFFSET = 2397;
constexpr unsigned SCI_GETXOFFSET = 2398;
constexpr unsigned SCI_CHARPOSITIONFROMPOINT = 2561;
constexpr unsigned SCI_SETFIRSTVISIBLELINE = 2613;

// Line wrapping and display lines: a wrapped line takes several display
// lines, and the display lines are what the view, its scroll bar and the
// requests counting lines on screen count.
constexpr unsigned SCI_VISIBLEFROMDOCLINE = 2220;
constexpr unsigned SCI_DOCLINEFROMVISIBLE = 2221;
constexpr unsigned SCI_WRAPCOUNT = 2235;
constexpr unsigned SCI_SETWRAPMODE = 2268;
constexpr unsigned SCI_GETWRAPMODE = 2269;
constexpr unsigned SCI_SETLAYOUTCACHE = 2272;
constexpr unsigned SCI_GETLAYOUTCACHE = 2273;
constexpr unsigned SCI_SETWRAPVISUALFLAGS = 2460;
constexpr unsigned SCI_GETWRAPVISUALFLAGS = 2461;
constexpr unsigned SCI_SETWRAPVISUALFLAGSLOCATION = 2462;
constexpr unsigned SCI_GETWRAPVISUALFLAGSLOCATION = 2463;
constexpr unsigned SCI_SETWRAPSTARTINDENT = 2464;
constexpr unsigned SCI_GETWRAPSTARTINDENT = 2465;
constexpr unsigned SCI_SETWRAPINDENTMODE = 2472;
constexpr unsigned SCI_GETWRAPINDENTMODE = 2473;

// Multiple selections, and their colours and carets.
constexpr unsigned SCI_SETMULTIPLESELECTION = 2563;
constexpr unsigned SCI_GETMULTIPLESELECTION = 2564;
constexpr unsigned SCI_SETADDITIONALSELECTIONTYPING = 2565;
constexpr unsigned SCI_GETADDITIONALSELECTIONTYPING = 2566;
constexpr unsigned SCI_SETADDITIONALCARETSBLINK = 2567;
constexpr unsigned SCI_GETADDITIONALCARETSBLINK = 2568;
constexpr unsigned SCI_GETSELECTIONS = 2570;
constexpr unsigned SCI_CLEARSELECTIONS = 2571;
constexpr unsigned SCI_SETSELECTION = 2572;
constexpr unsigned SCI_ADDSELECTION = 2573;
constexpr unsigned SCI_SETMAINSELECTION = 2574;
constexpr unsigned SCI_GETMAINSELECTION = 2575;
constexpr unsigned SCI_SETSELECTIONNCARET = 2576;
constexpr unsigned SCI_GETSELECTIONNCARET = 2577;
constexpr unsigned SCI_SETSELECTIONNANCHOR = 2578;
constexpr unsigned SCI_GETSELECTIONNANCHOR = 2579;
constexpr unsigned SCI_SETSELECTIONNSTART = 2584;
constexpr unsigned SCI_GETSELECTIONNSTART = 2585;
constexpr unsigned SCI_SETSELECTIONNEND = 2586;
constexpr unsigned SCI_GETSELECTIONNEND = 2587;
constexpr unsigned SCI_SETADDITIONALSELFORE = 2600;
constexpr unsigned SCI_SETADDITIONALSELBACK = 2601;
constexpr unsigned SCI_SETADDITIONALCARETFORE = 2604;
constexpr unsigned SCI_GETADDITIONALCARETFORE = 2605;
constexpr unsigned SCI_ROTATESELECTION = 2606;
constexpr unsigned SCI_SWAPMAINANCHORCARET = 2607;
constexpr unsigned SCI_SETADDITIONALCARETSVISIBLE = 2608;
constexpr unsigned SCI_GETADDITIONALCARETSVISIBLE = 2609;
constexpr unsigned SCI_SETMULTIPASTE = 2614;
constexpr unsigned SCI_GETMULTIPASTE = 2615;
constexpr unsigned SCI_GETSELECTIONEMPTY = 2650;
constexpr unsigned SCI_DROPSELECTIONN = 2671;
constexpr unsigned SCI_MULTIPLESELECTADDNEXT = 2688;
constexpr unsigned SCI_MULTIPLESELECTADDEACH = 2689;
constexpr int SC_MULTIPASTE_ONCE = 0;
constexpr int SC_MULTIPASTE_EACH = 1;

// Rectangular selection and virtual space: a rectangle is cut into one
// selection a line; virtual space is room past a line's end, in spaces.
constexpr unsigned SCI_SELECTIONISRECTANGLE = 2372;
constexpr unsigned SCI_SETSELECTIONMODE = 2422;
constexpr unsigned SCI_GETSELECTIONMODE = 2423;
constexpr unsigned SCI_GETLINESELSTARTPOSITION = 2424;
constexpr unsigned SCI_GETLINESELENDPOSITION = 2425;
constexpr unsigned SCI_LINEDOWNRECTEXTEND = 2426;
constexpr unsigned SCI_LINEUPRECTEXTEND = 2427;
constexpr unsigned SCI_CHARLEFTRECTEXTEND = 2428;
constexpr unsigned SCI_CHARRIGHTRECTEXTEND = 2429;
constexpr unsigned SCI_HOMERECTEXTEND = 2430;
constexpr unsigned SCI_VCHOMERECTEXTEND = 2431;
constexpr unsigned SCI_LINEENDRECTEXTEND = 2432;
constexpr unsigned SCI_PAGEUPRECTEXTEND = 2433;
constexpr unsigned SCI_PAGEDOWNRECTEXTEND = 2434;
constexpr unsigned SCI_SETSELECTIONNCARETVIRTUALSPACE = 2580;
constexpr unsigned SCI_GETSELECTIONNCARETVIRTUALSPACE = 2581;
constexpr unsigned SCI_SETSELECTIONNANCHORVIRTUALSPACE = 2582;
constexpr unsigned SCI_GETSELECTIONNANCHORVIRTUALSPACE = 2583;
constexpr unsigned SCI_SETRECTANGULARSELECTIONCARET = 2588;
constexpr unsigned SCI_GETRECTANGULARSELECTIONCARET = 2589;
constexpr unsigned SCI_SETRECTANGULARSELECTIONANCHOR = 2590;
constexpr unsigned SCI_GETRECTANGULARSELECTIONANCHOR = 2591;
constexpr unsigned SCI_SETRECTANGULARSELECTIONCARETVIRTUALSPACE = 2592;
constexpr unsigned SCI_GETRECTANGULARSELECTIONCARETVIRTUALSPACE = 2593;
constexpr unsigned SCI_SETRECTANGULARSELECTIONANCHORVIRTUALSPACE = 2594;
constexpr unsigned SCI_GETRECTANGULARSELECTIONANCHORVIRTUALSPACE = 2595;
constexpr unsigned SCI_SETVIRTUALSPACEOPTIONS = 2596;
constexpr unsigned SCI_GETVIRTUALSPACEOPTIONS = 2597;
constexpr unsigned SCI_SETRECTANGULARSELECTIONMODIFIER = 2598;
constexpr unsigned SCI_GETRECTANGULARSELECTIONMODIFIER = 2599;
constexpr unsigned SCI_CHANGESELECTIONMODE = 2659;
constexpr int SC_SEL_STREAM = 0;
constexpr int SC_SEL_RECTANGLE = 1;
constexpr int SC_SEL_LINES = 2;
constexpr int SC_SEL_THIN = 3;
constexpr int SCVS_NONE = 0;
constexpr int SCVS_RECTANGULARSELECTION = 1;
constexpr int SCVS_USERACCESSIBLE = 2;
constexpr int SCVS_NOWRAPLINESTART = 4;

// Undo and the clipboard.
constexpr unsigned SCI_REDO = 2011;
constexpr unsigned SCI_SETSAVEPOINT = 2014;
constexpr unsigned SCI_GETMODIFY = 2159;
constexpr unsigned SCI_CANREDO = 2016;
constexpr unsigned SCI_BEGINUNDOACTION = 2078;
constexpr unsigned SCI_ENDUNDOACTION = 2079;
constexpr unsigned SCI_CANPASTE = 2173;
constexpr unsigned SCI_CANUNDO = 2174;
constexpr unsigned SCI_EMPTYUNDOBUFFER = 2175;
constexpr unsigned SCI_UNDO = 2176;
constexpr unsigned SCI_CUT = 2177;
constexpr unsigned SCI_COPY = 2178;
constexpr unsigned SCI_PASTE = 2179;
constexpr unsigned SCI_CLEAR = 2180;

// Read-only, what the host hears, and the status.
constexpr unsigned SCI_GETREADONLY = 2140;
constexpr unsigned SCI_SETREADONLY = 2171;
constexpr unsigned SCI_SETMODEVENTMASK = 2359;
constexpr unsigned SCI_GETMODEVENTMASK = 2378;
constexpr unsigned SCI_SETSTATUS = 2382;
constexpr unsigned SCI_GETSTATUS = 2383;

// Styles.
constexpr unsigned SCI_STYLECLEARALL = 2050;
constexpr unsigned SCI_STYLESETFORE = 2051;
constexpr unsigned SCI_STYLESETBACK = 2052;
constexpr unsigned SCI_STYLESETBOLD = 2053;
constexpr unsigned SCI_STYLESETITALIC = 2054;
constexpr unsigned SCI_STYLESETSIZE = 2055;
constexpr unsigned SCI_STYLESETFONT = 2056;
constexpr unsigned SCI_STYLESETEOLFILLED = 2057;
constexpr unsigned SCI_STYLERESETDEFAULT = 2058;
constexpr unsigned SCI_STYLESETUNDERLINE = 2059;
constexpr unsigned SCI_STYLESETCASE = 2060;
constexpr unsigned SCI_STYLESETVISIBLE = 2074;
constexpr unsigned SCI_STYLEGETFORE = 2481;
constexpr unsigned SCI_STYLEGETBACK = 2482;
constexpr unsigned SCI_STYLEGETBOLD = 2483;
constexpr unsigned SCI_STYLEGETITALIC = 2484;
constexpr unsigned SCI_STYLEGETSIZE = 2485;
constexpr unsigned SCI_STYLEGETFONT = 2486;
constexpr unsigned SCI_STYLEGETEOLFILLED = 2487;
constexpr unsigned SCI_STYLEGETUNDERLINE = 2488;
constexpr unsigned SCI_STYLEGETCASE = 2489;
constexpr unsigned SCI_STYLEGETVISIBLE = 2491;

// Folding.
constexpr unsigned SCI_GETFOLDLEVEL = 2223;
constexpr unsigned SCI_GETLASTCHILD = 2224;
constexpr unsigned SCI_GETFOLDPARENT = 2225;
constexpr unsigned SCI_GETLINEVISIBLE = 2228;
constexpr unsigned SCI_SETFOLDEXPANDED = 2229;
constexpr unsigned SCI_GETFOLDEXPANDED = 2230;
constexpr unsigned SCI_TOGGLEFOLD = 2231;
constexpr unsigned SCI_SETFOLDFLAGS = 2233;
constexpr unsigned SCI_SETFOLDMARGINCOLOUR = 2290;
constexpr unsigned SCI_SETFOLDMARGINHICOLOUR = 2291;
constexpr unsigned SCI_SETAUTOMATICFOLD = 2663;
constexpr unsigned SCI_GETAUTOMATICFOLD = 2664;

// Markers.
constexpr unsigned SCI_MARKERLINEFROMHANDLE = 2017;
constexpr unsigned SCI_MARKERDELETEHANDLE = 2018;
constexpr unsigned SCI_MARKERDEFINE = 2040;
constexpr unsigned SCI_MARKERSETFORE = 2041;
constexpr unsigned SCI_MARKERSETBACK = 2042;
constexpr unsigned SCI_MARKERADD = 2043;
constexpr unsigned SCI_MARKERDELETE = 2044;
constexpr unsigned SCI_MARKERDELETEALL = 2045;
constexpr unsigned SCI_MARKERGET = 2046;
constexpr unsigned SCI_MARKERNEXT = 2047;
constexpr unsigned SCI_MARKERPREVIOUS = 2048;
constexpr unsigned SCI_MARKERADDSET = 2466;
constexpr unsigned SCI_MARKERSYMBOLDEFINED = 2529;

// Indicators.
constexpr unsigned SCI_INDICSETSTYLE = 2080;
constexpr unsigned SCI_INDICGETSTYLE = 2081;
constexpr unsigned SCI_INDICSETFORE = 2082;
constexpr unsigned SCI_INDICGETFORE = 2083;
constexpr unsigned SCI_SETINDICATORCURRENT = 2500;
constexpr unsigned SCI_GETINDICATORCURRENT = 2501;
constexpr unsigned SCI_SETINDICATORVALUE = 2502;
constexpr unsigned SCI_GETINDICATORVALUE = 2503;
constexpr unsigned SCI_INDICATORFILLRANGE = 2504;
constexpr unsigned SCI_INDICATORCLEARRANGE = 2505;
constexpr unsigned SCI_INDICATORALLONFOR = 2506;
constexpr unsigned SCI_INDICATORVALUEAT = 2507;
constexpr unsigned SCI_INDICATORSTART = 2508;
constexpr unsigned SCI_INDICATOREND = 2509;
constexpr unsigned SCI_INDICSETUNDER = 2510;
constexpr unsigned SCI_INDICGETUNDER = 2511;
constexpr unsigned SCI_INDICSETALPHA = 2523;
constexpr unsigned SCI_INDICGETALPHA = 2524;
constexpr unsigned SCI_INDICSETOUTLINEALPHA = 2558;
constexpr unsigned SCI_INDICGETOUTLINEALPHA = 2559;

// Margins.
constexpr unsigned SCI_SETMARGINTYPEN = 2240;
constexpr unsigned SCI_GETMARGINTYPEN = 2241;
constexpr unsigned SCI_SETMARGINWIDTHN = 2242;
constexpr unsigned SCI_GETMARGINWIDTHN = 2243;
constexpr unsigned SCI_SETMARGINMASKN = 2244;
constexpr unsigned SCI_GETMARGINMASKN = 2245;
constexpr unsigned SCI_SETMARGINSENSITIVEN = 2246;
constexpr unsigned SCI_GETMARGINSENSITIVEN = 2247;
constexpr unsigned SCI_SETMARGINCURSORN = 2248;
constexpr unsigned SCI_GETMARGINCURSORN = 2249;
constexpr unsigned SCI_SETMARGINBACKN = 2250;
constexpr unsigned SCI_GETMARGINBACKN = 2251;
constexpr unsigned SCI_SETMARGINLEFT = 2155;
constexpr unsigned SCI_GETMARGINLEFT = 2156;
constexpr unsigned SCI_SETMARGINRIGHT = 2157;
constexpr unsigned SCI_GETMARGINRIGHT = 2158;
constexpr unsigned SCI_MARGINSETTEXT = 2530;
constexpr unsigned SCI_MARGINGETTEXT = 2531;
constexpr unsigned SCI_MARGINSETSTYLE = 2532;
constexpr unsigned SCI_MARGINGETSTYLE = 2533;
constexpr unsigned SCI_MARGINTEXTCLEARALL = 2536;

// Searching and replacing.
constexpr unsigned SCI_FINDTEXT = 2150;
constexpr unsigned SCI_SETTARGETSTART = 2190;
constexpr unsigned SCI_GETTARGETSTART = 2191;
constexpr unsigned SCI_SETTARGETEND = 2192;
constexpr unsigned SCI_GETTARGETEND = 2193;
constexpr unsigned SCI_REPLACETARGET = 2194;
constexpr unsigned SCI_REPLACETARGETRE = 2195;
constexpr unsigned SCI_SEARCHINTARGET = 2197;
constexpr unsigned SCI_SETSEARCHFLAGS = 2198;
constexpr unsigned SCI_GETSEARCHFLAGS = 2199;
constexpr unsigned SCI_TARGETFROMSELECTION = 2287;
constexpr unsigned SCI_LINESJOIN = 2288;
constexpr unsigned SCI_LINESSPLIT = 2289;
constexpr unsigned SCI_SEARCHANCHOR = 2366;
constexpr unsigned SCI_SEARCHNEXT = 2367;
constexpr unsigned SCI_SEARCHPREV = 2368;
constexpr unsigned SCI_GETTAG = 2616;

// Line ends.
constexpr unsigned SCI_CONVERTEOLS = 2029;
constexpr unsigned SCI_GETEOLMODE = 2030;
constexpr unsigned SCI_SETEOLMODE = 2031;

// Tabs, indentation and overwriting.
constexpr unsigned SCI_SETTABWIDTH = 2036;
constexpr unsigned SCI_GETTABWIDTH = 2121;
constexpr unsigned SCI_SETINDENT = 2122;
constexpr unsigned SCI_GETINDENT = 2123;
constexpr unsigned SCI_SETUSETABS = 2124;
constexpr unsigned SCI_GETUSETABS = 2125;
constexpr unsigned SCI_SETLINEINDENTATION = 2126;
constexpr unsigned SCI_GETLINEINDENTATION = 2127;
constexpr unsigned SCI_GETLINEINDENTPOSITION = 2128;
constexpr unsigned SCI_SETOVERTYPE = 2186;
constexpr unsigned SCI_GETOVERTYPE = 2187;
constexpr unsigned SCI_TAB = 2327;
constexpr unsigned SCI_BACKTAB = 2328;

// Key commands: each does what its key does. A key is bound to any of them,
// or to SCI_SELECTALL, SCI_UNDO, SCI_REDO, SCI_CUT, SCI_COPY, SCI_PASTE,
// SCI_CLEAR, SCI_TAB, SCI_BACKTAB, SCI_ZOOMIN, SCI_ZOOMOUT or SCI_SETZOOM
// (which, from a key, sets the zoom to 0).
constexpr unsigned SCI_LINEDOWN = 2300;
constexpr unsigned SCI_LINEDOWNEXTEND = 2301;
constexpr unsigned SCI_LINEUP = 2302;
constexpr unsigned SCI_LINEUPEXTEND = 2303;
constexpr unsigned SCI_CHARLEFT = 2304;
constexpr unsigned SCI_CHARLEFTEXTEND = 2305;
constexpr unsigned SCI_CHARRIGHT = 2306;
constexpr unsigned SCI_CHARRIGHTEXTEND = 2307;
constexpr unsigned SCI_WORDLEFT = 2308;
constexpr unsigned SCI_WORDLEFTEXTEND = 2309;
constexpr unsigned SCI_WORDRIGHT = 2310;
constexpr unsigned SCI_WORDRIGHTEXTEND = 2311;
constexpr unsigned SCI_HOME = 2312;
constexpr unsigned SCI_HOMEEXTEND = 2313;
constexpr unsigned SCI_LINEEND = 2314;
constexpr unsigned SCI_LINEENDEXTEND = 2315;
constexpr unsigned SCI_DOCUMENTSTART = 2316;
constexpr unsigned SCI_DOCUMENTSTARTEXTEND = 2317;
constexpr unsigned SCI_DOCUMENTEND = 2318;
constexpr unsigned SCI_DOCUMENTENDEXTEND = 2319;
constexpr unsigned SCI_PAGEUP = 2320;
constexpr unsigned SCI_PAGEUPEXTEND = 2321;
constexpr unsigned SCI_PAGEDOWN = 2322;
constexpr unsigned SCI_PAGEDOWNEXTEND = 2323;
constexpr unsigned SCI_EDITTOGGLEOVERTYPE = 2324;
constexpr unsigned SCI_CANCEL = 2325;
constexpr unsigned SCI_DELETEBACK = 2326;
constexpr unsigned SCI_NEWLINE = 2329;
constexpr unsigned SCI_FORMFEED = 2330;
constexpr unsigned SCI_VCHOME = 2331;
constexpr unsigned SCI_VCHOMEEXTEND = 2332;
constexpr unsigned SCI_DELWORDLEFT = 2335;
constexpr unsigned SCI_DELWORDRIGHT = 2336;
constexpr unsigned SCI_LINECUT = 2337;
constexpr unsigned SCI_LINEDELETE = 2338;
constexpr unsigned SCI_LINETRANSPOSE = 2339;
constexpr unsigned SCI_LOWERCASE = 2340;
constexpr unsigned SCI_UPPERCASE = 2341;
constexpr unsigned SCI_LINESCROLLDOWN = 2342;
constexpr unsigned SCI_LINESCROLLUP = 2343;
constexpr unsigned SCI_DELETEBACKNOTLINE = 2344;
constexpr unsigned SCI_HOMEDISPLAY = 2345;
constexpr unsigned SCI_HOMEDISPLAYEXTEND = 2346;
constexpr unsigned SCI_LINEENDDISPLAY = 2347;
constexpr unsigned SCI_LINEENDDISPLAYEXTEND = 2348;
constexpr unsigned SCI_HOMEWRAP = 2349;
constexpr unsigned SCI_LINEREVERSE = 2354;
constexpr unsigned SCI_WORDPARTLEFT = 2390;
constexpr unsigned SCI_WORDPARTLEFTEXTEND = 2391;
constexpr unsigned SCI_WORDPARTRIGHT = 2392;
constexpr unsigned SCI_WORDPARTRIGHTEXTEND = 2393;
constexpr unsigned SCI_DELLINELEFT = 2395;
constexpr unsigned SCI_DELLINERIGHT = 2396;
constexpr unsigned SCI_MOVECARETINSIDEVIEW = 2401;
constexpr unsigned SCI_LINEDUPLICATE = 2404;
constexpr unsigned SCI_PARADOWN = 2413;
constexpr unsigned SCI_PARADOWNEXTEND = 2414;
constexpr unsigned SCI_PARAUP = 2415;
constexpr unsigned SCI_PARAUPEXTEND = 2416;
constexpr unsigned SCI_STUTTEREDPAGEUP = 2435;
constexpr unsigned SCI_STUTTEREDPAGEUPEXTEND = 2436;
constexpr unsigned SCI_STUTTEREDPAGEDOWN = 2437;
constexpr unsigned SCI_STUTTEREDPAGEDOWNEXTEND = 2438;
constexpr unsigned SCI_HOMEWRAPEXTEND = 2450;
constexpr unsigned SCI_LINEENDWRAP = 2451;
constexpr unsigned SCI_LINEENDWRAPEXTEND = 2452;
constexpr unsigned SCI_LINECOPY = 2455;
constexpr unsigned SCI_SELECTIONDUPLICATE = 2469;
constexpr unsigned SCI_MOVESELECTEDLINESUP = 2620;
constexpr unsigned SCI_MOVESELECTEDLINESDOWN = 2621;

// Key bindings: a key definition is a key code (an SCK_ value, an upper-case
// letter or digit, or another virtual-key code) plus SCMOD_ modifiers << 16.
constexpr unsigned SCI_ASSIGNCMDKEY = 2070;
constexpr unsigned SCI_CLEARCMDKEY = 2071;
constexpr unsigned SCI_CLEARALLCMDKEYS = 2072;
constexpr int SCK_ESCAPE = 7;
constexpr int SCK_BACK = 8;
constexpr int SCK_TAB = 9;
constexpr int SCK_RETURN = 13;
constexpr int SCK_DOWN = 300;
constexpr int SCK_UP = 301;
constexpr int SCK_LEFT = 302;
constexpr int SCK_RIGHT = 303;
constexpr int SCK_HOME = 304;
constexpr int SCK_END = 305;
constexpr int SCK_PRIOR = 306;
constexpr int SCK_NEXT = 307;
constexpr int SCK_DELETE = 308;
constexpr int SCK_INSERT = 309;
constexpr int SCK_ADD = 310;
constexpr int SCK_SUBTRACT = 311;
constexpr int SCK_DIVIDE = 312;
constexpr int SCK_WIN = 313;
constexpr int SCK_RWIN = 314;
constexpr int SCK_MENU = 315;

// Which characters form words and which are blanks, for word moves and
// deletes, double-clicks, word positions and whole-word search.
constexpr unsigned SCI_SETWORDCHARS = 2077;
constexpr unsigned SCI_SETWHITESPACECHARS = 2443;
constexpr unsigned SCI_SETCHARSDEFAULT = 2444;
constexpr unsigned SCI_GETWORDCHARS = 2646;
constexpr unsigned SCI_GETWHITESPACECHARS = 2647;

// The host's colours for the selection, the caret, the caret's line and the
// edge, and blanks and line ends shown.
constexpr unsigned SCI_SETSELFORE = 2067;
constexpr unsigned SCI_SETSELBACK = 2068;
constexpr unsigned SCI_SETCARETFORE = 2069;
constexpr unsigned SCI_GETCARETLINEVISIBLE = 2095;
constexpr unsigned SCI_SETCARETLINEVISIBLE = 2096;
constexpr unsigned SCI_GETCARETLINEBACK = 2097;
constexpr unsigned SCI_SETCARETLINEBACK = 2098;
constexpr unsigned SCI_GETCARETFORE = 2138;
constexpr unsigned SCI_GETCARETPERIOD = 2075;
constexpr unsigned SCI_SETCARETPERIOD = 2076;
constexpr unsigned SCI_SETCARETWIDTH = 2188;
constexpr unsigned SCI_GETCARETWIDTH = 2189;
constexpr unsigned SCI_GETEDGECOLUMN = 2360;
constexpr unsigned SCI_SETEDGECOLUMN = 2361;
constexpr unsigned SCI_GETEDGEMODE = 2362;
constexpr unsigned SCI_SETEDGEMODE = 2363;
constexpr unsigned SCI_GETEDGECOLOUR = 2364;
constexpr unsigned SCI_SETEDGECOLOUR = 2365;
constexpr unsigned SCI_GETVIEWWS = 2020;
constexpr unsigned SCI_SETVIEWWS = 2021;
constexpr unsigned SCI_SETWHITESPACEFORE = 2084;
constexpr unsigned SCI_SETWHITESPACEBACK = 2085;
constexpr unsigned SCI_SETWHITESPACESIZE = 2086;
constexpr unsigned SCI_GETWHITESPACESIZE = 2087;
constexpr unsigned SCI_GETVIEWEOL = 2355;
constexpr unsigned SCI_SETVIEWEOL = 2356;
constexpr unsigned SCI_SETINDENTATIONGUIDES = 2132;
constexpr unsigned SCI_GETINDENTATIONGUIDES = 2133;
constexpr unsigned SCI_SETHIGHLIGHTGUIDE = 2134;
constexpr unsigned SCI_GETHIGHLIGHTGUIDE = 2135;

// Zoom and braces.
constexpr unsigned SCI_ZOOMIN = 2333;
constexpr unsigned SCI_ZOOMOUT = 2334;
constexpr unsigned SCI_SETZOOM = 2373;
constexpr unsigned SCI_GETZOOM = 2374;
constexpr unsigned SCI_BRACEHIGHLIGHT = 2351;
constexpr unsigned SCI_BRACEBADLIGHT = 2352;
constexpr unsigned SCI_BRACEMATCH = 2353;

// The lexer, and the host's own styling and folding.
constexpr unsigned SCI_GETENDSTYLED = 2028;
constexpr unsigned SCI_STARTSTYLING = 2032;
constexpr unsigned SCI_SETSTYLING = 2033;
constexpr unsigned SCI_SETSTYLINGEX = 2073;
constexpr unsigned SCI_SETFOLDLEVEL = 2222;
constexpr unsigned SCI_SHOWLINES = 2226;
constexpr unsigned SCI_HIDELINES = 2227;
constexpr unsigned SCI_ENSUREVISIBLE = 2232;
constexpr unsigned SCI_COLOURISE = 4003;
constexpr unsigned SCI_SETLEXER = 4001;
constexpr unsigned SCI_GETLEXER = 4002;
constexpr unsigned SCI_SETPROPERTY = 4004;
constexpr unsigned SCI_SETKEYWORDS = 4005;

// Every request number lies in [SCI_START, SCI_END); the editor window takes
// window messages in that range as requests.
constexpr unsigned SCI_START = 2000;
constexpr unsigned SCI_END = 5000;

// Values carried by requests.
constexpr int STYLE_DEFAULT = 32;
constexpr int STYLE_LINENUMBER = 33;
constexpr int STYLE_BRACELIGHT = 34;
constexpr int STYLE_BRACEBAD = 35;
constexpr int STYLE_CONTROLCHAR = 36;
constexpr int STYLE_INDENTGUIDE = 37;
constexpr int SC_WRAP_NONE = 0;
constexpr int SC_WRAP_WORD = 1;
constexpr int SC_WRAP_CHAR = 2;
constexpr int SC_WRAP_WHITESPACE = 3;
constexpr int SC_WRAPVISUALFLAG_NONE = 0;
constexpr int SC_WRAPVISUALFLAG_END = 1;
constexpr int SC_WRAPVISUALFLAG_START = 2;
constexpr int SC_WRAPVISUALFLAG_MARGIN = 4;
constexpr int SC_WRAPVISUALFLAGLOC_DEFAULT = 0;
constexpr int SC_WRAPVISUALFLAGLOC_END_BY_TEXT = 1;
constexpr int SC_WRAPVISUALFLAGLOC_START_BY_TEXT = 2;
constexpr int SC_WRAPINDENT_FIXED = 0;
constexpr int SC_WRAPINDENT_SAME = 1;
constexpr int SC_WRAPINDENT_INDENT = 2;
constexpr int SC_WRAPINDENT_DEEPINDENT = 3;
constexpr int SC_CACHE_NONE = 0;
constexpr int SC_CACHE_CARET = 1;
constexpr int SC_CACHE_PAGE = 2;
constexpr int SC_CACHE_DOCUMENT = 3;
constexpr int SC_CASE_MIXED = 0;
constexpr int SC_CASE_UPPER = 1;
constexpr int SC_CASE_LOWER = 2;
constexpr int EDGE_NONE = 0;
constexpr int EDGE_LINE = 1;
constexpr int EDGE_BACKGROUND = 2;
constexpr int SCWS_INVISIBLE = 0;
constexpr int SCWS_VISIBLEALWAYS = 1;
constexpr int SCWS_VISIBLEAFTERINDENT = 2;
constexpr int SCWS_VISIBLEONLYININDENT = 3;
constexpr int SC_IV_NONE = 0;
constexpr int SC_IV_REAL = 1;
constexpr int SC_IV_LOOKFORWARD = 2;
constexpr int SC_IV_LOOKBOTH = 3;
constexpr int SC_MARGIN_SYMBOL = 0;
constexpr int SC_MARGIN_NUMBER = 1;
constexpr int SC_MARGIN_BACK = 2;
constexpr int SC_MARGIN_FORE = 3;
constexpr int SC_MARGIN_TEXT = 4;
constexpr int SC_MARGIN_RTEXT = 5;
constexpr int SC_MARGIN_COLOUR = 6;
constexpr int SC_CURSORNORMAL = -1;
constexpr int SC_CURSORARROW = 2;
constexpr int SC_CURSORREVERSEARROW = 7;
constexpr int SC_MARK_CIRCLE = 0;
constexpr int SC_MARK_ROUNDRECT = 1;
constexpr int SC_MARK_ARROW = 2;
constexpr int SC_MARK_SMALLRECT = 3;
constexpr int SC_MARK_SHORTARROW = 4;
constexpr int SC_MARK_EMPTY = 5;
constexpr int SC_MARK_ARROWDOWN = 6;
constexpr int SC_MARK_MINUS = 7;
constexpr int SC_MARK_PLUS = 8;
constexpr int SC_MARK_VLINE = 9;
constexpr int SC_MARK_LCORNER = 10;
constexpr int SC_MARK_TCORNER = 11;
constexpr int SC_MARK_BOXPLUS = 12;
constexpr int SC_MARK_BOXPLUSCONNECTED = 13;
constexpr int SC_MARK_BOXMINUS = 14;
constexpr int SC_MARK_BOXMINUSCONNECTED = 15;
constexpr int SC_MARK_LCORNERCURVE = 16;
constexpr int SC_MARK_TCORNERCURVE = 17;
constexpr int SC_MARK_CIRCLEPLUS = 18;
constexpr int SC_MARK_CIRCLEPLUSCONNECTED = 19;
constexpr int SC_MARK_CIRCLEMINUS = 20;
constexpr int SC_MARK_CIRCLEMINUSCONNECTED = 21;
constexpr int SC_MARK_BACKGROUND = 22;
constexpr int SC_MARK_DOTDOTDOT = 23;
constexpr int SC_MARK_ARROWS = 24;
constexpr int SC_MARK_FULLRECT = 26;
constexpr int SC_MARK_LEFTRECT = 27;
constexpr int SC_MARK_UNDERLINE = 29;
constexpr int SC_MARK_BOOKMARK = 31;
constexpr int SC_MARK_CHARACTER = 10000;
// The markers a fold margin draws, and the mask that selects them.
constexpr int SC_MARKNUM_FOLDEREND = 25;
constexpr int SC_MARKNUM_FOLDEROPENMID = 26;
constexpr int SC_MARKNUM_FOLDERMIDTAIL = 27;
constexpr int SC_MARKNUM_FOLDERTAIL = 28;
constexpr int SC_MARKNUM_FOLDERSUB = 29;
constexpr int SC_MARKNUM_FOLDER = 30;
constexpr int SC_MARKNUM_FOLDEROPEN = 31;
constexpr unsigned SC_MASK_FOLDERS = 0xFE000000u;
constexpr int SC_FOLDFLAG_LINEBEFORE_EXPANDED = 0x2;
constexpr int SC_FOLDFLAG_LINEBEFORE_CONTRACTED = 0x4;
constexpr int SC_FOLDFLAG_LINEAFTER_EXPANDED = 0x8;
constexpr int SC_FOLDFLAG_LINEAFTER_CONTRACTED = 0x10;
constexpr int SC_AUTOMATICFOLD_SHOW = 0x1;
constexpr int SC_AUTOMATICFOLD_CLICK = 0x2;
constexpr int SC_AUTOMATICFOLD_CHANGE = 0x4;
constexpr int INDIC_PLAIN = 0;
constexpr int INDIC_SQUIGGLE = 1;
constexpr int INDIC_TT = 2;
constexpr int INDIC_DIAGONAL = 3;
constexpr int INDIC_STRIKE = 4;
constexpr int INDIC_HIDDEN = 5;
constexpr int INDIC_BOX = 6;
constexpr int INDIC_ROUNDBOX = 7;
constexpr int INDIC_STRAIGHTBOX = 8;
constexpr int INDIC_DASH = 9;
constexpr int INDIC_DOTS = 10;
constexpr int INDIC_SQUIGGLELOW = 11;
constexpr int INDIC_DOTBOX = 12;
constexpr int INDIC_SQUIGGLEPIXMAP = 13;
constexpr int INDIC_COMPOSITIONTHICK = 14;
constexpr int INDIC_COMPOSITIONTHIN = 15;
constexpr int INDIC_FULLBOX = 16;
constexpr int INDIC_TEXTFORE = 17;
constexpr int INDIC_POINT = 18;
constexpr int INDIC_POINTCHARACTER = 19;
constexpr int INDICATOR_CONTAINER = 8;
constexpr int INDICATOR_MAX = 35;
constexpr int SC_FOLDLEVELBASE = 0x400;
constexpr int SC_FOLDLEVELWHITEFLAG = 0x1000;
constexpr int SC_FOLDLEVELHEADERFLAG = 0x2000;
constexpr int SC_FOLDLEVELNUMBERMASK = 0x0FFF;
constexpr int SCLEX_CONTAINER = 0;
constexpr int SCLEX_NULL = 1;
constexpr int SCLEX_BASIC = 51;
constexpr int SC_CP_UTF8 = 65001;
constexpr int SC_EOL_CRLF = 0;
constexpr int SC_EOL_CR = 1;
constexpr int SC_EOL_LF = 2;
constexpr int SCFIND_WHOLEWORD = 2;
constexpr int SCFIND_MATCHCASE = 4;
constexpr int SCFIND_WORDSTART = 0x100000;
constexpr int SCFIND_REGEXP = 0x200000;
constexpr int SCFIND_POSIX = 0x400000;
constexpr int SCFIND_CXX11REGEX = 0x800000;
constexpr int SC_STATUS_WARN_REGEX = 1001;

// Notification codes sent to the parent in WM_NOTIFY, and the keys held.
constexpr unsigned SCN_STYLENEEDED = 2000;
constexpr unsigned SCN_CHARADDED = 2001;
constexpr unsigned SCN_SAVEPOINTREACHED = 2002;
constexpr unsigned SCN_SAVEPOINTLEFT = 2003;
constexpr unsigned SCN_MODIFYATTEMPTRO = 2004;
constexpr unsigned SCN_DOUBLECLICK = 2006;
constexpr unsigned SCN_UPDATEUI = 2007;
constexpr unsigned SCN_MODIFIED = 2008;
constexpr unsigned SCN_MARGINCLICK = 2010;
constexpr unsigned SCN_ZOOM = 2018;
constexpr unsigned SCN_INDICATORCLICK = 2023;
constexpr unsigned SCN_INDICATORRELEASE = 2024;
constexpr unsigned SCN_FOCUSIN = 2028;
constexpr unsigned SCN_FOCUSOUT = 2029;
constexpr int SCMOD_NORM = 0;
constexpr int SCMOD_SHIFT = 1;
constexpr int SCMOD_CTRL = 2;
constexpr int SCMOD_ALT = 4;
constexpr int SCMOD_SUPER = 8;

// WM_COMMAND's notification codes, as an edit control sends them.
constexpr unsigned SCEN_KILLFOCUS = 256;
constexpr unsigned SCEN_SETFOCUS = 512;
constexpr unsigned SCEN_CHANGE = 768;

// SCN_MODIFIED's modificationType, and SCI_SETMODEVENTMASK's bits.
constexpr int SC_MOD_INSERTTEXT = 0x1;
constexpr int SC_MOD_DELETETEXT = 0x2;
constexpr int SC_MOD_CHANGESTYLE = 0x4;
constexpr int SC_MOD_CHANGEFOLD = 0x8;
constexpr int SC_MOD_CHANGEMARKER = 0x200;
constexpr int SC_MOD_CHANGEINDICATOR = 0x4000;
constexpr int SC_PERFORMED_USER = 0x10;
constexpr int SC_PERFORMED_UNDO = 0x20;
constexpr int SC_PERFORMED_REDO = 0x40;
constexpr int SC_MULTISTEPUNDOREDO = 0x80;
constexpr int SC_LASTSTEPINUNDOREDO = 0x100;
constexpr int SC_MOD_BEFOREINSERT = 0x400;
constexpr int SC_MOD_BEFOREDELETE = 0x800;
constexpr int SC_STARTACTION = 0x2000;
constexpr int SC_MODEVENTMASKALL = 0x7FFFFF;

// SCN_UPDATEUI's updated: what changed since the last one.
constexpr int SC_UPDATE_CONTENT = 0x1;
constexpr int SC_UPDATE_SELECTION = 0x2;
constexpr int SC_UPDATE_V_SCROLL = 0x4;
constexpr int SC_UPDATE_H_SCROLL = 0x8;

// SCN_CHARADDED's characterSource.
constexpr int SC_CHARACTERSOURCE_DIRECT_INPUT = 0;
constexpr int SC_CHARACTERSOURCE_TENTATIVE_INPUT = 1;
constexpr int SC_CHARACTERSOURCE_IME_RESULT = 2;

// SCI_GETSTATUS.
constexpr int SC_STATUS_OK = 0;
constexpr int SC_STATUS_FAILURE = 1;
constexpr int SC_STATUS_BADALLOC = 2;

// The record WM_NOTIFY's lParam points to. It begins with the system's
// NMHDR (window, control ID, code); the pointer-sized fields follow the
// platform's width. On 32-bit Windows its first 80 bytes are the record
// of the first releases, so hosts that read only those keep working.
struct SCNotification {
    void* hwndFrom;
    uintptr_t idFrom;
    unsigned int code;
    intptr_t position;
    int ch;
    int modifiers;
    int modificationType;
    const char* text;
    intptr_t length;
    intptr_t linesAdded;
    int message;
    uintptr_t wParam;
    intptr_t lParam;
    intptr_t line;
    int foldLevelNow;
    int foldLevelPrev;
    int margin;
    int listType;
    int x;
    int y;
    int token;
    intptr_t annotationLinesAdded;
    int updated;
    int listCompletionMethod;
    int characterSource;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(SCNotification) == 100, "the notification record is 100 bytes");
static_assert(offsetof(SCNotification, token) == 80, "the fields added after y start at byte 80");
static_assert(offsetof(SCNotification, updated) == 88, "updated at byte 88");
static_assert(offsetof(SCNotification, characterSource) == 96, "characterSource at byte 96");
static_assert(offsetof(SCNotification, code) == 8, "code at byte 8");
static_assert(offsetof(SCNotification, position) == 12, "position at byte 12");
static_assert(offsetof(SCNotification, margin) == 64, "margin at byte 64");
#endif

// The record SCI_FINDTEXT's lParam points to: the range to search (cpMax
// below cpMin searches backwards; -1 is the document's end), the text, and
// the range found, written back. Positions are 32 bits on every platform.
struct Sci_CharacterRange {
    int32_t cpMin;
    int32_t cpMax;
};

struct Sci_TextToFind {
    Sci_CharacterRange chrg;
    const char* lpstrText;
    Sci_CharacterRange chrgText;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(Sci_TextToFind) == 20 && offsetof(Sci_TextToFind, chrgText) == 12,
              "the find record is two positions, a pointer and two positions");
#endif

// The record SCI_GETTEXTRANGE's lParam points to: the range to read (cpMax
// -1 is the document's end) and the buffer it is copied into with a NUL.
struct Sci_TextRange {
    Sci_CharacterRange chrg;
    char* lpstrText;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(Sci_TextRange) == 12 && offsetof(Sci_TextRange, lpstrText) == 8,
              "the range record is two positions and a pointer");
#endif
