// The password text of a set-address request: always "$1$" and then, as the target camera's
// authScheme asks, the Encode64 letters of the password's MD5 digest or of the password itself.
// Only its first kPasswordFieldSize characters travel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/discovery_messages.h"
#include "common/encode64.h"

namespace common {

// "$1$" and 24 letters: the longest text either form gives.
constexpr size_t kPasswordTextMax = 27;
// The Base64 form's 13 travelling letters carry the first 9 bytes and the top of the 10th;
// later bytes could never reach the camera, so they are not encoded.
constexpr size_t kBase64PasswordBytes = 10;

enum class PasswordForm { kMd5, kBase64 };

// "DIGEST" in any letter case asks for the Base64 form; anything else, empty included, for MD5.
PasswordForm ChoosePasswordForm(std::string_view authScheme);

// The MD5 form: "$1$" and Encode64 (crypt alphabet) of the digest of the password's bytes, 27
// characters. The address-setup tool passes kLowBits, which changes only the last four
// letters, none of which travel. Nothing when MD5 is unavailable.
std::optional<std::string> EncodePwd(
    std::string_view password, Encode64ShortGroup shortGroup = Encode64ShortGroup::kHighBits);

// The Base64 form: "$1$" and Encode64 (standard alphabet) of the password's first
// kBase64PasswordBytes bytes.
std::string EncodePwdBase64(std::string_view password);

// The text in the form that `authScheme` (as last received from the camera) asks for; at most
// kPasswordTextMax characters. Nothing when the MD5 form is asked for and MD5 is unavailable.
std::optional<std::string> MakePasswordText(std::string_view password, std::string_view authScheme);

// The request's password field: the text's first 16 characters, zero-filled after a shorter
// text, with no NUL when the text has 16 characters or more.
std::array<uint8_t, kPasswordFieldSize> PasswordField(std::string_view passwordText);

}  // namespace common
