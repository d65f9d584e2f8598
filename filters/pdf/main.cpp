// velfilter_pdf: prints a PDF job on a printer that interprets PDF itself.
//
//   velfilter_pdf queue job-id user title copies options [file]
//
// The PDF is copied unchanged between a PJL job header carrying every job
// setting and the PJL end-of-job trailer.
#include "pdfcopy.h"
#include "pdfjob.h"
#include "telemetry.h"

#include <cups/ppd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>
#include <unistd.h>

using namespace vel;

namespace {

ppd_file_t* openJobPpd() {
    const char* path = std::getenv("PPD");
    ppd_file_t* ppd = path ? ppdOpenFile(path) : nullptr;
    if (ppd) ppdMarkDefaults(ppd);
    return ppd;
}

} // namespace

int main(int argc, char** argv) {
    LogFn log = stderrLog();

    if (argc != 6 && argc != 7) {
        log("velfilter_pdf job-id user title copies options [file]\n");
        return 1;
    }
    const char* jobId = argv[1];
    const char* user = argv[2];
    const char* title = argv[3];

    int input = STDIN_FILENO;
    if (argc == 7) {
        input = ::open(argv[6], O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (input >= 0 && ::fstat(input, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(input);
            input = -1;
            errno = EISDIR;
        }
        if (input < 0) {
            log(format("ERROR: Unable to open print file \"%s\": %s\n", argv[6],
                       std::strerror(errno)));
            return 1;
        }
    }

    ppd_file_t* ppd = openJobPpd();
    PdfJobSettings job =
        createJobSettings(title, user, argv[4], argv[5], pdfPrinterName(argv[0], log), ppd);
    if (ppd) ppdClose(ppd);

    // Orvex: log the job's owner in and let the server's policy change or
    // stop the job, before anything is printed.
    UserOptionFile orvexFile{user, pdfPrinterName(argv[0], log), log};
    OrvexSettings orvex = readOrvexSettings(orvexFile, user);
    if (orvex.orvEnabled) {
        LoginResult login = orvexLogin(orvex, log);
        if (login.noticeFailed) return 1; // the bus has already been reported
        if (login.policy) takeOrvexLogin(job, *login.policy, orvex);
        switch (applyPolicy(job, login.policy, orvex, log)) {
        case PolicyVerdict::Print:
            break;
        case PolicyVerdict::NoticeFailed:
            return 1;
        case PolicyVerdict::Refused:
            log("WARNING: ORV settings have stopped printing\n");
            return 1;
        }
    }

    // Usage events, only with the user's consent, from the record as it is
    // now; they never change the job.
    if (telemetryConsent(user)) postUsage(pdfJobUsage(job), log);

    std::string header = buildPjlHeader(job, log);
    BufferedOutput out(STDOUT_FILENO);
    out.write(header);
    log(headerForLog(header) + "\n");

    switch (copyStream(input, out)) {
    case CopyResult::Done:
        break;
    case CopyResult::ReadFailed:
        log(format("ERROR: Unable to read print data: %s\n", std::strerror(errno)));
        // End the job on the printer so that it leaves PDF mode.
        out.write(kPjlTrailer);
        out.flush();
        return 1;
    case CopyResult::WriteFailed:
        log(format("ERROR: Unable to send print data: %s\n", std::strerror(errno)));
        return 1;
    }
    out.write(kPjlTrailer);
    if (orvex.orvEnabled) out.write(orvexCommentLines(job));
    if (!out.flush()) {
        log(format("ERROR: Unable to send print data: %s\n", std::strerror(errno)));
        return 1;
    }

    if (auto leftover = leftoverTempFile(jobId, title)) ::unlink(leftover->c_str());
    return 0;
}
