// WebRTC audio processing (0.3) peer: noise suppression only, two 10 ms
// AudioFrames per 20 ms block. Usage: webrtc_driver list timing level
// level: 1=moderate 2=high 3=very high
#include "driver_common.h"
#include <cstdlib>
#include <cstring>
#include <memory>
#include <webrtc/modules/audio_processing/include/audio_processing.h>
#include <webrtc/modules/interface/module_common_types.h>

int main(int argc, char** argv)
{
    if (argc != 4) { std::fprintf(stderr, "usage: %s list timing level\n", argv[0]); return 2; }
    const int level = std::atoi(argv[3]);
    std::unique_ptr<webrtc::AudioProcessing> apm;
    webrtc::AudioFrame frame;
    auto reset = [&] {
        apm.reset(webrtc::AudioProcessing::Create());
        apm->noise_suppression()->set_level(static_cast<webrtc::NoiseSuppression::Level>(level));
        apm->noise_suppression()->Enable(true);
    };
    auto block = [&](int16_t* b) {
        for (int h = 0; h < 2; h++) {
            frame.sample_rate_hz_ = 16000;
            frame.num_channels_ = 1;
            frame.samples_per_channel_ = 160;
            std::memcpy(frame.data_, b + 160 * h, 160 * sizeof(int16_t));
            apm->ProcessStream(&frame);
            std::memcpy(b + 160 * h, frame.data_, 160 * sizeof(int16_t));
        }
    };
    return bench::run_list(argv[1], argv[2], reset, block);
}
