// The folder of the running test program, where the files it uses sit nearby.
#pragma once
#include <windows.h>

#include <string>

inline std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}
