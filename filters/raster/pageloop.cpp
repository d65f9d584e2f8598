// The page loop of a raster job, the page-header check that guards the row
// paths, and the SIGTERM cancel handler.
#include "rasterjob.h"
#include "rasterrows.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace vel {

int planeCountFor(const cups_page_header2_t& page) {
    switch (headerValue(page.cupsColorSpace)) {
    case CUPS_CSPACE_CMYK:
        return 4;
    case CUPS_CSPACE_RGB:
    case CUPS_CSPACE_CMY:
        return 3;
    default:
        return 1;
    }
}

std::optional<std::string> unprintablePage(const cups_page_header2_t& page, int planeCount) {
    // Bounds that no real page reaches (A0 at 1200 dpi is about 40000 x 56000
    // pixels) but that keep every buffer size and the progress arithmetic
    // far from overflow.
    constexpr unsigned kMaxWidth = 65535;
    constexpr unsigned kMaxHeight = 1000000;
    constexpr unsigned kMaxResolution = 9600;

    const unsigned bits = page.cupsBitsPerColor;
    if (page.cupsWidth == 0 || page.cupsHeight == 0) return "empty page size";
    if (page.cupsWidth > kMaxWidth || page.cupsHeight > kMaxHeight)
        return format("page of %ux%u pixels is too large", page.cupsWidth, page.cupsHeight);
    if (page.HWResolution[0] == 0 || page.HWResolution[0] > kMaxResolution ||
        page.HWResolution[1] == 0 || page.HWResolution[1] > kMaxResolution)
        return format("resolution %ux%u not supported", page.HWResolution[0], page.HWResolution[1]);
    if (bits == 0 || page.cupsBitsPerPixel % bits != 0)
        return format("%u bits per pixel with %u bits per colour", page.cupsBitsPerPixel, bits);
    const unsigned channels = page.cupsBitsPerPixel / bits;
    if (channels != static_cast<unsigned>(planeCount))
        return format("%u colour channels in a job of %d", channels, planeCount);
    if (planeCount == 1) {
        if (bits != 1 && bits != 2 && bits != 8)
            return format("%u-bit gray is not supported (1, 2 or 8 bits)", bits);
    } else {
        if (bits != 8) return format("%u-bit colour is not supported (8 bits)", bits);
        if (headerValue(page.cupsColorOrder) != CUPS_ORDER_CHUNKED)
            return "colour that is not chunky";
    }
    const unsigned long long needed =
        (static_cast<unsigned long long>(page.cupsWidth) * page.cupsBitsPerPixel + 7) / 8;
    if (page.cupsBytesPerLine < needed)
        return format("%u bytes per line for %u pixels of %u bits", page.cupsBytesPerLine,
                      page.cupsWidth, page.cupsBitsPerPixel);
    if (page.cupsBytesPerLine > needed + 64 || page.cupsBytesPerLine % planeCount != 0)
        return format("%u bytes per line for %u pixels of %u bits", page.cupsBytesPerLine,
                      page.cupsWidth, page.cupsBitsPerPixel);
    return std::nullopt;
}

int printPages(RasterJob& job, cups_raster_t* ras) {
    int printed = 0;
    job.pageNumber = 0;
    cups_page_header2_t page;
    while (cupsRasterReadHeader2(ras, &page)) {
        ++job.pageNumber;
        const int planes = job.pageNumber == 1 ? planeCountFor(page) : job.planeCount;
        if (auto why = unprintablePage(page, planes)) {
            // The stream cannot be followed past a page we cannot read.
            job.log(
                format("ERROR: Unsupported raster page %d: %s\n", job.pageNumber, why->c_str()));
            break;
        }
        if (job.pageNumber == 1) {
            job.log(format("PAGE: %d %d\n", 1, page.NumCopies));
            job.rotate = job.rawOptions.find(" Rotate") != std::string::npos;
            writeJobHeader(job, page);
            writeJobCommands(job, page);
        }
        writePageSetup(job, page);
        for (unsigned y = 0; y < page.cupsHeight; ++y) {
            if (y % 128 == 0)
                job.log(format("INFO: Printing page %d, %u%% complete...\n", job.pageNumber,
                               y * 100 / page.cupsHeight));
            if (!sendRow(job, page, ras, y)) break; // short read: the page ends here
        }
        endPage(job);
        ++printed;
    }
    return printed;
}

namespace {

RasterJob* gCancelJob = nullptr;

void cancelJob(int) {
    // Flush the printer's input with zeros, then close the page and reset.
    static const char kZeros[600] = {};
    RasterJob& job = *gCancelJob;
    if (job.rowInFlight) { // the row path cancels as soon as its row is out
        job.cancelPending = 1;
        return;
    }
    job.out.write(kZeros, sizeof kZeros);
    endPage(job);
    job.out.write("\x1b"
                  "E"); // PCL reset
    _exit(0);
}

} // namespace

void installCancelHandler(RasterJob& job) {
    gCancelJob = &job;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    sigemptyset(&action.sa_mask);
    action.sa_handler = cancelJob;
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace vel
