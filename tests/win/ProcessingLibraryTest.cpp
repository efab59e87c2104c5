// The processing-library table: loading from its folder by full path, the missing-library
// message, unloading, and the stand-in library kept to the call.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "MessageBoxWatcher.h"
#include "TestPaths.h"
#include "audio/ProcessingLibraryTable.h"
#include "report/MessageBoxReporter.h"
#include "settings/AppSettings.h"

namespace {

// Points the DLL search at one folder; the test folder itself has no hsh.dll.
class ProcessingLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { InstallMessageBoxReporter(); } // as the program does
    void TearDown() override {
        UseLibraryFolder("");
        g_AppSettings.SetInputNoiseCancellation(0);
    }
    static void SearchIn(const std::string& dir) { UseLibraryFolder(dir); }
};

TEST_F(ProcessingLibraryTest, MissingLibraryIsReportedOnceAndNothingIsCalled) {
    SearchIn(MakeEmptyDir("nolib"));
    // A library elsewhere on the search path is never taken instead.
    SetDllDirectoryA((BuildDir() + "\\testlib").c_str());
    MessageBoxWatcher watcher;
    ProcessingLibraryTable table;
    table.Load();
    SetDllDirectoryA(nullptr);
    // The box was modal: Load returned after the watcher had seen and answered it.
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Error");
    EXPECT_EQ(seen[0].text, "Error loading dynamic library(hsh.dll)");
    EXPECT_EQ(table.GetSlot(1).hModule, nullptr);
    EXPECT_EQ(table.GetInputEntry(0), nullptr);
    EXPECT_EQ(table.GetInputEntry(1), nullptr);
}

// Slot 1 holds the library of the folder, slot 0 nothing; unloading
// frees the module. (The calls themselves are checked on the capture path.)
TEST_F(ProcessingLibraryTest, TheLibraryFillsSlotOneUntilUnloaded) {
    SearchIn(BuildDir() + "\\testlib");
    MessageBoxWatcher watcher;
    ProcessingLibraryTable table;
    table.Load();
    EXPECT_TRUE(watcher.Seen().empty());
    HMODULE module = table.GetSlot(1).hModule;
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module, GetModuleHandleA("hsh.dll"));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(table.GetInputEntry(1)),
              reinterpret_cast<uintptr_t>(GetProcAddress(module, "ProcessInputAudioData")));
    EXPECT_NE(table.GetSlot(1).pfnProcessOutput, nullptr);
    EXPECT_EQ(table.GetSlot(0).hModule, nullptr);
    EXPECT_EQ(table.GetInputEntry(0), nullptr);

    table.Unload();
    EXPECT_EQ(table.GetSlot(1).hModule, nullptr);
    EXPECT_EQ(table.GetInputEntry(1), nullptr);
    EXPECT_EQ(GetModuleHandleA("hsh.dll"), nullptr) << "the library stays loaded";
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
