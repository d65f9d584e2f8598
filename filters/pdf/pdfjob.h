// velfilter_pdf: the job-settings record, the PJL job header built from it,
// and the small pieces of the filter's main flow that deserve their own tests.
//
// The filter never looks into the PDF. Everything the printer must know about
// the job travels in the PJL header ahead of the unchanged PDF bytes:
//
//   ESC%-12345X@PJL            UEL, PJL mode
//   @PJL JOB ...               job settings, one "@PJL SET" line each
//   @PJL ENTER LANGUAGE=PDF
//   <the PDF, byte for byte>
//   ESC%-12345X@PJL            trailer
//   @PJL EOJ
//   ESC%-12345X
#pragma once

#include "log.h"
#include "orvex.h"
#include "peruser.h"
#include "policy.h"

#include <cups/ppd.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace vel {

struct PdfJobSettings {
    std::string title;
    std::string userName;
    std::string ppdModelName;
    std::string customJobName;
    int32_t copies = 0;
    bool uncollated = false;
    bool lowResolution = false;
    bool monochrome = true;
    int32_t paperSize = 0;
    int32_t mediaType = 0;
    int32_t staple = 0;
    int32_t punch = 0;
    int32_t booklet = 0;
    int32_t foldMode = 0;
    int32_t foldSides = 0;
    int32_t foldOrder = 0;
    int32_t trifoldSheets = 0;
    int32_t bifoldSheets = 0;
    int32_t jobOffset = 0;
    bool printJobDate = true;
    bool useCustomJobName = false;
    int32_t duplex = 0; // 0 off, 1 short edge, 2 long edge
    int32_t inputTray = 0;
    int32_t jobStorage = 0;
    int32_t pagesPerSheet = 1;
    std::string jobManagerCode;
    std::string accessCode;
    std::string finishNotice;
    std::string loginName;
    std::string loginPassword;
    bool orvLogin = false;
    std::string orvLoginName;
    std::string orvLoginToken;
    std::string orvServer;
    int32_t customBoxNumber = 0;
    std::string customBoxPassword;
};

// Text fields of the record hold at most this many bytes.
constexpr size_t kMaxSettingText = 1023;

// Sets the field that option name governs. Unknown names and values outside a
// field's list change nothing.
void applyJobOption(PdfJobSettings& job, std::string_view name, std::string_view value);

// PPD defaults (may be null), the job arguments, the CUPS option string, then
// the per-user option file of userName and queueName, each overriding the one
// before.
PdfJobSettings createJobSettings(std::string_view title, std::string_view userName,
                                 std::string_view copies, std::string_view optionString,
                                 std::string_view queueName, ppd_file_t* ppd);

// The PJL names of the record's codes; empty when the code has none.
std::string_view pjlPaperName(int32_t paperSize);
std::string_view pjlMediaName(int32_t mediaType); // "UNSPECIFIED" when it has none
std::string_view pjlTrayName(int32_t inputTray);

// False for the paper and media that the printer cannot print two-sided.
bool canPrintTwoSided(const PdfJobSettings& job);

// The job name placed in the header, before the date text.
std::string headerJobName(const PdfJobSettings& job);

// The whole PJL job header, at most kMaxHeader - 1 bytes. Lines that would not
// fit are left out, each with "Header too long\n" to log; lines that are
// refused for an oversized value are reported there too.
constexpr size_t kMaxHeader = 10240;
std::string buildPjlHeader(const PdfJobSettings& job, const LogFn& log,
                           std::time_t now = std::time(nullptr), size_t budget = kMaxHeader);

// The header as written to the log: secrets (passwords, PINs) masked.
std::string headerForLog(std::string_view header);

// The PJL end-of-job trailer, with no line feed at its end.
inline constexpr std::string_view kPjlTrailer = "\x1b%-12345X@PJL\n@PJL EOJ\n\x1b%-12345X";

// What follows the trailer when Orvex allowed the job: a line feed and the
// three comment lines that report the server and the final colour and duplex.
std::string orvexCommentLines(const PdfJobSettings& job);

// The printer name that selects the per-user option file: argument 0, or, when
// it is missing or contains "./velfilter_pdf" (started by hand), the PPD file's
// base name up to its first "." (a "PPD: <path>\n" line goes to log then).
std::string pdfPrinterName(const char* argv0, const LogFn& log);

// The leftover temporary file of a job, "/tmp/<job id>_<title>", or nothing
// when that name would not stay a single file name inside /tmp.
std::optional<std::string> leftoverTempFile(std::string_view jobId, std::string_view title);

// The driver login that Orvex handed out, and its server, for the header and
// the comment lines after the trailer.
void takeOrvexLogin(PdfJobSettings& job, const OrvexPolicy& policy, const OrvexSettings& settings);

// Orvex's colour and duplex rules on the record (a colour job may be printed
// in black and white, a one-sided job long-edge duplex), then the shared
// credit, quota and printer steps. Sends no notice.
PolicyOutcome decidePdfPolicy(PdfJobSettings& job, const OrvexPolicy& policy,
                              const OrvexSettings& settings);

// decidePdfPolicy plus the notice. Without a policy the job is refused.
PolicyVerdict applyPolicy(PdfJobSettings& job, const std::optional<OrvexPolicy>& policy,
                          const OrvexSettings& settings, const LogFn& log);

// The job's usage record for telemetry, from the record after the policy step
// (usage.cpp).
struct UsageRecord;
UsageRecord pdfJobUsage(const PdfJobSettings& job);

} // namespace vel
