// The PDF filter's output: one buffered stream over standard output, through
// which header, PDF bytes, trailer and comment lines leave in order.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace vel {

class BufferedOutput {
  public:
    static constexpr size_t kCapacity = 128 * 1024;

    explicit BufferedOutput(int fd);
    ~BufferedOutput();
    BufferedOutput(const BufferedOutput&) = delete;
    BufferedOutput& operator=(const BufferedOutput&) = delete;

    // False once the descriptor has failed; errno tells why.
    bool write(std::string_view bytes);
    bool flush();
    bool failed() const { return failed_; }

    // Reads from fd straight into the free part of the buffer, sending the
    // buffer on first when it is full. Returns what read(2) returned.
    long fillFrom(int fd);

  private:
    bool writeAll(const char* data, size_t size);

    int fd_;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    bool failed_ = false;
};

enum class CopyResult { Done, ReadFailed, WriteFailed };

// Copies everything readable from inFd to out, unchanged, in chunks of a fixed
// size: memory use does not depend on the size of the input. On failure errno
// holds the cause.
CopyResult copyStream(int inFd, BufferedOutput& out);

} // namespace vel
