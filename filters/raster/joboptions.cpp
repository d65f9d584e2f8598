// The job's options and the PPD: the option set with its PPD defaults, the
// raw option reader, the device flags of the PPD text.
#include "rasterjob.h"

#include <cstring>
#include <unistd.h>

namespace vel {

void closeJobOptions(RasterJob& job) {
    cupsFreeOptions(job.numOptions, job.options);
    job.numOptions = 0;
    job.options = nullptr;
    if (job.ppd) ppdClose(job.ppd);
    job.ppd = nullptr;
}

std::string rawOptionValue(std::string_view raw, std::string_view key, size_t capacity) {
    std::string value;
    if (key.empty() || capacity == 0) return value;
    size_t first = raw.find(key);
    if (first == std::string_view::npos) return value;
    std::string keyEq = std::string(key) + "=";
    size_t at = raw.find(keyEq, first);
    if (at == std::string_view::npos) return value;
    for (size_t i = at + keyEq.size(); i < raw.size() && value.size() < capacity - 1; ++i) {
        char c = raw[i];
        if (c == '\\') {
            if (++i == raw.size()) break;
            c = raw[i];
        } else if (c == ' ') {
            break;
        }
        value.push_back(c);
    }
    return value;
}

std::string argumentLine(int number, std::string_view arg) {
    std::string text(arg.substr(0, kArgEchoBytes));
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    if (arg.size() > kArgEchoBytes) text += "...";
    return format("arg%d %s\n", number, text.c_str());
}

void parseJobOptions(RasterJob& job) {
    job.numOptions = cupsParseOptions(job.rawOptions.c_str(), job.numOptions, &job.options);
}

void mergePpdDefaults(RasterJob& job, ppd_file_t* ppd) {
    if (job.ppd && job.ppd != ppd) ppdClose(job.ppd);
    job.ppd = ppd;
    if (!ppd) return;
    ppdMarkDefaults(ppd);
    for (int g = 0; g < ppd->num_groups; ++g) {
        const ppd_group_t& group = ppd->groups[g];
        for (int o = 0; o < group.num_options; ++o) {
            const ppd_option_t& opt = group.options[o];
            if (!cupsGetOption(opt.keyword, job.numOptions, job.options))
                job.numOptions =
                    cupsAddOption(opt.keyword, opt.defchoice, job.numOptions, &job.options);
        }
    }
}

PpdFlags scanPpdFlags(FILE* ppdText) {
    PpdFlags flags;
    constexpr size_t kPpdLine = 1024; // 1023 bytes and the terminator
    char line[kPpdLine];
    while (std::fgets(line, sizeof line, ppdText)) {
        if (std::strstr(line, "*cupsFilter:")) break;
        if (std::strstr(line, "*SFPFlag:"))
            flags.sfpDevice = true;
        else if (std::strstr(line, "*monoDevFlag:"))
            flags.monoDevice = true;
    }
    return flags;
}

void readPpdFlags(RasterJob& job) {
    // A bounded connection of our own, so a missing or hung server cannot
    // hold the job for long.
    constexpr int kConnectMs = 5000;
    constexpr double kReplySeconds = 10.0;
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kConnectMs, nullptr);
    if (!http) {
        job.log("DEBUG: No CUPS server for the PPD copy; no device flags\n");
        return;
    }
    httpSetTimeout(http, kReplySeconds, nullptr, nullptr);
    time_t modtime = 0;
    char path[1024] = "";
    http_status_t status = cupsGetPPD3(http, job.printer.c_str(), &modtime, path, sizeof path);
    httpClose(http);
    if (status != HTTP_STATUS_OK) {
        if (path[0]) unlink(path);
        job.log("DEBUG: No PPD copy from the CUPS server; no device flags\n");
        return;
    }
    if (FILE* f = std::fopen(path, "r")) {
        PpdFlags flags = scanPpdFlags(f);
        job.sfpDevice = flags.sfpDevice;
        job.monoDevice = flags.monoDevice;
        std::fclose(f);
        job.log(
            format("DEBUG: PPD device flags: SFP %d, mono %d\n", job.sfpDevice, job.monoDevice));
    }
    unlink(path);
}

} // namespace vel
