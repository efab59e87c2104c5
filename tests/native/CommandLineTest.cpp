// Splitting a command line as the Windows C runtime does, and the program's
// one switch.
#include <gtest/gtest.h>

#include "app/MyCommandLine.h"
#include "framework/CommandLineSplit.h"

namespace {

using Args = std::vector<std::string>;

TEST(CommandLineSplit, QuotesBackslashesAndBlanks) {
    EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\Hushwave\\HushwaveVoIP.exe\" /minimize"),
              (Args{"C:\\Program Files\\Hushwave\\HushwaveVoIP.exe", "/minimize"}));
    EXPECT_EQ(SplitCommandLine("a.exe  one\t\"two three\"  "), (Args{"a.exe", "one", "two three"}));
    EXPECT_EQ(SplitCommandLine("a.exe a\\\\b \\\"q\\\" c\\\\\\\"d"),
              (Args{"a.exe", "a\\\\b", "\"q\"", "c\\\"d"}));
    EXPECT_EQ(SplitCommandLine("a.exe \"x\\\\\" y"), (Args{"a.exe", "x\\", "y"}));
    EXPECT_EQ(SplitCommandLine("a.exe \"say \"\"hi\"\"\""), (Args{"a.exe", "say \"hi\""}));
    EXPECT_EQ(SplitCommandLine("a.exe \"\""), (Args{"a.exe", ""}));
    EXPECT_EQ(SplitCommandLine("\"C:\\a b\\\"x.exe"), (Args{"C:\\a b\\x.exe"})); // name: \ literal
    EXPECT_EQ(SplitCommandLine(""), (Args{""}));
}

class Recorder : public CCommandLineInfo {
  public:
    void ParseParam(const char* param, bool isFlag, bool isLast) override {
        seen.push_back(std::string(param) + (isFlag ? "|flag" : "") + (isLast ? "|last" : ""));
    }
    Args seen;
};

TEST(CommandLineInfo, ParseParamSeesEachArgumentWithoutItsSwitchCharacter) {
    Recorder r;
    ParseCommandLine({"/minimize", "-X", "plain", ""}, r);
    EXPECT_EQ(r.seen, (Args{"minimize|flag", "X|flag", "plain", "|last"}));
}

bool StartsMinimized(const Args& args) {
    g_bStartMinimized = 0;
    CMyCommandLine line;
    ParseCommandLine(args, line);
    return g_bStartMinimized == 1;
}

TEST(MyCommandLine, OnlyTheMinimizeSwitchInAnyCaseStartsHidden) {
    EXPECT_TRUE(StartsMinimized({"/minimize"}));
    EXPECT_TRUE(StartsMinimized({"-MINIMIZE"}));
    EXPECT_TRUE(StartsMinimized({"/Minimize"}));
    EXPECT_TRUE(StartsMinimized({"other", "/minimize", "-x"}));
    EXPECT_FALSE(StartsMinimized({"minimize"}));
    EXPECT_FALSE(StartsMinimized({"/min"}));
    EXPECT_FALSE(StartsMinimized({"/minimized"}));
    EXPECT_FALSE(StartsMinimized({"//minimize"}));
    EXPECT_FALSE(StartsMinimized({"/minimiz\xC3\xA9"}));
    EXPECT_FALSE(StartsMinimized({}));
}

} // namespace
