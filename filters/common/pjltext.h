// Values that go into PJL lines come partly from remote clients (job title,
// user name, option values). pjlText makes any of them safe to write between
// the quotes of a PJL string or after "=": it cannot end the string, start a
// new line or command, or carry ESC or another control byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vel {

// Longest value a PJL line carries, in bytes.
constexpr size_t kPjlValueBytes = 1023;

// A double quote becomes an apostrophe, every control byte (0x00-0x1f, 0x7f:
// CR, LF, ESC, ...) a question mark; all else, UTF-8 included, is kept. The
// result is cut to maxBytes without splitting a UTF-8 sequence.
std::string pjlText(std::string_view value, size_t maxBytes = kPjlValueBytes);

} // namespace vel
