// The status an operation returns for the exception that ended it, and the
// small pure pieces of the transfer code.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "core/file_exception.h"
#include "core/trust_error.h"
#include "downloader_web/download_session.h"
#include "downloader_web/operation_status.h"

namespace {

DownloadStatus StatusOf(const std::function<void()>& thrower) {
  try {
    thrower();
  } catch (...) {
    return StatusFromCurrentException();
  }
  return DL_OK;
}

struct ExceptionCase {
  const char* what;
  std::function<void()> thrower;
  DownloadStatus expected;
};

std::function<void()> FileFailure(CFileException::Cause cause) {
  return [cause] { throw CFileException(cause, 0, L"x"); };
}

TEST(OperationStatus, EveryExceptionHasItsStatus) {
  const ExceptionCase cases[] = {
      {"invalid argument", [] { throw std::invalid_argument("x"); }, DL_INVALID_ARGUMENT},
      {"out of memory", [] { throw std::bad_alloc(); }, DL_OUT_OF_MEMORY},
      {"file not found", FileFailure(CFileException::fileNotFound), DL_BAD_FOLDER_PATH},
      {"bad path", FileFailure(CFileException::badPath), DL_BAD_FOLDER_PATH},
      {"access denied", FileFailure(CFileException::accessDenied), DL_FOLDER_ACCESS_DENIED},
      {"sharing violation", FileFailure(CFileException::sharingViolation),
       DL_FOLDER_ACCESS_DENIED},
      {"lock violation", FileFailure(CFileException::lockViolation), DL_FOLDER_ACCESS_DENIED},
      {"disk full", FileFailure(CFileException::diskFull), DL_DISK_FULL},
      {"generic file failure", FileFailure(CFileException::genericException), DL_UNKNOWN_ERROR},
      {"end of file", FileFailure(CFileException::endOfFile), DL_UNKNOWN_ERROR},
      {"internet failure", [] { throw CInternetException(ERROR_INTERNET_CANNOT_CONNECT); },
       DL_DOWNLOAD_FAILED},
      {"status 404", [] { throw CDownloadStatusException(404); }, HttpDownloadStatus(404)},
      {"status 407", [] { throw CDownloadStatusException(407); }, HttpDownloadStatus(407)},
      {"status 302", [] { throw CDownloadStatusException(302); }, HttpDownloadStatus(302)},
      {"not trusted", [] { throw CTrustErrorException(L"C:\\x.cab", L"127.0.0.1"); },
       DL_NOT_TRUSTED},
      {"cancelled", [] { throw CUserAbortException(); }, DL_DOWNLOAD_INTERRUPTED},
      {"other standard exception", [] { throw std::runtime_error("x"); }, DL_UNKNOWN_ERROR},
      {"anything else", [] { throw 42; }, DL_UNKNOWN_ERROR},
  };
  for (const ExceptionCase& c : cases) {
    EXPECT_EQ(StatusOf(c.thrower), c.expected) << c.what;
  }
}

TEST(OperationStatus, HttpStatusSitsInTheLowBits) {
  EXPECT_EQ(static_cast<std::uint32_t>(StatusOf([] { throw CDownloadStatusException(404); })),
            0x80044194u);
}

TEST(DownloadSession, UrlFileNameIsTheTextAfterTheLastSlash) {
  const struct {
    const wchar_t* url;
    const wchar_t* expected;
  } cases[] = {
      {L"http://host/download/nvupdate/li_updateinfokey.cab", L"li_updateinfokey.cab"},
      {L"http://host/", L""},
      {L"no-slash.cab", L"no-slash.cab"},
      {L"http://host/a/..\\..\\x.cab", L"..\\..\\x.cab"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(UrlFileName(c.url), c.expected) << c.url;
  EXPECT_EQ(UrlFileName(nullptr), L"");
}

bool Disconnected() { return false; }
bool Connected() { return true; }

TEST(DownloadSession, ConnectionTestCanBeReplaced) {
  const InternetConnectionTest saved = g_internetConnectionTest;
  EXPECT_EQ(saved, &SystemInternetConnectionTest);
  // Wine's answer depends on the network it sees (only loopback in the test
  // run gives false): the system's test is only asked, not judged.
  SystemInternetConnectionTest();
  g_internetConnectionTest = Connected;
  EXPECT_TRUE(IsInternetConnected());
  g_internetConnectionTest = Disconnected;
  EXPECT_FALSE(IsInternetConnected());
  g_internetConnectionTest = saved;
}

DWORD QueryTimeout(const CDownloadSession& session, DWORD option) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  EXPECT_TRUE(::InternetQueryOptionW(session.Get(), option, &value, &size));
  return value;
}

TEST(DownloadSession, TimeoutsAreRaisedToThirtyMinutesButNeverLowered) {
  // Wine answers no query of INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT, and a
  // value that cannot be read is left alone: only the connect time-out
  // shows here.
  const DWORD options[] = {INTERNET_OPTION_CONNECT_TIMEOUT};
  for (DWORD option : options) {
    for (DWORD before : {DWORD{1000}, DWORD{1800000}, DWORD{3600000}}) {
      CDownloadSession session;
      ASSERT_TRUE(::InternetSetOptionW(session.Get(), option, &before, sizeof(before)));
      // The URL is refused after the time-outs have been set.
      EXPECT_THROW(HttpGetToFile(nullptr, nullptr, session, L"ftp://host/x.cab",
                                 INVALID_HANDLE_VALUE),
                   CInternetException);
      EXPECT_EQ(QueryTimeout(session, option), std::max<DWORD>(before, 1800000))
          << option << " " << before;
    }
  }
}

TEST(DownloadSession, OtherSchemesFailBeforeAnyConnection) {
  const wchar_t* urls[] = {L"ftp://host/x.cab", L"file:///C:/x.cab", L"not a url", L""};
  for (const wchar_t* url : urls) {
    CDownloadSession session;
    EXPECT_THROW(HttpGetToFile(nullptr, nullptr, session, url, INVALID_HANDLE_VALUE),
                 CInternetException)
        << url;
  }
}

}  // namespace
