// The request channel loads KALMOR.DLL only from the program's own folder or
// the system folder: a copy planted in the current directory or on PATH is
// never loaded. This program runs in a folder without any KALMOR.DLL.
#include "editor/channel.h"
#include "editor/requests.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NoComponent, PlantedLibraryIsNotLoaded) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder.resize(folder.find_last_of('\\'));
    // Plant the real component in a folder of its own, make that the current
    // directory and put it first on PATH.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string plant = std::string(temp) + "kalmor-plant";
    CreateDirectoryA(plant.c_str(), nullptr);
    std::string planted = plant + "\\KALMOR.DLL";
    std::string source = folder + "\\..\\..\\KALMOR.DLL";
    ASSERT_TRUE(CopyFileA(source.c_str(), planted.c_str(), FALSE)) << source;
    ASSERT_TRUE(SetCurrentDirectoryA(plant.c_str()));
    char search[32768];
    GetEnvironmentVariableA("PATH", search, sizeof search);
    SetEnvironmentVariableA("PATH", (plant + ";" + search).c_str());

    LOADCOMPONENT();
    EXPECT_EQ(componentHandle, nullptr);
    EXPECT_EQ(SENDSCINTILLAMSG(0, SCI_GETLINECOUNT, 0, 0), 0) << "no component answers 0";
    RELEASECOMPONENT();

    // The plant is real: the default search order would have taken it.
    HMODULE taken = LoadLibraryA("KALMOR.DLL");
    EXPECT_NE(taken, nullptr);
    FreeLibrary(taken);
    DeleteFileA(planted.c_str());
}

} // namespace
