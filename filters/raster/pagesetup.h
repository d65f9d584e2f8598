// Page setup: the paper-size table and the commands that start each page.
#pragma once

#include <string>

namespace vel {

// The printer's paper-size command with its picture frame for a page of
// length x width points, or null when the size is not in the table.
const char* paperSizeCommand(unsigned length, unsigned width, bool portrait);

// A size outside the table, in inches: width and height already ordered.
std::string customSizeCommand(double first, double second);

} // namespace vel
