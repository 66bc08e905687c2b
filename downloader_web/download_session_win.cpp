#include "downloader_web/download_session.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "core/file_exception.h"

namespace {

constexpr wchar_t kUserAgent[] = L"PaveOnlineUpdateLiClient";
constexpr DWORD_PTR kContext = 1;
constexpr DWORD kMinimumTimeoutMs = 1800000;  // 30 minutes: large modules over slow links
constexpr DWORD kReadPieceBytes = 1024;
constexpr std::size_t kWriteBufferBytes = 4096;

[[noreturn]] void ThrowLastInternetError() {
  throw CInternetException(::GetLastError());
}

void RaiseTimeout(HINTERNET session, DWORD option) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (!::InternetQueryOptionW(session, option, &value, &size)) return;
  if (value >= kMinimumTimeoutMs) return;
  value = kMinimumTimeoutMs;
  ::InternetSetOptionW(session, option, &value, sizeof(value));
}

struct UrlParts {
  INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring object;  // path and query
};

UrlParts SplitUrl(const wchar_t* url) {
  if (url == nullptr || *url == L'\0') throw CInternetException(ERROR_INTERNET_INVALID_URL);
  const std::size_t length = std::wcslen(url);
  std::vector<wchar_t> host(length + 1), path(length + 1), extra(length + 1);
  URL_COMPONENTSW components = {};
  components.dwStructSize = sizeof(components);
  components.lpszHostName = host.data();
  components.dwHostNameLength = static_cast<DWORD>(host.size());
  components.lpszUrlPath = path.data();
  components.dwUrlPathLength = static_cast<DWORD>(path.size());
  components.lpszExtraInfo = extra.data();
  components.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (!::InternetCrackUrlW(url, static_cast<DWORD>(length), 0, &components)) {
    ThrowLastInternetError();
  }
  if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS) {
    throw CInternetException(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  }
  UrlParts parts;
  parts.scheme = components.nScheme;
  parts.host.assign(host.data(), components.dwHostNameLength);
  parts.port = components.nPort;
  parts.object.assign(path.data(), components.dwUrlPathLength);
  parts.object.append(extra.data(), components.dwExtraInfoLength);
  if (parts.host.empty()) throw CInternetException(ERROR_INTERNET_INVALID_URL);
  if (parts.object.empty()) parts.object = L"/";
  return parts;
}

// A header's value as text; false when the response has no such header.
bool QueryHeaderText(HINTERNET request, DWORD query, std::wstring& text) {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    DWORD index = 0;
    if (::HttpQueryInfoW(request, query, buffer.data(), &size, &index)) {
      text.assign(buffer.data(), size / sizeof(wchar_t));
      return true;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_HTTP_HEADER_NOT_FOUND) return false;
    if (error != ERROR_INSUFFICIENT_BUFFER) throw CInternetException(error);
    buffer.resize(size / sizeof(wchar_t) + 1);
  }
}

// The Content-Length text as one unsigned decimal number, nothing else.
std::uint64_t ParseContentLength(const std::wstring& text) {
  if (text.empty()) throw CInternetException(ERROR_HTTP_INVALID_HEADER);
  std::uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') throw CInternetException(ERROR_HTTP_INVALID_HEADER);
    const unsigned digit = static_cast<unsigned>(c - L'0');
    if (value > (UINT64_MAX - digit) / 10) throw CInternetException(ERROR_HTTP_INVALID_HEADER);
    value = value * 10 + digit;
  }
  return value;
}

// Store-mode writes through a fixed buffer: memory use does not depend on
// the size of what is written.
class CBufferedFileWriter {
 public:
  explicit CBufferedFileWriter(HANDLE file) : file_(file) {}

  void Write(const char* bytes, std::size_t count) {
    while (count > 0) {
      if (used_ == kWriteBufferBytes) Flush();
      const std::size_t piece = std::min(count, kWriteBufferBytes - used_);
      std::memcpy(buffer_ + used_, bytes, piece);
      used_ += piece;
      bytes += piece;
      count -= piece;
    }
  }

  void Flush() {
    std::size_t done = 0;
    while (done < used_) {
      DWORD written = 0;
      if (!::WriteFile(file_, buffer_ + done, static_cast<DWORD>(used_ - done), &written, nullptr)) {
        const DWORD error = ::GetLastError();
        used_ = 0;
        ThrowFileException(error, std::wstring());
      }
      done += written;
    }
    used_ = 0;
  }

 private:
  HANDLE file_;
  char buffer_[kWriteBufferBytes];
  std::size_t used_ = 0;
};

void TellObserver(CDownloadProgress* progress, std::uint64_t received, std::uint64_t total) {
  if (progress == nullptr || progress->callback == nullptr || progress->cancelled) return;
  if (progress->callback(progress->user, received, total)) return;
  // The caller's handler closes the request, which aborts the transfer.
  progress->cancelled = true;
  throw CInternetException(ERROR_INTERNET_OPERATION_CANCELLED);
}

void CopyBody(HINTERNET request, HANDLE file, CDownloadProgress* progress, std::uint64_t total) {
  CBufferedFileWriter writer(file);
  try {
    char piece[kReadPieceBytes];
    std::uint64_t received = 0;
    for (;;) {
      DWORD read = 0;
      if (!::InternetReadFile(request, piece, kReadPieceBytes, &read)) ThrowLastInternetError();
      if (read == 0) break;
      writer.Write(piece, read);
      received += read;
      TellObserver(progress, received, total);
    }
  } catch (...) {
    try {
      writer.Flush();
    } catch (...) {
    }
    ::FlushFileBuffers(file);
    throw;
  }
  writer.Flush();
  ::FlushFileBuffers(file);
}

}  // namespace

CDownloadSession::CDownloadSession()
    : session_(::InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                               INTERNET_FLAG_DONT_CACHE)) {
  if (!session_.IsValid()) ThrowLastInternetError();
  ::InternetSetOptionW(session_.Get(), INTERNET_OPTION_CONTEXT_VALUE,
                       const_cast<DWORD_PTR*>(&kContext), sizeof(kContext));
}

void HttpGetToFile(const wchar_t* user, const wchar_t* password, CDownloadSession& session,
                   const wchar_t* url, HANDLE file, CDownloadProgress* progress) {
  RaiseTimeout(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT);
  RaiseTimeout(session.Get(), INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT);

  ScopedInternetHandle connection;
  ScopedInternetHandle request;
  try {
    const UrlParts parts = SplitUrl(url);
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_DONT_CACHE;
    if (parts.scheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;

    connection.Reset(::InternetConnectW(session.Get(), parts.host.c_str(), parts.port, nullptr,
                                        nullptr, INTERNET_SERVICE_HTTP, flags, kContext));
    if (!connection.IsValid()) ThrowLastInternetError();
    request.Reset(::HttpOpenRequestW(connection.Get(), L"GET", parts.object.c_str(), L"HTTP/1.1",
                                     nullptr, nullptr, flags, kContext));
    if (!request.IsValid()) ThrowLastInternetError();
    if (progress != nullptr) progress->request = request.Get();

    if (user != nullptr && *user != L'\0') {
      const wchar_t* secret = (password != nullptr) ? password : L"";
      ::InternetSetOptionW(connection.Get(), INTERNET_OPTION_PROXY_USERNAME,
                           const_cast<wchar_t*>(user), static_cast<DWORD>(std::wcslen(user) + 1));
      ::InternetSetOptionW(connection.Get(), INTERNET_OPTION_PROXY_PASSWORD,
                           const_cast<wchar_t*>(secret),
                           static_cast<DWORD>(std::wcslen(secret) + 1));
    }

    if (!::HttpSendRequestW(request.Get(), nullptr, 0, nullptr, 0)) ThrowLastInternetError();

    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!::HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                          &size, nullptr)) {
      ThrowLastInternetError();
    }
    std::wstring headers;
    if (QueryHeaderText(request.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, headers)) {
      session.SetRawHeaders(std::move(headers));
    } else {
      session.SetRawHeaders(std::wstring());
    }

    if (status == HTTP_STATUS_PROXY_AUTH_REQ) throw CDownloadStatusException(407);
    if (status / 100 != 2) throw CDownloadStatusException(static_cast<int>(status));

    std::wstring lengthText;
    if (!QueryHeaderText(request.Get(), HTTP_QUERY_CONTENT_LENGTH, lengthText)) lengthText = L"1";
    const std::uint64_t total = ParseContentLength(lengthText);

    TellObserver(progress, 0, total);
    CopyBody(request.Get(), file, progress, total);
  } catch (const CInternetException&) {
    if (progress != nullptr) progress->request = nullptr;
    request.Reset();
    connection.Reset();
    if (progress != nullptr && progress->cancelled) throw CUserAbortException();
    throw;
  } catch (...) {
    if (progress != nullptr) progress->request = nullptr;
    request.Reset();
    connection.Reset();
    throw;
  }
  if (progress != nullptr) progress->request = nullptr;
}

void DownloadToFile(const ProxyCredentials* credentials, const wchar_t* url, HANDLE file,
                    CDownloadProgress* progress) {
  try {
    CDownloadSession session;
    HttpGetToFile(nullptr, nullptr, session, url, file, progress);
  } catch (const CDownloadStatusException& error) {
    if (error.status != 407 || credentials == nullptr) throw;
    CDownloadSession retrySession;
    HttpGetToFile(credentials->userName, credentials->password, retrySession, url, file, progress);
  }
}

InternetConnectionTest g_internetConnectionTest = SystemInternetConnectionTest;

bool IsInternetConnected() {
  return g_internetConnectionTest != nullptr && g_internetConnectionTest();
}

bool SystemInternetConnectionTest() {
  ScopedLibrary wininet(::LoadLibraryW(L"wininet.dll"));
  if (!wininet.IsValid()) return false;
  using GetConnectedState = BOOL(WINAPI*)(LPDWORD, DWORD);
  const auto getConnectedState = reinterpret_cast<GetConnectedState>(
      reinterpret_cast<void*>(::GetProcAddress(wininet.Get(), "InternetGetConnectedState")));
  if (getConnectedState == nullptr) return false;
  DWORD flags = 0;
  if (getConnectedState(&flags, 0)) return true;
  return (flags & INTERNET_CONNECTION_CONFIGURED) != 0;
}

std::wstring UrlFileName(const wchar_t* url) {
  if (url == nullptr) return std::wstring();
  const std::wstring text(url);
  const std::size_t slash = text.rfind(L'/');
  if (slash == std::wstring::npos) return text;
  return text.substr(slash + 1);
}
