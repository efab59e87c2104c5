// Client of the stand-in driver's peer request: the VoIP side of the virtual
// microphone, plus the fault injection and counters that tests use.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "audio/DriverProtocol.h"
#include "driver/VadPeerProtocol.h"

class VadPeer {
  public:
    VadPeer() = default;
    ~VadPeer() { Close(); }
    VadPeer(const VadPeer&) = delete;
    VadPeer& operator=(const VadPeer&) = delete;

    bool Open();
    void Close();
    bool IsOpen() const { return m_hDevice != INVALID_HANDLE_VALUE; }

    bool OpenMic() { return Send(VAD_PEER_OPEN_MIC, 0); }
    bool CloseMic(int event) { return Send(VAD_PEER_CLOSE_MIC, event); }
    bool Signal(int event) { return Send(VAD_PEER_SIGNAL, event); }
    bool SetState(int32_t state) { return Send(VAD_PEER_SET_STATE, state); }
    bool SetStateNoBytes(bool on) { return Send(VAD_PEER_STATE_NO_BYTES, on ? 1 : 0); }
    bool FailRegisterAt(int index) { return Send(VAD_PEER_FAIL_REGISTER, index); }
    bool FailUnregisterAt(int index) { return Send(VAD_PEER_FAIL_UNREGISTER, index); }
    bool Reset() { return Send(VAD_PEER_RESET, 0); }
    bool GetCounters(VadPeerCounters& counters);

    // Appends the audio that arrived since the last read; adds what the
    // driver had to drop because nobody read for too long to `lostBytes`.
    bool ReadAudio(std::vector<uint8_t>& audio, uint64_t& lostBytes);

  private:
    bool Send(uint32_t op, int32_t arg, void* out = nullptr, DWORD outLength = 0,
              DWORD* returned = nullptr);

    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
    std::vector<uint8_t> m_readBuffer;
};
