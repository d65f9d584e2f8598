#include "orvexjob.h"
#include "rasterjob.h"

#include <climits>
#include <cstring>

namespace vel {

namespace {

// The digit of "FLD1" ... "FLD5", or 0.
char foldDigit(const char* value) {
    if (value && std::strncmp(value, "FLD", 3) == 0 && value[3] >= '1' && value[3] <= '5' &&
        value[4] == '\0')
        return value[3];
    return 0;
}

// Leading decimal digits of text, 0 when there are none; saturates.
int leadingNumber(const char* text) {
    long n = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        n = n * 10 + (*text - '0');
        if (n > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(n);
}

bool is(const char* value, const char* expected) {
    return value && std::strcmp(value, expected) == 0;
}

void writeFinishing(RasterJob& job, const cups_page_header2_t& first) {
    std::string s;
    if (job.sfpDevice && !job.bookletJob) s += "!R!OTRY3;EXIT;"; // output tray 3
    if (job.sfpDevice) s += "!R!JOBT;EXIT;";                     // job start

    const char* booklet = job.option("VCBooklet");
    if (is(booklet, "Left"))
        s += "!R!BKLT1;EXIT;";
    else if (is(booklet, "Right"))
        s += "!R!BKLT2;EXIT;";

    const char* fldA = job.option("FldA");
    if (is(fldA, "Bifold"))
        s += "!R!BLFD0;EXIT;";
    else if (is(fldA, "Trifold"))
        s += "!R!BLFD1;EXIT;";

    const char* fldB = job.option("FldB");
    if (is(fldB, "FPInside"))
        s += "!R!BLIO0;EXIT;";
    else if (is(fldB, "FPOutside"))
        s += "!R!BLIO1;EXIT;";

    const char* fldC = job.option("FldC");
    if (is(fldC, "RIGHTL"))
        s += "!R!BLLR L;EXIT;";
    else if (is(fldC, "LEFTR"))
        s += "!R!BLLR R;EXIT;";

    // Sheets per fold set, from either option.
    if (char d = foldDigit(job.option("FldD"))) s += format("!R!SBLC%c;EXIT;", d);
    if (char d = foldDigit(job.option("BFpS"))) s += format("!R!SBLC%c;EXIT;", d);

    const char* stpl = job.option("Stpl");
    if (stpl && std::strstr(stpl, "Center"))
        s += "!R!STPL3;EXIT;";
    else if (is(stpl, "Front"))
        s += "!R!STPL1;EXIT;";
    else if (is(stpl, "Rear"))
        s += "!R!STPL2;EXIT;";
    else if (is(stpl, "BookletStitch"))
        s += "!R!FOLD1;EXIT;";

    // Staple count: "Each" followed by the number of sheets.
    const char* scnt = job.option("Scnt");
    if (scnt && std::strstr(scnt, "Each"))
        s += format("!R!STPC%d;EXIT;", std::strlen(scnt) > 4 ? leadingNumber(scnt + 4) : 0);

    const char* pnch = job.option("Pnch");
    if (is(pnch, "2Hole") || is(pnch, "4Hole"))
        s += "!R!PNCH2;EXIT;";
    else if (is(pnch, "2HoleEUR") || is(pnch, "3Hole"))
        s += "!R!PNCH1;EXIT;";

    if (job.sfpDevice) s += format("!R!JOBS0,%u,2,0;EXIT;", first.NumCopies);

    job.out.write(s);
    job.finishingWritten = true;
}

} // namespace

void writeJobCommands(RasterJob& job, const cups_page_header2_t& first) {
    // Only when Orvex allowed the job.
    writeOrvexComments(job);

    // Media source (0 is the printer's automatic choice, 100) and media type.
    job.out.write(format("!R!PSRC%u;EXIT;", first.MediaPosition == 0 ? 100u : first.MediaPosition));
    if (first.cupsMediaType <= 99) job.out.write(format("!R!MTYP%u;EXIT;", first.cupsMediaType));

    static const char* const kFinishingOptions[] = {"Stpl", "Pnch", "FldA", "FldB",
                                                    "FldC", "FldD", "Scnt"};
    bool finishing = job.bookletJob;
    for (const char* name : kFinishingOptions)
        finishing = finishing || job.option(name);
    if (finishing) writeFinishing(job, first);
}

} // namespace vel
