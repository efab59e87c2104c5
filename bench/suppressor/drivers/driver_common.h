// Shared helpers for the benchmark drivers: each driver reads a list file of
// "input.raw output.raw" lines (16 kHz mono s16le), processes every file with
// a fresh processor in 320-sample (20 ms) blocks, times each block with
// std::chrono::steady_clock and appends the per-block times (microseconds)
// to a timing file.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace bench {

const size_t kBlock = 320;

inline std::vector<int16_t> read_raw(const std::string& path)
{
    std::vector<int16_t> v;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return v;
    std::fseek(f, 0, SEEK_END);
    long n = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    v.resize((size_t)n / 2);
    if (std::fread(v.data(), 2, v.size(), f) != v.size()) v.clear();
    std::fclose(f);
    return v;
}

inline bool write_raw(const std::string& path, const std::vector<int16_t>& v)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(v.data(), 2, v.size(), f) == v.size();
    return std::fclose(f) == 0 && ok;
}

// reset(): fresh processor for a new file; block(ptr): process kBlock samples.
inline int run_list(const char* list, const char* timing,
                    const std::function<void()>& reset,
                    const std::function<void(int16_t*)>& block)
{
    std::ifstream in(list);
    std::FILE* tf = std::fopen(timing, "w");
    if (!in || !tf) { std::fprintf(stderr, "cannot open %s / %s\n", list, timing); return 1; }
    std::string a, b;
    while (in >> a >> b) {
        std::vector<int16_t> x = read_raw(a);
        reset();
        const size_t n = x.size() / kBlock * kBlock;  // whole blocks only
        for (size_t i = 0; i < n; i += kBlock) {
            auto t0 = std::chrono::steady_clock::now();
            block(x.data() + i);
            auto t1 = std::chrono::steady_clock::now();
            std::fprintf(tf, "%.3f\n", std::chrono::duration<double, std::micro>(t1 - t0).count());
        }
        x.resize(n);
        if (!write_raw(b, x)) { std::fprintf(stderr, "write failed %s\n", b.c_str()); return 1; }
    }
    std::fclose(tf);
    return 0;
}

}  // namespace bench
