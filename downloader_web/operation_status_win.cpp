#include "downloader_web/operation_status.h"

#include <new>
#include <stdexcept>

#include "core/file_exception.h"
#include "core/trust_error.h"
#include "downloader_web/download_session.h"
#include "downloader_web/messages.h"

namespace {

DownloadStatus FileExceptionStatus(CFileException::Cause cause) {
  switch (cause) {
    case CFileException::fileNotFound:
    case CFileException::badPath:
      return DL_BAD_FOLDER_PATH;
    case CFileException::accessDenied:
    case CFileException::sharingViolation:
    case CFileException::lockViolation:
      return DL_FOLDER_ACCESS_DENIED;
    case CFileException::diskFull:
      return DL_DISK_FULL;
    default:
      return DL_UNKNOWN_ERROR;
  }
}

}  // namespace

DownloadStatus StatusFromCurrentException() {
  try {
    throw;
  } catch (const std::invalid_argument&) {
    return DL_INVALID_ARGUMENT;
  } catch (const std::bad_alloc&) {
    return DL_OUT_OF_MEMORY;
  } catch (const CFileException& error) {
    return FileExceptionStatus(error.GetCause());
  } catch (const CInternetException&) {
    return DL_DOWNLOAD_FAILED;
  } catch (const CDownloadStatusException& error) {
    return HttpDownloadStatus(error.status);
  } catch (const CTrustErrorException& error) {
    ReportUntrustedDownload(error);
    return DL_NOT_TRUSTED;
  } catch (const CUserAbortException&) {
    return DL_DOWNLOAD_INTERRUPTED;
  } catch (...) {
    return DL_UNKNOWN_ERROR;
  }
}
