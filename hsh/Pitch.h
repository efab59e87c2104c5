// The voice's pitch, for the suppressor's absence estimator and its comb: a
// band that holds a voice's harmonics repeats after one pitch period, noise
// does not, so how far a band repeats tells whether the voice is in it, and
// the frame one period earlier, added where a band is that periodic, raises
// the harmonics over the noise between them.
// Plain data, no heap; PitchPush once per hop, the others in the hops the
// suppressor hears a voice in, all from the capture thread.
//
// PitchPush appends the newest hop; PitchSearch finds the lag (in samples at
// 16 kHz) whose normalised autocorrelation is highest over the last 10 ms:
// a coarse search at 4 kHz, refined at 16 kHz, preferring a sub-multiple of
// the lag that is nearly as good (so a period is not taken for two).
// PitchDelayedFrame gives the analysis frame one lag earlier.
#pragma once

constexpr int kPitchMinLag = 32;  // 500 Hz
constexpr int kPitchMaxLag = 320; // 50 Hz
constexpr int kPitchFrame = 256;  // the analysis frame the delayed copy is for
constexpr int kPitchHist = kPitchFrame + kPitchMaxLag + 8;
constexpr int kPitchDown = 4;       // decimation of the coarse search
constexpr int kPitchCoarseWin = 64; // 16 ms at 4 kHz
constexpr int kPitchCoarseHist = kPitchCoarseWin + kPitchMaxLag / kPitchDown + 8;
constexpr int kPitchFineWin = 160; // 10 ms at 16 kHz

struct PitchState {
    float hist[kPitchHist];         // the last input samples, newest last
    float coarse[kPitchCoarseHist]; // ... decimated to 4 kHz (mean of 4)
    int lag;                        // the pitch period found by the last search
    float corr;                     // its normalised autocorrelation (0..1)
};

void PitchPush(PitchState* st, const float* hop, int hopLength);
void PitchSearch(PitchState* st);
// The kPitchFrame samples ending st->lag samples before the newest, times win.
void PitchDelayedFrame(const PitchState* st, const float* win, float* out);
