// The library's call contract, natively and under sanitizers: in place,
// nothing outside the block, odd lengths and addresses, other formats, null
// calls, and the same output however a stream is split into blocks.
// The entry keeps one static state for the whole process, so every test
// mirrors what it feeds the entry into a "shadow" NsState; the entry's output
// must always equal the shadow's, whatever order the tests run in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "NoiseSuppressor.h"
#include "hsh_api.h"

namespace {

NsState& shadow() {
    static NsState st;
    static bool init = false;
    if (!init) {
        NsInit(&st, nullptr);
        init = true;
    }
    return st;
}

std::vector<unsigned char> noisy_bytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> g(0.0f, 2000.0f);
    std::vector<unsigned char> b(n);
    for (size_t i = 0; i + 1 < n; i += 2) {
        const uint16_t u = (uint16_t)(int16_t)g(rng);
        b[i] = (unsigned char)(u & 0xFF);
        b[i + 1] = (unsigned char)(u >> 8);
    }
    if (n % 2)
        b[n - 1] = 0x5A;
    return b;
}

// What the entry should produce for these bytes (little-endian samples).
std::vector<unsigned char> expected(const std::vector<unsigned char>& in, size_t len) {
    std::vector<int16_t> s(len / 2);
    for (size_t i = 0; i < s.size(); i++)
        s[i] = (int16_t)(in[2 * i] | (in[2 * i + 1] << 8));
    NsProcess(&shadow(), s.data(), s.size());
    std::vector<unsigned char> out(in.begin(), in.begin() + len);
    for (size_t i = 0; i < s.size(); i++) {
        out[2 * i] = (unsigned char)((uint16_t)s[i] & 0xFF);
        out[2 * i + 1] = (unsigned char)((uint16_t)s[i] >> 8);
    }
    return out;
}

int call(unsigned char* p, int len, unsigned int rate = 16000, int ch = 1) {
    unsigned char* out = nullptr;
    int outLen = -1;
    int rc = ProcessInputAudioData(p, len, &out, &outLen, rate, ch, 0);
    if (p && len > 0) {
        EXPECT_EQ(out, p);
        EXPECT_EQ(outLen, len);
    }
    return rc;
}

} // namespace

TEST(HshContract, InPlaceMatchesStreamingReference) {
    for (int blk = 0; blk < 60; blk++) { // 1.2 s: well past the startup delay
        std::vector<unsigned char> b = noisy_bytes(640, 100 + blk);
        std::vector<unsigned char> want = expected(b, 640);
        std::vector<unsigned char> orig = b;
        call(b.data(), 640);
        ASSERT_EQ(b, want) << "block " << blk;
        if (blk > 1) {
            ASSERT_NE(b, orig); // it really processed the audio
        }
    }
}

TEST(HshContract, GuardBytesAndOddTrailingByteUntouched) {
    const size_t guard = 64;
    for (int len : {641, 1, 3, 319, 1281}) {
        std::vector<unsigned char> buf(guard + len + guard, 0xA5);
        std::vector<unsigned char> body = noisy_bytes(len, len);
        std::memcpy(buf.data() + guard, body.data(), len);
        std::vector<unsigned char> want = expected(body, len & ~1);
        call(buf.data() + guard, len);
        for (size_t i = 0; i < guard; i++) {
            ASSERT_EQ(buf[i], 0xA5) << "front guard, len " << len;
            ASSERT_EQ(buf[guard + len + i], 0xA5) << "back guard, len " << len;
        }
        ASSERT_TRUE(std::equal(want.begin(), want.end(), buf.begin() + guard)) << "len " << len;
        if (len % 2) {
            ASSERT_EQ(buf[guard + len - 1], body[len - 1]) << "odd byte, len " << len;
        }
    }
}

TEST(HshContract, UnalignedBlockPointer) {
    std::vector<unsigned char> buf(641 + 1);
    std::vector<unsigned char> body = noisy_bytes(640, 7);
    std::memcpy(buf.data() + 1, body.data(), 640);
    std::vector<unsigned char> want = expected(body, 640);
    call(buf.data() + 1, 640);
    ASSERT_EQ(0, std::memcmp(buf.data() + 1, want.data(), 640));
}

TEST(HshContract, OtherFormatsUntouchedAndStateUnchanged) {
    const struct {
        unsigned rate;
        int ch;
    } fmts[] = {{8000, 1}, {48000, 1}, {44100, 1}, {16000, 2}, {16000, 0}};
    for (auto f : fmts) {
        std::vector<unsigned char> b = noisy_bytes(640, f.rate + f.ch);
        std::vector<unsigned char> orig = b;
        call(b.data(), 640, f.rate, f.ch);
        ASSERT_EQ(b, orig) << f.rate << " Hz, " << f.ch << " ch";
    }
    // A following valid block must still match the shadow, i.e. the ignored
    // blocks did not advance the internal stream.
    std::vector<unsigned char> b = noisy_bytes(640, 99);
    std::vector<unsigned char> want = expected(b, 640);
    call(b.data(), 640);
    ASSERT_EQ(b, want);
}

TEST(HshContract, NullAndEmptyAreSafe) {
    unsigned char byte = 0x33;
    EXPECT_EQ(ProcessInputAudioData(nullptr, 640, nullptr, nullptr, 16000, 1, 0), 0);
    call(&byte, 0);
    call(&byte, -640);
    call(&byte, 1); // a lone odd byte: no whole sample
    EXPECT_EQ(byte, 0x33);
    std::vector<unsigned char> b = noisy_bytes(640, 5);
    std::vector<unsigned char> want = expected(b, 640);
    ProcessInputAudioData(b.data(), 640, nullptr, nullptr, 16000, 1, 0); // null out-params
    ASSERT_EQ(b, want);
}

TEST(HshContract, AnyBlockSplitGivesSameStream) {
    // Feed 2 s through the entry in irregular even-sized pieces; the
    // concatenated output must equal the shadow fed in one go.
    std::vector<unsigned char> all = noisy_bytes(64000, 4242);
    std::vector<unsigned char> want = expected(all, all.size());
    const int pieces[] = {640, 320, 2, 1000, 6, 1280, 638, 4};
    size_t off = 0;
    for (int i = 0; off < all.size(); i++) {
        int n = pieces[i % 8];
        if (off + n > all.size())
            n = (int)(all.size() - off);
        call(all.data() + off, n);
        off += n;
    }
    ASSERT_EQ(all, want);
}
