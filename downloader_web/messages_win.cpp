#include "downloader_web/messages.h"

#include <windows.h>

#include <cstdio>
#include <new>

#include "core/client_paths.h"
#include "core/exception_text.h"
#include "core/file_exception.h"
#include "core/output_log.h"
#include "core/resource_string.h"
#include "downloader_web/downloader_web_ids.h"

namespace {

constexpr std::size_t kMessageChars = 1023;
constexpr std::size_t kMessageFormatChars = 255;

constexpr wchar_t kTrustReportFormat[] =
    L"アップデートファイルの署名が不正です。 取得元：%s、ダウンロードしたファイル：%s";

struct ReasonRow {
  DownloadStatus status;
  unsigned int stringId;
};

constexpr ReasonRow kReasons[] = {
    {DL_OUT_OF_MEMORY, IDS_REASON_OUT_OF_MEMORY},
    {DL_UNSUPPORTED_MODULE, IDS_REASON_UNSUPPORTED_MODULE},
    {DL_NOT_CONNECTED, IDS_REASON_NOT_CONNECTED},
    {DL_DOWNLOAD_FAILED, IDS_REASON_DOWNLOAD_FAILED},
    {DL_DOWNLOAD_INTERRUPTED, IDS_REASON_DOWNLOAD_INTERRUPTED},
    {DL_SERVICE_BUSY, IDS_REASON_SERVICE_BUSY},
    {DL_SERVICE_MAINTENANCE, IDS_REASON_SERVICE_MAINTENANCE},
    {DL_BAD_FOLDER_PATH, IDS_REASON_BAD_FOLDER_PATH},
    {DL_FOLDER_ACCESS_DENIED, IDS_REASON_FOLDER_ACCESS_DENIED},
    {DL_DISK_FULL, IDS_REASON_DISK_FULL},
};

// printf-style formatting with the runtime's wide conventions, cut to
// maxChars; empty when the format fails.
template <class... Arguments>
std::wstring FormatText(std::size_t maxChars, const std::wstring& format, Arguments... arguments) {
  std::wstring text(maxChars + 1, L'\0');
  const int length = _snwprintf(&text[0], maxChars, format.c_str(), arguments...);
  if (length < 0) {
    // Longer than maxChars: keep what fits, as a bounded buffer would.
    text.resize(maxChars);
    return text;
  }
  text.resize(static_cast<std::size_t>(length));
  return text;
}

void WriteDownloaderErrorLine(const std::wstring& message, LogFolder folder) {
  if (message.empty()) return;
  try {
    COutputLog log(kErrorLogKind, folder);
    log.AddLine(kDownloaderLogName, message.c_str());
  } catch (...) {
  }
}

}  // namespace

std::wstring StatusReasonText(DownloadStatus status, std::size_t maxChars) {
  try {
    if (!IsDownloadFailure(status)) return std::wstring();
    if (IsHttpDownloadStatus(status)) {
      return FormatText(maxChars, LoadResourceString(IDS_REASON_HTTP_STATUS),
                        static_cast<int>(static_cast<std::uint32_t>(status) & 0xFFFu));
    }
    unsigned int stringId = IDS_REASON_UNKNOWN;
    for (const auto& row : kReasons) {
      if (row.status == status) stringId = row.stringId;
    }
    std::wstring reason = LoadResourceString(stringId);
    if (reason.size() > maxChars) reason.resize(maxChars);
    return reason;
  } catch (...) {
    return std::wstring();
  }
}

void ReportDownloadError(const wchar_t* parameter, DownloadStatus status, unsigned int messageId) {
  try {
    std::wstring message;
    if (status == DL_NOT_CONNECTED) {
      message = StatusReasonText(status, kMessageChars);
    } else {
      std::wstring format = LoadResourceString(messageId);
      if (format.size() > kMessageFormatChars) format.resize(kMessageFormatChars);
      const std::wstring reason = StatusReasonText(status);
      if (!format.empty()) {
        message = FormatText(kMessageChars, format, parameter ? parameter : L"", reason.c_str());
      }
    }
    WriteDownloaderErrorLine(message, LogFolder::kCreate);
  } catch (...) {
  }
}

void LogExceptionMessage(const std::exception& error) {
  try {
    WriteDownloaderErrorLine(DescribeException(error), LogFolder::kCreate);
  } catch (...) {
  }
}

void ReportUntrustedDownload(const CTrustErrorException& error) {
  try {
    WriteDownloaderErrorLine(FormatText(kMessageChars, kTrustReportFormat, error.source,
                                        error.filePath),
                             LogFolder::kExistingOnly);
  } catch (...) {
  }
}
