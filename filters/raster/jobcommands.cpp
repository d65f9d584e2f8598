// Control-language job commands (media source, finishing). They arrive with
// page encoding; until then the job carries none.
#include "rasterjob.h"

namespace vel {

void writeJobCommands(RasterJob&, const cups_page_header2_t&) {}

} // namespace vel
