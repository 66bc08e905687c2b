#include "core/url_type_map.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <ostream>
#include <string>

namespace {

// The host names of a build with the default deployment settings.
constexpr wchar_t kDownloadHost[] = L"https://update.nortavi.co.jp";

struct TypedUrlCase {
  const wchar_t* type;
  const wchar_t* argument;
  std::wstring url;
};

void PrintTo(const TypedUrlCase& test, std::ostream* out) {
  *out << ::testing::PrintToString(std::wstring(test.type));
}

class TypedUrl : public ::testing::TestWithParam<TypedUrlCase> {};

TEST_P(TypedUrl, FormatsTheTemplateOfTheType) {
  const CURLTypeMap map;
  EXPECT_EQ(FormatTypedUrl(map, GetParam().type, GetParam().argument), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(
    UrlTypeMap, TypedUrl,
    ::testing::Values(
        TypedUrlCase{L"udinfo", L"li_x", std::wstring(kDownloadHost) + L"/download/nvupdate/li_x.cab"},
        TypedUrlCase{L"li_udinfo", L"li_pavecommon",
                     std::wstring(kDownloadHost) + L"/download/nvupdate/li_pavecommon.cab"},
        TypedUrlCase{L"nvdl01", L"viewer/2009/patch1.exe",
                     std::wstring(kDownloadHost) + L"/download/viewer/2009/patch1.exe"},
        TypedUrlCase{L"nvdl02", L"files/a.exe", L"http://support.nortavi.co.jp/files/a.exe"},
        TypedUrlCase{L"nvdl03", L"a.exe", L"http://www.nortavi.co.jp/a.exe"},
        // No placeholder: the argument is not used.
        TypedUrlCase{L"page01", L"ignored", L"support/paveonlineupdate/index.html"},
        // The argument goes in as it is, percent signs included.
        TypedUrlCase{L"nvdl01", L"100%s%d.exe", std::wstring(kDownloadHost) + L"/download/100%s%d.exe"}));

TEST(UrlTypeMap, UnknownTypesAreInvalidArguments) {
  const CURLTypeMap map;
  for (const wchar_t* type : {L"", L"Udinfo", L"LI_UDINFO", L"nvdl04", L" nvdl01", L"nvdl01 "}) {
    EXPECT_THROW(FormatTypedUrl(map, type, L"x"), std::invalid_argument) << type;
  }
}

TEST(UrlTypeMap, UpdateInformationUrls) {
  const CURLTypeMap map;
  EXPECT_EQ(UpdateInfoKeyListUrl(map),
            std::wstring(kDownloadHost) + L"/download/nvupdate/li_updateinfokey.cab");
  EXPECT_EQ(ModuleListUrl(map, L"pavecommon"),
            std::wstring(kDownloadHost) + L"/download/nvupdate/li_pavecommon.cab");
  EXPECT_EQ(ModuleListUrl(map, L"productA"),
            std::wstring(kDownloadHost) + L"/download/nvupdate/li_productA.cab");
}

}  // namespace
