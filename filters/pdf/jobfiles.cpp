// The files a PDF job touches besides its input: which per-user option file
// it reads, and the leftover temporary file it removes.
#include "pdfjob.h"

#include <cstdlib>
#include <cstring>

namespace vel {

std::string pdfPrinterName(const char* argv0, const LogFn& log) {
    if (argv0 && *argv0 && !std::strstr(argv0, "./velfilter_pdf")) return argv0;

    // Started by hand: the queue is the one whose PPD we were given.
    const char* env = std::getenv("PPD");
    std::string_view path = env ? env : "";
    if (log) log(format("PPD: %s\n", std::string(path).c_str()));
    size_t slash = path.rfind('/');
    std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    base = base.substr(0, base.find('.'));
    constexpr size_t kMaxPrinterName = 255;
    return std::string(base.substr(0, kMaxPrinterName));
}

std::optional<std::string> leftoverTempFile(std::string_view jobId, std::string_view title) {
    // The title comes from whoever submitted the job: it must not name a file
    // outside /tmp, nor may a cut path name a different file.
    constexpr size_t kMaxPath = 1023;
    std::string name = std::string(jobId) + "_" + std::string(title);
    if (!isSafeName(name)) return std::nullopt;
    std::string path = "/tmp/" + name;
    if (path.size() > kMaxPath) return std::nullopt;
    return path;
}

} // namespace vel
