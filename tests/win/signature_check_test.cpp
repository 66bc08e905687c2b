#include "core/signature_check.h"

#include <gtest/gtest.h>

#include <string>

#include "core/folders.h"
#include "core/held_file.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"
#include "core/trust_error.h"
#include "tests/win/registry_fixture.h"
#include "tests/win/win_test_support.h"

// The fixtures come from tests/harness/pki.py, which signs them at test time
// into the "trust" folder next to this program and puts the test root into
// the LocalMachine ROOT store. A missing fixture fails the test.

namespace {

constexpr wchar_t kUnknown[] = L"\u4E0D\u660E";  // "不明"

std::wstring Fixture(const wchar_t* name) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder = self;
  folder.erase(folder.find_last_of(L'\\'));
  return CombinePath(CombinePath(folder, L"trust"), name);
}

class SignatureCheckTest : public ::testing::Test {
 protected:
  // The fixture's path; fails the test when it is missing.
  static std::wstring Existing(const wchar_t* name) {
    const std::wstring path = Fixture(name);
    EXPECT_TRUE(FileExists(path.c_str())) << "missing fixture (made by tests/harness/pki.py)";
    return path;
  }
};

TEST_F(SignatureCheckTest, PublisherSignedFilesPassBothChecks) {
  for (const wchar_t* name : {L"nortavi.exe", L"nortavi.cab"}) {
    const std::wstring path = Existing(name);
    EXPECT_EQ(VerifyFileTrust(path.c_str()), 0) << name;
    EXPECT_TRUE(VerifyPublisher(path.c_str(), kPublisherOrganisation)) << name;
  }
}

TEST_F(SignatureCheckTest, OtherOrganisationIsTrustedButNotThePublisher) {
  for (const wchar_t* name : {L"other_org.exe", L"other_org.cab"}) {
    const std::wstring path = Existing(name);
    EXPECT_EQ(VerifyFileTrust(path.c_str()), 0) << name;
    EXPECT_FALSE(VerifyPublisher(path.c_str(), kPublisherOrganisation)) << name;
  }
  // The check compares with the name it is given.
  EXPECT_TRUE(VerifyPublisher(Existing(L"other_org.exe").c_str(), L"Example Software Ltd"));
}

TEST_F(SignatureCheckTest, OrganisationComparisonIsCaseSensitive) {
  const std::wstring path = Existing(L"case_variant.exe");
  EXPECT_EQ(VerifyFileTrust(path.c_str()), 0);
  EXPECT_FALSE(VerifyPublisher(path.c_str(), kPublisherOrganisation));
  EXPECT_TRUE(VerifyPublisher(path.c_str(), L"Nortavi Corporation"));
}

TEST_F(SignatureCheckTest, OrganisationMustMatchWhole) {
  const std::wstring path = Existing(L"nortavi.exe");
  EXPECT_FALSE(VerifyPublisher(path.c_str(), L"NORTAVI"));
  EXPECT_FALSE(VerifyPublisher(path.c_str(), L"NORTAVI CORPORATION "));
  EXPECT_FALSE(VerifyPublisher(path.c_str(), L""));
}

TEST_F(SignatureCheckTest, SignerWithoutOrganisationIsNotThePublisher) {
  const std::wstring path = Existing(L"no_org.exe");
  EXPECT_EQ(VerifyFileTrust(path.c_str()), 0);
  EXPECT_FALSE(VerifyPublisher(path.c_str(), kPublisherOrganisation));
  EXPECT_FALSE(VerifyPublisher(path.c_str(), L""));
}

TEST_F(SignatureCheckTest, UnsignedFilesAreUntrusted) {
  for (const wchar_t* name : {L"unsigned.exe", L"unsigned.cab"}) {
    const std::wstring path = Existing(name);
    EXPECT_EQ(VerifyFileTrust(path.c_str()), TRUST_E_NOSIGNATURE) << name;
    EXPECT_FALSE(VerifyPublisher(path.c_str(), kPublisherOrganisation)) << name;
  }
}

TEST_F(SignatureCheckTest, TamperedProgramIsUntrusted) {
  const std::wstring path = Existing(L"tampered.exe");
  EXPECT_NE(VerifyFileTrust(path.c_str()), 0);
  EXPECT_FALSE(VerifyPublisher(path.c_str(), kPublisherOrganisation));
}

TEST_F(SignatureCheckTest, SelfSignedPublisherIsUntrusted) {
  const std::wstring path = Existing(L"self_signed.exe");
  EXPECT_EQ(VerifyFileTrust(path.c_str()), CERT_E_UNTRUSTEDROOT);
  EXPECT_FALSE(VerifyPublisher(path.c_str(), kPublisherOrganisation));
}

TEST_F(SignatureCheckTest, MissingFileIsUntrusted) {
  const std::wstring path = Fixture(L"absent.exe");
  EXPECT_NE(VerifyFileTrust(path.c_str()), 0);
  EXPECT_FALSE(VerifyPublisher(path.c_str(), kPublisherOrganisation));
}

TEST_F(SignatureCheckTest, NullArguments) {
  EXPECT_EQ(VerifyFileTrust(nullptr), E_INVALIDARG);
  EXPECT_FALSE(VerifyPublisher(nullptr, kPublisherOrganisation));
  EXPECT_FALSE(VerifyPublisher(Existing(L"nortavi.exe").c_str(), nullptr));
  EXPECT_FALSE(VerifyPublisher(nullptr, nullptr));
}

// Without "wintrust.dll" every file is untrusted. Wine loads no library that
// the per-program setting HKCU\Software\Wine\AppDefaults\<program>\DllOverrides
// switches off (value ""), so this test runs a copy of itself under another
// name with that setting; the marker variable hands it the fixture's path.
constexpr wchar_t kWithoutWinTrustMarker[] = L"SIGNATURE_TEST_WITHOUT_WINTRUST";
constexpr wchar_t kWithoutWinTrustProgram[] = L"signature_without_wintrust.exe";

std::wstring EnvironmentVariable(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? value : L"";
}

TEST(SignatureCheckWithoutLibrary, EverythingIsUntrusted) {
  const std::wstring marked = EnvironmentVariable(kWithoutWinTrustMarker);
  if (!marked.empty()) {
    ASSERT_EQ(::GetModuleHandleW(L"wintrust.dll"), nullptr);
    EXPECT_EQ(VerifyFileTrust(marked.c_str()), E_NOTIMPL);
    EXPECT_FALSE(VerifyPublisher(marked.c_str(), kPublisherOrganisation));
    return;
  }

  const std::wstring fixture = Fixture(L"nortavi.exe");
  ASSERT_TRUE(FileExists(fixture)) << "missing fixture (made by tests/harness/pki.py)";
  const ScratchFolder folder(L"without_wintrust");
  const std::wstring program = folder.Under(kWithoutWinTrustProgram);
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  ASSERT_TRUE(::CopyFileW(self, program.c_str(), FALSE));
  const std::wstring overridesKey =
      std::wstring(L"Software\\Wine\\AppDefaults\\") + kWithoutWinTrustProgram + L"\\DllOverrides";
  SetRegistryString(HKEY_CURRENT_USER, overridesKey, L"wintrust", L"");

  ASSERT_TRUE(::SetEnvironmentVariableW(kWithoutWinTrustMarker, fixture.c_str()));
  std::wstring commandLine =
      L"\"" + program + L"\" --gtest_filter=SignatureCheckWithoutLibrary.EverythingIsUntrusted";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  const BOOL started = ::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &info);
  ::SetEnvironmentVariableW(kWithoutWinTrustMarker, nullptr);
  DWORD exitCode = STILL_ACTIVE;
  if (started) {
    ScopedHandle process(info.hProcess);
    ScopedHandle thread(info.hThread);
    if (::WaitForSingleObject(process.Get(), 60000) == WAIT_OBJECT_0) {
      ::GetExitCodeProcess(process.Get(), &exitCode);
    } else {
      ::TerminateProcess(process.Get(), 1);
      ::WaitForSingleObject(process.Get(), 10000);
    }
  }
  DeleteRegistryTree(HKEY_CURRENT_USER,
                     std::wstring(L"Software\\Wine\\AppDefaults\\") + kWithoutWinTrustProgram);
  ASSERT_TRUE(started) << ::GetLastError();
  EXPECT_EQ(exitCode, 0u) << "the run without wintrust.dll failed (its output is above)";
}

TEST(DescribeSource, LocalHostIsLoopback) {
  EXPECT_EQ(DescribeSource(L"http://localhost/x.cab"), L"127.0.0.1");
  EXPECT_EQ(DescribeSource(L"https://localhost:8443/path/x.cab?a=1"), L"127.0.0.1");
}

TEST(DescribeSource, DottedAddressIsItself) {
  EXPECT_EQ(DescribeSource(L"http://127.0.0.5/x.cab"), L"127.0.0.5");
}

TEST(DescribeSource, UnresolvableHostIsUnknown) {
  EXPECT_EQ(DescribeSource(L"http://update.invalid/x"), kUnknown);
}

TEST(DescribeSource, NoHostIsUnknown) {
  EXPECT_EQ(DescribeSource(L"file:///C:/updates/x.cab"), kUnknown);
  EXPECT_EQ(DescribeSource(L"x.cab"), kUnknown);
  EXPECT_EQ(DescribeSource(L""), kUnknown);
  EXPECT_EQ(DescribeSource(nullptr), kUnknown);
}

TEST(TrustErrorException, KeepsBothTexts) {
  const CTrustErrorException error(L"C:\\temp\\x.cab", L"127.0.0.1;127.0.0.2");
  EXPECT_STREQ(error.filePath, L"C:\\temp\\x.cab");
  EXPECT_STREQ(error.source, L"127.0.0.1;127.0.0.2");
  const std::exception& base = error;
  EXPECT_NE(base.what(), nullptr);
}

TEST(TrustErrorException, TooLongTextLeavesItsFieldEmpty) {
  const std::wstring longest(259, L'p');
  const std::wstring tooLong(260, L'p');
  const CTrustErrorException fits(longest.c_str(), kUnknown);
  EXPECT_EQ(std::wstring(fits.filePath), longest);

  const CTrustErrorException error(tooLong.c_str(), kUnknown);
  for (wchar_t c : error.filePath) ASSERT_EQ(c, L'\0');
  EXPECT_STREQ(error.source, kUnknown);

  const std::wstring longSource(1024, L's');
  const CTrustErrorException noSource(L"C:\\x.cab", longSource.c_str());
  EXPECT_STREQ(noSource.filePath, L"C:\\x.cab");
  for (wchar_t c : noSource.source) ASSERT_EQ(c, L'\0');
}

TEST(TrustErrorException, NullTextsAreEmpty) {
  const CTrustErrorException error(nullptr, nullptr);
  EXPECT_STREQ(error.filePath, L"");
  EXPECT_STREQ(error.source, L"");
}

// A held copy of the publisher-signed program in a folder of its own.
class HeldFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(::CopyFileW(Fixture(L"nortavi.exe").c_str(), Program().c_str(), FALSE))
        << "missing fixture (made by tests/harness/pki.py)";
  }

  std::wstring Program() const { return folder_.Under(L"START.EXE"); }

  ScratchFolder folder_{L"held_file"};
};

TEST_F(HeldFileTest, HeldFileCanBeVerifiedReadAndStarted) {
  const CHeldFile held(Program());
  ASSERT_TRUE(held.IsHeld());
  EXPECT_EQ(held.GetPath(), Program());

  EXPECT_EQ(VerifyFileTrust(held.GetPath().c_str()), 0);
  EXPECT_TRUE(VerifyPublisher(held.GetPath().c_str(), kPublisherOrganisation));
  EXPECT_TRUE(ReadFileBytes(Program()) == ReadFileBytes(Fixture(L"nortavi.exe")));

  std::wstring commandLine = L"\"" + Program() + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(::CreateProcessW(Program().c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &info))
      << ::GetLastError();
  ScopedHandle process(info.hProcess);
  ScopedHandle thread(info.hThread);
  ASSERT_EQ(::WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
  DWORD exitCode = STILL_ACTIVE;
  ASSERT_TRUE(::GetExitCodeProcess(process.Get(), &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

TEST_F(HeldFileTest, HeldFileCannotBeChangedReplacedOrDeleted) {
  const std::wstring other = folder_.Under(L"other.exe");
  WriteFileBytes(other, "replacement");
  {
    const CHeldFile held(Program().c_str());
    ASSERT_TRUE(held.IsHeld());

    ScopedHandle writer(::CreateFileW(Program().c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer.IsValid());
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    EXPECT_FALSE(::DeleteFileW(Program().c_str()));
    EXPECT_FALSE(::MoveFileExW(other.c_str(), Program().c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(::MoveFileExW(Program().c_str(), folder_.Under(L"moved.exe").c_str(), 0));
    EXPECT_TRUE(ReadFileBytes(Program()) == ReadFileBytes(Fixture(L"nortavi.exe")));
  }
  // Released with the object.
  EXPECT_TRUE(::MoveFileExW(other.c_str(), Program().c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_TRUE(::DeleteFileW(Program().c_str()));
}

TEST_F(HeldFileTest, FileOpenForWritingCannotBeHeld) {
  ScopedHandle writer(::CreateFileW(Program().c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer.IsValid());
  const CHeldFile held(Program());
  EXPECT_FALSE(held.IsHeld());
}

TEST_F(HeldFileTest, MissingFileOrNullPathIsNotHeld) {
  EXPECT_FALSE(CHeldFile(folder_.Under(L"absent.exe")).IsHeld());
  const CHeldFile none(static_cast<const wchar_t*>(nullptr));
  EXPECT_FALSE(none.IsHeld());
  EXPECT_EQ(none.GetPath(), L"");
}

}  // namespace
