#include "pagerun.h"
#include "pcldecoder.h"
#include "rasterrows.h"

#include <gtest/gtest.h>

#include <random>

using namespace vel;
using veltest::decodePcl;
using veltest::pageHeader;
using veltest::printPages;
using veltest::RasterPage;
using Bytes = std::vector<uint8_t>;

namespace {

// Random rows with runs and blank stretches, like text on a page.
Bytes pagePixels(const cups_page_header2_t& h, unsigned seed, uint8_t padMask = 0xFF) {
    std::mt19937 gen(seed);
    Bytes px;
    for (unsigned y = 0; y < h.cupsHeight; ++y) {
        Bytes row(h.cupsBytesPerLine, 0);
        if (gen() % 3) {
            for (size_t i = 0; i < row.size();) {
                size_t run = gen() % 40 + 1;
                uint8_t b = gen() % 2 ? uint8_t(gen()) : 0;
                for (; run && i < row.size(); --run)
                    row[i++] = b;
            }
        }
        row.back() &= padMask;
        px.insert(px.end(), row.begin(), row.end());
    }
    return px;
}

std::vector<Bytes> rowsOf(const Bytes& px, size_t bpl) {
    std::vector<Bytes> rows;
    for (size_t i = 0; i < px.size(); i += bpl)
        rows.emplace_back(px.begin() + i, px.begin() + i + bpl);
    return rows;
}

size_t dots(const std::vector<Bytes>& rows) {
    size_t n = 0;
    for (const Bytes& r : rows)
        for (uint8_t b : r)
            n += __builtin_popcount(b);
    return n;
}

} // namespace

TEST(RasterPages, OneBitRowsDecodeToTheInput) {
    for (unsigned compression : {0u, 1u, 2u}) {
        cups_page_header2_t h = pageHeader(203, 60, 1, CUPS_CSPACE_K, compression);
        Bytes px = pagePixels(h, compression, 0xE0); // 203 pixels: 3 used bits in the last byte
        RasterJob job;
        std::string out = printPages(job, {{h, px}});
        auto d = decodePcl(out);
        ASSERT_EQ(d.error, "");
        ASSERT_EQ(d.pages.size(), 1u);
        EXPECT_TRUE(d.pages[0].ended);
        EXPECT_EQ(veltest::monoBitmap(d.pages[0]), rowsOf(px, h.cupsBytesPerLine))
            << "compression " << compression;
        if (compression) {
            EXPECT_EQ(d.pages[0].modes, std::vector<int>{int(compression)});
        }
    }
}

TEST(RasterPages, BlankRowsAreSkippedNotSent) {
    cups_page_header2_t h = pageHeader(16, 20, 1);
    Bytes px(h.cupsBytesPerLine * h.cupsHeight, 0);
    px[10 * 2] = 0x80; // row 10 only
    RasterJob job;
    std::string out = printPages(job, {{h, px}});
    EXPECT_NE(out.find("\x1b*r1A\x1b*b10Y\x1b*b2W\x80"), std::string::npos);
    // The nine blank rows at the bottom are not sent before the end of raster.
    EXPECT_NE(out.find("\x1b*b2W\x80\x00\x1b*rC\f", 0, 11), std::string::npos);
}

TEST(RasterPages, TwoBitRowsSplitIntoPlanes) {
    for (unsigned compression : {0u, 2u}) {
        cups_page_header2_t h = pageHeader(37, 30, 2, CUPS_CSPACE_K, compression);
        Bytes px = pagePixels(h, 7, 0xF0); // 37 pixels: one pixel in the last byte
        RasterJob job;
        auto d = decodePcl(printPages(job, {{h, px}}));
        ASSERT_EQ(d.error, "");
        ASSERT_EQ(d.pages.size(), 1u);
        auto got = veltest::twoBitPixels(d.pages[0]);
        for (unsigned y = 0; y < h.cupsHeight; ++y)
            for (unsigned x = 0; x < h.cupsWidth; ++x) {
                uint8_t b = px[y * h.cupsBytesPerLine + x / 4];
                ASSERT_EQ(got[y][x], (b >> (6 - 2 * (x % 4))) & 3) << x << "," << y;
            }
    }
}

TEST(RasterPages, RgbRowsAreSentWholeAndUnskipped) {
    for (unsigned compression : {0u, 1u, 2u}) {
        cups_page_header2_t h = pageHeader(50, 12, 8, CUPS_CSPACE_RGB, compression);
        Bytes px = pagePixels(h, 3);
        RasterJob job;
        job.planeCount = 3;
        auto d = decodePcl(printPages(job, {{h, px}}));
        ASSERT_EQ(d.error, "");
        ASSERT_EQ(d.pages.size(), 1u);
        auto rows = rowsOf(px, h.cupsBytesPerLine);
        for (unsigned y = 0; y < h.cupsHeight; ++y) {
            ASSERT_EQ(d.pages[0].rows[y].size(), 1u) << "row " << y << " was skipped";
            EXPECT_EQ(d.pages[0].rows[y][0], rows[y]) << y;
        }
    }
}

TEST(RasterPages, EightBitPagesAreDiffused) {
    const unsigned w = 300, hgt = 100;
    struct Case {
        const char* name;
        cups_cspace_t space;
        uint8_t value;
        double low, high; // share of dots
    } cases[] = {
        {"no ink", CUPS_CSPACE_K, 0, 0, 0},
        {"full ink", CUPS_CSPACE_K, 255, 1, 1},
        {"half tone", CUPS_CSPACE_K, 176, 0.45, 0.55},
        {"white in a gray space", CUPS_CSPACE_SW, 255, 0, 0},
        {"black in a gray space", CUPS_CSPACE_W, 0, 1, 1},
    };
    for (const Case& c : cases) {
        cups_page_header2_t h = pageHeader(w, hgt, 8, c.space, 2);
        RasterJob job;
        std::string out = printPages(job, {{h, Bytes(w * hgt, c.value)}});
        auto d = decodePcl(out);
        ASSERT_EQ(d.error, "") << c.name;
        ASSERT_EQ(d.pages.size(), 1u) << c.name;
        auto bitmap = veltest::monoBitmap(d.pages[0]);
        for (auto& row : bitmap)
            ASSERT_EQ(row.back() & 0x0F, 0) << c.name << ": dot past the edge";
        double share = double(dots(bitmap)) / (w * hgt);
        EXPECT_GE(share, c.low) << c.name;
        EXPECT_LE(share, c.high) << c.name;
        if (c.high == 0) {
            for (auto& row : d.pages[0].rows)
                EXPECT_TRUE(row.empty()) << c.name << ": a white page sends no transfer";
        }
    }
}

TEST(RasterPages, OneBitWhiteSpaceIsInverted) {
    cups_page_header2_t h = pageHeader(12, 2, 1, CUPS_CSPACE_W);
    Bytes px{0xFF, 0xF0, 0x7F, 0xF0}; // row 0 white, row 1 one black pixel
    RasterJob job;
    auto d = decodePcl(printPages(job, {{h, px}}));
    ASSERT_EQ(d.pages.size(), 1u);
    EXPECT_EQ(veltest::monoBitmap(d.pages[0]), (std::vector<Bytes>{{0, 0}, {0x80, 0}}));
}

// Rows longer than their pixels: the zero padding of a white-is-high row is
// no ink, so a white row stays blank and nothing lands past the last pixel.
TEST(RasterPages, WhiteSpaceRowPaddingIsNoInk) {
    struct Case {
        const char* name;
        unsigned bits;
        Bytes px;   // two padded rows: white, then black at pixel 0 only
        Bytes ink1; // row 1 as decoded: 1-bit bytes, or one value per pixel for 2 bits
    } cases[] = {
        {"1 bit", 1, {0xFF, 0xF0, 0x00, 0x7F, 0xF0, 0x00}, {0x80, 0x00}},
        {"2 bits",
         2,
         {0xFF, 0xFF, 0xFF, 0x00, 0x3F, 0xFF, 0xFF, 0x00},
         {3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        cups_page_header2_t h = pageHeader(12, 2, c.bits, CUPS_CSPACE_W);
        h.cupsBytesPerLine = unsigned(c.px.size() / 2);
        RasterJob job;
        auto d = decodePcl(printPages(job, {{h, c.px}}));
        ASSERT_EQ(d.error, "") << c.name;
        ASSERT_EQ(d.pages.size(), 1u) << c.name;
        EXPECT_TRUE(d.pages[0].rows[0].empty()) << c.name << ": the white row was sent";
        auto rows =
            c.bits == 1 ? veltest::monoBitmap(d.pages[0]) : veltest::twoBitPixels(d.pages[0]);
        EXPECT_EQ(rows[1], c.ink1) << c.name;
    }
}

TEST(RasterPages, DuplexSheetsEndOnTheFrontSide) {
    cups_page_header2_t h = pageHeader(8, 2, 1);
    h.PageSize[0] = 612, h.PageSize[1] = 792;
    Bytes px{0xFF, 0x00};
    RasterJob job;
    job.duplexOn = true;
    std::string out = printPages(job, {{h, px}, {h, px}, {h, px}});
    auto d = decodePcl(out);
    ASSERT_EQ(d.pages.size(), 3u);
    EXPECT_EQ(d.pages[0].pageEnd, "\x1b&a0G");
    EXPECT_EQ(d.pages[1].pageEnd, "\f");
    EXPECT_EQ(d.pages[2].pageEnd, "\x1b&a0G");
    // Paper size before pages 1 and 3 only.
    size_t first = out.find("!R!spsz6;"), second = out.find("!R!spsz6;", first + 1);
    size_t page2 = out.find("\x1b*r1A", out.find("\x1b*r1A") + 1);
    size_t page3 = out.find("\x1b*r1A", page2 + 1);
    EXPECT_LT(first, page2);
    EXPECT_GT(second, page2);
    EXPECT_LT(second, page3);
    EXPECT_EQ(out.find("!R!spsz6;", second + 1), std::string::npos);
}

TEST(RasterPages, LyingInputNeverReadsPastItsBuffers) {
    struct Case {
        const char* name;
        cups_page_header2_t header;
        size_t bytes; // pixel bytes actually present
    } cases[] = {
        {"truncated page", pageHeader(64, 100, 1), 8 * 30},
        {"bytes per line too short for the width",
         [] {
             auto h = pageHeader(64, 10, 8);
             h.cupsBytesPerLine = 16, h.cupsBitsPerPixel = 8;
             return h;
         }(),
         160},
        {"bits per pixel disagree",
         [] {
             auto h = pageHeader(64, 10, 2);
             h.cupsBitsPerPixel = 1, h.cupsBytesPerLine = 8;
             return h;
         }(),
         80},
        {"unsupported depth", pageHeader(10, 4, 16), 80},
    };
    for (const Case& c : cases) {
        RasterJob job;
        std::string out = printPages(job, {{c.header, Bytes(c.bytes, 0x5A)}});
        // Whatever libcups lets through, each page that started also ended.
        auto d = decodePcl(out);
        EXPECT_EQ(d.error, "") << c.name;
        for (auto& p : d.pages)
            EXPECT_TRUE(p.ended) << c.name;
    }
}
