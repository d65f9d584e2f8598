#include "pjltext.h"

#include <gtest/gtest.h>

namespace {

TEST(PjlText, NeutralisesQuotesLineBreaksAndControls) {
    struct Case {
        const char* name;
        std::string value;
        std::string safe;
    } cases[] = {
        {"plain", "Quarterly report 2026", "Quarterly report 2026"},
        {"UTF-8 kept", "R\xc3\xa9sum\xc3\xa9 \xe2\x82\xac \xe6\x97\xa5",
         "R\xc3\xa9sum\xc3\xa9 \xe2\x82\xac \xe6\x97\xa5"},
        {"quote", "say \"hi\"", "say 'hi'"},
        {"PJL injection",
         "x\"\r\n@PJL SET HOLD=OFF\r\n\x1b%-12345X@PJL ENTER LANGUAGE=PCL\n\x1b"
         "E",
         "x'??@PJL SET HOLD=OFF???%-12345X@PJL ENTER LANGUAGE=PCL??E"},
        {"NUL, tab, DEL", std::string("a\0b\tc\x7f", 6), "a?b?c?"},
        {"other punctuation kept", "a=b;c 'd' !R! \\e", "a=b;c 'd' !R! \\e"},
    };
    for (const Case& c : cases) {
        std::string safe = vel::pjlText(c.value);
        EXPECT_EQ(safe, c.safe) << c.name;
        EXPECT_EQ(safe.find_first_of(std::string("\"\r\n\x1b\0", 5)), std::string::npos) << c.name;
    }
}

TEST(PjlText, CutsLongValuesOnACharacterBoundary) {
    EXPECT_EQ(vel::pjlText(std::string(5000, 'a')).size(), vel::kPjlValueBytes);
    // "€" is three bytes; a cut inside it drops the whole character.
    EXPECT_EQ(vel::pjlText("ab\xe2\x82\xac", 4), "ab");
    EXPECT_EQ(vel::pjlText("ab\xe2\x82\xac", 5), "ab\xe2\x82\xac");
    EXPECT_EQ(vel::pjlText("abc", 2), "ab");
}

} // namespace
