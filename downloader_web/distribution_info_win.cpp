#include <windows.h>

#include "core/ansi_text.h"
#include "core/file_exception.h"
#include "core/scoped_handle.h"
#include "downloader_web/distribution_info.h"

void CDistributionInfo::WriteDistributionTable(const std::wstring& path) const {
  if (entries_.empty()) return;
  const std::string bytes = WideToAnsi(TableText());
  const std::wstring temporary = path + L".new";
  {
    ScopedHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowFileException(::GetLastError(), temporary);
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !::FlushFileBuffers(file.Get())) {
      const DWORD error = ::GetLastError();
      file.Reset();
      ::DeleteFileW(temporary.c_str());
      ThrowFileException(error ? error : ERROR_WRITE_FAULT, temporary);
    }
  }
  if (!::MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(temporary.c_str());
    ThrowFileException(error, path);
  }
}
