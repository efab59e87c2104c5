// Hushwave suppressor driver (static library API, fresh state per file).
// Usage: ns_driver list.txt timing.txt [param=value ...]
#include "NoiseSuppressor.h"
#include "driver_common.h"
#include <cstdlib>
#include <cstring>

static bool set_param(NsParams* p, const char* kv)
{
    const char* eq = std::strchr(kv, '=');
    if (!eq) return false;
    std::string k(kv, eq - kv);
    float v = (float)std::atof(eq + 1);
#define P(name) if (k == #name) { p->name = v; return true; }
    P(noise_alpha) P(spp_prior_db) P(dd_alpha) P(xi_min_db) P(q_max) P(floor_speech_db)
    P(floor_pause_db) P(vad_attack) P(vad_release) P(noise_bias) P(gain_release) P(click_ratio_db) P(click_floor_db) P(stag_tau) P(gain_fsmooth)
    P(vad_llr_lo) P(vad_llr_hi) P(vad_llr_smooth) P(pause_db) P(q_max_pause) P(deep_pause_db) P(deep_pause_after) P(dd_alpha_pause) P(spp_fsmooth)
    P(spp_prior_hi_db) P(dd_alpha_rise) P(onset_gamma) P(low_leak) P(hi_snr_db) P(click_speech_db) P(pause_keep_db)
#undef P
#define PI(name) if (k == #name) { p->name = (int)v; return true; }
    PI(guard_bins) PI(low_leak_bins)
#undef PI
    return false;
}

int main(int argc, char** argv)
{
    if (argc < 3) { std::fprintf(stderr, "usage: %s list timing [k=v...]\n", argv[0]); return 2; }
    NsParams prm;
    NsDefaultParams(&prm);
    for (int i = 3; i < argc; i++)
        if (!set_param(&prm, argv[i])) { std::fprintf(stderr, "bad param %s\n", argv[i]); return 2; }
    static NsState st;
    return bench::run_list(argv[1], argv[2], [&] { NsInit(&st, &prm); },
                           [&](int16_t* b) { NsProcess(&st, b, bench::kBlock); });
}
