#include "probe/folder_check.h"

#include <windows.h>

#include <stdio.h>

namespace {

struct Neighbour {
    const char* name;
    const char* why;
};

const Neighbour kNeighbours[] = {
    {"headview.asi", "copy it there from the headview zip"},
    {"ScriptHookV.dll", "install ScriptHookV (with its ASI loader) into the game's folder"},
};

}  // namespace

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

bool PrintMissingBesideIni(const std::string& iniPath)
{
    const std::string folder = FolderOf(iniPath);
    bool missing = false;
    for (const Neighbour& n : kNeighbours) {
        if (GetFileAttributesA((folder + n.name).c_str()) == INVALID_FILE_ATTRIBUTES) {
            printf("%s is not beside headview.ini, in %s: %s.\n", n.name, folder.c_str(), n.why);
            missing = true;
        }
    }
    return missing;
}
