// The request channel loads KALMOR.DLL only from the program's own folder or
// the system folder: a copy planted in the current directory or on PATH is
// never loaded, even by the fallback for a Windows that refuses the
// restricted search flags. This program runs in a folder without any KALMOR.DLL.
#include "editor/channel.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

// This program's own import table entries, through which the channel's calls go.
#ifdef _WIN64
extern "C" decltype(&LoadLibraryExA) importedLoadA asm("__imp_LoadLibraryExA");
extern "C" decltype(&LoadLibraryExW) importedLoadW asm("__imp_LoadLibraryExW");
#else
extern "C" decltype(&LoadLibraryExA) importedLoadA asm("__imp__LoadLibraryExA@12");
extern "C" decltype(&LoadLibraryExW) importedLoadW asm("__imp__LoadLibraryExW@12");
#endif

namespace {

const decltype(&LoadLibraryExA) realLoadA = importedLoadA;
const decltype(&LoadLibraryExW) realLoadW = importedLoadW;
bool refuseSearchFlags;
std::vector<std::wstring> widePathsLoaded;

// LoadLibraryExA as on Windows 7 without its 2011 loader update when asked
// to: the LOAD_LIBRARY_SEARCH_ flags are an invalid parameter there.
HMODULE WINAPI LoadA(LPCSTR name, HANDLE file, DWORD flags) {
    if (refuseSearchFlags && (flags & 0x1F00)) {
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

TEST(NoComponent, PlantedLibraryIsNotLoaded) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string folder(path, strrchr(path, '\\'));
    // Plant the real component in a folder of its own, make that the current
    // directory and put it first on PATH.
    GetTempPathA(MAX_PATH, path);
    const std::string plant = std::string(path) + "kalmor-plant";
    CreateDirectoryA(plant.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((folder + "\\..\\..\\KALMOR.DLL").c_str(),
                          (plant + "\\KALMOR.DLL").c_str(), FALSE));
    ASSERT_TRUE(SetCurrentDirectoryA(plant.c_str()));
    SetEnvironmentVariableA("PATH", (plant + ";" + getenv("PATH")).c_str());

    // Where the flags are refused, the fallback asks for the program's own
    // folder by its full path, and for nothing else.
    importedLoadA = &LoadA; // the import table is writable data
    importedLoadW = &LoadW;
    const std::wstring ownCopy = std::wstring(folder.begin(), folder.end()) + L"\\KALMOR.DLL";
    for (bool refused : {false, true}) {
        refuseSearchFlags = refused;
        widePathsLoaded.clear();
        LOADCOMPONENT();
        EXPECT_EQ(componentHandle, nullptr) << "flags refused: " << refused;
        EXPECT_EQ(widePathsLoaded,
                  refused ? std::vector<std::wstring>{ownCopy} : std::vector<std::wstring>{});
    }
    // The plant is real: the default search order takes it.
    EXPECT_NE(LoadLibraryA("KALMOR.DLL"), nullptr);
}

} // namespace
