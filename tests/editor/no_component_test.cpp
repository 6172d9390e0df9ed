// The request channel with no component: everything answers 0, nothing is
// called, and a KALMOR.DLL planted in the current directory or on PATH is
// never loaded, even by the fallback for a Windows that refuses the
// restricted search flags. This program runs in a folder without any KALMOR.DLL.
#include "editor/channel.h"
#include "editor/requests.h"
#include "folding/folding.h"

#include "tests/program_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// This program's own import table entries (x86_64 names), through which the
// channel's calls go.
extern "C" decltype(&LoadLibraryExA) __imp_LoadLibraryExA;
extern "C" decltype(&LoadLibraryExW) __imp_LoadLibraryExW;

namespace {

decltype(&LoadLibraryExA) realLoadA;
decltype(&LoadLibraryExW) realLoadW;
bool refuseSearchFlags;
std::vector<std::wstring> widePathsLoaded;

// LoadLibraryExA as on Windows 7 without its 2011 loader update when asked
// to: the LOAD_LIBRARY_SEARCH_ flags are an invalid parameter there.
HMODULE WINAPI LoadA(LPCSTR name, HANDLE file, DWORD flags) {
    const DWORD searchFlags = 0x1F00;
    if (refuseSearchFlags && (flags & searchFlags)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return realLoadA(name, file, flags);
}

// LoadLibraryExW, noting the path asked for.
HMODULE WINAPI LoadW(LPCWSTR path, HANDLE file, DWORD flags) {
    widePathsLoaded.push_back(path);
    return realLoadW(path, file, flags);
}

// Puts a function into one import table entry; answers the one it replaced.
template <typename Function> Function Swap(Function& entry, Function replacement) {
    DWORD protection = 0;
    VirtualProtect(&entry, sizeof entry, PAGE_READWRITE, &protection);
    Function previous = entry;
    entry = replacement;
    VirtualProtect(&entry, sizeof entry, protection, &protection);
    return previous;
}

// The loader stand-ins above, in place while this lives.
struct StandInLoader {
    explicit StandInLoader(bool refuse) {
        refuseSearchFlags = refuse;
        widePathsLoaded.clear();
        realLoadA = Swap(__imp_LoadLibraryExA, &LoadA);
        realLoadW = Swap(__imp_LoadLibraryExW, &LoadW);
    }
    ~StandInLoader() {
        Swap(__imp_LoadLibraryExA, realLoadA);
        Swap(__imp_LoadLibraryExW, realLoadW);
    }
};

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

    // Where the flags are refused, the fallback asks for the program's own
    // folder by its full path, and for nothing else.
    const std::string folder = ProgramFolder();
    const std::wstring ownCopy = std::wstring(folder.begin(), folder.end()) + L"\\KALMOR.DLL";
    for (bool refused : {false, true}) {
        StandInLoader loader(refused);
        LOADCOMPONENT();
        EXPECT_EQ(componentHandle, nullptr) << "flags refused: " << refused;
        EXPECT_EQ(widePathsLoaded,
                  refused ? std::vector<std::wstring>{ownCopy} : std::vector<std::wstring>{});
        RELEASECOMPONENT();
    }

    // The plant is real: the default search order would have taken it.
    HMODULE taken = LoadLibraryA("KALMOR.DLL");
    EXPECT_NE(taken, nullptr);
    FreeLibrary(taken);
    DeleteFileA(planted.c_str());
}

} // namespace
