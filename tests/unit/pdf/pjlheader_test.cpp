#include "pdfjob.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <vector>

using vel::PdfJobSettings;

namespace {

// 2026-03-04 05:06:07 UTC
constexpr std::time_t kNow = 1772600767;

class PjlHeader : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    std::string header(const PdfJobSettings& job, size_t budget = vel::kMaxHeader) {
        log_.clear();
        return vel::buildPjlHeader(
            job, [this](std::string_view t) { log_ += t; }, kNow, budget);
    }
    std::string log_;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

TEST_F(PjlHeader, NoOptionsGivesTheBareHeader) {
    PdfJobSettings job;
    job.title = "Report";
    job.userName = "alice";
    job.copies = 1;
    EXPECT_EQ(header(job), "\x1b%-12345X@PJL\n"
                           "@PJL JOB\n"
                           "@PJL JOB NAME=\"Report 260304 050607\"\n"
                           "@PJL SET USERNAME=\"alice\"\n"
                           "@PJL SET QTY=1\n"
                           "@PJL SET RESOLUTION=600\n"
                           "@PJL SET KCOLORMODE=MONO\n"
                           "@PJL SET PAPER=\n"
                           "@PJL SET DUPLEX=OFF\n"
                           "@PJL SET KJOBMANAGERCODE=\n"
                           "@PJL SET JOBOFFSET=OFF\n"
                           "@PJL SET LPARM:PDF KMULTIPAGE=ONE\n"
                           "@PJL ENTER LANGUAGE=PDF\n");
    EXPECT_EQ(log_, "");
}

TEST_F(PjlHeader, EachSettingWritesItsLines) {
    struct Case {
        const char* name;
        std::function<void(PdfJobSettings&)> set;
        std::string expected; // consecutive lines that must appear
        std::string absent;   // text that must not appear
    };
    const Case cases[] = {
        {"uncollated copies",
         [](auto& j) {
             j.uncollated = true;
             j.copies = 3;
         },
         "@PJL SET COPIES=3\n", "QTY"},
        {"collated copies", [](auto& j) { j.copies = 3; }, "@PJL SET QTY=3\n", "COPIES"},
        {"300 dpi", [](auto& j) { j.lowResolution = true; }, "@PJL SET RESOLUTION=300\n", ""},
        {"colour", [](auto& j) { j.monochrome = false; }, "@PJL SET KCOLORMODE=COLOR\n", ""},
        {"paper", [](auto& j) { j.paperSize = 3; }, "@PJL SET PAPER=FF8.5X13.5\n", ""},
        {"paper code 22", [](auto& j) { j.paperSize = 22; }, "@PJL SET PAPER=\n", ""},
        {"media", [](auto& j) { j.mediaType = 16; }, "@PJL SET MEDIATYPE=FINE\n", ""},
        {"printer's media", [](auto& j) { j.mediaType = 0; }, "", "MEDIATYPE"},
        {"media out of table", [](auto& j) { j.mediaType = 26; }, "", "MEDIATYPE"},
        {"short edge", [](auto& j) { j.duplex = 1; },
         "@PJL SET DUPLEX=ON\n@PJL SET BINDING=SHORTEDGE\n", "DUPLEX=OFF"},
        {"long edge", [](auto& j) { j.duplex = 2; },
         "@PJL SET DUPLEX=ON\n@PJL SET BINDING=LONGEDGE\n", ""},
        {"tray 1", [](auto& j) { j.inputTray = 1; }, "@PJL SET KINTRAYSELECT=INTRAY2\n", ""},
        {"tray 5", [](auto& j) { j.inputTray = 5; }, "@PJL SET KINTRAYSELECT=INTRAY1\n", ""},
        // No tray of ours: the printer chooses, no empty tray name.
        {"no tray", [](auto& j) { j.inputTray = 0; }, "", "KINTRAYSELECT"},
        {"tray 6", [](auto& j) { j.inputTray = 6; }, "", "KINTRAYSELECT"},
        {"storage on", [](auto& j) { j.jobStorage = 1; }, "", "HOLD"},
        {"no hold", [](auto& j) { j.jobStorage = 2; }, "@PJL SET HOLD=OFF\n", ""},
        {"quick copy", [](auto& j) { j.jobStorage = 3; }, "@PJL SET HOLD=ON\n", "HOLDTYPE"},
        {"proof", [](auto& j) { j.jobStorage = 4; }, "@PJL SET HOLD=PROOF\n", ""},
        {"job storage",
         [](auto& j) {
             j.jobStorage = 5;
             j.accessCode = "1234";
         },
         "@PJL SET HOLD=STORE\n@PJL SET HOLDTYPE=PRIVATE\n@PJL SET HOLDKEY=\"1234\"\n", ""},
        {"private print",
         [](auto& j) {
             j.jobStorage = 6;
             j.accessCode = "99";
         },
         "@PJL SET HOLD=ON\n@PJL SET HOLDTYPE=PRIVATE\n@PJL SET HOLDKEY=\"99\"\n", ""},
        {"custom box",
         [](auto& j) {
             j.jobStorage = 7;
             j.customBoxNumber = 12;
             j.customBoxPassword = "pw";
         },
         "@PJL SET HOLD=KUSERBOX\n@PJL SET KUSERBOXID=\"12\"\n@PJL SET KUSERBOXPASSWORD=\"pw\"\n",
         ""},
        {"accounting", [](auto& j) { j.jobManagerCode = "1234"; },
         "@PJL SET KJOBMANAGERCODE=1234\n", ""},
        {"accounting off", [](auto& j) { j.jobManagerCode = "Default"; }, "", "KJOBMANAGERCODE"},
        {"notice", [](auto& j) { j.finishNotice = "me@example.org"; },
         "@PJL SET KJOBFINISHNOTICE=\"me@example.org\"\n", ""},
        // The settings application stores "off" when the notice is switched off.
        {"notice off", [](auto& j) { j.finishNotice = "off"; }, "", "KJOBFINISHNOTICE"},
        {"booklet left", [](auto& j) { j.booklet = 1; }, "@PJL SET KBOOKLET=LEFTBIND\n", ""},
        {"booklet right", [](auto& j) { j.booklet = 2; }, "@PJL SET KBOOKLET=RIGHTBIND\n", ""},
        {"bifold",
         [](auto& j) {
             j.foldMode = 1;
             j.bifoldSheets = 3;
             j.trifoldSheets = 2;
         },
         "@PJL SET KBOOKLETFOLD=TWO\n@PJL SET KBOOKLETCOUNT=3\n@PJL SET JOBOFFSET", ""},
        {"bifold without count", [](auto& j) { j.foldMode = 1; }, "@PJL SET KBOOKLETFOLD=TWO\n",
         "KBOOKLETCOUNT"},
        {"trifold",
         [](auto& j) {
             j.foldMode = 2;
             j.trifoldSheets = 5;
             j.foldSides = 1;
             j.foldOrder = 1;
         },
         "@PJL SET KBOOKLETFOLD=THREE-SCROLL\n@PJL SET KBOOKLETCOUNT=5\n"
         "@PJL SET KBOOKLETTWOSIDES=INSIDE\n@PJL SET KBOOKLETRIGHTANDLEFT=LEFTUP\n",
         ""},
        {"trifold other way",
         [](auto& j) {
             j.foldMode = 2;
             j.foldSides = 2;
             j.foldOrder = 2;
         },
         "@PJL SET KBOOKLETFOLD=THREE-SCROLL\n@PJL SET KBOOKLETTWOSIDES=OUTSIDE\n"
         "@PJL SET KBOOKLETRIGHTANDLEFT=RIGHTUP\n",
         "KBOOKLETCOUNT"},
        {"fold sides without fold",
         [](auto& j) {
             j.foldSides = 1;
             j.foldOrder = 1;
         },
         "", "KBOOKLET"},
        {"punch before staple",
         [](auto& j) {
             j.punch = 1;
             j.staple = 1;
         },
         "@PJL SET FINISH=KPUNCH\n@PJL SET KPUNCHOPTION=SUB1\n@PJL SET KPUNCHPOSITION=FRONT\n"
         "@PJL SET FINISH=STAPLE\n@PJL SET STAPLEOPTION=ONEOPPOSED\n",
         ""},
        {"punch 3 holes", [](auto& j) { j.punch = 2; }, "@PJL SET KPUNCHOPTION=MAIN\n", ""},
        {"staple centre", [](auto& j) { j.staple = 2; }, "@PJL SET STAPLEOPTION=TWO\n", ""},
        {"staple rear", [](auto& j) { j.staple = 3; }, "@PJL SET STAPLEOPTION=ONE\n", ""},
        {"offset", [](auto& j) { j.jobOffset = 1; }, "@PJL SET JOBOFFSET=ON\n", ""},
        {"two up", [](auto& j) { j.pagesPerSheet = 2; }, "@PJL SET LPARM:PDF KMULTIPAGE=TWO\n", ""},
        {"four up", [](auto& j) { j.pagesPerSheet = 4; }, "@PJL SET LPARM:PDF KMULTIPAGE=FOUR\n",
         ""},
        {"no date", [](auto& j) { j.printJobDate = false; }, "@PJL JOB NAME=\"T\"\n", ""},
        {"custom name",
         [](auto& j) {
             j.useCustomJobName = true;
             j.customJobName = "Mine";
         },
         "@PJL JOB NAME=\"Mine 260304 050607\"\n", ""},
        {"custom name unused", [](auto& j) { j.customJobName = "Mine"; },
         "@PJL JOB NAME=\"T 260304 050607\"\n", "Mine"},
    };
    for (const Case& c : cases) {
        PdfJobSettings job;
        job.title = "T";
        c.set(job);
        std::string h = header(job);
        EXPECT_NE(h.find(c.expected), std::string::npos) << c.name << "\n" << h;
        if (!c.absent.empty()) {
            EXPECT_EQ(h.find(c.absent), std::string::npos) << c.name << "\n" << h;
        }
        EXPECT_EQ(h.substr(h.size() - 24), "@PJL ENTER LANGUAGE=PDF\n") << c.name;
    }
}

TEST_F(PjlHeader, OrvexLoginComesBeforeTheUsersOwn) {
    PdfJobSettings job;
    job.orvLogin = true;
    job.orvLoginName = "orvuser";
    job.orvLoginToken = "token";
    job.loginName = "me";
    job.loginPassword = "secret";
    std::string h = header(job);
    size_t orv = h.find("@PJL SET KLOGINID=\"orvuser\"\n@PJL SET KLOGINPWD=\"token\"\n");
    size_t user = h.find("@PJL SET USERNAME");
    size_t own = h.find("@PJL SET KLOGINID=\"me\"\n@PJL SET KLOGINPWD=\"secret\"\n");
    ASSERT_NE(orv, std::string::npos);
    ASSERT_NE(own, std::string::npos);
    EXPECT_LT(orv, user);
    EXPECT_LT(user, own);

    job.orvLogin = false;
    job.loginName.clear();
    EXPECT_EQ(header(job).find("KLOGIN"), std::string::npos) << "no login, no password line";
}

TEST_F(PjlHeader, JobNameFitsItsBudget) {
    std::string ascii(100, 'a');
    std::string e2; // "é" is two bytes
    for (int i = 0; i < 50; ++i)
        e2 += "\xc3\xa9";
    std::string e3; // "€" is three bytes
    for (int i = 0; i < 40; ++i)
        e3 += "\xe2\x82\xac";
    struct Case {
        const char* name;
        std::string source;
        bool date;
        size_t bytes;
    } cases[] = {
        {"ascii with date", ascii, true, 64},
        {"ascii without date", ascii, false, 77},
        {"short", "short", true, 5},
        {"exactly the budget", std::string(66, 'b'), true, 64},
        {"two-byte with date", e2, true, 64},
        {"two-byte without date", e2, false, 78},
        {"three-byte without date", e3, false, 78},
        {"three-byte with date", e3, true, 63}, // never half a character
    };
    for (const Case& c : cases) {
        PdfJobSettings job;
        job.title = c.source;
        job.printJobDate = c.date;
        std::string name = vel::headerJobName(job);
        EXPECT_EQ(name.size(), c.bytes) << c.name;
        EXPECT_EQ(name, c.source.substr(0, name.size())) << c.name;
        std::string line = lines(header(job))[2];
        EXPECT_LE(line.size() + 1, 96u) << c.name;
    }
}

TEST_F(PjlHeader, QuotedValuesCannotBreakOutOfTheirLine) {
    PdfJobSettings job;
    job.title = "Evil\"\n@PJL SET KCOLORMODE=COLOR\n\x1b%-12345X";
    job.userName = "bob\"\r\n@PJL ENTER LANGUAGE=PCL";
    job.loginName = "x\"\ny";
    job.loginPassword = "p\"w";
    job.finishNotice = "a\"@b";
    job.jobManagerCode = "12\n@PJL SET COPIES=99";
    std::string h = header(job);
    std::vector<std::string> ls = lines(h);
    ASSERT_GE(ls.size(), 3u);
    for (size_t i = 1; i < ls.size(); ++i) {
        EXPECT_EQ(ls[i].rfind("@PJL ", 0), 0u) << ls[i];
        EXPECT_EQ(ls[i].find('\x1b'), std::string::npos) << ls[i];
        EXPECT_EQ(ls[i].find('\r'), std::string::npos) << ls[i];
        size_t quotes = std::count(ls[i].begin(), ls[i].end(), '"');
        EXPECT_TRUE(quotes == 0 || quotes == 2) << ls[i];
    }
    for (const std::string& l : ls) {
        EXPECT_NE(l, "@PJL SET KCOLORMODE=COLOR");
        EXPECT_NE(l, "@PJL SET COPIES=99");
        EXPECT_NE(l, "@PJL ENTER LANGUAGE=PCL");
    }
    EXPECT_EQ(h.find("\x1b", 1), std::string::npos) << "one UEL only, at the start";
}

TEST_F(PjlHeader, OversizedValuesNeverMakeALineTooLong) {
    PdfJobSettings job;
    std::string longUser;
    for (int i = 0; i < 400; ++i)
        longUser += "\xc3\xa9";
    job.userName = longUser;
    job.loginName = "me";
    job.loginPassword = std::string(1000, 'p');
    job.jobManagerCode = std::string(1000, '7');
    job.jobStorage = 6;
    job.accessCode = std::string(300, '1');
    std::string h = header(job);
    for (const std::string& l : lines(h))
        EXPECT_LE(l.size() + 1, 255u) << l.substr(0, 40);

    // The informational user name is cut on a character boundary...
    std::string user = lines(h)[3];
    ASSERT_EQ(user.rfind("@PJL SET USERNAME=\"", 0), 0u);
    EXPECT_EQ(user.back(), '"');
    EXPECT_EQ(user.size(), 254u) << "the line takes all the room, in whole characters";
    // ...while a cut password, PIN or account would be a different one: left out.
    EXPECT_NE(h.find("@PJL SET KLOGINID=\"me\"\n"), std::string::npos);
    EXPECT_EQ(h.find("KLOGINPWD"), std::string::npos);
    EXPECT_EQ(h.find("KJOBMANAGERCODE"), std::string::npos);
    EXPECT_NE(h.find("@PJL SET HOLD=ON\n@PJL SET HOLDTYPE=PRIVATE\n"), std::string::npos)
        << "the job stays held even without its PIN";
    EXPECT_EQ(h.find("HOLDKEY"), std::string::npos);
    EXPECT_NE(log_.find("WARNING: The KLOGINPWD value is too long"), std::string::npos) << log_;
    EXPECT_NE(log_.find("WARNING: The KJOBMANAGERCODE value"), std::string::npos) << log_;
    EXPECT_NE(log_.find("WARNING: The HOLDKEY value"), std::string::npos) << log_;
}

TEST_F(PjlHeader, LinesBeyondTheBudgetAreSkippedOneByOne) {
    PdfJobSettings job;
    job.title = "T";
    job.userName = std::string(200, 'u'); // a long line that will not fit
    const std::string full = header(job);
    ASSERT_EQ(log_, "");

    // Room for the first two lines and a few short ones, not the user name.
    size_t firstTwo = full.find("@PJL SET USERNAME");
    std::string h = header(job, firstTwo + 40);
    EXPECT_EQ(h.substr(0, firstTwo), full.substr(0, firstTwo));
    EXPECT_EQ(h.find("USERNAME"), std::string::npos);
    EXPECT_NE(h.find("@PJL SET QTY=0\n"), std::string::npos) << "a later short line still fits";
    EXPECT_LT(h.size(), firstTwo + 40);
    EXPECT_EQ(h.find("ENTER LANGUAGE"), std::string::npos);
    size_t skipped = 0;
    for (size_t p = 0; (p = log_.find("Header too long\n", p)) != std::string::npos; ++p)
        ++skipped;
    EXPECT_EQ(skipped, lines(full).size() - lines(h).size());
}

TEST_F(PjlHeader, LogCopyMasksSecrets) {
    PdfJobSettings job;
    job.loginName = "me";
    job.loginPassword = "hunter2";
    job.orvLogin = true;
    job.orvLoginName = "o";
    job.orvLoginToken = "tok";
    job.jobStorage = 7;
    job.customBoxPassword = "boxpw";
    std::string h = header(job);
    std::string logged = vel::headerForLog(h);
    for (const char* secret : {"hunter2", "tok\"", "boxpw"}) {
        EXPECT_NE(h.find(secret), std::string::npos) << secret;
        EXPECT_EQ(logged.find(secret), std::string::npos) << secret;
    }
    EXPECT_NE(logged.find("@PJL SET KLOGINPWD=\"****\"\n"), std::string::npos);
    EXPECT_NE(logged.find("@PJL SET KLOGINID=\"me\"\n"), std::string::npos);
    EXPECT_EQ(lines(logged).size(), lines(h).size());
}

TEST(OrvexCommentLines, ReportTheFinalColourAndDuplex) {
    PdfJobSettings job;
    job.orvServer = "orvex.example.org";
    EXPECT_EQ(vel::orvexCommentLines(job), "\n%!R! CMNT Vorx=orvex.example.org; EXIT;\n"
                                           "%!R! CMNT Colormode=BLACK_AND_WHITE; EXIT;\n"
                                           "%!R! CMNT Duplex=SIMPLEX; EXIT;\n");
    job.monochrome = false;
    job.duplex = 1;
    std::string c = vel::orvexCommentLines(job);
    EXPECT_NE(c.find("Colormode=FULL_COLOR"), std::string::npos);
    EXPECT_NE(c.find("Duplex=DUPLEX"), std::string::npos);

    job.orvServer = "evil; EXIT;!R! FRPO X0,1; EXIT;\n";
    EXPECT_EQ(vel::orvexCommentLines(job).substr(0, 56),
              "\n%!R! CMNT Vorx=evil? EXIT?!R! FRPO X0,1? EXIT??; EXIT;\n");
}

} // namespace
