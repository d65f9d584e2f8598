#include "rasterjob.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

TEST(RawOptionValue, SubstringAndEscapeRules) {
    struct Case {
        const char* name;
        const char* raw;
        const char* key;
        size_t capacity;
        const char* expected;
    } cases[] = {
        {"plain", "a=1 JobName=xyz b=2", "JobName", 1024, "xyz"},
        {"longer key matches first", "CustomJobName=abc JobName=xyz", "JobName", 1024, "abc"},
        {"escaped blank", "JobName=my\\ job next=1", "JobName", 1024, "my job"},
        {"escaped backslash", "JobName=a\\\\b c", "JobName", 1024, "a\\b"},
        {"trailing backslash", "JobName=ab\\", "JobName", 1024, "ab"},
        {"absent key", "a=1 b=2", "JobName", 1024, ""},
        {"key without =", "JobName Rotate", "JobName", 1024, ""},
        {"key first without =, later with", "JobName x JobName=y", "JobName", 1024, "y"},
        {"empty value", "JobName= next", "JobName", 1024, ""},
        {"at end of string", "JobName=last", "JobName", 1024, "last"},
        {"cut to capacity - 1", "JobName=abcdef", "JobName", 4, "abc"},
        {"capacity 1 keeps nothing", "JobName=abcdef", "JobName", 1, ""},
        {"quotes kept as bytes", "JobName='a b'", "JobName", 1024, "'a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vel::rawOptionValue(c.raw, c.key, c.capacity), c.expected) << c.name;
}

TEST(RawOptionValue, LongValueIsCutNotOverrun) {
    std::string raw = "JobName=" + std::string(5000, 'x');
    EXPECT_EQ(vel::rawOptionValue(raw, "JobName", vel::kRawNameCapacity).size(), 1023u);
}

vel::PpdFlags scan(const std::string& text) {
    FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    vel::PpdFlags flags = vel::scanPpdFlags(f);
    std::fclose(f);
    return flags;
}

TEST(ScanPpdFlags, OnlyLinesAboveTheFirstFilterLineCount) {
    struct Case {
        const char* name;
        std::string text;
        bool sfp, mono;
    } cases[] = {
        {"none", "*PPD-Adobe: \"4.3\"\n*cupsFilter: \"x 0 f\"\n", false, false},
        {"mono before filter", "*monoDevFlag: True\n*cupsFilter: \"x 0 f\"\n", false, true},
        {"sfp before filter", "*SFPFlag: True\n*cupsFilter: \"x 0 f\"\n", true, false},
        {"both", "*SFPFlag: True\n*monoDevFlag: True\n*cupsFilter: \"x\"\n", true, true},
        {"mono after filter", "*cupsFilter: \"x 0 f\"\n*monoDevFlag: True\n", false, false},
        {"sfp line naming mono too", "*SFPFlag: *monoDevFlag:\n*cupsFilter: \"x\"\n", true, false},
        {"no filter line at all", "*monoDevFlag: True\n", false, true},
        // A line longer than 1023 bytes is read in pieces; a flag in a later
        // piece still counts.
        {"flag after a long line", "*% " + std::string(3000, 'x') + "*monoDevFlag: True\n", false,
         true},
    };
    for (const Case& c : cases) {
        vel::PpdFlags f = scan(c.text);
        EXPECT_EQ(f.sfpDevice, c.sfp) << c.name;
        EXPECT_EQ(f.monoDevice, c.mono) << c.name;
    }
}

// A PPD with options in two groups, one of whose defaults the job overrides.
// (libcups files options of a subgroup under its group, so there is no
// subgroup to skip.)
const char* kPpd = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "test.ppd"
*Manufacturer: "Velmora"
*Product: "(Test)"
*ModelName: "Velmora Test"
*NickName: "Velmora Test"
*ShortNickName: "Velmora Test"
*PSVersion: "(3010.000) 0"
*OpenUI *Duplex/Two-sided: PickOne
*DefaultDuplex: None
*Duplex None/Off: ""
*Duplex DuplexTumble/Short edge: ""
*CloseUI: *Duplex
*OpenGroup: Finishing/Finishing
*OpenUI *Stpl/Staple: PickOne
*DefaultStpl: Front
*Stpl None/Off: ""
*Stpl Front/Front: ""
*CloseUI: *Stpl
*CloseGroup: Finishing
)PPD";

TEST(MergePpdDefaults, JobValuesWinDefaultsFillGaps) {
    char path[] = "/tmp/velppdXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, kPpd, strlen(kPpd)), static_cast<ssize_t>(strlen(kPpd)));
    close(fd);

    vel::RasterJob job;
    job.rawOptions = "Duplex=DuplexTumble";
    vel::parseJobOptions(job);
    vel::mergePpdDefaults(job, ppdOpenFile(path));
    unlink(path);
    ASSERT_NE(job.ppd, nullptr);

    EXPECT_STREQ(job.option("Duplex"), "DuplexTumble"); // the job's value wins
    EXPECT_STREQ(job.option("Stpl"), "Front");          // a gap filled by the default
}

TEST(MergePpdDefaults, NoPpdLeavesTheParsedSet) {
    vel::RasterJob job;
    job.rawOptions = "Duplex=None a=b";
    vel::parseJobOptions(job);
    vel::mergePpdDefaults(job, nullptr);
    EXPECT_EQ(job.numOptions, 2);
}

cups_page_header2_t header(unsigned bits, cups_cspace_t space, unsigned channels) {
    cups_page_header2_t h{};
    h.cupsWidth = 100;
    h.cupsHeight = 50;
    h.HWResolution[0] = h.HWResolution[1] = 600;
    h.cupsBitsPerColor = bits;
    h.cupsBitsPerPixel = bits * channels;
    h.cupsColorSpace = space;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsBytesPerLine = (h.cupsWidth * h.cupsBitsPerPixel + 7) / 8;
    return h;
}

TEST(UnprintablePage, AcceptsTheRowPathsAndRejectsTheRest) {
    struct Case {
        const char* name;
        cups_page_header2_t h;
        int planeCount;
        bool printable;
    };
    auto with = [](cups_page_header2_t h, auto change) {
        change(h);
        return h;
    };
    const auto gray8 = header(8, CUPS_CSPACE_K, 1);
    const auto rgb = header(8, CUPS_CSPACE_RGB, 3);
    Case cases[] = {
        {"gray 1 bit", header(1, CUPS_CSPACE_K, 1), 1, true},
        {"gray 2 bits", header(2, CUPS_CSPACE_K, 1), 1, true},
        {"gray 8 bits", gray8, 1, true},
        {"white 8 bits", header(8, CUPS_CSPACE_W, 1), 1, true},
        {"rgb 8 bits", rgb, 3, true},
        {"cmyk 8 bits", header(8, CUPS_CSPACE_CMYK, 4), 4, true},
        {"gray 4 bits", header(4, CUPS_CSPACE_K, 1), 1, false},
        {"gray 16 bits", header(16, CUPS_CSPACE_K, 1), 1, false},
        {"rgb 16 bits", header(16, CUPS_CSPACE_RGB, 3), 3, false},
        {"rgb 1 bit", header(1, CUPS_CSPACE_RGB, 3), 3, false},
        {"zero bits", header(0, CUPS_CSPACE_K, 1), 1, false},
        {"rgb page in a gray job", rgb, 1, false},
        {"gray page in an rgb job", gray8, 3, false},
        {"banded rgb", with(rgb, [](auto& h) { h.cupsColorOrder = CUPS_ORDER_BANDED; }), 3, false},
        {"zero width", with(gray8, [](auto& h) { h.cupsWidth = 0; }), 1, false},
        {"zero height", with(gray8, [](auto& h) { h.cupsHeight = 0; }), 1, false},
        {"absurd width",
         with(gray8,
              [](auto& h) {
                  h.cupsWidth = 4000000000u;
                  h.cupsBytesPerLine = 4000000000u;
              }),
         1, false},
        {"absurd height", with(gray8, [](auto& h) { h.cupsHeight = 4000000000u; }), 1, false},
        {"bytes per line too small", with(gray8, [](auto& h) { h.cupsBytesPerLine = 99; }), 1,
         false},
        {"bytes per line absurd", with(gray8, [](auto& h) { h.cupsBytesPerLine = 1u << 30; }), 1,
         false},
        {"no resolution", with(gray8, [](auto& h) { h.HWResolution[0] = 0; }), 1, false},
        {"bits per pixel not a multiple", with(gray8, [](auto& h) { h.cupsBitsPerPixel = 12; }), 1,
         false},
    };
    for (const Case& c : cases) {
        auto why = vel::unprintablePage(c.h, c.planeCount);
        EXPECT_EQ(!why.has_value(), c.printable) << c.name << ": " << why.value_or("printable");
    }
}

TEST(PlaneCount, FollowsTheColourSpace) {
    EXPECT_EQ(vel::planeCountFor(header(8, CUPS_CSPACE_CMYK, 4)), 4);
    EXPECT_EQ(vel::planeCountFor(header(8, CUPS_CSPACE_RGB, 3)), 3);
    EXPECT_EQ(vel::planeCountFor(header(8, CUPS_CSPACE_CMY, 3)), 3);
    EXPECT_EQ(vel::planeCountFor(header(8, CUPS_CSPACE_K, 1)), 1);
    EXPECT_EQ(vel::planeCountFor(header(8, CUPS_CSPACE_SRGB, 3)), 1);
}

} // namespace
