// Status and debug lines of the filters. The library parts never write to
// standard error themselves: the program hands them a sink, tests capture it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vel {

using LogFn = std::function<void(std::string_view)>;

// Writes each text to standard error in one write(2), unbuffered.
LogFn stderrLog();

// A sink that drops everything.
LogFn nullLog();

// printf-style formatting into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace vel
