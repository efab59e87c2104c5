// The library's call contract, natively and under sanitizers: in place,
// nothing outside the block, odd lengths, other formats, determinism, and
// the same output however a stream is split into blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "NoiseSuppressor.h"
#include "hsh_api.h"

namespace {

// A noisy tone with a pause: something for a suppressor to act on.
std::vector<uint8_t> TestStream(size_t samples) {
    std::vector<uint8_t> bytes(samples * 2);
    uint32_t seed = 12345;
    for (size_t i = 0; i < samples; ++i) {
        seed = seed * 1664525u + 1013904223u;
        double noise = (static_cast<int>(seed >> 16) - 32768) / 327.68;
        double tone = (i / 8000) % 2 ? 0.0 : 8000.0 * std::sin(i * 0.05);
        auto s = static_cast<int16_t>(tone + noise);
        bytes[2 * i] = static_cast<uint8_t>(s & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>((static_cast<uint16_t>(s) >> 8) & 0xFF);
    }
    return bytes;
}

int Call(uint8_t* block, int length, unsigned rate = 16000, int channels = 1) {
    unsigned char* out = nullptr;
    int outLength = 0;
    return ProcessInputAudioData(block, length, &out, &outLength, rate, channels, 0);
}

TEST(HshContract, WorksInPlaceAndNeverOutsideTheBlock) {
    std::vector<uint8_t> buffer(32 + 641 + 32, 0xA5);
    std::vector<uint8_t> stream = TestStream(321);
    std::copy(stream.begin(), stream.begin() + 641, buffer.begin() + 32);
    unsigned char* out = nullptr;
    int outLength = 0;
    ProcessInputAudioData(buffer.data() + 32, 641, &out, &outLength, 16000, 1, 0);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(buffer[i], 0xA5);
        EXPECT_EQ(buffer[32 + 641 + i], 0xA5);
    }
    EXPECT_EQ(buffer[32 + 640], stream[640]); // the odd trailing byte is no sample
    EXPECT_TRUE(out == nullptr || out == buffer.data() + 32);
}

TEST(HshContract, OtherFormatsAndEmptyCallsAreLeftAlone) {
    std::vector<uint8_t> block = TestStream(320), copy = block;
    Call(block.data(), 640, 8000, 1);
    Call(block.data(), 640, 48000, 1);
    Call(block.data(), 640, 16000, 2);
    Call(block.data(), 0);
    Call(block.data(), -640);
    Call(nullptr, 640);
    ProcessInputAudioData(block.data(), 640, nullptr, nullptr, 8000, 1, 0);
    EXPECT_EQ(block, copy);
}

TEST(HshContract, SameStreamSameOutputHoweverItIsSplit) {
    const std::vector<uint8_t> stream = TestStream(16000 * 3);
    auto run = [&](std::vector<size_t> sizes) {
        NsState state;
        std::vector<uint8_t> out = stream;
        size_t at = 0;
        for (size_t k = 0; at < out.size(); ++k) {
            size_t n = std::min(sizes[k % sizes.size()], out.size() - at);
            NsProcessBytes(state, out.data() + at, n / 2);
            at += n;
        }
        return out;
    };
    const auto by640 = run({640});
    EXPECT_NE(by640, stream) << "the suppressor did nothing at all";
    EXPECT_EQ(run({320}), by640);
    EXPECT_EQ(run({1280, 640, 1920}), by640);
    EXPECT_EQ(run({2, 98, 640, 1000, 6}), by640);
    EXPECT_EQ(run({640}), by640) << "not deterministic";
}

} // namespace
