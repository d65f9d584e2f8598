#include "pcldecoder.h"
#include "rasterrows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace vel;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes runLength(const Bytes& in) {
    Bytes out(2 * in.size() + 2);
    out.resize(codeRunLength(in.data(), in.size(), out.data()));
    return out;
}

Bytes packBits(const Bytes& in) {
    Bytes out(2 * in.size() + 2);
    out.resize(codePackBits(in.data(), in.size(), out.data()));
    return out;
}

Bytes repeat(size_t n, uint8_t b) {
    return Bytes(n, b);
}

} // namespace

TEST(RunLength, CodesRunsOfAtMost256) {
    struct Case {
        const char* name;
        Bytes in, out;
    } cases[] = {
        {"300 equal bytes", repeat(300, 7), {255, 7, 43, 7}},
        {"alternating", {1, 2, 1}, {0, 1, 0, 2, 0, 1}},
        {"run then single", {5, 5, 5, 9}, {2, 5, 0, 9}},
        {"exactly 256", repeat(256, 0), {255, 0}},
        {"empty", {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(runLength(c.in), c.out) << c.name;
}

TEST(PackBits, CodesRunsAndLiterals) {
    // 128 different bytes: a literal of 127, then the last one alone.
    Bytes literal128, literal128Out{126};
    for (int i = 0; i < 128; ++i)
        literal128.push_back(uint8_t(i));
    for (int i = 0; i < 127; ++i)
        literal128Out.push_back(uint8_t(i));
    literal128Out.push_back(0);
    literal128Out.push_back(127);

    struct Case {
        const char* name;
        Bytes in, out;
    } cases[] = {
        {"literal 1 2 3", {1, 2, 3}, {1, 1, 2, 0, 3}},
        {"five equal", repeat(5, 9), {252, 9}},
        {"single byte", {4}, {0, 4}},
        {"literal then run", {1, 2, 3, 3, 3}, {1, 1, 2, 254, 3}},
        {"run then single", {8, 8, 1}, {255, 8, 0, 1}},
        {"run of 127", repeat(127, 6), {130, 6}},
        {"run of 128 splits", repeat(128, 6), {130, 6, 0, 6}},
        {"run of 129 splits", repeat(129, 6), {130, 6, 255, 6}},
        {"literal of 128 splits", literal128, literal128Out},
        {"empty", {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(packBits(c.in), c.out) << c.name;
}

// Random rows with runs, through both coders and the test decoder.
TEST(Coders, RoundTripWithinTwiceTheInput) {
    std::mt19937 gen(42);
    for (int t = 0; t < 500; ++t) {
        Bytes in;
        size_t n = gen() % 700;
        while (in.size() < n) {
            uint8_t b = uint8_t(gen() % 4 == 0 ? 0 : gen());
            in.insert(in.end(), gen() % 3 == 0 ? gen() % 300 + 1 : 1, b);
        }
        for (int mode : {1, 2}) {
            Bytes coded = mode == 1 ? runLength(in) : packBits(in);
            EXPECT_LE(coded.size(), 2 * in.size());
            Bytes back;
            ASSERT_TRUE(veltest::decompress(mode, coded.data(), coded.size(), back));
            EXPECT_EQ(back, in) << "mode " << mode << " case " << t;
        }
    }
}

TEST(BitPlaneSplit, SeparatesLowAndHighBits) {
    struct Case {
        const char* name;
        Bytes in, low, high;
    } cases[] = {
        {"first pixel 3", {0xC0, 0x00}, {0x80}, {0x80}},
        {"pixel values 0 1 2 3", {0x1B, 0x00}, {0x50}, {0x30}},
        {"second byte", {0x00, 0x1B}, {0x05}, {0x03}},
        {"odd length uses p0 alone", {0xFF, 0xFF, 0x40}, {0xFF, 0x80}, {0xFF, 0x00}},
    };
    for (const Case& c : cases) {
        Bytes low((c.in.size() + 1) / 2), high(low.size());
        splitBitPlanes(c.in.data(), c.in.size(), low.data(), high.data());
        EXPECT_EQ(low, c.low) << c.name;
        EXPECT_EQ(high, c.high) << c.name;
    }
}

TEST(GlibcRand, MatchesTheCLibrarySequence) {
    srand(1); // the unseeded state
    GlibcRand ours;
    for (int i = 0; i < 2000000; ++i) {
        int expected = rand();
        ASSERT_EQ(ours.next(), expected) << "value " << i;
    }
}

TEST(ToneTable, RunsFromNoInkToFullWeight) {
    int32_t t[256];
    buildToneTable(t);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[255], 32767);
    for (int i = 1; i < 256; ++i)
        EXPECT_GT(t[i], t[i - 1]) << i;
}

TEST(ErrorDiffusion, KeepsTheInkLevel) {
    int32_t table[256];
    buildToneTable(table);
    const unsigned width = 200, height = 200;
    // The share of dots follows the tone table: no ink none, full ink every
    // dot, in between what the table weighs (176 is about half).
    for (uint8_t level : {0, 32, 128, 176, 255}) {
        ErrorDiffuser d;
        d.reset(width);
        GlibcRand rand;
        Bytes ink(width, level), out(width);
        size_t dots = 0;
        for (unsigned y = 0; y < height; ++y) {
            d.ditherRow(table, ink.data(), y, out.data(), rand);
            for (uint8_t v : out)
                dots += v;
        }
        double share = double(dots) / (width * height);
        double expected = table[level] / 32767.0;
        if (level == 0 || level == 255)
            EXPECT_EQ(share, expected) << int(level);
        else
            EXPECT_NEAR(share, expected, 0.02) << int(level);
    }
}

TEST(PackBits1, PacksWithZeroPadding) {
    Bytes values{1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0};
    Bytes out(2, 0xAA);
    packBits1(values.data(), unsigned(values.size()), out.data());
    EXPECT_EQ(out, (Bytes{0x81, 0xC0}));
}

// The dot pattern, pixel by pixel, against a plain transcription of the
// diffusion that draws from the C library's rand().
TEST(ErrorDiffusion, DotsMatchTheLibraryRandDiffusion) {
    const unsigned width = 97, height = 40;
    int32_t table[256];
    buildToneTable(table);
    std::mt19937 gen(5);
    std::vector<Bytes> ink(height, Bytes(width));
    for (auto& row : ink)
        for (auto& g : row)
            g = gen() % 3 == 0 ? uint8_t(gen()) : (gen() % 2 ? 0 : 255);

    srand(1);
    std::vector<long> e0(width + 4, 0), e1(width + 4, 0);
    ErrorDiffuser ours;
    ours.reset(width);
    GlibcRand rand1;
    for (unsigned y = 0; y < height; ++y) {
        Bytes expected(width), got(width);
        long* cur = y % 2 ? e1.data() : e0.data();
        long* nxt = y % 2 ? e0.data() : e1.data();
        long d = y % 2 ? -1 : 1;
        for (unsigned k = 0; k < width; ++k) {
            long x = y % 2 ? width - 1 - k : k, i = x + 2;
            long v = std::clamp<long>((table[ink[y][x]] + cur[i]) / 128, 0, 255);
            long r = v <= 127 ? v / 15 : (255 - v) / 15;
            long e = v > 127 ? v - 255 : v;
            expected[x] = v > 127;
            long w = 8 - r + rand() % (2 * r + 1);
            long a = w * e, b = (16 - w) * e;
            cur[i + d] += 4 * a, cur[i + 2 * d] += 2 * a, cur[i] = 0;
            nxt[i - 2 * d] += b, nxt[i - d] += 2 * b, nxt[i] += 4 * b, nxt[i + d] += 2 * a,
                nxt[i + 2 * d] += b;
        }
        ours.ditherRow(table, ink[y].data(), y, got.data(), rand1);
        ASSERT_EQ(got, expected) << "row " << y;
    }
}

// The word-at-a-time PackBits coder against a byte-by-byte transcription of
// the coding, on rows of short and long runs and literals.
TEST(PackBits, MatchesTheByteByByteCoding) {
    auto reference = [](const Bytes& in) {
        Bytes out;
        size_t n = in.size(), s = 0;
        while (s < n) {
            if (s + 1 == n) {
                out.insert(out.end(), {0, in[s]});
                break;
            }
            size_t count, p;
            if (in[s + 1] == in[s]) {
                for (count = 2, p = s + 1; p + 1 < n && in[p + 1] == in[p] && count < 127; ++p)
                    ++count;
                out.insert(out.end(), {uint8_t(257 - count), in[s]});
                s = p + 1;
            } else {
                for (count = 1, p = s + 1; p + 1 < n && in[p] != in[p + 1] && count < 127; ++p)
                    ++count;
                out.push_back(uint8_t(count - 1));
                out.insert(out.end(), in.begin() + s, in.begin() + s + count);
                s = p;
            }
        }
        return out;
    };
    std::mt19937 gen(9);
    for (int t = 0; t < 3000; ++t) {
        Bytes in;
        size_t n = gen() % 400;
        while (in.size() < n) {
            size_t len = gen() % 4 == 0 ? gen() % 300 + 1 : gen() % 3 + 1;
            uint8_t b = uint8_t(gen() % 5);
            in.insert(in.end(), len, b);
        }
        in.resize(n);
        ASSERT_EQ(packBits(in), reference(in)) << "case " << t;
    }
}
