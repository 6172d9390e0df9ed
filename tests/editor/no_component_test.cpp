// The request channel with no component: everything answers 0, nothing is
// called, and a KALMOR.DLL planted in the current directory or on PATH is
// never loaded. This program runs in a folder without any KALMOR.DLL.
#include "editor/channel.h"
#include "editor/requests.h"
#include "folding/folding.h"

#include "tests/program_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NoComponent, EveryRequestAnswersZero) {
    LOADCOMPONENT();
    ASSERT_EQ(componentHandle, nullptr);
    directPointer = 0x1234;
    for (UINT message : {SCI_GETLINECOUNT, SCI_GETFOLDLEVEL, SCI_GETFOLDPARENT, SCI_GETFOLDEXPANDED,
                         SCI_GETCURRENTPOS, SCI_GETDIRECTPOINTER}) {
        EXPECT_EQ(SENDSCINTILLAMSG(directPointer, message, 3, 0), 0) << message;
    }
    EXPECT_EQ(GETCURRENTLINE(), 0);
}

TEST(NoComponent, FoldCommandsRunAndRestoreTheArrow) {
    TOGGLESUB(0);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    TOGGLESUBSBELOW(GETCURRENTLINE());
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
    RELEASECOMPONENT();
}

TEST(NoComponent, PlantedLibraryIsNotLoaded) {
    // Plant the test double in a folder of its own, make that the current
    // directory and put it first on PATH.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string plant = std::string(temp) + "kalmor-plant";
    CreateDirectoryA(plant.c_str(), nullptr);
    std::string planted = plant + "\\KALMOR.DLL";
    std::string source = ProgramFolder() + "\\..\\double\\KALMOR.DLL";
    ASSERT_TRUE(CopyFileA(source.c_str(), planted.c_str(), FALSE)) << source;
    ASSERT_TRUE(SetCurrentDirectoryA(plant.c_str()));
    char path[32768];
    GetEnvironmentVariableA("PATH", path, sizeof path);
    SetEnvironmentVariableA("PATH", (plant + ";" + path).c_str());

    LOADCOMPONENT();
    EXPECT_EQ(componentHandle, nullptr);
    RELEASECOMPONENT();

    // The plant is real: the default search order would have taken it.
    HMODULE taken = LoadLibraryA("KALMOR.DLL");
    EXPECT_NE(taken, nullptr);
    FreeLibrary(taken);
    DeleteFileA(planted.c_str());
}

} // namespace
