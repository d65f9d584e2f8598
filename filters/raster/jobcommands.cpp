// Control-language job commands (media source, finishing). They arrive with
// page encoding; until then the job carries none.
#include "orvexjob.h"
#include "rasterjob.h"

namespace vel {

void writeJobCommands(RasterJob& job, const cups_page_header2_t&) {
    // First after the PCL reset: the Orvex comment commands.
    writeOrvexComments(job);
}

} // namespace vel
