// Per-page setup. The page-setup commands arrive with page encoding; until
// then a page only arms the cancel handler.
#include "rasterjob.h"

namespace vel {

void writePageSetup(RasterJob& job, const cups_page_header2_t&) {
    installCancelHandler(job);
}

} // namespace vel
