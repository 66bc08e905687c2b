#include <gtest/gtest.h>

#include <string>

#include "core/file_exception.h"
#include "core/folders.h"
#include "core/xml_document.h"
#include "tests/win/win_test_support.h"

namespace {

class XmlFileTest : public ::testing::Test {
 protected:
  ScratchFolder folder_{L"xml_file_test"};
};

TEST_F(XmlFileTest, LoadsAWholeFile) {
  const std::wstring path = folder_.Under(L"doc.xml");
  WriteFileBytes(path, "<?xml version=\"1.0\"?>\r\n<root><a n=\"\x96\xbc\x91\x4f\">t</a></root>\r\n");
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromFile(path));
  const CXmlNode* a = document.FindElement(&document, "root\\a");
  ASSERT_NE(a, nullptr);
  std::wstring name;
  ASSERT_TRUE(GetAttributeText(a, document.GetAtom("n"), name));
  EXPECT_EQ(name, L"名前");  // the system's ANSI code page is 932
}

TEST_F(XmlFileTest, AMissingFileThrowsWithItsCause) {
  CXmlDocument document;
  try {
    document.LoadFromFile(folder_.Under(L"missing.xml"));
    FAIL() << "no exception";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.GetCause(), CFileException::fileNotFound);
    EXPECT_EQ(error.GetOsError(), ERROR_FILE_NOT_FOUND);
  }
}

TEST_F(XmlFileTest, AFileOfFourGibibytesIsRefused) {
  const std::wstring path = folder_.Under(L"huge.xml");
  {
    ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.Get(), "<a/>", 4, &written, nullptr));
    LARGE_INTEGER size;
    size.QuadPart = LONGLONG{1} << 32;  // sparse on the host: costs no disk
    ASSERT_TRUE(::SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(::SetEndOfFile(file.Get()));
  }
  CXmlDocument document;
  EXPECT_FALSE(document.LoadFromFile(path));
  EXPECT_EQ(document.childCount, 0);
}

TEST_F(XmlFileTest, AStreamIsReadFromItsStart) {
  const std::wstring path = folder_.Under(L"doc.xml");
  WriteFileBytes(path, "<root/>");
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file);
  char skip[3];
  DWORD read = 0;
  ASSERT_TRUE(::ReadFile(file.Get(), skip, sizeof skip, &read, nullptr));
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromStream(file.Get()));
  EXPECT_NE(document.FindElement(&document, "root"), nullptr);
}

}  // namespace
