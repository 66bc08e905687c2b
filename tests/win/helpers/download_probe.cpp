// download_probe: runs one transfer of the web downloader against a server
// of the scenario tests and prints what the calling operation would return.
//
//   download_probe get URL FILE [--credentials USER PASSWORD]
//       DownloadToFile of the URL into FILE (created anew)
//   download_probe fetch URL [--credentials USER PASSWORD]
//       FetchSignedDocument of the URL; on success one line
//       "element NAME" per top-level element of the document
//   download_probe connected
//       IsInternetConnected, as "connected 1" or "connected 0"
//   download_probe module URL TYPE_TEXT UPDATES_FOLDER [--assume-connected]
//       DownloadModuleFile of a module with that URL and type text; with
//       --assume-connected the connection test is taken as passed (the test
//       network has nothing the system would call a connection)
//
// Every command prints "cache PATH" (the info cache folder) first and ends
// with "status 0xXXXXXXXX", the operation's status. Exit code 0 when the
// status is DL_OK, 1 for any other status, 64 for a bad command line.

#include <windows.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "core/scoped_handle.h"
#include "core/xml_document.h"
#include "downloader_web/download_records.h"
#include "downloader_web/download_session.h"
#include "downloader_web/module_download.h"
#include "downloader_web/operation_status.h"
#include "downloader_web/signed_document.h"
#include "tests/win/helpers/print_line.h"

namespace {

constexpr int kUsageError = 64;

DownloadStatus Get(const wchar_t* url, const wchar_t* path, const ProxyCredentials* credentials) {
  try {
    ScopedHandle file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return DL_UNKNOWN_ERROR;
    DownloadToFile(credentials, url, file.Get());
    return DL_OK;
  } catch (...) {
    return StatusFromCurrentException();
  }
}

DownloadStatus Fetch(const wchar_t* url, const ProxyCredentials* credentials) {
  try {
    CXmlDocument document;
    FetchSignedDocument(url, credentials, document);
    for (const CXmlNode* node = document.firstChild; node != nullptr; node = node->next) {
      if (node->name == nullptr || *node->name == "#text") continue;
      std::printf("element %s\n", node->name->c_str());
    }
    return DL_OK;
  } catch (...) {
    return StatusFromCurrentException();
  }
}

DownloadStatus Module(const wchar_t* url, const wchar_t* typeText, const wchar_t* updatesFolder,
                      const ProxyCredentials* credentials) {
  UpdateModuleInfo module = {};
  module.cbSize = sizeof module;
  module.id = 1;
  module.name = L"module";
  module.typeText = typeText;
  module.url = url;
  return DownloadModuleFile(credentials, &module, updatesFolder);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _wsetlocale(LC_ALL, L"japanese");
  if (argc < 2) return kUsageError;
  const std::wstring command = argv[1];

  ProxyCredentials credentials = {sizeof(ProxyCredentials), nullptr, nullptr};
  const ProxyCredentials* stored = nullptr;
  int positional = argc;
  if (argc > 2 && std::wstring(argv[argc - 1]) == L"--assume-connected") {
    g_internetConnectionTest = [] { return true; };
    positional = --argc;
  }
  for (int i = 2; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--credentials") {
      if (i + 2 >= argc) return kUsageError;
      credentials.userName = argv[i + 1];
      credentials.password = argv[i + 2];
      stored = &credentials;
      positional = i;
      break;
    }
  }

  try {
    PrintUtf8Line(L"cache " + InfoCacheFolder());
  } catch (...) {
    PrintUtf8Line(L"cache ?");
  }

  DownloadStatus status = DL_UNKNOWN_ERROR;
  if (command == L"get" && positional == 4) {
    status = Get(argv[2], argv[3], stored);
  } else if (command == L"fetch" && positional == 3) {
    status = Fetch(argv[2], stored);
  } else if (command == L"module" && positional == 5) {
    status = Module(argv[2], argv[3], argv[4], stored);
  } else if (command == L"connected" && argc == 2) {
    std::printf("connected %d\n", IsInternetConnected() ? 1 : 0);
    status = DL_OK;
  } else {
    return kUsageError;
  }
  std::printf("status 0x%08lX\n", static_cast<unsigned long>(static_cast<std::uint32_t>(status)));
  std::fflush(stdout);
  return status == DL_OK ? 0 : 1;
}
