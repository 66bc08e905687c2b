#pragma once
// The scrambled texts of the stored proxy credentials: Base64 read
// backwards, the key text built from the product's fixed texts and the
// user's SID, and the small XML plain text that carries the user name and
// the password. Portable; the encryption is in
// downloader_web/proxy_credentials_win.cpp.

#include <string>
#include <string_view>

// The standard Base64 encoding of the bytes (with "=" padding), its
// characters in reverse order.
std::string ScrambleText(std::string_view bytes);

// Reverses the characters, then decodes Base64: characters outside the
// alphabet are skipped, a NUL or a line feed ends the input, "=" ends the
// output. Never fails; a broken text gives what could be decoded.
std::string UnscrambleText(std::string_view text);

// The fixed texts the key is made from. Every writer of the stored value
// must use the same ones.
inline constexpr char kSettingsKeyProductId[] = "jp.co.nortavi.paveonlineupdate.proxy";  // 36 characters
inline constexpr char kSettingsKeyVersion[] = "1.0.4.2";                                  // 7 characters

// The text hashed into the key for the user with this SID text (ANSI):
// ScrambleText("<A><B>C</B></A>") of the scrambled pieces.
std::string SettingsKeyText(std::string_view sidText);

// The plain text of a stored value: one top-level element per value, name
// and content scrambled; an empty value is left out. userName and password
// are ANSI bytes.
std::string ComposeProxyCredentialsText(std::string_view userName, std::string_view password);

// The user name and password (ANSI bytes) of a plain text. False when the
// text is not a well-formed document; a missing element, or one without
// content, gives an empty value.
bool ParseProxyCredentialsText(std::string plainText, std::string& userName, std::string& password);
