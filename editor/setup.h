// The editor's one-time configuration and its starting content.
#pragma once
#include <string>

// The demo listing, owned by the program until the editor has it.
extern std::string demoListing;
// The BASIC keyword list, owned by the program until the editor has it.
extern std::string keywordList;

// Builds the demo listing and the keyword list.
void BUILDTEXTS();

// Configures the editor: fonts, the line-number margin, folding, the BASIC
// lexer and its keywords, colours and the listing, in that order. Hands over
// the two texts and releases them.
void SETUPEDITOR();
