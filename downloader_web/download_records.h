#pragma once
// The records the web downloader's operations exchange. Each starts with its
// own size in bytes; an operation refuses a record or list header whose size
// is not the expected one. Lists and credentials are returned as one block
// from LocalAlloc (records first, then the texts and arrays they point into)
// that the caller releases as a whole with LocalFree.

#include <cstdint>

struct UpdateKeyInfo {
  std::uint32_t cbSize;
  const wchar_t* keyName;
  const wchar_t* captionName;
  std::int32_t idCount;
  const std::uint64_t* ids;
};

struct UpdateKeyList {
  std::uint32_t cbSize;
  std::int32_t count;
  UpdateKeyInfo* records;
};

struct UpdateTargetInfo {
  std::uint32_t cbSize;
  const wchar_t* type;
  const wchar_t* folder;
  const wchar_t* name;
  std::uint64_t version;  // low double word first: the file version's LS, then MS
  double timestamp;       // OLE date, 0 when not given
};

struct UpdateModuleInfo {
  std::uint32_t cbSize;
  std::uint64_t id;
  const wchar_t* name;
  const wchar_t* description;
  const wchar_t* typeText;  // "normal", "common" or "newVer", optionally ";withLogin"
  std::uint32_t importance;
  const wchar_t* url;
  const wchar_t* code;
  double lastWriteTime;  // OLE date
  std::uint64_t fileSize;
  const wchar_t* args;
  const wchar_t* param;
  const wchar_t* infoUrl;
  std::int32_t targetCount;
  const UpdateTargetInfo* targets;
};

struct UpdateModuleList {
  std::uint32_t cbSize;
  std::int32_t count;
  UpdateModuleInfo* records;
};

struct ProxyCredentials {
  std::uint32_t cbSize;
  const wchar_t* userName;
  const wchar_t* password;
};
