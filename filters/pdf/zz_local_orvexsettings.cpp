// LOCAL ONLY, not committed: stands in until the shared reader lands.
#include "orvex.h"
#include "credential.h"
namespace vel {
OrvexSettings readOrvexSettings(const UserOptionFile& file, std::string_view jobUser) {
    OrvexSettings s;
    auto v = [&](const char* k) { return userOptionValue(file, k); };
    s.orvEnabled = v("ORV_enabled").value_or("") == "ON";
    auto n = v("ORV_notify");
    s.duplexNotice = n && *n != "ON";
    s.blocking = v("ORV_blocking").value_or("") == "ON";
    s.jobUser = std::string(jobUser);
    s.server = v("ORV_server").value_or("");
    s.port = v("ORV_port").value_or("");
    s.userName = v("ORV_username").value_or("");
    auto p = v("ORV_password");
    s.password = p ? decodeCredential(*p).value_or("") : "";
    return s;
}
}
