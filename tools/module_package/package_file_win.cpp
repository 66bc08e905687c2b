#include "tools/module_package/package_file_win.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

#include "core/path_text.h"
#include "tools/module_package/package_layout.h"

namespace {

// A position in the payload that never moves past its end.
class CPayloadCursor {
 public:
  CPayloadCursor(const CPackageFile& file, std::uint64_t position, std::uint64_t end)
      : file_(file), position_(position), end_(end) {}

  std::uint64_t Position() const { return position_; }
  std::uint64_t Remaining() const { return end_ - position_; }

  bool Read(void* buffer, std::size_t length) {
    if (length > Remaining() || !file_.ReadAt(position_, buffer, length)) return false;
    position_ += length;
    return true;
  }
  bool Skip(std::uint64_t length) {
    if (length > Remaining()) return false;
    position_ += length;
    return true;
  }
  template <class Number>
  bool ReadNumber(Number& value) {
    unsigned char bytes[sizeof(Number)];
    if (!Read(bytes, sizeof bytes)) return false;
    value = 0;
    for (std::size_t i = sizeof bytes; i-- > 0;) value = static_cast<Number>((value << 8) | bytes[i]);
    return true;
  }

 private:
  const CPackageFile& file_;
  std::uint64_t position_;
  const std::uint64_t end_;
};

// Strict UTF-8 (an invalid sequence fails the name).
bool DecodeName(const std::string& bytes, std::wstring& name) {
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0) return false;
  name.assign(static_cast<std::size_t>(length), L'\0');
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                               static_cast<int>(bytes.size()), &name[0], length) == length;
}

bool ReadEntry(CPayloadCursor& cursor, PackageEntry& entry) {
  std::uint32_t nameLength = 0;
  if (!cursor.ReadNumber(nameLength) || nameLength == 0 || nameLength > kMaxEntryNameBytes) {
    return false;
  }
  std::string nameBytes(nameLength, '\0');
  if (!cursor.Read(&nameBytes[0], nameLength)) return false;
  if (!DecodeName(nameBytes, entry.name) || !IsPlainFileName(entry.name)) return false;
  if (!cursor.ReadNumber(entry.dataLength)) return false;
  entry.dataOffset = cursor.Position();
  return cursor.Skip(entry.dataLength);
}

}  // namespace

bool CPackageFile::Open(const std::wstring& path) {
  file_.Reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size = {};
  if (!file_ || !::GetFileSizeEx(file_.Get(), &size)) return false;
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  return true;
}

bool CPackageFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const {
  if (offset > size_ || length > size_ - offset) return false;
  auto* bytes = static_cast<char*>(buffer);
  while (length > 0) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
    DWORD read = 0;
    if (!::ReadFile(file_.Get(), bytes, piece, &read, &at) || read == 0) return false;
    bytes += read;
    offset += read;
    length -= read;
  }
  return true;
}

bool CPackageFile::FindPayload(std::uint64_t& begin, std::uint64_t& end) const {
  IMAGE_DOS_HEADER dos = {};
  if (!ReadAt(0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) {
    return false;
  }
  const std::uint64_t ntOffset = static_cast<std::uint64_t>(dos.e_lfanew);
  IMAGE_NT_HEADERS64 nt = {};
  if (!ReadAt(ntOffset, &nt, sizeof nt) || nt.Signature != IMAGE_NT_SIGNATURE ||
      nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC ||
      nt.FileHeader.SizeOfOptionalHeader < sizeof nt.OptionalHeader ||
      nt.OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_SECURITY) {
    return false;
  }

  std::uint64_t imageEnd = 0;
  const std::uint64_t sections = ntOffset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                 nt.FileHeader.SizeOfOptionalHeader;
  for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section = {};
    if (!ReadAt(sections + i * std::uint64_t{sizeof section}, &section, sizeof section)) return false;
    if (section.SizeOfRawData == 0) continue;
    imageEnd = std::max(imageEnd, std::uint64_t{section.PointerToRawData} + section.SizeOfRawData);
  }

  // In this one directory "VirtualAddress" is a file offset.
  const IMAGE_DATA_DIRECTORY& certificates =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
  std::uint64_t payloadEnd = size_;
  if (certificates.Size != 0) {
    payloadEnd = certificates.VirtualAddress;
    if (payloadEnd + certificates.Size > size_) return false;
  }
  if (imageEnd == 0 || imageEnd > payloadEnd) return false;
  begin = imageEnd;
  end = payloadEnd;
  return true;
}

bool CPackageFile::ReadIndex(PackageIndex& index) const {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  if (!FindPayload(begin, end)) return false;

  CPayloadCursor header(*this, begin, end);
  char magic[sizeof kPackageMagic] = {};
  std::uint32_t version = 0;
  std::uint32_t count = 0;
  std::uint64_t payloadSize = 0;
  if (!header.Read(magic, sizeof magic) || std::memcmp(magic, kPackageMagic, sizeof magic) != 0 ||
      !header.ReadNumber(version) || version != kPackageFormatVersion ||
      !header.ReadNumber(index.exitCode) || !header.ReadNumber(count) ||
      count > kMaxPackageEntries || !header.ReadNumber(payloadSize)) {
    return false;
  }
  const std::uint64_t available = end - begin;
  if (payloadSize < kPackageHeaderSize || payloadSize > available ||
      available - payloadSize > kMaxSignaturePadding) {
    return false;
  }
  // What follows the payload can only be the zeros that align the
  // certificate table.
  char padding[kMaxSignaturePadding] = {};
  const auto paddingLength = static_cast<std::size_t>(available - payloadSize);
  if (!ReadAt(begin + payloadSize, padding, paddingLength)) return false;
  for (std::size_t i = 0; i < paddingLength; ++i) {
    if (padding[i] != 0) return false;
  }

  CPayloadCursor cursor(*this, header.Position(), begin + payloadSize);
  index.entries.clear();
  index.entries.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    PackageEntry entry;
    if (!ReadEntry(cursor, entry)) return false;
    index.entries.push_back(std::move(entry));
  }
  return cursor.Remaining() == 0;
}
