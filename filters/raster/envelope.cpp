// PJL job header and trailer.
#include "rasterjob.h"

namespace vel {

namespace {
constexpr std::string_view kUel = "\x1b%-12345X"; // Universal Exit Language
}

void writeJobHeader(RasterJob& job, const cups_page_header2_t& first) {
    job.planeCount = planeCountFor(first);
}

void writeJobTrailer(RasterJob& job) {
    if (job.finishingWritten && job.sfpDevice) job.out.write("!R!JOBT;EXIT;");
    job.out.write(kUel);
    job.out.write(format("@PJL EOJ NAME=\"%s\"\r\n", job.jobName.c_str()));
    job.out.write("@PJL RDYMSG DISPLAY=\"\"\r\n");
    job.out.write(kUel);
}

} // namespace vel
