// Raster rows and the end of the page. Row encoding arrives with page
// encoding; until then rows are read and dropped.
#include "rasterjob.h"

#include <csignal>
#include <vector>

namespace vel {

struct PageBuffers {};

// Defined here, where PageBuffers is a complete type.
RasterJob::RasterJob() = default;
RasterJob::~RasterJob() {
    closeJobOptions(*this);
}

bool sendRow(RasterJob&, const cups_page_header2_t& page, cups_raster_t* ras, unsigned) {
    std::vector<unsigned char> row(page.cupsBytesPerLine);
    return cupsRasterReadPixels(ras, row.data(), page.cupsBytesPerLine) == page.cupsBytesPerLine;
}

void endPage(RasterJob&) {
    signal(SIGTERM, SIG_IGN);
}

} // namespace vel
