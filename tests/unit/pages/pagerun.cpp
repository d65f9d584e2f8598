#include "pagerun.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace veltest {

int tempFile() {
    char path[] = "/tmp/velpagesXXXXXX";
    int fd = mkstemp(path);
    unlink(path);
    return fd;
}

std::string readAll(int fd) {
    std::string s;
    lseek(fd, 0, SEEK_SET);
    char buf[65536];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        s.append(buf, size_t(n));
    close(fd);
    return s;
}

cups_page_header2_t pageHeader(unsigned width, unsigned height, unsigned bitsPerColor,
                               cups_cspace_t space, unsigned compression, unsigned resolution) {
    cups_page_header2_t h;
    std::memset(&h, 0, sizeof h);
    unsigned colours = (space == CUPS_CSPACE_RGB || space == CUPS_CSPACE_CMY) ? 3
                       : space == CUPS_CSPACE_CMYK                            ? 4
                                                                              : 1;
    h.HWResolution[0] = h.HWResolution[1] = resolution;
    h.cupsWidth = width;
    h.cupsHeight = height;
    h.cupsBitsPerColor = bitsPerColor;
    h.cupsBitsPerPixel = bitsPerColor * colours;
    h.cupsBytesPerLine = (width * h.cupsBitsPerPixel + 7) / 8;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsColorSpace = space;
    h.cupsCompression = compression;
    h.NumCopies = 1;
    h.PageSize[0] = width * 72 / resolution;
    h.PageSize[1] = height * 72 / resolution;
    return h;
}

std::string printPages(vel::RasterJob& job, const std::vector<RasterPage>& pages) {
    int rasFd = tempFile();
    cups_raster_t* w = cupsRasterOpen(rasFd, CUPS_RASTER_WRITE);
    for (const RasterPage& p : pages) {
        cups_page_header2_t h = p.header;
        cupsRasterWriteHeader2(w, &h);
        if (!p.pixels.empty())
            cupsRasterWritePixels(w, const_cast<unsigned char*>(p.pixels.data()),
                                  unsigned(p.pixels.size()));
    }
    cupsRasterClose(w);
    lseek(rasFd, 0, SEEK_SET);

    int outFd = tempFile();
    job.out = vel::PrinterStream(outFd);
    cups_raster_t* r = cupsRasterOpen(rasFd, CUPS_RASTER_READ);
    cups_page_header2_t h;
    job.pageNumber = 0;
    while (cupsRasterReadHeader2(r, &h)) {
        ++job.pageNumber;
        vel::writePageSetup(job, h);
        for (unsigned y = 0; y < h.cupsHeight; ++y)
            if (!vel::sendRow(job, h, r, y)) break;
        vel::endPage(job);
    }
    cupsRasterClose(r);
    close(rasFd);
    job.out = vel::PrinterStream(1);
    return readAll(outFd);
}

} // namespace veltest
