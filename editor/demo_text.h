// The editor's starting content: the demo listing and the BASIC keyword list.
// The listing's 21 lines end in a single CR each, except the last.
#pragma once

#define DEMO_LINE(text) text "\r"
#define DEMO_RULE "'**********************************************"

constexpr char DEMO_LISTING[] = DEMO_LINE("'Demo listing for Kalmor.dll")
    DEMO_LINE("'Set the cursor into a sub/function and click \"Toggle\"")
        DEMO_LINE("'Also click with the mouse at a line number inside a sub")
            DEMO_LINE("#Include \"WIN32API.INC\"") DEMO_LINE("Const ID_TEST1 = &H2000")
                DEMO_LINE("Const ID_TEST2 = &B10101010")
                    DEMO_LINE("Const ID_TEST3 = 1234 'A comment")
                        DEMO_LINE("Declare Function Test2(ByVal a As Byte) As Long")
                            DEMO_LINE(DEMO_RULE) DEMO_LINE("Sub Test1(ByVal a As Long, b As Long)")
                                DEMO_LINE("  1*2+(3/4)=567 'Not really...")
                                    DEMO_LINE("  a$=\"Hello\"") DEMO_LINE("End Sub")
                                        DEMO_LINE(DEMO_RULE)
                                            DEMO_LINE("Function Test2(ByVal a As Byte) As Long")
                                                DEMO_LINE("  Function=a*986") DEMO_LINE("End Sub")
                                                    DEMO_LINE(DEMO_RULE) DEMO_LINE("sub Test3")
                                                        DEMO_LINE("  b$=Ucase$(a$)") "end sub";

#undef DEMO_LINE
#undef DEMO_RULE

constexpr char KEYWORD_LIST[] =
    "asm end sub function ucase$ byval byref as long dword byte include declare #include";

static_assert(sizeof(DEMO_LISTING) - 1 == 630, "the demo listing is 630 bytes");
