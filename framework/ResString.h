// String-table access the way the program's messages need it.
#pragma once

#include <windows.h>

#include <string>

// The text of string-table entry id of the program's module; "???" when the
// entry is missing, so a message never shows up empty.
std::string LoadResString(UINT id);

// A message box with no owner window, texts from the string table.
int ResMessageBox(UINT textId, UINT captionId, UINT style);
