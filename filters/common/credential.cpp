#include "credential.h"

// Single DES is only in OpenSSL's deprecated low-level API; that API needs no
// legacy provider (unlike EVP_des_cbc on OpenSSL 3), so no system config.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/crypto.h>
#include <openssl/des.h>
#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#ifndef VELMORA_JOBCRED_DES_KEY
#define VELMORA_JOBCRED_DES_KEY 0x56, 0x45, 0x4c, 0x4d, 0x4f, 0x52, 0x41, 0x31
#endif
#ifndef VELMORA_JOBCRED_DES_IV
#define VELMORA_JOBCRED_DES_IV 0x4a, 0x4f, 0x42, 0x4f, 0x50, 0x54, 0x30, 0x31
#endif

namespace vel {

namespace {

// ---- stored credentials: AES-256-CBC ----

constexpr unsigned char kPassphrase[] = {'Q', 'U', 'I', 'L', 'L', 'B', 'O', 'A', 'T'};
// The 32-bit words 60817 and 39264, each little-endian.
constexpr unsigned char kSalt[8] = {0x91, 0xed, 0x00, 0x00, 0x60, 0x99, 0x00, 0x00};
constexpr int kRounds = 5;

struct AesKey {
    unsigned char key[EVP_MAX_KEY_LENGTH];
    unsigned char iv[EVP_MAX_IV_LENGTH];
    ~AesKey() {
        OPENSSL_cleanse(key, sizeof key);
        OPENSSL_cleanse(iv, sizeof iv);
    }
};

bool deriveKey(AesKey& k) {
    return EVP_BytesToKey(EVP_aes_256_cbc(), EVP_sha1(), kSalt, kPassphrase, sizeof kPassphrase,
                          kRounds, k.key, k.iv) == 32;
}

using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// Runs the AES cipher over input; nothing on any failure (bad padding too).
std::optional<std::string> aes(bool encrypt, const unsigned char* input, size_t size) {
    AesKey k;
    if (!deriveKey(k)) return std::nullopt;
    CipherCtx ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!ctx || size > static_cast<size_t>(INT32_MAX - 32)) return std::nullopt;
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, k.key, k.iv, encrypt) != 1)
        return std::nullopt;
    std::string out(size + 32, '\0');
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    int n = 0, tail = 0;
    if (EVP_CipherUpdate(ctx.get(), o, &n, input, static_cast<int>(size)) != 1 ||
        EVP_CipherFinal_ex(ctx.get(), o + n, &tail) != 1) {
        OPENSSL_cleanse(out.data(), out.size());
        return std::nullopt;
    }
    out.resize(static_cast<size_t>(n + tail));
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

// The text before the first zero byte.
std::string upToZero(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

// ---- job-option credentials: DES-CBC ----

// The key and IV bytes sit in one table in an order of their own; the code
// gathers them one byte at a time when it needs them.
constexpr unsigned char kKeyBytes[8] = {VELMORA_JOBCRED_DES_KEY};
constexpr unsigned char kIvBytes[8] = {VELMORA_JOBCRED_DES_IV};
constexpr int kKeyAt[8] = {11, 2, 14, 7, 0, 9, 4, 13};
constexpr int kIvAt[8] = {6, 15, 1, 10, 3, 12, 8, 5};

constexpr std::array<unsigned char, 16> makeTable() {
    std::array<unsigned char, 16> t{};
    for (int i = 0; i < 8; ++i) {
        t[kKeyAt[i]] = kKeyBytes[i];
        t[kIvAt[i]] = kIvBytes[i];
    }
    return t;
}
constexpr std::array<unsigned char, 16> kTable = makeTable();

} // namespace

std::optional<std::string> hexDecode(std::string_view hex) {
    if (hex.empty() || hex.size() % 2 != 0) return std::nullopt;
    std::string out(hex.size() / 2, '\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(hexValue(hex[2 * i]) << 4 | hexValue(hex[2 * i + 1]));
    return out;
}

std::optional<std::string> encodeCredential(std::string_view text) {
    std::string plain(text);
    plain.push_back('\0');
    auto cipher = aes(true, reinterpret_cast<const unsigned char*>(plain.data()), plain.size());
    OPENSSL_cleanse(plain.data(), plain.size());
    if (!cipher) return std::nullopt;
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(cipher->size() * 2);
    for (unsigned char b : *cipher) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

std::optional<std::string> decodeCredential(std::string_view storedText, size_t cipherLength) {
    auto bytes = hexDecode(storedText);
    if (!bytes) return std::nullopt;
    if (cipherLength > bytes->size()) cipherLength = bytes->size();
    auto plain = aes(false, reinterpret_cast<const unsigned char*>(bytes->data()), cipherLength);
    if (!plain) return std::nullopt;
    std::string text = upToZero(*plain);
    OPENSSL_cleanse(plain->data(), plain->size());
    return text;
}

std::optional<std::string> decodeJobOptionCredential(std::string_view hexText) {
    auto cipher = hexDecode(hexText);
    if (!cipher || cipher->size() % 8 != 0) return std::nullopt;

    DES_cblock key, iv;
    for (int i = 0; i < 8; ++i) {
        key[i] = kTable[kKeyAt[i]];
        iv[i] = kTable[kIvAt[i]];
    }
    auto schedule = std::make_unique<DES_key_schedule>();
    DES_set_key_unchecked(&key, schedule.get()); // no parity or weak-key checks

    std::string plain(cipher->size(), '\0');
    DES_ncbc_encrypt(reinterpret_cast<const unsigned char*>(cipher->data()),
                     reinterpret_cast<unsigned char*>(plain.data()),
                     static_cast<long>(cipher->size()), schedule.get(), &iv, DES_DECRYPT);

    OPENSSL_cleanse(key, sizeof key);
    OPENSSL_cleanse(iv, sizeof iv);
    OPENSSL_cleanse(schedule.get(), sizeof *schedule);
    schedule.reset();

    std::string text = upToZero(plain);
    OPENSSL_cleanse(plain.data(), plain.size());
    if (text.empty()) return std::nullopt;
    return text;
}

} // namespace vel
