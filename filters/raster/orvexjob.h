// Orvex print management in the raster job: the login-and-policy step of the
// main flow and the comment commands that describe the job to the
// print-management side. (The header's driver login lines are in envelope.cpp.)
#pragma once

#include "rasterjob.h"

namespace vel {

// Reads the user's Orvex settings into job.orvex; when Orvex is enabled, logs
// in, applies the policy to the job option set and keeps it in job.policy.
// False when the job must not print (refused, or the check failed); the user
// has been notified where a notice applies.
bool checkOrvex(RasterJob& job);

// "!R! CMNT key=value; EXIT;" commands: server, colour, binding, booklet,
// staple, punch, paper and media type; nothing unless Orvex allowed the job.
void writeOrvexComments(RasterJob& job);

} // namespace vel
