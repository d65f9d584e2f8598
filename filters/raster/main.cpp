// velfilter_pcl: CUPS filter from CUPS raster to PJL + PCL 5 for Velmora printers.
//
//   velfilter_pcl printer job-id user title copies options [file]
//
// The printer stream goes to standard output, status lines to standard error.
#include "orvexjob.h"
#include "rasterjob.h"
#include "telemetry.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    vel::RasterJob job;
    job.log = vel::stderrLog();
    if (argc > 5) job.rawOptions = argv[5];
    vel::parseJobOptions(job);

    job.log("Starting velfilter_pcl\n");
    setbuf(stderr, nullptr);
    setbuf(stdout, nullptr);
    for (int i = 0; i < argc && i < 7; ++i)
        job.log(vel::argumentLine(i + 1, argv[i]));

    if (argc != 6 && argc != 7) {
        job.log("ERROR: rastertopcl job-id user title copies options [file]\n");
        return 1;
    }
    job.printer = argv[0];
    job.jobId = argv[1];
    job.user = argv[2];
    job.title = argv[3];
    job.copies = argv[4];
    job.userFile = vel::rasterUserOptionFile(argv[0], job.user, job.log);

    int fd = 0;
    if (argc == 7) {
        fd = open(argv[6], O_RDONLY);
        if (fd < 0) {
            perror("ERROR: Unable to open raster file - ");
            sleep(1);
            return 1;
        }
    }

    vel::readPpdFlags(job);
    cups_raster_t* ras = cupsRasterOpen(fd, CUPS_RASTER_READ);
    const char* ppdPath = getenv("PPD");
    vel::mergePpdDefaults(job, ppdPath ? ppdOpenFile(ppdPath) : nullptr);

    if (!vel::checkOrvex(job)) {
        vel::closeJobOptions(job);
        if (ras) cupsRasterClose(ras);
        if (fd != 0) close(fd);
        job.log("WARNING: ORV settings have stopped printing\n");
        return 1;
    }

    // Usage events, only with the user's consent; they never change the job.
    if (vel::telemetryConsent(job.user)) vel::postUsage(vel::rasterJobUsage(job), job.log);

    const int pages = ras ? vel::printPages(job, ras) : 0;
    vel::writeJobTrailer(job);

    vel::closeJobOptions(job);
    if (ras) cupsRasterClose(ras);
    if (fd != 0) close(fd);

    if (pages > 0) {
        job.log("INFO: Ready to print.\n");
        return 0;
    }
    job.log("ERROR: No pages found!\n");
    return 1;
}
