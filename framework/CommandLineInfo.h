// The command-line parser base: ParseCommandLine calls ParseParam once per
// argument with the switch character removed, whether it was a switch, and
// whether it is the last argument. Platform-free.
#pragma once

#include <string>
#include <vector>

class CCommandLineInfo {
  public:
    virtual ~CCommandLineInfo() = default;
    virtual void ParseParam(const char* param, bool isFlag, bool isLast) = 0;
};

// `args` without the program name, as SplitCommandLine returns them after it.
void ParseCommandLine(const std::vector<std::string>& args, CCommandLineInfo& info);
