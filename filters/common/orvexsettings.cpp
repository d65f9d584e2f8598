#include "credential.h"
#include "orvex.h"

namespace vel {

namespace {

std::string field(const std::optional<std::string>& value) {
    if (!value) return {};
    return value->substr(0, kOrvexFieldBytes);
}

} // namespace

OrvexSettings readOrvexSettings(const UserOptionFile& file, std::string_view jobUser) {
    OrvexSettings s;
    s.orvEnabled = userOptionValue(file, "ORV_enabled") == std::optional<std::string>("ON");
    auto notify = userOptionValue(file, "ORV_notify");
    s.duplexNotice = notify && *notify != "ON";
    s.blocking = userOptionValue(file, "ORV_blocking") == std::optional<std::string>("ON");
    s.jobUser = std::string(jobUser.substr(0, kOrvexFieldBytes));
    s.server = field(userOptionValue(file, "ORV_server"));
    s.port = field(userOptionValue(file, "ORV_port"));
    s.userName = field(userOptionValue(file, "ORV_username"));
    if (auto stored = userOptionValue(file, "ORV_password"))
        s.password = field(decodeCredential(*stored, stored->size() / 2));
    return s;
}

} // namespace vel
