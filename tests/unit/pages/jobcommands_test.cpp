#include "pagerun.h"

#include <gtest/gtest.h>

using namespace vel;
using veltest::capture;

namespace {

struct Job {
    RasterJob job;
    std::string log;
    explicit Job(const char* options) {
        job.rawOptions = options;
        job.numOptions = cupsParseOptions(options, 0, &job.options);
        job.log = [this](std::string_view s) { log += s; };
    }
};

cups_page_header2_t firstPage(unsigned position, unsigned mediaType, unsigned copies = 1) {
    cups_page_header2_t h = veltest::pageHeader(100, 100, 1);
    h.MediaPosition = position;
    h.cupsMediaType = mediaType;
    h.NumCopies = copies;
    return h;
}

} // namespace

TEST(JobCommands, MediaAndFinishing) {
    struct Case {
        const char* name;
        const char* options;
        bool sfp, booklet;
        cups_page_header2_t first;
        const char* expected;
        bool finishing;
    } cases[] = {
        {"automatic source, media type beyond 99", "", false, false, firstPage(0, 100),
         "!R!PSRC100;EXIT;", false},
        {"source and type", "", false, false, firstPage(4, 3), "!R!PSRC4;EXIT;!R!MTYP3;EXIT;",
         false},
        {"staple and punch", "Stpl=CenterBoth Pnch=3Hole", false, false, firstPage(1, 0),
         "!R!PSRC1;EXIT;!R!MTYP0;EXIT;!R!STPL3;EXIT;!R!PNCH1;EXIT;", true},
        {"staple and punch on an SFP device", "Stpl=Center Pnch=3Hole", true, false,
         firstPage(1, 0, 4),
         "!R!PSRC1;EXIT;!R!MTYP0;EXIT;!R!OTRY3;EXIT;!R!JOBT;EXIT;!R!STPL3;EXIT;!R!PNCH1;EXIT;"
         "!R!JOBS0,4,2,0;EXIT;",
         true},
        {"booklet on an SFP device", "VCBooklet=Right FldA=Bifold FldB=FPOutside", true, true,
         firstPage(2, 100),
         "!R!PSRC2;EXIT;!R!JOBT;EXIT;!R!BKLT2;EXIT;!R!BLFD0;EXIT;!R!BLIO1;EXIT;"
         "!R!JOBS0,1,2,0;EXIT;",
         true},
        {"staple none still opens the block", "Stpl=None", false, false, firstPage(1, 100),
         "!R!PSRC1;EXIT;", true},
        {"staple count", "Scnt=Each10", false, false, firstPage(1, 100),
         "!R!PSRC1;EXIT;!R!STPC10;EXIT;", true},
        {"staple count without digits", "Scnt=Each", false, false, firstPage(1, 100),
         "!R!PSRC1;EXIT;!R!STPC0;EXIT;", true},
        {"folds, sheets and stapling",
         "FldC=LEFTR FldD=FLD3 BFpS=FLD5 Stpl=BookletStitch Pnch=4Hole", false, false,
         firstPage(1, 100),
         "!R!PSRC1;EXIT;!R!BLLR R;EXIT;!R!SBLC3;EXIT;!R!SBLC5;EXIT;!R!FOLD1;EXIT;"
         "!R!PNCH2;EXIT;",
         true},
        {"unknown fold count", "FldD=FLD6 Stpl=Rear", false, false, firstPage(1, 100),
         "!R!PSRC1;EXIT;!R!STPL2;EXIT;", true},
        {"booklet option alone is no finishing", "VCBooklet=Left", false, false, firstPage(1, 100),
         "!R!PSRC1;EXIT;", false},
    };
    for (const Case& c : cases) {
        Job j(c.options);
        j.job.sfpDevice = c.sfp;
        j.job.bookletJob = c.booklet;
        EXPECT_EQ(capture(j.job, [&] { writeJobCommands(j.job, c.first); }), c.expected) << c.name;
        EXPECT_EQ(j.job.finishingWritten, c.finishing) << c.name;
    }
}

TEST(JobCommands, OrvexComments) {
    Job j("ColorModel=Gray Duplex=DuplexTumble Booklet=Diagonal Staple=Front Punch=2HoleEUR "
          "PageSize=Letter MediaType=Plain");
    j.job.orvex.orvEnabled = true;
    j.job.orvex.server = "orv.example";
    j.job.policy = OrvexPolicy{};
    EXPECT_EQ(capture(j.job, [&] { writeJobCommands(j.job, firstPage(1, 100)); }),
              "!R! CMNT Vorx=orv.example; EXIT;!R! CMNT Colormode=BLACK_AND_WHITE; EXIT;"
              "!R! CMNT Binding=TOP; EXIT;!R! CMNT Staple=UPPER_LEFT; EXIT;"
              "!R! CMNT Punch=TWO; EXIT;!R! CMNT Paper=LETTER; EXIT;"
              "!R! CMNT MediaType=PLAIN; EXIT;!R!PSRC1;EXIT;");

    Job off("ColorModel=RGB");
    EXPECT_EQ(capture(off.job, [&] { writeJobCommands(off.job, firstPage(1, 100)); }),
              "!R!PSRC1;EXIT;");
}

TEST(ColorAdjustments, LinesFromTheRawOptions) {
    struct Case {
        const char* options;
        const char* lines;
        const char* log;
    } cases[] = {
        {"", "", "No color adjustment\n"},
        {"CaColorSpace=2 CaCR=3", "", "No color adjustment\n"},
        {"CaColorSpace=0 CaHueMaster=10 Cast=5", "@PJL SET KHUE=10.000000\n", "HSL detected\n"},
        {"CaColorSpace=0 CaHueMaster=0 CaHr=-2 Cabt=0.004", "@PJL SET KHUER=-2.000000\n",
         "HSL detected\n"},
        {"CaColorSpace=0 CaHy=1.5 CaHg=x Cact=-0.006",
         "@PJL SET KHUEY=1.500000\n@PJL SET KCONTRAST=-0.006000\n", "HSL detected\n"},
        {"CaColorSpace=1 CaCR=3 CaMG=0 CaYB=-1",
         "@PJL SET KRGBLEVELR=3.000000\n@PJL SET KRGBLEVELB=-1.000000\n", "CB detected\n"},
        {"CaColorSpace=1 CaCR=2\\ 5", "@PJL SET KRGBLEVELR=2.000000\n", "CB detected\n"},
    };
    for (const Case& c : cases) {
        Job j(c.options);
        EXPECT_EQ(capture(j.job, [&] { writeColorAdjustments(j.job); }), c.lines) << c.options;
        EXPECT_EQ(j.log, c.log) << c.options;
    }
}
