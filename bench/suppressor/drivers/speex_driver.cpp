// SpeexDSP preprocessor peer: 320-sample frames at 16 kHz, denoise on,
// AGC/VAD/dereverb off. Usage: speex_driver list timing suppress_db (e.g. -15)
#include "driver_common.h"
#include <cstdlib>
#include <speex/speex_preprocess.h>

int main(int argc, char** argv)
{
    if (argc != 4) { std::fprintf(stderr, "usage: %s list timing suppress_db\n", argv[0]); return 2; }
    int suppress = std::atoi(argv[3]);
    SpeexPreprocessState* st = nullptr;
    auto reset = [&] {
        if (st) speex_preprocess_state_destroy(st);
        st = speex_preprocess_state_init((int)bench::kBlock, 16000);
        int on = 1, off = 0;
        speex_preprocess_ctl(st, SPEEX_PREPROCESS_SET_DENOISE, &on);
        speex_preprocess_ctl(st, SPEEX_PREPROCESS_SET_NOISE_SUPPRESS, &suppress);
        speex_preprocess_ctl(st, SPEEX_PREPROCESS_SET_AGC, &off);
        speex_preprocess_ctl(st, SPEEX_PREPROCESS_SET_VAD, &off);
        speex_preprocess_ctl(st, SPEEX_PREPROCESS_SET_DEREVERB, &off);
    };
    int rc = bench::run_list(argv[1], argv[2], reset,
                             [&](int16_t* b) { speex_preprocess_run(st, b); });
    if (st) speex_preprocess_state_destroy(st);
    return rc;
}
