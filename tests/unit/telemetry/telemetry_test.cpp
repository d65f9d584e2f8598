#include "telemetry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <unistd.h>

namespace {

using namespace vel;

struct TempFile {
    std::string path;
    explicit TempFile(const std::string& content) {
        char tmpl[] = "/tmp/veltelemetryXXXXXX";
        int fd = mkstemp(tmpl);
        path = tmpl;
        if (fd >= 0) {
            (void)!write(fd, content.data(), content.size());
            close(fd);
        }
    }
    ~TempFile() { std::remove(path.c_str()); }
};

TelemetryConfig testConfig() {
    TelemetryConfig c;
    c.endpoint = "https://127.0.0.1:9/batch";
    c.trackingId = "UA-1234-5";
    c.addressFile = "/nonexistent/address";
    return c;
}

// Value of parameter name in a hit, still encoded; absent when missing.
std::optional<std::string> param(const std::string& hit, const std::string& name) {
    std::string key = name + "=";
    size_t pos = 0;
    while (pos <= hit.size()) {
        size_t end = hit.find('&', pos);
        if (end == std::string::npos) end = hit.size();
        std::string part = hit.substr(pos, end - pos);
        if (part.compare(0, key.size(), key) == 0) return part.substr(key.size());
        pos = end + 1;
    }
    return std::nullopt;
}

std::vector<std::string> preferenceLabels(const std::vector<std::string>& hits) {
    std::vector<std::string> labels;
    for (const auto& h : hits)
        if (param(h, "ea") == "Preferences") labels.push_back(param(h, "el").value_or("?"));
    return labels;
}

TEST(ClientId, DigestOfUserAndAddressText) {
    TempFile address("00:11:22:33:44:55\n");
    EXPECT_EQ(clientId("alice", address.path),
              "d0921c5a427d0c17f7f3470f5d9057de415c18adc0a1d3c58d001d8ac1349ebd");
    // No address file: the all-zero address, without a line feed.
    EXPECT_EQ(clientId("alice", "/nonexistent/address"),
              "05ea8fecacb1194dd6cc709e8fcbd2f980ed9938f4cdf815db7ec41454c2ee9b");
}

TEST(EncodeParameter, PercentEncodingAndLimits) {
    struct Case {
        const char* name;
        std::string value;
        size_t limit;
        std::string expected;
    } cases[] = {
        {"unreserved stay", "AZaz09-_.~", 0, "&x=AZaz09-_.~"},
        {"blank and reserved", "a b&c=d/e+", 0, "&x=a%20b%26c%3Dd%2Fe%2B"},
        {"bytes above 127 as upper-case hex", "\xC3\xA9\xFF", 0, "&x=%C3%A9%FF"},
        {"line end and NUL", std::string("a\r\n\0", 4), 0, "&x=a%0D%0A%00"},
        {"cut to limit - 1", "abcdefghij", 5, "&x=abcd"},
        {"fits exactly", "abcd", 5, "&x=abcd"},
        {"escape that would cross the limit is left out", "ab cd", 5, "&x=ab"},
        {"escape that ends on the limit stays", "a b", 5, "&x=a%20"},
        {"limit smaller than one escape", " a", 3, "&x="},
        {"empty value", "", 20, "&x="},
    };
    for (const auto& c : cases)
        EXPECT_EQ(encodeParameter("x", c.value, c.limit), c.expected) << c.name;
}

TEST(UsageHits, FirstHitIsExact) {
    UsageRecord r;
    r.user = "alice";
    r.model = "Velmora P-4020 MFP";
    auto hits = usageHits(r, testConfig());
    ASSERT_EQ(hits.size(), 2u); // no field set: Driver and OS only
    EXPECT_EQ(hits[0], "v=1&aip=1&t=event&tid=UA-1234-5"
                       "&cid=05ea8fecacb1194dd6cc709e8fcbd2f980ed9938f4cdf815db7ec41454c2ee9b"
                       "&an=Velmora%20Linux%20Printer%20Driver&av=8.0.0"
                       "&ec=Print&ea=Driver&el=Velmora%20P-4020%20MFP");
    EXPECT_EQ(param(hits[1], "ea"), "OS");
    EXPECT_EQ(param(hits[1], "el"), "Linux%20-%20Unknown");
}

TEST(UsageHits, LanguageParameter) {
    UsageRecord r;
    r.user = "bob";
    TelemetryConfig c = testConfig();
    EXPECT_EQ(param(usageHits(r, c)[0], "ul"), std::nullopt);

    c.language = "de_DE:en";
    auto hit = usageHits(r, c)[0];
    EXPECT_NE(hit.find("&cid=" + clientId("bob", c.addressFile) + "&ul=de_DE%3Aen&an="),
              std::string::npos);

    c.language = std::string(30, 'x'); // cut to 19 characters
    EXPECT_EQ(param(usageHits(r, c)[0], "ul"), std::string(19, 'x'));
}

TEST(UsageHits, EmptyModelSendsNoLabel) {
    UsageRecord r;
    r.user = "bob";
    auto hits = usageHits(r, testConfig());
    EXPECT_EQ(param(hits[0], "ea"), "Driver");
    EXPECT_EQ(param(hits[0], "el"), std::nullopt);
}

TEST(UsageHits, HitOver8000BytesIsDropped) {
    UsageRecord r;
    r.user = "bob";
    r.model = std::string(40, 'm');
    TelemetryConfig c = testConfig();
    c.trackingId = "T";
    // The Driver hit (a 40-byte label) is longer than the OS hit: grow the id
    // until the OS hit is exactly 8000 bytes long.
    size_t osLength = usageHits(r, c).back().size();
    c.trackingId = std::string(1 + 8000 - osLength, 'T');
    auto hits = usageHits(r, c);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].size(), 8000u);
    EXPECT_EQ(param(hits[0], "ea"), "OS");
}

// The record each filter fills, and the Preferences labels it gives.
TEST(UsageRecords, RasterJobs) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> options;
        bool accountId, loginName;
        std::vector<std::string> labels;
    } cases[] = {
        {"long edge, colour, nothing else",
         {{"Duplex", "DuplexNoTumble"},
          {"ColorModel", "RGB"},
          {"Ecop", "Off"},
          {"Stpl", "None"},
          {"Pnch", "None"}},
         false,
         false,
         {"Duplex%3ATWOSIDEDLONGEDGE", "ColorMode%3ACOLOR", "EcoPrint%3AOFF", "PDL%3APJL",
          "Staple%3AOFF", "Punch%3AOFF", "JobAccounting%3AOFF", "UserLogin%3AOFF"}},
        {"short edge, grey, every feature on",
         {{"Duplex", "DuplexTumble"},
          {"ColorModel", "Gray"},
          {"Ecop", "On"},
          {"Stpl", "Front"},
          {"Pnch", "2Hole"}},
         true,
         true,
         {"Duplex%3ATWOSIDEDSHORTEDGE", "ColorMode%3AMONOCHROME", "EcoPrint%3AON", "PDL%3APJL",
          "Staple%3AON", "Punch%3AON", "JobAccounting%3AON", "UserLogin%3AON"}},
        {"absent options send no event",
         {},
         false,
         true,
         {"PDL%3APJL", "JobAccounting%3AOFF", "UserLogin%3AON"}},
        {"unlisted duplex and colour values send no event",
         {{"Duplex", "Both"}, {"ColorModel", "CMYK"}, {"Ecop", "Anything"}},
         false,
         false,
         {"EcoPrint%3AON", "PDL%3APJL", "JobAccounting%3AOFF", "UserLogin%3AOFF"}},
        {"one-sided",
         {{"Duplex", "None"}},
         false,
         false,
         {"Duplex%3AONESIDED", "PDL%3APJL", "JobAccounting%3AOFF", "UserLogin%3AOFF"}},
    };
    for (const auto& c : cases) {
        auto lookup = [&](const char* name) -> const char* {
            auto it = c.options.find(name);
            return it == c.options.end() ? nullptr : it->second.c_str();
        };
        UsageRecord r =
            rasterUsageRecord("alice", "Velmora P-4020", lookup, c.accountId, c.loginName);
        auto hits = usageHits(r, testConfig());
        EXPECT_EQ(preferenceLabels(hits), c.labels) << c.name;
        EXPECT_EQ(hits.size(), 2 + c.labels.size()) << c.name;
    }
}

TEST(UsageRecords, PdfJobs) {
    struct Case {
        const char* name;
        PdfUsageFields job;
        std::vector<std::string> labels;
    } cases[] = {
        {"defaults: one-sided monochrome",
         {},
         {"Duplex%3AONESIDED", "ColorMode%3AMONOCHROME", "EcoPrint%3AOFF", "PDL%3APDF",
          "Staple%3AOFF", "Punch%3AOFF", "JobAccounting%3AOFF", "UserLogin%3AOFF"}},
        {"long edge (code 2), colour, finishing, accounting, login",
         {2, false, 3, 2, "1234", "carol"},
         {"Duplex%3ATWOSIDEDLONGEDGE", "ColorMode%3ACOLOR", "EcoPrint%3AOFF", "PDL%3APDF",
          "Staple%3AON", "Punch%3AON", "JobAccounting%3AON", "UserLogin%3AON"}},
        {"short edge (code 1); Default is no accounting",
         {1, true, 0, 0, "Default", ""},
         {"Duplex%3ATWOSIDEDSHORTEDGE", "ColorMode%3AMONOCHROME", "EcoPrint%3AOFF", "PDL%3APDF",
          "Staple%3AOFF", "Punch%3AOFF", "JobAccounting%3AOFF", "UserLogin%3AOFF"}},
        {"unknown duplex code sends no duplex event",
         {7, true, 0, 0, "", ""},
         {"ColorMode%3AMONOCHROME", "EcoPrint%3AOFF", "PDL%3APDF", "Staple%3AOFF", "Punch%3AOFF",
          "JobAccounting%3AOFF", "UserLogin%3AOFF"}},
    };
    for (const auto& c : cases) {
        auto hits = usageHits(pdfUsageRecord("alice", "Velmora PD-9000", c.job), testConfig());
        EXPECT_EQ(preferenceLabels(hits), c.labels) << c.name;
    }
}

TEST(UsageRecords, OutOfRangeFieldSendsNoEvent) {
    UsageRecord r;
    r.user = "u";
    r.colour = 2;
    r.pdl = -1;
    r.staple = 1;
    EXPECT_EQ(preferenceLabels(usageHits(r, testConfig())),
              std::vector<std::string>{"Staple%3AON"});
}

TEST(MakeBatches, CountAndByteLimits) {
    auto hitsOf = [](size_t n, size_t length) {
        std::vector<std::string> hits;
        for (size_t i = 0; i < n; ++i)
            hits.push_back(std::string(length, char('a' + i % 26)));
        return hits;
    };
    auto sizes = [](const std::vector<std::string>& batches, size_t length) {
        std::vector<size_t> counts;
        for (const auto& b : batches)
            counts.push_back((b.size() + 2) / (length + 2));
        return counts;
    };
    struct Case {
        const char* name;
        size_t hits, length;
        std::vector<size_t> counts;
    } cases[] = {
        {"ten hits in one batch", 10, 300, {10}},
        {"20 hits per batch at most", 41, 10, {20, 20, 1}},
        {"two hits whose lengths plus one sum to 15998", 4, 7998, {2, 2}},
        {"two hits summing to 16000 do not share a batch", 2, 7999, {1, 1}},
        {"no hits, no batch", 0, 10, {}},
    };
    for (const auto& c : cases) {
        auto batches = makeBatches(hitsOf(c.hits, c.length));
        EXPECT_EQ(sizes(batches, c.length), c.counts) << c.name;
    }

    auto batches = makeBatches({"v=1&a", "v=1&b", "v=1&c"});
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0], "v=1&a\r\nv=1&b\r\nv=1&c");
}

TEST(PostUsage, PostsEveryBatchAndReportsFailures) {
    UsageRecord r = rasterUsageRecord(
        "alice", "M", [](const char*) -> const char* { return "None"; }, false, false);
    std::vector<std::string> bodies;
    std::string log;
    postUsage(
        r, testConfig(), [&](std::string_view s) { log += s; },
        [&](const std::string& body, const TelemetryConfig&,
            std::chrono::milliseconds left) -> std::optional<std::string> {
            EXPECT_GT(left.count(), 0);
            EXPECT_LE(left.count(), 5000);
            bodies.push_back(body);
            return std::string("Couldn't connect to server");
        });
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0], makeBatches(usageHits(r, testConfig()))[0]);
    EXPECT_EQ(log, "curl_easy_perform() failed: Couldn't connect to server\n");
}

TEST(PostUsage, SpentTimeBudgetSendsNothingMore) {
    UsageRecord r;
    r.user = "alice";
    TelemetryConfig c = testConfig();
    c.stepTimeout = std::chrono::milliseconds(0);
    int calls = 0;
    std::string log;
    postUsage(
        r, c, [&](std::string_view s) { log += s; },
        [&](const std::string&, const TelemetryConfig&, std::chrono::milliseconds) {
            ++calls;
            return std::optional<std::string>();
        });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(log, "Usage telemetry: time is up, 1 batches not sent\n");
}

TEST(CaBundle, EnvironmentOverridesTheDistributionBundle) {
    setenv("VELMORA_TELEMETRY_CA_BUNDLE", "/tmp/test-ca.pem", 1);
    EXPECT_EQ(defaultTelemetryConfig().caBundle, "/tmp/test-ca.pem");
    unsetenv("VELMORA_TELEMETRY_CA_BUNDLE");
    EXPECT_EQ(defaultTelemetryConfig().caBundle, findCaBundle());
}

} // namespace
