// Drives the exported C entry point of libhsh.so exactly as the program
// does (640-byte blocks). The entry keeps one static state, so this driver
// processes a single file per run; the benchmark uses it to check that the
// shared object gives bit-identical output to ns_driver.
// Usage: hsh_driver in.raw out.raw
#include "driver_common.h"

#include "hsh_api.h"

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    std::vector<int16_t> x = bench::read_raw(argv[1]);
    const size_t n = x.size() / bench::kBlock * bench::kBlock;
    for (size_t i = 0; i < n; i += bench::kBlock) {
        unsigned char* out = nullptr;
        int len = 0;
        ProcessInputAudioData(reinterpret_cast<unsigned char*>(x.data() + i), 640, &out, &len, 16000, 1, 0);
    }
    x.resize(n);
    return bench::write_raw(argv[2], x) ? 0 : 1;
}
