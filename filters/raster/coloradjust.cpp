#include "rasterjob.h"

#include <cmath>
#include <cstdlib>

namespace vel {

namespace {

constexpr double kThreshold = 0.005;

struct Adjustment {
    const char* key;  // option key in the raw option string
    const char* line; // PJL line, "%f" with the value
};

// Hue, saturation, lightness, contrast.
constexpr Adjustment kHsl[] = {
    {"CaHr", "@PJL SET KHUER=%f\n"},       {"CaHy", "@PJL SET KHUEY=%f\n"},
    {"CaHg", "@PJL SET KHUEG=%f\n"},       {"CaHc", "@PJL SET KHUEC=%f\n"},
    {"CaHb", "@PJL SET KHUEB=%f\n"},       {"CaHm", "@PJL SET KHUEM=%f\n"},
    {"Cast", "@PJL SET KSATURATION=%f\n"}, {"Cabt", "@PJL SET KLIGHTNESS=%f\n"},
    {"Cact", "@PJL SET KCONTRAST=%f\n"},
};

// Colour balance: levels of the three primaries.
constexpr Adjustment kBalance[] = {
    {"CaCR", "@PJL SET KRGBLEVELR=%f\n"},
    {"CaMG", "@PJL SET KRGBLEVELG=%f\n"},
    {"CaYB", "@PJL SET KRGBLEVELB=%f\n"},
};

float adjustValue(const RasterJob& job, const char* key) {
    std::string v = rawOptionValue(job, key, kRawColorCapacity);
    return static_cast<float>(std::atof(v.c_str()));
}

// Writes the line when the value is far enough from zero; true when written.
bool writeAdjustment(RasterJob& job, const char* line, float value) {
    if (std::fabs(static_cast<double>(value)) <= kThreshold) return false;
    job.out.write(format(line, static_cast<double>(value)));
    return true;
}

void log(const RasterJob& job, const char* text) {
    if (job.log) job.log(text);
}

} // namespace

void writeColorAdjustments(RasterJob& job) {
    std::string model = rawOptionValue(job, "CaColorSpace", kRawColorCapacity);
    if (model == "0") {
        log(job, "HSL detected\n");
        // A master hue replaces every other HSL adjustment.
        if (writeAdjustment(job, "@PJL SET KHUE=%f\n", adjustValue(job, "CaHueMaster"))) return;
        for (const Adjustment& a : kHsl)
            writeAdjustment(job, a.line, adjustValue(job, a.key));
    } else if (model == "1") {
        log(job, "CB detected\n");
        for (const Adjustment& a : kBalance)
            writeAdjustment(job, a.line, adjustValue(job, a.key));
    } else {
        log(job, "No color adjustment\n");
    }
}

} // namespace vel
