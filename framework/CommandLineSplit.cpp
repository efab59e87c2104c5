#include "CommandLineSplit.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

size_t SplitProgramName(const std::string& s, std::vector<std::string>& out) {
    std::string name;
    size_t i = 0;
    bool quoted = false;
    for (; i < s.size() && (quoted || !IsBlank(s[i])); ++i) {
        if (s[i] == '"')
            quoted = !quoted;
        else
            name += s[i];
    }
    out.push_back(name);
    return i;
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& s) {
    std::vector<std::string> out;
    size_t i = SplitProgramName(s, out);
    for (;;) {
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        if (i >= s.size())
            return out;
        std::string arg;
        bool quoted = false;
        for (; i < s.size() && (quoted || !IsBlank(s[i])); ++i) {
            size_t slashes = 0;
            while (i < s.size() && s[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < s.size() && s[i] == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2 == 1)
                    arg += '"';
                else if (quoted && i + 1 < s.size() && s[i + 1] == '"')
                    arg += '"', ++i; // "" inside a group
                else
                    quoted = !quoted;
            } else {
                arg.append(slashes, '\\');
                if (i >= s.size())
                    break;
                if (!quoted && IsBlank(s[i]))
                    break;
                arg += s[i];
            }
        }
        out.push_back(arg);
    }
}
