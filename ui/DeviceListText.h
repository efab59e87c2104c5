// How the device lists name and find their entries, free of Windows so the
// numbering and matching rules are tested natively.
#pragma once

#include <string>
#include <vector>

// True when `text` begins with `prefix`, ignoring letter case (the lists'
// prefix search).
bool BeginsWithNoCase(const std::string& text, const std::string& prefix);

// The list's prefix search: entries after `startAfter` first, wrapping round
// to `startAfter` itself; -1 searches from the top. -1 when nothing matches;
// an empty text matches nothing.
int FindByPrefix(const std::vector<std::string>& entries, const std::string& text, int startAfter);

// The entry a saved device name chooses at start-up: the entry equal to it
// (ignoring case), else the first that begins with it, both searched from
// entry 1 on with entry 0 last; -1 when none.
int FindSavedEntry(const std::vector<std::string>& entries, const std::string& name);

// The text under which a device joins a list: its description, or when some
// entry already begins with that, the first "description (n)", n = 1, 2, ...
// that no entry begins with; any length.
std::string ListTextFor(const std::string& description, const std::vector<std::string>& entries);

// A device the lists never show: the virtual driver's own ("HSH" anywhere).
bool IsVirtualDriverDevice(const std::string& description);
