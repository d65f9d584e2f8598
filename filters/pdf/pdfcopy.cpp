#include "pdfcopy.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vel {

BufferedOutput::BufferedOutput(int fd) : fd_(fd), buffer_(new char[kCapacity]) {}

BufferedOutput::~BufferedOutput() {
    flush();
}

bool BufferedOutput::writeAll(const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            failed_ = true;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool BufferedOutput::flush() {
    if (failed_) return false;
    size_t n = used_;
    used_ = 0;
    return writeAll(buffer_.get(), n);
}

bool BufferedOutput::write(std::string_view bytes) {
    if (failed_) return false;
    if (bytes.size() <= kCapacity - used_) {
        std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
        return true;
    }
    // Fill up what is buffered, send it, then pass large pieces straight on.
    size_t head = kCapacity - used_;
    std::memcpy(buffer_.get() + used_, bytes.data(), head);
    used_ = kCapacity;
    bytes.remove_prefix(head);
    if (!flush()) return false;
    if (bytes.size() >= kCapacity) return writeAll(bytes.data(), bytes.size());
    std::memcpy(buffer_.get(), bytes.data(), bytes.size());
    used_ = bytes.size();
    return true;
}

long BufferedOutput::fillFrom(int fd) {
    if (used_ == kCapacity && !flush()) return -1;
    ssize_t n;
    do {
        n = ::read(fd, buffer_.get() + used_, kCapacity - used_);
    } while (n < 0 && errno == EINTR);
    if (n > 0) used_ += static_cast<size_t>(n);
    return n;
}

CopyResult copyStream(int inFd, BufferedOutput& out) {
    for (;;) {
        if (out.failed()) return CopyResult::WriteFailed;
        long n = out.fillFrom(inFd);
        if (n == 0) return CopyResult::Done;
        if (n < 0) return out.failed() ? CopyResult::WriteFailed : CopyResult::ReadFailed;
    }
}

} // namespace vel
