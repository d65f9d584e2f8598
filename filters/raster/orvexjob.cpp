#include "orvexjob.h"

#include "policy.h"

#include <cctype>

namespace vel {

bool checkOrvex(RasterJob& job) {
    job.orvex = readOrvexSettings(job.userFile, job.user);
    if (!job.orvex.orvEnabled) return true;
    LoginResult login = orvexLogin(job.orvex, job.log);
    if (!login.policy) return false;
    if (applyPolicy(job.numOptions, job.options, login.policy, job.orvex, job.log) !=
        PolicyVerdict::Print)
        return false;
    job.policy = std::move(login.policy);
    return true;
}

namespace {

struct Mapping {
    const char* value;
    const char* comment;
};

// A value from the print client must not end the command early (";") or
// carry control bytes into the stream.
std::string commentValue(std::string_view value, bool upper) {
    std::string out;
    for (unsigned char c : value) {
        if (c < 0x20 || c == 0x7f || c == ';')
            out += '?';
        else
            out += upper ? static_cast<char>(std::toupper(c)) : static_cast<char>(c);
    }
    return out;
}

} // namespace

void writeOrvexComments(RasterJob& job) {
    if (!job.orvex.orvEnabled || !job.policy) return;
    auto comment = [&](const char* key, std::string_view value) {
        job.out.write(format("!R! CMNT %s=%s; EXIT;", key, std::string(value).c_str()));
    };
    auto mapped = [&](const char* key, const char* option, std::initializer_list<Mapping> table) {
        const char* v = job.option(option);
        if (!v) return;
        for (const Mapping& m : table)
            if (std::string_view(v) == m.value) return comment(key, m.comment);
    };

    comment("Vorx", commentValue(job.orvex.server, false));
    if (const char* v = job.option("ColorModel"))
        comment("Colormode", std::string_view(v) == "RGB" ? "FULL_COLOR" : "BLACK_AND_WHITE");
    mapped("Binding", "Duplex",
           {{"None", "SIMPLEX"}, {"DuplexTumble", "TOP"}, {"DuplexNoTumble", "LEFT_RIGHT"}});
    mapped("Booklet", "Booklet", {{"None", "OFF"}, {"Left", "LEFT_EDGE"}, {"Right", "RIGHT_EDGE"}});
    mapped("Staple", "Staple",
           {{"Off", "OFF"},
            {"Center", "BOOKLET"},
            {"Front", "UPPER_LEFT"},
            {"Rear", "UPPER_RIGHT"},
            {"BookletStitch", "BOOKLET"}});
    mapped("Punch", "Punch",
           {{"None", "OFF"},
            {"2Hole", "TWO"},
            {"2HoleEUR", "TWO"},
            {"3Hole", "THREE"},
            {"4Hole", "FOUR"}});
    if (const char* v = job.option("PageSize")) comment("Paper", commentValue(v, true));
    if (const char* v = job.option("MediaType")) comment("MediaType", commentValue(v, true));
}

} // namespace vel
