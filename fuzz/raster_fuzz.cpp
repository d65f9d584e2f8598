// libFuzzer harness for the raster path: the input is a CUPS raster stream.
//
// The first input byte picks the route: the filter's own page loop (header
// check, job header, commands, pages, trailer), or page setup and rows driven
// directly, so the row path meets headers the page loop would turn away.
#include "rasterjob.h"

#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at;
};

ssize_t readInput(void* ctx, unsigned char* buf, size_t n) {
    auto* in = static_cast<Input*>(ctx);
    size_t left = in->size - in->at;
    if (n > left) n = left;
    std::memcpy(buf, in->data + in->at, n);
    in->at += n;
    return static_cast<ssize_t>(n);
}

int devNull() {
    static int fd = open("/dev/null", O_WRONLY);
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t route = data[0];
    Input in{data + 1, size - 1, 0};
    cups_raster_t* ras = cupsRasterOpenIO(readInput, &in, CUPS_RASTER_READ);
    if (!ras) return 0;

    vel::RasterJob job;
    job.out = vel::PrinterStream(devNull());
    job.log = vel::nullLog();
    job.duplexOn = route & 2;
    job.rotate = route & 4;
    job.sfpDevice = route & 8;

    if (route & 1) {
        job.rawOptions = "Stpl=Center Pnch=3Hole Scnt=Each5 CaColorSpace=0 CaHr=2";
        vel::parseJobOptions(job);
        vel::printPages(job, ras);
        vel::writeJobTrailer(job);
    } else {
        static const int kPlanes[] = {1, 1, 3, 4};
        job.planeCount = kPlanes[(route >> 4) & 3];
        cups_page_header2_t page;
        unsigned pages = 0;
        while (pages < 8 && cupsRasterReadHeader2(ras, &page)) {
            job.pageNumber = static_cast<int>(++pages);
            vel::writePageSetup(job, page);
            for (unsigned y = 0; y < page.cupsHeight; ++y)
                if (!vel::sendRow(job, page, ras, y)) break;
            vel::endPage(job);
        }
    }
    cupsRasterClose(ras);
    return 0;
}
