#include "pagesetup.h"

#include "rasterjob.h"
#include "rasterrows.h"

#include <csignal>
#include <cstring>

namespace vel {

namespace {

// Paper sizes the printer knows by code, keyed by the page's length and width
// in points. The frame sizes (decipoints) are the printer's own, not derived
// from the key.
struct PaperSize {
    unsigned length, width;
    const char* portrait;
    const char* landscape;
};

#define VEL_PAPER(len, wid, code, pframe, lframe)                                                  \
    {                                                                                              \
        len, wid, "!R!spsz" #code ";stm0;exit;\x1b*p0x0Y\x1b*c0t" pframe "Y",                      \
            "!R!spsz" #code ";stm0;exit;\x1b*p0x0Y\x1b*c0t" lframe "Y"                             \
    }

constexpr PaperSize kPaperSizes[] = {
    VEL_PAPER(421, 297, 14, "2616x3979", "3907x2736"),
    VEL_PAPER(468, 261, 17, "2335x4404", "4404x2335"),
    VEL_PAPER(516, 364, 15, "3353x4885", "4896x3353"),
    VEL_PAPER(540, 279, 1, "2429x5160", "5117x2554"),
    VEL_PAPER(595, 421, 13, "3835x5736", "5664x3955"),
    VEL_PAPER(612, 396, 50, "3676x5832", "5852x3674"),
    VEL_PAPER(624, 312, 3, "2782x6000", "5952x2878"),
    VEL_PAPER(639, 279, 16, "2510.40x6110.40", "6110.40x2510.40"),
    VEL_PAPER(649, 459, 4, "4250x6252", "6211x4356"),
    VEL_PAPER(684, 297, 2, "2614x6605", "6557x2734"),
    VEL_PAPER(708, 499, 18, "4651.20x6844.80", "6847.20x4746.40"),
    VEL_PAPER(729, 516, 9, "4892x7040", "7030x4930"),
    VEL_PAPER(756, 522, 5, "4865x7325", "7277x4980"),
    VEL_PAPER(774, 558, 40, "0x0", "0x0"),
    VEL_PAPER(792, 612, 6, "5765x7680", "7632x5880"),
    VEL_PAPER(842, 595, 8, "5616x8182", "8138x5717"),
    VEL_PAPER(919, 649, 30, "6216.00x8906.40", "8907.60x6214.80"),
    VEL_PAPER(935, 595, 51, "5668x9072", "9072x5668"),
    VEL_PAPER(936, 612, 33, "5836x9076", "9076x5836"),
    VEL_PAPER(972, 612, 42, "5836x9076", "9076x5836"),
    VEL_PAPER(1008, 612, 7, "5765x9840", "9792x5880"),
    VEL_PAPER(1032, 728, 11, "7026x10079", "10039x7051"),
    VEL_PAPER(1116, 774, 39, "0x0", "10080x7498"),
    VEL_PAPER(1191, 842, 10, "8098x11669", "11621x8186"),
    VEL_PAPER(1224, 792, 12, "7560x12000", "11952x7678"),
};

#undef VEL_PAPER

} // namespace

const char* paperSizeCommand(unsigned length, unsigned width, bool portrait) {
    for (const PaperSize& p : kPaperSizes)
        if (p.length == length && p.width == width) return portrait ? p.portrait : p.landscape;
    return nullptr;
}

std::string customSizeCommand(double first, double second) {
    return format("!R! SCSZ %4.2f, %4.2f, I;EXIT;!R!PSRC100;SPSZ19;STM0;EXIT;", first, second);
}

void writePageSetup(RasterJob& job, const cups_page_header2_t& page) {
    // Cancel handler first: from here on a SIGTERM ends the page cleanly.
    installCancelHandler(job);

    const unsigned orientation = headerValue(page.Orientation);
    std::string s;
    // Copies, once per job: the printer collates when PJL QTY carries them.
    if (job.pageNumber == 1) s += format("\x1b&l%uX", job.printerCollates ? 1u : page.NumCopies);

    // Line spacing 6 lpi, horizontal motion index 12.
    s += "\x1b&l6D\x1b&k12H";

    // Orientation; a rotated job turns every page by a quarter.
    if (job.rotate) {
        static const char* const kRotated[] = {"\x1b&l2O", "\x1b&l3O", "\x1b&l0O", "\x1b&l1O"};
        if (orientation < 4) s += kRotated[orientation];
    } else {
        s += format("\x1b&l%uO", orientation);
    }

    // Paper size on the front side of each sheet only.
    if (!job.duplexOn || job.pageNumber % 2 == 1) {
        const bool portrait = orientation == 0;
        if (const char* cmd = paperSizeCommand(page.PageSize[1], page.PageSize[0], portrait)) {
            s += cmd;
        } else {
            // The raster plus half an inch, in inches.
            double w, h;
            const unsigned r = page.HWResolution[0];
            if (r > 0) {
                w = (page.cupsWidth + r * 36 / 72.0) / r;
                h = (page.cupsHeight + r * 36 / 72.0) / r;
            } else { // no resolution: the media size is all we know
                w = page.PageSize[0] / 72.0 + 0.5;
                h = page.PageSize[1] / 72.0 + 0.5;
            }
            s += portrait ? customSizeCommand(w, h) : customSizeCommand(h, w);
        }
    }

    // Top margin 0, left margin 0.
    s += "\x1b&l0E\x1b&a0L";
    // Raster resolution, width and height.
    s += format("\x1b*t%uR\x1b*r%uS\x1b*r%uT", page.HWResolution[0], page.cupsWidth,
                page.cupsHeight);
    // Horizontal position 0; vertical position from the PPD's first page size.
    s += "\x1b&a0H";
    if (job.ppd && job.ppd->num_sizes > 0 && job.ppd->sizes)
        s += format("\x1b&a%.0fV", (job.ppd->sizes[0].length - job.ppd->sizes[0].top) * 10.0);
    else
        s += "\x1b&a0V";

    if (job.planeCount > 1) {
        // Simple colour off; RGB, direct by pixel, 8 bits per primary.
        s += "\x1b*l0R";
        s += std::string_view("\x1b*v6W\x00\x03\x00\x08\x08\x08", 11);
        // Driver configuration: colour treatment; render mode 3.
        s += std::string_view("\x1b*o3W\x06\x04\x00", 8);
        s += "\x1b*t3J";
    }
    // Start raster graphics at the current position.
    s += "\x1b*r1A";
    // Compression mode of the transfers.
    if (page.cupsCompression != 0) s += format("\x1b*b%uM", page.cupsCompression);

    sigset_t term, old;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &term, &old);
    job.out.write(s);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);

    job.page = preparePage(job, page);
}

} // namespace vel
