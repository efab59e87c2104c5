// Benchmark of the capture path under Wine, on the rig's real parts. Prints:
// latency from the capture thread's wake-up to the driver write, capture-path
// time and CPU per block, heap allocations on the capture thread per block,
// frames lost or repeated over a long run, and the time from driver event 2
// to the first delivered frame.
//
//   capture_bench.exe [seconds]              library off, counter signal
//   capture_bench.exe seconds suppressor     the real hsh.dll on every block
//                                            of the noisy microphone (its
//                                            output is no count to check)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "EngineHarness.h"
#include "PatternCheck.h"
#include "audio/AudioEngine.h"
#include "audio/DSCaptureDevice.h"
#include "settings/AppSettings.h"

namespace {

std::atomic<DWORD> g_captureThread{0};
std::atomic<long> g_captureAllocations{0};

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart * 1e3 / freq.QuadPart; // ms
}

class Probe : public ICaptureProbe {
  public:
    void OnNotification() override {
        g_captureThread = GetCurrentThreadId();
        m_wake = Now();
        m_blocksThisRead = 0;
    }
    void OnBlockSent(const void*, DWORD bytes) override {
        const double t = Now();
        if (m_firstBlock == 0)
            m_firstBlock = t;
        m_blocksThisRead += bytes / 640;
        m_latency.push_back(t - m_wake);
        m_perBlock.push_back((t - m_wake) / m_blocksThisRead);
        m_blocks += bytes / 640;
    }
    void ResetFirst() { m_firstBlock = 0; }
    double FirstBlock() const { return m_firstBlock; }
    std::vector<double> m_latency, m_perBlock;
    long m_blocks = 0;

  private:
    double m_wake = 0, m_firstBlock = 0;
    long m_blocksThisRead = 0;
};

struct Stats {
    double p50, p99, max;
};

Stats Summarise(std::vector<double> v) {
    if (v.empty())
        return {0, 0, 0};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[static_cast<size_t>(0.99 * (v.size() - 1))], v.back()};
}

double ThreadCpuMs(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    auto ms = [](FILETIME f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

} // namespace

extern "C" void* __real_malloc(size_t);
extern "C" void* __wrap_malloc(size_t size) {
    if (GetCurrentThreadId() == g_captureThread)
        ++g_captureAllocations;
    return __real_malloc(size);
}

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
    const bool suppressor = argc > 2 && std::strcmp(argv[2], "suppressor") == 0;
    EngineHarness h(suppressor ? "bin" : "testlib",
                    suppressor ? "Rig Noisy Microphone" : "Rig Pattern Microphone");
    if (!h.deviceFound || !h.Peer().IsOpen()) {
        std::fprintf(stderr, "capture_bench: the rig's microphone or driver is missing\n");
        return 1;
    }
    Probe probe;

    // Event 2 to the first delivered frame, twenty times.
    std::vector<double> startup;
    auto engine = std::make_unique<AudioEngine>(h.EngineConfig());
    if (!engine->Start())
        return std::fprintf(stderr, "capture_bench: cannot register the driver events\n"), 1;
    engine->GetCaptureDevice()->SetProbe(&probe);
    for (int i = 0; i < 20; ++i) {
        probe.ResetFirst();
        const double t0 = Now();
        h.Peer().OpenMic();
        h.RunUntil([&] { return probe.FirstBlock() != 0; }, 3000);
        startup.push_back(probe.FirstBlock() - t0);
        h.Peer().CloseMic(0);
        h.Run(100);
    }

    // The long run. The probe's own storage is reserved now so that only the
    // capture path's allocations are counted.
    g_AppSettings.SetInputNoiseCancellation(suppressor ? 1 : 0);
    probe.m_latency.clear();
    probe.m_perBlock.clear();
    probe.m_latency.reserve(static_cast<size_t>(seconds) * 60 + 1000);
    probe.m_perBlock.reserve(static_cast<size_t>(seconds) * 60 + 1000);
    probe.m_blocks = 0;
    h.Clear();
    h.Peer().OpenMic();
    h.RunUntil([&] { return probe.m_blocks > 0; }, 3000);
    HANDLE captureThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, g_captureThread);
    const double cpuBefore = ThreadCpuMs(captureThread);
    g_captureAllocations = 0;
    const long blocksBefore = probe.m_blocks;
    std::printf("running %d s of capture...\n", seconds);
    std::fflush(stdout);
    h.Run(static_cast<DWORD>(seconds) * 1000);
    const long blocks = probe.m_blocks - blocksBefore;
    const long allocations = g_captureAllocations;
    const double cpu = ThreadCpuMs(captureThread) - cpuBefore;
    CloseHandle(captureThread);
    h.Peer().CloseMic(0);
    h.Run(200);
    engine->Stop();

    const PatternReport r = CheckCounterPattern(h.audio);
    const double expectedPairs = h.audio.size() / 4.0;
    const Stats lat = Summarise(probe.m_latency), per = Summarise(probe.m_perBlock),
                st = Summarise(startup);
    const char* library = suppressor ? "library on" : "library off";
    std::printf("capture path, %d s run, %ld blocks of 20 ms, %s\n", seconds, blocks, library);
    std::printf("  wake-up to driver write:      p50 %.3f ms  p99 %.3f ms  max %.3f ms\n", lat.p50,
                lat.p99, lat.max);
    std::printf("  time per block:               p50 %.3f ms  p99 %.3f ms  max %.3f ms\n", per.p50,
                per.p99, per.max);
    std::printf("  capture thread CPU per block: %.3f ms\n", blocks ? cpu / blocks : 0.0);
    std::printf("  heap allocations per block:   %.4f (%ld in all)\n",
                blocks ? static_cast<double>(allocations) / blocks : 0.0, allocations);
    std::printf("  event 2 to first frame:       p50 %.1f ms  max %.1f ms (20 opens)\n", st.p50,
                st.max);
    const auto ringLost = static_cast<unsigned long long>(h.lostBytes);
    if (suppressor) {
        std::printf("  received:                     %.1f s (driver ring lost %llu bytes)\n",
                    expectedPairs / 8000.0, ringLost);
        return ringLost == 0 ? 0 : 1;
    }
    std::printf("  frames lost / repeated:       %.1f / %.1f (in %.1f s received; driver ring lost "
                "%llu bytes)\n",
                r.lostPairs / 160.0, r.repeatedPairs / 160.0, expectedPairs / 8000.0, ringLost);
    std::printf("  silence from the source:      %.2f s (the sound server's own gaps)\n",
                r.silentSamples / 16000.0);
    return Unbroken(r) ? 0 : 1;
}
