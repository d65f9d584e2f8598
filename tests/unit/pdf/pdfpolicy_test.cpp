#include "pdfjob.h"

#include <gtest/gtest.h>

using vel::OrvexPolicy;
using vel::OrvexSettings;
using vel::PdfJobSettings;

namespace {

TEST(PdfPolicy, ColourAndDuplexRulesWorkOnTheRecord) {
    struct Case {
        const char* name;
        void (*setPolicy)(OrvexPolicy&);
        bool notice, blocking;
        void (*setJob)(PdfJobSettings&);
        bool refused;
        std::string reason;
        bool monochrome;
        int duplex;
    };
    auto colourJob = [](PdfJobSettings& j) { j.monochrome = false; };
    auto monoJob = [](PdfJobSettings&) {};
    auto noColour = [](OrvexPolicy& p) { p.fullColorRestricted = true; };
    auto mustDuplex = [](OrvexPolicy& p) { p.duplexRestricted = true; };
    auto both = [](OrvexPolicy& p) { p.fullColorRestricted = p.duplexRestricted = true; };
    const Case cases[] = {
        {"colour printed mono", noColour, false, false, colourJob, false, "", true, 0},
        {"colour with notice", noColour, true, false, colourJob, true, "\nColor Mode", false, 0},
        {"colour blocked", noColour, false, true, colourJob, true, "", false, 0},
        {"mono passes", noColour, true, true, monoJob, false, "", true, 0},
        {"simplex made long edge", mustDuplex, false, false, monoJob, false, "", true, 2},
        {"simplex with notice", mustDuplex, true, false, monoJob, true, "\nDuplex", true, 0},
        {"simplex blocked", mustDuplex, false, true, monoJob, true, "", true, 0},
        {"short edge kept", mustDuplex, true, false, [](auto& j) { j.duplex = 1; }, false, "", true,
         1},
        {"transparency stays one-sided", mustDuplex, true, true, [](auto& j) { j.mediaType = 2; },
         false, "", true, 0},
        {"coated stays one-sided", mustDuplex, false, false, [](auto& j) { j.mediaType = 15; },
         false, "", true, 0},
        {"thick paper is turned", mustDuplex, false, false, [](auto& j) { j.mediaType = 14; },
         false, "", true, 2},
        {"A6 stays one-sided", mustDuplex, false, false, [](auto& j) { j.paperSize = 8; }, false,
         "", true, 0},
        {"envelope DL stays one-sided", mustDuplex, false, false, [](auto& j) { j.paperSize = 18; },
         false, "", true, 0},
        {"executive is turned", mustDuplex, false, false, [](auto& j) { j.paperSize = 20; }, false,
         "", true, 2},
        {"both with notice", both, true, false, colourJob, true, "\nColor Mode\nDuplex", false, 0},
        {"both silently", both, false, false, colourJob, false, "", true, 2},
        {"no restriction", [](OrvexPolicy&) {}, true, true, colourJob, false, "", false, 0},
    };
    for (const Case& c : cases) {
        OrvexPolicy policy;
        c.setPolicy(policy);
        OrvexSettings settings;
        settings.duplexNotice = c.notice;
        settings.blocking = c.blocking;
        PdfJobSettings job;
        c.setJob(job);
        vel::PolicyOutcome out = vel::decidePdfPolicy(job, policy, settings);
        EXPECT_EQ(out.refused, c.refused) << c.name;
        EXPECT_EQ(out.reason, c.reason) << c.name;
        EXPECT_EQ(job.monochrome, c.monochrome) << c.name;
        EXPECT_EQ(job.duplex, c.duplex) << c.name;
    }
}

TEST(PdfPolicy, AccountingSeesTheColourAfterTheColourRule) {
    OrvexPolicy policy;
    policy.quotaAccounting = true;
    policy.colorPagesAction = 2; // colour pages used up
    OrvexSettings settings;

    PdfJobSettings mono;
    EXPECT_FALSE(vel::decidePdfPolicy(mono, policy, settings).refused);

    PdfJobSettings colour;
    colour.monochrome = false;
    vel::PolicyOutcome out = vel::decidePdfPolicy(colour, policy, settings);
    EXPECT_TRUE(out.refused);
    EXPECT_EQ(out.reason, "Quota");

    // Forced to black and white first, it no longer uses colour pages.
    policy.fullColorRestricted = true;
    PdfJobSettings forced;
    forced.monochrome = false;
    EXPECT_FALSE(vel::decidePdfPolicy(forced, policy, settings).refused);
    EXPECT_TRUE(forced.monochrome);

    OrvexPolicy credit;
    credit.creditAccounting = true;
    credit.creditRemaining = 5;
    credit.creditMinimum = 5;
    PdfJobSettings job;
    EXPECT_EQ(vel::decidePdfPolicy(job, credit, settings).reason, "Credit");
    credit.printRestricted = true;
    EXPECT_EQ(vel::decidePdfPolicy(job, credit, settings).reason, "Printer");
}

TEST(PdfPolicy, NoPolicyStopsTheJob) {
    PdfJobSettings job;
    EXPECT_EQ(vel::applyPolicy(job, std::nullopt, OrvexSettings{}, vel::nullLog()),
              vel::PolicyVerdict::Refused);
}

TEST(PdfPolicy, OrvexLoginIsTakenIntoTheRecord) {
    OrvexPolicy policy;
    policy.driverUser = "drv";
    policy.driverToken = "tok";
    OrvexSettings settings;
    settings.server = "orvex.example.org";
    PdfJobSettings job;
    vel::takeOrvexLogin(job, policy, settings);
    EXPECT_TRUE(job.orvLogin);
    EXPECT_EQ(job.orvLoginName, "drv");
    EXPECT_EQ(job.orvLoginToken, "tok");
    EXPECT_EQ(job.orvServer, "orvex.example.org");
}

} // namespace
