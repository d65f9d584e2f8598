// The state of one raster job, shared by the steps of velfilter_pcl.
//
// Each step of the job's life is one function in its own file:
//   joboptions.cpp   option set, PPD defaults, PPD flags, raw option reader
//   envelope.cpp     PJL job header and trailer
//   coloradjust.cpp  colour-adjustment PJL lines (inside the job header)
//   jobcommands.cpp  control-language job commands (media, finishing)
//   pagesetup.cpp    per-page setup and the paper-size table
//   rasterrows.cpp   raster rows: dithering, bit planes, compression, end of page
#pragma once

#include "log.h"
#include "orvex.h"
#include "peruser.h"
#include "printerstream.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>

#include <csignal>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vel {

struct PageBuffers; // rasterrows.cpp: one page's row buffers

struct RasterJob {
    PrinterStream out{1};
    LogFn log;

    // CUPS arguments 0-5.
    std::string printer, jobId, user, title, copies, rawOptions;

    // The job option set: argument 5 completed with the PPD defaults.
    int numOptions = 0;
    cups_option_t* options = nullptr;
    ppd_file_t* ppd = nullptr; // null when the PPD could not be opened

    bool sfpDevice = false;
    bool monoDevice = false;
    bool rotate = false;
    int pageNumber = 0;

    // Set while the job header is written.
    int planeCount = 1;
    bool duplexOn = false;
    bool printerCollates = false;
    bool bookletJob = false;
    std::string jobName;

    // Set by the job commands: the finishing block was written.
    bool finishingWritten = false;

    UserOptionFile userFile;
    OrvexSettings orvex;
    std::optional<OrvexPolicy> policy; // present when Orvex allowed the job

    std::unique_ptr<PageBuffers> page;

    // Set while a row's bytes are on their way out: a SIGTERM then only marks
    // the cancel as pending, and the row path raises it again after the row.
    volatile sig_atomic_t rowInFlight = 0;
    volatile sig_atomic_t cancelPending = 0;

    // Value of an option of the job option set, or null.
    const char* option(const char* name) const { return cupsGetOption(name, numOptions, options); }

    RasterJob();
    ~RasterJob();
    RasterJob(const RasterJob&) = delete;
    RasterJob& operator=(const RasterJob&) = delete;
};

// ---- joboptions.cpp: option sources, PPD flags, the page loop ----

// Capacities of raw option values, terminator included.
constexpr size_t kRawNameCapacity = 1024; // "JobName", "VmManagment"
constexpr size_t kRawColorCapacity = 256; // colour-adjustment keys

// The value of key read straight from the raw option string: from the first
// occurrence of key on, the first "key=" (a plain substring match, so
// "CustomJobName=" also matches "JobName="); the value runs to the first
// unescaped blank, a backslash escapes the next character. At most
// capacity - 1 bytes.
std::string rawOptionValue(std::string_view raw, std::string_view key, size_t capacity);
inline std::string rawOptionValue(const RasterJob& job, std::string_view key, size_t capacity) {
    return rawOptionValue(job.rawOptions, key, capacity);
}

// The debug line "arg<number> <arg>\n" that echoes a command-line argument.
// Arguments come from the job's submitter, and cupsd reads every line of our
// standard error as a possible status line ("PPD:", "ATTR:", "STATE:", ...):
// control bytes become "?" so none can start a line, and the argument is cut
// to kArgEchoBytes so cupsd, which reads status lines in 2 KiB pieces, never
// splits one and takes its rest for a line of its own.
constexpr size_t kArgEchoBytes = 1023;
std::string argumentLine(int number, std::string_view arg);

// Parses the raw option string into the job option set.
void parseJobOptions(RasterJob& job);

// Fills the gaps of the option set with the defaults of every option of the
// PPD's top-level groups (subgroups are not visited); takes ownership of ppd.
void mergePpdDefaults(RasterJob& job, ppd_file_t* ppd);

// The device flags of a PPD text: only lines above the first "*cupsFilter:" count.
struct PpdFlags {
    bool sfpDevice = false;
    bool monoDevice = false;
};
PpdFlags scanPpdFlags(FILE* ppdText);

// Fetches the queue's PPD from the CUPS server (bounded wait) and scans it;
// both flags stay false when no copy can be fetched.
void readPpdFlags(RasterJob& job);

// Ink planes the job header announces for a first page: 4 for CMYK, 3 for
// RGB and CMY, else 1.
int planeCountFor(const cups_page_header2_t& page);

// Whether the row paths can print the page: gray 1, 2 or 8 bits, or chunky
// 8-bit colour with planeCount channels, sane sizes, enough bytes per line.
// planeCount is that of the job (the first page decides). Returns the reason
// when not.
std::optional<std::string> unprintablePage(const cups_page_header2_t& page, int planeCount);

// The page loop: job header at the first page, page setup, rows with progress
// lines, end of page. Returns the number of pages printed.
int printPages(RasterJob& job, cups_raster_t* ras);

// Makes SIGTERM cancel the job: 600 zero bytes, end of page, PCL reset, exit 0.
void installCancelHandler(RasterJob& job);

// Frees the option set and closes the PPD (also done by the destructor).
void closeJobOptions(RasterJob& job);

// ---- envelope.cpp: parts of the job header ----

// Longest job name in the JOB and EOJ lines, date included.
constexpr size_t kJobNameBytes = 79;

// The job name's source: raw "JobName" (unless empty or "off"), the per-user
// "CustomJobName", or the title.
std::string jobNameSource(const RasterJob& job);

// Cuts the source to the job name and appends " <dateText>" when dateText is
// not empty. The cut keeps n - 1 bytes, where n is 79 (less the date's
// length) and one less again unless byte n of the source is a UTF-8
// continuation byte; a longer character that the cut would split is left out.
std::string cutJobName(std::string_view source, std::string_view dateText);

// The job accounting code: raw "VmManagment" without an "MG" or "Custom."
// prefix, else the per-user "VmManagment" before its first ";". Empty: none.
std::string jobAccountingCode(const RasterJob& job);

// ---- the steps of the printer stream ----

// Job header (after the first page header was read) and trailer.
void writeJobHeader(RasterJob& job, const cups_page_header2_t& first);
void writeJobTrailer(RasterJob& job);

// Colour-adjustment lines: row 10 of the job header.
void writeColorAdjustments(RasterJob& job);

// Control-language job commands, written once after the job header.
void writeJobCommands(RasterJob& job, const cups_page_header2_t& first);

// Per-page setup; installs the SIGTERM cancel handler.
void writePageSetup(RasterJob& job, const cups_page_header2_t& page);

// Reads and sends row y of the page; false on a short read (the page ends).
bool sendRow(RasterJob& job, const cups_page_header2_t& page, cups_raster_t* ras, unsigned y);

// Ends raster graphics and the page; ignores SIGTERM from here on.
void endPage(RasterJob& job);

// The job's usage record for telemetry (usage.cpp).
struct UsageRecord;
UsageRecord rasterJobUsage(const RasterJob& job);

} // namespace vel
