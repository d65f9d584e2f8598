#include "pdfjob.h"

#include "credential.h"

#include "tempdatadir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <functional>

namespace fs = std::filesystem;
using vel::PdfJobSettings;

namespace {

TEST(ApplyJobOption, SetsEachFieldFromItsValueTable) {
    struct Case {
        const char* name;
        const char* value;
        std::function<int(const PdfJobSettings&)> field;
        int expected;
    };
    auto uncollated = [](const PdfJobSettings& j) { return int(j.uncollated); };
    auto mono = [](const PdfJobSettings& j) { return int(j.monochrome); };
    auto lowRes = [](const PdfJobSettings& j) { return int(j.lowResolution); };
    auto tray = [](const PdfJobSettings& j) { return j.inputTray; };
    auto staple = [](const PdfJobSettings& j) { return j.staple; };
    auto punch = [](const PdfJobSettings& j) { return j.punch; };
    auto booklet = [](const PdfJobSettings& j) { return j.booklet; };
    auto foldMode = [](const PdfJobSettings& j) { return j.foldMode; };
    auto foldSides = [](const PdfJobSettings& j) { return j.foldSides; };
    auto foldOrder = [](const PdfJobSettings& j) { return j.foldOrder; };
    auto trifold = [](const PdfJobSettings& j) { return j.trifoldSheets; };
    auto bifold = [](const PdfJobSettings& j) { return j.bifoldSheets; };
    auto offset = [](const PdfJobSettings& j) { return j.jobOffset; };
    auto storage = [](const PdfJobSettings& j) { return j.jobStorage; };
    auto date = [](const PdfJobSettings& j) { return int(j.printJobDate); };
    auto duplex = [](const PdfJobSettings& j) { return j.duplex; };
    auto nup = [](const PdfJobSettings& j) { return j.pagesPerSheet; };
    auto paper = [](const PdfJobSettings& j) { return j.paperSize; };
    auto media = [](const PdfJobSettings& j) { return j.mediaType; };

    const Case cases[] = {
        {"Resolution", "300dpi", lowRes, 1},
        {"Resolution", "600dpi", lowRes, 0},
        {"Coll", "False", uncollated, 1},
        {"Coll", "True", uncollated, 0},
        {"Coll", "false", uncollated, 0}, // values are case-sensitive
        {"ColorModel", "CMYK", mono, 0},
        {"ColorModel", "Gray", mono, 1},
        {"ColorModel", "RGB", mono, 1}, // the raster models' value: not ours
        {"InputSlot", "QX410A", tray, 1},
        {"InputSlot", "QX410F", tray, 4},
        {"InputSlot", "MF1", tray, 5},
        {"InputSlot", "Auto", tray, 0},
        {"Stpl", "Front", staple, 1},
        {"Stpl", "Center", staple, 2},
        {"Stpl", "Rear", staple, 3},
        {"Pnch", "2HolePDF", punch, 1},
        {"Pnch", "2HolePDFEUR", punch, 1},
        {"Pnch", "3HolePDF", punch, 2},
        {"Pnch", "2Hole", punch, 0},
        {"VCBooklet", "Right", booklet, 2},
        {"FldA", "Trifold", foldMode, 2},
        {"FldB", "FPOutside", foldSides, 2},
        {"FldC", "RIGHTL", foldOrder, 1},
        {"FldC", "LEFTR", foldOrder, 2},
        {"FldD", "FLD5", trifold, 5},
        {"BFpS", "FLD3", bifold, 3},
        {"BFpS", "FLD6", bifold, 0},
        {"Sep", "Jog", offset, 1},
        {"VCCollate1", "On", storage, 1},
        {"VCCollate1", "JobStorage", storage, 5},
        {"VCCollate1", "Custom1", storage, 0}, // only the per-user file stores these
        {"JobDate", "false", date, 0},
        {"JobDate", "False", date, 0},
        {"JobDate", "FALSE", date, 1},
        {"Duplex", "DuplexTumble", duplex, 1},
        {"Duplex", "DuplexNoTumble", duplex, 2},
        {"number-up", "2", nup, 2},
        {"number-up", "4", nup, 4},
        {"number-up", "6", nup, 1},
        {"number-up", "16", nup, 1},
        {"PageSize", "P12X18", paper, 1},
        {"PageSize", "Tabloid", paper, 23},
        {"PageSize", "Statement", paper, 27},
        {"PageSize", "A4Small", paper, 0},
        {"MediaType", "Auto", media, 25},
        {"MediaType", "User8", media, 24},
        {"MediaType", "CoatedPaper", media, 15},
        {"colormodel", "CMYK", mono, 1}, // names are case-sensitive too
        {"Staple", "Front", staple, 0},
    };
    for (const Case& c : cases) {
        PdfJobSettings job;
        vel::applyJobOption(job, c.name, c.value);
        EXPECT_EQ(c.field(job), c.expected) << c.name << "=" << c.value;
    }
}

TEST(ApplyJobOption, UnknownValueLeavesAnEarlierChoice) {
    PdfJobSettings job;
    vel::applyJobOption(job, "Duplex", "DuplexTumble");
    vel::applyJobOption(job, "Duplex", "Sideways");
    vel::applyJobOption(job, "PageSize", "Letter");
    vel::applyJobOption(job, "PageSize", "Custom.100x200");
    EXPECT_EQ(job.duplex, 1);
    EXPECT_EQ(job.paperSize, 25);
}

TEST(ApplyJobOption, JobNameAndAccountingTexts) {
    struct Case {
        const char* option;
        const char* value;
        std::string text;
        bool custom;
    } cases[] = {
        {"JobName", "Custom.Quarterly report", "Quarterly report", true},
        {"JobName", "Plain name", "Plain name", true},
        {"JobName", "Custom", "Custom", true},
        {"JobName", "off", "", false},
        {"VmManagment", "MG1234", "1234", false},
        {"VmManagment", "Custom.77", "77", false},
        {"VmManagment", "abc", "abc", false},
    };
    for (const auto& c : cases) {
        PdfJobSettings job;
        vel::applyJobOption(job, c.option, c.value);
        const std::string& got =
            std::string(c.option) == "JobName" ? job.customJobName : job.jobManagerCode;
        EXPECT_EQ(got, c.text) << c.option << "=" << c.value;
        EXPECT_EQ(job.useCustomJobName, c.custom) << c.option << "=" << c.value;
    }
}

// A throwaway data directory and PPD.
class CreateJobSettings : public ::testing::Test {
  protected:
    void SetUp() override {
        data_ = std::make_unique<TempDataDir>();
        base_ = data_->path();
    }
    void TearDown() override {
        if (ppd_) ppdClose(ppd_);
        data_.reset();
    }
    void userFile(const std::string& text) {
        fs::create_directories(fs::path(base_) / "alice");
        std::ofstream(fs::path(base_) / "alice" / "Office.cfg", std::ios::binary) << text;
    }
    ppd_file_t* ppd(const std::string& body) {
        std::string path = base_ + "/test.ppd";
        std::ofstream(path, std::ios::binary)
            << "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
               "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n"
               "*PCFileName: \"TEST.PPD\"\n*Manufacturer: \"Velmora\"\n*Product: \"(Test)\"\n"
               "*ModelName: \"Velmora Test PDF\"\n*ShortNickName: \"Test\"\n"
               "*NickName: \"Velmora Test PDF\"\n*PSVersion: \"(3010.000) 0\"\n"
            << body;
        ppd_ = ppdOpenFile(path.c_str());
        return ppd_;
    }
    PdfJobSettings create(const char* options, ppd_file_t* p = nullptr, const char* copies = "1") {
        return vel::createJobSettings("Title", "alice", copies, options, "Office", p);
    }
    std::unique_ptr<TempDataDir> data_;
    std::string base_;
    ppd_file_t* ppd_ = nullptr;
};

TEST_F(CreateJobSettings, StartsFromTheInitialValuesAndTheArguments) {
    PdfJobSettings job = vel::createJobSettings("Report", "bob", "3", "", "Office", nullptr);
    EXPECT_EQ(job.title, "Report");
    EXPECT_EQ(job.userName, "bob");
    EXPECT_EQ(job.copies, 3);
    EXPECT_TRUE(job.monochrome);
    EXPECT_TRUE(job.printJobDate);
    EXPECT_EQ(job.pagesPerSheet, 1);
    EXPECT_EQ(job.ppdModelName, "");

    EXPECT_EQ(create("", nullptr, "many").copies, 0);
    EXPECT_EQ(create("", nullptr, "12x").copies, 12);

    std::string longTitle(1500, 't');
    EXPECT_EQ(vel::createJobSettings(longTitle, "bob", "1", "", "Office", nullptr).title.size(),
              vel::kMaxSettingText);
}

TEST_F(CreateJobSettings, ParsesTheOptionStringLikeTheFilterProtocol) {
    // Bare words are booleans, "no" in front meaning False.
    EXPECT_TRUE(create("noColl").uncollated);
    EXPECT_FALSE(create("Coll").uncollated);
    EXPECT_FALSE(create("nocollate").uncollated); // "collate" is not ours
    EXPECT_TRUE(create("noJobDate JobDate").printJobDate);
    EXPECT_FALSE(create("JobDate noJobDate").printJobDate);

    PdfJobSettings job = create("  Duplex=DuplexTumble  number-up=4 ColorModel=CMYK ");
    EXPECT_EQ(job.duplex, 1);
    EXPECT_EQ(job.pagesPerSheet, 4);
    EXPECT_FALSE(job.monochrome);

    // Only the first "=" splits; quotes are not interpreted; later options win.
    EXPECT_EQ(create("JobName=a=b").customJobName, "a=b");
    EXPECT_EQ(create("JobName='My").customJobName, "'My");
    EXPECT_EQ(create("Duplex=DuplexTumble Duplex=None").duplex, 0);

    // Names and values are cut to 63 bytes.
    std::string longValue(100, 'v');
    EXPECT_EQ(create(("JobName=" + longValue).c_str()).customJobName, longValue.substr(0, 63));
    std::string longName = "Duplex" + std::string(70, 'x');
    EXPECT_EQ(create((longName + "=DuplexTumble").c_str()).duplex, 0);
}

TEST_F(CreateJobSettings, PpdDefaultsComeFirst) {
    ppd_file_t* p = ppd("*OpenGroup: General/General\n"
                        "*OpenUI *ColorModel/Colour: PickOne\n*DefaultColorModel: CMYK\n"
                        "*ColorModel CMYK/Colour: \"\"\n*ColorModel Gray/Grey: \"\"\n"
                        "*CloseUI: *ColorModel\n"
                        "*OpenUI *Duplex/Two-sided: PickOne\n*DefaultDuplex: DuplexTumble\n"
                        "*Duplex None/Off: \"\"\n*Duplex DuplexTumble/Short: \"\"\n"
                        "*CloseUI: *Duplex\n"
                        "*OpenUI *Stpl/Staple: PickOne\n*DefaultStpl: Sideways\n"
                        "*Stpl None/Off: \"\"\n*Stpl Front/Front: \"\"\n*CloseUI: *Stpl\n"
                        "*CloseGroup: General\n");
    ASSERT_NE(p, nullptr);
    PdfJobSettings job = create("", p);
    EXPECT_EQ(job.ppdModelName, "Velmora Test PDF");
    EXPECT_FALSE(job.monochrome);
    EXPECT_EQ(job.duplex, 1);
    EXPECT_EQ(job.staple, 0) << "a default outside the value table changes nothing";

    // The option string overrides the PPD, even after marking other choices.
    ppdMarkOption(p, "Duplex", "None");
    EXPECT_EQ(create("ColorModel=Gray", p).monochrome, true);
    EXPECT_EQ(create("ColorModel=Gray", p).duplex, 1) << "the default as written, not the marked";
}

TEST_F(CreateJobSettings, PerUserFileComesLastAndWins) {
    userFile("CustomJobName=From file\n"
             "CustomAccountID=Default\n"
             "VCCollate1=Custom2;PrnDef\n"
             "CustomBox=42\n"
             "EMailNotification=me@example.org\n");
    PdfJobSettings job = create("JobName=Custom.Opt VmManagment=MG99 VCCollate1=QuickCopy");
    EXPECT_EQ(job.customJobName, "From file");
    EXPECT_TRUE(job.useCustomJobName);
    EXPECT_EQ(job.jobManagerCode, "Default");
    EXPECT_EQ(job.jobStorage, 7);
    EXPECT_EQ(job.customBoxNumber, 42);
    EXPECT_EQ(job.finishNotice, "me@example.org");

    userFile("VCCollate1=Custom1\nCustomJobName=Named\n");
    job = create("JobName=off");
    EXPECT_EQ(job.jobStorage, 6);
    EXPECT_TRUE(job.useCustomJobName) << "the file's job name wins over JobName=off";

    userFile("VCCollate1=QuickCopy;Custom1\n");
    EXPECT_EQ(create("VCCollate1=ProofHold").jobStorage, 4) << "only the first element counts";

    // A queue without a file keeps what the options said.
    PdfJobSettings other =
        vel::createJobSettings("T", "alice", "1", "VmManagment=MG5", "Other", nullptr);
    EXPECT_EQ(other.jobManagerCode, "5");
}

TEST_F(CreateJobSettings, StoredCredentialsAreDecoded) {
    auto stored = [](const char* text) { return *vel::encodeCredential(text); };
    userFile("AccessCode=" + stored("4711") + "\nUserLoginName=" + stored("bob") +
             "\nUserLoginPass=" + stored("a\\\\b") + "\nCustomBoxPassword=" + stored("box") + "\n");
    PdfJobSettings job = create("");
    EXPECT_EQ(job.accessCode, "4711");
    EXPECT_EQ(job.loginName, "bob");
    EXPECT_EQ(job.loginPassword, "a\\\\b") << "the doubled backslash is not undone";
    EXPECT_EQ(job.customBoxPassword, "box");

    // Plain text, odd length or a broken cipher: treated as not set.
    userFile("AccessCode=1234\nUserLoginName=abc\nUserLoginPass=" +
             stored("a password of two blocks").substr(0, 32) + "\n");
    job = create("");
    EXPECT_EQ(job.accessCode, "");
    EXPECT_EQ(job.loginName, "");
    EXPECT_EQ(job.loginPassword, "");
    EXPECT_EQ(job.customBoxPassword, "");
}

} // namespace
