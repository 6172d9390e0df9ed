// A test double of the editing component. Built as a KALMOR.DLL of its own,
// it records every request made through its direct function, in order, and
// answers fold requests from a scripted model of lines. Tests drive it
// through the Fake* functions, looked up in the loaded module by name.
#pragma once
#include <windows.h>

// One recorded request. Texts the request carries are copied at call time,
// since the caller may release them right after.
struct FakeRequest {
    LRESULT pointer;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    char wText[64];   // the text wParam points at, for requests that carry one there
    char lText[1024]; // the text lParam points at, for requests that carry one there
};

// Positions in the model: line i starts at FAKE_LINE_LENGTH * i.
constexpr int FAKE_LINE_LENGTH = 10;

// The direct pointer the fake's editor windows hand out.
constexpr LRESULT FAKE_DIRECT_POINTER = 0x5C1A;

// Clears the log and scripts a document of lineCount lines with the given
// fold levels and parents. Every line starts expanded, the caret at 0.
typedef void(__cdecl* FakeScriptFn)(int lineCount, const int* levels, const int* parents);
// The number of requests recorded since the last script.
typedef int(__cdecl* FakeCountFn)();
// Copies request number index of the log.
typedef void(__cdecl* FakeRequestFn)(int index, FakeRequest* request);
// Moves the caret, without recording anything.
typedef void(__cdecl* FakeSetCaretFn)(int position);
