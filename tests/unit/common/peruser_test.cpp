#include "peruser.h"

#include "tempdatadir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A throwaway data directory with VELMORA_DATA_DIR pointing at it.
class PerUserFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        data_ = std::make_unique<TempDataDir>();
        base_ = data_->path();
    }
    void TearDown() override { data_.reset(); }
    void write(const std::string& rel, const std::string& text) { data_->write(rel, text); }
    std::unique_ptr<TempDataDir> data_;
    std::string base_;
};

TEST_F(PerUserFiles, TelemetryConsentFollowsTheLastExactLine) {
    struct Case {
        const char* name;
        const char* text;
        bool consent;
    } cases[] = {
        {"true line", "Telemetry=True\n", true},
        {"false after true", "Telemetry=True\nTelemetry=False\n", false},
        {"true after false", "Telemetry=False\nTelemetry=True\n", true},
        {"no line feed", "Telemetry=True", false},
        {"lower case", "Telemetry=true\n", false},
        {"unrelated lines", "Other=1\nTelemetry=True\nnoise\n", true},
        {"last line lacks its feed", "Telemetry=False\nTelemetry=True", false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        write("alice/Settings", c.text);
        EXPECT_EQ(vel::telemetryConsent("alice"), c.consent) << c.name;
    }
    EXPECT_FALSE(vel::telemetryConsent("nobody"));
}

TEST_F(PerUserFiles, OptionValueReadsTheFirstLineOfTheKey) {
    write("alice/q1.cfg", "VmManagment=1234;Default\n"
                          "CustomJobName=a=b\n"
                          "UserLoginName=\n"
                          "==Lead=x\n"
                          "Dup=first\n"
                          "Dup=second\n"
                          "NoFeed=last");
    std::string logged;
    vel::UserOptionFile f{"alice", "q1", [&](std::string_view s) { logged += s; }};
    struct Case {
        const char* key;
        std::optional<std::string> value;
    } cases[] = {
        {"VmManagment", "1234;Default"},
        {"CustomJobName", "a=b"},
        {"UserLoginName", std::nullopt},
        {"Lead", "x"},
        {"Dup", "first"},
        {"NoFeed", "last"},
        {"Missing", std::nullopt},
        {"custumjobname", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vel::userOptionValue(f, c.key), c.value) << c.key;
    EXPECT_NE(logged.find("lpoptions file: " + base_ + "/alice/q1.cfg\n"), std::string::npos);
}

TEST_F(PerUserFiles, NamesThatLeaveTheDirectoryHaveNoFiles) {
    write("Settings", "Telemetry=True\n");
    write("alice/q1.cfg", "Key=v\n");
    write("q1.cfg", "Key=outside\n");
    for (const char* user : {"", ".", "..", "../alice", "a/b"}) {
        EXPECT_FALSE(vel::telemetryConsent(user)) << user;
        EXPECT_FALSE(vel::userOptionValue({user, "q1", nullptr}, "Key")) << user;
    }
    for (const char* printer : {"", "..", "../q1", "x/../../q1"})
        EXPECT_FALSE(vel::userOptionValue({"alice", printer, nullptr}, "Key")) << printer;
    EXPECT_EQ(vel::userOptionValue({"alice", "q1", nullptr}, "Key"), "v");
}

// The per-user directory belongs to the user: what sits there under a file's
// name must neither stall the filter (a FIFO nobody writes to) nor make it
// read without end (a device).
TEST_F(PerUserFiles, OnlyRegularFilesAreRead) {
    alarm(20); // a filter that blocks or reads forever fails here instead of hanging
    fs::create_directories(fs::path(base_) / "alice");
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
    } cases[] = {
        {"FIFO", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        {"link to /dev/zero", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }},
        {"directory", [](const std::string& p) { fs::create_directory(p); }},
    };
    for (const Case& c : cases) {
        std::string settings = base_ + "/alice/Settings", options = base_ + "/alice/q1.cfg";
        c.make(settings);
        c.make(options);
        EXPECT_FALSE(vel::telemetryConsent("alice")) << c.name;
        EXPECT_FALSE(vel::userOptionValue({"alice", "q1", nullptr}, "ORV_enabled")) << c.name;
        fs::remove(settings);
        fs::remove(options);
    }
    alarm(0);
}

TEST_F(PerUserFiles, HandRunFilterTakesUserAndPrinterFromEnvironment) {
    setenv("USER", "bob", 1);
    setenv("PPD", "/etc/cups/ppd/office.colour.ppd", 1);
    std::string logged;
    auto f = vel::rasterUserOptionFile("./velfilter_pcl", "lp",
                                       [&](std::string_view s) { logged += s; });
    EXPECT_EQ(f.user, "bob");
    EXPECT_EQ(f.printer, "office");
    EXPECT_EQ(logged, "PPD: /etc/cups/ppd/office.colour.ppd\n");

    auto q = vel::rasterUserOptionFile("queue1", "carol", nullptr);
    EXPECT_EQ(q.user, "carol");
    EXPECT_EQ(q.printer, "queue1");
}

} // namespace
