#include "orvex.h"
#include "policy.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using vel::OrvexPolicy;

std::string describe(const OrvexPolicy& p) {
    return vel::format("version=%s user=%s token=%s color=%d print=%d scan=%d eco=%d duplex=%d "
                       "credit=%d %ld/%ld quota=%d %d/%d usertoken=%s",
                       p.versionNumber.c_str(), p.driverUser.c_str(), p.driverToken.c_str(),
                       p.fullColorRestricted, p.printRestricted, p.scanRestricted,
                       p.ecoPrintRestricted, p.duplexRestricted, p.creditAccounting,
                       p.creditRemaining, p.creditMinimum, p.quotaAccounting, p.totalPagesAction,
                       p.colorPagesAction, p.userToken.c_str());
}

std::string reply(const std::string& policies) {
    return "<string xmlns=\"http://tempuri.org/\">{\"VersionNumber\":\"1\",\"Policies\":" +
           policies + "}</string>";
}

TEST(LoginReply, MemberRules) {
    struct Case {
        const char* name;
        std::string policies;
        std::function<void(OrvexPolicy&)> expect; // changes from an empty policy
    } cases[] = {
        {"colour ON", R"({"JE.FullColorPrint":"ON"})",
         [](OrvexPolicy& p) { p.fullColorRestricted = true; }},
        {"colour PV.On", R"({"JE.FullColorPrint":"PV.On"})",
         [](OrvexPolicy& p) { p.fullColorRestricted = true; }},
        {"lower-case on is off", R"({"JE.FullColorPrint":"on"})", [](OrvexPolicy&) {}},
        {"JSON true is not a string", R"({"JE.FullColorPrint":true})", [](OrvexPolicy&) {}},
        {"member names are case-sensitive", R"({"je.fullcolorprint":"ON"})", [](OrvexPolicy&) {}},
        {"every flag",
         R"({"JE.FullColorPrint":"ON","JE.MonoPrint":"ON","JE.Scan":"ON",
             "DR.EcoPrintRestriction":"ON","DR.DuplexRestriction":"PV.On"})",
         [](OrvexPolicy& p) {
             p.fullColorRestricted = p.printRestricted = p.scanRestricted = true;
             p.ecoPrintRestricted = p.duplexRestricted = true;
         }},
        {"credit without minimum", R"({"Credit_accounting":"ON","Credit_remaining":"12"})",
         [](OrvexPolicy& p) {
             p.creditAccounting = true;
             p.creditRemaining = 12;
         }},
        {"credit takes the leading number",
         R"({"Credit_accounting":"ON","Credit_remaining":"7 units","Credit_minimum":"-3"})",
         [](OrvexPolicy& p) {
             p.creditAccounting = true;
             p.creditRemaining = 7;
             p.creditMinimum = -3;
         }},
        {"credit numbers that are JSON numbers are absent",
         R"({"Credit_accounting":"ON","Credit_remaining":5,"Credit_minimum":"x"})",
         [](OrvexPolicy& p) {
             p.creditAccounting = true;
             p.creditMinimum = 0;
         }},
        {"credit numbers ignored without accounting",
         R"({"Credit_remaining":"5","Credit_minimum":"1"})", [](OrvexPolicy&) {}},
        {"quota actions",
         R"({"Quota_accounting":"ON","Disable_Operation_TotalPages":"color",
             "Disable_Operation_Color":"print"})",
         [](OrvexPolicy& p) {
             p.quotaAccounting = true;
             p.totalPagesAction = 2;
             p.colorPagesAction = 1;
         }},
        {"quota printandcolor and unknown",
         R"({"Quota_accounting":"ON","Disable_Operation_TotalPages":"printandcolor",
             "Disable_Operation_Color":"Color"})",
         [](OrvexPolicy& p) {
             p.quotaAccounting = true;
             p.totalPagesAction = 1;
         }},
        {"quota actions ignored without accounting", R"({"Disable_Operation_TotalPages":"print"})",
         [](OrvexPolicy&) {}},
        {"texts",
         R"({"DriverAccess.Username":"drv","DriverAccess.PasswordToken":"t0k","UserToken":"u"})",
         [](OrvexPolicy& p) {
             p.driverUser = "drv";
             p.driverToken = "t0k";
             p.userToken = "u";
         }},
        {"long text is cut to 256 bytes",
         "{\"DriverAccess.PasswordToken\":\"" + std::string(300, 'k') + "\"}",
         [](OrvexPolicy& p) { p.driverToken = std::string(256, 'k'); }},
        {"text ends at a line break",
         R"({"DriverAccess.PasswordToken":"abc\r\n@PJL SET X=1","DriverAccess.Username":7})",
         [](OrvexPolicy& p) { p.driverToken = "abc"; }},
    };
    for (const Case& c : cases) {
        auto got = vel::parseLoginReply(reply(c.policies));
        ASSERT_TRUE(got) << c.name;
        OrvexPolicy want;
        want.versionNumber = "1";
        c.expect(want);
        EXPECT_EQ(describe(*got), describe(want)) << c.name;
    }
}

TEST(LoginReply, BodiesWithoutAPolicy) {
    struct Case {
        const char* name;
        std::string body;
    } cases[] = {
        {"empty", ""},
        {"no wrapper", R"({"VersionNumber":"1","Policies":{}})"},
        {"no closing element", R"(<string>{"VersionNumber":"1","Policies":{}})"},
        {"invalid JSON", "<string>{\"Policies\":{</string>"},
        {"no Policies", R"(<string>{"VersionNumber":"1"}</string>)"},
        {"Policies not an object", R"(<string>{"Policies":["JE.MonoPrint"]}</string>)"},
        {"root not an object", "<string>[1,2]</string>"},
        {"error page", "<html><body>500 Internal Server Error</body></html>"},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(vel::parseLoginReply(c.body)) << c.name;

    // Anything around the wrapper is ignored; VersionNumber is optional.
    auto p = vel::parseLoginReply("<string a=\"b\">{\"Policies\":{\"JE.MonoPrint\":\"ON\"}}"
                                  "</string>trailing");
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->printRestricted);
    EXPECT_EQ(p->versionNumber, "");
}

TEST(LoginRequest, FormEncodingKeepsOrdinaryTextAndEscapesSeparators) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"alice", "alice"},
        {"j.doe@example.com", "j.doe@example.com"},
        {"Grüße-!$'()*,;:/?~_", "Grüße-!$'()*,;:/?~_"},
        {"a&b=c+d%e", "a%26b%3Dc%2Bd%25e"},
        {"two words\n", "two%20words%0A"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vel::formEncode(c.in), c.out) << c.in;

    vel::OrvexSettings s;
    s.server = "orvex.example";
    s.port = "8443";
    s.userName = "bob";
    s.password = "p&ss=1";
    EXPECT_EQ(vel::loginBody(s), "userID=bob&userPWD=p%26ss%3D1");
    EXPECT_EQ(vel::loginUrl(s), "https://orvex.example:8443/ws/user_manager/MobileAccess/"
                                "MobileAccessRestService/loginPost");
}

// The raster filter's policy steps on a CUPS option set.
TEST(RasterPolicy, DecidesAndChangesTheJob) {
    struct Case {
        const char* name;
        std::function<void(OrvexPolicy&)> policy;
        bool duplexNotice, blocking;
        const char* options;
        bool refused;
        const char* reason;
        const char* duplexAfter; // null: no Duplex option
    } cases[] = {
        {"nothing restricted", [](OrvexPolicy&) {}, false, false, "ColorModel=RGB Duplex=None",
         false, "", "None"},
        {"colour refused", [](OrvexPolicy& p) { p.fullColorRestricted = true; }, false, false,
         "ColorModel=RGB", true, "\nColor Mode", nullptr},
        {"grey passes colour restriction", [](OrvexPolicy& p) { p.fullColorRestricted = true; },
         false, false, "ColorModel=Gray", false, "", nullptr},
        {"colour and duplex add up",
         [](OrvexPolicy& p) { p.fullColorRestricted = p.duplexRestricted = true; }, true, false,
         "ColorModel=RGB Duplex=None", true, "\nColor Mode\nDuplex", "None"},
        {"simplex forced to long edge", [](OrvexPolicy& p) { p.duplexRestricted = true; }, false,
         false, "Duplex=None", false, "", "DuplexNoTumble"},
        {"simplex blocked silently", [](OrvexPolicy& p) { p.duplexRestricted = true; }, false, true,
         "Duplex=None", true, "", "None"},
        {"notice wins over blocking", [](OrvexPolicy& p) { p.duplexRestricted = true; }, true, true,
         "Duplex=None", true, "\nDuplex", "None"},
        {"short edge left alone", [](OrvexPolicy& p) { p.duplexRestricted = true; }, true, true,
         "Duplex=DuplexTumble", false, "", "DuplexTumble"},
        {"no Duplex option, no duplex step", [](OrvexPolicy& p) { p.duplexRestricted = true; },
         true, true, "ColorModel=Gray", false, "", nullptr},
        {"credit at the minimum",
         [](OrvexPolicy& p) {
             p.creditAccounting = true;
             p.creditRemaining = p.creditMinimum = 5;
         },
         false, false, "", true, "Credit", nullptr},
        {"credit above the minimum",
         [](OrvexPolicy& p) {
             p.creditAccounting = true;
             p.creditRemaining = 6;
             p.creditMinimum = 5;
         },
         false, false, "", false, "", nullptr},
        {"credit replaces colour",
         [](OrvexPolicy& p) {
             p.fullColorRestricted = p.creditAccounting = true;
             p.creditRemaining = 0;
             p.creditMinimum = 1;
         },
         false, false, "ColorModel=RGB", true, "Credit", nullptr},
        {"printer wins over credit",
         [](OrvexPolicy& p) {
             p.creditAccounting = p.printRestricted = true;
             p.creditRemaining = p.creditMinimum = 0;
         },
         false, false, "", true, "Printer", nullptr},
        {"quota on all pages",
         [](OrvexPolicy& p) {
             p.quotaAccounting = true;
             p.totalPagesAction = 1;
         },
         false, false, "ColorModel=Gray", true, "Quota", nullptr},
        {"colour quota, grey job",
         [](OrvexPolicy& p) {
             p.quotaAccounting = true;
             p.colorPagesAction = 2;
         },
         false, false, "ColorModel=Gray", false, "", nullptr},
        {"colour quota, colour job",
         [](OrvexPolicy& p) {
             p.quotaAccounting = true;
             p.totalPagesAction = 2;
         },
         false, false, "ColorModel=RGB", true, "Quota", nullptr},
        {"actions without quota accounting",
         [](OrvexPolicy& p) { p.totalPagesAction = p.colorPagesAction = 1; }, false, false, "",
         false, "", nullptr},
        {"printing not allowed", [](OrvexPolicy& p) { p.printRestricted = true; }, false, false, "",
         true, "Printer", nullptr},
    };
    for (const Case& c : cases) {
        OrvexPolicy policy;
        c.policy(policy);
        vel::OrvexSettings settings;
        settings.duplexNotice = c.duplexNotice;
        settings.blocking = c.blocking;
        cups_option_t* options = nullptr;
        int num = cupsParseOptions(c.options, 0, &options);
        vel::PolicyOutcome out = vel::decideRasterPolicy(num, options, policy, settings);
        EXPECT_EQ(out.refused, c.refused) << c.name;
        EXPECT_EQ(out.reason, c.reason) << c.name;
        const char* duplex = cupsGetOption("Duplex", num, options);
        EXPECT_EQ(duplex ? std::string(duplex) : "(none)", c.duplexAfter ? c.duplexAfter : "(none)")
            << c.name;
        cupsFreeOptions(num, options);
    }
}

TEST(RasterPolicy, NoPolicyRefusesWithoutANotice) {
    cups_option_t* options = nullptr;
    int num = 0;
    std::string log;
    auto verdict = vel::applyPolicy(num, options, std::nullopt, vel::OrvexSettings{},
                                    [&](std::string_view t) { log += t; });
    EXPECT_EQ(verdict, vel::PolicyVerdict::Refused);
    EXPECT_EQ(log, "");
}

} // namespace
