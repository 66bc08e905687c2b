#include "core/folders.h"

#include <gtest/gtest.h>

#include <string>

#include "core/path_text.h"
#include "tests/win/win_test_support.h"

namespace {

class FoldersTest : public ::testing::Test {
 protected:
  // Each test starts without the folder and creates what it needs.
  void SetUp() override { DeleteFolderTree(scratch_.Path()); }
  std::wstring Under(const wchar_t* relative) const { return scratch_.Under(relative); }

  ScratchFolder scratch_{L"folders_test"};
  const std::wstring& base_ = scratch_.Path();
};

TEST_F(FoldersTest, CreateFolderTreeCreatesEveryLevel) {
  // Trailing backslash and an empty component between two backslashes.
  EXPECT_TRUE(CreateFolderTree(Under(L"a\\\\b\\c\\")));
  EXPECT_TRUE(FolderExists(Under(L"a\\b\\c")));
  EXPECT_TRUE(FolderExists(Under(L"a\\b\\c\\")));
  // Existing levels are fine.
  EXPECT_TRUE(CreateFolderTree(Under(L"a\\b")));
}

TEST_F(FoldersTest, CreateFolderTreeRefusesPathsWithoutAnExistingRoot) {
  ASSERT_FALSE(FolderExists(L"R:\\"));
  EXPECT_FALSE(CreateFolderTree(L"R:\\client\\data"));
  EXPECT_FALSE(FolderExists(L"R:\\client"));
  EXPECT_FALSE(CreateFolderTree(L"\\\\server\\share\\client"));
  EXPECT_FALSE(CreateFolderTree(L""));
  EXPECT_FALSE(CreateFolderTree(static_cast<const wchar_t*>(nullptr)));
}

TEST_F(FoldersTest, CreateFolderTreeStopsAtAFileInThePath) {
  ASSERT_TRUE(CreateFolderTree(base_));
  WriteFileBytes(Under(L"file"), "x");
  EXPECT_FALSE(CreateFolderTree(Under(L"file\\below")));
  EXPECT_TRUE(FileExists(Under(L"file")));
}

TEST_F(FoldersTest, ExistenceTests) {
  ASSERT_TRUE(CreateFolderTree(base_));
  WriteFileBytes(Under(L"file.txt"), "x");

  EXPECT_TRUE(FolderExists(L"C:\\"));
  EXPECT_TRUE(FolderExists(L"c:"));
  EXPECT_TRUE(FolderExists(base_));
  EXPECT_TRUE(FolderExists(base_ + L"\\"));
  EXPECT_FALSE(FolderExists(Under(L"file.txt")));
  EXPECT_FALSE(FolderExists(Under(L"missing")));
  EXPECT_FALSE(FolderExists(static_cast<const wchar_t*>(nullptr)));

  EXPECT_TRUE(FileExists(Under(L"file.txt")));
  EXPECT_FALSE(FileExists(base_));
  EXPECT_FALSE(FileExists(Under(L"missing")));
  EXPECT_FALSE(FileExists(static_cast<const wchar_t*>(nullptr)));
}

TEST_F(FoldersTest, DeleteFolderTreeRemovesFilesAndSubfolders) {
  ASSERT_TRUE(CreateFolderTree(Under(L"a\\b\\c")));
  WriteFileBytes(Under(L"top.txt"), "1");
  WriteFileBytes(Under(L"a\\b\\mid.txt"), "2");
  WriteFileBytes(Under(L"a\\b\\c\\deep.txt"), "3");
  ASSERT_TRUE(CreateFolderTree(Under(L"..dots")));

  DeleteFolderTree(base_ + L"\\");

  EXPECT_FALSE(FolderExists(base_));
  EXPECT_TRUE(FolderExists(L"C:\\"));
}

}  // namespace
