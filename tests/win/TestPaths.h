// Folders of the build tree, found from the test program's own location.
#pragma once

#include <string>

std::string BuildDir();                     // the Windows build tree
std::string MakeEmptyDir(const char* name); // a folder under the build tree that tests keep empty
// Where the program's library table loads hsh.dll from; "" for the test
// program's own folder (which has none).
void UseLibraryFolder(const std::string& folder);
