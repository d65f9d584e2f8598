#include "peruser.h"

#include <cstdlib>
#include <fstream>

#ifndef VELMORA_DATA_DIR_DEFAULT
#define VELMORA_DATA_DIR_DEFAULT "/usr/share/velmora"
#endif

namespace vel {

std::string dataDirectory() {
    const char* env = std::getenv("VELMORA_DATA_DIR");
    return (env && *env) ? env : VELMORA_DATA_DIR_DEFAULT;
}

bool isSafeName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::optional<std::string> userDirectory(std::string_view user) {
    if (!isSafeName(user)) return std::nullopt;
    return dataDirectory() + "/" + std::string(user) + "/";
}

std::optional<std::string> settingsFilePath(std::string_view user) {
    auto dir = userDirectory(user);
    if (!dir) return std::nullopt;
    return *dir + "Settings";
}

std::optional<std::string> optionFilePath(std::string_view user, std::string_view printer) {
    auto dir = userDirectory(user);
    if (!dir || !isSafeName(printer)) return std::nullopt;
    return *dir + std::string(printer) + ".cfg";
}

bool telemetryConsent(std::string_view user) {
    auto path = settingsFilePath(user);
    if (!path) return false;
    std::ifstream in(*path, std::ios::binary);
    if (!in) return false;
    bool consent = false;
    std::string line;
    while (std::getline(in, line)) {
        // A last line without its line feed does not count.
        if (in.eof()) break;
        if (line == "Telemetry=True")
            consent = true;
        else if (line == "Telemetry=False")
            consent = false;
    }
    return consent;
}

UserOptionFile rasterUserOptionFile(std::string_view argv0, std::string_view user, LogFn log) {
    UserOptionFile f{std::string(user), std::string(argv0), log};
    if (argv0.find("./velfilter_pcl") == std::string_view::npos) return f;

    const char* envUser = std::getenv("USER");
    f.user = envUser ? envUser : "";
    const char* ppd = std::getenv("PPD");
    std::string ppdPath = ppd ? ppd : "";
    if (log) log(format("PPD: %s\n", ppdPath.c_str()));
    std::string base = ppdPath.substr(ppdPath.find_last_of('/') == std::string::npos
                                          ? 0
                                          : ppdPath.find_last_of('/') + 1);
    base = base.substr(0, base.find('.'));
    constexpr size_t kMaxPrinterName = 255;
    if (base.size() > kMaxPrinterName) base.resize(kMaxPrinterName);
    f.printer = base;
    return f;
}

std::optional<std::string> userOptionValue(const UserOptionFile& file, std::string_view key) {
    auto path = optionFilePath(file.user, file.printer);
    if (!path) return std::nullopt;
    if (file.log) file.log(format("lpoptions file: %s\n", path->c_str()));
    std::ifstream in(*path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string line;
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of('=');
        if (start == std::string::npos) continue;
        size_t eq = line.find('=', start);
        if (eq == std::string::npos) continue;
        if (std::string_view(line).substr(start, eq - start) != key) continue;
        std::string value = line.substr(eq + 1);
        if (value.empty()) return std::nullopt;
        return value;
    }
    return std::nullopt;
}

} // namespace vel
