#include "VadPeer.h"

#include <cstring>

bool VadPeer::Open() {
    Close();
    m_hDevice = CreateFileA(VAD_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return IsOpen();
}

void VadPeer::Close() {
    if (IsOpen())
        CloseHandle(m_hDevice);
    m_hDevice = INVALID_HANDLE_VALUE;
}

bool VadPeer::Send(uint32_t op, int32_t arg, void* out, DWORD outLength, DWORD* returned) {
    VadPeerRequest request = {op, arg};
    DWORD count = 0;
    BOOL ok = DeviceIoControl(m_hDevice, IOCTL_VAD_PEER, &request, sizeof(request), out, outLength,
                              &count, nullptr);
    if (returned)
        *returned = count;
    return ok != FALSE;
}

bool VadPeer::GetCounters(VadPeerCounters& counters) {
    DWORD returned = 0;
    return Send(VAD_PEER_GET_COUNTERS, 0, &counters, sizeof(counters), &returned) &&
           returned == sizeof(counters);
}

bool VadPeer::ReadAudio(std::vector<uint8_t>& audio, uint64_t& lostBytes) {
    // Two seconds a request keeps each copy small; loop while a read comes
    // back full.
    const DWORD room = 2 * 32000;
    m_readBuffer.resize(sizeof(VadPeerAudioHeader) + room);
    for (;;) {
        DWORD returned = 0;
        if (!Send(VAD_PEER_READ_AUDIO, 0, m_readBuffer.data(),
                  static_cast<DWORD>(m_readBuffer.size()), &returned) ||
            returned < sizeof(VadPeerAudioHeader))
            return false;
        VadPeerAudioHeader header;
        std::memcpy(&header, m_readBuffer.data(), sizeof(header));
        if (header.bytes > returned - sizeof(header))
            return false;
        const uint8_t* data = m_readBuffer.data() + sizeof(header);
        audio.insert(audio.end(), data, data + header.bytes);
        lostBytes += header.lostBytes;
        if (header.bytes < room)
            return true;
    }
}
