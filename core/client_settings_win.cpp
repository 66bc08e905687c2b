#include "core/client_settings.h"

#include "core/client_paths.h"
#include "core/folders.h"
#include "core/output_log.h"
#include "core/path_text.h"
#include "core/registry.h"
#include "core/setting_argument.h"

namespace {

constexpr std::size_t kPathChars = 260;
constexpr int kBaseFolderStep = 3;
constexpr int kMonitorSettingsStep = 1;

// A REG_DWORD policy value when there is one, else the settings file.
// Tells which of the two gave the number.
int ReadPolicyOrSettingsInt(const wchar_t* policyKey, const wchar_t* policyValue,
                            const wchar_t* section, const wchar_t* settingsKey, int defaultValue,
                            bool& fromPolicy) {
  int value = 0;
  fromPolicy = ReadPolicyDword(policyKey, HKEY_CURRENT_USER, policyValue, value) == ERROR_SUCCESS;
  return fromPolicy ? value : ReadSettingsInt(defaultValue, section, settingsKey);
}

}  // namespace

LONG ReadPolicyDword(const wchar_t* path, HKEY hive, const wchar_t* valueName, int& value) {
  if (!path) return ERROR_INVALID_PARAMETER;
  ScopedRegKey key;
  LONG result = OpenRegKey(hive, path, KEY_QUERY_VALUE, key);
  if (result != ERROR_SUCCESS) return result;

  DWORD type = REG_NONE;
  DWORD data = 0;
  DWORD size = sizeof data;
  result = ::RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                              &size);
  if (result != ERROR_SUCCESS) return result;
  if (type != REG_DWORD || size != sizeof data) return ERROR_INVALID_DATA;
  value = static_cast<int>(data);
  return ERROR_SUCCESS;
}

std::wstring GetClientSettingsPath() {
  std::wstring common = GetCommonAppDataFolder();
  if (common.empty()) return std::wstring();
  RemoveTrailingBackslash(common);
  const std::wstring path =
      CombinePath(CombinePath(common.c_str(), kClientDataRelativePath), kClientSettingsFileName);
  return path.size() < kPathChars ? path : std::wstring();
}

int ReadSettingsInt(int defaultValue, const wchar_t* section, const wchar_t* key) {
  const std::wstring path = GetClientSettingsPath();
  if (path.empty()) return defaultValue;
  return static_cast<int>(::GetPrivateProfileIntW(section, key, defaultValue, path.c_str()));
}

DWORD ReadSettingsString(const wchar_t* section, const wchar_t* key, std::wstring& text) {
  text.clear();
  const std::wstring path = GetClientSettingsPath();
  if (path.empty()) return 0;
  wchar_t buffer[kSettingsStringChars] = {};
  const DWORD length =
      ::GetPrivateProfileStringW(section, key, L"", buffer, kSettingsStringChars, path.c_str());
  text.assign(buffer, length);
  return length;
}

bool ReadBaseFolderSetting(const std::vector<std::wstring>& arguments, std::wstring& folder) {
  std::wstring value;
  const wchar_t* stepFormat = nullptr;
  if (FindBaseFolderArgument(arguments, value)) {
    stepFormat = L"BASEFOLDER(ARG) = %s";
  } else if (QueryRegString(kDownloadPolicyKey, kBaseFolderPolicyValue, HKEY_CURRENT_USER, value) ==
                 ERROR_SUCCESS &&
             !value.empty()) {
    if (value.size() > kMaxBaseFolderChars) {
      WriteErrorLog(L"フォルダ名が長すぎます。%s", value.c_str());
      return false;
    }
    stepFormat = L"BASEFOLDER(REG) = %s";
  } else if (ReadSettingsString(kDownloadSection, kBaseFolderSettingsKey, value) > 0) {
    stepFormat = L"BASEFOLDER(INI) = %s";
  } else {
    WriteErrorLog(L"アップデートモジュールの取得先フォルダを指定してください。");
    return false;
  }
  WriteStepLogFormat(kBaseFolderStep, stepFormat, value.c_str());
  folder = value;
  return true;
}

int ReadActionSetting() {
  bool fromPolicy = false;
  const int action = ReadPolicyOrSettingsInt(kDownloadPolicyKey, kActionPolicyValue,
                                             kDownloadSection, kActionSettingsKey, kDefaultAction,
                                             fromPolicy);
  WriteStepLogFormat(kMonitorSettingsStep, fromPolicy ? L"ACTION(REG) = %d" : L"ACTION(INI) = %d",
                     action);
  return action;
}

int ReadBalloonSetting() {
  bool fromPolicy = false;
  const int balloon = ReadPolicyOrSettingsInt(kUpdatePolicyKey, kBalloonPolicyValue,
                                              kUpdateSection, kBalloonSettingsKey, kDefaultBalloon,
                                              fromPolicy);
  WriteStepLogFormat(kMonitorSettingsStep,
                     fromPolicy ? L"BALLOON(REG) = %d" : L"BALLOON(INI) = %d", balloon);
  return balloon;
}

int ReadRebootBalloonSetting(const std::vector<std::wstring>& arguments) {
  int balloon = 0;
  if (FindBalloonArgument(arguments, balloon)) return balloon;
  bool fromPolicy = false;
  return ReadPolicyOrSettingsInt(kUpdatePolicyKey, kBalloonPolicyValue, kUpdateSection,
                                 kBalloonSettingsKey, kDefaultBalloon, fromPolicy);
}
