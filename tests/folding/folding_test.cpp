// The fold commands against the test double: exact request sequences and
// their effect on a model whose headers start expanded.
#include "folding/folding.h"
#include "tests/testdouble/fake_client.h"

#include <gtest/gtest.h>

namespace {

constexpr WPARAM NONE = static_cast<WPARAM>(-1); // a fold parent of -1, passed on as it comes

class FoldCommands : public testing::Test {
  protected:
    void SetUp() override {
        if (!componentHandle) {
            LOADCOMPONENT();
        }
        ASSERT_NE(componentHandle, nullptr);
        directPointer = FAKE_DIRECT_POINTER;
        FakeScriptLines(DemoLevels(), DemoParents());
    }

    static int Expanded(int line) {
        return SENDSCINTILLAMSG(directPointer, SCI_GETFOLDEXPANDED, line, 0);
    }
};

TEST_F(FoldCommands, CurrentLineIsTheCaretsLine) {
    FakeCaret(123);
    EXPECT_EQ(GETCURRENTLINE(), 12);
    std::vector<Request> expected = {{SCI_GETCURRENTPOS, 0, 0}, {SCI_LINEFROMPOSITION, 123, 0}};
    EXPECT_EQ(FakeRequests(), expected);
}

TEST_F(FoldCommands, ToggleSubOnHeaderTogglesItAndGoesThere) {
    TOGGLESUB(9);
    std::vector<Request> expected = {
        {SCI_GETFOLDLEVEL, 9, 0}, {SCI_TOGGLEFOLD, 9, 0}, {SCI_GOTOLINE, 9, 0}};
    EXPECT_EQ(FakeRequests(), expected);
}

TEST_F(FoldCommands, ToggleSubInBodyTogglesItsHeader) {
    TOGGLESUB(11);
    std::vector<Request> expected = {{SCI_GETFOLDLEVEL, 11, 0},
                                     {SCI_GETFOLDPARENT, 11, 0},
                                     {SCI_TOGGLEFOLD, 9, 0},
                                     {SCI_GOTOLINE, 9, 0}};
    EXPECT_EQ(FakeRequests(), expected);
    EXPECT_EQ(Expanded(9), 0);
}

TEST_F(FoldCommands, ToggleSubOutsideEverySubPassesMinusOneOn) {
    TOGGLESUB(3);
    std::vector<Request> expected = {{SCI_GETFOLDLEVEL, 3, 0},
                                     {SCI_GETFOLDPARENT, 3, 0},
                                     {SCI_TOGGLEFOLD, NONE, 0},
                                     {SCI_GOTOLINE, NONE, 0}};
    EXPECT_EQ(FakeRequests(), expected);
}

TEST_F(FoldCommands, SweepFromHeaderHasExactSequence) {
    // A header, its body line, and a second header that still differs.
    FakeScriptLines({0x2400, 0x401, 0x2400}, {-1, 0, -1});
    TOGGLESUBSBELOW(0);
    std::vector<Request> expected = {
        {SCI_GETFOLDLEVEL, 0, 0},    {SCI_TOGGLEFOLD, 0, 0},   {SCI_GOTOLINE, 0, 0},
        {SCI_GETFOLDEXPANDED, 0, 0}, {SCI_GETLINECOUNT, 0, 0}, {SCI_GETFOLDLEVEL, 0, 0},
        {SCI_GETFOLDEXPANDED, 0, 0}, {SCI_GETFOLDLEVEL, 1, 0}, {SCI_GETFOLDLEVEL, 2, 0},
        {SCI_GETFOLDEXPANDED, 2, 0}, {SCI_TOGGLEFOLD, 2, 0},
    };
    EXPECT_EQ(FakeRequests(), expected);
}

TEST_F(FoldCommands, SweepTwiceClosesThenOpensEveryHeaderBelow) {
    TOGGLESUBSBELOW(14);
    EXPECT_EQ(Expanded(9), 1) << "a header above the line is left alone";
    EXPECT_EQ(Expanded(14), 0);
    EXPECT_EQ(Expanded(18), 0);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW)) << "the busy cursor is gone";

    TOGGLESUBSBELOW(14);
    EXPECT_EQ(Expanded(9), 1);
    EXPECT_EQ(Expanded(14), 1);
    EXPECT_EQ(Expanded(18), 1);
}

TEST_F(FoldCommands, SweepFromBodyStartsAtTheLineNotTheHeader) {
    TOGGLESUBSBELOW(10);
    std::vector<Request> start = {{SCI_GETFOLDLEVEL, 10, 0},   {SCI_GETFOLDPARENT, 10, 0},
                                  {SCI_TOGGLEFOLD, 9, 0},      {SCI_GOTOLINE, 9, 0},
                                  {SCI_GETFOLDEXPANDED, 9, 0}, {SCI_GETLINECOUNT, 0, 0},
                                  {SCI_GETFOLDLEVEL, 10, 0}};
    EXPECT_EQ(FirstRequests(start.size()), start);
    EXPECT_EQ(Expanded(9), 0);
    EXPECT_EQ(Expanded(14), 0);
    EXPECT_EQ(Expanded(18), 0);
}

TEST_F(FoldCommands, SweepOutsideEverySubFollowsTheAnswerForMinusOne) {
    // The double answers 0 for the expanded flag of line -1: close all below.
    TOGGLESUBSBELOW(13);
    std::vector<Request> start = {{SCI_GETFOLDLEVEL, 13, 0},
                                  {SCI_GETFOLDPARENT, 13, 0},
                                  {SCI_TOGGLEFOLD, NONE, 0},
                                  {SCI_GOTOLINE, NONE, 0},
                                  {SCI_GETFOLDEXPANDED, NONE, 0}};
    EXPECT_EQ(FirstRequests(start.size()), start);
    EXPECT_EQ(Expanded(9), 1);
    EXPECT_EQ(Expanded(14), 0);
    EXPECT_EQ(Expanded(18), 0);
}

TEST_F(FoldCommands, ChannelPassesPointerAndSignedResultsThrough) {
    directPointer = 0;
    EXPECT_EQ(SENDSCINTILLAMSG(directPointer, SCI_GETFOLDPARENT, 3, 0), -1);
    EXPECT_EQ(FakeLog().back().pointer, 0);
    directPointer = FAKE_DIRECT_POINTER;
    EXPECT_EQ(SENDSCINTILLAMSG(directPointer, SCI_GETFOLDPARENT, 11, 0), 9);
    EXPECT_EQ(FakeLog().back().pointer, FAKE_DIRECT_POINTER);
}

} // namespace
