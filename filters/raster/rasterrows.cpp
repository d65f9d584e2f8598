#include "rasterrows.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace vel {

// Defined here, where PageBuffers is a complete type.
RasterJob::RasterJob() = default;
RasterJob::~RasterJob() {
    closeJobOptions(*this);
}

// ---------------------------------------------------------------- coders

size_t codeRunLength(const uint8_t* in, size_t n, uint8_t* out) {
    size_t o = 0;
    for (size_t s = 0; s < n;) {
        size_t run = 1;
        while (s + run < n && run < 256 && in[s + run] == in[s])
            ++run;
        out[o++] = static_cast<uint8_t>(run - 1);
        out[o++] = in[s];
        s += run;
    }
    return o;
}

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "word scans read bytes in memory order");
constexpr uint64_t kOnes = 0x0101010101010101ULL;

// Length of the run of p[0] at p, at most limit bytes (limit >= 1).
size_t equalRun(const uint8_t* p, size_t limit) {
    const uint64_t pattern = kOnes * p[0];
    size_t k = 0;
    for (; k + 8 <= limit; k += 8) {
        uint64_t w;
        std::memcpy(&w, p + k, 8);
        if (uint64_t diff = w ^ pattern) return k + (__builtin_ctzll(diff) >> 3);
    }
    while (k < limit && p[k] == p[0])
        ++k;
    return k;
}

// First q in [from, end) with in[q] == in[q + 1], or end; in[end] must exist.
size_t firstEqualPair(const uint8_t* in, size_t from, size_t end) {
    size_t q = from;
    for (; q + 8 <= end; q += 8) {
        uint64_t a, b;
        std::memcpy(&a, in + q, 8);
        std::memcpy(&b, in + q + 1, 8);
        const uint64_t diff = a ^ b; // a zero byte marks an equal pair
        if (uint64_t zero = (diff - kOnes) & ~diff & (kOnes << 7))
            return q + (__builtin_ctzll(zero) >> 3);
    }
    while (q < end && in[q] != in[q + 1])
        ++q;
    return q;
}

} // namespace

size_t codePackBits(const uint8_t* in, size_t n, uint8_t* out) {
    size_t o = 0;
    size_t s = 0;
    while (s < n) {
        if (s + 1 == n) { // a last byte alone: a literal of one
            out[o++] = 0;
            out[o++] = in[s];
            break;
        }
        if (in[s + 1] == in[s]) { // a run of 2 to 127
            const size_t count = equalRun(in + s, std::min<size_t>(n - s, 127));
            out[o++] = static_cast<uint8_t>(257 - count);
            out[o++] = in[s];
            s += count;
        } else { // a literal up to the next equal pair, at most 127 bytes
            const size_t count = firstEqualPair(in, s + 1, std::min(n - 1, s + 127)) - s;
            out[o++] = static_cast<uint8_t>(count - 1);
            std::memcpy(out + o, in + s, count);
            o += count;
            s += count;
        }
    }
    return o;
}

size_t codeTransfer(unsigned compression, const uint8_t* in, size_t n, uint8_t* out,
                    const uint8_t** data) {
    switch (compression) {
    case 1:
        *data = out;
        return codeRunLength(in, n, out);
    case 2:
        *data = out;
        return codePackBits(in, n, out);
    default:
        *data = in;
        return n;
    }
}

// ---------------------------------------------------------------- 2-bit rows

void splitBitPlanes(const uint8_t* in, size_t n, uint8_t* low, uint8_t* high) {
    for (size_t i = 0, o = 0; i < n; i += 2, ++o) {
        unsigned p0 = in[i];
        unsigned p1 = i + 1 < n ? in[i + 1] : 0;
        low[o] = static_cast<uint8_t>(((p0 & 0x40) << 1) | ((p0 & 0x10) << 2) | ((p0 & 0x04) << 3) |
                                      ((p0 & 0x01) << 4) | ((p1 & 0x40) >> 3) | ((p1 & 0x10) >> 2) |
                                      ((p1 & 0x04) >> 1) | (p1 & 0x01));
        high[o] = static_cast<uint8_t>(
            (p0 & 0x80) | ((p0 & 0x20) << 1) | ((p0 & 0x08) << 2) | ((p0 & 0x02) << 3) |
            ((p1 & 0x80) >> 4) | ((p1 & 0x20) >> 3) | ((p1 & 0x08) >> 2) | ((p1 & 0x02) >> 1));
    }
}

// ---------------------------------------------------------------- 8-bit rows

void buildToneTable(int32_t table[256]) {
    const double gamma = 1.0, density = 1.0;
    for (int i = 0; i < 256; ++i) {
        float u = static_cast<float>(255 - i) / 255.0f;
        float v = static_cast<float>(1.0 - std::pow(static_cast<double>(u), 0.58823529));
        table[i] =
            static_cast<int32_t>(std::pow(static_cast<double>(v), gamma) * 32767.0 * density + 0.5);
    }
}

GlibcRand::GlibcRand() {
    // glibc's TYPE_3 generator seeded with 1: a Lehmer sequence fills the
    // first 31 words, the next three repeat the first three, and the
    // additive sequence then runs 310 steps unseen.
    int64_t word = 1;
    r_[0] = 1;
    for (unsigned i = 1; i < 31; ++i) {
        word = (16807 * word) % 2147483647;
        r_[i] = static_cast<uint32_t>(word);
    }
    for (unsigned i = 31; i < kKeep; ++i)
        r_[i] = r_[i - 31];
    pos_ = kEnd; // everything after the kept words is yet to be made
    std::memmove(r_ + kEnd - kKeep, r_, kKeep * sizeof r_[0]);
    skip(310);
}

void GlibcRand::refill() {
    std::memmove(r_, r_ + kEnd - kKeep, kKeep * sizeof r_[0]);
    // Three interleaved chains kept in registers: r[i - 3] is the chain's last value.
    uint32_t a = r_[kKeep - 3], b = r_[kKeep - 2], c = r_[kKeep - 1];
    size_t i = kKeep;
    for (; i + 3 <= kEnd; i += 3) {
        r_[i] = a += r_[i - 31];
        r_[i + 1] = b += r_[i - 30];
        r_[i + 2] = c += r_[i - 29];
    }
    for (; i < kEnd; ++i)
        r_[i] = r_[i - 31] + r_[i - 3];
    pos_ = kKeep;
}

GlibcRand& processRand() {
    static GlibcRand rand;
    return rand;
}

namespace {

bool allZero(const uint8_t* p, size_t n) {
    uint64_t any = 0;
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        uint64_t w[4];
        std::memcpy(w, p + i, 32);
        if ((any = w[0] | w[1] | w[2] | w[3]) != 0) return false;
    }
    for (; i < n; ++i)
        any |= p[i];
    return any == 0;
}

bool blankBlock(const uint8_t* ink, const int32_t* err) {
    uint64_t g, e[4];
    std::memcpy(&g, ink, 8);
    std::memcpy(e, err, 32);
    return (g | e[0] | e[1] | e[2] | e[3]) == 0;
}

} // namespace

void ErrorDiffuser::reset(unsigned width) {
    width_ = width;
    e0_.assign(static_cast<size_t>(width) + 4, 0);
    e1_.assign(static_cast<size_t>(width) + 4, 0);
}

void ErrorDiffuser::ditherRow(const int32_t table[256], const uint8_t* ink, unsigned y,
                              uint8_t* out, GlibcRand& rand) {
    const bool forward = (y % 2) == 0;
    int32_t* cur = forward ? e0_.data() : e1_.data();
    int32_t* nxt = forward ? e1_.data() : e0_.data();
    const long d = forward ? 1 : -1;
    for (unsigned k = 0; k < width_; ++k) {
        const unsigned x = forward ? k : width_ - 1 - k;
        const long i = static_cast<long>(x) + 2; // two spare entries at each end
        if ((k & 7) == 0 && k + 8 <= width_) {
            // Eight pixels of white paper without error change nothing but
            // the random sequence: skip them at once.
            const unsigned lo = forward ? x : x - 7;
            if (blankBlock(ink + lo, cur + lo + 2)) {
                std::memset(out + lo, 0, 8);
                rand.skip(8);
                k += 7;
                continue;
            }
        }
        if ((ink[x] | cur[i]) == 0) { // white paper, no error: no dot, the draw still counts
            out[x] = 0;
            rand.next();
            continue;
        }
        int32_t v = (table[ink[x]] + cur[i]) / 128;
        v = std::clamp(v, 0, 255);
        int32_t e;
        if (v > 127) {
            out[x] = 1;
            e = v - 255;
        } else {
            out[x] = 0;
            e = v;
        }
        if (e == 0) { // paper white or full ink: nothing to pass on, but the draw counts
            rand.next();
            cur[i] = 0;
            continue;
        }
        const int32_t r = v <= 127 ? v / 15 : (255 - v) / 15;
        const int32_t w = 8 - r + rand.next() % (2 * r + 1);
        const int32_t a = w * e, b = (16 - w) * e;
        cur[i + d] += 4 * a;
        cur[i + 2 * d] += 2 * a;
        cur[i] = 0;
        nxt[i - 2 * d] += b;
        nxt[i - d] += 2 * b;
        nxt[i] += 4 * b;
        nxt[i + d] += 2 * a;
        nxt[i + 2 * d] += b;
    }
    // The spare entries are only ever added to; clearing them keeps long pages
    // from overflowing without changing a dot.
    const size_t last = static_cast<size_t>(width_) + 2;
    cur[0] = cur[1] = cur[last] = cur[last + 1] = 0;
}

void packBits1(const uint8_t* values, unsigned width, uint8_t* out) {
    unsigned x = 0;
    for (; x + 8 <= width; x += 8) {
        // Eight 0/1 bytes to one: the multiply gathers byte k's bit into bit 7 - k.
        uint64_t v;
        std::memcpy(&v, values + x, 8);
        *out++ = static_cast<uint8_t>((v * 0x8040201008040201ULL) >> 56);
    }
    if (x < width) {
        uint8_t b = 0;
        for (unsigned bit = 7; x < width; ++x, --bit)
            if (values[x]) b |= static_cast<uint8_t>(1u << bit);
        *out = b;
    }
}

// ---------------------------------------------------------------- one page

namespace {

constexpr size_t kCommandRoom = 24; // "\e*b<number><letter>" and "\e*b<number>Y"

// The tone table lives for the process, like the random sequence.
int32_t gToneTable[256];

void warn(const RasterJob& job, const char* why) {
    if (job.log) job.log(format("WARNING: Page %d not printed: %s\n", job.pageNumber, why));
}

// Appends "\e*b<n><letter>" and the coded bytes of one transfer to unit.
uint8_t* appendTransfer(uint8_t* unit, PageBuffers& buf, const uint8_t* data, size_t n,
                        char letter) {
    const uint8_t* coded = nullptr;
    size_t len = codeTransfer(buf.compression, data, n, buf.coded.data(), &coded);
    int head =
        std::snprintf(reinterpret_cast<char*>(unit), kCommandRoom, "\x1b*b%zu%c", len, letter);
    unit += head;
    std::memcpy(unit, coded, len);
    return unit + len;
}

// Writes one row's unit; a cancel that arrives meanwhile waits for the end of
// the row, so the printer never sees a cut transfer. (A flag rather than a
// signal mask: two system calls per row would cost more than the row.)
void writeUnit(RasterJob& job, const uint8_t* data, size_t n) {
    job.rowInFlight = 1;
    job.out.write(data, n);
    job.rowInFlight = 0;
    if (job.cancelPending) raise(SIGTERM);
}

} // namespace

std::unique_ptr<PageBuffers> preparePage(const RasterJob& job, const cups_page_header2_t& page) {
    auto buf = std::make_unique<PageBuffers>();
    buf->width = page.cupsWidth;
    buf->bytesPerLine = page.cupsBytesPerLine;
    buf->bitsPerColor = page.cupsBitsPerColor == 8 ? 1 : page.cupsBitsPerColor;
    buf->compression = page.cupsCompression;
    const unsigned space = headerValue(page.cupsColorSpace);
    buf->additive = job.planeCount == 1 && (space == CUPS_CSPACE_W || space == CUPS_CSPACE_SW);

    const size_t bpl = page.cupsBytesPerLine;
    const uint64_t width = page.cupsWidth;
    const unsigned bits = page.cupsBitsPerColor;
    if (bpl == 0 || bpl > kMaxRowBytes || width == 0 || width > kMaxRowBytes * 8) {
        warn(job, "the raster header gives no usable row size");
        if (bpl > 0 && bpl <= kMaxRowBytes) buf->row.resize(bpl);
        return buf;
    }
    buf->row.resize(bpl);

    const size_t planes = static_cast<size_t>(std::max(job.planeCount, 1));
    const size_t packed = static_cast<size_t>((width + 7) / 8);
    if (job.planeCount == 1 && (bits == 1 || bits == 2)) {
        if (page.cupsBitsPerPixel != bits || bpl < (width * bits + 7) / 8) {
            warn(job, "the raster header's sizes disagree");
            return buf;
        }
        buf->path = RowPath::Mono;
    } else if (job.planeCount == 1 && bits == 8) {
        if (page.cupsBitsPerPixel != 8 || bpl < width) {
            warn(job, "the raster header's sizes disagree");
            return buf;
        }
        buf->path = RowPath::Dither;
        buf->input.resize(bpl);
        buf->diffuser.reset(page.cupsWidth);
        // Every resolution gets the table: without it an 8-bit page would print blank.
        buildToneTable(gToneTable);
    } else if (job.planeCount > 1 && bits == 8) {
        buf->path = RowPath::Colour;
        buf->input.resize(bpl);
    } else if (job.planeCount > 1 && (bits == 1 || bits == 2)) {
        buf->path = RowPath::Mono;
    } else {
        warn(job, "this bit depth is not supported");
        return buf;
    }

    // Worst case of a row's output: the skip, then for every plane two
    // transfers of twice their length (the codings' worst case).
    size_t planeBytes = std::max(packed, bpl / planes);
    if (buf->path == RowPath::Colour) {
        buf->coded.resize(2 * bpl);
        buf->unit.resize(kCommandRoom + 2 * bpl);
    } else {
        buf->planes.resize(2 * planeBytes);
        buf->coded.resize(2 * planeBytes);
        buf->unit.resize(kCommandRoom + planes * 2 * (kCommandRoom + 2 * planeBytes));
    }
    return buf;
}

void buildMonoRow(PageBuffers& buf, int planeCount) {
    const size_t dataBytes = buf.path == RowPath::Dither ? (buf.width + 7u) / 8 : buf.bytesPerLine;
    const uint8_t* row = buf.row.data();
    const bool blank = allZero(row, dataBytes);
    uint8_t* unit = buf.unit.data();
    if (blank) {
        ++buf.blankRows;
        buf.rowBytes = 0;
        return;
    }
    uint8_t* p = unit;
    if (buf.blankRows > 0) {
        p += std::snprintf(reinterpret_cast<char*>(p), kCommandRoom, "\x1b*b%uY", buf.blankRows);
        buf.blankRows = 0;
    }
    const size_t planes = static_cast<size_t>(std::max(planeCount, 1));
    const size_t part = buf.path == RowPath::Dither ? dataBytes : buf.bytesPerLine / planes;
    const size_t len = (buf.width + 7u) / 8;
    for (size_t i = 0; i < planes; ++i) {
        const uint8_t* plane = row + i * part;
        if (buf.bitsPerColor == 1) {
            p = appendTransfer(p, buf, plane, std::min(len, part), 'W');
        } else {
            const size_t half = (part + 1) / 2;
            uint8_t* low = buf.planes.data();
            uint8_t* high = low + half;
            splitBitPlanes(plane, part, low, high);
            p = appendTransfer(p, buf, low, std::min(len, half), 'V');
            p = appendTransfer(p, buf, high, std::min(len, half), i + 1 == planes ? 'W' : 'V');
        }
    }
    buf.rowBytes = static_cast<size_t>(p - unit);
}

bool sendRow(RasterJob& job, const cups_page_header2_t& page, cups_raster_t* ras, unsigned y) {
    (void)page;
    PageBuffers* buf = job.page.get();
    if (!buf || buf->row.empty()) return false;
    const unsigned bpl = static_cast<unsigned>(buf->bytesPerLine);

    switch (buf->path) {
    case RowPath::Discard:
        return cupsRasterReadPixels(ras, buf->row.data(), bpl) == bpl;

    case RowPath::Mono: {
        if (cupsRasterReadPixels(ras, buf->row.data(), bpl) != bpl) return false;
        if (buf->additive) {
            // White is the high value here: turn the row into ink bits.
            // Bits past the last pixel, padding bytes included, are no ink.
            const size_t bits = static_cast<size_t>(buf->width) * buf->bitsPerColor;
            const size_t dataBytes = (bits + 7) / 8;
            for (size_t i = 0; i < dataBytes; ++i)
                buf->row[i] = static_cast<uint8_t>(~buf->row[i]);
            std::fill(buf->row.begin() + static_cast<long>(dataBytes), buf->row.end(), 0);
            if (const unsigned used = bits % 8)
                buf->row[dataBytes - 1] &= static_cast<uint8_t>(0xFF << (8 - used));
        }
        break;
    }

    case RowPath::Dither: {
        uint8_t* in = buf->input.data();
        if (cupsRasterReadPixels(ras, in, bpl) != bpl) return false;
        if (buf->additive)
            for (unsigned x = 0; x < buf->width; ++x)
                in[x] = static_cast<uint8_t>(255 - in[x]);
        buf->diffuser.ditherRow(gToneTable, in, y, in, processRand());
        packBits1(in, buf->width, buf->row.data());
        break;
    }

    case RowPath::Colour: {
        if (cupsRasterReadPixels(ras, buf->input.data(), bpl) != bpl) return false;
        uint8_t* end = appendTransfer(buf->unit.data(), *buf, buf->input.data(), bpl, 'W');
        writeUnit(job, buf->unit.data(), static_cast<size_t>(end - buf->unit.data()));
        return true;
    }
    }

    buildMonoRow(*buf, job.planeCount);
    if (buf->rowBytes) writeUnit(job, buf->unit.data(), buf->rowBytes);
    return true;
}

void endPage(RasterJob& job) {
    // Held back so a cancel cannot end the page a second time; a SIGTERM that
    // arrives meanwhile is dropped once it is ignored below.
    sigset_t term, old;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &term, &old);

    const bool frontOfDuplex = job.duplexOn && job.pageNumber % 2 == 1;
    // End raster graphics; then the back side of the sheet, or a form feed.
    job.out.write(frontOfDuplex ? std::string_view("\x1b*rC\x1b&a0G", 9)
                                : std::string_view("\x1b*rC\f", 5));
    struct sigaction ignore;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGTERM, &ignore, nullptr);

    const bool inHandler = sigismember(&old, SIGTERM) == 1;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    // The cancel handler exits right after; freeing there could meet a
    // malloc that the signal interrupted.
    if (!inHandler) job.page.reset();
}

} // namespace vel
