#include "DeviceListText.h"

#include <cctype>

bool BeginsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        auto a = static_cast<unsigned char>(text[i]), b = static_cast<unsigned char>(prefix[i]);
        if (std::tolower(a) != std::tolower(b))
            return false;
    }
    return true;
}

namespace {

// The list's search order: entries after `startAfter` first, wrapping round.
template <class Matches>
int FindInSearchOrder(const std::vector<std::string>& entries, int startAfter, Matches matches) {
    const int n = static_cast<int>(entries.size());
    const int first = startAfter < 0 || startAfter >= n ? 0 : startAfter + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        if (matches(entries[i]))
            return i;
    }
    return -1;
}

} // namespace

int FindByPrefix(const std::vector<std::string>& entries, const std::string& text, int startAfter) {
    if (text.empty())
        return -1;
    return FindInSearchOrder(entries, startAfter, [&](const std::string& entry) {
        return BeginsWithNoCase(entry, text);
    });
}

// An equal entry first, so that "Mic" is not taken for "Mic Array" nor a
// webcam's entry for its twin's; then the prefix rule that older stored names
// rely on. Entries never equal one another when case is ignored (the
// numbering sees to that), so at most one is equal.
int FindSavedEntry(const std::vector<std::string>& entries, const std::string& name) {
    if (name.empty())
        return -1;
    const int equal = FindInSearchOrder(entries, 0, [&](const std::string& entry) {
        return entry.size() == name.size() && BeginsWithNoCase(entry, name);
    });
    return equal >= 0 ? equal : FindByPrefix(entries, name, 0);
}

// Built without a length limit: a text cut short could be a prefix of the
// entry it is meant to differ from, and the numbering would never end.
std::string ListTextFor(const std::string& description, const std::vector<std::string>& entries) {
    if (FindByPrefix(entries, description, -1) < 0)
        return description;
    for (int n = 1;; ++n) {
        const std::string text = description + " (" + std::to_string(n) + ")";
        if (FindByPrefix(entries, text, -1) < 0)
            return text;
    }
}

bool IsVirtualDriverDevice(const std::string& description) {
    return description.find("HSH") != std::string::npos;
}
