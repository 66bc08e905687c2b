#include "core/held_file.h"

CHeldFile::CHeldFile(const wchar_t* path) : path_(path != nullptr ? path : L"") {
  if (path == nullptr) return;
  // No FILE_SHARE_WRITE and no FILE_SHARE_DELETE: while the handle is open
  // the file cannot be written, truncated, renamed, replaced or deleted.
  file_.Reset(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}
