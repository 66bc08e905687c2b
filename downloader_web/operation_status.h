#pragma once
// The status that a download operation returns for the exception that ended
// it.

#include "downloader_web/download_status.h"

// Call only inside a catch (...) handler: the status of the exception being
// handled. A file that failed the publisher check is reported to the error
// log on the way (ReportUntrustedDownload).
DownloadStatus StatusFromCurrentException();
