// Training-data dump for the learned gain estimator: runs the suppressor
// (with the estimator's factors not applied) hop by hop over each file and
// writes the estimator's input features of every hop as float32.
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
        }
        std::fclose(f);
    }
    return 0;
}
