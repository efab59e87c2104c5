#include "RigFeed.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "TestPaths.h"

namespace {

size_t CountOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The rig this program runs in (its environment names it), else the build
// tree's own.
std::string RigDir() {
    const char* unixPath = std::getenv("RIG_DIR");
    if (!unixPath || unixPath[0] != '/')
        return BuildDir() + "\\rig\\";
    std::string dir = std::string("Z:") + unixPath + "\\";
    for (char& c : dir)
        c = c == '/' ? '\\' : c;
    return dir;
}

} // namespace

std::string RigFeedReport() {
    const std::string rig = RigDir();
    std::string report;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((rig + "feed-*.log").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return report;
    do {
        std::ifstream log(rig + found.cFileName, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(log)), {});
        std::string name(found.cFileName + 5); // after "feed-"
        name.resize(name.size() - 4);          // without ".log"
        report += (report.empty() ? "rig feed: " : ", ") + name + " " +
                  std::to_string(CountOf(text, "Stream underrun")) + " underruns";
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return report;
}
