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

#include <memory>
#include <optional>
#include <string>

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

    // Value of an option of the job option set, or null.
    const char* option(const char* name) const {
        return cupsGetOption(name, numOptions, options);
    }

    RasterJob();
    ~RasterJob();
    RasterJob(const RasterJob&) = delete;
    RasterJob& operator=(const RasterJob&) = delete;
};

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

} // namespace vel
