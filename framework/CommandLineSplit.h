// Splits a command line into arguments the way the Windows C runtime does, so
// the parser sees exactly what argv would hold. Platform-free.
#pragma once

#include <string>
#include <vector>

// The program name first (quotes group, backslashes are literal), then the
// arguments: white space separates, double quotes group, 2n backslashes
// before a quote give n backslashes and the quote toggles grouping, 2n+1 give
// n backslashes and a literal quote, and "" inside a group is a literal quote.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
