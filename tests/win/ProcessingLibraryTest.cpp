// The processing-library table: loading by bare name, the missing-library
// message, slot selection by the input switch, and the call itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "MessageBoxWatcher.h"
#include "TestPaths.h"
#include "audio/ProcessingLibraryTable.h"
#include "hsh/mark/hsh_mark_log.h"
#include "report/MessageBoxReporter.h"
#include "settings/AppSettings.h"

namespace {

// Points the DLL search at one folder; the test folder itself has no hsh.dll.
class ProcessingLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { InstallMessageBoxReporter(); } // as the program does
    void TearDown() override {
        SetDllDirectoryA(nullptr);
        g_AppSettings.SetInputNoiseCancellation(0);
    }
    static void SearchIn(const std::string& dir) { ASSERT_TRUE(SetDllDirectoryA(dir.c_str())); }
};

HshMarkLog* MarkLog() {
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(HshMarkLog), HSH_MARK_LOG_NAME);
    return static_cast<HshMarkLog*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
}

// What the capture path does with a block: the switch picks the slot.
void ProcessLikeTheCapturePath(ProcessingLibraryTable& table, std::vector<uint8_t>& block) {
    ProcessAudioDataFn fn = table.GetInputEntry(g_AppSettings.GetInputNoiseCancellation());
    if (fn) {
        unsigned char* out = nullptr;
        int outLength = 0;
        fn(block.data(), static_cast<int>(block.size()), &out, &outLength, 16000, 1, 0);
    }
}

TEST_F(ProcessingLibraryTest, MissingLibraryIsReportedOnceAndNothingIsCalled) {
    SearchIn(MakeEmptyDir("nolib"));
    MessageBoxWatcher watcher;
    ProcessingLibraryTable table;
    table.Load();
    Sleep(100);
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Error");
    EXPECT_EQ(seen[0].text, "Error loading dynamic library(hsh.dll)");
    EXPECT_EQ(table.GetSlot(1).hModule, nullptr);
    EXPECT_EQ(table.GetInputEntry(0), nullptr);
    EXPECT_EQ(table.GetInputEntry(1), nullptr);

    g_AppSettings.SetInputNoiseCancellation(1);
    std::vector<uint8_t> block(640, 0x55);
    ProcessLikeTheCapturePath(table, block); // passes unprocessed
    EXPECT_EQ(block, std::vector<uint8_t>(640, 0x55));
}

TEST_F(ProcessingLibraryTest, SwitchSelectsTheSlotFromTheNextBlockOn) {
    SearchIn(BuildDir() + "\\testlib");
    HshMarkLog* log = MarkLog();
    ASSERT_NE(log, nullptr);
    log->calls = 0;
    MessageBoxWatcher watcher;
    ProcessingLibraryTable table;
    table.Load();
    EXPECT_TRUE(watcher.Seen().empty());
    ASSERT_NE(table.GetSlot(1).hModule, nullptr);
    EXPECT_NE(table.GetSlot(1).pfnProcessOutput, nullptr);
    EXPECT_EQ(table.GetSlot(0).hModule, nullptr);

    std::vector<uint8_t> a(640, 0x10), b(1280, 0x20), c(640, 0x30);
    ProcessLikeTheCapturePath(table, a); // off: slot 0
    g_AppSettings.SetInputNoiseCancellation(1);
    ProcessLikeTheCapturePath(table, b); // on: the library, in place
    g_AppSettings.SetInputNoiseCancellation(0);
    ProcessLikeTheCapturePath(table, c);

    EXPECT_EQ(a, std::vector<uint8_t>(640, 0x10));
    EXPECT_EQ(b, std::vector<uint8_t>(1280, 0xDF)); // the marking library inverts
    EXPECT_EQ(c, std::vector<uint8_t>(640, 0x30));
    ASSERT_EQ(log->calls, 1);
    const HshMarkCall& call = log->entries[0];
    EXPECT_EQ(call.block, reinterpret_cast<uintptr_t>(b.data()));
    EXPECT_EQ(call.length, 1280);
    EXPECT_NE(call.outBlockArg, 0u);
    EXPECT_EQ(call.outBlockBefore, 0u);
    EXPECT_EQ(call.outLengthBefore, 0);
    EXPECT_EQ(call.sampleRate, 16000u);
    EXPECT_EQ(call.channels, 1);
    EXPECT_EQ(call.reserved, 0);

    table.Unload();
    EXPECT_EQ(table.GetSlot(1).hModule, nullptr);
    EXPECT_EQ(table.GetInputEntry(1), nullptr);
}

// The stand-in hsh.dll through the real call: in place, nothing outside the
// block touched, other formats untouched.
TEST_F(ProcessingLibraryTest, StandInLibraryKeepsToTheCall) {
    SearchIn(BuildDir() + "\\bin");
    ProcessingLibraryTable table;
    table.Load();
    ProcessAudioDataFn fn = table.GetInputEntry(1);
    ASSERT_NE(fn, nullptr);

    std::vector<uint8_t> buffer(16 + 641 + 16, 0xA5);
    uint8_t* block = buffer.data() + 16;
    for (int i = 0; i < 641; ++i)
        block[i] = static_cast<uint8_t>((i * 37) & 0xFF);
    unsigned char* out = nullptr;
    int outLength = 0;
    fn(block, 641, &out, &outLength, 16000, 1, 0);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(buffer[i], 0xA5);
        EXPECT_EQ(buffer[16 + 641 + i], 0xA5);
    }
    EXPECT_EQ(block[640], static_cast<uint8_t>((640 * 37) & 0xFF)); // the odd byte

    std::vector<uint8_t> other(640, 0x42);
    fn(other.data(), 640, &out, &outLength, 8000, 1, 0);
    fn(other.data(), 640, &out, &outLength, 16000, 2, 0);
    EXPECT_EQ(other, std::vector<uint8_t>(640, 0x42));
}

} // namespace
