// DriverLink against the stand-in driver: what the driver receives, the named
// events, audio blocks, the state word, and a missing driver.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "DriverService.h"
#include "HandleCount.h"
#include "audio/DriverLink.h"
#include "tools/VadPeer.h"

namespace {

class DriverLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_peer.Open()) << "stand-in driver not reachable";
        ASSERT_TRUE(m_peer.Reset());
    }
    void TearDown() override { m_peer.Reset(); }

    VadPeerCounters Counters() {
        VadPeerCounters c = {};
        EXPECT_TRUE(m_peer.GetCounters(c));
        return c;
    }

    static std::vector<uint8_t> Raw(const VadPeerLogEntry& e) {
        return std::vector<uint8_t>(e.raw, e.raw + 8);
    }

    static bool EventExists(int index) {
        char name[32];
        wsprintfA(name, "EventHandle[%d]", index);
        HANDLE h = OpenEventA(SYNCHRONIZE, FALSE, name);
        if (h)
            CloseHandle(h);
        return h != nullptr;
    }

    VadPeer m_peer;
};

TEST_F(DriverLinkTest, RegisterAndUnregisterRecordsReachTheDriverByteForByte) {
    DriverLink link;
    ASSERT_TRUE(link.Open());
    ASSERT_TRUE(link.RegisterEvent(3));
    const uint32_t handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(link.GetEvent(3)));
    ASSERT_TRUE(link.UnregisterEvent(3));
    EXPECT_EQ(link.GetEvent(3), nullptr);

    VadPeerCounters c = Counters();
    ASSERT_EQ(c.logCount, 2u);
    EXPECT_EQ(c.log[0].code, 0x00222004u);
    EXPECT_EQ(c.log[0].inLength, 8u);
    EXPECT_EQ(Raw(c.log[0]),
              (std::vector<uint8_t>{3, 0, 0, 0, uint8_t(handle), uint8_t(handle >> 8),
                                    uint8_t(handle >> 16), uint8_t(handle >> 24)}));
    EXPECT_EQ(c.log[1].code, 0x00222008u);
    EXPECT_EQ(c.log[1].inLength, 8u);
    EXPECT_EQ(Raw(c.log[1]), (std::vector<uint8_t>{3, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c.registeredMask, 0u);
}

TEST_F(DriverLinkTest, EventsAreNamedAutoResetAndStartNonSignalled) {
    DriverLink link;
    ASSERT_TRUE(link.Open());
    for (int i = 0; i < VAD_EVENT_COUNT; ++i)
        ASSERT_TRUE(link.RegisterEvent(i)) << i;
    EXPECT_EQ(Counters().registeredMask, 0x3Fu);
    for (int i = 0; i < VAD_EVENT_COUNT; ++i) {
        EXPECT_TRUE(EventExists(i)) << "EventHandle[" << i << "]";
        EXPECT_EQ(WaitForSingleObject(link.GetEvent(i), 0), WAIT_TIMEOUT) << i;
        ASSERT_TRUE(m_peer.Signal(i));
        EXPECT_EQ(WaitForSingleObject(link.GetEvent(i), 2000), WAIT_OBJECT_0) << i;
        EXPECT_EQ(WaitForSingleObject(link.GetEvent(i), 0), WAIT_TIMEOUT) << "auto-reset " << i;
    }
    for (int i = 0; i < VAD_EVENT_COUNT; ++i)
        EXPECT_TRUE(link.UnregisterEvent(i)) << i;
    for (int i = 0; i < VAD_EVENT_COUNT; ++i)
        EXPECT_FALSE(EventExists(i)) << "closed " << i;
}

TEST_F(DriverLinkTest, AudioBlocksReachTheDriverWholeFramesOnly) {
    DriverLink link;
    ASSERT_TRUE(link.Open());
    std::vector<uint8_t> block(1280);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 7 + 1);
    EXPECT_EQ(link.SendAudio(block.data(), 1280), 1280u);
    EXPECT_EQ(link.SendAudio(block.data(), 1000), 0u); // not whole frames: refused

    std::vector<uint8_t> received;
    uint64_t lost = 0;
    ASSERT_TRUE(m_peer.ReadAudio(received, lost));
    EXPECT_EQ(received, block);
    EXPECT_EQ(lost, 0u);
    VadPeerCounters c = Counters();
    EXPECT_EQ(c.blocksWritten, 1u);
    EXPECT_EQ(c.blocksRejected, 1u);
}

// The protocol's write has no output; a caller that passes a buffer anyway
// must get nothing back in it, and no count of bytes it never received.
TEST_F(DriverLinkTest, AWriteReturnsNoBytesIntoAnOutputBuffer) {
    HANDLE device =
        CreateFileA(VAD_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    std::vector<uint8_t> block(640, 0x5A), out(640, 0xEE);
    DWORD returned = 1;
    EXPECT_TRUE(DeviceIoControl(device, IOCTL_VAD_WRITE_AUDIO, block.data(), 640, out.data(), 640,
                                &returned, nullptr));
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(out, std::vector<uint8_t>(640, 0xEE));
    EXPECT_TRUE(DeviceIoControl(device, IOCTL_VAD_WRITE_AUDIO, block.data(), 640, nullptr, 0,
                                &returned, nullptr));
    EXPECT_EQ(returned, 640u); // without one: the block's length, as SendAudio reports it
    CloseHandle(device);
    EXPECT_EQ(Counters().blocksWritten, 2u);
}

TEST_F(DriverLinkTest, StateWordAndAStateRequestWithoutBytes) {
    DriverLink link;
    ASSERT_TRUE(link.Open());
    ASSERT_TRUE(m_peer.SetState(2));
    EXPECT_EQ(link.QueryState(), 2);
    ASSERT_TRUE(m_peer.SetState(-7));
    EXPECT_EQ(link.QueryState(), -7);
    ASSERT_TRUE(m_peer.SetStateNoBytes(true));
    EXPECT_EQ(link.QueryState(), -1);
    EXPECT_EQ(Counters().stateRequests, 3u);
}

TEST_F(DriverLinkTest, FailedUnregisterStillClosesTheHandle) {
    DriverLink link;
    ASSERT_TRUE(link.Open());
    ASSERT_TRUE(link.RegisterEvent(1));
    ASSERT_TRUE(m_peer.FailUnregisterAt(1));
    const int before = CountOwnHandles();
    EXPECT_FALSE(link.UnregisterEvent(1));
    EXPECT_EQ(CountOwnHandles(), before - 1);
    EXPECT_EQ(link.GetEvent(1), nullptr);
}

TEST_F(DriverLinkTest, FailedRegisterLeavesNoHandleOpen) {
    DriverLink link;
    ASSERT_TRUE(link.Open());
    ASSERT_TRUE(m_peer.FailRegisterAt(4));
    const int before = CountOwnHandles();
    EXPECT_FALSE(link.RegisterEvent(4));
    EXPECT_EQ(CountOwnHandles(), before);
    EXPECT_FALSE(EventExists(4));
}

TEST_F(DriverLinkTest, CloseTwiceClosesTheHandleOnce) {
    const int start = CountOwnHandles();
    int opened, closed, again;
    {
        DriverLink link;
        ASSERT_TRUE(link.Open());
        opened = CountOwnHandles();
        EXPECT_TRUE(link.Close());
        closed = CountOwnHandles();
        EXPECT_TRUE(link.Close());
        again = CountOwnHandles();
    } // and the destructor closes nothing more
    EXPECT_EQ(opened, start + 1);
    EXPECT_EQ(closed, start);
    EXPECT_EQ(again, start);
    EXPECT_EQ(CountOwnHandles(), start);
}

// The driver stopped: nothing opens, nothing is registered or left open.
TEST_F(DriverLinkTest, NoDriverPresent) {
    m_peer.Close();
    ASSERT_TRUE(StopDriverService());
    int before, after;
    {
        DriverLink link;
        EXPECT_FALSE(link.Open());
        before = CountOwnHandles();
        EXPECT_FALSE(link.RegisterEvent(0));
        after = CountOwnHandles();
        EXPECT_EQ(link.GetEvent(0), nullptr);
        EXPECT_FALSE(EventExists(0));
        EXPECT_EQ(link.QueryState(), -1);
        uint8_t block[640] = {};
        EXPECT_EQ(link.SendAudio(block, sizeof(block)), 0u);
        EXPECT_TRUE(link.Close());
    }
    EXPECT_EQ(after, before);
    ASSERT_TRUE(StartDriverService());
    ASSERT_TRUE(m_peer.Open());
    VadPeerCounters c = Counters(); // a fresh driver: nothing reached it while it was away
    EXPECT_EQ(c.blocksWritten + c.registerRequests, 0u);
}

} // namespace
