// Colour-adjustment PJL lines of the job header. They arrive with page
// encoding; until then the header carries none.
#include "rasterjob.h"

namespace vel {

void writeColorAdjustments(RasterJob&) {}

} // namespace vel
