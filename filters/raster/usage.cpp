// The usage record of a raster job, for the usage-telemetry step.
#include "rasterjob.h"
#include "telemetry.h"

namespace vel {

UsageRecord rasterJobUsage(const RasterJob& job) {
    const char* model = job.ppd && job.ppd->modelname ? job.ppd->modelname : "";
    return rasterUsageRecord(
        job.user, model, [&job](const char* name) { return job.option(name); },
        userOptionValue(job.userFile, "CustomAccountID").has_value(),
        userOptionValue(job.userFile, "UserLoginName").has_value());
}

} // namespace vel
