// orvexLogin's request against the local HTTPS test server.
#include "fixtureprocess.h"
#include "orvex.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The requests go to loopback only, whatever the machine's proxy settings.
[[maybe_unused]] const bool kNoProxy = setenv("no_proxy", "*", 1) == 0;

vel::OrvexSettings settingsFor(const std::string& port) {
    vel::OrvexSettings s;
    s.orvEnabled = true;
    s.jobUser = "alice";
    s.server = "127.0.0.1";
    s.port = port;
    s.userName = "alice.orv";
    s.password = "s3cret";
    return s;
}

TEST(Login, SendsTheRequestAndReadsThePolicy) {
    FixtureProcess srv("orvex_server.py",
                       {"--policy", R"({"JE.FullColorPrint":"ON","DR.DuplexRestriction":"ON",
                                        "DriverAccess.PasswordToken":"tok"})"});
    ASSERT_TRUE(srv.running()) << srv.line();
    vel::OrvexSettings s = settingsFor(srv.field("port"));
    s.password = "p&w=1+2%";
    std::string log;
    vel::LoginResult r = vel::performLogin(s, [&](std::string_view t) { log += t; });
    ASSERT_TRUE(r.policy) << log;
    EXPECT_EQ(r.failure, vel::LoginFailure::None);
    EXPECT_TRUE(r.policy->fullColorRestricted);
    EXPECT_TRUE(r.policy->duplexRestricted);
    EXPECT_FALSE(r.policy->printRestricted);
    EXPECT_EQ(r.policy->driverToken, "tok");

    std::string seen = readFile(srv.field("record"));
    EXPECT_NE(seen.find("\"path\": \"/ws/user_manager/MobileAccess/MobileAccessRestService/"
                        "loginPost\""),
              std::string::npos)
        << seen;
    EXPECT_NE(seen.find("\"body\": \"userID=alice.orv&userPWD=p%26w%3D1%2B2%25\""),
              std::string::npos)
        << seen;
}

TEST(Login, HeadersAndAgent) {
    FixtureProcess srv("orvex_server.py", {"--policy", "{}", "--headers"});
    ASSERT_TRUE(srv.running()) << srv.line();
    ASSERT_TRUE(vel::performLogin(settingsFor(srv.field("port")), vel::nullLog()).policy);
    std::string seen = readFile(srv.field("record"));
    for (const char* h :
         {"\"Accept\": \"text/*\"", "\"charsets\": \"utf-8\"", "\"User-Agent\": \"VMP\"",
          "\"Content-Type\": \"application/x-www-form-urlencoded\""})
        EXPECT_NE(seen.find(h), std::string::npos) << h << " in " << seen;
}

TEST(Login, FailuresOfServerAndTransport) {
    // A bound socket that never listens: connections to it are refused.
    int closedSock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(closedSock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    getsockname(closedSock, reinterpret_cast<sockaddr*>(&addr), &len);
    std::string closedPort = std::to_string(ntohs(addr.sin_port));

    vel::LoginLimits quick;
    quick.connectTimeoutMs = 2000;
    quick.totalTimeoutMs = 1500;
    struct Case {
        const char* name;
        std::vector<std::string> server; // fixture arguments; empty: the closed port
        vel::LoginFailure failure;
        const char* logged;
    } cases[] = {
        {"reply without wrapper", {"--raw", R"({"Policies":{}})"}, vel::LoginFailure::BadReply, ""},
        {"no body", {"--empty"}, vel::LoginFailure::BadReply, ""},
        {"huge body", {"--huge", "20000000"}, vel::LoginFailure::BadReply, "larger than"},
        {"server never answers",
         {"--silent"},
         vel::LoginFailure::Connection,
         "curl_easy_perform() failed: "},
        {"nothing listening", {}, vel::LoginFailure::Connection, "curl_easy_perform() failed: "},
    };
    for (const Case& c : cases) {
        std::unique_ptr<FixtureProcess> srv;
        std::string port = closedPort;
        if (!c.server.empty()) {
            srv = std::make_unique<FixtureProcess>("orvex_server.py", c.server);
            ASSERT_TRUE(srv->running()) << c.name;
            port = srv->field("port");
        }
        std::string log;
        vel::LoginResult r = vel::performLogin(
            settingsFor(port), [&](std::string_view t) { log += t; }, quick);
        EXPECT_FALSE(r.policy) << c.name;
        EXPECT_EQ(r.failure, c.failure) << c.name;
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.name << ": " << log;
    }
    close(closedSock);
}

} // namespace

namespace {

// Over-long fields are refused before anything goes out, instead of being cut
// into a request for another host or another password.
TEST(Login, OverlongRequestIsNotSent) {
    vel::OrvexSettings s = settingsFor("1");
    s.server = "127.0.0.1/" + std::string(1100, 'a'); // stays on loopback even if sent
    std::string log;
    EXPECT_EQ(vel::performLogin(s, [&](std::string_view t) { log += t; }).failure,
              vel::LoginFailure::Connection);
    EXPECT_EQ(log, "ERROR: Orvex server name too long\n");
    s = settingsFor("1");
    s.password = std::string(1000, '&'); // 3000 bytes once encoded
    EXPECT_EQ(vel::performLogin(s, vel::nullLog()).failure, vel::LoginFailure::BadReply);
}

} // namespace
