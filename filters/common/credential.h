// Credentials at rest and in job options.
//
// Stored-credential text: the per-user option file keeps login names and
// passwords ("UserLoginName", "UserLoginPass", "ORV_password") as lower-case
// hex of an AES-256-CBC ciphertext (PKCS#7 padding) of the text plus its
// terminating zero byte. Key and IV come from EVP_BytesToKey with SHA-1, five
// rounds, the built-in passphrase and salt. jobdeck encodes, everyone decodes.
//
// Job-option credentials: "VmUserLoginIDValue" and "VmUserLoginPasswordValue"
// arrive from outside as hex of a single-DES-CBC ciphertext, zero-filled to
// whole blocks. Key and IV are deployment constants set at build time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vel {

// Stored-credential text of text, or nothing when the cipher fails.
std::optional<std::string> encodeCredential(std::string_view text);

// The text of a stored-credential text. Nothing when it is empty, of odd
// length, or does not decrypt (bad padding). Non-hex characters count as 0.
// cipherLength is the number of ciphertext bytes to decrypt (callers pass
// storedText.size() / 2); a larger value is cut to what the text holds.
std::optional<std::string> decodeCredential(std::string_view storedText, size_t cipherLength);
inline std::optional<std::string> decodeCredential(std::string_view storedText) {
    return decodeCredential(storedText, storedText.size() / 2);
}

// The text of a job-option credential (upper- or lower-case hex): DES-CBC
// decryption without padding removal, cut at the first zero byte. Nothing
// when the hex is empty or odd, its bytes are not whole 8-byte blocks, or the
// text is empty. Key, IV and key schedule are wiped before returning.
std::optional<std::string> decodeJobOptionCredential(std::string_view hexText);

// Hex digits to bytes, high digit first; a non-hex character counts as 0.
// Nothing for an empty or odd-length text.
std::optional<std::string> hexDecode(std::string_view hex);

} // namespace vel
