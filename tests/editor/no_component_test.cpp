// The request channel loads KALMOR.DLL only from the program's own folder or
// the system folder: a copy planted in the current directory or on PATH is
// never loaded, even by the fallback for a Windows that refuses the
// restricted search flags. This program runs in a folder without any KALMOR.DLL.
#include "editor/channel.h"
#include "kalmor.h"

#include <gtest/gtest.h>

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
        realLoadA = Swap(importedLoadA, &LoadA);
        realLoadW = Swap(importedLoadW, &LoadW);
    }
    ~StandInLoader() {
        Swap(importedLoadA, realLoadA);
        Swap(importedLoadW, realLoadW);
    }
};

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

    // Where the flags are refused, the fallback asks for the program's own
    // folder by its full path, and for nothing else.
    const std::wstring ownCopy = std::wstring(folder.begin(), folder.end()) + L"\\KALMOR.DLL";
    for (bool refused : {false, true}) {
        StandInLoader loader(refused);
        LOADCOMPONENT();
        EXPECT_EQ(componentHandle, nullptr) << "flags refused: " << refused;
        EXPECT_EQ(SENDSCINTILLAMSG(0, SCI_GETLINECOUNT, 0, 0), 0) << "no component answers 0";
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
