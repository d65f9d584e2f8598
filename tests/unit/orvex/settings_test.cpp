#include "orvex.h"

#include "tempdatadir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {

// Stored-credential text of "s3cret".
constexpr const char* kStoredSecret = "c223f0524b5a517cb9e6e128020fe99f";

class OrvexSettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        data_ = std::make_unique<TempDataDir>();
        base_ = data_->path();
        fs::create_directories(base_ + "/alice");
    }
    void TearDown() override { data_.reset(); }
    vel::OrvexSettings read(const std::string& cfg) {
        std::ofstream(base_ + "/alice/q.cfg", std::ios::binary) << cfg;
        return vel::readOrvexSettings({"alice", "q", vel::nullLog()}, "alice");
    }
    std::unique_ptr<TempDataDir> data_;
    std::string base_;
};

TEST_F(OrvexSettingsFile, Flags) {
    struct Case {
        const char* cfg;
        bool enabled, notice, blocking;
    } cases[] = {
        {"", false, false, false},
        {"ORV_enabled=ON\nORV_blocking=ON\n", true, false, true},
        {"ORV_enabled=on\nORV_blocking=On\n", false, false, false},
        {"ORV_enabled=ON;OFF\n", false, false, false},
        {"ORV_notify=OFF\n", false, true, false},
        {"ORV_notify=ON\n", false, false, false},
        {"ORV_notify=\n", false, false, false}, // an empty value is absent
    };
    for (const Case& c : cases) {
        vel::OrvexSettings s = read(c.cfg);
        EXPECT_EQ(s.orvEnabled, c.enabled) << c.cfg;
        EXPECT_EQ(s.duplexNotice, c.notice) << c.cfg;
        EXPECT_EQ(s.blocking, c.blocking) << c.cfg;
    }
}

TEST_F(OrvexSettingsFile, ServerAccountAndDecodedPassword) {
    vel::OrvexSettings s = read(std::string("ORV_enabled=ON\nORV_server=orvex.lan\nORV_port=9443\n"
                                            "ORV_username=alice.orv\nORV_password=") +
                                kStoredSecret + "\n");
    EXPECT_EQ(s.jobUser, "alice");
    EXPECT_EQ(s.server, "orvex.lan");
    EXPECT_EQ(s.port, "9443");
    EXPECT_EQ(s.userName, "alice.orv");
    EXPECT_EQ(s.password, "s3cret");

    // A password that does not decode is no password; long values are cut.
    s = read("ORV_password=c223f0524b5a517cb9e6e128020fe99\nORV_server=" + std::string(2000, 'x') +
             "\n");
    EXPECT_EQ(s.password, "");
    EXPECT_EQ(s.server.size(), vel::kOrvexFieldBytes);
}

} // namespace
