// Raster rows on paper: the pieces of the row path, each usable on its own.
//
//   row (1, 2 or 8 bits)  --dither (8 bits)--> 1-bit row
//                         --bit-plane split (2 bits)--> low and high planes
//   plane bytes           --coder (run-length or PackBits)--> "\e*b<n>W" transfer
#pragma once

#include "rasterjob.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vel {

// An enumerated field of a page header as the number it holds: a raster
// stream may carry any value there, outside the enumeration's range.
template <typename E> unsigned headerValue(const E& field) {
    static_assert(sizeof(E) == sizeof(unsigned));
    unsigned value;
    std::memcpy(&value, &field, sizeof value);
    return value;
}

// Largest row a page may declare; a header beyond it is refused rather than
// trusted with an allocation.
constexpr size_t kMaxRowBytes = 4u << 20;

// ---- coders: n bytes in, coded bytes out (out holds at least 2 * n bytes) ----

// PCL raster compression 1: (count - 1, byte) pairs, runs of at most 256.
size_t codeRunLength(const uint8_t* in, size_t n, uint8_t* out);

// PCL raster compression 2 (TIFF PackBits): runs and literals of at most 127.
size_t codePackBits(const uint8_t* in, size_t n, uint8_t* out);

// Codes with the page's cupsCompression (1 run-length, 2 PackBits, else none)
// and returns the bytes to send; out is used only when a coding applies.
size_t codeTransfer(unsigned compression, const uint8_t* in, size_t n, uint8_t* out,
                    const uint8_t** data);

// ---- 2-bit rows ----

// Splits n bytes of 2-bit pixels (pixel 0 in the top bits) into a low-bit and
// a high-bit plane of (n + 1) / 2 bytes each, pixel 0 in bit 7.
void splitBitPlanes(const uint8_t* in, size_t n, uint8_t* low, uint8_t* high);

// ---- 8-bit rows ----

// The tone table: ink level 0..255 to a weight 0..32767.
void buildToneTable(int32_t table[256]);

// The C library's rand() as glibc produces it, from the unseeded start (the
// same as srand(1)), without a call per pixel. One sequence per process.
class GlibcRand {
  public:
    GlibcRand();
    int next() {
        if (pos_ == kEnd) refill();
        return static_cast<int>(r_[pos_++] >> 1);
    }
    // Draws n values and drops them.
    void skip(size_t n) {
        while (n > 0) {
            if (pos_ == kEnd) refill();
            const size_t step = n < kEnd - pos_ ? n : kEnd - pos_;
            pos_ += step;
            n -= step;
        }
    }

  private:
    // r[i] = r[i - 31] + r[i - 3], made a batch at a time behind 34 kept words.
    static constexpr size_t kKeep = 34, kEnd = 4096 + kKeep;
    void refill();
    uint32_t r_[kEnd];
    size_t pos_;
};

GlibcRand& processRand();

// Randomised serpentine error diffusion of one plane of 8-bit ink levels.
class ErrorDiffuser {
  public:
    // A page of width pixels: both error rows zeroed.
    void reset(unsigned width);
    // Dithers row y of ink levels (0 no ink, 255 full ink) into 0/1 values in out.
    void ditherRow(const int32_t table[256], const uint8_t* ink, unsigned y, uint8_t* out,
                   GlibcRand& rand);

  private:
    unsigned width_ = 0;
    std::vector<int32_t> e0_, e1_;
};

// Packs 0/1 values into bits, pixel 0 in bit 7; unused low bits are zero.
void packBits1(const uint8_t* values, unsigned width, uint8_t* out);

// ---- one page ----

enum class RowPath {
    Mono,    // 1 or 2 bits, sent as planes (2 bits split)
    Dither,  // 8-bit monochrome, dithered to 1 bit
    Colour,  // 8-bit colour, whole row in one transfer
    Discard, // a layout we cannot print: rows are read and dropped
};

struct PageBuffers {
    RowPath path = RowPath::Discard;
    unsigned width = 0;        // cupsWidth
    size_t bytesPerLine = 0;   // cupsBytesPerLine
    unsigned bitsPerColor = 1; // 8 counted as 1
    unsigned compression = 0;  // cupsCompression
    bool additive = false;     // white is the high value (W, sW): invert to ink
    unsigned blankRows = 0;
    std::vector<uint8_t> row;    // the row as read (or packed 1-bit row)
    std::vector<uint8_t> input;  // 8-bit pages: row as read, then 0/1 values
    std::vector<uint8_t> planes; // low and high planes of 2-bit rows
    std::vector<uint8_t> coded;  // compression buffer
    std::vector<uint8_t> unit;   // one row's output: skip, then every transfer
    size_t rowBytes = 0;         // bytes of unit that buildMonoRow filled
    ErrorDiffuser diffuser;
};

// Sizes the page's buffers from its header; chooses the Discard path (and says
// why through the log) when the header does not describe a printable page.
std::unique_ptr<PageBuffers> preparePage(const RasterJob& job, const cups_page_header2_t& page);

// Builds one row's output in buf.unit (the pending skip, then the transfers)
// from buf.row, which holds a monochrome row of ink bits. rowBytes 0: a blank
// row, counted for the next skip.
void buildMonoRow(PageBuffers& buf, int planeCount);

} // namespace vel
