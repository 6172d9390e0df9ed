#include "editor/setup.h"

#include "editor/channel.h"
#include "editor/demo_text.h"
#include "kalmor.h"

std::string demoListing;
std::string keywordList;

// Styles of the BASIC lexer and their colours, in the order they are set.
static const struct {
    int style;
    COLORREF colour;
} STYLE_COLOURS[] = {
    {0, RGB(0x00, 0x00, 0x00)},  // default: black
    {1, RGB(0x80, 0x80, 0x80)},  // comment: grey
    {2, RGB(0x80, 0x00, 0x00)},  // number: dark red
    {13, RGB(0x80, 0x00, 0x80)}, // constant: purple
    {3, RGB(0x00, 0x00, 0xFF)},  // keyword: blue
    {4, RGB(0x00, 0x80, 0x00)},  // string: dark green
    {6, RGB(0x00, 0x00, 0x00)},  // operator: black
    {14, RGB(0x80, 0x40, 0x00)}, // inline assembler: brown
    {7, RGB(0x00, 0x00, 0x00)},  // identifier: black
};

// Empties a text and gives its memory back.
static void RELEASETEXT(std::string& text) {
    std::string().swap(text);
}

void BUILDTEXTS() {
    demoListing = DEMO_LISTING;
    keywordList = KEYWORD_LIST;
}

void SETUPEDITOR() {
    SENDSCINTILLAMSG(directPointer, SCI_STYLESETFONT, STYLE_DEFAULT,
                     reinterpret_cast<LPARAM>("Courier New"));
    SENDSCINTILLAMSG(directPointer, SCI_STYLESETSIZE, STYLE_DEFAULT, 9);
    SENDSCINTILLAMSG(directPointer, SCI_STYLESETBOLD, STYLE_DEFAULT, 0);
    SENDSCINTILLAMSG(directPointer, SCI_STYLESETITALIC, STYLE_DEFAULT, 0);
    SENDSCINTILLAMSG(directPointer, SCI_STYLECLEARALL, 0, 0);
    SENDSCINTILLAMSG(directPointer, SCI_STYLESETFONT, STYLE_LINENUMBER,
                     reinterpret_cast<LPARAM>("Arial"));
    SENDSCINTILLAMSG(directPointer, SCI_SETPROPERTY, reinterpret_cast<WPARAM>("fold"),
                     reinterpret_cast<LPARAM>("1"));

    // Margin 1: 40 pixels of line numbers, no markers, clicks reported.
    SENDSCINTILLAMSG(directPointer, SCI_SETMARGINTYPEN, 1, SC_MARGIN_NUMBER);
    SENDSCINTILLAMSG(directPointer, SCI_SETMARGINMASKN, 1, 0);
    SENDSCINTILLAMSG(directPointer, SCI_SETMARGINSENSITIVEN, 1, 1);
    SENDSCINTILLAMSG(directPointer, SCI_SETMARGINWIDTHN, 1, 40);

    SENDSCINTILLAMSG(directPointer, SCI_SETLEXER, SCLEX_BASIC, 0);
    SENDSCINTILLAMSG(directPointer, SCI_SETKEYWORDS, 0,
                     reinterpret_cast<LPARAM>(keywordList.c_str()));
    RELEASETEXT(keywordList);

    for (const auto& entry : STYLE_COLOURS) {
        SENDSCINTILLAMSG(directPointer, SCI_STYLESETFORE, entry.style, entry.colour);
    }

    SENDSCINTILLAMSG(directPointer, SCI_INSERTTEXT, 0,
                     reinterpret_cast<LPARAM>(demoListing.c_str()));
    RELEASETEXT(demoListing);
}
