// An edit that runs out of memory is refused whole: the document and its
// history stay as they were and the status says so. Every allocation the
// edit makes fails in turn, through a replaced global operator new (this
// executable is built without the sanitizers, whose allocator it would
// replace).
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>

#include "tests/core/test_support.h"

namespace {
long failAt = -1; // the allocation to fail, counted from 0; -1 none
long counted = 0;
} // namespace

void* operator new(std::size_t size) {
    if (failAt >= 0 && counted++ == failAt)
        throw std::bad_alloc();
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
// The library's array and sized forms call these two.
void operator delete(void* memory) noexcept {
    std::free(memory);
}

namespace {

using namespace kalmor_test;

TEST(Memory, AnEditThatRunsOutIsRefusedWhole) {
    const std::string big(200000, 'x');
    const struct {
        const char* name;
        std::function<void(EditorCore&)> edit;
    } edits[] = {
        {"insert", [&](EditorCore& c) { Send(c, SCI_INSERTTEXT, 3, Pointer(big.c_str())); }},
        {"set text", [&](EditorCore& c) { Send(c, SCI_SETTEXT, 0, Pointer("Sub Z\r\nEnd Sub")); }},
        {"load", [&](EditorCore& c) { Send(c, SCI_SETTEXT, 0, Pointer(big.c_str())); }},
        {"typed", [](EditorCore& c) { c.InsertAtCaret("q"); }},
        {"lines", [](EditorCore& c) { Send(c, SCI_REPLACESEL, 0, Pointer("\n\n\nSub Y\n")); }},
        {"undo", [](EditorCore& c) { c.Undo(); }},
        {"redo", [](EditorCore& c) { c.Redo(); }}, // after an undo
    };
    for (const auto& edit : edits) {
        for (long at = 0; at < 200; ++at) {
            BasicCore core;
            Send(core, SCI_INSERTTEXT, 0, Pointer("Sub A\r\n  x = 1\r\nEnd Sub\r\n"));
            Send(core, SCI_GOTOPOS, 9);
            if (edit.name == std::string("load"))
                core.EmptyUndoBuffer(); // a load: into an empty history
            else if (edit.name == std::string("redo"))
                core.Undo();
            std::string text = core.Text();
            auto before =
                std::tuple(SC_STATUS_BADALLOC, core.StyleRange(0, core.Length()), core.CanUndo());
            counted = 0;
            failAt = at;
            EXPECT_NO_THROW(edit.edit(core)) << edit.name << ", allocation " << at;
            failAt = -1;
            if (counted <= at)
                break; // the edit needed fewer allocations: every one has failed in turn
            if (core.Text() == text)
                EXPECT_EQ(std::tuple(Send(core, SCI_GETSTATUS), core.StyleRange(0, core.Length()),
                                     core.CanUndo()),
                          before)
                    << edit.name << ", allocation " << at;
            // Whatever happened, the document is whole and editable.
            Send(core, SCI_SETSTATUS, SC_STATUS_OK);
            core.InsertAtCaret("!");
            EXPECT_EQ(std::tuple(core.Length(), Send(core, SCI_GETSTATUS)),
                      std::tuple(static_cast<int>(core.Text().size()), SC_STATUS_OK));
        }
    }
}

} // namespace
