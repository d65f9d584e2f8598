// pclcompare RASTER STREAM: rebuilds every page from a printer stream and
// compares it with the CUPS raster it was made from. 1-, 2-bit and RGB pages
// must match exactly; 8-bit gray pages must carry the ink the tone table asks
// for, band by band. Prints one line per page; exit status 0 when all match.
#include "pcldecoder.h"
#include "rasterrows.h"

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;

bool comparePage(const cups_page_header2_t& h, const std::vector<Bytes>& rows,
                 const veltest::DecodedPage& page, std::string& note) {
    const unsigned space = vel::headerValue(h.cupsColorSpace);
    const bool white = space == CUPS_CSPACE_W || space == CUPS_CSPACE_SW;
    if (page.width != h.cupsWidth || page.height != h.cupsHeight) {
        note = "size differs";
        return false;
    }
    if (h.cupsBitsPerColor == 8 && h.cupsBitsPerPixel == 24) {
        for (unsigned y = 0; y < h.cupsHeight; ++y)
            if (page.rows[y].size() != 1 || page.rows[y][0] != rows[y]) {
                note = "RGB row " + std::to_string(y) + " differs";
                return false;
            }
        note = "RGB exact";
        return true;
    }
    if (h.cupsBitsPerColor == 1) {
        auto got = veltest::monoBitmap(page);
        const unsigned used = h.cupsWidth % 8;
        for (unsigned y = 0; y < h.cupsHeight; ++y) {
            Bytes want = rows[y];
            want.resize((h.cupsWidth + 7) / 8);
            if (white) {
                for (auto& b : want)
                    b = uint8_t(~b);
                if (used) want.back() &= uint8_t(0xFF << (8 - used));
            }
            if (got[y] != want) {
                note = "1-bit row " + std::to_string(y) + " differs";
                return false;
            }
        }
        note = "1-bit exact";
        return true;
    }
    if (h.cupsBitsPerColor == 2) {
        auto got = veltest::twoBitPixels(page);
        for (unsigned y = 0; y < h.cupsHeight; ++y)
            for (unsigned x = 0; x < h.cupsWidth; ++x) {
                unsigned v = (rows[y][x / 4] >> (6 - 2 * (x % 4))) & 3;
                if (white) v = 3 - v;
                if (got[y][x] != v) {
                    note = "2-bit pixel " + std::to_string(x) + "," + std::to_string(y);
                    return false;
                }
            }
        note = "2-bit exact";
        return true;
    }
    // 8-bit gray: compare the ink asked for with the dots made, in bands.
    int32_t table[256];
    vel::buildToneTable(table);
    auto got = veltest::monoBitmap(page);
    const unsigned band = 64;
    double worst = 0, askedAll = 0, madeAll = 0;
    for (unsigned y0 = 0; y0 < h.cupsHeight; y0 += band) {
        double asked = 0, made = 0;
        unsigned y1 = std::min(h.cupsHeight, y0 + band);
        for (unsigned y = y0; y < y1; ++y)
            for (unsigned x = 0; x < h.cupsWidth; ++x) {
                uint8_t g = rows[y][x];
                if (white) g = uint8_t(255 - g);
                asked += table[g] / 32767.0;
                made += (got[y][x / 8] >> (7 - x % 8)) & 1;
            }
        double n = double(y1 - y0) * h.cupsWidth;
        worst = std::max(worst, std::fabs(asked - made) / n);
        askedAll += asked;
        madeAll += made;
    }
    double n = double(h.cupsHeight) * h.cupsWidth;
    char buf[160];
    std::snprintf(buf, sizeof buf, "8-bit ink %.4f, dots %.4f, worst band off by %.4f",
                  askedAll / n, madeAll / n, worst);
    note = buf;
    return worst < 0.02 && std::fabs(askedAll - madeAll) / n < 0.005;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pclcompare RASTER STREAM\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    veltest::DecodedStream stream = veltest::decodePcl(ss.str());
    if (!stream.error.empty()) {
        std::printf("stream: %s\n", stream.error.c_str());
        return 1;
    }
    int fd = open(argv[1], O_RDONLY);
    if (fd < 0) return 2;
    cups_raster_t* ras = cupsRasterOpen(fd, CUPS_RASTER_READ);
    cups_page_header2_t h;
    size_t index = 0;
    bool ok = true;
    while (cupsRasterReadHeader2(ras, &h)) {
        std::vector<Bytes> rows(h.cupsHeight, Bytes(h.cupsBytesPerLine));
        for (auto& r : rows)
            cupsRasterReadPixels(ras, r.data(), h.cupsBytesPerLine);
        if (index >= stream.pages.size()) {
            std::printf("page %zu: missing from the stream\n", index + 1);
            ok = false;
        } else {
            std::string note;
            bool same = comparePage(h, rows, stream.pages[index], note);
            std::printf("page %zu: %ux%u, %s%s\n", index + 1, h.cupsWidth, h.cupsHeight,
                        note.c_str(), same ? "" : " (MISMATCH)");
            ok = ok && same;
        }
        ++index;
    }
    cupsRasterClose(ras);
    close(fd);
    if (index != stream.pages.size()) {
        std::printf("%zu raster pages, %zu pages in the stream\n", index, stream.pages.size());
        ok = false;
    }
    return ok && index > 0 ? 0 : 1;
}
