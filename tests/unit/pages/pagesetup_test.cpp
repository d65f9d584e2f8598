#include "pagerun.h"
#include "pagesetup.h"
#include "rasterrows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <unistd.h>

using namespace vel;
using veltest::capture;
using veltest::pageHeader;

namespace {

cups_page_header2_t letter() {
    cups_page_header2_t h = pageHeader(5100, 6600, 1, CUPS_CSPACE_K, 2);
    h.PageSize[0] = 612;
    h.PageSize[1] = 792;
    return h;
}

std::string setup(RasterJob& job, const cups_page_header2_t& h) {
    return capture(job, [&] { writePageSetup(job, h); });
}

} // namespace

TEST(PageSetup, LetterFirstPageInOrder) {
    RasterJob job;
    job.pageNumber = 1;
    EXPECT_EQ(setup(job, letter()),
              "\x1b&l1X\x1b&l6D\x1b&k12H\x1b&l0O"
              "!R!spsz6;stm0;exit;\x1b*p0x0Y\x1b*c0t5765x7680Y"
              "\x1b&l0E\x1b&a0L\x1b*t600R\x1b*r5100S\x1b*r6600T\x1b&a0H\x1b&a0V\x1b*r1A\x1b*b2M");
}

TEST(PageSetup, Variants) {
    struct Case {
        const char* name;
        std::function<void(RasterJob&, cups_page_header2_t&)> change;
        const char* present;          // expected somewhere in the setup
        const char* absent = nullptr; // must not be there
    } cases[] = {
        {"A4 landscape",
         [](RasterJob&, cups_page_header2_t& h) {
             h.PageSize[0] = 595, h.PageSize[1] = 842, h.Orientation = CUPS_ORIENT_90;
         },
         "\x1b&l1O!R!spsz8;stm0;exit;\x1b*p0x0Y\x1b*c0t8138x5717Y", nullptr},
        {"custom size portrait",
         [](RasterJob&, cups_page_header2_t& h) {
             h.PageSize[0] = 600, h.PageSize[1] = 800, h.cupsWidth = 4800, h.cupsHeight = 6400;
         },
         "!R! SCSZ 8.50, 11.17, I;EXIT;!R!PSRC100;SPSZ19;STM0;EXIT;\x1b&l0E", nullptr},
        {"custom size turned",
         [](RasterJob&, cups_page_header2_t& h) {
             h.PageSize[0] = 600, h.PageSize[1] = 800, h.cupsWidth = 4800, h.cupsHeight = 6400;
             h.Orientation = CUPS_ORIENT_90;
         },
         "!R! SCSZ 11.17, 8.50, I;EXIT;", nullptr},
        {"rotate turns orientation 1 into 3",
         [](RasterJob& j, cups_page_header2_t& h) {
             j.rotate = true, h.Orientation = CUPS_ORIENT_90;
         },
         "\x1b&k12H\x1b&l3O!R!", nullptr},
        {"rotate with an unknown orientation writes none",
         [](RasterJob& j, cups_page_header2_t& h) {
             j.rotate = true, h.Orientation = cups_orient_t(7);
         },
         "\x1b&k12H!R!", nullptr},
        {"printer collates: one copy",
         [](RasterJob& j, cups_page_header2_t& h) { j.printerCollates = true, h.NumCopies = 5; },
         "\x1b&l1X", "\x1b&l5X"},
        {"copies from the header", [](RasterJob&, cups_page_header2_t& h) { h.NumCopies = 5; },
         "\x1b&l5X", nullptr},
        {"copies on the first page only",
         [](RasterJob& j, cups_page_header2_t& h) { j.pageNumber = 2, h.NumCopies = 5; }, "",
         "X\x1b&l6D"},
        {"duplex back side has no paper size",
         [](RasterJob& j, cups_page_header2_t&) { j.duplexOn = true, j.pageNumber = 2; }, "",
         "spsz"},
        {"duplex front side has the paper size",
         [](RasterJob& j, cups_page_header2_t&) { j.duplexOn = true, j.pageNumber = 3; },
         "!R!spsz6;", nullptr},
        {"uncompressed pages send no mode",
         [](RasterJob&, cups_page_header2_t& h) { h.cupsCompression = 0; }, "\x1b*r1A", "\x1b*b"},
        {"colour configuration", [](RasterJob& j, cups_page_header2_t&) { j.planeCount = 3; },
         "\x1b&a0V\x1b*l0R\x1b*v6W"},
    };
    for (const Case& c : cases) {
        RasterJob job;
        job.pageNumber = 1;
        cups_page_header2_t h = letter();
        c.change(job, h);
        std::string s = setup(job, h);
        EXPECT_NE(s.find(c.present), std::string::npos) << c.name;
        if (c.absent) {
            EXPECT_EQ(s.find(c.absent), std::string::npos) << c.name;
        }
    }
}

TEST(PageSetup, ColourConfigurationBytes) {
    RasterJob job;
    job.planeCount = 3;
    job.pageNumber = 2;
    std::string s = setup(job, letter());
    static const char kExpected[] = "\x1b*l0R\x1b*v6W\x00\x03\x00\x08\x08\x08"
                                    "\x1b*o3W\x06\x04\x00\x1b*t3J\x1b*r1A";
    const std::string expected(kExpected, sizeof kExpected - 1);
    EXPECT_NE(s.find(expected), std::string::npos) << testing::PrintToString(s);
}

TEST(PageSetup, VerticalOffsetFromThePpdsFirstSize) {
    char path[] = "/tmp/velppdXXXXXX";
    int fd = mkstemp(path);
    close(fd);
    std::ofstream(path) << "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n"
                           "*OpenUI *PageSize/Media Size: PickOne\n*DefaultPageSize: A4\n"
                           "*PageSize Letter/Letter: \"\"\n*PageSize A4/A4: \"\"\n"
                           "*CloseUI: *PageSize\n"
                           "*ImageableArea Letter/Letter: \"18 36 594 756.4\"\n"
                           "*ImageableArea A4/A4: \"18 36 577 806\"\n"
                           "*PaperDimension Letter/Letter: \"612 792\"\n"
                           "*PaperDimension A4/A4: \"595 842\"\n";
    RasterJob job;
    job.ppd = ppdOpenFile(path);
    unlink(path);
    ASSERT_NE(job.ppd, nullptr);
    job.pageNumber = 1;
    std::string s = setup(job, letter());
    EXPECT_NE(s.find("\x1b&a0H\x1b&a356V\x1b*r1A"), std::string::npos); // (792 - 756.4) * 10
    ppdClose(job.ppd);
    job.ppd = nullptr;
}

TEST(PaperSizes, TableRowsAndMisses) {
    struct Case {
        unsigned length, width;
        bool portrait;
        const char* command;
    } cases[] = {
        {792, 612, true, "!R!spsz6;stm0;exit;\x1b*p0x0Y\x1b*c0t5765x7680Y"},
        {421, 297, false, "!R!spsz14;stm0;exit;\x1b*p0x0Y\x1b*c0t3907x2736Y"},
        {639, 279, true, "!R!spsz16;stm0;exit;\x1b*p0x0Y\x1b*c0t2510.40x6110.40Y"},
        {1116, 774, true, "!R!spsz39;stm0;exit;\x1b*p0x0Y\x1b*c0t0x0Y"},
        {1116, 774, false, "!R!spsz39;stm0;exit;\x1b*p0x0Y\x1b*c0t10080x7498Y"},
        {972, 612, false, "!R!spsz42;stm0;exit;\x1b*p0x0Y\x1b*c0t9076x5836Y"},
        {1224, 792, false, "!R!spsz12;stm0;exit;\x1b*p0x0Y\x1b*c0t11952x7678Y"},
        {612, 792, true, nullptr}, // the key is length first
        {793, 612, true, nullptr},
    };
    for (const Case& c : cases) {
        const char* got = paperSizeCommand(c.length, c.width, c.portrait);
        if (!c.command) {
            EXPECT_EQ(got, nullptr) << c.length << "x" << c.width;
        } else {
            EXPECT_STREQ(got, c.command) << c.length << "x" << c.width;
        }
    }
}
