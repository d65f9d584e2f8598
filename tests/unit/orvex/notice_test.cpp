// sendNotice against a private dbus-daemon with a receiver in orvui's place.
#include "fixtureprocess.h"
#include "notice.h"

#include <dbus/dbus.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Points DBUS_SYSTEM_BUS_ADDRESS at the fixture's bus for one test.
class BusTest : public ::testing::Test {
  protected:
    void useBus(const FixtureProcess& bus) {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.field("DBUS_SYSTEM_BUS_ADDRESS").c_str(), 1);
    }
    // libdbus reads the bus address once per process; dropping its state lets
    // the next test in this process reach that test's own bus.
    void TearDown() override {
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        dbus_shutdown();
    }

    // The receiver's record once it holds `count` lines (or after 10 s).
    static std::string waitForLines(const FixtureProcess& bus, int count) {
        std::string text;
        for (int i = 0; i < 200; ++i) {
            text = readFile(bus.field("RECORD"));
            int lines = 0;
            for (char c : text)
                lines += c == '\n';
            if (lines >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return text;
    }
};

TEST_F(BusTest, DeliversTheTextToOrvui) {
    FixtureProcess bus("dbus_bus.py", {});
    ASSERT_TRUE(bus.running()) << bus.line();
    useBus(bus);
    std::string log;
    EXPECT_TRUE(vel::sendNotice(vel::noticeText("\nColor Mode\nDuplex", "alice"),
                                [&](std::string_view t) { log += t; }));
    EXPECT_NE(log.find("Done sending message\n"), std::string::npos) << log;
    EXPECT_EQ(waitForLines(bus, 1), "{\"message\": \"\\nColor Mode\\nDuplex alice\"}\n");
}

// Another process still holding the filter's name, and two filters sending at
// the same moment: every notice arrives and no sender fails.
TEST_F(BusTest, ConcurrentSendersAllDeliver) {
    FixtureProcess bus("dbus_bus.py", {"com.velmora.filter"});
    ASSERT_TRUE(bus.running()) << bus.line();
    useBus(bus);
    constexpr int kSenders = 4;
    pid_t pids[kSenders];
    for (int i = 0; i < kSenders; ++i) {
        pids[i] = fork();
        if (pids[i] == 0)
            _exit(vel::sendNotice(vel::noticeText("Credit", "user" + std::to_string(i)),
                                  vel::nullLog())
                      ? 0
                      : 1);
    }
    for (pid_t pid : pids) {
        int status = -1;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string record = waitForLines(bus, kSenders);
    for (int i = 0; i < kSenders; ++i)
        EXPECT_NE(record.find("\"Credit user" + std::to_string(i) + "\""), std::string::npos)
            << record;
}

TEST_F(BusTest, NoBusIsAFailure) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/velmora-test-bus", 1);
    std::string log;
    EXPECT_FALSE(vel::sendNotice("Login alice", [&](std::string_view t) { log += t; }));
    EXPECT_EQ(log.rfind("Connection Error (", 0), 0u) << log;
}

TEST_F(BusTest, TextThatIsNotUtf8StillArrives) {
    FixtureProcess bus("dbus_bus.py", {});
    ASSERT_TRUE(bus.running()) << bus.line();
    useBus(bus);
    EXPECT_TRUE(vel::sendNotice("Printer b\xff\xfe", vel::nullLog()));
    EXPECT_EQ(waitForLines(bus, 1), "{\"message\": \"Printer b??\"}\n");
}

} // namespace
