// Runs pages through page setup, the row path and the page end, the way the
// filter's page loop does, and returns the printer stream.
#pragma once

#include "rasterjob.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veltest {

// A page header with the fields the row path reads.
cups_page_header2_t pageHeader(unsigned width, unsigned height, unsigned bitsPerColor,
                               cups_cspace_t space = CUPS_CSPACE_K, unsigned compression = 0,
                               unsigned resolution = 600);

struct RasterPage {
    cups_page_header2_t header;
    std::vector<uint8_t> pixels; // cupsBytesPerLine * cupsHeight bytes (or fewer: truncated)
};

// Writes the pages with libcups' raster writer and reads them back through
// the filter's page functions; job.out is pointed at a temporary file.
std::string printPages(vel::RasterJob& job, const std::vector<RasterPage>& pages);

// Printer stream of one call with job.out pointed at a temporary file.
template <typename Fn> std::string capture(vel::RasterJob& job, Fn fn);

std::string readAll(int fd);
int tempFile();

template <typename Fn> std::string capture(vel::RasterJob& job, Fn fn) {
    int fd = tempFile();
    job.out = vel::PrinterStream(fd);
    fn();
    std::string s = readAll(fd);
    job.out = vel::PrinterStream(1);
    return s;
}

} // namespace veltest
