// Rebuilds the raster pages from a printer stream: raster size, compression
// modes, vertical skips and the transfers of each row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltest {

struct DecodedPage {
    unsigned width = 0, height = 0; // from "\e*r#S" and "\e*r#T"
    // Per row the planes sent for it, decompressed; no planes for a skipped row.
    std::vector<std::vector<std::vector<uint8_t>>> rows;
    bool ended = false;     // "\e*rC" seen
    std::string pageEnd;    // "\f" or "\x1b&a0G"
    std::vector<int> modes; // compression modes used on the page
};

struct DecodedStream {
    std::vector<DecodedPage> pages;
    std::string error; // empty when the stream parsed cleanly
};

DecodedStream decodePcl(const std::string& stream);

// Decompresses one transfer; false when the coded data is malformed.
bool decompress(int mode, const uint8_t* in, size_t n, std::vector<uint8_t>& out);

// Page as 1-bit ink rows of (width + 7) / 8 bytes, or as two-bit values per
// pixel for pages of low and high planes.
std::vector<std::vector<uint8_t>> monoBitmap(const DecodedPage& page);
std::vector<std::vector<uint8_t>> twoBitPixels(const DecodedPage& page);

} // namespace veltest
