// Anonymous usage events, posted per job when the user has agreed to data
// collection: Google Analytics Measurement Protocol version 1 hits, sent in
// batches over HTTPS to the batch endpoint.
//
// A hit on the wire (one per event, batches joined with "\r\n"):
//   v=1&aip=1&t=event&tid=<id>&cid=<64 hex>[&ul=<LANGUAGE>]&an=<app>&av=<ver>
//       &ec=Print&ea=<action>[&el=<label>]
// with every value percent-encoded.
#pragma once

#include "log.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

// What one job used. A field left empty produces no event.
struct UsageRecord {
    std::string user;
    std::string model;
    std::optional<int> duplex;        // 0 one-sided, 1 long edge, 2 short edge
    std::optional<int> colour;        // 0 colour, 1 monochrome
    std::optional<int> ecoPrint;      // 0 off, 1 on
    std::optional<int> pdl;           // 0 printer's own, 1 PJL-wrapped PCL, 2 PDF
    std::optional<int> staple;        // 0 off, 1 on
    std::optional<int> punch;         // 0 off, 1 on
    std::optional<int> jobAccounting; // 0 off, 1 on
    std::optional<int> userLogin;     // 0 off, 1 on
};

inline constexpr const char* kUsageAppName = "Velmora Linux Printer Driver";
inline constexpr const char* kUsageAppVersion = "8.0.0";
inline constexpr const char* kNetworkAddressFile = "/sys/class/net/eth0/address";

// Where and how the hits go. defaultTelemetryConfig() gives the built-in
// endpoint and property id, the CA bundle found on this system, the
// LANGUAGE of the environment, and the time bounds; the environment
// variables VELMORA_TELEMETRY_ENDPOINT and VELMORA_TELEMETRY_CA_BUNDLE
// replace endpoint and CA bundle (for tests and private collectors).
struct TelemetryConfig {
    std::string endpoint;
    std::string trackingId;
    std::string caBundle; // empty: the HTTP library's default
    std::optional<std::string> language;
    std::string addressFile = kNetworkAddressFile;
    // The whole step, all batches together, never takes longer than this,
    // so a silent collector cannot stall the job.
    std::chrono::milliseconds connectTimeout{3000};
    std::chrono::milliseconds stepTimeout{5000};
};

TelemetryConfig defaultTelemetryConfig();

// The first CA bundle of the usual distribution paths that exists, or empty.
std::string findCaBundle();

// SHA-256 of "<user>-<network address text>" in lower-case hex. The address
// text is the whole file, line feed included.
std::string clientId(std::string_view user, const std::string& addressFile);

// "&name=value" with the value percent-encoded. With a limit, the encoded
// value keeps at most limit - 1 characters and is never cut inside an escape.
std::string encodeParameter(std::string_view name, std::string_view value, size_t limit = 0);

// The job's event hits in order: Driver, OS, then one Preferences hit per
// record field that has a listed value.
std::vector<std::string> usageHits(const UsageRecord& record, const TelemetryConfig& config);

// Groups hits into batch bodies: at most 20 hits, the hits' lengths plus one
// each summing to at most 15999 bytes, joined with "\r\n".
std::vector<std::string> makeBatches(const std::vector<std::string>& hits);

// The batch poster; tests replace it. Returns empty on success, else the
// error text. `timeout` is what is left of the step's time.
using BatchPoster = std::function<std::optional<std::string>(
    const std::string& body, const TelemetryConfig& config, std::chrono::milliseconds timeout)>;

// HTTPS POST of one batch with libcurl, certificate verification on.
std::optional<std::string> postBatch(const std::string& body, const TelemetryConfig& config,
                                     std::chrono::milliseconds timeout);

// Builds the job's events and posts them. Never fails the job: a failed batch
// writes one "curl_easy_perform() failed: ..." line to log.
void postUsage(const UsageRecord& record, LogFn log);
void postUsage(const UsageRecord& record, const TelemetryConfig& config, LogFn log,
               const BatchPoster& poster = postBatch);

// The usage record of a raster job: option(name) looks up the job option set
// (null when absent); the two flags tell whether the per-user option file has
// "CustomAccountID" and "UserLoginName".
UsageRecord rasterUsageRecord(const std::string& user, const std::string& model,
                              const std::function<const char*(const char*)>& option,
                              bool hasAccountId, bool hasLoginName);

// The usage record of a PDF job, from its job settings after the policy step.
struct PdfUsageFields {
    int duplex = 0; // the job's duplex code: 0 off, 1 short edge, 2 long edge
    bool monochrome = true;
    int staple = 0;
    int punch = 0;
    std::string jobManagerCode;
    std::string loginName;
};
UsageRecord pdfUsageRecord(const std::string& user, const std::string& model,
                           const PdfUsageFields& job);

} // namespace vel
