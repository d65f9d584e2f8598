#include "policy.h"

#include "notice.h"

namespace vel {

void addReason(PolicyOutcome& out, std::string_view item) {
    out.reason += item;
    out.refused = true;
}

void replaceReason(PolicyOutcome& out, std::string_view reason) {
    out.reason = reason;
    out.refused = true;
}

void applyAccountingSteps(const OrvexPolicy& policy, bool colourJob, PolicyOutcome& out) {
    if (policy.creditAccounting && policy.creditRemaining <= policy.creditMinimum)
        replaceReason(out, "Credit");
    if (policy.quotaAccounting &&
        (policy.totalPagesAction == 1 || policy.colorPagesAction == 1 ||
         (colourJob && (policy.totalPagesAction == 2 || policy.colorPagesAction == 2))))
        replaceReason(out, "Quota");
    if (policy.printRestricted) replaceReason(out, "Printer");
}

PolicyVerdict finishPolicy(const PolicyOutcome& out, const OrvexSettings& settings,
                           const LogFn& log) {
    if (!out.reason.empty() && !sendNotice(noticeText(out.reason, settings.jobUser), log))
        return PolicyVerdict::NoticeFailed;
    return out.refused ? PolicyVerdict::Refused : PolicyVerdict::Print;
}

PolicyOutcome decideRasterPolicy(int& numOptions, cups_option_t*& options,
                                 const OrvexPolicy& policy, const OrvexSettings& settings) {
    PolicyOutcome out;
    auto option = [&](const char* name) -> std::string_view {
        const char* v = cupsGetOption(name, numOptions, options);
        return v ? v : std::string_view();
    };
    bool colourJob = option("ColorModel") == "RGB";
    if (policy.fullColorRestricted && colourJob) addReason(out, "\nColor Mode");

    if (policy.duplexRestricted && cupsGetOption("Duplex", numOptions, options)) {
        bool simplex = option("Duplex") == "None";
        if (settings.duplexNotice && simplex)
            addReason(out, "\nDuplex");
        else if (settings.blocking && simplex)
            out.refused = true;
        else if (simplex)
            numOptions = cupsAddOption("Duplex", "DuplexNoTumble", numOptions, &options);
    }
    applyAccountingSteps(policy, colourJob, out);
    return out;
}

PolicyVerdict applyPolicy(int& numOptions, cups_option_t*& options,
                          const std::optional<OrvexPolicy>& policy, const OrvexSettings& settings,
                          const LogFn& log) {
    if (!policy) return PolicyVerdict::Refused;
    return finishPolicy(decideRasterPolicy(numOptions, options, *policy, settings), settings, log);
}

} // namespace vel
