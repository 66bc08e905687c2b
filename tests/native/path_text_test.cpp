#include "core/path_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Components = std::vector<std::wstring>;

TEST(PathText, TrailingBackslashes) {
  struct Case {
    std::wstring path, removed, added;
  };
  const Case cases[] = {
      {L"", L"", L"\\"},
      {L"\\", L"", L"\\"},
      {L"C:", L"C:", L"C:\\"},
      {L"C:\\", L"C:", L"C:\\"},
      {L"C:\\a", L"C:\\a", L"C:\\a\\"},
      // Only one backslash is removed.
      {L"C:\\a\\\\", L"C:\\a\\", L"C:\\a\\\\"},
  };
  for (const auto& c : cases) {
    std::wstring removed = c.path, added = c.path;
    RemoveTrailingBackslash(removed);
    AddTrailingBackslash(added);
    EXPECT_EQ(removed, c.removed) << c.path;
    EXPECT_EQ(added, c.added) << c.path;
  }
}

TEST(PathText, CombinePathTreatsNullAndEmptyDifferently) {
  EXPECT_EQ(CombinePath(L"C:\\data", L"x.log"), L"C:\\data\\x.log");
  EXPECT_EQ(CombinePath(L"C:\\data\\", L"x.log"), L"C:\\data\\x.log");
  EXPECT_EQ(CombinePath(nullptr, L"x.log"), L"x.log");
  EXPECT_EQ(CombinePath(L"", L"x.log"), L"\\x.log");
  EXPECT_EQ(CombinePath(L"C:\\data", nullptr), L"C:\\data\\");
  EXPECT_EQ(CombinePath(static_cast<const wchar_t*>(nullptr), nullptr), L"");
}

TEST(PathText, SplitPath) {
  struct Case {
    std::wstring path;
    Components components;
  };
  const Case cases[] = {
      {L"", {}},
      {L"\\", {}},
      {L"abc", {L"abc"}},
      {L"C:\\a\\b", {L"C:", L"a", L"b"}},
      {L"C:\\a\\b\\", {L"C:", L"a", L"b"}},
      // An empty component between two backslashes is kept.
      {L"C:\\a\\\\b", {L"C:", L"a", L"", L"b"}},
      // One leading backslash is skipped, the second starts an empty component.
      {L"\\a\\b", {L"a", L"b"}},
      {L"\\\\server\\share\\x", {L"", L"server", L"share", L"x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitPath(c.path), c.components) << c.path;
}

TEST(PathText, IsDriveRoot) {
  for (const wchar_t* root : {L"C:", L"C:\\", L"c:", L"c:\\", L"A:", L"z:\\"}) {
    EXPECT_TRUE(IsDriveRoot(root)) << root;
  }
  for (const wchar_t* other : {L"", L"C", L"C:\\a", L"c:\\windows\\", L"C:\\\\", L"1:\\",
                               L"\\\\server\\share", L"CC:\\", L":\\"}) {
    EXPECT_FALSE(IsDriveRoot(other)) << other;
  }
  EXPECT_FALSE(IsDriveRoot(static_cast<const wchar_t*>(nullptr)));
}

TEST(PathText, OnlyPlainFileNamesStayInTheirFolderAsOrdinaryFiles) {
  const struct {
    const wchar_t* name;
    bool plain;
  } cases[] = {
      {L"li_updateinfokey.tbl", true}, {L"readme", true}, {L"説明.txt", true},
      {L"a.b.c", true}, {L"CONFIG.SYS", true}, {L"COM10", true},
      {L"", false}, {L".", false}, {L"..", false}, {L"...", false},
      {L"..\\x.tbl", false}, {L"a/b", false}, {L"C:x", false}, {L"\\x", false},
      {L"x.", false}, {L"x ", false}, {L"a\tb", false}, {L"a?b", false}, {L"a|b", false},
      // Device names open the device, whatever the extension.
      {L"CON", false}, {L"nul.txt", false}, {L"Con .log", false}, {L"COM1", false},
      {L"lpt9.exe", false}, {L"CONOUT$", false}, {L"COM\u00B9", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsPlainFileName(std::wstring_view(c.name)), c.plain) << c.name;
  }
  EXPECT_TRUE(IsPlainFileName(std::wstring(255, L'a')));
  EXPECT_FALSE(IsPlainFileName(std::wstring(256, L'a')));
  EXPECT_FALSE(IsPlainFileName(static_cast<const wchar_t*>(nullptr)));
}

}  // namespace
