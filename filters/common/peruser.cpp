#include "peruser.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef VELMORA_DATA_DIR_DEFAULT
#define VELMORA_DATA_DIR_DEFAULT "/usr/share/velmora"
#endif

namespace vel {

namespace {

// jobdeck writes a few kilobytes; anything larger was not written by it.
constexpr size_t kMaxPerUserFileBytes = 1 << 20;

// The file's text, or nothing when it cannot be read. The directory belongs to
// the user, so only a regular file is read, and only up to the limit: a FIFO
// would stall the print queue and a device such as /dev/zero never ends.
std::optional<std::string> readPerUserFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string text;
    char buf[4096];
    while (text.size() < kMaxPerUserFileBytes) {
        ssize_t n = ::read(fd, buf, std::min(sizeof buf, kMaxPerUserFileBytes - text.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

} // namespace

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
    auto text = readPerUserFile(*path);
    if (!text) return false;
    bool consent = false;
    // A last line without its line feed does not count.
    for (size_t pos = 0, end; (end = text->find('\n', pos)) != std::string::npos; pos = end + 1) {
        std::string_view line(text->data() + pos, end - pos);
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
    auto text = readPerUserFile(*path);
    if (!text) return std::nullopt;
    for (size_t pos = 0; pos < text->size();) {
        size_t end = text->find('\n', pos);
        if (end == std::string::npos) end = text->size();
        std::string line = text->substr(pos, end - pos);
        pos = end + 1;
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
