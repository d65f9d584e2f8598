#include "pjltext.h"

namespace vel {

std::string pjlText(std::string_view value, size_t maxBytes) {
    if (value.size() > maxBytes) {
        size_t cut = maxBytes;
        // Back up over continuation bytes to the start of the cut sequence.
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xc0) == 0x80)
            --cut;
        value = value.substr(0, cut);
    }
    std::string out(value);
    for (char& c : out) {
        unsigned char b = static_cast<unsigned char>(c);
        if (c == '"')
            c = '\'';
        else if (b < 0x20 || b == 0x7f)
            c = '?';
    }
    return out;
}

} // namespace vel
