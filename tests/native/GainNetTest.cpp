// The learned estimators' C++ inference against the training scripts' own
// output on a fixed input (hops of a validation mixture): a fault in the
// weight export (a transposed matrix, gates in the wrong order, a missing
// bias or normalisation, the absence estimator's inputs in another order)
// moves the output far beyond the tolerance, which covers the fast
// activations only.
#include "GainNet.h"

#include <gtest/gtest.h>
#include <cmath>

#include "AbsenceNetReference.inc"
#include "GainNetReference.inc"

TEST(GainNet, InferenceMatchesTheTrainingScript) {
    static_assert(sizeof(kRefInput) / sizeof(float) == kRefHops * kGainFeatures, "input size");
    static_assert(sizeof(kRefOutput) / sizeof(float) == kRefHops * kGainOutputs, "output size");
    GainNetState st = {};
    double worst = 0.0;
    for (int h = 0; h < kRefHops; h++) {
        float out[kGainOutputs];
        GainNetRun(GainNetModel(), &st, kRefInput + h * kGainFeatures, out);
        for (int o = 0; o < kGainOutputs; o++)
            worst = std::fmax(worst, std::fabs(out[o] - kRefOutput[h * kGainOutputs + o]));
    }
    EXPECT_LT(worst, 2e-3);
}

TEST(GainNet, AbsenceInferenceMatchesItsTrainingScript) {
    constexpr int kRow = kGainFeatures + kPeriodicity; // the features, then the periodicity
    static_assert(sizeof(kAbsRefInput) / sizeof(float) == kAbsRefHops * kRow, "input size");
    static_assert(sizeof(kAbsRefOutput) / sizeof(float) == kAbsRefHops * kAbsenceOutputs,
                  "output size");
    GainNetState gain = {};
    AbsenceNetState st = {};
    double worst = 0.0;
    for (int h = 0; h < kAbsRefHops; h++) {
        float g[kGainOutputs], out[kAbsenceOutputs];
        const float* in = kAbsRefInput + h * kRow;
        GainNetRun(GainNetModel(), &gain, in, g);
        AbsenceNetRun(AbsenceNetModel(), &st, in, in + kGainFeatures, gain, g, out);
        for (int o = 0; o < kAbsenceOutputs; o++)
            worst = std::fmax(worst, std::fabs(out[o] - kAbsRefOutput[h * kAbsenceOutputs + o]));
    }
    EXPECT_LT(worst, 2e-3);
}
