// The editor's starting content: the demo listing and the BASIC keyword list.
// The listing's 21 lines end in a single CR each, except the last.
#pragma once

// One line per row, as the listing reads; kept so by hand.
// clang-format off
constexpr char DEMO_LISTING[] =
    "'Demo listing for Kalmor.dll\r"
    "'Set the cursor into a sub/function and click \"Toggle\"\r"
    "'Also click with the mouse at a line number inside a sub\r"
    "#Include \"WIN32API.INC\"\r"
    "Const ID_TEST1 = &H2000\r"
    "Const ID_TEST2 = &B10101010\r"
    "Const ID_TEST3 = 1234 'A comment\r"
    "Declare Function Test2(ByVal a As Byte) As Long\r"
    "'**********************************************\r"
    "Sub Test1(ByVal a As Long, b As Long)\r"
    "  1*2+(3/4)=567 'Not really...\r"
    "  a$=\"Hello\"\r"
    "End Sub\r"
    "'**********************************************\r"
    "Function Test2(ByVal a As Byte) As Long\r"
    "  Function=a*986\r"
    "End Sub\r"
    "'**********************************************\r"
    "sub Test3\r"
    "  b$=Ucase$(a$)\r"
    "end sub";
// clang-format on

constexpr char KEYWORD_LIST[] =
    "asm end sub function ucase$ byval byref as long dword byte include declare #include";

static_assert(sizeof(DEMO_LISTING) - 1 == 630, "the demo listing is 630 bytes");
