#include "DeviceListText.h"

#include <cctype>
#include <cstdio>

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

int FindByPrefix(const std::vector<std::string>& entries, const std::string& text, int startAfter) {
    const int n = static_cast<int>(entries.size());
    if (text.empty() || n == 0)
        return -1;
    const int first = startAfter < 0 || startAfter >= n ? 0 : startAfter + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        if (BeginsWithNoCase(entries[i], text))
            return i;
    }
    return -1;
}

std::string ListTextFor(const std::string& description, const std::vector<std::string>& entries) {
    if (FindByPrefix(entries, description, -1) < 0)
        return description;
    for (int n = 1;; ++n) {
        char text[1024];
        std::snprintf(text, sizeof(text), "%s (%d)", description.c_str(), n);
        if (FindByPrefix(entries, text, -1) < 0)
            return text;
    }
}

bool IsVirtualDriverDevice(const std::string& description) {
    return description.find("HSH") != std::string::npos;
}
