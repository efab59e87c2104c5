#include "CommandLineInfo.h"

void ParseCommandLine(const std::vector<std::string>& args, CCommandLineInfo& info) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool isFlag = !arg.empty() && (arg[0] == '/' || arg[0] == '-');
        info.ParseParam(arg.c_str() + (isFlag ? 1 : 0), isFlag, i + 1 == args.size());
    }
}
