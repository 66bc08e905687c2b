#include "core/text_scramble.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/xml_document.h"

namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The value of a Base64 character, -1 for any other character.
int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// The element names of the plain text, scrambled.
const std::string& UserNameElement() {
  static const std::string name = ScrambleText("un");
  return name;
}
const std::string& PasswordElement() {
  static const std::string name = ScrambleText("pw");
  return name;
}

std::string ScrambledElementContent(CXmlDocument& document, const std::string& name) {
  const XmlAtom atom = document.GetAtom(name);
  const XmlAtom textAtom = document.GetAtom("#text");
  for (const CXmlNode* node = document.firstChild; node; node = node->next) {
    if (node->name != atom) continue;
    const CXmlNode* content = node->firstChild;
    if (!content || content->name != textAtom) return std::string();
    return UnscrambleText(content->text);
  }
  return std::string();
}

}  // namespace

std::string ScrambleText(std::string_view bytes) {
  std::string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t group = (std::uint32_t{static_cast<unsigned char>(bytes[i])} << 16) |
                                (std::uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8) |
                                std::uint32_t{static_cast<unsigned char>(bytes[i + 2])};
    encoded += kBase64Alphabet[(group >> 18) & 63];
    encoded += kBase64Alphabet[(group >> 12) & 63];
    encoded += kBase64Alphabet[(group >> 6) & 63];
    encoded += kBase64Alphabet[group & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    std::uint32_t group = std::uint32_t{static_cast<unsigned char>(bytes[i])} << 16;
    if (rest == 2) group |= std::uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8;
    encoded += kBase64Alphabet[(group >> 18) & 63];
    encoded += kBase64Alphabet[(group >> 12) & 63];
    encoded += rest == 2 ? kBase64Alphabet[(group >> 6) & 63] : '=';
    encoded += '=';
  }
  std::reverse(encoded.begin(), encoded.end());
  return encoded;
}

std::string UnscrambleText(std::string_view text) {
  std::string decoded;
  std::uint32_t bits = 0;
  int bitCount = 0;
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    const char c = *it;
    if (c == '\0' || c == '\n' || c == '=') break;
    const int value = Base64Value(c);
    if (value < 0) continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      decoded += static_cast<char>((bits >> bitCount) & 0xFF);
    }
  }
  return decoded;
}

std::string SettingsKeyText(std::string_view sidText) {
  const std::string a = ScrambleText(kSettingsKeyProductId);
  const std::string b = ScrambleText(kSettingsKeyVersion);
  const std::string c = ScrambleText(sidText);
  return ScrambleText("<" + a + "><" + b + ">" + c + "</" + b + "></" + a + ">");
}

std::string ComposeProxyCredentialsText(std::string_view userName, std::string_view password) {
  std::string text;
  if (!userName.empty()) {
    text += "<" + UserNameElement() + ">" + ScrambleText(userName) + "</" + UserNameElement() + ">";
  }
  if (!password.empty()) {
    text += "<" + PasswordElement() + ">" + ScrambleText(password) + "</" + PasswordElement() + ">";
  }
  return text;
}

bool ParseProxyCredentialsText(std::string plainText, std::string& userName, std::string& password) {
  CXmlDocument document;
  if (!document.LoadFromText(std::move(plainText))) return false;
  userName = ScrambledElementContent(document, UserNameElement());
  password = ScrambledElementContent(document, PasswordElement());
  return true;
}
