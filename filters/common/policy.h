// Applying the Orvex policy to a job: refuse it, change it, or let it pass,
// and tell the user why through one notice.
//
// Each filter supplies its own colour and duplex steps on its own job
// description; the credit, quota and printer steps and the notice are shared:
//
//   PolicyOutcome out;
//   <colour and duplex steps of the filter>   (addReason / refuse)
//   applyAccountingSteps(policy, colourJob, out);
//   return finishPolicy(out, settings, log);
#pragma once

#include "log.h"
#include "orvex.h"

#include <cups/cups.h>

#include <optional>
#include <string>
#include <string_view>

namespace vel {

struct PolicyOutcome {
    bool refused = false;
    std::string reason; // notice reason gathered so far; empty: no notice
};

enum class PolicyVerdict {
    Print,
    Refused,      // the job must not print
    NoticeFailed, // refused, and the notice could not be delivered either
};

// Items such as "\nColor Mode" and "\nDuplex" add up; whole reasons such as
// "Credit" replace whatever was gathered before.
void addReason(PolicyOutcome& out, std::string_view item);
void replaceReason(PolicyOutcome& out, std::string_view reason);

// Credit, quota and printer permission, in this order (a later reason wins).
// colourJob: the job prints in colour.
void applyAccountingSteps(const OrvexPolicy& policy, bool colourJob, PolicyOutcome& out);

// Sends the gathered notice for the job user and gives the verdict.
PolicyVerdict finishPolicy(const PolicyOutcome& out, const OrvexSettings& settings,
                           const LogFn& log);

// The raster filter's steps on the CUPS job option set: colour ("ColorModel"),
// duplex ("Duplex"; a restricted simplex job may be turned into
// "DuplexNoTumble"), then the shared steps. Changes the options in place; no
// notice is sent.
PolicyOutcome decideRasterPolicy(int& numOptions, cups_option_t*& options,
                                 const OrvexPolicy& policy, const OrvexSettings& settings);

// decideRasterPolicy plus the notice. Without a policy the job is refused.
PolicyVerdict applyPolicy(int& numOptions, cups_option_t*& options,
                          const std::optional<OrvexPolicy>& policy, const OrvexSettings& settings,
                          const LogFn& log);

} // namespace vel
