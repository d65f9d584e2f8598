// The usage record of a PDF job, for the usage-telemetry step.
#include "pdfjob.h"
#include "telemetry.h"

namespace vel {

UsageRecord pdfJobUsage(const PdfJobSettings& job) {
    PdfUsageFields fields;
    fields.duplex = job.duplex;
    fields.monochrome = job.monochrome;
    fields.staple = job.staple;
    fields.punch = job.punch;
    fields.jobManagerCode = job.jobManagerCode;
    fields.loginName = job.loginName;
    return pdfUsageRecord(job.userName, job.ppdModelName, fields);
}

} // namespace vel
