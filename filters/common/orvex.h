// Orvex print management: the per-user settings record, the HTTPS login that
// yields the policy record, and the reply's member rules. Both filters share them.
#pragma once

#include "log.h"
#include "peruser.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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

// Settings fields keep at most this many bytes.
constexpr size_t kOrvexFieldBytes = 1023;

// The seven "ORV_*" keys of the job's per-user option file; the password is
// stored-credential text and is decoded here (undecodable: empty).
OrvexSettings readOrvexSettings(const UserOptionFile& file, std::string_view jobUser);

// --- login request -------------------------------------------------------

// Bounds of one login. The defaults keep a dead server from holding the
// print queue: a time-out is a connection failure.
struct LoginLimits {
    long connectTimeoutMs = 10000;
    long totalTimeoutMs = 20000;
    size_t maxReplyBytes = 256 * 1024; // a longer reply is a bad reply
};

// "https://<server>:<port>/ws/user_manager/MobileAccess/MobileAccessRestService/loginPost"
std::string loginUrl(const OrvexSettings& settings);

// Form-body encoding that leaves ordinary text byte-identical: only the bytes
// that would change the body's meaning ("%", "&", "+", "=", blanks and control
// bytes) become %XX.
std::string formEncode(std::string_view text);

// "userID=<name>&userPWD=<password>", both form-encoded.
std::string loginBody(const OrvexSettings& settings);

// The policy in a reply body: the JSON text between the first ">" and the
// next "</string>", whose root object holds an object "Policies". Nothing for
// any other body.
std::optional<OrvexPolicy> parseLoginReply(std::string_view body);

enum class LoginFailure {
    None,
    NoHandle,   // the HTTP library could not make a request; no notice
    Connection, // transport failure or time-out; notice "Connection"
    BadReply,   // unusable or oversized reply; notice "Login"
};

struct LoginResult {
    std::optional<OrvexPolicy> policy;
    LoginFailure failure = LoginFailure::None;
    bool noticeFailed = false; // the notice could not be delivered: exit 1
};

// Posts the login and parses the reply. Without a policy the matching notice
// ("Connection" or "Login" for the job user) has been sent through sendNotice.
LoginResult orvexLogin(const OrvexSettings& settings, const LogFn& log,
                       const LoginLimits& limits = {});

// The request alone, without notices: the policy or why there is none.
LoginResult performLogin(const OrvexSettings& settings, const LogFn& log,
                         const LoginLimits& limits = {});

} // namespace vel
