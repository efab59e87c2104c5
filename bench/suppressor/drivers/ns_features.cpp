// Training-data dump for the learned estimators: runs the suppressor (with
// the gain estimator's factors not applied) hop by hop over each file and
// writes, per hop as float32, the gain estimator's input features and then
// each band's periodicity at the pitch (the absence estimator's extra input).
// Usage: ns_features list.txt   (lines: "input.raw features.f32")
#include "NoiseSuppressor.h"
#include "driver_common.h"
#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc < 2) { std::fprintf(stderr, "usage: %s list\n", argv[0]); return 2; }
    NsParams prm;
    NsDefaultParams(&prm);
    prm.netDepth = 0.0f;
    static NsState st;
    std::ifstream in(argv[1]);
    std::string a, b;
    while (in >> a >> b) {
        std::vector<int16_t> x = bench::read_raw(a);
        NsInit(&st, &prm);
        std::FILE* f = std::fopen(b.c_str(), "wb");
        if (!f) { std::fprintf(stderr, "cannot write %s\n", b.c_str()); return 1; }
        for (size_t i = 0; i + NS_HOP <= x.size(); i += NS_HOP) {
            NsProcess(&st, x.data() + i, NS_HOP);
            std::fwrite(st.features, sizeof(float), kGainFeatures, f);
            std::fwrite(st.periodicity, sizeof(float), kPeriodicity, f);
        }
        std::fclose(f);
    }
    return 0;
}
