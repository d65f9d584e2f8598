#include "printerstream.h"

#include <cerrno>
#include <sys/uio.h>
#include <unistd.h>

namespace vel {

bool PrinterStream::write(std::string_view bytes) {
    return write({bytes});
}

bool PrinterStream::write(std::initializer_list<std::string_view> pieces) {
    constexpr size_t kMaxPieces = 8;
    struct iovec iov[kMaxPieces];
    size_t count = 0;
    for (std::string_view p : pieces) {
        if (p.empty()) continue;
        if (count == kMaxPieces) return false; // a programming error, not an I/O one
        iov[count].iov_base = const_cast<char*>(p.data());
        iov[count].iov_len = p.size();
        ++count;
    }
    struct iovec* cur = iov;
    while (count > 0) {
        ssize_t n = ::writev(fd_, cur, static_cast<int>(count));
        if (n < 0) {
            if (errno == EINTR) continue;
            failed_ = true;
            return false;
        }
        // A short write (pipe full): continue where it stopped.
        size_t done = static_cast<size_t>(n);
        while (count > 0 && done >= cur->iov_len) {
            done -= cur->iov_len;
            ++cur;
            --count;
        }
        if (count > 0) {
            cur->iov_base = static_cast<char*>(cur->iov_base) + done;
            cur->iov_len -= done;
        }
    }
    return true;
}

} // namespace vel
