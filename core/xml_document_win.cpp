// Loading XML documents from files.
#include <windows.h>

#include "core/file_exception.h"
#include "core/scoped_handle.h"
#include "core/xml_document.h"

bool CXmlDocument::LoadFromFile(const std::wstring& path) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowFileException(::GetLastError(), path);
  return LoadFromStream(file.Get());
}

bool CXmlDocument::LoadFromStream(void* fileHandle) {
  LARGE_INTEGER length = {};
  if (!::GetFileSizeEx(fileHandle, &length) || length.QuadPart < 0 ||
      length.QuadPart >= (LONGLONG{1} << 32)) {
    return false;
  }
  LARGE_INTEGER start = {};
  if (!::SetFilePointerEx(fileHandle, start, nullptr, FILE_BEGIN)) return false;

  std::string text(static_cast<std::size_t>(length.QuadPart), '\0');
  std::size_t done = 0;
  while (done < text.size()) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
    DWORD read = 0;
    if (!::ReadFile(fileHandle, &text[done], want, &read, nullptr) || read == 0) return false;
    done += read;
  }
  return LoadFromText(std::move(text));
}
