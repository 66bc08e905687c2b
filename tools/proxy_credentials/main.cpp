// VORNAProxyCredentials: stores the proxy user name and password that the
// web downloader sends to a proxy that asks for authentication, for the user
// who runs it. See the usage text below.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tools/proxy_credentials/proxy_credentials_writer.h"

namespace {

enum ExitCode {
  kExitDone = 0,
  kExitUsage = 1,
  kExitCrypt = 2,
  kExitRegistry = 3,
};

const char kUsage[] =
    "Stores the proxy credentials of the PAVE online update client for the\n"
    "current user (HKEY_CURRENT_USER\\SOFTWARE\\Nortavi\\PaveOnlineUpdate\\1.0,\n"
    "value Data10). Only this user can read them back; run it as the user the\n"
    "web downloader runs as.\n"
    "\n"
    "  VORNAProxyCredentials /password:<password> [/user:<name>] [/3des]\n"
    "  VORNAProxyCredentials /delete\n"
    "  VORNAProxyCredentials /?\n"
    "\n"
    "  /user:<name>      proxy user name (may be left out)\n"
    "  /password:<text>  proxy password\n"
    "  /3des             encrypt with Triple DES instead of AES-256\n"
    "  /delete           remove the stored credentials\n"
    "Options start with / or - and their names may be in any letter case.\n"
    "The password is visible to other processes while the tool runs.\n"
    "\n"
    "Exit codes: 0 done (or this text asked for with /?), 1 wrong arguments\n"
    "(this text), 2 the cryptographic service failed, 3 the registry could not\n"
    "be written.\n";

int Usage(int exitCode) {
  std::fputs(kUsage, exitCode == kExitDone ? stdout : stderr);
  return exitCode;
}

// True when argument is the option name (after "/" or "-"); value gets the
// text after "name:" for options that take one.
bool MatchOption(const wchar_t* argument, const wchar_t* name, bool takesValue, std::wstring& value) {
  if (argument[0] != L'/' && argument[0] != L'-') return false;
  const std::size_t length = std::wcslen(name);
  if (_wcsnicmp(argument + 1, name, length) != 0) return false;
  const wchar_t* rest = argument + 1 + length;
  if (!takesValue) return *rest == L'\0';
  if (*rest != L':') return false;
  value = rest + 1;
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage(kExitUsage);
  std::wstring userName;
  std::wstring password;
  bool havePassword = false;
  bool tripleDes = false;
  bool remove = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring value;
    if (MatchOption(argv[i], L"?", false, value)) return Usage(kExitDone);
    if (MatchOption(argv[i], L"user", true, value)) {
      userName = value;
    } else if (MatchOption(argv[i], L"password", true, value)) {
      password = value;
      havePassword = true;
    } else if (MatchOption(argv[i], L"3des", false, value)) {
      tripleDes = true;
    } else if (MatchOption(argv[i], L"delete", false, value)) {
      remove = true;
    } else {
      std::fprintf(stderr, "Unknown argument: %ls\n\n", argv[i]);
      return Usage(kExitUsage);
    }
  }
  if (remove) {
    if (havePassword || !userName.empty() || tripleDes) return Usage(kExitUsage);
    const LONG error = DeleteProxyCredentialsValue();
    if (error != ERROR_SUCCESS) {
      std::fprintf(stderr, "The stored credentials could not be removed (error %ld).\n", error);
      return kExitRegistry;
    }
    std::puts("The stored proxy credentials were removed.");
    return kExitDone;
  }
  if (!havePassword) return Usage(kExitUsage);

  std::string data;
  try {
    data = BuildProxyCredentialsValue(tripleDes ? kSelectorTripleDes : kSelectorAes256, userName, password);
  } catch (const CCryptLibException&) {
    std::fputs("The cryptographic service failed; nothing was stored.\n", stderr);
    return kExitCrypt;
  }
  const LONG error = StoreProxyCredentialsValue(data);
  if (error != ERROR_SUCCESS) {
    std::fprintf(stderr, "The credentials could not be stored (error %ld).\n", error);
    return kExitRegistry;
  }
  std::printf("The proxy credentials were stored (%s).\n", tripleDes ? "Triple DES" : "AES-256");
  return kExitDone;
}
