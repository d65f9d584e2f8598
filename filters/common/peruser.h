// Per-user files that jobdeck writes and the filters read:
//   <base>/<user>/Settings        the telemetry consent line
//   <base>/<user>/<printer>.cfg   the per-user option file, key=value[;default] lines
// <base> is "/usr/share/velmora" unless VELMORA_DATA_DIR relocates it.
//
// User and printer names reach the filters from the submitting client, so a
// name that could leave the per-user directory ("/", ".", "..", empty) is
// treated as having no per-user files at all.
#pragma once

#include "log.h"

#include <optional>
#include <string>
#include <string_view>

namespace vel {

std::string dataDirectory();

// True when name can be used as one path component below the data directory.
bool isSafeName(std::string_view name);

std::optional<std::string> userDirectory(std::string_view user);
std::optional<std::string> settingsFilePath(std::string_view user);
std::optional<std::string> optionFilePath(std::string_view user, std::string_view printer);

// True when the user's Settings file grants consent: the last line that is
// exactly "Telemetry=True\n" or "Telemetry=False\n" decides.
bool telemetryConsent(std::string_view user);

// Whose per-user option file a job reads, and where its debug lines go.
struct UserOptionFile {
    std::string user;
    std::string printer;
    LogFn log;
};

// The raster filter's choice of user and printer: the CUPS arguments, or, when
// the filter runs by hand from its build directory (argument 0 contains
// "./velfilter_pcl"), USER and the PPD file's base name.
UserOptionFile rasterUserOptionFile(std::string_view argv0, std::string_view user, LogFn log);

// The value of key in the per-user option file; absent when the file, the key
// or its value is missing or empty. The first line with the key wins.
std::optional<std::string> userOptionValue(const UserOptionFile& file, std::string_view key);

} // namespace vel
