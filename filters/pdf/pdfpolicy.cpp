// Orvex's policy applied to a PDF job: the colour and duplex steps work on
// the job-settings record; credit, quota, printer and the notice are shared
// with the raster filter.
#include "pdfjob.h"

namespace vel {

PolicyOutcome decidePdfPolicy(PdfJobSettings& job, const OrvexPolicy& policy,
                              const OrvexSettings& settings) {
    PolicyOutcome out;
    if (policy.fullColorRestricted && !job.monochrome) {
        if (settings.duplexNotice)
            addReason(out, "\nColor Mode");
        else if (settings.blocking)
            out.refused = true;
        else
            job.monochrome = true; // printed in black and white instead
    }

    // Media that cannot go through the duplex unit stay one-sided.
    if (policy.duplexRestricted && canPrintTwoSided(job) && job.duplex == 0) {
        if (settings.duplexNotice)
            addReason(out, "\nDuplex");
        else if (settings.blocking)
            out.refused = true;
        else
            job.duplex = 2; // long-edge binding
    }

    applyAccountingSteps(policy, !job.monochrome, out);
    return out;
}

PolicyVerdict applyPolicy(PdfJobSettings& job, const std::optional<OrvexPolicy>& policy,
                          const OrvexSettings& settings, const LogFn& log) {
    if (!policy) return PolicyVerdict::Refused;
    return finishPolicy(decidePdfPolicy(job, *policy, settings), settings, log);
}

void takeOrvexLogin(PdfJobSettings& job, const OrvexPolicy& policy, const OrvexSettings& settings) {
    auto cut = [](const std::string& s) { return s.substr(0, kMaxSettingText); };
    job.orvLoginName = cut(policy.driverUser);
    job.orvLoginToken = cut(policy.driverToken);
    job.orvServer = cut(settings.server);
    job.orvLogin = true;
}

} // namespace vel
