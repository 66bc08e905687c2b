#pragma once
// What the web downloader writes to the error log: a message of its string
// table with a parameter and the reason of a status, the text of an
// unexpected exception, and the report of a file with an invalid signature.

#include <exception>
#include <string>

#include "core/trust_error.h"
#include "downloader_web/download_status.h"

// The reason text of a failure status ("ステータスコード：404" for an HTTP
// status); empty for success. At most maxChars characters.
std::wstring StatusReasonText(DownloadStatus status, std::size_t maxChars = 255);

// One error-log line: the message formatted with the parameter and the
// status's reason, or the reason alone when there is no connection.
void ReportDownloadError(const wchar_t* parameter, DownloadStatus status, unsigned int messageId);

// One error-log line with a description of an exception that ended the run.
void LogExceptionMessage(const std::exception& error);

// The line for a downloaded file that failed the publisher check; written
// only when the client data folder exists already.
void ReportUntrustedDownload(const CTrustErrorException& error);
