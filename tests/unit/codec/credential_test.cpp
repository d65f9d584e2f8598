#include "credential.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

// Ciphertexts made with the openssl command line, not with our encoder:
//   key/IV = EVP_BytesToKey(SHA-1, 5 rounds, "QUILLBOAT", salt 91ed0000 60990000)
//          = cfabdefe36bbf4583b97f27983663bc9e263ff62667b7e89768b3c58e87a7039
//            / 34d09aa39ab3e6d46ccb67f4d0e0e1ae (derived with Python's hashlib)
//   printf 'alice\0' | openssl enc -aes-256-cbc -K <key> -iv <iv> | xxd -p
struct Vector {
    const char* name;
    std::string text;
    const char* stored;
};
const Vector kVectors[] = {
    {"empty text", "", "012b5c19040dd95f2063b46293a9cde2"},
    {"short text", "alice", "885f10b8f6bff5631924a39f86c28661"},
    {"15 bytes fill two blocks", "123456789012345",
     "af4ab248e5d87ae75ec2157c3fb7c897345e3b80ba7dc0f8f914467ee2b7c9c7"},
    {"16 bytes", "1234567890123456",
     "ee4ec46337ed49355613eb0822307c99db97a936ecf9f45ae30466935b1a92a6"},
    {"UTF-8", "p\xc3\xa4ssw\xc3\xb6rd \xe2\x82\xac", "5850e56f96a39ad7aedd1c8bc436fb5f"},
};

TEST(StoredCredential, MatchesIndependentVectorsBothWays) {
    for (const Vector& v : kVectors) {
        EXPECT_EQ(vel::encodeCredential(v.text), v.stored) << v.name;
        EXPECT_EQ(vel::decodeCredential(v.stored), v.text) << v.name;
    }
}

TEST(StoredCredential, UpperCaseHexDecodesLikeLowerCase) {
    std::string upper = kVectors[1].stored;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(vel::decodeCredential(upper), "alice");
}

TEST(StoredCredential, StoredFormIsLowerHexInWholeBlocks) {
    for (size_t len : {0, 1, 15, 16, 31, 100}) {
        auto stored = vel::encodeCredential(std::string(len, 'x'));
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->size() % 32, 0u) << len;
        EXPECT_EQ(stored->find_first_not_of("0123456789abcdef"), std::string::npos) << len;
        EXPECT_EQ(vel::decodeCredential(*stored), std::string(len, 'x')) << len;
    }
}

TEST(StoredCredential, MalformedTextsDecodeToNothing) {
    std::string good = kVectors[1].stored;
    struct Case {
        const char* name;
        std::string stored;
    } cases[] = {
        {"empty", ""},
        {"odd length", good.substr(1)},
        {"not a whole block", good.substr(0, 30)},
        {"corrupted last block", good.substr(0, 30) + "zz"},
        {"plain text", "password1234567890abcdefghijklmn"},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(vel::decodeCredential(c.stored)) << c.name;
}

TEST(StoredCredential, CipherLengthBeyondTheTextIsCut) {
    EXPECT_EQ(vel::decodeCredential(kVectors[1].stored, 4096), "alice");
}

// Job-option credentials with the default deployment key "VELMORA1" and IV
// "JOBOPT01", made with:
//   printf 'bob\0\0\0\0\0' | openssl enc -des-cbc -provider legacy -provider default
//       -nopad -K 56454c4d4f524131 -iv 4a4f424f50543031 | xxd -p
TEST(JobOptionCredential, DecodesDesCbcWithoutPadding) {
    struct Case {
        const char* name;
        const char* hex;
        std::optional<std::string> text;
    } cases[] = {
        {"one block, zero filled", "cbf716b39dc39d04", "bob"},
        {"upper-case hex", "CBF716B39DC39D04", "bob"},
        {"two blocks", "edd86b3d602f459c3f0674822a07522a", "secretpassword1"},
        {"a full block has no terminator", "40f2956da018b186", "exactly8"},
        {"empty", "", std::nullopt},
        {"odd length", "cbf716b39dc39d0", std::nullopt},
        {"not whole blocks", "cbf716b39dc39d0411", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vel::decodeJobOptionCredential(c.hex), c.text) << c.name;
}

TEST(JobOptionCredential, TextStartingWithZeroIsNothing) {
    // The DES decryption of this block is eight zero bytes: an empty text.
    //   printf '\0\0\0\0\0\0\0\0' | openssl enc -des-cbc ... -nopad -K .. -iv .. | xxd -p
    EXPECT_FALSE(vel::decodeJobOptionCredential("bcf7ff03f4ae25d7"));
}

TEST(HexDecode, NonHexCountsAsZero) {
    EXPECT_EQ(vel::hexDecode("4g"), std::string("\x40", 1));
    EXPECT_EQ(vel::hexDecode("zz"), std::string("\0", 1));
    EXPECT_EQ(vel::hexDecode("aB"), std::string("\xab", 1));
}

} // namespace
