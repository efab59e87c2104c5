// vmic: plays the VoIP program against the (stand-in) HSH Audio Driver.
// Records the virtual microphone into a WAV file, and drives the driver's
// peer operations from the command line for tests and for people.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "VadPeer.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: vmic record SECONDS FILE.wav   open the microphone, record, close it\n"
                 "       vmic tap SECONDS FILE.wav      record, the microphone left as it is\n"
                 "       vmic open | close [0|1] | signal N | state N | state-nobytes 0|1\n"
                 "       vmic fail-register N | fail-unregister N   (-1: none)\n"
                 "       vmic counters | reset\n"
                 "       vmic bench N   time N 640-byte audio writes (round trip)\n");
    return 2;
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

bool WriteWav(const char* path, const std::vector<uint8_t>& pcm) {
    std::vector<uint8_t> header;
    const uint32_t size = static_cast<uint32_t>(pcm.size());
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    PutLe(header, 36 + size, 4);
    header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(header, 16, 4);
    PutLe(header, 1, 2);     // PCM
    PutLe(header, 1, 2);     // mono
    PutLe(header, 16000, 4); // samples a second
    PutLe(header, 32000, 4); // bytes a second
    PutLe(header, 2, 2);     // block align
    PutLe(header, 16, 2);    // bits
    header.insert(header.end(), {'d', 'a', 't', 'a'});
    PutLe(header, size, 4);
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
              std::fwrite(pcm.data(), 1, pcm.size(), f) == pcm.size();
    return std::fclose(f) == 0 && ok;
}

// `openAndClose`: as a VoIP program's call would; otherwise the recording
// taps what flows while someone else holds the microphone open.
int Record(VadPeer& peer, double seconds, const char* path, bool openAndClose) {
    std::vector<uint8_t> pcm;
    uint64_t lost = 0;
    if (openAndClose)
        peer.OpenMic();
    else if (peer.ReadAudio(pcm, lost))
        pcm.clear(), lost = 0; // what queued before the tap belongs to no one
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(seconds * 1000)) {
        Sleep(20);
        if (!peer.ReadAudio(pcm, lost))
            return std::fprintf(stderr, "vmic: reading the microphone failed\n"), 1;
    }
    if (openAndClose)
        peer.CloseMic(0);
    Sleep(60); // blocks already on their way still belong to this recording
    peer.ReadAudio(pcm, lost);
    if (!WriteWav(path, pcm))
        return std::fprintf(stderr, "vmic: cannot write %s\n", path), 1;
    std::printf("recorded %u bytes (%.2f s), lost %llu bytes\n", static_cast<unsigned>(pcm.size()),
                pcm.size() / 32000.0, static_cast<unsigned long long>(lost));
    return 0;
}

// Round trip of the request the capture thread makes every 20 ms.
int BenchWrites(VadPeer& peer, int count) {
    HANDLE device =
        CreateFileA(VAD_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE || count <= 0)
        return std::fprintf(stderr, "vmic: bench needs the driver and N > 0\n"), 1;
    std::vector<uint8_t> frame(VAD_FRAME_BYTES, 0);
    std::vector<double> micros;
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    for (int i = 0; i < count; ++i) {
        DWORD returned = 0;
        QueryPerformanceCounter(&t0);
        DeviceIoControl(device, IOCTL_VAD_WRITE_AUDIO, frame.data(), VAD_FRAME_BYTES, nullptr, 0,
                        &returned, nullptr);
        QueryPerformanceCounter(&t1);
        micros.push_back((t1.QuadPart - t0.QuadPart) * 1e6 / freq.QuadPart);
    }
    CloseHandle(device);
    peer.Reset(); // the bench's audio is nobody's recording
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) { return micros[static_cast<size_t>(q * (micros.size() - 1))]; };
    std::printf(
        "640-byte write round trip over %d requests: p50 %.1f us, p99 %.1f us, max %.1f us\n",
        count, at(0.5), at(0.99), micros.back());
    return 0;
}

void PrintCounters(const VadPeerCounters& c) {
    std::printf("register=%u unregister=%u state_requests=%u blocks=%u bytes=%llu rejected=%u "
                "lost=%u registered_mask=0x%02x state=%d state_no_bytes=%u fail_register=%d "
                "fail_unregister=%d\n",
                c.registerRequests, c.unregisterRequests, c.stateRequests, c.blocksWritten,
                (static_cast<unsigned long long>(c.bytesWrittenHigh) << 32) | c.bytesWrittenLow,
                c.blocksRejected, c.lostBytes, c.registeredMask, c.state, c.stateNoBytes,
                c.failRegisterAt, c.failUnregisterAt);
    for (uint32_t i = 0; i < c.logCount; ++i) {
        const VadPeerLogEntry& e = c.log[i];
        std::printf("  %s len=%u bytes=",
                    e.code == IOCTL_VAD_REGISTER_EVENT ? "register  " : "unregister", e.inLength);
        for (uint8_t b : e.raw)
            std::printf("%02x ", b);
        std::printf("status=0x%08x\n", static_cast<unsigned>(e.status));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const std::string cmd = argv[1];
    VadPeer peer;
    if (!peer.Open()) {
        std::fprintf(stderr, "vmic: cannot open %s (error %lu)\n", VAD_DEVICE_PATH, GetLastError());
        return 1;
    }
    const int arg = argc > 2 ? std::atoi(argv[2]) : 0;
    bool ok = true;
    if (cmd == "record" && argc == 4)
        return Record(peer, std::atof(argv[2]), argv[3], true);
    if (cmd == "tap" && argc == 4)
        return Record(peer, std::atof(argv[2]), argv[3], false);
    if (cmd == "bench" && argc == 3)
        return BenchWrites(peer, arg);
    if (cmd == "counters") {
        VadPeerCounters counters;
        if (!peer.GetCounters(counters))
            return std::fprintf(stderr, "vmic: counters failed\n"), 1;
        PrintCounters(counters);
        return 0;
    }
    if (cmd == "open")
        ok = peer.OpenMic();
    else if (cmd == "close")
        ok = peer.CloseMic(arg);
    else if (cmd == "signal" && argc == 3)
        ok = peer.Signal(arg);
    else if (cmd == "state" && argc == 3)
        ok = peer.SetState(arg);
    else if (cmd == "state-nobytes" && argc == 3)
        ok = peer.SetStateNoBytes(arg != 0);
    else if (cmd == "fail-register" && argc == 3)
        ok = peer.FailRegisterAt(arg);
    else if (cmd == "fail-unregister" && argc == 3)
        ok = peer.FailUnregisterAt(arg);
    else if (cmd == "reset")
        ok = peer.Reset();
    else
        return Usage();
    if (!ok)
        std::fprintf(stderr, "vmic: %s failed (error %lu)\n", cmd.c_str(), GetLastError());
    return ok ? 0 : 1;
}
