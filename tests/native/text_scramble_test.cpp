#include "core/text_scramble.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct ScrambleCase {
  std::string plain;
  std::string scrambled;
};

TEST(TextScramble, ScrambleIsBase64ReadBackwards) {
  const ScrambleCase cases[] = {
      {"", ""},
      {"f", "==gZ"},
      {"fo", "=8mZ"},
      {"foo", "v9mZ"},
      {"foobar", "yFmYv9mZ"},
      {"un", "=4Wd"},
      {"pw", "=cHc"},
      {std::string("\xFF\xFE\x00", 3), "A4//"},
  };
  for (const ScrambleCase& c : cases) {
    EXPECT_EQ(ScrambleText(c.plain), c.scrambled) << c.plain;
    EXPECT_EQ(UnscrambleText(c.scrambled), c.plain) << c.scrambled;
  }
}

TEST(TextScramble, UserNameElementBeginsWithPadding) {
  const std::string name = ScrambleText("un");
  ASSERT_EQ(name.size(), 4u);
  EXPECT_EQ(name.front(), '=');
}

TEST(TextScramble, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  for (std::size_t length = 0; length <= all.size(); length += 37) {
    const std::string plain = all.substr(all.size() - length);
    EXPECT_EQ(UnscrambleText(ScrambleText(plain)), plain) << length;
  }
  // Code page 932 bytes of a Japanese user name.
  const std::string japanese = "\x83\x65\x83\x58\x83\x67\x97\x70";
  EXPECT_EQ(UnscrambleText(ScrambleText(japanese)), japanese);
}

TEST(TextScramble, UnscrambleSkipsAndStops) {
  const ScrambleCase cases[] = {
      // characters outside the alphabet are skipped
      {"foobar", "yF*mY v9m\tZ"},
      // a line feed or a NUL ends the input (read backwards)
      {"foo", "yFmY\nv9mZ"},
      {"foo", std::string("yFmY\0v9mZ", 9)},
      // "=" ends the output
      {"f", "v9mZ==gZ"},
      {"foo", "=v9mZ"},
      {"", "v9mZ="},
  };
  for (const ScrambleCase& c : cases) {
    EXPECT_EQ(UnscrambleText(c.scrambled), c.plain) << c.scrambled;
  }
}

TEST(TextScramble, FixedKeyTextsHaveTheirForms) {
  EXPECT_EQ(std::string(kSettingsKeyProductId).size(), 36u);
  const std::string version = kSettingsKeyVersion;
  EXPECT_EQ(version.size(), 7u);
  int numbers[4] = {};
  char end = 0;
  EXPECT_EQ(std::sscanf(version.c_str(), "%d.%d.%d.%d%c", &numbers[0], &numbers[1], &numbers[2],
                        &numbers[3], &end),
            4);
  for (char c : std::string(kSettingsKeyProductId)) {
    EXPECT_TRUE(c > 0x20 && c < 0x7F) << c;
  }
}

TEST(TextScramble, KeyTextNestsTheScrambledPieces) {
  const std::string sid = "S-1-5-21-1004336348-1177238915-682003330-1000";
  const std::string a = ScrambleText(kSettingsKeyProductId);
  const std::string b = ScrambleText(kSettingsKeyVersion);
  const std::string c = ScrambleText(sid);
  EXPECT_EQ(UnscrambleText(SettingsKeyText(sid)),
            "<" + a + "><" + b + ">" + c + "</" + b + "></" + a + ">");
  EXPECT_NE(SettingsKeyText(sid), SettingsKeyText("S-1-5-21-1004336348-1177238915-682003330-1001"));
}

struct PlainTextCase {
  const char* what;
  std::string text;
  std::string userName;
  std::string password;
};

TEST(TextScramble, PlainTextGivesTheValues) {
  const std::string un = ScrambleText("un");
  const std::string pw = ScrambleText("pw");
  const PlainTextCase cases[] = {
      {"composed", ComposeProxyCredentialsText("proxyuser", "s3cret!"), "proxyuser", "s3cret!"},
      {"japanese", ComposeProxyCredentialsText("\x83\x65\x83\x58", "pw\x97\x70"), "\x83\x65\x83\x58",
       "pw\x97\x70"},
      {"password only", ComposeProxyCredentialsText("", "only"), "", "only"},
      {"empty", ComposeProxyCredentialsText("", ""), "", ""},
      {"other elements and order",
       "<?xml version=\"1.0\"?><x>1</x><" + pw + ">" + ScrambleText("b") + "</" + pw + "><" + un +
           ">" + ScrambleText("a") + "</" + un + ">",
       "a", "b"},
      {"first element counts",
       "<" + un + ">" + ScrambleText("first") + "</" + un + "><" + un + ">" + ScrambleText("second") +
           "</" + un + ">",
       "first", ""},
      {"element without content", "<" + un + "/><" + pw + "></" + pw + ">", "", ""},
      {"nested elements are not top-level", "<r><" + un + ">" + ScrambleText("a") + "</" + un + "></r>",
       "", ""},
      {"plain names do not count", "<un>" + ScrambleText("a") + "</un>", "", ""},
  };
  for (const PlainTextCase& c : cases) {
    std::string userName = "x";
    std::string password = "x";
    ASSERT_TRUE(ParseProxyCredentialsText(c.text, userName, password)) << c.what;
    EXPECT_EQ(userName, c.userName) << c.what;
    EXPECT_EQ(password, c.password) << c.what;
  }
}

TEST(TextScramble, ComposedTextLeavesEmptyValuesOut) {
  EXPECT_EQ(ComposeProxyCredentialsText("", "p").find(ScrambleText("un")), std::string::npos);
  EXPECT_EQ(ComposeProxyCredentialsText("", ""), "");
}

TEST(TextScramble, MalformedPlainTextFails) {
  std::string userName;
  std::string password;
  EXPECT_FALSE(ParseProxyCredentialsText("<a><b></a>", userName, password));
}

}  // namespace
