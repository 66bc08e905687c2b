#pragma once
// The web downloader's HTTP transfers: one internet session per transfer, a
// GET of a URL into an open file, the single retry through the stored proxy
// credentials when a proxy asks for authentication, and the connectivity
// test that every server operation makes first.

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <exception>
#include <string>

#include "core/scoped_handle.h"
#include "downloader_web/download_records.h"

// Handles of the Windows Internet API.
struct InternetHandleTraits {
  using Handle = HINTERNET;
  static Handle NullHandle() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { ::InternetCloseHandle(handle); }
};
using ScopedInternetHandle = ScopedGenericHandle<InternetHandleTraits>;

// The server (or a proxy) answered with a status outside 200..299.
struct CDownloadStatusException {
  explicit CDownloadStatusException(int httpStatus) : status(httpStatus) {}
  int status;
};

// A transfer failed: the URL could not be used, the connection or the
// request failed, or the response could not be read. Carries the Win32 or
// WinINet error code (0 when the system gave none).
class CInternetException : public std::exception {
 public:
  explicit CInternetException(DWORD error) : error_(error) {}
  const char* what() const noexcept override { return "internet exception"; }
  DWORD GetErrorCode() const { return error_; }

 private:
  DWORD error_;
};

// The progress observer cancelled the transfer.
class CUserAbortException : public std::exception {
 public:
  const char* what() const noexcept override { return "transfer cancelled"; }
};

// One internet session: user agent "PaveOnlineUpdateLiClient", the system's
// configured proxy settings, nothing taken from or put into the cache.
// Throws CInternetException when the system refuses to open it.
class CDownloadSession {
 public:
  CDownloadSession();
  CDownloadSession(const CDownloadSession&) = delete;
  CDownloadSession& operator=(const CDownloadSession&) = delete;

  HINTERNET Get() const { return session_.Get(); }

  // The header block (CR LF line ends) of the last response; empty before.
  const std::wstring& GetRawHeaders() const { return rawHeaders_; }
  void SetRawHeaders(std::wstring headers) { rawHeaders_ = std::move(headers); }

 private:
  ScopedInternetHandle session_;
  std::wstring rawHeaders_;
};

// Told the bytes received so far and the total (1 when the server gave no
// length); returning false cancels the transfer, and the callback is not
// called again.
using DownloadProgressCallback = bool (*)(void* user, std::uint64_t received,
                                          std::uint64_t total);

struct CDownloadProgress {
  DownloadProgressCallback callback = nullptr;
  void* user = nullptr;
  bool cancelled = false;
  HINTERNET request = nullptr;  // the open request while a transfer runs
};

// GETs the URL (http or https only) into the open file, from where the file
// pointer is. A non-empty user name is given to the proxy with the password
// (an empty one when null). Throws CInternetException for a transfer
// failure, CDownloadStatusException for a status outside 200..299 (407 when
// the proxy wants credentials), CUserAbortException when the observer
// cancelled, CFileException when the file cannot be written.
void HttpGetToFile(const wchar_t* user, const wchar_t* password, CDownloadSession& session,
                   const wchar_t* url, HANDLE file, CDownloadProgress* progress = nullptr);

// HttpGetToFile in a session of its own; when the proxy answers 407 and a
// credentials record is given (also one with an empty user name), once more
// in a new session with the record's user name and password.
void DownloadToFile(const ProxyCredentials* credentials, const wchar_t* url, HANDLE file,
                    CDownloadProgress* progress = nullptr);

// Whether the machine has a usable internet connection. Asks
// g_internetConnectionTest, which is SystemInternetConnectionTest unless a
// test has replaced it.
bool IsInternetConnected();

// The system's answer: "wininet.dll" loaded by name for the question;
// false when it or InternetGetConnectedState is missing.
bool SystemInternetConnectionTest();

using InternetConnectionTest = bool (*)();
extern InternetConnectionTest g_internetConnectionTest;

// The text after the last "/" of the URL, or the whole URL without one.
std::wstring UrlFileName(const wchar_t* url);
