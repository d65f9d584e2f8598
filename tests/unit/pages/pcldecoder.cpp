#include "pcldecoder.h"

#include <cctype>
#include <cstdlib>

namespace veltest {

bool decompress(int mode, const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
    out.clear();
    if (mode == 0) {
        out.assign(in, in + n);
        return true;
    }
    size_t i = 0;
    if (mode == 1) {
        if (n % 2) return false;
        for (; i < n; i += 2)
            out.insert(out.end(), size_t(in[i]) + 1, in[i + 1]);
        return true;
    }
    if (mode == 2) {
        while (i < n) {
            int c = static_cast<int8_t>(in[i++]);
            if (c >= 0) {
                if (i + c + 1 > n) return false;
                out.insert(out.end(), in + i, in + i + c + 1);
                i += c + 1;
            } else if (c != -128) {
                if (i >= n) return false;
                out.insert(out.end(), size_t(1 - c), in[i++]);
            }
        }
        return true;
    }
    return false;
}

DecodedStream decodePcl(const std::string& s) {
    DecodedStream result;
    DecodedPage* page = nullptr;
    int mode = 0;
    unsigned width = 0, height = 0, y = 0;
    std::vector<std::vector<uint8_t>> planes; // planes of the row being sent
    size_t i = 0;
    auto fail = [&](const std::string& why) {
        result.error = why + " at byte " + std::to_string(i);
        return result;
    };
    while (i < s.size()) {
        char c = s[i];
        if (c == '\f') {
            if (page) page->pageEnd = "\f";
            ++i;
            continue;
        }
        if (c != '\x1b') {
            ++i;
            continue;
        }
        if (i + 1 >= s.size()) return fail("escape at the end");
        char kind = s[i + 1];
        i += 2;
        if (kind < '!' || kind > '/') continue; // two-character escape (ESC E)
        char group = 0;
        if (i < s.size() && std::islower(static_cast<unsigned char>(s[i]))) group = s[i++];
        for (;;) {
            size_t start = i;
            while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '-' ||
                                    s[i] == '+' || s[i] == '.'))
                ++i;
            if (i >= s.size()) return fail("unterminated escape");
            std::string value = s.substr(start, i - start);
            char letter = s[i++];
            bool last = std::isupper(static_cast<unsigned char>(letter));
            char param = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
            long n = std::atol(value.c_str());
            bool data = param == 'W' || (kind == '*' && group == 'b' && param == 'V');
            std::string bytes;
            if (data) {
                if (n < 0 || i + size_t(n) > s.size()) return fail("transfer past the end");
                bytes = s.substr(i, size_t(n));
                i += size_t(n);
            }
            if (kind == '*' && group == 'r') {
                if (param == 'S') width = unsigned(n);
                if (param == 'T') height = unsigned(n);
                if (param == 'A') {
                    result.pages.emplace_back();
                    page = &result.pages.back();
                    page->width = width;
                    page->height = height;
                    page->rows.assign(height, {});
                    y = 0;
                    mode = 0;
                    planes.clear();
                }
                if (param == 'C') {
                    if (!page) return fail("end of raster without a start");
                    page->ended = true;
                }
            } else if (kind == '*' && group == 'b') {
                if (param == 'M') {
                    mode = int(n);
                    if (page) page->modes.push_back(mode);
                } else if (param == 'Y') {
                    y += unsigned(n);
                } else if (param == 'V' || param == 'W') {
                    if (!page) return fail("transfer outside a page");
                    std::vector<uint8_t> plane;
                    if (!decompress(mode, reinterpret_cast<const uint8_t*>(bytes.data()),
                                    bytes.size(), plane))
                        return fail("malformed coded data");
                    planes.push_back(plane);
                    if (param == 'W') {
                        if (y >= page->rows.size()) return fail("row below the page");
                        page->rows[y++] = planes;
                        planes.clear();
                    }
                }
            } else if (kind == '&' && group == 'a' && param == 'G' && page) {
                page->pageEnd = "\x1b&a0G";
            }
            if (last) break;
        }
    }
    return result;
}

namespace {
std::vector<uint8_t> fit(const std::vector<uint8_t>& v, size_t n) {
    std::vector<uint8_t> out(v);
    out.resize(n, 0); // PCL fills a short row with zeros
    return out;
}
} // namespace

std::vector<std::vector<uint8_t>> monoBitmap(const DecodedPage& page) {
    size_t len = (page.width + 7) / 8;
    std::vector<std::vector<uint8_t>> out;
    for (const auto& row : page.rows)
        out.push_back(row.empty() ? std::vector<uint8_t>(len, 0) : fit(row[0], len));
    return out;
}

std::vector<std::vector<uint8_t>> twoBitPixels(const DecodedPage& page) {
    size_t len = (page.width + 7) / 8;
    std::vector<std::vector<uint8_t>> out;
    for (const auto& row : page.rows) {
        std::vector<uint8_t> px(page.width, 0);
        if (row.size() == 2) {
            auto low = fit(row[0], len), high = fit(row[1], len);
            for (unsigned x = 0; x < page.width; ++x) {
                int bit = 7 - int(x % 8);
                px[x] = uint8_t(((high[x / 8] >> bit) & 1) << 1 | ((low[x / 8] >> bit) & 1));
            }
        }
        out.push_back(px);
    }
    return out;
}

} // namespace veltest
