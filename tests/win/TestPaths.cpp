#include "TestPaths.h"

#include <windows.h>

std::string BuildDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    for (int up = 0; up < 3; ++up) // <build>\tests\bin\x.exe
        dir = dir.substr(0, dir.find_last_of("\\/"));
    return dir;
}

std::string MakeEmptyDir(const char* name) {
    std::string dir = BuildDir() + "\\tests\\" + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}
