#include "downloader/messages.h"

#include <cstdio>

#include "core/exception_text.h"
#include "core/output_log.h"
#include "core/resource_string.h"
#include "core/scoped_handle.h"
#include "downloader/downloader_ids.h"

namespace {

constexpr wchar_t kBaseFolderNotFound[] =
    L"アップデートモジュールの取得先フォルダが見つかりませんでした。";
constexpr wchar_t kFileNotCopiedFormat[] = L"%s(%s)がダウンロードできませんでした。(%d)";

// The system's text for an error code in the user's language, without the
// line break the system puts at its end; empty when there is none.
std::wstring SystemMessageText(DWORD errorCode) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, errorCode, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
      reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const ScopedLocalMemory owner(buffer);
  if (length == 0 || !buffer) return std::wstring();
  std::wstring text(buffer, length);
  const auto end = text.find_last_not_of(L" \t\r\n");
  text.resize(end == std::wstring::npos ? 0 : end + 1);
  return text;
}

}  // namespace

void ReportBaseFolderNotFound(DWORD errorCode) {
  try {
    std::wstring message = kBaseFolderNotFound;
    if (errorCode != ERROR_SUCCESS) {
      message += SystemMessageText(errorCode);
      message += L"(" + std::to_wstring(static_cast<int>(errorCode)) + L")";
    }
    WriteErrorLog(L"%s", message.c_str());
  } catch (...) {
  }
}

void ReportFileNotCopied(const std::wstring& moduleName, const std::wstring& fileName,
                         DWORD errorCode) {
  WriteErrorLog(kFileNotCopiedFormat, moduleName.c_str(), fileName.c_str(),
                static_cast<int>(errorCode));
}

void ReportStartProgramNotTrusted(const std::wstring& path) {
  try {
    const std::wstring message = FormatResourceString(IDS_START_PROGRAM_NOT_TRUSTED, path);
    if (!message.empty()) WriteErrorLog(L"%s", message.c_str());
  } catch (...) {
  }
}

void ReportRunException(const std::exception& error) {
  try {
    WriteErrorLog(L"%s", DescribeException(error).c_str());
  } catch (...) {
  }
}

void ReportUnknownRunException() { WriteErrorLog(L"%s", kUnknownExceptionText); }

std::wstring ModuleNotTrustedNotice(const std::wstring& moduleName) {
  return FormatResourceString(IDS_MODULE_NOT_TRUSTED, moduleName);
}
