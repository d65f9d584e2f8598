#include "telemetry.h"

#include <curl/curl.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

#ifndef VELMORA_TELEMETRY_ENDPOINT
#define VELMORA_TELEMETRY_ENDPOINT "https://www.google-analytics.com/batch"
#endif
#ifndef VELMORA_TELEMETRY_PROPERTY_ID
#define VELMORA_TELEMETRY_PROPERTY_ID "UA-00000000-1"
#endif

namespace vel {

namespace {

// Measurement Protocol limits: value lengths include room for a terminator,
// hence "limit - 1" characters on the wire.
constexpr size_t kLanguageLimit = 20;
constexpr size_t kAppNameLimit = 100;
constexpr size_t kAppVersionLimit = 100;
constexpr size_t kCategoryLimit = 150;
constexpr size_t kActionLimit = 500;
constexpr size_t kLabelLimit = 500;
constexpr size_t kMaxHitBytes = 8000;
constexpr size_t kMaxBatchHits = 20;
constexpr size_t kMaxBatchBytes = 15999;

// The address file is a few bytes; anything longer is not an address.
constexpr size_t kMaxAddressBytes = 4096;

const char* const kCaBundles[] = {
    "/etc/ssl/ca-bundle.pem",
    "/etc/pki/tls/certs/ca-bundle.crt",
    "/etc/ssl/certs/ca-certificates.crt",
};

bool fileExists(const char* path) {
    struct stat st;
    return stat(path, &st) == 0;
}

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~';
}

std::string eventHit(const std::string& tracker, std::string_view action,
                     std::optional<std::string_view> label) {
    std::string hit = "v=1&aip=1";
    hit += "&t=event";
    hit += tracker;
    hit += encodeParameter("ec", "Print", kCategoryLimit);
    hit += encodeParameter("ea", action, kActionLimit);
    if (label) hit += encodeParameter("el", *label, kLabelLimit);
    return hit;
}

// Preference labels by field value; a value outside a row gives no event.
struct PreferenceRow {
    std::optional<int> UsageRecord::*field;
    std::array<const char*, 3> labels;
};

const PreferenceRow kPreferences[] = {
    {&UsageRecord::duplex,
     {"Duplex:ONESIDED", "Duplex:TWOSIDEDLONGEDGE", "Duplex:TWOSIDEDSHORTEDGE"}},
    {&UsageRecord::colour, {"ColorMode:COLOR", "ColorMode:MONOCHROME", nullptr}},
    {&UsageRecord::ecoPrint, {"EcoPrint:OFF", "EcoPrint:ON", nullptr}},
    {&UsageRecord::pdl, {"PDL:VPDL", "PDL:PJL", "PDL:PDF"}},
    {&UsageRecord::staple, {"Staple:OFF", "Staple:ON", nullptr}},
    {&UsageRecord::punch, {"Punch:OFF", "Punch:ON", nullptr}},
    {&UsageRecord::jobAccounting, {"JobAccounting:OFF", "JobAccounting:ON", nullptr}},
    {&UsageRecord::userLogin, {"UserLogin:OFF", "UserLogin:ON", nullptr}},
};

size_t discardReply(char*, size_t size, size_t count, void*) {
    return size * count;
}

} // namespace

std::string findCaBundle() {
    for (const char* path : kCaBundles)
        if (fileExists(path)) return path;
    return {};
}

TelemetryConfig defaultTelemetryConfig() {
    TelemetryConfig c;
    const char* endpoint = std::getenv("VELMORA_TELEMETRY_ENDPOINT");
    c.endpoint = (endpoint && *endpoint) ? endpoint : VELMORA_TELEMETRY_ENDPOINT;
    c.trackingId = VELMORA_TELEMETRY_PROPERTY_ID;
    const char* ca = std::getenv("VELMORA_TELEMETRY_CA_BUNDLE");
    c.caBundle = (ca && *ca) ? ca : findCaBundle();
    if (const char* lang = std::getenv("LANGUAGE")) c.language = lang;
    return c;
}

std::string clientId(std::string_view user, const std::string& addressFile) {
    std::string address = "00:00:00:00:00:00";
    std::ifstream in(addressFile, std::ios::binary);
    if (in) {
        std::string text(kMaxAddressBytes, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(in.gcount()));
        address = text;
    }
    std::string seed = std::string(user) + "-" + address;

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (!EVP_Digest(seed.data(), seed.size(), digest, &len, EVP_sha256(), nullptr)) return {};
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < len; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 0xF];
    }
    return out;
}

std::string encodeParameter(std::string_view name, std::string_view value, size_t limit) {
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : value) {
        char piece[4] = {static_cast<char>(c), 0, 0, 0};
        if (!unreserved(c)) {
            piece[0] = '%';
            piece[1] = hex[c >> 4];
            piece[2] = hex[c & 0xF];
        }
        std::string_view p(piece);
        if (limit > 0 && encoded.size() + p.size() > limit - 1) break;
        encoded += p;
    }
    return "&" + std::string(name) + "=" + encoded;
}

std::vector<std::string> usageHits(const UsageRecord& record, const TelemetryConfig& config) {
    std::string tracker = encodeParameter("tid", config.trackingId);
    tracker += encodeParameter("cid", clientId(record.user, config.addressFile));
    if (config.language) tracker += encodeParameter("ul", *config.language, kLanguageLimit);
    tracker += encodeParameter("an", kUsageAppName, kAppNameLimit);
    tracker += encodeParameter("av", kUsageAppVersion, kAppVersionLimit);

    std::vector<std::string> hits;
    auto add = [&](std::string hit) {
        if (hit.size() <= kMaxHitBytes) hits.push_back(std::move(hit));
    };
    std::optional<std::string_view> model;
    if (!record.model.empty()) model = record.model;
    add(eventHit(tracker, "Driver", model));
    add(eventHit(tracker, "OS", std::string_view("Linux - Unknown")));
    for (const PreferenceRow& row : kPreferences) {
        const std::optional<int>& v = record.*row.field;
        if (!v || *v < 0 || *v >= static_cast<int>(row.labels.size()) || !row.labels[*v]) continue;
        add(eventHit(tracker, "Preferences", std::string_view(row.labels[*v])));
    }
    return hits;
}

std::vector<std::string> makeBatches(const std::vector<std::string>& hits) {
    std::vector<std::string> batches;
    size_t next = 0;
    while (next < hits.size()) {
        std::string body;
        size_t count = 0, bytes = 0;
        while (next < hits.size() && count < kMaxBatchHits &&
               bytes + hits[next].size() + 1 <= kMaxBatchBytes) {
            if (count > 0) body += "\r\n";
            body += hits[next];
            bytes += hits[next].size() + 1;
            ++count;
            ++next;
        }
        // A hit that fits no batch at all is dropped rather than looping.
        if (count == 0) {
            ++next;
            continue;
        }
        batches.push_back(std::move(body));
    }
    return batches;
}

std::optional<std::string> postBatch(const std::string& body, const TelemetryConfig& config,
                                     std::chrono::milliseconds timeout) {
    CURL* curl = curl_easy_init();
    if (!curl) return std::string("cannot create a request handle");
    struct curl_slist* headers = curl_slist_append(nullptr, "Expect:");

    curl_easy_setopt(curl, CURLOPT_URL, config.endpoint.c_str());
    // Hits only ever travel encrypted, and never to a redirect target.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    // No "Expect: 100-continue" round trip for the few kilobytes of a batch.
    if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discardReply);
    if (!config.caBundle.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, config.caBundle.c_str());
    // CURLOPT_NOSIGNAL stays off: libcurl then ignores SIGPIPE while it works,
    // so a collector that drops the connection cannot kill the filter.
    long total = static_cast<long>(std::max<long long>(1, timeout.count()));
    long connect = std::min<long>(total, static_cast<long>(config.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connect);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, total);

    CURLcode res = curl_easy_perform(curl);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    if (res == CURLE_OK) return std::nullopt;
    return std::string(curl_easy_strerror(res));
}

void postUsage(const UsageRecord& record, LogFn log) {
    postUsage(record, defaultTelemetryConfig(), std::move(log));
}

void postUsage(const UsageRecord& record, const TelemetryConfig& config, LogFn log,
               const BatchPoster& poster) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + config.stepTimeout;
    std::vector<std::string> batches = makeBatches(usageHits(record, config));

    curl_global_init(CURL_GLOBAL_DEFAULT);
    for (size_t i = 0; i < batches.size(); ++i) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            if (log)
                log(format("Usage telemetry: time is up, %zu batches not sent\n",
                           batches.size() - i));
            break;
        }
        std::optional<std::string> error = poster(batches[i], config, left);
        if (error && log) log(format("curl_easy_perform() failed: %s\n", error->c_str()));
    }
    curl_global_cleanup();
}

UsageRecord rasterUsageRecord(const std::string& user, const std::string& model,
                              const std::function<const char*(const char*)>& option,
                              bool hasAccountId, bool hasLoginName) {
    UsageRecord r;
    r.user = user;
    r.model = model;
    auto is = [](const char* v, const char* text) { return std::string_view(v) == text; };
    if (const char* v = option("Duplex")) {
        if (is(v, "None"))
            r.duplex = 0;
        else if (is(v, "DuplexNoTumble"))
            r.duplex = 1;
        else if (is(v, "DuplexTumble"))
            r.duplex = 2;
    }
    if (const char* v = option("ColorModel")) {
        if (is(v, "RGB"))
            r.colour = 0;
        else if (is(v, "Gray"))
            r.colour = 1;
    }
    if (const char* v = option("Ecop")) r.ecoPrint = is(v, "Off") ? 0 : 1;
    r.pdl = 1;
    if (const char* v = option("Stpl")) r.staple = is(v, "None") ? 0 : 1;
    if (const char* v = option("Pnch")) r.punch = is(v, "None") ? 0 : 1;
    r.jobAccounting = hasAccountId ? 1 : 0;
    r.userLogin = hasLoginName ? 1 : 0;
    return r;
}

UsageRecord pdfUsageRecord(const std::string& user, const std::string& model,
                           const PdfUsageFields& job) {
    UsageRecord r;
    r.user = user;
    r.model = model;
    // The job's codes are 1 short edge, 2 long edge; the record's the reverse.
    if (job.duplex == 0)
        r.duplex = 0;
    else if (job.duplex == 2)
        r.duplex = 1;
    else if (job.duplex == 1)
        r.duplex = 2;
    r.colour = job.monochrome ? 1 : 0;
    r.ecoPrint = 0;
    r.pdl = 2;
    r.staple = job.staple != 0 ? 1 : 0;
    r.punch = job.punch != 0 ? 1 : 0;
    r.jobAccounting = !job.jobManagerCode.empty() && job.jobManagerCode != "Default" ? 1 : 0;
    r.userLogin = job.loginName.empty() ? 0 : 1;
    return r;
}

} // namespace vel
