// Asks the update server the questions of a run's start, with the real
// operations: the key list, then the module list of every key it gives.
// Prints one line per result (UTF-8, fields separated by TAB):
//   keys <status>
//   key <name> <caption> <ids as hexadecimal, comma-separated>
//   modules <key name> <status>
//   module <key name> <id> <type text> <name> <url> <code> <target names, comma-separated>
// With --assume-connected the system's connection test is replaced by one
// that answers yes (the tests' private network has no route to report).

#include <windows.h>

#include <cstdint>
#include <clocale>
#include <cstdio>
#include <string>

#include "core/scoped_handle.h"
#include "downloader_web/download_session.h"
#include "downloader_web/module_list_request.h"
#include "downloader_web/update_info_key_request.h"
#include "tests/win/helpers/print_line.h"

namespace {

std::wstring Hex(std::uint64_t value) {
  wchar_t text[24] = {};
  std::swprintf(text, 24, L"%llx", static_cast<unsigned long long>(value));
  return text;
}

std::wstring StatusText(DownloadStatus status) {
  wchar_t text[16] = {};
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(static_cast<std::uint32_t>(status)));
  return text;
}

bool AssumeConnected() { return true; }

std::wstring Text(const wchar_t* text) { return text ? text : L"(null)"; }

void PrintModules(const UpdateKeyInfo& key) {
  UpdateModuleList modules = {sizeof(UpdateModuleList), 0, nullptr};
  const DownloadStatus status = FetchUpdateModules(&key, &modules, nullptr);
  ScopedLocalMemory block(modules.records);
  PrintUtf8Line(L"modules\t" + Text(key.keyName) + L"\t" + StatusText(status));
  for (int i = 0; i < modules.count; ++i) {
    const UpdateModuleInfo& module = modules.records[i];
    std::wstring targets;
    for (int t = 0; t < module.targetCount; ++t) {
      targets += (t ? L"," : L"") + Text(module.targets[t].name);
    }
    PrintUtf8Line(L"module\t" + Text(key.keyName) + L"\t" + Hex(module.id) + L"\t" +
                  Text(module.typeText) + L"\t" + Text(module.name) + L"\t" + Text(module.url) +
                  L"\t" + Text(module.code) + L"\t" + targets);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _wsetlocale(LC_ALL, L"japanese");
  if (argc == 2 && std::wstring(argv[1]) == L"--assume-connected") {
    g_internetConnectionTest = AssumeConnected;
  } else if (argc != 1) {
    return 64;
  }
  UpdateKeyList keys = {sizeof(UpdateKeyList), 0, nullptr};
  const DownloadStatus status = FetchUpdateInfoKeys(&keys, nullptr);
  ScopedLocalMemory block(keys.records);
  PrintUtf8Line(L"keys\t" + StatusText(status));
  for (int i = 0; i < keys.count; ++i) {
    const UpdateKeyInfo& key = keys.records[i];
    std::wstring ids;
    for (int n = 0; n < key.idCount; ++n) ids += (n ? L"," : L"") + Hex(key.ids[n]);
    PrintUtf8Line(L"key\t" + Text(key.keyName) + L"\t" + Text(key.captionName) + L"\t" + ids);
  }
  for (int i = 0; i < keys.count; ++i) PrintModules(keys.records[i]);
  std::fflush(stdout);
  return IsDownloadFailure(status) ? 1 : 0;
}
