#include "credential.h"
#include "rasterjob.h"

#include "tempdatadir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Line ends and ESC made visible, one PJL line per output line, so a failing
// comparison shows exactly which byte differs.
std::string visible(const std::string& bytes) {
    std::string out;
    for (char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n\n";
        else if (c == '\x1b')
            out += "<ESC>";
        else
            out += c;
    }
    return out;
}

// A job whose printer stream goes to a temporary file and whose per-user files
// live in a temporary data directory.
class Envelope : public ::testing::Test {
  protected:
    void SetUp() override {
        data_ = std::make_unique<TempDataDir>();
        base_ = data_->path();
        out_ = std::tmpfile();
        jobPtr_ = std::make_unique<vel::RasterJob>();
        first_ = cups_page_header2_t{};
        job().out = vel::PrinterStream(fileno(out_));
        job().log = vel::nullLog();
        job().user = "alice";
        job().title = "report";
        job().printer = "q1";
        job().userFile = {"alice", "q1", vel::nullLog()};
        first_.NumCopies = 1;
        first_.HWResolution[0] = first_.HWResolution[1] = 600;
        first_.cupsColorSpace = CUPS_CSPACE_K;
    }
    void TearDown() override {
        jobPtr_.reset();
        std::fclose(out_);
        data_.reset();
    }
    void userFile(const std::string& text) {
        fs::create_directories(base_ + "/alice");
        std::ofstream(base_ + "/alice/q1.cfg", std::ios::binary) << text;
    }
    void options(const std::string& raw) {
        job().rawOptions = raw;
        vel::parseJobOptions(job());
    }
    std::string header() {
        vel::writeJobHeader(job(), first_);
        return written();
    }
    std::string written() {
        std::fflush(out_);
        std::string bytes;
        std::rewind(out_);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, out_)) > 0)
            bytes.append(buf, n);
        return bytes;
    }
    bool has(const std::string& bytes, const std::string& line) {
        return bytes.find(line) != std::string::npos;
    }

    std::unique_ptr<TempDataDir> data_;
    std::string base_;
    FILE* out_ = nullptr;
    vel::RasterJob& job() { return *jobPtr_; }
    std::unique_ptr<vel::RasterJob> jobPtr_;
    vel::RasterJob* jobp_ = nullptr;
    cups_page_header2_t first_{};
};

TEST_F(Envelope, RichJobHeaderAndTrailerByteForByte) {
    userFile("UserLoginName=" + *vel::encodeCredential("alice.l") + "\n" +
             "UserLoginPass=" + *vel::encodeCredential("s3cret") + "\n");
    options("JobName=Quarterly\\ report VmManagment=MG1234 VCEcoprint=ON Colorreprod=VIVID "
            "Duplex=DuplexNoTumble VCFeedingEdge=ShortEdge Coll=true ManagementCodeValue=77 "
            "VmUserLoginIDValue=cbf716b39dc39d04 "
            "VmUserLoginPasswordValue=edd86b3d602f459c3f0674822a07522a "
            "VCCollate1=PrivatePrint AccessCodeValue=4321");
    first_.NumCopies = 3;
    first_.cupsColorSpace = CUPS_CSPACE_RGB;
    vel::writeJobHeader(job(), first_);
    vel::writeJobTrailer(job());

    const std::string expected = "!R!SEM6;EXIT;"
                                 "\x1b%-12345X"
                                 "@PJL COMMENT Version 1.0\r\n"
                                 "@PJL JOB NAME=\"Quarterly report\"\n"
                                 "@PJL SET KLOGINID=\"alice.l\"\r\n"
                                 "@PJL SET KLOGINPWD=\"s3cret\"\r\n"
                                 "@PJL SET KJOBMANAGERCODE=1234\r\n"
                                 "@PJL SET ECOPRINT=ON\r\n"
                                 "@PJL SET BITSPERPIXEL=1\r\n"
                                 "@PJL SET KCOLORMODE=COLOR\r\n"
                                 "@PJL SET KCOLORPRODUCT=VIVID\r\n"
                                 "@PJL SET DUPLEX=ON\r\n"
                                 "@PJL SET BINDING=LONGEDGE\r\n"
                                 "@PJL SET KFEEDEDGE=SHORTEDGE\r\n"
                                 "@PJL SET QTY=3\n"
                                 "@PJL SET HOLD=OFF\n"
                                 "@PJL SET KJOBMANAGERCODE=77\r\n"
                                 "@PJL SET KLOGINID=\"bob\"\r\n"
                                 "@PJL SET KLOGINPWD=\"secretpassword1\"\r\n"
                                 "@PJL SET HOLD=ON\r\n"
                                 "@PJL SET HOLDTYPE=PRIVATE\r\n"
                                 "@PJL SET HOLDKEY=\"4321\"\r\n"
                                 "@PJL SET USERNAME=\"alice\"\n"
                                 "@PJL SET RESOLUTION=600\r\n"
                                 "@PJL ENTER LANGUAGE=PCL\r\n"
                                 "\x1b"
                                 "E"
                                 "\x1b%-12345X"
                                 "@PJL EOJ NAME=\"Quarterly report\"\r\n"
                                 "@PJL RDYMSG DISPLAY=\"\"\r\n"
                                 "\x1b%-12345X";
    EXPECT_EQ(visible(written()), visible(expected));
    EXPECT_EQ(job().planeCount, 3);
    EXPECT_TRUE(job().duplexOn);
    EXPECT_TRUE(job().printerCollates);
    EXPECT_FALSE(job().bookletJob);
}

TEST_F(Envelope, TrailerOfAJobWithoutPages) {
    vel::writeJobTrailer(job());
    EXPECT_EQ(visible(written()), visible("\x1b%-12345X@PJL EOJ NAME=\"\"\r\n"
                                          "@PJL RDYMSG DISPLAY=\"\"\r\n\x1b%-12345X"));
}

TEST_F(Envelope, JobNameSources) {
    struct Case {
        const char* name;
        const char* raw;
        const char* userFile;
        const char* expected;
    } cases[] = {
        {"title", "", "", "report"},
        {"raw JobName", "JobName=xyz", "CustomJobName=Q1\n", "xyz"},
        {"JobName off falls to the per-user name", "JobName=off", "CustomJobName=Q1\n", "Q1"},
        {"per-user name", "", "CustomJobName=Q1\n", "Q1"},
        {"raw match inside CustomJobName", "CustomJobName=abc JobName=xyz", "", "abc"},
    };
    for (const Case& c : cases) {
        userFile(c.userFile);
        options(c.raw);
        EXPECT_EQ(vel::jobNameSource(job()), c.expected) << c.name;
        cupsFreeOptions(job().numOptions, job().options);
        job().numOptions = 0;
        job().options = nullptr;
    }
}

TEST(JobName, CutRules) {
    const std::string ascii(100, 'a');
    std::string cont = std::string(79, 'a') + "\x80" + std::string(20, 'a'); // byte 79 continues
    const std::string date = "261211 123456";
    auto times = [](int n, const std::string& s) {
        std::string out;
        while (n-- > 0)
            out += s;
        return out;
    };
    const std::string kanji = "\xe6\x97\xa5", emoji = "\xf0\x9f\x93\x84"; // 3 and 4 bytes
    struct Case {
        const char* name;
        std::string source, date, expected;
    } cases[] = {
        {"short", "report", "", "report"},
        {"100 ASCII bytes keep 77", ascii, "", std::string(77, 'a')},
        {"continuation byte at 79 keeps 78", cont, "", std::string(78, 'a')},
        {"dated short", "report", date, "report " + date},
        {"dated 100 bytes keep 64", ascii, date, std::string(64, 'a') + " " + date},
        {"exactly 78 bytes", std::string(78, 'b'), "", std::string(77, 'b')},
        {"empty", "", "", ""},
        // The continuation test keeps two-byte characters whole; a longer one
        // that the cut would leave unfinished is left out whole.
        {"2-byte characters", "a" + times(50, "\xc3\xa9"), "", "a" + times(38, "\xc3\xa9")},
        {"3-byte character cut after its first byte", "a" + times(33, kanji), "",
         "a" + times(25, kanji)},
        {"3-byte character cut, byte 79 continues another", "ab" + times(33, kanji), "",
         "ab" + times(25, kanji)},
        {"3-byte characters ending whole", times(33, kanji), "", times(26, kanji)},
        {"4-byte character cut after two bytes, dated", "ab" + times(25, emoji), date,
         "ab" + times(15, emoji) + " " + date},
    };
    for (const Case& c : cases) {
        std::string got = vel::cutJobName(c.source, c.date);
        EXPECT_EQ(got, c.expected) << c.name;
        EXPECT_LE(got.size(), vel::kJobNameBytes) << c.name;
    }
}

TEST_F(Envelope, DatedJobNameCarriesTheDate) {
    options("JobDate=true");
    std::string bytes = header();
    size_t at = bytes.find("@PJL JOB NAME=\"report ");
    ASSERT_NE(at, std::string::npos);
    std::string date = bytes.substr(at + 22, 14);
    EXPECT_EQ(date.size(), 14u);
    EXPECT_EQ(date[13], '"');
    EXPECT_EQ(date[6], ' ');
    EXPECT_EQ(date.find_first_not_of("0123456789 "), 13u);
}

TEST_F(Envelope, AccountingCode) {
    struct Case {
        const char* name;
        const char* raw;
        const char* userFile;
        const char* expected;
    } cases[] = {
        {"MG prefix", "VmManagment=MG1234", "", "1234"},
        {"Custom. prefix", "VmManagment=Custom.77", "", "77"},
        {"whole value", "VmManagment=abc", "", "abc"},
        {"raw wins over the file", "VmManagment=abc", "VmManagment=999;Default\n", "abc"},
        {"per-user value before ;", "", "VmManagment=1234;Default\n", "1234"},
        {"none", "", "", ""},
    };
    for (const Case& c : cases) {
        userFile(c.userFile);
        job().rawOptions = c.raw;
        EXPECT_EQ(vel::jobAccountingCode(job()), c.expected) << c.name;
    }
}

TEST_F(Envelope, DuplexLines) {
    struct Case {
        const char* name;
        const char* raw;
        bool sfp;
        const char* lines;
        bool duplexOn;
    } cases[] = {
        {"absent", "", false, "@PJL SET DUPLEX=OFF\r\n@PJL SET KFEED", false},
        {"None", "Duplex=None", false, "@PJL SET DUPLEX=OFF\r\n@PJL SET KFEED", false},
        {"long edge", "Duplex=DuplexNoTumble", false,
         "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=LONGEDGE\r\n", true},
        {"short edge", "Duplex=DuplexTumble", false,
         "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=SHORTEDGE\r\n", true},
        {"booklet on SFP whatever Duplex says", "Duplex=None VCBooklet=Left", true,
         "@PJL SET DUPLEX=ON\r\n@PJL SET BINDING=SHORTEDGE\r\n", true},
        {"booklet without SFP follows Duplex", "Duplex=None VCBooklet=Right", false,
         "@PJL SET DUPLEX=OFF\r\n", false},
    };
    for (const Case& c : cases) {
        Envelope::TearDown();
        Envelope::SetUp();
        job().sfpDevice = c.sfp;
        options(std::string(c.raw) + " VCFeedingEdge=ShortEdge");
        std::string bytes = header();
        EXPECT_TRUE(has(bytes, c.lines)) << c.name << "\n" << visible(bytes);
        EXPECT_EQ(job().duplexOn, c.duplexOn) << c.name;
    }
}

TEST_F(Envelope, CollatedCopiesAndMonoDevice) {
    options("Coll=true");
    first_.NumCopies = 3;
    job().monoDevice = true;
    std::string bytes = header();
    EXPECT_TRUE(has(bytes, "@PJL SET DUPLEX=OFF\r\n@PJL SET QTY=3\n@PJL SET HOLD=OFF\n@PJL SET"));
    EXPECT_TRUE(job().printerCollates);
    EXPECT_FALSE(has(bytes, "KCOLORMODE"));
    EXPECT_FALSE(has(bytes, "KCOLORPRODUCT"));
}

TEST_F(Envelope, GrayJobDefaults) {
    std::string bytes = header();
    EXPECT_TRUE(has(bytes, "@PJL SET ECOPRINT=OFF\r\n@PJL SET BITSPERPIXEL=1\r\n"
                           "@PJL SET KCOLORMODE=MONO\r\n@PJL SET KCOLORPRODUCT=PRNSET\r\n"));
    EXPECT_FALSE(has(bytes, "QTY"));
    EXPECT_FALSE(has(bytes, "KLOGIN"));
    EXPECT_FALSE(has(bytes, "KJOBMANAGERCODE"));
    EXPECT_FALSE(job().printerCollates);
}

TEST_F(Envelope, OrvexLoginComesBeforeTheJobLine) {
    job().orvex.orvEnabled = true;
    job().orvex.userName = "orv\"user";
    std::string bytes = header(); // enabled without a policy: no lines
    EXPECT_FALSE(has(bytes, "KLOGIN")) << visible(bytes);

    TearDown();
    SetUp();
    job().orvex.orvEnabled = true;
    job().orvex.userName = "orv\"user";
    job().policy = vel::OrvexPolicy{};
    job().policy->driverToken = "tok\nEN";
    bytes = header();
    EXPECT_TRUE(has(bytes, "@PJL COMMENT Version 1.0\r\n"
                           "@PJL SET KLOGINID=\"orv'user\"\n"
                           "@PJL SET KLOGINPWD=\"tok?EN\"\n"
                           "@PJL JOB NAME=\"report\"\n"))
        << visible(bytes);
}

TEST_F(Envelope, LoginLines) {
    const std::string good = *vel::encodeCredential("alice.l");
    struct Case {
        const char* name;
        std::string userFile, raw;
        std::string present;
        std::vector<std::string> absent;
    } cases[] = {
        {"id option without password: empty password line",
         "",
         "VmUserLoginIDValue=cbf716b39dc39d04",
         "@PJL SET KLOGINID=\"bob\"\r\n@PJL SET KLOGINPWD=\"\"\r\n",
         {}},
        {"empty id option, empty password option",
         "",
         "VmUserLoginIDValue= VmUserLoginPasswordValue=",
         "",
         {"KLOGIN"}},
        {"undecodable job option",
         "",
         "VmUserLoginIDValue=abc VmUserLoginPasswordValue=cbf716b39dc39d",
         "",
         {"KLOGIN"}},
        {"password option alone writes nothing",
         "",
         "VmUserLoginPasswordValue=cbf716b39dc39d04",
         "",
         {"KLOGIN"}},
        {"stored login",
         "UserLoginName=" + good + "\n",
         "",
         "@PJL SET KLOGINID=\"alice.l\"\r\n",
         {"KLOGINPWD"}},
        {"undecodable stored login is left out",
         "UserLoginName=abcd\nUserLoginPass=zz\n",
         "",
         "",
         {"KLOGIN"}},
    };
    for (const Case& c : cases) {
        Envelope::TearDown();
        Envelope::SetUp();
        userFile(c.userFile);
        options(c.raw);
        std::string bytes = header();
        EXPECT_TRUE(has(bytes, c.present)) << c.name << "\n" << visible(bytes);
        for (const std::string& a : c.absent)
            EXPECT_FALSE(has(bytes, a)) << c.name << "\n" << visible(bytes);
    }
}

TEST_F(Envelope, HostileValuesCannotBreakOutOfTheirLines) {
    // A title that tries to close the JOB NAME string and send its own PJL and
    // a Universal Exit Language sequence; a user name and options that try the same.
    job().title = "x\"\r\n@PJL SET HOLD=OFF\r\n\x1b%-12345X@PJL ENTER LANGUAGE=PCL\r\n";
    job().user = "eve\"\n@PJL SET USERNAME=\"root";
    userFile("VmManagment=A\x1b"
             "E\n");
    options("VCEcoprint=\"ON\\\"\x1b"
            "E\" VCCollate1=PrivatePrint AccessCodeValue=\"1\\\"\x0d\x0a@PJL\"");
    std::string bytes = header();
    vel::writeJobTrailer(job());
    bytes = written();

    // Every line is one of ours: each starts with @PJL and the only ESCs are
    // the UELs and the PCL reset.
    size_t lines = 0;
    for (size_t at = 0; (at = bytes.find('\n', at)) != std::string::npos; ++at) {
        ++lines;
        std::string rest = bytes.substr(at + 1, 4);
        if (!rest.empty() && rest != "@PJL" && rest[0] != '\x1b')
            ADD_FAILURE() << "line starts with " << visible(rest) << "\n" << visible(bytes);
    }
    EXPECT_EQ(lines, 16u) << visible(bytes);
    std::string stripped = bytes;
    for (std::string esc : {"\x1b%-12345X", "\x1b"
                                            "E"})
        for (size_t at; (at = stripped.find(esc)) != std::string::npos;)
            stripped.erase(at, esc.size());
    EXPECT_EQ(stripped.find('\x1b'), std::string::npos) << visible(bytes);
    EXPECT_TRUE(has(bytes, "@PJL JOB NAME=\"x'??@PJL SET HOLD=OFF???%-12345X@PJL ENTER "
                           "LANGUAGE=PCL??\"\n"))
        << visible(bytes);
    EXPECT_TRUE(has(bytes, "@PJL SET USERNAME=\"eve'?@PJL SET USERNAME='root\"\n"));
}

TEST_F(Envelope, OverlongValuesAreCut) {
    job().user = std::string(5000, 'u');
    userFile("CustomJobName=" + std::string(5000, 'n') + "\n");
    options("Colorreprod=" + std::string(5000, 'c'));
    std::string bytes = header();
    EXPECT_TRUE(has(bytes, "@PJL JOB NAME=\"" + std::string(77, 'n') + "\"\n"));
    EXPECT_TRUE(has(bytes, "@PJL SET USERNAME=\"" + std::string(1023, 'u') + "\"\n"));
    EXPECT_TRUE(has(bytes, "KCOLORPRODUCT=" + std::string(1023, 'c') + "\r\n"));
}

} // namespace
