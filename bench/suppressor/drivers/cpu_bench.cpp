// Interleaved CPU comparison: runs Hushwave, SpeexDSP (-15 dB) and WebRTC
// (moderate) over the same file in alternating rounds within one process,
// so machine-load drift hits all systems alike. Prints per-round medians
// (microseconds per 20 ms block) and the Hushwave/Speex ratio.
// Usage: cpu_bench file.raw [rounds]
#include "NoiseSuppressor.h"
#include "driver_common.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <speex/speex_preprocess.h>
#include <webrtc/modules/audio_processing/include/audio_processing.h>
#include <webrtc/modules/interface/module_common_types.h>

template <class F>
static double median_us(std::vector<int16_t> x, F&& block)
{
    std::vector<double> t;
    for (size_t i = 0; i + bench::kBlock <= x.size(); i += bench::kBlock) {
        auto t0 = std::chrono::steady_clock::now();
        block(x.data() + i);
        t.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    const std::vector<int16_t> x = bench::read_raw(argv[1]);
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<double> ours, spx, wrt, ratio;
    static NsState st;
    for (int r = 0; r < rounds; r++) {
        NsInit(&st, nullptr);
        ours.push_back(median_us(x, [&](int16_t* b) { NsProcess(&st, b, bench::kBlock); }));
        SpeexPreprocessState* sp = speex_preprocess_state_init((int)bench::kBlock, 16000);
        int on = 1, sup = -15;
        speex_preprocess_ctl(sp, SPEEX_PREPROCESS_SET_DENOISE, &on);
        speex_preprocess_ctl(sp, SPEEX_PREPROCESS_SET_NOISE_SUPPRESS, &sup);
        spx.push_back(median_us(x, [&](int16_t* b) { speex_preprocess_run(sp, b); }));
        speex_preprocess_state_destroy(sp);
        std::unique_ptr<webrtc::AudioProcessing> apm(webrtc::AudioProcessing::Create());
        apm->noise_suppression()->set_level(webrtc::NoiseSuppression::kModerate);
        apm->noise_suppression()->Enable(true);
        webrtc::AudioFrame fr;
        wrt.push_back(median_us(x, [&](int16_t* b) {
            for (int h = 0; h < 2; h++) {
                fr.sample_rate_hz_ = 16000; fr.num_channels_ = 1; fr.samples_per_channel_ = 160;
                std::memcpy(fr.data_, b + 160 * h, 320);
                apm->ProcessStream(&fr);
                std::memcpy(b + 160 * h, fr.data_, 320);
            }
        }));
        ratio.push_back(ours.back() / spx.back());
        std::printf("round %d: hushwave %.1f us, speex-15 %.1f us, webrtc-moderate %.1f us, hushwave/speex %.2f\n",
                    r, ours.back(), spx.back(), wrt.back(), ratio.back());
    }
    auto med = [](std::vector<double> v) { std::sort(v.begin(), v.end()); return v[v.size() / 2]; };
    std::printf("median of rounds: hushwave %.1f us, speex-15 %.1f us, webrtc-moderate %.1f us, "
                "hushwave/speex %.2f (max %.2f)\n", med(ours), med(spx), med(wrt), med(ratio),
                *std::max_element(ratio.begin(), ratio.end()));
    return 0;
}
