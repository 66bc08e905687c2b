#include "core/setting_argument.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

struct BaseFolderCase {
  const char* what;
  std::vector<std::wstring> arguments;
  bool found;
  std::wstring folder;
};

const std::wstring k100(100, L'x');
const std::wstring k101(101, L'y');

class BaseFolderArgumentTest : public ::testing::TestWithParam<BaseFolderCase> {};

TEST_P(BaseFolderArgumentTest, FindsTheFirstUsableArgument) {
  const BaseFolderCase& c = GetParam();
  std::wstring folder = L"untouched";
  EXPECT_EQ(FindBaseFolderArgument(c.arguments, folder), c.found);
  EXPECT_EQ(folder, c.found ? c.folder : L"untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BaseFolderArgumentTest,
    ::testing::Values(
        BaseFolderCase{"Slash", {L"/basefolder=C:\\dist"}, true, L"C:\\dist"},
        BaseFolderCase{"Dash", {L"-basefolder=C:\\dist"}, true, L"C:\\dist"},
        BaseFolderCase{"CaseAndSpaces", {L"  /BaseFOLDER\t = \\\\srv\\share dir  "}, true,
                       L"\\\\srv\\share dir"},
        BaseFolderCase{"NoEquals", {L"/basefolder"}, false, L""},
        BaseFolderCase{"NoEqualsValueAfterSpace", {L"/basefolder C:\\dist"}, false, L""},
        BaseFolderCase{"NoValue", {L"/basefolder="}, false, L""},
        BaseFolderCase{"BlankValue", {L"/basefolder=   "}, false, L""},
        BaseFolderCase{"EmptyTokensSkipped", {L"==/basefolder===C:\\dist==x"}, true, L"C:\\dist"},
        BaseFolderCase{"ThirdTokenIgnored", {L"/basefolder=C:\\a=b"}, true, L"C:\\a"},
        BaseFolderCase{"OtherName", {L"/basefolders=C:\\dist", L"/balloon=1"}, false, L""},
        BaseFolderCase{"NoPrefix", {L"basefolder=C:\\dist"}, false, L""},
        BaseFolderCase{"OtherPrefix", {L"\\basefolder=C:\\dist", L"--basefolder=C:\\x"}, false,
                       L""},
        BaseFolderCase{"HundredCharacters", {L"/basefolder=" + k100}, true, k100},
        BaseFolderCase{"HundredCharactersAfterTrimming", {L"/basefolder=  " + k100 + L"  "}, true,
                       k100},
        BaseFolderCase{"TooLongSearchGoesOn", {L"/basefolder=" + k101, L"-basefolder=C:\\b"}, true,
                       L"C:\\b"},
        BaseFolderCase{"TooLongAlone", {L"/basefolder=" + k101}, false, L""},
        BaseFolderCase{"FirstMatchWins", {L"x", L"-basefolder=C:\\a", L"/basefolder=C:\\b"}, true,
                       L"C:\\a"},
        BaseFolderCase{"QuotesAreKept", {L"/basefolder=\"C:\\a b\""}, true, L"\"C:\\a b\""},
        BaseFolderCase{"NoArguments", {}, false, L""}),
    [](const ::testing::TestParamInfo<BaseFolderCase>& info) { return info.param.what; });

struct BalloonCase {
  const char* what;
  std::vector<std::wstring> arguments;
  bool found;
  int balloon;
};

class BalloonArgumentTest : public ::testing::TestWithParam<BalloonCase> {};

TEST_P(BalloonArgumentTest, ReadsTheFirstMatchingArgumentAsANumber) {
  const BalloonCase& c = GetParam();
  int balloon = -7;
  EXPECT_EQ(FindBalloonArgument(c.arguments, balloon), c.found);
  EXPECT_EQ(balloon, c.found ? c.balloon : -7);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BalloonArgumentTest,
    ::testing::Values(
        BalloonCase{"DashOne", {L"-balloon=1"}, true, 1},
        BalloonCase{"SlashUpperZero", {L"/BALLOON=0"}, true, 0},
        BalloonCase{"QuotesAndSpaces", {L" \"'-Balloon' = \"12\" "}, true, 12},
        BalloonCase{"TabIsNotTrimmed", {L"\t-balloon=1"}, false, 0},
        BalloonCase{"NoEquals", {L"-balloon"}, false, 0},
        BalloonCase{"NoDigits", {L"-balloon=on"}, true, 0},
        BalloonCase{"LeadingDigits", {L"-balloon=+3x"}, true, 3},
        BalloonCase{"Negative", {L"-balloon=-2"}, true, -2},
        BalloonCase{"FirstMatchWinsEvenWhenZero", {L"-balloon=0", L"-balloon=1"}, true, 0},
        BalloonCase{"TooLongSkipped",
                    {L"-balloon=1" + std::wstring(246, L' '), L"/balloon=2"}, true, 2},
        BalloonCase{"JustShortEnough", {L"-balloon=1" + std::wstring(245, L' ')}, true, 1},
        BalloonCase{"BaseFolderIsNotBalloon", {L"/basefolder=1"}, false, 0}),
    [](const ::testing::TestParamInfo<BalloonCase>& info) { return info.param.what; });

TEST(ParseLeadingIntTest, ReadsSignAndLeadingDigitsAndClamps) {
  EXPECT_EQ(ParseLeadingInt(L""), 0);
  EXPECT_EQ(ParseLeadingInt(L"-"), 0);
  EXPECT_EQ(ParseLeadingInt(L"42abc"), 42);
  EXPECT_EQ(ParseLeadingInt(L" 42"), 0);
  EXPECT_EQ(ParseLeadingInt(L"-0012"), -12);
  EXPECT_EQ(ParseLeadingInt(L"99999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseLeadingInt(L"-2147483648"), INT_MIN);
  EXPECT_EQ(ParseLeadingInt(L"-99999999999999999999"), INT_MIN);
}

}  // namespace
