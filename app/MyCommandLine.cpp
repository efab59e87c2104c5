#include "MyCommandLine.h"

#include <cctype>

int32_t g_bStartMinimized = 0;

namespace {

// "minimize" is plain ASCII, so a byte-wise comparison that folds ASCII case
// gives the same answer as a multibyte-aware one: no lead or trail byte of a
// double-byte character can equal one of its letters in its place.
bool EqualsNoCase(const char* text, const char* word) {
    for (; *text && *word; ++text, ++word)
        if (std::tolower(static_cast<unsigned char>(*text)) != *word)
            return false;
    return *text == '\0' && *word == '\0';
}

} // namespace

void CMyCommandLine::ParseParam(const char* param, bool isFlag, bool /*isLast*/) {
    if (isFlag && EqualsNoCase(param, "minimize"))
        g_bStartMinimized = 1;
}
