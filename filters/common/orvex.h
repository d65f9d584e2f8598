// Orvex print management: the per-user settings record and the policy record
// that the server's login reply yields. Both filters share them.
#pragma once

#include <string>

namespace vel {

// One per job, read from the per-user option file.
struct OrvexSettings {
    bool orvEnabled = false;   // "ORV_enabled" is exactly "ON"
    bool duplexNotice = false; // "ORV_notify" present with a value other than "ON"
    bool blocking = false;     // "ORV_blocking" is exactly "ON"
    std::string jobUser;       // CUPS argument 2
    std::string server;        // "ORV_server"
    std::string port;          // "ORV_port"
    std::string userName;      // "ORV_username"
    std::string password;      // "ORV_password", decoded
};

// What the server allows; filled from the login reply.
struct OrvexPolicy {
    std::string versionNumber;
    std::string driverUser;
    std::string driverToken;
    bool fullColorRestricted = false;
    bool printRestricted = false;
    bool scanRestricted = false;
    bool ecoPrintRestricted = false;
    bool duplexRestricted = false;
    bool creditAccounting = false;
    long creditRemaining = -1;
    long creditMinimum = -1;
    bool quotaAccounting = false;
    int totalPagesAction = 0; // 0 none, 1 print, 2 colour
    int colorPagesAction = 0;
    std::string userToken;
};

} // namespace vel
