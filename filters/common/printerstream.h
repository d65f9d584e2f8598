// The printer stream: unbuffered output on one file descriptor.
//
// Each logical unit (a PJL line, a command, one raster row with its transfer
// header) leaves in one write(2) or writev(2), so a cancelled job never leaves
// a partial unit behind and the SIGTERM handler never races a buffer.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>

namespace vel {

class PrinterStream {
  public:
    explicit PrinterStream(int fd = 1) : fd_(fd) {}

    // One unit. Returns false when the descriptor failed (for example EPIPE).
    bool write(std::string_view bytes);
    bool write(const void* data, size_t size) {
        return write(std::string_view(static_cast<const char*>(data), size));
    }
    // Several pieces that form one unit, sent with one writev(2).
    bool write(std::initializer_list<std::string_view> pieces);

    int fd() const { return fd_; }
    bool failed() const { return failed_; }

  private:
    int fd_;
    bool failed_ = false;
};

} // namespace vel
