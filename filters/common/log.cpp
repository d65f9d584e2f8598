#include "log.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <unistd.h>

namespace vel {

LogFn stderrLog() {
    return [](std::string_view text) {
        const char* p = text.data();
        size_t left = text.size();
        while (left > 0) {
            ssize_t n = ::write(STDERR_FILENO, p, left);
            if (n < 0) {
                if (errno == EINTR) continue;
                return;
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
    };
}

LogFn nullLog() {
    return [](std::string_view) {};
}

std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, ap);
        out.resize(static_cast<size_t>(n));
    }
    va_end(ap);
    return out;
}

} // namespace vel
