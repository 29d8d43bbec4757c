#include "common/password_text.h"

#include "common/md5.h"

namespace common {
namespace {

constexpr std::string_view kTextPrefix = "$1$";

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Not lstrcmpi: the scheme is a protocol token and must not follow the user's locale.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace

PasswordForm ChoosePasswordForm(std::string_view authScheme) {
  return EqualsIgnoringAsciiCase(authScheme, "DIGEST") ? PasswordForm::kBase64 : PasswordForm::kMd5;
}

std::optional<std::string> EncodePwd(std::string_view password, Encode64ShortGroup shortGroup) {
  const auto digest = ComputeMd5(password);
  if (!digest) return std::nullopt;
  const std::string_view digestBytes(reinterpret_cast<const char*>(digest->data()), digest->size());
  return std::string(kTextPrefix) + Encode64(digestBytes, Encode64Alphabet::kCrypt, shortGroup);
}

std::string EncodePwdBase64(std::string_view password) {
  return std::string(kTextPrefix) +
         Encode64(password.substr(0, kBase64PasswordBytes), Encode64Alphabet::kStandard);
}

std::optional<std::string> MakePasswordText(std::string_view password, std::string_view authScheme) {
  if (ChoosePasswordForm(authScheme) == PasswordForm::kBase64) return EncodePwdBase64(password);
  return EncodePwd(password);
}

std::array<uint8_t, kPasswordFieldSize> PasswordField(std::string_view passwordText) {
  std::array<uint8_t, kPasswordFieldSize> field{};
  for (size_t i = 0; i < field.size() && i < passwordText.size(); ++i)
    field[i] = static_cast<uint8_t>(passwordText[i]);
  return field;
}

}  // namespace common
